#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// An INI document kept line by line in file order, so a program that rewrites some keys leaves
// everything else where it was: sections and keys it does not know, comment lines (";" or "#"),
// blank lines and lines that are none of these (a "[" without its "]", text without "="). Section and key
// names compare case-insensitively, as in Windows INI files; spaces around "=" are not part of the key or the
// value.
class IniFile {
public:
    // Parses file bytes: UTF-8, or CP932 when they are not valid UTF-8; CR LF or LF line ends.
    // A line that is neither a section header, "key=value", a comment nor blank is kept as it
    // is and holds no key. Nothing when the bytes are no text: a NUL byte, or bytes that are
    // neither UTF-8 nor CP932; `why` then names the fault.
    static std::optional<IniFile> Parse(const QByteArray& bytes, QString* why = nullptr);

    // The value of the first `key` in section `section`; nothing when there is none.
    std::optional<QString> Value(const QString& section, const QString& key) const;

    // Replaces the value of an existing key in place, or appends the key after the last key of
    // its section (a new section goes to the end of the document). Line breaks in `value`
    // become spaces so that the line stays one line.
    void SetValue(const QString& section, const QString& key, const QString& value);

    // The document as UTF-8 text with CR LF after every line.
    QByteArray ToBytes() const;

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        LineKind kind = LineKind::Other;
        QString text;    // a comment, blank or malformed line as read; the name of a section
        QString key;     // a key line's key, as spelled in the file
        QString value;   // a key line's value
        qsizetype block; // index of the section header line the line belongs to, -1 before any
    };

    std::vector<Line> m_lines;
};
