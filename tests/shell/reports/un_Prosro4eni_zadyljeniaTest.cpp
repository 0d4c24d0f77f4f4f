#include "shell/reports/un_Prosro4eni_zadyljenia.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Edits/FloatEdit.h"
#include "Components/Edits/LimitedEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "Components/dfsStatusBar/dfsStatusBar.h"
#include "business/documents/DocumentForm.h"
#include "business/documents/un_Contracts.h"
#include "business/documents/un_Incomes.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "tests/support/Books.h"
#include "tests/support/ContractShop.h"
#include "tests/support/DbQuery.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/WriteLock.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int T = TContractShop::Today; // 01.03.2024

// Maria (code 2: 4 % a month, no fee bands) has 1500.00 out on each of her contracts, which
// makes 2.00 of interest a day:
//  1  dated T-40: 41 days, 82.00, past its 30 days and so overdue;
//  2  dated T-10: 11 days, 22.00;
//  3  dated T-40, returned on T-5;
//  4  dated T+1, after the at-date;
//  5  dated T-40, overdue but sold.
// Ivan has contract 6 of 400.00, dated T-10.
class Obligations : public ::testing::Test {
public:
    Obligations() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        Contract(1, T - 40, 12345, 1500);
        Contract(2, T - 10, 12345, 1500);
        Contract(3, T - 40, 12345, 1500);
        Contract(4, T + 1, 12345, 1500);
        Contract(5, T - 40, 12345, 1500);
        Contract(6, T - 10, 8001011234, 400);
        Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = 3"_s, {T - 5}));
        Run(Format(u"Insert into Incomes values ( 30, %d, 3, 1, 1500, \"\", \"\", \"maria\" )"_s, {T - 5}));
        Run(Format(u"Update Contracts Set Sold = True, sold_at_date = %d Where docno = 5"_s, {T - 2}));
    }
    void Run(const QString& Sql) { EXPECT_TRUE(ExecSQL(nullptr, AdoConnection, Sql)) << Sql.toStdString(); }
    void Contract(int DocNo, int Date, qint64 EGN, double Amount) {
        Run(Format(
            u"Insert into Contracts values ( %d, %d, 5, %f, 3, 30, \"\", False, 0, False, 0, %d, False, 0, "
            "0, False, 0, 0, 0, 0 )"_s,
            {DocNo, Date, Amount, EGN}));
        Run(Format(u"Insert into Outcomes values ( %d, %d, %d, 1, %f, \"\", \"\", \"maria\" )"_s,
                   {100 + DocNo, Date, DocNo, Amount}));
    }
    QStringList Listed(int Kind, const QString& Owner) {
        TDelimitedStringList Rows;
        QStringList Skipped;
        ReadObligationRows(nullptr, Kind, Owner, T + 0.5, Rows, Skipped);
        EXPECT_TRUE(Skipped.isEmpty());
        QStringList Kept;
        for (int R = 0; R < Rows.Count(); ++R)
            Kept << Rows.GetField(R, 0);
        return Kept;
    }

    TContractShop Shop;
    TScriptedPresenter Presenter;
};

// Runs a function on every event a watched object receives, before the object does.
class TEventHook : public QObject {
public:
    TEventHook(QObject* Watched, std::function<void(QEvent*)> OnEvent) : FOnEvent(std::move(OnEvent)) {
        Watched->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* E) override {
        FOnEvent(E);
        return false;
    }

private:
    std::function<void(QEvent*)> FOnEvent;
};

// Counts the progress posted to it.
class TProgressSink : public QObject {
public:
    QList<int> Done;
    bool event(QEvent* E) override {
        if (E->type() == evProgress) Done << static_cast<TProgressEvent*>(E)->Done;
        return QObject::event(E);
    }
};

} // namespace

TEST_F(Obligations, EachKindListsItsContractsUpToTheAtDate) {
    const struct {
        int Kind;
        const char* Owner;
        QStringList Expected;
    } Cases[] = {
        {okAll, "", {u"1"_s, u"2"_s, u"3"_s, u"5"_s, u"6"_s}},
        {okOverdue, "", {u"1"_s}},
        {okClosed, "", {u"3"_s, u"5"_s}},
        {okOnHand, "", {u"1"_s, u"2"_s, u"6"_s}},
        {okOnHand, "0000012345", {u"1"_s, u"2"_s}},
        {okAll, "8001011234", {u"6"_s}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Kind);
        SCOPED_TRACE(C.Owner);
        EXPECT_EQ(Listed(C.Kind, QString::fromLatin1(C.Owner)), C.Expected);
    }
}

TEST_F(Obligations, TotalsSumTheMoneyAndFeeColumnsOfTheKeptRows) {
    TDelimitedStringList Rows;
    QStringList Skipped;
    BuildObligationRows(nullptr, {u"1"_s, u"2"_s}, T + 0.5, okOnHand, Rows, Skipped);
    ASSERT_EQ(Rows.Count(), 2);
    EXPECT_EQ(Rows.GetField(0, dfInterestAccrued), u"82.00"_s);
    EXPECT_EQ(Rows.GetField(1, dfInterestAccrued), u"22.00"_s);
    EXPECT_EQ(Rows.GetField(0, dfOverdue), u"да"_s);
    const int Cols = DebtFieldCount + 6; // two fees in the shop
    AppendObligationTotals(Rows, Cols);
    const QStringList Totals = Rows.Get(2).split(FieldDelimiterChar);
    ASSERT_EQ(Totals.size(), Cols);
    EXPECT_EQ(Totals[0], u"¤Общо:"_s);
    const QStringList Money{u"3000.00"_s, u"0.00"_s,   u"3000.00"_s, u"104.00"_s,
                            u"0.00"_s,    u"104.00"_s, u"3104.00"_s};
    EXPECT_EQ(Totals.mid(dfPaidOut, 7), Money);
    EXPECT_EQ(Totals[dfDuration], QString());
    EXPECT_EQ(Totals[dfLastInterestAmount], QString());
    for (int C = DebtFieldCount; C < Cols; ++C)
        EXPECT_EQ(Totals[C], u"0.00"_s) << C;
}

TEST_F(Obligations, ProgressGrowsAsContractsAreFiguredAndGoesOnPastAFailure) {
    TProgressSink Sink;
    TDelimitedStringList Rows;
    QStringList Skipped;
    BuildObligationRows(&Sink, {u"1"_s, u"2"_s, u"6"_s}, T + 0.5, okAll, Rows, Skipped);
    QApplication::processEvents();
    EXPECT_EQ(Sink.Done, (QList<int>{25, 50, 75}));
    // A contract that does not exist is left out and named; the ones after it are figured.
    BuildObligationRows(nullptr, {u"1"_s, u"99"_s, u"2"_s}, T + 0.5, okAll, Rows, Skipped);
    EXPECT_EQ(Rows.Count(), 2);
    EXPECT_EQ(Rows.GetField(1, dfDocNo), u"2"_s);
    EXPECT_EQ(Skipped, QStringList{u"договор 99: договорът не съществува"_s});
}

