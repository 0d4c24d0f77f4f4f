#pragma once
// The chronological list of a period's sale contracts, each with the document the item came from,
// the cash taken for it and the difference, and a reprint of the selected sale contract.

#include "shell/reports/un_Contracts_Spravka.h"

// The sales dated From to To, 20 fields a row in number order, the "¤Общо:" row last. Each row
// runs Step first (to keep the window alive). Throws EDatabaseError.
void ItemsSalesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows,
                           const std::function<void()>& Step = {});

class TfrmItems_sales_Spravka : public TSpravkaForm {
    Q_OBJECT
public:
    explicit TfrmItems_sales_Spravka(QWidget* Owner = nullptr);
    bool Init() override;
    void PrintDocument() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};
