#include "Components/Grids/GridFuncs.h"

#include "Components/Grids/AdvStringGrid.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"

#include <QSet>

namespace {

bool Inside(const TStringGrid* Grid, int ACol, int ARow) {
    return ACol >= 0 && ARow >= 0 && ACol < Grid->ColCount() && ARow < Grid->RowCount();
}

// Filling with updates off instead of hiding the grid: a hidden grid would drop the keyboard
// focus, and nothing is painted before the event loop runs anyway.
class TUpdatesOff {
public:
    TUpdatesOff(QWidget* Widget, bool Active) : FWidget(Active ? Widget : nullptr) {
        if (FWidget) {
            FWasEnabled = FWidget->updatesEnabled();
            FWidget->setUpdatesEnabled(false);
        }
    }
    ~TUpdatesOff() {
        if (FWidget) FWidget->setUpdatesEnabled(FWasEnabled);
    }

private:
    QWidget* FWidget;
    bool FWasEnabled = true;
};

bool FirstFieldIs(const QString& Record, QChar Delimiter, const QString& Text) {
    return Record.startsWith(Text) && (Record.size() == Text.size() || Record[Text.size()] == Delimiter);
}

} // namespace

// ---- filling

bool LoadGridFromList(TRichGrid* Grid, TDelimitedStringList* List, bool HideWhileFilling) {
    TUpdatesOff off(Grid, HideWhileFilling);
    try {
        // Measured after filling: the old content's widths would be of no use.
        const bool Filled = FillGridFromList(Grid, List, false);
        Grid->AutoResizeColumns();
        return Filled;
    } catch (const std::exception&) {
        return false;
    }
}

bool FillGridFromList(TStringGrid* Grid, TDelimitedStringList* List, bool HideWhileFilling) {
    TUpdatesOff off(Grid, HideWhileFilling);
    auto* rich = qobject_cast<TRichGrid*>(Grid);
    const int count = List ? List->Count() : 0;
    const int fixed = Grid->FixedRows();
    if (count > 0) {
        Grid->SetRowCount(fixed + count);
        const QChar delimiter = List->FieldDelimiter();
        for (int i = 0; i < count; ++i) {
            const QString record = List->Get(i);
            Grid->SetRowRecord(fixed + i, record, delimiter);
            if (rich && FirstFieldIs(record, delimiter, FilterTotalsText))
                rich->RowAttributes(fixed + i)->SetBackColor(TotalsRowColor);
        }
    } else {
        Grid->SetRowCount(fixed + 1);
        Grid->ClearRow(fixed);
    }
    if (rich) ColorTotalsRows(rich);
    return count > 0;
}

void GridToDelimitedList(TStringGrid* Grid, TDelimitedStrings* List) {
    List->Clear();
    const QChar delimiter = List->FieldDelimiter();
    for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r) {
        if (Grid->Cells(0, r).trimmed().isEmpty()) continue;
        List->AddText(Grid->Rows(r).join(delimiter));
    }
}

void ColorTotalsRows(TRichGrid* Grid) {
    const TColor fixedColor = Grid->ReadCellAttributes(0, 0)->BackColor();
    for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r) {
        const QStringView first = Grid->CellView(0, r);
        if (first.startsWith(MarkerChar)) {
            Grid->SetCells(0, r, first.mid(1).toString());
            Grid->RowAttributes(r)->SetBackColor(TotalsRowColor);
        } else if (first != FilterTotalsText) {
            Grid->RowAttributes(r)->SetBackColor(clWindow);
            for (int c = 0; c < Grid->FixedCols(); ++c)
                Grid->CellAttributes(c, r)->SetBackColor(fixedColor);
        }
    }
}

// ---- clearing and deleting

