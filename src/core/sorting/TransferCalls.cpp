#include "core/sorting/TransferCalls.h"

#include "core/common/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

int OpenSubfolder(int folder, const char* name) {
    return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

QByteArray Below(const QByteArray& prefix, const QByteArray& name) {
    return prefix.isEmpty() ? name : prefix + '/' + name;
}

int ListFolder(int folder, dev_t device, const QByteArray& prefix, std::vector<TreeEntry>* entries,
               QByteArray* failedAt) {
    std::vector<QByteArray> names;
    if (const int error = FolderNames(folder, &names)) {
        *failedAt = prefix;
        return error;
    }
    for (const QByteArray& name : names) {
        TreeEntry entry;
        entry.path = Below(prefix, name);
        struct stat facts {};
        if (::fstatat(folder, name.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
            *failedAt = entry.path;
            return errno;
        }
        entry.mode = facts.st_mode;
        entry.size = facts.st_size;
        if (!S_ISDIR(facts.st_mode)) {
            entries->push_back(entry);
            continue;
        }
        entry.mountPoint = IsMountPoint(folder, name.constData(), device);
        entry.removable = ::faccessat(folder, name.constData(), W_OK | X_OK, AT_EACCESS) == 0;
        entries->push_back(entry);
        if (entry.mountPoint) {
            continue;
        }
        const UniqueFd inner(OpenSubfolder(folder, name.constData()));
        if (inner.fd() < 0) {
            *failedAt = entry.path;
            return errno;
        }
        if (const int error = ListFolder(inner.fd(), device, entry.path, entries, failedAt)) {
            return error;
        }
    }
    return 0;
}

int RemoveContents(int folder, dev_t device, const std::function<void()>& removed) {
    std::vector<QByteArray> names;
    if (const int error = FolderNames(folder, &names)) {
        return error;
    }
    for (const QByteArray& name : names) {
        struct stat facts {};
        if (::fstatat(folder, name.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
            return errno;
        }
        if (S_ISDIR(facts.st_mode)) {
            // Another file system mounted inside is not ours to empty.
            if (IsMountPoint(folder, name.constData(), device)) {
                return EBUSY;
            }
            const UniqueFd inner(OpenSubfolder(folder, name.constData()));
            if (inner.fd() < 0) {
                return errno;
            }
            if (const int error = RemoveContents(inner.fd(), device, removed)) {
                return error;
            }
        }
        if (::unlinkat(folder, name.constData(), S_ISDIR(facts.st_mode) ? AT_REMOVEDIR : 0) != 0) {
            return errno;
        }
        if (removed) {
            removed();
        }
    }
    return 0;
}

} // namespace

int RenameNoReplaceAt(int fromFolder, const char* from, int toFolder, const char* to) {
    if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS) {
        return error;
    }
    struct stat st {};
    if (::fstatat(fromFolder, from, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (::linkat(fromFolder, from, toFolder, to, 0) == 0) {
            if (::unlinkat(fromFolder, from, 0) != 0) {
                const int unlinkError = errno;
                ::unlinkat(toFolder, to, 0);
                return unlinkError;
            }
            return 0;
        }
        // Without hard links (FAT, many FUSE file systems) only the checked rename is left.
        const int linkError = errno;
        if (linkError != EPERM && linkError != EOPNOTSUPP) {
            return linkError;
        }
    }
    // rename(2) of a folder could only replace an empty folder.
    if (::fstatat(toFolder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        return EEXIST;
    }
    return ::renameat(fromFolder, from, toFolder, to) == 0 ? 0 : errno;
}

int MakeFolders(const QByteArray& path, mode_t mode) {
    struct stat st {};
    if (::stat(path.constData(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    const QByteArray parent = FolderPart(path);
    if (parent != path) {
        if (const int error = MakeFolders(parent, mode)) {
            return error;
        }
    }
    if (::mkdir(path.constData(), mode) != 0 && errno != EEXIST) {
        return errno;
    }
    return 0;
}

QByteArray FolderPart(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray NamePart(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray AbsolutePath(const QByteArray& path) {
    if (path.startsWith('/')) {
        return path;
    }
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) {
        return path;
    }
    return QByteArray(cwd) + '/' + path;
}

bool IsMountPoint(int parent, const char* name, dev_t parentDevice) {
    struct statx facts {};
    if (::statx(parent, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE, &facts) != 0) {
        return false;
    }
    if ((facts.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
        (facts.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0) {
        return true;
    }
    return makedev(facts.stx_dev_major, facts.stx_dev_minor) != parentDevice;
}

int ListTree(int parent, const QByteArray& name, std::vector<TreeEntry>* entries, QByteArray* failedAt) {
    const UniqueFd top(OpenSubfolder(parent, name.constData()));
    struct stat facts {};
    if (top.fd() < 0 || ::fstat(top.fd(), &facts) != 0) {
        failedAt->clear();
        return errno;
    }
    return ListFolder(top.fd(), facts.st_dev, {}, entries, failedAt);
}

int RemoveTree(int parent, const QByteArray& name, const std::function<void()>& removed) {
    struct stat facts {};
    if (::fstatat(parent, name.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno;
    }
    if (S_ISDIR(facts.st_mode)) {
        struct stat above {};
        if (::fstat(parent, &above) != 0) {
            return errno;
        }
        if (IsMountPoint(parent, name.constData(), above.st_dev)) {
            return EBUSY;
        }
        const UniqueFd top(OpenSubfolder(parent, name.constData()));
        if (top.fd() < 0) {
            return errno;
        }
        if (const int error = RemoveContents(top.fd(), facts.st_dev, removed)) {
            return error;
        }
    }
    return ::unlinkat(parent, name.constData(), S_ISDIR(facts.st_mode) ? AT_REMOVEDIR : 0) == 0 ? 0 : errno;
}

int FolderNames(int folder, std::vector<QByteArray>* names) {
    DIR* listing = ::fdopendir(::dup(folder));
    if (listing == nullptr) {
        return errno;
    }
    // The copy of the descriptor shares its position with `folder`, which may have been read before.
    ::rewinddir(listing);
    int error = 0;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (entry == nullptr) {
            error = errno;
            break;
        }
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names->push_back(name);
        }
    }
    ::closedir(listing);
    std::sort(names->begin(), names->end());
    return error;
}
