#pragma once
// The repayment plan of one pledge contract: day by day over a chosen number of days, the
// principal balance, the daily rate and interest of the borrower's band, the payouts and the
// instalments received, with the one-time fees and the daily fees beside them. It writes
// nothing. The plain functions below build its tables.

#include "core/unitTypes.h"
#include "framework/forms/MAccountReadForm.h"

#include <QString>
#include <QStringList>

class QLabel;
class QSplitter;
class TDelimitedStringList;
class TFloatEdit;
class TListEdit;

// Columns of the schedule.
enum TPlanColumn {
    pcDate = 0,
    pcBalance = 1,
    pcRate = 2,
    pcInterest = 3,
    pcPayout = 4,
    pcPrincipal = 5,
    pcInterestPaid = 6,
    PlanColumns = 7
};

// Every contract of the borrower with personal number EGN, open or not: number, item type,
// serial number, term.
QString PlanContractListSql(qint64 EGN);

// One row per day from DateC ("dd.mm.yyyy" in column 0, the rest empty), then the totals row.
void PlanDayRows(TDateTime DateC, int Days, TDelimitedStringList& Rows);

// Adds each payment (date, amount) to column Col of the row of its day. The payments that fall
// on no day shown are returned as Message (with "%s" for the date and the amount) texts.
QStringList AddPlanPayments(TDelimitedStringList& Rows, const TDelimitedStringList& Payments, int Col,
                            const QString& Message);

// The balance of each day: the first day's payout, then the day before's balance plus this
// day's payout less the day before's principal instalment.
void PlanBalances(TDelimitedStringList& Rows);

// The daily rate and interest of each day from the bands (code, from, to, monthly fraction), of
// which the last one holding the balance counts; a balance of 0 or less bears none.
void PlanInterest(TDelimitedStringList& Rows, const TDelimitedStringList& Bands);

// The totals row: the last day's balance and the sums of interest, payouts and instalments.
void PlanTotals(TDelimitedStringList& Rows);

// The one-time fee table of contract DocNo: per fee of Fees (code, name, accrued) what was
// received and what is due, then the totals row.
void PlanOneTimeFeeRows(QObject* Owner, qint64 DocNo, const TDelimitedStringList& Fees,
                        TDelimitedStringList& Rows);

// The daily fee table: per day of the schedule its date and balance, then per fee of Fees the
// one-day fee on that balance, what was received that day and what is due; the last row sums.
// Progress goes to Owner as the days are done.
void PlanDailyFeeRows(QObject* Owner, qint64 DocNo, int PrefCode, const TDelimitedStringList& Schedule,
                      const TDelimitedStringList& Fees, TDelimitedStringList& Rows);

class TfrmPogasitelen_plan : public TMAccountReadForm {
    Q_OBJECT
public:
    explicit TfrmPogasitelen_plan(QWidget* Owner = nullptr);

    TListEdit* leOwner;
    QLabel* pnlOwner;
    QLabel* labPref_code;
    TListEdit* leContract;
    QLabel* pnlItem;
    QLabel* pnlSN;
    TFloatEdit* feDuration;
    QSplitter* Splitter;
    TRichGrid* Grid_Ednokratni_taxi;
    TRichGrid* Grid_Dnevni_taxi;

    bool Init() override;
    bool Done() override;
    bool Execute() override;
    QString GetReportTitle() override;

    // The borrower's contracts into leContract, and the borrower's preferential code.
    void BuildContractList();

private:
    void OwnerChanged();
    void ContractChanged(bool Confirmed);
    void ClearGrids();
    // The daily fee grid as it is with no fee.
    void SetDailyFeeLayout(const TDelimitedStringList* Fees);
};
