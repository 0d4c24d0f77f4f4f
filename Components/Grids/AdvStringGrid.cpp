#include "Components/Grids/AdvStringGrid.h"

#include "core/unStringList.h"

#include <QPainter>
#include <algorithm>

TAdvStringGrid::TAdvStringGrid(QWidget* Parent)
    : TStringGrid(Parent), FDataCellColor(Color()), FFixedCellColor(FixedColor()) {
    FHiddenCols.SetDefaultValue(false);
    FVertLines.SetDefaultValue(true);
    FHorzLines.SetDefaultValue(true);
    TGridOptions options = Options();
    options.Include(goThumbTracking);
    SetOptions(options);
    SyncLists();
}

void TAdvStringGrid::SyncLists() const {
    const int cols = ColCount();
    const int rows = RowCount();
    if (FAlignments.ColCount() == cols && FAlignments.RowCount() == rows) return;
    FHiddenCols.SetSize(cols, 1);
    FAlignments.SetSize(cols, rows);
    FFontColors.SetSize(cols, rows);
    FCellColors.SetSize(cols, rows);
    FVertLines.SetSize(cols + 1, rows);
    FHorzLines.SetSize(cols, rows + 1);
}

// ---- texts

void TAdvStringGrid::SetCell(int ACol, int ARow, const QString& Text) {
    if (ARow < FixedRows() || !OnGetCell) SetCells(ACol, ARow, Text);
}

QString TAdvStringGrid::GetCell(int ACol, int ARow) const {
    if (ARow >= FixedRows() && OnGetCell) {
        QString text;
        OnGetCell(ARow - FixedRows(), ACol, text);
        return text;
    }
    return Cells(ACol, ARow);
}

// ---- per-cell looks

void TAdvStringGrid::ClearCellAttributes() {
    SyncLists();
    FAlignments.FillAll(0);
    FFontColors.FillAll(0);
    FCellColors.FillAll(0);
    FVertLines.FillAll(true);
    FHorzLines.FillAll(true);
    FHiddenCols.FillAll(false);
    InvalidateGrid();
}

int TAdvStringGrid::GetCellAlignment(int ACol, int ARow) const {
    SyncLists();
    const int own = FAlignments.Items(ACol, ARow);
    return own ? own - 1 : DefaultAlignment(IsFixed(ACol, ARow));
}

void TAdvStringGrid::SetCellAlignment(int ACol, int ARow, int Code) {
    SyncLists();
    FAlignments.SetItems(ACol, ARow, Code + 1);
    InvalidateCell(ACol, ARow);
}

TColor TAdvStringGrid::GetCellFontColor(int ACol, int ARow) const {
    SyncLists();
    const int own = FFontColors.Items(ACol, ARow);
    return own ? own - 1 : DefaultFontColor(IsFixed(ACol, ARow));
}

void TAdvStringGrid::SetCellFontColor(int ACol, int ARow, TColor Value) {
    SyncLists();
    FFontColors.SetItems(ACol, ARow, Value + 1);
    InvalidateCell(ACol, ARow);
}

TColor TAdvStringGrid::GetCellColor(int ACol, int ARow) const {
    SyncLists();
    const int own = FCellColors.Items(ACol, ARow);
    return own ? own - 1 : DefaultColor(IsFixed(ACol, ARow));
}

void TAdvStringGrid::SetCellColor(int ACol, int ARow, TColor Value) {
    SyncLists();
    FCellColors.SetItems(ACol, ARow, Value + 1);
    InvalidateCell(ACol, ARow);
}

void TAdvStringGrid::SetColColor(int ACol, TColor Color) {
    if (ACol < FixedCols() || ACol >= ColCount()) return;
    SyncLists();
    for (int r = FixedRows(); r < RowCount(); ++r)
        if (FOverwriteCellColors || FCellColors.Items(ACol, r) == 0) FCellColors.SetItems(ACol, r, Color + 1);
    InvalidateGrid();
}

