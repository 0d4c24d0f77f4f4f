#include "core/unDatabase.h"

#include "core/uDelimitedStrings.h"
#include "core/unSchema.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdexcept>

using namespace Qt::StringLiterals;

// Readable failure output.
static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

TEST(JetToSqlite, RewritesJetConstructsAndLeavesValuesAlone) {
    struct Case {
        QString Jet;
        QString Sqlite;
    };
    const Case Cases[] = {
        // Double-quoted text values become single-quoted literals.
        {u"Select * from Users_passwords Where user_name = \"ivan\""_s,
         u"Select * from Users_passwords Where user_name = 'ivan'"_s},
        {u"Update Items Set SN = \"a\"\"b\" Where code_i = 1"_s,
         u"Update Items Set SN = 'a\"b' Where code_i = 1"_s},
        {u"Update Items Set SN = \"it's\""_s, u"Update Items Set SN = 'it''s'"_s},
        {u"Insert into VA values ( 1, \"\" )"_s, u"Insert into VA values ( 1, '' )"_s},
        // Delete *.
        {u"Delete * from Items Where code_i = 5"_s, u"Delete  from Items Where code_i = 5"_s},
        {u"Delete From Items Where code_i = 5"_s, u"Delete From Items Where code_i = 5"_s},
        // The ! qualifier and table.column in one bracket.
        {u"SELECT [Contracts]![date_c]+[Contracts]![Duration] AS Padej FROM Contracts"_s,
         u"SELECT [Contracts].[date_c]+[Contracts].[Duration] AS Padej FROM Contracts"_s},
        {u"SELECT [Contracts.date_c]+[Contracts.Duration]-1 AS Padej FROM Owners INNER JOIN Contracts ON "
         u"Owners.EGN = Contracts.EGN"_s,
         u"SELECT [Contracts].[date_c]+[Contracts].[Duration]-1 AS Padej FROM Owners INNER JOIN Contracts ON "
         u"Owners.EGN = Contracts.EGN"_s},
        {u"SELECT [c.x] FROM Contracts AS c"_s, u"SELECT [c].[x] FROM Contracts AS c"_s},
        {u"SELECT [Other.x] FROM Contracts"_s, u"SELECT [Other.x] FROM Contracts"_s},
        {u"Select a From T Where a != 1"_s, u"Select a From T Where a != 1"_s},
        // & chains, with the operands' own rewrites inside.
        {u"SELECT Items.code_i, [Name_i_t] & \" - \" & [SN] AS Vesht FROM Items"_s,
         u"SELECT Items.code_i, jet_concat([Name_i_t], ' - ', [SN]) AS Vesht FROM Items"_s},
        {u"SELECT [Owners]![Town] & \" \" & [Owners]![Address] AS Full_Address FROM Owners"_s,
         u"SELECT jet_concat([Owners].[Town], ' ', [Owners].[Address]) AS Full_Address FROM Owners"_s},
        {u"Select (a & b) + 1, c&\"x\" From T Where a & b = \"ab\" And (c & d) <> e"_s,
         u"Select (jet_concat(a, b)) + 1, jet_concat(c, 'x') From T Where jet_concat(a, b) = 'ab' And "
         u"(jet_concat(c, d)) <> e"_s},
        {u"Select a + 1 & b From T"_s, u"Select jet_concat(a + 1, b) From T"_s},
        // A BIT column added to existing rows.
        {u"ALTER table Items_sales ADD column short_term BIT"_s,
         u"ALTER table Items_sales ADD column short_term BIT NOT NULL DEFAULT 0 CHECK (short_term IN (0,1))"_s},
        // Kept as they are.
        {u"Update Contracts   Set Finished = True,     At_Date  = 5  Where ( docno = 7 )"_s,
         u"Update Contracts   Set Finished = True,     At_Date  = 5  Where ( docno = 7 )"_s},
        {u"SELECT a FROM T WHERE ( T.b = False )ORDER BY T.a"_s,
         u"SELECT a FROM T WHERE ( T.b = False )ORDER BY T.a"_s},
        // Values may hold every character the edits let through; constructs inside them stay.
        {u"Update Contracts Set Notes = \"a [MIR] * & b!\" Where docno = 1"_s,
         u"Update Contracts Set Notes = 'a [MIR] * & b!' Where docno = 1"_s},
        {u"Update Items Set SN = \"x; y = 'z' : <w> [T.c] [a]![b]\""_s,
         u"Update Items Set SN = 'x; y = ''z'' : <w> [T.c] [a]![b]'"_s},
        {u"Select \"Delete * from T\" & [SN] From Items"_s,
         u"Select jet_concat('Delete * from T', [SN]) From Items"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(JetToSqlite(C.Jet), C.Sqlite) << C.Jet.toStdString();
}

TEST(SqlText, DoublesDoubleQuotesOnly) {
    EXPECT_EQ(SqlText(u"a\"b"_s), u"a\"\"b"_s);
    EXPECT_EQ(SqlText(u"it's [x] & y"_s), u"it's [x] & y"_s);
    EXPECT_EQ(JetToSqlite(Format("Select three_names from users_passwords Where ( user_name = \"%s\" )",
                                 {SqlText(u"a\"b"_s)})),
              u"Select three_names from users_passwords Where ( user_name = 'a\"b' )"_s);
}

TEST(ParentFolder, IsTheFolderAboveTheProgramFolder) {
    EXPECT_EQ(ParentFolder(u"/opt/shop/bin/"_s), u"/opt/shop/"_s);
    EXPECT_EQ(ParentFolder(u"/shop/"_s), u"/"_s);
    EXPECT_EQ(ParentFolder(u"/"_s), u"/"_s);
}

TEST(ProgramFolder, IsTheFolderAboveTheExecutablesBinFolder) {
    CreateAdoConnection(nullptr);
    // Executables are built into <root>/bin, so the program folder is <root>/.
    EXPECT_TRUE(QFileInfo(ProgramDir + u"bin"_s).isDir()) << ProgramDir.toStdString();
    EXPECT_EQ(AdoConnection->FileName(), ProgramDir + u"db/Lendora.mdb"_s);
    EXPECT_FALSE(AdoConnection->Connected());
    FreeAdoConnection();
    EXPECT_EQ(AdoConnection, nullptr);
}

// ---------------------------------------------------------------------------------------------

QString Query(const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Sql, &List);
    return List.GetTextStr();
}

int Rows(const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Sql, &List);
    return List.Count();
}

