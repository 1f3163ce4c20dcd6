#pragma once

// The steps a transfer of FileOperations is made of, shared by the move or copy of one file and
// the move of a folder to another volume: the marker that names a temporary entry while it is
// written, the temporary entries themselves, opening the target's folders, copying data and
// giving the target its name. Internal to src/core/sorting; plain blocking calls.

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/sorting/FileOperations.h"
#include "core/sorting/TransferCalls.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace transfer_steps {

inline constexpr std::size_t kBlockSize = 1 << 20;
inline constexpr int kMaxAttempts = 1000;
inline const QByteArray kTempPrefix = QByteArrayLiteral(".ruvela-");
inline const QByteArray kTempSuffix = QByteArrayLiteral(".part");
inline const QByteArray kStagingSuffix = QByteArrayLiteral(".new");

inline FileOpResult BadName() {
    return FileOpResult::Failure(0, QStringLiteral("名前に使えない文字が含まれています"));
}

// ".ruvela-<pid>-<n>.part": the only names RemoveLeftovers ever unlinks outside its own folder.
inline bool IsTemporaryName(const QByteArray& name) {
    if (!name.startsWith(kTempPrefix) || !name.endsWith(kTempSuffix)) {
        return false;
    }
    const QByteArray id = name.mid(kTempPrefix.size(), name.size() - kTempPrefix.size() - kTempSuffix.size());
    const QList<QByteArray> parts = id.split('-');
    if (parts.size() != 2) {
        return false;
    }
    for (const QByteArray& part : parts) {
        if (part.isEmpty()) {
            return false;
        }
        for (const char c : part) {
            if (c < '0' || c > '9') {
                return false;
            }
        }
    }
    return true;
}

inline void Report(const std::function<void(TransferStep)>& hook, TransferStep step) {
    if (hook) {
        hook(step);
    }
}

inline FileOpResult FolderInTheWay() {
    return FileOpResult::Failure(EISDIR, QStringLiteral("同じ名前のフォルダがあるため、上書きできません"));
}

// Sends the file at `target` to the trash to make room for the new one; `replaced` learns where
// it went. Nothing there is fine; a folder there is refused.
inline FileOpResult TrashTarget(const Trash& trash, const QByteArray& target,
                                std::optional<TrashedEntry>* replaced,
                                const std::function<void(TransferStep)>& hook) {
    struct stat facts {};
    if (::lstat(target.constData(), &facts) != 0) {
        return errno == ENOENT ? FileOpResult::Success() : FileOpResult::FromErrno(errno);
    }
    if (S_ISDIR(facts.st_mode)) {
        return FolderInTheWay();
    }
    TrashedEntry entry;
    const FileOpResult trashed = trash.Put(PathFromNative(target), &entry);
    if (!trashed) {
        return FileOpResult::Failure(
            trashed.error,
            QStringLiteral("同名のファイルをごみ箱に移動できないため、上書きできません: ") + trashed.reason);
    }
    *replaced = entry;
    Report(hook, TransferStep::TargetTrashed);
    return FileOpResult::Success();
}

// The new file could not take its name (`error`) after the file it replaces went to the trash:
// that file goes back to its name, and the reason says so when it cannot.
inline FileOpResult FailedAfterTrash(const std::optional<TrashedEntry>& replaced, int error) {
    if (!replaced || Trash::PutBack(*replaced)) {
        return FileOpResult::FromErrno(error);
    }
    return FileOpResult::Failure(
        error, ReasonForError(error) + QStringLiteral("(上書きされるはずだったファイルはごみ箱にあります)"));
}

// The marker of one transfer: a file in the pending folder that names the temporary file and
// stays locked while this process may still write it. It is written under a staging name and
// renamed once locked, so RemoveLeftovers never sees an unlocked marker of a live transfer.
class Marker {
public:
    explicit Marker(int folder) : m_folder(folder) {}
    Marker(const Marker&) = delete;
    Marker& operator=(const Marker&) = delete;
    ~Marker() { Remove(); }

