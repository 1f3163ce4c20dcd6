#include "app/ViewerController.h"

#include "app/FlagScope.h"
#include "app/commands/AppCommands.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/SoundPlayer.h"
#include "core/common/TextEncoding.h"
#include "core/display/ViewGeometry.h"
#include "core/filelist/FolderWalk.h"
#include "core/filelist/HeaderProbe.h"
#include "core/imaging/ImageLoader.h"
#include "core/settings/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>
#include <chrono>
#include <cmath>
#include <unistd.h>

namespace {

// Side texts larger than this are not shown in the comment pane.
constexpr qint64 kSideTextLimit = 32001;

// Inputs waiting for the picture look again this often while the window is held.
constexpr std::chrono::milliseconds kHeldInputRetry{50};

// A subfolder scan reports progress to the window at most this often.
constexpr std::chrono::milliseconds kProgressInterval{40};

QString ExistingFolderOr(const QString& folder, const QString& fallback) {
    return PathKind(folder) == PathType::Folder ? folder : fallback;
}

// The share of the machine's memory that pictures read ahead may hold.
qint64 PrefetchBudget(int percent) {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) {
        return 0;
    }
    return static_cast<qint64>(pages) * pageSize / 100 * std::clamp(percent, 0, 50);
}

const QString& SoundFile(const Options& options, Sound kind) {
    switch (kind) {
    case Sound::Copy:
        return options.sndCopy;
    case Sound::Move:
        return options.sndMove;
    case Sound::Undo:
        return options.sndUndo;
    case Sound::CheckOn:
        return options.sndCheckOn;
    case Sound::CheckOff:
        return options.sndCheckOff;
    case Sound::EndOfList:
        break;
    }
    return options.sndLoop;
}

qint64 TickCount() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

ViewerController::ViewerController(const Options& options, Services services, QObject* parent)
    : QObject(parent), m_options(options), m_services(services), m_home(QDir::homePath()),
      m_files(QString(), Trash(Trash::HomeTrashFolder())), m_batch(m_prompts, m_options, m_journal, m_files) {
    m_state.ExecutionCount = options.Execution;
    m_state.PreviousSortCount = options.Movement;
    m_state.LastFile = options.ImgFile;
    m_state.SortMode = SortOrderOfCode(options.SortNo);
    m_soundOn = options.sndPlay;
    m_gifTimer.setSingleShot(true);
    connect(&m_gifTimer, &QTimer::timeout, this, &ViewerController::NextGifFrame);
    connect(&m_batch, &TransferBatch::fileSorted, this, [this] { ++m_state.SortCount; });
    connect(&m_saver, &BackgroundSaver::due, this, [this] {
        m_checks.SaveInBackground(m_saver);
        m_sorting.SaveTableInBackground(m_saver);
    });
    // A batch holding the window stops a running slide show.
    connect(&m_batch, &TransferBatch::interfaceLocked, this, [this](bool locked) {
        if (locked) {
            SetSlideShow(false);
        }
    });
    ApplyLoadOptions();
    RegisterViewerCommands(*this, m_registry);
    RegisterSortingCommands(m_sorting, m_registry);
    RegisterCheckListCommands(m_checks, m_registry);
}

void ViewerController::ApplyLoadOptions() {
    m_loader.SetLoadOptions(LoadOptions{m_options.Bmp, m_options.Jpeg, m_options.Png, m_options.Gif,
                                        m_options.JpegQuality, m_state.JpegScale, ViewColour()});
    m_loader.SetBudget(PrefetchBudget(m_options.PrefetchMemory));
    SyncView();
}

ViewerController::~ViewerController() = default;

bool ViewerController::InitFolders(const QString& programFolder, QString* error) {
    m_state.ProgramFolder = programFolder;
    const QString fromEnvironment = qEnvironmentVariable("RUVELA_DATA_DIR");
    const QString portable = programFolder + QStringLiteral("/SaveData");
    if (!fromEnvironment.isEmpty()) {
        m_state.SaveDataFolder =
            WithoutTrailingSlash(ExpandShortName(fromEnvironment, m_home, QDir::currentPath()));
    } else if (PathKind(portable) == PathType::Folder) {
        m_state.SaveDataFolder = portable;
    } else {
        m_state.SaveDataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/ruvela");
    }
    if (!QDir().mkpath(m_state.SaveDataFolder) || PathKind(m_state.SaveDataFolder) != PathType::Folder) {
        if (error) {
            *error = m_state.SaveDataFolder;
        }
        return false;
    }
    m_state.pDesk =
        ExistingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), m_home);
    m_state.pDoc =
        ExistingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), m_home);
    m_state.pRecy = Trash::HomeTrashFolder();
    // Transfers killed part-way last time left temporary files that nobody needs.
    m_files = FileOperations(m_state.SaveDataFolder + QStringLiteral("/Transfers"), Trash(m_state.pRecy));
    m_files.RemoveLeftovers();
    m_sorting.LoadTable();
    m_checks.LoadLists();
    m_tempFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ruvela-XXXXXX"));
    m_state.pTemp = m_tempFolder->path() + QLatin1Char('/');
    m_state.MyDoc = FileNameOf(m_state.pDoc);
    return true;
}

