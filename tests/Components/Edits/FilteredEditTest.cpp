#include "Components/Edits/FilteredEdit.h"

#include "Components/Grids/Graphics.h"
#include "core/unNumbers.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime FixedNow() {
    return QDateTime(QDate(2024, 6, 10), QTime(9, 0));
}

class FilteredEditTest : public ::testing::Test {
protected:
    void SetUp() override { SetClock(FixedNow); }
    void TearDown() override { SetClock(nullptr); }
};

} // namespace

TEST_F(FilteredEditTest, DateTextsAreJudgedAsTheyAreTyped) {
    struct Case {
        QString Text;
        TValidateState InEdit;   // range 1900 to 3000
        TValidateState OnItsOwn; // range 1900 to the end of the current year
    };
    const Case Cases[] = {
        {u""_s, vsNone, vsNone},
        {u"3"_s, vsStillValid, vsStillValid},
        {u"32"_s, vsInvalid, vsInvalid},
        {u"123"_s, vsInvalid, vsInvalid},
        {u"3."_s, vsStillValid, vsStillValid},
        {u"3.13"_s, vsInvalid, vsInvalid},
        {u"3.0"_s, vsStillValid, vsStillValid},
        {u"3.00"_s, vsInvalid, vsInvalid},
        {u"31.12."_s, vsStillValid, vsStillValid},
        {u"31.04."_s, vsInvalid, vsInvalid},
        {u"31.04"_s, vsInvalid, vsInvalid},
        {u"30.02"_s, vsInvalid, vsInvalid},
        {u"29.02"_s, vsStillValid, vsStillValid},
        {u"29.02."_s, vsStillValid, vsStillValid},
        {u"29.02.2024"_s, vsValid, vsValid},
        {u"29.02.2023"_s, vsInvalid, vsInvalid},
        {u"1.1.1899"_s, vsInvalid, vsInvalid},
        {u"1.1.24"_s, vsStillValid, vsStillValid},
        {u"1,2,2024"_s, vsValid, vsValid},
        {u"1.1.2025"_s, vsValid, vsInvalid},
        {u"1.2.2024."_s, vsInvalid, vsInvalid},
        {u"1.a"_s, vsInvalidChars, vsInvalidChars},
        {u"..1"_s, vsInvalid, vsInvalid},
    };
    TMADateEdit Edit;
    TDateValidator Alone;
    for (const Case& C : Cases) {
        EXPECT_EQ(Edit.Validate(C.Text), C.InEdit) << C.Text.toStdString();
        EXPECT_EQ(Alone.Validate(C.Text), C.OnItsOwn) << C.Text.toStdString();
    }
    EXPECT_EQ(Alone.GetStateMessage(u""_s), u"Въведете дата (01.01.1900-31.12.2024)."_s);
    EXPECT_EQ(Alone.GetStateMessage(u"3."_s), u"Датата е все още валидна."_s);
    EXPECT_EQ(Alone.GetStateMessage(u"x"_s), u"Невалидни символи."_s);
}

TEST_F(FilteredEditTest, ValidatorCharactersLengthAndMask) {
    TCustomValidator V;
    EXPECT_EQ(V.Validate(u"anything"_s), vsValid);
    V.ValidChars = u"0123456789-"_s;
    V.InvalidChars = u"5"_s;
    EXPECT_EQ(V.Validate(u"12-4"_s), vsValid);
    EXPECT_EQ(V.Validate(u"125"_s), vsInvalidChars);
    EXPECT_EQ(V.Validate(u"12a"_s), vsInvalidChars);
    V.MaxLength = 3;
    EXPECT_EQ(V.Validate(u"1234"_s), vsInvalid);
    V.MaxLength = 0;
    V.Mask = u"##-##"_s;
    V.UseMask = true;
    EXPECT_EQ(V.Validate(u"12-34"_s), vsValid);
    EXPECT_EQ(V.Validate(u"12-3"_s), vsStillValid);
    EXPECT_EQ(V.Validate(u"1-"_s), vsInvalid);
    EXPECT_TRUE(V.IsStillValid(u"12-3"_s));
    EXPECT_FALSE(V.IsValid(u"12-3"_s));
}

