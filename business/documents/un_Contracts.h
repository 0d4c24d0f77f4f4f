#pragma once
// The pledge contract window and the plain functions it rests on: the interest band, the amounts
// due, the validation of an entry, the statements it queues and the contract list.

#include "business/documents/DocumentForm.h"
#include "core/unitTypes.h"

#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QObject;
class QPushButton;
class QToolButton;
class TDelimitedStringList;
class TLimitedEdit;
class TListEdit;

// The figures of a contract as typed: what New validates and queues.
struct TContractEntry {
    double DocNo = 0;
    TDateTime DateC = 0;
    QString ItemCode;  // leItem's text
    QString OwnerCode; // leOwner's text, the personal number
    QString OwnerName;
    double Sum = 0;
    double MIR = 0; // monthly percent
    double Duration = 0;
    QString Notes;
    double Gramaj = 0;
    bool ShortTerm = false;
    QString VehicleCode; // empty without a vehicle
    double Dylzhimi_lihvi = 0;
    double Ednokratni_taxi = 0;
    double Dnevni_taxi = 0;
};

// The amounts shown while a contract is typed.
struct TContractAmounts {
    double DailyRate = 0;     // percent ÷ 100 ÷ 30, 7 decimals
    double DailyInterest = 0; // Sum × DailyRate, to the cent
    double Dylzhimi_lihvi = 0;
    double Ednokratni_taxi = 0;
    double Dnevni_taxi = 0;
    double Total = 0;
    QString InterestText; // lab_Dylzhimi_lihvi
    QString OneTimeText;  // lab_Ednokratni_taxi
    QString DailyText;    // Lab_Dnevni_taksi
    QString TotalText;    // labTotal
};

// The interest of the term and its text; the fees and the total are left alone.
void CalcContractInterest(double Sum, double MIR, double Duration, TContractAmounts& Amounts);
// Total := Sum + interest + both fees, to the cent, and its text.
void CalcContractTotal(double Sum, TContractAmounts& Amounts);
// Interest, the one-time and daily fees of preferential code PrefCode, and the total. A failing
// fee query leaves with its EDatabaseError, the steps after it not done.
void CalcContractAmountsDue(QObject* Owner, int PrefCode, double Sum, double MIR, double Duration,
                            TContractAmounts& Amounts);

// The last day of a term: a contract of 30 days dated the 1st runs to the 30th.
TDateTime TermEnd(TDateTime DateC, double Duration);
// The days of the term that ends on DateTo.
double TermDays(TDateTime DateC, TDateTime DateTo);

// What validation needs besides the entry.
struct TContractCheck {
    QStringList GridNumbers; // column 0 of the grid's data rows
    bool OwnerKnown = false; // the owner's code stands in the owner list
    bool ItemKnown = false;  // the item's code stands in the item list
    bool EditingRow = false;
    bool DocNoStored = false;  // a contract with the number is in the database (new contracts)
    qint64 DocNoPayout = 0;    // a payout order that still names the number of a deleted contract
    bool VehicleKnown = false; // the vehicle's code stands in the vehicle list
    TDateTime Today = 0;
};
// The validation messages gathered into one text; empty when the entry may be queued.
QString ContractValidationText(const TContractEntry& Entry, const TContractCheck& Check);
// True when a contract numbered DocNo (rounded) is stored.
bool ContractNumberStored(QObject* Owner, double DocNo);
// The first payout order (type 1) that names contract DocNo; 0 when none does. Its number is not
// free while one does, even with the contract deleted: a new contract would take over its loan.
qint64 ContractPayoutOrder(QObject* Owner, qint64 DocNo);
// The preferential code of the borrower with personal number OwnerCode as the register holds it;
// "" when there is none.
QString OwnerPrefCode(QObject* Owner, const QString& OwnerCode);
// The number proposed for a new contract: past every contract and every payout's contract.
qint64 NextContractNumber(QObject* Owner);

// The 20-value INSERT of a new contract into Table.
QString ContractInsertSql(const QString& Table, const TContractEntry& Entry);
// The UPDATE of the contract whose KeyField is Key.
QString ContractUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TContractEntry& Entry);
// The cash payment order of the loan paid out, type 1, numbered at Save.
QString PayoutOrderSql(const TContractEntry& Entry, const QString& OperatorName, const QString& UserName);

// Deleting a saved contract: the DELETE, and the two orders that book the loan back from the
// contract (type 1, minus Amount) to the owner's expenses (type 3).
QString ContractDeleteSql(qint64 DocNo);
QStringList RebookingSql(qint64 DocNo, TDateTime Today, double Amount, const QString& OwnerName,
                         const QString& OperatorName, const QString& UserName);

// The list query; TodayOnly keeps the contracts dated Today.
QString ContractListSql(bool TodayOnly, TDateTime Today, const QList<qint64>& Only = {});
// Turns the query's rows into the grid's texts: amount, personal number, "да"/"не", total.
void PrepareContractListRows(TDelimitedStringList& List);
// The 21 cells of the grid row of a queued contract.
QStringList ContractGridCells(const TContractEntry& Entry, const QString& ItemName, const QString& ItemSN,
                              double Total);

