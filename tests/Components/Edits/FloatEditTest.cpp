#include "Components/Edits/FloatEdit.h"
#include "tests/support/PopupUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void LeaveEdit(TFloatEdit& Edit) {
    QFocusEvent Out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&Edit, &Out);
}

struct TStrictCase {
    const char* Text;
    bool Ok;
    double Value;
};

class StrictStrToFloatTest : public ::testing::TestWithParam<TStrictCase> {};

TEST_P(StrictStrToFloatTest, TakesOnlyAWholeNumber) {
    const TStrictCase& c = GetParam();
    double Value = -99;
    EXPECT_EQ(TryStrictStrToFloat(QString::fromLatin1(c.Text), Value), c.Ok) << c.Text;
    if (c.Ok) EXPECT_DOUBLE_EQ(Value, c.Value) << c.Text;
}

INSTANTIATE_TEST_SUITE_P(Cases, StrictStrToFloatTest,
                         ::testing::Values(TStrictCase{"12.5", true, 12.5}, TStrictCase{"-0", true, 0},
                                           TStrictCase{"+3", true, 3}, TStrictCase{"5.", true, 5},
                                           TStrictCase{".5", true, 0.5}, TStrictCase{"1e3", true, 1000},
                                           TStrictCase{"12a", false, 0}, TStrictCase{"1e", false, 0},
                                           TStrictCase{".", false, 0}, TStrictCase{"1,5", false, 0},
                                           TStrictCase{" 1", false, 0}, TStrictCase{"1.2.3", false, 0},
                                           TStrictCase{"inf", false, 0}, TStrictCase{"1e999", false, 0}));

TEST(FloatEdit, TypedCommaBecomesAPointAndLeavingReprints) {
    TFloatEdit Edit;
    QTest::keyClicks(&Edit, u"12,5"_s);
    EXPECT_EQ(Edit.text(), u"12.5"_s);
    EXPECT_DOUBLE_EQ(Edit.Value(), 12.5);
    LeaveEdit(Edit);
    EXPECT_EQ(Edit.text(), u"12.50"_s);
    EXPECT_EQ(FloatEditToFixedStr(&Edit), u"12.50"_s);
}

TEST(FloatEdit, LettersAreUndoneWithTheCaretKept) {
    TFloatEdit Edit;
    QTest::keyClicks(&Edit, u"12"_s);
    QTest::keyClicks(&Edit, u"a"_s);
    EXPECT_EQ(Edit.text(), u"12"_s);
    EXPECT_EQ(Edit.cursorPosition(), 2);
    EXPECT_DOUBLE_EQ(Edit.Value(), 12);

    Edit.setCursorPosition(1);
    QTest::keyClicks(&Edit, u"x"_s);
    EXPECT_EQ(Edit.text(), u"12"_s);

    QApplication::clipboard()->setText(u"abc"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"12"_s);
}

TEST(FloatEdit, ARefusedChangeLeavesTheTextAsItWas) {
    struct Case {
        const char* Name;
        QString Before;
        std::function<void(TFloatEdit&)> Change;
        QString After;
    };
    const auto Paste = [](const QString& Text) {
        return [Text](TFloatEdit& Edit) {
            QApplication::clipboard()->setText(Text);
            Edit.selectAll();
            QTest::keyClick(&Edit, Qt::Key_V, Qt::ControlModifier);
        };
    };
    const Case Cases[] = {
        {"a letter after three decimals", u"12.345"_s,
         [](TFloatEdit& Edit) { QTest::keyClicks(&Edit, u"a"_s); }, u"12.345"_s},
        {"a 16-digit paste", u"7"_s, Paste(u"1234567890123456"_s), u"7"_s},
        {"a 15-character paste", u"7"_s, Paste(u"12345678901.345"_s), u"7"_s},
        {"a 14-character paste", u"7"_s, Paste(u"1234567890.345"_s), u"1234567890.345"_s},
        // An exponent is a number of as many digits as it says.
        {"an exponent paste", u"7"_s, Paste(u"1e20"_s), u"7"_s},
        {"a small exponent paste", u"7"_s, Paste(u"2E3"_s), u"7"_s},
        {"an insert of a long number", u"7"_s,
         [](TFloatEdit& Edit) {
             Edit.selectAll();
             Edit.insert(u"98765432109876543"_s);
         },
         u"7"_s},
    };
    for (const Case& C : Cases) {
        TFloatEdit Edit;
        Edit.setFocus();
        QTest::keyClicks(&Edit, C.Before);
        ASSERT_EQ(Edit.text(), C.Before) << C.Name;
        const double Before = Edit.Value();
        TBeepCounter Beeps;
        C.Change(Edit);
        EXPECT_EQ(Edit.text(), C.After) << C.Name;
        EXPECT_EQ(Beeps.Count(), C.After == C.Before ? 1 : 0) << C.Name;
        if (C.After == C.Before) EXPECT_DOUBLE_EQ(Edit.Value(), Before) << C.Name;
    }
}

TEST(FloatEdit, BlanksAndEnterAreRefused) {
    TFloatEdit Edit;
    QTest::keyClicks(&Edit, u"1 2"_s);
    EXPECT_EQ(Edit.text(), u"12"_s);
    bool Returned = false;
    QObject::connect(&Edit, &QLineEdit::returnPressed, [&] { Returned = true; });
    QTest::keyClick(&Edit, Qt::Key_Return);
    EXPECT_FALSE(Returned);
}

