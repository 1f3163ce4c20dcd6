#pragma once

#include <QString>
#include <QUrl>

// File URLs carry the bytes of a file name percent-encoded, so any name fits. QUrl's own
// toLocalFile()/fromLocalFile() decode and encode as UTF-8 and lose names that are not; these
// go through the program's path form instead.

// The path of a "file:" URL; empty for any other URL.
QString PathFromLocalUrl(const QUrl& url);

// A "file:" URL for `path`.
QUrl LocalUrlFromPath(const QString& path);
