// The cash-desk reports: the sums of a period on a small shop, then both windows through F8.

#include "shell/reports/un_Kasa.h"
#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "shell/reports/un_Incomes_spravka.h"
#include "shell/reports/un_Outcomes_spravka.h"
#include "tests/support/ContractShop.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <utility>

using namespace Qt::StringLiterals;

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << S.toStdString();
}

namespace {

// The period 23.02.2024 (45345) to 28.02.2024 (45350). Before it: 1000.00 in from the owner and
// a loan of 600.00 out, so the opening balance is 400.00. After it: 77.00 of principal in and the
// shop's own 5.00 out (order 7).
class CashDesk : public ::testing::Test {
public:
    static constexpr int From = 45345, To = 45350;
    CashDesk() : Shop(QStringLiteral(LENDORA_SOURCE_DIR)) {
        const struct {
            const char* Table;
            int DocNo, Day, Type;
            const char* Sum;
        } Orders[] = {
            {"Incomes", 1, 45340, 3, "1000"}, {"Incomes", 2, From, 1, "100"},
            {"Incomes", 3, 45346, 2, "12.5"}, {"Incomes", 4, To, 3, "200"},
            {"Incomes", 5, 45347, 6, "10"},   {"Incomes", 6, 45348, 4, "50"},
            {"Incomes", 8, 45351, 1, "77"},   {"Outcomes", 1, 45341, 1, "600"},
            {"Outcomes", 2, From, 1, "300"},  {"Outcomes", 3, 45349, 3, "20"},
            {"Outcomes", 4, To, 4, "40"},
        };
        for (const auto& O : Orders)
            Exec(Format(u"Insert into %s values ( %d, %d, 1, %d, %s, \"\", \"\", \"maria\" )"_s,
                        {QString::fromLatin1(O.Table), O.DocNo, O.Day, O.Type, QString::fromLatin1(O.Sum)}));
    }
    TContractShop Shop;
};

QStringList Records(const TDelimitedStringList& List) {
    QStringList Texts;
    for (int R = 0; R < List.Count(); ++R)
        Texts += List.Get(R);
    return Texts;
}

} // namespace

TEST(CashDeskDates, RegistryDayFallsBackOnAnythingButAWholeNumber) {
    const struct {
        const char* Text;
        int Day;
    } Cases[] = {{"45352", 45352}, {" 45000 ", 45000}, {"", 7}, {"abc", 7}, {"45352.5", 7}};
    for (const auto& C : Cases)
        EXPECT_EQ(RegistryDay(QString::fromLatin1(C.Text), 7), C.Day) << C.Text;
}

// Every summary line adds up as it reads: the receipts and the payments each sum to their total,
// and the opening plus the receipts less the payments is the closing balance.
static void ExpectAddsUp(const QString& Line) {
    const QStringList F = Line.split(u'@');
    ASSERT_EQ(F.size(), 12) << Line.toStdString();
    const auto C = [&F](int I) { return qint64(std::llround(F[I].toDouble() * 100)); };
    EXPECT_EQ(C(1) + C(2) + C(3) + C(4), C(5)) << Line.toStdString();
    EXPECT_EQ(C(6) + C(7) + C(8), C(9)) << Line.toStdString();
    EXPECT_EQ(C(0) + C(5) - C(9), C(11)) << Line.toStdString();
}

TEST_F(CashDesk, SummaryLineCountsBothEndsOfThePeriod) {
    // In: owner 200.00, principal 100.00, interest 12.50, other 60.00 (the fee of 10.00 and the
    // sale of 50.00); out: owner 20.00, loans 300.00, other 40.00 (the purchase).
    EXPECT_EQ(KasaRow(nullptr, From, To),
              u"400.00@200.00@100.00@12.50@60.00@372.50@20.00@300.00@40.00@360.00@-7.50@412.50"_s);
    // Nothing in the period: the closing balance is the opening one, 1449.50 - 965.00.
    EXPECT_EQ(KasaRow(nullptr, 45400, 45410),
              u"484.50@0.00@0.00@0.00@0.00@0.00@0.00@0.00@0.00@0.00@0.00@484.50"_s);
    for (const auto& [F, T] : {std::pair{From, To}, {From, From}, {To, To}, {45340, 45351}})
        ExpectAddsUp(KasaRow(nullptr, F, T));
}

