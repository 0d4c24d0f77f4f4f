#include "shell/reports/un_Registyr_sdelki.h"

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

constexpr int RegisterColumns = 21;
constexpr int SortColumn = 20;

QString Money(const QString& Text) {
    return ScaledToFixedStr(RoundDecimal(DecimalOrZero(Text), AmountDecimals), AmountDecimals);
}

QHash<qint64, QString> Lookup(QObject* Owner, const QString& Sql) {
    TDelimitedStringList List;
    RunQuery(Owner, AdoConnection, Sql, &List);
    QHash<qint64, QString> Names;
    for (int R = 0; R < List.Count(); ++R)
        Names.insert(StrToIntOrZero(List.GetField(R, 0)), List.GetField(R, 1));
    return Names;
}

// The fields both kinds of line share: the EGN to ten digits, the loan's sums in money decimals
// and the item's name in place of its code.
void CompleteContractFields(QStringList& Row, const QHash<qint64, QString>& Items) {
    Row[1] = Row[1].rightJustified(10, u'0');
    for (int C = 6; C <= 9; ++C)
        Row[C] = Money(Row[C]);
    Row[12] = Items.value(StrToIntOrZero(Row[12]));
}

// The order number is zero-padded so that order 10 sorts after order 9 within a day and kind.
QString SortKey(const QString& Date, char Kind, const QString& Number) {
    return DotDateToYyyymmdd(Date) + u'.' + QLatin1Char(Kind) + u'.' + Number.rightJustified(10, u'0');
}

} // namespace

void DealsRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    const QHash<qint64, QString> Items = Lookup(
        Owner, u"SELECT Items.code_i,        [Name_i_t] & \" - \" & [SN] AS Vesht FROM Item_types INNER JOIN "
               "Items ON Item_types.code_i_t = Items.code_i_t ORDER BY Items.code_i"_s);

    TDelimitedStringList Payouts;
    RunQuery(
        Owner, AdoConnection,
        Format(
            u"SELECT   Outcomes.contract_n,   Owners.EGN,   Owners.Three_names,   [Town] & \" \" & [Address] "
            "AS Full_Address,   Outcomes.date_d,   Outcomes.docno,   Outcomes.sum_o,   "
            "Contracts.Dylzhimi_lihvi,   Contracts.Ednokratni_taxi,   Contracts.Dnevni_taxi,   "
            "Contracts.Duration,   [Contracts]![date_c]+[Contracts]![Duration] AS Padej,   Contracts.code_i "
            "FROM ( Owners INNER JOIN Contracts ON Owners.EGN = Contracts.EGN ) INNER JOIN Outcomes ON "
            "Contracts.docno = Outcomes.contract_n WHERE (   Outcomes.payment_type = 1 AND   "
            "Outcomes.date_d >= %d AND   Outcomes.date_d <= %d ) ORDER BY Outcomes.docno"_s,
            {From, To}),
        &Payouts);
    TDelimitedStringList Receipts;
    RunQuery(
        Owner, AdoConnection,
        Format(
            u"SELECT Incomes.contract_n, Contracts.EGN, Owners.Three_names, [Town] & \" \" & [Address] AS "
            "Full_Address, Contracts.date_c, Contracts.date_c, Contracts.Sum_c, Contracts.Dylzhimi_lihvi, "
            "Contracts.Ednokratni_taxi, Contracts.Dnevni_taxi, Contracts.Duration, "
            "[Contracts]![date_c]+[Contracts]![Duration] AS Padej, Contracts.code_i, Incomes.date_d, "
            "Incomes.docno, Incomes.payment_type, Incomes.payment_type, Incomes.sum_o, Contracts.Finished, "
            "[Incomes]![date_d]+[Contracts]![Duration] AS Next_Padej FROM Owners INNER JOIN ( Contracts "
            "INNER JOIN Incomes ON Contracts.docno = Incomes.contract_n) ON Owners.EGN = Contracts.EGN "
            "WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d AND( Incomes.payment_type = 1 Or   "
            "Incomes.payment_type = 2 Or   Incomes.payment_type > 5 ) ) ORDER BY Incomes.docno"_s,
            {From, To}),
        &Receipts);
    const QHash<qint64, QString> Fees = Lookup(Owner, u"Select code_t, name_t From Taxes Order By code_t"_s);

    for (int R = 0; R < Payouts.Count(); ++R) {
        QStringList Row = Payouts.Get(R).split(u'@');
        Row.resize(RegisterColumns);
        CompleteContractFields(Row, Items);
        Row[SortColumn] = SortKey(Row[4], '1', Row[5]);
        Rows.Add(Row.join(u'@'));
    }
    for (int R = 0; R < Receipts.Count(); ++R) {
        QStringList Row = Receipts.Get(R).split(u'@');
        Row.resize(RegisterColumns);
        CompleteContractFields(Row, Items);
        Row[5].clear();
        const qint64 Type = StrToIntOrZero(Row[15]);
        Row[16] = Type == 1 ? u"главница"_s : Type == 2 ? u"лихва"_s : Fees.value(Type - 5);
        Row[17] = Money(Row[17]);
        const bool Finished = Row[18] == u"True"_s;
        if (Type == 2 && !Finished) {
            Row[18] = u"платена лихва"_s;
        } else {
            Row[18].clear();
            Row[19].clear();
        }
        Row[SortColumn] = SortKey(Row[13], '2', Row[14]);
        Rows.Add(Row.join(u'@'));
    }

    SortDelimitedList(Rows, SortColumn);
    for (int R = 0; R < Rows.Count(); ++R)
        Rows.SetField(R, SortColumn, QString());
}

