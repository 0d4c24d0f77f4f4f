#include "business/registers/RegisterForm.h"

#include "core/unDatabase.h"
#include "tests/support/TempProgramDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TEST(RegisterForm, NextKeyFollowsTheHighestStored) {
    EXPECT_EQ(MaxKeySql(u"code_i_t"_s, u"Item_types"_s), u"Select max( code_i_t ) from Item_types"_s);
    EXPECT_EQ(NextKey(u""_s), 1);
    EXPECT_EQ(NextKey(u"41"_s), 42);
}

TEST(RegisterForm, RecordsThatDocumentsReferToAreNamedWithTheirNumbers) {
    TTempProgramDir Dir;
    const QStringList Seed = {
        u"Insert into Item_types values ( 1, \"Злато\" )"_s,
        u"Insert into Item_types values ( 2, \"Сребро\" )"_s,
        u"Insert into Items values ( 5, \"Пръстен\", 1 )"_s,
        u"Insert into Items values ( 3, \"Гривна\", 1 )"_s,
        u"Insert into Items values ( 9, \"Лъжица\", 2 )"_s,
        u"Insert into Owners values ( 8001011234, \"Иван\", \"\", \"\", \"\", \"\", True, False, 1, \"1\", "
        u"\"2\", \"3\", \"\")"_s,
        u"Insert into Contracts (docno, code_i, EGN, code_mps) values ( 12, 5, 8001011234, 1 )"_s,
        u"Insert into Contracts (docno, code_i, EGN) values ( 4, 5, 8001011234 )"_s,
        u"Insert into Items_purchases (docno, code_i, EGN) values ( 7, 3, 8001011234 )"_s,
        u"Insert into Items_sales (docno, EGN) values ( 2, 8001011234 )"_s,
    };
    for (const QString& S : Seed)
        ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, S)) << S.toStdString();

    struct Case {
        QString Table;
        qint64 Key;
        QString Expected;
    };
    const Case Cases[] = {
        {u"Item_types"_s, 1, u"вещи № 3, 5"_s},
        {u"Item_types"_s, 7, u""_s},
        {u"Items"_s, 5, u"договори № 4, 12"_s},
        {u"Items"_s, 3, u"покупки № 7"_s},
        {u"Items"_s, 9, u""_s},
        {u"Owners"_s, 8001011234, u"договори № 4, 12; покупки № 7; продажби № 2"_s},
        {u"Owners"_s, 1, u""_s},
        {u"MPS"_s, 1, u"договори № 12"_s},
        {u"MPS"_s, 2, u""_s},
        // Tables no document refers to are never checked.
        {u"Interest_rates"_s, 1, u""_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(RecordUseText(nullptr, C.Table, C.Key), C.Expected)
            << C.Table.toStdString() << " " << C.Key;
    EXPECT_EQ(RecordInUseMessage(u"вещ"_s, u"5"_s, u"Пръстен"_s, u"договори № 4, 12"_s),
              u"Записът не може да бъде изтрит: вещ \"5\" - \"Пръстен\" се използва в договори № 4, 12."_s);
}

TEST(RegisterForm, ALongUseListIsCut) {
    TTempProgramDir Dir;
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Insert into Item_types values ( 1, \"Злато\" )"_s));
    for (int i = 1; i <= 12; ++i)
        ASSERT_TRUE(
            ExecSQL(nullptr, AdoConnection, Format(u"Insert into Items values ( %d, \"В\", 1 )"_s, {i})));
    EXPECT_EQ(RecordUseText(nullptr, u"Item_types"_s, 1), u"вещи № 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 и още 2"_s);
}

} // namespace
