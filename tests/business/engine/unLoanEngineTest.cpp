#include "business/engine/unLoanEngine.h"

#include "business/engine/unConsts.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "core/unStringFuncs.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempProgramDir.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace Qt::StringLiterals;

namespace {

constexpr int D = 45292; // 01.01.2024

QString Day(int N) {
    return DateToStr(TDateTime(N));
}

void Exec(const QString& Sql) {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString();
}

// A shop whose contracts are each computed by hand in the tests below. Every contract runs 30 days.
class LoanEngine : public ::testing::Test {
protected:
    void SetUp() override {
        Exec(u"Insert into Item_types values ( 1, \"Злато\" )"_s);
        Exec(u"Insert into Items values ( 1, \"Пръстен 585\", 1 )"_s);
        Owner(12345, u"Иван Петров"_s, 1);
        Owner(8001011234, u"Мария Иванова"_s, 2);
        Owner(333, u"Стоян Колев"_s, 3);
        Owner(222, u"Без Код"_s, 0);
        Owner(444, u"Без Схема"_s, 4);
        Owner(555, u"Петър Георгиев"_s, 5);
        // Interest bands: code, from, to, monthly rate, preferential code. Code 1 has two bands
        // that meet at 500.
        Band(1, 0, 500, 0.06, 1);
        Band(2, 500, 2000, 0.03, 1);
        Band(3, 0, 100000, 0.05, 2);
        Band(4, 0, 100000, 0.06, 3);
        Band(5, 0, 100000, 0.03, 5);
        Exec(u"Insert into Taxes values ( 1, \"Оценка\", 1 )"_s);
        Exec(u"Insert into Taxes values ( 2, \"Съхранение\", 0 )"_s);
        Exec(u"Insert into Taxes values ( 3, \"Охрана\", 0 )"_s);
        FeeRate(1, 1, 0, 1000, 0.01, 5);
        FeeRate(1, 2, 0, 500, 0.03, 5);
        FeeRate(2, 2, 500, 5000, 0.015, 5);
        FeeRate(3, 1, 0, 200, 0.05, 6);
        FeeRate(4, 1, 200, 1000, 0.01, 6);
        FeeRate(3, 2, 0, 5000, 0.03, 6);
    }

    void Owner(qint64 EGN, const QString& Name, int PrefCode) {
        Exec(Format(
            "Insert into Owners values ( %d, \"%s\", \"София\", \"\", \"\", \"\", True, False, %d, \"\", "
            "\"\", \"\", \"\" )",
            {EGN, SqlText(Name), PrefCode}));
    }
    void Band(int Code, double From, double To, double Mir, int PrefCode) {
        Exec(Format("Insert into Interest_rates values ( %d, %f, %f, %.4f, %d )",
                    {Code, From, To, Mir, PrefCode}));
    }
    void FeeRate(int Code, int CodeT, double From, double To, double Mir, int PrefCode) {
        Exec(Format("Insert into Taxes_rates values ( %d, %d, %f, %f, %.4f, %d )",
                    {Code, CodeT, From, To, Mir, PrefCode}));
    }
    void Contract(int DocNo, int Date, qint64 EGN) {
        Exec(Format(
            "Insert into Contracts values ( %d, %d, 1, %f, %f, 30, \"\", 0, 0, False, 0, %d, False, 0, "
            "%.3f, 0, %f, %f, %f, 0 )",
            {DocNo, Date, 1000.0, 3.0, EGN, 0.0, 0.0, 0.0, 0.0}));
    }
    void PayOut(int Date, int DocNo, double Amount) {
        Exec(Format("Insert into Outcomes values ( %d, %d, %d, 1, %f, \"\", \"\", \"\" )",
                    {++FOutcomeNo, Date, DocNo, Amount}));
    }
    void Receive(int Date, int DocNo, int PaymentType, double Amount) {
        Exec(Format("Insert into Incomes values ( %d, %d, %d, %d, %.*f, \"\", \"\", \"\" )",
                    {++FIncomeNo, Date, DocNo, PaymentType, AmountDecimals, Amount}));
    }

