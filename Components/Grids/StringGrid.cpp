#include "Components/Grids/StringGrid.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <utility>

namespace {
// Stands between stored fields; never shown, so any character will do.
const QChar FieldSeparator(0x1F);
const int SizingMargin = 3;
} // namespace

TStringGrid::TStringGrid(QWidget* Parent) : QAbstractScrollArea(Parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    FEditor = new QLineEdit(viewport());
    FEditor->setObjectName(QStringLiteral("InplaceEditor"));
    FEditor->setFrame(false);
    FEditor->hide();
    FEditor->installEventFilter(this);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] { scrollContentsBy(0, 0); });
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, [this] { scrollContentsBy(0, 0); });
    FData.resize(5);
    FColWidths.assign(5, FDefaultColWidth);
    FRowHeights.assign(5, FDefaultRowHeight);
    UpdateScrollBars();
}

TStringGrid::~TStringGrid() = default;

// ---- texts

QString TStringGrid::Cells(int ACol, int ARow) const {
    return CellView(ACol, ARow).toString();
}

QStringView TStringGrid::CellView(int ACol, int ARow) const {
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= ColCount()) return {};
    const TRowData& d = FData[size_t(ARow)];
    if (size_t(ACol) >= d.Ends.size()) return {};
    const int start = ACol == 0 ? 0 : d.Ends[size_t(ACol) - 1] + 1;
    return QStringView(d.Text).mid(start, d.Ends[size_t(ACol)] - start);
}

void TStringGrid::SetCells(int ACol, int ARow, const QString& Value) {
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= ColCount()) return;
    TRowData& d = FData[size_t(ARow)];
    const size_t n = d.Ends.size();
    if (size_t(ACol) >= n) {
        if (Value.isEmpty()) return;
        d.Text.truncate(n ? d.Ends.back() : 0);
        for (size_t k = n; k <= size_t(ACol); ++k) {
            if (k > 0) d.Text += FieldSeparator;
            if (k == size_t(ACol)) d.Text += Value;
            d.Ends.push_back(int(d.Text.size()));
        }
    } else {
        const int start = ACol == 0 ? 0 : d.Ends[size_t(ACol) - 1] + 1;
        const int oldLen = d.Ends[size_t(ACol)] - start;
        if (QStringView(d.Text).mid(start, oldLen) == Value) return;
        d.Text.replace(start, oldLen, Value);
        const int delta = int(Value.size()) - oldLen;
        for (size_t k = size_t(ACol); k < n; ++k)
            d.Ends[k] += delta;
    }
    InvalidateCell(ACol, ARow);
}

QStringList TStringGrid::Cols(int ACol) const {
    QStringList list;
    if (ACol < 0 || ACol >= ColCount()) return list;
    list.reserve(RowCount());
    for (int r = 0; r < RowCount(); ++r)
        list.append(Cells(ACol, r));
    return list;
}

void TStringGrid::SetCols(int ACol, const QStringList& Value) {
    for (int r = 0; r < RowCount(); ++r)
        SetCells(ACol, r, r < Value.size() ? Value[r] : QString());
}

QStringList TStringGrid::Rows(int ARow) const {
    QStringList list;
    if (ARow < 0 || ARow >= RowCount()) return list;
    for (int c = 0; c < ColCount(); ++c)
        list.append(Cells(c, ARow));
    return list;
}

void TStringGrid::SetRows(int ARow, const QStringList& Value) {
    for (int c = 0; c < ColCount(); ++c)
        SetCells(c, ARow, c < Value.size() ? Value[c] : QString());
}

void TStringGrid::SetRowRecord(int ARow, const QString& Record, QChar Delimiter) {
    if (ARow < 0 || ARow >= RowCount()) return;
    TRowData& d = FData[size_t(ARow)];
    d.Ends.clear();
    const size_t cols = size_t(ColCount());
    const QChar* p = Record.constData();
    const int len = int(Record.size());
    for (int i = 0; i < len && d.Ends.size() < cols; ++i)
        if (p[i] == Delimiter) d.Ends.push_back(i);
    if (d.Ends.size() < cols) d.Ends.push_back(len);
    d.Text = Record;
    InvalidateRow(ARow);
}

void TStringGrid::ClearRow(int ARow) {
    if (ARow < 0 || ARow >= RowCount()) return;
    FData[size_t(ARow)] = TRowData();
    InvalidateRow(ARow);
}

