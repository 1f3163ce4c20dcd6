#include "ui/main/TFormMain.h"

#include "app/CommandExecutor.h"
#include "app/FlagScope.h"
#include "app/TitleText.h"
#include "app/ViewerController.h"
#include "app/commands/AppCommands.h"
#include "app/commands/CommandRegistry.h"
#include "core/common/PathText.h"
#include "core/settings/SettingsFile.h"
#include "platform/ClipboardReader.h"
#include "platform/LocalUrl.h"
#include "ui/checklists/TFormDandD.h"
#include "ui/common/StoredColor.h"
#include "ui/common/StoredFont.h"
#include "ui/main/GestureHook.h"
#include "ui/main/ImgBar.h"
#include "ui/main/ImgView.h"
#include "ui/settings/TFormOption.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr int kTreeWidth = 240;
constexpr int kSplitterWidth = 2;
constexpr int kCommentHeight = 32;
constexpr int kCommentMinimum = 8;
constexpr int kScrollStep = 32;
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
    m_controller.SetTreeFolderSource([this] { return TreeFolder(); });
    // Sorting leaves the shown file alone while the tree has the focus.
    m_tree->installEventFilter(this);
    BuildStatusBar();
    WireMenu();
    WireController();
    EnableImageCommands(false);
    for (QAction* action : findChildren<QAction*>())
        action->installEventFilter(this);
    ShowExternalApps();
    // The mouse inputs are recognised before any control of the window sees them.
    auto* gestures = new GestureHook(
        {this,
         m_scrBox->viewport(),
         m_viewPanel,
         {m_tree, m_imgBar, m_comment, statusBar()},
         m_tree,
         m_comment,
         menuBar()},
        [this] { return m_controller.InputHeld(); }, [this](const QString& input) { RunInput(input); }, this);
    QCoreApplication::instance()->installEventFilter(gestures);
}

// A right press on the title bar's stand-in opens the title bar's menu when no command is
// bound to it.
void TFormMain::RunInput(const QString& input) {
    if (!m_controller.commands().ExecuteInput(input) && input == QLatin1String("mGesTRC"))
        m_menu.menu(QStringLiteral("PopupSystem"))->popup(QCursor::pos());
}

// The external programs of the picture's menu: each entry shows the name the settings give it,
// and only when a program belongs to it; the name "-" makes it a separator.
void TFormMain::ShowExternalApps() {
    const Options& o = m_controller.options();
    for (int i = 0; i < 10; ++i) {
        QAction* entry = m_menu.action(QStringLiteral("popExApp%1").arg(i + 1));
        entry->setText(o.ExStr[i]);
        entry->setSeparator(o.ExStr[i] == QLatin1String("-"));
        entry->setVisible(ExternalAppVisible(o.ExStr[i], o.ExApp[i]));
    }
}

TFormMain::~TFormMain() = default;

void TFormMain::BuildPanes() {
    m_treeSplit = new QSplitter(Qt::Horizontal, this);
    m_treeSplit->setObjectName(QStringLiteral("Splitter1"));
    m_treeSplit->setHandleWidth(kSplitterWidth);
    m_treeSplit->setChildrenCollapsible(false);

    m_tree = new QTreeView(m_treeSplit);
    m_tree->setObjectName(QStringLiteral("TreeView"));
    m_tree->setHeaderHidden(true);
    m_tree->setAcceptDrops(false);
    SetTreeModel();

    auto* right = new QWidget(m_treeSplit);
    right->setObjectName(QStringLiteral("Panel1"));
    // The keys of the picture work while the hand is here; the tree keeps its own.
    right->setFocusPolicy(Qt::StrongFocus);
    m_panel1 = right;
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    m_imgBar = new ImgBar(right);
    m_imgBar->setObjectName(QStringLiteral("ImgBar"));
    column->addWidget(m_imgBar);

    m_commentSplit = new QSplitter(Qt::Vertical, right);
    m_commentSplit->setObjectName(QStringLiteral("Splitter2"));
    m_commentSplit->setHandleWidth(kSplitterWidth);
    m_commentSplit->setChildrenCollapsible(false);
    column->addWidget(m_commentSplit, 1);

    // The view panel keeps its place while its picture is hidden.
    m_viewPanel = new QWidget(m_commentSplit);
    m_viewPanel->setObjectName(QStringLiteral("Panel2"));
    auto* viewLayout = new QVBoxLayout(m_viewPanel);
    viewLayout->setContentsMargins(0, 0, 0, 0);

    const Options& options = m_controller.options();
    m_scrBox = new QScrollArea(m_viewPanel);
    m_scrBox->setObjectName(QStringLiteral("ScrBox"));
    m_scrBox->setWidgetResizable(true);
    m_scrBox->horizontalScrollBar()->setSingleStep(kScrollStep);
    m_scrBox->verticalScrollBar()->setSingleStep(kScrollStep);
    QPalette viewColours = m_scrBox->viewport()->palette();
    viewColours.setColor(QPalette::Window, ColorFromStored(options.ImgBackColor, palette()));
    m_scrBox->viewport()->setPalette(viewColours);
    m_scrBox->viewport()->setBackgroundRole(QPalette::Window);
    m_scrBox->viewport()->setAutoFillBackground(true);
    m_scrBox->viewport()->installEventFilter(this);
    m_scrBox->installEventFilter(this);
    m_imgView = new ImgView;
    m_imgView->setObjectName(QStringLiteral("ImgView"));
    m_scrBox->setWidget(m_imgView);
    m_imgView->installEventFilter(this);
    viewLayout->addWidget(m_scrBox);

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
    }
}