    struct TDebt {
        bool Ok = false;
        QString Row;
        TDelimitedStringList OneTime;
        TDelimitedStringList Daily;
        QString Field(int N) const { return GetPiece(Row, FieldDelimiterChar, N); }
        int FieldCount() const { return Row.isEmpty() ? 0 : PieceCount(Row, FieldDelimiterChar); }
    };
    std::unique_ptr<TDebt> Debt(const QString& DocNo, int AtDate) {
        auto debt = std::make_unique<TDebt>();
        debt->Ok = CalculateContractDebt(nullptr, DocNo, debt->Row, TDateTime(AtDate) + 0.75, debt->OneTime,
                                         debt->Daily);
        return debt;
    }

    TTempProgramDir FDir;
    int FOutcomeNo = 0;
    int FIncomeNo = 0;
};

using TFields = std::map<int, QString>;

void ExpectFields(const QString& What, const QString& Row, const TFields& Expected) {
    for (const auto& [field, value] : Expected)
        EXPECT_EQ(GetPiece(Row, FieldDelimiterChar, field), value)
            << What.toStdString() << ", field " << field;
}

// The fee fields of a contract whose borrower has no fee bands: three fees, nothing accrued.
const QString NoFees = u"@@0.00@0.00@0.00@0.00@0.00@0.00@0.00@0.00"_s;

} // namespace

