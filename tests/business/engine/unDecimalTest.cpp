#include "business/engine/unDecimal.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TDecimal D(const char* Text) {
    TDecimal v;
    EXPECT_TRUE(ParseDecimal(QString::fromLatin1(Text), v)) << Text;
    return v;
}

} // namespace

TEST(unDecimal, ReadsTheTextsTheDatabaseAndTheEditsGive) {
    struct Case {
        const char* Text;
        qint64 Mantissa;
        int Scale;
    } cases[] = {
        {"0", 0, 0},     {"1234.56", 123456, 2},  {"-0.05", -5, 2}, {" 12.50 ", 1250, 2},
        {"1e-05", 1, 5}, {"2.5E+3", 2500, 0},     {".5", 5, 1},     {"8001011234", 8001011234, 0},
        {"+7", 7, 0},    {"0.0016667", 16667, 7},
    };
    for (const Case& c : cases) {
        const TDecimal v = D(c.Text);
        EXPECT_EQ(v.Mantissa, c.Mantissa) << c.Text;
        EXPECT_EQ(v.Scale, c.Scale) << c.Text;
    }
    TDecimal untouched{7, 1};
    for (const char* bad : {"", "abc", "1.2.3", "12a", "-", "1e", "."})
        EXPECT_FALSE(ParseDecimal(QString::fromLatin1(bad), untouched)) << bad;
    EXPECT_EQ(untouched.Mantissa, 7);
    EXPECT_EQ(RoundDecimal(DecimalOrZero(u"abc"), 2), 0);
}

// The halves that binary floating point gets wrong: 2.675, 1.005 and 2.005 lie just below the half.
TEST(unDecimal, RoundsHalvesAwayFromZeroExactly) {
    struct Case {
        const char* Text;
        int Digits;
        qint64 Expected;
    } cases[] = {
        {"2.675", 2, 268}, {"1.005", 2, 101}, {"-2.345", 2, -235}, {"2.344999", 2, 234},
        {"0.005", 2, 1},   {"2.5", 0, 3},     {"-2.5", 0, -3},     {"0.00166666", 7, 16667},
        {"12", 2, 1200},   {"-0.004", 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoundDecimal(D(c.Text), c.Digits), c.Expected) << c.Text;
    EXPECT_EQ(RoundDecimal(DecimalOf(2.675), 2), 268);
    EXPECT_EQ(RoundDecimal(DecimalOf(1.005), 2), 101);
}

TEST(unDecimal, ProductsAndQuotientsRoundOnceOnTheExactValue) {
    // 1002.50 × 0.002 = 2.005 exactly; in binary it is 2.00499999…
    EXPECT_EQ(RoundProduct(D("1002.50"), D("0.002"), 2), 201);
    EXPECT_EQ(RoundProduct(D("0.05"), D("100.10"), 2), 501);
    EXPECT_EQ(RoundProduct(D("-0.05"), D("100.10"), 2), -501);
    EXPECT_EQ(RoundProduct(D("1000"), D("0.0016667"), 2), 167);
    // A monthly rate over 30 days, to 7 decimals.
    EXPECT_EQ(RoundQuotient(D("0.05"), 30, 7), 16667);
    EXPECT_EQ(RoundQuotient(D("0.06"), 30, 7), 20000);
    EXPECT_EQ(RoundQuotient(D("0.055"), 30, 7), 18333);
    EXPECT_EQ(RoundQuotient(D("-0.05"), 30, 7), -16667);
}

TEST(unDecimal, ComparesAcrossScales) {
    EXPECT_EQ(CompareDecimal(D("500"), D("500.00")), 0);
    EXPECT_EQ(CompareDecimal(D("499.99"), D("500")), -1);
    EXPECT_EQ(CompareDecimal(D("0.1"), D("0.09999999")), 1);
    EXPECT_EQ(CompareDecimal(D("-1"), D("0")), -1);
}

TEST(unDecimal, WritesFixedAndShortTexts) {
    struct Case {
        qint64 Units;
        int Digits;
        const char* Fixed;
        const char* Short;
    } cases[] = {
        {12340, 2, "123.40", "123.4"},
        {0, 2, "0.00", "0"},
        {-5, 2, "-0.05", "-0.05"},
        {100, 2, "1.00", "1"},
        {7, 0, "7", "7"},
        {123456789, 2, "1234567.89", "1234567.89"},
        {-7, 0, "-7", "-7"},
        {5, 3, "0.005", "0.005"},
        {-123450, 2, "-1234.50", "-1234.5"},
        {std::numeric_limits<qint64>::min(), 2, "-92233720368547758.08", "-92233720368547758.08"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScaledToFixedStr(c.Units, c.Digits), QString::fromLatin1(c.Fixed));
        EXPECT_EQ(ScaledToStr(c.Units, c.Digits), QString::fromLatin1(c.Short));
    }
}

// The amounts of a report's rows are summed from their texts: the usual shape is read directly,
// and every other one as the full reading gives it.
TEST(unDecimal, CentsOfReadsEveryTextAsTheFullReadingDoes) {
    const struct Case {
        const char* Text;
        qint64 Cents;
    } cases[] = {
        {"123.45", 12345},
        {"-0.05", -5},
        {"7", 700},
        {"5.", 500},
        {"12.3", 1230},
        {"0.125", 13},
        {"-1.005", -101},
        {".5", 50},
        {" 2.50", 250},
        {"+3", 300},
        {"", 0},
        {"abc", 0},
        {"1.2.3", 0},
        {"-", 0},
        {"1e2", 10000},
        {"123456789012345", 12345678901234500},
        {"1234567890123456", 123456789012345600},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentsOf(QString::fromLatin1(c.Text)), c.Cents) << c.Text;
        EXPECT_EQ(CentsOf(QString::fromLatin1(c.Text)),
                  RoundDecimal(DecimalOrZero(QString::fromLatin1(c.Text)), 2))
            << c.Text;
    }
}
