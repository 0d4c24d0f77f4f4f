#include "business/documents/un_Contracts.h"

#include "business/documents/unCashOrders.h"
#include "business/engine/unLoanEngine.h"
#include "business/registers/unQueuedChanges.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

constexpr int March1 = 45352;  // 01.03.2024
constexpr int March30 = 45381; // 30.03.2024

QString Query(const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Sql, &List);
    return List.GetTextStr();
}

void Exec(const QString& Sql) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString();
}

TContractEntry SampleEntry() {
    TContractEntry E;
    E.DocNo = 17;
    E.DateC = March1;
    E.ItemCode = u"5"_s;
    E.OwnerCode = u"0012345678"_s;
    E.OwnerName = u"Иван Петров \"Ванката\""_s;
    E.Sum = 1000;
    E.MIR = 3;
    E.Duration = 30;
    E.Notes = u"  златен пръстен  "_s;
    E.Gramaj = 4.5;
    E.ShortTerm = true;
    E.VehicleCode = u""_s;
    E.Dylzhimi_lihvi = 30;
    E.Ednokratni_taxi = 10;
    E.Dnevni_taxi = 15;
    return E;
}

TEST(ContractAmounts, InterestOfTheTermFromTheMonthlyPercent) {
    struct Case {
        double Sum, MIR, Duration, DailyRate, DailyInterest, Due;
        const char* Text;
    } Cases[] = {
        {1000, 3, 30, 0.001, 1.00, 30.00, "Дължими лихви: 30.00 лв. (1.00 лв./ден) "},
        // 4.5 % a month is 0.0015 a day; 0.499995 a day rounds up to 0.50.
        {333.33, 4.5, 17, 0.0015, 0.50, 8.50, "Дължими лихви: 8.50 лв. (0.50 лв./ден) "},
        // 2.75 / 3000 = 0.00091666.. gives 0.0009167; 1234.56 of it is 1.1317...
        {1234.56, 2.75, 45, 0.0009167, 1.13, 50.85, "Дължими лихви: 50.85 лв. (1.13 лв./ден) "},
        // Half a cent a day rounds away from zero.
        {5, 3, 10, 0.001, 0.01, 0.10, "Дължими лихви: 0.10 лв. (0.01 лв./ден) "},
        {0, 3, 30, 0.001, 0, 0, "Дължими лихви: 0.00 лв. (0.00 лв./ден) "},
        {1000, 3, 0, 0.001, 1.00, 0, "Дължими лихви: 0.00 лв. (1.00 лв./ден) "},
    };
    for (const Case& C : Cases) {
        TContractAmounts A;
        CalcContractInterest(C.Sum, C.MIR, C.Duration, A);
        EXPECT_DOUBLE_EQ(A.DailyRate, C.DailyRate) << C.Sum;
        EXPECT_DOUBLE_EQ(A.DailyInterest, C.DailyInterest) << C.Sum;
        EXPECT_DOUBLE_EQ(A.Dylzhimi_lihvi, C.Due) << C.Sum;
        EXPECT_EQ(A.InterestText, QString::fromUtf8(C.Text)) << C.Sum;
    }
}

TEST(ContractAmounts, TotalIsTheSumOfAmountInterestAndFeesToTheCent) {
    struct Case {
        double Sum, Interest, OneTime, Daily, Total;
        const char* Text;
    } Cases[] = {
        {1000, 30, 10, 30, 1070, "  1 070.00 лв."},
        {0.1, 0.2, 0, 0, 0.3, "      0.30 лв."},
        {123456.78, 1.11, 2.22, 3.33, 123463.44, "123 463.44 лв."},
    };
    for (const Case& C : Cases) {
        TContractAmounts A;
        A.Dylzhimi_lihvi = C.Interest;
        A.Ednokratni_taxi = C.OneTime;
        A.Dnevni_taxi = C.Daily;
        CalcContractTotal(C.Sum, A);
        EXPECT_EQ(FloatToStrDot(-1, A.Total), FloatToStrDot(-1, C.Total));
        EXPECT_EQ(A.TotalText, QString::fromUtf8(C.Text));
    }
}

