#pragma once
// Cash orders, as both cash order windows and every document with a linked order use them: the
// order as typed, its validation, its statements and lists, the orders other documents write
// beside themselves (numbered at Save) and the printed order.

#include "core/unitTypes.h"

#include <QString>
#include <QStringList>

class QObject;
class QWidget;
class TDelimitedStringList;
class TMAccountReadForm;
class TDelimitedStringList;

// A cash order as typed.
struct TCashOrderEntry {
    double DocNo = 0;
    TDateTime Date = 0;
    QString Owner;    // the personal number, empty without an owner
    QString Contract; // empty without a contract
    int PaymentType = 0;
    double Sum = 0;
    QString Customer;
    QString Supplier; // the employee
};

// A pledge contract as the order checks see it.
struct TContractState {
    bool Stored = false;
    bool Finished = false; // redeemed
    bool Sold = false;
    bool ForSale = false;
    TDateTime Date = 0;
    TDateTime RedeemedAt = 0;
    TDateTime SoldAt = 0;
    TDateTime ForSaleAt = 0;
    qint64 EGN = 0; // the borrower's personal number
    // Stored, and neither finished nor sold.
    bool Open() const { return Stored && !Finished && !Sold; }
};

struct TCashOrderCheck {
    QStringList GridNumbers;
    bool EditingRow = false;
    bool DocNoStored = false; // an order with the number is saved (new orders)
    TDateTime Today = 0;
    // An edit that keeps the type, owner and contract of the order as lifted; any other edit is
    // checked as a new order.
    bool SameDocument = false;
    TCashOrderEntry Lifted;
    // Receipts: the type stands in the payment-type list. Receipts on a contract: why the
    // contract takes none (ReceiptContractRefusal), "" when it does; what its type is still owed
    // and what receipts of the type took, each counting what the queue holds already, when
    // AmountsKnown; DebtFailure, why the debt cannot be computed. Sale receipts: the sale is in
    // the list of its kind.
    bool TypeListed = true;
    QString ContractRefusal;
    bool AmountsKnown = false;
    double Owed = 0;
    double Received = 0;
    QString DebtFailure;
    // Receipt edits: why the edit may not take what it takes from the receipts of the lifted
    // order's contract and type (CorrectionsExceedText); "" when it may.
    QString CorrectionsRefusal;
    bool SaleListed = true;
    // The contract the order pays or pays out, and the lifted receipt's own.
    TContractState Contract;
    TContractState LiftedContract;
    // Payments for a new pledge: the numbers of the orders that paid the contract out already.
    QStringList Payouts;
    // Payments for a purchase: the purchase is in the window's list.
    bool PurchaseListed = true;
};

// True for the types of a payment on a contract: principal, interest and the fees.
inline bool IsContractPaymentType(int Type) {
    return Type == 1 || Type == 2 || Type > 5;
}
// True for an order that pays on a pledge contract (Receipt) or pays one out.
inline bool IsOrderOnContract(bool Receipt, int Type) {
    return Receipt ? IsContractPaymentType(Type) : Type == 1;
}
// True when Entry differs from Lifted in type, owner or contract.
bool OtherDocument(const TCashOrderEntry& Entry, const TCashOrderEntry& Lifted);
// True when Entry differs from Lifted in what the books count: type, amount, date, owner or
// contract.
bool OrderMoneyChanged(const TCashOrderEntry& Entry, const TCashOrderEntry& Lifted);

QString IncomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check);
QString OutcomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check);
QString IncomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName);
QString IncomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                        const TCashOrderEntry& Entry);
QString OutcomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName);
QString OutcomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                         const TCashOrderEntry& Entry);
// Why a new receipt on contract Contract of the borrower with personal number Owner cannot be
// taken: the contract is missing, another borrower's, redeemed, sold, or declared for sale where
// the workstation takes nothing on those (IncludeForSale off). "" when it can.
QString ReceiptContractRefusal(const QString& Contract, const QString& Owner, const TContractState& State,
                               bool IncludeForSale);
