#include "core/sorting/FileOperations.h"

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/sorting/TransferCalls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
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
FileOpResult TakeTargetName(TemporaryEntry& temporary, const QByteArray& target, const Trash* replace,
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

std::unique_ptr<TargetFolders> OpenTargetFolders(const QString& pendingFolder, const QByteArray& target,
                                                 const Trash* replace) {
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
int MakeTemporary(Marker& marker, const QByteArray& folder, const std::function<int(const QByteArray&)>& make,
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
int Finish(int fd, const struct stat& facts) {
    const struct timespec times[2] = {facts.st_atim, facts.st_mtim};
    if (::fchmod(fd, facts.st_mode & 07777) != 0 || ::futimens(fd, times) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

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
    const std::unique_ptr<TargetFolders> folders = OpenTargetFolders(pendingFolder, target, replace);
    if (!folders->result) {
        return folders->result;
    }
    const QByteArray folder = FolderPart(target);
    const UniqueFd& destination = folders->destination;

    Marker marker(folders->pending.fd());
    TemporaryFile temporary(destination.fd());
    QByteArray temporaryName;
    const auto create = [&temporary](const QByteArray& name) { return temporary.Create(name); };
    if (const int error = MakeTemporary(marker, folder, create, hook, &temporaryName)) {
        return FileOpResult::FromErrno(error);
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
    if (const int error = Finish(temporary.fd(), facts)) {
        return FileOpResult::FromErrno(error);
    }
    Report(hook, TransferStep::Synced);
    if (const int error = temporary.Close()) {
        return FileOpResult::FromErrno(error);
    }
    if (const FileOpResult placed = TakeTargetName(temporary, target, replace, hook); !placed) {
        return placed;
    }
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

QByteArray WithoutTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return path;
}

int OpenFolderAt(int folder, const char* name) {
    return ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A path inside a moved folder as the user sees it: from the folder's own name on.
QString Shown(const QByteArray& top, const QByteArray& path) {
    return PathFromNative(path.isEmpty() ? top : top + '/' + path);
}

QString Naming(const QString& reason, const QString& path) {
    return reason + QStringLiteral(": ") + path;
}

// A failure on the source's side while its tree is read.
FileOpResult SourceFailure(int error, const QString& path) {
    const QString reason = error == EACCES || error == EPERM ? QStringLiteral("読み取りが許可されていません")
                                                             : ReasonForError(error);
    return FileOpResult::Failure(error, Naming(reason, path));
}

FileOpResult SourceChanged() {
    return FileOpResult::Failure(
        0, QStringLiteral("コピーの途中で元のフォルダの中身が変わったため、この操作を行えません"));
}

FileOpResult SpecialFile(const QString& path) {
    return FileOpResult::Failure(
        0,
        Naming(QStringLiteral("名前付きパイプやデバイスなどの特殊なファイルは別のボリュームへ移動できません"),
               path));
}

FileOpResult SourceNotRemoved(int error, const QString& reason) {
    return FileOpResult::Failure(
        error, QStringLiteral("コピーは済みましたが、元のフォルダを削除できませんでした: ") + reason);
}

// The temporary folder of one folder transfer; removed with everything in it unless it was
// renamed into place.
class TemporaryFolder : public TemporaryEntry {
public:
    explicit TemporaryFolder(int folder) : TemporaryEntry(folder) {}
    ~TemporaryFolder() {
        if (!m_name.isEmpty()) {
            RemoveTree(m_folder, m_name);
        }
    }

    // Private until it is complete: the source's mode comes last.
    int Create(const QByteArray& name) {
        if (::mkdirat(m_folder, name.constData(), 0700) != 0) {
            return errno;
        }
        m_name = name;
        return 0;
    }
};

// One tree being copied: the step hook and the name of its top folder, for reasons.
struct TreeCopy {
    const std::function<void(TransferStep)>& hook;
    const QByteArray& top;
};

FileOpResult CopyFolderContents(int from, int to, const QByteArray& prefix, const TreeCopy& copy);

// The entry `name` of the folder `from` into the folder `to`: a folder with its contents, a
// file with its data, a link as a link. `path` is its path inside the tree.
FileOpResult CopyEntry(int from, int to, const QByteArray& name, const QByteArray& path,
                       const TreeCopy& copy) {
    struct stat facts {};
    if (::fstatat(from, name.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
        return SourceFailure(errno, Shown(copy.top, path));
    }
    if (S_ISDIR(facts.st_mode)) {
        const UniqueFd in(OpenFolderAt(from, name.constData()));
        if (in.fd() < 0) {
            return SourceFailure(errno, Shown(copy.top, path));
        }
        if (::mkdirat(to, name.constData(), 0700) != 0) {
            return FileOpResult::FromErrno(errno);
        }
        const UniqueFd out(OpenFolderAt(to, name.constData()));
        if (out.fd() < 0) {
            return FileOpResult::FromErrno(errno);
        }
        if (const FileOpResult inner = CopyFolderContents(in.fd(), out.fd(), path, copy); !inner) {
            return inner;
        }
        // Its times only now: every entry made inside changed them.
        const int error = Finish(out.fd(), facts);
        return error == 0 ? FileOpResult::Success() : FileOpResult::FromErrno(error);
    }
    if (S_ISLNK(facts.st_mode)) {
        QByteArray link(facts.st_size + 1, '\0');
        const ssize_t n = ::readlinkat(from, name.constData(), link.data(), link.size());
        if (n < 0) {
            return SourceFailure(errno, Shown(copy.top, path));
        }
        if (n >= link.size()) {
            return SourceChanged();
        }
        link.resize(n);
        const struct timespec times[2] = {facts.st_atim, facts.st_mtim};
        if (::symlinkat(link.constData(), to, name.constData()) != 0 ||
            ::utimensat(to, name.constData(), times, AT_SYMLINK_NOFOLLOW) != 0) {
            return FileOpResult::FromErrno(errno);
        }
        return FileOpResult::Success();
    }
    if (!S_ISREG(facts.st_mode)) {
        return SpecialFile(Shown(copy.top, path));
    }
    // Without blocking: a pipe that took the file's name meanwhile is refused below, not waited on.
    const UniqueFd in(::openat(from, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (in.fd() < 0) {
        return SourceFailure(errno, Shown(copy.top, path));
    }
    struct stat opened {};
    if (::fstat(in.fd(), &opened) != 0) {
        return SourceFailure(errno, Shown(copy.top, path));
    }
    if (!S_ISREG(opened.st_mode)) {
        return SourceChanged();
    }
    const UniqueFd out(::openat(to, name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
    if (out.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }
    qint64 copied = 0;
    if (const int error = CopyData(in.fd(), out.fd(), &copied, copy.hook)) {
        return FileOpResult::FromErrno(error);
    }
    if (copied != opened.st_size) {
        return SourceChanged();
    }
    const int error = Finish(out.fd(), opened);
    return error == 0 ? FileOpResult::Success() : FileOpResult::FromErrno(error);
}

FileOpResult CopyFolderContents(int from, int to, const QByteArray& prefix, const TreeCopy& copy) {
    std::vector<QByteArray> names;
    if (const int error = FolderNames(from, &names)) {
        return SourceFailure(error, Shown(copy.top, prefix));
    }
    for (const QByteArray& name : names) {
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (const FileOpResult copied = CopyEntry(from, to, name, path, copy); !copied) {
            return copied;
        }
    }
    return FileOpResult::Success();
}

// Whether two listings hold the same names with the same kinds, and files and links of the same
// sizes (a folder's size depends on its file system).
bool SameTree(const std::vector<TreeEntry>& a, const std::vector<TreeEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TreeEntry& x, const TreeEntry& y) {
        return x.path == y.path && (x.mode & S_IFMT) == (y.mode & S_IFMT) &&
               (S_ISDIR(x.mode) || x.size == y.size);
    });
}

// The source of a folder move whose copy took its name goes: first set aside under a temporary
// name in its own folder (its marker written first, so a kill leaves it to RemoveLeftovers), then
// entry by entry. It goes only while it holds what was copied (`copied`); otherwise it is put
// back under its name, and so is what is left when its removal fails part-way.
FileOpResult RemoveMovedFolder(int pending, int parent, const QByteArray& folder, const QByteArray& name,
                               const struct stat& facts, const std::vector<TreeEntry>& copied,
                               const std::function<void(TransferStep)>& hook) {
    Marker marker(pending);
    QByteArray aside;
    const auto setAside = [&](const QByteArray& temporaryName) {
        return RenameNoReplaceAt(parent, name.constData(), parent, temporaryName.constData());
    };
    if (const int error = MakeTemporary(marker, folder, setAside, hook, &aside)) {
        return SourceNotRemoved(error, ReasonForError(error));
    }
    ::fsync(parent);
    const auto putBack = [&] {
        if (RenameNoReplaceAt(parent, aside.constData(), parent, name.constData()) != 0) {
            return false;
        }
        ::fsync(parent);
        return true;
    };

    // Renamed, it is out of reach of any program that works through its path: what it holds now
    // is what goes.
    struct stat now {};
    std::vector<TreeEntry> held;
    QByteArray failedAt;
    if (::fstatat(parent, aside.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != facts.st_dev ||
        now.st_ino != facts.st_ino || ListTree(parent, aside, &held, &failedAt) != 0 ||
        !SameTree(held, copied)) {
        const QString reason = QStringLiteral(
            "コピーは済みましたが、元のフォルダの中身が途中で変わったため、元のフォルダは削除しませんでした");
        if (putBack()) {
            return FileOpResult::Failure(0, reason);
        }
        return FileOpResult::Failure(0, reason + QStringLiteral("(元のフォルダは「") + PathFromNative(aside) +
                                            QStringLiteral("」という名前で残っています)"));
    }
    Report(hook, TransferStep::SourceSetAside);
    if (const int error =
            RemoveTree(parent, aside, [&hook] { Report(hook, TransferStep::SourceEntryRemoved); })) {
        if (!putBack()) {
            // Everything in it has its copy: the next start removes the rest.
            marker.Release();
        }
        return SourceNotRemoved(error, ReasonForError(error));
    }
    ::fsync(parent);
    Report(hook, TransferStep::SourceRemoved);
    return FileOpResult::Success();
}

// Looks for everything that would stop the move of the folder `name` in `parent` to another
// volume before anything is written: what cannot be copied (a pipe, a socket, a device file, a
// mounted volume), and what could be copied but not removed afterwards.
FileOpResult CheckMovable(int parent, const QByteArray& name, dev_t parentDevice) {
    const QString mounted = QStringLiteral("別のボリュームがマウントされているフォルダは移動できません");
    const QString fixed =
        QStringLiteral("削除できないフォルダが含まれているため、別のボリュームへ移動できません");
    if (IsMountPoint(parent, name.constData(), parentDevice)) {
        return FileOpResult::Failure(0, Naming(mounted, Shown(name, {})));
    }
    if (::faccessat(parent, ".", W_OK | X_OK, AT_EACCESS) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    if (::faccessat(parent, name.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
        return FileOpResult::Failure(errno, Naming(fixed, Shown(name, {})));
    }
    std::vector<TreeEntry> entries;
    QByteArray failedAt;
    if (const int error = ListTree(parent, name, &entries, &failedAt)) {
        return SourceFailure(error, Shown(name, failedAt));
    }
    for (const TreeEntry& entry : entries) {
        if (!S_ISDIR(entry.mode) && !S_ISREG(entry.mode) && !S_ISLNK(entry.mode)) {
            return SpecialFile(Shown(name, entry.path));
        }
        if (entry.mountPoint) {
            return FileOpResult::Failure(0, Naming(mounted, Shown(name, entry.path)));
        }
        if (S_ISDIR(entry.mode) && !entry.removable) {
            return FileOpResult::Failure(EACCES, Naming(fixed, Shown(name, entry.path)));
        }
    }
    return FileOpResult::Success();
}

// The folder `from` to `to` on another volume. Its tree goes to a temporary folder beside the
// target, each entry flushed, is checked against the source and renamed into place; only then the
// source is removed. Refused before anything is written when the tree holds what cannot be
// carried over or removed. With `replace`, a file at `to` goes to that trash right before the
// rename.
FileOpResult MoveFolderAcross(const QString& pendingFolder, const std::function<void(TransferStep)>& hook,
                              const QByteArray& from, const QByteArray& to, const Trash* replace) {
    const QByteArray source = AbsolutePath(WithoutTrailingSlashes(from));
    const QByteArray target = AbsolutePath(WithoutTrailingSlashes(to));
    const QByteArray sourceFolder = FolderPart(source);
    const QByteArray sourceName = NamePart(source);
    const UniqueFd parent(::open(sourceFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }
    struct stat above {};
    struct stat facts {};
    if (::fstat(parent.fd(), &above) != 0 ||
        ::fstatat(parent.fd(), sourceName.constData(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
        return FileOpResult::FromErrno(errno);
    }
    if (!S_ISDIR(facts.st_mode)) {
        return FileOpResult::Failure(
            EXDEV, QStringLiteral("リンクや特殊なファイルは別のボリュームへ移動できません"));
    }
    if (const FileOpResult movable = CheckMovable(parent.fd(), sourceName, above.st_dev); !movable) {
        return movable;
    }
    const std::unique_ptr<TargetFolders> folders = OpenTargetFolders(pendingFolder, target, replace);
    if (!folders->result) {
        return folders->result;
    }
    const QByteArray folder = FolderPart(target);
    const UniqueFd& destination = folders->destination;
    const UniqueFd& pending = folders->pending;

    Marker marker(pending.fd());
    TemporaryFolder temporary(destination.fd());
    QByteArray temporaryName;
    const auto create = [&temporary](const QByteArray& name) { return temporary.Create(name); };
    if (const int error = MakeTemporary(marker, folder, create, hook, &temporaryName)) {
        return FileOpResult::FromErrno(error);
    }
    Report(hook, TransferStep::TempCreated);
    {
        const UniqueFd in(OpenFolderAt(parent.fd(), sourceName.constData()));
        if (in.fd() < 0 || ::fstat(in.fd(), &facts) != 0) {
            return SourceFailure(errno, Shown(sourceName, {}));
        }
        const UniqueFd out(OpenFolderAt(destination.fd(), temporaryName.constData()));
        if (out.fd() < 0) {
            return FileOpResult::FromErrno(errno);
        }
        if (const FileOpResult copied = CopyFolderContents(in.fd(), out.fd(), {}, TreeCopy{hook, sourceName});
            !copied) {
            return copied;
        }
        if (const int error = Finish(out.fd(), facts)) {
            return FileOpResult::FromErrno(error);
        }
    }
    Report(hook, TransferStep::Synced);

    // The copy holds what the source holds now, or the move fails: a source that changed
    // meanwhile, a short write.
    std::vector<TreeEntry> copied;
    std::vector<TreeEntry> now;
    QByteArray failedAt;
    if (const int error = ListTree(destination.fd(), temporaryName, &copied, &failedAt)) {
        return FileOpResult::FromErrno(error);
    }
    if (const int error = ListTree(parent.fd(), sourceName, &now, &failedAt)) {
        return SourceFailure(error, Shown(sourceName, failedAt));
    }
    if (!SameTree(copied, now)) {
        return SourceChanged();
    }
    if (const FileOpResult placed = TakeTargetName(temporary, target, replace, hook); !placed) {
        return placed;
    }
    // The copy's name is on disk before the source goes; its marker names nothing any more.
    ::fsync(destination.fd());
    marker.Remove();
    return RemoveMovedFolder(pending.fd(), parent.fd(), sourceFolder, sourceName, facts, copied, hook);
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
        return MoveFolderAcross(m_pendingFolder, m_stepHook, source, target, replacing ? &m_trash : nullptr);
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
    const QByteArray source = WithoutTrailingSlashes(NativePath(from));
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
        // A temporary folder goes with everything in it; no link in it is followed.
        if (temporaryPath.startsWith('/') && !HoldsNul(temporaryPath) &&
            IsTemporaryName(NamePart(temporaryPath))) {
            const UniqueFd parent(
                ::open(FolderPart(temporaryPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (parent.fd() >= 0 && RemoveTree(parent.fd(), NamePart(temporaryPath)) == 0) {
                ++removed;
            }
        }
        ::unlinkat(folder.fd(), name.constData(), 0);
    }
    return removed;
}