bool TAdvStringGrid::ColumnHidden(int ACol) const {
    SyncLists();
    return FHiddenCols.Items(ACol, 0);
}

void TAdvStringGrid::SetColumnHidden(int ACol, bool Value) {
    SyncLists();
    FHiddenCols.SetItems(ACol, 0, Value);
    InvalidateGrid();
}

void TAdvStringGrid::SetHighlightSelection(bool Value) {
    FHighlightSelection = Value;
    InvalidateGrid();
}

void TAdvStringGrid::SetCell3DEffect(int Value) {
    FCell3DEffect = Value;
    InvalidateGrid();
}

bool TAdvStringGrid::SelectCell(int ACol, int ARow) {
    return !ColumnHidden(ACol) && TStringGrid::SelectCell(ACol, ARow);
}

// ---- border lines and blocks

bool TAdvStringGrid::VertLine(int ACol, int ARow) const {
    SyncLists();
    if (ACol < 0 || ARow < 0 || ACol > ColCount() || ARow >= RowCount()) return true;
    return FVertLines.Items(ACol, ARow);
}

void TAdvStringGrid::SetVertLine(int ACol, int ARow, bool Value) {
    SyncLists();
    FVertLines.SetItems(ACol, ARow, Value);
    InvalidateGrid();
}

bool TAdvStringGrid::HorzLine(int ACol, int ARow) const {
    SyncLists();
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow > RowCount()) return true;
    return FHorzLines.Items(ACol, ARow);
}

void TAdvStringGrid::SetHorzLine(int ACol, int ARow, bool Value) {
    SyncLists();
    FHorzLines.SetItems(ACol, ARow, Value);
    InvalidateGrid();
}

TGridRect TAdvStringGrid::GetMergedCells(int ACol, int ARow) const {
    TGridRect block{ACol, ARow, ACol, ARow};
    if (!VertLine(ACol, ARow) || !HorzLine(ACol, ARow)) return block;
    while (block.Right + 1 < ColCount() && !VertLine(block.Right + 1, ARow))
        ++block.Right;
    while (block.Bottom + 1 < RowCount() && !HorzLine(ACol, block.Bottom + 1))
        ++block.Bottom;
    return block;
}

TGridRect TAdvStringGrid::FindMergedBlock(int ACol, int ARow) const {
    TGridRect block{ACol, ARow, ACol, ARow};
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return block;
    while (block.Left > 0 && !VertLine(block.Left, ARow))
        --block.Left;
    while (block.Top > 0 && !HorzLine(ACol, block.Top))
        --block.Top;
    while (block.Right + 1 < ColCount() && !VertLine(block.Right + 1, ARow))
        ++block.Right;
    while (block.Bottom + 1 < RowCount() && !HorzLine(ACol, block.Bottom + 1))
        ++block.Bottom;
    return block;
}

// ---- sizing

QStringList TAdvStringGrid::Lines(const QString& Text) const {
    if (!FMultiLine || FLineSeparator.isEmpty()) return {Text};
    return Text.split(FLineSeparator);
}

int TAdvStringGrid::TextWidth(const QFontMetrics& Metrics, const QString& Text) const {
    int w = 0;
    for (const QString& line : Lines(Text))
        w = std::max(w, Metrics.horizontalAdvance(line));
    return w;
}

void TAdvStringGrid::SetDefaultRowHeight() {
    SetDefaultRowHeight(QFontMetrics(font()).boundingRect(QStringLiteral("Mj")).height() + 4 +
                        GridLineWidth());
}