void ViewerController::PrepareScanMask() {
    m_state.ScanMask = BuildScanMask(QString(), m_options);
}

void ViewerController::StartUp(const QStringList& arguments) {
    PrepareScanMask();
    m_state.CurrentFolder = m_state.LowDirBase = m_state.ProgramFolder;
    m_state.FormReady = true;
    m_state.JpegScale = 0;

    QString target;
    if (!arguments.isEmpty() && !arguments.first().isEmpty()) {
        target = ExpandShortName(arguments.first(), m_home, QDir::currentPath());
    } else if (m_options.SwImgOpen && !m_state.LastFile.isEmpty()) {
        target = m_state.LastFile;
    }
    if (target.isEmpty()) {
        ViewFolder(m_state.pDesk, true);
    } else if (PathKind(target) == PathType::Folder) {
        ViewFolder(target, true);
    } else {
        ViewFile(target);
    }
    m_state.Paused = false;
}

bool ViewerController::ShutDown() {
    m_closing = true;
    m_bar.handlerAttached = false;
    m_stopScan = true;
    m_gifTimer.stop();
    ++m_state.ExecutionCount;
    return m_state.FormReady;
}

void ViewerController::SaveWork() {
    m_saver.Flush();
    m_checks.SaveLists();
    m_sorting.SaveTable();
}

QString ViewerController::SettingsPath() const {
    return m_state.SaveDataFolder + QStringLiteral("/Ruvela.ini");
}

bool ViewerController::LoadSettings(bool atStartUp) {
    QString message;
    const bool loaded = IniLoad(SettingsPath(), m_options, &message);
    // A file set aside as unreadable loads the defaults and says so too.
    if (!message.isEmpty()) {
        infoMes(message, MessageIcon::Exclamation);
    }
    if (atStartUp) {
        m_state.ExecutionCount = m_options.Execution;
        m_state.PreviousSortCount = m_options.Movement;
        m_state.LastFile = m_options.ImgFile;
        m_state.SortMode = SortOrderOfCode(m_options.SortNo);
        m_soundOn = m_options.sndPlay;
    }
    ZoomExecute(m_options.ZoomNo);
    ApplyLoadOptions();
    return loaded;
}

bool ViewerController::SaveSettings() {
    m_options.Execution = m_state.ExecutionCount;
    m_options.Movement = m_state.PreviousSortCount + m_state.SortCount;
    m_options.ImgFile = m_state.FileList.empty() ? m_state.CurrentFolder : m_state.CurrentFile;
    m_options.SortNo = SortCodeOf(m_state.SortMode);
    m_options.ZoomNo = ZoomNoToStore();
    QString message;
    if (!IniSave(SettingsPath(), m_options, &message)) {
        infoMes(message, MessageIcon::Exclamation);
        return false;
    }
    return true;
}

qint64 ViewerController::RunScan(FileEntries& list, const QString& folder, bool subfolders) {
    const ScanRule rule{m_state.ScanMask, m_options.MinSize, m_options.MaxSize, m_state.SortMode};
    if (!subfolders) {
        return FileSearch(list, folder, rule);
    }

    // The walk runs on a worker; the window stays alive in this loop and shows progress.
    m_stopScan = false;
    emit scanRunning(true);
    ScanWindow* window = m_services.scanWindow;
    if (window) {
        window->scanStarted();
    }
    auto lastReport = std::make_shared<std::atomic<qint64>>(0);
    const ScanProgress progress = [this, window, lastReport](const QString& current, int found,
                                                             int lookedAt) {
        const qint64 now = TickCount();
        if (window && now - lastReport->load() >= kProgressInterval.count()) {
            lastReport->store(now);
            QMetaObject::invokeMethod(
                this, [window, current, found, lookedAt] { window->scanProgress(current, found, lookedAt); },
                Qt::QueuedConnection);
        }
        return !m_stopScan.load();
    };
    const auto beforeSort = [this, window] {
        if (window) {
            QMetaObject::invokeMethod(
                this, [window] { window->scanSorting(); }, Qt::QueuedConnection);
        }
    };

    FileEntries found;
    QEventLoop loop;
    QFutureWatcher<qint64> watcher;
    connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::run([&found, folder, rule, progress, beforeSort] {
        return FullSearch(found, folder, rule, progress, nullptr, beforeSort);
    }));
    if (!watcher.isFinished()) {
        loop.exec();
    }
    const qint64 total = watcher.result();
    list = std::move(found);
    // A quick walk can end before the loop ran: the progress it posted is delivered first.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    if (window) {
        window->scanFinished();
    }
    emit scanRunning(false);
    return total;
}

