#include "unit/sorting/TransferTestSupport.h"

#include "core/common/NativePath.h"

#include <QProcess>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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
