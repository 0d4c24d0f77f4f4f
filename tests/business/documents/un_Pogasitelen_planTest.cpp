// The repayment plan: its tables built step by step, then the window on a small shop.

#include "business/documents/un_Pogasitelen_plan.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unRegistry.h"
#include "tests/support/ContractShop.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

TDelimitedStringList Table(const QString& Text) {
    TDelimitedStringList List;
    List.SetTextStr(Text);
    return List;
}

QStringList Column(const TDelimitedStringList& Rows, int Col) {
    QStringList Cells;
    for (int R = 0; R < Rows.Count(); ++R)
        Cells += Rows.GetField(R, Col);
    return Cells;
}

} // namespace

// Paid out 1000.00 on the first day, 400.00 back on day 5: 1000.00 up to day 5, 600.00 after.
TEST(RepaymentPlan, BalanceFallsTheDayAfterAnInstalmentAndPaymentsOutsideAreTold) {
    TDelimitedStringList Rows;
    PlanDayRows(45352.7, 7, Rows);
    EXPECT_EQ(Rows.Count(), 8);
    EXPECT_EQ(Rows.GetField(0, pcDate), u"01.03.2024"_s);
    EXPECT_EQ(Rows.GetField(7, pcDate), u"¤Общо:"_s);
    EXPECT_TRUE(AddPlanPayments(Rows, Table(u"01.03.2024@1000"_s), pcPayout, u"%s %s"_s).isEmpty());
    EXPECT_EQ(AddPlanPayments(Rows, Table(u"05.03.2024@150°05.03.2024@250°08.03.2024@50.5"_s), pcPrincipal,
                              u"Вноска на %s за %s"_s),
              QStringList{u"Вноска на 08.03.2024 за 50.50"_s});
    PlanBalances(Rows);
    EXPECT_EQ(Column(Rows, pcBalance), (QStringList{u"1000.00"_s, u"1000.00"_s, u"1000.00"_s, u"1000.00"_s,
                                                    u"1000.00"_s, u"600.00"_s, u"600.00"_s, QString()}));
    EXPECT_EQ(Rows.GetField(4, pcPrincipal), u"400.00"_s);
}

TEST(RepaymentPlan, InterestOfTheLastBandHoldingTheBalance) {
    const TDelimitedStringList Bands = Table(u"1@0@500@0.06°2@500@5000@0.03°3@2000@3000@0.05"_s);
    const struct {
        const char* Balance;
        QString Rate;
        QString Interest;
    } Cases[] = {
        {"100.00", u"0.0020000"_s, u"0.20"_s},
        {"500.00", u"0.0010000"_s, u"0.50"_s}, // on the common edge: the later band
        {"2000.00", u"0.0016667"_s, u"3.33"_s},
        {"6000.00", QString(), QString()},
        {"0.00", QString(), QString()},
        {"-5.00", QString(), QString()},
    };
    TDelimitedStringList Rows;
    PlanDayRows(45352, 6, Rows);
    for (int R = 0; R < 6; ++R)
        Rows.SetField(R, pcBalance, QString::fromLatin1(Cases[R].Balance));
    PlanInterest(Rows, Bands);
    for (int R = 0; R < 6; ++R) {
        SCOPED_TRACE(Cases[R].Balance);
        EXPECT_EQ(Rows.GetField(R, pcRate), Cases[R].Rate);
        EXPECT_EQ(Rows.GetField(R, pcInterest), Cases[R].Interest);
    }
    PlanTotals(Rows);
    EXPECT_EQ(Rows.Get(6), u"¤Общо:@-5.00@@4.03@0.00@0.00@0.00"_s);
}

namespace {

// Ivan's contract 1 of 1000.00, dated 21.02.2024 for 30 days: 400.00 of principal back on
// 25.02, the valuation paid on the first day, 2.00 of storage on 23.02, and interest paid on
// 29.03, after the 30 days.
class PlanWindow : public ::testing::Test {
public:
    PlanWindow() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        for (const QString& Sql : {
                 u"Insert into Contracts values ( 1, 45343, 5, 1000, 3, 30, \"\", False, 0, False, 0, "
                 u"8001011234, "
                 "False, 0, 0, False, 0, 0, 0, 0 )"_s,
                 u"Insert into Outcomes values ( 8, 45343, 1, 1, 1000, \"\", \"\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 1, 45347, 1, 1, 400, \"\", \"\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 2, 45343, 1, 6, 10, \"\", \"\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 3, 45345, 1, 7, 2, \"\", \"\", \"maria\" )"_s,
                 u"Insert into Incomes values ( 4, 45380, 1, 2, 5, \"\", \"\", \"maria\" )"_s,
             })
            EXPECT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString();
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1000, 760);
        ShowAndActivate(&Host);
        Form = CreateForm<TfrmPogasitelen_plan>(&Host, TMAccountForm::fsMDIChild);
        Form->ShowForm();
        QApplication::processEvents();
    }
    ~PlanWindow() override {
        Form->RunDone();
        delete Form->Container();
    }
    void Type(QWidget* Field, const QString& Text) {
        Field->setFocus();
        QApplication::processEvents();
        if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
        TypeText(Field, Text);
    }
    static QStringList Rows(TRichGrid* Grid, int From, int To) {
        QStringList Texts;
        for (int R = From; R <= To; ++R)
            Texts += Grid->Rows(R).join(u'|');
        return Texts;
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
    QMainWindow Host;
    TfrmPogasitelen_plan* Form = nullptr;
};

} // namespace

