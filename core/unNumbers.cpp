#include "core/unNumbers.h"

#include "core/unStringFuncs.h"

#include <QByteArray>
#include <QTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

int AmountDecimals = 2;

namespace {

// Value as a run of decimal digits in units of 10^-Digits, rounded half away from zero on the
// value's 15-significant-digit decimal form, so that binary noise never decides a half.
QByteArray RoundedUnits(int Digits, double Value) {
    // "d.dddddddddddddde±x": 15 significant digits, always in the C locale.
    const QByteArray e = QByteArray::number(std::fabs(Value), 'e', 14);
    const qsizetype ePos = e.indexOf('e');
    QByteArray digits = e.left(1) + e.mid(2, ePos - 2);
    const int pointPos = e.mid(ePos + 1).toInt() + 1; // digits before the decimal point
    const int keep = pointPos + Digits;               // significant digits that stay
    if (keep >= digits.size()) return digits + QByteArray(keep - digits.size(), '0');
    if (keep < 0) return QByteArray("0");
    QByteArray units = digits.left(keep);
    if (digits.at(keep) >= '5') {
        qsizetype i = units.size() - 1;
        while (i >= 0 && units.at(i) == '9')
            units[i--] = '0';
        if (i >= 0)
            units[i] = char(units.at(i) + 1);
        else
            units.prepend('1');
    }
    return units.isEmpty() ? QByteArray("0") : units;
}

// The rounded value as fixed text with max(Digits, 0) decimals and no exponent.
QString RoundedText(int Digits, double Value) {
    if (!std::isfinite(Value)) return QString::number(Value);
    QByteArray units = RoundedUnits(Digits, Value);
    if (Digits < 0) units.append(QByteArray(-Digits, '0'));
    const int decimals = std::max(Digits, 0);
    if (units.size() <= decimals) units.prepend(QByteArray(decimals + 1 - units.size(), '0'));
    qsizetype lead = 0;
    while (lead < units.size() - decimals - 1 && units.at(lead) == '0')
        ++lead;
    units.remove(0, lead);
    const bool zero = units.count('0') == units.size();
    if (decimals > 0) units.insert(units.size() - decimals, '.');
    if (Value < 0 && !zero) units.prepend('-');
    return QString::fromLatin1(units);
}

// Reading back through text keeps -0 from leaking out of the rounding functions.
double NoNegativeZero(double v) {
    return v == 0 ? 0.0 : v;
}

} // namespace

double RoundToDigits(int Digits, double Value) {
    if (!std::isfinite(Value)) return Value;
    return NoNegativeZero(RoundedText(Digits, Value).toDouble());
}

QString RoundToStr(int Digits, double Value) {
    return RoundedText(Digits, Value);
}

QString FormatAmount(double Value) {
    return RoundToStr(AmountDecimals, Value);
}

double TruncFloat(double Value) {
    if (!std::isfinite(Value)) return Value;
    return NoNegativeZero(std::trunc(QByteArray::number(Value, 'e', 14).toDouble()));
}

namespace {

// The common "-123.45" form, read without the general conversion, which costs most of a sort's
// or a filter's time; from_chars rounds exactly as the general conversion does.
bool ReadPlainDecimal(const QString& Text, double& Value) {
    char Buffer[32];
    const qsizetype Size = Text.size();
    if (Size == 0 || Size >= qsizetype(sizeof Buffer)) return false;
    const qsizetype I = Text.front() == QLatin1Char('-') ? 1 : 0;
    qsizetype Digits = 0, Dot = -1;
    for (qsizetype J = 0; J < Size; ++J) {
        const char16_t C = Text[J].unicode();
        if (C >= u'0' && C <= u'9') {
            ++Digits;
        } else if (C == u'.' && Dot < 0 && J >= I) {
            Dot = J;
        } else if (J != 0 || C != u'-') {
            return false;
        }
        Buffer[J] = char(C);
    }
    // Digits on both sides of the point, when there is one.
    if (Digits == 0 || Dot == I || Dot == Size - 1) return false;
    const auto Result = std::from_chars(Buffer, Buffer + Size, Value);
    return Result.ec == std::errc() && Result.ptr == Buffer + Size;
}

} // namespace

double StrToFloatDot(const QString& Text, double Default) {
    if (Text.isEmpty()) return 0;
    double plain;
    if (ReadPlainDecimal(Text, plain)) return plain;
    bool ok = false;
    const double v = Text.toDouble(&ok);
    return ok && std::isfinite(v) ? v : Default;
}

QString FloatToStrDot(int Precision, double Value) {
    if (Precision != -1) return RoundToStr(Precision, Value);
    return QString::number(NoNegativeZero(Value), 'g', 15);
}

