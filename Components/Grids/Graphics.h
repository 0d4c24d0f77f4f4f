#pragma once
// Colours, fonts and bevels of the class library, mapped onto Qt's painting types.

#include "core/unitTypes.h"

#include <QColor>
#include <QFont>
#include <QPalette>

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// A system colour (high byte 0xFF) is looked up in Palette; clNone and clDefault give an
// invalid QColor, so painting with them draws nothing.
QColor ToQColor(TColor Color, const QPalette& Palette);
// The application palette resolves system colours.
QColor ToQColor(TColor Color);
TColor FromQColor(const QColor& Color);

// Styles applied to a copy of Font.
QFont StyledFont(const QFont& Font, TFontStyles Style);

// The class library's font: a QFont, a colour and the character set stored in settings
// strings (204 for Cyrillic), which Qt ignores.
class TFont {
public:
    TFont() = default;
    explicit TFont(const QFont& Font, TColor Color = clWindowText) : FFont(Font), FColor(Color) {}

    const QFont& Font() const { return FFont; }
    void SetFont(const QFont& Font) { FFont = Font; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Color) { FColor = Color; }
    int Charset() const { return FCharset; }
    void SetCharset(int Charset) { FCharset = Charset; }

    QString Name() const { return FFont.family(); }
    void SetName(const QString& Name) { FFont.setFamily(Name); }
    int Size() const { return FFont.pointSize(); }
    void SetSize(int Points) { FFont.setPointSize(Points); }
    TFontStyles Style() const;
    void SetStyle(TFontStyles Style) { FFont = StyledFont(FFont, Style); }

    bool operator==(const TFont& Other) const = default;

private:
    QFont FFont;
    TColor FColor = clWindowText;
    int FCharset = 204;
};
