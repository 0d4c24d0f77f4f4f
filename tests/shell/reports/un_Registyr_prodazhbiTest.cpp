// The register of sales: the lines of a period on a small shop, then the window via F8.

#include "shell/reports/un_Registyr_prodazhbi.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
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

// Sale 1 (27.02.2024) of the item of contract 3: 300.00 lent to Мария at 4 % a month on
// 18.02.2024, so on the sale day (10 days) 4.00 of interest is due. Sale 2 (28.02.2024) of bought
// item 7, bought for 60.00, with no receipt yet. Sale 3 lies after the period.
class SalesRegister : public ::testing::Test {
public:
    static constexpr int From = 45345, To = 45350;
    SalesRegister() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Exec(u"Delete from VA where code_VA = 4"_s);
        Exec(u"Insert into VA values ( 4, \"София, ул. Пазар 3\" )"_s);
        Exec(u"Insert into Contracts ( docno, date_c, code_i, Sum_c, M_IR, Duration, Finished, EGN ) values "
             u"( 3, "
             "45340, 5, 300, 4, 30, False, 12345 )"_s);
        Exec(u"Insert into Outcomes values ( 20, 45340, 3, 1, 300, \"\", \"\", \"maria\" )"_s);
        Exec(u"Insert into Outcomes values ( 21, 45300, 7, 4, 60, \"\", \"\", \"maria\" )"_s);
        Exec(u"Insert into Incomes values ( 30, 45349, 1, 4, 350, \"\", \"\", \"maria\" )"_s);
        // A receipt of the same number but another kind is no part of the price.
        Exec(u"Insert into Incomes values ( 31, 45350, 2, 4, 90, \"\", \"\", \"maria\" )"_s);
        Sale(1, 45349, 3, 1, 8001011234);
        Sale(2, 45350, 7, 2, 12345);
        Sale(3, 45351, 3, 1, 12345);
    }
    static void Sale(int DocNo, int Day, int Contract, int Type, qint64 EGN) {
        Exec(Format(
            u"Insert into Items_sales values ( %d, %d, %d, %d, 0, \"\", \"\", \"maria\", %d, False )"_s,
            {DocNo, Day, Contract, Type, EGN}));
    }
    // Sale 4 (the period's first day) of contract 99, which does not exist, and sale 6 (its last
    // day) of contract 8, whose borrower has no preferential code.
    static void AddUncomputableSales() {
        Exec(u"Insert into Owners values ( 222, \"Без Код\", \"София\", \"\", \"\", \"\", True, False, 0, "
             u"\"\", "
             "\"\", \"\", \"\" )"_s);
        Exec(u"Insert into Contracts ( docno, date_c, code_i, Sum_c, M_IR, Duration, Finished, EGN ) values "
             u"( 8, 45340, 6, 100, 4, 30, False, 222 )"_s);
        Exec(u"Insert into Outcomes values ( 22, 45340, 8, 1, 100, \"\", \"\", \"maria\" )"_s);
        Exec(u"Insert into Incomes values ( 32, 45350, 6, 4, 120, \"\", \"\", \"maria\" )"_s);
        Sale(4, From, 99, 1, 12345);
        Sale(6, To, 8, 1, 222);
    }
    void RunWindow(bool Incomplete);
    TContractShop Shop;
};

const QStringList Expected{
    u"3@8001011234@Иван Петров Иванов@София ул. Витоша 1@27.02.2024@София, ул. Пазар "
    u"3@1@27.02.2024@350.00@304.00@46.00@"
    "заложена вещ"_s,
    // The personal number with all ten digits, as every printed document shows it.
    u"7@0000012345@Мария Георгиева@Пловдив ул. Главна 2@28.02.2024@София, ул. Пазар "
    u"3@2@28.02.2024@0.00@60.00@-60.00@"
    "закупена вещ"_s,
};

QStringList WithUncomputable() {
    const QString Place = u"@София, ул. Пазар 3@"_s;
    return {Expected[0], Expected[1],
            u"99@0000012345@Мария Георгиева@Пловдив ул. Главна 2@23.02.2024"_s + Place +
                u"4@23.02.2024@0.00@не е изчислено@@заложена вещ"_s,
            u"8@0000000222@Без Код@София@28.02.2024"_s + Place +
                u"6@28.02.2024@120.00@не е изчислено@@заложена вещ"_s};
}
const QStringList Reasons{
    u"продажба 4, договор 99: договорът не съществува"_s,
    u"продажба 6, договор 8: заемополучателят с ЕГН 0000000222 няма преференциален код"_s};

