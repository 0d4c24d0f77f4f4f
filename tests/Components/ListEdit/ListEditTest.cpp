#include "Components/ListEdit/ListEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "tests/support/PopupUtils.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString Header = u"Код@Име@Град"_s;
const QString Owners = u"1@Иван Петров@София°2@Иванка Колева@Пловдив°12@Петър Иванов@Варна°"
                       u"3@Abc@Русе°4@Abd@Бургас°5@Мария Стоянова@София"_s;

TDelimitedStringList MakeList(const QString& Text) {
    TDelimitedStringList List;
    List.SetTextStr(Text);
    return List;
}

// A window with a lookup edit and its description label, filled with the owners.
struct TLookupWindow {
    QWidget Window;
    TListEdit* Edit;
    QLabel* Descr;
    int Oks = 0;
    int Cancels = 0;
    int Changes = 0;

    explicit TLookupWindow(int DropColumn = 0, int DescrColumn = 1) {
        auto* Layout = new QVBoxLayout(&Window);
        Edit = new TListEdit(&Window);
        Edit->setObjectName(u"leOwner"_s);
        Descr = new QLabel(&Window);
        Descr->setObjectName(u"labOwner"_s);
        Layout->addWidget(Edit);
        Layout->addWidget(Descr);
        Edit->SetDescrControl(Descr);
        Edit->SetDescrColumn(DescrColumn);
        Edit->OnFormOk = [this](QWidget*) { ++Oks; };
        Edit->OnFormCancel = [this](QWidget*) { ++Cancels; };
        Edit->OnChange = [this](QWidget*) { ++Changes; };
        EXPECT_TRUE(FillListEdit(Edit, Header, MakeList(Owners), DropColumn));
        Window.resize(320, 90);
    }
    TListForm* Form() const { return Edit->Form(); }
    TRichGrid* Grid() const { return Edit->Form()->Grid(); }
    // The grid row whose cell in ACol is Text.
    int RowOf(int ACol, const QString& Text) const {
        for (int r = 1; r < Grid()->RowCount(); ++r)
            if (Grid()->Cells(ACol, r) == Text) return r;
        return -1;
    }
    QStringList VisibleNames() const {
        QStringList Names;
        for (int r = 1; r < Grid()->RowCount(); ++r)
            if (Grid()->RowHeights(r) > 0) Names << Grid()->Cells(1, r);
        return Names;
    }
};

} // namespace

TEST(FillListForm, PutsTitlesAndRecordsIntoTheGrid) {
    struct {
        const char* Name;
        QString Header;
        QString Records;
        bool Result;
        QList<QStringList> Rows; // the grid's texts, header first
    } Cases[] = {
        {"fields into columns",
         u"Код@Име"_s,
         u"1@Иван°2@Мария"_s,
         true,
         {{u"Код"_s, u"Име"_s}, {u"1"_s, u"Иван"_s}, {u"2"_s, u"Мария"_s}}},
        {"fewer fields and extra fields",
         u"Код@Име@Град"_s,
         u"1@Иван°2@Мария@Русе@излишно"_s,
         true,
         {{u"Код"_s, u"Име"_s, u"Град"_s}, {u"1"_s, u"Иван"_s, QString()}, {u"2"_s, u"Мария"_s, u"Русе"_s}}},
        {"one title takes the whole record",
         u"Запис"_s,
         u"1@Иван°2@Мария"_s,
         true,
         {{u"Запис"_s}, {u"1@Иван"_s}, {u"2@Мария"_s}}},
        {"empty list keeps the header and one empty row",
         u"Код@Име"_s,
         QString(),
         false,
         {{u"Код"_s, u"Име"_s}, {QString(), QString()}}},
    };
    for (const auto& c : Cases) {
        TListForm Form;
        EXPECT_EQ(FillListForm(&Form, c.Header, MakeList(c.Records)), c.Result) << c.Name;
        EXPECT_EQ(Form.Filled(), c.Result) << c.Name;
        TRichGrid* Grid = Form.Grid();
        ASSERT_EQ(Grid->RowCount(), c.Rows.size()) << c.Name;
        ASSERT_EQ(Grid->ColCount(), c.Rows[0].size()) << c.Name;
        EXPECT_EQ(Grid->FixedRows(), 1);
        EXPECT_EQ(Grid->FixedCols(), 0);
        for (int r = 0; r < c.Rows.size(); ++r)
            EXPECT_EQ(Grid->Rows(r), c.Rows[r]) << c.Name << " row " << r;
    }
}