    // 0, or the errno of the call that failed (EEXIST or ENOENT: try another name).
    int Write(const QByteArray& name, const QByteArray& temporaryPath) {
        const QByteArray staging = name + kStagingSuffix;
        const int fd = ::openat(m_folder, staging.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            return errno;
        }
        int error = ::flock(fd, LOCK_EX) == 0 ? 0 : errno;
        if (error == 0) {
            error = WriteAll(fd, temporaryPath);
        }
        if (error == 0 && ::fsync(fd) != 0) {
            error = errno;
        }
        if (error == 0) {
            error = RenameNoReplaceAt(m_folder, staging.constData(), m_folder, name.constData());
        }
        if (error != 0) {
            ::unlinkat(m_folder, staging.constData(), 0);
            ::close(fd);
            return error;
        }
        ::fsync(m_folder);
        m_fd = fd;
        m_name = name;
        return 0;
    }

    void Remove() {
        if (m_fd >= 0) {
            ::unlinkat(m_folder, m_name.constData(), 0);
            ::close(m_fd);
            m_fd = -1;
        }
    }

    // Leaves the marker on disk, unlocked, for RemoveLeftovers at the next start.
    void Release() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_folder;
    int m_fd = -1;
    QByteArray m_name;
};

// A temporary entry of one transfer in the destination folder, under its temporary name until
// it is renamed into place; what is left of it goes with its owner.
class TemporaryEntry {
public:
    TemporaryEntry(const TemporaryEntry&) = delete;
    TemporaryEntry& operator=(const TemporaryEntry&) = delete;

    int RenameTo(const QByteArray& name) {
        const int error = RenameNoReplaceAt(m_folder, m_name.constData(), m_folder, name.constData());
        if (error == 0) {
            m_name.clear();
        }
        return error;
    }

protected:
    explicit TemporaryEntry(int folder) : m_folder(folder) {}
    ~TemporaryEntry() = default;

    int m_folder;
    QByteArray m_name; // empty once renamed into place
};

// The complete temporary entry takes the target's name. With `replace`, the file there goes to
// that trash only now, when nothing but the rename is left to fail, and comes back when it fails.
inline FileOpResult TakeTargetName(TemporaryEntry& temporary, const QByteArray& target, const Trash* replace,
                                   const std::function<void(TransferStep)>& hook) {
    std::optional<TrashedEntry> replaced;
    if (replace != nullptr) {
        if (const FileOpResult trashed = TrashTarget(*replace, target, &replaced, hook); !trashed) {
            return trashed;
        }
    }
    if (const int error = temporary.RenameTo(NamePart(target))) {
        return FailedAfterTrash(replaced, error);
    }
    Report(hook, TransferStep::RenamedIntoPlace);
    return FileOpResult::Success();
}

// The temporary file of one transfer; unlinked unless it was renamed into place.
class TemporaryFile : public TemporaryEntry {
public:
    explicit TemporaryFile(int folder) : TemporaryEntry(folder) {}
    ~TemporaryFile() {
        Close();
        if (!m_name.isEmpty()) {
            ::unlinkat(m_folder, m_name.constData(), 0);
        }
    }

    int Create(const QByteArray& name) {
        m_fd = ::openat(m_folder, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            return errno;
        }
        m_name = name;
        return 0;
    }

    int fd() const { return m_fd; }

