#include "app/filelist/FileListNavigator.h"

#include "app/Ticks.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/filelist/FolderWalk.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <chrono>

namespace {

// A subfolder scan reports progress to the window at most this often.
constexpr std::chrono::milliseconds kProgressInterval{40};

// A look at the watched folder that finds the program busy is made again this much later.
constexpr std::chrono::milliseconds kFolderCheckRetry{50};

} // namespace

FileListNavigator::FileListNavigator(ViewerController& viewer) : ViewerPart(viewer) {
    m_folderCheck.setSingleShot(true);
    connect(&m_folderCheck, &QTimer::timeout, this, &FileListNavigator::CheckListFolder);
    connect(&m_folderWatch, &FolderWatch::disturbed, this, [this] { m_folderCheck.start(0); });
    connect(&viewer.batch(), &TransferBatch::folderMoved, this, &FileListNavigator::FolderMoved);
}

qint64 FileListNavigator::RunScan(FileEntries& list, const QString& folder, bool subfolders) {
    const ScanRule rule{m_state.ScanMask, m_options.MinSize, m_options.MaxSize, m_state.SortMode};
    if (!subfolders) {
        return FileSearch(list, folder, rule);
    }

    // The walk runs on a worker; the window stays alive in this loop and shows progress.
    m_stopScan = false;
    emit scanRunning(true);
    ScanWindow* window = m_viewer.scanWindow();
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

void FileListNavigator::ViewFolder(const QString& folder, bool selectInTree) {
    if (m_state.ScanBusy || m_viewer.closing()) {
        return;
    }
    const QString target = PathKind(folder) == PathType::Folder ? folder : m_state.pDesk;
    m_state.ScanBusy = true;
    ++m_listGeneration;
    m_state.CurrentFolder = m_state.LowDirBase = WithoutTrailingSlash(target);
    m_state.RootListName.clear();
    WatchListFolder();
    const bool subfolders = m_viewer.keys().ctrlHeld() && !m_viewer.keys().keyHeld(Qt::Key_Z);
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, subfolders);
    if (selectInTree) {
        emit selectFolderInTree(m_state.CurrentFolder);
    }
    if (m_state.FileList.empty()) {
        m_state.CurrentIndex = 0;
        m_viewer.animation().CloseGif();
        m_state.SourceBitmap = QImage();
        m_state.ViewBitmap = QImage();
        m_state.CommentText.clear();
        m_viewer.feedback().SetComment(QString());
        EnableImageCommands(false);
        ImgBarSeting();
        emit pictureChanged();
        m_viewer.feedback().TitleDraw();
    } else {
        EnableImageCommands(true);
        ShowFileList(1);
    }
    m_state.ScanBusy = false;
}

// 1 + the index of `path` in the list (exact match), or 1 when it is not there.
int FileListNavigator::PositionOf(const QString& path) const {
    const auto& list = m_state.FileList;
    const auto found =
        std::find_if(list.begin(), list.end(), [&path](const FileEntry& e) { return e.path == path; });
    return found == list.end() ? 1 : static_cast<int>(found - list.begin()) + 1;
}

// Shows entry `position` of the freshly scanned list and sets the track bar to the list.
void FileListNavigator::ShowFileList(int position) {
    m_state.CurrentIndex = 0;
    ImgBarSeting();
    m_bar.handlerAttached = false;
    m_bar.position = position;
    m_bar.handlerAttached = true;
    m_viewer.show().ImgBarChange();
    emit trackBarChanged();
}

void FileListNavigator::ViewFile(const QString& path) {
    if (path.isEmpty() || m_state.ScanBusy || m_viewer.closing()) {
        return;
    }
    ++m_listGeneration;
    m_state.CurrentFolder = m_state.LowDirBase = FolderOf(path);
    m_state.RootListName.clear();
    WatchListFolder();
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, false);
    if (m_state.FileList.empty()) {
        ViewFolder(m_state.CurrentFolder, true);
        return;
    }
    EnableImageCommands(true);
    ShowFileList(PositionOf(path));
    emit selectFolderInTree(m_state.CurrentFolder);
}

