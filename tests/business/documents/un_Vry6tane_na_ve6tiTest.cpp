// Settling a contract: the breakdown, the checks and the receipts, then the window on a small
// shop driven through its keys.

#include "business/documents/un_Vry6tane_na_ve6ti.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "business/documents/DocumentForm.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unRegistry.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/WriteLock.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// A debt record with the principal and interest fields set, the rest empty.
QString DebtRow(const QString& PaidOut, const QString& Repaid, const QString& Outstanding,
                const QString& Accrued, const QString& InterestPaid, const QString& InterestDue) {
    QStringList F(26);
    F[0] = u"1"_s;
    F[4] = PaidOut;
    F[5] = Repaid;
    F[6] = Outstanding;
    F[7] = Accrued;
    F[8] = InterestPaid;
    F[9] = InterestDue;
    return F.join(u'@');
}

TDelimitedStringList Table(const QString& Text) {
    TDelimitedStringList List;
    List.SetTextStr(Text);
    return List;
}

// Principal 100.00 with 3.00 interest due, and Fees as the fee rows.
TDelimitedStringList Breakdown(bool PaymentMode, const QString& Fees = QString()) {
    TDelimitedStringList Rows;
    BuildSettlementRows(DebtRow(u"100.00"_s, u"0.00"_s, u"100.00"_s, u"3.00"_s, u"0.00"_s, u"3.00"_s),
                        Table(Fees), TDelimitedStringList(), PaymentMode, Rows);
    return Rows;
}

} // namespace

TEST(SettlementAtDate, InterestInStepsOfFifteenDaysOnlyWithTheOption) {
    const TDateTime Today = 45352;
    const struct {
        int DaysAgo;
        bool Steps;
        TDateTime Expected;
    } Cases[] = {
        {16, true, 45352 - 16 + 30}, {15, true, Today}, {1, true, 45352 - 1 + 15}, {0, true, Today},
        {16, false, Today},          {-3, true, Today},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.DaysAgo);
        EXPECT_EQ(SettlementAtDate(Today + 0.4, Today - C.DaysAgo, C.Steps), C.Expected);
    }
}

TEST(BuildSettlementRows, PrincipalInterestFeesByPaymentTypeAndTotals) {
    // Fee 5 (payment type 10) is listed first but comes after fee 1 (type 6).
    TDelimitedStringList Rows;
    BuildSettlementRows(DebtRow(u"100.00"_s, u"20.00"_s, u"80.00"_s, u"3.00"_s, u"1.00"_s, u"2.00"_s),
                        Table(u"5@Оценка@1.00@0.00@1.00°1@Такса@@0.00@0.00"_s),
                        Table(u"2@Съхранение@0.30@0.10@0.20"_s), false, Rows);
    EXPECT_EQ(Rows.GetTextStr(), u"1@главница@100.00@20.00@80.00°2@лихва@3.00@1.00@2.00°6@Такса@@0.00@0.00°"
                                 "7@Съхранение@0.30@0.10@0.20°10@Оценка@1.00@0.00@1.00°"
                                 "¤Общо:@@104.300000@21.100000@83.200000"_s);
    BuildSettlementRows(DebtRow(u"100.00"_s, u"20.00"_s, u"80.00"_s, u"3.00"_s, u"1.00"_s, u"2.00"_s),
                        TDelimitedStringList(), TDelimitedStringList(), true, Rows);
    EXPECT_EQ(Rows.GetTextStr(), u"2@лихва@3.00@1.00@2.00°¤Общо:@@3.000000@1.000000@2.000000"_s);
    EXPECT_EQ(SettlementDueCents(Rows), 200);
}

