#pragma once
// Display texts of coded periods, the sort of a delimited table by one column, the account-mask
// test, and the calls into the M database server that the period helpers and the grid preview
// still make. No M server is ever connected: every M call answers "no result", and the period
// helpers then fall back on today's date.

#include "core/unitTypes.h"

#include <QString>

class TDelimitedStrings;
class TLineConv;

// Period kinds of a period text "kind@first@second".
enum TPeriodKind {
    pkMonth = 1,
    pkQuarter = 2,
    pkHalfYear = 3,
    pkAccumulatedMonth = 4,
    pkDateRange = 5,
    pkMonthRange = 6
};

// The display text of a period text; Language 0 Bulgarian, 1 English. WithYear appends the
// period's year (today's while no M server answers).
QString PeriodToText(const QString& Period, int Language, bool WithYear);

// Sorts all records by field Col: two non-zero numbers compare as numbers, anything else as
// upper-cased text. The texts move; the objects stay at their positions.
void SortDelimitedList(TDelimitedStrings& List, int Col);

// Account masks with "*" between parts: "41*" begins with 41, "*10" ends with 10, "4*1"
// holds 4 and 1. Both sides are compared upper-cased.
bool MatchAccountMask(const QString& Mask, const QString& Account);

// The M server's variables of one call.
struct TMVariables {
    QString P[10];
    QString VALUE;
};

// The ActiveX control through which the M server is reached.
class TMControl {
public:
    virtual ~TMControl() = default;
    // Runs Code with Variables; the status, 0 when the code ran.
    virtual int Run(const QString& Code, TMVariables& Variables) = 0;
    // The name the connection goes by; it keeps the workstation's saved choices apart.
    virtual QString Name() const { return QString(); }
};

// The back end's process-wide state: no control, not connected, empty settings.
extern TMControl* MControl;
extern bool MConnected;
// The server's name of the print settings read by ReadPrintSettings.
extern QString MPrintSettingsName;

// The accounting period's work date "dd.mm.yyyy": the earlier of today and the period month's
// last day. False while no M server answers; Text then holds today's date.
bool GetPeriodWorkDate(QString& Text);
// The accounting period's month and year texts; false while no M server answers, and the text
// then holds today's month or year.
bool GetPeriodMonthStr(QString& Text);
bool GetPeriodYearStr(QString& Text);
// Whether the workstation prints black and white; false (Flag false) without an answer.
bool IsBwPrint(bool& Flag);
// The server setting ^NAS(Subscript) (Subscript written as M code, "\"83\"" for setting 83); false
// and Value empty without an answer.
bool ReadNasValue(const QString& Subscript, QString& Value);
// The first record of the server's ^FKO table, its key first, as 31 items; false without an
// answer, List untouched.
bool ReadFkoRecord(TLineConv& List);
// The eight print options of the server's print settings; false without an answer, List untouched.
bool ReadPrintSettings(TLineConv& List);

// Date moved into the accounting period: a date after the period's month gets the period's month
// and year with its own day (UseLastDay: the month's last day), cut to the month's length. The
// date stays as it is while no M server answers.
TDateTime LimitDateToPeriod(bool UseLastDay, TDateTime Date);
