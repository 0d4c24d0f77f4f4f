#include "Components/Grids/RichGrid.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/ImageList.h"
#include "core/unStringFuncs.h"

#include <QPainter>
#include <algorithm>
#include <set>

TRichGrid::TRichGrid(QWidget* Parent)
    : TStringGrid(Parent), FColAttr(std::make_unique<TColCollection>(this)),
      FRowAttr(std::make_unique<TRowCollection>(this)), FDefAttributes(std::make_unique<TCellAttributes>()),
      FFixedAttributes(std::make_unique<TCellAttributes>()),
      FComposeScratch(std::make_unique<TColRowAttributes>()) {
    // Bound to the grid, the scratches read its flags: made once every member has its value.
    FColScratch = std::make_unique<TColRowAttributes>(this, 0, crkCol);
    FRowScratch = std::make_unique<TColRowAttributes>(this, 0, crkRow);
    FFixedAttributes->SetBackColor(FixedColor());
    FFixedAttributes->SetCell3DEffect(bvRaised);
    auto repaintAll = [this](TCellAttributes*, int, int) { InvalidateGrid(); };
    FDefAttributes->OnChange = repaintAll;
    FFixedAttributes->OnChange = repaintAll;
    SetOptions({goThumbTracking});
    FRequiredColWidths.assign(size_t(ColCount()), -1);
    FRequiredRowHeights.assign(size_t(RowCount()), -1);
}

TRichGrid::~TRichGrid() = default;

// ---- dimensions

void TRichGrid::SetColCount(int Value) {
    Value = std::max(Value, 1);
    if (Value < ColCount()) {
        ClearColsAttributes(Value, ColCount() - 1, caColAttributes | caCellAttributes);
        std::erase_if(FValues, [Value](const auto& v) { return v.first.second >= Value; });
    }
    TStringGrid::SetColCount(Value);
    FRequiredColWidths.resize(size_t(ColCount()), -1);
}

void TRichGrid::SetRowCount(int Value) {
    Value = std::max(Value, 1);
    if (Value < RowCount()) {
        ClearRowsAttributes(Value, RowCount() - 1, caRowAttributes | caCellAttributes);
        RowSetsChanged();
        FValues.erase(FValues.lower_bound({Value, 0}), FValues.end());
    }
    TStringGrid::SetRowCount(Value);
    FRequiredRowHeights.resize(size_t(RowCount()), -1);
}

void TRichGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= RowCount() ||
        ToIndex >= RowCount())
        return;
    const int Low = std::min(FromIndex, ToIndex), High = std::max(FromIndex, ToIndex);
    ClearRowsAttributes(Low, High, caRowAttributes | caCellAttributes);
    ClearRowValues(Low, High);
    const int Required = FRequiredRowHeights[size_t(FromIndex)];
    FRequiredRowHeights.erase(FRequiredRowHeights.begin() + FromIndex);
    FRequiredRowHeights.insert(FRequiredRowHeights.begin() + ToIndex, Required);
    TStringGrid::MoveRow(FromIndex, ToIndex);
}

// ---- attribute store

TColRowAttributes* TRichGrid::ColAttributes(int ACol) {
    if (ACol < 0) return nullptr;
    if (size_t(ACol) >= FColAttrs.size()) FColAttrs.resize(size_t(ACol) + 1);
    auto& slot = FColAttrs[size_t(ACol)];
    if (!slot) {
        slot = std::make_unique<TColRowAttributes>(this, ACol, crkCol);
        slot->CopyAttributes(ACol < FixedCols() ? FFixedAttributes.get() : FDefAttributes.get());
        slot->SetDefaultAttributes(AllDefaultAttributes());
        slot->OnChange = [this](TCellAttributes*, int c, int) {
            ClampColumns();
            FillClientWidth();
            RepaintCol(c);
        };
    }
    return slot.get();
}

TColRowAttributes* TRichGrid::RowAttributes(int ARow) {
    if (ARow < 0) return nullptr;
    if (size_t(ARow) >= FRowAttrs.size()) FRowAttrs.resize(size_t(ARow) + 1);
    auto& slot = FRowAttrs[size_t(ARow)];
    if (!slot) {
        slot = std::make_unique<TColRowAttributes>(this, ARow, crkRow);
        slot->CopyAttributes(ARow < FixedRows() ? FFixedAttributes.get() : FDefAttributes.get());
        slot->SetDefaultAttributes(AllDefaultAttributes());
        slot->OnChange = [this](TCellAttributes*, int, int r) {
            RowSetsChanged();
            InvalidateRow(r);
        };
        RowSetsChanged();
    }
    return slot.get();
}

