// The stock reports on one small shop: the pledges and purchases on hand, the operations journal
// and the gold report, as functions and through their windows.

#include "shell/reports/un_Zlato.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "shell/reports/un_Nali4ni_zalozi.h"
#include "shell/reports/un_Operacii.h"
#include "tests/support/ContractShop.h"
#include "tests/support/GridFit.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// The period 23.02.2024 (45345) to 28.02.2024 (45350).
// Contracts: 1 (10 g, 1000.00) before it, redeemed in it; 2 (4.5 g, 500.00) before it, sold for
// 700.00; 3 (8 g, 800.00) and 4 (no weight) in it, open; 5 (2 g, 200.00) redeemed before it.
// Purchases: 1 (5 g, 400.00) bought and sold for 450.00 before it; 2 (1.5 g, 150.00) bought
// before and sold in it for 180.00; 3 (2.5 g, 250.00) bought in it, on hand.
class StockShop : public ::testing::Test {
public:
    static constexpr int From = 45345, To = 45350;
    StockShop() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        const struct {
            int DocNo, Day, Item;
            const char *Sum, *Finished;
            int AtDate;
            const char *EGN, *Sold, *Grams;
        } Contracts[] = {
            {1, 45340, 5, "1000", "True", 45347, "8001011234", "False", "10"},
            {2, 45341, 6, "500", "False", 0, "8001011234", "True", "4.5"},
            {3, 45346, 5, "800", "False", 0, "12345", "False", "8"},
            {4, 45347, 6, "300", "False", 0, "8001011234", "False", "0"},
            {5, 45339, 6, "200", "True", 45342, "12345", "False", "2"},
        };
        for (const auto& C : Contracts)
            Exec(Format(
                u"Insert into Contracts values ( %d, %d, %d, %s, 3, 30, \"\", %s, %d, False, 0, %s, %s, "
                "0, %s, False, 0, 0, 0, 0 )"_s,
                {C.DocNo, C.Day, C.Item, QString::fromLatin1(C.Sum), QString::fromLatin1(C.Finished),
                 C.AtDate, QString::fromLatin1(C.EGN), QString::fromLatin1(C.Sold),
                 QString::fromLatin1(C.Grams)}));
        for (const QString& Sql : {
                 u"Insert into Items_purchases values ( 1, 45338, 6, 400, \"\", \"\", \"maria\", 8001011234, "
                 u"5, "
                 "True, 45343 )"_s,
                 u"Insert into Items_purchases values ( 2, 45344, 5, 150, \"\", \"\", \"maria\", 12345, 1.5, "
                 u"True, "
                 "45349 )"_s,
                 u"Insert into Items_purchases values ( 3, 45349, 6, 250, \"\", \"\", \"maria\", 8001011234, "
                 u"2.5, "
                 "False, 0 )"_s,
                 u"Insert into Items_sales values ( 1, 45348, 2, 1, 700, \"\", \"\", \"maria\", 0, False )"_s,
                 u"Insert into Items_sales values ( 2, 45343, 1, 2, 450, \"\", \"\", \"maria\", 0, False )"_s,
                 u"Insert into Items_sales values ( 3, 45349, 2, 2, 180, \"\", \"\", \"maria\", 0, False )"_s,
             })
            Exec(Sql);
    }
    static QStringList Records(const TDelimitedStringList& List) {
        QStringList Texts;
        for (int R = 0; R < List.Count(); ++R)
            Texts += List.Get(R);
        return Texts;
    }
    TContractShop Shop;
};

} // namespace

TEST_F(StockShop, OnHandAreTheOpenPledgesAndTheUnsoldPurchases) {
    TDelimitedStringList Rows;
    PledgesOnHandRows(nullptr, Rows);
    QStringList Texts = Records(Rows);
    // The pledges come first, in no particular order among themselves.
    ASSERT_EQ(Texts.size(), 3);
    EXPECT_EQ(Texts.takeLast(), u"8001011234@Иван Петров Иванов@6@Верижка@Злато@3@27.02.2024@250@закупена"_s);
    Texts.sort();
    EXPECT_EQ(Texts, (QStringList{u"0000012345@Мария Георгиева@5@Пръстен 585@Злато@3@24.02.2024@800@заложена@"
                                  "24.03.2024"_s,
                                  u"8001011234@Иван Петров Иванов@6@Верижка@Злато@4@25.02.2024@300@заложена@"
                                  "25.03.2024"_s}));
}

