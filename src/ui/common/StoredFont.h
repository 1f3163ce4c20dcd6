#pragma once

#include <QFont>
#include <QString>

// Fonts as the settings file keeps them: a name, a size in points and a style set (bit 0 bold,
// bit 1 italic, bit 2 underline, bit 3 strike-out).
QFont FontFromStored(const QString& name, int pointSize, int style);
int StoredFontStyle(const QFont& font);