TEST_F(LoanEngine, ComputesHandCheckedContracts) {
    Contract(1, D, 8001011234); // one day at 5 % a month
    PayOut(D, 1, 1000);
    Contract(2, D, 333); // a balance whose interest lies on the half cent
    PayOut(D, 2, 1002.50);
    Contract(3, D, 333); // an interest instalment
    PayOut(D, 3, 1000);
    Receive(D + 10, 3, ptInInterest, 20);
    Contract(4, D, 12345); // a principal instalment that moves the balance into the other band
    PayOut(D, 4, 1000);
    Receive(D + 4, 4, ptInPrincipal, 600);
    Contract(5, D, 12345); // a balance on the limit of two bands
    PayOut(D, 5, 500);
    Contract(6, D, 12345); // nothing paid out
    Contract(7, D, 333);   // returned
    PayOut(D, 7, 1000);
    Receive(D + 20, 7, ptInPrincipal, 1000);
    Receive(D + 20, 7, ptInInterest, 42);
    Exec(Format("Update Contracts   Set Finished = True,     At_Date  = %d  Where ( docno = %d )",
                {D + 20, 7}));
    Contract(8, D, 333); // declared for sale, then sold
    PayOut(D, 8, 1000);
    Exec(Format("Update Contracts   Set for_sale = True,     for_sale_date  = %d  Where ( docno = %d )",
                {D + 35, 8}));
    Exec(Format("UPDATE Contracts SET sold = True, sold_at_date = %d WHERE docno = %d", {D + 40, 8}));
    Receive(D + 40, 8, ptInSalePledgedItem, 1500);
    Contract(9, D, 333); // orders outside the contract's days
    PayOut(D - 1, 9, 500);
    PayOut(D, 9, 1000);
    Receive(D + 15, 9, ptInInterest, 10);
    Contract(10, D, 333); // overdue, then renewed by a late interest payment
    PayOut(D, 10, 1000);
    Receive(D + 35, 10, ptInInterest, 62);

    struct Case {
        const char* What;
        int DocNo;
        int AtDate;
        TFields Expected;
    } cases[] = {
        {"paid out and computed on the same day",
         1,
         D,
         {{0, "1"},
          {1, Day(D)},
          {2, "8001011234"},
          {3, u"Мария Иванова"_s},
          {4, "1000.00"},
          {5, "0.00"},
          {6, "1000.00"},
          {7, "1.67"},
          {8, "0.00"},
          {9, "1.67"},
          {10, "1001.67"},
          {11, "30"},
          {12, ""},
          {13, ""},
          {14, "0"},
          {15, u"не"_s},
          {16, u"не"_s},
          {17, ""},
          {18, u"не"_s},
          {19, ""},
          {20, u"не"_s},
          {21, ""},
          {22, "1"},
          {23, u"Злато"_s},
          {24, u"Пръстен 585"_s},
          {25, Day(D + 29)}}},
        {"1002.50 at 0.2 % a day is 2.005", 2, D, {{7, "2.01"}, {10, "1004.51"}}},
        {"interest instalment",
         3,
         D + 29,
         {{7, "60.00"},
          {8, "20.00"},
          {9, "40.00"},
          {10, "1040"},
          {12, Day(D + 10)},
          {13, "20"},
          {14, "19"},
          {15, u"не"_s},
          // Due on the last day that is not overdue, as without an interest payment.
          {25, Day(D + 39)}}},
        {"the day before the term ends after an interest payment", 3, D + 39, {{14, "29"}, {15, u"не"_s}}},
        {"the term ends after an interest payment", 3, D + 40, {{14, "30"}, {15, u"да"_s}}},
        {"principal instalment into the lower band",
         4,
         D + 9,
         {{4, "1000.00"}, {5, "600.00"}, {6, "400.00"}, {7, "9.00"}, {9, "9.00"}, {10, "409"}}},
        {"principal instalment on the at-date",
         4,
         D + 4,
         {{5, "600.00"}, {6, "400.00"}, {7, "5.00"}, {10, "405"}}},
        {"the later of two bands that both hold the balance", 5, D, {{7, "0.50"}}},
        {"nothing paid out",
         6,
         D + 45,
         {{4, "0.00"}, {6, "0.00"}, {7, "0.00"}, {10, "0"}, {14, "45"}, {15, u"не"_s}, {25, Day(D + 29)}}},
        {"the last day of the term without interest payments", 1, D + 29, {{14, "29"}, {15, u"не"_s}}},
        {"the day after the term without interest payments", 1, D + 30, {{14, "30"}, {15, u"да"_s}}},
        {"returned",
         7,
         D + 40,
         {{5, "1000.00"},
          {6, "0.00"},
          {7, "42.00"},
          {8, "42.00"},
          {9, "0.00"},
          {10, "0"},
          {12, Day(D + 20)},
          {13, "42"},
          {14, "20"},
          {15, u"не"_s},
          {16, u"да"_s},
          {17, Day(D + 20)},
          {25, ""}}},
        {"declared for sale and sold",
         8,
         D + 40,
         {{4, "1000.00"},
          {5, "0.00"},
          {7, "82.00"},
          {8, "0.00"},
          {10, "1082"},
          {15, u"да"_s},
          {16, u"не"_s},
          {18, u"да"_s},
          {19, Day(D + 35)},
          {20, u"да"_s},
          {21, Day(D + 40)},
          {25, ""}}},
        // At a past date the debt is what it was then: an interest payment made later neither
        // counts nor moves the base date, the due date or the overdue flag.
        {"an interest payment after the at-date",
         9,
         D + 9,
         {{4, "1000.00"},
          {7, "20.00"},
          {8, "0.00"},
          {10, "1020"},
          {12, ""},
          {13, ""},
          {14, "9"},
          {25, Day(D + 29)}}},
        {"overdue at a date before a later interest payment",
         10,
         D + 32,
         {{8, "0.00"}, {12, ""}, {14, "32"}, {15, u"да"_s}, {25, Day(D + 29)}}},
        {"renewed by that payment", 10, D + 35, {{8, "62.00"}, {14, "0"}, {15, u"не"_s}, {25, Day(D + 64)}}},
        {"an interest payment on the at-date itself", 9, D + 15, {{12, Day(D + 15)}, {13, "10"}, {14, "0"}}},
        // An order of the day after the at-date is not in the debt yet.
        {"an interest payment the day after the at-date",
         9,
         D + 14,
         {{8, "0.00"}, {12, ""}, {13, ""}, {14, "14"}}},
        {"a principal instalment the day after the at-date", 4, D + 3, {{5, "0.00"}, {6, "1000.00"}}},
        {"before the only interest payment, past the term", 3, D + 9, {{12, ""}, {14, "9"}, {15, u"не"_s}}},
    };
    for (const Case& c : cases) {
        const auto debt = Debt(QString::number(c.DocNo), c.AtDate);
        EXPECT_TRUE(debt->Ok) << c.What;
        EXPECT_EQ(debt->FieldCount(), DebtFieldCount + 9) << c.What;
        ExpectFields(QString::fromUtf8(c.What), debt->Row, c.Expected);
        EXPECT_TRUE(debt->Row.endsWith(NoFees)) << c.What << ": " << debt->Row.toStdString();
    }
}