TEST_F(CashDesk, DetailedRowsTellEveryFeeInCodeOrder) {
    TDelimitedStringList Rows;
    KasaDetailedRows(nullptr, From, To, Rows);
    EXPECT_EQ(Records(Rows), (QStringList{
                                 u"¤Начално салдо@400.00"_s,
                                 u"Приходи - главници@100.00"_s,
                                 u"Приходи - лихви@12.50"_s,
                                 u"Приходи - собственик@200.00"_s,
                                 u"Приходи - продажба на заложени вещи@50.00"_s,
                                 u"Приходи - продажба на закупени вещи@0.00"_s,
                                 u"Приходи - такса Оценка@10.00"_s,
                                 u"Приходи - такса Съхранение@0.00"_s,
                                 u"¤Общо приходи@372.50"_s,
                                 u"Разходи - по договори за злог@300.00"_s,
                                 u"Разходи - собственик@20.00"_s,
                                 u"Разходи - за покупка на вещи@40.00"_s,
                                 u"¤Общо разходи@360.00"_s,
                                 u"¤Остатък@412.50"_s,
                             }));
}

// The closing balance is what the drawer holds: the next period opens with it, whatever the
// orders were for, a fee that is in no list of fees included.
TEST_F(CashDesk, ClosingIsTheNextPeriodsOpeningAndTheDetailedClosing) {
    Exec(u"Insert into Incomes values ( 9, 45346, 1, 9, 7.25, \"\", \"\", \"maria\" )"_s);
    const struct {
        int From, To;
    } Periods[] = {{From, To}, {From, From}, {45341, 45349}, {45351, 45351}, {45000, 45001}};
    for (const auto& P : Periods) {
        const QStringList Summary = KasaRow(nullptr, P.From, P.To).split(u'@');
        const QString NextOpening = KasaRow(nullptr, P.To + 1, P.To + 1).split(u'@').first();
        TDelimitedStringList Detailed;
        KasaDetailedRows(nullptr, P.From, P.To, Detailed);
        EXPECT_EQ(Summary.last(), NextOpening) << P.From << "-" << P.To;
        EXPECT_EQ(Detailed.Get(Detailed.Count() - 1), u"¤Остатък@"_s + NextOpening) << P.From << "-" << P.To;
    }
}

// An amount stored with a third decimal counts as each order shows it, in the cash desk as in the
// lists of orders.
TEST_F(CashDesk, StoredThirdDecimalsRoundPerOrderInEveryReport) {
    for (const QString& Sql : {
             u"Insert into Incomes values ( 20, 45346, 1, 1, 10.005, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 21, 45347, 1, 1, 20.005, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 22, 45347, 1, 2, 0.004, \"\", \"\", \"maria\" )"_s,
             u"Insert into Outcomes values ( 20, 45346, 1, 3, 1.115, \"\", \"\", \"maria\" )"_s,
             u"Insert into Outcomes values ( 21, 45347, 1, 3, 2.225, \"\", \"\", \"maria\" )"_s,
             // Before the period: the opening balance rounds per order too.
             u"Insert into Incomes values ( 23, 45300, 1, 3, 0.005, \"\", \"\", \"maria\" )"_s,
             u"Insert into Incomes values ( 24, 45301, 1, 3, 0.005, \"\", \"\", \"maria\" )"_s,
         })
        Exec(Sql);
    TDelimitedStringList Detailed, In, Out;
    KasaDetailedRows(nullptr, From, To, Detailed);
    IncomesSpravkaRows(nullptr, From, To, In);
    OutcomesSpravkaRows(nullptr, From, To, Out);
    const auto Line = [&Detailed](const QString& Label) {
        for (int R = 0; R < Detailed.Count(); ++R)
            if (Detailed.GetField(R, 0) == Label) return Detailed.GetField(R, 1);
        return QString();
    };
    EXPECT_EQ(Line(u"¤Начално салдо"_s), u"400.02"_s);
    EXPECT_EQ(Line(u"Приходи - главници"_s), u"130.02"_s);
    EXPECT_EQ(Line(u"¤Общо приходи"_s), In.GetField(In.Count() - 1, 3));
    EXPECT_EQ(Line(u"¤Общо разходи"_s), Out.GetField(Out.Count() - 1, 3));
    EXPECT_EQ(Line(u"¤Общо разходи"_s), u"363.35"_s);
    EXPECT_EQ(KasaRow(nullptr, From, To).split(u'@').value(2), u"130.02"_s);
}

