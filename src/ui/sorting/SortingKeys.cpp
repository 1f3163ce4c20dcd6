#include "ui/sorting/SortingKeys.h"

#include "app/SortingWorkflow.h"
#include "app/ViewerController.h"
#include "ui/foldertree/FolderTreePane.h"
#include "ui/main/MainMenu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

// The new-folder key (1 … 4) a press stands for, or 0: the keys ";", ":", "." and "/" of a
// Japanese keyboard, told by where they sit, so that Shift (which makes the folder) cannot turn
// one into another's character (Shift+; types "+" on a Japanese layout and ":" on a US one).
// On X11 and Wayland the key code says which key it is; without one the character does.
int NewFolderKey(const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier))
        return 0;
    switch (key.nativeScanCode()) {
    case 0:
        break;
    case 47:
        return 1;
    case 48:
        return 2;
    case 60:
        return 3;
    case 61:
        return 4;
    default:
        return 0;
    }
    switch (key.key()) {
    case Qt::Key_Semicolon:
        return 1;
    case Qt::Key_Colon:
        return 2;
    case Qt::Key_Period:
        return 3;
    case Qt::Key_Slash:
        return 4;
    default:
        return 0;
    }
}

bool KeypadDigit(const QKeyEvent& key) {
    return key.modifiers().testFlag(Qt::KeypadModifier) && key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9;
}

} // namespace

SortingKeys::SortingKeys(ViewerController& controller, MainMenu& menu, QWidget& window, QWidget& pictureSide,
                         const FolderTreePane& tree)
    : QObject(&window), m_controller(controller), m_window(window), m_pictureSide(pictureSide), m_tree(tree) {
    AddLetterAndDigitKeys();
    QAction* undo = menu.action(Command::mnuMoveUndo);
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Backspace)});
    m_window.installEventFilter(this);
}

// The letters (alone, with Shift, with Ctrl + Alt) and the top-row digits (alone, with Shift).
// The new-folder keys have no shortcuts: they are told by the key pressed,
// not by the character it types, and Shift (which makes the folder) is read from the keys held.
// The repeat key "," is a command of its own (actComma).
void SortingKeys::AddLetterAndDigitKeys() {
    SortingWorkflow& sorting = m_controller.sorting();
    const auto key = [this](const QString& name, QKeySequence keys, auto handler) {
        auto* action = new QAction(&m_pictureSide);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        // A held key sends one picture, not each next one the key repeat brings up.
        action->setAutoRepeat(false);
        connect(action, &QAction::triggered, this, handler);
        m_pictureSide.addAction(action);
    };
    for (int i = 0; i < 26; ++i) {
        const auto letter = static_cast<Qt::Key>(Qt::Key_A + i);
        const QString name = QStringLiteral("actABC") + QChar(u'A' + i);
        key(name, QKeySequence(letter), [&sorting] { sorting.actABCExecute(false); });
        key(name + QStringLiteral("_Shift"), QKeySequence(Qt::SHIFT | letter),
            [&sorting] { sorting.actABCExecute(false); });
        key(QStringLiteral("actMouseM") + QChar(u'A' + i), QKeySequence(Qt::CTRL | Qt::ALT | letter),
            [&sorting] { sorting.actABCExecute(true); });
    }
    for (int digit = 0; digit < 10; ++digit) {
        const auto code = static_cast<Qt::Key>(Qt::Key_0 + digit);
        const QString name = QStringLiteral("act123_%1").arg(digit);
        key(name, QKeySequence(code), [&sorting] { sorting.act123Execute(); });
        key(name + QStringLiteral("_Shift"), QKeySequence(Qt::SHIFT | code),
            [&sorting] { sorting.act123Execute(); });
    }
}

// A keypad digit is a sorting key, not the shortcut of its top-row twin, and a new-folder key is
// not the shortcut of the character it types: the window takes the key before any shortcut
// sees it.
bool SortingKeys::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (KeypadDigit(key) || (NewFolderKey(key) != 0 && PictureSideFocused())) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && !m_controller.InputHeld())
        return KeyPress(static_cast<QKeyEvent&>(*event));
    return false;
}

// The new-folder keys (alone or with Shift) while the hand is on the picture side, and the
// keypad digits, which run the sorting table's keypad entries unless Alt or Shift is held or
// the tree has the keys.
bool SortingKeys::KeyPress(QKeyEvent& key) {
    if (const int tag = NewFolderKey(key); tag != 0 && PictureSideFocused()) {
        key.accept();
        if (!key.isAutoRepeat())
            m_controller.sorting().mnuFolderCreateMove1Click(tag, m_tree.TreeFolder());
        return true;
    }
    if (key.modifiers() & (Qt::AltModifier | Qt::ShiftModifier))
        return false;
    if (KeypadDigit(key) && !m_tree.hasFocus() &&
        (key.isAutoRepeat() || m_controller.sorting().KeypadExecute(key.key() - Qt::Key_0))) {
        key.accept();
        return true;
    }
    return false;
}

bool SortingKeys::PictureSideFocused() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == &m_pictureSide || m_pictureSide.isAncestorOf(focus));
}
