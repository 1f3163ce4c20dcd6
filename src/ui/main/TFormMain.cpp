#include "ui/main/TFormMain.h"

#include "app/FlagScope.h"
#include "app/TitleText.h"
#include "app/ViewerController.h"
#include "app/commands/CommandRegistry.h"
#include "platform/LocalUrl.h"
#include "ui/checklists/CheckListMenus.h"
#include "ui/common/StoredColor.h"
#include "ui/common/StoredFont.h"
#include "ui/foldertree/FolderTreePane.h"
#include "ui/main/GestureHook.h"
#include "ui/main/ImgBar.h"
#include "ui/main/MenuMarks.h"
#include "ui/main/PictureArea.h"
#include "ui/main/WindowCommands.h"
#include "ui/settings/TFormOption.h"
#include "ui/sorting/SortingKeys.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int kTreeWidth = 240;
constexpr int kSplitterWidth = 2;
constexpr int kCommentHeight = 32;
constexpr int kCommentMinimum = 8;
constexpr int kPanelWidths[4] = {192, 44, 164, 44};

QStringList DroppedPaths(const QMimeData* data) {
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        const QString path = PathFromLocalUrl(url);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

} // namespace

TFormMain::TFormMain(ViewerController& controller, ClipboardReader& clipboard, QWidget* parent)
    : QMainWindow(parent), m_controller(controller), m_clipboard(clipboard),
      m_menu(*this, controller.registry()) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Ruvela"));
    setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    resize(640, 480);
    setAcceptDrops(true);

    BuildPanes();
    m_menu.AttachPictureSide(*m_panel1);
    BuildStatusBar();
    WireCommands();
    WireController();
    EnableImageCommands(false);
    for (QAction* action : findChildren<QAction*>())
        action->installEventFilter(this);
    // The mouse inputs are recognised before any control of the window sees them.
    auto* gestures = new GestureHook(
        {this,
         m_picture->pictureViewport(),
         m_picture,
         {m_tree, m_imgBar, m_comment, statusBar()},
         m_tree,
         m_comment,
         menuBar()},
        [this] { return m_controller.InputHeld(); },
        [this](const QString& input) { m_commands->RunInput(input); }, this);
    QCoreApplication::instance()->installEventFilter(gestures);
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildPanes() {
    m_treeSplit = new QSplitter(Qt::Horizontal, this);
    m_treeSplit->setObjectName(QStringLiteral("Splitter1"));
    m_treeSplit->setHandleWidth(kSplitterWidth);
    m_treeSplit->setChildrenCollapsible(false);

    m_tree = new FolderTreePane(m_controller, m_treeSplit);

    m_panel1 = new QWidget(m_treeSplit);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    // The keys of the picture work while the hand is here; the tree keeps its own.
    m_panel1->setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(m_panel1);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_imgBar = new ImgBar(m_panel1);
    m_imgBar->setObjectName(QStringLiteral("ImgBar"));
    column->addWidget(m_imgBar);

    m_commentSplit = new QSplitter(Qt::Vertical, m_panel1);
    m_commentSplit->setObjectName(QStringLiteral("Splitter2"));
    m_commentSplit->setHandleWidth(kSplitterWidth);
    m_commentSplit->setChildrenCollapsible(false);
    column->addWidget(m_commentSplit, 1);

    m_picture = new PictureArea(m_controller, m_menu, *m_tree, *m_panel1, m_commentSplit);

    const Options& options = m_controller.options();
    m_comment = new QPlainTextEdit(m_commentSplit);
    m_comment->setObjectName(QStringLiteral("Comment"));
    m_comment->setReadOnly(true);
    m_comment->setAcceptDrops(false);
    m_comment->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Its own minimum would keep the pane from its 32 pixels.
    m_comment->setMinimumHeight(kCommentMinimum);
    m_comment->setFont(QFont(QStringLiteral("IPAGothic"), 9));
    QPalette commentColours = m_comment->palette();
    commentColours.setColor(QPalette::Base, ColorFromStored(options.CommentBackColor, palette()));
    commentColours.setColor(QPalette::Text, ColorFromStored(options.CommentFontColor, palette()));
    m_comment->setPalette(commentColours);

    m_commentSplit->setStretchFactor(0, 1);
    m_commentSplit->setStretchFactor(1, 0);
    m_commentSplit->setSizes({480, kCommentHeight});

    m_treeSplit->setStretchFactor(0, 0);
    m_treeSplit->setStretchFactor(1, 1);
    m_treeSplit->setSizes({kTreeWidth, 640 - kTreeWidth});
    setCentralWidget(m_treeSplit);
}

