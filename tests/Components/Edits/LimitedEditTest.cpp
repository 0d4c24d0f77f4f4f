#include "Components/Edits/LimitedEdit.h"
#include "tests/support/PopupUtils.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Types Text key by key; QTest's own typing takes ASCII only.
void TypeChars(QWidget* Widget, const QString& Text) {
    for (QChar Ch : Text) {
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(Ch));
        QApplication::sendEvent(Widget, &Press);
        QKeyEvent Release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(Ch));
        QApplication::sendEvent(Widget, &Release);
    }
}

const QString RegisterChars = u"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--"_s;

struct TParseCase {
    const char* ValidChars;
    const char* In;  // characters that must be in the set (UTF-8)
    const char* Out; // characters that must not be
};

class ParseValidCharsTest : public ::testing::TestWithParam<TParseCase> {};

TEST_P(ParseValidCharsTest, BuildsTheSet) {
    const TParseCase& c = GetParam();
    const std::bitset<256> Set = ParseValidChars(QString::fromUtf8(c.ValidChars));
    for (QChar Ch : QString::fromUtf8(c.In))
        EXPECT_TRUE(Set.test(CharToCp1251(Ch)))
            << c.ValidChars << " should hold " << QString(Ch).toStdString();
    for (QChar Ch : QString::fromUtf8(c.Out))
        EXPECT_FALSE(Set.test(CharToCp1251(Ch)))
            << c.ValidChars << " should not hold " << QString(Ch).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseValidCharsTest,
    ::testing::Values(TParseCase{"0-9", "0459", "a -/:"}, TParseCase{"a-c-", "abcdzАя~", "AZ09 -"},
                      TParseCase{"-", "\x01 09azАЯая-\"", ""}, TParseCase{"--", "-", "0a ;"},
                      TParseCase{"-9", "\x01 09-/\"", ":aA"}, TParseCase{"", "", "0aА -"},
                      // The registers' set: letters of both alphabets, digits and a few signs, never a quote.
                      TParseCase{"A-Z;А-Я;0-9;a-z;а-я;*;-;=;+;[;];.; ;:;/;,;--", "AZaz09АЯаяжЖ*-=+[]. :/,;",
                                 "\"'<>_!?ЁёІ@\\"}));

TEST(LimitedEdit, CodePageOfCyrillicAndSigns) {
    EXPECT_EQ(CharToCp1251(u'А'), 192);
    EXPECT_EQ(CharToCp1251(u'я'), 255);
    EXPECT_EQ(CharToCp1251(u'Ё'), 0xA8);
    EXPECT_EQ(CharToCp1251(u'№'), 0xB9);
    EXPECT_EQ(CharToCp1251(QChar(0x263A)), -1);
}

TEST(LimitedEdit, TypingDropsCharactersOutsideTheSet) {
    TLimitedEdit Edit;
    Edit.SetValidChars(RegisterChars);
    int Changes = 0;
    Edit.OnChange = [&](QWidget*) { ++Changes; };
    TypeChars(&Edit, u"Иван \"Петров\" <1>-2"_s);
    EXPECT_EQ(Edit.text(), u"Иван Петров 1-2"_s);
    EXPECT_EQ(Changes, 15);
}

TEST(LimitedEdit, EditWithoutValidCharsTakesNoCharacter) {
    TLimitedEdit Edit;
    QTest::keyClicks(&Edit, u"a1 -"_s);
    EXPECT_EQ(Edit.text(), u""_s);
    // Keys that type nothing still reach the edit.
    Edit.setText(u""_s);
    Edit.SetValidChars(u"0-9"_s);
    QTest::keyClicks(&Edit, u"12"_s);
    QTest::keyClick(&Edit, Qt::Key_Backspace);
    EXPECT_EQ(Edit.text(), u"1"_s);
}

TEST(LimitedEdit, UpperCaseTurnsLatinAndCyrillicLetters) {
    TLimitedEdit Edit;
    Edit.SetValidChars(u"A-Z;А-Я;0-9"_s);
    Edit.SetCharCase(ecUpperCase);
    TypeChars(&Edit, u"ab1жя"_s);
    EXPECT_EQ(Edit.text(), u"AB1ЖЯ"_s);
}

