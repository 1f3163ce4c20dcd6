#include "core/common/TextEncoding.h"

#include "core/common/NativePath.h"

#include <QFile>
#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace {

// One iconv conversion of the whole input. Input bytes the source code set cannot read are
// replaced by `replacement` (in the target code set) and skipped one at a time.
QByteArray Convert(const char* to, const char* from, const QByteArray& input, const QByteArray& replacement) {
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return {};
    }
    QByteArray out;
    out.resize(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.constData());
    std::size_t inLeft = static_cast<std::size_t>(input.size());
    char* outPtr = out.data();
    std::size_t outLeft = static_cast<std::size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = static_cast<std::size_t>(out.size() - used);
            continue;
        }
        // EILSEQ or EINVAL: an unreadable or cut sequence; mark it and go on after one byte.
        if (outLeft < static_cast<std::size_t>(replacement.size())) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2 + replacement.size());
            outPtr = out.data() + used;
            outLeft = static_cast<std::size_t>(out.size() - used);
        }
        for (const char c : replacement) {
            *outPtr++ = c;
            --outLeft;
        }
        if (inLeft == 0) {
            break;
        }
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    out.truncate(outPtr - out.data());
    return out;
}

} // namespace

QString DecodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    const QByteArray converted = Convert("UTF-8", "CP932", bytes, QByteArrayLiteral("\xEF\xBF\xBD"));
    return QString::fromUtf8(converted);
}

QByteArray EncodeCp932(const QString& text) {
    return Convert("CP932", "UTF-8", text.toUtf8(), {});
}

bool WriteUtf8Lines(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8() + "\r\n";
    }
    return WriteFileReplacing(path, bytes);
}

std::optional<QStringList> ReadTextLines(const QString& path) {
    QFile file;
    if (PathKind(path) != 1 || !OpenFile(file, path, QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QString text = DecodeText(bytes);
    QStringList lines;
    if (text.isEmpty()) {
        return lines;
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return text.split(QLatin1Char('\n'));
}
