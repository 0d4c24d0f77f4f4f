#pragma once
// The cash receipt orders window, and the plain functions both cash order windows rest on: the
// validation of an order, the statements it queues and the list queries.

#include "business/registers/unQueuedChanges.h"
#include "core/unitTypes.h"
#include "framework/forms/MAccountReadForm.h"

#include <QString>
#include <QStringList>

class QLabel;
class QDateEdit;
class QPushButton;
class TFloatEdit;
class TLimitedEdit;
class TListEdit;

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
// The three list queries; TodayOnly keeps the orders dated Today.
QStringList IncomeListSql(bool TodayOnly, TDateTime Today);
QStringList OutcomeListSql(bool TodayOnly, TDateTime Today);
// The order record's fields 4-10 from the document query, when it finds exactly one row; the
// query that suits the direction and payment type, "" when none does.
QString OrderDocumentSql(bool Receipt, int PaymentType, qint64 Contract);
// Fills a cash order record and previews it: fields 0-3 and 8, 13 and 14 from Cells (the grid's
// number, date, contract, amount, customer, payment type, employee), the rest from the database.
// False when nothing was shown.
bool PrintCashOrder(QWidget* Owner, bool Receipt, const QStringList& Cells);

// What both cash order windows share.
class TRichGrid;
// The payment window's radio item of types 1, 3 and 4; "" for any other type.
QString OutcomeKindText(int Type);
// True when an order numbered DocNo is saved in Table.
bool CashOrderNumberStored(QObject* Owner, const QString& Table, double DocNo);
// Appends a row of Cells to Grid (into the blank row of an empty list); the row.
int AppendGridRow(TRichGrid* Grid, const QStringList& Cells);
// Edit's first half: refuses a second edit, asks the manager's password and lifts the selected
// saved order's number into DocNo; Cells gets the row. EndOrderEdit removes the row.
bool BeginOrderEdit(TMAccountReadForm* Form, TQueuedChanges& Changes, TFloatEdit* DocNo, QStringList& Cells);
void EndOrderEdit(TRichGrid* Grid);
// Queues the DELETE of the selected saved order after the password and a question.
bool DeleteCashOrder(TMAccountReadForm* Form, TQueuedChanges& Changes);
// Runs the three list queries, joins and sorts them and loads the grid; Payments also writes
// the type's radio item text into column 8. A failing query leaves the grid as it was.
void LoadCashOrderList(TMAccountReadForm* Form, const QStringList& Sqls, bool Payments);

class TfrmIncomes : public TMAccountReadForm, public TQueuedChanges {
    Q_OBJECT
public:
    explicit TfrmIncomes(QWidget* Owner = nullptr);

    TListEdit* lePayment_type;
    QLabel* Pnl_Payment_type;
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

    // Rebuilds the contract list for the owner and payment type; true when it could.
    bool BuildContractList();
    void PrintOrder();

private:
    QString PaymentTypeText() const;
    void ContractChanged(bool Confirmed);
    TCashOrderEntry CurrentEntry() const;
};