TEST(FloatEdit, LoneSignIsZero) {
    TFloatEdit Edit;
    Edit.SetValue(7);
    Edit.clear();
    QTest::keyClicks(&Edit, u"-"_s);
    EXPECT_EQ(Edit.text(), u"-"_s);
    EXPECT_DOUBLE_EQ(Edit.Value(), 0);
    QTest::keyClicks(&Edit, u"3"_s);
    EXPECT_DOUBLE_EQ(Edit.Value(), -3);
}

TEST(FloatEdit, MinimumHoldsTheValueButNotTheTypedText) {
    TFloatEdit Edit;
    Edit.SetValueConstraints({vcMinValue});
    Edit.SetMinValue(1);
    Edit.SetValue(0);
    EXPECT_EQ(Edit.text(), u"1.00"_s);
    Edit.clear();
    QTest::keyClicks(&Edit, u"0"_s);
    EXPECT_EQ(Edit.text(), u"0"_s);
    EXPECT_DOUBLE_EQ(Edit.Value(), 1);
    LeaveEdit(Edit);
    EXPECT_EQ(Edit.text(), u"1.00"_s);
}

TEST(FloatEdit, LimitsApplyWhenSwitchedOnOrMoved) {
    TFloatEdit Edit;
    Edit.SetMaxValue(10);
    Edit.SetValue(50);
    EXPECT_DOUBLE_EQ(Edit.Value(), 50); // no limit switched on yet
    Edit.SetValueConstraints({vcMinValue, vcMaxValue});
    EXPECT_DOUBLE_EQ(Edit.Value(), 10);
    Edit.SetMaxValue(4);
    EXPECT_EQ(Edit.text(), u"4.00"_s);
    Edit.SetMaxValue(20);
    Edit.SetMinValue(6);
    EXPECT_DOUBLE_EQ(Edit.Value(), 6);
}

struct TRoundCase {
    double Value;
    int Precision;
    double Expected;
    const char* Text;
};

class FloatEditRoundTest : public ::testing::TestWithParam<TRoundCase> {};

TEST_P(FloatEditRoundTest, ReadsBackRounded) {
    const TRoundCase& c = GetParam();
    TFloatEdit Edit;
    Edit.SetPrecision(c.Precision);
    Edit.SetValue(c.Value);
    EXPECT_DOUBLE_EQ(Edit.Value(), c.Expected);
    EXPECT_EQ(Edit.text(), QString::fromLatin1(c.Text));
}

INSTANTIATE_TEST_SUITE_P(Cases, FloatEditRoundTest,
                         ::testing::Values(TRoundCase{2.345, 2, 2.35, "2.35"},
                                           TRoundCase{-2.345, 2, -2.35, "-2.35"}, TRoundCase{2.5, 0, 3, "3"},
                                           TRoundCase{1.2345, 3, 1.235, "1.235"},
                                           // Longer than the edit's 14 characters: only the first 14 show.
                                           TRoundCase{123456789012.5, 3, 123456789012.5, "123456789012.5"}));

TEST(FloatEdit, LowerPrecisionRoundsTheValue) {
    TFloatEdit Edit;
    Edit.SetValue(2.5);
    Edit.SetPrecision(0);
    EXPECT_DOUBLE_EQ(Edit.Value(), 3);
    EXPECT_EQ(Edit.text(), u"3"_s);
}

TEST(FloatEdit, TextIsAtMostFourteenCharacters) {
    TFloatEdit Edit;
    QTest::keyClicks(&Edit, u"123456789012345"_s);
    EXPECT_EQ(Edit.text(), u"12345678901234"_s);
    Edit.setText(u"11111111112222222222"_s);
    EXPECT_EQ(Edit.text(), u"11111111112222"_s);
    EXPECT_DOUBLE_EQ(Edit.Value(), 11111111112222);
}

TEST(FloatEdit, ChangeFiresWhenTheValueChanges) {
    TFloatEdit Edit;
    int Changes = 0;
    Edit.OnChange = [&](QWidget*) { ++Changes; };
    QTest::keyClicks(&Edit, u"12."_s); // 1, 12, 12 again
    EXPECT_EQ(Changes, 2);
    Edit.SetValue(12);
    EXPECT_EQ(Changes, 2);
    // Emptying the edit makes the value 0, and that is a change too.
    Edit.clear();
    EXPECT_DOUBLE_EQ(Edit.Value(), 0);
    EXPECT_EQ(Changes, 3);
}

TEST(FloatEdit, SettingTheValueKeepsTheModifiedMark) {
    TFloatEdit Edit;
    QTest::keyClicks(&Edit, u"5"_s);
    ASSERT_TRUE(Edit.isModified());
    Edit.SetValue(8);
    EXPECT_TRUE(Edit.isModified());
    Edit.setModified(false);
    Edit.SetValue(9);
    EXPECT_FALSE(Edit.isModified());
}

TEST(FloatEdit, NegativeValuesTakeTheNegativeColour) {
    TFloatEdit Edit;
    const QColor Normal = Edit.palette().color(QPalette::Text);
    Edit.SetValue(-1);
    EXPECT_EQ(Edit.palette().color(QPalette::Text), QColor(Qt::red));
    Edit.NegativeAttrs()->SetNegativeColor(clBlue);
    EXPECT_EQ(Edit.palette().color(QPalette::Text), QColor(Qt::blue));
    Edit.NegativeAttrs()->SetMarkNegative(false);
    EXPECT_EQ(Edit.palette().color(QPalette::Text), Normal);
    Edit.NegativeAttrs()->SetMarkNegative(true);
    QTest::keyClick(&Edit, Qt::Key_Home);
    QTest::keyClick(&Edit, Qt::Key_Delete);
    EXPECT_EQ(Edit.palette().color(QPalette::Text), Normal);
}

} // namespace