namespace {

// One element of V from From to To, the ones between shifted by one.
template <class T> void MoveElement(std::vector<T>& V, int From, int To) {
    if (From < To)
        std::rotate(V.begin() + From, V.begin() + From + 1, V.begin() + To + 1);
    else
        std::rotate(V.begin() + To, V.begin() + From, V.begin() + From + 1);
}

} // namespace

void TStringGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex || FromIndex < 0 || ToIndex < 0 || FromIndex >= RowCount() ||
        ToIndex >= RowCount())
        return;
    MoveElement(FData, FromIndex, ToIndex);
    MoveElement(FRowHeights, FromIndex, ToIndex);
    InvalidateGrid();
}

// ---- dimensions

void TStringGrid::SetColCount(int Value) {
    Value = std::max(Value, 1);
    if (Value == ColCount()) return;
    if (Value < ColCount())
        for (TRowData& d : FData)
            if (d.Ends.size() > size_t(Value)) {
                d.Ends.resize(size_t(Value));
                d.Text.truncate(d.Ends.back());
            }
    FColWidths.resize(size_t(Value), FDefaultColWidth);
    if (FFixedCols >= Value) FFixedCols = Value - 1;
    FCol = std::clamp(FCol, FFixedCols, Value - 1);
    FAnchorCol = std::clamp(FAnchorCol, FFixedCols, Value - 1);
    FLeftCol = std::clamp(FLeftCol, FFixedCols, Value - 1);
    UpdateScrollBars();
    InvalidateGrid();
}

void TStringGrid::SetRowCount(int Value) {
    Value = std::max(Value, 1);
    if (Value == RowCount()) return;
    FData.resize(size_t(Value));
    FRowHeights.resize(size_t(Value), FDefaultRowHeight);
    if (FFixedRows >= Value) FFixedRows = Value - 1;
    FRow = std::clamp(FRow, FFixedRows, Value - 1);
    FAnchorRow = std::clamp(FAnchorRow, FFixedRows, Value - 1);
    FTopRow = std::clamp(FTopRow, FFixedRows, Value - 1);
    UpdateScrollBars();
    InvalidateGrid();
}

void TStringGrid::SetFixedCols(int Value) {
    Value = std::clamp(Value, 0, ColCount() - 1);
    FFixedCols = Value;
    FCol = std::max(FCol, Value);
    FAnchorCol = std::max(FAnchorCol, Value);
    FLeftCol = std::max(FLeftCol, Value);
    UpdateScrollBars();
    InvalidateGrid();
}

void TStringGrid::SetFixedRows(int Value) {
    Value = std::clamp(Value, 0, RowCount() - 1);
    FFixedRows = Value;
    FRow = std::max(FRow, Value);
    FAnchorRow = std::max(FAnchorRow, Value);
    FTopRow = std::max(FTopRow, Value);
    UpdateScrollBars();
    InvalidateGrid();
}

int TStringGrid::ColWidths(int ACol) const {
    return ACol >= 0 && ACol < ColCount() ? FColWidths[size_t(ACol)] : 0;
}

void TStringGrid::SetColWidths(int ACol, int Value) {
    if (ACol < 0 || ACol >= ColCount()) return;
    Value = std::max(Value, 0);
    if (FColWidths[size_t(ACol)] == Value) return;
    FColWidths[size_t(ACol)] = Value;
    if (FSizingDepth > 0) {
        FColsSized = true;
        return;
    }
    UpdateScrollBars();
    InvalidateGrid();
    ColWidthsChanged();
}

int TStringGrid::RowHeights(int ARow) const {
    return ARow >= 0 && ARow < RowCount() ? FRowHeights[size_t(ARow)] : 0;
}

void TStringGrid::SetRowHeights(int ARow, int Value) {
    if (ARow < 0 || ARow >= RowCount()) return;
    Value = std::max(Value, 0);
    if (FRowHeights[size_t(ARow)] == Value) return;
    FRowHeights[size_t(ARow)] = Value;
    if (FSizingDepth > 0) {
        FRowsSized = true;
        return;
    }
    UpdateScrollBars();
    InvalidateGrid();
    const int Outer = FSizedRow;
    FSizedRow = ARow;
    RowHeightsChanged();
    FSizedRow = Outer;
}

