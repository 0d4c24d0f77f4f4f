#pragma once
// The base of the report windows: the caption, the parameter panel with an optional period kept in
// the registry, the grid's columns sized to what they show, and F8, which runs the report's rows
// into the grid. A report keeps only its query, its row building and its own columns' formats.

#include "Components/Grids/CellAttributes.h"
#include "framework/forms/MAccountReadForm.h"

#include <QString>
#include <QStringList>
#include <initializer_list>

class QGridLayout;
class TCellFormatter;
class TDelimitedStringList;
class TFloatFormatter;
class TMADateEdit;

// A report date kept in the registry as a whole day number; Default when Text is none.
int RegistryDay(const QString& Text, int Default);

// The sum of the amounts a statement gives, each rounded to Digits decimals as an order shows it,
// scaled by 10^Digits. A row holds an amount and how many times it counts (once when the row has
// no second field), so that a statement may group equal amounts. Throws EDatabaseError.
qint64 QuerySum(QObject* Owner, const QString& Sql, int Digits);

// A stored number rounded to Digits decimals, as shown ("12.5" gives "12.50"); no number gives 0.
QString RoundedText(const QString& Text, int Digits);

// A column the totals row sums, in the decimals it is shown with.
struct TTotalColumn {
    int Col;
    int Digits;
};

// Appends the "¤Общо:" row of Count fields: the sums of Columns over the rows already in Rows.
void AppendTotalsRow(TDelimitedStringList& Rows, int Count, std::initializer_list<TTotalColumn> Columns);

// Builds a report's rows for the days From to To, totals rows marked. Throws EDatabaseError.
using TReportRows = void (*)(QObject* Owner, int From, int To, TDelimitedStringList& Rows);

// What sets one report window apart from another before it has any rows.
struct TReportSetup {
    // The window's object name.
    QString Name{};
    // Empty: the caption the opener hands over.
    QString Caption{};
    // Whether the report runs over the days "От дата:" to "До дата:".
    bool Period = true;
    // The registry prefix the period is kept under; empty: the period opens on today.
    QString DatesKey{};
    // Whether opening the window runs the report.
    bool RunOnOpen = false;
    // Whether the status bar shows a progress bar while the rows are built.
    bool Progress = false;
    QString PrintSettings{};
    // The title printed under the caption; the period when PeriodTitle.
    QString Title{};
    bool PeriodTitle = false;
    // The rows, where the report needs nothing of its window to build them.
    TReportRows Rows = nullptr;
};

class TReportForm : public TMAccountReadForm {
    Q_OBJECT
public:
    // Null in a report over no period.
    TMADateEdit* dtp_From = nullptr;
    TMADateEdit* dtp_To = nullptr;

    bool Init() override;
    bool Done() override;
    bool Reset() override;
    bool DoExecute() override;
    bool Execute() override;
    QString GetReportTitle() override;

protected:
    TReportForm(QWidget* Owner, const TReportSetup& Setup);

    // The columns, each by its header (a line per header row), and the merged header cells. The
    // columns take the width of their headers, and of their contents after each load.
    void SetupColumns(const QList<QStringList>& Headers, const QString& Merged);
    // Sizes every shown column to its cells and its headers, merged ones included.
    void FitColumns();
    void FormatColumns(std::initializer_list<int> Cols, TCellFormatter* Formatter);
    void AlignColumns(std::initializer_list<int> Cols, TCellAlignment Alignment);
    // A line of text on the parameter panel, across its columns from Col on.
    void AddNote(const QString& Text, int Row, int Col = 0, int Span = 6);
    // The ordinance's appendix beside the period and the reminder to print the register daily.
    void AddRegisterNotes(const QString& Appendix);
    // Fits the parameter panel's height to what stands on it.
    void FitParams();
    // Empties the grid and its row count: the rows no longer answer the parameters.
    void ClearRows();

    // The report's rows for the days From to To (0 and 0 in a report over no period), totals
    // rows marked: those of the setup's row function. Throws EDatabaseError.
    virtual void LoadRows(int From, int To, TDelimitedStringList& Rows);
    // After the rows stand in the grid, before the columns are sized to them.
    virtual void RowsLoaded() {}

    QGridLayout* ParamsLayout;
    // Amounts in money decimals, as ValueFormatter, but a cell without a number keeps its text:
    // a blank stays blank, a word stays the word.
    TFloatFormatter* ValueOrTextFormatter;

private:
    // Opens the window wide and tall enough for its columns and some rows, within the work area,
    // unless the operator has placed it before.
    void FitWindow();

    TReportSetup FSetup;
};
