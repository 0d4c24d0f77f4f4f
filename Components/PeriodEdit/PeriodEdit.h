#pragma once
// The period edit: a month, a run of months or a range of dates (also quarters, half-years and
// months with accumulation), held as a period text "kind@first@second" and shown by its display
// text. Typing is off; the calendar button drops a form with a page per kind of period, the
// arrows step a month, quarter or half-year and Delete empties the period.

#include "Components/Edits/ButtonEdit.h"
#include "core/unitTypes.h"

class QLabel;
class QListWidget;
class QTabWidget;
class TMADateEdit;

enum TPeriodType { ptMonth, ptQuarter, ptHalfYear, ptMonthWAccumulate, ptRange, ptMonthRange };
using TPeriodTypes = TSet<TPeriodType, 6>;

// At least three characters, a kind "1".."6", then "@"; a range ("5") with two dates that exist.
bool IsWellFormedPeriod(const QString& Period);
// The period a kind offers first: "1@1", "2@1", "3@1", "4@1", the current month as a range, "6@1@1".
QString DefaultPeriodText(TPeriodType Type);
// The dates of a month, a run of months (both in the accounting period's year) or a range as the
// date criterion "dd.mm.yyyy:dd.mm.yyyy"; "" for other kinds.
QString PeriodToDateCriterion(const QString& Period);

class TPeriodDropForm : public TDropDownForm {
    Q_OBJECT
public:
    explicit TPeriodDropForm(QWidget* Parent = nullptr);

    QTabWidget* pgPeriodType;
    QWidget* tabMonth;
    QWidget* tabQuarter;
    QWidget* tabHalfYear;
    QWidget* tabMonthWAccum;
    QWidget* tabRange;
    QListWidget* lbMonths;
    QLabel* labFrom;
    QLabel* labTo;
    TMADateEdit* dateFrom;
    TMADateEdit* dateTo;

    const QString& Period() const { return FPeriod; }
    // Shows Period on its page; a text the form cannot show counts as "1@1".
    void SetPeriod(const QString& Text);
    void SetVisibleTypes(TPeriodTypes Types);
    // Fills the range dates from the chosen months.
    void UpdateMonthsInfo();

    bool CanDrop() override;
    bool CanOk() override;
    void DoOk() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QString FPeriod;
};

class TPeriodEdit : public TCustomFormEdit {
    Q_OBJECT
public:
    explicit TPeriodEdit(QWidget* Parent = nullptr);
    ~TPeriodEdit() override;

    const QString& Period() const { return FPeriod; }
    void SetPeriod(const QString& Value);
    TPeriodTypes VisiblePeriodTypes() const { return FVisiblePeriodTypes; }
    void SetVisiblePeriodTypes(TPeriodTypes Value) { FVisiblePeriodTypes = Value; }
    bool ShowYear() const { return FShowYear; }
    void SetShowYear(bool Value);
    bool LoadLastPeriod = true;
    bool SaveLastPeriod = true;
    TPeriodDropForm* PeriodForm() const { return FForm; }

    // After each change of the period.
    TControlEvent OnChange;

    // Once the edit is named and placed on its window: the period saved last comes back.
    void Loaded();

    void UpClick() override;
    void DownClick() override;
    void DropDown() override;
    void FormOk() override;

protected:
    void KeyPress(QChar& Key) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;

private:
    void Step(int Delta);
    // "PERIOD_" + connection + "_" + window + "_" + edit.
    QString RegistryName() const;
    void ShowText();

    QString FPeriod;
    TPeriodTypes FVisiblePeriodTypes{ptMonth, ptRange, ptMonthRange};
    bool FShowYear = true;
    TPeriodDropForm* FForm;
};
