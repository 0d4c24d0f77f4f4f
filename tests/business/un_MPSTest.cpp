#include "business/un_MPS.h"

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
    EXPECT_EQ(
        MpsInsertSql(u"MPS"_s, 3, Texts),
        u"Insert into MPS values ( 3, \"Лада\", \"2107\", \"1990\", \"S1\", \"CA1234AB\", \"SH1\", \"M1\", "
        u"\"400\", \"1\", \"90000\", \"син \"\"металик\"\"\" )"_s);
    EXPECT_EQ(
        MpsUpdateSql(u"MPS"_s, Texts, u"code_MPS"_s, 3),
        u"Update MPS Set marka = \"Лада\",  model = \"2107\",     godina = \"1990\",  serien_nomer = \"S1\", "
        u"reg_nomer = \"CA1234AB\",    shasi_nomer = \"SH1\",  motor_nomer = \"M1\", polezen_tovar = "
        u"\"400\",  "
        u"  rezervni_gumi = \"1\",  kilometrazh = \"90000\", drugi_belezi = \"син \"\"металик\"\"\" Where ( "
        u"code_MPS = 3 )"_s);
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

} // namespace
