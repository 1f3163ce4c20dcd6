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
        bytes += NativePath(line) + "\r\n";
    }
    return WriteFileReplacing(path, bytes);
}

std::optional<QStringList> ReadTextLines(const QString& path,
                                         const std::function<QString(const QString&)>& pathOf) {
    QFile file;
    if (PathKind(path) != PathType::File || !OpenFile(file, path, QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QStringList lines;
    if (bytes.isEmpty()) {
        return lines;
    }
    if (bytes.endsWith('\n')) {
        bytes.chop(1);
    }
    // CP932 never uses "\n" or "\r" inside a character, so the split is safe for both encodings.
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = utf8.decode(line);
        if (!utf8.hasError()) {
            lines << text;
            continue;
        }
        const QString held = PathFromNative(line);
        const QString named = pathOf ? pathOf(held) : held;
        if (named.startsWith(QLatin1Char('/')) && PathKind(named) != PathType::None) {
            lines << held;
            continue;
        }
        const QString cp932 =
            QString::fromUtf8(Convert("UTF-8", "CP932", line, QByteArrayLiteral("\xEF\xBF\xBD")));
        // CP932 yields no U+FFFD of its own: one marks bytes it cannot read (and without iconv
        // nothing comes back at all).
        lines << (cp932.isEmpty() || cp932.contains(QChar::ReplacementCharacter) ? held : cp932);
    }
    return lines;
}
