#include "core/foldertree/FolderListing.h"

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/filelist/FolderWalk.h"
#include "core/sorting/FileOpResult.h"

#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether the entry names a folder, links followed; `facts` then holds the folder's stat.
// A folder entry of a file system that gives the type is taken without a stat only when the
// caller does not need its identity.
bool FolderEntry(int folderFd, const dirent& entry, struct stat* facts) {
    if (entry.d_type != DT_DIR && entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    if (facts == nullptr && entry.d_type == DT_DIR) {
        return true;
    }
    struct stat own {};
    struct stat* into = facts ? facts : &own;
    return ::fstatat(folderFd, entry.d_name, into, 0) == 0 && S_ISDIR(into->st_mode);
}

// Whether the folder `name` in `folderFd` holds a folder: it is read up to the first one.
bool HoldsFolder(int folderFd, const char* name) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!IsDotOrDotDot(entry->d_name) && FolderEntry(fd, *entry, nullptr)) {
            return true;
        }
    }
    return false;
}

QString ReasonForListing(int error) {
    if (error == EACCES || error == EPERM) {
        return QStringLiteral("フォルダを読む許可がありません");
    }
    return ReasonForError(error);
}

FolderListing Failed(int error) {
    FolderListing listing;
    listing.error = ReasonForListing(error);
    return listing;
}

bool Below(const QString& path, const char* folder) {
    const QLatin1String top(folder);
    return path == top ||
           (path.startsWith(top) && path.size() > top.size() && path[top.size()] == QLatin1Char('/'));
}

} // namespace

FolderListing ListSubfolders(const QString& folder) {
    const int fd = ::open(NativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Failed(errno);
    }
    const std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return Failed(error);
    }
    FolderListing listing;
    struct stat own {};
    if (::fstat(fd, &own) != 0) {
        return Failed(errno);
    }
    listing.device = own.st_dev;
    listing.inode = own.st_ino;

    struct Sorted {
        SubfolderEntry entry;
        QCollatorSortKey key;
    };
    const FolderNameOrder order;
    std::vector<Sorted> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            // A folder removed while it is read ends with an error rather than its end.
            if (errno != 0) {
                return Failed(errno);
            }
            break;
        }
        struct stat facts {};
        if (IsDotOrDotDot(entry->d_name) || !FolderEntry(fd, *entry, &facts)) {
            continue;
        }
        SubfolderEntry child;
        child.name = PathFromNative(entry->d_name, std::strlen(entry->d_name));
        child.device = facts.st_dev;
        child.inode = facts.st_ino;
        if (entry->d_type == DT_LNK) {
            child.isLink = true;
        } else if (entry->d_type == DT_UNKNOWN) {
            struct stat link {};
            child.isLink =
                ::fstatat(fd, entry->d_name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode);
        }
        child.hasSubfolders = HoldsFolder(fd, entry->d_name);
        QCollatorSortKey key = order.KeyOf(child.name);
        found.push_back({std::move(child), std::move(key)});
    }
    std::sort(found.begin(), found.end(), [](const Sorted& a, const Sorted& b) {
        return FolderNameOrder::Before(a.key, a.entry.name, b.key, b.entry.name);
    });
    listing.subfolders.reserve(found.size());
    for (Sorted& item : found) {
        listing.subfolders.push_back(std::move(item.entry));
    }
    listing.ok = true;
    return listing;
}

bool IsUserVolume(const QByteArray& type, const QString& mountPath) {
    // The kernel's and the system's own file systems, wherever they are mounted.
    static const std::set<QByteArray> kSystemTypes = {
        "proc",    "sysfs",       "cgroup",      "cgroup2",    "devtmpfs",   "devpts",    "securityfs",
        "debugfs", "tracefs",     "configfs",    "fusectl",    "mqueue",     "hugetlbfs", "bpf",
        "pstore",  "binfmt_misc", "autofs",      "efivarfs",   "rpc_pipefs", "nsfs",      "selinuxfs",
        "nfsd",    "ramfs",       "fuse.portal", "fuse.lxcfs", "overlay",    "aufs"};
    if (kSystemTypes.count(type) != 0) {
        return false;
    }
    // The system's own places; removable media the desktop mounts under /run/media stay.
    for (const char* system : {"/proc", "/sys", "/dev", "/snap", "/var/lib/docker", "/var/lib/containers",
                               "/var/snap", "/boot/efi"}) {
        if (Below(mountPath, system)) {
            return false;
        }
    }
    if (Below(mountPath, "/run") && !Below(mountPath, "/run/media")) {
        return false;
    }
    // Snap packages are squashfs images; an image the user mounted elsewhere is a volume.
    return type != "squashfs" || !mountPath.contains(QLatin1String("/snap/"));
}

std::vector<MountedVolume> ListVolumes() {
    std::vector<MountedVolume> volumes;
    std::set<QString> seen;
    const auto add = [&](const QString& path, const QString& name) {
        if (!seen.insert(path).second) {
            return;
        }
        const QString display = name.isEmpty() ? path : name + QStringLiteral(" (") + path + QLatin1Char(')');
        volumes.push_back({path, display});
    };
    add(QStringLiteral("/"), QStorageInfo::root().name());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString path = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || !IsUserVolume(volume.fileSystemType(), path)) {
            continue;
        }
        // A file bound over another file (a container's /etc/hosts) is no volume to browse.
        if (PathKind(path) != PathType::Folder) {
            continue;
        }
        add(path, volume.name());
    }
    return volumes;
}
