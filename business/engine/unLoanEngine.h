#pragma once
// The loan engine: the debt of a pledge contract at a date, the one-time and daily fees of an
// amount, the personal-number format and the read of the pawnshop's name. It only reads the
// database; a failing query leaves the routine with its EDatabaseError.

#include "core/unitTypes.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class QObject;
class TDelimitedStringList;

// Fields of the debt record, "@"-separated. After them come three fields per fee (accrued, paid,
// remaining): the one-time fees first, then the daily fees, each in the order of code_t.
enum TDebtField {
    dfDocNo = 0,
    dfDateC = 1,
    dfEGN = 2,
    dfThreeNames = 3,
    dfPaidOut = 4,
    dfPrincipalRepaid = 5,
    dfPrincipalOutstanding = 6,
    dfInterestAccrued = 7,
    dfInterestPaid = 8,
    dfInterestDue = 9,
    dfTotalDebt = 10,
    dfDuration = 11,
    dfLastInterestDate = 12,
    dfLastInterestAmount = 13,
    dfDaysFromBase = 14,
    dfOverdue = 15,
    dfFinished = 16,
    dfFinishedDate = 17,
    dfForSale = 18,
    dfForSaleDate = 19,
    dfSold = 20,
    dfSoldDate = 21,
    dfCodeI = 22,
    dfItemTypeName = 23,
    dfItemSN = 24,
    dfDueDate = 25,
    DebtFieldCount = 26
};

// The day a contract falls due: the last day of its term that is not yet overdue, the term counted
// from BaseDay, its latest interest payment up to the day asked about or else its own date.
constexpr qint64 ContractDueDay(qint64 BaseDay, qint64 Duration) {
    return BaseDay + Duration - 1;
}

// The debt of contract DocNo at AtDate (its whole day). Row receives the record; OneTimeFees and
// DailyFees receive one record per fee of that kind (code_t, name_t, accrued, paid, remaining).
// False with an empty Row for an empty DocNo or a contract that does not exist, and after showing
// the message for a borrower without a preferential code or a code without interest bands.
// A contract dated after AtDate has nothing accrued yet: zero sums and no fees. The latest interest
// payment (fields 12 and 13), and with it the days, the overdue flag and the due date, is the
// latest day on or before AtDate whose interest receipts net above zero, with what they net to (a
// lone receipt as stored): a correction, or a receipt taken back the same day, renews nothing. Likewise a
// redemption, declaration for sale or sale (fields 16, 18 and 20) dated after AtDate reads "не", and the due
// date is then given.
bool CalculateContractDebt(QObject* Owner, const QString& DocNo, QString& Row, TDateTime AtDate,
                           TDelimitedStringList& OneTimeFees, TDelimitedStringList& DailyFees);
// The same without a word and without running the event loop, for checks inside a write
// transaction: Failure gets the message instead ("" for a contract that does not exist).
bool ContractDebtQuietly(QObject* Owner, const QString& DocNo, QString& Row, TDateTime AtDate,
                         TDelimitedStringList& OneTimeFees, TDelimitedStringList& DailyFees,
                         QString& Failure);

// The latest day up to UpToDay whose interest receipts on contract ContractNo net above zero, the
// day the contract's term runs from as the debt takes it: an SQL subquery of the two SQL
// expressions given, NULL when there is none.
QString RenewalDaySql(const QString& ContractNo, const QString& UpToDay);

// Called once for each contract of a batch: Index is its place in the list given, Row its record as
// CalculateContractDebt gives it, or empty with Failure saying in the operator's words why the
// debt cannot be computed (a missing item or borrower, no preferential code, no interest bands).
using TDebtReceiver = std::function<void(int Index, const QString& Row, const QString& Failure)>;

// The debts of the contracts DocNos at AtDate, each the record CalculateContractDebt gives, read a
// block of contracts at a time with a few statements each and computed in memory. Contracts come
// in ascending order of number; no message is shown. Each block is read in a read transaction of
// its own (or in the caller's transaction, when one is open), and OnDebt is called outside it, so
// that it may let the event loop run: every contract is figured from one state of the shop.
void CalculateContractDebts(QObject* Owner, const QStringList& DocNos, TDateTime AtDate,
                            const TDebtReceiver& OnDebt);

// What the operator is told of the contracts a batch left out. Lead holds one "%s" for the count
// ("1 договор", "5 договора"); Failures are lines "договор N: why", of which the first
// MaxNamedFailures are named and the rest counted. "" when Failures is empty.
constexpr int MaxNamedFailures = 20;
QString DebtFailuresMessage(const QString& Lead, const QStringList& Failures);

// Everything paid out on contract DocNo less every principal instalment, whatever their dates.
// False (Principal 0) for an empty DocNo or one that is not a number.
bool GetOutstandingPrincipal(QObject* Owner, const QString& DocNo, double& Principal);

// The outstanding principal, as GetOutstandingPrincipal gives it, of each contract that
// ContractsSql (a SELECT of contract numbers) lists and that has orders, in cents by contract: two
// grouped statements however many contracts there are.
QHash<qint64, qint64> OutstandingPrincipals(QObject* Owner, const QString& ContractsSql);

// The one-time fees of Amount for preferential code PrefCode: Fees gets (code_t, name_t, fee) per
// one-time fee, the fee empty when no band of it matches; Text the wording shown on the contract,
// Total their sum.
bool CalcOneTimeFees(QObject* Owner, int PrefCode, TDelimitedStringList& Fees, double Amount, QString& Text,
                     double& Total);

// The daily fees of Amount over Days days, as CalcOneTimeFees; the text also gives each daily amount.
bool CalcDailyFees(QObject* Owner, int PrefCode, int Days, double Amount, TDelimitedStringList& Fees,
                   QString& Text, double& Total);

// The personal number left-padded with "0" to 10 characters; longer texts stay as they are.
void FormatEGN(const QString& EGN, QString& Result);

// The pawnshop's name (settings code 1); "" when it is not set.
bool ReadSettingVA1(QObject* Owner, QString& Value);

// The interest bands of a preferential code, in key order.
QString InterestBandsSql(int PrefCode);
// The monthly percent of the last band (code, from, to, monthly fraction) that holds Sum, both
// limits included; false, MIR untouched, when none does or Sum is not above 0.
bool InterestBandPercent(const TDelimitedStringList& Bands, double Sum, double& MIR);

// The day the debt is taken at: today, or with FifteenDaySteps the next multiple of 15 days from
// the contract's date, so that interest is charged in steps of 15 days.
TDateTime SettlementAtDate(TDateTime Today, TDateTime ContractDate, bool FifteenDaySteps);
