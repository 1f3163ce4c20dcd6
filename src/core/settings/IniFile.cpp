#include "core/settings/IniFile.h"

#include "core/common/TextEncoding.h"

#include <QStringDecoder>
#include <QStringList>

namespace {

bool SameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text of `bytes`, or nothing when they are neither UTF-8 nor CP932.
std::optional<QString> DecodeFile(const QByteArray& bytes, QString* why) {
    if (bytes.contains('\0')) {
        if (why != nullptr) {
            *why = QStringLiteral("NUL byte");
        }
        return std::nullopt;
    }
    // Every byte-order mark in front goes: the file is written back without one, and a mark left
    // in the first line would be taken as the next one's byte-order mark and lost at each save.
    QByteArray body = bytes;
    while (body.startsWith("\xEF\xBB\xBF")) {
        body.remove(0, 3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(body);
    if (!utf8.hasError()) {
        return text;
    }
    // CP932 never yields U+FFFD of its own, so one in the result marks bytes it cannot read.
    QString fallback = DecodeText(body);
    if (fallback.contains(QChar::ReplacementCharacter)) {
        if (why != nullptr) {
            *why = QStringLiteral("neither UTF-8 nor CP932");
        }
        return std::nullopt;
    }
    return fallback;
}

// `raw` without the white space and the byte-order marks around it: a mark inside the file (two
// files run together) is no part of a name, and a key written back never starts with one, which
// the next reading would drop as the file's byte-order mark.
QString TrimmedLine(const QString& raw) {
    qsizetype start = 0;
    qsizetype end = raw.size();
    const auto blank = [](QChar c) { return c.isSpace() || c == QChar(0xFEFF); };
    while (start < end && blank(raw.at(start))) {
        ++start;
    }
    while (end > start && blank(raw.at(end - 1))) {
        --end;
    }
    return raw.mid(start, end - start);
}

} // namespace

std::optional<IniFile> IniFile::Parse(const QByteArray& bytes, QString* why) {
    const std::optional<QString> text = DecodeFile(bytes, why);
    if (!text) {
        return std::nullopt;
    }
    IniFile file;
    QStringList lines = text->split(QLatin1Char('\n'));
    // A final line end leaves one empty piece behind that is no line of the file.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    qsizetype block = -1;
    for (qsizetype number = 0; number < lines.size(); ++number) {
        QString raw = lines.at(number);
        if (raw.endsWith(QLatin1Char('\r'))) {
            raw.chop(1);
        }
        const QString trimmed = TrimmedLine(raw);
        Line line;
        line.block = block;
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
            trimmed.startsWith(QLatin1Char('#'))) {
            line.text = raw;
        } else if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            line.kind = LineKind::Section;
            line.text = trimmed.mid(1, trimmed.size() - 2).trimmed();
            block = static_cast<qsizetype>(file.m_lines.size());
            line.block = block;
        } else {
            const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
            const QString key = equals > 0 ? trimmed.left(equals).trimmed() : QString();
            if (key.isEmpty() || key.startsWith(QLatin1Char('['))) {
                // A line a hand edit broke costs only itself: the rest of the file still counts.
                line.text = raw;
            } else {
                line.kind = LineKind::Key;
                line.key = key;
                line.value = trimmed.mid(equals + 1).trimmed();
            }
        }
        file.m_lines.push_back(std::move(line));
    }
    return file;
}

std::optional<QString> IniFile::Value(const QString& section, const QString& key) const {
    for (const Line& line : m_lines) {
        if (line.kind == LineKind::Key && line.block >= 0 && SameName(line.key, key) &&
            SameName(m_lines[static_cast<std::size_t>(line.block)].text, section)) {
            return line.value;
        }
    }
    return std::nullopt;
}

void IniFile::SetValue(const QString& section, const QString& key, const QString& value) {
    QString flat = value;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    // Where a new key goes: after the last line of its section that is a header or a key.
    qsizetype insertAfter = -1;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        Line& line = m_lines[i];
        if (line.block < 0 || line.kind == LineKind::Other ||
            !SameName(m_lines[static_cast<std::size_t>(line.block)].text, section)) {
            continue;
        }
        if (line.kind == LineKind::Key && SameName(line.key, key)) {
            line.value = flat;
            return;
        }
        insertAfter = static_cast<qsizetype>(i);
    }
    Line added;
    added.kind = LineKind::Key;
    added.key = key;
    added.value = flat;
    if (insertAfter >= 0) {
        added.block = m_lines[static_cast<std::size_t>(insertAfter)].block;
        m_lines.insert(m_lines.begin() + insertAfter + 1, std::move(added));
        // Lines after the inserted one moved down by one, and so did the headers they name.
        for (std::size_t i = static_cast<std::size_t>(insertAfter) + 2; i < m_lines.size(); ++i) {
            if (m_lines[i].block > insertAfter) {
                ++m_lines[i].block;
            }
        }
        return;
    }
    if (!m_lines.empty() &&
        (m_lines.back().kind != LineKind::Other || !m_lines.back().text.trimmed().isEmpty())) {
        Line blank;
        blank.block = m_lines.back().block;
        m_lines.push_back(std::move(blank));
    }
    Line header;
    header.kind = LineKind::Section;
    header.text = section;
    header.block = static_cast<qsizetype>(m_lines.size());
    added.block = header.block;
    m_lines.push_back(std::move(header));
    m_lines.push_back(std::move(added));
}

QByteArray IniFile::ToBytes() const {
    QString text;
    for (const Line& line : m_lines) {
        switch (line.kind) {
        case LineKind::Section:
            text += QLatin1Char('[') + line.text + QLatin1Char(']');
            break;
        case LineKind::Key:
            text += line.key + QLatin1Char('=') + line.value;
            break;
        case LineKind::Other:
            text += line.text;
            break;
        }
        text += QLatin1String("\r\n");
    }
    return text.toUtf8();
}
