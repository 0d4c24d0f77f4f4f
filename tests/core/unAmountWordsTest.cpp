#include "core/unAmountWords.h"

#include "core/unitTypes.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
QString U8(const char* Text) {
    return QString::fromUtf8(Text);
}
} // namespace

TEST(AmountToWords, SpellsLevaAndStotinkiAsPrinted) {
    struct Case {
        double Amount;
        bool AsDigits;
        const char* Expected;
    };
    const Case Cases[] = {
        {0, false, "нула лева и нула стотинки"},
        {1, false, "един лев и нула стотинки"},
        {0.01, false, "нула лева и една стотинка"},
        {2.50, false, "два лева и петдесет стотинки"},
        {2.50, true, "два лева и 50 стотинки"},
        {21.22, false, "двадесет и един лева и двадесет и две стотинки"},
        {100, false, "сто лева и нула стотинки"},
        {120, false, "сто и двадесет лева и нула стотинки"},
        {121, false, "сто двадесет и един лева и нула стотинки"},
        {111, false, "сто и единадесет лева и нула стотинки"},
        {1000, false, "xиляда лева и нула стотинки"},
        {1005, false, "xиляда  и пет лева и нула стотинки"},
        {2000, false, "две хиляди лева и нула стотинки"},
        {2000000, false, "два милиона лева и нула стотинки"},
        {1234.56, false, "xиляда двеста тридесет и четири лева и петдесет и шест стотинки"},
        {0.125, false, "нула лева и тринадесет стотинки"},
        {2.675, true, "два лева и 68 стотинки"},
        {17.11, false, "седемнадесет лева и единадесет стотинки"},
        {45.12, false, "четиридесет и пет лева и дванадесет стотинки"},
        {90.9, false, "деветдесет лева и деветдесет стотинки"},
        {312.47, false, "триста и дванадесет лева и четиридесет и седем стотинки"},
        {-3.05, false, "минус три лева и пет стотинки"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(AmountToWords(C.AsDigits, C.Amount), U8(C.Expected)) << C.Amount;
}

TEST(AmountToWords, SpellsWholeNumbersWithGendersAndScaleWords) {
    struct Case {
        qint64 N;
        const char* Expected;
    };
    const Case Cases[] = {
        {0, "нула"},
        {-5, "минус пет"},
        {10, "десет"},
        {11, "единадесет"},
        {19, "деветнадесет"},
        {40, "четиридесет"},
        {99, "деветдесет и девет"},
        {200, "двеста"},
        {1001, "xиляда  и един"},
        {1200, "xиляда  и двеста"},
        {1250, "xиляда двеста и петдесет"},
        {2002, "две хиляди  и два"},
        {12000, "дванадесет хиляди"},
        {22000, "двадесет и две хиляди"},
        {101000, "сто и един хиляди"},
        {1000000, "милион"},
        {2500000, "два милиона петстотин хиляди"},
        {1000000000, "милиард"},
        {3000000001LL, "три милиарда    и един"},
        {1000000000000000LL, "билиард"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(IntToWords(C.N), U8(C.Expected)) << C.N;
}

TEST(AmountToWords, RefusesNumbersBeyondTheLargestScaleWord) {
    EXPECT_NO_THROW(IntToWords(999999999999999999LL));
    EXPECT_THROW(IntToWords(1000000000000000000LL), EConvertError);
    EXPECT_THROW(IntToWords(std::numeric_limits<qint64>::min()), EConvertError);
    EXPECT_THROW(AmountToWords(false, 1e19), EConvertError);
    EXPECT_THROW(AmountToWords(false, std::numeric_limits<double>::quiet_NaN()), EConvertError);
}

TEST(AmountToWords, SpellsStotinkiInTheFeminine) {
    struct Case {
        int N;
        const char* Expected;
    };
    const Case Cases[] = {{0, "нула"},
                          {1, "една"},
                          {2, "две"},
                          {12, "дванадесет"},
                          {13, "тринадесет"},
                          {20, "двадесет"},
                          {22, "двадесет и две"},
                          {30, "тридесет"},
                          {51, "петдесет и една"}};
    for (const Case& C : Cases)
        EXPECT_EQ(StotinkiToText(C.N, false), U8(C.Expected)) << C.N;
    EXPECT_EQ(StotinkiToText(7, true), "7");
}

TEST(AmountToWords, PadsTextLeftRightAndAroundIt) {
    struct Case {
        QString Text;
        int Align, Width;
        QChar Pad;
        QString Expected;
    };
    const Case Cases[] = {
        {"ab", 0, 5, '*', "***ab"},  {"ab", 2, 5, '*', "ab***"}, {"ab", 1, 5, '*', "*ab**"},
        {"ab", 1, 6, '-', "--ab--"}, {"abc", 0, 3, '*', "abc"},  {"ab", 0, 5, QChar(0), "ab"},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(PadText(C.Text, C.Align, C.Width, C.Pad), C.Expected) << C.Align << C.Width;
    EXPECT_EQ(PadLeftChar("7", 3, '0'), "007");
    EXPECT_EQ(PadRightChar("7", 3, '0'), "700");
    EXPECT_EQ(RemoveAllChars('"', "\"a\" b\""), "a b");
}
