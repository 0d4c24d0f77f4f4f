#pragma once
// The sales window: a pledged item declared for sale or a bought item is sold to a buyer, the
// origin document is marked sold and the price is taken in by a cash receipt order.

#include "business/documents/DocumentForm.h"
#include "core/unitTypes.h"

#include <QString>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TDelimitedStringList;
class TLimitedEdit;
class TListEdit;

// Sale types, as stored in Items_sales.payment_type.
enum { stPledged = 1, stPurchased = 2 };

// A sale as typed.
struct TSaleEntry {
    double DocNo = 0;
    TDateTime Date = 0;
    QString Owner;    // the buyer's personal number
    QString Contract; // the origin document's number
    int SaleType = stPledged;
    double Sum = 0;
    QString Customer; // who received the item
    QString Supplier; // the employee
    bool ShortTerm = false;
    bool WithoutReceipt = false;
};

struct TSaleCheck {
    QStringList GridNumbers;
    bool OwnerKnown = false;  // the buyer stands in the owner list
    bool OriginKnown = false; // the origin stands in the list of what is offered for sale
    bool EditingRow = false;  // an edit keeps its origin, sold already
    TDateTime Today = 0;
    TDateTime OriginDate = 0; // the origin document's date; 0 when it is in the books no more
};

// The radio item text of a sale type.
QString SaleTypeText(int SaleType);
QString SaleValidationText(const TSaleEntry& Entry, const TSaleCheck& Check);
// The statements of one sale. A new sale also marks its origin sold (SaleMarkSql) and, unless
// WithoutReceipt, writes the receipt, numbered when Save runs it. An edit updates the row with
// EditingKey, receipt OwnReceipt (the one the sale wrote beside itself; none when 0) and its
// origin's sold date; origin and kind stay as they were.
QStringList SaleStatements(const QString& Table, const QString& KeyField, bool EditingRow, qint64 EditingKey,
                           qint64 OwnReceipt, const TSaleEntry& Entry, const QString& UserName);
// The date of origin Origin of kind SaleType: the pledge contract's or the purchase's; 0 when there
// is none.
TDateTime SaleOriginDate(QObject* Owner, int SaleType, qint64 Origin);
// For the check inside Save of an edit: changes sale Sale's row (and nothing in it) while Entry's
// date is not before its origin's, else no row.
QString SaleAfterOriginSql(qint64 Sale, const TSaleEntry& Entry);
// Marks origin Origin of kind SaleType sold on Date, only while it is still offered for sale: the
// statement changes no row when it is sold, returned or no longer declared for sale meanwhile.
QString SaleMarkSql(int SaleType, qint64 Origin, TDateTime Date);
// The statements that delete saved sale Sale of Origin: the origin offered again (only while
// the sale still stands, else the statement changes no row), the sale's receipt, the sale.
QStringList SaleDeleteStatements(const QString& Table, const QString& KeyField, qint64 Sale, int SaleType,
                                 qint64 Origin);
// What Save tells when the origin is no longer offered for sale.
QString OriginGoneText(int SaleType, qint64 Origin);
// The four list queries: sales, sold contracts, receipts per sale, sold purchases.
QStringList SaleListSql(bool TodayOnly, TDateTime Today);
// Completes the sales rows from the other three lists and appends the totals row. Principal
// gives a contract's outstanding principal; the first failure stops the completion. False then.
bool ComposeSaleRows(TDelimitedStringList& Sales, const TDelimitedStringList& Contracts,
                     const TDelimitedStringList& Receipts, const TDelimitedStringList& Purchases,
                     const std::function<bool(const QString&, double&)>& Principal);

class TfrmItems_sales : public TDocumentForm {
    Q_OBJECT
public:
    explicit TfrmItems_sales(QWidget* Owner = nullptr);

    QRadioButton* rbPledged;
    QRadioButton* rbPurchased;
    TListEdit* leOwner;
    QLabel* pnlOwner;
    TListEdit* leContract;
    QLabel* pnlItem;
    QLabel* pnlSN;
    TLimitedEdit* edCustomer_name;
    TLimitedEdit* edSupplier_name;
    QCheckBox* cb_Without_PKO;
    QCheckBox* cb_Short_term;
    QPushButton* btnPrintOrder;

    bool Init() override;
    bool Done() override;
    bool Execute() override;
    // A new price of an edited sale names the receipt window's receipts on it, which stay as they
    // are.
    bool Add() override;

    // Fills the origin list for the chosen sale type; true when it could.
    bool BuildOriginList();

protected:
    QString ValidateEntry() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void RowToEdits(const QStringList& Cells) override;
    void EditEnded() override;
    // The buyer; the origin is guarded by its own mark.
    QList<TDocumentReference> EntryReferences() override;
    // The sale contract of the selected saved sale.
    void PrintDocument() override;
    // What is sold is no longer offered.
    void Saved() override;
    // The receipt that goes with the sale, and that its item is offered again.
    QString DeleteNote(int Row, qint64 Number) override;
    QStringList DeleteStatements(int Row, qint64 Number) override;

private:
    int SaleType() const;
    void OriginChanged(bool Confirmed);
    TSaleEntry CurrentEntry() const;
    // An edit keeps the sale's origin and kind.
    void LockOrigin(bool Locked);

    // The price of the sale lifted for editing, and the number of the receipt it wrote beside
    // itself (0 when none): the edit moves that receipt alone.
    double FLiftedPrice = 0;
    qint64 FOwnReceipt = 0;
};
