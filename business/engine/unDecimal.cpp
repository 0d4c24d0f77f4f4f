#include "business/engine/unDecimal.h"

#include "core/unNumbers.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

using Wide = __int128;

// Beyond this many decimals nothing the shop stores is affected; it keeps 10^k inside 128 bits.
constexpr int MaxScale = 30;

Wide Pow10(int N) {
    Wide p = 1;
    for (int i = 0; i < N; ++i)
        p *= 10;
    return p;
}

// Num ÷ Den rounded half away from zero; Den > 0.
Wide DivRound(Wide Num, Wide Den) {
    const bool negative = Num < 0;
    const Wide a = negative ? -Num : Num;
    const Wide q = (2 * a + Den) / (2 * Den);
    return negative ? -q : q;
}

qint64 Narrow(Wide V) {
    constexpr Wide lo = std::numeric_limits<qint64>::min();
    constexpr Wide hi = std::numeric_limits<qint64>::max();
    return qint64(V < lo ? lo : V > hi ? hi : V);
}

// Mantissa × 10^-Scale rounded to Digits decimals.
Wide Rescale(Wide Mantissa, int Scale, int Digits) {
    if (Scale <= Digits) return Mantissa * Pow10(Digits - Scale);
    return DivRound(Mantissa, Pow10(Scale - Digits));
}

} // namespace

bool ParseDecimal(QStringView Text, TDecimal& Value) {
    const QStringView t = Text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    Wide mantissa = 0;
    int scale = 0;
    int digits = 0;
    int dropped = 0; // integer digits beyond what the mantissa holds
    bool seenPoint = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if (c.isDigit() && c.unicode() < 128) {
            ++digits;
            if (mantissa < Pow10(36)) {
                mantissa = mantissa * 10 + (c.unicode() - '0');
                if (seenPoint) ++scale;
            } else if (!seenPoint) {
                ++dropped;
            }
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    int exponent = 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) expNegative = t[i++] == u'-';
        if (i == t.size()) return false;
        for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i)
            if (exponent < 1000) exponent = exponent * 10 + (t[i].unicode() - '0');
        exponent = expNegative ? -exponent : exponent;
    }
    if (i != t.size()) return false;
    scale -= exponent + dropped;
    if (scale > MaxScale) {
        mantissa = DivRound(mantissa, Pow10(scale - MaxScale));
        scale = MaxScale;
    }
    // Keep the mantissa within 64 bits by giving up decimals; a value too large for that is not
    // an amount.
    constexpr Wide limit = std::numeric_limits<qint64>::max();
    while (mantissa > limit && scale > 0) {
        mantissa = DivRound(mantissa, 10);
        --scale;
    }
    while (scale < 0 && mantissa <= limit / 10) {
        mantissa *= 10;
        ++scale;
    }
    if (mantissa > limit || scale < 0) return false;
    Value.Mantissa = qint64(negative ? -mantissa : mantissa);
    Value.Scale = scale;
    return true;
}

TDecimal DecimalOrZero(QStringView Text) {
    TDecimal v;
    ParseDecimal(Text, v);
    return v;
}

TDecimal DecimalOf(double Value) {
    return DecimalOrZero(QString::number(Value, 'g', 15));
}

qint64 RoundDecimal(const TDecimal& Value, int Digits) {
    return Narrow(Rescale(Value.Mantissa, Value.Scale, Digits));
}

qint64 RoundProduct(const TDecimal& A, const TDecimal& B, int Digits) {
    return Narrow(Rescale(Wide(A.Mantissa) * B.Mantissa, A.Scale + B.Scale, Digits));
}

qint64 RoundQuotient(const TDecimal& A, qint64 Divisor, int Digits) {
    Wide num = Wide(A.Mantissa) * Pow10(Digits);
    Wide den = Wide(Divisor) * Pow10(A.Scale);
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return Narrow(DivRound(num, den));
}

int CompareDecimal(const TDecimal& A, const TDecimal& B) {
    const int scale = qMax(A.Scale, B.Scale);
    const Wide a = Wide(A.Mantissa) * Pow10(scale - A.Scale);
    const Wide b = Wide(B.Mantissa) * Pow10(scale - B.Scale);
    return a < b ? -1 : a > b ? 1 : 0;
}

void AppendScaledFixed(QString& To, qint64 Units, int Digits) {
    if (Digits <= 0) {
        char text[24];
        To.append(QLatin1StringView(text, std::to_chars(text, text + sizeof text, Units).ptr));
        return;
    }
    const bool negative = Units < 0;
    // Through an unsigned magnitude so that the lowest value keeps its sign.
    const quint64 magnitude = negative ? 0 - quint64(Units) : quint64(Units);
    char digits[24];
    const int count = int(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    // Written straight into the text: a report writes a million of these.
    const int width = std::max(count, Digits + 1);
    const qsizetype at = To.size();
    To.resize(at + int(negative) + width + 1);
    QChar* out = To.data() + at;
    if (negative) *out++ = u'-';
    for (int i = 0; i < width; ++i) {
        if (i == width - Digits) *out++ = u'.';
        const int k = i - (width - count);
        *out++ = QLatin1Char(k < 0 ? '0' : digits[k]);
    }
}

QString ScaledToFixedStr(qint64 Units, int Digits) {
    QString out;
    AppendScaledFixed(out, Units, Digits);
    return out;
}

QString ScaledToStr(qint64 Units, int Digits) {
    QString s = ScaledToFixedStr(Units, Digits);
    if (Digits > 0) {
        while (s.endsWith(u'0'))
            s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    return s;
}

qint64 CentsOf(QStringView Text) {
    // The shape amounts are written in ("-123.45", at most AmountDecimals decimals) is read
    // directly; anything else goes through the full reading.
    const qsizetype n = Text.size();
    const bool negative = n > 0 && Text[0] == u'-';
    qint64 units = 0;
    int whole = 0, decimals = -1;
    for (qsizetype i = negative ? 1 : 0; i < n; ++i) {
        const char16_t c = Text[i].unicode();
        if (c >= u'0' && c <= u'9' && whole < 15 && decimals < AmountDecimals) {
            units = units * 10 + (c - u'0');
            if (decimals >= 0)
                ++decimals;
            else
                ++whole;
        } else if (c == u'.' && decimals < 0 && whole > 0) {
            decimals = 0;
        } else {
            return RoundDecimal(DecimalOrZero(Text), AmountDecimals);
        }
    }
    if (whole == 0) return RoundDecimal(DecimalOrZero(Text), AmountDecimals);
    for (int d = std::max(decimals, 0); d < AmountDecimals; ++d)
        units *= 10;
    return negative ? -units : units;
}

QString Money(qint64 Cents) {
    return ScaledToFixedStr(Cents, AmountDecimals);
}

void AppendMoney(QString& To, qint64 Cents) {
    AppendScaledFixed(To, Cents, AmountDecimals);
}