bool Exec(const QString& Sql) {
    return ExecSQL(nullptr, AdoConnection, Sql);
}

class DatabaseTest : public ::testing::Test {
protected:
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;

    void Seed() {
        const QStringList Statements = {
            u"Insert into Item_types values ( 1, \"Злато\" )"_s,
            u"Insert into Items values ( 3, \"Пръстен\", 1 )"_s,
            u"Insert into Owners values ( 8001011234, \"Иван Петров\", \"София\", \"ул. Шипка 1\", \"\", "
            u"\"\", "
            u"True, False, 1, \"\", \"\", \"\", \"\" )"_s,
            u"Insert into Owners values ( 1, \"Без адрес\", Null, Null, Null, Null, False, True, 2, Null, "
            u"Null, "
            u"Null, Null )"_s,
            u"Insert into Contracts values ( 7, 45372, 3, 1000.000000, 3.330000, 10, \"бележка\", 0, 0, "
            u"False, 0, "
            u"8001011234, False, 0, 2.500, 0, 33.300000, 5.000000, 0.000000, 0 )"_s,
            u"Insert into Incomes values ( 17, 45391, 7, 2, 33.30, \"Иван Петров\", \"Мария\", \"ivan\" )"_s,
            u"Insert into Incomes values ( 18, 45392, 99, 3, 10.00, \"Друг\", \"Мария\", \"ivan\" )"_s,
            u"Insert into Interest_rates values ( 1, 0.000000, 5000.000000, 0.0333, 1 )"_s,
            u"Insert into Taxes values ( 6, \"Оценка\", 1 )"_s,
        };
        for (const QString& S : Statements)
            ASSERT_TRUE(Exec(S)) << S.toStdString();
    }
};

TEST_F(DatabaseTest, ValuesComeBackInTheirTextForms) {
    Seed();
    struct Case {
        QString Sql;
        QString Text;
    };
    const Case Cases[] = {
        // Direct columns: dates, whole numbers, doubles, booleans, text.
        {u"Select docno, date_c, EGN, Sum_c, M_IR, Finished, for_sale, gramaj, Notes, code_mps From Contracts"_s,
         u"7@21.03.2024@8001011234@1000@3.33@False@False@2.5@бележка@0"_s},
        {u"SELECT Owners.Is_Male, Owners.Is_Married, Owners.town FROM Owners Where EGN = 1"_s,
         u"False@True@"_s},
        {u"Select pref_code from Owners where egn = 8001011234.000000"_s, u"1"_s},
        // Computed columns typed from their expression.
        {u"SELECT Contracts.date_c + Contracts.Duration - 1 FROM Contracts"_s, u"30.03.2024"_s},
        {u"SELECT [Incomes]![date_d]+[Contracts]![Duration] AS Next_Padej FROM Contracts INNER JOIN Incomes "
         u"ON "
         u"Contracts.docno = Incomes.contract_n"_s,
         u"19.04.2024"_s},
        {u"SELECT [Contracts.date_c]+[Contracts.Duration]-1 AS Padej FROM Contracts"_s, u"30.03.2024"_s},
        // A day of no four-digit year stays a number.
        {u"SELECT date_c + 2913093, date_c + 2913094, date_c - 738965, date_c - 738966 FROM Contracts"_s,
         u"31.12.9999@2958466@01.01.0001@-693594"_s},
        {u"SELECT Incomes.docno, Contracts.EGN, [date_c]+[Duration] AS Padej, Incomes.date_d - "
         u"Contracts.date_c "
         u"FROM Contracts RIGHT JOIN Incomes ON Contracts.docno = Incomes.contract_n ORDER BY Incomes.docno"_s,
         u"17@8001011234@31.03.2024@19°18@@@"_s},
        {u"SELECT Interest_rates.code_MIR, [MIR]*100 AS Lihva FROM Interest_rates"_s, u"1@3.33"_s},
        {u"Select code_t, name_t, is_once, code_t + 5 AS code_4_PKO From Taxes Order By code_t"_s,
         u"6@Оценка@True@11"_s},
        {u"SELECT max( docno ) FROM Incomes WHERE contract_n = 7"_s, u"17"_s},
        {u"SELECT Sum( sum_o ) AS SumOfsum_o FROM Incomes"_s, u"43.3"_s},
        {u"Select Count(*), max(date_d) From Incomes"_s, u"2@10.04.2024"_s},
        // Plain numbers: 15 significant digits, never an exponent, never "-0" or ".0".
        {u"Select 0.1 + 0.2, 100.0, 0.00001, 0.0333 * 100, -0.0, 1e15, 7 / 2, 2.5 * 2, -1.5"_s,
         u"0.3@100@0.00001@3.33@0@1000000000000000@3@5@-1.5"_s},
        // & joins: NULL counts as "", all NULL gives NULL.
        {u"SELECT [Town] & \" \" & [Address] AS Full_Address FROM Owners ORDER BY EGN DESC"_s,
         u"София ул. Шипка 1°"_s},
        {u"SELECT \"<\" & [Owners]![Town] & \">\" FROM Owners Where EGN = 1"_s, u"<>"_s},
        {u"SELECT Items.code_i, [Name_i_t] & \" - \" & [SN] AS Vesht FROM Item_types INNER JOIN Items ON "
         u"Item_types.code_i_t = Items.code_i_t ORDER BY Items.code_i"_s,
         u"3@Злато - Пръстен"_s},
    };
    for (const Case& C : Cases)
        EXPECT_EQ(Query(C.Sql), C.Text) << C.Sql.toStdString();
}

