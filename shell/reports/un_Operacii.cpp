#include "shell/reports/un_Operacii.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

constexpr int JournalColumns = 10;

QString Money(const QString& Text) {
    return RoundedText(Text, AmountDecimals);
}

} // namespace

void OperationsRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    Rows.Clear();
    TDelimitedStringList Payments, Fees, Receipts;
    RunQuery(Owner, AdoConnection,
             Format(uR"sql(
            SELECT Outcomes.payment_type, Outcomes.date_d, Outcomes.sum_o, Outcomes.user_name,
                   Outcomes.contract_n
            FROM Outcomes
            WHERE ( date_d >= %d AND date_d <= %d )
            ORDER BY Outcomes.date_d, Outcomes.contract_n
        )sql"_s,
                    {From, To}),
             &Payments);
    RunQuery(Owner, AdoConnection, uR"sql(
        SELECT code_t, name_t
        FROM Taxes
        ORDER BY code_t
    )sql"_s,
             &Fees);
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
             Format(uR"sql(
                 SELECT Incomes.payment_type, Incomes.date_d, Incomes.sum_o, Contracts.Sum_c, Contracts.M_IR,
                        Coalesce(%s, Contracts.date_c) AS Base_day,
                        Incomes.user_name, Incomes.contract_n, Contracts.Duration
                 FROM Incomes LEFT JOIN Contracts ON Contracts.docno = Incomes.contract_n
                 WHERE ( date_d >= %d AND date_d <= %d )
                 ORDER BY Incomes.date_d, Incomes.contract_n
             )sql"_s,
                    {RenewalDaySql(u"Incomes.contract_n"_s, u"Incomes.date_d"_s), From, To}),
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
        // Sales, purchases and the owner's receipts only share their number with a contract.
        const bool ContractPayment = Type == 1 || Type == 2 || Type > 5;
        // Due as the contract stood on the order's day: renewed by the interest paid up to then.
        const QString Base = Receipts.GetField(R, 5), Duration = Receipts.GetField(R, 8);
        if (ContractPayment && !Base.isEmpty() && !Duration.isEmpty())
            Row[1] = DateToStr(TDateTime(ContractDueDay(StrToIntOrZero(Base), StrToIntOrZero(Duration))));
        Row[2] = Date;
        Row[3] = ContractPayment && StrToFloatDot(SumC, 0) != 0 ? SumC : Amount;
        if (ContractPayment && StrToFloatDot(Mir, 0) != 0) Row[4] = Mir;
        Row[5] = Amount;
        Row[8] = DotDateToYyyymmdd(Date);
        Row[9] = Receipts.GetField(R, 6);
        Rows.Add(Row.join(u'@'));
    }

    SortDelimitedList(Rows, 8);
    AppendTotalsRow(Rows, JournalColumns, {{5, AmountDecimals}, {6, AmountDecimals}, {7, AmountDecimals}});
}

TfrmOperacii::TfrmOperacii(QWidget* Owner)
    : TReportForm(Owner, {.Name = u"frmOperacii"_s,
                          .Caption = u"Операции"_s,
                          .DatesKey = u"frmOperacii"_s,
                          .Progress = true,
                          .PrintSettings = u"frmOperacii_print_settings"_s,
                          .Rows = OperationsRows}) {
    SetupColumns({{u"Основание"_s, QString()},
                  {u"Падеж"_s, QString()},
                  {u"Дата"_s, QString()},
                  {u"Първ."_s, u"сума"_s},
                  {u"Мес."_s, u"лихвен %"_s},
                  {u"Приходи"_s, QString()},
                  {u"Разходи"_s, QString()},
                  {u"Приходи"_s, u"от лихви"_s},
                  {u"Дата"_s, u"за сортиране"_s},
                  {u"Оператор"_s, QString()}},
                 u"0,0,0,1|1,0,1,1|2,0,2,1|5,0,5,1|6,0,6,1|9,0,9,1"_s);
}

bool TfrmOperacii::Init() {
    const bool Result = TReportForm::Init();
    AlignColumns({0}, {caLeft, caCenter});
    FormatColumns({3, 4, 5, 6, 7}, ValueFormatter);
    return Result;
}
