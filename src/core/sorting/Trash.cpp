#include "core/sorting/Trash.h"

#include "core/common/NativePath.h"
#include "core/common/UniqueFd.h"
#include "core/sorting/TransferCalls.h"

#include <QDir>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

const QByteArray kInfoSuffix = QByteArrayLiteral(".trashinfo");
constexpr int kMaxNumber = 100000;

// File systems whose contents do not outlive a restart or that belong to the system: a trash
// there would lose the user's files or could not be written at all.
bool IsPseudoFileSystem(const char* folder) {
    struct statfs fs {};
    if (::statfs(folder, &fs) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(fs.f_type)) {
    case TMPFS_MAGIC: // also devtmpfs
    case RAMFS_MAGIC:
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEVPTS_SUPER_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case HUGETLBFS_MAGIC:
    case AUTOFS_SUPER_MAGIC:
    case NSFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// The mount point of the volume that holds `folder`: the highest folder above it on the same
// device.
QByteArray TopFolder(const QByteArray& folder, dev_t device) {
    QByteArray top = folder;
    while (top != "/") {
        const QByteArray parent = FolderPart(top);
        struct stat st {};
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != device) {
            break;
        }
        top = parent;
    }
    return top;
}

// Opens the folder `name` in `parent`, making it (0700) when missing. It must be a real folder,
// not a link, and belong to the user; -1 with errno set otherwise.
int OpenOwnFolder(int parent, const char* name) {
    if (::mkdirat(parent, name, 0700) != 0 && errno != EEXIST) {
        return -1;
    }
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid()) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

// The trash of the volume whose top folder is `topFolder`: "$topdir/.Trash/$uid" when ".Trash"
// is a sticky folder and not a link, else "$topdir/.Trash-$uid"; -1 when neither can be used.
// `path` gets the path of the one opened.
int OpenVolumeTrash(const QByteArray& topFolder, QByteArray* path) {
    const UniqueFd top(::open(topFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (top.fd() < 0) {
        return -1;
    }
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::geteuid()));
    const UniqueFd shared(::openat(top.fd(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    const QByteArray base = topFolder == "/" ? QByteArray() : topFolder;
    if (shared.fd() >= 0 && ::fstat(shared.fd(), &st) == 0 && (st.st_mode & S_ISVTX)) {
        const int fd = OpenOwnFolder(shared.fd(), uid.constData());
        if (fd >= 0) {
            *path = base + "/.Trash/" + uid;
            return fd;
        }
    }
    *path = base + "/.Trash-" + uid;
    return OpenOwnFolder(top.fd(), (QByteArrayLiteral(".Trash-") + uid).constData());
}

// Path= of the .trashinfo: every byte but the unreserved characters and "/" as %XX.
QByteArray PercentEncoded(const QByteArray& path) {
    return path.toPercentEncoding("/");
}

QByteArray DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return QByteArray(text, static_cast<qsizetype>(n));
}

// Cuts `stem` to at most `length` bytes without splitting a UTF-8 character.
QByteArray ShortenedStem(const QByteArray& stem, qsizetype length) {
    if (stem.size() <= length) {
        return stem;
    }
    qsizetype cut = length;
    // Step back over continuation bytes (at most three: the longest UTF-8 character has four).
    for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(stem.at(cut)) & 0xC0) == 0x80; ++i) {
        --cut;
    }
    return stem.left(cut);
}

// The name of entry `number` (1 for the first try) for `name`: "photo.jpg", "photo.2.jpg",
// …, with the stem shortened so that "<entry>.trashinfo" fits in one file name.
QByteArray EntryName(const QByteArray& name, int number) {
    const QByteArray suffix = number == 1 ? QByteArray() : '.' + QByteArray::number(number);
    const qsizetype room = NAME_MAX - kInfoSuffix.size() - suffix.size();
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray stem = name;
    QByteArray extension;
    // A leading dot names a hidden file rather than starting an extension; an extension that
    // leaves no room for the stem is treated as part of it.
    if (dot > 0 && room - (name.size() - dot) >= 1) {
        stem = name.left(dot);
        extension = name.mid(dot);
    }
    return ShortenedStem(stem, room - extension.size()) + suffix + extension;
}

} // namespace

Trash::Trash(QString homeTrash) : m_homeTrash(std::move(homeTrash)) {}

QString Trash::HomeTrashFolder() {
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (dataHome.startsWith('/')) {
        return PathFromNative(dataHome) + QStringLiteral("/Trash");
    }
    const QByteArray home = qgetenv("HOME");
    const QString homeFolder = home.startsWith('/') ? PathFromNative(home) : QDir::homePath();
    return homeFolder + QStringLiteral("/.local/share/Trash");
}