TCellAttributes* TRichGrid::CellAttributes(int ACol, int ARow) {
    if (ACol < 0 || ARow < 0) return nullptr;
    auto it = FCellAttrs.find({ARow, ACol});
    if (it != FCellAttrs.end()) return it->second.get();
    auto set = std::make_unique<TCellAttributes>(this, ARow, ACol);
    TColRowAttributes scratch;
    QString text;
    ComposeInto(ACol, ARow, scratch, text);
    set->CopyAttributes(&scratch);
    set->OnChange = [this](TCellAttributes*, int, int) { InvalidateGrid(); };
    return FCellAttrs.emplace(TCellKey{ARow, ACol}, std::move(set)).first->second.get();
}

bool TRichGrid::HasColAttributes(int ACol) const {
    return ACol >= 0 && size_t(ACol) < FColAttrs.size() && FColAttrs[size_t(ACol)];
}

bool TRichGrid::HasRowAttributes(int ARow) const {
    return ARow >= 0 && size_t(ARow) < FRowAttrs.size() && FRowAttrs[size_t(ARow)];
}

bool TRichGrid::HasCellAttributes(int ACol, int ARow) const {
    return FCellAttrs.count({ARow, ACol}) > 0;
}

void TRichGrid::FillReadScratch(TColRowAttributes& Scratch, TColRowKind Kind, int Index) {
    Scratch.FCol = Index;
    Scratch.FRow = Index;
    Scratch.OnChange = nullptr;
    Scratch.Reset();
    const bool fixed = Kind == crkCol ? Index < FixedCols() : Index < FixedRows();
    Scratch.CopyAttributes(fixed ? FFixedAttributes.get() : FDefAttributes.get());
    Scratch.SetDefaultAttributes(AllDefaultAttributes());
}

TColRowAttributes* TRichGrid::ReadColAttributes(int ACol) {
    if (HasColAttributes(ACol)) return FColAttrs[size_t(ACol)].get();
    FillReadScratch(*FColScratch, crkCol, ACol);
    return FColScratch.get();
}

TColRowAttributes* TRichGrid::ReadRowAttributes(int ARow) {
    if (HasRowAttributes(ARow)) return FRowAttrs[size_t(ARow)].get();
    FillReadScratch(*FRowScratch, crkRow, ARow);
    return FRowScratch.get();
}

TCellAttributes* TRichGrid::ReadCellAttributes(int ACol, int ARow) {
    auto it = FCellAttrs.find({ARow, ACol});
    if (it != FCellAttrs.end()) return it->second.get();
    return EffectiveCellAttributes(ACol, ARow);
}

TColRowAttributes* TRichGrid::EffectiveCellAttributes(int ACol, int ARow) {
    QString text;
    ComposeInto(ACol, ARow, *FComposeScratch, text);
    FComposeScratch->FCol = ACol;
    FComposeScratch->FRow = ARow;
    FComposeScratch->FVisible = ColVisible(ACol) && RowVisible(ARow);
    return FComposeScratch.get();
}

void TRichGrid::ComposeCellAttributes(int ACol, int ARow, TCellAttributes* Target, QString& Text) {
    TColRowAttributes scratch;
    ComposeInto(ACol, ARow, scratch, Text);
    if (Target) Target->CopyAttributes(&scratch);
}

// Scratch must be stand-alone: an attached set would move the current cell when a layer turns
// CanSelect off.
void TRichGrid::ComposeInto(int ACol, int ARow, TCellAttributes& Scratch, QString& Text) {
    // Header and fixed cells keep their texts: a column's number formatter would turn a
    // header such as "начислени" into "0.00".
    const bool data = ARow >= FixedRows() && ACol >= FixedCols();
    TCellAttributes* def = data ? FDefAttributes.get() : FFixedAttributes.get();
    def->SetDefaultAttributes(AllDefaultAttributes());
    Scratch.OnChange = nullptr;
    Scratch.CopyAttributes(def);
    Scratch.SetDefaultAttributes(AllDefaultAttributes());
    auto format = [&] {
        Text = Cells(ACol, ARow);
        if (data && Scratch.Formatter()) Scratch.Formatter()->FormatCell(this, ACol, ARow, Text, &Scratch);
    };
    format();
    if (HasColAttributes(ACol)) {
        FColAttrs[size_t(ACol)]->ApplyTo(&Scratch);
        format();
    }
    if (HasRowAttributes(ARow)) {
        FRowAttrs[size_t(ARow)]->ApplyTo(&Scratch);
        format();
    }
    auto it = FCellAttrs.find({ARow, ACol});
    if (it != FCellAttrs.end()) {
        it->second->ApplyTo(&Scratch);
        format();
    }
}

