#pragma once
// The register of concluded deals the pawnshop ordinance asks for: every loan paid out and every
// principal, interest or fee receipt of a period, one line each.

#include "shell/reports/ReportForm.h"

class TDelimitedStringList;

// The register's lines for the days From to To, 21 fields a line, in the order date, payment
// order before receipt order, order number. Throws EDatabaseError.
void DealsRegisterRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class Tfrm_Registyr_sdelki : public TReportForm {
    Q_OBJECT
public:
    explicit Tfrm_Registyr_sdelki(QWidget* Owner = nullptr);
    bool Init() override;
};