// A correction (a negative interest receipt) takes money back and is no payment: a day whose
// interest receipts net to zero or less neither becomes the last payment nor renews the contract.
// 1000.00 at 6 % a month is 2.00 a day; each contract runs 30 days from D.
TEST_F(LoanEngine, ACorrectionIsNoInterestPayment) {
    for (int docNo = 11; docNo <= 14; ++docNo) {
        Contract(docNo, D, 333);
        PayOut(D, docNo, 1000);
    }
    Receive(D + 10, 11, ptInInterest, 20); // paid, and taken back a month later
    Receive(D + 40, 11, ptInInterest, -20);
    Receive(D + 40, 12, ptInInterest, 20); // a mistaken receipt taken back the same day
    Receive(D + 40, 12, ptInInterest, -20);
    Receive(D + 40, 13, ptInInterest, 30); // partly taken back the same day
    Receive(D + 40, 13, ptInInterest, -10);
    Receive(D + 40, 14, ptInInterest, 20); // a cent left
    Receive(D + 40, 14, ptInInterest, -19.99);
    const struct {
        const char* What;
        int DocNo;
        int AtDate;
        TFields Expected;
    } cases[] = {
        {"a correction alone",
         11,
         D + 45,
         {{7, "92.00"},
          {8, "0.00"},
          {9, "92.00"},
          {12, Day(D + 10)},
          {13, "20"},
          {14, "35"},
          {15, u"да"_s},
          {25, Day(D + 39)}}},
        {"the day before the correction", 11, D + 39, {{8, "20.00"}, {12, Day(D + 10)}, {15, u"не"_s}}},
        {"a correction on the at-date",
         11,
         D + 40,
         {{8, "0.00"}, {12, Day(D + 10)}, {14, "30"}, {15, u"да"_s}}},
        {"a day netting to zero",
         12,
         D + 45,
         {{8, "0.00"}, {12, ""}, {13, ""}, {14, "45"}, {15, u"да"_s}, {25, Day(D + 29)}}},
        {"a day netting above zero",
         13,
         D + 45,
         {{8, "20.00"}, {12, Day(D + 40)}, {13, "20.00"}, {14, "5"}, {15, u"не"_s}, {25, Day(D + 69)}}},
        {"a day netting to a cent",
         14,
         D + 45,
         {{8, "0.01"}, {12, Day(D + 40)}, {13, "0.01"}, {15, u"не"_s}}},
    };
    for (const auto& c : cases) {
        const auto debt = Debt(QString::number(c.DocNo), c.AtDate);
        EXPECT_TRUE(debt->Ok) << c.What;
        ExpectFields(QString::fromUtf8(c.What), debt->Row, c.Expected);
    }
}