// 3 % a month: 1.00 a day on 1000.00, 0.60 on 600.00; storage the same; valuation 1 % once.
TEST_F(PlanWindow, ScheduleAndFeeTablesOfAContract) {
    Type(Form->leOwner, u"8001011234"_s);
    EXPECT_EQ(Form->labPref_code->text(), u"1"_s);
    Type(Form->leContract, u"1"_s);
    EXPECT_EQ(Form->pnlSN->text(), u"Пръстен 585"_s);
    EXPECT_EQ(Form->feDuration->Value(), 30);
    QTest::keyClick(Form->leContract, Qt::Key_F8);
    QApplication::processEvents();

    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Вноска по лихвите на дата 29.03.2024, сума 5.00 не може да бъде отразено в "
                          "погасителния план."_s});
    TRichGrid* G = Form->Grid;
    ASSERT_EQ(G->RowCount(), 2 + 31);
    EXPECT_EQ(Rows(G, 2, 3), (QStringList{u"21.02.2024|1000.00|0.0010000|1.00|1000.00||"_s,
                                          u"22.02.2024|1000.00|0.0010000|1.00|||"_s}));
    EXPECT_EQ(Rows(G, 6, 7), (QStringList{u"25.02.2024|1000.00|0.0010000|1.00||400.00|"_s,
                                          u"26.02.2024|600.00|0.0010000|0.60|||"_s}));
    EXPECT_EQ(Rows(G, 31, 32), (QStringList{u"21.03.2024|600.00|0.0010000|0.60|||"_s,
                                            u"Общо:|600.00||20.00|1000.00|400.00|0.00"_s}));

    EXPECT_EQ(Rows(Form->Grid_Ednokratni_taxi, 2, 3),
              (QStringList{u"1|Оценка|10.00|10.00|0.00"_s, u"Общо:||10.00|10.00|0.00"_s}));

    TRichGrid* D = Form->Grid_Dnevni_taxi;
    EXPECT_EQ(D->ColCount(), 5);
    EXPECT_EQ(D->Cells(2, 1), u"2 - Съхранение"_s);
    ASSERT_EQ(D->RowCount(), 3 + 31);
    EXPECT_EQ(Rows(D, 4, 5),
              (QStringList{u"22.02.2024|1000.00|1.00|0.00|1.00"_s, u"23.02.2024|1000.00|1.00|2.00|-1.00"_s}));
    EXPECT_EQ(Rows(D, 33, 33), QStringList{u"Общо:|600.00|20.00|2.00|18.00"_s});

    // Another term empties the tables until F8 builds them again.
    Type(Form->feDuration, u"10"_s);
    EXPECT_EQ(G->RowCount(), 3);
    EXPECT_EQ(Rows(Form->Grid_Ednokratni_taxi, 2, 2), QStringList{u"||||"_s});
}

// A number typed past the list names another borrower's contract: no plan on the wrong bands.
TEST_F(PlanWindow, OnlyAContractOfTheBorrowersListIsPlanned) {
    Type(Form->leOwner, u"0000012345"_s);
    Type(Form->leContract, u"1"_s);
    Type(Form->feDuration, u"30"_s);
    QTest::keyClick(Form->feDuration, Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_EQ(Form->Grid->RowCount(), 3);
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

// The borrower remembered from the last window has his contracts ready when the window opens.
TEST_F(PlanWindow, TheRememberedBorrowersContractsAreListedOnOpening) {
    WriteRegString(u"Last_EGN"_s, u"8001011234"_s);
    auto* Second = CreateForm<TfrmPogasitelen_plan>(&Host, TMAccountForm::fsMDIChild);
    Second->ShowForm();
    QApplication::processEvents();
    EXPECT_EQ(Second->leOwner->text(), u"8001011234"_s);
    EXPECT_EQ(ListEditLookup(Second->leContract, 0, 0, u"1"_s), u"1"_s);
    Second->RunDone();
    delete Second->Container();
}
