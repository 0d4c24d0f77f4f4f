// What every report window shares: the totals row, the rounding of stored amounts, and a period
// that F8 reads back from edits the operator may have emptied.

#include "shell/reports/ReportForm.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "core/uDelimitedStrings.h"
#include "core/unRegistry.h"
#include "shell/reports/un_Operacii.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
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

TEST(ReportRounding, StoredAmountsRoundHalfAwayFromZeroExactly) {
    const struct {
        const char* Stored;
        int Digits;
        const char* Shown;
    } Cases[] = {
        // Binary floating point holds 1.005 as 1.00499…; the stored text is what counts.
        {"1.005", 2, "1.01"},
        {"-1.005", 2, "-1.01"},
        {"2.675", 2, "2.68"},
        {"12.5", 2, "12.50"},
        {"0.0049", 2, "0.00"},
        {"1.5", 3, "1.500"},
        {"123456789.995", 2, "123456790.00"},
        {"", 2, "0.00"},
        {"abc", 2, "0.00"},
        {" 7 ", 0, "7"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(RoundedText(QString::fromLatin1(C.Stored), C.Digits), QString::fromLatin1(C.Shown))
            << C.Stored;
}

TEST(ReportTotals, SumTheShownAmountsOfEveryRowInTheirColumns) {
    TDelimitedStringList Rows;
    for (const QString& Row : {u"a@1.005@2.5@x"_s, u"b@@-0.5@y"_s, u"c@2.004@no number@z"_s})
        Rows.Add(Row);
    AppendTotalsRow(Rows, 4, {{1, 2}, {2, 3}});
    ASSERT_EQ(Rows.Count(), 4);
    // 1.01 + 0 + 2.00: each amount as shown, not the stored 3.009 rounded at the end.
    EXPECT_EQ(Rows.Get(3), u"¤Общо:@3.01@2.000@"_s);
    // An empty list still has its totals row.
    TDelimitedStringList None;
    AppendTotalsRow(None, 3, {{2, 2}});
    EXPECT_EQ(None.Get(0), u"¤Общо:@@0.00"_s);
}

namespace {

class ReportWindow : public ::testing::Test {
public:
    ReportWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1000, 600);
        ShowAndActivate(&Host);
    }
    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
};

} // namespace

TEST_F(ReportWindow, AnEmptiedDateIsRefusedLoadsNothingAndKeepsTheLastRealDate) {
    WriteRegString(u"frmOperacii_dtp_From"_s, u"45300"_s);
    WriteRegString(u"frmOperacii_dtp_To"_s, u"45310"_s);
    auto* Form = CreateForm<TfrmOperacii>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    EXPECT_EQ(Form->dtp_From->Date(), 45300);
    Form->dtp_From->SetDate(45301);
    Form->dtp_To->setFocus();
    Form->dtp_To->clear();
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    // Nothing loaded: not even a totals row for a period with no end.
    EXPECT_EQ(Form->Grid->RowCount(), Form->Grid->FixedRows() + 1);
    EXPECT_EQ(Form->Grid->Cells(0, Form->Grid->FixedRows()), QString());
    Form->RunDone();
    delete Form->Container();
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_To"_s), u"45310"_s);
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_From"_s), u"45301"_s);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Въведете дата!"_s});
}

