#include "business/un_Items.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(ItemsRegister, InsertTrimsTheDescriptionAndUpdateKeepsItAsTyped) {
    EXPECT_EQ(ItemInsertSql(u"Items"_s, 4, u"  Пръстен \"Б\" "_s, 2),
              u"Insert into Items values ( 4, \"Пръстен \"\"Б\"\"\", 2 )"_s);
    EXPECT_EQ(ItemUpdateSql(u"Items"_s, u"SN"_s, u" Гривна "_s, 3, u"code_i"_s, 4),
              u"Update Items Set SN = \" Гривна \", code_i_t = 3.000000 Where ( code_i = 4 )"_s);
}

TEST(ItemsRegister, ADescriptionIsTakenOnlyUnderTheSameType) {
    const TGridRows Rows = {{u"1"_s, u"Пръстен"_s, u"Злато"_s}, {u"2"_s, u"Гривна"_s, u"Сребро"_s}};
    struct Case {
        double Code;
        QString Description;
        qint64 TypeCode;
        QString TypeName;
        QString Expected;
    };
    const Case Cases[] = {
        {3, u"Пръстен"_s, 2, u"Сребро"_s, u""_s},
        {3, u"Пръстен"_s, 1, u"Злато"_s, u"Наименование \"Пръстен\" съществува в таблицата с данни!\n\r"_s},
        {2, u"Верижка"_s, 1, u"Злато"_s, u"Шифър \"2\" съществува в таблицата с данни!\n\r"_s},
        {0, u""_s, 0, u""_s, u"Въведете шифър.\n\rВъведете наименование!\n\rВъведете тип на вещ\n\r"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(ValidateItemInput(C.Code, C.Description, C.TypeCode, C.TypeName, Rows), C.Expected)
            << C.Description.toStdString();
}

} // namespace
