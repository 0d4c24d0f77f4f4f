#pragma once
// The journal of a period's cash orders, payments and receipts alike, one line each in date
// order, with what each was for and a totals line.

#include "framework/forms/MAccountReadForm.h"

class TDelimitedStringList;
class TMADateEdit;

// The journal of the days From to To, ten fields a row, sorted by the "yyyymmdd" date in field 8,
// the "¤Общо:" row last. Throws EDatabaseError.
void OperationsRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmOperacii : public TMAccountReadForm {
    Q_OBJECT
public:
    explicit TfrmOperacii(QWidget* Owner = nullptr);

    TMADateEdit* dtp_From;
    TMADateEdit* dtp_To;

    bool Init() override;
    bool Done() override;
    bool Execute() override;
    QString GetReportTitle() override;
};