TEST(LimitedEdit, APasteEntersTheAllowedCharactersAndBeepsForTheOthers) {
    TLimitedEdit Edit;
    Edit.SetValidChars(RegisterChars);
    TypeChars(&Edit, u"Иван"_s);
    int Changes = 0;
    Edit.OnChange = [&](QWidget*) { ++Changes; };
    TBeepCounter Beeps;
    QApplication::clipboard()->setText(u" \"Петров\" (Пешо)"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"Иван Петров Пешо"_s);
    EXPECT_EQ(Edit.cursorPosition(), 16);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Beeps.Count(), 1);
    // Undo cannot bring the refused characters back.
    Edit.undo();
    EXPECT_TRUE(Edit.IsValidText(Edit.text()));
    // A refused key beeps as well; a clean paste does not.
    TypeChars(&Edit, u"\""_s);
    EXPECT_EQ(Beeps.Count(), 2);
    Edit.setText(u"45"_s);
    Edit.setCursorPosition(1);
    QApplication::clipboard()->setText(u"12"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"4125"_s);
    EXPECT_EQ(Beeps.Count(), 2);
}

// The room left is counted after the refused characters are dropped: none that fits is lost, and
// what does not fit beeps, typed or pasted; a text from code is only cut.
TEST(LimitedEdit, APasteLongerThanTheRoomLeftKeepsTheAllowedCharactersThatFit) {
    TLimitedEdit Edit;
    Edit.SetValidChars(RegisterChars);
    Edit.setMaxLength(10);
    TypeChars(&Edit, u"Иван"_s);
    TBeepCounter Beeps;
    QApplication::clipboard()->setText(u" \"Петров\" (Пешо)"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"Иван Петро"_s);
    EXPECT_EQ(Edit.cursorPosition(), 10);
    EXPECT_EQ(Beeps.Count(), 1);
    TypeChars(&Edit, u"в"_s);
    EXPECT_EQ(Edit.text(), u"Иван Петро"_s);
    EXPECT_EQ(Beeps.Count(), 2);
    // In the middle, the pasted characters that fit stay where they were put.
    Edit.setText(u"12345678"_s);
    Edit.setCursorPosition(2);
    QApplication::clipboard()->setText(u"abc"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"12ab345678"_s);
    EXPECT_EQ(Edit.cursorPosition(), 4);
    EXPECT_EQ(Beeps.Count(), 3);
    // Full, a key typed at the start goes, and the text stays whole.
    Edit.setCursorPosition(0);
    TypeChars(&Edit, u"x"_s);
    EXPECT_EQ(Edit.text(), u"12ab345678"_s);
    EXPECT_EQ(Beeps.Count(), 4);
    Edit.setText(u"абвгдежзийклм"_s);
    EXPECT_EQ(Edit.text(), u"абвгдежзий"_s);
    // Typed up to the limit itself, nothing is refused.
    Edit.clear();
    TypeChars(&Edit, u"0123456789"_s);
    EXPECT_EQ(Edit.text(), u"0123456789"_s);
    EXPECT_EQ(Beeps.Count(), 4);
}

TEST(LimitedEdit, TextSetFromCodeLosesCharactersOutsideTheSet) {
    TLimitedEdit Edit;
    Edit.SetValidChars(u"0-9"_s);
    Edit.setText(u"1 2 3"_s);
    EXPECT_EQ(Edit.text(), u"123"_s);
    // The cleaned text is the one a refused paste returns to.
    QApplication::clipboard()->setText(u"x"_s);
    Edit.paste();
    EXPECT_EQ(Edit.text(), u"123"_s);
}

TEST(LimitedEdit, NewValidCharsCheckTheTextAgain) {
    TLimitedEdit Edit;
    Edit.SetValidChars(u"-"_s);
    Edit.setText(u"ab12"_s);
    Edit.SetValidChars(u"0-9;a-z"_s);
    EXPECT_EQ(Edit.text(), u"ab12"_s);
    Edit.SetValidChars(u"0-9"_s);
    EXPECT_EQ(Edit.text(), u""_s);
}

// A smaller length keeps the first characters; the text kept is the one a refused key leaves.
TEST(LimitedEdit, ASmallerLengthKeepsTheFirstCharactersOfTheText) {
    TLimitedEdit Edit;
    Edit.SetValidChars(RegisterChars);
    Edit.setText(u"Иван Петров"_s);
    Edit.setMaxLength(11);
    EXPECT_EQ(Edit.text(), u"Иван Петров"_s);
    Edit.setMaxLength(6);
    EXPECT_EQ(Edit.text(), u"Иван П"_s);
    Edit.setCursorPosition(0);
    TypeChars(&Edit, u"x"_s);
    EXPECT_EQ(Edit.text(), u"Иван П"_s);
    Edit.setMaxLength(20);
    EXPECT_EQ(Edit.text(), u"Иван П"_s);
    Edit.setMaxLength(-1);
    EXPECT_EQ(Edit.text(), QString());
}

} // namespace