FileOpResult Trash::Put(const QString& path, TrashedEntry* entry) const {
    QByteArray source = NativePath(path);
    while (source.size() > 1 && source.endsWith('/')) {
        source.chop(1);
    }
    const QByteArray lastName = NamePart(source);
    if (lastName.isEmpty() || lastName == "." || lastName == ".." || HoldsNul(source)) {
        return FileOpResult::Failure(0, QStringLiteral("この名前はごみ箱に移動できません"));
    }
    source = AbsolutePath(source);
    struct stat file {};
    if (::lstat(source.constData(), &file) != 0) {
        return FileOpResult::FromErrno(errno);
    }

    // The home trash is made first: its device decides whether the file belongs there.
    const QByteArray home = NativePath(m_homeTrash);
    const int madeHome = MakeFolders(home, 0700);
    // When the home trash cannot be made, the nearest folder above it tells its volume.
    struct stat homeFacts {};
    QByteArray probe = home;
    while (::stat(probe.constData(), &homeFacts) != 0 && probe != "/") {
        probe = FolderPart(probe);
    }

    int trashFd = -1;
    QByteArray trashPath = AbsolutePath(home);
    QByteArray infoPath = source;
    if (file.st_dev == homeFacts.st_dev) {
        if (madeHome != 0) {
            return FileOpResult::Failure(madeHome, QStringLiteral("ごみ箱のフォルダを作れません: ") +
                                                       ReasonForError(madeHome));
        }
        trashFd = ::open(home.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (trashFd < 0) {
            return FileOpResult::FromErrno(errno);
        }
    } else {
        // The volume's top folder and the path below it are found on the real path of the
        // folder, so a link on the way does not pass for the mount point.
        QByteArray folder = FolderPart(source);
        if (char* real = ::realpath(folder.constData(), nullptr)) {
            folder = real;
            std::free(real);
        }
        const QByteArray top = TopFolder(folder, file.st_dev);
        const QString shownTop = PathFromNative(top);
        if (IsPseudoFileSystem(top.constData())) {
            return FileOpResult::Failure(
                0, QStringLiteral("このファイルのあるボリューム(%1)にはごみ箱を作れないため、"
                                  "ごみ箱に移動できません")
                       .arg(shownTop));
        }
        trashFd = OpenVolumeTrash(top, &trashPath);
        if (trashFd < 0) {
            const int error = errno;
            return FileOpResult::Failure(
                error, QStringLiteral("このファイルのあるボリューム(%1)のごみ箱を使えないため、"
                                      "ごみ箱に移動できません")
                           .arg(shownTop));
        }
        const QByteArray real = (folder == "/" ? QByteArray() : folder) + '/' + NamePart(source);
        infoPath = top == "/" ? real.mid(1) : real.mid(top.size() + 1);
    }
    const UniqueFd trash(trashFd);
    const UniqueFd files(OpenOwnFolder(trash.fd(), "files"));
    const UniqueFd info(files.fd() < 0 ? -1 : OpenOwnFolder(trash.fd(), "info"));
    if (info.fd() < 0) {
        return FileOpResult::FromErrno(errno);
    }

    const QByteArray content = QByteArrayLiteral("[Trash Info]\nPath=") + PercentEncoded(infoPath) +
                               QByteArrayLiteral("\nDeletionDate=") + DeletionDate() + '\n';
    const QByteArray name = NamePart(source);
    for (int number = 1; number <= kMaxNumber; ++number) {
        const QByteArray entryName = EntryName(name, number);
        const QByteArray infoName = entryName + kInfoSuffix;
        struct stat taken {};
        if (::fstatat(files.fd(), entryName.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        const int infoFile =
            ::openat(info.fd(), infoName.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (infoFile < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return FileOpResult::FromErrno(errno);
        }
        int error = WriteAll(infoFile, content);
        if (error == 0 && ::fsync(infoFile) != 0) {
            error = errno;
        }
        if (::close(infoFile) != 0 && error == 0) {
            error = errno;
        }
        if (error == 0) {
            // The description is on disk before the file moves, so a crash leaves no file in
            // the trash that cannot be put back.
            ::fsync(info.fd());
            error = RenameNoReplaceAt(AT_FDCWD, source.constData(), files.fd(), entryName.constData());
        }
        if (error == 0) {
            if (entry != nullptr) {
                *entry = {source, trashPath + "/files/" + entryName, trashPath + "/info/" + infoName};
            }
            return FileOpResult::Success();
        }
        ::unlinkat(info.fd(), infoName.constData(), 0);
        if (error != EEXIST) {
            return FileOpResult::FromErrno(error);
        }
    }
    return FileOpResult::FromErrno(EEXIST);
}

FileOpResult Trash::PutBack(const TrashedEntry& entry) {
    const int error =
        RenameNoReplaceAt(AT_FDCWD, entry.file.constData(), AT_FDCWD, entry.original.constData());
    if (error != 0) {
        return FileOpResult::FromErrno(error);
    }
    // The description is the trash's own file, not the user's: with its file gone it must go too.
    ::unlink(entry.info.constData());
    return FileOpResult::Success();
}
