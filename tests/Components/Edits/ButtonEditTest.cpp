#include "Components/Edits/ButtonEdit.h"
#include "tests/support/PopupUtils.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Work area 0..1024 x 0..768 (right and bottom exclusive).
const QRect Screen(0, 0, 1024, 768);

struct TPlaceCase {
    const char* Name;
    QRect Edit; // empty: a free-standing form anchored at Anchor
    QPoint Anchor;
    QSize Size;
    int HorzGap, VertGap;
    QRect Expected;
};

class PlaceUnderControlTest : public ::testing::TestWithParam<TPlaceCase> {};

TEST_P(PlaceUnderControlTest, KeepsTheFormInTheWorkArea) {
    const TPlaceCase& c = GetParam();
    const QRect Got = PlaceUnderControl(c.Edit.isEmpty() ? nullptr : &c.Edit, c.Anchor, c.Size, c.HorzGap,
                                        c.VertGap, Screen);
    EXPECT_EQ(Got, c.Expected) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaceUnderControlTest,
    ::testing::Values(
        TPlaceCase{"below", QRect(100, 100, 120, 22), {}, {315, 167}, 0, 0, QRect(100, 122, 315, 167)},
        TPlaceCase{"gaps", QRect(100, 100, 120, 22), {}, {315, 167}, -7, 3, QRect(93, 125, 315, 167)},
        // 20 pixels above the bottom: the form goes above the edit.
        TPlaceCase{"above", QRect(100, 726, 120, 22), {}, {315, 167}, 0, 0, QRect(100, 559, 315, 167)},
        // Fits neither way; more room above: from the top down to the edit.
        TPlaceCase{"short above", QRect(10, 400, 120, 22), {}, {315, 700}, 0, 4, QRect(10, 0, 315, 396)},
        // Fits neither way; more room below: from the edit down to the bottom.
        TPlaceCase{"short below", QRect(10, 300, 120, 22), {}, {315, 700}, 0, 0, QRect(10, 322, 315, 446)},
        TPlaceCase{"right edge", QRect(900, 100, 120, 22), {}, {315, 167}, 0, 0, QRect(709, 122, 315, 167)},
        TPlaceCase{"too wide", QRect(900, 100, 120, 22), {}, {2000, 167}, 0, 0, QRect(0, 122, 1024, 167)},
        TPlaceCase{"left edge", QRect(2, 100, 120, 22), {}, {315, 167}, -20, 0, QRect(0, 122, 315, 167)},
        TPlaceCase{"free fits", QRect(), {50, 60}, {315, 167}, 0, 0, QRect(50, 60, 315, 167)},
        TPlaceCase{"free above", QRect(), {50, 700}, {315, 167}, 0, 10, QRect(50, 523, 315, 167)},
        TPlaceCase{"free bottom", QRect(), {50, 100}, {315, 700}, 0, 0, QRect(50, 68, 315, 700)},
        TPlaceCase{"free too tall", QRect(), {50, 100}, {315, 900}, 0, 0, QRect(50, 0, 315, 768)},
        TPlaceCase{"free left of anchor", QRect(), {900, 60}, {315, 167}, 5, 0, QRect(580, 60, 315, 167)},
        TPlaceCase{"free right edge", QRect(), {200, 60}, {900, 167}, 0, 0, QRect(124, 60, 900, 167)}));

// A window with one form edit and a drop-down form for it.
struct TEditWindow {
    QWidget Window;
    TCustomFormEdit* Edit;
    TDropDownForm* Form;
    int Oks = 0;
    int Cancels = 0;
    TEditWindow() {
        auto* Layout = new QVBoxLayout(&Window);
        Edit = new TCustomFormEdit(&Window);
        Layout->addWidget(Edit);
        Form = new TDropDownForm();
        Edit->SetDropDownForm(Form);
        Edit->OnFormOk = [this](QWidget*) { ++Oks; };
        Edit->OnFormCancel = [this](QWidget*) { ++Cancels; };
        Window.resize(300, 80);
    }
    ~TEditWindow() { delete Form; }
};

} // namespace

TEST(ButtonEdit, ReadOnlyDisablesTheButtonsAndBeepsOnTheArrows) {
    TBeepCounter Beeps;
    TCustomButtonEdit Edit;
    int Ups = 0;
    Edit.OnUpClick = [&](QWidget*) { ++Ups; };
    Edit.SetReadOnly(true);
    EXPECT_FALSE(Edit.SpinButton()->isEnabled());
    EXPECT_FALSE(Edit.BitButton()->isEnabled());
    QTest::keyClick(&Edit, Qt::Key_Up);
    QTest::keyClick(&Edit, Qt::Key_Down);
    EXPECT_EQ(Beeps.Count(), 2);
    EXPECT_EQ(Ups, 0);

    Edit.SetReadOnly(false);
    EXPECT_TRUE(Edit.SpinButton()->isEnabled());
    QTest::keyClick(&Edit, Qt::Key_Up);
    EXPECT_EQ(Ups, 1);
    EXPECT_EQ(Beeps.Count(), 2);
}