TEST(ContractAmounts, InterestBandTakesTheLastBandThatHoldsTheAmount) {
    TDelimitedStringList Bands;
    Bands.SetTextStr(u"1@0@500@0.06°2@500@2000@0.03°3@2000@100000@0.0333"_s);
    struct Case {
        double Sum;
        bool Found;
        double MIR;
    } Cases[] = {
        {100, true, 6},     {500, true, 3},      // the common edge takes the later band
        {2000, true, 3.33}, {1999.99, true, 3},  //
        {0, false, -1},     {100001, false, -1}, // above every band: the percent stays
    };
    for (const Case& C : Cases) {
        double MIR = -1;
        EXPECT_EQ(InterestBandPercent(Bands, C.Sum, MIR), C.Found) << C.Sum;
        EXPECT_DOUBLE_EQ(MIR, C.MIR) << C.Sum;
    }
    EXPECT_EQ(InterestBandsSql(2), u"Select code_mir, from_value, to_value, mir From Interest_rates Where "
                                   "pref_code = 2 Order By code_mir"_s);
}

TEST(ContractAmounts, TermOfThirtyDaysFromTheFirstEndsOnTheThirtieth) {
    EXPECT_EQ(TermEnd(March1, 30), March30);
    EXPECT_EQ(TermEnd(March1 + 0.6, 30), March30);
    EXPECT_EQ(TermDays(March1, March30), 30);
    EXPECT_EQ(TermEnd(March1, 1), March1);
    EXPECT_EQ(TermDays(March1, March1), 1);
}

TEST(ContractValidation, GathersEveryMessageIntoOneText) {
    const QString Grid = u"\n\rШифър \"17\" съществува в таблицата с данни!"_s;
    const QString Stored =
        u"Договор номер \"17\" съществува в базата данни. Изберете друг номер на договор."_s;
    const QString NotToday = u"Нов залог може да бъде направен само на днешна дата"_s;
    struct Case {
        const char* Name;
        void (*Change)(TContractEntry&, TContractCheck&);
        QString Expected;
    } Cases[] = {
        {"valid", [](TContractEntry&, TContractCheck&) {}, QString()},
        {"number in the grid twice",
         [](TContractEntry&, TContractCheck& C) {
             C.GridNumbers = {u"17"_s, u"17"_s};
         },
         Grid + Grid},
        {"no number", [](TContractEntry& E, TContractCheck&) { E.DocNo = 0; },
         u"\n\rВъведете номер на документ"_s},
        {"no owner", [](TContractEntry& E, TContractCheck&) { E.OwnerCode.clear(); },
         u"\n\rВъведете собственик"_s},
        {"unknown owner", [](TContractEntry&, TContractCheck& C) { C.OwnerKnown = false; },
         u"\n\rВъведете собственик"_s},
        {"no item", [](TContractEntry& E, TContractCheck&) { E.ItemCode.clear(); }, u"\n\rВъведете вещ"_s},
        {"unknown item", [](TContractEntry&, TContractCheck& C) { C.ItemKnown = false; },
         u"\n\rВъведете вещ"_s},
        {"zero amount", [](TContractEntry& E, TContractCheck&) { E.Sum = 0; },
         u"\n\rОбщата сума на документа е нула!"_s},
        {"no rate", [](TContractEntry& E, TContractCheck&) { E.MIR = 0; },
         u"\n\rВъведете месечен лихвен процент"_s},
        {"no term", [](TContractEntry& E, TContractCheck&) { E.Duration = 0; },
         u"\n\rВъведете срoк на договора"_s},
        {"number stored", [](TContractEntry&, TContractCheck& C) { C.DocNoStored = true; }, Stored},
        {"yesterday", [](TContractEntry& E, TContractCheck&) { E.DateC -= 1; }, NotToday},
        {"stored and yesterday while editing",
         [](TContractEntry& E, TContractCheck& C) {
             C.EditingRow = true;
             C.DocNoStored = true;
             E.DateC -= 1;
         },
         QString()},
        {"several",
         [](TContractEntry& E, TContractCheck& C) {
             E.Sum = 0;
             E.ItemCode.clear();
             C.DocNoStored = true;
         },
         u"\n\rВъведете вещ\n\rОбщата сума на документа е нула!"_s + Stored},
    };
    for (const Case& C : Cases) {
        TContractEntry Entry = SampleEntry();
        TContractCheck Check;
        Check.GridNumbers = {u"16"_s, u"18"_s};
        Check.OwnerKnown = true;
        Check.ItemKnown = true;
        Check.Today = March1;
        C.Change(Entry, Check);
        EXPECT_EQ(ContractValidationText(Entry, Check), C.Expected) << C.Name;
    }
}

