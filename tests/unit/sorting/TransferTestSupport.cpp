#include "unit/sorting/TransferTestSupport.h"

#include "core/common/NativePath.h"

#include <QCryptographicHash>
#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TestMount TestMount::Tmpfs(const QString& folder, const QByteArray& options, bool readOnly) {
    ::mkdir(NativePath(folder).constData(), 0755);
    if (::mount("tmpfs", NativePath(folder).constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                options.constData()) != 0) {
        return TestMount({},
                         QStringLiteral("mount -t tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno)));
    }
    return TestMount(folder, {});
}

TestMount TestMount::LoopExt4(const QString& image, const QString& folder) {
    ::mkdir(NativePath(folder).constData(), 0755);
    const int fd = ::open(NativePath(image).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    const bool sized = fd >= 0 && ::ftruncate(fd, 8 << 20) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!sized) {
        return TestMount({}, QStringLiteral("the image file could not be made"));
    }
    const auto run = [](const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        const bool done = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
                          process.exitCode() == 0;
        return done ? QString()
                    : program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAllStandardError());
    };
    QString failure = run(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"), image});
    if (failure.isEmpty()) {
        failure = run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, folder});
    }
    return failure.isEmpty() ? TestMount(folder, {}) : TestMount({}, failure);
}

TestMount::TestMount(TestMount&& other) noexcept
    : m_folder(std::exchange(other.m_folder, {})), m_failure(std::move(other.m_failure)) {}

TestMount::~TestMount() {
    if (mounted() && ::umount2(NativePath(m_folder).constData(), 0) != 0) {
        ::umount2(NativePath(m_folder).constData(), MNT_DETACH);
    }
}

QByteArray ReadBytes(const QString& path) {
    // Asks for the size the file has: a huge maximum makes Qt allocate all of it up front.
    return ReadFileHead(path, StatPath(path).size);
}

QByteArray PatternBytes(qsizetype size, int seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 4093 + seed) % 251);
    }
    return bytes;
}

QStringList Entries(const QString& folder) {
    QStringList names;
    DIR* listing = ::opendir(NativePath(folder).constData());
    if (!listing) {
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names << PathFromNative(name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const QString& path) {
    struct stat st {};
    return ::lstat(NativePath(path).constData(), &st) == 0;
}

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::lstat(NativePath(path).constData(), &st) == 0 ? st.st_mode : 0;
}

dev_t DeviceOf(const QString& path) {
    struct stat st {};
    return ::lstat(NativePath(path).constData(), &st) == 0 ? st.st_dev : 0;
}

namespace {

void AddTreeFacts(const QByteArray& top, const QByteArray& relative, QStringList* facts) {
    const QByteArray path = relative.isEmpty() ? top : top + '/' + relative;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        return;
    }
    QString content;
    const char* kind = "other";
    if (S_ISREG(st.st_mode)) {
        kind = "file";
        content = QString::number(st.st_size) + ' ' +
                  QCryptographicHash::hash(ReadBytes(PathFromNative(path)), QCryptographicHash::Sha1).toHex();
    } else if (S_ISLNK(st.st_mode)) {
        kind = "link";
        QByteArray target(st.st_size + 1, '\0');
        const ssize_t n = ::readlink(path.constData(), target.data(), target.size());
        target.resize(n > 0 ? n : 0);
        content = PathFromNative(target);
    } else if (S_ISDIR(st.st_mode)) {
        kind = "folder";
    }
    *facts << QStringLiteral("%1 %2 %3 %4.%5 %6")
                  .arg(relative.isEmpty() ? QStringLiteral(".") : PathFromNative(relative), kind)
                  .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
                  .arg(st.st_mtim.tv_sec)
                  .arg(st.st_mtim.tv_nsec, 9, 10, QLatin1Char('0'))
                  .arg(content);
    if (!S_ISDIR(st.st_mode)) {
        return;
    }
    DIR* listing = ::opendir(path.constData());
    if (!listing) {
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names) {
        AddTreeFacts(top, relative.isEmpty() ? name : relative + '/' + name, facts);
    }
}

} // namespace

QStringList TreeFacts(const QString& folder) {
    QStringList facts;
    AddTreeFacts(NativePath(folder), {}, &facts);
    return facts;
}
