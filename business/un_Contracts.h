#pragma once
// The pledge contract window and the plain functions it rests on: the interest band, the amounts
// due, the validation of an entry, the statements it queues and the contract list.

#include "core/unitTypes.h"

#include <QString>
#include <QStringList>

class QObject;
class TDelimitedStringList;

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

// The interest bands of a preferential code, in key order.
QString InterestBandsSql(int PrefCode);
// The monthly percent of the last band (code, from, to, monthly fraction) that holds Sum, both
// limits included; false, MIR untouched, when none does.
bool InterestBandPercent(const TDelimitedStringList& Bands, double Sum, double& MIR);

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
    bool DocNoStored = false; // a contract with the number is in the database (new contracts)
    TDateTime Today = 0;
};
// The validation messages gathered into one text; empty when the entry may be queued.
QString ContractValidationText(const TContractEntry& Entry, const TContractCheck& Check);
// True when a contract numbered DocNo (rounded) is stored.
bool ContractNumberStored(QObject* Owner, double DocNo);

// The 20-value INSERT of a new contract into Table.
QString ContractInsertSql(const QString& Table, const TContractEntry& Entry);
// The UPDATE of the contract whose KeyField is Key.
QString ContractUpdateSql(const QString& Table, const QString& KeyField, qint64 Key,
                          const TContractEntry& Entry);
// The highest number of Table + 1, taken when the statement that holds it runs: numbers of
// linked orders are settled at Save, inside its transaction, so orders queued together never
// collide and other windows' saved orders are counted.
QString NextDocNoSql(const QString& Table);
// The cash payment order of the loan paid out, type 1, numbered at Save.
QString PayoutOrderSql(const TContractEntry& Entry, const QString& OperatorName, const QString& UserName);
// The operator's full name from Users_passwords; "" when the user name stands nowhere.
QString OperatorFullName(QObject* Owner, const QString& UserName);

// Deleting a saved contract: the DELETE, and the two orders that book the loan back from the
// contract (type 1, minus Amount) to the owner's expenses (type 3).
QString ContractDeleteSql(qint64 DocNo);
QStringList RebookingSql(qint64 DocNo, TDateTime Today, double Amount, const QString& OwnerName,
                         const QString& OperatorName, const QString& UserName);

// The list query; TodayOnly keeps the contracts dated Today.
QString ContractListSql(bool TodayOnly, TDateTime Today);
// Turns the query's rows into the grid's texts: amount, personal number, "да"/"не", total.
void PrepareContractListRows(TDelimitedStringList& List);
// The 21 cells of the grid row of a queued contract.
QStringList ContractGridCells(const TContractEntry& Entry, const QString& ItemName, const QString& ItemSN,
                              double Total);
