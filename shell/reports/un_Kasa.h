#pragma once
// The cash desk over a period: the opening balance, the receipts and payments by payment type
// and the closing balance, as one summary line (TfrmKasa) or told line by line with a line per
// fee (TfrmKasa_detailed).

#include "shell/reports/ReportForm.h"

#include <QString>

class TDelimitedStringList;

// "Incomes" or "Outcomes" dated before From.
QString OpeningSumSql(const QString& Table, int From);
// "Incomes" or "Outcomes" of one payment type from From to To, both days included.
QString PeriodSumSql(const QString& Table, int From, int To, int PaymentType);

// The summary line of the cash desk: ten "@"-separated amounts in money decimals.
QString KasaRow(QObject* Owner, int From, int To);

// The detailed cash desk: a labelled amount per row, totals rows marked with "¤", one row per fee
// of "Taxes" in code order (its receipts have the payment type code + 5).
void KasaDetailedRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmKasa : public TReportForm {
    Q_OBJECT
public:
    explicit TfrmKasa(QWidget* Owner = nullptr);
    bool Init() override;

protected:
    // The detailed report: its caption and its two-column grid instead of the summary line's.
    TfrmKasa(QWidget* Owner, bool Detailed);
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};

class TfrmKasa_detailed : public TfrmKasa {
    Q_OBJECT
public:
    explicit TfrmKasa_detailed(QWidget* Owner = nullptr);
    bool Init() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};
