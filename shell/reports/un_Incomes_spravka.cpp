#include "shell/reports/un_Incomes_spravka.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/documents/unCashOrders.h"
#include "business/engine/unDecimal.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
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
            Row[3] = RoundedText(Row[3], 2);
            if (S == NoPersonStatement)
                Row[4].clear();
            else if (!Row[4].isEmpty())
                FormatEGN(List.GetField(R, 4), Row[4]);
            Rows.Add(Row.join(u'@'));
        }
    }
    SortDelimitedList(Rows, 0);
    AppendTotalsRow(Rows, Columns, {{3, 2}});
}

void IncomesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    CashOrderSpravkaRows(Owner,
                         {Format(uR"sql(
        SELECT Incomes.docno, Incomes.date_d, Incomes.contract_n, Incomes.sum_o, Contracts.EGN,
               Incomes.payment_type, Incomes.customer_name, Incomes.supplier_name, Incomes.user_name,
               Incomes.user_name
        FROM Incomes LEFT JOIN Contracts ON Contracts.docno = Incomes.contract_n
        WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d )
          AND ( Incomes.payment_type = 1 OR Incomes.payment_type = 2 OR Incomes.payment_type > 5 )
    )sql"_s,
                                 {From, To}),
                          Format(uR"sql(
        SELECT docno, date_d, contract_n, sum_o, sum_o, payment_type, customer_name, supplier_name,
               user_name, user_name
        FROM Incomes
        WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d ) AND (((Incomes.payment_type)=3))
    )sql"_s,
                                 {From, To}),
                          Format(uR"sql(
        SELECT Incomes.docno, Incomes.date_d, Incomes.contract_n, Incomes.sum_o, Items_sales.EGN,
               Incomes.payment_type, Incomes.customer_name, Incomes.supplier_name, Incomes.user_name,
               Incomes.user_name
        FROM Incomes LEFT JOIN Items_sales ON Items_sales.docno = Incomes.contract_n
        WHERE ( Incomes.date_d >= %d AND Incomes.date_d <= %d )
          AND ( ((Incomes.payment_type)=4) OR ((Incomes.payment_type)=5) )
    )sql"_s,
                                 {From, To})},
                         10, 1, Rows);
}

TCashOrderSpravkaForm::TCashOrderSpravkaForm(QWidget* Owner, const TReportSetup& Setup,
                                             const QStringList& OtherColumns)
    : TSpravkaForm(Owner, Setup, u"Печат на ордер"_s) {
    QList<QStringList> Headers;
    for (const QString& Header :
         QStringList{u"Номер"_s, u"Дата"_s, u"Договор"_s, u"Сума"_s, u"ЕГН"_s} + OtherColumns)
        Headers += QStringList{Header};
    SetupColumns(Headers, QString());
}

bool TCashOrderSpravkaForm::Init() {
    const bool Result = TSpravkaForm::Init();
    FormatColumns({3}, ValueFormatter);
    return Result;
}

TfrmIncomes_spravka::TfrmIncomes_spravka(QWidget* Owner)
    : TCashOrderSpravkaForm(Owner,
                            {.Name = u"frmIncomes_Spravka"_s,
                             .DatesKey = u"frmIncomes_Spravka"_s,
                             .Progress = true,
                             .PrintSettings = u"frmIncomes_print_settings"_s,
                             .Rows = IncomesSpravkaRows},
                            {u"Вид"_s, u"Клиент"_s, u"Служител"_s, u"ЗК"_s, u"Оператор"_s}) {}

bool TfrmIncomes_spravka::Init() {
    const bool Result = TCashOrderSpravkaForm::Init();
    Grid->ColAttributes(8)->SetVisible(false);
    return Result;
}

void TfrmIncomes_spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    const QStringList C = SelectedCells();
    // Number, date, contract, amount, client, payment type, employee.
    PrintCashOrder(this, true, {C[0], C[1], C[2], C[3], C[6], C[5], C[7]});
}
