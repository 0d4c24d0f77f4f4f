#pragma once
// Money amounts and whole numbers in Bulgarian words, as printed contracts and cash orders show
// them, and the small padding helpers of the printed documents.

#include <QChar>
#include <QString>

// "<leva in words> лев(а) и <stotinki in words or digits> стотинк(а/и)"; 0 gives
// "нула лева и нула стотинки". The amount is rounded to stotinki first.
QString AmountToWords(bool StotinkiAsDigits, double Amount);
// N in masculine words, "нула" for 0, "минус " in front of a negative N. Numbers of more than
// six three-digit groups have no scale word and raise EConvertError.
QString IntToWords(qint64 N);
// N (0..99) in feminine words, or its digits when AsDigits.
QString StotinkiToText(int N, bool AsDigits);
// The words of one three-digit group (0..999) with the scale word of ScaleIndex (1 units,
// 2 thousands, 3 millions ...); "" for an all-zero group. RoundHundreds tells that the group
// ends in whole hundreds.
QString GroupToWords(int Group, int ScaleIndex, bool& RoundHundreds);
// Value rounded half away from zero to Digits decimals.
double RoundAmount(int Digits, double Value);
// Text padded with PadChar to Width: Align 0 on the left, 1 around it (the text goes in at half
// the padding), 2 on the right. Nothing happens for a Text of at least Width characters or a
// zero PadChar.
QString PadText(const QString& Text, int Align, int Width, QChar PadChar);
QString PadLeftChar(const QString& Text, int Width, QChar PadChar);
QString PadRightChar(const QString& Text, int Width, QChar PadChar);
// Text without any C.
QString RemoveAllChars(QChar C, const QString& Text);