// Contract 2, pledged before the period and sold in it, is on hand at the start and sold in it.
// Stock is valued at what it cost (the loan, the purchase price), whatever it later sold for; the
// sales show what they brought in.
TEST_F(StockShop, GoldOnHandTakenInSoldRedeemedAndRemaining) {
    TDelimitedStringList Rows;
    GoldRows(nullptr, From, To, Rows);
    // Pledged on hand: 1 and 2 (1000.00 + 500.00); bought on hand: 2 (150.00), 1 being sold before.
    // Remaining pledged: 1500 + 800 - 500 (contract 2's loan) - 1000; bought: 150 + 250 - 150.
    EXPECT_EQ(Records(Rows),
              (QStringList{
                  u"Количество@14.500@1.500@8.000@2.500@4.500@1.500@10.000@8.000@2.500"_s,
                  u"Цена@103.4483@100.0000@100.0000@100.0000@155.5556@120.0000@100.0000@100.0000@100.0000"_s,
                  u"Стойност@1500.00@150.00@800.00@250.00@700.00@180.00@1000.00@800.00@250.00"_s,
              }));
    // The day purchase 1 (5 g, 400.00) sold for 450.00: none of it remains, worth nothing.
    GoldRows(nullptr, 45343, 45343, Rows);
    const QStringList Grams = Rows.Get(0).split(u'@'), Value = Rows.Get(2).split(u'@');
    EXPECT_EQ((QStringList{Grams[2], Grams[6], Grams[9]}), (QStringList{u"5.000"_s, u"5.000"_s, u"0.000"_s}));
    EXPECT_EQ((QStringList{Value[2], Value[6], Value[9]}),
              (QStringList{u"400.00"_s, u"450.00"_s, u"0.00"_s}));
    // Before the first gold: no grams, so no price either.
    GoldRows(nullptr, 45000, 45001, Rows);
    EXPECT_EQ(Rows.Get(1), u"Цена@0.0000@0.0000@0.0000@0.0000@0.0000@0.0000@0.0000@0.0000@0.0000"_s);
}

// Receipts and payments of 23.02 to 29.02, the last day holding the shop's own order 7.
TEST_F(StockShop, JournalDescribesEveryOrderAndTotalsTheMoney) {
    for (const QString& Sql : {
             u"Insert into Outcomes values ( 10, 45346, 3, 1, 800, \"\", \"\", \"maria\" )"_s,
             u"Insert into Outcomes values ( 12, 45350, 3, 9, 5, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 20, 45347, 3, 2, 12.5, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 21, 45345, 99, 1, 40, \"\", \"\", \"ivan\" )"_s,
             u"Insert into Incomes values ( 22, 45348, 3, 6, 10, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 23, 45349, 3, 8, 1, \"\", \"\", \"maria\" )"_s,
         })
        Exec(Sql);
    TDelimitedStringList Rows;
    OperationsRows(nullptr, From, 45351, Rows);
    EXPECT_EQ(Records(Rows),
              (QStringList{
                  u"вноска по главница - 99@@23.02.2024@40.00@@40.00@@@20240223@ivan"_s,
                  u"нов залог - 3@@24.02.2024@800.00@@@800.00@@20240224@maria"_s,
                  // Due as the contract stood on the order's day: the interest paid that day
                  // renews it to 25.02 + 30 - 1, for that order and the later ones.
                  u"вноска по лихва - 3@25.03.2024@25.02.2024@800.00@3.00@12.50@@12.50@20240225@maria"_s,
                  u"такса Оценка - 3@25.03.2024@26.02.2024@800.00@3.00@10.00@@@20240226@maria"_s,
                  u"такса  - 3@25.03.2024@27.02.2024@800.00@3.00@1.00@@@20240227@maria"_s,
                  u"???@@28.02.2024@5.00@@@5.00@@20240228@maria"_s,
                  u"разходи собственик@@29.02.2024@5.00@@@5.00@@20240229@maria"_s,
                  u"¤Общо:@@@@@63.50@810.00@12.50@@"_s,
              }));
}