// A period that ends before it starts is refused as the period drop-down refuses it, and nothing
// runs; a period of one day, the order on both its edges, runs. The row count reads as Bulgarian
// counts ("1 ред", "2 реда") and goes with the rows when a new date clears them.
TEST_F(ReportWindow, APeriodEndingBeforeItStartsIsRefusedAndOneDayRuns) {
    Exec(u"Insert into Outcomes values ( 50, 45310, 0, 3, 12.5, \"\", \"\", \"maria\" )"_s);
    WriteRegString(u"frmOperacii_dtp_From"_s, u"45310"_s);
    WriteRegString(u"frmOperacii_dtp_To"_s, u"45310"_s);
    auto* Form = CreateForm<TfrmOperacii>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    const auto Status = [Form] { return Form->StatusBar->Panels()->Items(0)->Text(); };
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    ASSERT_EQ(Form->Grid->RowCount(), Form->Grid->FixedRows() + 2);
    EXPECT_EQ(Form->Grid->Cells(6, Form->Grid->FixedRows() + 1), u"12.50"_s);
    EXPECT_EQ(Status(), u"Общо: 1 ред"_s);

    Form->dtp_From->setFocus();
    Form->dtp_From->SetDate(45311);
    EXPECT_EQ(Status(), QString());
    QTest::keyClick(Form->dtp_From, Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{u"Началната дата (20.01.2024) не може да е по-голяма от крайната (19.01.2024) !"_s});
    EXPECT_EQ(Form->Grid->RowCount(), Form->Grid->FixedRows() + 1);
    EXPECT_EQ(Form->Grid->Cells(0, Form->Grid->FixedRows()), QString());
    EXPECT_EQ(Status(), QString());
    // The refused period is not the one the next opening proposes: the one-day period that ran is,
    // and a later one-day period is remembered in its turn.
    Form->RunDone();
    delete Form->Container();
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_From"_s), u"45310"_s);
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_To"_s), u"45310"_s);
    Form = CreateForm<TfrmOperacii>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    Form->dtp_To->SetDate(45312);
    Form->dtp_From->SetDate(45312);
    Form->RunDone();
    delete Form->Container();
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_From"_s), u"45312"_s);
    EXPECT_EQ(ReadRegString(u"frmOperacii_dtp_To"_s), u"45312"_s);
}

// The journal over a loan, a purchase, the shop's own expense, a principal and an interest payment, a sale
// and an owner's receipt: only payments on a contract carry its monthly rate, and the totals row shows sums
// only under the summed columns; everything else stays blank rather than reading 0.00.
TEST_F(ReportWindow, TheJournalShowsRatesAndTotalsOnlyWhereThereAreSome) {
    for (const QString& Sql : {
             u"Insert into Contracts values ( 1, 45345, 5, 1000, 3, 30, \"\", False, 0, False, 0, "
             "12345, False, 0, 10, False, 0, 0, 0, 0 )"_s,
             u"Insert into Contracts values ( 2, 45346, 6, 333.33, 4.5, 10, \"\", False, 0, False, 0, "
             "8001011234, True, 45347, 2.5, True, 0, 0, 0, 0 )"_s,
             u"Insert into Outcomes values ( 40, 45346, 2, 1, 333.33, \"\", \"\", \"maria\" )"_s,
             u"Insert into Outcomes values ( 41, 45349, 1, 4, 150, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 30, 45347, 2, 4, 400, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 31, 45346, 2, 2, 12.5, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 32, 45348, 1, 1, 100, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 9, 45348, 0, 3, 50, \"\", \"\", \"ivan\" )"_s,
         })
        Exec(Sql);
    WriteRegString(u"frmOperacii_dtp_From"_s, u"45345"_s);
    WriteRegString(u"frmOperacii_dtp_To"_s, u"45351"_s);
    auto* Form = CreateForm<TfrmOperacii>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    QTest::keyClick(Form->dtp_From, Qt::Key_F8);
    QApplication::processEvents();
    TRichGrid* G = Form->Grid;
    QStringList Rates;
    for (int R = G->FixedRows(); R < G->RowCount() - 1; ++R)
        Rates += G->Cells(0, R) + u'=' + G->GetDisplayText(4, R);
    Rates.sort();
    EXPECT_EQ(Rates.join(u'|').toStdString(),
              "вноска на собственик=|вноска по главница - 1=3.00|вноска по лихва - 2=4.50|нов залог - 2=|"
              "покупка на вещ - 1=|продажба на заложена вещ - 2=|разходи собственик=");
    QStringList Totals;
    for (int C = 0; C < 8; ++C)
        Totals += G->GetDisplayText(C, G->RowCount() - 1);
    EXPECT_EQ(Totals.join(u'|').toStdString(), "Общо:|||||562.50|488.33|12.50");
    Form->RunDone();
    delete Form->Container();
}
