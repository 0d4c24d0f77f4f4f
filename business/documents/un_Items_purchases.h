#pragma once
// The window of items bought outright from a seller, and the plain functions it rests on: the
// validation of an entry, the statements it queues and the purchase list.

#include "business/documents/DocumentForm.h"
#include "core/unitTypes.h"

#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class TDelimitedStringList;
class TFloatEdit;
class TLimitedEdit;
class TListEdit;

// A purchase as typed: what New validates and queues.
struct TPurchaseEntry {
    double DocNo = 0;
    TDateTime Date = 0;
    QString ItemCode;  // leItem's text
    QString OwnerCode; // leOwner's text, the seller's personal number
    double Sum = 0;
    QString Customer; // who handed the goods over
    QString Supplier; // the pawnshop's employee
    double Gramaj = 0;
};

// What validation needs besides the entry.
struct TPurchaseCheck {
    QStringList GridNumbers; // column 0 of the grid's data rows
    bool OwnerKnown = false; // the seller's code stands in the owner list
    bool ItemKnown = false;  // the item's code stands in the item list
    bool EditingRow = false;
    TDateTime Today = 0;
    // An edit: the day of the purchase's first sale, 0 while it has none.
    TDateTime FirstSale = 0;
};

// The validation messages gathered into one text; empty when the entry may be queued.
QString PurchaseValidationText(const TPurchaseEntry& Entry, const TPurchaseCheck& Check);
// The 11-value INSERT of a new purchase into Table.
QString PurchaseInsertSql(const QString& Table, const TPurchaseEntry& Entry, const QString& UserName);
// The UPDATE of the purchase whose KeyField is Key.
QString PurchaseUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TPurchaseEntry& Entry, const QString& UserName);
// The cash payment order (type 4) that pays the seller, numbered when Save runs it.
QString PurchaseOrderSql(const TPurchaseEntry& Entry, const QString& UserName);
// Payment order OrderNo, the one saved purchase Key wrote beside itself, moved to the edited
// date, price and names.
QString PurchaseOrderUpdateSql(qint64 Key, qint64 OrderNo, const TPurchaseEntry& Entry);
// The statements that delete saved purchase Purchase: the purchase itself while it is neither
// sold nor sold by any sale (else it changes no row), then the payment order that paid for it.
QStringList PurchaseDeleteStatements(qint64 Purchase);
// Why saved purchase Purchase may not be deleted: its item is sold; "" when it may.
QString PurchaseDeleteRefusal(QObject* Owner, qint64 Purchase);
// The day of the first sale of purchase Purchase; 0 while it has none.
TDateTime PurchaseFirstSale(QObject* Owner, qint64 Purchase);
// Why saved purchase Purchase may not take the item and price of Entry: it is sold and they differ
// from the stored ones; "" when it may.
QString PurchaseEditRefusal(QObject* Owner, qint64 Purchase, const TPurchaseEntry& Entry);
// The list query: every purchase, in number order.
QString PurchaseListSql();
// Turns the query's rows into the grid's texts and appends the totals row of amounts and grams,
// padded to Columns fields.
void PreparePurchaseListRows(TDelimitedStringList& List, int Columns);
// The 14 cells of the grid row of a queued purchase.
QStringList PurchaseGridCells(const TPurchaseEntry& Entry, const QString& ItemName, const QString& ItemSN,
                              const QString& OwnerName, const QString& UserName);

class TfrmItems_purchases : public TDocumentForm {
    Q_OBJECT
public:
    explicit TfrmItems_purchases(QWidget* Owner = nullptr);

    TListEdit* leItem;
    QLabel* pnlItem;
    QLabel* pnlSN;
    TListEdit* leOwner;
    QLabel* pnlOwner;
    TLimitedEdit* edCustomer_name;
    TLimitedEdit* edSupplier_name;
    TFloatEdit* feGramaj;
    QPushButton* btnPrintOrder;
    QPushButton* btnPrintLabel;

    bool Init() override;
    bool Done() override;
    bool Execute() override;
    // An item under an open pledge is bought only after a question; a new price of an edited
    // purchase names the payment window's orders on it, which stay as they are.
    bool Add() override;

protected:
    QString ValidateEntry() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void RowToEdits(const QStringList& Cells) override;
    // The purchase contract of the selected saved purchase.
    void PrintDocument() override;
    // A sold purchase stays: the sale rests on it. Otherwise its payment order goes with it.
    QString DeleteRefusal(qint64 Number) override;
    QString DeleteNote(int Row, qint64 Number) override;
    QStringList DeleteStatements(int Row, qint64 Number) override;
    void CodeTaken(TListEdit* Lookup) override;
    // The seller and the item.
    QList<TDocumentReference> EntryReferences() override;

private:
    TPurchaseEntry CurrentEntry() const;
    void OwnerChanged();
    void ItemChanged();

    // The grid cells of the purchase lifted for editing, and the number of the payment order it
    // wrote beside itself (0 when none): the edit moves that order alone.
    QStringList FLifted;
    qint64 FOwnOrder = 0;
};