void ClearGrid(TStringGrid* Grid, int Mode) {
    if (Mode == 0) {
        const int row = Grid->FixedRows();
        Grid->SetRowCount(row + 1);
        if (auto* rich = qobject_cast<TRichGrid*>(Grid))
            rich->ClearValuesRect({0, row, Grid->ColCount(), row});
        Grid->ClearRow(row);
    } else if (Mode == 1) {
        for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r)
            for (int c = Grid->FixedCols(); c < Grid->ColCount(); ++c)
                Grid->SetCells(c, r, QString());
    }
}

void DeleteGridRow(TStringGrid* Grid, int ARow) {
    auto* rich = qobject_cast<TRichGrid*>(Grid);
    if (!rich || ARow < 0 || ARow >= rich->RowCount()) return;
    rich->ClearRowsAttributes(ARow, ARow, caRowAttributes | caCellAttributes);
    rich->ClearRow(ARow);
    for (int r = ARow + 1; r < rich->RowCount(); ++r) {
        rich->ClearRowsAttributes(r - 1, r - 1, caRowAttributes | caCellAttributes);
        rich->RowAttributes(r - 1)->CopyAttributes(rich->ReadRowAttributes(r));
        rich->SetRows(r - 1, rich->Rows(r));
    }
    if (rich->FixedRows() + 1 < rich->RowCount()) {
        rich->ClearRow(rich->RowCount() - 1);
        rich->SetRowCount(rich->RowCount() - 1);
    }
}

// ---- searching

bool FindGridRow(const QString& Text, int ACol, TStringGrid* Grid, int& Row) {
    if (Text.trimmed().isEmpty()) return false;
    for (Row = Grid->FixedRows(); Row < Grid->RowCount(); ++Row)
        if (Grid->Cells(ACol, Row) == Text) return true;
    Row = Grid->RowCount() - 1;
    return false;
}

int FindGridText(TStringGrid* Grid, const QString& Text, int ACol, int StartRow, int Step) {
    const QString upper = Text.toUpper();
    int r = StartRow == -1 ? Grid->FixedRows() : StartRow + Step;
    for (; Step < 1 ? r >= Grid->FixedRows() : r < Grid->RowCount(); r += Step) {
        if (r < 0 || r >= Grid->RowCount()) break;
        if (Grid->Cells(ACol, r).toUpper().contains(upper)) return r;
        if (Step == 0) break;
    }
    return -1;
}

int PrefixMatchLength(const QString& A, const QString& B) {
    const int n = int(std::min(A.size(), B.size()));
    for (int i = 0; i < n; ++i) {
        const QString a = A.mid(i, 1).toUpper();
        const QString b = B.mid(i, 1).toUpper();
        if (a != b) return QString::localeAwareCompare(a, b) < 0 ? -i : i;
    }
    return A.size() < B.size() ? -n : n;
}

int FindGridPrefix(TStringGrid* Grid, QString& Text, int ACol, int StartRow, int Step) {
    int best = -1;
    int bestLength = 0;
    int r = StartRow == -1 ? Grid->FixedRows() : StartRow;
    for (; Step < 1 ? r >= Grid->FixedRows() : r < Grid->RowCount(); r += Step) {
        if (r < 0 || r >= Grid->RowCount()) break;
        QString shown;
        GetGridCellText(Grid, ACol, r, shown);
        const int length = std::abs(PrefixMatchLength(Text, shown));
        if (length == Text.size() && Grid->Cells(ACol, r) == Text) return r;
        if (length > bestLength) {
            bestLength = length;
            best = r;
        }
        if (Step == 0) break;
    }
    if (bestLength == 0) return -1;
    Text.truncate(bestLength);
    return best;
}

// ---- texts

void GetGridCellText(TStringGrid* Grid, int ACol, int ARow, QString& Text) {
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        Text = rich->GetDisplayText(ACol, ARow);
    else
        Text = Grid->Cells(ACol, ARow);
}

