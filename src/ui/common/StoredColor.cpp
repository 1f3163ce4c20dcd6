#include "ui/common/StoredColor.h"

namespace {

// The palette entry that plays the part of each system colour index.
QColor SystemColor(int index, const QPalette& palette) {
    switch (index) {
    case 5: // window background
        return palette.color(QPalette::Base);
    case 8: // window text
        return palette.color(QPalette::Text);
    case 7: // menu text
        return palette.color(QPalette::WindowText);
    case 2:  // active caption
    case 13: // highlight
        return palette.color(QPalette::Highlight);
    case 9:  // caption text
    case 14: // highlighted text
        return palette.color(QPalette::HighlightedText);
    case 0:  // scroll bar
    case 15: // button face
        return palette.color(QPalette::Button);
    case 16: // button shadow
        return palette.color(QPalette::Dark);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return palette.color(QPalette::ButtonText);
    case 20: // button highlight
        return palette.color(QPalette::Light);
    case 21: // dark 3-D shadow
        return palette.color(QPalette::Shadow);
    case 22: // 3-D light
        return palette.color(QPalette::Midlight);
    case 23: // tool tip text
        return palette.color(QPalette::ToolTipText);
    case 24: // tool tip background
        return palette.color(QPalette::ToolTipBase);
    default: // desktop, menus, frames and the rest
        return palette.color(QPalette::Window);
    }
}

} // namespace

QColor ColorFromStored(qint32 value, const QPalette& palette) {
    const auto bits = static_cast<quint32>(value);
    if (bits & 0x80000000u)
        return SystemColor(static_cast<int>(bits & 0xFFu), palette);
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}

qint32 StoredFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<qint32>(static_cast<quint32>(rgb.red()) | (static_cast<quint32>(rgb.green()) << 8) |
                               (static_cast<quint32>(rgb.blue()) << 16));
}