void ViewerController::ViewFolder(const QString& folder, bool selectInTree) {
    if (m_state.ScanBusy || m_closing) {
        return;
    }
    const QString target = PathKind(folder) == PathType::Folder ? folder : m_state.pDesk;
    m_state.ScanBusy = true;
    ++m_listGeneration;
    m_state.CurrentFolder = m_state.LowDirBase = WithoutTrailingSlash(target);
    m_state.RootListName.clear();
    const bool subfolders = m_services.keys.ctrlHeld() && !m_services.keys.keyHeld(Qt::Key_Z);
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, subfolders);
    if (selectInTree) {
        emit selectFolderInTree(m_state.CurrentFolder);
    }
    if (m_state.FileList.empty()) {
        m_state.CurrentIndex = 0;
        CloseGif();
        m_state.SourceBitmap = QImage();
        m_state.ViewBitmap = QImage();
        m_state.CommentText.clear();
        SetComment(QString());
        EnableImageCommands(false);
        ImgBarSeting();
        emit pictureChanged();
        TitleDraw();
    } else {
        EnableImageCommands(true);
        ShowFileList(1);
    }
    m_state.ScanBusy = false;
}

// 1 + the index of `path` in the list (exact match), or 1 when it is not there.
int ViewerController::PositionOf(const QString& path) const {
    const auto& list = m_state.FileList;
    const auto found =
        std::find_if(list.begin(), list.end(), [&path](const FileEntry& e) { return e.path == path; });
    return found == list.end() ? 1 : static_cast<int>(found - list.begin()) + 1;
}

// Shows entry `position` of the freshly scanned list and sets the track bar to the list.
void ViewerController::ShowFileList(int position) {
    m_state.CurrentIndex = 0;
    ImgBarSeting();
    m_bar.handlerAttached = false;
    m_bar.position = position;
    m_bar.handlerAttached = true;
    ImgBarChange();
    emit trackBarChanged();
}

void ViewerController::ViewFile(const QString& path) {
    if (path.isEmpty() || m_state.ScanBusy || m_closing) {
        return;
    }
    ++m_listGeneration;
    m_state.CurrentFolder = m_state.LowDirBase = FolderOf(path);
    m_state.RootListName.clear();
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, false);
    if (m_state.FileList.empty()) {
        ViewFolder(m_state.CurrentFolder, true);
        return;
    }
    EnableImageCommands(true);
    ShowFileList(PositionOf(path));
    emit selectFolderInTree(m_state.CurrentFolder);
}

void ViewerController::ViewFileUndo(const QString& path) {
    if (m_state.ScanBusy || m_closing) {
        return;
    }
    if (PathKind(path) == PathType::None) {
        infoMes(QStringLiteral("ファイルが開けませんでした"), MessageIcon::Information);
        return;
    }
    ++m_listGeneration;
    m_state.CurrentFolder = FolderOf(path);
    // A folder is shown now, not the check list that was open.
    m_state.RootListName.clear();
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, false);
    emit selectFolderInTree(m_state.CurrentFolder);
    if (m_state.FileList.empty()) {
        ViewFolder(m_state.CurrentFolder, true);
        return;
    }
    EnableImageCommands(true);
    ShowFileList(PositionOf(path));
}

void ViewerController::ImgListDelete() {
    const int index = m_state.CurrentIndex;
    if (index < 1 || index > static_cast<int>(m_state.FileList.size())) {
        return;
    }
    m_state.FileList.erase(m_state.FileList.begin() + (index - 1));
    m_state.ListTotalSize -= m_state.CurrentFileSize;
    m_shownGone = true;
    if (m_state.FileList.empty()) {
        ViewFolder(m_state.CurrentFolder.isEmpty() ? m_state.pDesk : m_state.CurrentFolder, true);
        return;
    }
    if (index < m_bar.selStart) {
        --m_bar.selStart;
    }
    if (m_bar.selEnd >= index) {
        --m_bar.selEnd;
    }
    m_state.CurrentIndex = 0;
    --m_bar.maximum;
    m_bar.position = std::min(m_bar.position, m_bar.maximum);
    ImgBarChange();
    emit trackBarChanged();
}

void ViewerController::ImgBarSeting() {
    m_bar.handlerAttached = false;
    const int count = static_cast<int>(m_state.FileList.size());
    m_bar.minimum = 1;
    m_bar.maximum = std::max(count, 1);
    m_bar.ticks = count > 0;
    m_bar.sliderVisible = count > 0;
    m_bar.selStart = m_bar.minimum;
    m_bar.selEnd = m_bar.maximum;
    if (count > 0) {
        if (m_options.SwListLoop) {
            m_bar.minimum = 0;
            m_bar.maximum = count + 1;
        }
        m_bar.position = std::clamp(m_state.CurrentIndex, m_bar.minimum, m_bar.maximum);
        m_bar.handlerAttached = true;
    } else {
        m_bar.position = 1;
    }
    emit trackBarChanged();
}