// Sales, purchases and owner receipts only share their number with a pledge contract: they carry
// no amount, rate or due date of it.
TEST_F(StockShop, JournalGivesPledgeDataToContractPaymentsOnly) {
    for (const QString& Sql : {
             u"Insert into Incomes values ( 30, 45347, 3, 4, 450, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 31, 45348, 3, 5, 180, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 32, 45349, 3, 3, 70, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 33, 45350, 3, 1, 100, \"\", \"\", \"maria\" )"_s,
         })
        Exec(Sql);
    TDelimitedStringList Rows;
    OperationsRows(nullptr, From, To, Rows);
    EXPECT_EQ(Records(Rows),
              (QStringList{
                  u"продажба на заложена вещ - 3@@25.02.2024@450.00@@450.00@@@20240225@maria"_s,
                  u"продажба на закупена вещ - 3@@26.02.2024@180.00@@180.00@@@20240226@maria"_s,
                  u"вноска на собственик@@27.02.2024@70.00@@70.00@@@20240227@maria"_s,
                  u"вноска по главница - 3@24.03.2024@28.02.2024@800.00@3.00@100.00@@@20240228@maria"_s,
                  u"¤Общо:@@@@@800.00@0.00@0.00@@"_s,
              }));
}

namespace {

class StockWindows : public StockShop {
public:
    StockWindows() {
        for (const char* Prefix : {"frmKasa", "frmOperacii"}) {
            WriteRegString(QString::fromLatin1(Prefix) + u"_dtp_From"_s, QString::number(From));
            WriteRegString(QString::fromLatin1(Prefix) + u"_dtp_To"_s, QString::number(To));
        }
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1000, 600);
        ShowAndActivate(&Host);
    }
    template <class F> F* Open() {
        auto* Form = CreateForm<F>(&Host, TMAccountForm::fsMDIChild);
        Form->ShowForm();
        QApplication::processEvents();
        return Form;
    }
    static void Close(TMAccountReadForm* Form) {
        Form->RunDone();
        delete Form->Container();
    }
    static void PressF8(QWidget* Focus) {
        QTest::keyClick(Focus, Qt::Key_F8);
        QApplication::processEvents();
    }
    TScriptedPresenter Presenter;
    QMainWindow Host;
};

} // namespace

// A contract renewed by an interest payment is due as the obligations report has it: 30 days
// from the payment, counted to the last day not yet overdue; a payment dated after today does not
// count yet, one made today does, a correction made today does not. The journal shows each order's
// due date as of that order's day.
TEST_F(StockWindows, PledgesOnHandThroughF8) {
    const int Paid = 45350, Today = TContractShop::Today, Later = Today + 1;
    Exec(Format(u"Insert into Incomes values ( 40, %d, 3, 2, 16, \"\", \"\", \"maria\" )"_s, {Paid}));
    Exec(Format(u"Insert into Incomes values ( 43, %d, 3, 2, -16, \"\", \"\", \"maria\" )"_s, {Today}));
    Exec(Format(u"Insert into Incomes values ( 41, %d, 3, 2, 16, \"\", \"\", \"maria\" )"_s, {Later}));
    Exec(Format(u"Insert into Incomes values ( 42, %d, 4, 2, 9, \"\", \"\", \"maria\" )"_s, {Today}));
    auto* Form = Open<TfrmNali4ni_zalozi>();
    EXPECT_EQ(Form->pnlCaption->text(), u"НАЛИЧНИ ЗАЛОЗИ"_s);
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    PressF8(Form->Grid);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 3);
    for (int R = 2; R < 4; ++R) {
        const int Signed = Form->Grid->Cells(5, R) == u"3"_s ? 45346 : 45347;
        const int Base = Signed == 45346 ? Paid : Today;
        EXPECT_EQ(Form->Grid->Cells(9, R), DateToStr(Base + 30 - 1)) << R;
    }
    EXPECT_EQ(Form->Grid->Cells(8, 4), u"закупена"_s);
    QString Shown;
    GetGridCellText(Form->Grid, 7, 4, Shown);
    EXPECT_EQ(Shown, u"250.00"_s);
    Close(Form);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