TEST(FillListEdit, AnEmptyListEmptiesAnEditThatTakesNoTyping) {
    TListEdit Free, Fixed;
    Fixed.SetEditorEnabled(false);
    for (TListEdit* Edit : {&Free, &Fixed}) {
        Edit->setText(u"12"_s);
        EXPECT_FALSE(FillListEdit(Edit, Header, MakeList(QString()), 1));
        EXPECT_EQ(Edit->DropColumn(), 1);
        ASSERT_NE(Edit->Form(), nullptr);
        EXPECT_EQ(Edit->Form()->ListEdit(), Edit);
    }
    EXPECT_EQ(Free.text(), u"12"_s);
    EXPECT_EQ(Fixed.text(), QString());
}

TEST(ListEditLookup, FindsByExactKeyOrByPrefix) {
    TLookupWindow w;
    struct {
        bool Prefix;
        int KeyCol, ResultCol;
        QString Key;
        QString Expected;
    } Cases[] = {
        {false, 0, 1, u"12"_s, u"Петър Иванов"_s},
        {false, 0, 2, u"1"_s, u"София"_s},
        {false, 1, 0, u"иван петров"_s, QString()}, // case differs
        {false, 0, 1, u"99"_s, QString()},
        {false, 0, 1, QString(), QString()},
        {true, 1, 0, u"пет"_s, u"12"_s},
        {true, 1, 0, u"Иванка Колева"_s, u"2"_s},
        {true, 1, 0, u"Петя"_s, QString()}, // only "Пет" matches
        {true, 1, 0, QString(), QString()},
    };
    for (const auto& c : Cases) {
        const QString Got = c.Prefix ? ListEditFindValue(w.Edit, c.KeyCol, c.ResultCol, c.Key)
                                     : ListEditLookup(w.Edit, c.KeyCol, c.ResultCol, c.Key);
        EXPECT_EQ(Got, c.Expected) << c.Key.toStdString();
    }
    TListEdit NoList;
    EXPECT_EQ(ListEditLookup(&NoList, 0, 1, u"1"_s), QString());
    EXPECT_EQ(ListEditFindValue(&NoList, 0, 1, u"1"_s), QString());
}

TEST(ListEdit, TypingACodeShowsItsDescription) {
    TLookupWindow w;
    struct {
        QString Typed;
        QString Descr;
    } Cases[] = {
        {u"12"_s, u"Петър Иванов"_s},
        {u"5"_s, u"Мария Стоянова"_s},
        {u"99"_s, QString()}, // not in the list
        {u"1"_s, u"Иван Петров"_s},
    };
    for (const auto& c : Cases) {
        w.Edit->clear();
        TypeText(w.Edit, c.Typed);
        EXPECT_EQ(w.Edit->text(), c.Typed);
        EXPECT_EQ(w.Descr->text(), c.Descr) << c.Typed.toStdString();
    }
    EXPECT_GT(w.Changes, 0);
}

