#include "Components/Grids/Graphics.h"

#include <QGuiApplication>

namespace {

bool IsSystemColor(TColor Color) {
    return (quint32(Color) & 0xFF000000u) == 0xFF000000u;
}

QPalette::ColorRole SystemRole(int Index) {
    switch (Index) {
    case 0:  // clScrollBar
    case 15: // clBtnFace
        return QPalette::Button;
    case 5: // clWindow
        return QPalette::Base;
    case 8: // clWindowText
        return QPalette::Text;
    case 13: // clHighlight
        return QPalette::Highlight;
    case 14: // clHighlightText
        return QPalette::HighlightedText;
    case 16: // clBtnShadow
        return QPalette::Dark;
    case 18: // clBtnText
        return QPalette::ButtonText;
    case 20: // clBtnHighlight
        return QPalette::Light;
    case 23: // clInfoText
        return QPalette::ToolTipText;
    case 24: // clInfoBk
        return QPalette::ToolTipBase;
    default:
        return QPalette::Window;
    }
}

} // namespace

QColor ToQColor(TColor Color, const QPalette& Palette) {
    if (Color == clNone || Color == clDefault) return QColor();
    if (IsSystemColor(Color)) {
        const int index = Color & 0xFF;
        if (index == 17) return Palette.color(QPalette::Disabled, QPalette::Text); // clGrayText
        return Palette.color(QPalette::Active, SystemRole(index));
    }
    return QColor(Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
}

QColor ToQColor(TColor Color) {
    return ToQColor(Color, QGuiApplication::palette());
}

TColor FromQColor(const QColor& Color) {
    if (!Color.isValid()) return clNone;
    return TColor(Color.red() | (Color.green() << 8) | (Color.blue() << 16));
}

QFont StyledFont(const QFont& Font, TFontStyles Style) {
    QFont f(Font);
    f.setBold(Style.Contains(fsBold));
    f.setItalic(Style.Contains(fsItalic));
    f.setUnderline(Style.Contains(fsUnderline));
    f.setStrikeOut(Style.Contains(fsStrikeOut));
    return f;
}

TFontStyles TFont::Style() const {
    TFontStyles s;
    if (FFont.bold()) s.Include(fsBold);
    if (FFont.italic()) s.Include(fsItalic);
    if (FFont.underline()) s.Include(fsUnderline);
    if (FFont.strikeOut()) s.Include(fsStrikeOut);
    return s;
}