void GridSelectionToText(TStringGrid* Grid, QString& Text) {
    const TGridRect sel = Grid->Selection();
    Text.clear();
    for (int r = sel.Top; r <= sel.Bottom; ++r) {
        QString line;
        for (int c = sel.Left; c <= sel.Right; ++c) {
            QString cell;
            GetGridCellText(Grid, c, r, cell);
            if (!line.isEmpty()) line += QLatin1Char('\t');
            line += cell;
        }
        if (!Text.isEmpty()) Text += QLatin1Char('\r');
        Text += line;
    }
}

// ---- per-cell looks

void SetGridCellColor(TStringGrid* Grid, int ACol, int ARow, TColor Color) {
    if (!Inside(Grid, ACol, ARow)) return;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        rich->CellAttributes(ACol, ARow)->SetBackColor(Color);
    else if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        adv->SetCellColor(ACol, ARow, Color);
    Grid->InvalidateCell(ACol, ARow);
}

TColor GetGridCellColor(TStringGrid* Grid, int ACol, int ARow) {
    if (!Inside(Grid, ACol, ARow)) return clWindow;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid)) return rich->ReadCellAttributes(ACol, ARow)->BackColor();
    if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid)) return adv->GetCellColor(ACol, ARow);
    return clWindow;
}

void SetGridCellBitmap(TStringGrid* Grid, int ACol, int ARow, int ImageIndex) {
    if (!Inside(Grid, ACol, ARow)) return;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid)) rich->CellAttributes(ACol, ARow)->SetBitmap(ImageIndex);
}

TCellAlignment GetGridCellAlignment(TStringGrid* Grid, int ACol, int ARow) {
    if (!Inside(Grid, ACol, ARow)) return {};
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        return rich->EffectiveCellAttributes(ACol, ARow)->Alignment();
    auto* adv = qobject_cast<TAdvStringGrid*>(Grid);
    if (!adv) return {};
    const int code = adv->GetCellAlignment(ACol, ARow);
    TCellAlignment result;
    switch (code & 3) {
    case acLeft:
        result.Include(caLeft);
        break;
    case acRight:
        result.Include(caRight);
        break;
    case acHCenter:
        result.Include(caCenter);
        break;
    }
    switch (code & 12) {
    case acTop:
        result.Include(caTop);
        break;
    case acBottom:
        result.Include(caBottom);
        break;
    case acVCenter:
        result.Include(caCenter);
        break;
    }
    return result;
}

void GetGridMergedCells(TStringGrid* Grid, int ACol, int ARow, TGridRect& Rect) {
    Rect = {ACol, ARow, ACol, ARow};
    if (!Inside(Grid, ACol, ARow)) return;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        Rect = rich->GetMergedCells(ACol, ARow);
    else if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        Rect = adv->FindMergedBlock(ACol, ARow);
}

QList<TNumberFormatter*> GridNumberFormatters(TRichGrid* Grid) {
    // The formatter in effect on each data cell, found through the layers without running
    // any formatter: a large list would otherwise format every cell once.
    auto own = [](const TCellAttributes* a, TCellFormatter*& f) {
        if (a && !a->DefaultAttributes().Contains(daFormatter)) f = a->Formatter();
    };
    QSet<TNumberFormatter*> found;
    for (int r = Grid->FixedRows(); r < Grid->RowCount(); ++r)
        for (int c = Grid->FixedCols(); c < Grid->ColCount(); ++c) {
            TCellFormatter* f = nullptr;
            if (Grid->HasCellAttributes(c, r)) {
                f = Grid->ReadCellAttributes(c, r)->Formatter();
            } else {
                f = Grid->DefAttributes()->Formatter();
                if (Grid->HasColAttributes(c)) own(Grid->ReadColAttributes(c), f);
                if (Grid->HasRowAttributes(r)) own(Grid->ReadRowAttributes(r), f);
            }
            if (auto* n = qobject_cast<TNumberFormatter*>(f)) found.insert(n);
        }
    return found.values();
}