TEST(ObligationsMessage, NamesTheFirstContractsLeftOutAndCountsTheRest) {
    const auto skipped = [](int N) {
        QStringList List;
        for (int I = 1; I <= N; ++I)
            List << Format(u"договор %d: липсва вещ с шифър 5"_s, {I});
        return List;
    };
    const struct {
        int Count;
        const char* Start;
        const char* End;
    } Cases[] = {
        {1, "Справката не включва 1 договор, чието задължение не може да се изчисли:\nдоговор 1: ",
         "договор 1: липсва вещ с шифър 5."},
        {MaxNamedFailures, "Справката не включва 20 договора,", "договор 20: липсва вещ с шифър 5."},
        {MaxNamedFailures + 1, "Справката не включва 21 договора,",
         "договор 20: липсва вещ с шифър 5;\nи още 1 договор."},
        {MaxNamedFailures + 5, "Справката не включва 25 договора,",
         "договор 20: липсва вещ с шифър 5;\nи още 5 договора."},
    };
    EXPECT_EQ(SkippedContractsMessage({}), QString());
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Count);
        const QString Text = SkippedContractsMessage(skipped(C.Count));
        EXPECT_TRUE(Text.startsWith(QString::fromUtf8(C.Start))) << Text.toStdString();
        EXPECT_TRUE(Text.endsWith(QString::fromUtf8(C.End))) << Text.toStdString();
        EXPECT_EQ(Text.count(u'\n'), std::min(C.Count, MaxNamedFailures + 1)) << Text.toStdString();
    }
}

namespace {

class ObligationsWindow : public Obligations {
public:
    ObligationsWindow() {
        Host.setCentralWidget(new QMdiArea(&Host));
        Host.resize(1200, 700);
        ShowAndActivate(&Host);
    }
    TfrmProsro4eni_zadyljenia* Open() {
        auto* Form = CreateForm<TfrmProsro4eni_zadyljenia>(&Host, TMAccountForm::fsMDIChild);
        Form->SetUserName(u"maria"_s);
        Form->ShowForm();
        QApplication::processEvents();
        return Form;
    }
    static void Close(TfrmProsro4eni_zadyljenia* Form) {
        Form->RunDone();
        delete Form->Container();
    }
    static int RowOf(TRichGrid* Grid, const QString& DocNo) {
        for (int R = Grid->FixedRows(); R < Grid->RowCount(); ++R)
            if (Grid->Cells(0, R) == DocNo) return R;
        return -1;
    }

    QMainWindow Host;
};

} // namespace

TEST_F(ObligationsWindow, DeclaresAnItemForSaleOnceAndWritesItOnSave) {
    WriteRegString(u"Last_EGN"_s, QString());
    auto* Form = Open();
    EXPECT_EQ(Form->Grid->ColCount(), DebtFieldCount + 6);
    EXPECT_EQ(Form->Grid->Cells(DebtFieldCount, 0), u"1 - Оценка (еднократна такса)"_s);
    EXPECT_EQ(Form->Grid->Cells(DebtFieldCount + 3, 0), u"2 - Съхранение (дневна такса)"_s);
    Form->SetObligationKind(okOnHand);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    const int Row = RowOf(Form->Grid, u"2"_s);
    ASSERT_GE(Row, 0);
    EXPECT_EQ(Form->Grid->Cells(0, Form->Grid->RowCount() - 1), u"Общо:"_s);

    Form->Grid->SetRow(Row);
    Presenter.PlanAnswer(mrYes);
    Form->btnForSale->click();
    EXPECT_EQ(Form->PendingSql, QStringList{ForSaleSql(2, T)});
    EXPECT_EQ(Form->Grid->Cells(dfForSale, Row), u"да"_s);
    EXPECT_EQ(Form->Grid->Cells(dfForSaleDate, Row), u"01.03.2024"_s);
    // Its row says "да" now: no second question, no second statement.
    Form->btnForSale->click();
    EXPECT_EQ(Presenter.Messages().size(), 1);
    EXPECT_EQ(Form->PendingSql.size(), 1);

    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT for_sale, for_sale_date FROM Contracts WHERE docno = 2"_s),
              u"True@01.03.2024"_s);
    EXPECT_EQ(Form->Grid->Cells(dfForSale, RowOf(Form->Grid, u"2"_s)), u"да"_s);
    Close(Form);

    // "Налични" is not brought back.
    Form = Open();
    EXPECT_EQ(Form->ObligationKind(), okAll);
    Form->SetObligationKind(okClosed);
    Close(Form);
    Form = Open();
    EXPECT_EQ(Form->ObligationKind(), okClosed);
    Close(Form);
}

// Delete works on the report's rows as in the contract window: the row goes at once, the
// contract on Save.
TEST_F(ObligationsWindow, DeletesTheSelectedContractOnSave) {
    auto* Form = Open();
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrNo); // the loan is not booked back
    QTest::keyClick(Form->dtp_To, Qt::Key_F5);
    EXPECT_EQ(RowOf(Form->Grid, u"2"_s), -1);
    EXPECT_EQ(Form->PendingSql.size(), 1);
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"0"_s);
    EXPECT_EQ(RowOf(Form->Grid, u"2"_s), -1);
    EXPECT_GE(RowOf(Form->Grid, u"1"_s), 0);
    Close(Form);
}

// A delete queued before the shop had an operator is written, with its re-booking order, by the
// operator signed in when F2 writes it; refused the sign-in, nothing is written and the queue stays.
TEST_F(ObligationsWindow, TheReBookingOrderIsSignedByTheOperatorSignedInAtSave) {
    auto* Form = Open();
    Form->SetUserName(QString());
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrYes); // the loan is booked back
    QTest::keyClick(Form->dtp_To, Qt::Key_F5);
    ASSERT_EQ(Form->PendingSql.size(), 3) << Presenter.Texts().join(u'|').toStdString();
    // Another workstation saves the shop's first operator meanwhile.
    ASSERT_TRUE(ExecSQL(nullptr, AdoConnection,
                        uR"sql(Insert into Users_passwords values ( "ivan", "pass", "Иван Петров" ))sql"_s));
    QString SignedIn;
    SignInBeforeSave = [&] {
        Form->SetUserName(SignedIn);
        return !SignedIn.isEmpty();
    };
    const auto Back = qScopeGuard([] { SignInBeforeSave = nullptr; });
    const QStringList Queued = Form->PendingSql;
    Presenter.Clear();
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(Form->PendingSql, Queued);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"1"_s);
    EXPECT_EQ(Presenter.Texts().size(), 1);
    SignedIn = u"ivan"_s;
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_TRUE(Form->PendingSql.isEmpty()) << Presenter.Texts().join(u'|').toStdString();
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"0"_s);
    // The two re-booking orders: the loan taken back from contract 2, and the money back to the owner.
    const QString Rebooked = QueryText(uR"sql(
        SELECT * FROM Outcomes
         WHERE ( contract_n = 2 AND sum_o < 0 ) OR ( payment_type = 3 AND user_name = "ivan" ))sql"_s);
    EXPECT_EQ(Rebooked.count(u"@Иван Петров@ivan"_s), 2) << Rebooked.toStdString();
    Close(Form);
}

