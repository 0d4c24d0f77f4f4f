// The batch computation against the one-contract computation on a generated shop that holds the
// cases where the two could drift apart: blocks and gaps in the numbering, overlapping and open
// bands, fees with NULL limits, third decimals, orders outside the days, ties on one day.

#include "business/engine/unLoanEngine.h"

#include "business/engine/unConsts.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unStringFuncs.h"
#include "tests/support/DbQuery.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int AtDay = 45500;

class GeneratedShop {
public:
    explicit GeneratedShop(int Contracts) {
        std::mt19937 random(20240301);
        const auto below = [&](int N) { return int(random() % unsigned(N)); };
        // An amount in cents, now and then with a third decimal.
        const auto amount = [&](int Most) {
            const double cents = 100 + below(Most * 100);
            return below(7) == 0 ? cents / 100.0 + 0.005 : cents / 100.0;
        };
        TTransaction transaction;
        Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
        Exec(u"Insert into Item_types values ( 2, \"Техника\" )"_s);
        for (int i = 1; i <= 300; ++i)
            Exec(Format("Insert into Items values ( %d, \"Вещ %d\", %d )", {i, i, i == 300 ? 9 : 1 + i % 2}));
        // Codes 1 to 4 have bands, 5 has none; every 40th borrower has no code at all.
        for (int i = 1; i <= 200; ++i)
            Exec(Format("Insert into Owners values ( %d, \"Собственик %d\", \"\", \"\", \"\", \"\", True, "
                        "False, %d, \"\", \"\", \"\", \"\" )",
                        {1000 + i, i, i % 40 == 0 ? 0 : 1 + i % 5}));
        for (const char* band : {"1, 0, 500, 0.06, 1", "2, 500, 2000, 0.03, 1", "3, 1500, 100000, 0.025, 1",
                                 "4, 0, 100000, 0.05, 2", "5, 0, 1000, 0.045, 3",
                                 "6, 1000.5, 50000, 0.035, 3", "7, 100, 5000, 0.04, 4"})
            Exec(Format("Insert into Interest_rates values ( %s )", {QString::fromLatin1(band)}));
        Exec(u"Insert into Taxes values ( 1, \"Оценка\", True )"_s);
        Exec(u"Insert into Taxes values ( 2, \"Съхранение\", False )"_s);
        Exec(u"Insert into Taxes values ( 3, \"Охрана\", False )"_s);
        Exec(u"Insert into Taxes values ( 4, \"Застраховка\", True )"_s);
        for (const char* rate :
             {"1, 1, 0, 1000, 0.01, 1", "2, 1, 800, 5000, 0.015, 1", "3, 2, 0, 600, 0.03, 1",
              "4, 2, 600, 100000, 0.02, 1", "5, 3, 0, 100000, 0.0111, 2", "6, 4, 250, 2500, 0.005, 2",
              "7, 2, 0, 100000, 0.035, 3", "8, 1, NULL, 900, 0.02, 3", "9, 3, 300, NULL, 0.01, 4",
              "10, 4, 0, 100000, 0.0175, 4"})
            Exec(Format("Insert into Taxes_rates values ( %s )", {QString::fromLatin1(rate)}));

        int docNo = 0, outcomeNo = 0, incomeNo = 0;
        for (int c = 0; c < Contracts; ++c) {
            // Mostly close numbers, now and then a gap wider than a block.
            docNo += below(50) == 0 ? 5000 + below(3000) : 1 + below(3);
            DocNos << QString::number(docNo);
            const int date = below(30) == 0 ? AtDay + 1 + below(10) : AtDay - below(400);
            const int item = below(100) == 0 ? 999 : 1 + below(300);
            const qint64 owner = below(150) == 0 ? 5000 : 1001 + below(200);
            const bool finished = below(5) == 0, sold = !finished && below(8) == 0;
            Exec(Format(
                "Insert into Contracts values ( %d, %d, %d, %f, %f, %d, \"\", %s, %d, %s, %d, %d, %s, "
                "%d, 0, False, 0, 0, 0, 0 )",
                {docNo, date, item, 0.0, 3.0, below(3) == 0 ? 60 : 30, finished ? "True" : "False", date + 20,
                 below(6) == 0 ? "True" : "False", date + 35, owner, sold ? "True" : "False", date + 40}));
            const auto payOut = [&](int Day, double Sum) {
                Exec(Format("Insert into Outcomes values ( %d, %d, %d, 1, %.3f, \"\", \"\", \"\" )",
                            {++outcomeNo, Day, docNo, Sum}));
            };
            const auto receive = [&](int Day, int Type, double Sum) {
                Exec(Format("Insert into Incomes values ( %d, %d, %d, %d, %.3f, \"\", \"\", \"\" )",
                            {++incomeNo, Day, docNo, Type, Sum}));
            };
            if (below(25) != 0) payOut(date, amount(3000));
            if (below(6) == 0) payOut(date + below(200) - 20, amount(800));
            for (int i = below(3); i > 0; --i)
                receive(date + below(420) - 10, ptInPrincipal, amount(900));
            for (int i = below(4); i > 0; --i) {
                const int day = date + below(420);
                receive(day, ptInInterest, amount(90));
                if (below(4) == 0) receive(day, ptInInterest, amount(40)); // a tie on one day
            }
            for (int i = below(4); i > 0; --i)
                receive(date + below(420), FeePaymentType(1 + below(4)), amount(20));
        }
        transaction.Commit();
    }

