#pragma once
// Cash orders, as both cash order windows and every document with a linked order use them: the
// order as typed, its validation, its statements and lists, the orders other documents write
// beside themselves (numbered at Save) and the printed order.

#include "core/unitTypes.h"

#include <QString>
#include <QStringList>

class QObject;
class QWidget;
class TMAccountReadForm;

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

struct TCashOrderCheck {
    QStringList GridNumbers;
    bool EditingRow = false;
    bool DocNoStored = false; // an order with the number is saved (new orders)
    TDateTime Today = 0;
    // Receipts on a contract: whether the contract is among the borrower's open ones (or is the
    // edited receipt's own), and the most its principal may still take; below 0 for no limit.
    bool ContractListed = true;
    double PrincipalLimit = -1;
};

// True for the types of a payment on a contract: principal, interest and the fees.
inline bool IsContractPaymentType(int Type) {
    return Type == 1 || Type == 2 || Type > 5;
}

QString IncomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check);
QString OutcomeValidationText(const TCashOrderEntry& Entry, const TCashOrderCheck& Check);
QString IncomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName);
QString IncomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                        const TCashOrderEntry& Entry);
QString OutcomeInsertSql(const QString& Table, const TCashOrderEntry& Entry, const QString& UserName);
QString OutcomeUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                         const TCashOrderEntry& Entry);
// True while contract DocNo exists and is neither finished nor sold.
bool ContractOpen(QObject* Owner, qint64 DocNo);
// The refusal of a Save that finds the contract it pays settled, sold or paid meanwhile.
QString ContractChangedText();
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
// Told when the price of Document ("покупка номер 1") changes while orders Numbers of another
// window (OrdersText: "разходни касови ордери") name it too: they stay as typed. "" without them.
QString OrdersToCorrectText(const QString& Document, const QString& OrdersText, const QStringList& Numbers);
// The open, unsold contracts of the borrower with personal number EGN: number, item type, serial
// number, date. Contracts declared for sale only when IncludeForSale.
QString PayableContractListSql(qint64 EGN, bool IncludeForSale);
// The name of the borrower of contract DocNo, as orders name the customer; "" when there is none.
QString ContractOwnerName(QObject* Owner, qint64 DocNo);
// The operator's full name from Users_passwords, as orders name the employee; "" when the user
// name stands nowhere.
QString OperatorFullName(QObject* Owner, const QString& UserName);

// The three list queries; TodayOnly keeps the orders dated Today.
QStringList IncomeListSql(bool TodayOnly, TDateTime Today);
QStringList OutcomeListSql(bool TodayOnly, TDateTime Today);
// The payment window's radio item of types 1, 3 and 4; "" for any other type.
QString OutcomeKindText(int Type);
// Runs the three list queries, joins and sorts them and loads the grid; Payments also writes
// the type's radio item text into column 8. A failing query leaves the grid as it was.
void LoadCashOrderList(TMAccountReadForm* Form, const QStringList& Sqls, bool Payments);

// The order record's fields 4-10 from the document query, when it finds exactly one row; the
// query that suits the direction and payment type, "" when none does.
QString OrderDocumentSql(bool Receipt, int PaymentType, qint64 Contract);
// Fills a cash order record and previews it: fields 0-3 and 8, 13 and 14 from Cells (the grid's
// number, date, contract, amount, customer, payment type, employee), the rest from the database.
// False when nothing was shown.
bool PrintCashOrder(QWidget* Owner, bool Receipt, const QStringList& Cells);