TEST(SettlementRefusal, EachCheckInItsOrder) {
    const TDelimitedStringList Due = Breakdown(false);
    TDelimitedStringList Nothing;
    BuildSettlementRows(DebtRow(u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s, u"0.00"_s),
                        TDelimitedStringList(), TDelimitedStringList(), false, Nothing);
    const TDelimitedStringList OnlyTotals = Table(u"¤Общо:@@0@0@5"_s);
    const struct {
        const char* Name;
        qint64 DocNo;
        bool PaymentMode;
        double Paid;
        const TDelimitedStringList* Rows;
        QString Expected;
    } Cases[] = {
        {"no contract", 0, false, 103, &Due, u"Изберете договор"_s},
        {"nothing paid", 1, false, 0, &Due, u"Попълнете сума"_s},
        {"nothing due", 1, false, 10, &Nothing, u"Няма сума за връщане. Изберете друг договор"_s},
        {"return without rows", 1, false, 5, &OnlyTotals,
         u"За избрания договор не се показват суми по главница и лихви"_s},
        {"short by 2.50", 1, false, 100.50, &Due,
         u"Върнатата сума е по-малка от главницата плюс лихвите и таксите по договора. Не може да се "
         u"осществи "
         "връщане на вещ"_s},
        {"short by 2.00", 1, false, 101, &Due, QString()},
        {"paid more", 1, false, 105, &Due, QString()},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(SettlementRefusal(C.DocNo, C.PaymentMode, C.Paid, *C.Rows), C.Expected);
    }
}

TEST(SettlementSql, OneReceiptPerAmountDueTheDifferenceOnTheInterest) {
    const TSettlementParties Parties{u"Иван \"Ванката\""_s, u"Мария Колева"_s, u"maria"_s};
    const QString Receipt = u"Insert into Incomes values ( ( Select IfNull( max( docno ), 0 ) + 1 From "
                            u"Incomes ), 45352, 9, %1, %2, "
                            "\"Иван \"\"Ванката\"\"\", \"Мария Колева\", \"maria\" )"_s;
    const QString Finished =
        u"Update Contracts   Set Finished = True,     At_Date  = 45352  Where ( docno = 9 ) AND ( Finished = False )"_s;
    const struct {
        const char* Name;
        bool PaymentMode;
        double Paid;
        QString Fees;
        QStringList Expected;
    } Cases[] = {
        {"short by 1.00",
         false,
         102,
         QString(),
         {Receipt.arg(1).arg(u"100.00"_s), Receipt.arg(2).arg(u"2.00"_s), Finished}},
        {"paid more",
         false,
         105,
         QString(),
         {Receipt.arg(1).arg(u"100.00"_s), Receipt.arg(2).arg(u"5.00"_s), Finished}},
        {"a fee with nothing due",
         false,
         104.50,
         u"1@Оценка@1.50@0.00@1.50°2@Такса@0.80@0.80@0.00"_s,
         {Receipt.arg(1).arg(u"100.00"_s), Receipt.arg(2).arg(u"3.00"_s), Receipt.arg(6).arg(u"1.50"_s),
          Finished}},
        {"payment of the interest", true, 3, QString(), {Receipt.arg(2).arg(u"3.00"_s)}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(SettlementSql(9, C.PaymentMode, C.Paid, Breakdown(C.PaymentMode, C.Fees), 45352.6, Parties),
                  C.Expected);
    }
}

namespace {

// The shop with three open contracts, paid out on their dates: 1 of Ivan's, 1000.00 of
// 21.02.2024; 2 of Maria's, 500.00 of 14.02.2024 (16 days before today); 3 of Ivan's, finished.
class SettlementWindow : public ::testing::Test {
public:
    SettlementWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        for (
            const QString& Sql : {
                u"Insert into Contracts values ( 1, 45343, 5, 1000, 3, 30, \"\", False, 0, False, 0, "
                u"8001011234, "
                "False, 0, 0, False, 0, 0, 0, 0 )"_s,
                u"Insert into Outcomes values ( 8, 45343, 1, 1, 1000, \"Иван Петров Иванов\", \"\", \"maria\" )"_s,
                u"Insert into Contracts values ( 2, 45336, 6, 500, 4, 30, \"\", False, 0, False, 0, 12345, "
                u"False, "
                "0, 0, False, 0, 0, 0, 0 )"_s,
                u"Insert into Outcomes values ( 9, 45336, 2, 1, 500, \"Мария Георгиева\", \"\", \"maria\" )"_s,
                u"Insert into Contracts values ( 3, 45300, 6, 200, 6, 30, \"\", True, 45330, False, 0, "
                "8001011234, False, 0, 0, False, 0, 0, 0, 0 )"_s,
                u"Insert into Outcomes values ( 10, 45300, 3, 1, 200, \"Иван Петров Иванов\", \"\", \"maria\" )"_s,
            })
            EXPECT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString();
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1000, 700);
        ShowAndActivate(&Host);
    }
    ~SettlementWindow() override {
        for (TfrmVry6tane_na_ve6ti* F : {Form, Other})
            if (F) {
                F->RunDone();
                delete F->Container();
            }
    }

    TfrmVry6tane_na_ve6ti* NewWindow(bool PaymentMode) {
        auto* F = CreateForm<TfrmVry6tane_na_ve6ti>(&Host, TMAccountForm::fsMDIChild);
        F->SetPaymentMode(PaymentMode);
        F->SetUserName(u"maria"_s);
        F->ShowForm();
        QApplication::processEvents();
        return F;
    }
    void Open(bool PaymentMode) { Form = NewWindow(PaymentMode); }
    void Close() {
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
    }
    // A second window on the same shop, as a second operator would open it; Form stays the one
    // the keys go to until Switch.
    void OpenOther(bool PaymentMode) { Other = NewWindow(PaymentMode); }
    void Switch() { std::swap(Form, Other); }
    // F2 of Form, whichever window has the focus.
    void SaveForm() {
        Form->actSave->trigger();
        QApplication::processEvents();
    }
    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
        TypeText(Field, Text);
    }
    // The borrower, then the contract: leaving the borrower lists the contracts.
    void Choose(const QString& Owner, const QString& Contract) {
        Type(Form->leOwner, Owner);
        Type(Form->leContract, Contract);
    }
    void Press(Qt::Key Key) {
        QTest::keyClick(QApplication::focusWidget(), Key);
        QApplication::processEvents();
    }
    QStringList GridRows() const {
        QStringList Rows;
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            Rows += Form->Grid->Rows(R).join(u'|');
        return Rows;
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TfrmVry6tane_na_ve6ti* Form = nullptr;
    TfrmVry6tane_na_ve6ti* Other = nullptr;
};

} // namespace

