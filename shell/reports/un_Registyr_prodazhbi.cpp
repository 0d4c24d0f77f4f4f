#include "shell/reports/un_Registyr_prodazhbi.h"

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"
#include "shell/reports/un_Kasa.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int RegisterColumns = 12;

QString Money(qint64 Cents) {
    return ScaledToFixedStr(Cents, AmountDecimals);
}

} // namespace

bool SalesRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    TDelimitedStringList Place, Sales;
    RunQuery(Owner, AdoConnection, u"Select value_VA from va where code_va = 4"_s, &Place);
    RunQuery(
        Owner, AdoConnection,
        u"SELECT  Items_sales.contract_n,   Items_sales.EGN,   Owners.Three_names,   [Owners]![Town] & \" \" "
        u"& "
        "[Owners]![Address] AS Full_Address,   Items_sales.date_d,   Items_sales.docno,   Items_sales.docno, "
        "  "
        "Items_sales.date_d,   Items_sales.sum_s,   Items_sales.payment_type,   Items_sales.payment_type,   "
        "Items_sales.payment_type  FROM Owners INNER JOIN Items_sales ON Owners.EGN = Items_sales.EGN "_s +
            Format(u"Where Items_sales.date_d >= %d and Items_sales.date_d <= %d "_s, {From, To}) +
            u"ORDER BY Items_sales.docno"_s,
        &Sales);
    const QString PlaceOfSale = Place.Count() > 0 ? Place.GetField(0, 0) : QString();

    int Shown = 0;
    for (int R = 0; R < Sales.Count(); ++R) {
        const int Percent = int(std::lround((R + 1) * 100.0 / (Sales.Count() + 1)));
        if (Percent > Shown) {
            Shown = Percent;
            PostEventTo(Owner, new TProgressEvent(Percent, 100));
            QCoreApplication::processEvents();
        }
        QStringList Row = Sales.Get(R).split(u'@');
        Row.resize(RegisterColumns);
        const QString SaleNo = Row[5], Contract = Row[0];
        const bool Pledged = StrToIntOrZero(Row[9]) == 1;
        // All ten digits, as on every other printed document.
        FormatEGN(Row[1].trimmed(), Row[1]);
        Row[5] = PlaceOfSale;
        const qint64 Price =
            QuerySum(Owner,
                     Format(u"SELECT Sum( sum_o ) AS SumOfsum_o FROM Incomes WHERE contract_n = %d "
                            "AND payment_type = %s"_s,
                            {StrToIntOrZero(SaleNo), Pledged ? u"4"_s : u"5"_s}),
                     AmountDecimals);
        Row[8] = Money(Price);
        qint64 Secured = 0;
        if (Pledged) {
            QString Debt;
            TDelimitedStringList OneTime, Daily;
            if (!CalculateContractDebt(Owner, Contract, Debt, StrToDateOr(Row[4], 0), OneTime, Daily))
                return false;
            Secured = RoundDecimal(DecimalOrZero(Debt.split(u'@').value(dfTotalDebt)), AmountDecimals);
            Row[11] = u"заложена вещ"_s;
        } else {
            Secured =
                QuerySum(Owner,
                         Format(u"SELECT Sum( sum_o ) AS SumOfsum_o FROM Outcomes WHERE contract_n = %d AND "
                                "payment_type = 4"_s,
                                {StrToIntOrZero(Contract)}),
                         AmountDecimals);
            Row[11] = u"закупена вещ"_s;
        }
        Row[9] = Money(Secured);
        Row[10] = Money(Price - Secured);
        Rows.Add(Row.join(u'@'));
    }
    return true;
}