// Why no receipt is taken on contract Contract: it is declared for sale and the workstation takes
// nothing on those (IncludeForSale off). "" when it is not, or the workstation does.
QString ForSaleRefusal(const QString& Contract, const TContractState& State, bool IncludeForSale);
// What a contract owes of receipt type Type by its debt record and fee lists: the outstanding
// principal, the interest due, or the remaining amount of the fee (0 for a fee it does not have).
double OwedOfType(const QString& DebtRow, const TDelimitedStringList& OneTimeFees,
                  const TDelimitedStringList& DailyFees, int Type);
// The same read from the books at AtDate, quietly (inside a write it must show nothing): false
// with Failure saying why the debt cannot be computed, "" for a contract that is gone.
bool OwedOnContract(QObject* Owner, qint64 Contract, int Type, TDateTime AtDate, double& Owed,
                    QString& Failure);
// What the receipts of Type on Contract took, corrections deducted, whatever their dates.
double ReceivedOnContract(QObject* Owner, qint64 Contract, int Type);
// Why Sum of receipt type Type cannot be taken on a contract that is owed Owed and received
// Received of that type: above what is owed, or a correction taking back more than was received.
// "" when it can.
QString ReceiptAmountRefusal(int Type, double Sum, double Owed, double Received);
TContractState ReadContractState(QObject* Owner, qint64 DocNo);
// "Вещ 5 е в залог по неприключен договор № 4. " and Question, naming the open contracts on item
// ItemCode, saved ones and Queued (a window's own, not saved yet); "" when none holds it.
QString PledgedItemQuestion(QObject* Owner, const QString& ItemCode, const QString& Question,
                            const QList<qint64>& Queued = {});
// The refusal of a Save that finds the contract it pays settled, sold or paid meanwhile.
QString ContractChangedText();
// The refusal of a change after which the receipts of Type on contract DocNo would total
// TotalCents, below nothing: less than the corrections made on them.
QString CorrectionsExceedText(qint64 DocNo, int Type, qint64 TotalCents);
// The refusal to change (Delete: to delete) a receipt on contract DocNo, redeemed or sold.
QString ClosedContractText(qint64 DocNo, const TContractState& State, bool Delete);
// The refusal of a second payout for contract DocNo, paid out by the orders Payouts.
QString PayoutTakenText(const QString& DocNo, const QStringList& Payouts);
QString NoContractText(const QString& DocNo);
// The contract that saved payment OrderNo pays out, "" when it is not a contract's payout; the
// contract window alone writes and changes those.
QString PayoutContract(QObject* Owner, qint64 OrderNo);
QString PayoutRefusal(qint64 OrderNo, const QString& Contract);
// Why saved order OrderNo of Table (Incomes or Outcomes) is not changed from a cash window: it is
// a contract's payout, or the order a purchase or a sale wrote beside itself, and it moves and goes
// with its document alone. "" for any other order.
QString OwnOrderRefusal(QObject* Owner, const QString& Table, qint64 OrderNo);
// The saved order DocNo of Table (its contract, type, amount and date); false when there is none.
bool ReadStoredOrder(QObject* Owner, const QString& Table, qint64 DocNo, TCashOrderEntry& Order);
// True when a row of Table has Key in KeyField.
bool RecordStored(QObject* Owner, const QString& Table, const QString& KeyField, qint64 Key);
// True when a document numbered DocNo is saved in Table.
bool DocumentNumberStored(QObject* Owner, const QString& Table, double DocNo);

// The highest number of Table + 1, taken when the statement that holds it runs: numbers of
// linked orders are settled at Save, inside its transaction, so orders queued together never
// collide and other windows' saved orders are counted.
QString NextDocNoSql(const QString& Table);
// The order a document writes beside itself into Table (Incomes or Outcomes), numbered at Save:
// Document is the contract, purchase or sale it belongs to.
QString LinkedOrderSql(const QString& Table, TDateTime Date, qint64 Document, int PaymentType, double Amount,
                       const QString& Customer, const QString& Supplier, const QString& UserName);
