// The chronological lists of contracts, sales and cash orders on one small shop, as functions and
// through their windows.

#include "shell/reports/un_Contracts_Spravka.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unRegistry.h"
#include "shell/reports/un_Incomes_spravka.h"
#include "shell/reports/un_Items_sales_Spravka.h"
#include "shell/reports/un_Outcomes_spravka.h"
#include "tests/support/ContractShop.h"
#include "tests/support/GridFit.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// The period 23.02.2024 (45345) to 29.02.2024 (45351).
// Contract 1 (1000.00 at 3 % for 30 days, fees 10 + 30) redeemed on 28.02; contract 2 (333.33 at
// 4.5 % for 10 days) sold on 25.02 for 400.00 with receipt 30; contract 3 before the period.
// Purchase 1 (150.00, 1.5 g) sold on 26.02 for 180.00 with no receipt. Payment 7 is the shop's own.
class Chronicle : public ::testing::Test {
public:
    static constexpr int From = 45345, To = 45351;
    Chronicle() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        for (const QString& Sql : {
                 u"Insert into Contracts values ( 1, 45345, 5, 1000, 3, 30, \"пръстен\", True, 45350, False, "
                 u"0, "
                 "12345, False, 0, 10, False, 0, 10, 30, 0 )"_s,
                 u"Insert into Contracts values ( 2, 45346, 6, 333.33, 4.5, 10, \"\", False, 0, False, 0, "
                 "8001011234, True, 45347, 2.5, True, 0, 0, 0, 0 )"_s,
                 u"Insert into Contracts values ( 3, 45340, 6, 100, 3, 30, \"\", False, 0, False, 0, "
                 "8001011234, False, 0, 1, False, 0, 0, 0, 0 )"_s,
                 u"Insert into Items_purchases values ( 1, 45338, 5, 150, \"\", \"\", \"maria\", 8001011234, "
                 u"1.5, "
                 "True, 45348 )"_s,
                 u"Insert into Items_sales values ( 1, 45347, 2, 1, 400, \"Купувач А\", \"Петя\", \"maria\", "
                 "12345, False )"_s,
                 u"Insert into Items_sales values ( 2, 45348, 1, 2, 180, \"\", \"\", \"maria\", 8001011234, "
                 "False )"_s,
                 u"Insert into Incomes values ( 30, 45347, 1, 4, 400, \"Купувач А\", \"Петя\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 31, 45346, 2, 2, 12.5, \"\", \"Петя\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 9, 45348, 0, 3, 50, \"Собственик\", \"\", \"ivan\" )"_s,
                 u"Insert into Outcomes values ( 40, 45346, 2, 1, 333.33, \"Иван\", \"Петя\", \"maria\" )"_s,
                 u"Insert into Outcomes values ( 41, 45349, 1, 4, 150, \"Иван\", \"\", \"maria\" )"_s,
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

TEST(ContractReturn, InterestOnTheRoundedDailyRatePlusFees) {
    const struct {
        const char *Sum, *Rate, *Days, *OneTime, *Daily;
        double Expected;
    } Cases[] = {
        {"1000", "3", "30", "10", "30", 1070},
        // 0.0015 a day on 333.33 is 0.499995, rounded to 0.50 before the days multiply it.
        {"333.33", "4.5", "10", "0", "0", 338.33},
        {"", "", "", "", "", 0},
    };
    for (const auto& C : Cases)
        EXPECT_DOUBLE_EQ(ContractReturnAmount(QString::fromUtf8(C.Sum), QString::fromUtf8(C.Rate),
                                              QString::fromUtf8(C.Days), QString::fromUtf8(C.OneTime),
                                              QString::fromUtf8(C.Daily)),
                         C.Expected)
            << C.Sum;
}

TEST_F(Chronicle, ContractsOfThePeriodWithTheirReturnAndTotals) {
    TDelimitedStringList Rows;
    ContractsSpravkaRows(nullptr, From, To, Rows);
    EXPECT_EQ(
        Records(Rows),
        (QStringList{
            u"1@23.02.2024@5@Злато@Пръстен 585@1000.00@3@30@23.03.2024@0000012345@Мария Георгиева@пръстен@"
            "да@28.02.2024@1070@10@не"_s,
            u"2@24.02.2024@6@Злато@Верижка@333.33@4.5@10@04.03.2024@8001011234@Иван Петров Иванов@@не@@"
            "338.33@2.5@да"_s,
            u"¤Общо:@@@@@1333.33@@@@@@@@@1408.33@12.500@"_s,
        }));
    // An empty period still has its totals row.
    ContractsSpravkaRows(nullptr, 45000, 45001, Rows);
    EXPECT_EQ(Records(Rows), QStringList{u"¤Общо:@@@@@0.00@@@@@@@@@0.00@0.000@"_s});
}

TEST_F(Chronicle, SalesWithTheirOriginAndTheCashTaken) {
    TDelimitedStringList Rows;
    int Steps = 0;
    ItemsSalesSpravkaRows(nullptr, From, To, Rows, [&Steps] { ++Steps; });
    EXPECT_EQ(Steps, 2);
    EXPECT_EQ(
        Records(Rows),
        (QStringList{
            u"1@25.02.2024@6@Злато@Верижка@400.00@Купувач А@Петя@maria@maria@0000012345@Мария Георгиева@"
            "2.500@1@заложена вещ@2@24.02.2024@333.33@400.00@66.67"_s,
            // No receipt: nothing taken, the whole origin amount short.
            // The kind of item, then the item itself, for a bought item as for a pledged one.
            u"2@26.02.2024@5@Злато@Пръстен 585@180.00@@@maria@maria@8001011234@Иван Петров Иванов@1.500@2@"
            "закупена вещ@1@16.02.2024@150.00@0@-150.00"_s,
            u"¤Общо:@@@@@580.00@@@@@@@4.000@@@@@483.33@400.00@-83.33"_s,
        }));
    // A sale whose contract is not marked sold shows no origin figures instead of its numbers.
    Exec(u"Update Contracts Set Sold = False Where docno = 2"_s);
    ItemsSalesSpravkaRows(nullptr, From, To, Rows);
    EXPECT_EQ(Rows.Get(0), u"1@25.02.2024@@@@400.00@Купувач А@Петя@maria@maria@0000012345@Мария Георгиева@@1@"
                           "заложена вещ@2@@@400.00@400.00"_s);
}

TEST_F(Chronicle, CashOrdersInNumberOrderWithTheirPeople) {
    TDelimitedStringList Rows;
    IncomesSpravkaRows(nullptr, From, To, Rows);
    EXPECT_EQ(Records(Rows), (QStringList{
                                 // The owner's own receipt names nobody.
                                 u"9@26.02.2024@0@50.00@@3@Собственик@@ivan@ivan"_s,
                                 u"30@25.02.2024@1@400.00@0000012345@4@Купувач А@Петя@maria@maria"_s,
                                 u"31@24.02.2024@2@12.50@8001011234@2@@Петя@maria@maria"_s,
                                 u"¤Общо:@@@462.50@@@@@@"_s,
                             }));
    OutcomesSpravkaRows(nullptr, From, To, Rows);
    EXPECT_EQ(Records(Rows), (QStringList{
                                 u"7@29.02.2024@0@5.00@@Собственик@@maria@3@на собственик@maria"_s,
                                 u"40@24.02.2024@2@333.33@8001011234@Иван@Петя@maria@1@за нов залог@maria"_s,
                                 u"41@27.02.2024@1@150.00@8001011234@Иван@@maria@4@при покупка@maria"_s,
                                 u"¤Общо:@@@488.33@@@@@@@"_s,
                             }));
}

namespace {

class ChronicleWindows : public Chronicle {
public:
    ChronicleWindows() {
        for (const char* Prefix : {"frmContracts_Spravka", "frmItems_sales_Spravka", "frmIncomes_Spravka",
                                   "frmOutcomes_Spravka"}) {
            WriteRegString(QString::fromLatin1(Prefix) + u"_dtp_From"_s, QString::number(From));
            WriteRegString(QString::fromLatin1(Prefix) + u"_dtp_To"_s, QString::number(To));
        }
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1200, 600);
        ShowAndActivate(&Host);
    }
    template <class F> F* Open(const QString& Caption) {
        auto* Form = CreateForm<F>(&Host, TMAccountForm::fsMDIChild);
        Form->SetFormCaption(Caption);
        Form->SetUserName(u"maria"_s);
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

TEST_F(ChronicleWindows, ContractsLoadOnF8AndRefuseToReprintTheTotals) {
    auto* Form = Open<TfrmContracts_Spravka>(u"Справка - договори за залог"_s);
    EXPECT_EQ(Form->pnlCaption->text(), u"СПРАВКА - ДОГОВОРИ ЗА ЗАЛОГ"_s);
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    PressF8(Form->Grid);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 3);
    EXPECT_EQ(Form->Grid->Cells(14, 2), u"1070"_s);
    if (qEnvironmentVariableIsSet("LENDORA_SHOT")) {
        Host.resize(1400, 500);
        QApplication::processEvents();
        Host.grab().save(qEnvironmentVariable("LENDORA_SHOT"));
    }
    Form->Grid->SetRow(4);
    Form->btnPrint->click();
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Избраният ред не е за документ !"_s});
    Form->dtp_From->SetDate(From + 1);
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    Close(Form);
    EXPECT_EQ(ReadRegString(u"frmContracts_Spravka_dtp_From"_s), QString::number(From + 1));
}

// The gram total is the sum of the weights as the rows show them, to the thousandth.
TEST_F(ChronicleWindows, SalesLoadOnF8) {
    Exec(u"Update Contracts Set gramaj = 2.456 Where docno = 2"_s);
    Exec(u"Update Items_purchases Set gramaj = 1.005 Where docno = 1"_s);
    auto* Form = Open<TfrmItems_sales_Spravka>(u"Справка - договори за продажба на вещи"_s);
    PressF8(Form->Grid);
    ASSERT_EQ(Form->Grid->RowCount(), 2 + 3);
    const auto Shown = [Form](int C, int R) {
        QString Text;
        GetGridCellText(Form->Grid, C, R, Text);
        return Text;
    };
    EXPECT_EQ((QStringList{Shown(3, 2), Shown(4, 2), Shown(3, 3), Shown(4, 3)}),
              (QStringList{u"Злато"_s, u"Верижка"_s, u"Злато"_s, u"Пръстен 585"_s}));
    EXPECT_EQ((QStringList{Shown(12, 2), Shown(12, 3), Shown(12, 4)}),
              (QStringList{u"2.456"_s, u"1.005"_s, u"3.461"_s}));
    EXPECT_EQ(Form->Grid->Cells(19, 3), u"-150.00"_s);
    Form->Grid->SetRow(4);
    QTest::keyClick(Form->Grid, Qt::Key_F9, Qt::ControlModifier);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Избраният ред не е за документ !"_s});
    Close(Form);
}

TEST_F(ChronicleWindows, CashOrdersLoadOnF8) {
    auto* In = Open<TfrmIncomes_spravka>(u"Справка - приходни касови ордери"_s);
    PressF8(In->Grid);
    ASSERT_EQ(In->Grid->RowCount(), 1 + 4);
    EXPECT_EQ(In->Grid->Cells(0, 1), u"9"_s);
    Close(In);
    auto* Out = Open<TfrmOutcomes_spravka>(u"Справка - разходни касови ордери"_s);
    PressF8(Out->Grid);
    ASSERT_EQ(Out->Grid->RowCount(), 1 + 4);
    EXPECT_EQ(Out->Grid->Cells(9, 2), u"за нов залог"_s);
    Close(Out);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

// After F8 every list shows its amounts, numbers, dates and headers whole.
TEST_F(ChronicleWindows, ListsShowEveryCellWhole) {
    // Amounts as long as a shop's yearly totals make them.
    Exec(u"Update Contracts Set Sum_c = 123456.78 Where docno = 1"_s);
    Exec(u"Update Incomes Set sum_o = 98765.43 Where docno = 30"_s);
    Exec(u"Update Outcomes Set sum_o = 87654.32 Where docno = 40"_s);
    const auto Check = [this](TMAccountReadForm* Form) {
        PressF8(Form->Grid);
        EXPECT_GT(Form->Grid->RowCount(), Form->Grid->FixedRows() + 1);
        EXPECT_EQ(CutCells(Form->Grid), QStringList()) << Form->objectName().toStdString();
        Close(Form);
    };
    Check(Open<TfrmContracts_Spravka>(u"Справка - договори за залог"_s));
    Check(Open<TfrmItems_sales_Spravka>(u"Справка - договори за продажба на вещи"_s));
    Check(Open<TfrmIncomes_spravka>(u"Справка - приходни касови ордери"_s));
    Check(Open<TfrmOutcomes_spravka>(u"Справка - разходни касови ордери"_s));
}
