#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

// Small texts made from paths, numbers and times, as the caption and the status bar show them.

// The user's home folder at the start of `path` shown as "~".
QString MiniFileName(const QString& path, const QString& home);

// The number of "/" in `path`.
int PathLevel(const QString& path);

// `path` made absolute and clean ("~/" expanded, relative to `currentFolder`); a path that
// does not exist is returned unchanged.
QString ExpandShortName(const QString& path, const QString& home, const QString& currentFolder);

// `folder` + "/" + `name`, without doubling the "/" of the root.
QString ChildPath(const QString& folder, const QString& name);
// The folder part of `path` without a trailing "/" ("/" for a file in the root).
QString FolderOf(const QString& path);
// `path` without the "/" at its end ("/a/b/" as "/a/b"); the root "/" stays as it is.
QString WithoutTrailingSlash(const QString& path);
// `path` with one "/" at its end ("/a/b" as "/a/b/"); the root "/" stays as it is, an empty
// path stays empty.
QString WithTrailingSlash(const QString& path);
// The name after the last "/".
QString FileNameOf(const QString& path);
// The extension with its dot in upper case, from the last "." of the file name; empty if none.
QString UpperExtension(const QString& path);

// 1234567 as "1,234,567"; 0 as "".
QString FormatThousands(qint64 value);
// A rate with two to four decimals: 1 as "1.00", 0.125 as "0.125", 1/3 as "0.3333".
QString FormatRate(double rate);

// Local time packed as a DOS date-time (2-second steps); 0 for times it cannot hold.
std::int32_t PackDosTime(const QDateTime& time);

// Formats `time` with a date pattern of the settings file: "yyyy", "yy", "mm"/"m" (month, or
// minutes right after an hour), "dd"/"d", "ddd" (short day name), "dddd", "hh"/"h",
// "nn"/"n", "ss"/"s", "am/pm" (12-hour clock, "am" or "pm"); other characters as they are.
QString FormatDateTimePattern(const QDateTime& time, const QString& pattern);