// The row reader hands numbers as they are stored and each value's text as RunQuery gives it.
TEST_F(DatabaseTest, RowReaderGivesNumbersAsStoredAndTextsAsRunQueryDoes) {
    Seed();
    ASSERT_TRUE(
        Exec(u"Insert into Incomes values ( 19, \"  \"\"1.5\"\"  \", 7, 2, Null, \"a@b\", \"\", \"\" )"_s));
    const QString Sql = u"SELECT Incomes.docno, Incomes.date_d, Incomes.sum_o, Contracts.Finished, "
                        u"Contracts.Notes, Owners.town, "
                        u"Incomes.customer_name "
                        u"FROM (Incomes INNER JOIN Contracts ON Contracts.docno = Incomes.contract_n) "
                        u"INNER JOIN Owners ON Owners.EGN = Contracts.EGN ORDER BY Incomes.docno"_s;
    QStringList Texts;
    QList<QList<qint64>> Numbers;
    ReadRows(nullptr, AdoConnection, Sql, [&](const TQueryRow& Row) {
        QStringList Fields;
        for (int C = 0; C < Row.Count(); ++C)
            Fields << Row.Text(C);
        Texts << Fields.join(u'@');
        qint64 Whole = -1, Day = -1;
        double Real = -1;
        Numbers.append({Row.Integer(0, Whole) ? Whole : -1, Row.Day(1, Day) ? Day : -1,
                        Row.Real(2, Real) ? std::llround(Real * 100) : -1, Row.Real(4, Real) ? 1 : 0});
    });
    ASSERT_EQ(Texts.size(), 2);
    EXPECT_EQ(Texts.join(u'\u00B0'), Query(Sql));
    EXPECT_EQ(Texts[0], u"17@09.04.2024@33.3@False@бележка@София@Иван Петров"_s);
    // A value holding "@" stays one value, though it reads as two fields in RunQuery's list.
    EXPECT_EQ(Texts[1], u"19@1.5@@False@бележка@София@a@b"_s);
    EXPECT_EQ(Numbers[0], (QList<qint64>{17, 45391, 3330, 0}));
    // A date stored as text has no day and a NULL amount no number.
    EXPECT_EQ(Numbers[1], (QList<qint64>{19, -1, -1, 0}));

    // Days by number only from 01.01.1900 to 31.12.9999; the text still says what lies beyond.
    for (const auto& [Offset, Day] : {std::pair{-45370, qint64(2)}, std::pair{-45371, qint64(-1)},
                                      std::pair{2913093, qint64(2958465)}, std::pair{2913094, qint64(-1)}}) {
        qint64 Got = -1;
        QString Text;
        ReadRows(nullptr, AdoConnection, Format(u"SELECT date_c + %d FROM Contracts"_s, {Offset}),
                 [&](const TQueryRow& Row) {
                     if (!Row.Day(0, Got)) Got = -1;
                     Text = Row.Text(0);
                 });
        EXPECT_EQ(Got, Day) << Offset;
        EXPECT_EQ(Text, Query(Format(u"SELECT date_c + %d FROM Contracts"_s, {Offset}))) << Offset;
    }
}

// A Yes/No column holds -1 for Yes where another program wrote it; any value but 0 is Yes, stored as
// a whole number or a real, in RunQuery's text and in the row reader's.
TEST_F(DatabaseTest, AYesNoColumnReadsEveryValueButZeroAsTrue) {
    ASSERT_TRUE(Exec(u"Create table Flags ( n INTEGER, f YESNO )"_s));
    int N = 0;
    // The column's numeric affinity keeps -1.0 a whole number; -0.5 and 0.5 stay reals.
    for (const char* Value : {"-1", "-1.0", "1", "-0.5", "0.5", "0", "0.0"})
        ASSERT_TRUE(Exec(Format("Insert into Flags values ( %d, %s )", {++N, QString::fromLatin1(Value)})));
    const QString Sql = u"Select f From Flags Order by n"_s;
    const QString Expected = u"True°True°True°True°True°False°False"_s;
    EXPECT_EQ(Query(Sql), Expected);
    QStringList Texts;
    ReadRows(nullptr, AdoConnection, Sql, [&](const TQueryRow& Row) { Texts << Row.Text(0); });
    EXPECT_EQ(Texts.join(RecordDelimiterChar), Expected);
}

