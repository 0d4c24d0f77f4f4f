#pragma once
// The hide-and-sort dialog of a list window: column by column, whether the column is shown, how
// the rows are sorted and which values they must have. Its grid holds a copy of the list
// window's header, then an eye row (shown or hidden), a sort row and up to three criteria rows;
// Save applies the choice to the list window's grid.

#include "framework/forms/MAccountEditForm.h"

#include <QList>
#include <memory>
#include <utility>

class QCheckBox;
class QComboBox;
class QToolButton;
class TCellFormatter;
class TDelimitedStrings;
class TDelimitedStringList;
class TImageList;
class TPeriodEdit;
class TRichGrid;

// Kinds of a column in the dialog.
constexpr QChar hkText = u'0';
constexpr QChar hkDateFormatted = u'1';
constexpr QChar hkImage = u'2';
constexpr QChar hkDate = u'3';
constexpr QChar hkNumber = u'4';

// Whether a field passes one criterion of its column: "a:b" between a and b (either may be
// missing), otherwise the value itself; numbers compare as numbers, dates ("dd.mm.yyyy") as
// dates, texts without regard to case (a plain text is sought within the field). A period text
// of a date column stands for its dates.
bool HideCriterionMatches(const QString& Criterion, const QString& Field, QChar Kind);
// Sorts the records by the keys in priority order, in one pass; each key is a column and whether
// it runs ascending. Records equal in every key keep their order.
void SortRecordsByKeys(TDelimitedStrings& List, const QList<std::pair<int, bool>>& Keys);

class TformHide : public TMAccountEditForm {
    Q_OBJECT
public:
    explicit TformHide(QWidget* Owner = nullptr);
    ~TformHide() override;

    TRichGrid* RichGrid1;
    QComboBox* cbSortType;
    TPeriodEdit* PeriodEdit;
    QCheckBox* cbNullCol;
    QToolButton* sbtnAdd;
    QToolButton* sbtnDel;
    QToolButton* UpDownLeft;
    QToolButton* UpDownRight;
    TImageList* imagesEyes;
    TCellFormatter* DateFormatter;

    // Copies the list window's header and decides the kind of every column.
    void SetGrid(TRichGrid* Grid);
    // One character per column: "1" ascending, "2" descending, "3" not sorted.
    void SetSettings(const QString& Text);
    QString GetSettings() const;
    // The criteria rows, one record per row ("°" and "@"); the window keeps them between openings.
    void SetCriteria(const TDelimitedStringList* List);
    const TDelimitedStringList& Criteria() const { return *FCriteria; }
    // Whether Save completed.
    bool Accepted() const { return FAccepted; }
    const QString& ColumnKinds() const { return FKinds; }
    QChar KindOf(int Col) const { return Col >= 0 && Col < FKinds.size() ? FKinds[Col] : hkText; }

    int EyeRow() const { return FHeaderRows; }
    int SortRow() const { return FHeaderRows + 1; }
    int FirstCriteriaRow() const { return FHeaderRows + 2; }
    int CriteriaRowCount() const;
    bool ColumnShown(int Col) const;

    // What a click on a cell does: toggles the eye, opens the sort choice or the period over the
    // cell, or lets a criterion be typed into it.
    void ClickCell(int Col, int Row);
    void AddCriteriaRow();
    void DeleteCriteriaRow();
    void ScrollColumns(int Delta);

    void InitDefaults() override;
    bool Init() override;
    bool Save() override;
    bool CloseQuery() override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Writes an open sort choice or period into its cell and puts the editors away.
    void CommitEditors();
    void FitHeight();
    void PlaceOver(QWidget* Editor, int Col, int Row);
    bool RecordPasses(const QString& Record) const;
    void SetGridEditing(bool On);

    QPointer<TRichGrid> FGrid;
    std::unique_ptr<TDelimitedStringList> FCriteria;
    QString FKinds;
    int FHeaderRows = 1;
    int FEditCol = -1;
    int FEditRow = -1;
    bool FAccepted = false;
};
