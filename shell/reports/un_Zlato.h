#pragma once
// Gold on hand: grams and money of the gold pledged and bought (contracts and purchases with a
// weight) at the start of a period, taken in, sold and redeemed in it, and what remains.

#include "framework/forms/MAccountReadForm.h"

class TDelimitedStringList;
class TMADateEdit;

// The rows "Количество", "Цена" and "Стойност" of the days From to To, ten fields each. Throws
// EDatabaseError.
void GoldRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmZlato : public TMAccountReadForm {
    Q_OBJECT
public:
    explicit TfrmZlato(QWidget* Owner = nullptr);

    TMADateEdit* dtp_From;
    TMADateEdit* dtp_To;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    QString GetReportTitle() override;
};