// A receipt saved on the contract between F5 and F2 keeps it: the report's Save checks again, as
// the contract window's does, writes nothing and takes that delete out of the queue, so that the
// declaration queued beside it is saved with the next F2.
TEST_F(ObligationsWindow, AContractPaidOnAfterItsDeleteIsKeptOnSave) {
    auto* Form = Open();
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrYes);
    QTest::keyClick(Form->dtp_To, Qt::Key_F5);
    Form->Grid->SetRow(RowOf(Form->Grid, u"1"_s));
    Presenter.PlanAnswer(mrYes);
    Form->btnForSale->click();
    ASSERT_EQ(Form->PendingSql.size(), 4);
    Run(Format(u"Insert into Incomes values ( 31, %d, 2, 2, 22, \"\", \"\", \"maria\" )"_s, {T}));
    Presenter.Clear();
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{u"Договор номер 2 не може да бъде изтрит: приходни касови ордери № 31.\n"
                    "Изтриването на договор номер 2 е отменено. Останалото може да бъде записано с F2."_s});
    EXPECT_EQ(Form->PendingSql, QStringList{ForSaleSql(1, T)});
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"1"_s);
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 1"_s), u"True"_s);
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s), u"False"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes WHERE contract_n = 2"_s), u"1"_s);
    EXPECT_GE(RowOf(Form->Grid, u"2"_s), 0);
    Close(Form);
}

// A contract redeemed by another window between the declaration and F2 is not declared: its
// declaration leaves the queue, the other one is saved with the next F2.
TEST_F(ObligationsWindow, AContractRedeemedAfterItsDeclarationIsNotDeclared) {
    auto* Form = Open();
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    for (const QString& DocNo : {u"2"_s, u"1"_s}) {
        Form->Grid->SetRow(RowOf(Form->Grid, DocNo));
        Presenter.PlanAnswer(mrYes);
        Form->btnForSale->click();
    }
    ASSERT_EQ(Form->PendingSql.size(), 2);
    Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = 2"_s, {T}));
    Presenter.Clear();
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(
        Presenter.Texts(),
        QStringList{u"Договор номер 2 е откупен на 01.03.2024.\nОбявяването за продажба на договор номер 2 е "
                    "отменено. Останалото може да бъде записано с F2."_s});
    EXPECT_EQ(Form->PendingSql, QStringList{ForSaleSql(1, T)});
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 1"_s), u"True"_s);
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s), u"False"_s);
    Close(Form);
}

// A queued delete or declaration carries its contract as the row showed it: when the contract of
// that number is no longer the one shown (another date, borrower, item or loan), Save refuses the
// change as changed, and when there is none as deleted, even with nothing else queued, and writes
// nothing.
TEST_F(ObligationsWindow, AQueuedChangeIsRefusedWhenItsNumberHoldsAnotherContract) {
    const struct {
        const char* Name;
        bool Delete;
        QString Meanwhile;
    } Cases[] = {
        {"another date", true, Format(u"Update Contracts Set date_c = %d Where docno = 2"_s, {T - 9})},
        {"another borrower", false, u"Update Contracts Set EGN = 8001011234 Where docno = 2"_s},
        {"another item", true, u"Update Contracts Set code_i = 6 Where docno = 2"_s},
        {"another loan", false, u"Update Outcomes Set sum_o = 1000 Where contract_n = 2"_s},
        {"no contract", true, u"Delete from Contracts Where docno = 2"_s},
        {"no contract to declare", false, u"Delete from Contracts Where docno = 2"_s},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto* Form = Open();
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        QApplication::processEvents();
        Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
        Presenter.Clear();
        if (C.Delete) {
            Presenter.PlanPassword(u"shef"_s);
            Presenter.PlanAnswer(mrYes);
            Presenter.PlanAnswer(mrYes);
            QTest::keyClick(Form->dtp_To, Qt::Key_F5);
        } else {
            Presenter.PlanAnswer(mrYes);
            Form->btnForSale->click();
        }
        ASSERT_EQ(Form->PendingSql.size(), C.Delete ? 3 : 1);
        const QString Before = QueryText(u"SELECT * FROM Contracts ORDER BY docno"_s);
        Run(C.Meanwhile);
        const QString Changed = QueryText(u"SELECT * FROM Contracts ORDER BY docno"_s);
        const QString Orders = QueryText(u"SELECT count(*) FROM Outcomes"_s);
        Presenter.Clear();
        QTest::keyClick(Form->dtp_To, Qt::Key_F2);
        QApplication::processEvents();
        const bool Gone = QString::fromUtf8(C.Name).startsWith(u"no contract"_s);
        EXPECT_EQ(Presenter.Texts(),
                  QStringList{(Gone ? u"Договор номер 2 е изтрит междувременно.\n"_s
                                    : u"Договор номер 2 е променен междувременно.\n"_s) +
                              (C.Delete ? u"Изтриването на договор номер 2 е отменено."_s
                                        : u"Обявяването за продажба на договор номер 2 е отменено."_s)});
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(QueryText(u"SELECT * FROM Contracts ORDER BY docno"_s), Changed);
        EXPECT_EQ(QueryText(u"SELECT count(*) FROM Outcomes"_s), Orders);
        // A refused declaration's row no longer says it is declared.
        if (!C.Delete) EXPECT_EQ(Form->Grid->Cells(dfForSale, RowOf(Form->Grid, u"2"_s)), u"не"_s);
        Close(Form);
        Run(u"Delete from Contracts Where docno = 2"_s);
        Run(u"Delete from Outcomes Where docno = 102"_s);
        Contract(2, T - 10, 12345, 1500);
        ASSERT_EQ(QueryText(u"SELECT * FROM Contracts ORDER BY docno"_s), Before);
    }
}

