#include "core/unitTypes.h"

#include <gtest/gtest.h>
#include <clocale>

TEST(Format, WritesNumbersAndTextsAsTheSqlAndMessagesNeedThem) {
    struct Case {
        QString fmt;
        QList<TVarRec> args;
        QString expected;
    };
    const Case cases[] = {
        {"EGN = %f", {8001011234.0}, "EGN = 8001011234.000000"},
        {"%d-%d", {5, qint64(8001011234)}, "5-8001011234"},
        {"%.3f", {2.0005}, "2.001"},
        {"%.*f", {2, 2.5}, "2.50"},
        {"[%5s|%-5s]", {"ab", "cd"}, "[   ab|cd   ]"},
        {"%10.*n", {2, 1234567.891}, "1 234 567.89"},
        {"%n", {-1234.5}, "-1 234.50"},
        {"100%%", {}, "100%"},
        {"%.3d", {7}, "007"},
        {"%s@%s", {QString::fromUtf8("Иван"), ""}, QString::fromUtf8("Иван@")},
    };
    for (const Case& c : cases) EXPECT_EQ(Format(c.fmt, c.args), c.expected) << c.fmt.toStdString();
}

TEST(Format, RefusesAPlaceholderThatDoesNotFitItsArgument) {
    EXPECT_THROW(Format("%d", {"x"}), EConvertError);
    EXPECT_THROW(Format("%s", {1.5}), EConvertError);
    EXPECT_THROW(Format("%d %d", {1}), EConvertError);
    EXPECT_THROW(Format("%q", {1}), EConvertError);
}

TEST(Format, KeepsTheDotUnderACommaLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = old ? old : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "bg_BG.UTF-8"))
        GTEST_SKIP() << "no comma locale installed";
    EXPECT_EQ(Format("%.2f", {2.5}), "2.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}
