#pragma once
// The string grid every list, register and report window builds on: cells stored one text per
// row, fixed rows and columns frozen while the rest scrolls cell by cell, hidden columns and
// rows as width or height 0, a current cell moved through the virtual SelectCell, and an
// in-place editor.

#include "Components/Grids/Graphics.h"

#include <QAbstractScrollArea>
#include <QStringList>
#include <vector>

class QLineEdit;
class QPainter;

// A block of cells by index, both corners included.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int ACol, int ARow) const {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    bool operator==(const TGridRect&) const = default;
};

enum TGridOption { goEditing, goRangeSelect, goColSizing, goThumbTracking, goDrawFocusSelected };
using TGridOptions = TSet<TGridOption, 5>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem, 3>;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* Parent = nullptr);
    ~TStringGrid() override;

    // Texts. Reads outside the grid give "", writes outside it are ignored.
    QString Cells(int ACol, int ARow) const;
    // The same text without a copy, valid until the row changes.
    QStringView CellView(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& Value);
    QStringList Cols(int ACol) const;
    // Replaces the column's texts; cells past the end of Value become empty.
    void SetCols(int ACol, const QStringList& Value);
    QStringList Rows(int ARow) const;
    void SetRows(int ARow, const QStringList& Value);
    // Takes a delimited record as the row's texts, field j into column j, without splitting it
    // into separate strings: the record's text is shared, not copied.
    void SetRowRecord(int ARow, const QString& Record, QChar Delimiter);
    void ClearRow(int ARow);
    // Moves row FromIndex to ToIndex, the rows between one place towards FromIndex: text and
    // height travel with the row.
    virtual void MoveRow(int FromIndex, int ToIndex);

    int ColCount() const { return int(FColWidths.size()); }
    virtual void SetColCount(int Value);
    int RowCount() const { return int(FRowHeights.size()); }
    virtual void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);

    // 0 hides a column or row; out of range reads give 0.
    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int Value);
    int RowHeights(int ARow) const;
    void SetRowHeights(int ARow, int Value);
    // Widths and heights set between BeginSizing and the last EndSizing update the scroll bars
    // and run the size hooks once, at that EndSizing, so that hiding rows one by one stays
    // linear. TGridSizing pairs them.
    void BeginSizing() { ++FSizingDepth; }
    void EndSizing();
    int DefaultColWidth() const { return FDefaultColWidth; }
    // Gives every column this width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    // Gives every row this height.
    void SetDefaultRowHeight(int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value) { FGridLineWidth = Value; }
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);

    // The current cell. Writes are clamped to the data cells, go through SelectCell and then
    // scroll the cell into view.
    int Col() const { return FCol; }
    void SetCol(int Value);
    int Row() const { return FRow; }
    void SetRow(int Value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);

    // The first scrolled row and column.
    int TopRow() const { return FTopRow; }
    void SetTopRow(int Value);
    int LeftCol() const { return FLeftCol; }
    void SetLeftCol(int Value);
    // Scrolled columns and rows wholly in view (at least 1).
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // The cell in viewport pixels; an empty rectangle when it is scrolled out of view.
    QRect CellRect(int ACol, int ARow) const;
    // -1 for a coordinate outside the cells.
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    QLineEdit* InplaceEditor() const { return FEditor; }

    // The class library asks the grid itself whether the current cell may move to (ACol, ARow).
    virtual bool SelectCell(int ACol, int ARow);

    void InvalidateCell(int ACol, int ARow);
    void InvalidateCol(int ACol);
    void InvalidateRow(int ARow);
    void InvalidateGrid();

Q_SIGNALS:
    void clicked();
    void doubleClicked();
    // The cell under a left click's release (-1 outside the cells).
    void cellClicked(int ACol, int ARow);
    void currentCellChanged(int ACol, int ARow);

protected:
    virtual void DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual bool CanEditShow() const;
    virtual QString GetEditText(int ACol, int ARow) const { return Cells(ACol, ARow); }
    virtual void SetEditText(int ACol, int ARow, const QString& Value) { SetCells(ACol, ARow, Value); }
    // True while the left mouse button, pressed on a cell, is down.
    bool MouseSelecting() const { return FMouseDown; }
    int FixedColsWidth() const;
    int FixedRowsHeight() const;
    // The one row whose height the running RowHeightsChanged is about; -1 when several changed.
    int SizedRow() const { return FSizedRow; }

    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // One row: the fields' texts one after another, each followed by one separator character,
    // and where each field ends. Fields past Ends are empty.
    struct TRowData {
        QString Text;
        std::vector<int> Ends;
    };
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveBy(int DCol, int DRow, bool Extend);
    void ScrollIntoView(int ACol, int ARow);
    int MaxTopRow() const;
    int MaxLeftCol() const;
    void UpdateScrollBars();
    void CommitEditor();
    void CancelEditor();
    int ColSizingBorder(int X, int Y) const;

    std::vector<TRowData> FData;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    TColor FFixedColor = clBtnFace;
    TColor FColor = clWindow;
    TGridOptions FOptions;
    TScrollStyle FScrollBars = ssBoth;
    int FCol = 1;
    int FRow = 1;
    int FAnchorCol = 1;
    int FAnchorRow = 1;
    int FTopRow = 1;
    int FLeftCol = 1;
    bool FMouseDown = false;
    int FSizingCol = -1;
    int FSizingStartX = 0;
    int FSizingStartWidth = 0;
    bool FUpdatingBars = false;
    int FSizingDepth = 0;
    bool FColsSized = false;
    bool FRowsSized = false;
    int FSizedRow = -1;
    bool FEditorMode = false;
    QString FEditorOriginal;
    QLineEdit* FEditor = nullptr;
};

class TGridSizing {
public:
    explicit TGridSizing(TStringGrid* Grid) : FGrid(Grid) { FGrid->BeginSizing(); }
    ~TGridSizing() { FGrid->EndSizing(); }
    TGridSizing(const TGridSizing&) = delete;
    TGridSizing& operator=(const TGridSizing&) = delete;

private:
    TStringGrid* FGrid;
};
