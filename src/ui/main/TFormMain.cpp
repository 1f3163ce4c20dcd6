#include "ui/main/TFormMain.h"

#include "app/CommandExecutor.h"
#include "app/FlagScope.h"
#include "app/TitleText.h"
#include "app/ViewerController.h"
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
#include <bit>

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
    : QMainWindow(parent), m_controller(controller), m_clipboard(clipboard), m_menu(*this) {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Ruvela"));
    setFont(QFont(QStringLiteral("IPAPGothic"), 9));
    resize(640, 480);
    setAcceptDrops(true);

    BuildPanes();
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

void TFormMain::WireMenu() {
    const auto on = [this](const char* name, auto handler) {
        connect(m_menu.action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mnuFileOpen", &TFormMain::mnuFileOpenClick);
    on("mnuFoldetOpen", &TFormMain::mnuFoldetOpenClick);
    on("mnuClipBoardOpen", &TFormMain::mnuClipBoardOpenClick);
    on("Refresh1", &TFormMain::Refresh1Click);
    on("mnuFileOption", &TFormMain::mnuFileOptionClick);
    on("Exit1", &TFormMain::close);
    on("mnuVersion", &TFormMain::mnuVersionClick);
    on("mnuListDandD", &TFormMain::mnuListDandDClick);
    on("mnuImgNext", [this] { m_controller.ImgNext(); });
    on("mnuImgBack", [this] { m_controller.ImgBack(); });
    on("mnuJumpStart", [this] { m_controller.JumpStart(); });
    on("mnuJumpEnd", [this] { m_controller.JumpEnd(); });
    on("mnuFolder_mBack", [this] { m_controller.FolderPrevious(TreeFolder()); });
    on("mnuFolder_mNext", [this] { m_controller.FolderNext(TreeFolder()); });
    on("mnuFolder_Up", [this] { m_controller.FolderUp(TreeFolder()); });
    on("mnuFolderBackEx", [this] { m_controller.FolderBackEx(TreeFolder()); });
    on("mnuFolderNextEx", [this] { m_controller.FolderNextEx(TreeFolder()); });
    for (QAction* item : m_menu.menu(QStringLiteral("mnuSort"))->actions()) {
        if (item->isCheckable())
            connect(item, &QAction::triggered, this,
                    [this, item] { m_controller.SortMenuChosen(SortOrderOfCode(item->data().toInt())); });
    }
    WireSorting();
    WireCheckLists();
    WireCommands();
    // Ctrl and an arrow scroll a quarter of the view's smaller side.
    const auto scroll = [this](const char* name, QKeyCombination keys, int dx, int dy) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(QKeySequence(keys));
        connect(action, &QAction::triggered, this, [this, dx, dy] {
            const int step = std::min(m_scrBox->width(), m_scrBox->height()) / 4;
            m_scrBox->horizontalScrollBar()->setValue(m_scrBox->horizontalScrollBar()->value() + dx * step);
            m_scrBox->verticalScrollBar()->setValue(m_scrBox->verticalScrollBar()->value() + dy * step);
        });
        addAction(action);
    };
    scroll("actScroolUp", Qt::CTRL | Qt::Key_Up, 0, -1);
    scroll("actScroolDown", Qt::CTRL | Qt::Key_Down, 0, 1);
    scroll("actScroolLeft", Qt::CTRL | Qt::Key_Left, -1, 0);
    scroll("actScroolRight", Qt::CTRL | Qt::Key_Right, 1, 0);
    WireViewMenu();
    for (const char* name : {"mnuJPEGSize1", "mnuJPEGSize2", "mnuJPEGSize4", "mnuJPEGSize8"}) {
        QAction* item = m_menu.action(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this,
                [this, item] { mnuJPEGHalfSizeClick(item->data().toInt()); });
    }
    QAction* sound = m_menu.action(QStringLiteral("mnuSoundPlay"));
    sound->setChecked(m_controller.soundOn());
    connect(sound, &QAction::toggled, this, [this](bool checked) { m_controller.SetSoundOn(checked); });
}

namespace {

// Each filter item sets its group to its choice.
struct FilterItem {
    const char* name;
    void (*choose)(FilterSettings&);
};

constexpr FilterItem kFilterItems[] = {
    {"mnuViewModeNormal", [](FilterSettings& f) { f.orientation = Orientation::Normal; }},
    {"mnuViewModeMirror", [](FilterSettings& f) { f.orientation = Orientation::Mirror; }},
    {"mnuViewModeTBMirror", [](FilterSettings& f) { f.orientation = Orientation::TopBottom; }},
    {"mnuViewModeRot90", [](FilterSettings& f) { f.orientation = Orientation::Rotate90; }},
    {"mnuViewModeRot180", [](FilterSettings& f) { f.orientation = Orientation::Rotate180; }},
    {"mnuViewModeRot270", [](FilterSettings& f) { f.orientation = Orientation::Rotate270; }},
    {"mnuViewColorNormal", [](FilterSettings& f) { f.colourTone = ColourTone::Normal; }},
    {"mnuViewColorSepia1", [](FilterSettings& f) { f.colourTone = ColourTone::BrownSepia; }},
    {"mnuViewColorSepia2", [](FilterSettings& f) { f.colourTone = ColourTone::BlueSepia; }},
    {"mnuViewColorGray", [](FilterSettings& f) { f.colourTone = ColourTone::Grey; }},
    {"mnuViewColorNega", [](FilterSettings& f) { f.colourTone = ColourTone::Negative; }},
    {"mnuGLightTwo", [](FilterSettings& f) { f.gamma = 3.0; }},
    {"mnuGLightOne", [](FilterSettings& f) { f.gamma = 2.6; }},
    {"mnuGammaNormal", [](FilterSettings& f) { f.gamma = 2.2; }},
    {"mnuGDarkOne", [](FilterSettings& f) { f.gamma = 1.8; }},
    {"mnuGDarkTwo", [](FilterSettings& f) { f.gamma = 1.4; }},
    {"mnuLightTwo", [](FilterSettings& f) { f.brightness = 40; }},
    {"mnuLightOne", [](FilterSettings& f) { f.brightness = 20; }},
    {"mnuLightNormal", [](FilterSettings& f) { f.brightness = 0; }},
    {"mnuDarkOne", [](FilterSettings& f) { f.brightness = -20; }},
    {"mnuDarkTwo", [](FilterSettings& f) { f.brightness = -40; }},
    {"mnuContrastUpTwo", [](FilterSettings& f) { f.contrast = 24; }},
    {"mnuContrastUpOne", [](FilterSettings& f) { f.contrast = 12; }},
    {"mnuContrastNormal", [](FilterSettings& f) { f.contrast = 0; }},
    {"mnuContrastDownOne", [](FilterSettings& f) { f.contrast = -12; }},
    {"mnuContrastDownTwo", [](FilterSettings& f) { f.contrast = -24; }},
    {"mnuSharpTwo", [](FilterSettings& f) { f.sharpness = Sharpness::Sharpen96; }},
    {"mnuSharpOne", [](FilterSettings& f) { f.sharpness = Sharpness::Sharpen48; }},
    {"mnuSharpNormal", [](FilterSettings& f) { f.sharpness = Sharpness::Normal; }},
    {"mnuShadeOne", [](FilterSettings& f) { f.sharpness = Sharpness::Blur1; }},
    {"mnuShadeTwo", [](FilterSettings& f) { f.sharpness = Sharpness::Blur3; }},
    {"mnuFilterNormal", [](FilterSettings& f) { f.special = Special::Normal; }},
    {"mnuFilterLinePic", [](FilterSettings& f) { f.special = Special::LineDrawing; }},
    {"mnuFilterEdge", [](FilterSettings& f) { f.special = Special::Edge; }},
    {"mnuFilterNoise", [](FilterSettings& f) { f.special = Special::Noise; }},
    {"mnuFilterWhiteNoise", [](FilterSettings& f) { f.special = Special::WhiteNoise; }},
    {"mnuFilterSola", [](FilterSettings& f) { f.special = Special::Solarise; }},
    {"mnuFilterMozaic", [](FilterSettings& f) { f.special = Special::Mosaic; }},
    {"mnuFilterDotK", [](FilterSettings& f) { f.special = Special::DotDiffusion; }},
    {"mnuFilterMaxGet", [](FilterSettings& f) { f.special = Special::MaxExtract; }},
    {"mnuFilterIE", [](FilterSettings& f) { f.special = Special::IeSelect; }},
    {"mnuFilterReverseWB", [](FilterSettings& f) { f.special = Special::BlackWhiteSwap; }},
    {"mnuFilterScreenLU", [](FilterSettings& f) { f.special = Special::TopLeftTransparent; }},
};

} // namespace

// The zoom, orientation and filter items, the zoom steps, the rate box and the 1:1 toggle.
void TFormMain::WireViewMenu() {
    for (const char* name : {"mnuViewRateNormal", "mnuViewRateHold", "mnuViewRateWindow", "mnuViewRateSmall",
                             "mnuViewRateWidth"}) {
        QAction* item = m_menu.action(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this,
                [this, item] { m_controller.ZoomRedraw(item->data().toInt()); });
    }
    for (const FilterItem& row : kFilterItems) {
        const auto choose = row.choose;
        connect(m_menu.action(QString::fromLatin1(row.name)), &QAction::triggered, this, [this, choose] {
            FilterSettings filters = m_controller.filters();
            choose(filters);
            m_controller.FilterRedraw(filters);
        });
    }
    const auto on = [this](const char* name, auto handler) {
        connect(m_menu.action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mnuFilterReset", [this] { m_controller.mnuFilterResetClick(); });
    on("mnuZoom", [this] { m_controller.ZoomIn(); });
    on("mnuSmall", [this] { m_controller.ZoomOut(); });
    on("mnuViewRateInput", [this] { m_controller.RateInput(); });
    on("mnuNormalSize", [this] { m_controller.ToggleActualSize(); });
    connect(&m_controller, &ViewerController::zoomModeChanged, this, [this](int code) {
        for (QAction* item : m_menu.menu(QStringLiteral("mnuViewRate"))->actions())
            if (item->data().toInt() == code)
                item->setChecked(true);
    });
    connect(&m_controller, &ViewerController::filtersChanged, this, &TFormMain::CheckFilterItems);
    connect(&m_controller, &ViewerController::actualSizeChanged, this,
            [this](bool on) { m_menu.action(QStringLiteral("mnuNormalSize"))->setChecked(on); });
    m_controller.SetScrollBarWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

// Checks, in each group, the item whose choice the filters hold.
void TFormMain::CheckFilterItems(const FilterSettings& filters) {
    for (const FilterItem& row : kFilterItems) {
        FilterSettings chosen = filters;
        row.choose(chosen);
        if (chosen == filters)
            m_menu.action(QString::fromLatin1(row.name))->setChecked(true);
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

    const auto on = [this](const char* name, auto handler) {
        connect(m_menu.action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("N57", [this] { m_controller.SetSelectionStart(); });
    on("N58", [this] { m_controller.SetSelectionEnd(); });
    on("N59", [this] { m_controller.SelectAll(); });
    m_imgBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_imgBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Popup(QStringLiteral("PopupBar"), m_imgBar->mapToGlobal(at)); });
    m_comment->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_comment, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { Popup(QStringLiteral("PopupText"), m_comment->mapToGlobal(at)); });
}

// Checks the sort menu's item of `order`; an order the menu does not know checks the name order.
void TFormMain::CheckSortItem(SortOrder order) {
    m_menu.action(QStringLiteral("mnuSortFileName123"))->setChecked(true);
    for (QAction* item : m_menu.menu(QStringLiteral("mnuSort"))->actions()) {
        if (item->isCheckable() && item->data().toInt() == SortCodeOf(order))
            item->setChecked(true);
    }
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
    CheckListWorkflow& checks = m_controller.checks();
    for (int i = 0; i < CheckLists::kCount; ++i) {
        const QString list = QStringLiteral("mnuList") + QChar(u'A' + i);
        const auto on = [this, &list](const char* item, auto handler) {
            connect(m_menu.action(list + QString::fromLatin1(item)), &QAction::triggered, this, handler);
        };
        // The toggle of the picture's menu; with Shift its key inverts the marks over the
        // selected range.
        QAction* toggle = m_menu.action(QStringLiteral("popCheckList%1").arg(i + 1));
        connect(toggle, &QAction::triggered, this, [&checks, i] { checks.Toggle(i); });
        toggle->setAutoRepeat(false);
        toggle->setShortcuts({toggle->shortcut(), QKeySequence(Qt::SHIFT | toggle->shortcut()[0].key())});
        on("_Copy", [&checks, i] { checks.CopyList(i); });
        on("_Move", [&checks, i] { checks.MoveList(i); });
        on("_Delete", [&checks, i] { checks.DeleteList(i); });
        on("_Open", [&checks, i] { checks.OpenList(i); });
        on("_Erase", [&checks, i] { checks.ClearList(i); });
        on("_Reverse", [&checks, i] { checks.Invert(i); });
    }
    connect(m_menu.action(QStringLiteral("K1")), &QAction::triggered, this,
            [&checks] { checks.UnmarkEverywhere(); });
    connect(m_menu.action(QStringLiteral("mnuNowListCopy")), &QAction::triggered, this,
            [&checks] { checks.CurrentCopy(); });
    connect(m_menu.action(QStringLiteral("mnuNowListMove")), &QAction::triggered, this,
            [&checks] { checks.CurrentMove(); });
    connect(m_menu.action(QStringLiteral("mnuNowListDelete")), &QAction::triggered, this,
            [&checks] { checks.CurrentDelete(); });
    connect(&checks, &CheckListWorkflow::listsChanged, this, &TFormMain::MenuSeting);
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
    key(QStringLiteral("actComma"), QKeySequence(Qt::Key_Comma), [&sorting] { sorting.actCommaExecute(); });
    // The new-folder keys have no shortcuts: they are told by the key pressed, not by the
    // character it types (keyPressEvent), and Shift (which makes the folder) is read from the
    // keys held.
    for (int tag = 1; tag <= 4; ++tag) {
        auto* action = new QAction(m_panel1);
        action->setObjectName(QStringLiteral("mnuFolderCreateMove%1").arg(tag));
        connect(action, &QAction::triggered, this,
                [this, &sorting, tag] { sorting.mnuFolderCreateMove1Click(tag, TreeFolder()); });
        m_panel1->addAction(action);
    }

    QAction* undo = m_menu.action(QStringLiteral("mnuMoveUndo"));
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Backspace)});
    connect(undo, &QAction::triggered, this, [&sorting] { sorting.mnuMoveUndoClick(); });
    connect(m_menu.action(QStringLiteral("mnuMoveRedo")), &QAction::triggered, this,
            [&sorting] { sorting.mnuMoveRedoClick(); });
    connect(m_menu.action(QStringLiteral("mnuKeyTableLoad")), &QAction::triggered, this,
            &TFormMain::mnuKeyTableLoadClick);
    connect(m_menu.action(QStringLiteral("mnuKeyTableSave")), &QAction::triggered, this,
            &TFormMain::mnuKeyTableSaveClick);
    connect(&sorting, &SortingWorkflow::copyModeShown, this,
            [this](const QString& text) { m_panels[3]->setText(text); });
}

void TFormMain::RunTarget(const QString& target) {
    QAction* action = findChild<QAction*>(target);
    if (action && action->isEnabled())
        action->trigger();
}

void TFormMain::Popup(const QString& name, const QPoint& at) {
    if (!m_controller.state().FileList.empty())
        m_menu.menu(name)->popup(at);
}

// The commands bound to inputs, the pop-up menus they open, the entries of the title bar's
// menu, the six bindable keys and Esc.
void TFormMain::WireCommands() {
    CommandExecutor& commands = m_controller.commands();
    connect(&commands, &CommandExecutor::targetRequested, this, &TFormMain::RunTarget);
    const auto on = [this](const char* name, auto handler) {
        connect(m_menu.action(QString::fromLatin1(name)), &QAction::triggered, this, handler);
    };
    on("mnuImgPop", [this] { Popup(QStringLiteral("PopupMain"), QCursor::pos()); });
    on("mnuCommentPop", [this] { Popup(QStringLiteral("PopupText"), QCursor::pos()); });
    on("mnuBarPop", [this] { Popup(QStringLiteral("PopupBar"), QCursor::pos()); });
    on("popJumpStart", [this] { m_controller.JumpStart(); });
    on("popJumpEnd", [this] { m_controller.JumpEnd(); });
    on("Copy1", [this] { m_comment->copy(); });
    on("A1", [this] {
        m_comment->selectAll();
        m_comment->copy();
    });
    const struct {
        const char* item;
        const char* command;
    } systemEntries[] = {
        {"sysWindowReset", "ウィンドウ初期化"},
        {"sysImgPop", "画像メニュー"},
        {"sysCheckJ", "チェックJ"},
        {"sysBack", "戻る"},
        {"sysNext", "進む"},
    };
    for (const auto& entry : systemEntries) {
        const QString command = QString::fromUtf8(entry.command);
        on(entry.item, [&commands, command] { commands.mgesExecute(command); });
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
    auto* boss = new QAction(this);
    boss->setObjectName(QStringLiteral("actBossEsc"));
    boss->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(boss, &QAction::triggered, this, &TFormMain::showMinimized);
    addAction(boss);
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

void TFormMain::mnuJPEGHalfSizeClick(int tag) {
    m_controller.SetJpegScale(std::countr_zero(static_cast<unsigned>(tag)));
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
