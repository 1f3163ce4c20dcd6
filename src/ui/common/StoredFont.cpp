#include "ui/common/StoredFont.h"

QFont FontFromStored(const QString& name, int pointSize, int style) {
    QFont font(name);
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    font.setBold((style & 1) != 0);
    font.setItalic((style & 2) != 0);
    font.setUnderline((style & 4) != 0);
    font.setStrikeOut((style & 8) != 0);
    return font;
}

int StoredFontStyle(const QFont& font) {
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
           (font.strikeOut() ? 8 : 0);
}
