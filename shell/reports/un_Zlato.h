#pragma once
// Gold on hand: grams and money of the gold pledged and bought (contracts and purchases with a
// weight) at the start of a period, taken in, sold and redeemed in it, and what remains.

#include "shell/reports/ReportForm.h"

class TDelimitedStringList;

// The rows "Количество", "Цена" and "Стойност" of the days From to To, ten fields each. Stock on
// hand and remaining is valued at cost (the loans, the purchase prices), the sold columns at what
// the sales brought in. Throws EDatabaseError.
void GoldRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmZlato : public TReportForm {
    Q_OBJECT
public:
    explicit TfrmZlato(QWidget* Owner = nullptr);

protected:
    void RowsLoaded() override;
};