void ViewerController::TrackBarMoved(int position) {
    if (WaitBehindInputs([this, position] { TrackBarMoved(position); })) {
        return;
    }
    m_bar.position = std::clamp(position, m_bar.minimum, m_bar.maximum);
    emit trackBarChanged();
    if (m_bar.handlerAttached) {
        ImgBarChange();
    }
}

void ViewerController::ImgBarChange() {
    const int count = static_cast<int>(m_state.FileList.size());
    if (m_state.ShowBusy || !m_imageCommands || count == 0 || m_bar.position == m_state.CurrentIndex) {
        return;
    }
    CloseGif();
    m_state.GifFrame = 0;
    ShowBarPosition(m_bar.position >= m_state.CurrentIndex ? 1 : -1);
}

void ViewerController::StepGifFrame(int delta) {
    if (m_state.ShowBusy || !m_imageCommands || m_state.FileList.empty()) {
        return;
    }
    m_state.GifFrame += delta;
    ShowBarPosition(1);
}

void ViewerController::ShowBarPosition(int direction) {
    const int count = static_cast<int>(m_state.FileList.size());
    m_state.ShowBusy = true;
    m_state.ClipboardMode = false;
    m_bar.handlerAttached = false;
    int position = m_bar.position;
    if (position > count) {
        position = 1;
        SoundPlay(Sound::EndOfList);
    } else if (position < 1) {
        position = count;
        SoundPlay(Sound::EndOfList);
    }
    m_bar.position = position;
    m_bar.handlerAttached = true;

    m_state.CurrentIndex = position;
    m_state.CurrentFile = m_state.FileList[static_cast<std::size_t>(position - 1)].path;
    ReadCurrentFileFacts();
    emit trackBarChanged();
    // Before reading: a picture read ahead was drawn with the standard filters already.
    if (m_options.SwFilterReset && !(m_filters == FilterReset())) {
        SetFilterSettings(FilterReset());
    }
    SetActualSize(false);
    const quint64 list = m_listGeneration;
    PreparedPicture picture;
    if (m_state.GifImage) {
        // The open animation gives the frame; the file is not read again.
        picture.loaded =
            LoadImageFile(m_state.CurrentFile, m_loader.loadOptions(), m_state.GifImage, m_state.GifFrame);
        picture.madeFor = m_loader.view();
        picture.view = RenderView(picture.loaded.image, picture.madeFor);
    } else {
        if (std::exchange(m_shownGone, false) && !m_loader.IsReady(m_state.CurrentFile)) {
            // The file on screen went away: it must not look as if it were still there while the
            // next one is read.
            m_state.SourceBitmap = QImage();
            m_state.ViewBitmap = QImage();
            emit pictureChanged();
            TitleDraw();
        }
        // Input keeps arriving while a picture that was not read ahead is read: further steps
        // only move the track bar, and the newest position is shown next.
        picture = m_loader.Take(m_state.CurrentFile);
    }
    if (m_closing) {
        m_state.ShowBusy = false;
        return;
    }
    if (list != m_listGeneration || m_state.CurrentIndex != position) {
        // Another list or another picture was asked for meanwhile.
        m_state.ShowBusy = false;
        ImgBarChange();
        return;
    }
    ApplyLoaded(m_state.CurrentFile, picture.loaded);
    SetComment(m_state.CommentText);
    if (m_options.SwTxtOpen) {
        LoadSideText();
    }
    ShowPicture(picture);
    m_state.ShowBusy = false;
    emit trackBarChanged();
    m_direction = direction;
    PrefetchNeighbours(direction);
    if (m_bar.position != m_state.CurrentIndex) {
        ImgBarChange();
        return;
    }
    PostWaitingInputs();
}

void ViewerController::ActOnShownFile(std::function<void()> action) {
    if (!m_state.ShowBusy && (m_waitingInputs.empty() || m_runningWaiting)) {
        action();
        return;
    }
    m_waitingInputs.push_back(std::move(action));
    PostWaitingInputs();
}

bool ViewerController::WaitBehindInputs(std::function<void()> step) {
    if (m_waitingInputs.empty() || m_runningWaiting) {
        return false;
    }
    m_waitingInputs.push_back(std::move(step));
    PostWaitingInputs();
    return true;
}

// The waiting inputs run from the event loop, after the picture they wait for was drawn.
void ViewerController::PostWaitingInputs() {
    if (m_waitingInputs.empty() || m_waitingPosted || m_state.ShowBusy) {
        return;
    }
    m_waitingPosted = true;
    QMetaObject::invokeMethod(this, &ViewerController::RunWaitingInputs, Qt::QueuedConnection);
}

void ViewerController::RunWaitingInputs() {
    m_waitingPosted = false;
    if (m_closing) {
        m_waitingInputs.clear();
        return;
    }
    if (m_waitingInputs.empty() || m_state.ShowBusy) {
        // The picture being read posts the run when it is on screen.
        return;
    }
    if (InputHeld()) {
        // A question or a batch holds the window: the inputs wait until it lets go.
        QTimer::singleShot(kHeldInputRetry, this, [this] {
            if (!m_waitingPosted) {
                RunWaitingInputs();
            }
        });
        return;
    }
    std::function<void()> action = std::move(m_waitingInputs.front());
    m_waitingInputs.pop_front();
    {
        FlagScope running(m_runningWaiting);
        action();
    }
    PostWaitingInputs();
}