Tfrm_Registyr_sdelki::Tfrm_Registyr_sdelki(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frm_Registyr_sdelki"_s);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    L->addWidget(new QLabel(u"Приложение N: 2 към чл. 10, ал. 1"_s, pnlParams), 0, 5);
    L->addWidget(new QLabel(u"В края на работния ден, разпечатайте настоящия регистър,"_s, pnlParams), 1, 0,
                 1, 6);
    L->addWidget(new QLabel(u"като в полетата \"от дата\" и \"до дата\" задайте днешна дата."_s, pnlParams),
                 2, 0, 1, 6);
    L->addWidget(
        new QLabel(u"Данните са сортирани по: дата, вид ордер (РКО, ПКО), номер на ордер."_s, pnlParams), 3,
        0, 1, 6);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    Grid->SetColCount(RegisterColumns);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(3);
    Grid->SetRowCount(4);
    const char* const Headers[RegisterColumns][3] = {
        {"Номер на", "заложния", "билет"},
        {"Данни за залогодателя", "ЕГН", ""},
        {"", "Имена", ""},
        {"", "Адрес", ""},
        {"Данни за сключената сделка", "Дата", ""},
        {"", "Номер", "РКО"},
        {"", "Заета", "сума"},
        {"", "Начис.", "лихва"},
        {"", "Начислени", "едн. такси"},
        {"", "Начислени", "дн. такси"},
        {"Срок", "дни", ""},
        {"", "до дата", ""},
        {"Данни за", "заложената", "вещ"},
        {"Данни за изпълнение на задължението по заема", "дата", ""},
        {"", "номер", "ПКО"},
        {"", "вид", ""},
        {"", "наименование", ""},
        {"", "сума", ""},
        {"Удължаване срока на договора", "при условие", ""},
        {"", "следващ падеж", ""},
        {"Данни за", "прехвърлени права", "по заложния билет"},
    };
    const int Widths[RegisterColumns] = {66, 42, 50, 47, 42, 50, 46, 50, 71, 71, 34,
                                         66, 77, 57, 48, 34, 90, 41, 83, 96, 115};
    for (int C = 0; C < RegisterColumns; ++C) {
        for (int R = 0; R < 3; ++R)
            Grid->SetCells(C, R, QString::fromUtf8(Headers[C][R]));
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(
        u"1,0,3,0|4,0,9,0|10,0,11,0|13,0,17,0|18,0,19,0|1,1,1,2|2,1,2,2|3,1,3,2|4,1,4,2|10,1,10,2|"
        "11,1,11,2|13,1,13,2|16,1,16,2|17,1,17,2|18,1,18,2|19,1,19,2"_s);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool Tfrm_Registyr_sdelki::Init() {
    const bool Result = TMAccountReadForm::Init();
    const QString Caption = u"Регистър на сключените сделки"_s;
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    SetHeaderSorting(true);
    PrintSettingsName = u"frm_Registyr_sdelki_print_settings"_s;
    for (int C : {6, 7, 8, 9, 17})
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    for (int C : {5, 10, 14, 15})
        Grid->ColAttributes(C)->SetAlignment({caCenter, caCenter});
    // The dates are the operations journal's: both reports are printed for the same days.
    ReadReportDates(u"frmOperacii"_s, dtp_From, dtp_To);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    return Result;
}

bool Tfrm_Registyr_sdelki::Done() {
    WriteReportDates(u"frmOperacii"_s, dtp_From, dtp_To);
    return TMAccountReadForm::Done();
}

bool Tfrm_Registyr_sdelki::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    try {
        DealsRegisterRows(this, int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    return true;
}

QString Tfrm_Registyr_sdelki::GetReportTitle() {
    return u"Приложение N: 2 към чл. 10, ал. 1"_s;
}
