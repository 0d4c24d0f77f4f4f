#pragma once
// The cash desk over a period: the opening balance, the receipts and payments by payment type
// and the closing balance, as one summary line (TfrmKasa) or told line by line with a line per
// fee (TfrmKasa_detailed).

#include "shell/reports/ReportForm.h"

#include <QString>
#include <optional>

class TDelimitedStringList;

// The amounts of "Incomes" or "Outcomes" dated before From, for QuerySum.
QString OpeningSumSql(const QString& Table, int From);
// The amounts of "Incomes" or "Outcomes" from From to To, both days included, of one payment type
// or of all, for QuerySum.
QString PeriodSumSql(const QString& Table, int From, int To, std::optional<int> PaymentType = {});

// The summary line of the cash desk: twelve "@"-separated amounts in money decimals. The receipts
// (owner, principal, interest, other, total) and the payments (owner, loans, other, total) count
// every order of the period, so the opening plus the receipts less the payments is the last, the
// closing balance.
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

private:
    bool FDetailed;
};

class TfrmKasa_detailed : public TfrmKasa {
    Q_OBJECT
public:
    explicit TfrmKasa_detailed(QWidget* Owner = nullptr);

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};
