#pragma once
// The base of every register, document and report window: a parameter panel on top, the rich
// grid below it and the status bar. F8 loads the grid and counts its rows, clicks on the header
// sort it, the filter narrows the rows and appends their totals, F7 searches the grid and F10
// exports it.

#include "framework/forms/MAccountStatusForm.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <memory>

class QFrame;
class QGridLayout;
class TDelimitedStrings;
class TDelimitedStringList;
class TFieldProps;
class TFloatEdit;
class TImageList;
class TLineConv;
class TRichGrid;
class TfrmSimpleFilter;

// The total of column Col over every record of List but the last: numbers with "," or "." as
// the decimal point, each optionally followed by a unit, "yyyymmdd" dates by their day number.
// A single blank when the column holds nothing; empty when the units differ or a value is no
// number.
QString FilterColumnTotal(const TDelimitedStrings& List, int Col);
// Pads the records to the same field count and appends the totals row: "Сума за филтъра" and
// the totals of the columns listed in TotalsColumns ("2,5"; empty: every column from 1 on).
void AppendFilterTotals(TDelimitedStrings& List, const QString& TotalsColumns);

class TMAccountReadForm : public TMAccountStatusForm {
    Q_OBJECT
public:
    explicit TMAccountReadForm(QWidget* Owner = nullptr);
    ~TMAccountReadForm() override;

    // Descendants put their input fields on it, laid out as they like.
    QFrame* pnlParams;
    TRichGrid* Grid;
    // The sort-order marks of the header, 10 by 10 pixels: a triangle for the primary key, then
    // the key's rank.
    TImageList* Images;
    // "Скриване и сортиране" (F11): enabled only by a connected M back end whose setting 83 is "1".
    QAction* actHide;

    bool HeaderSorting = true;
    // The sort order, first the primary key.
    QList<int> SortColumns;
    bool SortDescending = false;
    // The header cell under the last left press; (-1, -1) when none.
    QPoint MouseDownCell{-1, -1};
    bool GridEditingSaved = false;
    // The control that had the focus when the controls were switched off; it gets it back after.
    QPointer<QWidget> FocusBeforeDisable;
    // Enter in this control of pnlParams runs F8 first.
    QPointer<QWidget> LastParamControl;
    // The filterable fields and the active criteria: entry i holds the criterion of field i
    // (in the order of the field tree's leaves) with its TFilterMan. Made on first use.
    std::unique_ptr<TFieldProps> FieldPropsRoot;
    std::unique_ptr<TLineConv> FilterCriteria;
    std::unique_ptr<TfrmSimpleFilter> FilterDialog;
    // The hide-and-sort dialog's choices, kept between its openings: the sort directions and
    // the criteria rows.
    QString HideSettings;
    std::unique_ptr<TDelimitedStringList> HideList;
    // Whether F11 may be used, as Init found it.
    bool HideEnabled = false;

    // The texts the opener hands over before ShowForm; stored for the window's own operations.
    QString FormCaption;
    QString TableName;
    QString KeyField;
    QString NameField;
    QString RecordNoun;
    QString UserName;
    virtual void SetFormCaption(const QString& Value);
    virtual void SetTableName(const QString& Value);
    virtual void SetKeyField(const QString& Value);
    virtual void SetNameField(const QString& Value);
    virtual void SetRecordNoun(const QString& Value);
    virtual void SetUserName(const QString& Value);

    // The header cell (column, row) under a viewport point of the grid, or (-1, -1).
    virtual QPoint HeaderCellAtPos(int X, int Y);
    virtual void HeaderClick(QPoint Cell);
    virtual void UpdateSortIndicators(int HeaderRow);
    // The rows of data: neither the blank row of an empty load nor totals rows count.
    virtual int DataRowCount();
    // Reloads the list outside the Execute action (a document window after its save) and shows
    // the new row count as the action does.
    bool Reload();
    void ShowRowCount(bool Loaded);
    // Builds the field tree from the header, the criteria list and the filter dialog over them.
    virtual void CreateFilterDialog();
    virtual void BuildFieldProps(TFieldProps* Parent, int FromCol, int ToCol, int Row);
    virtual bool IsFilterColumn(int Col, int Row);
    virtual void GetColumnKind(TFieldProps* Node, int Col);
    virtual void SortGrid(TRichGrid* AGrid);
    // Orders a result list by SortColumns before it is shown; a totals row stays last.
    virtual void SortRows(TDelimitedStringList* List);
    // Called after the hide-and-sort dialog; its answer is not used.
    virtual bool SpareCheck() { return true; }

    // Keeps the records that pass every field's filter and appends the totals row; the list is
    // left alone while no filter is active. True.
    bool ApplyFilterToRows(TDelimitedStringList* List, const QString& TotalsColumns = QString());
    void SetHeaderSorting(bool On);

    // The closing text printed under the table; none.
    virtual QString GetReportExtra();
    // The page orientation printing starts with: 1, landscape.
    virtual int GetPrintOrientation();

    bool DoExecute() override;
    void DisableActions() override;
    void RestoreActionStates(TActionStates& States) override;
    // F11: the hide-and-sort dialog over the grid; the action runs it in the frame of the others.
    void HideColumns();
    void CreateForm(QWidget* Owner, int Style) override;
    bool Init() override;
    bool Done() override;
    // F6: the filter dialog; the grid is loaded again when it applied a filter or emptied it.
    bool Filter() override;
    bool Search() override;
    // F9: the grid through the print preview, with the window's named print settings.
    bool Print() override;
    bool Export() override;
    void InitDefaults() override;
    void EnableControls(bool Enable) override;
    bool KeyPreviewEnter(QWidget* Control) override;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    // The grid layout of the parameter panel, spaced as every document's.
    QGridLayout* NewParamsLayout();
    // A right-aligned number edit on the parameter panel.
    TFloatEdit* NewNumberEdit(const QString& Name, int Precision, int Width);

private:
    void MakeSortImages();
};