// The grid shows what the queue holds: a queued delete's row leaves the totals at once; refused at
// Save, the delete's row comes back in its place with the totals, and a refused declaration's row
// shows the contract undeclared. A deleted contract's number stays taken by its payout.
TEST_F(ObligationsWindow, TheRowsAndTotalsShowWhatTheQueueHolds) {
    auto* Form = Open();
    TRichGrid* G = Form->Grid;
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    const auto Totals = [G] {
        const int Last = G->RowCount() - 1;
        return G->Cells(0, Last) + u' ' + G->Cells(dfPaidOut, Last) + u' ' +
               G->Cells(dfPrincipalOutstanding, Last);
    };
    const auto Listed = [G] {
        QStringList Numbers;
        for (int R = G->FixedRows(); R < G->RowCount(); ++R)
            Numbers << G->Cells(0, R);
        return Numbers.join(u' ');
    };
    ASSERT_EQ(Totals(), u"Общо: 6400.00 4900.00"_s);
    G->SetRow(RowOf(G, u"2"_s));
    for (const TModalResult Answer : {mrNo, mrYes}) {
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(Answer);
        if (Answer == mrYes) Presenter.PlanAnswer(mrNo); // the loan is not booked back
        QTest::keyClick(Form->dtp_To, Qt::Key_F5);
        // A declined delete queues nothing and leaves the totals.
        EXPECT_EQ(Totals(), Answer == mrNo ? u"Общо: 6400.00 4900.00"_s : u"Общо: 4900.00 3400.00"_s);
    }
    G->SetRow(RowOf(G, u"1"_s));
    const QString DeclaredOn = G->Cells(dfForSaleDate, G->Row());
    Presenter.PlanAnswer(mrYes);
    Form->btnForSale->click();
    ASSERT_EQ(Form->PendingSql.size(), 2);
    Run(Format(u"Insert into Incomes values ( 31, %d, 2, 2, 22, \"\", \"\", \"maria\" )"_s, {T}));
    Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = 1"_s, {T}));
    for (const QString& Refused : {u"Изтриването"_s, u"Обявяването за продажба"_s}) {
        Presenter.Clear();
        QTest::keyClick(Form->dtp_To, Qt::Key_F2);
        QApplication::processEvents();
        ASSERT_EQ(Presenter.Texts().size(), 1);
        EXPECT_TRUE(Presenter.Texts()[0].contains(Refused)) << Presenter.Texts()[0].toStdString();
    }
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Listed(), u"1 2 3 5 6 Общо:"_s);
    EXPECT_EQ(Totals(), u"Общо: 6400.00 4900.00"_s);
    EXPECT_EQ(G->ReadRowAttributes(G->RowCount() - 1)->BackColor(), TotalsRowColor);
    EXPECT_EQ(G->ReadRowAttributes(RowOf(G, u"6"_s))->BackColor(), clWindow);
    const int One = RowOf(G, u"1"_s);
    EXPECT_EQ(G->Cells(dfForSale, One), u"не"_s);
    EXPECT_EQ(G->Cells(dfForSaleDate, One), DeclaredOn);

    G->SetRow(RowOf(G, u"6"_s));
    Presenter.PlanPassword(u"shef"_s);
    Presenter.PlanAnswer(mrYes);
    Presenter.PlanAnswer(mrNo);
    QTest::keyClick(Form->dtp_To, Qt::Key_F5);
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_EQ(QueryText(u"SELECT max( docno ) FROM Contracts"_s), u"5"_s);
    EXPECT_EQ(NextContractNumber(nullptr), 7);
    Close(Form);
    Run(u"Delete from Incomes Where docno = 31"_s);
    // The shop's redeemed contracts are written without the receipts that redeemed them.
    EXPECT_EQ(ContractBooksFaults(false), QString());
}

// F8 with a delete queued asks first: Cancel keeps the row away and the delete queued; No drops
// it and shows the contract again; Yes with a Save that is refused writes nothing; Yes saves the
// contract's delete and its booking back once.
TEST_F(ObligationsWindow, F8WithADeleteQueuedAsksWhetherToSave) {
    auto* Form = Open();
    auto deleteTwo = [&] {
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        QApplication::processEvents();
        Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
        Presenter.PlanPassword(u"shef"_s);
        Presenter.PlanAnswer(mrYes);
        Presenter.PlanAnswer(mrYes); // the loan is booked back
        QTest::keyClick(Form->dtp_To, Qt::Key_F5);
        ASSERT_EQ(RowOf(Form->Grid, u"2"_s), -1);
        Presenter.Clear();
    };
    auto f8 = [&](TModalResult Answer) {
        Presenter.PlanAnswer(Answer);
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        QApplication::processEvents();
    };
    deleteTwo();
    f8(mrCancel);
    EXPECT_EQ(Form->PendingSql.size(), 3);
    EXPECT_EQ(RowOf(Form->Grid, u"2"_s), -1);
    f8(mrNo);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_GE(RowOf(Form->Grid, u"2"_s), 0);
    EXPECT_EQ(Presenter.Texts(), QStringList(2, LoadStr(65194)));

    deleteTwo();
    Run(Format(u"Insert into Incomes values ( 31, %d, 2, 2, 22, \"\", \"\", \"maria\" )"_s, {T}));
    f8(mrYes);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"1"_s);
    Run(u"Delete from Incomes where docno = 31"_s);
    deleteTwo();
    f8(mrYes);
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(Presenter.Texts(), QStringList{LoadStr(65194)});
    EXPECT_EQ(QueryText(u"SELECT count(*) FROM Contracts WHERE docno = 2"_s), u"0"_s);
    EXPECT_EQ(QueryText(u"SELECT count(*), sum(sum_o) FROM Outcomes WHERE contract_n = 2"_s), u"2@0"_s);
    EXPECT_EQ(RowOf(Form->Grid, u"2"_s), -1);
    EXPECT_GE(RowOf(Form->Grid, u"1"_s), 0);
    Close(Form);
}

// A contract whose item record is gone and one whose borrower has no preferential code cannot be
// figured: F8 leaves them out, lists every other contract, the later ones too, with true totals, counts the
// rows it shows and tells the operator which two were left out and why.
TEST_F(ObligationsWindow, LeavesOutContractsItCannotFigureAndSaysWhich) {
    Run(Format(u"Insert into Contracts values ( 7, %d, 99, 700, 3, 30, \"\", False, 0, False, 0, 12345, "
               "False, 0, 0, False, 0, 0, 0, 0 )"_s,
               {T - 10}));
    Run(Format(u"Insert into Outcomes values ( 107, %d, 7, 1, 700, \"\", \"\", \"maria\" )"_s, {T - 10}));
    Run(u"Insert into Owners values ( 222, \"Без Код\", \"София\", \"\", \"\", \"\", True, False, 0, \"\", "
        "\"\", \"\", \"\" )"_s);
    Contract(8, T - 10, 222, 300);
    Contract(9, T - 10, 8001011234, 200);

    auto* Form = Open();
    Form->SetObligationKind(okAll);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    QStringList Listed;
    for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
        Listed << Form->Grid->Cells(0, R);
    EXPECT_EQ(Listed, (QStringList{u"1"_s, u"2"_s, u"3"_s, u"5"_s, u"6"_s, u"9"_s, u"Общо:"_s}));
    // 1500.00 out on 1, 2 and 5, 400.00 on 6 and 200.00 on 9; 3 is repaid.
    EXPECT_EQ(Form->Grid->Cells(dfPrincipalOutstanding, Form->Grid->RowCount() - 1), u"5100.00"_s);
    EXPECT_EQ(Form->StatusBar->Panels()->Items(0)->Text(), u"Общо: 6 реда"_s);
    EXPECT_EQ(Presenter.Texts(),
              QStringList{u"Справката не включва 2 договора, чието задължение не може да се изчисли:\n"
                          "договор 7: липсва вещ с шифър 99;\n"
                          "договор 8: заемополучателят с ЕГН 0000000222 няма преференциален код."_s});
    Close(Form);
}

