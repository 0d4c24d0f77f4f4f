#include "shell/reports/un_Incomes_spravka.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unEvents.h"
#include "core/unNumbers.h"
#include "core/unPeriods.h"

using namespace Qt::StringLiterals;

void CashOrderSpravkaRows(QObject* Owner, const QStringList& Statements, int Columns, int NoPersonStatement,
                          TDelimitedStringList& Rows) {
    Rows.Clear();
    for (int S = 0; S < Statements.size(); ++S) {
        TDelimitedStringList List;
        RunQuery(Owner, AdoConnection, Statements[S], &List);
        for (int R = 0; R < List.Count(); ++R) {
            QStringList Row(Columns);
            for (int C = 0; C < Columns; ++C)
                Row[C] = List.GetField(R, C);
            Row[3] = ScaledToFixedStr(RoundDecimal(DecimalOrZero(Row[3]), 2), 2);
            if (S == NoPersonStatement)
                Row[4].clear();
            else if (!Row[4].isEmpty())
                FormatEGN(List.GetField(R, 4), Row[4]);
            Rows.Add(Row.join(u'@'));
        }
    }
    SortDelimitedList(Rows, 0);
    qint64 Total = 0;
    for (int R = 0; R < Rows.Count(); ++R)
        Total += RoundDecimal(DecimalOrZero(Rows.GetField(R, 3)), 2);
    QStringList Last(Columns);
    Last[0] = u"¤Общо:"_s;
    Last[3] = ScaledToFixedStr(Total, 2);
    Rows.Add(Last.join(u'@'));
}

void IncomesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    const QString Where = Format(u"WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d )"_s, {From, To});
    CashOrderSpravkaRows(
        Owner,
        {u"SELECT Incomes.docno,        Incomes.date_d,        Incomes.contract_n,        Incomes.sum_o,     "
         u"   "
         "Contracts.EGN,        Incomes.payment_type,        Incomes.customer_name,        "
         "Incomes.supplier_name,        Incomes.user_name,        Incomes.user_name FROM Contracts RIGHT "
         "JOIN "
         "Incomes ON Contracts.docno = Incomes.contract_n "_s +
             Where +
             u" AND ( Incomes.payment_type = 1 OR Incomes.payment_type = 2 OR Incomes.payment_type > 5 )"_s,
         u"SELECT docno,             date_d,            contract_n,        sum_o,             sum_o,        "
         "payment_type,        customer_name,        supplier_name,        user_name,        user_name FROM "
         "Incomes "_s +
             Where + u" AND (((Incomes.payment_type)=3))"_s,
         u"SELECT Incomes.docno,        Incomes.date_d,        Incomes.contract_n,        Incomes.sum_o,     "
         u"   "
         "Items_sales.EGN,        Incomes.payment_type,        Incomes.customer_name,        "
         "Incomes.supplier_name,        Incomes.user_name,        Incomes.user_name FROM Items_sales RIGHT "
         "JOIN "
         "Incomes ON Items_sales.docno = Incomes.contract_n "_s +
             Where + u" AND ( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) )"_s},
        10, 1, Rows);
}

TfrmIncomes_spravka::TfrmIncomes_spravka(QWidget* Owner)
    : TSpravkaForm(Owner, u"frmIncomes_Spravka"_s, u"Печат на ордер"_s) {
    SetupGrid({{u"Номер"_s, u"Дата"_s, u"Договор"_s, u"Сума"_s, u"ЕГН"_s, u"Вид"_s, u"Клиент"_s,
                u"Служител"_s, u"ЗК"_s, u"Оператор"_s}},
              {64, 49, 60, 42, 64, 35, 64, 65, 30, 65}, QString());
}

bool TfrmIncomes_spravka::Init() {
    const bool Result = TSpravkaForm::Init();
    Grid->ColAttributes(3)->SetFormatter(ValueFormatter);
    Grid->ColAttributes(8)->SetVisible(false);
    SetShowProgress(true);
    PostEventTo(this, new TProgressEvent(0, 100));
    PrintSettingsName = u"frmIncomes_print_settings"_s;
    return Result;
}

void TfrmIncomes_spravka::LoadRows(int From, int To, TDelimitedStringList& Rows) {
    IncomesSpravkaRows(this, From, To, Rows);
}

void TfrmIncomes_spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    const QStringList C = SelectedCells();
    // Number, date, contract, amount, client, payment type, employee.
    PrintCashOrder(this, true, {C[0], C[1], C[2], C[3], C[6], C[5], C[7]});
}
