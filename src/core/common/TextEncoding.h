#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <optional>

// Texts that files carry (picture comments, settings and list files) are UTF-8 when Ruvela
// wrote them and often Shift_JIS (Windows code page 932) when they came from Windows.

// Valid UTF-8 gives its text; anything else is read as CP932. Bytes that CP932 cannot map
// either become U+FFFD, so some text always comes back.
QString DecodeText(const QByteArray& bytes);

// `text` in CP932; characters CP932 has no code for are dropped. Empty when iconv is missing.
QByteArray EncodeCp932(const QString& text);

// Writes `lines` (one path or entry each) ending in CR LF, through a temporary file renamed into
// place, so a crash leaves the old file or the new one. Text goes out as UTF-8; the bytes of a
// file name that are not UTF-8 (held as U+DC80 + byte, see NativePath.h) go out as those bytes,
// so the line names the very same file. False when it could not be written.
bool WriteUtf8Lines(const QString& path, const QStringList& lines);

// The lines of the text file at `path`, CR LF or LF; the line end after the last line does not
// start another. Each line is decoded on its own, so a file the program wrote (UTF-8 text, names
// in their own bytes) and a file from Windows (CP932) both read right:
// - a line that is valid UTF-8 is that text;
// - else, when the line read as the bytes of a name gives an absolute path to something that
//   exists, it is kept as those bytes (`pathOf` gives the path a line names; without it, the
//   line itself is the path);
// - else, when the line is valid CP932, it is that text;
// - else it is neither text, so it can only be the bytes of a name that is gone now: kept as
//   those bytes, and written back unchanged.
// Nothing when the file cannot be read or is larger than kMaxTextFileBytes; `state`, when given,
// tells which.
enum class TextFileState { Read, Missing, Unreadable, TooLarge };
constexpr qint64 kMaxTextFileBytes = 64LL * 1024 * 1024;
std::optional<QStringList> ReadTextLines(const QString& path,
                                         const std::function<QString(const QString&)>& pathOf = {},
                                         TextFileState* state = nullptr);

// A list or table file of the program's own that exists but could not be read (`state` is
// Unreadable or TooLarge) is renamed to `path` + ".bad", replacing an older one, so that writing
// the program's data later never overwrites what the user had. Returns the message for the user,
// `what` naming the kind of file; `*setAside` says whether the rename worked. When it did not,
// nothing may be written over the file.
QString SetAsideUnreadable(const QString& path, TextFileState state, const QString& what, bool* setAside);
