#pragma once
// The second grid, made in code for the printout and its preview: per-cell alignment codes and
// colours, hidden columns, and border-line tables from which merged blocks follow. Columns
// can be sized to their content and spread over the free width, and data rows can take their
// texts from an event instead of storing them.

#include "Components/Grids/StringGrid.h"
#include "Components/Grids/TwoDLists.h"

#include <functional>

// Alignment codes: bits 0-1 horizontal (0 left, 1 right, 2 centre), bits 2-3 vertical
// (0 top, 4 bottom, 8 centre).
constexpr int acLeft = 0;
constexpr int acRight = 1;
constexpr int acHCenter = 2;
constexpr int acTop = 0;
constexpr int acBottom = 4;
constexpr int acVCenter = 8;

class TAdvStringGrid : public TStringGrid {
    Q_OBJECT
public:
    // ADataRow counts from the first data row.
    using TGetCellEvent = std::function<void(int ADataRow, int ACol, QString& Text)>;

    explicit TAdvStringGrid(QWidget* Parent = nullptr);

    virtual void Assign(const TAdvStringGrid* Source);
    // Stored only for fixed rows or when no OnGetCell is assigned.
    virtual void SetCell(int ACol, int ARow, const QString& Text);
    // A data row's text comes from OnGetCell when it is assigned.
    virtual QString GetCell(int ACol, int ARow) const;
    // No own alignments or colours, every border line present, every column shown.
    virtual void ClearCellAttributes();
    // Columns take the width of their widest content.
    virtual void AutoSize();
    using TStringGrid::SetDefaultRowHeight;
    // The text height of "Mj" plus room for the lines.
    virtual void SetDefaultRowHeight();
    bool SelectCell(int ACol, int ARow) override;

    int GetCellAlignment(int ACol, int ARow) const;
    void SetCellAlignment(int ACol, int ARow, int Code);
    TColor GetCellFontColor(int ACol, int ARow) const;
    void SetCellFontColor(int ACol, int ARow, TColor Value);
    TColor GetCellColor(int ACol, int ARow) const;
    void SetCellColor(int ACol, int ARow, TColor Value);
    // Every data row's cell of a data column; own colours stay unless OverwriteCellColors.
    void SetColColor(int ACol, TColor Color);
    bool ColumnHidden(int ACol) const;
    void SetColumnHidden(int ACol, bool Value);

    // The line left of (ACol, ARow), and the line above it.
    bool VertLine(int ACol, int ARow) const;
    void SetVertLine(int ACol, int ARow, bool Value);
    bool HorzLine(int ACol, int ARow) const;
    void SetHorzLine(int ACol, int ARow, bool Value);
    // The block a cell starts (the cell itself when it starts none).
    TGridRect GetMergedCells(int ACol, int ARow) const;
    // The block holding any of its cells.
    TGridRect FindMergedBlock(int ACol, int ARow) const;

    // Spreads free width over the FillClientCols columns.
    void FillClientWidth();
    void FitColumns(const QList<int>& Columns, bool Rescale);

    bool GrowOnlyFill() const { return FGrowOnlyFill; }
    void SetGrowOnlyFill(bool Value) { FGrowOnlyFill = Value; }
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool Value) { FMultiLine = Value; }
    const QString& LineSeparator() const { return FLineSeparator; }
    void SetLineSeparator(const QString& Value) { FLineSeparator = Value; }
    // Column numbers separated by ",".
    const QString& FillClientCols() const { return FFillClientCols; }
    void SetFillClientCols(const QString& Value) { FFillClientCols = Value; }
    bool OverwriteCellColors() const { return FOverwriteCellColors; }
    void SetOverwriteCellColors(bool Value) { FOverwriteCellColors = Value; }
    bool HighlightSelection() const { return FHighlightSelection; }
    void SetHighlightSelection(bool Value);
    TColor GridLineColor() const { return FGridLineColor; }
    void SetGridLineColor(TColor Value) { FGridLineColor = Value; }
    // 0 flat, 1 lowered, 2 raised.
    int Cell3DEffect() const { return FCell3DEffect; }
    void SetCell3DEffect(int Value);
    int DefaultAlignment(bool Fixed) const { return Fixed ? FFixedAlignment : FDataAlignment; }
    void SetDefaultAlignment(bool Fixed, int Code) { (Fixed ? FFixedAlignment : FDataAlignment) = Code; }
    TColor DefaultFontColor(bool Fixed) const { return Fixed ? FFixedFontColor : FDataFontColor; }
    void SetDefaultFontColor(bool Fixed, TColor Value) { (Fixed ? FFixedFontColor : FDataFontColor) = Value; }
    TColor DefaultColor(bool Fixed) const { return Fixed ? FFixedCellColor : FDataCellColor; }
    void SetDefaultColor(bool Fixed, TColor Value) { (Fixed ? FFixedCellColor : FDataCellColor) = Value; }

    TGetCellEvent OnGetCell;

protected:
    void DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State) override;

private:
    bool IsFixed(int ACol, int ARow) const { return ACol < FixedCols() || ARow < FixedRows(); }
    // The lists follow the grid's size before every use.
    void SyncLists() const;
    int TextWidth(const QFontMetrics& Metrics, const QString& Text) const;
    QStringList Lines(const QString& Text) const;

    bool FGrowOnlyFill = true;
    bool FMultiLine = true;
    QString FLineSeparator = QStringLiteral("\r");
    QString FFillClientCols;
    bool FOverwriteCellColors = false;
    bool FHighlightSelection = true;
    TColor FGridLineColor = 0xC0C0C0;
    int FDataAlignment = acHCenter | acVCenter;
    int FFixedAlignment = acHCenter | acVCenter;
    TColor FDataFontColor = clWindowText;
    TColor FFixedFontColor = clWindowText;
    TColor FDataCellColor;
    TColor FFixedCellColor;
    int FCell3DEffect = 2;
    // Values are stored plus one, so that 0 means "none of its own".
    mutable T2dBitsList FHiddenCols;
    mutable T2dList FAlignments;
    mutable T2dList FFontColors;
    mutable T2dList FCellColors;
    mutable T2dBitsList FVertLines;
    mutable T2dBitsList FHorzLines;
};
