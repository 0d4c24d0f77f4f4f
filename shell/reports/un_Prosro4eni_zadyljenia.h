#pragma once
// The obligations report: the debt at a date of every pledge contract concluded up to it, by
// kind of obligation and optionally of one borrower. From it items are declared for sale and
// contracts deleted; both wait in the queue until Save.

#include "business/registers/unQueuedChanges.h"
#include "core/unitTypes.h"
#include "shell/reports/ReportForm.h"

#include <QString>
#include <QStringList>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class TDelimitedStringList;
class TListEdit;
struct TContractState;

// Kinds of obligation, the items of rgType_of_Obligation.
enum TObligationKind { okAll = 0, okOverdue = 1, okClosed = 2, okOnHand = 3 };

// The contracts of Kind concluded up to AtDate, of borrower OwnerText when it is not empty.
QString ObligationContractsSql(int Kind, const QString& OwnerText, TDateTime AtDate);

// Whether a debt record belongs under Kind, by its redemption and sale flags at its at-date.
bool KeepObligationRow(int Kind, const TDelimitedStringList& Rows, int Row);

// The debt records of DocNos at AtDate that belong under Kind, into Rows in the order of DocNos,
// progress posted to Owner as they are figured. A contract whose debt cannot be computed is left
// out, and Skipped gets "договор N: why" for it.
void BuildObligationRows(QObject* Owner, const QStringList& DocNos, TDateTime AtDate, int Kind,
                         TDelimitedStringList& Rows, QStringList& Skipped);

// The report: the contracts of ObligationContractsSql and their rows, as BuildObligationRows. No
// transaction stays open while the event loop runs; a contract that is gone by the time its debt
// is read is left out and named.
void ReadObligationRows(QObject* Owner, int Kind, const QString& OwnerText, TDateTime AtDate,
                        TDelimitedStringList& Rows, QStringList& Skipped);

// What the operator is told about the contracts left out, "" when none.
QString SkippedContractsMessage(const QStringList& Skipped);

// Appends the totals row of ColCount fields: the sums of the money columns and fee columns.
void AppendObligationTotals(TDelimitedStringList& Rows, int ColCount);

// Declares the item of contract DocNo for sale on day Today.
QString ForSaleSql(qint64 DocNo, TDateTime Today);

// The caption over the three columns of a fee.
QString FeeColumnCaption(const QString& CodeT, const QString& NameT, bool Once);

// True when the contract of report row Cells is stored as the row showed it: its number, date,
// borrower, item and the loan paid out on it. Another contract that took its number is not.
bool ContractAsShown(QObject* Owner, const QStringList& Cells);

// Why contract Number, figured again at AtDate, no longer reads as report row Cells showed it,
// every field compared: the engine's own reason when it cannot be figured, its payments when money,
// fees or the last interest payment moved, else the contract itself (term, due date, names). ""
// when it reads as shown.
QString RowChangedRefusal(QObject* Owner, qint64 Number, const QStringList& Cells, TDateTime AtDate);

// The latest day after day After on which contract Number took a receipt (principal, interest or a
// fee, corrections too); 0 when none.
TDateTime PaidAfter(QObject* Owner, qint64 Number, TDateTime After);
// Why contract Number, paid on day Paid after the day its row was figured at, is not declared.
QString PaidSinceRefusal(qint64 Number, TDateTime Paid);

// Why contract Number, stored as State, is not declared for sale: redeemed, sold or declared
// already, each with its date. "" when it may be.
QString DeclarationRefusal(qint64 Number, const TContractState& State);

class TfrmProsro4eni_zadyljenia : public TReportForm, public TQueuedChanges {
    Q_OBJECT
public:
    explicit TfrmProsro4eni_zadyljenia(QWidget* Owner = nullptr);

    QGroupBox* rgType_of_Obligation;
    // The at-date; the report runs over no period.
    TMADateEdit* dtp_To;
    TListEdit* leOwner;
    QLabel* pnlOwner;
    QPushButton* btnForSale;

    int ObligationKind() const;
    void SetObligationKind(int Kind);

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool Execute() override;
    // F8 with declarations or deletes queued: the same question first, as the reloaded rows
    // would show a queued delete's contract to delete again.
    bool DoExecute() override;
    // An at-date that makes no date is refused before anything is written: the report is loaded
    // again for it after the save.
    bool DoSave() override;
    // A delete or declaration refused inside Save leaves the queue, so that it blocks nothing
    // queued beside it.
    bool Save() override;
    bool Delete() override;
    // With declarations or deletes queued: message 65194; Yes saves (a failed Save keeps the
    // window open), No drops them, Cancel stays.
    bool CloseQuery() override;
    QString GetReportTitle() override;

    // Declares the item of the selected row for sale, after the question. A contract redeemed,
    // sold or declared since the at-date is refused at once, saying which.
    void DeclareForSale();

protected:
    void LoadRows(int From, int To, TDelimitedStringList& Rows) override;

private:
    void ParametersChanged();

    QButtonGroup* FKinds;
    QString FMergeCells;
    // The contracts the last load could not figure, each with its reason.
    QStringList FSkipped;
    // The at-date the rows shown were figured at.
    TDateTime FRowsAt = 0;
    // Each contract delete or declaration queued: its number, the statements it queued and its
    // row as the report showed it then, figured at AtDate. A declaration keeps its contract's row
    // figured on the day it was clicked as well, which sees the payments after a past at-date; it
    // is written dated the day it is saved.
    struct TQueuedContract {
        qint64 Number = 0;
        QStringList Statements{};
        bool Delete = false;
        QStringList Row{};
        TDateTime AtDate = 0;
        QStringList Today{};
        TDateTime TodayAt = 0;
    };
    QList<TQueuedContract> FQueued;
    // Inside Save: why queued Contract may not be written; "" when it may.
    QString RecheckQueued(const TQueuedContract& Contract);
    // A change refused at Save leaves the queue: its contract's row shows again as it was, while the
    // contract is still the one it showed.
    void ShowUnqueued(const TQueuedContract& Contract);
    // The totals row, -1 when the grid holds none.
    int TotalsRow() const;
    // The totals row summed again over the rows shown.
    void ShowTotals();
};