// 10 days of 1000.00 at 3 % a month: 1.00 interest and 1.00 storage a day, 1 % valuation once.
TEST_F(SettlementWindow, ReturnWritesAReceiptPerAmountAndFinishesTheContract) {
    Open(false);
    EXPECT_EQ(Form->Container()->windowTitle(), u"Връщане на вещи"_s);
    Choose(u"8001011234"_s, u"1"_s);
    EXPECT_EQ(Form->pnlOwner->text(), u"Иван Петров Иванов"_s);
    EXPECT_EQ(Form->pnlItem->text(), u"Злато"_s);
    EXPECT_EQ(Form->pnlSN->text(), u"Пръстен 585"_s);
    EXPECT_EQ(GridRows(), (QStringList{u"1|главница|1000.00|0.00|1000.00"_s, u"2|лихва|10.00|0.00|10.00"_s,
                                       u"6|Оценка|10.00|0.00|10.00"_s, u"7|Съхранение|10.00|0.00|10.00"_s,
                                       u"Общо:||1030.000000|0.000000|1030.000000"_s}));
    EXPECT_EQ(Form->feSum_c->text(), u"1030.00"_s);

    // Short by 1.00: accepted, the interest receipt takes the shortfall.
    Type(Form->feSum_c, u"1029"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    // The operator is told which receipts to hand over.
    EXPECT_EQ(Presenter.Texts(), (QStringList{u"Желаете ли да извършите операция \"връщане на вещ\"?"_s,
                                              u"Записани са приходни касови ордери № 1, 2, 3, 4."_s}));
    EXPECT_EQ(
        QueryText(u"Select docno, date_d, contract_n, payment_type, sum_o, customer_name, supplier_name, "
                  "user_name From Incomes Order By docno"_s),
        u"1@01.03.2024@1@1@1000@Иван Петров Иванов@Мария Колева@maria°"
        "2@01.03.2024@1@2@9@Иван Петров Иванов@Мария Колева@maria°"
        "3@01.03.2024@1@6@10@Иван Петров Иванов@Мария Колева@maria°"
        "4@01.03.2024@1@7@10@Иван Петров Иванов@Мария Колева@maria"_s);
    EXPECT_EQ(QueryText(u"Select Finished, At_Date From Contracts Where docno = 1"_s), u"True@01.03.2024"_s);
    // The finished contract leaves the list; the window is ready for the next one.
    EXPECT_TRUE(Form->leContract->text().isEmpty());
    EXPECT_EQ(Form->feSum_c->Value(), 0);
    EXPECT_EQ(ListEditLookup(Form->leContract, 0, 0, u"1"_s), QString());
}

TEST_F(SettlementWindow, RefusalsAndAnUnansweredQuestionWriteNothing) {
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    Type(Form->feSum_c, u"1027.50"_s);
    Press(Qt::Key_F2);
    Presenter.PlanAnswer(mrNo);
    Type(Form->feSum_c, u"1030"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(
        Presenter.Texts(),
        (QStringList{u"Върнатата сума е по-малка от главницата плюс лихвите и таксите по договора. Не може "
                     "да се осществи връщане на вещ"_s,
                     u"Желаете ли да извършите операция \"връщане на вещ\"?"_s}));
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);
    EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 1"_s), u"False"_s);
}

// A receipt that fails takes the others and the contract's mark back with it; the same
// settlement made again goes through.
TEST_F(SettlementWindow, AFailedReceiptWritesNothingOfTheSettlement) {
    ASSERT_TRUE(
        ExecSQL(nullptr, AdoConnection,
                u"CREATE TRIGGER NoFee BEFORE INSERT ON Incomes WHEN NEW.payment_type = 7 BEGIN SELECT "
                "RAISE(ABORT, 'no storage today'); END"_s));
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    ASSERT_EQ(Presenter.Texts().size(), 2);
    EXPECT_TRUE(Presenter.Texts()[1].contains(u"no storage today"_s)) << Presenter.Texts()[1].toStdString();
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);
    EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 1"_s), u"False"_s);

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"DROP TRIGGER NoFee"_s));
    Presenter.Clear();
    Choose(u"8001011234"_s, u"1"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select Count(*), Sum(sum_o) From Incomes"_s), u"4@1030"_s);
    EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 1"_s), u"True"_s);
}