// The commands only a window can carry out; the workflows registered the rest.
void TFormMain::WireMenu() {
    CommandRegistry& registry = m_controller.registry();
    const auto on = [&registry](Command id, CommandRegistry::Handler handler) {
        registry.Register(id, std::move(handler));
    };
    on(Command::mnuFileOpen, [this] { mnuFileOpenClick(); });
    on(Command::mnuFoldetOpen, [this] { mnuFoldetOpenClick(); });
    on(Command::mnuClipBoardOpen, [this] { mnuClipBoardOpenClick(); });
    on(Command::Refresh1, [this] { Refresh1Click(); });
    on(Command::mnuFileOption, [this] { mnuFileOptionClick(); });
    on(Command::Exit1, [this] { close(); });
    on(Command::mnuVersion, [this] { mnuVersionClick(); });
    on(Command::mnuListDandD, [this] { mnuListDandDClick(); });
    on(Command::mnuKeyTableLoad, [this] { mnuKeyTableLoadClick(); });
    on(Command::mnuKeyTableSave, [this] { mnuKeyTableSaveClick(); });
    // Ctrl and an arrow scroll a quarter of the view's smaller side.
    const auto scroll = [this, &on](Command id, int dx, int dy) {
        on(id, [this, dx, dy] {
            const int step = std::min(m_scrBox->width(), m_scrBox->height()) / 4;
            m_scrBox->horizontalScrollBar()->setValue(m_scrBox->horizontalScrollBar()->value() + dx * step);
            m_scrBox->verticalScrollBar()->setValue(m_scrBox->verticalScrollBar()->value() + dy * step);
        });
    };
    scroll(Command::actScroolUp, 0, -1);
    scroll(Command::actScroolDown, 0, 1);
    scroll(Command::actScroolLeft, -1, 0);
    scroll(Command::actScroolRight, 1, 0);
    WireSorting();
    WireCheckLists();
    WireCommands();
    WireViewMenu();
    connect(&m_controller, &ViewerController::jpegScaleChanged, this,
            [this](int scale) { CheckChoice(JpegScaleChoices(), scale); });
    QAction* sound = m_menu.action(Command::mnuSoundPlay);
    sound->setChecked(m_controller.soundOn());
    connect(&m_controller, &ViewerController::soundChanged, sound, &QAction::setChecked);
}

void TFormMain::CheckChoice(std::span<const CommandChoice> choices, int code) {
    for (const CommandChoice& choice : choices) {
        if (choice.code == code)
            m_menu.action(choice.id)->setChecked(true);
    }
}