TEST(ContractStatements, InsertUpdateAndPayoutCarryTheEntry) {
    TContractEntry E = SampleEntry();
    E.Sum = 1000.005;
    E.MIR = 3.456;
    E.VehicleCode = u"3"_s;
    EXPECT_EQ(
        ContractInsertSql(u"Contracts"_s, E),
        u"Insert into Contracts values ( 17, 45352, 5, 1000.010000, 3.460000, 30, \"златен пръстен\", 0, 0, "
        "False, 0, 12345678, False, 0, 4.500, 1, 30.000000, 10.000000, 15.000000, 3 )"_s);
    EXPECT_EQ(
        ContractUpdateSql(u"Contracts"_s, u"docno"_s, 16, E),
        u"Update Contracts Set date_c   = 45352,  code_i   = 5.000000,  Sum_c    = 1000.010000,  M_IR     = "
        "3.460000,  Duration = 30,  Notes    = \"златен пръстен\",  EGN      = 12345678,    gramaj   = "
        "4.500,  "
        "short_term      = 1,  Dylzhimi_lihvi  = 30.000000,  Ednokratni_taxi = 10.000000,  Dnevni_taxi     "
        "= 15.000000,  code_mps        = 3 Where ( docno = 16 )"_s);
    EXPECT_EQ(PayoutOrderSql(E, u"Мария Колева"_s, u"maria"_s),
              u"Insert into Outcomes values ( ( Select IfNull( max( docno ), 0 ) + 1 From Outcomes ), 45352, "
              u"17, 1, "
              "1000.010000, \"Иван Петров \"\"Ванката\"\"\", \"Мария Колева\", \"maria\" )"_s);
    EXPECT_EQ(ContractDeleteSql(17), u"Delete * from Contracts Where docno = 17"_s);
}

// The numbers of linked orders are settled when Save runs: two contracts queued before one Save
// both save, after orders that other windows saved meanwhile.
TEST(ContractStatements, LinkedOrdersAreNumberedInsideTheSave) {
    TTempProgramDir Dir;
    TScriptedPresenter Presenter;
    TQueuedChanges Changes;
    TContractEntry First = SampleEntry();
    TContractEntry Second = SampleEntry();
    Second.DocNo = 18;
    Second.Sum = 250;
    Changes.Queue({PayoutOrderSql(First, u"Оператор"_s, u"op"_s)});
    Changes.Queue({PayoutOrderSql(Second, u"Оператор"_s, u"op"_s)});
    Exec(u"Insert into Outcomes values ( 7, 45352, 0, 3, 5, \"\", \"\", \"\" )"_s);

    ASSERT_TRUE(Changes.SaveQueued(nullptr));
    EXPECT_EQ(Query(u"Select docno, contract_n, payment_type, sum_o From Outcomes Order By docno"_s),
              u"7@0@3@5°8@17@1@1000°9@18@1@250"_s);

    // The re-booking of a deleted contract: the loan back from the contract, then to the owner.
    Changes.Queue(RebookingSql(17, March30, 1000, u"Иван Петров"_s, u"Оператор"_s, u"op"_s));
    ASSERT_TRUE(Changes.SaveQueued(nullptr));
    EXPECT_EQ(Query(u"Select docno, date_d, contract_n, payment_type, sum_o, customer_name, supplier_name, "
                    "user_name From Outcomes Where docno > 9 Order By docno"_s),
              u"10@30.03.2024@17@1@-1000@Иван Петров@Оператор@op°"
              "11@30.03.2024@0@3@1000@Собственик@Оператор@op"_s);
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST(ContractStatements, FirstPayoutOfAnEmptyTableIsNumberOne) {
    TTempProgramDir Dir;
    QStringList Queue{PayoutOrderSql(SampleEntry(), QString(), u"op"_s)};
    ASSERT_TRUE(RunPendingSql(nullptr, Queue));
    EXPECT_EQ(Query(u"Select docno, sum_o From Outcomes"_s), u"1@1000"_s);
}

TEST(ContractStatements, StoredNumberAndOperatorNameAreRead) {
    TTempProgramDir Dir;
    Exec(u"Insert into Users_passwords values ( \"maria\", \"x\", \"Мария Колева\" )"_s);
    Exec(u"Insert into Contracts values ( 17, 45352, 5, 1000, 3, 30, \"\", 0, 0, False, 0, 1, False, 0, 0, "
         u"0, 0, 0, "
         "0, 0 )"_s);
    EXPECT_TRUE(ContractNumberStored(nullptr, 17));
    EXPECT_TRUE(ContractNumberStored(nullptr, 16.6));
    EXPECT_FALSE(ContractNumberStored(nullptr, 18));
    EXPECT_EQ(OperatorFullName(nullptr, u"MARIA"_s), u"Мария Колева"_s);
    EXPECT_EQ(OperatorFullName(nullptr, u"nobody"_s), QString());
}

// A contract written by the window's INSERT comes back in the list as the grid shows it.
TEST(ContractList, StoredContractIsListedWithItsFeesAndTotal) {
    TTempProgramDir Dir;
    Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
    Exec(u"Insert into Items values ( 5, \"Пръстен 585\", 1 )"_s);
    Exec(u"Insert into Owners values ( 12345678, \"Иван Петров\", \"София\", \"\", \"\", \"\", True, False, "
         u"1, "
         "\"\", \"\", \"\", \"\" )"_s);
    Exec(u"Insert into Taxes values ( 1, \"Оценка\", True )"_s);
    Exec(u"Insert into Taxes values ( 2, \"Съхранение\", False )"_s);
    Exec(u"Insert into Taxes_rates values ( 1, 1, 0, 5000, 0.01, 1 )"_s);
    Exec(u"Insert into Taxes_rates values ( 2, 2, 0, 5000, 0.03, 1 )"_s);

    TContractAmounts A;
    CalcContractAmountsDue(nullptr, 1, 1000, 3, 30, A);
    EXPECT_EQ(A.OneTimeText, u"Еднократни такси: 10.00 лв. (в т.ч. Оценка 10.00 лв.)"_s);
    EXPECT_EQ(A.DailyText, u"Дневни такси: 30.00 лв. (в т.ч. Съхранение 30.00 лв. (1.00лв./ден))"_s);
    EXPECT_EQ(A.TotalText, u"  1 070.00 лв."_s);

    TContractEntry E = SampleEntry();
    E.Dylzhimi_lihvi = A.Dylzhimi_lihvi;
    E.Ednokratni_taxi = A.Ednokratni_taxi;
    E.Dnevni_taxi = A.Dnevni_taxi;
    Exec(ContractInsertSql(u"Contracts"_s, E));
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, ContractListSql(true, March1), &List);
    PrepareContractListRows(List);
    EXPECT_EQ(List.GetTextStr(),
              u"17@01.03.2024@5@Злато@Пръстен 585@1000.00@3@30@30.03.2024@0012345678@Иван Петров@"
              "златен пръстен@не@@1070@4.5@да@30@10@30@"_s);
    RunQuery(nullptr, AdoConnection, ContractListSql(true, March30), &List);
    EXPECT_EQ(List.Count(), 0);
}

