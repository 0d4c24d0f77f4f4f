#pragma once
// The string grid of every register, document and report window: layered cell attributes
// drawn by its own cell painter, merged cells (which may overlap: a later merge wins), per-cell
// formatters, a value per cell, sizing to content and to the client area, and a current cell
// that skips hidden and unselectable cells.

#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/ImageList.h"
#include "Components/Grids/StringGrid.h"

#include <QPointer>
#include <QVariant>
#include <map>
#include <memory>
#include <utility>
#include <vector>

enum TRichGridOption { rgoMergeAttr };
using TRichGridOptions = TSet<TRichGridOption, 1>;

// ClearAttributes flags.
constexpr int caColAttributes = 1;
constexpr int caRowAttributes = 2;
constexpr int caCellAttributes = 4;

class TRichGrid : public TStringGrid {
    Q_OBJECT
public:
    explicit TRichGrid(QWidget* Parent = nullptr);
    ~TRichGrid() override;

    // Shrinking frees the sets and drops the values of the removed columns or rows.
    void SetColCount(int Value) override;
    void SetRowCount(int Value) override;
    // The stored values of the rows passed over are dropped, and so are their row and cell
    // attributes: a list that colours its rows moves them itself.
    void MoveRow(int FromIndex, int ToIndex) override;

    // ---- attributes
    TCellAttributes* DefAttributes() const { return FDefAttributes.get(); }
    TCellAttributes* FixedAttributes() const { return FFixedAttributes.get(); }
    // The column's, row's or cell's own set, created on first use.
    TColRowAttributes* ColAttributes(int ACol);
    TColRowAttributes* RowAttributes(int ARow);
    TCellAttributes* CellAttributes(int ACol, int ARow);
    bool HasColAttributes(int ACol) const;
    bool HasRowAttributes(int ARow) const;
    bool HasCellAttributes(int ACol, int ARow) const;
    // The own set, or a scratch set filled with the grid default of that position; reading
    // never creates a set. The scratch is overwritten by the next read of the same kind.
    TColRowAttributes* ReadColAttributes(int ACol);
    TColRowAttributes* ReadRowAttributes(int ARow);
    TCellAttributes* ReadCellAttributes(int ACol, int ARow);
    // The composed attributes of a cell in a scratch set; its Visible says whether the cell's
    // column and row are both shown.
    TColRowAttributes* EffectiveCellAttributes(int ACol, int ARow);
    // Layers defaults, column, row and cell set, running the formatter in effect on data cells.
    void ComposeCellAttributes(int ACol, int ARow, TCellAttributes* Target, QString& Text);
    // Frees own sets in a block of cells; -1 as Left or Top means the first data column or row,
    // -2 as Right or Bottom the last one.
    void ClearAttributes(TGridRect Rect, int Flags);
    void ClearRowsAttributes(int FromRow, int ToRow, int Flags);
    void ClearColsAttributes(int FromCol, int ToCol, int Flags);
    void FreeColRowAttributes(TColRowKind Kind, int Index);
    // The width or height that measuring last found a column or row needs.
    bool RecordedRequiredSize(TColRowKind Kind, int Index, int& Size) const;

    // The formatted text.
    QString GetDisplayText(int ACol, int ARow);

    // ---- values (invalid = Unassigned)
    QVariant Values(int ACol, int ARow) const;
    void SetValues(int ACol, int ARow, const QVariant& Value);
    void ClearValues();
    void ClearRowValues(int FromRow, int ToRow);
    void ClearValuesRect(TGridRect Rect);

    // ---- merged cells
    bool MergeCells(TGridRect Rect);
    // The block (Left, Top, Right, Bottom) the cell belongs to.
    TGridRect GetMergedCells(int ACol, int ARow);
    // The block in viewport pixels.
    QRect GetMergedCellRect(int ACol, int ARow);
    const QString& MergeCellsStr() const { return FMergeCellsStr; }
    // "l,t,r,b|l,t,r,b|"; an empty group ends the text. EConvertError for a non-integer.
    void SetMergeCellsStr(const QString& Value);

