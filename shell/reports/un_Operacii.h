#pragma once
// The journal of a period's cash orders, payments and receipts alike, one line each in date
// order, with what each was for and a totals line.

#include "shell/reports/ReportForm.h"

class TDelimitedStringList;

// The journal of the days From to To, ten fields a row, sorted by the "yyyymmdd" date in field 8,
// the "¤Общо:" row last. A contract's receipt shows the contract's due date as it stood on the
// receipt's day, renewed by the interest paid up to then. Throws EDatabaseError.
void OperationsRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmOperacii : public TReportForm {
    Q_OBJECT
public:
    explicit TfrmOperacii(QWidget* Owner = nullptr);
    bool Init() override;
};
