#include "core/sorting/ConflictFacts.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/UniqueFd.h"

#include <QDateTime>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// Reads up to `size` bytes, going on after short reads and interruptions; the count read.
qint64 ReadFully(int fd, char* buffer, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

} // namespace

QString OperationWord(TransferOp op) {
    switch (op) {
    case TransferOp::Move:
        return QStringLiteral("移動");
    case TransferOp::Copy:
        return QStringLiteral("コピー");
    case TransferOp::Delete:
        return QStringLiteral("削除");
    case TransferOp::Rename:
        break;
    }
    return {};
}

bool SameFileContents(const QString& a, const QString& b) {
    const PathFacts factsA = StatPath(a);
    const PathFacts factsB = StatPath(b);
    if (!factsA.exists || !factsB.exists || factsA.isFolder || factsB.isFolder ||
        factsA.size != factsB.size) {
        return false;
    }
    const UniqueFd fdA(::open(NativePath(a).constData(), O_RDONLY | O_CLOEXEC));
    const UniqueFd fdB(::open(NativePath(b).constData(), O_RDONLY | O_CLOEXEC));
    if (fdA.fd() < 0 || fdB.fd() < 0) {
        return false;
    }
    // Compared in blocks, so two large videos do not have to fit in memory at once.
    constexpr qint64 kBlock = 1 << 20;
    std::vector<char> bufferA(kBlock);
    std::vector<char> bufferB(kBlock);
    for (;;) {
        const qint64 readA = ReadFully(fdA.fd(), bufferA.data(), kBlock);
        const qint64 readB = ReadFully(fdB.fd(), bufferB.data(), kBlock);
        if (readA != readB || std::memcmp(bufferA.data(), bufferB.data(), static_cast<size_t>(readA)) != 0) {
            return false;
        }
        if (readA < kBlock) {
            return true;
        }
    }
}

QString SourceExtension(const QString& path) {
    const QString name = FileNameOf(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

QString RenameProposal(const QString& source, const QString& targetFolder) {
    const QString extension = SourceExtension(source);
    QString base = FileNameOf(source);
    base.chop(extension.size());
    const qsizetype mark = base.indexOf(QStringLiteral("_Rename"));
    if (mark >= 0) {
        base.truncate(mark);
    }
    const QString folder = WithTrailingSlash(targetFolder);
    for (int number = 0; number < 100; ++number) {
        const QString name = base + QStringLiteral("_Rename%1").arg(number, 2, 10, QLatin1Char('0'));
        if (PathKind(folder + name + extension) == PathType::None) {
            return name;
        }
    }
    QString plain = FileNameOf(source);
    plain.chop(extension.size());
    return plain;
}

bool IsPlainFileName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

qint64 FileGetSize(const QString& path) {
    const PathFacts facts = StatPath(path);
    return facts.exists && !facts.isFolder ? facts.size : -1;
}

std::int32_t FileGetTime(const QString& path) {
    const PathFacts facts = StatPath(path);
    if (!facts.exists || facts.isFolder) {
        return -1;
    }
    return PackDosTime(QDateTime::fromSecsSinceEpoch(facts.modifiedSeconds));
}

qint64 ListGetSize(const QStringList& files, qint64 unit) {
    qint64 total = 0;
    for (const QString& file : files) {
        const qint64 size = FileGetSize(file);
        if (size > 0) {
            total += unit > 1 ? (size + unit - 1) / unit * unit : size;
        }
    }
    return total;
}