void TStringGrid::EndSizing() {
    if (FSizingDepth == 0 || --FSizingDepth > 0) return;
    UpdateScrollBars();
    InvalidateGrid();
    if (std::exchange(FColsSized, false)) ColWidthsChanged();
    if (std::exchange(FRowsSized, false)) RowHeightsChanged();
}

void TStringGrid::SetDefaultColWidth(int Value) {
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    UpdateScrollBars();
    InvalidateGrid();
    ColWidthsChanged();
}

void TStringGrid::SetDefaultRowHeight(int Value) {
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    UpdateScrollBars();
    InvalidateGrid();
    RowHeightsChanged();
}

void TStringGrid::SetFixedColor(TColor Value) {
    FFixedColor = Value;
    InvalidateGrid();
}

void TStringGrid::SetColor(TColor Value) {
    FColor = Value;
    InvalidateGrid();
}

void TStringGrid::SetOptions(TGridOptions Value) {
    if (FOptions == Value) return;
    FOptions = Value;
    if (!Value.Contains(goEditing) && FEditorMode) CommitEditor();
    if (!Value.Contains(goRangeSelect)) {
        FAnchorCol = FCol;
        FAnchorRow = FRow;
    }
    InvalidateGrid();
}

void TStringGrid::SetScrollBars(TScrollStyle Value) {
    FScrollBars = Value;
    UpdateScrollBars();
}

int TStringGrid::FixedColsWidth() const {
    int w = 0;
    for (int c = 0; c < FFixedCols; ++c)
        w += FColWidths[size_t(c)];
    return w;
}

int TStringGrid::FixedRowsHeight() const {
    int h = 0;
    for (int r = 0; r < FFixedRows; ++r)
        h += FRowHeights[size_t(r)];
    return h;
}

// ---- current cell and selection

bool TStringGrid::SelectCell(int, int) {
    return true;
}

void TStringGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
    if (ColCount() <= FFixedCols || RowCount() <= FFixedRows) return;
    ACol = std::clamp(ACol, FFixedCols, ColCount() - 1);
    ARow = std::clamp(ARow, FFixedRows, RowCount() - 1);
    if (!SelectCell(ACol, ARow)) return;
    if (FEditorMode) CommitEditor();
    FCol = ACol;
    FRow = ARow;
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchorCol = FCol;
        FAnchorRow = FRow;
    }
    ScrollIntoView(FCol, FRow);
    InvalidateGrid();
    emit currentCellChanged(FCol, FRow);
}

void TStringGrid::SetCol(int Value) {
    Value = std::clamp(Value, FFixedCols, ColCount() - 1);
    if (Value != FCol) FocusCell(Value, FRow, true);
}

void TStringGrid::SetRow(int Value) {
    Value = std::clamp(Value, FFixedRows, RowCount() - 1);
    if (Value != FRow) FocusCell(FCol, Value, true);
}

TGridRect TStringGrid::Selection() const {
    return {std::min(FCol, FAnchorCol), std::min(FRow, FAnchorRow), std::max(FCol, FAnchorCol),
            std::max(FRow, FAnchorRow)};
}

void TStringGrid::SetSelection(const TGridRect& Value) {
    FocusCell(Value.Left, Value.Top, true);
    if (FOptions.Contains(goRangeSelect)) FocusCell(Value.Right, Value.Bottom, false);
}

void TStringGrid::MoveBy(int DCol, int DRow, bool Extend) {
    const int c = std::clamp(FCol + DCol, FFixedCols, ColCount() - 1);
    const int r = std::clamp(FRow + DRow, FFixedRows, RowCount() - 1);
    if (c != FCol || r != FRow) FocusCell(c, r, !Extend);
}

// ---- scrolling

int TStringGrid::MaxTopRow() const {
    const int h = viewport()->height() - FixedRowsHeight();
    int r = RowCount() - 1;
    int sum = 0;
    for (; r >= FFixedRows; --r) {
        sum += FRowHeights[size_t(r)];
        if (sum > h) break;
    }
    return std::clamp(r + 1, FFixedRows, RowCount() - 1);
}

