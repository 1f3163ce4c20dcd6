#include "core/common/NativePath.h"

#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Length of the valid UTF-8 sequence starting at `p`, or 0 when it is not one.
std::size_t ValidSequence(const unsigned char* p, std::size_t left) {
    const unsigned char c = p[0];
    if (c < 0x80) {
        return 1;
    }
    std::size_t n = 0;
    char32_t min = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = c & 0x07;
    } else {
        return 0;
    }
    if (left < n) {
        return 0;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not valid text.
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return n;
}

// The file a symbolic link at `target` finally names; `target` itself otherwise.
QByteArray FollowLinks(const QByteArray& target) {
    struct stat st {};
    if (::lstat(target.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return target;
    }
    char* resolved = ::realpath(target.constData(), nullptr);
    if (resolved == nullptr) {
        return target; // a dangling link is replaced like a file
    }
    const QByteArray result(resolved);
    std::free(resolved);
    return result;
}

// Makes a new, empty file next to `target` under a name nobody uses; -1 when that fails. The
// name goes to `temporary`.
int CreateTemporaryBeside(const QByteArray& target, QByteArray& temporary) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            folder + ".ruvela-save-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Flushes the folder holding `target`, so the rename itself reaches the disk. File systems
// that cannot flush a folder have nothing more to do.
void SyncFolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

QString PathFromNative(const char* bytes, std::size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t i = 0;
    while (i < length) {
        const std::size_t n = ValidSequence(p + i, length - i);
        if (n == 0) {
            break;
        }
        i += n;
    }
    if (i == length) {
        return QString::fromUtf8(bytes, static_cast<qsizetype>(length));
    }
    QString out;
    out.reserve(static_cast<qsizetype>(length));
    std::size_t start = 0;
    i = 0;
    while (i < length) {
        const std::size_t n = ValidSequence(p + i, length - i);
        if (n != 0) {
            i += n;
            continue;
        }
        out += QString::fromUtf8(bytes + start, static_cast<qsizetype>(i - start));
        out += QChar(static_cast<char16_t>(kEscapeBase + p[i]));
        ++i;
        start = i;
    }
    out += QString::fromUtf8(bytes + start, static_cast<qsizetype>(length - start));
    return out;
}

QString PathFromNative(const QByteArray& bytes) {
    return PathFromNative(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray NativePath(const QString& path) {
    bool escaped = false;
    for (const QChar c : path) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            escaped = true;
            break;
        }
    }
    if (!escaped) {
        return path.toUtf8();
    }
    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path.at(i).unicode();
        // A lone low surrogate is an escaped byte; a paired one belongs to a real character.
        const bool pairedLow = i > 0 && path.at(i - 1).isHighSurrogate();
        if (u >= 0xDC80 && u <= 0xDCFF && !pairedLow) {
            out += QStringView(path).mid(start, i - start).toUtf8();
            out += static_cast<char>(u - kEscapeBase);
            start = i + 1;
        }
    }
    out += QStringView(path).mid(start).toUtf8();
    return out;
}

PathFacts StatPath(const QString& path) {
    PathFacts facts;
    struct stat st {};
    if (path.isEmpty() || ::stat(NativePath(path).constData(), &st) != 0) {
        return facts;
    }
    facts.exists = true;
    facts.isFolder = S_ISDIR(st.st_mode);
    facts.size = static_cast<qint64>(st.st_size);
    facts.modifiedSeconds = static_cast<qint64>(st.st_mtim.tv_sec);
    facts.modifiedNanoseconds =
        static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + static_cast<qint64>(st.st_mtim.tv_nsec);
    facts.changedNanoseconds =
        static_cast<qint64>(st.st_ctim.tv_sec) * 1000000000 + static_cast<qint64>(st.st_ctim.tv_nsec);
    facts.inode = static_cast<quint64>(st.st_ino);
    facts.device = static_cast<quint64>(st.st_dev);
    return facts;
}

PathType PathKind(const QString& path) {
    const PathFacts facts = StatPath(path);
    if (!facts.exists) {
        return PathType::None;
    }
    return facts.isFolder ? PathType::Folder : PathType::File;
}

QStringList FindNamesIgnoringCase(const QString& folder, const QStringList& names) {
    QStringList found(names.size());
    DIR* listing = ::opendir(NativePath(folder).constData());
    if (listing == nullptr) {
        return found;
    }
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    while (const dirent* entry = ::readdir(listing)) {
        const QString name = PathFromNative(entry->d_name, std::strlen(entry->d_name));
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (name == names[i]) {
                found[i] = prefix + name;
            } else if (found[i].isEmpty() && name.compare(names[i], Qt::CaseInsensitive) == 0) {
                found[i] = prefix + name;
            }
        }
    }
    ::closedir(listing);
    return found;
}

bool OpenFile(QFile& file, const QString& path, QIODevice::OpenMode mode) {
    int flags = O_CLOEXEC;
    if ((mode & QIODevice::ReadWrite) == QIODevice::ReadWrite) {
        flags |= O_RDWR | O_CREAT;
    } else if (mode & QIODevice::WriteOnly) {
        flags |= O_WRONLY | O_CREAT;
    } else {
        flags |= O_RDONLY;
    }
    if (mode & QIODevice::Truncate) {
        flags |= O_TRUNC;
    }
    if (mode & QIODevice::Append) {
        flags |= O_APPEND;
    }
    const int fd = ::open(NativePath(path).constData(), flags, 0666);
    if (fd < 0) {
        return false;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QByteArray ReadFileHead(const QString& path, qint64 maxBytes) {
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(maxBytes);
}

bool RenameNoReplace(const QString& from, const QString& to, QString* error) {
    const QByteArray source = NativePath(from);
    const QByteArray target = NativePath(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int reason = errno;
    // File systems without RENAME_NOREPLACE: a hard link fails when the name is taken, and
    // the file stays reachable under one of its names throughout.
    if (reason == EINVAL || reason == ENOSYS) {
        if (::link(source.constData(), target.constData()) == 0) {
            if (::unlink(source.constData()) == 0) {
                return true;
            }
            reason = errno;
            ::unlink(target.constData());
        } else {
            reason = errno;
        }
    }
    if (error) {
        *error = QString::fromLocal8Bit(std::strerror(reason));
    }
    return false;
}

bool MakeFolder(const QString& path) {
    return ::mkdir(NativePath(path).constData(), 0777) == 0;
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray target = FollowLinks(NativePath(path));
    QByteArray temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) {
        return false;
    }
    struct stat old {};
    bool written = WriteAll(fd, bytes) == 0;
    if (written && ::stat(target.constData(), &old) == 0) {
        written = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    written = written && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    SyncFolderOf(target);
    return true;
}

int WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        p += n;
        left -= n;
    }
    return 0;
}
