#pragma once

#include <QByteArray>
#include <QString>

// Texts that files carry (picture comments, settings and list files) are UTF-8 when Ruvela
// wrote them and often Shift_JIS (Windows code page 932) when they came from Windows.

// Valid UTF-8 gives its text; anything else is read as CP932. Bytes that CP932 cannot map
// either become U+FFFD, so some text always comes back.
QString DecodeText(const QByteArray& bytes);

// `text` in CP932; characters CP932 has no code for are dropped. Empty when iconv is missing.
QByteArray EncodeCp932(const QString& text);
