#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

// Colours as the settings file keeps them: red in the low byte, then green, then blue. A value
// with the top bit set names a system colour by its index in the low byte; those come from the
// palette of the desktop.
QColor ColorFromStored(qint32 value, const QPalette& palette);

// The stored form of an ordinary colour.
qint32 StoredFromColor(const QColor& color);