TEST_F(LoanEngine, AccruesAndSubtractsFees) {
    Contract(1, D, 555);
    PayOut(D, 1, 800);
    Receive(D + 4, 1, ptInPrincipal, 300);
    Receive(D + 7, 1, ptInPrincipal, 100);
    Receive(D, 1, FeePaymentType(1), 8);
    Receive(D + 3, 1, FeePaymentType(2), 1);
    Receive(D + 12, 1, FeePaymentType(2), 5); // after the at-date

    const auto debt = Debt("1", D + 9);
    ASSERT_TRUE(debt->Ok);
    // Interest at 0.1 % a day: 5 days on 800, 3 on 500, 2 on 400. The one-time fee is 1 % of the
    // first day's 800. The daily fee is 1.5 % a month on 800 (0.40 a day), none on 500, which lies
    // on a band limit, and 3 % a month on 400 (0.40 a day).
    ExpectFields("fees", debt->Row,
                 {{6, "400.00"},
                  {7, "6.30"},
                  {9, "6.30"},
                  {10, "408.1"},
                  {26, "8.00"},
                  {27, "8.00"},
                  {28, "0.00"},
                  {29, "2.80"},
                  {30, "1.00"},
                  {31, "1.80"},
                  {32, "0.00"},
                  {33, "0.00"},
                  {34, "0.00"}});
    EXPECT_EQ(debt->FieldCount(), DebtFieldCount + 9);
    EXPECT_EQ(debt->OneTime.GetTextStr(), u"1@Оценка@8.00@8.00@0.00"_s);
    EXPECT_EQ(debt->Daily.GetTextStr(), u"2@Съхранение@2.80@1.00@1.80°3@Охрана@0.00@0.00@0.00"_s);
    // The fee payment of D + 12 counts from its own day on.
    EXPECT_EQ(Debt("1", D + 11)->Daily.GetField(0, 3), u"1.00"_s);
    EXPECT_EQ(Debt("1", D + 12)->Daily.GetField(0, 3), u"6.00"_s);
}

TEST_F(LoanEngine, MissingContractGivesFalseAndAnEmptyRecord) {
    Contract(1, D, 12345);
    PayOut(D, 1, 1000);
    for (const char* docNo : {"999", "abc"}) {
        auto debt = std::make_unique<TDebt>();
        debt->Row = "old";
        debt->OneTime.Add("x");
        EXPECT_FALSE(CalculateContractDebt(nullptr, docNo, debt->Row, D, debt->OneTime, debt->Daily))
            << docNo;
        EXPECT_EQ(debt->Row, "") << docNo;
        EXPECT_EQ(debt->OneTime.Count(), 0) << docNo;
    }
    // An empty number is refused before anything is touched.
    QString row = "old";
    TDelimitedStringList oneTime, daily;
    EXPECT_FALSE(CalculateContractDebt(nullptr, "", row, D, oneTime, daily));
    EXPECT_EQ(row, "old");
}

TEST_F(LoanEngine, ContractDatedAfterTheAtDateOwesNothingYet) {
    Contract(1, D + 5, 555);
    PayOut(D + 5, 1, 800);
    const auto debt = Debt("1", D);
    ASSERT_TRUE(debt->Ok);
    EXPECT_EQ(debt->FieldCount(), DebtFieldCount);
    ExpectFields("after the at-date", debt->Row,
                 {{0, "1"},
                  {3, u"Петър Георгиев"_s},
                  {4, "0.00"},
                  {5, "0.00"},
                  {6, "0.00"},
                  {7, "0.00"},
                  {8, "0.00"},
                  {9, "0.00"},
                  {10, "0"},
                  {14, "-5"},
                  {15, u"не"_s},
                  {25, Day(D + 34)}});
    EXPECT_EQ(debt->OneTime.Count(), 0);
    EXPECT_EQ(debt->Daily.Count(), 0);
}

TEST_F(LoanEngine, BorrowerWithoutCodeOrBandsIsRefusedWithAMessage) {
    TScriptedPresenter presenter;
    Contract(1, D, 222);
    PayOut(D, 1, 100);
    Contract(2, D, 444);
    PayOut(D, 2, 100);
    EXPECT_FALSE(Debt("1", D)->Ok);
    EXPECT_FALSE(Debt("2", D)->Ok);
    EXPECT_EQ(presenter.Texts(),
              QStringList({u"За клиент с ЕГН: 0000000222 (Без Код) не е указан префернциялен код."_s,
                           u"Не е зададена лихвена схема за клиент Без Схема с префернциялен код 4."_s}));
}

