#include "core/sorting/FileOperations.h"

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/sorting/TransferCalls.h"
#include "core/sorting/TransferSteps.h"

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

using namespace transfer_steps;

namespace {

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
