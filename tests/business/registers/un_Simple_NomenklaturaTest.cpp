#include "business/registers/un_Simple_Nomenklatura.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QAction>
#include <QLabel>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(SimpleRegister, StatementsCarryTheKeyAsAWholeNumberAndQuoteTheName) {
    struct Case {
        QString Actual;
        QString Expected;
    };
    const Case Cases[] = {
        {SimpleSelectSql(u"code_i_t"_s, u"name_i_t"_s, u"Item_types"_s),
         u"SELECT code_i_t, name_i_t FROM Item_types ORDER BY code_i_t"_s},
        {SimpleInsertSql(u"Item_types"_s, Whole(7), u"Злато \"585\""_s),
         u"Insert into Item_types values ( 7, \"Злато \"\"585\"\"\" )"_s},
        {SimpleUpdateSql(u"Item_types"_s, u"name_i_t"_s, u"Сребро"_s, u"code_i_t"_s, Whole(2.0)),
         u"Update Item_types Set name_i_t = \"Сребро\" Where ( code_i_t = 2 )"_s},
        {SimpleDeleteSql(u"Item_types"_s, u"code_i_t"_s, 3),
         u"Delete * from Item_types Where code_i_t = 3"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Actual, C.Expected);
    EXPECT_EQ(NextKey(u""_s), 1);
    EXPECT_EQ(NextKey(u"41"_s), 42);
}

TEST(SimpleRegister, ValidationGathersEveryMessage) {
    const TGridRows Rows = {{u"1"_s, u"Злато"_s}, {u"2"_s, u"Сребро"_s}};
    struct Case {
        double Code;
        QString Name;
        QString Expected;
    };
    const Case Cases[] = {
        {3, u"Платина"_s, u""_s},
        {1, u"Платина"_s, u"Шифър \"1\" съществува в таблицата с данни!\n\r"_s},
        // Each once, the code first, whatever the rows' order.
        {2, u"Злато"_s,
         u"Шифър \"2\" съществува в таблицата с данни!\n\rНаименование \"Злато\" съществува в таблицата с "
         u"данни!\n\r"_s},
        // A name differing in case only is another name here; the database key is the last guard.
        {3, u"злато"_s, u""_s},
        {0, u""_s, u"Въведете шифър.\n\rВъведете наименование!\n\r"_s},
        // No duplicate test without both values.
        {0, u"Злато"_s, u"Въведете шифър.\n\r"_s},
        {1, u""_s, u"Въведете наименование!\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateSimpleInput(C.Code, C.Name, Rows), C.Expected)
            << C.Code << " " << C.Name.toStdString();
}

class ItemTypesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Form = OpenRegister<TfrmSimple_Nomenklatura>(Host, u"Типове вещи"_s, u"Item_types"_s, u"code_i_t"_s,
                                                     u"name_i_t"_s, u"тип вещ"_s);
    }
    void AddEntry(const QString& Name) {
        Type(Form->edNaimenovanie, Name);
        Press(Form->edNaimenovanie, Qt::Key_F4);
    }
    QStringList Row(int R) const { return Form->Grid->Rows(R); }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmSimple_Nomenklatura* Form = nullptr;
};

TEST_F(ItemTypesWindow, AddEditAndDeleteReachTheDatabaseOnlyOnSave) {
    EXPECT_EQ(Form->feShifyr->Value(), 1); // a new table starts at 1
    EXPECT_EQ(Form->windowTitle(), u"Типове вещи"_s);
    EXPECT_EQ(Form->pnlCaption->text(), u"ТИПОВЕ ВЕЩИ"_s);

    AddEntry(u"Злато"_s);
    AddEntry(u"Сребро"_s);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Insert into Item_types values ( 1, \"Злато\" )"_s,
                                             u"Insert into Item_types values ( 2, \"Сребро\" )"_s}));
    EXPECT_EQ(Form->feShifyr->Value(), 3);
    EXPECT_EQ(Row(1), QStringList({u"1"_s, u"Злато"_s}));
    EXPECT_EQ(Row(2), QStringList({u"2"_s, u"Сребро"_s}));
    EXPECT_EQ(QueryText(u"Select Count(*) From Item_types"_s), u"0"_s);

    Press(Form->Grid, Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"Select * From Item_types Order By code_i_t"_s), u"1@Злато°2@Сребро"_s);
    EXPECT_TRUE(Host.Refreshes.isEmpty()); // item types tell no opener

    // Edit lifts the row; its key cannot be retyped, and the update targets it.
    Form->Grid->SetRow(2);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->EditingRow);
    EXPECT_TRUE(Form->feShifyr->isReadOnly());
    EXPECT_EQ(Form->feShifyr->Value(), 2);
    EXPECT_EQ(Form->Grid->RowCount(), 2);
    TypeText(Form->feShifyr, u"9"_s);
    EXPECT_EQ(Form->feShifyr->Value(), 2);
    AddEntry(u"Сребро 925"_s);
    EXPECT_EQ(Form->PendingSql,
              QStringList({u"Update Item_types Set name_i_t = \"Сребро 925\" Where ( code_i_t = 2 )"_s}));
    EXPECT_FALSE(Form->EditingRow);
    EXPECT_FALSE(Form->feShifyr->isReadOnly());
    EXPECT_EQ(Form->feShifyr->Value(), 2); // an edit proposes no new code
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Item_types Order By code_i_t"_s), u"1@Злато°2@Сребро 925"_s);

    // Delete asks first; No keeps the row, Yes queues the delete.
    Form->Grid->SetRow(1);
    Presenter.PlanAnswer(mrNo);
    Press(Form->Grid, Qt::Key_F5);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].Text, u"Желаете ли да изтриете тип вещ: \"1\" - \"Злато\"?"_s);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Delete * from Item_types Where code_i_t = 1"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Item_types"_s), u"2@Сребро 925"_s);
}