int TStringGrid::MaxLeftCol() const {
    const int w = viewport()->width() - FixedColsWidth();
    int c = ColCount() - 1;
    int sum = 0;
    for (; c >= FFixedCols; --c) {
        sum += FColWidths[size_t(c)];
        if (sum > w) break;
    }
    return std::clamp(c + 1, FFixedCols, ColCount() - 1);
}

void TStringGrid::SetTopRow(int Value) {
    Value = std::clamp(Value, FFixedRows, std::max(FFixedRows, MaxTopRow()));
    if (Value == FTopRow) return;
    FTopRow = Value;
    if (FEditorMode) CommitEditor();
    UpdateScrollBars();
    InvalidateGrid();
}

void TStringGrid::SetLeftCol(int Value) {
    Value = std::clamp(Value, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    if (Value == FLeftCol) return;
    FLeftCol = Value;
    if (FEditorMode) CommitEditor();
    UpdateScrollBars();
    InvalidateGrid();
}

int TStringGrid::VisibleColCount() const {
    const int w = viewport()->width() - FixedColsWidth();
    int n = 0;
    int x = 0;
    for (int c = FLeftCol; c < ColCount(); ++c) {
        x += FColWidths[size_t(c)];
        if (x > w) break;
        ++n;
    }
    return std::max(n, 1);
}

int TStringGrid::VisibleRowCount() const {
    const int h = viewport()->height() - FixedRowsHeight();
    int n = 0;
    int y = 0;
    for (int r = FTopRow; r < RowCount(); ++r) {
        y += FRowHeights[size_t(r)];
        if (y > h) break;
        ++n;
    }
    return std::max(n, 1);
}

void TStringGrid::ScrollIntoView(int ACol, int ARow) {
    if (ARow >= FFixedRows) {
        if (ARow < FTopRow) {
            SetTopRow(ARow);
        } else {
            const int h = viewport()->height() - FixedRowsHeight();
            int top = ARow;
            int sum = FRowHeights[size_t(ARow)];
            while (top > FTopRow && sum + FRowHeights[size_t(top) - 1] <= h)
                sum += FRowHeights[size_t(--top)];
            if (top > FTopRow) SetTopRow(top);
        }
    }
    if (ACol >= FFixedCols) {
        if (ACol < FLeftCol) {
            SetLeftCol(ACol);
        } else {
            const int w = viewport()->width() - FixedColsWidth();
            int left = ACol;
            int sum = FColWidths[size_t(ACol)];
            while (left > FLeftCol && sum + FColWidths[size_t(left) - 1] <= w)
                sum += FColWidths[size_t(--left)];
            if (left > FLeftCol) SetLeftCol(left);
        }
    }
}

void TStringGrid::UpdateScrollBars() {
    if (FUpdatingBars) return;
    FUpdatingBars = true;
    const bool horz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    const bool vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
    setHorizontalScrollBarPolicy(horz ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vert ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    FTopRow = std::clamp(FTopRow, FFixedRows, std::max(FFixedRows, MaxTopRow()));
    FLeftCol = std::clamp(FLeftCol, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    verticalScrollBar()->setRange(FFixedRows, std::max(FFixedRows, MaxTopRow()));
    verticalScrollBar()->setPageStep(VisibleRowCount());
    verticalScrollBar()->setValue(FTopRow);
    horizontalScrollBar()->setRange(FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    horizontalScrollBar()->setPageStep(VisibleColCount());
    horizontalScrollBar()->setValue(FLeftCol);
    FUpdatingBars = false;
}

void TStringGrid::scrollContentsBy(int, int) {
    if (FUpdatingBars) return;
    if (!FOptions.Contains(goThumbTracking) &&
        (verticalScrollBar()->isSliderDown() || horizontalScrollBar()->isSliderDown()))
        return;
    SetTopRow(verticalScrollBar()->value());
    SetLeftCol(horizontalScrollBar()->value());
}

// ---- geometry

QRect TStringGrid::CellRect(int ACol, int ARow) const {
    if (ACol < 0 || ACol >= ColCount() || ARow < 0 || ARow >= RowCount()) return QRect();
    const int vw = viewport()->width();
    const int vh = viewport()->height();
    int x = 0;
    if (ACol < FFixedCols) {
        for (int c = 0; c < ACol; ++c)
            x += FColWidths[size_t(c)];
    } else {
        if (ACol < FLeftCol) return QRect();
        x = FixedColsWidth();
        for (int c = FLeftCol; c < ACol && x < vw; ++c)
            x += FColWidths[size_t(c)];
        if (x >= vw) return QRect();
    }
    int y = 0;
    if (ARow < FFixedRows) {
        for (int r = 0; r < ARow; ++r)
            y += FRowHeights[size_t(r)];
    } else {
        if (ARow < FTopRow) return QRect();
        y = FixedRowsHeight();
        for (int r = FTopRow; r < ARow && y < vh; ++r)
            y += FRowHeights[size_t(r)];
        if (y >= vh) return QRect();
    }
    return QRect(x, y, FColWidths[size_t(ACol)], FRowHeights[size_t(ARow)]);
}

void TStringGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) const {
    ACol = -1;
    ARow = -1;
    auto find = [](int pos, int fixed, int first, int count, const std::vector<int>& sizes) {
        int edge = 0;
        for (int i = 0; i < fixed; ++i) {
            edge += sizes[size_t(i)];
            if (pos < edge) return sizes[size_t(i)] > 0 ? i : -1;
        }
        for (int i = first; i < count; ++i) {
            edge += sizes[size_t(i)];
            if (pos < edge) return i;
        }
        return -1;
    };
    if (X < 0 || Y < 0 || X >= viewport()->width() || Y >= viewport()->height()) return;
    const int c = find(X, FFixedCols, FLeftCol, ColCount(), FColWidths);
    const int r = find(Y, FFixedRows, FTopRow, RowCount(), FRowHeights);
    if (c < 0 || r < 0) return;
    ACol = c;
    ARow = r;
}

void TStringGrid::InvalidateCell(int ACol, int ARow) {
    if (!isVisible() || !updatesEnabled()) return;
    const QRect r = CellRect(ACol, ARow);
    if (!r.isNull()) viewport()->update(r);
}

void TStringGrid::InvalidateCol(int ACol) {
    if (isVisible()) viewport()->update();
}

void TStringGrid::InvalidateRow(int ARow) {
    if (!isVisible() || !updatesEnabled()) return;
    const QRect r = CellRect(FFixedCols < ColCount() ? FLeftCol : 0, ARow);
    if (!r.isNull()) viewport()->update(QRect(0, r.top(), viewport()->width(), r.height()));
}

void TStringGrid::InvalidateGrid() {
    if (isVisible()) viewport()->update();
}

void TStringGrid::ColWidthsChanged() {}
void TStringGrid::RowHeightsChanged() {}

// ---- painting

void TStringGrid::DrawCell(QPainter& Painter, int ACol, int ARow, const QRect& Rect, TGridDrawState State) {
    const QPalette& pal = palette();
    TColor back = State.Contains(gdFixed) ? FFixedColor : FColor;
    TColor fore = clWindowText;
    if (State.Contains(gdSelected)) {
        back = clHighlight;
        fore = clHighlightText;
    }
    Painter.fillRect(Rect, ToQColor(back, pal));
    Painter.setPen(ToQColor(fore, pal));
    Painter.drawText(Rect.adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     Cells(ACol, ARow));
}

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int vw = viewport()->width();
    const int vh = viewport()->height();
    p.fillRect(QRect(0, 0, vw, vh), ToQColor(FColor, palette()));

    struct TSpan {
        int Index;
        int Pos;
        int Size;
    };
    auto spans = [](int fixed, int first, int count, int limit, const std::vector<int>& sizes,
                    std::vector<TSpan>& fixedOut, std::vector<TSpan>& scrolledOut) {
        int pos = 0;
        for (int i = 0; i < fixed && i < count; ++i) {
            fixedOut.push_back({i, pos, sizes[size_t(i)]});
            pos += sizes[size_t(i)];
        }
        for (int i = first; i < count && pos < limit; ++i) {
            scrolledOut.push_back({i, pos, sizes[size_t(i)]});
            pos += sizes[size_t(i)];
        }
    };
    std::vector<TSpan> fixedCols, cols, fixedRows, rows;
    spans(FFixedCols, FLeftCol, ColCount(), vw, FColWidths, fixedCols, cols);
    spans(FFixedRows, FTopRow, RowCount(), vh, FRowHeights, fixedRows, rows);
    const int fw = FixedColsWidth();
    const int fh = FixedRowsHeight();

    const TGridRect sel = Selection();
    const bool focused = hasFocus() || (FEditorMode && FEditor->hasFocus());
    auto paintBlock = [&](const std::vector<TSpan>& cs, const std::vector<TSpan>& rs, const QRect& clip) {
        if (clip.isEmpty()) return;
        p.save();
        p.setClipRect(clip);
        for (const TSpan& r : rs) {
            if (r.Size <= 0) continue;
            for (const TSpan& c : cs) {
                if (c.Size <= 0) continue;
                TGridDrawState state;
                const bool fixed = c.Index < FFixedCols || r.Index < FFixedRows;
                if (fixed) state.Include(gdFixed);
                const bool current = c.Index == FCol && r.Index == FRow;
                if (current && focused) state.Include(gdFocused);
                if (!fixed && sel.Contains(c.Index, r.Index) &&
                    !(current && focused && !FOptions.Contains(goDrawFocusSelected)))
                    state.Include(gdSelected);
                DrawCell(p, c.Index, r.Index, QRect(c.Pos, r.Pos, c.Size, r.Size), state);
            }
        }
        p.restore();
    };
    paintBlock(cols, rows, QRect(fw, fh, vw - fw, vh - fh));
    paintBlock(cols, fixedRows, QRect(fw, 0, vw - fw, fh));
    paintBlock(fixedCols, rows, QRect(0, fh, fw, vh - fh));
    paintBlock(fixedCols, fixedRows, QRect(0, 0, fw, fh));

    if (focused && !FEditorMode) {
        const QRect r = CellRect(FCol, FRow);
        if (!r.isEmpty()) {
            p.setClipRect(QRect(fw, fh, vw - fw, vh - fh));
            QPen pen(ToQColor(clWindowText, palette()));
            pen.setStyle(Qt::DotLine);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(1, 1, -2, -2));
        }
    }
}

void TStringGrid::resizeEvent(QResizeEvent* Event) {
    QAbstractScrollArea::resizeEvent(Event);
    UpdateScrollBars();
}

// ---- keyboard and mouse

void TStringGrid::keyPressEvent(QKeyEvent* Event) {
    const bool shift = Event->modifiers().testFlag(Qt::ShiftModifier) && FOptions.Contains(goRangeSelect);
    const bool ctrl = Event->modifiers().testFlag(Qt::ControlModifier);
    switch (Event->key()) {
    case Qt::Key_Up:
        MoveBy(0, -1, shift);
        break;
    case Qt::Key_Down:
        MoveBy(0, 1, shift);
        break;
    case Qt::Key_Left:
        MoveBy(-1, 0, shift);
        break;
    case Qt::Key_Right:
        MoveBy(1, 0, shift);
        break;
    case Qt::Key_PageUp: {
        const int page = VisibleRowCount();
        SetTopRow(FTopRow - page);
        MoveBy(0, -page, shift);
        break;
    }
    case Qt::Key_PageDown: {
        const int page = VisibleRowCount();
        SetTopRow(FTopRow + page);
        MoveBy(0, page, shift);
        break;
    }
    case Qt::Key_Home:
        MoveBy(FFixedCols - FCol, ctrl ? FFixedRows - FRow : 0, shift);
        break;
    case Qt::Key_End:
        MoveBy(ColCount() - 1 - FCol, ctrl ? RowCount() - 1 - FRow : 0, shift);
        break;
    case Qt::Key_F2:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FOptions.Contains(goEditing) && CanEditShow()) {
            SetEditorMode(true);
            break;
        }
        Event->ignore();
        return;
    default: {
        const QString text = Event->text();
        if (!text.isEmpty() && text[0].isPrint() && !ctrl && FOptions.Contains(goEditing) && CanEditShow()) {
            SetEditorMode(true);
            FEditor->setText(text);
            break;
        }
        QAbstractScrollArea::keyPressEvent(Event);
        return;
    }
    }
    Event->accept();
}

