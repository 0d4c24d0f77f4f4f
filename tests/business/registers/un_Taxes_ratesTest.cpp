#include "business/registers/un_Taxes_rates.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"
#include "tests/support/TempRegistry.h"

#include <QLabel>
#include <QSpinBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(TaxRatesRegister, StatementsNameTheFeeAndRoundBeforeWriting) {
    const TRateBand Band{2, 100.004, 199.996, 1.23456, 3};
    struct Case {
        QString Actual;
        QString Expected;
    };
    const Case Cases[] = {
        {TaxRatesSelectSql(4), uR"sql(
        SELECT code_MIR, from_value, to_value, [MIR]*100 AS Lihva, pref_code
        FROM Taxes_rates
        Where code_t = 4
        ORDER BY code_MIR
    )sql"_s},
        {TaxRatesMaxKeySql(u"code_MIR"_s, u"Taxes_rates"_s, 4),
         u"Select max( code_MIR ) from Taxes_rates Where code_t = 4"_s},
        {TaxRateInsertSql(u"Taxes_rates"_s, Band, 4),
         u"Insert into Taxes_rates values ( 2, 4, 100.000000, 200.000000, 0.0123, 3 )"_s},
        {TaxRateUpdateSql(u"Taxes_rates"_s, Band, u"code_MIR"_s, 2, 4), uR"sql(
        Update Taxes_rates Set from_value = 100.000000, to_value = 200.000000, MIR = 0.0123, pref_code = 3
        Where ( code_MIR = 2 AND code_t = 4 )
    )sql"_s},
        {TaxRateDeleteSql(u"Taxes_rates"_s, u"code_MIR"_s, 2, 4),
         u"Delete From Taxes_rates Where code_MIR = 2 and code_t = 4"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Actual, C.Expected);
    EXPECT_EQ(ValidateTaxRateInput(TRateBand{1, 0, 100, 1, 1}, 0, {}), u"Въведете такса\n\r"_s);
    EXPECT_EQ(ValidateTaxRateInput(TRateBand{0, 0, 100, 1, 1}, 4, {}), u"Въведете шифър.\n\r"_s);
}

class TaxRatesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Exec(u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s);
        Exec(u"Insert into Taxes values ( 2, \"Пазене\", 0 )"_s);
        Exec(u"Insert into Taxes_rates values ( 1, 1, 0, 500, 0.02, 1 )"_s);
        Open();
    }
    void Open() {
        Form = OpenRegister<TfrmTaxes_rates>(Host, u"Размер на такси"_s, u"Taxes_rates"_s, u"code_MIR"_s,
                                             u""_s, u"такса"_s);
    }
    void AddRate(const QString& From, const QString& To, const QString& Percent) {
        Type(Form->feFrom_value, From);
        Type(Form->feTo_value, To);
        Type(Form->feMIR, Percent);
        Press(Form->feMIR, Qt::Key_F4);
    }

    TTempProgramDir Dir;
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmTaxes_rates* Form = nullptr;
};

TEST_F(TaxRatesWindow, RatesAreListedAndNumberedPerFee) {
    EXPECT_EQ(Form->code_t->text(), u""_s);
    EXPECT_EQ(Form->code_MIR->Value(), 1);

    Type(Form->code_t, u"1"_s);
    EXPECT_EQ(Form->pnl_Tax->text(), u"Оценка"_s);
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"0.00"_s, u"500.00"_s, u"2.00"_s, u"1"_s}));
    EXPECT_EQ(Form->code_MIR->Value(), 2);
    AddRate(u"500"_s, u"1000"_s, u"1.5"_s);
    EXPECT_EQ(
        Form->PendingSql,
        QStringList({u"Insert into Taxes_rates values ( 2, 1, 500.000000, 1000.000000, 0.0150, 1 )"_s}));
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(Form->Grid->Rows(2), QStringList({u"2"_s, u"500.00"_s, u"1000.00"_s, u"1.50"_s, u"1"_s}));

    // Another fee starts its numbers at 1 again.
    Type(Form->code_t, u"2"_s);
    EXPECT_EQ(Form->pnl_Tax->text(), u"Пазене"_s);
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u""_s, u""_s, u""_s, u""_s, u""_s}));
    EXPECT_EQ(Form->code_MIR->Value(), 1);
    AddRate(u"0"_s, u"300"_s, u"0.1"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Taxes_rates Order By code_t, code_MIR"_s),
              u"1@1@0@500@0.02@1°2@1@500@1000@0.015@1°1@2@0@300@0.001@1"_s);

    // The window opens again on the fee it was closed with.
    Form->Close();
    QApplication::processEvents();
    EXPECT_EQ(ReadRegString(u"code_t"_s), u"2"_s);
    Open();
    EXPECT_EQ(Form->code_t->text(), u"2"_s);
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"0.00"_s, u"300.00"_s, u"0.10"_s, u"1"_s}));
    EXPECT_EQ(Form->code_MIR->Value(), 2);
}

TEST_F(TaxRatesWindow, AnEditedRateKeepsItsFeeAndDeleteNamesTheFee) {
    Type(Form->code_t, u"1"_s);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->code_t->isReadOnly());
    EXPECT_TRUE(Form->code_MIR->isReadOnly());
    // The fee cannot be changed under the lifted rate.
    Type(Form->code_t, u"2"_s);
    EXPECT_EQ(Form->code_t->text(), u"1"_s);
    Type(Form->feMIR, u"2.5"_s);
    Form->sePref_code->setValue(2);
    Press(Form->feMIR, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_EQ(
        Form->PendingSql[0].simplified(),
        u"Update Taxes_rates Set from_value = 0.000000, to_value = 500.000000, MIR = 0.0250, pref_code = 2 "
        u"Where ( code_MIR = 1 AND code_t = 1 )"_s);
    EXPECT_FALSE(Form->code_t->isReadOnly());

    Presenter.PlanAnswer(mrYes);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Желаете ли да изтриете такса: \"1\" - \"0.00\"?"_s}));
    EXPECT_EQ(Form->PendingSql.last(), u"Delete From Taxes_rates Where code_MIR = 1 and code_t = 1"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select Count(*) From Taxes_rates"_s), u"0"_s);
}

TEST_F(TaxRatesWindow, NothingIsEditedOrAddedWithoutAFee) {
    Press(Form->Grid, Qt::Key_F3);
    AddRate(u"0"_s, u"100"_s, u"1"_s);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Въведете такса"_s, u"Въведете такса\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

} // namespace
