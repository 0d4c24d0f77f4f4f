#pragma once
// The cash receipt orders window.

#include "business/documents/CashOrderForm.h"

class TfrmIncomes : public TCashOrderForm {
    Q_OBJECT
public:
    explicit TfrmIncomes(QWidget* Owner = nullptr);

    TListEdit* lePayment_type;
    QLabel* Pnl_Payment_type;

    bool Init() override;
    bool Done() override;
    bool Execute() override;

    // Amounts in the contract list stand right-aligned, as in every grid of the program.
    void AlignAmountColumn(int Column);
    bool BuildContractList() override;

protected:
    int PaymentType() const override;
    bool PaymentTypeListed() const override;
    void RowToEdits(const QStringList& Cells) override;
    bool ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) override;

private:
    QString PaymentTypeText() const;
    void ContractChanged(bool Confirmed);
};