TEST_F(DatabaseTest, NullsKeepOneFieldPerColumn) {
    Seed();
    // An empty sum is still one row, with one empty field.
    TDelimitedStringList List;
    EXPECT_TRUE(RunQuery(nullptr, AdoConnection,
                         u"SELECT Sum( sum_o ) AS SumOfsum_o FROM Incomes WHERE contract_n = 5"_s, &List));
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.GetField(0, 0), QString());
    EXPECT_EQ(Query(u"Select town, EGN, address From Owners Where EGN = 1"_s), u"@1@"_s);
    // No rows at all leaves the list empty.
    EXPECT_TRUE(RunQuery(nullptr, AdoConnection, u"Select * From Contracts Where docno = 99"_s, &List));
    EXPECT_EQ(List.Count(), 0);
}

TEST_F(DatabaseTest, TextValuesLoseQuotesAndOuterBlanksButAreStoredExactly) {
    struct Case {
        QString Value;
        QString Read;
    };
    const Case Cases[] = {
        {u"  say \"hi\" \t"_s, u"say hi"_s},
        {u"Иван \"Пешо\" Петров"_s, u"Иван Пешо Петров"_s},
        {u"it's [x] * & y!"_s, u"it's [x] * & y!"_s},
        {u"a @ b"_s, u"a@b"_s}, // "@" splits the value into two trimmed fields
    };
    int Code = 1;
    for (const Case& C : Cases) {
        ASSERT_TRUE(Exec(Format("Insert into Items values ( %d, \"%s\", 1 )", {Code, SqlText(C.Value)})));
        EXPECT_EQ(Query(Format("Select SN From Items Where code_i = %d", {Code})), C.Read);
        EXPECT_EQ(Query(Format("Select Count(*) From Items Where SN = \"%s\"", {SqlText(C.Value)})), u"1"_s);
        ++Code;
    }
    // A value holding "°" splits its row into two records.
    ASSERT_TRUE(Exec(u"Insert into Items values ( 10, \"a°b\", 1 )"_s));
    EXPECT_EQ(Rows(u"Select code_i, SN From Items Where code_i = 10"_s), 2);
}

TEST_F(DatabaseTest, DoubleQuotedValueNamingAColumnStaysAValue) {
    ASSERT_TRUE(Exec(u"Insert into Users_passwords values ( \"ivan\", \"1\", \"Иван\" )"_s));
    EXPECT_EQ(Rows(u"Select user_name From Users_passwords Where user_name = \"user_name\""_s), 0);
    ASSERT_TRUE(
        Exec(u"Insert into MPS values ( 1, \"model\", \"X\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", "
             u"\"\" )"_s));
    ASSERT_TRUE(Exec(u"Update MPS Set marka = \"model\" Where code_MPS = 1"_s));
    EXPECT_EQ(Query(u"Select marka, model From MPS"_s), u"model@X"_s);
}

TEST_F(DatabaseTest, JetStatementFormsRun) {
    Seed();
    EXPECT_TRUE(Exec(u"Update Contracts   Set Finished = True,     At_Date  = 45400  Where ( docno = 7 )"_s));
    EXPECT_EQ(Query(u"Select Finished, At_Date From Contracts"_s), u"True@18.04.2024"_s);
    EXPECT_EQ(Rows(u"SELECT Contracts.docno FROM Contracts WHERE ( Contracts.Finished = True )ORDER BY "
                   u"Contracts.docno"_s),
              1);
    EXPECT_EQ(
        Query(
            u"SELECT Sum(Outcomes.sum_o) AS SumOfsum_o FROM Incomes AS Outcomes GROUP BY "
            u"Outcomes.contract_n, "
            u"Outcomes.payment_type HAVING ( ( Outcomes.contract_n = 7 ) AND ( Outcomes.payment_type = 2 ) )"_s),
        u"33.3"_s);
    EXPECT_TRUE(Exec(u"Delete * from Incomes Where docno = 18"_s));
    EXPECT_TRUE(Exec(u"Delete * from Items Where code_i = 3;"_s));
    EXPECT_EQ(Query(u"Select Count(*) From Incomes"_s), u"1"_s);
    EXPECT_EQ(Query(u"Select count(*) From ITEMS"_s), u"0"_s);
}

TEST_F(DatabaseTest, TextComparesAndSortsWithoutRegardToCaseInCyrillicToo) {
    ASSERT_TRUE(Exec(u"Insert into Users_passwords values ( \"ivan\", \"1\", \"Иван\" )"_s));
    EXPECT_EQ(Query(u"Select three_names from users_passwords Where ( user_name = \"IVAN\" )"_s), u"Иван"_s);
    EXPECT_EQ(Rows(u"Select three_names from users_passwords Where ( three_names = \"иВАН\" )"_s), 1);
    // The key refuses a name that differs only in case.
    EXPECT_FALSE(Exec(u"Insert into Users_passwords values ( \"IVAN\", \"2\", \"\" )"_s));
    ASSERT_EQ(Presenter.Messages().size(), 1);

    // Names sharing their start, differing inside a two-byte letter, in the case of a Latin letter
    // after a Cyrillic start, or only in length; inserted against their order.
    const QStringList Names = {u"Ябълка"_s,  u"злато бяло"_s, u"Злато Б"_s, u"Злато а"_s,
                               u"Злато B"_s, u"Злато a"_s,    u"Злато 9"_s, u"Злато 10"_s,
                               u"Banana"_s,  u"Иван"_s,       u"apple"_s,   u"Злато"_s};
    for (int I = 0; I < Names.size(); ++I)
        ASSERT_TRUE(Exec(Format("Insert into Item_types values ( %d, \"%s\" )", {I + 1, SqlText(Names[I])})));
    EXPECT_EQ(
        Query(u"SELECT name_i_t FROM Item_types ORDER BY name_i_t"_s),
        u"apple°Banana°Злато°Злато 10°Злато 9°Злато a°Злато B°Злато а°Злато Б°злато бяло°Иван°Ябълка"_s);
    EXPECT_EQ(Rows(u"SELECT name_i_t FROM Item_types WHERE name_i_t = \"ЗЛАТО б\""_s), 1);
}