TEST_F(LoanEngine, OutstandingPrincipalTakesEveryPaymentWhateverItsDate) {
    Contract(1, D, 12345);
    PayOut(D - 1, 1, 500);
    PayOut(D, 1, 1000);
    Receive(D + 4, 1, ptInPrincipal, 600.25);
    Receive(D + 400, 1, ptInPrincipal, 100);
    Receive(D + 4, 1, ptInInterest, 50);
    struct Case {
        const char* DocNo;
        bool Ok;
        double Principal;
    } cases[] = {{"1", true, 799.75}, {"999", true, 0}, {"", false, 0}, {"abc", false, 0}};
    for (const Case& c : cases) {
        double principal = -1;
        EXPECT_EQ(GetOutstandingPrincipal(nullptr, c.DocNo, principal), c.Ok) << c.DocNo;
        EXPECT_EQ(principal, c.Principal) << c.DocNo;
    }
    // Many contracts at once give the same, only for the contracts asked about: contract 2 is
    // repaid in full, 3 only paid out, 4 is not asked about.
    PayOut(D, 2, 300);
    Receive(D + 9, 2, ptInPrincipal, 300);
    PayOut(D, 3, 200.5);
    PayOut(D, 4, 100);
    EXPECT_EQ(OutstandingPrincipals(nullptr, u"SELECT 1 UNION SELECT 2 UNION SELECT 3 UNION SELECT 999"_s),
              (QHash<qint64, qint64>{{1, 79975}, {2, 0}, {3, 20050}}));
}

// A fee band holds neither of its limits, and the amount is compared with two decimals.
TEST_F(LoanEngine, OneTimeFeesAtBandEdges) {
    struct Case {
        double Amount;
        const char* Fee;
        QString Text;
        double Total;
    } cases[] = {
        {50, "2.50", u"2.50 лв. (в т.ч. Оценка 2.50 лв.)"_s, 2.5},
        {100.10, "5.01", u"5.01 лв. (в т.ч. Оценка 5.01 лв.)"_s, 5.01},
        {200, "", "", 0},
        {199.996, "", "", 0},
        {199.994, "10.00", u"10.00 лв. (в т.ч. Оценка 10.00 лв.)"_s, 10},
        {999.99, "10.00", u"10.00 лв. (в т.ч. Оценка 10.00 лв.)"_s, 10},
        {1000, "", "", 0},
        {0, "", "", 0},
        {0.01, "0.00", "", 0},
    };
    for (const Case& c : cases) {
        TDelimitedStringList fees;
        QString text = "old";
        double total = -1;
        EXPECT_TRUE(CalcOneTimeFees(nullptr, 6, fees, c.Amount, text, total));
        EXPECT_EQ(fees.GetTextStr(), u"1@Оценка@"_s + c.Fee) << c.Amount;
        EXPECT_EQ(text, c.Text) << c.Amount;
        EXPECT_EQ(total, c.Total) << c.Amount;
    }
}

TEST_F(LoanEngine, DailyFeesOverATerm) {
    struct Case {
        int Days;
        double Amount;
        const char* Fee;
        QString Text;
        double Total;
    } cases[] = {
        {30, 1000, "30.00", u"30.00 лв. (в т.ч. Съхранение 30.00 лв. (1.00лв./ден))"_s, 30},
        {0, 1000, "0.00", u"0.00 лв. (в т.ч. Съхранение 0.00 лв. (1.00лв./ден))"_s, 0},
        {30, 4, "0.00", "", 0},
        {30, 5000, "", "", 0},
    };
    for (const Case& c : cases) {
        TDelimitedStringList fees;
        QString text;
        double total = -1;
        EXPECT_TRUE(CalcDailyFees(nullptr, 6, c.Days, c.Amount, fees, text, total));
        EXPECT_EQ(fees.GetTextStr(), u"2@Съхранение@"_s + c.Fee + u"°3@Охрана@"_s)
            << c.Days << " " << c.Amount;
        EXPECT_EQ(text, c.Text) << c.Days << " " << c.Amount;
        EXPECT_EQ(total, c.Total) << c.Days << " " << c.Amount;
    }
    // A code without fee bands: no text at all.
    TDelimitedStringList fees;
    QString text;
    double total = -1;
    EXPECT_TRUE(CalcDailyFees(nullptr, 7, 30, 1000, fees, text, total));
    EXPECT_EQ(text, "");
    EXPECT_EQ(total, 0);
}