    int Close() {
        if (m_fd < 0) {
            return 0;
        }
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
};

// The folders a transfer to `target` writes in, open: the target's own folder and the pending
// folder (made when missing). `result` fails when the target's name is taken (unless it holds a
// file and `replace` may send that to the trash) or a folder cannot be opened.
struct TargetFolders {
    UniqueFd destination{-1};
    UniqueFd pending{-1};
    FileOpResult result = FileOpResult::Success();
};

inline std::unique_ptr<TargetFolders> OpenTargetFolders(const QString& pendingFolder,
                                                        const QByteArray& target, const Trash* replace) {
    auto folders = std::make_unique<TargetFolders>();
    const auto fail = [&folders](FileOpResult result) {
        folders->result = std::move(result);
        return std::move(folders);
    };
    struct stat existing {};
    if (::lstat(target.constData(), &existing) == 0) {
        if (replace == nullptr) {
            return fail(FileOpResult::FromErrno(EEXIST));
        }
        if (S_ISDIR(existing.st_mode)) {
            return fail(FolderInTheWay());
        }
    }
    folders->destination.Reset(::open(FolderPart(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folders->destination.fd() < 0) {
        return fail(FileOpResult::FromErrno(errno));
    }
    if (pendingFolder.isEmpty()) {
        return fail(FileOpResult::Failure(
            0, QStringLiteral("作業用のフォルダが決まっていないため、この操作を行えません")));
    }
    const QByteArray pending = NativePath(pendingFolder);
    if (const int error = MakeFolders(pending, 0700)) {
        return fail(FileOpResult::FromErrno(error));
    }
    folders->pending.Reset(::open(pending.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folders->pending.fd() < 0) {
        return fail(FileOpResult::FromErrno(errno));
    }
    return folders;
}

// Picks a temporary name in `folder` (its path) and makes the entry under it with `make`, which
// returns 0, EEXIST when the name is taken (the next number is tried) or another errno. The
// marker naming it is on disk first, so no temporary entry is ever left that nothing names. The
// name carries the process id and a number free both there and in the pending folder; `*name`
// learns it. 0 or errno.
inline int MakeTemporary(Marker& marker, const QByteArray& folder,
                         const std::function<int(const QByteArray&)>& make,
                         const std::function<void(TransferStep)>& hook, QByteArray* name) {
    const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid()));
    for (int number = 1; number <= kMaxAttempts; ++number) {
        const QByteArray id = pid + '-' + QByteArray::number(number);
        const QByteArray temporaryName = kTempPrefix + id + kTempSuffix;
        int error = marker.Write(id, (folder == "/" ? QByteArray() : folder) + '/' + temporaryName);
        if (error == EEXIST || error == ENOENT) {
            continue;
        }
        if (error != 0) {
            return error;
        }
        Report(hook, TransferStep::MarkerWritten);
        error = make(temporaryName);
        if (error == EEXIST) {
            marker.Remove();
            continue;
        }
        if (error == 0) {
            *name = temporaryName;
        }
        return error;
    }
    return EEXIST;
}

// Gives the copy open at `fd` the permission bits and times of `facts` and flushes it. Mode and
// times are set before the flush, so they are as durable as the data. 0 or errno.
inline int Finish(int fd, const struct stat& facts) {
    const struct timespec times[2] = {facts.st_atim, facts.st_mtim};
    if (::fchmod(fd, facts.st_mode & 07777) != 0 || ::futimens(fd, times) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// Copies the rest of `in` to `out` in blocks; 0 or errno.
inline int CopyData(int in, int out, qint64* copied, const std::function<void(TransferStep)>& hook) {
    bool plain = false;
    std::vector<char> buffer;
    for (;;) {
        ssize_t n = 0;
        if (!plain) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kBlockSize, 0);
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                // Not between these file systems: the offsets stand where they were.
                plain = true;
                buffer.resize(kBlockSize);
                continue;
            }
        } else {
            n = ::read(in, buffer.data(), buffer.size());
            if (n > 0) {
                if (const int error = WriteAll(out, QByteArray::fromRawData(buffer.data(), n))) {
                    return error;
                }
            }
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        *copied += n;
        Report(hook, TransferStep::DataCopied);
    }
}

// `path` without the "/" at its end; the root stays "/".
inline QByteArray WithoutTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return path;
}

// The folder `from` to `to` on another volume (FolderMove.cpp).
FileOpResult MoveFolderAcross(const QString& pendingFolder, const std::function<void(TransferStep)>& hook,
                              const QByteArray& from, const QByteArray& to, const Trash* replace);

} // namespace transfer_steps
