#pragma once
// The register of sales the pawnshop ordinance asks for: every item sold in a period with its
// price, the obligation it secured and what remains of the price after it.

#include "shell/reports/ReportForm.h"

#include <QStringList>

class TDelimitedStringList;

// The register's lines for the days From to To, 12 fields a line, in sale-number order. A sale
// whose pledge's debt cannot be computed keeps its line with "не е изчислено" for the obligation
// and no remainder, and Failures gets "продажба N, договор M: why" for it. Throws EDatabaseError.
void SalesRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows, QStringList& Failures);

class Tfrm_Registyr_prodazhbi : public TReportForm {
    Q_OBJECT
public:
    explicit Tfrm_Registyr_prodazhbi(QWidget* Owner = nullptr);
    bool Init() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
    void RowsLoaded() override;

private:
    // The sales of the last load whose obligation could not be computed, each with its reason.
    QStringList FFailures;
};
