#pragma once
// The chronological list of a period's cash payment orders, with what each was paid for and a
// reprint of the selected order.

#include "shell/reports/un_Incomes_spravka.h"

// The payments dated From to To, 11 fields a row sorted by number, the "¤Общо:" row last.
// Throws EDatabaseError.
void OutcomesSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmOutcomes_spravka : public TCashOrderSpravkaForm {
    Q_OBJECT
public:
    explicit TfrmOutcomes_spravka(QWidget* Owner = nullptr);
    bool Init() override;
    void PrintDocument() override;
};