TEST_F(DatabaseTest, ExecSqlShowsOneErrorBoxWithTheDatabaseMessageAndTheStatement) {
    const QString Sql = u"Insert into Incomes values ( 1, 45391, 7, 2, 1.00, \"\", \"\", \"\" )"_s;
    ASSERT_TRUE(Exec(Sql));
    EXPECT_FALSE(Exec(Sql));
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Presenter.Messages()[0].DlgType, mtError);
    EXPECT_EQ(Presenter.Messages()[0].Text,
              u"Грешка при работа с базата данни !\n\rUNIQUE constraint failed: Incomes.docno\n\r"_s + Sql);

    // An unparsable statement fails the same way.
    Presenter.Clear();
    EXPECT_FALSE(Exec(u"Update Items Set SN = \"abc"_s));
    EXPECT_EQ(Presenter.Messages().size(), 1);
}

TEST_F(DatabaseTest, OnlyOneStatementRunsPerCall) {
    Seed();
    EXPECT_FALSE(Exec(u"Delete from Items Where code_i = 3; Delete from Item_types"_s));
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"Unable to execute multiple statements at a time"_s));
    EXPECT_EQ(Query(u"Select Count(*) From Items"_s), u"1"_s);
    EXPECT_EQ(Query(u"Select Count(*) From Item_types"_s), u"1"_s);
}

TEST_F(DatabaseTest, RunQueryFailureClearsTheListAndCarriesTheStatement) {
    TDelimitedStringList List;
    List.Add(u"old"_s);
    const QString Sql = u"Select SN From Nowhere"_s;
    try {
        RunQuery(nullptr, AdoConnection, Sql, &List);
        FAIL() << "no error";
    } catch (const EDatabaseError& E) {
        EXPECT_EQ(E.Message(), u"no such table: Nowhere"_s);
        EXPECT_EQ(E.Sql(), Sql);
    }
    EXPECT_EQ(List.Count(), 0);
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST_F(DatabaseTest, EmptyQueryTouchesNoDatabase) {
    TDelimitedStringList List;
    List.Add(u"old"_s);
    EXPECT_TRUE(RunQuery(nullptr, AdoConnection, QString(), &List));
    EXPECT_EQ(List.Count(), 0);
    EXPECT_FALSE(AdoConnection->Connected());
}

TEST_F(DatabaseTest, FailedBatchWritesNothingAndKeepsItsStatements) {
    QStringList Pending = {
        u"Insert into Incomes values ( 1, 45391, 7, 2, 1.00, \"\", \"\", \"ivan\" )"_s,
        u"Insert into Outcomes values ( 1, 45391, 7, 1, 100.000000, \"\", \"\", \"ivan\" )"_s,
        u"Insert into Incomes values ( 1, 45391, 7, 2, 2.00, \"\", \"\", \"ivan\" )"_s,
    };
    const QStringList Queued = Pending;
    EXPECT_FALSE(RunPendingSql(nullptr, Pending));
    EXPECT_EQ(Pending, Queued);
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.endsWith(Queued[2]));
    EXPECT_EQ(Query(u"Select Count(*) From Incomes"_s), u"0"_s);
    EXPECT_EQ(Query(u"Select Count(*) From Outcomes"_s), u"0"_s);

    Pending.removeLast();
    EXPECT_TRUE(RunPendingSql(nullptr, Pending));
    EXPECT_TRUE(Pending.isEmpty());
    EXPECT_EQ(Query(u"Select Count(*) From Incomes"_s), u"1"_s);
    EXPECT_EQ(Query(u"Select Count(*) From Outcomes"_s), u"1"_s);
}

// Whatever else stops a Save's check or its batch, what the check wrote is rolled back and the
// operator is told in Bulgarian, never the failure's own text.
TEST_F(DatabaseTest, AnyOtherFailureOfABatchWritesNothingAndIsToldInBulgarian) {
    const std::function<void()> Failures[] = {
        [] { throw EStringListError(u"List index out of bounds"_s); },
        [] { throw std::runtime_error("vector::_M_range_check"); },
        [] { throw 7; },
    };
    for (const auto& Fail : Failures) {
        Presenter.Clear();
        QStringList Pending = {
            u"Insert into Incomes values ( 1, 45391, 7, 2, 1.00, \"\", \"\", \"ivan\" )"_s};
        const QStringList Queued = Pending;
        EXPECT_FALSE(RunPendingSql(nullptr, Pending, [&] {
            Exec(u"Insert into Outcomes values ( 1, 45391, 7, 1, 100.000000, \"\", \"\", \"ivan\" )"_s);
            Fail();
            return QString();
        }));
        EXPECT_EQ(Pending, Queued);
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{u"Записът е прекъснат от неочаквана грешка. Нищо не е записано."_s});
        EXPECT_EQ(Query(u"Select Count(*) From Outcomes"_s), u"0"_s);
        EXPECT_EQ(Query(u"Select Count(*) From Incomes"_s), u"0"_s);
    }
    // The connection is free for the next Save.
    QStringList Pending = {u"Insert into Incomes values ( 1, 45391, 7, 2, 1.00, \"\", \"\", \"ivan\" )"_s};
    EXPECT_TRUE(RunPendingSql(nullptr, Pending));
}

