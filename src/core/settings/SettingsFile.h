#pragma once

#include "core/settings/Options.h"

#include <QString>
#include <QtGlobal>

// Reading and writing the settings file "Ruvela.ini" to and from an Options value. Runs on the
// GUI thread; holds no state between calls.

// Fills `options` from the file at `path`: every key that is missing or does not parse as its
// type takes its default; booleans are integers, any other than 0 is true; "SlideShowTime" is
// clamped to 500..30000, "UndoSize" to 10..4096, "PrefetchMemory" to 0..50, "ScroolSpeed" to
// 0..5, font styles keep their low four bits. When "ExStr1" then reads "DefaultApplication", the
// stock five external applications are filled in. A missing file is no failure. A line that is
// no section, key or comment is skipped (and kept when the file is written back); only a file
// that is no text at all (a NUL byte, bytes that are neither UTF-8 nor CP932, an absurd size) is
// renamed aside to `path` + ".bad" (replacing an older one) and the defaults are used;
// `message` then holds a note for the user and the result is true. False with
// "INIファイルの読み込みに失敗" when an existing file cannot be read (or, being no text, cannot
// be renamed aside); `options` then holds the defaults. `message` is cleared otherwise.
bool IniLoad(const QString& path, Options& options, QString* message);

// Writes every key of `options` into the file at `path`, starting from the file's current
// content so that keys and sections this program does not know, and comment lines, stay where
// they are; a file that is no INI text is first renamed aside to `path` + ".bad". The file is
// replaced in one piece (UTF-8, CR LF); on any failure `message` gets
// "INIファイルの書き込みに失敗しました" and the old file stays as it was. "Movement" is written
// as given, so the caller passes the earlier runs' total plus this run's count.
bool IniSave(const QString& path, const Options& options, QString* message);

// An external application's menu entry is shown when it has both a caption and a program, or
// when its caption is exactly "-" (a separator).
bool ExternalAppVisible(const QString& name, const QString& program);

// The size bounds as the options dialog's edits give them; a text that is no number gives
// 100000000 for the upper and 128 for the lower bound.
qint64 ParseMaxSize(const QString& text);
qint64 ParseMinSize(const QString& text);