void TAdvStringGrid::AutoSize() {
    SyncLists();
    const QFontMetrics fm(font());
    const int cols = ColCount();
    std::vector<int> own(size_t(cols), 0);
    auto spans = [this](int c, int r) { return !VertLine(c, r) || !VertLine(c + 1, r); };
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < cols; ++c)
            if (!ColumnHidden(c) && !spans(c, r))
                own[size_t(c)] = std::max(own[size_t(c)], TextWidth(fm, GetCell(c, r)) + 8 + GridLineWidth());
    std::vector<int> widths = own;
    for (int r = 0; r < RowCount(); ++r)
        for (int c = 0; c < cols; ++c) {
            if (ColumnHidden(c) || !VertLine(c, r) || !HorzLine(c, r) || VertLine(c + 1, r)) continue;
            const TGridRect block = GetMergedCells(c, r);
            int blockWidth = 0;
            int shown = 0;
            for (int k = block.Left; k <= block.Right; ++k)
                if (!ColumnHidden(k)) {
                    blockWidth += widths[size_t(k)];
                    ++shown;
                }
            const int need = TextWidth(fm, GetCell(c, r)) + 8 + GridLineWidth();
            if (need > blockWidth)
                for (int k = block.Left; k <= block.Right; ++k)
                    if (!ColumnHidden(k)) widths[size_t(k)] = need / shown;
        }
    // A share of a wide block never leaves a column narrower than its own content.
    for (int c = 0; c < cols; ++c)
        if (!ColumnHidden(c)) SetColWidths(c, std::max(widths[size_t(c)], own[size_t(c)]));
}

void TAdvStringGrid::FitColumns(const QList<int>& Columns, bool Rescale) {
    if (Rescale) {
        AutoSize();
        SetDefaultRowHeight();
    }
    int others = 0;
    int listed = 0;
    int listedCount = 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (ColumnHidden(c)) continue;
        if (Columns.contains(c)) {
            listed += ColWidths(c);
            ++listedCount;
        } else {
            others += ColWidths(c);
        }
    }
    const int width = viewport()->width();
    if (listedCount == 0) return;
    if (FGrowOnlyFill ? others + listed >= width : width <= others) return;
    const int share = (width - others) / listedCount;
    for (int c = 0; c < ColCount(); ++c)
        if (!ColumnHidden(c) && Columns.contains(c)) SetColWidths(c, share);
}

void TAdvStringGrid::FillClientWidth() {
    TLineConv numbers;
    numbers.SetDelimiter(QStringLiteral(","));
    numbers.SetLine(FFillClientCols);
    QList<int> columns;
    for (int i = 0; i < numbers.Count(); ++i) {
        bool ok = false;
        const int c = numbers.Get(i).toInt(&ok);
        if (ok) columns.append(c);
    }
    FitColumns(columns, true);
}

// ---- copying

void TAdvStringGrid::Assign(const TAdvStringGrid* Source) {
    if (!Source || Source == this) return;
    SetColCount(Source->ColCount());
    SetRowCount(Source->RowCount());
    SetFixedColor(Source->FixedColor());
    SetFixedCols(Source->FixedCols());
    SetFixedRows(Source->FixedRows());
    SetGridLineWidth(Source->GridLineWidth());
    SetDefaultColWidth(Source->DefaultColWidth());
    SetDefaultRowHeight(Source->DefaultRowHeight());
    for (int r = 0; r < RowCount(); ++r)
        SetRows(r, Source->Rows(r));
    SetOptions(Source->Options());
    FGrowOnlyFill = Source->FGrowOnlyFill;
    FMultiLine = Source->FMultiLine;
    FLineSeparator = Source->FLineSeparator;
    FFillClientCols = Source->FFillClientCols;
    FOverwriteCellColors = Source->FOverwriteCellColors;
    FHighlightSelection = Source->FHighlightSelection;
    FGridLineColor = Source->FGridLineColor;
    FDataAlignment = Source->FDataAlignment;
    FFixedAlignment = Source->FFixedAlignment;
    FDataFontColor = Source->FDataFontColor;
    FFixedFontColor = Source->FFixedFontColor;
    FDataCellColor = Source->FDataCellColor;
    FFixedCellColor = Source->FFixedCellColor;
    FCell3DEffect = Source->FCell3DEffect;
    Source->SyncLists();
    FHiddenCols.Assign(Source->FHiddenCols);
    FAlignments.Assign(Source->FAlignments);
    FFontColors.Assign(Source->FFontColors);
    FCellColors.Assign(Source->FCellColors);
    FVertLines.Assign(Source->FVertLines);
    FHorzLines.Assign(Source->FHorzLines);
    InvalidateGrid();
}