// Moves order OrderNo of type PaymentType that Document wrote beside itself to the document's
// edited date, amount and names.
QString LinkedOrderUpdateSql(const QString& Table, qint64 OrderNo, qint64 Document, int PaymentType,
                             TDateTime Date, double Amount, const QString& Customer, const QString& Supplier);
// The order of type PaymentType in Table that document Document of DocumentTable (a sale or a
// purchase, its price in sum_s) wrote beside itself: the first naming it with the document's date
// and price, which its edits keep equal. 0 when it wrote none, or the order was changed on its own.
qint64 OwnOrderNumber(QObject* Owner, const QString& Table, const QString& DocumentTable, qint64 Document,
                      int PaymentType);
// The numbers of the orders of type PaymentType in Table that Document wrote beside itself.
QStringList LinkedOrderNumbers(QObject* Owner, const QString& Table, qint64 Document, int PaymentType);
// Told when the price of Document (Noun: "покупка") changes while orders of PaymentType in Table
// other than its own OwnOrder name it too: they stay as typed. "" without them.
QString OrdersToCorrectText(QObject* Owner, const QString& Table, int PaymentType, qint64 Document,
                            qint64 OwnOrder, const QString& Noun);
// The open, unsold contracts of the borrower with personal number EGN: number, item type, serial
// number, date. Contracts declared for sale only when IncludeForSale.
QString PayableContractListSql(qint64 EGN, bool IncludeForSale);
// The name of the borrower of contract DocNo, as orders name the customer; "" when there is none.
QString ContractOwnerName(QObject* Owner, qint64 DocNo);
// The operator's full name from Users_passwords, as orders name the employee; "" when the user
// name stands nowhere.
QString OperatorFullName(QObject* Owner, const QString& UserName);
// A queued statement carries these in place of the operator's user name and full name, so that a
// document is signed by whoever is signed in when Save writes it. OperatorFullName of
// OperatorMark is OperatorNameMark.
extern const QString OperatorMark;
extern const QString OperatorNameMark;
// Sql with the marks replaced by UserName and FullName, quoted as texts are.
QString SignedSql(QString Sql, const QString& UserName, const QString& FullName);
// Statements signed by UserName: the full name is read once, and only when one of them asks for it.
QStringList SignedStatements(QObject* Owner, const QStringList& Statements, const QString& UserName);

// "( Field IN ( 1, 2 ) ) AND ": the condition that keeps the documents Numbers; "" without any.
QString DocumentNumbersCondition(const QString& Field, const QList<qint64>& Numbers);
// The three list queries; TodayOnly keeps the orders dated Today, Only the orders of those
// numbers when it names any.
QStringList IncomeListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only = {});
QStringList OutcomeListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only = {});
// The payment window's radio item of types 1, 3 and 4; "" for any other type.
QString OutcomeKindText(int Type);
// Runs the three list queries, joins and sorts them and loads the grid; Payments also writes
// the type's radio item text into column 8. A failing query is shown and leaves the grid as it
// was: false.
bool LoadCashOrderList(TMAccountReadForm* Form, const QStringList& Sqls, bool Payments);
// The records LoadCashOrderList shows before the filter, in its order into List; a failing query
// is shown: false.
bool ReadCashOrderRows(QObject* Owner, const QStringList& Sqls, bool Payments, TDelimitedStringList& List);

// The order record's fields 4-10 from the document query, when it finds exactly one row; the
// query that suits the direction and payment type, "" when none does.
QString OrderDocumentSql(bool Receipt, int PaymentType, qint64 Contract);
// Fills a cash order record and previews it: fields 0-3 and 8, 13 and 14 from Cells (the grid's
// number, date, contract, amount, customer, payment type, employee), the rest from the database.
// False when nothing was shown.
bool PrintCashOrder(QWidget* Owner, bool Receipt, const QStringList& Cells);