TEST_F(DatabaseTest, TransactionsRollBackUnlessCommittedAndDoNotNest) {
    {
        TTransaction Transaction;
        ASSERT_TRUE(Exec(u"Insert into Taxes values ( 1, \"a\", 1 )"_s));
        EXPECT_THROW(TTransaction Second, EDatabaseError);
        // A read inside sees the transaction's own rows.
        EXPECT_EQ(Query(u"Select Count(*) From Taxes"_s), u"1"_s);
    }
    EXPECT_EQ(Query(u"Select Count(*) From Taxes"_s), u"0"_s);
    {
        TTransaction Transaction;
        ASSERT_TRUE(Exec(u"Insert into Taxes values ( 1, \"a\", 1 )"_s));
        Transaction.Commit();
    }
    EXPECT_EQ(Query(u"Select Count(*) From Taxes"_s), u"1"_s);
    // A batch inside an open transaction is refused, naming what the other one does.
    QStringList Pending = {u"Delete from Taxes"_s};
    for (const auto Kind : {TTransactionKind::Write, TTransactionKind::Read}) {
        Presenter.Clear();
        TTransaction Transaction(AdoConnection, Kind);
        EXPECT_EQ(OpenTransaction(), &Transaction);
        EXPECT_FALSE(RunPendingSql(nullptr, Pending));
        EXPECT_EQ(Pending.size(), 1);
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{Kind == TTransactionKind::Read
                                  ? u"Друг прозорец на програмата чете данни в момента. Опитайте отново."_s
                                  : u"Друг прозорец на програмата записва в момента. Опитайте отново."_s});
    }
    EXPECT_EQ(OpenTransaction(), nullptr);
}

// A report reads one state of the shop: another program cannot commit under it, and what a window
// of this program wrote meanwhile is kept when the report ends.
TEST_F(DatabaseTest, ReadTransactionSeesOneStateAndKeepsWhatTheConnectionWrote) {
    sqlite3* Other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(AdoConnection->FileName()).constData(), &Other,
                              SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    {
        TTransaction Read(AdoConnection, TTransactionKind::Read);
        EXPECT_THROW(TTransaction Second, EDatabaseError);
        EXPECT_EQ(Query(u"Select Count(*) From Taxes"_s), u"0"_s);
        EXPECT_EQ(sqlite3_exec(Other, "Insert into Taxes values ( 2, 'b', 1 )", nullptr, nullptr, nullptr),
                  SQLITE_BUSY);
        EXPECT_EQ(Query(u"Select Count(*) From Taxes"_s), u"0"_s);
        ASSERT_TRUE(Exec(u"Insert into Taxes values ( 1, \"a\", 1 )"_s));
    }
    EXPECT_EQ(sqlite3_exec(Other, "Insert into Taxes values ( 2, 'b', 1 )", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(Other);
    EXPECT_EQ(Query(u"Select code_t From Taxes Order By code_t"_s), u"1°2"_s);
}

TEST_F(DatabaseTest, CountedStatementTellsWhetherItsConditionStillHeld) {
    Seed();
    const QString Finish =
        u"Update Contracts Set Finished = True Where ( docno = 7 ) AND ( Finished = False )"_s;
    EXPECT_EQ(ExecCounted(AdoConnection, Finish), 1);
    EXPECT_EQ(ExecCounted(AdoConnection, Finish), 0); // a second window finds it finished
    EXPECT_EQ(ExecCounted(AdoConnection, u"Delete from Incomes"_s), 2);
    EXPECT_THROW(ExecCounted(AdoConnection, u"Update NoSuchTable Set a = 1"_s), EDatabaseError);
}

TEST_F(DatabaseTest, SchemaRepairAddsShortTermOnceThenReportsTheDuplicate) {
    ASSERT_TRUE(Exec(u"Drop Table Items_sales"_s));
    ASSERT_TRUE(
        Exec(u"CREATE TABLE Items_sales (docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, contract_n "
             u"INTEGER, payment_type INTEGER, sum_s DOUBLE, customer_name TEXT, supplier_name TEXT, "
             u"user_name TEXT, EGN INTEGER)"_s));
    ASSERT_TRUE(Exec(u"Insert into Items_sales values ( 1, 45391, 7, 1, 50.000000, \"\", \"\", \"\", 1 )"_s));

    QStringList Lines;
    GetSchemaUpgradeStatements(Lines);
    ASSERT_EQ(Lines.size(), 1);
    EXPECT_TRUE(Exec(Lines[0]));
    EXPECT_EQ(Query(u"Select docno, short_term From Items_sales"_s), u"1@False"_s);
    EXPECT_TRUE(Presenter.Messages().isEmpty());

    EXPECT_FALSE(Exec(Lines[0]));
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"duplicate column name: short_term"_s));
}

