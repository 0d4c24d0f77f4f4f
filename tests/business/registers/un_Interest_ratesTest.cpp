#include "business/registers/un_Interest_rates.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unMessages.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QSpinBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TRateBand Band(double Code, double From, double To, double Percent, int Pref = 1) {
    return {Code, From, To, Percent, Pref};
}

TEST(InterestRatesRegister, PercentsAreStoredAsFractionsWithFourDecimals) {
    struct Case {
        QString Actual;
        QString Expected;
    };
    const Case Cases[] = {
        {InterestRateInsertSql(u"Interest_rates"_s, Band(3, 0, 500, 3.25, 2)),
         u"Insert into Interest_rates values ( 3, 0.000000, 500.000000, 0.0325, 2 )"_s},
        {InterestRateInsertSql(u"Interest_rates"_s, Band(4, 500.5, 1000, 5.5)),
         u"Insert into Interest_rates values ( 4, 500.500000, 1000.000000, 0.0550, 1 )"_s},
        {InterestRateUpdateSql(u"Interest_rates"_s, Band(9, 100, 200, 12.34, 5), u"code_mir"_s, 3), uR"sql(
        Update Interest_rates Set from_value = 100.000000, to_value = 200.000000, MIR = 0.1234, pref_code = 5
        Where ( code_mir = 3 )
    )sql"_s},
        {InterestRateDeleteSql(u"Interest_rates"_s, u"code_mir"_s, 3),
         u"Delete * from Interest_rates Where code_mir = 3"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(C.Actual, C.Expected);

    TDelimitedStringList List;
    List.SetTextStr(u"1@0@500.5@3.25@1°2@500@1000@4@2"_s);
    FormatBandRows(List);
    EXPECT_EQ(List.GetTextStr(), u"1@0.00@500.50@3.25@1°2@500.00@1000.00@4.00@2"_s);
    EXPECT_EQ(BandDisplayRow(Band(2, 500, 1000, 4, 2)),
              QStringList({u"2"_s, u"500.00"_s, u"1000.00"_s, u"4.00"_s, u"2"_s}));
}

TEST(InterestRatesRegister, ABandNeedsACodeAndLimitsInOrderAndARate) {
    const TGridRows Rows = {{u"1"_s, u"0.00"_s, u"500.00"_s, u"3.00"_s, u"1"_s}};
    const QString Wrong = u"Въведете коректни данни.\n\r"_s;
    struct Case {
        TRateBand Band;
        QString Expected;
    };
    const Case Cases[] = {
        {Band(2, 0, 500, 3), u""_s},
        {Band(2, 500, 500, 3), Wrong}, // equal limits
        {Band(2, -1, 500, 3), Wrong},  // a negative lower limit
        {Band(2, 0, 500, 0), Wrong},   // no rate
        {Band(2, 600, 500, 3), Wrong}, // limits the wrong way round
        {Band(2, 0, 0, 3), Wrong},
        {Band(1, 0, 500, 3), u"Шифър \"1\" съществува в таблицата с данни!\n\r"_s},
        {Band(0, 0, 0, 0), u"Въведете шифър.\n\r"_s + Wrong},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateBandInput(C.Band, Rows), C.Expected)
            << C.Band.Code << " " << C.Band.From << " " << C.Band.To << " " << C.Band.Percent;
}

class InterestRatesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Form = OpenRegister<TfrmInterest_rates>(Host, u"Лихвени схеми"_s, u"Interest_rates"_s, u"code_mir"_s,
                                                u""_s, u"лихвена схема"_s);
    }
    void TypeBand(const QString& From, const QString& To, const QString& Percent, int Pref) {
        Type(Form->feFrom_value, From);
        Type(Form->feTo_value, To);
        Type(Form->feMIR, Percent);
        Form->sePref_code->setValue(Pref);
        Press(Form->feMIR, Qt::Key_F4);
    }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    TfrmInterest_rates* Form = nullptr;
};

TEST_F(InterestRatesWindow, BandsAreAddedEditedAndDeletedAsPercents) {
    EXPECT_EQ(Form->feShifyr->Value(), 1);
    TypeBand(u"0"_s, u"500"_s, u"3.25"_s, 1);
    TypeBand(u"500.01"_s, u"2000"_s, u"2.5"_s, 2);
    EXPECT_EQ(
        Form->PendingSql,
        QStringList({u"Insert into Interest_rates values ( 1, 0.000000, 500.000000, 0.0325, 1 )"_s,
                     u"Insert into Interest_rates values ( 2, 500.010000, 2000.000000, 0.0250, 2 )"_s}));
    EXPECT_EQ(Form->Grid->Rows(2), QStringList({u"2"_s, u"500.01"_s, u"2000.00"_s, u"2.50"_s, u"2"_s}));
    EXPECT_EQ(Form->feShifyr->Value(), 3);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Interest_rates Order By code_MIR"_s),
              u"1@0@500@0.0325@1°2@500.01@2000@0.025@2"_s);
    // Shown again as the percent typed.
    EXPECT_EQ(Form->Grid->Rows(1), QStringList({u"1"_s, u"0.00"_s, u"500.00"_s, u"3.25"_s, u"1"_s}));

    Form->Grid->SetRow(2);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_TRUE(Form->feShifyr->isReadOnly());
    EXPECT_DOUBLE_EQ(Form->feFrom_value->Value(), 500.01);
    EXPECT_DOUBLE_EQ(Form->feMIR->Value(), 2.5);
    EXPECT_EQ(Form->sePref_code->value(), 2);
    Type(Form->feMIR, u"2.75"_s);
    Press(Form->feMIR, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_EQ(Form->PendingSql[0].simplified(),
              u"Update Interest_rates Set from_value = 500.010000, to_value = 2000.000000, MIR = 0.0275, "
              u"pref_code = 2 Where ( code_mir = 2 )"_s);
    // The edited band's code stays in the edit, given back to the operator; no next code is proposed.
    EXPECT_EQ(Form->feShifyr->Value(), 2);
    EXPECT_FALSE(Form->feShifyr->isReadOnly());

    Form->Grid->SetRow(1);
    Presenter.PlanAnswer(mrYes);
    Press(Form->Grid, Qt::Key_F5);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].Text, u"Желаете ли да изтриете лихвена схема: \"1\" - \"0.00\"?"_s);
    EXPECT_EQ(Form->PendingSql.last(), u"Delete * from Interest_rates Where code_mir = 1"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From Interest_rates"_s), u"2@500.01@2000@0.0275@2"_s);
}

TEST_F(InterestRatesWindow, AWrongBandIsRefusedInOneBox) {
    TypeBand(u"500"_s, u"500"_s, u"0"_s, 1);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Въведете коректни данни.\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

} // namespace
