#pragma once
// The cash payment orders window.

#include "business/registers/unQueuedChanges.h"
#include "framework/forms/MAccountReadForm.h"

class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TFloatEdit;
class TLimitedEdit;
class TListEdit;
struct TCashOrderEntry;

class TfrmOutcomes : public TMAccountReadForm, public TQueuedChanges {
    Q_OBJECT
public:
    explicit TfrmOutcomes(QWidget* Owner = nullptr);

    TFloatEdit* feDocNo;
    QDateEdit* dtDate_c;
    TListEdit* leOwner;
    QLabel* pnlOwner;
    TListEdit* leContract;
    QLabel* pnlItem;
    QLabel* pnlSN;
    TFloatEdit* feSum_c;
    TLimitedEdit* edCustomer_name;
    TLimitedEdit* edSupplier_name;
    QGroupBox* rgPayment_type;
    QButtonGroup* PaymentTypeItems;
    QPushButton* btnPrintOrder;
    QAction* ctrl_F9;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    bool Add() override;
    bool Save() override;
    bool Edit() override;
    bool Delete() override;

    // The radio item: 0 for a new pledge, 1 to the owner, 2 for a purchase.
    int PaymentItem() const;
    void SetPaymentItem(int Item);
    bool BuildContractList();
    void PrintOrder();

private:
    void ContractChanged();
    TCashOrderEntry CurrentEntry() const;
};
