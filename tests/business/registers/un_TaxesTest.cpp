#include "business/registers/un_Taxes.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QCheckBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(TaxesRegister, StatementsWriteTheKindAsOneOrZero) {
    struct Case {
        QString Actual;
        QString Expected;
    };
    const Case Cases[] = {
        {TaxesSelectSql(u"code_t"_s, u"name_t"_s, u"Taxes"_s),
         u"Select code_t, name_t, is_once, code_t + 5 AS code_4_PKO From Taxes Order By code_t"_s},
        {TaxInsertSql(u"Taxes"_s, 2, u"Оценка \"бърза\""_s, true),
         u"Insert into Taxes values ( 2, \"Оценка \"\"бърза\"\"\", 1 )"_s},
        {TaxInsertSql(u"Taxes"_s, 3, u"Пазене"_s, false), u"Insert into Taxes values ( 3, \"Пазене\", 0 )"_s},
        {TaxUpdateSql(u"Taxes"_s, u"name_t"_s, u"Пазене"_s, true, u"code_t"_s, 3),
         u"Update Taxes Set name_t = \"Пазене\", is_once = 1 Where ( code_t = 3 )"_s},
        {TaxDeleteSql(u"Taxes"_s, u"code_t"_s, 3), u"Delete From Taxes Where code_t = 3"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Actual, C.Expected);
    EXPECT_EQ(TaxDisplayRow(3, u"Пазене"_s, false), QStringList({u"3"_s, u"Пазене"_s, u"не"_s, u"8"_s}));
}

class TaxesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Form = OpenRegister<TfrmTaxes>(Host, u"Такси"_s, u"Taxes"_s, u"code_t"_s, u"name_t"_s, u"такса"_s);
    }
    void AddFee(const QString& Name, bool Once) {
        Type(Form->name_t, Name);
        Form->is_once->setChecked(Once);
        Press(Form->name_t, Qt::Key_F4);
    }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmTaxes* Form = nullptr;
};

TEST_F(TaxesWindow, FeesAreAddedEditedAndDeleted) {
    EXPECT_EQ(Form->code_t->Value(), 1);
    AddFee(u"Оценка"_s, true);
    AddFee(u"Пазене"_s, false);
    EXPECT_EQ(Form->PendingSql, QStringList({u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s,
                                             u"Insert into Taxes values ( 2, \"Пазене\", 0 )"_s}));
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"Оценка"_s, u"да"_s, u"6"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Taxes Order By code_t"_s), u"1@Оценка@True°2@Пазене@False"_s);
    EXPECT_EQ(Form->Grid->Rows(2), QStringList({u"2"_s, u"Пазене"_s, u"не"_s, u"7"_s}));

    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->is_once->isChecked());
    EXPECT_TRUE(Form->code_t->isReadOnly());
    AddFee(u"Оценка на злато"_s, false);
    EXPECT_EQ(
        Form->PendingSql,
        QStringList({u"Update Taxes Set name_t = \"Оценка на злато\", is_once = 0 Where ( code_t = 1 )"_s}));

    Form->Grid->SetRow(1);
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Желаете ли да изтриете такса: \"2\" - \"Пазене\"?"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Taxes"_s), u"1@Оценка на злато@False"_s);
}

TEST_F(TaxesWindow, AFeeWithRatesOrPaymentsIsNotDeleted) {
    Exec(u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s);
    Exec(u"Insert into Taxes values ( 2, \"Пазене\", 0 )"_s);
    Exec(u"Insert into Taxes_rates values ( 1, 1, 0, 500, 0.01, 1 )"_s);
    Exec(u"Insert into Incomes values ( 14, 45000, 3, 7, 2.5, \"\", \"\", \"\" )"_s);
    Press(Form->Grid, Qt::Key_F8);
    for (int Row : {1, 2}) {
        Form->Grid->SetRow(Row);
        Press(Form->Grid, Qt::Key_F5);
    }
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList({u"Записът не може да бъде изтрит: такса \"1\" - \"Оценка\" се използва в размери на "
                     u"такси № 1."_s,
                     u"Записът не може да бъде изтрит: такса \"2\" - \"Пазене\" се използва в приходни "
                     u"касови ордери № 14."_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

TEST_F(TaxesWindow, ANameOrCodeInUseIsRefused) {
    Exec(u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s);
    Press(Form->Grid, Qt::Key_F8);
    Type(Form->code_t, u"1"_s);
    AddFee(u"Оценка"_s, false);
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList({u"Шифър \"1\" съществува в таблицата с данни!\n\rНаименование \"Оценка\" съществува в "
                     u"таблицата с данни!\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

} // namespace
