#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Texts that files carry (picture comments, settings and list files) are UTF-8 when Ruvela
// wrote them and often Shift_JIS (Windows code page 932) when they came from Windows.

// Valid UTF-8 gives its text; anything else is read as CP932. Bytes that CP932 cannot map
// either become U+FFFD, so some text always comes back.
QString DecodeText(const QByteArray& bytes);

// `text` in CP932; characters CP932 has no code for are dropped. Empty when iconv is missing.
QByteArray EncodeCp932(const QString& text);

// Writes `lines` as UTF-8, each ending in CR LF, through a temporary file renamed into place, so
// a crash leaves the old file or the new one. False when it could not be written.
bool WriteUtf8Lines(const QString& path, const QStringList& lines);

// The lines of the text file at `path` (decoded as DecodeText does), CR LF or LF; the line end
// after the last line does not start another. Nothing when the file cannot be read.
std::optional<QStringList> ReadTextLines(const QString& path);