// What keeps saved contract DocNo in the books: redeemed, sold, its sales and its receipts of
// principal, interest and fees ("вещта е откупена; приходни касови ордери № 4, 5"); "" when it
// has nothing but its payout.
QString ContractUseText(QObject* Owner, qint64 DocNo);
// The refusal to delete contract DocNo, naming Uses.
QString ContractInUseMessage(qint64 DocNo, const QString& Uses);
// True when Entry gives saved contract DocNo another borrower or item than it has.
bool ContractMoved(QObject* Owner, qint64 DocNo, const TContractEntry& Entry);
// The refusal to give contract DocNo another borrower or item, naming Uses.
QString ContractMoveMessage(qint64 DocNo, const QString& Uses);
// For the check inside Save: changes contract DocNo's row (and nothing in it) while it still has
// the borrower and item of Entry or nothing holds it, else no row.
QString ContractStillMovableSql(qint64 DocNo, const TContractEntry& Entry);
// The statements that delete saved contract DocNo, after the question whether to book the loan
// paid out back to the owner's expenses (the two orders of RebookingSql on Yes).
QStringList ContractDeleteStatements(QWidget* Owner, const QString& UserName, qint64 DocNo);

// Deletes saved contract DocNo (dated DateText) shown in row Row of Grid. A contract in the
// books is refused, naming what holds it; any other after the manager's password and a question:
// queues ContractDeleteStatements and removes the row. The obligations report uses it, and
// re-checks the queued deletes with ContractUseText inside its Save; the contract window does the
// same through the document window's delete.
void DeleteContract(QWidget* Owner, const QString& UserName, const QString& DocNo, const QString& DateText,
                    TQueuedChanges& Changes, TRichGrid* Grid, int Row);

class TfrmContracts : public TDocumentForm {
    Q_OBJECT
public:
    explicit TfrmContracts(QWidget* Owner = nullptr);

    TLimitedEdit* edNotes;
    TListEdit* leItem;
    QLabel* pnlItem;
    TListEdit* leOwner;
    QLabel* pnlOwner;
    TFloatEdit* feM_IR;
    TFloatEdit* feDuration;
    TDocumentDateEdit* dtDate_to;
    QLabel* pnlSN;
    QLabel* labTotal;
    QLabel* labPref_code;
    QPushButton* btnPrintContract;
    QToolButton* btnNewOwner;
    QToolButton* btnNewItem;
    TFloatEdit* feGramaj;
    QCheckBox* cb_Short_term;
    QPushButton* btnPrintLabel;
    QLabel* lab_Ednokratni_taxi;
    QLabel* Lab_Dnevni_taksi;
    QLabel* lab_Dylzhimi_lihvi;
    TListEdit* code_MPS;
    QLabel* pnl_Marka;
    QLabel* pnl_Model;
    QLabel* pnl_Reg_nomer;

    // Set while one handler changes another control, so that they do not call each other.
    bool Recalculating = false;
    // The amounts last computed; New writes them with the contract.
    double Dylzhimi_lihvi = 0;
    double Ednokratni_taxi = 0;
    double Dnevni_taxi = 0;

    bool Init() override;
    bool Done() override;
    bool Execute() override;
    bool Add() override;

    // Recomputes interest, fees and total from the fields; returns the total.
    double CalcContractAmountsDue();
    // Opens the owners or items register to add a missing one; its save refreshes the lookup.
    void NewOwner();
    void NewItem();

protected:
    bool ReadSavedRows(const QList<qint64>& Numbers, TDelimitedStringList& Rows) override;
    bool event(QEvent* Event) override;
    QString ValidateEntry() override;
    QStringList EntryStatements() override;
    QStringList EntryRow() override;
    void RowToEdits(const QStringList& Cells) override;
    void EditEnded() override;
    void CodeTaken(TListEdit* Lookup) override;
    // Prints the selected saved contract.
    void PrintDocument() override;
    QString DocumentNoun() const override;
    // A contract in the books, or deleted by another window, is not deleted.
    QString DeleteRefusal(qint64 Number) override;
    QStringList DeleteStatements(int Row, qint64 Number) override;
    // The borrower with the band shown, the item and the vehicle.
    QList<TDocumentReference> EntryReferences() override;
    qint64 NextFreeNumber() override;
    // A number a payout still names is taken as well.
    QString FreeNumberSql(qint64 From) override;

private:
    void OwnerChanged();
    void ItemChanged();
    void VehicleChanged();
    void SumChanged();
    void DurationChanged();
    void DateToChanged();
    void DateCChanged();
    // The monthly percent of the owner's band for the amount.
    void LookupInterestBand();
    void SetDateTo(TDateTime Value);
    // The date and amount of a saved contract are those its payout was made with: fixed while it
    // is edited.
    void LockLoanFigures(bool On);
    int PrefCode() const;
    TContractEntry CurrentEntry() const;
    // The new contracts queued on item ItemCode, not saved yet.
    QList<qint64> QueuedContractsOn(const QString& ItemCode) const;

    // What each queued contract refers to, by its queue key.
    struct TQueuedContract {
        bool New = false;
        qint64 Number = 0;
        qint64 Item = 0;
    };
    QHash<int, TQueuedContract> FQueuedContracts;
    // The item of the contract Edit lifted.
    QString FLiftedItem;
};