void TFormMain::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    for (int i = 0; i < 5; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        if (i < 4) {
            panel->setFixedWidth(kPanelWidths[i]);
            if (i > 0)
                panel->setAlignment(Qt::AlignCenter);
            bar->addWidget(panel);
        } else {
            // The last panel takes what is left (600 pixels on a wide window) and never widens
            // the window for a long path.
            panel->setMaximumWidth(600);
            panel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            bar->addWidget(panel, 1);
        }
        m_panels[i] = panel;
        panel->installEventFilter(this);
    }
    bar->installEventFilter(this);
}

// The commands that touch the window's settings or more than one of its parts; the parts
// register their own, the workflows the rest.
void TFormMain::WireCommands() {
    CommandRegistry& registry = m_controller.registry();
    registry.Register(Command::Refresh1, [this] { Refresh1Click(); });
    registry.Register(Command::mnuFileOption, [this] { mnuFileOptionClick(); });
    registry.Register(Command::Exit1, [this] { close(); });
    new SortingKeys(m_controller, m_menu, *this, *m_panel1, *m_tree);
    connect(&m_controller.sorting(), &SortingWorkflow::copyModeShown, this,
            [this](const QString& text) { m_panels[3]->setText(text); });
    // Before the title's own slot: the marks of the lists follow the shown file.
    m_checkLists = new CheckListMenus(m_controller, m_menu, this);
    m_commands =
        new WindowCommands(m_controller, m_clipboard, m_menu, {*this, *m_panel1, *m_imgBar, *m_comment});
    m_menuMarks = new MenuMarks(m_controller, m_menu, this);
}