// A number typed past the list names a finished contract or another borrower's: no breakdown.
TEST_F(SettlementWindow, OnlyAContractOfTheBorrowersListIsSettled) {
    Open(false);
    for (const QString& Number : {u"3"_s, u"2"_s}) {
        SCOPED_TRACE(Number.toStdString());
        Presenter.Clear();
        Choose(u"8001011234"_s, Number);
        EXPECT_EQ(Form->BreakdownDocNo, 0);
        Type(Form->feSum_c, u"300"_s);
        Press(Qt::Key_F2);
        EXPECT_EQ(Presenter.Texts(), QStringList{u"Изберете договор"_s});
    }
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);
}

// 500.00 at 4 % a month: 0.0013333 a day gives 0.67; 17 days to today, 31 with the 15-day steps.
// Maria's code has no fee bands: her fees show nothing due.
TEST_F(SettlementWindow, PaymentOfInterestKeepsTheContractOpen) {
    for (const bool Steps : {false, true}) {
        SCOPED_TRACE(Steps);
        WriteRegString(u"rg_Registry_6"_s, Steps ? u"1"_s : u"0"_s);
        Open(true);
        EXPECT_EQ(Form->pnlCaption->text(), u"ПЛАЩАНЕ НА ДЪЛЖИМИ ЛИХВИ И ТАКСИ"_s);
        Choose(u"0000012345"_s, u"2"_s);
        const QString Due = Steps ? u"20.77"_s : u"11.39"_s;
        EXPECT_EQ(GridRows(), (QStringList{u"2|лихва|%1|0.00|%1"_s.arg(Due), u"6|Оценка||0.00|0.00"_s,
                                           u"7|Съхранение|0.00|0.00|0.00"_s,
                                           u"Общо:||%1|0.000000|%1"_s.arg(Due + u"0000"_s)}));
        Form->RunDone();
        delete Form->Container();
        Form = nullptr;
    }
    // Another contract's receipt of the same day is not among those the payment wrote.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        u"Insert into Incomes values ( 5, 45352, 1, 2, 3, \"\", \"\", \"maria\" )"_s));
    Open(true);
    Choose(u"0000012345"_s, u"2"_s);
    Presenter.Clear();
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select docno, contract_n, payment_type, sum_o From Incomes Where contract_n = 2"_s),
              u"6@2@2@20.77"_s);
    EXPECT_EQ(Presenter.Texts().value(1), u"Записан е приходен касов ордер № 6."_s);
    EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 2"_s), u"False"_s);
    EXPECT_EQ(ReadRegString(u"Last_EGN"_s), u"0000012345"_s);
}

