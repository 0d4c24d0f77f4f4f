#include "core/unNumbers.h"

#include <QLocale>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// Every number test also runs with a comma-decimal default locale: the texts must not change.
class Numbers : public ::testing::TestWithParam<QLocale::Language> {
protected:
    void SetUp() override {
        saved = QLocale();
        QLocale::setDefault(QLocale(GetParam()));
    }
    void TearDown() override { QLocale::setDefault(saved); }
    QLocale saved;
};

QDateTime FixedNow() {
    return QDateTime(QDate(2026, 12, 7), QTime(18, 0));
}

TDateTime Day(int y, int m, int d) {
    return QDateToDateTime(QDate(y, m, d));
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Locales, Numbers,
                         ::testing::Values(QLocale::C, QLocale::German, QLocale::Bulgarian));

TEST_P(Numbers, MoneyRoundsHalfAwayFromZeroOnTheDecimalValue) {
    struct Case {
        int digits;
        double value;
        QString expected;
    };
    const Case cases[] = {
        {2, 2.675, "2.68"},
        {2, 1.005, "1.01"},
        {2, -0.125, "-0.13"},
        {2, 2.345, "2.35"},
        {2, -2.345, "-2.35"},
        {2, 2.344999, "2.34"},
        {2, 0.005, "0.01"},
        {0, 2.5, "3"},
        {0, -2.5, "-3"},
        {2, 0.1 + 0.2, "0.30"},
        {2, 1.0049999, "1.00"},
        {2, -0.004, "0.00"},
        {2, 99.995, "100.00"},
        {7, 0.0017453, "0.0017453"},
        {2, 1234567.891, "1234567.89"},
        {-1, 125, "130"},
        {2, 1e20, "100000000000000000000.00"},
        {3, 0, "0.000"},
        {2, 8.925, "8.93"},
        {2, 1.115, "1.12"},
        {2, 4.35 * 100 / 100, "4.35"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RoundToStr(c.digits, c.value), c.expected) << c.value;
        EXPECT_EQ(RoundToDigits(c.digits, c.value), c.expected.toDouble()) << c.value;
    }
    EXPECT_EQ(FormatAmount(2.675), "2.68");
    EXPECT_FALSE(std::signbit(RoundToDigits(2, -0.001)));
}

TEST_P(Numbers, NoCentFlipsAcrossAGridOfAmounts) {
    // Every x.xx5 from 0.005 to 99.995 must round up, whatever its binary error.
    for (int cents = 0; cents < 10000; ++cents) {
        const double half = (cents * 10 + 5) / 1000.0;
        const QString expected = QString::asprintf("%d.%02d", (cents + 1) / 100, (cents + 1) % 100);
        ASSERT_EQ(RoundToStr(2, half), expected) << half;
        ASSERT_EQ(RoundToStr(2, -half), "-" + expected) << half;
    }
}