void TFormMain::WireController() {
    connect(&m_controller, &ViewerController::titleChanged, this, &TFormMain::TitleDraw);
    connect(&m_controller.batch(), &TransferBatch::progressTitle, this, &TFormMain::ShowProgressTitle);
    connect(&m_controller.batch(), &TransferBatch::interfaceLocked, this, &TFormMain::LockForBatch);
    connect(&m_controller, &ViewerController::commentChanged, this, [this](const QString& text) {
        QString plain = text;
        m_comment->setPlainText(plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
    connect(&m_controller, &ViewerController::trackBarChanged, this,
            [this] { m_imgBar->setTrackBar(m_controller.trackBar()); });
    connect(&m_controller, &ViewerController::imageCommandsEnabled, this, &TFormMain::EnableImageCommands);
    connect(&m_controller, &ViewerController::scanRunning, this,
            [this](bool running) { setEnabled(!running); });
    connect(m_imgBar, &ImgBar::moved, this, [this](int position) { m_controller.TrackBarMoved(position); });
    m_imgBar->setTrackBar(m_controller.trackBar());
}

void TFormMain::FormFirstShow(const QStringList& arguments) {
    if (!m_controller.LoadSettings(true)) {
        close();
        return;
    }
    ApplySettings();
    m_checkLists->MenuSeting();
    m_controller.sorting().FileCopyMode();
    m_controller.StartUp(arguments);
    // Start-up may have read the sound switch from the settings.
    m_menu.action(QStringLiteral("mnuSoundPlay"))->setChecked(m_controller.soundOn());
    // The keys start on the picture.
    m_panel1->setFocus();
}

void TFormMain::TitleDraw(const TitleTexts& texts) {
    m_title = texts;
    setWindowTitle(texts.caption);
    // The icon name is what task bars and window lists show for the window.
    setWindowIconText(texts.taskTitle);
    m_menu.action(QStringLiteral("mnuMes"))->setText(texts.caption);
    // Panel 3 shows the copy or move mode, which the caption does not touch.
    for (int i : {0, 1, 2, 4})
        m_panels[i]->setText(texts.panels[i]);
    statusBar()->setToolTip(texts.hint);
}

void TFormMain::ShowProgressTitle(const QString& prefix) {
    // Window lists show the caption, so the progress goes before both titles.
    setWindowTitle(prefix + m_title.caption);
    setWindowIconText(prefix + m_title.taskTitle);
}

void TFormMain::LockForBatch(bool locked) {
    // Disabling the panes moves the focus away; the next key belongs where the hand was.
    if (locked)
        m_focusBeforeBatch = QApplication::focusWidget();
    menuBar()->setEnabled(!locked);
    centralWidget()->setEnabled(!locked);
    statusBar()->setEnabled(!locked && m_imgBar->isEnabled());
    if (!locked && m_focusBeforeBatch)
        m_focusBeforeBatch->setFocus();
}

void TFormMain::EnableImageCommands(bool on) {
    m_menu.setImageCommandsEnabled(on);
    m_picture->ShowPicture(on);
    statusBar()->setEnabled(on);
    m_imgBar->setEnabled(on);
    m_comment->setEnabled(on);
}

// The close always proceeds: the changed check lists, then the changed sorting table, then the
// settings (only after a start that read them) are written.
void TFormMain::closeEvent(QCloseEvent* event) {
    if (!m_shutDown) {
        m_shutDown = true;
        SaveSession(m_controller.ShutDown());
    }
    event->accept();
}

void TFormMain::SaveForSessionEnd() {
    if (!m_shutDown)
        SaveSession(m_controller.state().FormReady);
}

void TFormMain::SaveSession(bool settings) {
    m_controller.SaveWork();
    if (settings) {
        CollectSettings();
        m_controller.SaveSettings();
    }
}

// The options dialog: the settings are written before it opens and again when it is saved, and
// read back and applied in every case, so a cancelled dialog leaves nothing behind. The sound
// switch only takes effect at the next start.
void TFormMain::mnuFileOptionClick() {
    if (isFullScreen()) {
        m_controller.infoMes(QStringLiteral("フルスクリーン中に設定変更は出来ません"),
                             MessageIcon::Exclamation);
        return;
    }
    if (!m_optionDialog) {
        return;
    }
    m_controller.SetSlideShow(false);
    const bool sound = m_controller.soundOn();
    CollectSettings();
    m_controller.SaveSettings();
    ViewerState& state = m_controller.state();
    m_optionDialog->setOptions(m_controller.options());
    m_optionDialog->setCurrentPlace(state.CurrentFolder, state.ZoomRate);
    m_optionDialog->setPlugIns(m_controller.session().PlugInSearchPath(),
                               m_controller.plugIns().PicPlugInList());
    bool saved = false;
    {
        FlagScope paused(state.Paused);
        saved = m_optionDialog->exec() == QDialog::Accepted;
    }
    if (saved) {
        m_controller.options() = m_optionDialog->options();
        m_controller.SaveSettings();
    }
    m_controller.LoadSettings(false);
    ApplySettings();
    m_checkLists->MenuSeting();
    m_controller.sorting().FileCopyMode();
    m_controller.SetSoundOn(sound);
    m_menu.action(QStringLiteral("mnuSoundPlay"))->setChecked(sound);
}

// Places the window, its panes, fonts and colours as the options say.
void TFormMain::ApplySettings() {
    const Options& o = m_controller.options();
    if (!isMaximized()) {
        setGeometry(o.X, o.Y, o.Width, o.Height);
    }
    if (o.Max) {
        showMaximized();
    }
    m_treeSplit->setSizes({o.TreeWidth, std::max(1, m_treeSplit->width() - o.TreeWidth)});
    m_commentSplit->setSizes({std::max(1, m_commentSplit->height() - o.TextHeight), o.TextHeight});
    m_menu.action(QStringLiteral("mnuTreeMode"))->setChecked(o.VisibleTree);
    m_menu.action(QStringLiteral("mnuStatusMode"))->setChecked(o.VisibleStatus);
    m_menu.action(QStringLiteral("mnuTextMode"))->setChecked(o.VisibleText);
    m_menu.action(QStringLiteral("mnuBarMode"))->setChecked(o.VisibleTrack);
    m_tree->setVisible(o.VisibleTree);
    statusBar()->setVisible(o.VisibleStatus);
    m_comment->setVisible(o.VisibleText);
    m_imgBar->setVisible(o.VisibleTrack);
    m_tree->setFont(FontFromStored(o.TreeFont, o.TreeFontSize, o.TreeFontStyle));
    m_comment->setFont(FontFromStored(o.CommentFont, o.CommentFontSize, o.CommentFontStyle));
    QPalette commentColours = m_comment->palette();
    commentColours.setColor(QPalette::Base, ColorFromStored(o.CommentBackColor, palette()));
    commentColours.setColor(QPalette::Text, ColorFromStored(o.CommentFontColor, palette()));
    m_comment->setPalette(commentColours);
    m_picture->SetBackground(ColorFromStored(o.ImgBackColor, palette()));
    m_menuMarks->ShowSettings();
}

// Takes the window's placement and pane sizes into the options; the restored rectangle is
// kept while the window is maximised.
void TFormMain::CollectSettings() {
    Options& o = m_controller.options();
    const QRect normal = normalGeometry();
    o.X = normal.x();
    o.Y = normal.y();
    o.Width = normal.width();
    o.Height = normal.height();
    o.Max = isMaximized();
    o.TreeWidth = m_tree->width();
    o.TextHeight = m_comment->height();
    o.VisibleTree = !m_tree->isHidden();
    o.VisibleStatus = m_menu.action(QStringLiteral("mnuStatusMode"))->isChecked();
    o.VisibleText = m_menu.action(QStringLiteral("mnuTextMode"))->isChecked();
    o.VisibleTrack = m_menu.action(QStringLiteral("mnuBarMode"))->isChecked();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    if (!m_controller.state().BrowserMode)
        m_controller.OpenDropped(paths);
    raise();
    activateWindow();
}

// While paused or held by a batch the keys of the window's actions do nothing, except Esc,
// which minimises.
bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == statusBar() || (watched->parent() == statusBar() && watched->isWidgetType()))
        StatusBarMouse(*event);
    if (event->type() == QEvent::Shortcut && m_controller.InputHeld() &&
        watched->objectName() != QLatin1String("actBossEsc"))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// The context-menu key opens the picture's menu at the mouse cursor, except while paused or with
// Alt or Shift held. The sorting keys took theirs before.
void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (!m_controller.InputHeld() && !(event->modifiers() & (Qt::AltModifier | Qt::ShiftModifier)) &&
        event->key() == Qt::Key_Menu) {
        m_commands->Popup(QStringLiteral("PopupMain"), QCursor::pos());
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// A left drag on the status bar drags the shown file, as a drag of the picture does.
void TFormMain::StatusBarMouse(const QEvent& event) {
    if (event.type() == QEvent::MouseButtonPress) {
        const auto& press = static_cast<const QMouseEvent&>(event);
        if (press.button() == Qt::LeftButton)
            m_statusPress = press.globalPosition().toPoint();
    } else if (event.type() == QEvent::MouseMove) {
        const auto& move = static_cast<const QMouseEvent&>(event);
        if ((move.buttons() & Qt::LeftButton) && !m_statusPress.isNull() &&
            (move.globalPosition().toPoint() - m_statusPress).manhattanLength() >=
                QApplication::startDragDistance()) {
            m_statusPress = QPoint();
            m_picture->DragPictureOut();
        }
    } else if (event.type() == QEvent::MouseButtonRelease) {
        m_statusPress = QPoint();
    }
}

void TFormMain::Refresh1Click() {
    const QString folder = m_tree->TreeFolder();
    m_checkLists->MenuSeting();
    m_tree->Reload();
    m_controller.Refresh(folder);
}
