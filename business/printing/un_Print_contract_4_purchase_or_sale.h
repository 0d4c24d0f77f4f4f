#pragma once
// The printed contract of a purchase or a sale of an item.

#include "core/unitTypes.h"
#include "framework/printing/ReportLayout.h"

#include <QStringList>

class QWidget;

// The contract's page with its design captions.
TReportLayout PurchaseSaleContractLayout();
// Fills Layout from Record, the selected row of the purchase or sale window with field 8 the
// pawnshop's name; Printed is the moment the stamp shows. PersonIsFemale words the seller or
// buyer who is a person in the feminine.
void FillPurchaseSaleContractLayout(TReportLayout& Layout, QStringList Record, bool IsPurchase,
                                    TDateTime Printed, bool PersonIsFemale = false);
// Previews the contract of Cells, the purchase or sale row of a window, stamped now and naming the
// pawnshop of the settings; nothing is printed when they cannot be read. The person's gender
// comes from the owners register.
void FillPrintPurchaseSaleContract(QWidget* Owner, const QStringList& Cells, bool IsPurchase);
