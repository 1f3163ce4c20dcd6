#include "core/common/TextEncoding.h"

#include "core/common/NativePath.h"

#include <QFile>
#include <QStringDecoder>
#include <cerrno>
#include <cstdio>
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
                                         const std::function<QString(const QString&)>& pathOf,
                                         TextFileState* state) {
    TextFileState ignored = TextFileState::Read;
    TextFileState& result = state != nullptr ? *state : ignored;
    const PathFacts facts = StatPath(path);
    result = !facts.exists                    ? TextFileState::Missing
             : facts.isFolder                 ? TextFileState::Unreadable
             : facts.size > kMaxTextFileBytes ? TextFileState::TooLarge
                                              : TextFileState::Read;
    if (result != TextFileState::Read) {
        return std::nullopt;
    }
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        result = TextFileState::Unreadable;
        return std::nullopt;
    }
    // Read one byte past the cap, so a file that grew since it was looked at is still caught.
    QByteArray bytes = file.read(kMaxTextFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxTextFileBytes) {
        result = file.error() != QFileDevice::NoError ? TextFileState::Unreadable : TextFileState::TooLarge;
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

QString SetAsideUnreadable(const QString& path, TextFileState state, const QString& what, bool* setAside) {
    const QString name = path.section(QLatin1Char('/'), -1);
    const QString reason = state == TextFileState::TooLarge
                               ? QStringLiteral("%1「%2」は大きすぎて（%3MB超）読み取れないため")
                                     .arg(what, name)
                                     .arg(kMaxTextFileBytes / (1024 * 1024))
                               : QStringLiteral("%1「%2」を読み取れないため").arg(what, name);
    *setAside =
        std::rename(NativePath(path).constData(), NativePath(path + QStringLiteral(".bad")).constData()) == 0;
    return *setAside ? reason + QStringLiteral("「%1.bad」に退避しました").arg(name)
                     : reason + QStringLiteral("、変更は保存しません");
}
