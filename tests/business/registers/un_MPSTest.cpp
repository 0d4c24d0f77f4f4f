#include "business/registers/un_MPS.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/RichGrid.h"
#include "core/unMessages.h"
#include "tests/business/registers/RegisterHost.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

const QStringList Texts = {u" Лада "_s, u"2107"_s, u"1990"_s, u"S1"_s,    u"CA1234AB"_s,       u"SH1"_s,
                           u"M1"_s,     u"400"_s,  u"1"_s,    u"90000"_s, u"син \"металик\""_s};

TEST(VehiclesRegister, StatementsTrimEveryTextAndQuoteIt) {
    EXPECT_EQ(MpsSelectSql(u"MPS"_s, u"code_MPS"_s), u"Select * From MPS Order By code_MPS"_s);
    EXPECT_EQ(MpsInsertSql(u"MPS"_s, 3, Texts), uR"sql(
        Insert into MPS values ( 3, "Лада", "2107", "1990", "S1", "CA1234AB", "SH1", "M1", "400", "1", "90000", "син ""металик""" )
    )sql"_s);
    EXPECT_EQ(MpsUpdateSql(u"MPS"_s, Texts, u"code_MPS"_s, 3), uR"sql(
        Update MPS Set marka = "Лада",  model = "2107",     godina = "1990",  serien_nomer = "S1", reg_nomer = "CA1234AB",
                      shasi_nomer = "SH1",  motor_nomer = "M1", polezen_tovar = "400",    rezervni_gumi = "1",  kilometrazh = "90000", drugi_belezi = "син ""металик"""
        Where ( code_MPS = 3 )
    )sql"_s);
    EXPECT_EQ(MpsDeleteSql(u"MPS"_s, u"code_MPS"_s, 3), u"Delete From MPS Where code_MPS = 3"_s);
}

TEST(VehiclesRegister, BlankFieldsGiveOneMessage) {
    const TGridRows Rows = {{u"1"_s, u"Лада"_s}};
    QStringList Blank = Texts;
    Blank[0] = u"  "_s;
    Blank[10] = u""_s;
    EXPECT_EQ(ValidateMpsInput(2, Texts, Rows), u""_s);
    EXPECT_EQ(ValidateMpsInput(1, Texts, Rows), u"Шифър \"1\" съществува в таблицата с данни!\n\r"_s);
    EXPECT_EQ(ValidateMpsInput(0, Blank, Rows), u"Въведете шифър.\n\rМоля въведете всички полета\n\r"_s);
}

class VehiclesWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Exec(u"Insert into MPS values ( 4, \"Опел\", \"Астра\", \"2004\", \"S\", \"CA1\", \"SH\", \"M\", "
             u"\"500\", "
             u"\"1\", \"200000\", \"сив\" )"_s);
        Form = OpenRegister<Tfrm_MPS>(Host, u"МПС (Моторни превозни средства)"_s, u"MPS"_s, u"code_MPS"_s,
                                      u""_s, u"МПС"_s);
    }
    void TypeTexts(const QStringList& Values) {
        for (int i = 0; i < MpsTextFields.size(); ++i)
            Type(Form->findChild<TLimitedEdit*>(MpsTextFields[i]), Values.value(i));
    }

    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TRegisterHost Host;
    Tfrm_MPS* Form = nullptr;
};

TEST_F(VehiclesWindow, VehicleIsAddedEditedAndDeleted) {
    EXPECT_EQ(Form->code_mps->Value(), 5);
    // A double quote cannot be typed.
    QStringList Typed = Texts;
    Typed[10] = u"син металик"_s;
    TypeTexts(Texts);
    EXPECT_EQ(Form->Texts(), Typed);
    Press(Form->marka, Qt::Key_F4);
    EXPECT_EQ(Form->PendingSql, QStringList({MpsInsertSql(u"MPS"_s, 5, Typed)}));
    EXPECT_EQ(Form->code_mps->Value(), 6);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select * From MPS Where code_MPS = 5"_s),
              u"5@Лада@2107@1990@S1@CA1234AB@SH1@M1@400@1@90000@син металик"_s);

    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F3);
    EXPECT_EQ(Form->code_mps->Value(), 4);
    EXPECT_EQ(Form->drugi_belezi->text(), u"сив"_s);
    Type(Form->kilometrazh, u"210000"_s);
    Press(Form->kilometrazh, Qt::Key_F4);
    ASSERT_EQ(Form->PendingSql.size(), 1);
    EXPECT_TRUE(Form->PendingSql[0].trimmed().endsWith(u"Where ( code_MPS = 4 )"_s));
    Presenter.PlanAnswer(mrYes);
    Form->Grid->SetRow(1);
    Press(Form->Grid, Qt::Key_F5);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].Text, u"Желаете ли да изтриете МПС: \"5\" - \"Лада\"?"_s);
    EXPECT_EQ(Form->PendingSql.last(), u"Delete From MPS Where code_MPS = 5"_s);
    Press(Form->Grid, Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select code_MPS, kilometrazh From MPS"_s), u"4@210000"_s);
}

TEST_F(VehiclesWindow, BlankFieldsAreReportedOnce) {
    QStringList Values = Texts;
    Values[2] = u""_s;
    Values[7] = u" "_s;
    TypeTexts(Values);
    Press(Form->marka, Qt::Key_F4);
    EXPECT_EQ(Presenter.Texts(), QStringList({u"Моля въведете всички полета\n\r"_s}));
    EXPECT_TRUE(Form->PendingSql.isEmpty());
}

} // namespace
