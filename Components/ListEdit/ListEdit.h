#pragma once
// The lookup edit of every reference to a register entry (owner, item, fee, vehicle, payment
// type) and its drop-down list. The list is filled once from a delimited table; typing completes
// the text from it, the arrows step through it, and a description control follows the chosen
// row. The list form searches as the operator types, has a search bar and a filter row.

#include "Components/Edits/ButtonEdit.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QTimer;
class QToolBar;
class TColRowAttributes;
class TDelimitedStringList;
class TListForm;
class TRichGrid;

class TCustomListEdit : public TCustomFormEdit {
    Q_OBJECT
public:
    explicit TCustomListEdit(QWidget* Parent = nullptr);
    ~TCustomListEdit() override;

    // None until FillListEdit first makes it; setting it links the form back to this edit.
    TListForm* Form() const { return FForm; }
    void SetForm(TListForm* Value);
    // The grid column whose text goes into the edit.
    int DropColumn() const { return FDropColumn; }
    void SetDropColumn(int Value) { FDropColumn = Value; }
    // The arrows and the spin button step through the list.
    bool TrackList() const { return FTrackList; }
    void SetTrackList(bool Value) { FTrackList = Value; }
    // The control (a label or an edit) that shows the chosen row's cell in DescrColumn.
    QWidget* DescrControl() const { return FDescrControl; }
    void SetDescrControl(QWidget* Value) { FDescrControl = Value; }
    int DescrColumn() const { return FDescrColumn; }
    void SetDescrColumn(int Value) { FDescrColumn = Value; }
    // Typing completes the text from the list.
    bool SuggestText() const { return FSuggestText; }
    void SetSuggestText(bool Value) { FSuggestText = Value; }
    // The description follows every change of the text, not only a pick from the list.
    bool DescrOnChanging() const { return FDescrOnChanging; }
    void SetDescrOnChanging(bool Value) { FDescrOnChanging = Value; }
    // The grid row last picked with OK; -1 after a cancel.
    int SelectedRow() const { return FSelectedRow; }

    // After every change of the text (once the list is filled, when there is a description).
    TControlEvent OnChange;
    // Asked for a code the list holds no row for: the register behind the list may have gained it
    // since the list was filled. The record's cells in the list's columns; none when the register
    // has no such code.
    std::function<QStringList(const QString& Code)> OnMissingCode;

    // When the list holds no row for the text and OnMissingCode gives one, the row joins the list
    // and the description shows it; true then. Every change of the text asks.
    bool TakeMissingCode();

    // The row for Text: the current row when its drop cell equals Text, else the row that the
    // prefix search finds from the top (Text is cut to the matched prefix); that row becomes
    // current. -1 when none or when there is no list.
    virtual int LocateText(QString& Text, QString& CellText);

    void UpClick() override;
    void DownClick() override;
    void DropDown() override;

protected:
    virtual void Change();
    void KeyPress(QChar& Key) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;

private:
    friend class TListForm;
    friend bool FillListEdit(TCustomListEdit*, const QString&, const TDelimitedStringList&, int);
    // Hands the drop column and the description to the form.
    void HandOver();
    void Suggest();
    int FindTextRow(const QString& Text);
    void UpdateDescription();
    // Fills the list when it is not filled yet; true when it is filled then.
    bool EnsureFilled();
    void Step(int Delta);

    QPointer<TListForm> FForm;
    QPointer<QWidget> FDescrControl;
    int FDropColumn = 0;
    int FDescrColumn = 1;
    bool FTrackList = false;
    bool FSuggestText = false;
    bool FDescrOnChanging = true;
    int FSelectedRow = -1;
    bool FUpdating = false;
    bool FSuggest = true;
    bool FOwnsForm = false;
};

class TListEdit : public TCustomListEdit {
    Q_OBJECT
public:
    explicit TListEdit(QWidget* Parent = nullptr) : TCustomListEdit(Parent) {}
};

class TListForm : public TDropDownForm {
    Q_OBJECT
public:
    using TFillGridEvent = std::function<void(TListForm* Sender, bool& Filled)>;

    explicit TListForm(QWidget* Parent = nullptr);
    ~TListForm() override;

    TRichGrid* Grid() const { return FGrid; }
    QToolBar* toolsSearch() const { return FtoolsSearch; }
    QLineEdit* editSearch() const { return FeditSearch; }
    QAction* actSearch() const { return FactSearch; }
    QAction* actSearchUp() const { return FactSearchUp; }
    QAction* actSearchDown() const { return FactSearchDown; }
    QAction* actRefresh() const { return FactRefresh; }
    QAction* actFilter() const { return FactFilter; }
    QAction* actDoFilter() const { return FactDoFilter; }