void FileListNavigator::ViewFileUndo(const QString& path) {
    if (m_state.ScanBusy || m_viewer.closing()) {
        return;
    }
    if (PathKind(path) == PathType::None) {
        m_viewer.feedback().infoMes(QStringLiteral("ファイルが開けませんでした"), MessageIcon::Information);
        return;
    }
    ++m_listGeneration;
    m_state.CurrentFolder = FolderOf(path);
    // A folder is shown now, not the check list that was open.
    m_state.RootListName.clear();
    WatchListFolder();
    m_state.ListTotalSize = RunScan(m_state.FileList, m_state.CurrentFolder, false);
    emit selectFolderInTree(m_state.CurrentFolder);
    if (m_state.FileList.empty()) {
        ViewFolder(m_state.CurrentFolder, true);
        return;
    }
    EnableImageCommands(true);
    ShowFileList(PositionOf(path));
}

void FileListNavigator::ImgListDelete() {
    const int index = m_state.CurrentIndex;
    if (index < 1 || index > static_cast<int>(m_state.FileList.size())) {
        return;
    }
    m_state.FileList.erase(m_state.FileList.begin() + (index - 1));
    m_state.ListTotalSize -= m_state.CurrentFileSize;
    m_viewer.show().ShownFileGone();
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
    m_viewer.show().ImgBarChange();
    emit trackBarChanged();
}

void FileListNavigator::ReplaceShownFile(const QString& path) {
    const int index = m_state.CurrentIndex;
    if (index < 1 || index > static_cast<int>(m_state.FileList.size())) {
        return;
    }
    m_state.FileList[static_cast<std::size_t>(index - 1)].path = path;
    m_state.CurrentFile = path;
    // No file counts as shown, so the position is shown again under the new name.
    m_state.CurrentIndex = 0;
    m_viewer.show().ImgBarChange();
}