QString FloatToFixedStr(int Digits, double Value) {
    return RoundedText(Digits, Value);
}

QString NumStrToFixedStr(const QString& Text, int Digits) {
    return FloatToFixedStr(Digits, StrToFloatDot(Text, 0));
}

double RoundStrToFloat(const QString& Text, int Digits) {
    return RoundToDigits(Digits, StrToFloatDot(Text, 0));
}

QString AddNumStr(const QString& A, const QString& B) {
    return FloatToStrDot(-1, StrToFloatDot(A, 0) + StrToFloatDot(B, 0));
}

QString SubNumStr(const QString& A, const QString& B) {
    return FloatToStrDot(-1, StrToFloatDot(A, 0) - StrToFloatDot(B, 0));
}

QString MulNumStr(const QString& A, const QString& B) {
    return FloatToStrDot(-1, StrToFloatDot(A, 0) * StrToFloatDot(B, 0));
}

int CountDecimals(const QString& Text) {
    const qsizetype p = Text.indexOf(QLatin1Char('.'));
    return p < 0 ? 0 : int(Text.size() - p - 1);
}

QString FilterNumberChars(const QString& Text) {
    QString result;
    for (const QChar c : Text)
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
            c == QLatin1Char('.'))
            result += c;
    return result;
}

qint64 StrToIntOrZero(const QString& Text) {
    bool ok = false;
    const qint64 v = Trim(Text).toLongLong(&ok, 10);
    return ok ? v : 0;
}

qint64 Whole(double Value) {
    return std::llround(RoundToDigits(0, Value));
}

// ---- Dates

namespace {

const QDate DayZero(1899, 12, 30);
TClockFunc CurrentClock = nullptr;

QDateTime CurrentTime() {
    return CurrentClock ? CurrentClock() : QDateTime::currentDateTime();
}

// A text of decimal digits only, as a number; -1 otherwise.
int DigitsToInt(const QString& Text) {
    if (Text.isEmpty()) return -1;
    for (const QChar c : Text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
    return Text.toInt();
}

// A number or 0.
int IntOrZero(const QString& Text) {
    bool ok = false;
    const int v = Trim(Text).toInt(&ok);
    return ok ? v : 0;
}

// The calendar day of Value; false for a day outside the years 1..9999.
bool CalendarDay(TDateTime Value, QDate& Day) {
    if (!std::isfinite(Value) || std::fabs(Value) > 4e6) return false;
    Day = DateTimeToQDate(Value);
    return Day.isValid() && Day.year() >= 1 && Day.year() <= 9999;
}

QString FormatDate(const QDate& Date) {
    return QString::asprintf("%02d.%02d.%04d", Date.day(), Date.month(), Date.year());
}

// One part of a "d.m.y" text: its number and how many digits it had (0: left out).
struct TDatePart {
    int Value = 0;
    int Digits = 0;
};

bool ReadDatePart(QStringView Text, TDatePart& Part) {
    Text = Text.trimmed();
    if (Text.size() > 4) return false;
    Part = {};
    for (const QChar C : Text) {
        if (C < QLatin1Char('0') || C > QLatin1Char('9')) return false;
        Part.Value = Part.Value * 10 + (C.unicode() - u'0');
    }
    Part.Digits = int(Text.size());
    return true;
}

} // namespace

void SetClock(TClockFunc Clock) {
    CurrentClock = Clock;
}

TDateTime Date() {
    return QDateToDateTime(CurrentTime().date());
}

TDateTime Now() {
    const QDateTime now = CurrentTime();
    return QDateToDateTime(now.date()) + now.time().msecsSinceStartOfDay() / 86400000.0;
}

QDate DateTimeToQDate(TDateTime Value) {
    return DayZero.addDays(qint64(std::trunc(Value)));
}

TDateTime QDateToDateTime(const QDate& Value) {
    return TDateTime(DayZero.daysTo(Value));
}

QString DateToStr(TDateTime Value) {
    QDate Day;
    return CalendarDay(Value, Day) ? FormatDate(Day) : QString();
}

int TwoDigitYearToFull(int Year) {
    return Year + (Year < 40 ? 2000 : 1900);
}

bool ReadDotDate(QStringView Text, const TDotDateRules& Rules, TDateTime& Value) {
    TDatePart Parts[3];
    Text = Text.trimmed();
    for (qsizetype Start = 0, Count = 0;; ++Count) {
        const qsizetype Dot = Text.indexOf(QLatin1Char('.'), Start);
        if (Count == 3 || !ReadDatePart(Text.mid(Start, Dot < 0 ? -1 : Dot - Start), Parts[Count]))
            return false;
        if (Dot < 0) break;
        Start = Dot + 1;
    }
    const TDatePart& DayPart = Parts[Rules.YearFirst ? 2 : 0];
    const TDatePart& MonthPart = Parts[1];
    const TDatePart& YearPart = Parts[Rules.YearFirst ? 0 : 2];
    const QDate Fallback = DateTimeToQDate(Rules.Default);
    const auto Take = [&Rules](const TDatePart& Part, int Width, int Missing, int& Out) {
        if (Part.Digits == 0) {
            Out = Missing;
            return Rules.Missing == mdFromDefault;
        }
        Out = Part.Value;
        return Part.Digits <= Width;
    };
    int Day = 0, Month = 0, Year = 0;
    if (!Take(DayPart, 2, Fallback.day(), Day) || !Take(MonthPart, 2, Fallback.month(), Month) ||
        !Take(YearPart, 4, Fallback.year(), Year))
        return false;
    if (Rules.CenturyPivot && YearPart.Digits == 2)
        Year = TwoDigitYearToFull(Year);
    else if (Rules.CenturyPivot && YearPart.Digits != 0 && YearPart.Digits != 4)
        return false;
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1) return false;
    const int Last = QDate(Year, Month, 1).daysInMonth();
    if (Day > Last) {
        if (!Rules.LowerDayToMonthEnd || MonthPart.Digits == 0) return false;
        Day = Last;
    }
    Value = QDateToDateTime(QDate(Year, Month, Day));
    return true;
}

