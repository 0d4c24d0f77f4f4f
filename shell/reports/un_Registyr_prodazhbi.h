#pragma once
// The register of sales the pawnshop ordinance asks for: every item sold in a period with its
// price, the obligation it secured and what remains of the price after it.

#include "shell/reports/ReportForm.h"

class TDelimitedStringList;

// The register's lines for the days From to To, 12 fields a line, in sale-number order. A sale
// whose contract's debt cannot be worked out ends the list there and makes the result false.
// Throws EDatabaseError.
bool SalesRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class Tfrm_Registyr_prodazhbi : public TReportForm {
    Q_OBJECT
public:
    explicit Tfrm_Registyr_prodazhbi(QWidget* Owner = nullptr);
    bool Init() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
    void RowsLoaded() override;

private:
    bool FComplete = true;
};