    // ---- sizing. Canvas is the device whose font metrics measure (the grid when none).
    void AutoResizeColumns(QPaintDevice* Canvas = nullptr);
    QSize AutoResizeColumn(int ACol, QPaintDevice* Canvas = nullptr, bool MeasureOnly = false);
    void MeasureCell(int ACol, int ARow, QSize& Size, bool MeasureOnly, QPaintDevice* Canvas = nullptr);
    void FillClientWidth();
    void FillClientHeight();
    void ClampColumns();
    void ClampRows();
    // When a column sizes to its content, the data rows whose text has the longest line are
    // found by length over the whole column (lengths are cheap) and only this many of them are
    // measured, besides the fixed rows and the last row: of equally long texts in a proportional
    // font one may still be the wider.
    static constexpr int MeasuredLongestRows = 8;
    // The data rows of ACol measured for its width: those with the longest lines.
    std::vector<int> LongestRows(int ACol) const;
    // The same for each of Cols, in one pass over the rows: a row's text is read once for all.
    std::vector<std::vector<int>> LongestRows(const std::vector<int>& Cols) const;

    TRichGridOptions RichOptions() const { return FRichOptions; }
    void SetRichOptions(TRichGridOptions Value);
    bool AutoResizeCols() const { return FAutoResizeCols; }
    void SetAutoResizeCols(bool Value);
    bool AutoResizeRows() const { return FAutoResizeRows; }
    void SetAutoResizeRows(bool Value);
    bool ResizeColsToFillClient() const { return FResizeColsToFillClient; }
    void SetResizeColsToFillClient(bool Value);
    bool ResizeRowsToFillClient() const { return FResizeRowsToFillClient; }
    void SetResizeRowsToFillClient(bool Value);
    bool DynamicResize() const { return FDynamicResize; }
    void SetDynamicResize(bool Value) { FDynamicResize = Value; }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* Value);
    TColCollection* ColAttr() const { return FColAttr.get(); }
    TRowCollection* RowAttr() const { return FRowAttr.get(); }

    virtual void Assign(const TRichGrid* Source);
    // After building: copies the ColAttr and RowAttr items into the grid and merges again.
    virtual void Loaded();
    virtual void Changed();

    bool SelectCell(int ACol, int ARow) override;

Q_SIGNALS:
    void changed();

protected:
    void DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State) override;
    void ColWidthsChanged() override;
    void RowHeightsChanged() override;
    bool CanEditShow() const override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    // Sizes ACol to its fixed rows, the rows Longest and the last row.
    void ResizeColumnTo(int ACol, const std::vector<int>& Longest, QPaintDevice* Canvas, bool MeasureOnly);
    using TCellKey = std::pair<int, int>; // (row, column): a row's cells are neighbours
    void ComposeInto(int ACol, int ARow, TCellAttributes& Scratch, QString& Text);
    void FillReadScratch(TColRowAttributes& Scratch, TColRowKind Kind, int Index);
    TMergedCells MergeFlags(int ACol, int ARow) const;
    bool ColVisible(int ACol) const { return ColWidths(ACol) > 0; }
    bool RowVisible(int ARow) const { return RowHeights(ARow) > 0; }
    int RowHeightForFilling(int ARow);
    void ClampRow(int ARow);
    // Whether any row takes a share of the client height; counted again only after a row set
    // changed, so that sizing one row does not walk them all.
    bool AnyRowFillsClient();
    void RowSetsChanged() { FFillRowsKnown = false; }
    QFont CellFont(const TCellAttributes& Attributes) const;
    void RepaintCol(int ACol);

    std::vector<std::unique_ptr<TColRowAttributes>> FColAttrs;
    std::vector<std::unique_ptr<TColRowAttributes>> FRowAttrs;
    std::map<TCellKey, std::unique_ptr<TCellAttributes>> FCellAttrs;
    std::map<TCellKey, QVariant> FValues;
    std::unique_ptr<TColCollection> FColAttr;
    std::unique_ptr<TRowCollection> FRowAttr;
    std::unique_ptr<TCellAttributes> FDefAttributes;
    std::unique_ptr<TCellAttributes> FFixedAttributes;
    std::unique_ptr<TColRowAttributes> FComposeScratch;
    std::unique_ptr<TColRowAttributes> FColScratch;
    std::unique_ptr<TColRowAttributes> FRowScratch;
    std::vector<int> FRequiredColWidths;
    std::vector<int> FRequiredRowHeights;
    TRichGridOptions FRichOptions;
    QString FMergeCellsStr;
    bool FAutoResizeCols = false;
    bool FAutoResizeRows = false;
    bool FResizeColsToFillClient = false;
    bool FResizeRowsToFillClient = false;
    bool FDynamicResize = true;
    bool FInColResize = false;
    bool FInRowResize = false;
    bool FFillRowsKnown = false;
    bool FAnyRowFills = false;
    QPointer<TImageList> FImages;
};