TEST(ContractList, TodayOnlyFiltersByTheContractDate) {
    EXPECT_TRUE(
        ContractListSql(true, March1 + 0.5)
            .contains(u"ON Owners.EGN = Contracts.EGN WHERE  ( Contracts.date_c = 45352 ) ORDER BY"_s));
    EXPECT_TRUE(ContractListSql(false, March1)
                    .contains(u"ON Owners.EGN = Contracts.EGN  ORDER BY Contracts.docno"_s));
}

TEST(ContractList, RowsShowPaddedNumberYesNoAndTotal) {
    TDelimitedStringList List;
    List.SetTextStr(
        u"1@01.03.2024@5@Злато@Пръстен@1000.5@3@30@30.03.2024@12345@Иван@@True@05.03.2024@05.03.2024@"
        "4.5@False@30.004@10@0.1@0°"
        "2@01.03.2024@5@Злато@Пръстен@200@3@30@30.03.2024@8001011234@Мария@@False@01.01.2024@"
        "01.01.2024@0@True@6@0@0@3"_s);
    PrepareContractListRows(List);
    EXPECT_EQ(List.Get(0),
              u"1@01.03.2024@5@Злато@Пръстен@1000.50@3@30@30.03.2024@0000012345@Иван@@да@05.03.2024@"
              "1040.6@4.5@не@30.004@10@0.1@"_s);
    EXPECT_EQ(List.Get(1),
              u"2@01.03.2024@5@Злато@Пръстен@200.00@3@30@30.03.2024@8001011234@Мария@@не@@206@0@да@6@0@"
              "0@3"_s);
}

TEST(ContractList, GridRowOfAQueuedContract) {
    TContractEntry E = SampleEntry();
    EXPECT_EQ(ContractGridCells(E, u"Злато"_s, u"Пръстен"_s, 1055).join(u'|'),
              u"17|01.03.2024|5|Злато|Пръстен|1000.00|3.00|30|30.03.2024|0012345678|Иван Петров \"Ванката\"|"
              "златен пръстен|||1055.00|4.500|да|30.00|10.00|15.00|"_s);
}

} // namespace