TEST_F(ItemTypesWindow, EntryMessagesComeInOneBoxAndQueueNothing) {
    Exec(u"Insert into Item_types values ( 4, \"Злато\" )"_s);
    Press(Form->Grid, Qt::Key_F8);
    EXPECT_EQ(Form->feShifyr->Value(), 1); // F8 reloads without proposing a code
    Type(Form->feShifyr, u"4"_s);
    AddEntry(u"Злато"_s);
    Type(Form->feShifyr, u"0"_s);
    AddEntry(u""_s);
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList({u"Шифър \"4\" съществува в таблицата с данни!\n\rНаименование \"Злато\" съществува в "
                     u"таблицата с данни!\n\r"_s,
                     u"Въведете шифър.\n\rВъведете наименование!\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->Grid->RowCount(), 2);
}

TEST_F(ItemTypesWindow, OneRowAtATimeIsEdited) {
    Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
    Exec(u"Insert into Item_types values ( 2, \"Сребро\" )"_s);
    Press(Form->Grid, Qt::Key_F8);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Не можете да редактирате два реда едновремнно!"_s}));
    EXPECT_EQ(Form->EditingKey, u"1"_s);
}

TEST_F(ItemTypesWindow, ATypeThatItemsUseIsNotDeleted) {
    Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
    Exec(u"Insert into Items values ( 7, \"Пръстен\", 1 )"_s);
    Press(Form->Grid, Qt::Key_F8);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(),
              QStringList(
                  {u"Записът не може да бъде изтрит: тип вещ \"1\" - \"Злато\" се използва в вещи № 7."_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"Злато"_s}));
}

TEST_F(ItemTypesWindow, AFailedSaveWritesNothingAndASecondSaveSucceeds) {
    AddEntry(u"Злато"_s);
    AddEntry(u"Сребро"_s);
    // Someone else takes code 2 meanwhile: the second statement fails.
    Exec(u"Insert into Item_types values ( 2, \"Платина\" )"_s);
    const QStringList Queued = Form->PendingSql;
    Press(Form->Grid, Qt::Key_F2);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"UNIQUE constraint failed"_s));
    EXPECT_EQ(Form->PendingSql, Queued);
    EXPECT_EQ(QueryText(u"Select * From Item_types"_s), u"2@Платина"_s);

    Exec(u"Delete * from Item_types Where code_i_t = 2"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"Select * From Item_types Order By code_i_t"_s), u"1@Злато°2@Сребро"_s);
}

TEST_F(ItemTypesWindow, ClosingWithQueuedStatementsAsksFirst) {
    AddEntry(u"Злато"_s);
    Presenter.PlanAnswer(mrCancel);
    EXPECT_FALSE(Form->CloseQuery());
    Presenter.PlanAnswer(mrYes);
    EXPECT_TRUE(Form->CloseQuery());
    EXPECT_EQ(QueryText(u"Select * From Item_types"_s), u"1@Злато"_s);
    EXPECT_EQ(Presenter.Messages().size(), 2);
    EXPECT_TRUE(Form->CloseQuery()); // nothing queued: no question
    EXPECT_EQ(Presenter.Messages().size(), 2);
}

// A register whose New queues two statements, the second needing a query that fails.
class TfrmTwoStatements : public TfrmSimple_Nomenklatura {
public:
    using TfrmSimple_Nomenklatura::TfrmSimple_Nomenklatura;

protected:
    QStringList EntryStatements() override {
        QStringList Statements = TfrmSimple_Nomenklatura::EntryStatements();
        TDelimitedStringList List;
        RunQuery(this, AdoConnection, u"Select max( docno ) From Nowhere"_s, &List);
        return Statements << u"Insert into Item_types values ( 99, \"x\" )"_s;
    }
};

TEST(RegisterNew, AFailureWhileBuildingTheStatementsQueuesNothing) {
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    auto* Form = OpenRegister<TfrmTwoStatements>(Host, u"Типове вещи"_s, u"Item_types"_s, u"code_i_t"_s,
                                                 u"name_i_t"_s, u"тип вещ"_s);
    Type(Form->edNaimenovanie, u"Злато"_s);
    Press(Form->edNaimenovanie, Qt::Key_F4);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"no such table: Nowhere"_s));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u""_s, u""_s}));
    EXPECT_EQ(Form->feShifyr->Value(), 1);
    EXPECT_EQ(Form->edNaimenovanie->text(), u"Злато"_s); // nothing typed is lost
}

} // namespace