TEST_F(FilteredEditTest, OnlyKeysThatCanBePartOfNoDateAreRefusedAndEachRefusalBeeps) {
    TMADateEdit Edit;
    QLabel Info;
    Edit.SetInfoPanel(&Info);
    Edit.show();
    Edit.setFocus();
    TBeepCounter Beeps;
    struct Step {
        QString Keys;
        QString Text;
        int Beeps;
    };
    // "," becomes "."; a letter, a third dot and a day of three digits are refused. A day of
    // 35 is no date, but it is what was typed: it stays, in red.
    const Step Steps[] = {{u"3"_s, u"3"_s, 0},          {u"a"_s, u"3"_s, 1},
                          {u"5"_s, u"35"_s, 1},         {u"1"_s, u"35"_s, 2},
                          {u","_s, u"35."_s, 2},        {u"02.2024"_s, u"35.02.2024"_s, 2},
                          {u"."_s, u"35.02.2024"_s, 3}, {u"2"_s, u"35.02.2024"_s, 4}};
    for (const Step& S : Steps) {
        TypeText(&Edit, S.Keys);
        EXPECT_EQ(Edit.text(), S.Text) << S.Keys.toStdString();
        EXPECT_EQ(Beeps.Count(), S.Beeps) << S.Keys.toStdString();
    }
    EXPECT_EQ(Edit.DataState(), vsInvalid);
    EXPECT_EQ(Info.text(), u"Невалидна дата."_s);
    // A deletion that leaves no date shape is refused and the caret stays.
    Edit.setText(u"12.3.2024"_s);
    Edit.setCursorPosition(1);
    QTest::keyClick(&Edit, Qt::Key_Delete);
    EXPECT_EQ(Edit.text(), u"1.3.2024"_s);
    Edit.setCursorPosition(2);
    QTest::keyClick(&Edit, Qt::Key_Backspace);
    EXPECT_EQ(Edit.text(), u"1.3.2024"_s) << "\"13.2024\" has a month of four digits";
    EXPECT_EQ(Beeps.Count(), 5);
    // A paste keeps the characters a date can hold, as typing them would, and beeps for the rest.
    QApplication::clipboard()->setText(u" 28"_s);
    Edit.setSelection(0, 1);
    QTest::keyClick(&Edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit.text(), u"28.3.2024"_s);
    EXPECT_EQ(Edit.cursorPosition(), 2);
    EXPECT_EQ(Beeps.Count(), 6);
    QApplication::clipboard()->setText(u"123"_s);
    Edit.setSelection(0, 2);
    QTest::keyClick(&Edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit.text(), u"28.3.2024"_s);
    EXPECT_EQ(Edit.selectedText(), u"28"_s);
    // A read-only edit takes nothing.
    Edit.setReadOnly(true);
    TypeText(&Edit, u"1"_s);
    EXPECT_EQ(Edit.text(), u"28.3.2024"_s);
}

