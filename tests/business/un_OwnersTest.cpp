#include "business/un_Owners.h"

#include "core/uDelimitedStrings.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TOwnerEntry Maria() {
    TOwnerEntry E;
    E.EGN = 501011234;
    E.Three_names = u" Мария Иванова "_s;
    E.town = u"София "_s;
    E.address = u"ул. Шипка 1"_s;
    E.telephone = u"02/123"_s;
    E.GSM = u"0888"_s;
    E.is_male = false;
    E.is_married = true;
    E.pref_code = 2;
    E.lk_nomer = u" 123 "_s;
    E.lk_izdadena_na = u"01.02.2020"_s;
    E.lk_ot_MVR = u"МВР София"_s;
    E.current_address = u"същия"_s;
    return E;
}

TEST(OwnersRegister, StatementsWriteThePersonalNumberWholeAndTheFlagsAsWords) {
    EXPECT_EQ(OwnersSelectSql(u"Three_names"_s), u"SELECT * FROM Owners ORDER BY Three_names"_s);
    EXPECT_EQ(
        OwnerInsertSql(u"Owners"_s, Maria()),
        u"Insert into Owners values ( 501011234, \"Мария Иванова\", \"София\", \"ул. Шипка 1\", \"02/123\", "
        u"\"0888\", False, True, 2, \"123\", \"01.02.2020\", \"МВР София\", \"същия\")"_s);
    EXPECT_EQ(
        OwnerUpdateSql(u"Owners"_s, u"Three_names"_s, u"EGN"_s, Maria(), 501011234),
        u"Update Owners Set Three_names = \" Мария Иванова \", town = \"София \",     address = \"ул. Шипка "
        u"1\", telephone = \"02/123\",     GSM = \"0888\", is_male = False,     is_married =  True,  "
        u"pref_code "
        u"= 2,     lk_nomer = \"123\", lk_izdadena_na = \"01.02.2020\",     lk_ot_MVR = \"МВР София\", "
        u"current_address = \"същия\"  Where ( EGN = 501011234 )"_s);
    EXPECT_EQ(OwnerDeleteSql(u"Owners"_s, u"EGN"_s, 501011234),
              u"Delete * from Owners Where EGN = 501011234.000000"_s);
}

TEST(OwnersRegister, GridShowsTenDigitNumbersAndWords) {
    TDelimitedStringList List;
    List.SetTextStr(u"501011234@Мария@@@@@False@True@2@@@@°8001011234@Иван@@@@@True@False@1@@@@"_s);
    FormatOwnerRows(List);
    EXPECT_EQ(List.GetTextStr(), u"0501011234@Мария@@@@@Жена@да@2@@@@°8001011234@Иван@@@@@Мъж@не@1@@@@"_s);
    const QStringList Row = OwnerDisplayRow(Maria());
    EXPECT_EQ(Row.size(), 13);
    EXPECT_EQ(Row[0], u"0501011234"_s);
    EXPECT_EQ(Row.mid(6, 3), QStringList({u"Жена"_s, u"да"_s, u"2"_s}));
}

TEST(OwnersRegister, ValidationFindsAPaddedDuplicateAndWantsTheIdentityCard) {
    const TGridRows Rows = {{u"0501011234"_s, u"Петър"_s}};
    TOwnerEntry Dup = Maria();
    Dup.Three_names = u"Петър"_s;
    TOwnerEntry NoCard = Maria();
    NoCard.EGN = 7;
    NoCard.lk_ot_MVR = u"  "_s;
    TOwnerEntry Empty;
    struct Case {
        TOwnerEntry Entry;
        QString Expected;
    };
    const Case Cases[] = {
        {Dup, u"Шифър \"0501011234\" съществува в таблицата с данни!\n\rНаименование \"Петър\" съществува в "
              u"таблицата "
              u"с данни!\n\r"_s},
        {NoCard, u"Въведете данни за лична карта\n\r"_s},
        {Empty, u"Въведете ЕГН\n\rВъведете наименование!\n\rВъведете данни за лична карта\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateOwnerInput(C.Entry, Rows), C.Expected);
}

} // namespace