// An older database that lacks what the repair adds is still the program's; one missing any other
// column or table is not.
TEST_F(DatabaseTest, TheProgramsDatabaseIsKnownByItsTablesAndColumns) {
    EXPECT_TRUE(IsProgramDatabase(Dir.DatabaseFile()));
    ASSERT_TRUE(Exec(u"ALTER TABLE Items_sales DROP COLUMN short_term"_s));
    EXPECT_TRUE(IsProgramDatabase(Dir.DatabaseFile()));
    ASSERT_TRUE(Exec(u"ALTER TABLE Owners DROP COLUMN current_address"_s));
    EXPECT_FALSE(IsProgramDatabase(Dir.DatabaseFile()));
    ASSERT_TRUE(Exec(u"ALTER TABLE Owners ADD COLUMN current_address TEXT"_s));
    ASSERT_TRUE(Exec(u"Drop Table VA"_s));
    EXPECT_FALSE(IsProgramDatabase(Dir.DatabaseFile()));
    EXPECT_FALSE(IsProgramDatabase(Dir.Path() + u"missing.mdb"_s));
}

// Statements of one shape share a prepared statement, the numbers they compare with bound anew.
TEST_F(DatabaseTest, ReusedStatementsTakeEachCallsOwnNumbers) {
    Seed();
    ASSERT_TRUE(Exec(u"Update VA Set value_va = \"5\" Where code_va = 1"_s));
    ASSERT_TRUE(Exec(u"Update VA Set value_va = \"5.0\" Where code_va = 2"_s));
    struct Case {
        QString Sql;
        QString Text;
    };
    const Case Cases[] = {
        {u"Select SN From Items Where code_i = 3"_s, u"Пръстен"_s},
        {u"Select SN From Items Where code_i = 4"_s, QString()},
        {u"Select SN From Items Where code_i = 3.000000"_s, u"Пръстен"_s},
        // A text column compares with the number's own text: 5 is "5", 5.000000 is "5.0".
        {u"Select code_va From VA Where value_va = 5"_s, u"1"_s},
        {u"Select code_va From VA Where value_va = 5.000000"_s, u"2"_s},
        {u"Select docno From Contracts Where gramaj = 2.5"_s, u"7"_s},
        {u"Select docno From Contracts Where gramaj = 2.50"_s, u"7"_s},
        {u"Select docno From Contracts Where gramaj > 2.6"_s, QString()},
        // Other numbers are the REALs SQLite reads from their text.
        {u"Select docno From Contracts Where M_IR = 3.33"_s, u"7"_s},
        {u"Select docno From Contracts Where M_IR = 3.330000"_s, u"7"_s},
        {u"Select docno From Contracts Where Sum_c = 1e3"_s, u"7"_s},
        {u"Select docno From Contracts Where EGN < 99999999999999999999"_s, u"7"_s},
        {u"Select date_c, code_i = 3, code_i + 1 From Contracts Where docno = 7"_s, u"21.03.2024@1@4"_s},
        {u"Select date_c, code_i = 2, code_i + 1 From Contracts Where docno = 7"_s, u"21.03.2024@0@4"_s},
        // A number after ORDER BY is still a column position.
        {u"Select code_va, value_va From VA Where code_va <= 2 Order By 2 DESC"_s, u"2@5.0°1@5"_s},
        {u"Select code_va, value_va From VA Where code_va <= 2 Order By 1 DESC"_s, u"2@5.0°1@5"_s},
        {u"Select code_va, value_va From VA Where code_va <= 2 Order By 2"_s, u"1@5°2@5.0"_s},
    };
    for (int Round = 0; Round < 2; ++Round)
        for (const Case& C : Cases)
            EXPECT_EQ(Query(C.Sql), C.Text) << C.Sql.toStdString();
}

TEST_F(DatabaseTest, ReusedStatementsFollowSchemaChangesAndReopening) {
    const QString Sql = u"Select * From VA Where code_va = 1"_s;
    EXPECT_EQ(Query(Sql), u"1@"_s);
    ASSERT_TRUE(Exec(u"ALTER table VA ADD column flag BIT"_s));
    EXPECT_EQ(Query(Sql), u"1@@False"_s);
    AdoConnection->Close();
    EXPECT_EQ(Query(Sql), u"1@@False"_s);
    FreeAdoConnection();
    CreateAdoConnection(nullptr, Dir.Path());
    EXPECT_EQ(Query(Sql), u"1@@False"_s);

    // A second copy of the program changes the schema under the kept statement.
    {
        TAdoConnection Other(Dir.DatabaseFile());
        ASSERT_TRUE(ExecSQL(nullptr, &Other, u"ALTER table VA ADD column other BIT"_s));
    }
    EXPECT_EQ(Query(Sql), u"1@@False@False"_s);

    const QString Made = u"Select a From Made Where a = 1"_s;
    {
        TTransaction Transaction;
        ASSERT_TRUE(Exec(u"CREATE TABLE Made (a DATETIME)"_s));
        ASSERT_TRUE(Exec(u"Insert into Made values ( 1 )"_s));
        EXPECT_EQ(Query(Made), u"31.12.1899"_s);
    }
    EXPECT_THROW(Query(Made), EDatabaseError);
    ASSERT_TRUE(Exec(u"CREATE TABLE Made (a INTEGER)"_s));
    ASSERT_TRUE(Exec(u"Insert into Made values ( 1 )"_s));
    EXPECT_EQ(Query(Made), u"1"_s);
}