// Asks the loader for the files on both sides of the shown one, the direction of travel first.
void ViewerController::PrefetchNeighbours(int direction) {
    const int count = static_cast<int>(m_state.FileList.size());
    const auto at = [this, count](int index) -> QString {
        if (index < 1 || index > count) {
            if (!m_options.SwListLoop) {
                return QString();
            }
            index = ((index - 1) % count + count) % count + 1;
        }
        return m_state.FileList[static_cast<std::size_t>(index - 1)].path;
    };
    const int here = m_state.CurrentIndex;
    m_loader.Prefetch(m_state.CurrentFile,
                      {at(here + direction), at(here + 2 * direction), at(here - direction)});
}

void ViewerController::ReadCurrentFileFacts() {
    const PathFacts facts = StatPath(m_state.CurrentFile);
    if (!facts.exists) {
        return;
    }
    m_state.CurrentFileSize = facts.size;
    m_state.CurrentFileModified = facts.modifiedSeconds;
    m_state.CurrentFileTime = PackDosTime(QDateTime::fromSecsSinceEpoch(facts.modifiedSeconds));
}

void ViewerController::ApplyLoaded(const QString& path, const LoadedImage& loaded) {
    if (loaded.status != LoadStatus::Decoded) {
        CloseGif();
        m_state.GifFrame = 0;
    }
    m_state.CurrentBitDepth = 0;
    m_state.CommentText.clear();
    m_state.SourceBitmap = loaded.image;
    switch (loaded.status) {
    case LoadStatus::Missing:
        m_state.CommentText =
            QStringLiteral("> ") + path + QStringLiteral("\r\n画像ファイルが見つかりません");
        m_state.CurrentFileSize = 0;
        m_state.CurrentFileTime = 0;
        m_state.CurrentFileModified = 0;
        break;
    case LoadStatus::Decoded:
        m_state.CurrentBitDepth = loaded.bitDepth;
        m_state.CommentText = loaded.comment;
        m_state.GifImage = loaded.gif;
        m_state.GifFrame = loaded.gifFrame;
        m_state.GifIsAnimated = loaded.gif && loaded.gif->frameCount() > 1;
        break;
    case LoadStatus::Stock:
        break;
    case LoadStatus::Failed: {
        const QString trueExtension = TrueExtension(path).toUpper();
        m_state.CommentText = QStringLiteral("> ") + path + QStringLiteral("\r\n画像の展開に失敗しました(") +
                              trueExtension + QLatin1Char(')');
        SetComment(m_state.CommentText);
        if (!trueExtension.isEmpty() && trueExtension != UpperExtension(path)) {
            OfferRename(path, trueExtension);
        }
        break;
    }
    }
}