// A code the list lacks is asked for: the row given joins the list once, into the blank row of an
// empty one, and its description shows. A listed code is not asked for; a code given in another
// form of a listed key, or one nobody has, adds nothing.
TEST(ListEdit, ACodeTheListLacksIsAskedForAndJoinsIt) {
    for (const bool Empty : {false, true}) {
        SCOPED_TRACE(Empty ? "empty list" : "filled list");
        TLookupWindow w;
        if (Empty) FillListEdit(w.Edit, Header, MakeList(QString()), 0);
        const int Rows = w.Grid()->RowCount();
        QStringList Asked;
        w.Edit->OnMissingCode = [&Asked](const QString& Code) {
            Asked << Code;
            if (Code == u"8"_s) return QStringList{u"8"_s, u"Друг Клиент"_s, u"Варна"_s};
            return Code == u"7"_s || Code == u"007"_s ? QStringList{u"7"_s, u"Нов Клиент"_s, u"Русе"_s}
                                                      : QStringList();
        };
        TypeText(w.Edit, u"7"_s);
        EXPECT_EQ(w.Descr->text(), u"Нов Клиент"_s);
        EXPECT_EQ(w.Grid()->RowCount(), Empty ? Rows : Rows + 1);
        EXPECT_EQ(w.RowOf(0, u"7"_s), Empty ? 1 : Rows);
        w.Edit->clear();
        TypeText(w.Edit, u"7"_s);
        TypeText(w.Edit, u"9"_s);
        w.Edit->setText(u"007"_s);
        EXPECT_FALSE(w.Edit->TakeMissingCode());
        // A second one joins beside the first.
        w.Edit->setText(u"8"_s);
        EXPECT_EQ(Asked, (QStringList{u"7"_s, u"79"_s, u"007"_s, u"007"_s, u"8"_s}));
        EXPECT_EQ(w.Grid()->RowCount(), Empty ? Rows + 1 : Rows + 2);
        EXPECT_EQ(w.RowOf(0, u"7"_s), Empty ? 1 : Rows);
    }
}

TEST(ListEdit, TypingANamePrefixCompletesTheName) {
    TLookupWindow w(1, 0);
    w.Edit->SetSuggestText(true);
    TypeText(w.Edit, u"пе"_s);
    EXPECT_EQ(w.Edit->text(), u"Петър Иванов"_s);
    EXPECT_EQ(w.Edit->selectedText(), u"тър Иванов"_s);
    EXPECT_EQ(w.Descr->text(), u"12"_s);
    // Backspace takes the completed tail with the last typed character, and does not complete.
    QTest::keyClick(w.Edit, Qt::Key_Backspace);
    EXPECT_EQ(w.Edit->text(), u"П"_s);
    TypeText(w.Edit, u"м"_s);
    EXPECT_EQ(w.Edit->text(), u"Пм"_s);
    EXPECT_EQ(w.Descr->text(), QString());
}

TEST(ListEdit, CompletionKeepsOrDropsUnmatchedTyping) {
    // Rows "Abc" and "Abd"; typing "a", "b", then "x".
    struct {
        bool EditorEnabled;
        QString AfterAb, SelectedAfterAb, AfterX, SelectedAfterX;
    } Cases[] = {
        {true, u"Abc"_s, u"c"_s, u"Abx"_s, QString()},
        {false, u"Abc"_s, u"c"_s, u"Abc"_s, u"c"_s},
    };
    for (const auto& c : Cases) {
        TListEdit Edit;
        Edit.SetSuggestText(true);
        Edit.SetEditorEnabled(c.EditorEnabled);
        FillListEdit(&Edit, u"Име"_s, MakeList(u"Abc°Abd"_s), 0);
        TypeText(&Edit, u"ab"_s);
        EXPECT_EQ(Edit.text(), c.AfterAb);
        EXPECT_EQ(Edit.selectedText(), c.SelectedAfterAb);
        TypeText(&Edit, u"x"_s);
        EXPECT_EQ(Edit.text(), c.AfterX) << c.EditorEnabled;
        EXPECT_EQ(Edit.selectedText(), c.SelectedAfterX) << c.EditorEnabled;
    }
}