TEST_F(DatabaseTest, AStatementThatFailedFailsAgainAndHoldsNothing) {
    // abs() of the smallest integer fails while stepping, here on the second row.
    const QString Sql =
        u"Select abs( code_va - 9223372036854775807 - 2 ) From VA Where code_va <= 2 Order By code_va DESC"_s;
    for (int Round = 0; Round < 2; ++Round) {
        TDelimitedStringList List;
        try {
            RunQuery(nullptr, AdoConnection, Sql, &List);
            FAIL() << "no error";
        } catch (const EDatabaseError& E) {
            EXPECT_EQ(E.Message(), u"integer overflow"_s);
            EXPECT_EQ(E.Sql(), Sql);
        }
        EXPECT_EQ(List.Count(), 0);
    }
    EXPECT_THROW(Query(u"Select nothing From VA Where code_va = 1"_s), EDatabaseError);
    EXPECT_THROW(Query(u"Select nothing From VA Where code_va = 1"_s), EDatabaseError);
    // The failed read left no statement running: a write commits and a later read sees it.
    TTransaction Transaction;
    ASSERT_TRUE(Exec(u"Update VA Set value_va = \"x\" Where code_va = 1"_s));
    Transaction.Commit();
    EXPECT_EQ(Query(u"Select value_va From VA Where code_va = 1"_s), u"x"_s);
    EXPECT_EQ(Query(u"Select abs( code_va - 2 ) From VA Where code_va = 1"_s), u"1"_s);
}

TEST(DatabaseFile, MissingFileFailsTheFirstStatementAndIsNotCreated) {
    TTempProgramDir Dir(false);
    TScriptedPresenter Presenter;
    EXPECT_FALSE(ExecSQL(nullptr, AdoConnection, u"Delete from Items"_s));
    ASSERT_EQ(Presenter.Messages().size(), 1);
    EXPECT_TRUE(Presenter.Messages()[0].Text.contains(u"unable to open database file"_s));
    TDelimitedStringList List;
    EXPECT_THROW(RunQuery(nullptr, AdoConnection, u"Select * From Items"_s, &List), EDatabaseError);
    EXPECT_FALSE(QFileInfo::exists(Dir.DatabaseFile()));

    // The next statement tries again.
    ASSERT_TRUE(CreateDatabaseFile(Dir.DatabaseFile()));
    EXPECT_TRUE(RunQuery(nullptr, AdoConnection, u"Select * From Items"_s, &List));
}

TEST(DatabaseFile, FileThatIsNoDatabaseFailsAndStaysUntouched) {
    TTempProgramDir Dir(false);
    const QByteArray Junk = QByteArray("Standard Jet DB\0\0\0\0", 19).repeated(300);
    {
        QFile F(Dir.DatabaseFile());
        ASSERT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(Junk);
    }
    TDelimitedStringList List;
    try {
        RunQuery(nullptr, AdoConnection, u"Select * From Items"_s, &List);
        FAIL() << "no error";
    } catch (const EDatabaseError& E) {
        EXPECT_EQ(E.Message(), u"file is not a database"_s);
    }
    QFile F(Dir.DatabaseFile());
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_EQ(F.readAll(), Junk);
}

// ---------------------------------------------------------------------------------------------

TEST(FindRows, SearchFieldsExactlyAndKeysBinary) {
    TDelimitedStringList List;
    List.SetTextStr(u"1@Злато@a°3@злато@b°5@Сребро@c°8@x@d"_s);
    EXPECT_EQ(FindRowByField(u"злато"_s, &List, 1), 1);
    EXPECT_EQ(FindRowByField(u"ЗЛАТО"_s, &List, 1), -1);
    EXPECT_EQ(FindRowByField(u"a"_s, nullptr, 1), -1);
    EXPECT_EQ(FindRowByTwoFields(u"5"_s, u"c"_s, &List, 0, 2), 2);
    EXPECT_EQ(FindRowByTwoFields(u"5"_s, u"d"_s, &List, 0, 2), -1);

    struct Case {
        qint64 Key;
        int Row;
    };
    for (const Case C : {Case{1, 0}, {3, 1}, {5, 2}, {8, 3}, {4, -1}, {0, -1}, {9, -1}})
        EXPECT_EQ(FindRowByIntKey(C.Key, &List, 0), C.Row) << C.Key;

    TDelimitedStringList Empty;
    EXPECT_EQ(FindRowByIntKey(0, &Empty, 0), -1);
    // A key field that is no number counts as 0; an unsorted list may miss a present key.
    List.SetTextStr(u"x@a°3@b"_s);
    EXPECT_EQ(FindRowByIntKey(0, &List, 0), 0);
    List.SetTextStr(u"9@a°1@b°5@c"_s);
    EXPECT_EQ(FindRowByIntKey(9, &List, 0), -1);
}

TEST(FindRows, LookupByIntKeyGivesTheFieldOrEmpty) {
    TDelimitedStringList List;
    List.SetTextStr(u"1@Злато°3@Сребро"_s);
    QString Result = u"stale"_s;
    LookupByIntKey(3, &List, 0, Result, 1);
    EXPECT_EQ(Result, u"Сребро"_s);
    LookupByIntKey(2, &List, 0, Result, 1);
    EXPECT_EQ(Result, QString());
    Result = u"stale"_s;
    LookupByIntKey(3, &List, 0, Result, 2);
    EXPECT_EQ(Result, QString());
    Result = u"stale"_s;
    LookupByIntKey(3, nullptr, 0, Result, 1);
    EXPECT_EQ(Result, QString());
}

} // namespace