void ViewerController::OfferRename(const QString& path, const QString& trueExtension) {
    const QString lower = trueExtension.toLower();
    const QString question = QStringLiteral("このファイルの正しい拡張子は\"") + lower +
                             QStringLiteral("\"だと思われます\r\nリネームしますか？");
    if (infoMes(question, MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    const QString newPath = path.left(path.size() - UpperExtension(path).size()) + lower;
    if (!m_batch.taFileOperation(path, newPath, TransferOp::Rename)) {
        infoMes(QStringLiteral("ファイルのリネームに失敗しました"), MessageIcon::Exclamation);
        return;
    }
    m_batch.ListFileReplace(path, newPath);
    ApplyLoaded(newPath, m_loader.Take(newPath).loaded);
    if (m_state.CurrentIndex >= 1 && m_state.CurrentIndex <= static_cast<int>(m_state.FileList.size())) {
        m_state.FileList[static_cast<std::size_t>(m_state.CurrentIndex - 1)].path = newPath;
    }
    m_state.CurrentFile = newPath;
    TitleDraw();
}

void ViewerController::LoadSideText() {
    const QString& file = m_state.CurrentFile;
    const QString stem = FileNameOf(file.left(file.size() - UpperExtension(file).size()));
    // A text beside the picture is found in any letter case: "PHOTO.TXT" and "Photo.Txt" too.
    const QStringList sides =
        FindNamesIgnoringCase(FolderOf(file), {stem + QStringLiteral(".txt"), stem + QStringLiteral(".doc"),
                                               stem + QStringLiteral(".hed")});
    for (const QString& side : sides) {
        const PathFacts facts = side.isEmpty() ? PathFacts{} : StatPath(side);
        if (!facts.exists || facts.isFolder) {
            continue;
        }
        if (facts.size >= kSideTextLimit) {
            SetComment(QStringLiteral("ファイルサイズが大き過ぎて表示できませんでした"));
            continue;
        }
        SetComment(QLatin1Char('[') + side + QStringLiteral("]\r\n") +
                   DecodeText(ReadFileHead(side, kSideTextLimit)));
        return;
    }
}

// Draws the source bitmap for the view at `rate`, or at the rate of the zoom mode when it is 0.
void ViewerController::ViewSeting(double rate) {
    if (m_state.BrowserMode || (rate == 0 && m_state.SourceBitmap.isNull())) {
        return;
    }
    PreparedPicture picture;
    picture.madeFor = m_loader.view();
    picture.view = RenderView(m_state.SourceBitmap, picture.madeFor, rate);
    Present(picture.view);
}

// Shows a picture whose bitmap was made ahead of time, or draws it now when it was made for
// another view or another source.
void ViewerController::ShowPicture(const PreparedPicture& picture) {
    if (!(picture.madeFor == m_loader.view()) ||
        picture.loaded.image.cacheKey() != m_state.SourceBitmap.cacheKey()) {
        ViewSeting(0);
        return;
    }
    Present(picture.view);
}

void ViewerController::Present(const RenderedView& view) {
    m_state.ZoomRate = view.zoomRate;
    m_state.ViewBitmap = view.bitmap;
    SyncView();
    emit pictureChanged();
    TitleDraw();
    if (view.outOfMemory) {
        infoMes(QStringLiteral("画像の拡大にメモリが足りません\r\n通常のサイズで表示します"),
                MessageIcon::Exclamation);
    }
    if (m_state.GifIsAnimated && m_state.GifImage) {
        m_gifTimer.start(m_state.GifImage->frame(m_state.GifFrame).delayMs);
    }
}

// What the view draws with now; pictures read ahead are drawn for it.
ViewParams ViewerController::CurrentViewParams() const {
    ViewParams params = m_loader.view();
    params.mode = m_zoomMode;
    params.fixedRate = m_zoomMode == ZoomMode::FixedRate ? m_state.ZoomRate : 0;
    params.scrollBarWidth = m_scrollBarWidth;
    params.filters = m_filters;
    params.smallSharp = m_options.SwSmallSharp;
    params.background = ViewColour();
    return params;
}

// "ImgBackColor" is stored with red in the lowest byte.
QRgb ViewerController::ViewColour() const {
    return qRgb(m_options.ImgBackColor & 0xff, (m_options.ImgBackColor >> 8) & 0xff,
                (m_options.ImgBackColor >> 16) & 0xff);
}

void ViewerController::SyncView() {
    const ViewParams params = CurrentViewParams();
    if (!(params == m_loader.view())) {
        m_loader.SetView(params);
    }
}

// After a change of what the view draws with: the shown picture at the current rate, the
// neighbours in the background.
void ViewerController::RedrawAtCurrentRate() {
    SyncView();
    if (m_state.CurrentIndex != 0 && !m_state.ShowBusy) {
        ViewSeting(m_state.ZoomRate);
        PrefetchNeighbours(m_direction);
    }
}

void ViewerController::ZoomRedraw(int mode) {
    m_zoomMode = static_cast<ZoomMode>(mode);
    emit zoomModeChanged(mode);
    SyncView();
    if (m_state.CurrentIndex != 0 && !m_state.ShowBusy) {
        ViewSeting(0);
        PrefetchNeighbours(m_direction);
    }
}

void ViewerController::ZoomExecute(double value) {
    const long code = std::lround(value);
    if (code == 260 || code == 262 || code == 263 || code == 264) {
        m_zoomMode = static_cast<ZoomMode>(code);
    } else {
        m_zoomMode = ZoomMode::FixedRate;
        // A stored rate is held to what the zoom steps can reach, so a damaged file cannot ask
        // for a bitmap larger than memory.
        m_state.ZoomRate = std::isfinite(value) ? ClampRate(value) : 1.0;
    }
    emit zoomModeChanged(static_cast<int>(m_zoomMode));
    SyncView();
}

double ViewerController::ZoomNoToStore() const {
    return m_zoomMode == ZoomMode::FixedRate ? m_state.ZoomRate : static_cast<double>(m_zoomMode);
}

void ViewerController::SetFilterSettings(const FilterSettings& filters) {
    m_filters = filters;
    emit filtersChanged(m_filters);
    SyncView();
}

void ViewerController::FilterRedraw(const FilterSettings& filters) {
    SetFilterSettings(filters);
    RedrawAtCurrentRate();
}

void ViewerController::mnuFilterResetClick() {
    FilterRedraw(FilterReset());
}

void ViewerController::ZoomIn() {
    ZoomTo(ZoomInRate(m_state.ZoomRate));
}

void ViewerController::ZoomOut() {
    ZoomTo(ZoomOutRate(m_state.ZoomRate));
}

// Draws at `rate`, which also becomes the current rate: in the fixed-rate mode the rate the
// view draws with, so the neighbours read ahead are drawn at it too. Held to the zoom steps, so
// no answer can ask for a bitmap larger than memory.
void ViewerController::ZoomTo(std::optional<double> rate) {
    if (m_state.FileList.empty() || !rate) {
        return;
    }
    m_state.ZoomRate = ClampRate(*rate);
    RedrawAtCurrentRate();
}

void ViewerController::ViewAtRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0) {
        return;
    }
    ZoomTo(rate);
}