void TRichGrid::ClearAttributes(TGridRect Rect, int Flags) {
    if (Rect.Left == -1) Rect.Left = FixedCols();
    if (Rect.Top == -1) Rect.Top = FixedRows();
    if (Rect.Right == -2) Rect.Right = ColCount() - 1;
    if (Rect.Bottom == -2) Rect.Bottom = RowCount() - 1;
    if (Rect.Top >= RowCount() || Rect.Left >= ColCount()) return;
    Rect.Right = std::min(Rect.Right, ColCount() - 1);
    Rect.Bottom = std::min(Rect.Bottom, RowCount() - 1);
    Rect.Left = std::max(Rect.Left, 0);
    Rect.Top = std::max(Rect.Top, 0);
    if (Flags & caColAttributes)
        for (int c = Rect.Left; c <= Rect.Right && size_t(c) < FColAttrs.size(); ++c)
            FColAttrs[size_t(c)].reset();
    if (Flags & caRowAttributes)
        for (int r = Rect.Top; r <= Rect.Bottom && size_t(r) < FRowAttrs.size(); ++r)
            FRowAttrs[size_t(r)].reset();
    RowSetsChanged();
    if (Flags & caCellAttributes) {
        auto it = FCellAttrs.lower_bound({Rect.Top, Rect.Left});
        const auto end = FCellAttrs.upper_bound({Rect.Bottom, Rect.Right});
        while (it != end) {
            const int c = it->first.second;
            if (c >= Rect.Left && c <= Rect.Right)
                it = FCellAttrs.erase(it);
            else
                ++it;
        }
    }
    InvalidateGrid();
}

void TRichGrid::ClearRowsAttributes(int FromRow, int ToRow, int Flags) {
    ClearAttributes({0, FromRow, ColCount() - 1, ToRow}, Flags);
}

void TRichGrid::ClearColsAttributes(int FromCol, int ToCol, int Flags) {
    ClearAttributes({FromCol, 0, ToCol, RowCount() - 1}, Flags);
}

void TRichGrid::FreeColRowAttributes(TColRowKind Kind, int Index) {
    auto& list = Kind == crkRow ? FRowAttrs : FColAttrs;
    if (Index >= 0 && size_t(Index) < list.size()) list[size_t(Index)].reset();
    RowSetsChanged();
    InvalidateGrid();
}

bool TRichGrid::RecordedRequiredSize(TColRowKind Kind, int Index, int& Size) const {
    const auto& list = Kind == crkRow ? FRequiredRowHeights : FRequiredColWidths;
    if (Index < 0 || size_t(Index) >= list.size() || list[size_t(Index)] < 0) return false;
    Size = list[size_t(Index)];
    return true;
}

QString TRichGrid::GetDisplayText(int ACol, int ARow) {
    QString text;
    ComposeCellAttributes(ACol, ARow, nullptr, text);
    return text;
}

// ---- values

QVariant TRichGrid::Values(int ACol, int ARow) const {
    auto it = FValues.find({ARow, ACol});
    return it == FValues.end() ? QVariant() : it->second;
}

void TRichGrid::SetValues(int ACol, int ARow, const QVariant& Value) {
    if (ACol < 0 || ARow < 0) return;
    if (Value.isValid())
        FValues[{ARow, ACol}] = Value;
    else
        FValues.erase({ARow, ACol});
}

void TRichGrid::ClearValues() {
    FValues.clear();
}

void TRichGrid::ClearRowValues(int FromRow, int ToRow) {
    if (ToRow < FromRow) return;
    FValues.erase(FValues.lower_bound({FromRow, INT_MIN}), FValues.upper_bound({ToRow, INT_MAX}));
}

void TRichGrid::ClearValuesRect(TGridRect Rect) {
    std::erase_if(FValues, [&Rect](const auto& v) { return Rect.Contains(v.first.second, v.first.first); });
}

// ---- merged cells

TMergedCells TRichGrid::MergeFlags(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0) return {};
    auto it = FCellAttrs.find({ARow, ACol});
    if (it != FCellAttrs.end()) return it->second->MergedCells();
    const bool data = ARow >= FixedRows() && ACol >= FixedCols();
    return (data ? FDefAttributes : FFixedAttributes)->MergedCells();
}

bool TRichGrid::MergeCells(TGridRect Rect) {
    for (int r = Rect.Top; r <= Rect.Bottom; ++r)
        for (int c = Rect.Left; c <= Rect.Right; ++c) {
            TMergedCells flags;
            if (c < Rect.Right) flags.Include(mcRight);
            if (r < Rect.Bottom) flags.Include(mcBottom);
            if (TCellAttributes* a = CellAttributes(c, r)) a->SetMergedCells(flags);
        }
    return true;
}