// The zoom, orientation and filter items show the choices in force.
void TFormMain::WireViewMenu() {
    connect(&m_controller, &ViewerController::zoomModeChanged, this,
            [this](int code) { CheckChoice(ZoomChoices(), code); });
    connect(&m_controller, &ViewerController::filtersChanged, this, &TFormMain::CheckFilterItems);
    connect(&m_controller, &ViewerController::actualSizeChanged, this,
            [this](bool on) { m_menu.action(Command::mnuNormalSize)->setChecked(on); });
    m_controller.SetScrollBarWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

// Checks, in each group, the item whose choice the filters hold.
void TFormMain::CheckFilterItems(const FilterSettings& filters) {
    for (const FilterChoice& choice : FilterChoices()) {
        FilterSettings chosen = filters;
        choice.choose(chosen);
        if (chosen == filters)
            m_menu.action(choice.id)->setChecked(true);
    }
}

void TFormMain::WireController() {
    connect(&m_controller, &ViewerController::titleChanged, this, &TFormMain::TitleDraw);
    connect(&m_controller.batch(), &TransferBatch::progressTitle, this, &TFormMain::ShowProgressTitle);
    connect(&m_controller.batch(), &TransferBatch::interfaceLocked, this, &TFormMain::LockForBatch);
    connect(&m_controller, &ViewerController::pictureChanged, this, [this] {
        m_imgView->setImage(m_controller.state().ViewBitmap);
        // A new picture starts at the top left.
        m_scrBox->horizontalScrollBar()->setValue(0);
        m_scrBox->verticalScrollBar()->setValue(0);
        PlaceImage();
        // On screen before the next input is handled: a key waiting for this picture acts on
        // it right after.
        m_imgView->repaint();
    });

    connect(&m_controller, &ViewerController::commentChanged, this, [this](const QString& text) {
        QString plain = text;
        m_comment->setPlainText(plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
    connect(&m_controller, &ViewerController::trackBarChanged, this,
            [this] { m_imgBar->setTrackBar(m_controller.trackBar()); });
    connect(&m_controller, &ViewerController::imageCommandsEnabled, this, &TFormMain::EnableImageCommands);
    connect(&m_controller, &ViewerController::selectFolderInTree, this, &TFormMain::SelectFolderInTree);
    connect(&m_controller, &ViewerController::scanRunning, this,
            [this](bool running) { setEnabled(!running); });
    connect(m_imgBar, &ImgBar::moved, this, [this](int position) { m_controller.TrackBarMoved(position); });
    connect(&m_controller, &ViewerController::sortModeChanged, this, &TFormMain::CheckSortItem);
    m_imgBar->setTrackBar(m_controller.trackBar());

    m_imgBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_imgBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Popup(QStringLiteral("PopupBar"), m_imgBar->mapToGlobal(at)); });
    m_comment->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_comment, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Popup(QStringLiteral("PopupText"), m_comment->mapToGlobal(at)); });
}

// Checks the sort menu's item of `order`; an order the menu does not know checks the name order.
void TFormMain::CheckSortItem(SortOrder order) {
    m_menu.action(Command::mnuSortFileName123)->setChecked(true);
    CheckChoice(SortChoices(), SortCodeOf(order));
}

void TFormMain::SetTreeModel() {
    QFileSystemModel* old = m_treeModel;
    QItemSelectionModel* oldSelection = m_tree->selectionModel();
    m_treeModel = new QFileSystemModel(this);
    m_treeModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_treeModel->setRootPath(QStringLiteral("/"));
    m_tree->setModel(m_treeModel);
    for (int column = 1; column < m_treeModel->columnCount(); ++column)
        m_tree->hideColumn(column);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TreeViewChange(current); });
    delete oldSelection;
    delete old;
}

void TFormMain::FormFirstShow(const QStringList& arguments) {
    if (!m_controller.LoadSettings(true)) {
        close();
        return;
    }
    ApplySettings();
    MenuSeting();
    m_controller.sorting().FileCopyMode();
    m_controller.StartUp(arguments);
    // Start-up may have read the sound switch from the settings.
    m_menu.action(QStringLiteral("mnuSoundPlay"))->setChecked(m_controller.soundOn());
    // The keys start on the picture.
    m_panel1->setFocus();
}

void TFormMain::MenuSeting() {
    const CheckLists& lists = m_controller.checks().lists();
    for (int i = 0; i < CheckLists::kCount; ++i) {
        const QString caption =
            CheckListCaption(i, static_cast<int>(lists.list(i).size()), m_controller.options().ListName[i]);
        m_menu.menu(QStringLiteral("mnuList") + QChar(u'A' + i))->setTitle(caption);
        m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1))->setText(caption);
    }
    CheckListMarks();
}