// Two windows show the same contract; whatever the first one settles, the second must not settle
// again from the breakdown it showed before.
TEST_F(SettlementWindow, ASecondWindowCannotSettleWhatTheFirstSettled) {
    const QString Refused = u"Договорът е променен междувременно. Изберете договора отново."_s;
    const struct {
        const char* Name;
        bool FirstPays, SecondPays;
    } Cases[] = {
        {"returned twice", false, false},
        {"interest paid after the return", false, true},
        {"interest paid twice", true, true},
        {"returned after the interest was paid", true, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete from Incomes"_s));
        ASSERT_TRUE(
            ExecSQL(nullptr, AdoConnection, u"Update Contracts Set Finished = False Where docno = 1"_s));
        Open(C.FirstPays);
        Choose(u"8001011234"_s, u"1"_s);
        OpenOther(C.SecondPays);
        Switch();
        Choose(u"8001011234"_s, u"1"_s); // the second window
        Switch();                        // back to the first
        Presenter.Clear();
        Presenter.PlanAnswer(mrYes);
        SaveForm();
        const QString AfterFirst = QueryText(u"Select Count(*), Sum(sum_o) From Incomes"_s);
        const QString FinishedAfterFirst = QueryText(u"Select Finished From Contracts Where docno = 1"_s);

        Switch();
        Presenter.Clear();
        Presenter.PlanAnswer(mrYes);
        SaveForm();
        EXPECT_EQ(Presenter.Texts().value(Presenter.Texts().size() - 1), Refused);
        EXPECT_EQ(QueryText(u"Select Count(*), Sum(sum_o) From Incomes"_s), AfterFirst);
        EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 1"_s), FinishedAfterFirst);
        // Chosen again, the contract shows what is due now and settles at that.
        if (FinishedAfterFirst == u"False"_s) {
            Choose(u"8001011234"_s, u"1"_s);
            Presenter.Clear();
            Presenter.PlanAnswer(mrYes);
            Press(Qt::Key_F2);
            // Nothing left to pay is refused; a return is asked and then names its receipts.
            EXPECT_EQ(Presenter.Texts().size(), C.SecondPays ? 1 : 2)
                << Presenter.Texts().join(u'|').toStdString();
            EXPECT_EQ(QueryText(u"Select Sum(sum_o) From Incomes"_s), C.SecondPays ? u"30"_s : u"1030"_s);
        }
        for (TfrmVry6tane_na_ve6ti* F : {Form, Other}) {
            F->RunDone();
            delete F->Container();
        }
        Form = Other = nullptr;
    }
    // A restore elsewhere took the contract away altogether.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete from Incomes"_s));
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Update Contracts Set Finished = False Where docno = 1"_s));
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete from Contracts Where docno = 1"_s));
    Presenter.Clear();
    Presenter.PlanAnswer(mrYes);
    SaveForm();
    EXPECT_EQ(Presenter.Texts().value(Presenter.Texts().size() - 1),
              u"Договор номер 1 е изтрит междувременно."_s);
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);
}

// The borrower remembered from the last settlement has her contracts ready when the window opens.
TEST_F(SettlementWindow, TheRememberedBorrowersContractsAreListedOnOpening) {
    WriteRegString(u"Last_EGN"_s, u"0000012345"_s);
    Open(true);
    EXPECT_EQ(Form->leOwner->text(), u"0000012345"_s);
    EXPECT_EQ(ListEditLookup(Form->leContract, 0, 0, u"2"_s), u"2"_s);
}