TEST_P(Numbers, GeneralAndFixedTextsUseTheDotAnd15Digits) {
    EXPECT_EQ(FloatToStrDot(-1, 0.1), "0.1");
    EXPECT_EQ(FloatToStrDot(-1, 0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStrDot(-1, 1234567.5), "1234567.5");
    EXPECT_EQ(FloatToStrDot(-1, -0.0), "0");
    EXPECT_EQ(FloatToStrDot(3, 2), "2.000");
    EXPECT_EQ(FloatToFixedStr(2, 2.5), "2.50");
    EXPECT_EQ(FloatToFixedStr(2, 3), "3.00");
    EXPECT_EQ(FloatToFixedStr(0, 3), "3");
    EXPECT_EQ(FloatToFixedStr(2, 1234567.891), "1234567.89");
    EXPECT_EQ(FloatToFixedStr(6, 0.00001), "0.000010");
    EXPECT_EQ(NumStrToFixedStr("12.5", 2), "12.50");
    EXPECT_EQ(NumStrToFixedStr("x", 2), "0.00");
    EXPECT_EQ(RoundStrToFloat("2.675", 2), 2.68);
    EXPECT_EQ(AddNumStr("0.1", "0.2"), "0.3");
    EXPECT_EQ(SubNumStr("1", "0.9"), "0.1");
    EXPECT_EQ(MulNumStr("1.1", "1.1"), "1.21");
    EXPECT_EQ(TruncFloat(2.9999999999999996), 3);
    EXPECT_EQ(TruncFloat(-12.7), -12);
    EXPECT_EQ(TruncFloat(1.5e-5), 0);
    EXPECT_EQ(TruncFloat(1.5e20), 1.5e20);
}

TEST_P(Numbers, ReadingNumberTexts) {
    EXPECT_EQ(StrToFloatDot("12.50", 0), 12.5);
    EXPECT_EQ(StrToFloatDot("-0.5", 0), -0.5);
    EXPECT_EQ(StrToFloatDot("abc", 0), 0);
    EXPECT_EQ(StrToFloatDot("12,5", 9), 9);
    EXPECT_EQ(StrToFloatDot("", 7), 0);
    EXPECT_EQ(StrToFloatDot("inf", 1), 1);
    EXPECT_EQ(CountDecimals("12.345"), 3);
    EXPECT_EQ(CountDecimals("12"), 0);
    EXPECT_EQ(FilterNumberChars(QString::fromUtf8("лв -1 234,5.6")), "-12345.6");
    EXPECT_EQ(StrToIntOrZero("8001011234"), Q_INT64_C(8001011234));
    EXPECT_EQ(StrToIntOrZero(" -42 "), -42);
    EXPECT_EQ(StrToIntOrZero("4.2"), 0);
    EXPECT_EQ(StrToIntOrZero(""), 0);
    EXPECT_EQ(StrToIntOrZero("99999999999999999999"), 0);
}

TEST(Whole, RoundsHalfAwayFromZeroOnTheDecimalValueWithoutNarrowing) {
    EXPECT_EQ(Whole(2.5), 3);
    EXPECT_EQ(Whole(-2.5), -3);
    EXPECT_EQ(Whole(2.4999999999999996), 3); // 2.5 as typed
    EXPECT_EQ(Whole(1.005 * 100), 101);      // cents of 1.005
    EXPECT_EQ(Whole(4294967297.0), Q_INT64_C(4294967297));
    EXPECT_EQ(Whole(999999999.0), 999999999);
}

TEST(Dates, DayNumbersAndDayMonthYearTexts) {
    struct Case {
        int day;
        QString text, yyyymmdd;
    };
    const Case cases[] = {
        {0, "30.12.1899", "18991230"},  {1, "31.12.1899", "18991231"},  {46363, "07.12.2026", "20261207"},
        {59, "27.02.1900", "19000227"}, {61, "01.03.1900", "19000301"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DateToStr(c.day), c.text);
        EXPECT_EQ(DateToYyyymmdd(c.day + 0.75), c.yyyymmdd);
        TDateTime read = -1;
        ASSERT_TRUE(TryStrToDate(c.text, read)) << c.text.toStdString();
        EXPECT_EQ(read, c.day);
        EXPECT_EQ(DateFromYyyymmdd(c.yyyymmdd), c.day);
    }
    TDateTime read = 0;
    EXPECT_TRUE(TryStrToDate("7.12.2026", read));
    EXPECT_EQ(read, 46363);
    for (const char* bad : {"", "31.02.2024", "1.2.202", "a.b.cccc", "1.2.2024.5", "1.13.2024"})
        EXPECT_FALSE(TryStrToDate(bad, read)) << bad;
    EXPECT_EQ(StrToDateOr("x", 5), 5);
    EXPECT_EQ(DateTimeToQDate(46363.99), QDate(2026, 12, 7));
}

TEST(Dates, TodayComesFromTheInjectedClock) {
    SetClock(&FixedNow);
    EXPECT_EQ(Date(), 46363);
    EXPECT_DOUBLE_EQ(Now(), 46363.75);
    EXPECT_DOUBLE_EQ(DateFromYyyymmdd("2023xx01"), 46363.75);
    EXPECT_DOUBLE_EQ(DateFromYyyymmdd("20231301"), 46363.75);
    SetClock(nullptr);
}

TEST(Dates, YyyymmddTextsLowerTheDayToTheMonth) {
    EXPECT_EQ(DateFromYyyymmdd("20230231"), Day(2023, 2, 28));
    EXPECT_EQ(DateFromYyyymmdd("20240231"), Day(2024, 2, 29));
    EXPECT_EQ(DateFromYyyymmdd("20230430"), Day(2023, 4, 30));
    EXPECT_EQ(FormatYyyymmdd("20240231"), "29.02.2024");
    EXPECT_EQ(DotDateToYyyymmdd("1.2.2009"), "20090201");
    EXPECT_EQ(DotDateToYyyymmdd(" 15.11.2009 "), "20091115");
    // Years outside 1..9999 would make no eight-digit text.
    EXPECT_EQ(DotDateToYyyymmdd("1.2.9999"), "99990201");
    EXPECT_EQ(DotDateToYyyymmdd("1.2.10000"), "");
    EXPECT_EQ(DotDateToYyyymmdd("1.2.0"), "");
    EXPECT_EQ(DotDateToYyyymmdd("1.2.-5"), "");
}

TEST(Dates, OneReaderForEveryDayMonthYearText) {
    const TDateTime Today = Day(2026, 12, 7);
    const TDotDateRules Strict;
    const TDotDateRules Completing{mdFromDefault, Today};
    TDotDateRules AsWritten;
    AsWritten.CenturyPivot = false;
    TDotDateRules YearFirst;
    YearFirst.YearFirst = true;
    TDotDateRules Criterion{mdFromDefault, Today};
    Criterion.LowerDayToMonthEnd = true;
    struct Case {
        const char* Text;
        const TDotDateRules& Rules;
        TDateTime Expected; // 0: refused
    };
    const Case Cases[] = {
        {" 07.12.2026 ", Strict, Today},
        // Two digits are the last year of one century and the first of the other.
        {"1.2.39", Strict, Day(2039, 2, 1)},
        {"1.2.40", Strict, Day(1940, 2, 1)},
        {"1.2.202", Strict, 0},
        {"1.2.202", AsWritten, Day(202, 2, 1)},
        {"5", Completing, Day(2026, 12, 5)},
        {"5.3.", Completing, Day(2026, 3, 5)},
        {"31.0", Completing, 0},
        {"31.04", Completing, 0},
        {"31.04.2026", Criterion, Day(2026, 4, 30)},
        {"2024.2.1", YearFirst, Day(2024, 2, 1)},
    };
    for (const Case& C : Cases) {
        TDateTime Read = 0;
        EXPECT_EQ(ReadDotDate(QString::fromLatin1(C.Text), C.Rules, Read), C.Expected != 0) << C.Text;
        EXPECT_EQ(Read, C.Expected) << C.Text;
    }
    // The callers read with it.
    TDateTime Read = 0;
    EXPECT_TRUE(TryStrToDate("1.2.26", Read));
    EXPECT_EQ(Read, Day(2026, 2, 1));
    EXPECT_EQ(DotDateToYyyymmdd("31.02.2009"), "");
    EXPECT_EQ(DotDateToYyyymmdd("1.2.26"), "20260201");
    // Writers refuse the days no four-digit year holds.
    EXPECT_EQ(DateToStr(Day(9999, 12, 31)), "31.12.9999");
    EXPECT_EQ(DateToYyyymmdd(Day(1, 1, 1)), "00010101");
    for (const TDateTime Out : {Day(9999, 12, 31) + 1, Day(1, 1, 1) - 1, 1e300, double(NAN)}) {
        EXPECT_EQ(DateToStr(Out), "") << Out;
        EXPECT_EQ(DateToYyyymmdd(Out), "") << Out;
    }
}

TEST(Dates, DigitsAndDottedTextsToDates) {
    TDateTime d = 0;
    EXPECT_TRUE(TryDigitsToDate("05032007", 1, d));
    EXPECT_EQ(d, Day(2007, 3, 5));
    EXPECT_TRUE(TryDigitsToDate("20070305", 2, d));
    EXPECT_EQ(d, Day(2007, 3, 5));
    EXPECT_FALSE(TryDigitsToDate("01011899", 1, d));
    EXPECT_FALSE(TryDigitsToDate("31022010", 1, d));
    EXPECT_FALSE(TryDigitsToDate("20070305", 3, d));

    const TDateTime def = Day(2024, 6, 15) + 0.5;
    struct Case {
        QString text;
        int mode;
        TDateTime expected;
    };
    const Case cases[] = {
        {"5.3", 3, Day(2024, 3, 5)},
        {"5.3.07", 3, Day(2007, 3, 5)},
        {"5.3.75", 3, Day(1975, 3, 5)},
        {"5.3.2007", 1, Day(2007, 3, 5)},
        {"2007.3.5", 2, Day(2007, 3, 5)},
        {" 5 . 3 . 7 ", 1, Day(7, 3, 5)},
        {"", 1, Day(2024, 6, 15)},
        {"31.2.2007", 1, def},
        {"5.3.2007", 4, def},
        {"x.3", 1, def},
        {"0.3", 1, def},
        {"5.3.9999", 1, Day(9999, 3, 5)},
        {"5.3.10000", 1, def},
        {"5.3.-1", 1, def},
        {"10000.3.5", 2, def},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DotTextToDate(c.text, c.mode, def), c.expected) << c.text.toStdString();
}

TEST(Masks, NormaliseAndMatch) {
    EXPECT_EQ(NormalizeMask("a**?b"), "a+b");
    EXPECT_EQ(NormalizeMask("*?*+x"), "+x");
    struct Case {
        QString text, mask;
        int expected;
    };
    const Case cases[] = {
        {"A12", "@##", 1},
        {"A", "@##", -1},
        {"A1", "@##", -1},
        {"A123", "@##", 0},
        {"abc", "a*", 1},
        {"ab", "a?c", 0},
        {"", "a", -1},
        {"", "", 1},
        {"x", "*", 1},
        {"abc", "*c", 1},
        {"abc", "*b", 0},
        {"abc", "+", 1},
        {"a", "a+", -1},
        {"axyzb", "a+b", 1},
        {"ab", "a+b", 0},
        {"Жк1", "@@#", 1},
        {"ABC", "abc", 0},
        {"a.b", "a?b", 1},
        {"12.05.2024", "##.##.####", 1},
        {"a", "a*#", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchMask(c.text, c.mask), c.expected)
            << c.text.toStdString() << " ~ " << c.mask.toStdString();
}

TEST(Masks, StarsAndPlusesKeepTheirResultsWhateverTheirNumber) {
    struct Case {
        QString text, mask;
        int expected;
    };
    const Case cases[] = {
        {"abcabc", "*a*c", 1},
        {"abcab", "*a*c", 0},
        {"ab", "*a*c", 0},
        {"ab", "*a+c", 0},
        {"axbxc", "a*b*c", 1},
        {"axbx", "a*b*#", -1},
        {"a1b2c3", "*#*#*#", 1},
        {"a1b2c", "*#*#*#", -1},
        {"abc", "*x*", 0},
        {"abc", "+b+", 1},
        {"ab", "+b+", -1},
        {"b", "+b", 0},
        {QString(60, u'a'), "*a*a*a*a*a*a*a*b", 0},
        {QString(60, u'a') + u'b', "*a*a*a*a*a*a*a*b", 1},
        {QString(60, u'a'), "*a*a*a*a*a*a*a*#", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchMask(c.text, c.mask), c.expected)
            << c.text.toStdString() << " ~ " << c.mask.toStdString();
}

TEST(Masks, AlternativeGroups) {
    struct Case {
        QString text, mask;
        int expected;
    };
    const Case cases[] = {
        {"AB12", "[AB,CD]##", 1}, {"CD12", "[AB,CD]##", 1}, {"EF12", "[AB,CD]##", 0}, {"x-1", "x[-,+]#", 1},
        {"C", "[AB,CD]##", 0},    {"abc", "a,b", 0},        {"a", "[a,]", 0},         {"a", "[a,,b]", 0},
        {"a", "a]", 0},           {"a", "[a,b", 1},         {"ab", "[a*,c]b", 1},     {"q", "[a,b][c,d]", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchAltMask(c.text, c.mask), c.expected)
            << c.text.toStdString() << " ~ " << c.mask.toStdString();
}

TEST(StrToFloatDot, ReadsPlainDecimalsExactlyAsTheGeneralConversion) {
    const char* texts[] = {"0.1",  "2.675", "-0.125", "9007199254740993",    "123456789012.345678",
                           "0012", "-0",    "1.005",  "0.30000000000000004", "5e3",
                           ".5",   "5.",    "+1"};
    for (const char* t : texts) {
        const double expected = QString::fromLatin1(t).toDouble();
        EXPECT_EQ(StrToFloatDot(QString::fromLatin1(t), -1), expected) << t;
    }
    EXPECT_EQ(StrToFloatDot("1-2", 7), 7);
    EXPECT_EQ(StrToFloatDot("1.2.3", 7), 7);
}