// Esc with a declaration queued asks as the document windows do: Cancel stays, No drops it, Yes
// writes it and closes.
TEST_F(ObligationsWindow, EscWithADeclarationQueuedAsksWhetherToSave) {
    for (TModalResult Answer : {mrNo, mrYes}) {
        QPointer<TfrmProsro4eni_zadyljenia> Form = Open();
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
        Presenter.PlanAnswer(mrYes);
        Form->btnForSale->click();
        Presenter.Clear();
        Presenter.PlanAnswer(mrCancel);
        Presenter.PlanAnswer(Answer);
        for (bool Closes : {false, true}) {
            QTest::keyClick(Form->Grid, Qt::Key_Escape);
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            ASSERT_EQ(Form.isNull(), Closes);
        }
        EXPECT_EQ(Presenter.Texts(), QStringList(2, LoadStr(65194)));
        EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s),
                  Answer == mrYes ? u"True"_s : u"False"_s);
    }
}

// At a past date the report shows each contract as it stood then: an interest payment made after
// the at-date neither renews the contract nor hides that it was overdue; one made on the at-date
// itself counts. Clearing the grid by a new date clears its row count too.
TEST_F(ObligationsWindow, APastAtDateTakesOnlyTheInterestPaidByThen) {
    const int At = T - 5;
    Run(Format(u"Insert into Incomes values ( 31, %d, 1, 2, 60, \"\", \"\", \"maria\" )"_s, {T - 2}));
    Run(Format(u"Insert into Incomes values ( 32, %d, 2, 2, 10, \"\", \"\", \"maria\" )"_s, {At}));
    auto* Form = Open();
    Form->dtp_To->SetDate(At);
    Form->SetObligationKind(okOverdue);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    TRichGrid* G = Form->Grid;
    // Contract 1 has run 35 days of its 30 by then; the payment of T-2 is still to come.
    ASSERT_EQ(RowOf(G, u"1"_s), G->FixedRows());
    const int One = G->FixedRows();
    EXPECT_EQ(G->Cells(dfLastInterestDate, One), QString());
    EXPECT_EQ(G->Cells(dfDaysFromBase, One), QString::number(At - (T - 40)));
    EXPECT_EQ(G->Cells(dfOverdue, One), u"да"_s);
    EXPECT_EQ(G->Cells(dfDueDate, One), DateToStr(T - 40 + 29));
    // 1500.00 at 4 % a month is 2.00 a day, over the 36 days up to the at-date, nothing paid.
    EXPECT_EQ(G->Cells(dfInterestDue, One), Money(36 * 200));
    // Contract 5 was sold only on T-2: overdue and unsold then, with its due date.
    const int Five = RowOf(G, u"5"_s);
    ASSERT_EQ(Five, One + 1);
    EXPECT_EQ(G->Cells(dfSold, Five), u"не"_s);
    EXPECT_EQ(G->Cells(dfSoldDate, Five), QString());
    EXPECT_EQ(G->Cells(dfDueDate, Five), DateToStr(T - 40 + 29));
    EXPECT_EQ(Form->StatusBar->Panels()->Items(0)->Text(), u"Общо: 2 реда"_s);

    Form->rgType_of_Obligation->findChildren<QRadioButton*>().at(okOnHand)->click();
    EXPECT_EQ(Form->ObligationKind(), okOnHand);
    EXPECT_EQ(Form->StatusBar->Panels()->Items(0)->Text(), QString());
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    const int Two = RowOf(G, u"2"_s);
    ASSERT_GE(Two, 0);
    EXPECT_EQ(G->Cells(dfLastInterestDate, Two), DateToStr(At));
    EXPECT_EQ(G->Cells(dfLastInterestAmount, Two), u"10"_s);
    EXPECT_EQ(G->Cells(dfDaysFromBase, Two), u"0"_s);
    EXPECT_EQ(G->Cells(dfDueDate, Two), DateToStr(At + 29));
    EXPECT_EQ(G->Cells(dfInterestPaid, Two), u"10.00"_s);
    Close(Form);
}

// Contract 1, overdue with interest last paid on T-35, takes at the receipt window today a receipt
// of 20.00 and a correction of -30.00 that takes it back with the payment of T-35: the day nets
// below zero, so the contract stays overdue, due as the payment of T-35 left it.
TEST_F(ObligationsWindow, AReceiptTakenBackTheSameDayRenewsNothing) {
    Run(Format(u"Insert into Incomes values ( 40, %d, 1, 2, 10, \"\", \"\", \"maria\" )"_s, {T - 35}));
    auto* Receipts = CreateForm<TfrmIncomes>(&Host, TMAccountForm::fsMDIChild);
    Receipts->SetFormCaption(u"Приходен касов ордер"_s);
    Receipts->SetTableName(u"Incomes"_s);
    Receipts->SetKeyField(u"docno"_s);
    Receipts->SetRecordNoun(u"приходен касов ордер"_s);
    Receipts->SetUserName(u"maria"_s);
    Receipts->ShowForm();
    QApplication::processEvents();
    const auto Type = [](QWidget* Field, const QString& Text) {
        Field->setFocus();
        if (auto* Line = qobject_cast<QLineEdit*>(Field)) Line->selectAll();
        TypeText(Field, Text);
    };
    for (const QString& Sum : {u"20"_s, u"-30"_s}) {
        Type(Receipts->lePayment_type, u"2"_s);
        Type(Receipts->leOwner, u"0000012345"_s);
        Type(Receipts->leContract, u"1"_s);
        Receipts->leContract->OnFormOk(Receipts->leContract);
        Type(Receipts->feSum_c, Sum);
        Type(Receipts->edSupplier_name, u"Мария Колева"_s);
        if (Sum.startsWith(u'-')) Presenter.PlanAnswer(mrYes); // the correction's question
        QTest::keyClick(Receipts->feSum_c, Qt::Key_F4);
        QTest::keyClick(Receipts->feSum_c, Qt::Key_F2);
        QApplication::processEvents();
    }
    ASSERT_EQ(QueryText(u"SELECT date_d, sum_o FROM Incomes WHERE contract_n = 1 ORDER BY docno"_s),
              DateToStr(T - 35) + u"@10°01.03.2024@20°01.03.2024@-30"_s)
        << Presenter.Texts().join(u'|').toStdString();
    Receipts->RunDone();
    delete Receipts->Container();

    auto* Form = Open();
    Form->SetObligationKind(okOverdue);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    const int One = RowOf(Form->Grid, u"1"_s);
    ASSERT_GE(One, 0);
    const QStringList Row = Form->Grid->Rows(One);
    EXPECT_EQ(Row.mid(dfInterestAccrued, 3), (QStringList{u"82.00"_s, u"0.00"_s, u"82.00"_s}));
    EXPECT_EQ(Row.mid(dfLastInterestDate, 4), (QStringList{DateToStr(T - 35), u"10"_s, u"35"_s, u"да"_s}));
    EXPECT_EQ(Row[dfDueDate], DateToStr(T - 35 + 29));
    Close(Form);
    ExpectBooksHold();
}