TEST(SettlementSql, NoReceiptBelowZero) {
    const TSettlementParties Parties{u"Иван"_s, u"Мария"_s, u"maria"_s};
    // Interest 0.05 due and a fee received 9.70 over what accrued: the fee owes nothing, and its
    // excess is not taken off the principal.
    TDelimitedStringList Rows;
    BuildSettlementRows(DebtRow(u"100.00"_s, u"0.00"_s, u"100.00"_s, u"0.05"_s, u"0.00"_s, u"0.05"_s),
                        Table(u"1@Оценка@1.00@10.70@-9.70"_s), TDelimitedStringList(), false, Rows);
    EXPECT_EQ(Rows.Get(2), u"6@Оценка@1.00@10.70@0.00"_s);
    ASSERT_EQ(SettlementDueCents(Rows), 10005);
    const QString Short = u"Върнатата сума е по-малка от главницата плюс лихвите и таксите по договора. Не "
                          u"може да се осществи връщане на вещ"_s;
    EXPECT_EQ(SettlementRefusal(9, false, 100.05, Rows), QString());
    const QStringList Sql = SettlementSql(9, false, 100.05, Rows, 45352, Parties);
    ASSERT_EQ(Sql.size(), 3); // the whole principal, the interest and the contract's mark
    EXPECT_TRUE(Sql[0].contains(u", 9, 1, 100.00,"_s)) << Sql[0].toStdString();
    EXPECT_TRUE(Sql[1].contains(u", 9, 2, 0.05,"_s)) << Sql[1].toStdString();
    // Interest received over what accrued owes nothing either.
    BuildSettlementRows(DebtRow(u"100.00"_s, u"0.00"_s, u"100.00"_s, u"3.00"_s, u"5.00"_s, u"-2.00"_s),
                        TDelimitedStringList(), TDelimitedStringList(), true, Rows);
    EXPECT_EQ(Rows.GetTextStr(), u"2@лихва@3.00@5.00@0.00°¤Общо:@@3.000000@5.000000@0.000000"_s);

    // A row below zero given as it is: its excess goes onto the interest and then the fees, never
    // the principal; what they cannot take refuses the settlement.
    Rows = Table(u"1@главница@100@0@100°2@лихва@1@0@0.05°6@Оценка@1@10.70@-9.70°"
                 "7@Съхранение@20@0@20°¤Общо:@@@@110.35"_s);
    const QList<TSettlementReceipt> Receipts = SettlementReceipts(110.35, Rows);
    ASSERT_EQ(Receipts.size(), 2);
    EXPECT_EQ(Receipts[0].Type, 1);
    EXPECT_EQ(Receipts[0].Cents, 10000);
    EXPECT_EQ(Receipts[1].Type, 7);
    EXPECT_EQ(Receipts[1].Cents, 1035);
    Rows = Table(u"1@главница@100@0@100°2@лихва@1@0@0.05°6@Оценка@1@10.70@-9.70°¤Общо:@@@@90.35"_s);
    EXPECT_TRUE(SettlementReceipts(90.35, Rows).isEmpty());
    EXPECT_EQ(SettlementRefusal(9, false, 90.35, Rows), Short);

    // A shortfall the interest due cannot take is refused, even within 2.00.
    BuildSettlementRows(DebtRow(u"100.00"_s, u"0.00"_s, u"100.00"_s, u"0.05"_s, u"0.00"_s, u"0.05"_s),
                        TDelimitedStringList(), TDelimitedStringList(), false, Rows);
    EXPECT_EQ(SettlementRefusal(9, false, 99.99, Rows), Short);
    EXPECT_EQ(SettlementRefusal(9, false, 100.00, Rows), QString());
    const QStringList Exact = SettlementSql(9, false, 100.00, Rows, 45352, Parties);
    ASSERT_EQ(Exact.size(), 2); // no interest receipt of 0.00
    EXPECT_TRUE(Exact[0].contains(u", 9, 1, 100.00,"_s)) << Exact[0].toStdString();
}

namespace {

// Contract 3, finished in the fixture, with its principal repaid as a return repays it.
void RepayFinishedContract() {
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        u"Insert into Incomes values ( 10, 45330, 3, 1, 200, \"\", \"\", \"maria\" )"_s));
}

} // namespace