int TStringGrid::ColSizingBorder(int X, int Y) const {
    if (!FOptions.Contains(goColSizing) || Y >= FixedRowsHeight()) return -1;
    int c = -1;
    int r = -1;
    MouseToCell(X, Y, c, r);
    for (int k : {c, c - 1}) {
        if (k < 0) continue;
        const QRect rect = CellRect(k, r < 0 ? 0 : r);
        if (!rect.isNull() && std::abs(X - (rect.right() + 1)) <= SizingMargin) return k;
    }
    return -1;
}

void TStringGrid::mousePressEvent(QMouseEvent* Event) {
    setFocus(Qt::MouseFocusReason);
    if (Event->button() != Qt::LeftButton) return;
    if (FEditorMode) CommitEditor();
    const QPoint pos = Event->position().toPoint();
    const int sizing = ColSizingBorder(pos.x(), pos.y());
    if (sizing >= 0) {
        FSizingCol = sizing;
        FSizingStartX = pos.x();
        FSizingStartWidth = ColWidths(sizing);
        return;
    }
    int c = -1;
    int r = -1;
    MouseToCell(pos.x(), pos.y(), c, r);
    if (c < FFixedCols || r < FFixedRows) return;
    FMouseDown = true;
    const bool extend = Event->modifiers().testFlag(Qt::ShiftModifier) && FOptions.Contains(goRangeSelect);
    if (c != FCol || r != FRow || !extend) FocusCell(c, r, !extend);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* Event) {
    const QPoint pos = Event->position().toPoint();
    if (FSizingCol >= 0) {
        SetColWidths(FSizingCol, std::max(0, FSizingStartWidth + pos.x() - FSizingStartX));
        return;
    }
    if (!Event->buttons().testFlag(Qt::LeftButton)) {
        viewport()->setCursor(ColSizingBorder(pos.x(), pos.y()) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    if (!FMouseDown || !FOptions.Contains(goRangeSelect)) return;
    int c = -1;
    int r = -1;
    MouseToCell(pos.x(), pos.y(), c, r);
    if (c >= FFixedCols && r >= FFixedRows && (c != FCol || r != FRow)) FocusCell(c, r, false);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton) return;
    FMouseDown = false;
    if (FSizingCol >= 0) {
        FSizingCol = -1;
        return;
    }
    const QPoint pos = Event->position().toPoint();
    int c = -1;
    int r = -1;
    MouseToCell(pos.x(), pos.y(), c, r);
    emit cellClicked(c, r);
    emit clicked();
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton) emit doubleClicked();
}

