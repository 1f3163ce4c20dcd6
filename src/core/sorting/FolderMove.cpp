// The move of a folder to another volume: its tree copied under a temporary name beside the
// target, checked against the source, renamed into place, and only then the source set aside
// and removed.
#include "core/sorting/TransferSteps.h"

#include <algorithm>
#include <dirent.h>

namespace transfer_steps {

namespace {

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

} // namespace

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

} // namespace transfer_steps