QStringList Records(const TDelimitedStringList& List) {
    QStringList Texts;
    for (int R = 0; R < List.Count(); ++R)
        Texts += List.Get(R);
    return Texts;
}

} // namespace

TEST_F(SalesRegister, LinesGivePriceObligationAndRemainder) {
    TDelimitedStringList Rows;
    QStringList Failures;
    SalesRegisterRows(nullptr, From, To, Rows, Failures);
    EXPECT_EQ(Records(Rows), Expected);
    EXPECT_TRUE(Failures.isEmpty());
}

// A sale whose pledge's debt cannot be computed keeps its line, marked, and the sales after it
// are all there: one of a contract that does not exist, one of a borrower without a preferential
// code (the contract is there).
TEST_F(SalesRegister, ADebtThatCannotBeComputedIsMarkedAndTheRestFollow) {
    AddUncomputableSales();
    TDelimitedStringList Rows;
    QStringList Failures;
    SalesRegisterRows(nullptr, From, To, Rows, Failures);
    EXPECT_EQ(Records(Rows), WithUncomputable());
    EXPECT_EQ(Failures, Reasons);
}

TEST_F(SalesRegister, FailingStatementThrows) {
    Exec(u"Drop table Items_sales"_s);
    TDelimitedStringList Rows;
    QStringList Failures;
    EXPECT_THROW(SalesRegisterRows(nullptr, From, To, Rows, Failures), EDatabaseError);
}

TEST_F(SalesRegister, WindowRunsOnF8) {
    for (const bool Incomplete : {false, true}) {
        SCOPED_TRACE(Incomplete ? "incomplete" : "complete");
        if (Incomplete) AddUncomputableSales();
        RunWindow(Incomplete);
    }
}

void SalesRegister::RunWindow(bool Incomplete) {
    TScriptedPresenter Presenter;
    QMainWindow Host;
    Host.setCentralWidget(new QMdiArea(&Host));
    Host.resize(1200, 600);
    ShowAndActivate(&Host);
    auto* Form = CreateForm<Tfrm_Registyr_prodazhbi>(&Host, TMAccountForm::fsMDIChild);
    Form->ShowForm();
    QApplication::processEvents();
    EXPECT_EQ(Form->pnlCaption->text(), u"РЕГИСТЪР НА ИЗВЪРШЕНИТЕ ПРОДАЖБИ"_s);
    EXPECT_EQ(Form->dtp_From->Date(), TContractShop::Today);
    Form->dtp_From->setFocus();
    Form->dtp_From->SetDate(From);
    Form->dtp_To->setFocus();
    Form->dtp_To->SetDate(To);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    TRichGrid* G = Form->Grid;
    const QStringList Lines = Incomplete ? WithUncomputable() : Expected;
    ASSERT_EQ(G->RowCount(), 3 + Lines.size());
    for (int R = 0; R < Lines.size(); ++R)
        EXPECT_EQ(G->Rows(3 + R).join(u'@'), Lines[R]);
    // The mark reads as it stands, not as an amount of 0.00.
    for (int R = 3; R < G->RowCount(); ++R) {
        QString Obligation, Rest;
        GetGridCellText(G, 9, R, Obligation);
        GetGridCellText(G, 10, R, Rest);
        EXPECT_EQ(Obligation + u'@' + Rest, G->Cells(9, R) == u"не е изчислено"_s
                                                ? u"не е изчислено@"_s
                                                : G->Cells(9, R) + u'@' + G->Cells(10, R));
    }
    EXPECT_EQ(CutCells(G), QStringList());
    Form->RunDone();
    delete Form->Container();
    if (Incomplete)
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{u"Обезпеченото задължение не е изчислено по 2 договора:\n"_s +
                              Reasons.join(u";\n"_s) + u"."_s});
    else
        EXPECT_TRUE(Presenter.Texts().isEmpty());
}
