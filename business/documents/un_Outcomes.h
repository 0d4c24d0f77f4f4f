#pragma once
// The cash payment orders window.

#include "business/documents/CashOrderForm.h"

class QButtonGroup;
class QGroupBox;

class TfrmOutcomes : public TCashOrderForm {
    Q_OBJECT
public:
    explicit TfrmOutcomes(QWidget* Owner = nullptr);

    QGroupBox* rgPayment_type;
    QButtonGroup* PaymentTypeItems;

    bool Init() override;
    bool Done() override;
    bool Execute() override;

    // The radio item: 0 for a new pledge, 1 to the owner, 2 for a purchase.
    int PaymentItem() const;
    void SetPaymentItem(int Item);
    bool BuildContractList() override;

protected:
    bool ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) override;
    int PaymentType() const override;
    void RowToEdits(const QStringList& Cells) override;

private:
    void ContractChanged();
};