bool TryStrToDate(const QString& Text, TDateTime& Value) {
    return ReadDotDate(Text, TDotDateRules(), Value);
}

TDateTime StrToDateOr(const QString& Text, TDateTime Default) {
    TDateTime value = Default;
    return TryStrToDate(Text, value) ? value : Default;
}

QString DateToYyyymmdd(TDateTime Value) {
    QDate Day;
    return CalendarDay(Value, Day) ? QString::asprintf("%04d%02d%02d", Day.year(), Day.month(), Day.day())
                                   : QString();
}

TDateTime DateFromYyyymmdd(const QString& Text) {
    const int year = DigitsToInt(Text.mid(0, 4));
    const int month = DigitsToInt(Text.mid(4, 2));
    const int day = DigitsToInt(Text.mid(6, 2));
    if (year < 1 || month < 1 || month > 12 || day < 1) return Now();
    const QDate first(year, month, 1);
    return QDateToDateTime(first.addDays(std::min(day, first.daysInMonth()) - 1));
}

QString FormatYyyymmdd(const QString& Text) {
    return DateToStr(DateFromYyyymmdd(Text));
}

QString DotDateToYyyymmdd(const QString& Text) {
    TDateTime Day = 0;
    return ReadDotDate(FilterNumberChars(Text), TDotDateRules(), Day) ? DateToYyyymmdd(Day) : QString();
}

bool TryDigitsToDate(const QString& Text, int Layout, TDateTime& Value) {
    int day = 0, month = 0, year = 0;
    if (Layout == 1) {
        day = IntOrZero(Text.mid(0, 2));
        month = IntOrZero(Text.mid(2, 2));
        year = IntOrZero(Text.mid(4, 4));
    } else if (Layout == 2) {
        year = IntOrZero(Text.mid(0, 4));
        month = IntOrZero(Text.mid(4, 2));
        day = IntOrZero(Text.mid(6, 2));
    } else {
        return false;
    }
    const QDate date(year, month, day);
    if (year < 1900 || !date.isValid()) return false;
    Value = QDateToDateTime(date);
    return true;
}

TDateTime DotTextToDate(const QString& Text, int Mode, TDateTime Default) {
    if (Mode < 1 || Mode > 3) return Default;
    TDotDateRules Rules{mdFromDefault, Default};
    Rules.CenturyPivot = Mode == 3;
    Rules.YearFirst = Mode == 2;
    TDateTime Value = 0;
    return ReadDotDate(Text, Rules, Value) ? Value : Default;
}

// ---- Masks

QString NormalizeMask(const QString& Mask) {
    static const char* const rules[][2] = {{"**", "*"}, {"++", "+"}, {"+*", "+"},
                                           {"*+", "+"}, {"*?", "+"}, {"?*", "+"}};
    QString result = Mask;
    for (bool changed = true; changed;) {
        changed = false;
        for (const auto& rule : rules) {
            const QString from = QLatin1String(rule[0]);
            if (result.contains(from)) {
                result.replace(from, QLatin1String(rule[1]));
                changed = true;
            }
        }
    }
    return result;
}

