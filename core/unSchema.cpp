#include "core/unSchema.h"

#include "core/unitTypes.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// The indexes serve the loan engine's per-contract lookups by (contract_n, payment_type) and the
// cash-desk period sums; a bare date_d index made the opening balance slower, so there is none.
// Keys and whole numbers are INTEGER, so "%f" literals such as 5.000000 still match; text is
// JETTEXT so comparisons and ORDER BY fold case in Cyrillic too; booleans hold only 0 and 1.
const char* const Schema = R"SQL(
CREATE TABLE Contracts (docno INTEGER NOT NULL PRIMARY KEY, date_c DATETIME, code_i INTEGER, Sum_c DOUBLE,
  M_IR DOUBLE, Duration INTEGER, Notes VARCHAR(80) COLLATE JETTEXT,
  Finished BIT NOT NULL DEFAULT 0 CHECK (Finished IN (0,1)), At_Date DATETIME,
  for_sale BIT NOT NULL DEFAULT 0 CHECK (for_sale IN (0,1)), for_sale_date DATETIME, EGN INTEGER,
  Sold BIT NOT NULL DEFAULT 0 CHECK (Sold IN (0,1)), sold_at_date DATETIME, gramaj DOUBLE,
  short_term BIT NOT NULL DEFAULT 0 CHECK (short_term IN (0,1)), Dylzhimi_lihvi DOUBLE,
  Ednokratni_taxi DOUBLE, Dnevni_taxi DOUBLE, code_mps INTEGER);
CREATE TABLE Incomes (docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, contract_n INTEGER,
  payment_type INTEGER, sum_o DOUBLE, customer_name VARCHAR(60) COLLATE JETTEXT,
  supplier_name VARCHAR(60) COLLATE JETTEXT, user_name TEXT COLLATE JETTEXT);
CREATE TABLE Outcomes (docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, contract_n INTEGER,
  payment_type INTEGER, sum_o DOUBLE, customer_name VARCHAR(60) COLLATE JETTEXT,
  supplier_name VARCHAR(60) COLLATE JETTEXT, user_name TEXT COLLATE JETTEXT);
CREATE TABLE Items_purchases (docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, code_i INTEGER,
  sum_s DOUBLE, customer_name VARCHAR(60) COLLATE JETTEXT, supplier_name VARCHAR(60) COLLATE JETTEXT,
  user_name TEXT COLLATE JETTEXT, EGN INTEGER, gramaj DOUBLE,
  sold BIT NOT NULL DEFAULT 0 CHECK (sold IN (0,1)), sold_at_date DATETIME);
CREATE TABLE Items_sales (docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, contract_n INTEGER,
  payment_type INTEGER, sum_s DOUBLE, customer_name VARCHAR(60) COLLATE JETTEXT,
  supplier_name VARCHAR(60) COLLATE JETTEXT, user_name TEXT COLLATE JETTEXT, EGN INTEGER,
  short_term BIT NOT NULL DEFAULT 0 CHECK (short_term IN (0,1)));
CREATE TABLE Owners (EGN INTEGER NOT NULL PRIMARY KEY, Three_names TEXT COLLATE JETTEXT,
  town TEXT COLLATE JETTEXT, address TEXT COLLATE JETTEXT, telephone TEXT COLLATE JETTEXT,
  GSM TEXT COLLATE JETTEXT, is_male BIT NOT NULL DEFAULT 0 CHECK (is_male IN (0,1)),
  is_married BIT NOT NULL DEFAULT 0 CHECK (is_married IN (0,1)), pref_code INTEGER,
  lk_nomer TEXT COLLATE JETTEXT, lk_izdadena_na TEXT COLLATE JETTEXT, lk_ot_MVR TEXT COLLATE JETTEXT,
  current_address TEXT COLLATE JETTEXT);
CREATE TABLE Items (code_i INTEGER NOT NULL PRIMARY KEY, SN VARCHAR(60) COLLATE JETTEXT, code_i_t INTEGER);
CREATE TABLE Item_types (code_i_t INTEGER NOT NULL PRIMARY KEY, name_i_t VARCHAR(60) COLLATE JETTEXT);
CREATE TABLE Interest_rates (code_MIR INTEGER NOT NULL PRIMARY KEY, from_value DOUBLE, to_value DOUBLE,
  MIR DOUBLE, pref_code INTEGER);
CREATE TABLE Taxes (code_t INTEGER NOT NULL PRIMARY KEY, name_t TEXT COLLATE JETTEXT,
  is_once BIT NOT NULL DEFAULT 0 CHECK (is_once IN (0,1)));
CREATE TABLE Taxes_rates (code_MIR INTEGER NOT NULL, code_t INTEGER NOT NULL, from_value DOUBLE,
  to_value DOUBLE, MIR DOUBLE, pref_code INTEGER, PRIMARY KEY (code_MIR, code_t));
CREATE TABLE MPS (code_MPS INTEGER NOT NULL PRIMARY KEY, marka TEXT COLLATE JETTEXT, model TEXT COLLATE JETTEXT,
  godina TEXT COLLATE JETTEXT, serien_nomer TEXT COLLATE JETTEXT, reg_nomer TEXT COLLATE JETTEXT,
  shasi_nomer TEXT COLLATE JETTEXT, motor_nomer TEXT COLLATE JETTEXT, polezen_tovar TEXT COLLATE JETTEXT,
  rezervni_gumi TEXT COLLATE JETTEXT, kilometrazh TEXT COLLATE JETTEXT, drugi_belezi TEXT COLLATE JETTEXT);
CREATE TABLE Users_passwords (user_name TEXT COLLATE JETTEXT NOT NULL PRIMARY KEY,
  user_password TEXT COLLATE JETTEXT, three_names TEXT COLLATE JETTEXT);
CREATE TABLE VA (code_VA INTEGER NOT NULL PRIMARY KEY, value_VA VARCHAR(50) COLLATE JETTEXT);

CREATE INDEX ix_Incomes_contract     ON Incomes (contract_n, payment_type);
CREATE INDEX ix_Outcomes_contract    ON Outcomes (contract_n, payment_type);
CREATE INDEX ix_Items_sales_contract ON Items_sales (contract_n, payment_type);
CREATE INDEX ix_Contracts_EGN        ON Contracts (EGN);
CREATE INDEX ix_Incomes_period       ON Incomes (date_d, payment_type, sum_o);
CREATE INDEX ix_Outcomes_period      ON Outcomes (date_d, payment_type, sum_o);
)SQL";

// The settings codes of VA: 1 to 9 from the settings window, 12 the manager's password.
constexpr int SettingsCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12};

} // namespace

QString SchemaScript() {
    return QString::fromUtf8(Schema);
}

QStringList InitialSettingsRows() {
    QStringList Rows;
    for (int Code : SettingsCodes)
        Rows << Format(uR"sql(Insert into VA values ( %d, "" ))sql"_s, {Code});
    return Rows;
}

void GetSchemaUpgradeStatements(QStringList& Lines) {
    Lines.clear();
    Lines << QStringLiteral("ALTER table Items_sales ADD column short_term BIT");
}

bool AddedColumn(const QString& Sql, QString& Table, QString& Column) {
    static const QRegularExpression AddColumn(uR"re(^\s*ALTER\s+TABLE\s+(\w+)\s+ADD\s+COLUMN\s+(\w+))re"_s,
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch Match = AddColumn.match(Sql);
    if (!Match.hasMatch()) return false;
    Table = Match.captured(1);
    Column = Match.captured(2);
    return true;
}