// A fee paid over before the mend (18.23 of 10.00) while the interest is paid up: the return
// repays the whole principal, and the payment of interest takes no more than is due.
TEST_F(SettlementWindow, AnOverpaidFeeIsNeverSetOffAgainstThePrincipal) {
    RepayFinishedContract();
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        u"Insert into Incomes values ( 20, 45350, 1, 6, 18.23, \"\", \"\", \"maria\" )"_s));
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        u"Insert into Incomes values ( 21, 45350, 1, 2, 10, \"\", \"\", \"maria\" )"_s));
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    EXPECT_EQ(GridRows(), (QStringList{u"1|главница|1000.00|0.00|1000.00"_s, u"2|лихва|10.00|10.00|0.00"_s,
                                       u"6|Оценка|10.00|18.23|0.00"_s, u"7|Съхранение|10.00|0.00|10.00"_s,
                                       u"Общо:||1030.000000|28.230000|1010.000000"_s}));
    EXPECT_EQ(Form->feSum_c->text(), u"1010.00"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts().value(1), u"Записани са приходни касови ордери № 22, 23."_s);
    EXPECT_EQ(QueryText(u"Select payment_type, sum_o From Incomes Where docno > 21 Order By docno"_s),
              u"1@1000°7@10"_s);
    ExpectBooksHold();

    // Maria's contract 2 owes 11.39 interest: 11.40 would leave a credit on the open contract.
    Form->RunDone();
    delete Form->Container();
    Open(true);
    Choose(u"0000012345"_s, u"2"_s);
    Presenter.Clear();
    Type(Form->feSum_c, u"11.40"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Платената сума надвишава дължимите лихви и такси по договора (11.39)."_s});
    Presenter.PlanAnswer(mrYes);
    Type(Form->feSum_c, u"11.39"_s);
    Press(Qt::Key_F2);
    EXPECT_EQ(QueryText(u"Select payment_type, sum_o From Incomes Where contract_n = 2"_s), u"2@11.39"_s);
    ExpectBooksHold();
}

// A receipt of the same contract saved just before the settlement is not among those the
// settlement names.
TEST_F(SettlementWindow, TheSettlementNamesOnlyItsOwnReceipts) {
    RepayFinishedContract();
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        u"Insert into Incomes values ( 30, 45352, 1, 6, 10, \"\", \"\", \"maria\" )"_s));
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    Presenter.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts().value(1), u"Записани са приходни касови ордери № 31, 32, 33."_s);
    EXPECT_EQ(QueryText(u"Select Count(*), Sum(sum_o) From Incomes Where contract_n = 1"_s), u"4@1030"_s);
    ExpectBooksHold();
}

// A contract declared for sale is listed, and one declared at another workstation after it was
// chosen is settled, returned or its interest paid, only where the workstation allows it.
TEST_F(SettlementWindow, ContractsDeclaredForSaleAreSettledOnlyWithTheOption) {
    RepayFinishedContract();
    for (const bool Allowed : {false, true}) {
        WriteRegString(u"rg_Registry_5"_s, Allowed ? u"1"_s : u"0"_s);
        for (const bool PaymentMode : {false, true}) {
            SCOPED_TRACE(testing::Message() << "payment " << PaymentMode << ", allowed " << Allowed);
            Exec(u"Delete from Incomes Where contract_n = 1"_s);
            Exec(u"Update Contracts Set Finished = False, At_Date = 0, for_sale = False, for_sale_date = 0 "
                 "Where docno = 1"_s);
            Open(PaymentMode);
            Choose(u"8001011234"_s, u"1"_s);
            ASSERT_EQ(Form->BreakdownDocNo, 1);
            ASSERT_TRUE(OtherWorkstationSaves(
                "Update Contracts Set for_sale = True, for_sale_date = 45351 Where docno = 1"));
            Presenter.Clear();
            Presenter.PlanAnswer(mrYes);
            Press(Qt::Key_F2);
            ASSERT_EQ(Presenter.Texts().size(), 2);
            EXPECT_EQ(Presenter.Texts()[1] == u"Договор номер 1 е обявен за продажба."_s, !Allowed)
                << Presenter.Texts()[1].toStdString();
            EXPECT_EQ(QueryText(u"Select ( Select Count(*) From Incomes Where contract_n = 1 ), Finished "
                                "From Contracts Where docno = 1"_s),
                      !Allowed      ? u"0@False"_s
                      : PaymentMode ? u"3@False"_s
                                    : u"4@True"_s);
            Close();
        }
        // Declared before it is chosen.
        SCOPED_TRACE(Allowed);
        Open(false);
        Choose(u"8001011234"_s, u"1"_s);
        EXPECT_EQ(ListEditLookup(Form->leContract, 0, 0, u"1"_s), Allowed ? u"1"_s : QString());
        EXPECT_EQ(Form->BreakdownDocNo, Allowed ? 1 : 0);
        Close();
    }
    ExpectBooksHold();
}

