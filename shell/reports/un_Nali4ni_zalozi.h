#pragma once
// The items the shop holds now: pledged under contracts neither finished nor sold, and bought
// and not yet sold.

#include "shell/reports/ReportForm.h"

class TDelimitedStringList;

// One row per item on hand, the pledged ones first: borrower's personal number (10 digits) and
// names, item code, serial number and type, document number and date, amount, "заложена" or
// "закупена", due date (pledges only, renewed by the latest interest payment made by today, as the
// obligations report has it). Progress goes to Owner per purchase. Throws EDatabaseError.
void PledgesOnHandRows(QObject* Owner, TDelimitedStringList& Rows);

class TfrmNali4ni_zalozi : public TReportForm {
    Q_OBJECT
public:
    explicit TfrmNali4ni_zalozi(QWidget* Owner = nullptr);
    bool Init() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};
