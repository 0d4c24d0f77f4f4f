#pragma once
// The printed cash receipt and payment order.

#include "framework/printing/ReportLayout.h"

#include <QMap>
#include <QString>
#include <QStringList>

class QWidget;

// Fields of the order record.
enum TOrderField {
    ofDocNo = 0,
    ofDate = 1,
    ofContract = 2,
    ofAmount = 3,
    ofDocDate = 4,
    ofItemName = 5,
    ofEGN = 6,
    ofSN = 7,
    ofNames = 8,
    ofIsMale = 9,
    ofIsMarried = 10,
    ofShopName = 11,
    ofDirection = 12, // "in" or "out"
    ofPaymentType = 13,
    ofEmployee = 14,
    OrderFieldCount = 15
};

// "г-н", "г-ца", "г-жа" or "".
QString OrderSalutation(const QString& IsMale, const QString& IsMarried);
// The order's page with its design captions.
TReportLayout OrderLayout();
// Fills Layout from Record (missing fields count as blank); FeeNames maps code_t to name_t.
void FillOrderLayout(TReportLayout& Layout, QStringList Record, const QMap<int, QString>& FeeNames);
// Reads the fees, fills the order and previews it; false when nothing could be shown.
bool FillPrintOrder(QWidget* Owner, const QStringList& Record);
