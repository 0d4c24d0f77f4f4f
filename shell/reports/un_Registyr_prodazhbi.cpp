#include "shell/reports/un_Registyr_prodazhbi.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unNumbers.h"

#include <QCoreApplication>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int RegisterColumns = 12;
const QString NotComputed = u"не е изчислено"_s;

} // namespace

void SalesRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows, QStringList& Failures) {
    Rows.Clear();
    Failures.clear();
    TDelimitedStringList Place, Sales;
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT value_VA
        FROM va
        WHERE code_va = 4
    )sql"_s,
             &Place);
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Items_sales.contract_n, Items_sales.EGN, Owners.Three_names,
               [Owners]![Town] & " " & [Owners]![Address] AS Full_Address, Items_sales.date_d,
               Items_sales.docno, Items_sales.docno, Items_sales.date_d, Items_sales.sum_s,
               Items_sales.payment_type, Items_sales.payment_type, Items_sales.payment_type
        FROM Owners INNER JOIN Items_sales ON Owners.EGN = Items_sales.EGN
        WHERE Items_sales.date_d >= %d and Items_sales.date_d <= %d
        ORDER BY Items_sales.docno
    )sql"_s,
                    {From, To}),
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
        const qint64 Price = QuerySum(Owner,
                                      Format(uR"sql(
            SELECT sum_o, Count(*)
            FROM Incomes
            WHERE contract_n = %d AND payment_type = %d
            GROUP BY sum_o
        )sql"_s,
                                             {StrToIntOrZero(SaleNo), Pledged ? 4 : 5}),
                                      AmountDecimals);
        Row[8] = Money(Price);
        qint64 Secured = 0;
        if (Pledged) {
            Row[11] = u"заложена вещ"_s;
            QString Debt, Failure;
            CalculateContractDebts(Owner, {Contract}, StrToDateOr(Row[4], 0),
                                   [&](int, const QString& Figured, const QString& Why) {
                                       Debt = Figured;
                                       Failure = Why;
                                   });
            if (!Failure.isEmpty()) {
                // The line stays, so that the register still lists every sale.
                Failures << Format(u"продажба %s, договор %s: %s"_s, {SaleNo, Contract, Failure});
                Row[9] = NotComputed;
                Row[10].clear();
                Rows.Add(Row.join(u'@'));
                continue;
            }
            Secured = RoundDecimal(DecimalOrZero(Debt.split(u'@').value(dfTotalDebt)), AmountDecimals);
        } else {
            Secured = QuerySum(Owner,
                               Format(uR"sql(
                SELECT sum_o, Count(*)
                FROM Outcomes
                WHERE contract_n = %d AND payment_type = 4
                GROUP BY sum_o
            )sql"_s,
                                      {StrToIntOrZero(Contract)}),
                               AmountDecimals);
            Row[11] = u"закупена вещ"_s;
        }
        Row[9] = Money(Secured);
        Row[10] = Money(Price - Secured);
        Rows.Add(Row.join(u'@'));
    }
}

Tfrm_Registyr_prodazhbi::Tfrm_Registyr_prodazhbi(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frm_Registyr_prodazhbi"_s,
                          .Caption = u"Регистър на извършените продажби"_s,
                          .Progress = true,
                          .PrintSettings = u"frm_Registyr_prodazhbi_print_settings"_s,
                          .Title = u"Приложение N: 3 към чл. 11, ал. 1"_s}) {
    AddRegisterNotes(u"Приложение N: 3 към чл. 11, ал. 1"_s);
    SetupColumns({{u"Номер на"_s, u"заложен билет или"_s, u"договор за покупка"_s},
                  {u"Купувач"_s, u"ЕГН"_s, QString()},
                  {QString(), u"Имена"_s, QString()},
                  {QString(), u"Адрес"_s, QString()},
                  {u"Дата на"_s, u"извършване"_s, u"на продажбата"_s},
                  {u"Място на"_s, u"извършване"_s, u"на продажбата"_s},
                  {u"Протокол за продажба"_s, u"по чл. 160 от ЗЗД"_s, u"номер"_s},
                  {QString(), QString(), u"дата"_s},
                  {u"Продажна"_s, u"цена"_s, u"(лв)"_s},
                  {u"Размер на обезпече-"_s, u"ното с продадената"_s, u"вещ задължение"_s},
                  {u"Размер на остатъка от"_s, u"цената след приспадане на"_s, u"обезпеченото задължение"_s},
                  {u"Продажба"_s, u"на"_s, QString()}},
                 u"1,0,3,0|1,1,1,2|2,1,2,2|3,1,3,2|6,0,7,0|6,1,7,1|11,1,11,2|"_s);
}

bool Tfrm_Registyr_prodazhbi::Init() {
    const bool Result = TReportForm::Init();
    FormatColumns({8}, ValueFormatter);
    // A secured obligation that could not be computed reads as such, not as 0.00.
    FormatColumns({9, 10}, ValueOrTextFormatter);
    AlignColumns({0, 6}, {caCenter, caCenter});
    return Result;
}

void Tfrm_Registyr_prodazhbi::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    SalesRegisterRows(this, From, To, Rows, FFailures);
}

void Tfrm_Registyr_prodazhbi::RowsLoaded() {
    if (!FFailures.isEmpty())
        ShowWarningFmt(DebtFailuresMessage(u"Обезпеченото задължение не е изчислено по %s:"_s, FFailures));
}