void TFormMain::CheckListMarks() {
    const CheckLists& lists = m_controller.checks().lists();
    const QString& shown = m_controller.state().CurrentFile;
    for (int i = 0; i < CheckLists::kCount; ++i)
        m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1))
            ->setChecked(!shown.isEmpty() && lists.contains(i, shown));
}

void TFormMain::WireCheckLists() {
    // With Shift the key of a list's toggle inverts the marks over the selected range.
    for (int i = 0; i < CheckLists::kCount; ++i) {
        QAction* toggle = m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1));
        toggle->setShortcuts({toggle->shortcut(), QKeySequence(Qt::SHIFT | toggle->shortcut()[0].key())});
    }
    connect(&m_controller.checks(), &CheckListWorkflow::listsChanged, this, &TFormMain::MenuSeting);
}

void TFormMain::TitleDraw(const TitleTexts& texts) {
    m_title = texts;
    CheckListMarks();
    setWindowTitle(texts.caption);
    // The icon name is what task bars and window lists show for the window.
    setWindowIconText(texts.taskTitle);
    m_menu.action(QStringLiteral("mnuMes"))->setText(texts.caption);
    // Panel 3 shows the copy or move mode, which the caption does not touch.
    for (int i : {0, 1, 2, 4})
        m_panels[i]->setText(texts.panels[i]);
    statusBar()->setToolTip(texts.hint);
}

// The sorting keys work while the picture side has the focus, so the tree keeps its own letter
// search: the letters (alone, with Shift, with Ctrl + Alt), the top-row digits (alone, with
// Shift), the repeat key "," and the new-folder keys. The keypad comes through keyPressEvent.
void TFormMain::WireSorting() {
    SortingWorkflow& sorting = m_controller.sorting();
    const auto key = [this](const QString& name, QKeySequence keys, auto handler) {
        auto* action = new QAction(m_panel1);
        action->setObjectName(name);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        // A held key sends one picture, not each next one the key repeat brings up.
        action->setAutoRepeat(false);
        connect(action, &QAction::triggered, this, handler);
        m_panel1->addAction(action);
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
    // The new-folder keys have no shortcuts: they are told by the key pressed, not by the
    // character it types (keyPressEvent), and Shift (which makes the folder) is read from the
    // keys held. The repeat key "," is a command of its own (actComma).
    QAction* undo = m_menu.action(Command::mnuMoveUndo);
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Backspace)});
    connect(&sorting, &SortingWorkflow::copyModeShown, this,
            [this](const QString& text) { m_panels[3]->setText(text); });
}

void TFormMain::Popup(const QString& name, const QPoint& at) {
    if (!m_controller.state().FileList.empty())
        m_menu.menu(name)->popup(at);
}