namespace {

bool IsMaskLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= 0x0410 && u <= 0x044F);
}

bool IsMaskDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Mask (normalised) against Text: 1 match, -1 the text ended where the mask still wanted a
// character of some kind, 0 no match. Where a "*" or "+" could take runs of any length, the best
// outcome over every run counts (a match before a text that ran out before no match). Each
// (text position, mask position) pair is judged once, from the end of the mask backwards, so the
// time grows with the text's length times the mask's, however many "*" the mask holds.
int MatchFrom(const QString& Text, const QString& Mask) {
    // Ranks: 2 match, 1 the text ran out, 0 no match.
    const qsizetype N = Text.size(), M = Mask.size();
    std::vector<char> Next(size_t(N) + 1), Cur(size_t(N) + 1);
    // Best[Ti]: the best rank of the rest of the mask from any text position at or after Ti.
    std::vector<char> Best(size_t(N) + 2, 0);
    for (qsizetype Ti = 0; Ti <= N; ++Ti)
        Next[size_t(Ti)] = Ti == N ? 2 : 0;
    for (qsizetype Mi = M - 1; Mi >= 0; --Mi) {
        Best[size_t(N) + 1] = 0;
        for (qsizetype Ti = N; Ti >= 0; --Ti)
            Best[size_t(Ti)] = std::max(Next[size_t(Ti)], Best[size_t(Ti) + 1]);
        const QChar m = Mask.at(Mi);
        for (qsizetype Ti = 0; Ti <= N; ++Ti) {
            char& R = Cur[size_t(Ti)];
            if (m == QLatin1Char('*') || m == QLatin1Char('+')) {
                const bool plus = m == QLatin1Char('+');
                if (plus && Ti >= N)
                    R = 1;
                else
                    R = Mi == M - 1 ? 2 : Best[size_t(Ti + (plus ? 1 : 0))];
                continue;
            }
            const bool wildcard = m == QLatin1Char('?') || m == QLatin1Char('@') || m == QLatin1Char('#');
            if (Ti >= N) {
                R = wildcard ? 1 : 0;
                continue;
            }
            const QChar t = Text.at(Ti);
            const bool fits = m == QLatin1Char('?')   ? true
                              : m == QLatin1Char('@') ? IsMaskLetter(t)
                              : m == QLatin1Char('#') ? IsMaskDigit(t)
                                                      : t == m;
            R = fits ? Next[size_t(Ti) + 1] : 0;
        }
        std::swap(Next, Cur);
    }
    return Next[0] == 2 ? 1 : Next[0] == 1 ? -1 : 0;
}

bool AltMaskIsWellFormed(const QString& Mask) {
    bool inGroup = false;
    for (qsizetype i = 0; i < Mask.size(); ++i) {
        const QChar c = Mask.at(i);
        if (c == QLatin1Char('[')) {
            inGroup = true;
        } else if (c == QLatin1Char(']')) {
            if (!inGroup) return false;
            inGroup = false;
        } else if (c == QLatin1Char(',')) {
            if (!inGroup || i == Mask.size() - 1) return false;
            const QChar next = Mask.at(i + 1);
            if (next == QLatin1Char(',') || next == QLatin1Char(']')) return false;
        }
    }
    return true;
}

// Tries every choice of alternatives, group by group, from Pos on; best result wins.
int MatchAlternatives(const QString& Text, const QString& Prefix, const QString& Mask, qsizetype Pos) {
    const qsizetype open = Mask.indexOf(QLatin1Char('['), Pos);
    if (open < 0) return MatchMask(Text, Prefix + Mask.mid(Pos));
    qsizetype close = Mask.indexOf(QLatin1Char(']'), open + 1);
    if (close < 0) close = Mask.size();
    const QString head = Prefix + Mask.mid(Pos, open - Pos);
    int result = 0;
    for (const QString& alternative : Mask.mid(open + 1, close - open - 1).split(QLatin1Char(','))) {
        const int r = MatchAlternatives(Text, head + alternative, Mask, close + 1);
        if (r == 1) return 1;
        if (r == -1) result = -1;
    }
    return result;
}

} // namespace

int MatchMask(const QString& Text, const QString& Mask) {
    const QString mask = NormalizeMask(Mask);
    if (mask.isEmpty() || mask == QLatin1String("*")) return 1;
    if (Text.isEmpty()) return -1;
    return MatchFrom(Text, mask);
}

int MatchAltMask(const QString& Text, const QString& Mask) {
    if (!AltMaskIsWellFormed(Mask)) return 0;
    return MatchAlternatives(Text, QString(), Mask, 0);
}