// Keys typed one by one, in a month of 31 days and in one of 30: the edit holds what was typed,
// an impossible or incomplete date (a part typed as 0 too) is refused on leaving, a date is
// completed and written out.
TEST_F(FilteredEditTest, TypedDatesStayAsTypedAndTheImpossibleOnesAreRefusedInAnyMonth) {
    for (const TClockFunc Clock : {TClockFunc([] { return QDateTime(QDate(2026, 12, 7), QTime(9, 0)); }),
                                   TClockFunc([] { return QDateTime(QDate(2026, 6, 10), QTime(9, 0)); })}) {
        SetClock(Clock);
        QWidget Window;
        auto* Layout = new QVBoxLayout(&Window);
        auto* Edit = new TMADateEdit(&Window);
        Layout->addWidget(Edit);
        Layout->addWidget(new QLineEdit(&Window));
        ASSERT_TRUE(ShowAndActivate(&Window));
        const QString Month = Clock().date().toString(u".MM.yyyy"_s);
        // Typed, and the text after leaving; none when it is refused.
        const std::pair<QString, QString> Cases[] = {{u"31.04"_s, {}},
                                                     {u"30.02"_s, {}},
                                                     {u"31.06.2026"_s, {}},
                                                     {u"15.03.202"_s, {}},
                                                     {u"32.13.2026"_s, {}},
                                                     {u"5.0"_s, {}},
                                                     {u"0.5.2026"_s, {}},
                                                     {u"31.12.3000"_s, {}},
                                                     {u"5"_s, u"05"_s + Month},
                                                     {u"29.02.24"_s, u"29.02.2024"_s},
                                                     {u"1.1.3000"_s, u"01.01.3000"_s}};
        for (const auto& [Typed, Left] : Cases) {
            TScriptedPresenter Presenter;
            Edit->setFocus();
            Edit->selectAll();
            QTest::keyClicks(Edit, Typed);
            QTest::keyClick(Edit, Qt::Key_Tab);
            QApplication::processEvents();
            EXPECT_EQ(Edit->text(), Left.isNull() ? Typed : Left)
                << Typed.toStdString() << Month.toStdString();
            EXPECT_EQ(Presenter.Texts(),
                      Left.isNull() ? QStringList{u"Невалидна дата \"%1\" !"_s.arg(Typed)} : QStringList());
            EXPECT_EQ(Edit->hasFocus(), Left.isNull());
        }
    }
}

TEST_F(FilteredEditTest, TheTextIsColouredByItsStateAndTheInfoPanelExplainsIt) {
    TMADateEdit Edit;
    QLabel Info;
    Edit.SetInfoPanel(&Info);
    struct Case {
        QString Text;
        TColor Color;
        QString Message;
    };
    const Case Cases[] = {{u"1.2.2024"_s, clBlack, u"Датата е валидна."_s},
                          {u"1.2"_s, clBlue, u"Датата е все още валидна."_s},
                          // Set from code, an invalid text is taken all the same.
                          {u"45.2"_s, clRed, u"Невалидна дата."_s}};
    for (const Case& C : Cases) {
        Edit.setText(C.Text);
        EXPECT_EQ(Edit.text(), C.Text);
        EXPECT_EQ(Edit.palette().color(QPalette::Text), ToQColor(C.Color)) << C.Text.toStdString();
        EXPECT_EQ(Info.palette().color(QPalette::WindowText), ToQColor(C.Color));
        EXPECT_EQ(Info.text(), C.Message);
        EXPECT_TRUE(Edit.isModified());
    }
    EXPECT_FALSE(Edit.IsDataValid());
    Edit.SetValidatorOff(true);
    EXPECT_TRUE(Edit.IsDataValid());
}

TEST_F(FilteredEditTest, LeavingTheEditCompletesAPartialDate) {
    QWidget Window;
    auto* Layout = new QVBoxLayout(&Window);
    auto* Edit = new TMADateEdit(&Window);
    auto* Other = new QLineEdit(&Window);
    Layout->addWidget(Edit);
    Layout->addWidget(Other);
    ASSERT_TRUE(ShowAndActivate(&Window));
    struct Case {
        QString Typed;
        QString Left;
    };
    const Case Cases[] = {{u"5"_s, u"05.06.2024"_s},
                          {u"5.3"_s, u"05.03.2024"_s},
                          {u"1,1,24"_s, u"01.01.2024"_s},
                          {u"1.1.1999"_s, u"01.01.1999"_s},
                          {u""_s, u""_s}};
    for (const Case& C : Cases) {
        Edit->setText(C.Typed);
        Edit->setFocus();
        Other->setFocus();
        EXPECT_EQ(Edit->text(), C.Left) << C.Typed.toStdString();
    }
    Edit->ValidateOnExit = false;
    Edit->setText(u"7"_s);
    Edit->setFocus();
    Other->setFocus();
    EXPECT_EQ(Edit->text(), u"7"_s);
    EXPECT_EQ(Edit->Date(), QDateToDateTime(QDate(2024, 6, 7)));
}

