#pragma once
// What the cash receipt and cash payment windows share: the owner, contract, amount and names of
// an order, its validation and statements, and its printing. Each window adds its choice of the
// payment type, its contract lists and its grid.

#include "business/documents/DocumentForm.h"
#include "business/documents/unCashOrders.h"

#include <QHash>

class QGridLayout;
class QLabel;
class QPushButton;

// Where a cash order window's grid shows the fields of an order; Kind is the payment window's
// radio item text, -1 where the grid has none.
struct TCashOrderColumns {
    int DocNo, Date, Contract, Sum, EGN, Type, Customer, Supplier, Kind;
};

class TCashOrderForm : public TDocumentForm {
    Q_OBJECT
public:
    TListEdit* leOwner = nullptr;
    QLabel* pnlOwner = nullptr;
    TListEdit* leContract = nullptr;
    QLabel* pnlItem = nullptr;
    QLabel* pnlSN = nullptr;
    TLimitedEdit* edCustomer_name = nullptr;
    TLimitedEdit* edSupplier_name = nullptr;
    QPushButton* btnPrintOrder = nullptr;

    // Rebuilds the contract list for the owner and the payment type; true when it could.
    virtual bool BuildContractList() = 0;
    // A negative amount is a correction, and a second receipt for one sale a choice: each queued
    // only when the operator confirms it.
    bool Add() override;
    // A contract's payout, and the order a purchase or a sale wrote beside itself, are their
    // document's: they are not lifted here.
    bool Edit() override;
    // A dropped new order gives its number back to the number edit. A receipt, saved or queued,
    // that corrections took back from stays while they would take back more than is left.
    bool Delete() override;

protected:
    // Receipt: the receipt window, over Incomes; else the payment window, over Outcomes.
    TCashOrderForm(QWidget* Owner, bool Receipt, const TCashOrderColumns& Columns);

    // Makes the number, date, owner, contract, amount, names and print button, in this tab order.
    void MakeOrderEdits();
    // Lays them out on L: the number and date at the end of row 0, whose columns 0-3 the window's
    // payment type takes, the rest in rows 1-4.
    void LayOutOrderEdits(QGridLayout* L);

    // The payment type as chosen, and whether it stands in the window's list of types.
    virtual int PaymentType() const = 0;
    virtual bool PaymentTypeListed() const;
    TCashOrderEntry CurrentEntry() const;
    QString ValidateEntry() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    // The sale a receipt takes in, the purchase a payment pays: another window may delete it, with
    // the orders it had, before Save. An edit that keeps its document names none.
    QList<TDocumentReference> EntryReferences() override;
    // The selected row's order, previewed.
    void PrintDocument() override;
    // Receipts: every contract paid by a queued receipt must still be open when Save writes it,
    // not declared for sale where the workstation takes nothing on those, still owe of each type
    // what the queue pays of it, and still hold what its corrections take back; a receipt changed
    // or deleted on a contract must find it neither redeemed nor sold, and the receipts of a type
    // must not total less than the corrections made on them. Payments: a contract paid out by the
    // queue must still be there, without a payout. The order
    // refused leaves the queue; of orders that together pay more than is owed, or take back more
    // than was received, the last.
    QString CheckInsideSave(int& Refused) override;
    void Saved() override;
    // A document's own order (a contract's payout, a purchase's payment, a sale's receipt), and a
    // receipt on a redeemed or sold contract.
    QString DeleteRefusal(qint64 Number) override;
    QStringList DeleteStatements(int Row, qint64 Number) override;

    // The contract cell of a grid row as the contract edit takes it: orders without one show 0.
    static QString ContractOfCell(const QString& Cell);

    const TCashOrderColumns Columns;
    // The order as Edit lifted it from its row (RowToEdits sets it).
    TCashOrderEntry Lifted;

private:
    // Incomes or Outcomes, as the statements name it.
    QString OrdersTable() const;
    // An order this window queued: as typed, or as stored for a delete; Lifted for edits.
    struct TQueuedOrder {
        int Key = 0; // the queued document's
        TCashOrderEntry Entry;
        bool Edit = false;
        TCashOrderEntry Lifted;
        bool Delete = false;
    };
    // The orders of the queue, in its order.
    QList<TQueuedOrder> QueuedOrders() const;
    // The new orders of the queue of PaymentType on Contract, other than the edited one.
    QStringList QueuedNumbers(int PaymentType, const QString& Contract) const;
    // What the queue adds to the receipts of PaymentType on Contract: its new receipts, less the
    // deleted ones and the edited ones' old amounts.
    double QueuedAmount(qint64 Contract, int PaymentType) const;
    // Why adding Change to the receipts of Type on Contract may not be: with what the books and
    // the queue hold, they would total less than the corrections made on them. "" when it may,
    // and for a change that adds.
    QString CorrectionsRefusal(qint64 Contract, int Type, double Change);
    // Whether an edit keeps the lifted order's type, owner and contract.
    bool SameDocument(const TCashOrderEntry& Entry) const;
    // Inside Save: the refusal of queued Order, "" when it may be written.
    QString RecheckQueued(const TQueuedOrder& Order);
    // Keeps Order for the document being queued now; forgets the orders that left the queue.
    void NoteQueuing(TQueuedOrder Order);

    const bool FReceipt;
    // The order of each queued document by its key, checked at Save.
    QHash<int, TQueuedOrder> FQueued;
};