TGridRect TRichGrid::GetMergedCells(int ACol, int ARow) {
    TGridRect block{ACol, ARow, ACol, ARow};
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return block;
    // Quick answer for the usual cell that belongs to no block.
    if (MergeFlags(ACol, ARow).Empty() && !MergeFlags(ACol - 1, ARow).Contains(mcRight) &&
        !MergeFlags(ACol, ARow - 1).Contains(mcBottom))
        return block;
    using TCell = std::pair<int, int>; // (col, row): ordered as the block's corners are chosen
    // Origin: the smallest cell reachable leftwards over mcRight and upwards over mcBottom.
    // Walking the reachable cells once keeps overlapping merges from exploding the search.
    std::set<TCell> seen{{ACol, ARow}};
    std::vector<TCell> stack{{ACol, ARow}};
    TCell origin{ACol, ARow};
    while (!stack.empty()) {
        const auto [c, r] = stack.back();
        stack.pop_back();
        origin = std::min(origin, TCell{c, r});
        if (c > 0 && MergeFlags(c - 1, r).Contains(mcRight) && seen.insert({c - 1, r}).second)
            stack.push_back({c - 1, r});
        if (r > 0 && MergeFlags(c, r - 1).Contains(mcBottom) && seen.insert({c, r - 1}).second)
            stack.push_back({c, r - 1});
    }
    // End: the largest cell reachable from the origin over its own flags.
    seen = {origin};
    stack = {origin};
    TCell end = origin;
    while (!stack.empty()) {
        const auto [c, r] = stack.back();
        stack.pop_back();
        end = std::max(end, TCell{c, r});
        const TMergedCells flags = MergeFlags(c, r);
        if (flags.Contains(mcBottom) && r < RowCount() - 1 && seen.insert({c, r + 1}).second)
            stack.push_back({c, r + 1});
        if (flags.Contains(mcRight) && c < ColCount() - 1 && seen.insert({c + 1, r}).second)
            stack.push_back({c + 1, r});
    }
    return {origin.first, origin.second, end.first, end.second};
}

QRect TRichGrid::GetMergedCellRect(int ACol, int ARow) {
    const QRect own = CellRect(ACol, ARow);
    int x = own.isNull() ? 0 : own.x();
    int y = own.isNull() ? 0 : own.y();
    int w = ColWidths(ACol);
    int h = RowHeights(ARow);
    int left = ACol;
    while (left > 0 && MergeFlags(left - 1, ARow).Contains(mcRight)) {
        --left;
        x -= ColWidths(left);
        w += ColWidths(left);
    }
    int top = ARow;
    while (top > 0 && MergeFlags(left, top - 1).Contains(mcBottom)) {
        --top;
        y -= RowHeights(top);
        h += RowHeights(top);
    }
    int right = ACol;
    while (right < ColCount() - 1 && MergeFlags(right, ARow).Contains(mcRight))
        w += ColWidths(++right);
    int bottom = ARow;
    while (bottom < RowCount() - 1 && MergeFlags(right, bottom).Contains(mcBottom))
        h += RowHeights(++bottom);
    return QRect(x, y, w, h);
}

void TRichGrid::SetMergeCellsStr(const QString& Value) {
    FMergeCellsStr = Value;
    for (const QString& group : Value.split(QLatin1Char('|'))) {
        if (group.isEmpty()) break;
        const QStringList parts = group.split(QLatin1Char(','));
        int n[4];
        for (int i = 0; i < 4; ++i) {
            const QString part = i < parts.size() ? parts[i].trimmed() : QString();
            bool ok = false;
            n[i] = part.toInt(&ok);
            if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(part));
        }
        MergeCells({n[0], n[1], n[2], n[3]});
    }
    InvalidateGrid();
}

// ---- painting

QFont TRichGrid::CellFont(const TCellAttributes& Attributes) const {
    return StyledFont(font(), Attributes.FontStyle());
}

namespace {

// The class library's DrawText flags for an alignment. Only a single line is placed
// vertically; wrapped text starts at the top.
int TextFlags(const TCellAttributes& a) {
    const TCellAlignment al = a.Alignment();
    int flags = 0;
    if (al.Contains(caRight))
        flags |= Qt::AlignRight;
    else if (al.Contains(caCenter) && !al.Contains(caLeft))
        flags |= Qt::AlignHCenter;
    else
        flags |= Qt::AlignLeft;
    if (a.WordWrap()) return flags | Qt::TextWordWrap | Qt::AlignTop;
    flags |= Qt::TextSingleLine;
    if (al.Contains(caBottom))
        flags |= Qt::AlignBottom;
    else if (al.Contains(caCenter) && !al.Contains(caTop))
        flags |= Qt::AlignVCenter;
    else
        flags |= Qt::AlignTop;
    return flags;
}

} // namespace