TEST(ButtonEdit, TypingFollowsEditorEnabledAndRefusesTheAsterisk) {
    struct {
        bool EditorEnabled;
        Qt::Key Key;
        QString Typed;
        QString Expected;
        int Beeps;
    } Cases[] = {
        {true, Qt::Key_J, u"j"_s, u"abj"_s, 0},         {true, Qt::Key_Asterisk, u"*"_s, u"ab"_s, 1},
        {false, Qt::Key_J, u"j"_s, u"ab"_s, 1},         {false, Qt::Key_Backspace, QString(), u"ab"_s, 1},
        {false, Qt::Key_Delete, QString(), u"ab"_s, 1}, {true, Qt::Key_Backspace, QString(), u"a"_s, 0},
    };
    for (const auto& c : Cases) {
        TBeepCounter Beeps;
        TCustomButtonEdit Edit;
        Edit.setText(u"ab"_s);
        Edit.setCursorPosition(2);
        Edit.SetEditorEnabled(c.EditorEnabled);
        if (c.Key == Qt::Key_Delete) Edit.setCursorPosition(0);
        QTest::keyClick(&Edit, c.Key);
        EXPECT_EQ(Edit.text(), c.Expected) << c.Key;
        EXPECT_EQ(Beeps.Count(), c.Beeps) << c.Key;
    }
}

TEST(ButtonEdit, WithoutTheEditorPastingIsRefusedButTheButtonsWork) {
    TCustomButtonEdit Edit;
    Edit.SetEditorEnabled(false);
    int Ups = 0, Clicks = 0;
    Edit.OnUpClick = [&](QWidget*) { ++Ups; };
    Edit.OnBitButtonClick = [&](QWidget*) { ++Clicks; };
    QApplication::clipboard()->setText(u"вмъкнато"_s);
    QTest::keySequence(&Edit, QKeySequence::Paste);
    EXPECT_EQ(Edit.text(), QString());
    Edit.SpinButton()->UpButton()->click();
    Edit.BitButton()->click();
    EXPECT_EQ(Ups, 1);
    EXPECT_EQ(Clicks, 1);

    Edit.SetEditorEnabled(true);
    QTest::keySequence(&Edit, QKeySequence::Paste);
    EXPECT_EQ(Edit.text(), u"вмъкнато"_s);
}

TEST(ButtonEdit, TextStopsBeforeTheVisibleButtons) {
    TCustomButtonEdit Edit;
    Edit.resize(200, 26);
    Edit.show();
    EXPECT_EQ(Edit.textMargins().right(), 30);
    EXPECT_EQ(Edit.BitButton()->geometry().right(), Edit.SpinButton()->geometry().right() + 15);
    EXPECT_LE(Edit.BitButton()->geometry().right(), Edit.width() - 1);
    Edit.SetSpinButtonVisible(false);
    EXPECT_EQ(Edit.textMargins().right(), 15);
    EXPECT_TRUE(Edit.SpinButton()->isHidden());
}

TEST(FormEdit, TheKeypadAsteriskOpensTheDropDownAndEnterConfirms) {
    TEditWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    QTest::keyClick(w.Edit, Qt::Key_Asterisk, Qt::KeypadModifier);
    ASSERT_TRUE(w.Form->isVisible());
    EXPECT_EQ(w.Edit->text(), QString());
    QTest::keyClick(w.Form, Qt::Key_Return);
    EXPECT_FALSE(w.Form->isVisible());
    EXPECT_EQ(w.Oks, 1);
    EXPECT_EQ(w.Cancels, 0);
    EXPECT_EQ(w.Form->ModalResult(), mrOk);
}

TEST(FormEdit, EscapeOrAClickElsewhereCancelsOnce) {
    TEditWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->BitButton()->click();
    ASSERT_TRUE(w.Form->isVisible());
    // Under the edit.
    EXPECT_EQ(w.Form->geometry().topLeft(), w.Edit->mapToGlobal(QPoint(0, w.Edit->height())));
    QTest::keyClick(w.Form, Qt::Key_Escape);
    EXPECT_FALSE(w.Form->isVisible());
    EXPECT_EQ(w.Cancels, 1);
    EXPECT_EQ(w.Form->ModalResult(), mrCancel);

    w.Edit->BitButton()->click();
    ASSERT_TRUE(w.Form->isVisible());
    ClickOutsidePopup(w.Form);
    EXPECT_FALSE(w.Form->isVisible());
    EXPECT_EQ(w.Cancels, 2);
    EXPECT_EQ(w.Oks, 0);
}

TEST(FormEdit, ADisabledButtonOpensNothing) {
    TEditWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->SetReadOnly(true);
    w.Edit->DropDown();
    EXPECT_FALSE(w.Form->isVisible());
}

TEST(FormEdit, OneFormServesTheEditThatLastReadIt) {
    TEditWindow w;
    auto* Second = new TCustomFormEdit(&w.Window);
    Second->SetDropDownForm(w.Form);
    int SecondOks = 0;
    Second->OnFormOk = [&](QWidget*) { ++SecondOks; };
    ASSERT_TRUE(ShowAndActivate(&w.Window));

    w.Edit->DropDown();
    ASSERT_TRUE(w.Form->isVisible());
    w.Form->actOk()->trigger();
    EXPECT_EQ(w.Oks, 1);
    EXPECT_EQ(SecondOks, 0);

    Second->DropDown();
    w.Form->actOk()->trigger();
    EXPECT_EQ(w.Oks, 1);
    EXPECT_EQ(SecondOks, 1);
}
