#pragma once
// Exact decimal arithmetic for the loan engine: amounts, rates and band limits are held as an
// integer and a count of decimals, so that no binary error can ever move a cent. Every rounding
// is half away from zero.

#include <QString>
#include <QStringView>

// Mantissa × 10^-Scale.
struct TDecimal {
    qint64 Mantissa = 0;
    int Scale = 0;
};

// A number written with "." as the decimal point (an exponent is accepted); blanks around it are
// ignored. False, and Value untouched, for an empty text or one that is not a number.
bool ParseDecimal(QStringView Text, TDecimal& Value);
// The value of Text, 0 when it is not a number.
TDecimal DecimalOrZero(QStringView Text);
// A floating-point value as the decimal of its 15-significant-digit text (what it was typed as).
TDecimal DecimalOf(double Value);
// Value rounded to Digits decimals, counted in units of 10^-Digits.
qint64 RoundDecimal(const TDecimal& Value, int Digits);
// A × B rounded to Digits decimals, in units of 10^-Digits.
qint64 RoundProduct(const TDecimal& A, const TDecimal& B, int Digits);
// A ÷ Divisor rounded to Digits decimals, in units of 10^-Digits; Divisor must not be 0.
qint64 RoundQuotient(const TDecimal& A, qint64 Divisor, int Digits);
// -1, 0 or 1 as A is below, equal to or above B.
int CompareDecimal(const TDecimal& A, const TDecimal& B);
// Units of 10^-Digits with exactly Digits decimals: (1230, 2) gives "12.30".
QString ScaledToFixedStr(qint64 Units, int Digits);
// The same text appended to To.
void AppendScaledFixed(QString& To, qint64 Units, int Digits);
// The same without trailing zeros: (1230, 2) gives "12.3", (1200, 2) gives "12".
QString ScaledToStr(qint64 Units, int Digits);

// An amount's text in units of its last shown decimal (AmountDecimals); 0 when it is no number.
qint64 CentsOf(QStringView Text);
// Those units as the amount's text, with AmountDecimals decimals.
QString Money(qint64 Cents);
void AppendMoney(QString& To, qint64 Cents);