    QStringList DocNos;
};

} // namespace

TEST(LoanEngineBatch, GivesTheRecordOfEachContractAsComputedAlone) {
    TTempProgramDir dir;
    const GeneratedShop shop(3000);
    TScriptedPresenter presenter; // the one-contract path tells of borrowers without a code
    QStringList docNos = shop.DocNos;
    std::reverse(docNos.begin(), docNos.end());
    docNos << u"999999"_s;

    QStringList rows(docNos.size()), failures(docNos.size());
    int calls = 0;
    CalculateContractDebts(nullptr, docNos, AtDay + 0.5,
                           [&](int Index, const QString& Row, const QString& Failure) {
                               rows[Index] = Row;
                               failures[Index] = Failure;
                               ++calls;
                           });
    EXPECT_EQ(calls, docNos.size());

    int computed = 0, left = 0, withFees = 0;
    for (int i = 0; i < docNos.size(); ++i) {
        QString row;
        TDelimitedStringList oneTime, daily;
        const bool ok = CalculateContractDebt(nullptr, docNos[i], row, AtDay + 0.5, oneTime, daily);
        EXPECT_EQ(ok, failures[i].isEmpty()) << docNos[i].toStdString() << ": " << failures[i].toStdString();
        if (!ok) {
            ++left;
            EXPECT_TRUE(rows[i].isEmpty());
            continue;
        }
        ++computed;
        withFees += PieceCount(row, FieldDelimiterChar) > DebtFieldCount;
        const QStringList expected = row.split(FieldDelimiterChar), got = rows[i].split(FieldDelimiterChar);
        ASSERT_EQ(got.size(), expected.size()) << docNos[i].toStdString();
        for (int f = 0; f < expected.size(); ++f)
            EXPECT_EQ(got[f], expected[f]) << "contract " << docNos[i].toStdString() << ", field " << f;
    }
    // The shop holds enough of each kind for the comparison to mean something.
    EXPECT_GT(computed, 2000);
    EXPECT_GT(left, 50);
    EXPECT_GT(withFees, 2000);
}