// Another workstation writing: Save says so in Bulgarian and the chosen contract and amount stay
// for the next F2. What the re-check inside Save finds is told after the rollback, never while
// this program holds the write lock.
TEST_F(SettlementWindow, ABusyDatabaseKeepsTheChosenContractAndAmount) {
    const QString Question = u"Желаете ли да извършите операция \"връщане на вещ\"?"_s;
    Open(false);
    Choose(u"8001011234"_s, u"1"_s);
    Type(Form->feSum_c, u"1030"_s);
    {
        TOtherWorkstationLock Other;
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F2);
    }
    EXPECT_EQ(Presenter.Texts(),
              (QStringList{Question, u"Базата данни е заета от друго работно място. Опитайте отново."_s}));
    EXPECT_EQ(Form->leContract->text(), u"1"_s);
    EXPECT_EQ(Form->feSum_c->Value(), 1030);
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);

    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection, u"Delete from Interest_rates Where pref_code = 1"_s));
    TLockWatchingPresenter Watch;
    Watch.PlanAnswer(mrYes);
    Press(Qt::Key_F2);
    EXPECT_EQ(Watch.ShownUnderLock, 0);
    EXPECT_EQ(Watch.Texts().size(), 2) << Watch.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), u"0"_s);
}

// The receipts of a settlement are signed like every document's: while the operators register
// holds anyone, nobody signed in is asked to sign in, and without a sign-in nothing is written
// and the chosen contract and amount stay for the next F2. Both operations, the payment first.
TEST_F(SettlementWindow, NothingIsWrittenUnsignedWhileOperatorsExist) {
    const QString Unsigned =
        u"Документите се записват от оператор, а в програмата не е влязъл никой. Влезте в "
        "програмата и натиснете бутон \"F2\" (за запис) отново."_s;
    int SignIns = 0;
    QString SignsInAs;
    const auto Back = qScopeGuard([] { SignInBeforeSave = nullptr; });
    const auto Save = [&] {
        Presenter.Clear();
        Presenter.PlanAnswer(mrYes);
        Press(Qt::Key_F2);
    };
    for (const bool PaymentMode : {true, false}) {
        SCOPED_TRACE(PaymentMode);
        Open(PaymentMode);
        Form->SetUserName(QString());
        Choose(u"8001011234"_s, u"1"_s);
        const QString Due = Form->feSum_c->text();
        const QString Before = QueryText(u"Select Count(*) From Incomes"_s);
        // Without the main window to ask, and with the sign-in declined: refused, nothing written.
        for (const bool Asks : {false, true}) {
            SignInBeforeSave = nullptr;
            if (Asks)
                SignInBeforeSave = [&] {
                    ++SignIns;
                    Form->SetUserName(SignsInAs);
                    return !SignsInAs.isEmpty();
                };
            Save();
            EXPECT_EQ(Presenter.Texts().value(Presenter.Texts().size() - 1), Unsigned);
            EXPECT_EQ(QueryText(u"Select Count(*) From Incomes"_s), Before);
            EXPECT_EQ(Form->leContract->text() + u' ' + Form->feSum_c->text(), u"1 "_s + Due);
        }
        EXPECT_EQ(SignIns, PaymentMode ? 1 : 3);
        // Signed in at Save: the receipts carry the operator.
        SignsInAs = u"maria"_s;
        Save();
        EXPECT_EQ(SignIns, PaymentMode ? 2 : 4);
        EXPECT_EQ(QueryText(u"Select Count(*) From Incomes Where user_name <> \"maria\" Or supplier_name <> "
                            "\"Мария Колева\""_s),
                  u"0"_s);
        EXPECT_NE(QueryText(u"Select Count(*) From Incomes"_s), Before);
        SignsInAs.clear();
        Close();
    }
    EXPECT_EQ(QueryText(u"Select Finished From Contracts Where docno = 1"_s), u"True"_s);
    EXPECT_EQ(ContractBooksFaults(false), QString());
}
