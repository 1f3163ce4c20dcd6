#include "core/sorting/TransferCalls.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

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