// A generated shop at a past at-date: whether each contract was open, closed or overdue then is
// told by the dates of its redemption, sale and interest payments up to that day, whatever
// happened after it. The expected sets are asked of the database directly.
TEST_F(ObligationsWindow, APastAtDateListsEachContractAsItStoodThen) {
    const int At = T - 30;
    int Order = 200;
    const auto Receipt = [&](int DocNo, int Day, int Type, int Sum) {
        Run(Format(u"Insert into Incomes values ( %d, %d, %d, %d, %d, \"\", \"\", \"maria\" )"_s,
                   {++Order, Day, DocNo, Type, Sum}));
    };
    for (int C = 100; C < 172; ++C) {
        const int Day = At - 90 + (C * 13) % 80, Sum = 300 + (C * 37) % 900, Step = (C / 6) % 10;
        Contract(C, Day, C % 2 ? 12345 : 8001011234, Sum);
        switch (C % 6) {
        case 1: // redeemed from five days before the at-date to four after it, the day itself among them
            Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = %d"_s,
                       {At - 5 + Step, C}));
            Receipt(C, At - 5 + Step, 1, Sum);
            break;
        case 2: // sold likewise
            Run(Format(u"Update Contracts Set Sold = True, sold_at_date = %d Where docno = %d"_s,
                       {At - 4 + Step, C}));
            break;
        case 3: // interest paid in its term, and again after the at-date
            Receipt(C, Day + 20, 2, 20);
            Receipt(C, At + 3, 2, 20);
            break;
        case 4: // interest paid around the day its term would run out
            Receipt(C, At - 35 + Step, 2, 15);
            break;
        case 5: // renewed, then redeemed long after the at-date
            Receipt(C, Day + 25, 2, 10);
            Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = %d"_s,
                       {At + 30, C}));
            break;
        }
    }
    const QString OpenThen = Format(uR"sql(
        date_c <= %d AND NOT ( Finished = True AND at_date <= %d ) AND NOT ( Sold = True AND sold_at_date <= %d )
    )sql"_s,
                                    {At, At, At});
    const QString Expected[4] = {
        Format(u"SELECT docno FROM Contracts WHERE date_c <= %d ORDER BY docno"_s, {At}),
        Format(uR"sql(
            SELECT docno FROM Contracts
            WHERE %s AND %d - Coalesce(( SELECT Max(date_d) FROM Incomes
                                         WHERE contract_n = Contracts.docno AND payment_type = 2
                                               AND date_d <= %d ), date_c) >= duration
            ORDER BY docno
        )sql"_s,
               {OpenThen, At, At}),
        Format(uR"sql(
            SELECT docno FROM Contracts
            WHERE date_c <= %d AND ( ( Finished = True AND at_date <= %d ) OR ( Sold = True AND sold_at_date <= %d ) )
            ORDER BY docno
        )sql"_s,
               {At, At, At}),
        Format(u"SELECT docno FROM Contracts WHERE %s ORDER BY docno"_s, {OpenThen}),
    };
    auto* Form = Open();
    Form->dtp_To->SetDate(At);
    for (int Kind : {okAll, okOverdue, okClosed, okOnHand}) {
        SCOPED_TRACE(Kind);
        Form->SetObligationKind(Kind);
        QTest::keyClick(Form->Grid, Qt::Key_F8);
        QApplication::processEvents();
        QStringList Listed;
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R)
            if (Form->Grid->Cells(0, R) != u"Общо:"_s) Listed << Form->Grid->Cells(0, R);
        const QStringList Wanted = QueryText(Expected[Kind]).split(u'°', Qt::SkipEmptyParts);
        EXPECT_GT(Wanted.size(), 5);
        EXPECT_EQ(Listed, Wanted);
        // Each row says what it was then: no redemption or sale after the at-date, and a due date
        // for every open contract.
        for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount() - 1; ++R) {
            const bool Closed =
                Form->Grid->Cells(dfFinished, R) == u"да"_s || Form->Grid->Cells(dfSold, R) == u"да"_s;
            for (int Col : {int(dfFinishedDate), int(dfSoldDate)})
                EXPECT_LE(StrToDateOr(Form->Grid->Cells(Col, R), 0), At) << R;
            EXPECT_EQ(Form->Grid->Cells(dfDueDate, R).isEmpty(), Closed) << R;
        }
    }
    EXPECT_TRUE(Presenter.Texts().isEmpty());
    Close(Form);
}

// While a report is being built the program stays usable: once the event loop runs, another
// window saves, a second report loads and another workstation saves at once, as no read
// transaction is held meanwhile. Contract 9000 lies in a block of its own, read after them.
TEST_F(ObligationsWindow, WhileAReportLoadsOthersSaveAndLoad) {
    Contract(9000, T - 10, 8001011234, 700);
    auto* Other = Open();
    Other->SetObligationKind(okOnHand);
    QTest::keyClick(Other->Grid, Qt::Key_F8);
    QApplication::processEvents();
    Other->Grid->SetRow(RowOf(Other->Grid, u"2"_s));
    Presenter.PlanAnswer(mrYes);
    Other->btnForSale->click();
    ASSERT_EQ(Other->PendingSql.size(), 1);
    Presenter.Clear();

    auto* Form = Open();
    bool Ran = false, Saved = false;
    QStringList OtherRows;
    TEventHook Hook(Form, [&](QEvent* E) {
        if (Ran || E->type() != evProgress || static_cast<TProgressEvent*>(E)->Done == 0) return;
        Ran = true;
        Saved = OtherWorkstationSaves("UPDATE Contracts SET Duration = 31 WHERE docno = 9000");
        // The other window's F2 writes its declaration and loads its rows again.
        Other->SubWindow()->mdiArea()->setActiveSubWindow(Other->SubWindow());
        QTest::keyClick(Other->Grid, Qt::Key_F2);
        QApplication::processEvents();
        for (int R = Other->Grid->FixedRows(); R < Other->Grid->RowCount(); ++R)
            OtherRows << Other->Grid->Cells(0, R);
    });
    QTest::keyClick(Form->Grid, Qt::Key_F8);
    QApplication::processEvents();
    EXPECT_TRUE(Ran);
    EXPECT_TRUE(Saved);
    EXPECT_TRUE(Other->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s), u"True"_s);
    EXPECT_EQ(OtherRows, (QStringList{u"1"_s, u"2"_s, u"6"_s, u"9000"_s, u"Общо:"_s}));
    EXPECT_EQ(Presenter.Texts(), QStringList());
    // The report itself is whole, contract 9000 read as the other workstation left it.
    EXPECT_EQ(RowOf(Form->Grid, u"Общо:"_s), Form->Grid->FixedRows() + 6);
    EXPECT_EQ(Form->Grid->Cells(dfDuration, RowOf(Form->Grid, u"9000"_s)), u"31"_s);
    Close(Form);
    Close(Other);
}

