#pragma once
// Settling a pledge contract: the return of the pledged item, or the payment of the interest and
// fees due on it. The window shows what is due today and writes one cash receipt per due amount;
// the return also marks the contract finished. The plain functions below build the breakdown,
// check a settlement and build its statements.

#include "core/unitTypes.h"
#include "framework/forms/MAccountReadForm.h"

#include <QString>
#include <QStringList>

class QLabel;
class TDelimitedStringList;
class TFloatEdit;
class TListEdit;

// The breakdown of a debt record (CalculateContractDebt) into rows of payment type, name,
// accrued, received and due: the principal (not in PaymentMode), the interest, each fee in the
// order of its payment type, and last the totals row "¤Общо:" with the sums to the cent. Interest
// or a fee received over what accrued is due 0.00: its excess is set off against nothing else.
void BuildSettlementRows(const QString& DebtRow, const TDelimitedStringList& OneTimeFees,
                         const TDelimitedStringList& DailyFees, bool PaymentMode, TDelimitedStringList& Rows);

// The total due of a breakdown (its totals row), in cents.
qint64 SettlementDueCents(const TDelimitedStringList& Rows);

// One receipt of a settlement: its payment type and amount in cents.
struct TSettlementReceipt {
    qint64 Type = 0;
    qint64 Cents = 0;
};
// The receipts of a settlement with Paid, none of them zero or below. The difference between
// Paid and the total due goes onto the interest; a row paid over before (due below zero) is set
// against the interest and then the fees, never the principal. Empty when that cannot be done
// without a receipt below zero: a shortfall beyond the interest due.
QList<TSettlementReceipt> SettlementReceipts(double Paid, const TDelimitedStringList& Rows);

// Why the settlement of contract DocNo (0: none chosen) with Paid cannot be made; empty when it
// can. A payment short of the total due by at most 2.00, and by no more than the interest due,
// is accepted; the payment of interest and fees takes no more than is due.
QString SettlementRefusal(qint64 DocNo, bool PaymentMode, double Paid, const TDelimitedStringList& Rows);

// Who a settlement's receipts name.
struct TSettlementParties {
    QString OwnerName;    // customer_name
    QString OperatorName; // supplier_name
    QString UserName;
};

// The statements of a settlement: one receipt per row with something due, the interest row
// taking up the difference between Paid and the total due (SettlementReceipts); for a return,
// the contract marked finished today, on condition that it is still open. Receipts are numbered
// when they are written.
QStringList SettlementSql(qint64 DocNo, bool PaymentMode, double Paid, const TDelimitedStringList& Rows,
                          TDateTime Today, const TSettlementParties& Parties);

// What the operator is told after a settlement: the numbers of the receipts it wrote.
QString SettlementReceiptsText(const QStringList& Numbers);

class TfrmVry6tane_na_ve6ti : public TMAccountReadForm {
    Q_OBJECT
public:
    explicit TfrmVry6tane_na_ve6ti(QWidget* Owner = nullptr);
    ~TfrmVry6tane_na_ve6ti() override;

    TListEdit* leOwner;
    QLabel* pnlOwner;
    TListEdit* leContract;
    QLabel* pnlItem;
    QLabel* pnlSN;
    TFloatEdit* feSum_c;

    // False: the return of the item; true: the payment of the interest and fees due only.
    bool PaymentMode = false;
    void SetPaymentMode(bool Value);

    // The contract whose breakdown the grid shows; 0 when none.
    qint64 BreakdownDocNo = 0;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    bool Save() override;
    QString GetReportTitle() override;

    // The borrower's open contracts into leContract; leContract is emptied.
    void BuildContractList();
    // The breakdown of the chosen contract; false when its debt could not be computed.
    bool BuildBreakdown();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void OwnerChanged();
    void ContractChosen();
    void ClearBreakdown();
    // Inside Save: "" while the contract is still open, not declared for sale where the
    // workstation settles none of those, and its breakdown at the same day is the one shown; else
    // why the settlement cannot be written.
    QString BreakdownRefusal();

    // The breakdown's rows as they were built, the totals row last.
    std::unique_ptr<TDelimitedStringList> FRows;
    TDateTime FAtDate = 0; // the day the breakdown was taken at
};