// The commands bound to inputs, the pop-up menus they open, the entries of the title bar's
// menu, the six bindable keys and Esc.
void TFormMain::WireCommands() {
    CommandExecutor& commands = m_controller.commands();
    CommandRegistry& registry = m_controller.registry();
    const auto on = [&registry](Command id, CommandRegistry::Handler handler) {
        registry.Register(id, std::move(handler));
    };
    on(Command::mnuImgPop, [this] { Popup(QStringLiteral("PopupMain"), QCursor::pos()); });
    on(Command::mnuCommentPop, [this] { Popup(QStringLiteral("PopupText"), QCursor::pos()); });
    on(Command::mnuBarPop, [this] { Popup(QStringLiteral("PopupBar"), QCursor::pos()); });
    on(Command::Copy1, [this] { m_comment->copy(); });
    on(Command::A1, [this] {
        m_comment->selectAll();
        m_comment->copy();
    });
    on(Command::actBossEsc, [this] { showMinimized(); });
    // The entries of the title bar's menu run the commands they stand for, while those run.
    const struct {
        Command entry;
        Command runs;
    } systemEntries[] = {
        {Command::sysWindowReset, Command::mnuWindowReset},
        {Command::sysImgPop, Command::mnuImgPop},
        {Command::sysCheckJ, Command::popCheckList10},
        {Command::sysBack, Command::mnuImgBack},
        {Command::sysNext, Command::mnuImgNext},
    };
    for (const auto& system : systemEntries) {
        const Command runs = system.runs;
        registry.Register(
            system.entry, [&registry, runs] { registry.Run(runs); },
            [&registry, runs] { return registry.Enabled(runs); });
    }

    // The keys run what the settings bind to them while the hand is on the picture side; the
    // tree keeps its own arrows.
    const struct {
        const char* name;
        const char* input;
        QList<QKeySequence> keys;
    } keys[] = {
        {"actSpace", "kGesSpace", {QKeySequence(Qt::Key_Space)}},
        {"actEnter",
         "kGesEnter",
         {QKeySequence(Qt::SHIFT | Qt::Key_Return), QKeySequence(Qt::SHIFT | Qt::Key_Enter)}},
        {"actUp", "kGesUp", {QKeySequence(Qt::Key_Up)}},
        {"actDown", "kGesDown", {QKeySequence(Qt::Key_Down)}},
        {"actLeft", "kGesLeft", {QKeySequence(Qt::Key_Left)}},
        {"actRight", "kGesRight", {QKeySequence(Qt::Key_Right)}},
    };
    for (const auto& key : keys) {
        auto* action = new QAction(m_panel1);
        action->setObjectName(QString::fromLatin1(key.name));
        action->setShortcuts(key.keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        const QString input = QString::fromLatin1(key.input);
        connect(action, &QAction::triggered, this, [&commands, input] { commands.ExecuteInput(input); });
        m_panel1->addAction(action);
    }
}

void TFormMain::mnuKeyTableLoadClick() {
    const std::optional<QString> path = m_controller.prompts().openFile(
        QStringLiteral("振り分けテーブルの読込"), m_controller.state().SaveDataFolder,
        {QStringLiteral("振り分けテーブル (*.ktb)")});
    if (path)
        m_controller.sorting().LoadTableFile(*path);
}

void TFormMain::mnuKeyTableSaveClick() {
    const std::optional<QString> chosen = m_controller.prompts().saveFile(
        QStringLiteral("振り分けテーブルの保存"), m_controller.state().SaveDataFolder,
        {QStringLiteral("振り分けテーブル (*.ktb)")});
    if (!chosen)
        return;
    QString path = *chosen;
    if (!path.endsWith(QStringLiteral(".ktb"), Qt::CaseInsensitive))
        path += QStringLiteral(".ktb");
    m_controller.sorting().SaveTableFile(path);
}

// A keypad digit is a sorting key, not the shortcut of its top-row twin: the window takes the
// key before any shortcut sees it.
bool TFormMain::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers().testFlag(Qt::KeypadModifier) && key->key() >= Qt::Key_0 &&
             key->key() <= Qt::Key_9) ||
            (NewFolderKey(*key) != 0 && PictureSideFocused())) {
            event->accept();
            return true;
        }
    }
    return QMainWindow::event(event);
}

bool TFormMain::PictureSideFocused() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == m_panel1 || m_panel1->isAncestorOf(focus));
}