// An at-date typed as no date stays as typed, is refused by name at F8 and runs nothing.
TEST_F(ObligationsWindow, AnImpossibleAtDateIsRefusedAsTypedAndNothingRuns) {
    auto* Form = Open();
    for (const QString& Typed :
         {u"32.13.2026"_s, u"31.04.2026"_s, u"29.02.2025"_s, u"1.1.202"_s, u"0.0.0"_s}) {
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        QApplication::processEvents();
        ASSERT_GE(RowOf(Form->Grid, u"Общо:"_s), 0);
        Presenter.Clear();
        Form->dtp_To->setFocus();
        Form->dtp_To->selectAll();
        QTest::keyClicks(Form->dtp_To, Typed);
        QTest::keyClick(Form->dtp_To, Qt::Key_F8);
        QApplication::processEvents();
        EXPECT_EQ(Form->dtp_To->text(), Typed);
        EXPECT_EQ(Presenter.Texts(), QStringList{u"Невалидна дата \"%1\" !"_s.arg(Typed)});
        EXPECT_EQ(RowOf(Form->Grid, u"Общо:"_s), -1) << Typed.toStdString();
        Form->dtp_To->selectAll();
        QTest::keyClicks(Form->dtp_To, DateToStr(T));
    }

    // With a declaration queued, F2 and Esc's Save refuse the date before they write anything.
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    Form->Grid->SetRow(RowOf(Form->Grid, u"2"_s));
    Presenter.PlanAnswer(mrYes);
    Form->btnForSale->click();
    Form->dtp_To->setFocus();
    Form->dtp_To->selectAll();
    QTest::keyClicks(Form->dtp_To, u"31.04.2026"_s);
    Presenter.Clear();
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QPointer<TfrmProsro4eni_zadyljenia> Stays(Form);
    Presenter.PlanAnswer(mrYes);
    QTest::keyClick(Form->Grid, Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(Stays.isNull());
    const QString Refused = u"Невалидна дата \"31.04.2026\" !"_s;
    EXPECT_EQ(Presenter.Texts(), (QStringList{Refused, LoadStr(65194), Refused}));
    EXPECT_EQ(Form->PendingSql, QStringList{ForSaleSql(2, T)});
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s), u"False"_s);
    Form->dtp_To->setFocus();
    Form->dtp_To->selectAll();
    QTest::keyClicks(Form->dtp_To, DateToStr(T));
    QTest::keyClick(Form->dtp_To, Qt::Key_F2);
    QApplication::processEvents();
    EXPECT_TRUE(Form->PendingSql.isEmpty());
    EXPECT_EQ(QueryText(u"SELECT for_sale FROM Contracts WHERE docno = 2"_s), u"True"_s);
    EXPECT_EQ(Form->Grid->Cells(dfForSale, RowOf(Form->Grid, u"2"_s)), u"да"_s);
    Close(Form);
    ExpectBooksHold();
}

namespace {

// The obligations window driven by its keys and button.
class DeclarationAndPayment : public ObligationsWindow {
public:
    static void Key(TfrmProsro4eni_zadyljenia* Form, Qt::Key Key) {
        Form->dtp_To->setFocus();
        QTest::keyClick(Form->dtp_To, Key);
        QApplication::processEvents();
    }
    void Declare(TfrmProsro4eni_zadyljenia* Form, const QString& DocNo) {
        Form->Grid->SetRow(RowOf(Form->Grid, DocNo));
        Presenter.PlanAnswer(mrYes);
        Form->btnForSale->click();
    }
};

} // namespace

namespace {

QDateTime DeclarationClock;
QDateTime DeclarationNow() {
    return DeclarationClock;
}

} // namespace