// ---- painting

void TAdvStringGrid::DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect,
                              TGridDrawState State) {
    // Every cell of a block paints the whole block with the text of its first cell.
    const TGridRect block = FindMergedBlock(ACol, ARow);
    QRect R = Rect;
    for (int c = block.Left; c < ACol; ++c)
        R.adjust(-ColWidths(c), 0, 0, 0);
    for (int c = ACol + 1; c <= block.Right; ++c)
        R.adjust(0, 0, ColWidths(c), 0);
    for (int r = block.Top; r < ARow; ++r)
        R.adjust(0, -RowHeights(r), 0, 0);
    for (int r = ARow + 1; r <= block.Bottom; ++r)
        R.adjust(0, 0, 0, RowHeights(r));
    const int c0 = block.Left;
    const int r0 = block.Top;
    const QPalette& pal = palette();

    QColor back = ToQColor(GetCellColor(c0, r0), pal);
    QColor fore = ToQColor(GetCellFontColor(c0, r0), pal);
    if (State.Contains(gdSelected) && FHighlightSelection) {
        back = ToQColor(clHighlight, pal);
        fore = ToQColor(clHighlightText, pal);
    }
    Painter.fillRect(R, back);

    QColor bottomRight = ToQColor(FGridLineColor, pal);
    QColor topLeft = bottomRight;
    if (IsFixed(c0, r0) && FCell3DEffect == 1) {
        bottomRight = ToQColor(clBtnHighlight, pal);
        topLeft = ToQColor(clBtnShadow, pal);
    } else if (IsFixed(c0, r0) && FCell3DEffect == 2) {
        bottomRight = ToQColor(clBtnShadow, pal);
        topLeft = ToQColor(clBtnHighlight, pal);
    }
    Painter.setPen(bottomRight);
    Painter.drawLine(R.left(), R.bottom(), R.right(), R.bottom());
    Painter.drawLine(R.right(), R.top(), R.right(), R.bottom());
    Painter.setPen(topLeft);
    Painter.drawLine(R.left(), R.top(), R.right(), R.top());
    Painter.drawLine(R.left(), R.top(), R.left(), R.bottom());

    QRect T = R.adjusted(3, 1, -3 - GridLineWidth(), -1 - GridLineWidth());
    QRect clip = T;
    if (c0 == 0) clip.setLeft(clip.left() + GridLineWidth());
    if (r0 == 0) clip.setTop(clip.top() + GridLineWidth());
    const QFontMetrics fm(font());
    const QStringList lines = Lines(GetCell(c0, r0));
    const int H = int(lines.size()) * fm.height();
    const int code = GetCellAlignment(c0, r0);
    Painter.save();
    Painter.setClipRect(clip, Qt::IntersectClip);
    Painter.setPen(fore);
    Painter.setFont(font());
    int O = 0;
    for (const QString& line : lines) {
        const int w = fm.horizontalAdvance(line);
        int x = T.left() + 2;
        if ((code & 3) == acRight) x = T.left() + T.width() - w - 2;
        if ((code & 3) == acHCenter) x = T.left() + (T.width() - w) / 2;
        int y = T.top() + O + 2;
        if ((code & 12) == acBottom) y = T.top() + T.height() - H + O - 2;
        if ((code & 12) == acVCenter) y = T.top() + O + (T.height() - H) / 2;
        Painter.drawText(x, y + fm.ascent(), line);
        O += fm.height();
    }
    Painter.restore();
}