void TRichGrid::DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State) {
    const TGridRect block = GetMergedCells(ACol, ARow);
    const QRect R = GetMergedCellRect(ACol, ARow);
    TCellAttributes a;
    QString text;
    ComposeInto(block.Left, block.Top, a, text);
    const QPalette& pal = palette();

    QColor brush = ToQColor(a.BackColor(), pal);
    QColor fontColor = ToQColor(a.ForeColor(), pal);
    if (State.Contains(gdSelected) && !a.HideSelection()) {
        brush = ToQColor(clHighlight, pal);
        fontColor = ToQColor(clHighlightText, pal);
    }
    if (FDynamicResize) {
        QSize size;
        MeasureCell(block.Left, block.Top, size, false);
    }
    Painter.fillRect(R, brush);

    QColor bottomRight;
    QColor topLeft;
    switch (a.Cell3DEffect()) {
    case bvNone:
        bottomRight = topLeft = ToQColor(a.BorderColor(), pal);
        break;
    case bvLowered:
        bottomRight = ToQColor(clBtnHighlight, pal);
        topLeft = ToQColor(clBtnShadow, pal);
        break;
    case bvRaised:
        bottomRight = ToQColor(clBtnShadow, pal);
        topLeft = ToQColor(clBtnHighlight, pal);
        break;
    case bvSpace: // keeps whatever pen the previous cell left
        bottomRight = topLeft = Painter.pen().color();
        break;
    }
    Painter.setPen(bottomRight);
    Painter.drawLine(R.left(), R.bottom(), R.right(), R.bottom());
    Painter.drawLine(R.right(), R.top(), R.right(), R.bottom());
    Painter.setPen(topLeft);
    Painter.drawLine(R.left(), R.top(), R.right(), R.top());
    Painter.drawLine(R.left(), R.top(), R.left(), R.bottom());

    QRect T =
        R.adjusted(a.LeftMargin() + 1, a.TopMargin() + 1, -(a.RightMargin() + 1), -(a.BottomMargin() + 1));
    if (a.BitmapDrawMode() != bmDontDraw && FImages && a.Bitmap() >= 0) {
        const int W = FImages->Width();
        const int H = FImages->Height();
        const QRect& C = Rect;
        int x = C.left();
        int y = C.top();
        switch (a.BitmapAlignment()) {
        case caLeft:
            y = C.top() + (C.height() - H) / 2;
            T.setLeft(x + W);
            break;
        case caRight:
            x = R.left() + R.width() - 4 - W;
            y = T.top() + (T.height() - H) / 2;
            T.setRight(x - 1);
            break;
        case caCenter:
            x = C.left() + (C.width() - W) / 2;
            y = C.top() + (C.height() - H) / 2;
            break;
        case caTop:
            x = C.left() + (C.width() - W) / 2;
            T.setTop(y + H);
            break;
        case caBottom:
            x = C.left() + (C.width() - W) / 2;
            y = C.top() + C.height() - H;
            T.setBottom(y - 1);
            break;
        }
        FImages->Draw(Painter, x, y, a.Bitmap(), true);
    }
    Painter.setFont(CellFont(a));
    Painter.setPen(fontColor);
    int flags = TextFlags(a);
    // A text wider than its cell is cut on the right, never on the left: a number keeps its
    // leading digits.
    if (!(flags & Qt::TextWordWrap) && Painter.fontMetrics().horizontalAdvance(text) > T.width())
        flags = (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    Painter.drawText(T, flags, text);
}

// ---- measuring and sizing

void TRichGrid::MeasureCell(int ACol, int ARow, QSize& Size, bool MeasureOnly, QPaintDevice* Canvas) {
    Size = QSize(ColWidths(ACol), RowHeights(ARow));
    if (!ColVisible(ACol) || !RowVisible(ARow)) return;
    const QRect R = GetMergedCellRect(ACol, ARow);
    TColRowAttributes a;
    QString text;
    ComposeInto(ACol, ARow, a, text);
    const QFontMetrics fm(CellFont(a), Canvas ? Canvas : this);
    const int flags = TextFlags(a);

    const TColRowAttributes* col = ReadColAttributes(ACol);
    const bool colAuto = col->AutoResize();
    const bool colFill = col->ResizeToFillClient();
    const TColRowAttributes* row = ReadRowAttributes(ARow);
    const bool rowAuto = row->AutoResize();
    const bool imageSide = FImages && (a.BitmapAlignment() == caLeft || a.BitmapAlignment() == caRight);
    const bool imageAbove = FImages && (a.BitmapAlignment() == caTop || a.BitmapAlignment() == caBottom);

    int w = Size.width();
    if (colAuto || colFill) {
        const QRect calc = fm.boundingRect(R, flags, text);
        w = calc.width() + a.LeftMargin() + a.RightMargin() + 2 + (imageSide ? FImages->Width() : 0);
        if (R.width() >= w)
            w = std::min(w, ColWidths(ACol));
        else
            w = ColWidths(ACol) + (w - R.width());
        int& required = FRequiredColWidths[size_t(ACol)];
        required = std::max(required, w);
        if (!MeasureOnly && colAuto && ColWidths(ACol) < w) SetColWidths(ACol, w);
    }
    int h = Size.height();
    if (rowAuto) {
        const QRect calc = fm.boundingRect(R, flags, text);
        h = calc.height() + a.TopMargin() + a.BottomMargin() + 2 + (imageAbove ? FImages->Height() : 0);
        if (h > R.height())
            h = RowHeights(ARow) + (h - R.height()) + 1;
        else if (h > RowHeights(ARow))
            h = RowHeights(ARow);
        int& required = FRequiredRowHeights[size_t(ARow)];
        required = std::max(required, h);
        if (!MeasureOnly && RowHeights(ARow) < h) SetRowHeights(ARow, h);
    }
    Size = QSize(w, h);
}

namespace {

// The rows of the longest lengths seen, at most TRichGrid::MeasuredLongestRows of them.
class TLongestRows {
public:
    void See(qsizetype Length, int Row) {
        // (length, row), the shortest first.
        if (int(FLongest.size()) == TRichGrid::MeasuredLongestRows && Length <= FLongest.front().first)
            return;
        FLongest.insert(std::upper_bound(FLongest.begin(), FLongest.end(), std::pair{Length, -1},
                                         [](const auto& a, const auto& b) { return a.first < b.first; }),
                        {Length, Row});
        if (int(FLongest.size()) > TRichGrid::MeasuredLongestRows) FLongest.erase(FLongest.begin());
    }
    std::vector<int> Rows() const {
        std::vector<int> rows;
        rows.reserve(FLongest.size());
        for (const auto& entry : FLongest)
            rows.push_back(entry.second);
        return rows;
    }

private:
    std::vector<std::pair<qsizetype, int>> FLongest;
};

} // namespace

std::vector<int> TRichGrid::LongestRows(int ACol) const {
    return LongestRows(std::vector<int>{ACol}).front();
}

std::vector<std::vector<int>> TRichGrid::LongestRows(const std::vector<int>& Cols) const {
    std::vector<TLongestRows> longest(Cols.size());
    for (int r = FixedRows(); r < RowCount(); ++r)
        for (size_t k = 0; k < Cols.size(); ++k)
            longest[k].See(LongestLineLength(CellView(Cols[k], r)), r);
    std::vector<std::vector<int>> rows;
    rows.reserve(Cols.size());
    for (const TLongestRows& one : longest)
        rows.push_back(one.Rows());
    return rows;
}

QSize TRichGrid::AutoResizeColumn(int ACol, QPaintDevice* Canvas, bool MeasureOnly) {
    if (ReadColAttributes(ACol)->AutoResize() && ColVisible(ACol))
        ResizeColumnTo(ACol, LongestRows(ACol), Canvas, MeasureOnly);
    return QSize(ColWidths(ACol), 0);
}

void TRichGrid::ResizeColumnTo(int ACol, const std::vector<int>& Longest, QPaintDevice* Canvas,
                               bool MeasureOnly) {
    SetColWidths(ACol, 1);
    FRequiredColWidths[size_t(ACol)] = 0;
    auto measure = [&](int r) {
        QSize size;
        MeasureCell(ACol, r, size, MeasureOnly, Canvas);
    };
    for (int r = 0; r < FixedRows(); ++r)
        measure(r);
    for (const int r : Longest)
        measure(r);
    if (RowCount() > FixedRows()) measure(RowCount() - 1); // a totals row may set its own font
}

void TRichGrid::AutoResizeColumns(QPaintDevice* Canvas) {
    std::vector<int> cols;
    for (int c = 0; c < ColCount(); ++c)
        if (ReadColAttributes(c)->AutoResize() && ColVisible(c)) cols.push_back(c);
    const std::vector<std::vector<int>> longest = LongestRows(cols);
    for (size_t k = 0; k < cols.size(); ++k)
        ResizeColumnTo(cols[k], longest[k], Canvas, false);
}

void TRichGrid::FillClientWidth() {
    if (FInColResize) return;
    FInColResize = true;
    std::vector<std::pair<int, int>> fill; // (column, required width)
    int required = 0;
    int others = 0;
    for (int c = 0; c < ColCount(); ++c) {
        const TColRowAttributes* a = ReadColAttributes(c);
        if (a->ResizeToFillClient() && ColVisible(c)) {
            fill.push_back({c, a->RequiredSize()});
            required += fill.back().second;
        } else {
            others += ColWidths(c);
        }
    }
    const int client = viewport()->width();
    if (!fill.empty() && client > others + required) {
        const int n = int(fill.size());
        const int share = (client - others) / n;
        const int rest = (client - others) % n;
        for (int i = 0; i < n; ++i) {
            const int s = share + (i == n - 1 ? rest : 0);
            const int max = ReadColAttributes(fill[size_t(i)].first)->MaxSize();
            SetColWidths(fill[size_t(i)].first, s >= max ? max : std::max(s, fill[size_t(i)].second));
        }
    }
    FInColResize = false;
}

int TRichGrid::RowHeightForFilling(int ARow) {
    const TColRowAttributes* a = ReadRowAttributes(ARow);
    const bool autoResize = a->AutoResize();
    int h = RowHeights(ARow);
    if (autoResize || a->ResizeToFillClient()) h = a->MinSize();
    if (autoResize) {
        auto measure = [&](int c) {
            if (!ColVisible(c)) return;
            QSize size;
            MeasureCell(c, ARow, size, true);
            h = std::max(h, size.height());
        };
        for (int c = 0; c < FixedCols(); ++c)
            measure(c);
        const int last = std::min(ColCount(), LeftCol() + VisibleColCount());
        for (int c = LeftCol(); c < last; ++c)
            measure(c);
    }
    return h;
}

bool TRichGrid::AnyRowFillsClient() {
    if (!FFillRowsKnown) {
        FAnyRowFills = std::any_of(FRowAttrs.begin(), FRowAttrs.end(),
                                   [](const auto& a) { return a && a->ResizeToFillClient(); });
        FFillRowsKnown = true;
    }
    return FAnyRowFills;
}

void TRichGrid::FillClientHeight() {
    if (FInRowResize || (!FResizeRowsToFillClient && !AnyRowFillsClient())) return;
    FInRowResize = true;
    std::vector<std::pair<int, int>> fill; // (row, required height)
    int required = 0;
    int others = 0;
    for (int r = 0; r < RowCount(); ++r) {
        const bool fills =
            HasRowAttributes(r) ? FRowAttrs[size_t(r)]->ResizeToFillClient() : FResizeRowsToFillClient;
        if (fills && RowVisible(r)) {
            fill.push_back({r, RowHeightForFilling(r)});
            required += fill.back().second;
        } else {
            others += RowHeights(r);
        }
    }
    const int client = viewport()->height();
    if (!fill.empty() && client > others + required) {
        const int n = int(fill.size());
        const int share = (client - others) / n;
        const int rest = (client - others) % n;
        for (int i = 0; i < n; ++i) {
            const int s = share + (i == n - 1 ? rest : 0);
            const TColRowAttributes* a = ReadRowAttributes(fill[size_t(i)].first);
            SetRowHeights(fill[size_t(i)].first,
                          s >= a->MaxSize() ? a->MaxSize() : std::max(s, a->MinSize()));
        }
    }
    FInRowResize = false;
}

void TRichGrid::ClampColumns() {
    for (int c = 0; c < ColCount(); ++c) {
        if (!ColVisible(c)) continue;
        const TColRowAttributes* a = ReadColAttributes(c);
        const int max = a->MaxSize();
        const int min = a->MinSize();
        if (ColWidths(c) > max) SetColWidths(c, max);
        if (ColWidths(c) < min) SetColWidths(c, min);
    }
}

void TRichGrid::ClampRows() {
    for (size_t r = 0; r < FRowAttrs.size() && r < size_t(RowCount()); ++r)
        ClampRow(int(r));
}

// Rows without an own set have the limits 0 and 65535, which never clamp.
void TRichGrid::ClampRow(int ARow) {
    if (!HasRowAttributes(ARow) || !RowVisible(ARow)) return;
    const TColRowAttributes* a = FRowAttrs[size_t(ARow)].get();
    if (RowHeights(ARow) > a->MaxSize()) SetRowHeights(ARow, a->MaxSize());
    if (RowHeights(ARow) < a->MinSize()) SetRowHeights(ARow, a->MinSize());
}

void TRichGrid::ColWidthsChanged() {
    TStringGrid::ColWidthsChanged();
    if (!FDynamicResize || FInColResize) return;
    FillClientWidth();
    FInColResize = true;
    ClampColumns();
    FInColResize = false;
}

void TRichGrid::RowHeightsChanged() {
    TStringGrid::RowHeightsChanged();
    if (!FDynamicResize || FInRowResize) return;
    FillClientHeight();
    FInRowResize = true;
    if (SizedRow() >= 0)
        ClampRow(SizedRow());
    else
        ClampRows();
    FInRowResize = false;
}

void TRichGrid::resizeEvent(QResizeEvent* Event) {
    TStringGrid::resizeEvent(Event);
    FillClientWidth();
    FillClientHeight();
}

void TRichGrid::RepaintCol(int) {
    InvalidateGrid();
}

// ---- options

void TRichGrid::SetRichOptions(TRichGridOptions Value) {
    if (FRichOptions == Value) return;
    FRichOptions = Value;
    InvalidateGrid();
}

void TRichGrid::SetAutoResizeCols(bool Value) {
    if (FAutoResizeCols == Value) return;
    FAutoResizeCols = Value;
    InvalidateGrid();
}

void TRichGrid::SetAutoResizeRows(bool Value) {
    if (FAutoResizeRows == Value) return;
    FAutoResizeRows = Value;
    InvalidateGrid();
}

void TRichGrid::SetResizeColsToFillClient(bool Value) {
    if (FResizeColsToFillClient == Value) return;
    FResizeColsToFillClient = Value;
    InvalidateGrid();
}

void TRichGrid::SetResizeRowsToFillClient(bool Value) {
    if (FResizeRowsToFillClient == Value) return;
    FResizeRowsToFillClient = Value;
    InvalidateGrid();
}

void TRichGrid::SetImages(TImageList* Value) {
    if (FImages == Value) return;
    if (FImages) disconnect(FImages, nullptr, this, nullptr);
    FImages = Value;
    if (Value) connect(Value, &TImageList::changed, this, &TRichGrid::Changed);
    InvalidateGrid();
}

void TRichGrid::Changed() {
    emit changed();
}

// ---- selection and editing

bool TRichGrid::SelectCell(int ACol, int ARow) {
    if (!TStringGrid::SelectCell(ACol, ARow)) return false;
    if (MouseSelecting()) return EffectiveCellAttributes(ACol, ARow)->CanSelect();

    // The nearest index from Start, in the direction of travel first, that passes Test.
    auto nearest = [](int Start, bool Forward, int Count, auto Test) {
        for (int pass = 0; pass < 2; ++pass, Forward = !Forward)
            for (int i = Start + (Forward ? 1 : -1); i >= 0 && i < Count; i += Forward ? 1 : -1)
                if (Test(i)) return i;
        return -1;
    };
    if (!ColVisible(ACol)) {
        const int c = nearest(ACol, ACol >= Col(), ColCount(), [this](int i) { return ColVisible(i); });
        if (c >= FixedCols()) SetCol(c);
        return false;
    }
    if (!RowVisible(ARow)) {
        const int r = nearest(ARow, ARow >= Row(), RowCount(), [this](int i) { return RowVisible(i); });
        if (r >= FixedRows()) SetRow(r);
        return false;
    }
    if (EffectiveCellAttributes(ACol, ARow)->CanSelect()) return true;
    auto selectable = [this](int c, int r) {
        const TColRowAttributes* a = EffectiveCellAttributes(c, r);
        return a->Visible() && a->CanSelect();
    };
    if (ARow == Row()) {
        if (ACol == Col()) return false;
        const int c = nearest(ACol, ACol > Col(), ColCount(), [&](int i) { return selectable(i, ARow); });
        if (c >= FixedCols()) SetCol(c);
        return false;
    }
    const int r = nearest(ARow, ARow > Row(), RowCount(), [&](int i) { return selectable(ACol, i); });
    if (r >= FixedRows()) SetRow(r);
    return false;
}

bool TRichGrid::CanEditShow() const {
    if (!TStringGrid::CanEditShow()) return false;
    return const_cast<TRichGrid*>(this)->EffectiveCellAttributes(Col(), Row())->CanEdit();
}

// ---- copying

void TRichGrid::Assign(const TRichGrid* Source) {
    if (!Source || Source == this) return;
    SetColCount(Source->ColCount());
    SetRowCount(Source->RowCount());
    SetFixedCols(Source->FixedCols());
    SetFixedRows(Source->FixedRows());
    SetDefaultRowHeight(Source->DefaultRowHeight());
    SetDefaultColWidth(Source->DefaultColWidth());
    for (int c = 0; c < ColCount(); ++c)
        SetCols(c, Source->Cols(c));
    SetOptions(Source->Options());
    SetImages(Source->Images());
    SetRichOptions(Source->RichOptions());
    SetAutoResizeCols(Source->AutoResizeCols());
    SetAutoResizeRows(Source->AutoResizeRows());
    SetResizeColsToFillClient(Source->ResizeColsToFillClient());
    SetResizeRowsToFillClient(Source->ResizeRowsToFillClient());
    FDefAttributes->CopyAttributes(Source->DefAttributes());
    FFixedAttributes->CopyAttributes(Source->FixedAttributes());
    FColAttr->Assign(Source->ColAttr());
    FRowAttr->Assign(Source->RowAttr());
    FColAttrs.clear();
    FRowAttrs.clear();
    FCellAttrs.clear();
    RowSetsChanged();
    for (size_t c = 0; c < Source->FColAttrs.size(); ++c)
        if (Source->FColAttrs[c]) ColAttributes(int(c))->Assign(Source->FColAttrs[c].get());
    for (size_t r = 0; r < Source->FRowAttrs.size(); ++r)
        if (Source->FRowAttrs[r]) RowAttributes(int(r))->Assign(Source->FRowAttrs[r].get());
    for (const auto& [key, set] : Source->FCellAttrs)
        CellAttributes(key.second, key.first)->Assign(set.get());
    SetMergeCellsStr(Source->MergeCellsStr());
}

void TRichGrid::Loaded() {
    for (int i = 0; i < FRowAttr->Count(); ++i) {
        const TColRowAttributesItem* item = FRowAttr->Items(i);
        if (item->ColRowIndex() >= 0) RowAttributes(item->ColRowIndex())->CopyAttributes(item->Attributes());
    }
    for (int i = 0; i < FColAttr->Count(); ++i) {
        const TColRowAttributesItem* item = FColAttr->Items(i);
        if (item->ColRowIndex() >= 0) ColAttributes(item->ColRowIndex())->CopyAttributes(item->Attributes());
    }
    SetMergeCellsStr(FMergeCellsStr);
}