// The keys no control took: the new-folder keys (alone or with Shift) while the hand is on the
// picture side, the keypad digits, which run the sorting table's keypad entries, and the
// context-menu key, which opens the picture's menu at the mouse cursor. Nothing while paused;
// the keypad and the menu key nothing with Alt or Shift held. A sorting key acts once per
// press: the repeats of a held key are swallowed.
void TFormMain::keyPressEvent(QKeyEvent* event) {
    if (m_controller.InputHeld()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (const int tag = NewFolderKey(*event); tag != 0 && PictureSideFocused()) {
        event->accept();
        if (!event->isAutoRepeat())
            m_controller.sorting().mnuFolderCreateMove1Click(tag, TreeFolder());
        return;
    }
    if (event->modifiers() & (Qt::AltModifier | Qt::ShiftModifier)) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    if (event->modifiers().testFlag(Qt::KeypadModifier) && event->key() >= Qt::Key_0 &&
        event->key() <= Qt::Key_9 && !m_tree->hasFocus() &&
        (event->isAutoRepeat() || m_controller.sorting().KeypadExecute(event->key() - Qt::Key_0))) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Menu) {
        Popup(QStringLiteral("PopupMain"), QCursor::pos());
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
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
    m_scrBox->setVisible(on);
    statusBar()->setEnabled(on);
    m_imgBar->setEnabled(on);
    m_comment->setEnabled(on);
}

void TFormMain::SelectFolderInTree(const QString& folder) {
    const QModelIndex index = m_treeModel->index(folder);
    if (!index.isValid())
        return;
    FlagScope quiet(m_selectingInTree);
    m_tree->setCurrentIndex(index);
    m_tree->scrollTo(index);
}

void TFormMain::TreeViewChange(const QModelIndex& current) {
    if (m_selectingInTree || !current.isValid())
        return;
    m_controller.ViewFolder(m_treeModel->filePath(current), false);
}

QString TFormMain::TreeFolder() const {
    const QModelIndex current = m_tree->currentIndex();
    return current.isValid() ? m_treeModel->filePath(current) : QString();
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
    MenuSeting();
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
    QPalette viewColours = m_scrBox->viewport()->palette();
    viewColours.setColor(QPalette::Window, ColorFromStored(o.ImgBackColor, palette()));
    m_scrBox->viewport()->setPalette(viewColours);
    CheckSortItem(SortOrderOfCode(o.SortNo));
    ShowExternalApps();
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

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_tree && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        m_controller.SetTreeFocused(event->type() == QEvent::FocusIn);
    // While paused or held by a batch the keys of the window's actions do nothing, except Esc,
    // which minimises.
    if (event->type() == QEvent::Shortcut && m_controller.InputHeld() &&
        watched->objectName() != QLatin1String("actBossEsc"))
        return true;
    if (watched == m_scrBox && event->type() == QEvent::Resize) {
        // The room without scroll bars: the rate decides whether they show.
        m_controller.SetViewSize(m_scrBox->maximumViewportSize());
        PlaceImage();
    }
    if ((watched == m_scrBox->viewport() || watched == m_imgView) && ImageMouse(*event))
        return true;
    if (watched == m_scrBox->viewport() && event->type() == QEvent::Wheel) {
        if (!m_controller.InputHeld())
            ImageWheel(*static_cast<QWheelEvent*>(event));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::mnuFileOpenClick() {
    const std::optional<QString> path = m_controller.prompts().openFile(
        QStringLiteral("画像ファイルを開く"), m_controller.state().CurrentFolder,
        {
            QStringLiteral("画像ファイル (*.bmp;*.jpg;*.jpe;*.jpeg;*.png;*.gif)"),
            QStringLiteral("BMPファイル (*.bmp)"),
            QStringLiteral("JPEGファイル (*.jpg;*.jpe;*.jpeg)"),
            QStringLiteral("PNGファイル (*.png)"),
            QStringLiteral("GIFファイル (*.gif)"),
        });
    if (path)
        m_controller.ViewFile(*path);
}

void TFormMain::mnuFoldetOpenClick() {
    const std::optional<QString> folder = m_controller.AskFolder(
        QStringLiteral("閲覧するフォルダを選択して下さい"), m_controller.state().CurrentFolder);
    if (folder)
        m_controller.ViewFolder(*folder, true);
}

// The wheel over the picture steps through the list, down to the next file and up to the one
// before; with Ctrl held it steps through the frames of an animation. A web page keeps the
// wheel when "SwWheelNext" says so.
void TFormMain::ImageWheel(const QWheelEvent& event) {
    const int delta = event.angleDelta().y();
    if (delta == 0)
        return;
    const QString extension = UpperExtension(m_controller.state().CurrentFile);
    if (m_controller.options().SwWheelNext &&
        (extension == QLatin1String(".HTM") || extension == QLatin1String(".MHT") ||
         extension == QLatin1String(".HTML")))
        return;
    // A touchpad swipe or a high-resolution wheel sends parts of a notch: a full notch is one
    // file.
    const int steps = m_wheel.Add(delta);
    for (int i = 0; i < std::abs(steps); ++i) {
        if (steps < 0)
            m_controller.ImgNext();
        else
            m_controller.ImgBack();
    }
}

// Where the picture sits in the view: centred while it fits, a scroll bar's room kept free.
void TFormMain::PlaceImage() {
    m_imgView->setPlacement(m_controller.scrollBarWidth(), m_controller.options().SwImageLeft,
                            m_scrBox->maximumViewportSize());
}

// Drag scrolling, dragging the picture out to the tree, the tree at the left edge and the
// focus following the hand. True when the event was used up.
bool TFormMain::ImageMouse(const QEvent& event) {
    switch (event.type()) {
    case QEvent::MouseButtonPress: {
        const auto& press = static_cast<const QMouseEvent&>(event);
        if (press.button() != Qt::LeftButton)
            return false;
        m_dragging = true;
        m_dragFrom = press.globalPosition().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        const auto& move = static_cast<const QMouseEvent&>(event);
        const QPoint at = move.globalPosition().toPoint();
        if (QGuiApplication::applicationState() == Qt::ApplicationActive)
            m_panel1->setFocus();
        if (!(move.buttons() & Qt::LeftButton)) {
            m_dragging = false;
            if (m_temporaryTree) {
                m_temporaryTree = false;
                m_tree->hide();
                m_menu.action(QStringLiteral("mnuTreeMode"))->setChecked(false);
            } else if (m_tree->isHidden() && at.x() - frameGeometry().left() < 16) {
                m_temporaryTree = true;
                m_tree->show();
                m_menu.action(QStringLiteral("mnuTreeMode"))->setChecked(true);
            }
            return false;
        }
        if (!m_dragging)
            return false;
        if (m_tree->isVisible() && at.x() < mapToGlobal(QPoint(0, 0)).x() + m_tree->width()) {
            m_dragging = false;
            DragPictureOut();
            return true;
        }
        const int factor = 1 << std::clamp(m_controller.options().ScroolSpeed, 0, 5);
        const QPoint delta = (m_dragFrom - at) * factor;
        m_scrBox->horizontalScrollBar()->setValue(m_scrBox->horizontalScrollBar()->value() + delta.x());
        m_scrBox->verticalScrollBar()->setValue(m_scrBox->verticalScrollBar()->value() + delta.y());
        m_dragFrom = at;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto& release = static_cast<const QMouseEvent&>(event);
        if (release.button() != Qt::LeftButton)
            return false;
        m_dragging = false;
        return true;
    }
    default:
        return false;
    }
}

// The shown file as a drag of a file: the tree and the sorting-table viewer take it.
void TFormMain::DragPictureOut() {
    const QString file = m_controller.state().CurrentFile;
    if (file.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setUrls({LocalUrlFromPath(file)});
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    // Copy only: a move by another program would leave no record to undo.
    drag->exec(Qt::CopyAction);
    if (m_temporaryTree) {
        m_temporaryTree = false;
        m_tree->hide();
        m_menu.action(QStringLiteral("mnuTreeMode"))->setChecked(false);
    }
}

void TFormMain::mnuClipBoardOpenClick() {
    m_controller.ShowClipboard(m_clipboard.image());
}

void TFormMain::Refresh1Click() {
    const QString folder = TreeFolder();
    MenuSeting();
    // A new model reads the folders afresh.
    SetTreeModel();
    if (!folder.isEmpty())
        SelectFolderInTree(folder);
    m_controller.Refresh(folder);
}

void TFormMain::mnuVersionClick() {
    const ViewerState& state = m_controller.state();
    QList<QSize> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->size());
    m_controller.prompts().about(
        VersionCaption(state.ExecutionCount),
        VersionText(state.SortCount, state.PreviousSortCount, screens, m_controller.Tip()));
}

void TFormMain::mnuListDandDClick() {
    QList<QStringList> lists;
    QStringList current;
    for (const FileEntry& entry : m_controller.state().FileList)
        current << entry.path;
    lists << current;
    const CheckLists& checks = m_controller.checks().lists();
    for (int i = 0; i < CheckLists::kCount; ++i)
        lists << checks.list(i);
    // No parent: a window manager would minimise a child dialog together with this window.
    TFormDandD dialog(lists, QStringList{QStringLiteral("現在のリスト")} + m_controller.checks().Names(),
                      m_controller.prompts());
    Options& options = m_controller.options();
    dialog.move(options.DandD_X, options.DandD_Y);
    // Minimised, the window leaves the drop targets beneath it visible.
    const Qt::WindowStates before = windowState();
    showMinimized();
    {
        FlagScope paused(m_controller.state().Paused);
        dialog.exec();
    }
    if (!dialog.dropped()) {
        setWindowState(before & ~Qt::WindowMinimized);
        show();
    }
    // Kept with the settings for the next time and the next run.
    options.DandD_X = dialog.x();
    options.DandD_Y = dialog.y();
}
