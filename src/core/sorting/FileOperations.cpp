#include "core/sorting/FileOperations.h"

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/sorting/TransferCalls.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
constexpr int kMaxAttempts = 1000;
const QByteArray kTempPrefix = QByteArrayLiteral(".ruvela-");
const QByteArray kTempSuffix = QByteArrayLiteral(".part");
const QByteArray kStagingSuffix = QByteArrayLiteral(".new");

FileOpResult BadName() {
    return FileOpResult::Failure(0, QStringLiteral("名前に使えない文字が含まれています"));
}

// ".ruvela-<pid>-<n>.part": the only names RemoveLeftovers ever unlinks outside its own folder.
bool IsTemporaryName(const QByteArray& name) {
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

void Report(const std::function<void(TransferStep)>& hook, TransferStep step) {
    if (hook) {
        hook(step);
    }
}

FileOpResult FolderInTheWay() {
    return FileOpResult::Failure(EISDIR, QStringLiteral("同じ名前のフォルダがあるため、上書きできません"));
}

// Sends the file at `target` to the trash to make room for the new one; `replaced` learns where
// it went. Nothing there is fine; a folder there is refused.
FileOpResult TrashTarget(const Trash& trash, const QByteArray& target, std::optional<TrashedEntry>* replaced,
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
FileOpResult FailedAfterTrash(const std::optional<TrashedEntry>& replaced, int error) {
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

private:
    int m_folder;
    int m_fd = -1;
    QByteArray m_name;
};

// The temporary file of one transfer in the destination folder; unlinked unless it was
// renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(int folder) : m_folder(folder) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
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

    int RenameTo(const QByteArray& name) {
        const int error = RenameNoReplaceAt(m_folder, m_name.constData(), m_folder, name.constData());
        if (error == 0) {
            m_name.clear();
        }
        return error;
    }

private:
    int m_folder;
    int m_fd = -1;
    QByteArray m_name;
};

// Copies the rest of `in` to `out` in blocks; 0 or errno.
int CopyData(int in, int out, qint64* copied, const std::function<void(TransferStep)>& hook) {
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

// The file `from` to a temporary file beside `to`, then under its final name; a move removes
// its source last. With `replace`, a file at `to` goes to that trash right before the rename.
FileOpResult Transfer(const QString& pendingFolder, const std::function<void(TransferStep)>& hook,
                      const QString& from, const QString& to, bool move, const Trash* replace) {
    const QByteArray source = NativePath(from);
    const QByteArray target = AbsolutePath(NativePath(to));
    if (HoldsNul(source) || HoldsNul(target)) {
        return BadName();
    }
    const UniqueFd in(::open(source.constData(), O_RDONLY | O_CLOEXEC));
    if (in.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }
    struct stat facts {};
    if (::fstat(in.fd(), &facts) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    if (S_ISDIR(facts.st_mode)) {
        return FileOpResult::FromErrno(EISDIR);
    }
    if (!S_ISREG(facts.st_mode)) {
        return FileOpResult::Failure(0, QStringLiteral("通常のファイルではないため、この操作を行えません"));
    }
    struct stat existing {};
    if (::lstat(target.constData(), &existing) == 0) {
        if (replace == nullptr) {
            return FileOpResult::FromErrno(EEXIST);
        }
        if (S_ISDIR(existing.st_mode)) {
            return FolderInTheWay();
        }
    }
    const QByteArray folder = FolderPart(target);
    const UniqueFd destination(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (destination.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }
    if (pendingFolder.isEmpty()) {
        return FileOpResult::Failure(
            0, QStringLiteral("作業用のフォルダが決まっていないため、この操作を行えません"));
    }
    const QByteArray pending = NativePath(pendingFolder);
    if (const int error = MakeFolders(pending, 0700)) {
        return FileOpResult::FromErrno(error);
    }
    const UniqueFd pendingFd(::open(pending.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (pendingFd.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }

    // The marker is on disk before the temporary file exists, so no temporary file is ever
    // left that nothing names. Both names carry the process id and a number free in both places.
    Marker marker(pendingFd.fd());
    TemporaryFile temporary(destination.fd());
    const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid()));
    for (int number = 1;; ++number) {
        if (number > kMaxAttempts) {
            return FileOpResult::FromErrno(EEXIST);
        }
        const QByteArray id = pid + '-' + QByteArray::number(number);
        const QByteArray temporaryName = kTempPrefix + id + kTempSuffix;
        const QByteArray temporaryPath = (folder == "/" ? QByteArray() : folder) + '/' + temporaryName;
        int error = marker.Write(id, temporaryPath);
        if (error == EEXIST || error == ENOENT) {
            continue;
        }
        if (error != 0) {
            return FileOpResult::FromErrno(error);
        }
        Report(hook, TransferStep::MarkerWritten);
        error = temporary.Create(temporaryName);
        if (error == EEXIST) {
            marker.Remove();
            continue;
        }
        if (error != 0) {
            return FileOpResult::FromErrno(error);
        }
        break;
    }
    Report(hook, TransferStep::TempCreated);

    qint64 copied = 0;
    if (const int error = CopyData(in.fd(), temporary.fd(), &copied, hook)) {
        return FileOpResult::FromErrno(error);
    }
    struct stat written {};
    if (::fstat(temporary.fd(), &written) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    if (copied != facts.st_size || written.st_size != facts.st_size) {
        return FileOpResult::Failure(
            0, QStringLiteral("コピーの途中で元のファイルの大きさが変わったため、この操作を行えません"));
    }
    const struct timespec times[2] = {facts.st_atim, facts.st_mtim};
    // Mode and times are set before the flush, so they are as durable as the data.
    if (::fchmod(temporary.fd(), facts.st_mode & 07777) != 0 || ::futimens(temporary.fd(), times) != 0 ||
        ::fsync(temporary.fd()) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    Report(hook, TransferStep::Synced);
    if (const int error = temporary.Close()) {
        return FileOpResult::FromErrno(error);
    }
    // The file this one replaces goes only now, when nothing but the rename is left to fail.
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
    if (move) {
        // The target's name is on disk before the source goes; the source is removed only when
        // its name still leads to the file that was copied.
        ::fsync(destination.fd());
        struct stat now {};
        int error = ::lstat(source.constData(), &now) == 0 ? 0 : errno;
        if (error == 0 && (now.st_dev != facts.st_dev || now.st_ino != facts.st_ino)) {
            error = EEXIST;
        }
        if (error == 0 && ::unlink(source.constData()) != 0) {
            error = errno;
        }
        if (error != 0) {
            return FileOpResult::Failure(
                error, QStringLiteral("コピーは済みましたが、元のファイルを削除できませんでした: ") +
                           ReasonForError(error));
        }
        Report(hook, TransferStep::SourceRemoved);
    }
    return FileOpResult::Success();
}

} // namespace

FileOperations::FileOperations(QString pendingFolder, Trash trash)
    : m_pendingFolder(std::move(pendingFolder)), m_trash(std::move(trash)) {}

FileOpResult FileOperations::Move(const QString& from, const QString& to, ExistingTarget existing) const {
    const QByteArray source = NativePath(from);
    const QByteArray target = NativePath(to);
    if (HoldsNul(source) || HoldsNul(target)) {
        return BadName();
    }
    struct stat facts {};
    if (::lstat(source.constData(), &facts) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    const bool replacing = existing == ExistingTarget::ToTrash;
    struct stat old {};
    int error = 0;
    if (replacing && ::lstat(target.constData(), &old) == 0) {
        if (S_ISDIR(old.st_mode)) {
            return FolderInTheWay();
        }
        if (old.st_dev != facts.st_dev) {
            // Another volume: the file is copied first, and the old one goes right before the
            // copy takes its name.
            error = EXDEV;
        } else {
            // One rename: the old file goes right before it, and comes back when it fails.
            std::optional<TrashedEntry> replaced;
            if (const FileOpResult trashed = TrashTarget(m_trash, target, &replaced, m_stepHook); !trashed) {
                return trashed;
            }
            error = RenameNoReplaceAt(AT_FDCWD, source.constData(), AT_FDCWD, target.constData());
            if (error != 0) {
                const FileOpResult failed = FailedAfterTrash(replaced, error);
                if (error != EXDEV) {
                    return failed;
                }
            }
        }
    } else {
        error = RenameNoReplaceAt(AT_FDCWD, source.constData(), AT_FDCWD, target.constData());
    }
    if (error != EXDEV) {
        return error == 0 ? FileOpResult::Success() : FileOpResult::FromErrno(error);
    }
    if (S_ISDIR(facts.st_mode)) {
        return FileOpResult::Failure(EXDEV, QStringLiteral("フォルダは別のボリュームへ移動できません"));
    }
    if (!S_ISREG(facts.st_mode)) {
        return FileOpResult::Failure(
            EXDEV, QStringLiteral("リンクや特殊なファイルは別のボリュームへ移動できません"));
    }
    return Transfer(m_pendingFolder, m_stepHook, from, to, true, replacing ? &m_trash : nullptr);
}

FileOpResult FileOperations::Copy(const QString& from, const QString& to, ExistingTarget existing) const {
    return Transfer(m_pendingFolder, m_stepHook, from, to, false,
                    existing == ExistingTarget::ToTrash ? &m_trash : nullptr);
}

FileOpResult FileOperations::Delete(const QString& path) const {
    return m_trash.Put(path);
}

FileOpResult FileOperations::Rename(const QString& from, const QString& to) const {
    if (to.isEmpty()) {
        return FileOpResult::Failure(0, QStringLiteral("新しい名前が空です"));
    }
    if (to == QStringLiteral(".") || to == QStringLiteral("..")) {
        return FileOpResult::Failure(0, QStringLiteral("「.」と「..」は名前にできません"));
    }
    if (to.contains(QLatin1Char('/'))) {
        return FileOpResult::Failure(0, QStringLiteral("名前に「/」は使えません"));
    }
    QByteArray source = NativePath(from);
    while (source.size() > 1 && source.endsWith('/')) {
        source.chop(1);
    }
    const QByteArray name = NativePath(to);
    if (HoldsNul(source) || HoldsNul(name)) {
        return BadName();
    }
    const QByteArray folder = FolderPart(source);
    const QByteArray target = (folder == "/" ? QByteArray() : folder) + '/' + name;
    const int error = RenameNoReplaceAt(AT_FDCWD, source.constData(), AT_FDCWD, target.constData());
    return error == 0 ? FileOpResult::Success() : FileOpResult::FromErrno(error);
}

int FileOperations::RemoveLeftovers() const {
    if (m_pendingFolder.isEmpty()) {
        return 0;
    }
    const UniqueFd folder(
        ::open(NativePath(m_pendingFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd() < 0) {
        return 0;
    }
    std::vector<QByteArray> names;
    if (DIR* listing = ::fdopendir(::dup(folder.fd()))) {
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(listing);
    }
    int removed = 0;
    for (const QByteArray& name : names) {
        const UniqueFd marker(::openat(folder.fd(), name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat facts {};
        if (marker.fd() < 0 || ::fstat(marker.fd(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
            continue;
        }
        // A lock that can be taken means the process that wrote the marker is gone.
        if (::flock(marker.fd(), LOCK_EX | LOCK_NB) != 0) {
            continue;
        }
        QByteArray temporaryPath(PATH_MAX, '\0');
        const ssize_t n =
            ::read(marker.fd(), temporaryPath.data(), static_cast<std::size_t>(temporaryPath.size()));
        temporaryPath.resize(n > 0 ? n : 0);
        if (temporaryPath.startsWith('/') && !HoldsNul(temporaryPath) &&
            IsTemporaryName(NamePart(temporaryPath)) && ::unlink(temporaryPath.constData()) == 0) {
            ++removed;
        }
        ::unlinkat(folder.fd(), name.constData(), 0);
    }
    return removed;
}