void SetGridMarkNegative(TRichGrid* Grid, bool Value) {
    for (TNumberFormatter* f : GridNumberFormatters(Grid))
        f->SetMarkNegative(Value);
}

void HideGridSelection(TStringGrid* Grid) {
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        rich->RowAttributes(rich->Row())->SetHideSelection(true);
    else if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        adv->SetHighlightSelection(false);
    TGridOptions options = Grid->Options();
    options.Exclude(goDrawFocusSelected);
    Grid->SetOptions(options);
}

// ---- columns

void HideGridColumn(TStringGrid* Grid, int ACol) {
    if (ACol < 0 || ACol >= Grid->ColCount()) return;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        rich->ColAttributes(ACol)->SetVisible(false);
    else if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        adv->SetColumnHidden(ACol, true);
}

void ShowGridColumn(TStringGrid* Grid, int ACol) {
    if (ACol < 0 || ACol >= Grid->ColCount()) return;
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        rich->ColAttributes(ACol)->SetVisible(true);
    else if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        adv->SetColumnHidden(ACol, false);
}

namespace {

QStringList FillColumnNumbers(const TAdvStringGrid* Grid) {
    QStringList numbers = Grid->FillClientCols().split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& n : numbers)
        n = n.trimmed();
    return numbers;
}

} // namespace

void SetGridColumnFillClient(TStringGrid* Grid, int ACol, bool Value) {
    if (auto* rich = qobject_cast<TRichGrid*>(Grid)) {
        if (TColRowAttributes* a = rich->ColAttributes(ACol)) a->SetResizeToFillClient(Value);
        return;
    }
    auto* adv = qobject_cast<TAdvStringGrid*>(Grid);
    if (!adv) return;
    QStringList numbers = FillColumnNumbers(adv);
    const QString number = QString::number(ACol);
    if (Value && !numbers.contains(number)) numbers.append(number);
    if (!Value) numbers.removeAll(number);
    adv->SetFillClientCols(numbers.join(QLatin1Char(',')));
}

bool GetGridColumnFillClient(TStringGrid* Grid, int ACol) {
    if (auto* rich = qobject_cast<TRichGrid*>(Grid))
        return rich->ReadColAttributes(ACol)->ResizeToFillClient();
    if (auto* adv = qobject_cast<TAdvStringGrid*>(Grid))
        return FillColumnNumbers(adv).contains(QString::number(ACol));
    return false;
}

bool GridColumnsFitWidth(TStringGrid* Grid) {
    int sum = 0;
    for (int c = Grid->LeftCol(); c < Grid->ColCount(); ++c)
        sum += Grid->ColWidths(c);
    return sum < Grid->width() - 4;
}

int GetFixedRowsHeight(TStringGrid* Grid) {
    int sum = 0;
    for (int r = 0; r < Grid->FixedRows(); ++r)
        sum += Grid->RowHeights(r);
    return sum;
}

bool GridHasScrollBar(TStringGrid* Grid, int Kind) {
    switch (Grid->ScrollBars()) {
    case ssBoth:
        return true;
    case ssHorizontal:
        return Kind == 0;
    case ssVertical:
        return Kind == 1;
    default:
        return false;
    }
}

TStringGrid* CloneGrid(TStringGrid* Source, bool Visible, QWidget* Parent) {
    QWidget* parent = Parent ? Parent : Source->parentWidget();
    TStringGrid* copy = nullptr;
    if (QLatin1String(Source->metaObject()->className()) == QLatin1String("TAdvStringGrid")) {
        auto* adv = new TAdvStringGrid(parent);
        adv->Assign(static_cast<TAdvStringGrid*>(Source));
        copy = adv;
    } else if (auto* rich = qobject_cast<TRichGrid*>(Source)) {
        auto* grid = new TRichGrid(parent);
        grid->Assign(rich);
        copy = grid;
    }
    if (copy) copy->setVisible(Visible);
    return copy;
}
