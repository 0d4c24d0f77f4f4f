#pragma once
// The chronological list of a period's cash receipt orders, with a reprint of the selected order.

#include "shell/reports/un_Contracts_Spravka.h"

// The rows of the order statements, appended in order, Columns fields a row: the amount (field 3)
// in 2 decimals, the personal number (field 4) padded, or emptied for statement NoPersonStatement;
// then sorted by number, with the "¤Общо:" row of the amounts last. Throws EDatabaseError.
void CashOrderSpravkaRows(QObject* Owner, const QStringList& Statements, int Columns, int NoPersonStatement,
                          TDelimitedStringList& Rows);

// The receipts dated From to To, 10 fields a row sorted by number, the "¤Общо:" row last.
// Throws EDatabaseError.
void IncomesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

// A chronological list of cash orders: number, date, contract, amount and personal number first,
// then OtherColumns, and a reprint of the selected order.
class TCashOrderSpravkaForm : public TSpravkaForm {
    Q_OBJECT
public:
    bool Init() override;

protected:
    TCashOrderSpravkaForm(QWidget* Owner, const TReportSetup& Setup, const QStringList& OtherColumns);
};

class TfrmIncomes_spravka : public TCashOrderSpravkaForm {
    Q_OBJECT
public:
    explicit TfrmIncomes_spravka(QWidget* Owner = nullptr);
    bool Init() override;
    void PrintDocument() override;
};
