#pragma once
// Numbers, amounts, dates and wildcard masks to text and back. Numbers are always written and
// read with "." as the decimal point, whatever the locale; money rounds half away from zero.

#include "core/unitTypes.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// Decimals of money amounts.
extern int AmountDecimals;

// Value rounded half away from zero to Digits decimals, as exact decimal arithmetic on the
// value's 15-significant-digit text would: 2.675 gives 2.68, -0.125 gives -0.13.
double RoundToDigits(int Digits, double Value);
// RoundToDigits written with exactly Digits decimals, no thousands separators.
QString RoundToStr(int Digits, double Value);
// RoundToStr(AmountDecimals, Value).
QString FormatAmount(double Value);
// The value cut toward zero after reducing it to 15 significant digits (2.9999999999999996 is 3).
double TruncFloat(double Value);
// The number in Text; "" gives 0, a text that is not a number gives Default.
double StrToFloatDot(const QString& Text, double Default);
// Precision -1: the general text with 15 significant digits ("0.3" for 0.1 + 0.2);
// otherwise RoundToStr(Precision, Value).
QString FloatToStrDot(int Precision, double Value);
// Exactly Digits decimals ("2.50"), none when Digits <= 0.
QString FloatToFixedStr(int Digits, double Value);
QString NumStrToFixedStr(const QString& Text, int Digits);
double RoundStrToFloat(const QString& Text, int Digits);
// Sum, difference (A minus B) and product of two number texts, as general texts.
QString AddNumStr(const QString& A, const QString& B);
QString SubNumStr(const QString& A, const QString& B);
QString MulNumStr(const QString& A, const QString& B);
// Characters after the first ".", 0 when there is none.
int CountDecimals(const QString& Text);
// Text without every character other than "0".."9", "-" and ".".
QString FilterNumberChars(const QString& Text);
// The whole number in Text, 0 when Text is not one.
qint64 StrToIntOrZero(const QString& Text);
// Value rounded half away from zero to a whole number, as RoundToDigits(0, Value) reads it
// (2.4999999999999996 gives 3): document numbers, codes, days, durations and cents.
qint64 Whole(double Value);

// Dates: TDateTime day 0 is 30.12.1899, the time of day is the fraction.
// The source of the current time; null restores the system clock. Tests set their own.
using TClockFunc = QDateTime (*)();
void SetClock(TClockFunc Clock);
// Today as a whole day.
TDateTime Date();
// The current date and time.
TDateTime Now();
QDate DateTimeToQDate(TDateTime Value);
TDateTime QDateToDateTime(const QDate& Value);
// "dd.mm.yyyy"; "" for a day outside the years 1..9999.
QString DateToStr(TDateTime Value);

// The year a two-digit year stands for: below 40 in 2000..2039, from 40 on in 1940..1999.
int TwoDigitYearToFull(int Year);

// What a part left out of a "d.m.y" text means ("5", "5.3" and "5.3." leave parts out; a part
// typed as 0 is typed, and makes no date).
enum TMissingDatePart { mdRefused, mdFromDefault };

// How ReadDotDate reads a text. Every date the program reads as "d.m.y" is read by it.
struct TDotDateRules {
    TMissingDatePart Missing = mdRefused;
    // Where missing parts come from.
    TDateTime Default = 0;
    // A year of two digits is read by TwoDigitYearToFull; one of one or three digits is not
    // finished. Off: a year of one to four digits is taken as written.
    bool CenturyPivot = true;
    // "y.m.d" instead of "d.m.y".
    bool YearFirst = false;
    // A day beyond the end of a typed month is that month's last day ("31.02" in a criterion).
    bool LowerDayToMonthEnd = false;
};

// Up to three "."-separated parts of one or two digits (the year up to four); blanks around the
// text and its parts do not count. False for anything else, for a year outside 1..9999 and for
// parts that make no date.
bool ReadDotDate(QStringView Text, const TDotDateRules& Rules, TDateTime& Value);
// Reads "d.m.y" with every part given; false when it is no valid date.
bool TryStrToDate(const QString& Text, TDateTime& Value);
TDateTime StrToDateOr(const QString& Text, TDateTime Default);

// "yyyymmdd"; "" for a day outside the years 1..9999.
QString DateToYyyymmdd(TDateTime Value);
// The date of "yyyymmdd", the day lowered to the month's length; Now() when Text is no such date.
TDateTime DateFromYyyymmdd(const QString& Text);
// DateFromYyyymmdd shown as "dd.mm.yyyy".
QString FormatYyyymmdd(const QString& Text);
// "d.m.y" (characters other than digits, "-" and "." dropped first) to "yyyymmdd"; "" when it is
// no date.
QString DotDateToYyyymmdd(const QString& Text);
// Layout 1: "ddmmyyyy", Layout 2: "yyyymmdd". False for another layout, a year below 1900 or
// parts that make no valid date.
bool TryDigitsToDate(const QString& Text, int Layout, TDateTime& Value);
// Up to three "."-separated numbers. Mode 1: day.month.year, the year as written; 2:
// year.month.day; 3: as 1 with a two-digit year in 2000..2039 or 1940..1999; other modes give
// Default. A missing part comes from Default; a text that makes no date gives Default.
TDateTime DotTextToDate(const QString& Text, int Mode, TDateTime Default);

// Masks: "?" any character, "@" a letter (Latin or Cyrillic), "#" a digit, "*" any run,
// "+" a run of at least one character; other characters stand for themselves.
// "**" "++" "+*" "*+" "*?" "?*" are reduced until nothing changes ("a**?b" gives "a+b").
QString NormalizeMask(const QString& Mask);
// 1 when Text matches Mask; -1 when Text is too short but could still match by typing more
// (also for an empty Text); 0 when it cannot match.
int MatchMask(const QString& Text, const QString& Mask);
// As MatchMask; the mask may hold groups of alternatives "[ab,c]". A malformed mask (a ","
// outside a group, a "," at the end or before "," or "]", a "]" without "[") gives 0.
int MatchAltMask(const QString& Text, const QString& Mask);