void TStringGrid::focusInEvent(QFocusEvent* Event) {
    QAbstractScrollArea::focusInEvent(Event);
    InvalidateGrid();
}

void TStringGrid::focusOutEvent(QFocusEvent* Event) {
    QAbstractScrollArea::focusOutEvent(Event);
    InvalidateGrid();
}

// ---- in-place editing

bool TStringGrid::CanEditShow() const {
    return FOptions.Contains(goEditing) && FCol >= FFixedCols && FRow >= FFixedRows && FCol < ColCount() &&
           FRow < RowCount();
}

void TStringGrid::SetEditorMode(bool Value) {
    if (Value == FEditorMode) return;
    if (!Value) {
        CommitEditor();
        return;
    }
    if (!CanEditShow()) return;
    ScrollIntoView(FCol, FRow);
    const QRect r = CellRect(FCol, FRow);
    if (r.isEmpty()) return;
    FEditorMode = true;
    FEditorOriginal = GetEditText(FCol, FRow);
    FEditor->setGeometry(r);
    FEditor->setText(FEditorOriginal);
    FEditor->selectAll();
    FEditor->show();
    FEditor->setFocus();
}

void TStringGrid::CommitEditor() {
    if (!FEditorMode) return;
    FEditorMode = false;
    SetEditText(FCol, FRow, FEditor->text());
    const bool hadFocus = FEditor->hasFocus();
    FEditor->hide();
    if (hadFocus) setFocus();
    InvalidateGrid();
}

void TStringGrid::CancelEditor() {
    if (!FEditorMode) return;
    FEditor->setText(FEditorOriginal);
    CommitEditor();
}

bool TStringGrid::eventFilter(QObject* Watched, QEvent* Event) {
    if (Watched == FEditor) {
        if (Event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(Event);
            switch (key->key()) {
            case Qt::Key_Escape:
                CancelEditor();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                CommitEditor();
                return true;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                CommitEditor();
                keyPressEvent(key);
                return true;
            default:
                break;
            }
        } else if (Event->type() == QEvent::FocusOut) {
            CommitEditor();
        }
    }
    return QAbstractScrollArea::eventFilter(Watched, Event);
}