TEST(ListEdit, WithoutFreeTypingBackspaceOnlyWidensAndEnterConfirms) {
    TLookupWindow w(1, 0);
    w.Edit->SetSuggestText(true);
    w.Edit->SetEditorEnabled(false);
    TypeText(w.Edit, u"ма"_s);
    EXPECT_EQ(w.Edit->text(), u"Мария Стоянова"_s);
    QTest::keyClick(w.Edit, Qt::Key_Backspace);
    EXPECT_EQ(w.Edit->text(), u"Мария Стоянова"_s);
    EXPECT_EQ(w.Edit->selectedText(), u"ария Стоянова"_s);
    TypeText(w.Edit, u"q"_s); // matches no row: dropped
    EXPECT_EQ(w.Edit->text(), u"Мария Стоянова"_s);
    QTest::keyClick(w.Edit, Qt::Key_Return);
    EXPECT_EQ(w.Oks, 1);
}

TEST(ListEdit, DropDownPicksWithEnterAndKeepsTheTextOnEscape) {
    TLookupWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    TypeText(w.Edit, u"2"_s);
    ASSERT_EQ(w.Descr->text(), u"Иванка Колева"_s);

    QTest::keyClick(w.Edit, Qt::Key_Asterisk, Qt::KeypadModifier);
    TListForm* Form = w.Form();
    ASSERT_TRUE(Form->isVisible());
    // The list opens on the edit's row, its drop column under the edit.
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(0, u"2"_s));
    EXPECT_EQ(Form->y(), w.Edit->mapToGlobal(QPoint(0, w.Edit->height())).y());
    EXPECT_EQ(Form->x() + Form->BasePanel()->frameWidth(), w.Edit->mapToGlobal(QPoint(0, 0)).x());

    QTest::keyClick(w.Grid(), Qt::Key_Down);
    QTest::keyClick(w.Grid(), Qt::Key_Return);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(w.Edit->text(), u"12"_s);
    EXPECT_EQ(w.Descr->text(), u"Петър Иванов"_s);
    EXPECT_EQ(w.Edit->SelectedRow(), w.RowOf(0, u"12"_s));
    EXPECT_EQ(w.Oks, 1);
    EXPECT_EQ(w.Cancels, 0);

    w.Edit->BitButton()->click();
    ASSERT_TRUE(Form->isVisible());
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(0, u"12"_s));
    QTest::keyClick(w.Grid(), Qt::Key_Up);
    QTest::keyClick(w.Grid(), Qt::Key_Escape);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(w.Edit->text(), u"12"_s);
    EXPECT_EQ(w.Descr->text(), u"Петър Иванов"_s);
    EXPECT_EQ(w.Edit->SelectedRow(), -1);
    EXPECT_EQ(w.Cancels, 1);

    w.Edit->DropDown();
    ASSERT_TRUE(Form->isVisible());
    ClickOutsidePopup(Form);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(w.Cancels, 2);
    EXPECT_EQ(w.Oks, 1);
}

TEST(ListEdit, AClickOnARowPicksIt) {
    TLookupWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    ASSERT_TRUE(Form->isVisible());
    const int Row = w.RowOf(1, u"Мария Стоянова"_s);
    const QPoint At = w.Grid()->CellRect(1, Row).center();
    QTest::mouseClick(w.Grid()->viewport(), Qt::LeftButton, {}, At);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(w.Edit->text(), u"5"_s);
    EXPECT_EQ(w.Descr->text(), u"Мария Стоянова"_s);
}

TEST(ListEdit, TheArrowsStepThroughTheList) {
    TLookupWindow w;
    w.Edit->SetTrackList(true);
    TypeText(w.Edit, u"12"_s);
    // Up goes to the next row, as a spin button counts up.
    QTest::keyClick(w.Edit, Qt::Key_Up);
    EXPECT_EQ(w.Edit->text(), u"3"_s);
    EXPECT_EQ(w.Descr->text(), u"Abc"_s);
    w.Edit->SpinButton()->DownButton()->click();
    w.Edit->SpinButton()->DownButton()->click();
    EXPECT_EQ(w.Edit->text(), u"2"_s);
    EXPECT_EQ(w.Oks, 3);
    w.Edit->SetReadOnly(true);
    TBeepCounter Beeps;
    QTest::keyClick(w.Edit, Qt::Key_Up);
    EXPECT_EQ(w.Edit->text(), u"2"_s);
    EXPECT_EQ(Beeps.Count(), 1);
}

