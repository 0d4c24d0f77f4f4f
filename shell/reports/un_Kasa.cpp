#include "shell/reports/un_Kasa.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"

#include <QGridLayout>
#include <QLabel>
#include <cmath>

using namespace Qt::StringLiterals;

int RegistryDay(const QString& Text, int Default) {
    bool Ok = false;
    const int Day = Text.trimmed().toInt(&Ok);
    return Ok ? Day : Default;
}

void ReadReportDates(const QString& Prefix, TMADateEdit* From, TMADateEdit* To) {
    const int Today = int(std::floor(Date()));
    From->SetDate(RegistryDay(ReadRegString(Prefix + u"_dtp_From"_s), Today));
    To->SetDate(RegistryDay(ReadRegString(Prefix + u"_dtp_To"_s), Today));
}

void WriteReportDates(const QString& Prefix, TMADateEdit* From, TMADateEdit* To) {
    // An emptied edit would come back as 30.12.1899; the last real date stays instead.
    if (const TDateTime D = From->Date(); D > 0)
        WriteRegString(Prefix + u"_dtp_From"_s, QString::number(qint64(std::floor(D))));
    if (const TDateTime D = To->Date(); D > 0)
        WriteRegString(Prefix + u"_dtp_To"_s, QString::number(qint64(std::floor(D))));
}

void AddReportDates(QWidget* Panel, QGridLayout* Layout, int Row, TMADateEdit*& From, TMADateEdit*& To) {
    From = new TMADateEdit(Panel);
    From->setObjectName(u"dtp_From"_s);
    From->setFixedWidth(100);
    To = new TMADateEdit(Panel);
    To->setObjectName(u"dtp_To"_s);
    To->setFixedWidth(100);
    Layout->addWidget(new QLabel(u"От дата:"_s, Panel), Row, 0);
    Layout->addWidget(From, Row, 1);
    Layout->addWidget(new QLabel(u"До дата:"_s, Panel), Row, 2);
    Layout->addWidget(To, Row, 3);
}

qint64 QuerySum(QObject* Owner, const QString& Sql, int Digits) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Sql, &List);
    if (List.Count() != 1) return 0;
    return RoundDecimal(DecimalOrZero(List.GetField(0, 0)), Digits);
}

QString OpeningSumSql(const QString& Table, int From) {
    return Format(u"SELECT Sum(%s.sum_o) AS SumOfsum_o FROM %s WHERE date_d < %d "_s, {Table, Table, From});
}

QString PeriodSumSql(const QString& Table, int From, int To, int PaymentType) {
    return Format(u"SELECT Sum(%s.sum_o) AS SumOfsum_o FROM %s WHERE ( date_d >= %d AND date_d <= %d AND "
                  "payment_type = %d )"_s,
                  {Table, Table, From, To, PaymentType});
}

QString KasaRow(QObject* Owner, int From, int To) {
    const auto Sum = [Owner](const QString& Sql) { return QuerySum(Owner, Sql, AmountDecimals); };
    const QString In = u"Incomes"_s, Out = u"Outcomes"_s;
    const qint64 Opening = Sum(OpeningSumSql(In, From)) - Sum(OpeningSumSql(Out, From));
    const qint64 InOwner = Sum(PeriodSumSql(In, From, To, 3));
    const qint64 InPrincipal = Sum(PeriodSumSql(In, From, To, 1));
    const qint64 InInterest = Sum(PeriodSumSql(In, From, To, 2));
    const qint64 OutOwner = Sum(PeriodSumSql(Out, From, To, 3));
    const qint64 OutLoans = Sum(PeriodSumSql(Out, From, To, 1));
    const qint64 InTotal = InOwner + InPrincipal + InInterest;
    const qint64 OutTotal = OutOwner + OutLoans;
    QStringList Fields;
    for (qint64 V : {Opening, InOwner, InPrincipal, InInterest, InTotal, OutOwner, OutLoans, OutTotal,
                     InInterest - OutOwner, Opening + InTotal - OutTotal})
        Fields += ScaledToFixedStr(V, AmountDecimals);
    return Fields.join(u'@');
}

void KasaDetailedRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    const auto Sum = [Owner](const QString& Sql) { return QuerySum(Owner, Sql, AmountDecimals); };
    const auto Add = [&Rows](const QString& Label, qint64 Cents) {
        Rows.Add(Label + u'@' + ScaledToFixedStr(Cents, AmountDecimals));
    };
    const QString In = u"Incomes"_s, Out = u"Outcomes"_s;
    const qint64 Opening = Sum(OpeningSumSql(In, From)) - Sum(OpeningSumSql(Out, From));
    const struct {
        const char* Label;
        int Type;
    } Receipts[] = {{"Приходи - главници", 1},
                    {"Приходи - лихви", 2},
                    {"Приходи - собственик", 3},
                    {"Приходи - продажба на заложени вещи", 4},
                    {"Приходи - продажба на закупени вещи", 5}},
      Payments[] = {{"Разходи - по договори за злог", 1},
                    {"Разходи - собственик", 3},
                    {"Разходи - за покупка на вещи", 4}};
    Rows.Clear();
    Add(u"¤Начално салдо"_s, Opening);
    qint64 InTotal = 0;
    for (const auto& R : Receipts) {
        const qint64 V = Sum(PeriodSumSql(In, From, To, R.Type));
        Add(QString::fromUtf8(R.Label), V);
        InTotal += V;
    }
    TDelimitedStringList Fees;
    RunQuery(Owner, AdoConnection, u"Select code_t, name_t, is_once From Taxes Order By code_t"_s, &Fees);
    for (int F = 0; F < Fees.Count(); ++F) {
        const qint64 V = Sum(PeriodSumSql(In, From, To, int(StrToIntOrZero(Fees.GetField(F, 0))) + 5));
        Add(u"Приходи - такса "_s + Fees.GetField(F, 1), V);
        InTotal += V;
    }
    Add(u"¤Общо приходи"_s, InTotal);
    qint64 OutTotal = 0;
    for (const auto& P : Payments) {
        const qint64 V = Sum(PeriodSumSql(Out, From, To, P.Type));
        Add(QString::fromUtf8(P.Label), V);
        OutTotal += V;
    }
    Add(u"¤Общо разходи"_s, OutTotal);
    Add(u"¤Остатък"_s, Opening + InTotal - OutTotal);
}

TfrmKasa::TfrmKasa(QWidget* Owner) : TfrmKasa(Owner, false) {}

TfrmKasa::TfrmKasa(QWidget* Owner, bool Detailed) : TMAccountReadForm(Owner) {
    setObjectName(Detailed ? u"frmKasa_detailed"_s : u"frmKasa"_s);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    Grid->SetFixedCols(0);
    if (Detailed) {
        Grid->SetColCount(2);
        Grid->SetFixedRows(1);
        Grid->SetRowCount(2);
        Grid->SetCells(0, 0, u"Вид"_s);
        Grid->SetCells(1, 0, u"Сума"_s);
        Grid->SetColWidths(0, 260);
        Grid->SetColWidths(1, 100);
        Grid->SetCol(0);
        Grid->Loaded();
        return;
    }
    Grid->SetColCount(10);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    const QStringList Top{u"Начално"_s, u"Приходи"_s, QString(), QString(),    QString(),
                          u"Разходи"_s, QString(),    QString(), u"Печалба"_s, u"Остатък"_s};
    const QStringList Bottom{QString(),           u"от собственик"_s, u"по главници"_s, u"по лихви"_s,
                             u"общо"_s,           u"инкасо"_s,        u"по договори"_s, u"общо"_s,
                             u"(лихви-инкасо)"_s, QString()};
    const int Widths[10] = {59, 89, 78, 60, 43, 64, 78, 64, 90, 64};
    for (int C = 0; C < 10; ++C) {
        Grid->SetCells(C, 0, Top[C]);
        Grid->SetCells(C, 1, Bottom[C]);
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(u"0,0,0,1|1,0,4,0|5,0,7,0|9,0,9,1|"_s);
    Grid->SetAutoResizeCols(true);
    Grid->SetCol(0);
    Grid->Loaded();
}

void TfrmKasa::InitReport(const QString& Caption) {
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    ReadReportDates(u"frmKasa"_s, dtp_From, dtp_To);
}

bool TfrmKasa::Init() {
    const bool Result = TMAccountReadForm::Init();
    InitReport(u"Каса"_s);
    for (int C = 0; C < 10; ++C)
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    return Result;
}

bool TfrmKasa::Done() {
    WriteReportDates(u"frmKasa"_s, dtp_From, dtp_To);
    return TMAccountReadForm::Done();
}

bool TfrmKasa::Reset() {
    const bool Result = TMAccountReadForm::Reset();
    DoExecute();
    return Result;
}

void TfrmKasa::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    Rows.Add(KasaRow(this, From, To));
}

bool TfrmKasa::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    try {
        LoadRows(int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    return true;
}

QString TfrmKasa::GetReportTitle() {
    return Format(u"от дата %s до дата %s"_s, {DateToStr(dtp_From->Date()), DateToStr(dtp_To->Date())});
}

TfrmKasa_detailed::TfrmKasa_detailed(QWidget* Owner) : TfrmKasa(Owner, true) {}

bool TfrmKasa_detailed::Init() {
    const bool Result = TMAccountReadForm::Init();
    InitReport(u"Каса - детайлна"_s);
    Grid->ColAttributes(0)->SetAlignment({caLeft, caCenter});
    Grid->ColAttributes(1)->SetFormatter(ValueFormatter);
    return Result;
}

void TfrmKasa_detailed::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    KasaDetailedRows(this, From, To, Rows);
}
