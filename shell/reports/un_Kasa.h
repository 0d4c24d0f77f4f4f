#pragma once
// The cash desk over a period: the opening balance, the receipts and payments by payment type
// and the closing balance, as one summary line (TfrmKasa) or told line by line with a line per
// fee (TfrmKasa_detailed). The reports of a period share the helpers below.

#include "framework/forms/MAccountReadForm.h"

#include <QString>

class QGridLayout;
class TDelimitedStringList;
class TMADateEdit;

// A report date kept in the registry as a whole day number; Default when Text is none.
int RegistryDay(const QString& Text, int Default);
// Both edits to today, then each to its registry value Prefix + "_dtp_From" / "_dtp_To".
void ReadReportDates(const QString& Prefix, TMADateEdit* From, TMADateEdit* To);
// The edits' dates as whole day numbers; an edit holding no date leaves its value alone.
void WriteReportDates(const QString& Prefix, TMADateEdit* From, TMADateEdit* To);
// "От дата:" and "До дата:" with their edits in row Row of Layout on the parameter panel.
void AddReportDates(QWidget* Panel, QGridLayout* Layout, int Row, TMADateEdit*& From, TMADateEdit*& To);

// The sum a statement gives in its only row, rounded to Digits decimals and scaled by 10^Digits;
// 0 when there is not exactly one row or the sum is empty. Throws EDatabaseError.
qint64 QuerySum(QObject* Owner, const QString& Sql, int Digits);

// "Incomes" or "Outcomes" dated before From.
QString OpeningSumSql(const QString& Table, int From);
// "Incomes" or "Outcomes" of one payment type from From to To, both days included.
QString PeriodSumSql(const QString& Table, int From, int To, int PaymentType);

// The summary line of the cash desk: ten "@"-separated amounts in money decimals.
QString KasaRow(QObject* Owner, int From, int To);

// The detailed cash desk: a labelled amount per row, totals rows marked with "¤", one row per fee
// of "Taxes" in code order (its receipts have the payment type code + 5).
void KasaDetailedRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

class TfrmKasa : public TMAccountReadForm {
    Q_OBJECT
public:
    explicit TfrmKasa(QWidget* Owner = nullptr);

    TMADateEdit* dtp_From;
    TMADateEdit* dtp_To;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    QString GetReportTitle() override;

protected:
    // Detailed: the two-column grid of the detailed report instead of the summary line's.
    TfrmKasa(QWidget* Owner, bool Detailed);
    // The caption, the pickers and the grid's look, shared with the detailed report.
    void InitReport(const QString& Caption);
    virtual void LoadRows(int From, int To, TDelimitedStringList& Rows);
};

class TfrmKasa_detailed : public TfrmKasa {
    Q_OBJECT
public:
    explicit TfrmKasa_detailed(QWidget* Owner = nullptr);

    bool Init() override;

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;
};
