#pragma once
// The chronological list of a period's pledge contracts, with the amount each was to bring back
// and a reprint of the selected contract. The other chronological lists share its window shape.

#include "shell/reports/ReportForm.h"

class QPushButton;
class TDelimitedStringList;

// The contracts dated From to To (whole day numbers), 17 fields a row in number order, the
// "¤Общо:" row last. Throws EDatabaseError.
void ContractsSpravkaRows(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

// The amount a contract brings back at its term: the daily interest on the sum over the days, plus
// the sum and both fees, each figure rounded as the contract itself rounds it.
double ContractReturnAmount(const QString& SumC, const QString& MIR, const QString& Duration,
                            const QString& OneTimeFees, const QString& DailyFees);

// A chronological list: the period's pickers kept in the registry under the window's name, a button
// and Ctrl+F9 that reprint the selected row's document, the list loaded by F8 only.
class TSpravkaForm : public TReportForm {
    Q_OBJECT
public:
    QPushButton* btnPrint;
    QAction* ctrl_F9;

    // Reprints the document of the selected row.
    virtual void PrintDocument() = 0;

protected:
    TSpravkaForm(QWidget* Owner, const TReportSetup& Setup, const QString& PrintCaption);
    // The selected row's cells.
    QStringList SelectedCells() const;
    // False with the error shown when the selected row is the totals row.
    bool SelectedIsDocument() const;
};

class TfrmContracts_Spravka : public TSpravkaForm {
    Q_OBJECT
public:
    explicit TfrmContracts_Spravka(QWidget* Owner = nullptr);
    bool Init() override;
    void PrintDocument() override;
};