void ViewerController::RateInput() {
    if (m_state.FileList.empty()) {
        return;
    }
    const std::optional<QString> answer = m_prompts.input(
        QStringLiteral("表示倍率を入力"),
        QStringLiteral("倍率を入力して下さい（0.1～8倍まで有効）\r\n9以上なら指定pixel幅にリサイズします"),
        QString());
    if (!answer) {
        return;
    }
    // Also the fixed rate, so the answer counts in that mode too.
    ZoomTo(RateFromAnswer(*answer, m_state.SourceBitmap.width()));
}

void ViewerController::ToggleActualSize() {
    if (m_state.FileList.empty()) {
        return;
    }
    const bool on = !m_actualSize;
    if (on) {
        m_savedRate = m_state.ZoomRate;
    }
    SetActualSize(on);
    ZoomTo(on ? 1 : m_savedRate);
}

void ViewerController::SetActualSize(bool on) {
    if (m_actualSize != on) {
        m_actualSize = on;
        emit actualSizeChanged(on);
    }
}

void ViewerController::SetScrollBarWidth(int width) {
    m_scrollBarWidth = width;
    SyncView();
}

void ViewerController::NextGifFrame() {
    if (!m_state.GifIsAnimated || !m_state.GifImage || m_state.ShowBusy) {
        return;
    }
    m_state.GifFrame = (m_state.GifFrame + 1) % m_state.GifImage->frameCount();
    m_state.SourceBitmap = m_state.GifImage->frame(m_state.GifFrame).image;
    ViewSeting(m_state.ZoomRate);
}

void ViewerController::CloseGif() {
    m_gifTimer.stop();
    m_state.GifImage.reset();
    m_state.GifIsAnimated = false;
}

void ViewerController::SetViewSize(QSize size) {
    // A view with no room (a minimised window) keeps the picture drawn for the last one.
    if (size.isEmpty() || size == m_loader.view().viewSize) {
        return;
    }
    ViewParams view = CurrentViewParams();
    view.viewSize = size;
    m_loader.SetView(view);
    if (m_state.CurrentIndex > 0 && !m_state.ShowBusy) {
        ViewSeting(0);
        // The neighbours read ahead get their bitmaps made again for the new size meanwhile.
        PrefetchNeighbours(m_direction);
    }
}

void ViewerController::Refresh(const QString& treeFolder) {
    m_state.ScanBusy = false;
    m_state.ShowBusy = false;
    if (!m_state.CurrentFile.isEmpty() && PathKind(m_state.CurrentFile) == PathType::File) {
        ViewFile(m_state.CurrentFile);
    } else {
        ViewFolder(treeFolder, true);
    }
}

void ViewerController::OpenList(const QStringList& files, const QString& name) {
    if (m_state.ScanBusy || m_closing || files.isEmpty()) {
        return;
    }
    ++m_listGeneration;
    m_state.FileList.clear();
    for (const QString& file : files) {
        m_state.FileList.push_back({file, 0});
    }
    m_state.RootListName = name;
    m_state.ListTotalSize = ListGetSize(files, 1);
    EnableImageCommands(true);
    ShowFileList(1);
}

void ViewerController::OpenDropped(const QStringList& paths) {
    if (m_state.BrowserMode || paths.isEmpty() || paths.first().isEmpty()) {
        return;
    }
    const QString& path = paths.first();
    if (PathKind(path) == PathType::Folder) {
        ViewFolder(path, true);
    } else {
        ViewFile(path);
    }
}

void ViewerController::ShowClipboard(const QImage& image) {
    if (image.isNull() || m_state.FileList.empty()) {
        return;
    }
    CloseGif();
    m_state.SourceBitmap = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32)
                                                   : image.convertToFormat(QImage::Format_RGB888);
    m_state.ClipboardMode = true;
    ViewSeting(0);
}

void ViewerController::SetJpegScale(int scale) {
    m_state.JpegScale = std::clamp(scale, 0, 3);
    emit jpegScaleChanged(m_state.JpegScale);
    ApplyLoadOptions();
    m_state.CurrentIndex = 0;
    ImgBarChange();
}

void ViewerController::AppendCaption(const QString& suffix) {
    TitleTexts texts = MakeTitleTexts(m_state, MakeTitleContext());
    texts.caption += suffix;
    emit titleChanged(texts);
}

std::optional<QString> ViewerController::AskFolder(const QString& caption, const QString& start) {
    return m_prompts.folder(caption, start);
}

void ViewerController::TitleDraw() {
    if (m_state.CurrentIndex == 0) {
        m_state.CurrentFile.clear();
    }
    emit titleChanged(MakeTitleTexts(m_state, MakeTitleContext()));
}