void FileListNavigator::ImgBarSeting() {
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

void FileListNavigator::TrackBarMoved(int position) {
    if (m_viewer.show().WaitBehindInputs([this, position] { TrackBarMoved(position); })) {
        return;
    }
    m_bar.position = std::clamp(position, m_bar.minimum, m_bar.maximum);
    emit trackBarChanged();
    if (m_bar.handlerAttached) {
        m_viewer.show().ImgBarChange();
    }
}

void FileListNavigator::ImgNext() {
    if (m_state.FileList.empty() || !m_imageCommands ||
        m_viewer.show().WaitBehindInputs([this] { ImgNext(); })) {
        return;
    }
    if (m_viewer.keys().ctrlHeld()) {
        m_viewer.show().StepGifFrame(1);
        return;
    }
    if (m_bar.position >= m_bar.maximum) {
        m_viewer.feedback().SoundPlay(Sound::EndOfList);
        return;
    }
    TrackBarMoved(m_bar.position + 1);
}

void FileListNavigator::ImgBack() {
    if (m_state.FileList.empty() || !m_imageCommands ||
        m_viewer.show().WaitBehindInputs([this] { ImgBack(); })) {
        return;
    }
    if (m_viewer.keys().ctrlHeld()) {
        m_viewer.show().StepGifFrame(-1);
        return;
    }
    if (m_bar.position <= m_bar.minimum) {
        m_viewer.feedback().SoundPlay(Sound::EndOfList);
        return;
    }
    TrackBarMoved(m_bar.position - 1);
}

void FileListNavigator::JumpStart() {
    if (!m_state.FileList.empty()) {
        TrackBarMoved(1);
    }
}

void FileListNavigator::JumpEnd() {
    if (!m_state.FileList.empty()) {
        TrackBarMoved(static_cast<int>(m_state.FileList.size()));
    }
}

void FileListNavigator::SetSelectionStart() {
    m_bar.selStart = m_bar.position;
    emit trackBarChanged();
}

void FileListNavigator::SetSelectionEnd() {
    m_bar.selEnd = m_bar.position;
    emit trackBarChanged();
}

void FileListNavigator::SelectAll() {
    // A looping list has one extra place at each end, which is no file.
    const int extra = m_options.SwListLoop && !m_state.FileList.empty() ? 1 : 0;
    m_bar.selStart = m_bar.minimum + extra;
    m_bar.selEnd = m_bar.maximum - extra;
    emit trackBarChanged();
}

void FileListNavigator::WalkFolder(QString (*step)(const QString&), const QString& treeFolder) {
    if (m_state.ScanBusy || m_viewer.closing()) {
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

void FileListNavigator::FolderPrevious(const QString& treeFolder) {
    WalkFolder(&PreviousSiblingFolder, treeFolder);
}

void FileListNavigator::FolderNext(const QString& treeFolder) {
    WalkFolder(&NextSiblingFolder, treeFolder);
}

void FileListNavigator::FolderUp(const QString& treeFolder) {
    WalkFolder(&ParentFolder, treeFolder);
}

void FileListNavigator::FolderBackEx(const QString& treeFolder) {
    WalkFolder(&DepthFirstPreviousFolder, treeFolder);
}

void FileListNavigator::FolderNextEx(const QString& treeFolder) {
    WalkFolder(&DepthFirstNextFolder, treeFolder);
}

void FileListNavigator::SortMenuChosen(SortOrder order) {
    SortExecute(order);
    if (!m_state.CurrentFile.isEmpty()) {
        ViewFile(m_state.CurrentFile);
    }
}

void FileListNavigator::SortExecute(SortOrder order) {
    m_state.SortMode = order;
    emit sortModeChanged(order);
}

void FileListNavigator::Refresh(const QString& treeFolder) {
    m_state.ScanBusy = false;
    m_state.ShowBusy = false;
    if (!m_state.CurrentFile.isEmpty() && PathKind(m_state.CurrentFile) == PathType::File) {
        ViewFile(m_state.CurrentFile);
    } else {
        ViewFolder(treeFolder, true);
    }
}

void FileListNavigator::OpenList(const QStringList& files, const QString& name) {
    if (m_state.ScanBusy || m_viewer.closing() || files.isEmpty()) {
        return;
    }
    ++m_listGeneration;
    m_state.FileList.clear();
    for (const QString& file : files) {
        m_state.FileList.push_back({file, 0});
    }
    m_state.RootListName = name;
    WatchListFolder();
    m_state.ListTotalSize = ListGetSize(files, 1);
    EnableImageCommands(true);
    ShowFileList(1);
}

void FileListNavigator::OpenDropped(const QStringList& paths) {
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

void FileListNavigator::EnableImageCommands(bool on) {
    m_imageCommands = on;
    m_viewer.registry().SetPictureShown(on);
    if (!on) {
        m_viewer.feedback().SetSlideShow(false);
    }
    emit imageCommandsEnabled(on);
}

void FileListNavigator::WatchListFolder() {
    const QString folder = m_state.RootListName.isEmpty() ? m_state.CurrentFolder : QString();
    if (!m_folderWatch.Watch(folder)) {
        // It may be gone already; a folder that only cannot be watched stays as it is.
        m_folderCheck.start(0);
    }
}

void FileListNavigator::FolderMoved(const QString& from, const QString& to) {
    const QString moved = WithTrailingSlash(from);
    if (!m_state.RootListName.isEmpty() || to.isEmpty() || moved == QLatin1String("/") ||
        !WithTrailingSlash(m_state.CurrentFolder).startsWith(moved)) {
        return;
    }
    const QString target = WithTrailingSlash(to);
    const auto follow = [&moved, &target](QString& path) {
        if (path.startsWith(moved)) {
            path = target + path.mid(moved.size());
        }
    };
    for (QString* folder : {&m_state.CurrentFolder, &m_state.LowDirBase}) {
        QString inside = WithTrailingSlash(*folder);
        follow(inside);
        *folder = WithoutTrailingSlash(inside);
    }
    for (FileEntry& entry : m_state.FileList) {
        follow(entry.path);
    }
    follow(m_state.CurrentFile);
    WatchListFolder();
}

void FileListNavigator::CheckListFolder() {
    const QString folder = m_folderWatch.folder();
    if (m_viewer.closing() || folder.isEmpty()) {
        return;
    }
    // A question, a batch, a scan or a picture being read waits in an event loop of its own;
    // the list must not change under it.
    if (m_viewer.InputHeld() || m_state.ShowBusy || m_state.SortBusy) {
        m_folderCheck.start(kFolderCheckRetry);
        return;
    }
    if (m_folderWatch.StillThere()) {
        // A folder above it moved and came back, or a watch ended: the folder is watched afresh.
        m_folderWatch.Watch(folder);
        return;
    }
    m_folderWatch.Stop();
    const quint64 list = m_listGeneration;
    m_viewer.feedback().infoMes(QStringLiteral("表示中のフォルダが見つからなくなりました\r\n") + folder,
                                MessageIcon::Information);
    if (m_viewer.closing() || list != m_listGeneration) {
        return;
    }
    QString above = ParentFolder(folder);
    while (!above.isEmpty() && PathKind(above) != PathType::Folder) {
        above = ParentFolder(above);
    }
    ViewFolder(above, true);
}
