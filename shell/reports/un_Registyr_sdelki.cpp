#include "shell/reports/un_Registyr_sdelki.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

constexpr int RegisterColumns = 21;
constexpr int SortColumn = 20;

QString Money(const QString& Text) {
    return RoundedText(Text, AmountDecimals);
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
    const QHash<qint64, QString> Items = Lookup(Owner, uR"sql(
        SELECT Items.code_i, [Name_i_t] & " - " & [SN] AS Vesht
        FROM Item_types INNER JOIN Items ON Item_types.code_i_t = Items.code_i_t
        ORDER BY Items.code_i
    )sql"_s);

    TDelimitedStringList Payouts;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Outcomes.contract_n, Owners.EGN, Owners.Three_names, [Town] & " " & [Address] AS Full_Address,
               Outcomes.date_d, Outcomes.docno, Outcomes.sum_o, Contracts.Dylzhimi_lihvi,
               Contracts.Ednokratni_taxi, Contracts.Dnevni_taxi, Contracts.Duration,
               [Contracts]![date_c]+[Contracts]![Duration]-1 AS Padej, Contracts.code_i
        FROM ( Owners INNER JOIN Contracts ON Owners.EGN = Contracts.EGN )
             INNER JOIN Outcomes ON Contracts.docno = Outcomes.contract_n
        WHERE ( Outcomes.payment_type = 1 AND Outcomes.date_d >= %d AND Outcomes.date_d <= %d )
        ORDER BY Outcomes.docno
    )sql"_s,
                    {From, To}),
             &Payouts);
    TDelimitedStringList Receipts;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
        SELECT Incomes.contract_n, Contracts.EGN, Owners.Three_names,
               [Town] & " " & [Address] AS Full_Address, Contracts.date_c, Contracts.date_c,
               Contracts.Sum_c, Contracts.Dylzhimi_lihvi, Contracts.Ednokratni_taxi, Contracts.Dnevni_taxi,
               Contracts.Duration, [Contracts]![date_c]+[Contracts]![Duration]-1 AS Padej, Contracts.code_i,
               Incomes.date_d, Incomes.docno, Incomes.payment_type, Incomes.payment_type, Incomes.sum_o,
               Contracts.Finished, [Incomes]![date_d]+[Contracts]![Duration]-1 AS Next_Padej
        FROM Owners INNER JOIN ( Contracts INNER JOIN Incomes ON Contracts.docno = Incomes.contract_n )
             ON Owners.EGN = Contracts.EGN
        WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d
                AND ( Incomes.payment_type = 1 Or Incomes.payment_type = 2 Or Incomes.payment_type > 5 ) )
        ORDER BY Incomes.docno
    )sql"_s,
                    {From, To}),
             &Receipts);
    const QHash<qint64, QString> Fees = Lookup(Owner, uR"sql(
        SELECT code_t, name_t
        FROM Taxes
        ORDER BY code_t
    )sql"_s);

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

Tfrm_Registyr_sdelki::Tfrm_Registyr_sdelki(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frm_Registyr_sdelki"_s,
                          .Caption = u"Регистър на сключените сделки"_s,
                          // The dates are the operations journal's: both reports are printed for the
                          // same days.
                          .DatesKey = u"frmOperacii"_s,
                          .Progress = true,
                          .PrintSettings = u"frm_Registyr_sdelki_print_settings"_s,
                          .Title = u"Приложение N: 2 към чл. 10, ал. 1"_s,
                          .Rows = DealsRegisterRows}) {
    AddRegisterNotes(u"Приложение N: 2 към чл. 10, ал. 1"_s);
    AddNote(u"Данните са сортирани по: дата, вид ордер (РКО, ПКО), номер на ордер."_s, 3);
    FitParams();
    SetupColumns({{u"Номер на"_s, u"заложния"_s, u"билет"_s},
                  {u"Данни за залогодателя"_s, u"ЕГН"_s, QString()},
                  {QString(), u"Имена"_s, QString()},
                  {QString(), u"Адрес"_s, QString()},
                  {u"Данни за сключената сделка"_s, u"Дата"_s, QString()},
                  {QString(), u"Номер"_s, u"РКО"_s},
                  {QString(), u"Заета"_s, u"сума"_s},
                  {QString(), u"Начис."_s, u"лихва"_s},
                  {QString(), u"Начислени"_s, u"едн. такси"_s},
                  {QString(), u"Начислени"_s, u"дн. такси"_s},
                  {u"Срок"_s, u"дни"_s, QString()},
                  {QString(), u"до дата"_s, QString()},
                  {u"Данни за"_s, u"заложената"_s, u"вещ"_s},
                  {u"Данни за изпълнение на задължението по заема"_s, u"дата"_s, QString()},
                  {QString(), u"номер"_s, u"ПКО"_s},
                  {QString(), u"вид"_s, QString()},
                  {QString(), u"наименование"_s, QString()},
                  {QString(), u"сума"_s, QString()},
                  {u"Удължаване срока на договора"_s, u"при условие"_s, QString()},
                  {QString(), u"следващ падеж"_s, QString()},
                  {u"Данни за"_s, u"прехвърлени права"_s, u"по заложния билет"_s}},
                 u"1,0,3,0|4,0,9,0|10,0,11,0|13,0,17,0|18,0,19,0|1,1,1,2|2,1,2,2|3,1,3,2|4,1,4,2|10,1,10,2|"
                 "11,1,11,2|13,1,13,2|16,1,16,2|17,1,17,2|18,1,18,2|19,1,19,2"_s);
}

bool Tfrm_Registyr_sdelki::Init() {
    const bool Result = TReportForm::Init();
    FormatColumns({6, 7, 8, 9}, ValueFormatter);
    // A payout line executes nothing: its amount cell stays blank.
    FormatColumns({17}, ValueOrTextFormatter);
    AlignColumns({5, 10, 14, 15}, {caCenter, caCenter});
    return Result;
}