TEST_F(FilteredEditTest, LeavingWithATextThatMakesNoDateKeepsItAndSaysSo) {
    QWidget Window;
    auto* Layout = new QVBoxLayout(&Window);
    auto* Edit = new TMADateEdit(&Window);
    auto* Other = new QLineEdit(&Window);
    Layout->addWidget(Edit);
    Layout->addWidget(Other);
    ASSERT_TRUE(ShowAndActivate(&Window));
    // June has no 31st; 2026 no 29 February; a text set from code may be anything.
    for (const QString& Text : {u"31"_s, u"29.02.26"_s, u"45"_s, u"31.02.2024"_s}) {
        TScriptedPresenter Presenter;
        Edit->setText(Text);
        Edit->setFocus();
        QTest::keyClick(Edit, Qt::Key_Tab);
        QApplication::processEvents();
        EXPECT_EQ(Edit->text(), Text);
        ASSERT_EQ(Presenter.Texts().size(), 1) << Text.toStdString();
        EXPECT_EQ(Presenter.Texts()[0], u"Невалидна дата \"%1\" !"_s.arg(Text));
        EXPECT_TRUE(Edit->hasFocus()) << Text.toStdString();
        EXPECT_EQ(Edit->Date(), 0);
    }
    TScriptedPresenter Presenter;
    Edit->setText(u"5.3"_s);
    QTest::keyClick(Edit, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(Edit->text(), u"05.03.2024"_s);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

TEST_F(FilteredEditTest, CheckedDateRefusesAnEmptyOrImpossibleDateWithAMessage) {
    TMADateEdit Edit;
    struct Case {
        QString Text;
        TDateTime Date;
        QString Message;
    };
    const Case Cases[] = {{u"1.3.2024"_s, QDateToDateTime(QDate(2024, 3, 1)), QString()},
                          {u""_s, 0, u"Въведете дата!"_s},
                          {u"31.6"_s, 0, u"Невалидна дата \"31.6\" !"_s},
                          {u"32.13.2026"_s, 0, u"Невалидна дата \"32.13.2026\" !"_s}};
    for (const Case& C : Cases) {
        TScriptedPresenter Presenter;
        Edit.setText(C.Text);
        EXPECT_EQ(Edit.CheckedDate(), C.Date) << C.Text.toStdString();
        EXPECT_EQ(Presenter.Texts(), C.Message.isEmpty() ? QStringList() : QStringList{C.Message});
        EXPECT_EQ(Edit.text(), C.Text);
    }
}

TEST_F(FilteredEditTest, DigitsTypedAfterAClickIntoTheEditEnterANewDate) {
    QWidget Window;
    auto* Layout = new QVBoxLayout(&Window);
    auto* Other = new QLineEdit(&Window);
    auto* Edit = new TMADateEdit(&Window);
    Layout->addWidget(Other);
    Layout->addWidget(Edit);
    ASSERT_TRUE(ShowAndActivate(&Window));
    Edit->setText(u"07.06.2024"_s);
    Other->setFocus();
    QTest::mouseClick(Edit, Qt::LeftButton, {}, QPoint(Edit->width() / 3, Edit->height() / 2));
    ASSERT_TRUE(Edit->hasFocus());
    TypeText(Edit, u"15.03.2023"_s);
    EXPECT_EQ(Edit->text(), u"15.03.2023"_s);
    // A second click inside the focused edit only moves the caret.
    QTest::mouseClick(Edit, Qt::LeftButton, {}, QPoint(2, Edit->height() / 2));
    EXPECT_FALSE(Edit->hasSelectedText());
}