Tfrm_Registyr_prodazhbi::Tfrm_Registyr_prodazhbi(QWidget* Owner) : TMAccountReadForm(Owner) {
    setObjectName(u"frm_Registyr_prodazhbi"_s);
    auto* L = new QGridLayout(pnlParams);
    L->setContentsMargins(6, 4, 6, 4);
    L->setHorizontalSpacing(6);
    AddReportDates(pnlParams, L, 0, dtp_From, dtp_To);
    L->addWidget(new QLabel(u"Приложение N: 3 към чл. 11, ал. 1"_s, pnlParams), 0, 5);
    L->addWidget(new QLabel(u"В края на работния ден, разпечатайте настоящия регистър,"_s, pnlParams), 1, 0,
                 1, 6);
    L->addWidget(new QLabel(u"като в полетата \"от дата\" и \"до дата\" задайте днешна дата."_s, pnlParams),
                 2, 0, 1, 6);
    L->setColumnStretch(4, 1);
    pnlParams->setFixedHeight(L->sizeHint().height());
    for (TMADateEdit* E : {dtp_From, dtp_To})
        connect(E, &QLineEdit::textChanged, this, [this] { ClearGrid(Grid, 0); });

    Grid->SetColCount(RegisterColumns);
    Grid->SetFixedCols(0);
    Grid->SetFixedRows(3);
    Grid->SetRowCount(4);
    const char* const Headers[RegisterColumns][3] = {
        {"Номер на", "заложен билет или", "договор за покупка"},
        {"Купувач", "ЕГН", ""},
        {"", "Имена", ""},
        {"", "Адрес", ""},
        {"Дата на", "извършване", "на продажбата"},
        {"Място на", "извършване", "на продажбата"},
        {"Протокол за продажба", "по чл. 160 от ЗЗД", "номер"},
        {"", "", "дата"},
        {"Продажна", "цена", "(лв)"},
        {"Размер на обезпече-", "ното с продадената", "вещ задължение"},
        {"Размер на остатъка от", "цената след приспадане на", "обезпеченото задължение"},
        {"Продажба", "на", ""},
    };
    const int Widths[RegisterColumns] = {116, 37, 50, 47, 92, 92, 65, 68, 68, 123, 156, 68};
    for (int C = 0; C < RegisterColumns; ++C) {
        for (int R = 0; R < 3; ++R)
            Grid->SetCells(C, R, QString::fromUtf8(Headers[C][R]));
        Grid->SetColWidths(C, Widths[C]);
    }
    Grid->SetMergeCellsStr(u"1,0,3,0|1,1,1,2|2,1,2,2|3,1,3,2|6,0,7,0|6,1,7,1|11,1,11,2|"_s);
    Grid->SetCol(0);
    Grid->Loaded();
}

bool Tfrm_Registyr_prodazhbi::Init() {
    const bool Result = TMAccountReadForm::Init();
    const QString Caption = u"Регистър на извършените продажби"_s;
    Container()->setWindowTitle(Caption);
    pnlCaption->setText(Caption.toUpper());
    SetHeaderSorting(true);
    PrintSettingsName = u"frm_Registyr_prodazhbi_print_settings"_s;
    for (int C : {8, 9, 10})
        Grid->ColAttributes(C)->SetFormatter(ValueFormatter);
    for (int C : {0, 6})
        Grid->ColAttributes(C)->SetAlignment({caCenter, caCenter});
    dtp_From->SetDate(Date());
    dtp_To->SetDate(Date());
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    return Result;
}

bool Tfrm_Registyr_prodazhbi::Execute() {
    TMAccountReadForm::Execute();
    const TDateTime From = dtp_From->Date(), To = dtp_To->Date();
    if (From <= 0 || To <= 0) return false;
    TDelimitedStringList Rows;
    bool Complete = true;
    try {
        Complete = SalesRegisterRows(this, int(std::floor(From)), int(std::floor(To)), Rows);
    } catch (const EDatabaseError& E) {
        PostEventTo(this, new TProgressEvent(0, 100));
        ShowDatabaseError(E.Message(), E.Sql());
        return false;
    }
    PostEventTo(this, new TProgressEvent(0, 100));
    ApplyFilterToRows(&Rows);
    LoadGridFromList(Grid, &Rows, true);
    // The lines stop at a sale whose pledge contract cannot be computed; the register must not
    // pass for complete then.
    if (!Complete)
        ShowWarningFmt(u"Регистърът е непълен: за една от продажбите не е намерен договорът за залог."_s);
    return true;
}

QString Tfrm_Registyr_prodazhbi::GetReportTitle() {
    return u"Приложение N: 3 към чл. 11, ал. 1"_s;
}