TEST_F(LoanEngine, ReadsThePawnshopName) {
    QString name = "old";
    EXPECT_TRUE(ReadSettingVA1(nullptr, name));
    EXPECT_EQ(name, "");
    Exec(Format("Update VA Set value_VA = \"%s\" Where code_VA = 1",
                {SqlText(u"Заложна къща \"Златен ключ\""_s)}));
    EXPECT_TRUE(ReadSettingVA1(nullptr, name));
    EXPECT_EQ(name, u"Заложна къща Златен ключ"_s);
}

TEST(LoanEngineTexts, FormatEGNPadsToTenDigits) {
    struct Case {
        const char* EGN;
        const char* Result;
    } cases[] = {{"12345", "0000012345"},
                 {"", "0000000000"},
                 {"8001011234", "8001011234"},
                 {"12345678901", "12345678901"}};
    for (const Case& c : cases) {
        QString result;
        FormatEGN(c.EGN, result);
        EXPECT_EQ(result, c.Result);
    }
}

TEST(LoanEngineTexts, WorkstationOptionIsOnOnlyForOne) {
    QTemporaryDir dir;
    SetRegistryFile(dir.filePath("Kovo_Lab.ini"));
    WriteRegString(rg_Registry_1, "1");
    WriteRegString(rg_Registry_2, "0");
    WriteRegString(rg_Registry_3, " 1");
    EXPECT_TRUE(WorkstationOptionOn(rg_Registry_1));
    EXPECT_FALSE(WorkstationOptionOn(rg_Registry_2));
    EXPECT_FALSE(WorkstationOptionOn(rg_Registry_3));
    EXPECT_FALSE(WorkstationOptionOn(rg_Registry_7));
    SetRegistryFile(QString());
}

TEST_F(LoanEngine, BatchSaysWhyAContractCannotBeComputed) {
    TScriptedPresenter presenter;
    Exec(u"Insert into Items values ( 2, \"Гривна\", 7 )"_s); // a type that does not exist
    Contract(1, D, 12345);
    Exec(u"Update Contracts Set code_i = 99 Where docno = 1"_s);
    Contract(2, D, 12345);
    Exec(u"Update Contracts Set code_i = 2 Where docno = 2"_s);
    Contract(3, D, 777); // no such borrower
    Contract(4, D, 222);
    Contract(5, D, 444);
    Contract(6, D + 5, 222); // not yet signed: nothing to compute, so nothing is missing
    Contract(7, D, 777);
    Exec(u"Update Contracts Set code_i = 99 Where docno = 7"_s);
    PayOut(D, 4, 100);
    PayOut(D, 5, 100);
    const QStringList docNos{"5", "abc", "1", "2", "3", "4", "6", "8", "7"};
    const QStringList expected{
        u"няма лихвена схема за преференциален код 4"_s,
        u"договорът не съществува"_s,
        u"липсва вещ с шифър 99"_s,
        u"липсва вид на вещ с шифър 7"_s,
        u"липсва заемополучател с ЕГН 0000000777"_s,
        u"заемополучателят с ЕГН 0000000222 няма преференциален код"_s,
        QString(),
        u"договорът не съществува"_s,
        u"липсва вещ с шифър 99, липсва заемополучател с ЕГН 0000000777"_s,
    };
    QStringList failures(docNos.size(), u"not called"_s);
    QList<int> order;
    CalculateContractDebts(nullptr, docNos, D, [&](int Index, const QString& Row, const QString& Failure) {
        failures[Index] = Failure;
        order << Index;
        EXPECT_EQ(Row.isEmpty(), !Failure.isEmpty()) << Index;
    });
    EXPECT_EQ(failures, expected);
    // The one that is not a number first, then by number.
    EXPECT_EQ(order, (QList<int>{1, 2, 3, 4, 5, 0, 6, 8, 7}));
    EXPECT_TRUE(presenter.Texts().isEmpty());
}
