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
// "dd.mm.yyyy".
QString DateToStr(TDateTime Value);
// Reads "d.m.yyyy" (day, month and a year of 3 or 4 digits); false when it is no valid date.
bool TryStrToDate(const QString& Text, TDateTime& Value);
TDateTime StrToDateOr(const QString& Text, TDateTime Default);

QString DateToYyyymmdd(TDateTime Value);
// The date of "yyyymmdd", the day lowered to the month's length; Now() when Text is no such date.
TDateTime DateFromYyyymmdd(const QString& Text);
// DateFromYyyymmdd shown as "dd.mm.yyyy".
QString FormatYyyymmdd(const QString& Text);
// "d.m.yyyy" to "yyyymmdd": day and month get a leading zero, the year is taken as written; ""
// for a year outside 1..9999.
QString DotDateToYyyymmdd(const QString& Text);
// Layout 1: "ddmmyyyy", Layout 2: "yyyymmdd". False for another layout, a year below 1900 or
// parts that make no valid date.
bool TryDigitsToDate(const QString& Text, int Layout, TDateTime& Value);
// Up to three "."-separated numbers. Mode 1: day.month.year; 2: year.month.day; 3: as 1 with a
// year below 40 in 2000.. and 40..99 in 1900..; other modes give Default. A missing or zero part
// comes from Default; a text that makes no valid date, or a year outside 1..9999, gives Default.
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