// The receiver runs with no transaction open, so it may let the event loop run; inside a
// transaction of the caller's the batch reads in it and sees what it wrote.
TEST(LoanEngineBatch, HandsOverOutsideItsTransactionAndReadsInTheCallers) {
    TTempProgramDir dir;
    const GeneratedShop shop(60);
    QString docNo;
    CalculateContractDebts(nullptr, shop.DocNos, AtDay + 0.5,
                           [&](int Index, const QString&, const QString& Failure) {
                               EXPECT_EQ(OpenTransaction(), nullptr);
                               if (docNo.isEmpty() && Failure.isEmpty()) docNo = shop.DocNos[Index];
                           });
    ASSERT_FALSE(docNo.isEmpty());
    TTransaction write;
    Exec(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = %s"_s, {AtDay, docNo}));
    QString row;
    CalculateContractDebts(nullptr, {docNo}, AtDay + 0.5, [&](int, const QString& Row, const QString&) {
        EXPECT_EQ(OpenTransaction(), &write);
        row = Row;
    });
    EXPECT_EQ(GetPiece(row, FieldDelimiterChar, dfFinished), u"да"_s);
}

// One borrower with one interest band and one item; his contracts lent on one day.
void OneBorrowerShop() {
    Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
    Exec(u"Insert into Items values ( 1, \"Пръстен\", 1 )"_s);
    Exec(u"Insert into Owners values ( 1001, \"Иван Петров\", \"\", \"\", \"\", \"\", True, False, 1, \"\", "
         u"\"\", \"\", \"\" )"_s);
    Exec(u"Insert into Interest_rates values ( 1, 0, 100000, 0.03, 1 )"_s);
}

void AddContract(int DocNo) {
    Exec(Format(u"Insert into Contracts values ( %d, %d, 1, 0, 3, 30, \"\", False, 0, False, 0, 1001, False, "
                u"0, 0, False, 0, 0, 0, 0 )"_s,
                {DocNo, AtDay - 9}));
}

// Amounts and dates are read as numbers where they are stored as such; each must still round as
// its shown digits do (1.005 and 2.675 lie just below the half in binary), and a value stored as
// text is read from its text.
TEST(LoanEngineBatch, ReadsStoredAmountsAsTheirShownDigitsRound) {
    TTempProgramDir dir;
    OneBorrowerShop();
    AddContract(5);
    int order = 0;
    for (const QString& sum : {u"1.005"_s, u"2.675"_s, u"\"3.455\""_s, u"-0.004"_s, u"4"_s})
        Exec(Format(u"Insert into Outcomes values ( %d, %d, 5, 1, %s, \"\", \"\", \"\" )"_s,
                    {++order, AtDay - 9, sum}));
    // A date stored as text counts from its text; one after the at-date not at all.
    Exec(u"Insert into Outcomes values ( 90, \"19.07.2024\", 5, 1, 10, \"\", \"\", \"\" )"_s);
    Exec(Format(u"Insert into Outcomes values ( 91, %d, 5, 1, 20, \"\", \"\", \"\" )"_s, {AtDay + 1}));
    Exec(Format(u"Insert into Incomes values ( 1, %d, 5, 2, 0.125, \"\", \"\", \"\" )"_s, {AtDay - 2}));
    Exec(Format(u"Insert into Incomes values ( 2, %d, 5, 1, 0.015, \"\", \"\", \"\" )"_s, {AtDay - 2}));

    QString row;
    CalculateContractDebts(nullptr, {u"5"_s}, AtDay + 0.5,
                           [&](int, const QString& Row, const QString& Failure) {
                               EXPECT_EQ(Failure, QString());
                               row = Row;
                           });
    const QStringList fields = row.split(FieldDelimiterChar);
    ASSERT_EQ(fields.size(), DebtFieldCount);
    // 1.01 + 2.68 + 3.46 + 0.00 + 4.00 + 10.00 (19.07.2024 is day 45492, before the at-date)
    EXPECT_EQ(fields[dfPaidOut], u"21.15"_s);
    EXPECT_EQ(fields[dfPrincipalRepaid], u"0.02"_s);
    EXPECT_EQ(fields[dfInterestPaid], u"0.13"_s);
    EXPECT_EQ(fields[dfLastInterestDate], DateToStr(AtDay - 2));
    EXPECT_EQ(fields[dfLastInterestAmount], u"0.125"_s);
}

// A payout of 100.00 and a principal receipt of 33.30 leave 66.70 however the amounts are stored:
// whole numbers, reals off a whole cent (33.3 is 33.29999… in binary), reals near a half cent,
// texts. The amount columns are declared without a type, as a database from elsewhere may
// declare them, so that each value keeps the storage it is written in.
TEST(LoanEngineBatch, AmountsOffAWholeCentRoundInEveryStoredForm) {
    TTempProgramDir dir;
    OneBorrowerShop();
    for (const QString& table : {u"Incomes"_s, u"Outcomes"_s}) {
        Exec(u"Drop table "_s + table);
        Exec(Format(
            u"Create table %s ( docno INTEGER NOT NULL PRIMARY KEY, date_d DATETIME, contract_n INTEGER, "
            u"payment_type INTEGER, sum_o, customer_name TEXT, supplier_name TEXT, user_name TEXT )"_s,
            {table}));
    }
    struct Case {
        QString PaidOut, Repaid;
    };
    const Case cases[] = {
        {u"100"_s, u"33.3"_s},        {u"'100.00'"_s, u"'33.30'"_s},  {u"100.004"_s, u"33.2951"_s},
        {u"'99.999'"_s, u"33.295"_s}, {u"99.995"_s, u"' 33.304 '"_s},
    };
    QStringList docNos;
    for (const Case& c : cases) {
        const int docNo = int(docNos.size()) + 1;
        docNos << QString::number(docNo);
        AddContract(docNo);
        Exec(Format(u"Insert into Outcomes values ( %d, %d, %d, 1, %s, '', '', '' )"_s,
                    {docNo, AtDay - 9, docNo, c.PaidOut}));
        Exec(Format(u"Insert into Incomes values ( %d, %d, %d, 1, %s, '', '', '' )"_s,
                    {docNo, AtDay - 2, docNo, c.Repaid}));
    }
    ASSERT_EQ(QueryText(u"Select typeof( sum_o ) From Outcomes Order by docno"_s),
              u"integer°text°real°text°real"_s);

    const QHash<qint64, qint64> principals = OutstandingPrincipals(nullptr, u"SELECT docno FROM Contracts"_s);
    CalculateContractDebts(
        nullptr, docNos, AtDay + 0.5, [&](int Index, const QString& Row, const QString& Failure) {
            const Case& c = cases[Index];
            const std::string what = (c.PaidOut + u" - "_s + c.Repaid).toStdString();
            EXPECT_EQ(Failure, QString()) << what;
            EXPECT_EQ(GetPiece(Row, FieldDelimiterChar, dfPaidOut), u"100.00"_s) << what;
            EXPECT_EQ(GetPiece(Row, FieldDelimiterChar, dfPrincipalRepaid), u"33.30"_s) << what;
            EXPECT_EQ(GetPiece(Row, FieldDelimiterChar, dfPrincipalOutstanding), u"66.70"_s) << what;
            double principal = 0;
            EXPECT_TRUE(GetOutstandingPrincipal(nullptr, docNos[Index], principal));
            EXPECT_EQ(principal, 66.7) << what;
            EXPECT_EQ(principals.value(Index + 1), 6670) << what;
        });
}