TEST_F(CashDesk, DetailedRowsFailOnAFailingStatement) {
    Exec(u"Drop table Taxes"_s);
    TDelimitedStringList Rows;
    EXPECT_THROW(KasaDetailedRows(nullptr, From, To, Rows), EDatabaseError);
}

namespace {

class CashDeskWindow : public CashDesk {
public:
    CashDeskWindow() {
        WriteRegString(u"frmKasa_dtp_From"_s, QString::number(From));
        WriteRegString(u"frmKasa_dtp_To"_s, u"junk"_s);
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
    static void Close(TfrmKasa* Form) {
        Form->RunDone();
        delete Form->Container();
    }
    static void SetDate(TMADateEdit* Edit, int Day) {
        Edit->setFocus();
        Edit->SetDate(Day);
    }
    TScriptedPresenter Presenter;
    QMainWindow Host;
};

} // namespace

TEST_F(CashDeskWindow, SummaryRunsOnOpeningAndAgainOnF8) {
    auto* Form = Open<TfrmKasa>();
    EXPECT_EQ(Form->pnlCaption->text(), u"КАСА"_s);
    // The to-date held no number: today.
    EXPECT_EQ(Form->dtp_To->Date(), TContractShop::Today);
    EXPECT_EQ(Form->Grid->Rows(2).join(u'@'),
              u"400.00@200.00@177.00@12.50@60.00@449.50@25.00@300.00@40.00@365.00@-12.50@484.50"_s);
    EXPECT_EQ(Form->Grid->Cells(4, 1), u"други"_s);
    EXPECT_EQ(Form->Grid->Cells(8, 1), u"други"_s);
    SetDate(Form->dtp_To, To);
    EXPECT_EQ(Form->Grid->Rows(2).join(u'@'), u"@@@@@@@@@@@"_s);
    QTest::keyClick(Form->dtp_To, Qt::Key_F8);
    QApplication::processEvents();
    // What the operator reads adds up.
    QStringList Shown;
    for (int C = 0; C < Form->Grid->ColCount(); ++C) {
        QString Text;
        GetGridCellText(Form->Grid, C, 2, Text);
        Shown << Text;
    }
    EXPECT_EQ(Shown.join(u'@'),
              u"400.00@200.00@100.00@12.50@60.00@372.50@20.00@300.00@40.00@360.00@-7.50@412.50"_s);
    ExpectAddsUp(Shown.join(u'@'));
    EXPECT_EQ(Form->GetReportTitle(), u"от дата 23.02.2024 до дата 28.02.2024"_s);
    Close(Form);
    EXPECT_EQ(ReadRegString(u"frmKasa_dtp_To"_s), QString::number(To));
    EXPECT_TRUE(Presenter.Texts().isEmpty());
}

TEST_F(CashDeskWindow, DetailedShowsTotalsRowsInTheirColour) {
    WriteRegString(u"frmKasa_dtp_To"_s, QString::number(To));
    auto* Form = Open<TfrmKasa_detailed>();
    QTest::keyClick(Form->dtp_From, Qt::Key_F8);
    QApplication::processEvents();
    TRichGrid* G = Form->Grid;
    ASSERT_EQ(G->RowCount(), 1 + 14);
    EXPECT_EQ(G->Rows(7).join(u'@'), u"Приходи - такса Оценка@10.00"_s);
    EXPECT_EQ(G->Rows(14).join(u'@'), u"Остатък@412.50"_s);
    EXPECT_EQ(GetGridCellColor(G, 1, 14), TotalsRowColor);
    EXPECT_NE(GetGridCellColor(G, 1, 12), TotalsRowColor);
    Close(Form);
}

// A receipt of a fee no longer listed and a payment of no kind the report names stand on lines of
// their own: what the operator reads adds up to each total.
TEST_F(CashDeskWindow, DetailedLinesAddUpToTheirTotalsWithKindsNoLineNames) {
    Exec(u"Insert into Incomes values ( 9, 45346, 1, 9, 7.25, \"\", \"\", \"maria\" )"_s);
    Exec(u"Insert into Outcomes values ( 9, 45347, 1, 2, 3.5, \"\", \"\", \"maria\" )"_s);
    WriteRegString(u"frmKasa_dtp_To"_s, QString::number(To));
    auto* Form = Open<TfrmKasa_detailed>();
    QStringList Shown;
    for (int R = Form->Grid->FixedRows(); R < Form->Grid->RowCount(); ++R) {
        QString Amount;
        GetGridCellText(Form->Grid, 1, R, Amount);
        Shown << Form->Grid->Cells(0, R) + u'@' + Amount;
    }
    EXPECT_TRUE(Shown.contains(u"Приходи - други@7.25"_s)) << Shown.join(u'|').toStdString();
    EXPECT_TRUE(Shown.contains(u"Разходи - други@3.50"_s)) << Shown.join(u'|').toStdString();
    // Each total is the sum of the lines since the opening balance or the previous total.
    qint64 Lines = 0;
    for (const QString& Line : Shown.mid(1, Shown.size() - 2)) {
        const qint64 Cents = std::llround(Line.section(u'@', 1).toDouble() * 100);
        if (!Line.startsWith(u"Общо"_s))
            Lines += Cents;
        else
            EXPECT_EQ(std::exchange(Lines, 0), Cents) << Line.toStdString();
    }
    Close(Form);
}

// Typed key by key, in a month of 31 days and in one of 30: an impossible date of the period is
// refused on leaving and at F8, the report does not run and the stored period stays.
TEST_F(CashDeskWindow, AnImpossibleTypedDateRunsNothingAndIsNotRemembered) {
    WriteRegString(u"frmKasa_dtp_To"_s, QString::number(To));
    for (const TClockFunc Clock : {TClockFunc([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 0)); }),
                                   TClockFunc([] { return QDateTime(QDate(2026, 6, 10), QTime(10, 0)); })}) {
        SetClock(Clock);
        auto* Form = Open<TfrmKasa>();
        const std::tuple<TMADateEdit*, QString, Qt::Key> Cases[] = {
            {Form->dtp_From, u"32.13.2026"_s, Qt::Key_F8},
            {Form->dtp_To, u"31.04.2026"_s, Qt::Key_Tab},
            {Form->dtp_To, u"31.02.2026"_s, Qt::Key_F8}};
        for (const auto& [Edit, Typed, Key] : Cases) {
            SetDate(Form->dtp_From, From);
            SetDate(Form->dtp_To, To);
            QApplication::processEvents();
            Presenter.Clear();
            Edit->setFocus();
            Edit->selectAll();
            QTest::keyClicks(Edit, Typed);
            QTest::keyClick(Edit, Key);
            QApplication::processEvents();
            EXPECT_EQ(Edit->text(), Typed);
            EXPECT_EQ(Presenter.Texts(), QStringList{u"Невалидна дата \"%1\" !"_s.arg(Typed)});
            EXPECT_EQ(Form->Grid->Rows(2).join(QString()), QString()) << Typed.toStdString();
        }
        Close(Form);
        EXPECT_EQ(ReadRegString(u"frmKasa_dtp_From"_s), QString::number(From));
        EXPECT_EQ(ReadRegString(u"frmKasa_dtp_To"_s), QString::number(To));
    }
}
