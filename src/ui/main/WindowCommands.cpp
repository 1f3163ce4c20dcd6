#include "ui/main/WindowCommands.h"

#include "app/CommandExecutor.h"
#include "app/FlagScope.h"
#include "app/TitleText.h"
#include "app/ViewerController.h"
#include "app/commands/CommandRegistry.h"
#include "platform/ClipboardReader.h"
#include "ui/checklists/TFormDandD.h"
#include "ui/main/ImgBar.h"
#include "ui/main/MainMenu.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>

WindowCommands::WindowCommands(ViewerController& controller, ClipboardReader& clipboard, MainMenu& menu,
                               Parts parts)
    : QObject(&parts.window), m_controller(controller), m_clipboard(clipboard), m_menu(menu), m_parts(parts) {
    RegisterCommands();
    RegisterSystemMenu();
    AddBindableKeys();
    WirePopupMenus();
}

// A right press on the title bar's stand-in opens the title bar's menu when no command is
// bound to it.
void WindowCommands::RunInput(const QString& input) {
    if (!m_controller.commands().ExecuteInput(input) && input == QLatin1String("mGesTRC"))
        m_menu.menu(QStringLiteral("PopupSystem"))->popup(QCursor::pos());
}

void WindowCommands::Popup(const QString& name, const QPoint& at) {
    if (!m_controller.state().FileList.empty())
        m_menu.menu(name)->popup(at);
}

void WindowCommands::RegisterCommands() {
    CommandRegistry& registry = m_controller.registry();
    const auto on = [&registry](Command id, CommandRegistry::Handler handler) {
        registry.Register(id, std::move(handler));
    };
    on(Command::mnuFileOpen, [this] { mnuFileOpenClick(); });
    on(Command::mnuFoldetOpen, [this] { mnuFoldetOpenClick(); });
    on(Command::mnuClipBoardOpen, [this] { m_controller.ShowClipboard(m_clipboard.image()); });
    on(Command::mnuVersion, [this] { mnuVersionClick(); });
    on(Command::mnuListDandD, [this] { mnuListDandDClick(); });
    on(Command::mnuKeyTableLoad, [this] { mnuKeyTableLoadClick(); });
    on(Command::mnuKeyTableSave, [this] { mnuKeyTableSaveClick(); });
    on(Command::mnuImgPop, [this] { Popup(QStringLiteral("PopupMain"), QCursor::pos()); });
    on(Command::mnuCommentPop, [this] { Popup(QStringLiteral("PopupText"), QCursor::pos()); });
    on(Command::mnuBarPop, [this] { Popup(QStringLiteral("PopupBar"), QCursor::pos()); });
    on(Command::Copy1, [this] { m_parts.comment.copy(); });
    on(Command::A1, [this] {
        m_parts.comment.selectAll();
        m_parts.comment.copy();
    });
    on(Command::actBossEsc, [this] { m_parts.window.showMinimized(); });
}

// The entries of the title bar's menu run the commands they stand for, while those run.
void WindowCommands::RegisterSystemMenu() {
    CommandRegistry& registry = m_controller.registry();
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
}

// The keys run what the settings bind to them while the hand is on the picture side; the tree
// keeps its own arrows.
void WindowCommands::AddBindableKeys() {
    CommandExecutor& commands = m_controller.commands();
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
        auto* action = new QAction(&m_parts.pictureSide);
        action->setObjectName(QString::fromLatin1(key.name));
        action->setShortcuts(key.keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        const QString input = QString::fromLatin1(key.input);
        connect(action, &QAction::triggered, this, [&commands, input] { commands.ExecuteInput(input); });
        m_parts.pictureSide.addAction(action);
    }
}

void WindowCommands::WirePopupMenus() {
    ImgBar& bar = m_parts.bar;
    bar.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&bar, &QWidget::customContextMenuRequested, this,
            [this, &bar](const QPoint& at) { Popup(QStringLiteral("PopupBar"), bar.mapToGlobal(at)); });
    QPlainTextEdit& comment = m_parts.comment;
    comment.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&comment, &QWidget::customContextMenuRequested, this, [this, &comment](const QPoint& at) {
        Popup(QStringLiteral("PopupText"), comment.mapToGlobal(at));
    });
}

void WindowCommands::mnuFileOpenClick() {
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

void WindowCommands::mnuFoldetOpenClick() {
    const std::optional<QString> folder = m_controller.AskFolder(
        QStringLiteral("閲覧するフォルダを選択して下さい"), m_controller.state().CurrentFolder);
    if (folder)
        m_controller.ViewFolder(*folder, true);
}

void WindowCommands::mnuVersionClick() {
    const ViewerState& state = m_controller.state();
    QList<QSize> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append(screen->size());
    m_controller.prompts().about(
        VersionCaption(state.ExecutionCount),
        VersionText(state.SortCount, state.PreviousSortCount, screens, m_controller.Tip()));
}

void WindowCommands::mnuListDandDClick() {
    QList<QStringList> lists;
    QStringList current;
    for (const FileEntry& entry : m_controller.state().FileList)
        current << entry.path;
    lists << current;
    const CheckLists& checks = m_controller.checks().lists();
    for (int i = 0; i < CheckLists::kCount; ++i)
        lists << checks.list(i);
    // No parent: a window manager would minimise a child dialog together with the main window.
    TFormDandD dialog(lists, QStringList{QStringLiteral("現在のリスト")} + m_controller.checks().Names(),
                      m_controller.prompts());
    Options& options = m_controller.options();
    dialog.move(options.DandD_X, options.DandD_Y);
    // Minimised, the window leaves the drop targets beneath it visible.
    QWidget& window = m_parts.window;
    const Qt::WindowStates before = window.windowState();
    window.showMinimized();
    {
        FlagScope paused(m_controller.state().Paused);
        dialog.exec();
    }
    if (!dialog.dropped()) {
        window.setWindowState(before & ~Qt::WindowMinimized);
        window.show();
    }
    // Kept with the settings for the next time and the next run.
    options.DandD_X = dialog.x();
    options.DandD_Y = dialog.y();
}

void WindowCommands::mnuKeyTableLoadClick() {
    const std::optional<QString> path = m_controller.prompts().openFile(
        QStringLiteral("振り分けテーブルの読込"), m_controller.state().SaveDataFolder,
        {QStringLiteral("振り分けテーブル (*.ktb)")});
    if (path)
        m_controller.sorting().LoadTableFile(*path);
}

void WindowCommands::mnuKeyTableSaveClick() {
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
