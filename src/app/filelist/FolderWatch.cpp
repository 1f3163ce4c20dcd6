#include "app/filelist/FolderWatch.h"

#include "core/common/InotifyEvents.h"
#include "core/common/NativePath.h"
#include "core/filelist/FolderWalk.h"

#include <QSocketNotifier>
#include <algorithm>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Only the folder's own going away; the kernel reports an unmount without being asked.
constexpr std::uint32_t kOwnEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

FolderWatch::FolderWatch(QObject* parent) : QObject(parent) {
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatch::ReadEvents);
    }
}

FolderWatch::~FolderWatch() {
    // The notifier lets go of the descriptor before it is closed.
    delete m_notifier;
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool FolderWatch::Watch(const QString& folder) {
    RemoveWatches();
    m_folder = folder;
    m_device = 0;
    m_inode = 0;
    if (folder.isEmpty()) {
        return true;
    }
    // The watches first: a folder replaced before the look at it below is then reported too.
    bool watched = false;
    for (QString path = folder; m_fd >= 0 && !path.isEmpty() && path != QLatin1String("/");
         path = ParentFolder(path)) {
        const int watch = ::inotify_add_watch(m_fd, NativePath(path).constData(), kOwnEvents);
        // A folder that cannot be read cannot be watched; those above it still are.
        if (watch < 0) {
            continue;
        }
        watched = watched || path == folder;
        // Two paths may reach one folder through a link; inotify gives it one watch.
        if (std::find(m_watches.begin(), m_watches.end(), watch) == m_watches.end()) {
            m_watches.push_back(watch);
        }
    }
    const PathFacts facts = StatPath(folder);
    if (facts.exists && facts.isFolder) {
        m_device = facts.device;
        m_inode = facts.inode;
    }
    return watched && m_inode != 0;
}

bool FolderWatch::StillThere() const {
    if (m_folder.isEmpty() || m_inode == 0) {
        return false;
    }
    const PathFacts now = StatPath(m_folder);
    return now.exists && now.isFolder && now.device == m_device && now.inode == m_inode;
}

void FolderWatch::RemoveWatches() {
    for (const int watch : m_watches) {
        ::inotify_rm_watch(m_fd, watch);
    }
    m_watches.clear();
}

void FolderWatch::ReadEvents() {
    bool ours = false;
    ReadInotifyEvents(m_fd, [this, &ours](const InotifyEvent& event) {
        // Events of watches removed before (the end of each one among them) are stale.
        const bool watched = std::find(m_watches.begin(), m_watches.end(), event.watch) != m_watches.end();
        if (watched || (event.mask & IN_Q_OVERFLOW) != 0) {
            ours = true;
        }
    });
    if (ours) {
        emit disturbed();
    }
}