QString ViewerController::Tip() const {
    return TipsStr(TickCount() + m_state.ExecutionCount);
}

TitleContext ViewerController::MakeTitleContext() const {
    TitleContext context;
    context.slideShow = m_slideShow;
    context.timeFormat = m_options.TimeFormat;
    context.home = m_home;
    context.tip = Tip();
    context.marks = m_checks.Marks(m_state.CurrentFile);
    return context;
}

MessageResult ViewerController::infoMes(const QString& text, MessageIcon icon, MessageButtons buttons) {
    const MessageResult result = m_prompts.message(text, icon, buttons);
    if (result == MessageResult::None) {
        TitleTexts texts = MakeTitleTexts(m_state, MakeTitleContext());
        texts.caption = QStringLiteral("Ruvela - ") + text;
        emit titleChanged(texts);
    }
    return result;
}

void ViewerController::SoundPlay(Sound kind) {
    if (!m_soundOn) {
        return;
    }
    const QString& file = SoundFile(m_options, kind);
    if (!file.isEmpty() && PathKind(file) == PathType::File) {
        m_services.sound.play(file);
    }
}

void ViewerController::SetSoundOn(bool on) {
    if (on != m_soundOn) {
        m_soundOn = on;
        emit soundChanged(on);
    }
}

void ViewerController::EnableImageCommands(bool on) {
    m_imageCommands = on;
    m_registry.SetPictureShown(on);
    if (!on) {
        m_slideShow = false;
    }
    emit imageCommandsEnabled(on);
}

void ViewerController::SetComment(const QString& text) {
    emit commentChanged(text);
}

void ViewerController::ImgNext() {
    if (m_state.FileList.empty() || !m_imageCommands || WaitBehindInputs([this] { ImgNext(); })) {
        return;
    }
    if (m_services.keys.ctrlHeld()) {
        StepGifFrame(1);
        return;
    }
    if (m_bar.position >= m_bar.maximum) {
        SoundPlay(Sound::EndOfList);
        return;
    }
    TrackBarMoved(m_bar.position + 1);
}

void ViewerController::ImgBack() {
    if (m_state.FileList.empty() || !m_imageCommands || WaitBehindInputs([this] { ImgBack(); })) {
        return;
    }
    if (m_services.keys.ctrlHeld()) {
        StepGifFrame(-1);
        return;
    }
    if (m_bar.position <= m_bar.minimum) {
        SoundPlay(Sound::EndOfList);
        return;
    }
    TrackBarMoved(m_bar.position - 1);
}

void ViewerController::JumpStart() {
    if (!m_state.FileList.empty()) {
        TrackBarMoved(1);
    }
}

void ViewerController::JumpEnd() {
    if (!m_state.FileList.empty()) {
        TrackBarMoved(static_cast<int>(m_state.FileList.size()));
    }
}

void ViewerController::SetSelectionStart() {
    m_bar.selStart = m_bar.position;
    emit trackBarChanged();
}

void ViewerController::SetSelectionEnd() {
    m_bar.selEnd = m_bar.position;
    emit trackBarChanged();
}

void ViewerController::SelectAll() {
    // A looping list has one extra place at each end, which is no file.
    const int extra = m_options.SwListLoop && !m_state.FileList.empty() ? 1 : 0;
    m_bar.selStart = m_bar.minimum + extra;
    m_bar.selEnd = m_bar.maximum - extra;
    emit trackBarChanged();
}

void ViewerController::WalkFolder(QString (*step)(const QString&), const QString& treeFolder) {
    if (m_state.ScanBusy || m_closing) {
        return;
    }
    QString target = m_state.CurrentFolder.isEmpty() ? QString() : step(m_state.CurrentFolder);
    if (target.isEmpty() && !treeFolder.isEmpty()) {
        target = step(treeFolder);
    }
    if (!target.isEmpty()) {
        ViewFolder(target, true);
    }
}

void ViewerController::FolderPrevious(const QString& treeFolder) {
    WalkFolder(&PreviousSiblingFolder, treeFolder);
}

void ViewerController::FolderNext(const QString& treeFolder) {
    WalkFolder(&NextSiblingFolder, treeFolder);
}

void ViewerController::FolderUp(const QString& treeFolder) {
    WalkFolder(&ParentFolder, treeFolder);
}

void ViewerController::FolderBackEx(const QString& treeFolder) {
    WalkFolder(&DepthFirstPreviousFolder, treeFolder);
}

void ViewerController::FolderNextEx(const QString& treeFolder) {
    WalkFolder(&DepthFirstNextFolder, treeFolder);
}

void ViewerController::SortMenuChosen(SortOrder order) {
    SortExecute(order);
    if (!m_state.CurrentFile.isEmpty()) {
        ViewFile(m_state.CurrentFile);
    }
}

void ViewerController::SortExecute(SortOrder order) {
    m_state.SortMode = order;
    emit sortModeChanged(order);
}
