#include "core/unSchema.h"

#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "tests/support/TempProgramDir.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Readable failure output.
static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

QString Query(const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Sql, &List);
    return List.GetTextStr();
}

QByteArray Digest(const QString& File) {
    QFile F(File);
    if (!F.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(F.readAll(), QCryptographicHash::Sha256);
}

TEST(Schema, NewDatabaseHoldsEveryTableWithItsColumnsInStorageOrder) {
    TTempProgramDir Dir;
    struct Table {
        QString Name;
        QString Columns;
    };
    // Inserts are positional, so the order is the contract.
    const Table Tables[] = {
        {u"Contracts"_s,
         u"docno date_c code_i Sum_c M_IR Duration Notes Finished At_Date for_sale for_sale_date EGN "
         u"Sold sold_at_date gramaj short_term Dylzhimi_lihvi Ednokratni_taxi Dnevni_taxi code_mps"_s},
        {u"Incomes"_s, u"docno date_d contract_n payment_type sum_o customer_name supplier_name user_name"_s},
        {u"Outcomes"_s,
         u"docno date_d contract_n payment_type sum_o customer_name supplier_name user_name"_s},
        {u"Items_purchases"_s,
         u"docno date_d code_i sum_s customer_name supplier_name user_name EGN gramaj sold sold_at_date"_s},
        {u"Items_sales"_s,
         u"docno date_d contract_n payment_type sum_s customer_name supplier_name user_name EGN short_term"_s},
        {u"Owners"_s, u"EGN Three_names town address telephone GSM is_male is_married pref_code lk_nomer "
                      u"lk_izdadena_na lk_ot_MVR current_address"_s},
        {u"Items"_s, u"code_i SN code_i_t"_s},
        {u"Item_types"_s, u"code_i_t name_i_t"_s},
        {u"Interest_rates"_s, u"code_MIR from_value to_value MIR pref_code"_s},
        {u"Taxes"_s, u"code_t name_t is_once"_s},
        {u"Taxes_rates"_s, u"code_MIR code_t from_value to_value MIR pref_code"_s},
        {u"MPS"_s,
         u"code_MPS marka model godina serien_nomer reg_nomer shasi_nomer motor_nomer polezen_tovar "
         u"rezervni_gumi kilometrazh drugi_belezi"_s},
        {u"Users_passwords"_s, u"user_name user_password three_names"_s},
        {u"VA"_s, u"code_VA value_VA"_s},
    };
    for (const Table& T : Tables) {
        QString Columns = Query(Format("Select name From pragma_table_info(\"%s\") Order By cid", {T.Name}));
        EXPECT_EQ(Columns.replace(QChar(0x00B0), u' '), T.Columns) << T.Name.toStdString();
    }
    EXPECT_EQ(Query(u"Select Count(*) From sqlite_schema Where type = \"table\""_s), u"14"_s);
    EXPECT_EQ(Query(u"Select Count(*) From sqlite_schema Where type = \"index\" And name Like \"ix_%\""_s),
              u"6"_s);
}

TEST(Schema, NewDatabaseHasEmptySettingsAndNoOperators) {
    TTempProgramDir Dir;
    EXPECT_EQ(Query(u"Select code_VA, value_VA From VA Order By code_VA"_s),
              u"1@°2@°3@°4@°5@°6@°7@°8@°9@°12@"_s);
    EXPECT_EQ(Query(u"Select Count(*) From Users_passwords"_s), u"0"_s);
}

TEST(Schema, CreatingRefusesAnExistingFileAndOpeningChangesNothing) {
    TTempProgramDir Dir;
    const QByteArray Created = Digest(Dir.DatabaseFile());
    EXPECT_FALSE(CreateDatabaseFile(Dir.DatabaseFile()));
    EXPECT_EQ(Query(u"Select Count(*) From Contracts"_s), u"0"_s);
    FreeAdoConnection();
    CreateAdoConnection(nullptr, Dir.Path());
    EXPECT_EQ(Query(u"Select value_VA From VA Where code_VA = 12"_s), QString());
    FreeAdoConnection();
    EXPECT_EQ(Digest(Dir.DatabaseFile()), Created);
}

} // namespace