// "За продажба" queued on overdue contract 1 (interest last paid on T-35) is written at F2, dated
// the day of F2, only while the contract reads in every field as its row showed it and nobody
// declared it meanwhile: another workstation's payment, fee payment or longer term refuses the
// declaration, saying why. From a past at-date a contract paid since is refused at the click; the
// row F2 compares then is today's. A payment dated after midnight between the click and F2 refuses
// it too.
TEST_F(DeclarationAndPayment, AQueuedDeclarationIsRefusedWhenTheContractWasPaidOrDeclaredMeanwhile) {
    Run(Format(u"Insert into Incomes values ( 40, %d, 1, 2, 40, \"\", \"\", \"maria\" )"_s, {T - 35}));
    SetClock(&DeclarationNow);
    const QString Paid = u"Плащанията по договор номер 1 са променени междувременно."_s;
    const QString Receipt = u"Insert into Incomes values ( 41, %d, %d, %d, %d, \"\", \"\", \"ivan\" )"_s;
    enum TWhen { BeforeClick, AfterClick, AfterMidnight };
    const struct {
        const char* Name;
        int AtDate;
        QString Meanwhile;
        TWhen When;
        QString Refusal; // "" when the declaration is written
    } Cases[] = {
        {"interest paid", T, Format(Receipt, {T, 1, 2, 5}), AfterClick, Paid},
        {"principal paid", T, Format(Receipt, {T, 1, 1, 5}), AfterClick, Paid},
        {"interest paid again on the day of the last payment", T, Format(Receipt, {T - 35, 1, 2, 5}),
         AfterClick, Paid},
        {"the last interest payment moved a day on", T,
         Format(u"Update Incomes Set date_d = %d Where docno = 40"_s, {T - 34}), AfterClick, Paid},
        {"a fee paid", T, Format(Receipt, {T, 1, 7, 5}), AfterClick, Paid},
        {"a fee corrected", T, Format(Receipt, {T, 1, 6, -5}), AfterClick, Paid},
        {"the term lengthened", T, u"Update Contracts Set duration = 60 Where docno = 1"_s, AfterClick,
         u"Договор номер 1 е променен междувременно."_s},
        {"the borrower moved to a code with no bands", T,
         u"Update Owners Set pref_code = 3 Where EGN = 12345"_s, AfterClick,
         u"Не е зададена лихвена схема за клиент Мария Георгиева с префернциялен код 3."_s},
        {"declared", T,
         Format(u"Update Contracts Set for_sale = True, for_sale_date = %d Where docno = 1"_s, {T - 1}),
         AfterClick, u"Договор номер 1 е обявен за продажба на 29.02.2024."_s},
        {"another contract paid", T, Format(Receipt, {T, 2, 2, 5}), AfterClick, QString()},
        {"paid after a past at-date, before the click", T - 5, Format(Receipt, {T - 2, 1, 2, 5}), BeforeClick,
         u"По договор номер 1 е направено плащане на 28.02.2024."_s},
        {"paid after a past at-date, after the click", T - 5, Format(Receipt, {T, 1, 2, 5}), AfterClick,
         Paid},
        {"saved after midnight", T, QString(), AfterMidnight, QString()},
        {"paid after midnight", T, Format(Receipt, {T + 1, 1, 2, 5}), AfterMidnight,
         u"По договор номер 1 е направено плащане на 02.03.2024."_s},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        Run(u"Delete from Incomes Where docno > 40"_s);
        Run(Format(u"Update Incomes Set date_d = %d Where docno = 40"_s, {T - 35}));
        Run(u"Update Contracts Set for_sale = False, for_sale_date = 0, duration = 30 Where docno = 1"_s);
        Run(u"Update Owners Set pref_code = 2 Where EGN = 12345"_s);
        DeclarationClock =
            QDateTime(QDate(2024, 3, 1), C.When == AfterMidnight ? QTime(23, 59) : QTime(10, 15));
        auto* Form = Open();
        Form->dtp_To->SetDate(C.AtDate);
        Key(Form, Qt::Key_F8);
        ASSERT_EQ(Form->Grid->Cells(dfOverdue, RowOf(Form->Grid, u"1"_s)), u"да"_s);
        if (C.When == BeforeClick) {
            ASSERT_TRUE(OtherWorkstationSaves(C.Meanwhile));
        }
        Presenter.Clear();
        Declare(Form, u"1"_s);
        if (C.When == BeforeClick) {
            EXPECT_EQ(Presenter.Texts(), QStringList{C.Refusal});
            EXPECT_TRUE(Form->PendingSql.isEmpty());
            Close(Form);
            continue;
        }
        if (!C.Meanwhile.isEmpty()) {
            ASSERT_TRUE(OtherWorkstationSaves(C.Meanwhile));
        }
        if (C.When == AfterMidnight) DeclarationClock = QDateTime(QDate(2024, 3, 2), QTime(0, 1));
        const QString Declared =
            QueryText(u"SELECT for_sale, for_sale_date FROM Contracts WHERE docno = 1"_s);
        Presenter.Clear();
        Key(Form, Qt::Key_F2);
        EXPECT_TRUE(Form->PendingSql.isEmpty());
        EXPECT_EQ(
            Presenter.Texts(),
            C.Refusal.isEmpty()
                ? QStringList()
                : QStringList{C.Refusal + u"\nОбявяването за продажба на договор номер 1 е отменено."_s});
        EXPECT_EQ(QueryText(u"SELECT for_sale, for_sale_date FROM Contracts WHERE docno = 1"_s),
                  !C.Refusal.isEmpty()      ? Declared
                  : C.When == AfterMidnight ? u"True@02.03.2024"_s
                                            : u"True@01.03.2024"_s);
        Close(Form);
    }
    ExpectBooksHold();
}

// At a past at-date the row shows a declaration made by then and none made after it, the day
// itself counting. A contract redeemed, sold or declared since is refused at the click, saying so;
// one still open is queued, and refused at F2 when it was paid after the click.
TEST_F(DeclarationAndPayment, APastAtDateShowsTheDeclarationsOfThenAndRefusesAContractClosedSince) {
    const int At = T - 5;
    Contract(7, T - 20, 12345, 1500);
    Run(Format(u"Update Contracts Set for_sale = True, for_sale_date = %d Where docno = 1"_s, {At + 1}));
    Run(Format(u"Update Contracts Set for_sale = True, for_sale_date = %d Where docno = 2"_s, {At}));
    Run(Format(u"Update Contracts Set Finished = True, At_Date = %d Where docno = 6"_s, {At + 1}));
    Run(Format(u"Insert into Incomes values ( 31, %d, 6, 1, 400, \"\", \"\", \"maria\" )"_s, {At + 1}));
    auto* Form = Open();
    Form->dtp_To->SetDate(At);
    Key(Form, Qt::Key_F8);
    TRichGrid* G = Form->Grid;
    QStringList Shown;
    for (const QString& DocNo : {u"1"_s, u"2"_s, u"3"_s, u"5"_s, u"6"_s}) {
        const int R = RowOf(G, DocNo);
        Shown << QStringList{G->Cells(dfFinished, R), G->Cells(dfForSale, R), G->Cells(dfForSaleDate, R),
                             G->Cells(dfSold, R)}
                     .join(u' ');
    }
    EXPECT_EQ(Shown, (QStringList{u"не не  не"_s, u"не да 25.02.2024 не"_s, u"да не  не"_s, u"не не  не"_s,
                                  u"не не  не"_s}));
    for (const QString& DocNo : {u"1"_s, u"2"_s, u"3"_s, u"5"_s, u"6"_s, u"7"_s})
        Declare(Form, DocNo);
    // Contracts 2 and 3 showed theirs in the row and were not asked about.
    EXPECT_EQ(Presenter.Texts(),
              (QStringList{u"Договор номер 1 е обявен за продажба на 26.02.2024."_s,
                           u"Договор номер 5 е продаден на 28.02.2024."_s,
                           u"Договор номер 6 е откупен на 26.02.2024."_s,
                           u"Желаете ли да обявите за продажба вещ по договор 7/10.02.2024"_s}));
    EXPECT_EQ(Form->PendingSql, QStringList{ForSaleSql(7, T)});
    // Paid today, after the at-date, at another workstation: the row stays as it was, the
    // declaration is refused all the same.
    ASSERT_TRUE(OtherWorkstationSaves(
        Format(u"Insert into Incomes values ( 32, %d, 7, 2, 30, \"\", \"\", \"ivan\" )"_s, {T})));
    Presenter.Clear();
    Key(Form, Qt::Key_F2);
    EXPECT_EQ(Presenter.Texts(), QStringList{u"Плащанията по договор номер 7 са променени междувременно.\n"
                                             "Обявяването за продажба на договор номер 7 е отменено."_s});
    EXPECT_EQ(QueryText(u"SELECT docno, for_sale_date FROM Contracts WHERE for_sale = True ORDER BY docno"_s),
              u"1@26.02.2024°2@25.02.2024"_s);
    Close(Form);
    ExpectBooksHold();
}