    TCustomListEdit* ListEdit() const { return FListEdit; }
    void SetListEdit(TCustomListEdit* Value) { FListEdit = Value; }
    int DropColumn() const { return FDropColumn; }
    // Gives the previous drop column its own attributes back and lays DropAttributes over the
    // new one.
    void SetDropColumn(int Value);
    TColRowAttributes* DropAttributes() const { return FDropAttributes.get(); }
    QWidget* DescrControl() const { return FDescrControl; }
    void SetDescrControl(QWidget* Value) { FDescrControl = Value; }
    int DescrColumn() const { return FDescrColumn; }
    void SetDescrColumn(int Value) { FDescrColumn = Value; }
    bool FillOnDrop() const { return FFillOnDrop; }
    void SetFillOnDrop(bool Value) { FFillOnDrop = Value; }
    bool FillOnDropIfEmpty() const { return FFillOnDropIfEmpty; }
    void SetFillOnDropIfEmpty(bool Value) { FFillOnDropIfEmpty = Value; }
    const QString& StatusMessage() const { return FStatusMessage; }
    void SetStatusMessage(const QString& Value) { FStatusMessage = Value; }
    // "@"-separated, one piece per column: the filter-row text in the search column's piece.
    const QString& Filter() const { return FFilter; }
    bool Filled() const { return FFilled; }
    // Marks the list filled or not; an unfilled list empties a lookup edit that takes no typing.
    void SetFilled(bool Value);
    bool SearchMode() const;
    bool FilterMode() const;
    int SearchColumn() const { return FSearchColumn; }

    TFillGridEvent OnFillGrid;

    // Sizes the list to its columns, measured once per fill, and places it under the edit.
    void PlaceUnderControl() override;
    // Only a row that shows can be picked: with every row filtered out, OK beeps and stays.
    bool CanOk() override;
    void DoOk() override;
    void DoCancel() override;
    bool CanDrop() override;
    // A refill of a plain list shows every row: the filter row goes off and loses its text.
    void RowsRefilled();

    virtual int GetToolbarsHeight();
    virtual int GetExtraWidth() { return 0; }
    virtual void BeforeIncrementalSearch() {}
    virtual void BuildFilter();
    virtual void SearchUp();
    virtual void SearchDown();
    // Shows the rows whose cell in the current column passes the filter-row text.
    virtual void Search();
    virtual void SetFilterMode(bool Value);
    virtual void FillGrid();
    virtual void SearchPrevious();
    virtual void SearchNext();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void SetSearchMode(bool Value);
    void IncrementalSearch(const QString& Typed);
    void RefreshExecute();
    void UpdateActions();
    void ShowRowIfHidden();
    bool IsPlainListForm() const;

    TRichGrid* FGrid;
    QToolBar* FtoolsSearch;
    QLineEdit* FeditSearch;
    QAction* FactSearch;
    QAction* FactSearchUp;
    QAction* FactSearchDown;
    QAction* FactRefresh;
    QAction* FactFilter;
    QAction* FactDoFilter;
    QTimer* FTimer;
    QPointer<TCustomListEdit> FListEdit;
    QPointer<QWidget> FDescrControl;
    int FDropColumn = -1;
    int FDescrColumn = 1;
    std::unique_ptr<TColRowAttributes> FDropAttributes;
    std::unique_ptr<TColRowAttributes> FSavedDropAttributes;
    bool FFillOnDrop = false;
    bool FFillOnDropIfEmpty = true;
    QString FStatusMessage;
    QString FFilter;
    bool FFilled = false;
    // Whether the columns' widths were measured since the list was last filled.
    bool FColumnsMeasured = false;
    QString FTypedPrefix;
    QString FSavedSearchText;
    QString FSavedFilterText;
    int FSearchColumn = 0;
};

// A sunken panel of at least MinWidth that shows a text, such as a list edit's description.
QLabel* NewInfoPanel(QWidget* Parent, const QString& Name, int MinWidth);
// A list edit of Width whose Descr panel shows column 1 of the picked row.
TListEdit* NewListEdit(QWidget* Parent, const QString& Name, QLabel* Descr, int Width);

// Makes the edit's list form on first use, fills it and sets the edit's drop column; true when
// the list had rows.
bool FillListEdit(TCustomListEdit* Edit, const QString& HeaderText, const TDelimitedStringList& List,
                  int DropColumn);
// Header titles split at "@"; each record into one grid row, field c into column c (with one
// title, the whole record into column 0). True when the list had rows.
bool FillListForm(TListForm* Form, const QString& HeaderText, const TDelimitedStringList& List);
// The cell in ResultCol of the first data row whose KeyCol cell equals Key exactly; "" when none.
QString ListEditLookup(TCustomListEdit* Edit, int KeyCol, int ResultCol, const QString& Key);
// The whole number typed in Edit when column 0 of its list holds it; 0 when the list does not.
qint64 ListedCode(TCustomListEdit* Edit);
// The cell in ResultCol of the row whose KeyCol cell begins with Key (case aside) or equals it;
// "" when none.
QString ListEditFindValue(TCustomListEdit* Edit, int KeyCol, int ResultCol, const QString& Key);
