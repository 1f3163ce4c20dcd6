#include "ui/checklists/CheckListMenus.h"

#include "app/CheckListWorkflow.h"
#include "app/TitleText.h"
#include "app/ViewerController.h"
#include "ui/main/MainMenu.h"

#include <QAction>
#include <QMenu>

CheckListMenus::CheckListMenus(ViewerController& controller, MainMenu& menu, QObject* parent)
    : QObject(parent), m_controller(controller), m_menu(menu) {
    // With Shift the key of a list's toggle inverts the marks over the selected range.
    for (int i = 0; i < CheckLists::kCount; ++i) {
        QAction* toggle = m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1));
        toggle->setShortcuts({toggle->shortcut(), QKeySequence(Qt::SHIFT | toggle->shortcut()[0].key())});
    }
    connect(&m_controller.checks(), &CheckListWorkflow::listsChanged, this, &CheckListMenus::MenuSeting);
    // A new title means a new shown file.
    connect(&m_controller, &ViewerController::titleChanged, this, &CheckListMenus::CheckListMarks);
}

void CheckListMenus::MenuSeting() {
    const CheckLists& lists = m_controller.checks().lists();
    for (int i = 0; i < CheckLists::kCount; ++i) {
        const QString caption =
            CheckListCaption(i, static_cast<int>(lists.list(i).size()), m_controller.options().ListName[i]);
        m_menu.menu(QStringLiteral("mnuList") + QChar(u'A' + i))->setTitle(caption);
        m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1))->setText(caption);
    }
    CheckListMarks();
}

void CheckListMenus::CheckListMarks() {
    const CheckLists& lists = m_controller.checks().lists();
    const QString& shown = m_controller.state().CurrentFile;
    for (int i = 0; i < CheckLists::kCount; ++i)
        m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1))
            ->setChecked(!shown.isEmpty() && lists.contains(i, shown));
}