TEST_F(StockWindows, JournalThroughF8KeepsItsOwnDates) {
    auto* Form = Open<TfrmOperacii>();
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    PressF8(Form->dtp_From);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 1);
    EXPECT_EQ(Form->Grid->Cells(0, 2), u"Общо:"_s);
    EXPECT_EQ(GetGridCellColor(Form->Grid, 5, 2), TotalsRowColor);
    // A fee before the interest payment is due by the contract's own date; the payment renews it.
    Exec(u"Insert into Incomes values ( 42, 45349, 3, 6, 8, \"\", \"\", \"maria\" )"_s);
    Exec(u"Insert into Incomes values ( 40, 45350, 3, 2, 16, \"\", \"\", \"maria\" )"_s);
    // Taken back the same day: the contract is renewed by nothing.
    Exec(u"Insert into Incomes values ( 43, 45350, 3, 2, -16, \"\", \"\", \"maria\" )"_s);
    PressF8(Form->dtp_From);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 4);
    for (int R = 2; R < 5; ++R)
        EXPECT_EQ(Form->Grid->Cells(1, R), DateToStr(45346 + 30 - 1)) << R;
    EXPECT_EQ(Form->StatusBar->Panels()->Items(0)->Text(), u"Общо: 3 реда"_s);
    Form->dtp_To->SetDate(45351);
    Close(Form);
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_To"_s), u"45351"_s);
    EXPECT_EQ(ReadRegString(u"frmKasa_dtp_To"_s), QString::number(To));
}

// The remainder's pair reads as every other pair: pledged, then bought.
TEST_F(StockWindows, GoldHeadersNameEachPairAndFitTheirColumns) {
    auto* Form = Open<TfrmZlato>();
    QStringList Second;
    for (int C = 1; C < Form->Grid->ColCount(); ++C)
        Second += Form->Grid->Cells(C, 1);
    EXPECT_EQ(Second, (QStringList{u"заложено"_s, u"закупено"_s, u"заложено"_s, u"закупено"_s, u"заложено"_s,
                                   u"закупено"_s, QString(), u"заложено"_s, u"закупено"_s}));
    EXPECT_EQ(CutCells(Form->Grid), QStringList());
    Close(Form);
}

// The window opens wide enough for its columns, within the work area.
TEST_F(StockWindows, PledgesOnHandOpenShowingTheirColumns) {
    auto* Form = Open<TfrmNali4ni_zalozi>();
    int Columns = 0;
    for (int C = 0; C < Form->Grid->ColCount(); ++C)
        Columns += Form->Grid->ColWidths(C);
    const int Area = Host.centralWidget()->width();
    EXPECT_GE(Form->Grid->viewport()->width(), std::min(Columns, Area - 60)) << Columns;
    EXPECT_LE(Form->Container()->width(), Area);
    EXPECT_GE(Form->Grid->viewport()->height(), 8 * Form->Grid->DefaultRowHeight());
    PressF8(Form->Grid);
    EXPECT_EQ(CutCells(Form->Grid), QStringList());
    Close(Form);
}

TEST_F(StockWindows, GoldRunsOnOpeningAndClearsOnADateChange) {
    auto* Form = Open<TfrmZlato>();
    EXPECT_EQ(Form->pnlCaption->text(), u"СПРАВКА - ЗЛАТО"_s);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 3);
    EXPECT_EQ(Form->Grid->Rows(4).join(u'@'),
              u"Стойност@1500.00@150.00@800.00@250.00@700.00@180.00@1000.00@800.00@250.00"_s);
    // The label keeps its text beside the formatted amounts.
    QString Shown;
    GetGridCellText(Form->Grid, 0, 2, Shown);
    EXPECT_EQ(Shown, u"Количество"_s);
    Form->dtp_From->SetDate(From + 1);
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    PressF8(Form->dtp_From);
    EXPECT_EQ(Form->Grid->RowCount(), 2 + 3);
    EXPECT_EQ(Form->GetReportTitle(), u"от дата 24.02.2024 до дата 28.02.2024"_s);
    Close(Form);
    EXPECT_EQ(ReadRegString(u"frmKasa_dtp_From"_s), QString::number(From + 1));
}