TEST(ListForm, IncrementalSearchFollowsTheTypedPrefix) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->DropDown();
    ASSERT_TRUE(w.Form()->isVisible());
    TBeepCounter Beeps;
    TypeText(w.Grid(), u"ив"_s);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Иван Петров"_s));
    TypeText(w.Grid(), u"анк"_s);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Иванка Колева"_s));
    EXPECT_EQ(Beeps.Count(), 0);
    // Nothing begins with "Иванкз": the longest match stays selected.
    TypeText(w.Grid(), u"з"_s);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Иванка Колева"_s));
    // After the pause a new prefix starts; nothing begins with "щ".
    QTest::qWait(1100);
    TypeText(w.Grid(), u"щ"_s);
    EXPECT_EQ(Beeps.Count(), 1);
    TypeText(w.Grid(), u"m"_s);
    EXPECT_EQ(Beeps.Count(), 2);
}

TEST(ListForm, SearchBarFindsRowsContainingTheText) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    ASSERT_TRUE(Form->isVisible());
    QTest::keyClick(w.Grid(), Qt::Key_Home);
    QTest::keyClick(w.Grid(), Qt::Key_F7);
    ASSERT_TRUE(Form->SearchMode());
    EXPECT_TRUE(Form->actSearchDown()->isEnabled());
    EXPECT_FALSE(Form->toolsSearch()->isHidden());
    TypeText(Form->editSearch(), u"иванов"_s);
    QTest::keyClick(Form->editSearch(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Петър Иванов"_s));
    // No further row contains it: nothing moves.
    QTest::keyClick(w.Grid(), Qt::Key_Down);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Петър Иванов"_s));
    QTest::keyClick(Form->editSearch(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Петър Иванов"_s));

    QTest::keyClick(w.Grid(), Qt::Key_F7);
    EXPECT_FALSE(Form->SearchMode());
    EXPECT_TRUE(Form->toolsSearch()->isHidden());
    EXPECT_FALSE(Form->actSearchDown()->isEnabled());
    QTest::keyClick(w.Grid(), Qt::Key_End);
    EXPECT_EQ(w.Grid()->Row(), w.Grid()->RowCount() - 1);
    // The bar comes back with its text.
    QTest::keyClick(w.Grid(), Qt::Key_F7);
    EXPECT_EQ(Form->editSearch()->text(), u"иванов"_s);
    QTest::keyClick(w.Grid(), Qt::Key_Up);
    EXPECT_EQ(w.Grid()->Row(), w.RowOf(1, u"Петър Иванов"_s));
}

TEST(ListForm, FilterRowHidesRowsThatFailTheCriterion) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    ASSERT_TRUE(Form->isVisible());
    ASSERT_EQ(w.Grid()->Col(), 1);
    QTest::keyClick(w.Grid(), Qt::Key_F6);
    ASSERT_TRUE(Form->FilterMode());
    EXPECT_EQ(Form->SearchColumn(), 1);
    TypeText(Form->editSearch(), u"~ИВ;петър иванов"_s);
    QTest::keyClick(Form->editSearch(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(w.VisibleNames(), (QStringList{u"Иван Петров"_s, u"Иванка Колева"_s, u"Петър Иванов"_s}));
    // The current row is one that shows.
    EXPECT_GT(w.Grid()->RowHeights(w.Grid()->Row()), 0);

    // Switching the search bar on puts the filter row off, which shows every row again.
    QTest::keyClick(w.Grid(), Qt::Key_F7);
    EXPECT_FALSE(Form->FilterMode());
    EXPECT_TRUE(Form->SearchMode());
    EXPECT_EQ(w.VisibleNames().size(), 6);
}

TEST(ListForm, RefreshFiltersAPlainListAndRefillsAFilledOne) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    int Fills = 0;
    w.Form()->OnFillGrid = [&](TListForm*, bool& Filled) {
        ++Fills;
        Filled = true;
    };
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    EXPECT_EQ(Fills, 0); // filled by FillListEdit already
    QTest::keyClick(w.Grid(), Qt::Key_F6);
    TypeText(Form->editSearch(), u"~Мар"_s);
    QTest::keyClick(w.Grid(), Qt::Key_F8);
    EXPECT_EQ(w.VisibleNames(), QStringList{u"Мария Стоянова"_s});
    EXPECT_EQ(Fills, 0);

    Form->SetFillOnDrop(true);
    ClickOutsidePopup(Form);
    w.Edit->DropDown();
    EXPECT_EQ(Fills, 1);
    // The filter row's text goes into the search column's piece.
    EXPECT_EQ(Form->Filter(), u"@~Мар"_s);
}

TEST(ListForm, AnEmptyListDropsDownOnceFilled) {
    TListEdit Edit;
    FillListEdit(&Edit, Header, MakeList(QString()), 0);
    TListForm* Form = Edit.Form();
    EXPECT_FALSE(Form->Filled());
    EXPECT_FALSE(Form->actSearch()->isEnabled());
    Edit.show();
    Edit.DropDown();
    EXPECT_TRUE(Form->Filled());
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->Grid()->RowCount(), 2);
    Form->actCancel()->trigger();

    Form->SetFillOnDropIfEmpty(false);
    FillListEdit(&Edit, Header, MakeList(QString()), 0);
    Edit.DropDown();
    EXPECT_FALSE(Form->isVisible());
}

TEST(ListForm, TheListKeepsItsKeysFromTheWindowUnderIt) {
    TLookupWindow w;
    // The window's own F8 and Esc, as every list window has them.
    int Executed = 0, Exited = 0;
    for (auto [Key, Counter] : {std::pair{Qt::Key_F8, &Executed}, std::pair{Qt::Key_Escape, &Exited}}) {
        auto* Action = new QAction(&w.Window);
        Action->setShortcut(Key);
        Action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        w.Window.addAction(Action);
        QObject::connect(Action, &QAction::triggered, [Counter = Counter] { ++*Counter; });
    }
    int Refreshed = 0;
    QObject::connect(w.Form()->actRefresh(), &QAction::triggered, [&] { ++Refreshed; });
    ASSERT_TRUE(ShowAndActivate(&w.Window));

    w.Edit->DropDown();
    ASSERT_TRUE(w.Form()->isVisible());
    QTest::keyClick(w.Grid(), Qt::Key_F8);
    EXPECT_EQ(Refreshed, 1);
    QTest::keyClick(w.Grid(), Qt::Key_Escape);
    EXPECT_FALSE(w.Form()->isVisible());
    EXPECT_EQ(w.Cancels, 1);
    EXPECT_EQ(Executed, 0);
    EXPECT_EQ(Exited, 0);
    QTest::keyClick(w.Edit, Qt::Key_F8);
    EXPECT_EQ(Executed, 1);
}

TEST(ListEdit, FreesItsListWithIt) {
    QPointer<TListForm> Form;
    {
        TListEdit Edit;
        FillListEdit(&Edit, Header, MakeList(Owners), 0);
        Form = Edit.Form();
        ASSERT_TRUE(Form);
    }
    EXPECT_TRUE(Form.isNull());
}

TEST(ListForm, RowsTheFilterHidComeBack) {
    // Cleared by switching the filter row off, by F8 with an empty text, and by a refill.
    for (const char* How : {"filter off", "F8 with no text", "refill"}) {
        TLookupWindow w(1, 0);
        ASSERT_TRUE(ShowAndActivate(&w.Window));
        w.Edit->DropDown();
        TListForm* Form = w.Form();
        QTest::keyClick(w.Grid(), Qt::Key_F6);
        TypeText(Form->editSearch(), u"~Мар"_s);
        QTest::keyClick(Form->editSearch(), Qt::Key_Return, Qt::ControlModifier);
        ASSERT_EQ(w.VisibleNames(), QStringList{u"Мария Стоянова"_s}) << How;
        const QString H(QString::fromLatin1(How));
        if (H == u"filter off"_s) {
            QTest::keyClick(w.Grid(), Qt::Key_F6);
        } else if (H == u"F8 with no text"_s) {
            Form->editSearch()->clear();
            QTest::keyClick(w.Grid(), Qt::Key_F8);
        } else {
            ClickOutsidePopup(Form);
            FillListEdit(w.Edit, Header, MakeList(Owners), 0);
        }
        EXPECT_EQ(w.VisibleNames().size(), 6) << How;
        // The filter row does not claim a filter that no longer holds.
        if (H == u"refill"_s) {
            EXPECT_EQ(Form->editSearch()->text(), u""_s);
        }
    }
}

TEST(ListForm, WhenTheFilterHidesEveryRowEnterAndOkPickNothing) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->setText(u"Abc"_s);
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    QTest::keyClick(w.Grid(), Qt::Key_Down);
    ASSERT_EQ(w.Grid()->Cells(1, w.Grid()->Row()), u"Abd"_s);
    QTest::keyClick(w.Grid(), Qt::Key_F6);
    TypeText(Form->editSearch(), u"~Яяя"_s);
    QTest::keyClick(Form->editSearch(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(w.VisibleNames().isEmpty());
    TBeepCounter Beeps;
    QTest::keyClick(w.Grid(), Qt::Key_Return);
    Form->actOk()->trigger();
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(w.Edit->text(), u"Abc"_s);
    EXPECT_EQ(w.Descr->text(), u"3"_s);
    EXPECT_EQ(w.Oks, 0);
    EXPECT_EQ(Beeps.Count(), 2);
}

TEST(ListEdit, EnterPicksTheRowTheTypedTextStandsForAfterARefill) {
    TLookupWindow w(1, 0);
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    w.Edit->DropDown();
    TListForm* Form = w.Form();
    QTest::keyClick(w.Grid(), Qt::Key_F6);
    TypeText(Form->editSearch(), u"Xyz"_s);
    QTest::keyClick(Form->editSearch(), Qt::Key_Return, Qt::ControlModifier);
    ClickOutsidePopup(Form);
    FillListEdit(w.Edit, u"Код@Име"_s, MakeList(u"3@Abc°9@Xyz"_s), 1);
    w.Edit->SetSuggestText(true);
    w.Edit->setFocus();
    TypeText(w.Edit, u"Ab"_s);
    ASSERT_EQ(w.Edit->text(), u"Abc"_s);
    w.Edit->DropDown();
    ASSERT_TRUE(Form->isVisible());
    EXPECT_GT(w.Grid()->RowHeights(w.Grid()->Row()), 0);
    QTest::keyClick(w.Grid(), Qt::Key_Return);
    EXPECT_EQ(w.Edit->text(), u"Abc"_s);
    EXPECT_EQ(w.Descr->text(), u"3"_s);
}

// The drop-down fits its columns as the list was last filled: a refill with a longer name widens
// it, a refill with shorter ones narrows it again.
TEST(ListEdit, TheDropDownFitsTheColumnsOfTheLastFill) {
    TLookupWindow w;
    ASSERT_TRUE(ShowAndActivate(&w.Window));
    const auto DroppedWidth = [&] {
        w.Edit->DropDown();
        const int Width = w.Form()->width();
        w.Form()->DoCancel();
        return Width;
    };
    const int Short = DroppedWidth();
    EXPECT_EQ(DroppedWidth(), Short);
    ASSERT_TRUE(FillListEdit(w.Edit, Header,
                             MakeList(Owners + u"°6@Мария Стоянова Петрова-Георгиева Христова@София"_s), 0));
    EXPECT_GT(DroppedWidth(), Short + 50);
    ASSERT_TRUE(FillListEdit(w.Edit, Header, MakeList(Owners), 0));
    EXPECT_EQ(DroppedWidth(), Short);
}
