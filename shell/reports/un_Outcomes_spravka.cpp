#include "shell/reports/un_Outcomes_spravka.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "business/documents/unCashOrders.h"
#include "core/uDelimitedStrings.h"
#include "core/unNumbers.h"
#include "shell/reports/un_Incomes_spravka.h"

using namespace Qt::StringLiterals;

void OutcomesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows) {
    CashOrderSpravkaRows(Owner,
                         {Format(uR"sql(
        SELECT Outcomes.docno, Outcomes.date_d, Outcomes.contract_n, Outcomes.sum_o, Contracts.EGN,
               Outcomes.customer_name, Outcomes.supplier_name, Outcomes.user_name, Outcomes.payment_type,
               Outcomes.payment_type, Outcomes.user_name
        FROM Outcomes LEFT JOIN Contracts ON Contracts.docno = Outcomes.contract_n
        WHERE ( Outcomes.date_d >= %d AND Outcomes.date_d <= %d ) AND (((Outcomes.payment_type)=1))
    )sql"_s,
                                 {From, To}),
                          Format(uR"sql(
        SELECT docno, date_d, contract_n, sum_o, sum_o, customer_name, supplier_name, user_name,
               payment_type, payment_type, user_name
        FROM Outcomes
        WHERE ( Outcomes.date_d >= %d AND Outcomes.date_d <= %d ) AND (((Outcomes.payment_type)=3))
    )sql"_s,
                                 {From, To}),
                          Format(uR"sql(
        SELECT Outcomes.docno, Outcomes.date_d, Outcomes.contract_n, Outcomes.sum_o, Items_purchases.EGN,
               Outcomes.customer_name, Outcomes.supplier_name, Outcomes.user_name, Outcomes.payment_type,
               Outcomes.payment_type, Outcomes.user_name
        FROM Outcomes LEFT JOIN Items_purchases ON Items_purchases.docno = Outcomes.contract_n
        WHERE ( Outcomes.date_d >= %d AND Outcomes.date_d <= %d ) AND (((Outcomes.payment_type)=4))
    )sql"_s,
                                 {From, To})},
                         11, 1, Rows);
    for (int R = 0; R + 1 < Rows.Count(); ++R) {
        const qint64 Type = StrToIntOrZero(Rows.GetField(R, 9));
        Rows.SetField(R, 9,
                      Type == 1   ? u"за нов залог"_s
                      : Type == 3 ? u"на собственик"_s
                                  : u"при покупка"_s);
    }
}

TfrmOutcomes_spravka::TfrmOutcomes_spravka(QWidget* Owner)
    : TCashOrderSpravkaForm(
          Owner,
          {.Name = u"frmOutcomes_Spravka"_s,
           .DatesKey = u"frmOutcomes_Spravka"_s,
           .PrintSettings = u"frmOutcomes_print_settings"_s,
           .Rows = OutcomesSpravkaRows},
          {u"Клиент"_s, u"Служител"_s, u"ЗК"_s, u"Изплатена сума"_s, u"Направление"_s, u"Оператор"_s}) {}

bool TfrmOutcomes_spravka::Init() {
    const bool Result = TCashOrderSpravkaForm::Init();
    AlignColumns({2}, {caCenter, caCenter});
    for (int C : {7, 8})
        Grid->ColAttributes(C)->SetVisible(false);
    return Result;
}

void TfrmOutcomes_spravka::PrintDocument() {
    if (!SelectedIsDocument()) return;
    const QStringList C = SelectedCells();
    // Number, date, contract, amount, client, payment type, employee.
    PrintCashOrder(this, false, {C[0], C[1], C[2], C[3], C[5], C[8], C[6]});
}
