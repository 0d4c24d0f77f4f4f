#include "shell/reports/un_Operacii.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"
#include "shell/reports/un_Kasa.h"

#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int JournalColumns = 10;

QString Money(const QString& Text) {
    return ScaledToFixedStr(RoundDecimal(DecimalOrZero(Text), AmountDecimals), AmountDecimals);
}

} // namespace

void OperationsRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    TDelimitedStringList Payments, Fees, Receipts;
    RunQuery(
        Owner, AdoConnection,
        Format(u"SELECT Outcomes.payment_type,        Outcomes.date_d,        Outcomes.sum_o,        "
               "Outcomes.user_name,        Outcomes.contract_n FROM Outcomes WHERE ( date_d >= %d AND date_d "
               "<= %d ) ORDER BY Outcomes.date_d, Outcomes.contract_n"_s,
               {From, To}),
        &Payments);
    RunQuery(Owner, AdoConnection, u"Select code_t, name_t From Taxes Order By code_t"_s, &Fees);
    QHash<qint64, QString> FeeNames;
    for (int F = 0; F < Fees.Count(); ++F)
        FeeNames.insert(StrToIntOrZero(Fees.GetField(F, 0)), Fees.GetField(F, 1));

    for (int R = 0; R < Payments.Count(); ++R) {
        const qint64 Type = StrToIntOrZero(Payments.GetField(R, 0));
        const QString Date = Payments.GetField(R, 1), Amount = Money(Payments.GetField(R, 2));
        const QString Contract = Payments.GetField(R, 4);
        QString What = u"???"_s;
        if (Type == 1)
            What = u"нов залог - "_s + Contract;
        else if (Type == 3)
            What = u"разходи собственик"_s;
        else if (Type == 4)
            What = u"покупка на вещ - "_s + Contract;
        Rows.Add(QStringList{What, QString(), Date, Amount, QString(), QString(), Amount, QString(),
                             DotDateToYyyymmdd(Date), Payments.GetField(R, 3)}
                     .join(u'@'));
    }

    RunQuery(Owner, AdoConnection,
             Format(u"SELECT Incomes.payment_type,        Incomes.date_d,        Incomes.sum_o,        "
                    "Contracts.Sum_c,        Contracts.M_IR,        [date_c]+[Duration] AS Padej,        "
                    "Incomes.user_name,        Incomes.contract_n FROM Contracts RIGHT JOIN Incomes ON "
                    "Contracts.docno = Incomes.contract_n WHERE ( date_d >= %d AND date_d <= %d ) ORDER BY "
                    "Incomes.date_d, Incomes.contract_n"_s,
                    {From, To}),
             &Receipts);
    for (int R = 0; R < Receipts.Count(); ++R) {
        const qint64 Type = StrToIntOrZero(Receipts.GetField(R, 0));
        const QString Date = Receipts.GetField(R, 1), Amount = Money(Receipts.GetField(R, 2));
        const QString SumC = Money(Receipts.GetField(R, 3)), Mir = Money(Receipts.GetField(R, 4));
        const QString Contract = Receipts.GetField(R, 7);
        QStringList Row(JournalColumns);
        Row[0] = u"???"_s;
        switch (Type) {
        case 1:
            Row[0] = u"вноска по главница - "_s + Contract;
            break;
        case 2:
            Row[0] = u"вноска по лихва - "_s + Contract;
            Row[7] = Amount;
            break;
        case 3:
            Row[0] = u"вноска на собственик"_s;
            break;
        case 4:
            Row[0] = u"продажба на заложена вещ - "_s + Contract;
            break;
        case 5:
            Row[0] = u"продажба на закупена вещ - "_s + Contract;
            break;
        default:
            if (Type > 5) Row[0] = u"такса "_s + FeeNames.value(Type - 5) + u" - "_s + Contract;
        }
        Row[1] = Receipts.GetField(R, 5);
        Row[2] = Date;
        Row[3] = StrToFloatDot(SumC, 0) != 0 ? SumC : Amount;
        if (StrToFloatDot(Mir, 0) != 0) Row[4] = Mir;
        Row[5] = Amount;
        Row[8] = DotDateToYyyymmdd(Date);
        Row[9] = Receipts.GetField(R, 6);
        Rows.Add(Row.join(u'@'));
    }

    SortDelimitedList(Rows, 8);
    qint64 Totals[3] = {0, 0, 0};
    for (int R = 0; R < Rows.Count(); ++R)
        for (int K = 0; K < 3; ++K)
            Totals[K] += RoundDecimal(DecimalOrZero(Rows.GetField(R, 5 + K)), AmountDecimals);
    QStringList Total(JournalColumns);
    Total[0] = u"¤Общо:"_s;
    for (int K = 0; K < 3; ++K)
        Total[5 + K] = ScaledToFixedStr(Totals[K], AmountDecimals);
    Rows.Add(Total.join(u'@'));
}

TfrmOperacii::TfrmOperacii(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frmOperacii"_s);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    Grid->SetColCount(JournalColumns);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(2);
    Grid->SetRowCount(3);
    const QStringList Top{u"Основание"_s, u"Падеж"_s,   u"Дата"_s,    u"Първ."_s, u"Мес."_s,
                          u"Приходи"_s,   u"Разходи"_s, u"Приходи"_s, u"Дата"_s,  u"Оператор"_s};
    const QStringList Bottom{QString(), QString(), QString(),     u"сума"_s,         u"лихвен %"_s,
                             QString(), QString(), u"от лихви"_s, u"за сортиране"_s, QString()};
    const int Widths[JournalColumns] = {100, 50, 42, 46, 62, 59, 58, 59, 84, 65};
    for (int C = 0; C < JournalColumns; ++C) {
        Grid->SetCells(C, 0, Top[C]);
        Grid->SetCells(C, 1, Bottom[C]);
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(u"0,0,0,1|1,0,1,1|2,0,2,1|5,0,5,1|6,0,6,1|9,0,9,1"_s);
    Grid->SetAutoResizeCols(true);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool TfrmOperacii::Init() {
    const bool Result = TMAccountReadForm::Init();
    const QString Caption = u"Операции"_s;
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    SetHeaderSorting(true);
    PrintSettingsName = u"frmOperacii_print_settings"_s;
    Grid->ColAttributes(0)->SetAlignment({caLeft, caCenter});
    for (int C = 3; C <= 7; ++C)
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    ReadReportDates(u"frmOperacii"_s, dtp_From, dtp_To);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    return Result;
}

bool TfrmOperacii::Done() {
    WriteReportDates(u"frmOperacii"_s, dtp_From, dtp_To);
    return TMAccountReadForm::Done();
}

bool TfrmOperacii::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    try {
        OperationsRows(this, int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    return true;
}

QString TfrmOperacii::GetReportTitle() {
    return QString();
}
