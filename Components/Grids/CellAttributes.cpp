#include "Components/Grids/CellAttributes.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"

#include <algorithm>

TDefaultAttributes AllDefaultAttributes() {
    TDefaultAttributes all;
    for (int i = 0; i < DefAttrCount; ++i)
        all.Include(TDefAttr(i));
    return all;
}

// ---- TCellAttributes

TCellAttributes::TCellAttributes() {
    Reset();
}

TCellAttributes::TCellAttributes(TRichGrid* Grid, int ARow, int ACol)
    : FStandAlone(false), FCol(ACol), FRow(ARow), FGrid(Grid) {
    Reset();
}

TCellAttributes::~TCellAttributes() {
    if (FFormatter) FFormatter->UnregisterAttributes(this);
}

void TCellAttributes::CheckStandAlone() const {
    if (!FStandAlone)
        throw EWriteInAttachedAttr(QStringLiteral("Can not change this property in attached attributes"));
}

void TCellAttributes::SetCol(int Value) {
    CheckStandAlone();
    FCol = Value;
}

void TCellAttributes::SetRow(int Value) {
    CheckStandAlone();
    FRow = Value;
}

void TCellAttributes::SetGrid(TRichGrid* Value) {
    CheckStandAlone();
    FGrid = Value;
}

void TCellAttributes::Changed() {
    if (OnChange) OnChange(this, FCol, FRow);
}

#define CELL_SETTER(Name, Type, Field, Flag)                                                                 \
    void TCellAttributes::Set##Name(Type Value) {                                                            \
        if ((Field) == Value) return;                                                                        \
        (Field) = Value;                                                                                     \
        FDefaultAttributes.Exclude(Flag);                                                                    \
        Changed();                                                                                           \
    }
CELL_SETTER(BitmapDrawMode, TBitmapDrawMode, FBitmapDrawMode, daBitmapDrawMode)
CELL_SETTER(BitmapAlignment, TCellAlign, FBitmapAlignment, daBitmapAlignment)
CELL_SETTER(Bitmap, int, FBitmap, daBitmap)
CELL_SETTER(ForeColor, TColor, FForeColor, daForeColor)
CELL_SETTER(BackColor, TColor, FBackColor, daBackColor)
CELL_SETTER(FontStyle, TFontStyles, FFontStyle, daFontStyle)
CELL_SETTER(Alignment, TCellAlignment, FAlignment, daAlignment)
CELL_SETTER(LeftMargin, int, FLeftMargin, daLeftMargin)
CELL_SETTER(TopMargin, int, FTopMargin, daTopMargin)
CELL_SETTER(RightMargin, int, FRightMargin, daRightMargin)
CELL_SETTER(BottomMargin, int, FBottomMargin, daBottomMargin)
CELL_SETTER(Cell3DEffect, TBevelCut, FCell3DEffect, daCell3DEffect)
CELL_SETTER(BorderColor, TColor, FBorderColor, daBorderColor)
CELL_SETTER(HideSelection, bool, FHideSelection, daHideSelection)
CELL_SETTER(CanEdit, bool, FCanEdit, daCanEdit)
CELL_SETTER(WordWrap, bool, FWordWrap, daWordWrap)
#undef CELL_SETTER

void TCellAttributes::SetMergedCells(TMergedCells Value) {
    if (FMergedCells == Value) return;
    FMergedCells = Value;
    Changed();
}

void TCellAttributes::SetCanSelect(bool Value) {
    if (FCanSelect == Value) return;
    FCanSelect = Value;
    FDefaultAttributes.Exclude(daCanSelect);
    // The current cell may not stay on a cell that can no longer be selected.
    if (!Value && FGrid) {
        if (FGrid->Col() == FCol) {
            FGrid->SetRow(FRow + 1);
            if (FGrid->Row() == FRow) FGrid->SetCol(FCol + 1);
        } else if (FGrid->Row() == FRow) {
            FGrid->SetCol(FCol + 1);
            if (FGrid->Row() == FRow) FGrid->SetRow(FRow + 1);
        }
    }
    Changed();
}

void TCellAttributes::SetFormatter(TCellFormatter* Value) {
    if (FFormatter == Value) return;
    if (FFormatter) FFormatter->UnregisterAttributes(this);
    FFormatter = Value;
    if (Value) {
        FDefaultAttributes.Exclude(daFormatter);
        Value->RegisterAttributes(this);
    }
    Changed();
}

void TCellAttributes::FormatterDestroyed() {
    FFormatter = nullptr;
    Changed();
}

void TCellAttributes::Assign(const TCellAttributes* Source) {
    if (!Source) return;
    if (FStandAlone) {
        FCol = Source->FCol;
        FRow = Source->FRow;
        FGrid = Source->FGrid;
    }
    CopyAttributes(Source);
}

void TCellAttributes::CopyAttributes(const TCellAttributes* Source) {
    if (!Source || Source == this) return;
    FBitmapDrawMode = Source->FBitmapDrawMode;
    FBitmapAlignment = Source->FBitmapAlignment;
    SetBitmap(Source->FBitmap);
    FForeColor = Source->FForeColor;
    FBackColor = Source->FBackColor;
    FFontStyle = Source->FFontStyle;
    FAlignment = Source->FAlignment;
    FMergedCells = Source->FMergedCells;
    FLeftMargin = Source->FLeftMargin;
    FTopMargin = Source->FTopMargin;
    FRightMargin = Source->FRightMargin;
    FBottomMargin = Source->FBottomMargin;
    FCell3DEffect = Source->FCell3DEffect;
    FBorderColor = Source->FBorderColor;
    FHideSelection = Source->FHideSelection;
    FCanEdit = Source->FCanEdit;
    FCanSelect = Source->FCanSelect;
    FWordWrap = Source->FWordWrap;
    SetFormatter(Source->FFormatter);
    FDefaultAttributes = Source->FDefaultAttributes;
    Changed();
}

void TCellAttributes::Reset() {
    FBitmapDrawMode = bmDontDraw;
    FBitmapAlignment = caLeft;
    FBitmap = -1;
    FForeColor = clWindowText;
    FBackColor = clWindow;
    FBorderColor = clBtnFace;
    FFontStyle = {};
    FAlignment = {};
    FMergedCells = {};
    FLeftMargin = 2;
    FTopMargin = 0;
    FRightMargin = 2;
    FBottomMargin = 0;
    FCell3DEffect = bvNone;
    FHideSelection = false;
    FCanEdit = true;
    FCanSelect = true;
    FWordWrap = false;
    if (FFormatter) FFormatter->UnregisterAttributes(this);
    FFormatter = nullptr;
    FDefaultAttributes = AllDefaultAttributes();
}

void TCellAttributes::ApplyTo(TCellAttributes* Target) const {
    for (int i = 0; i < DefAttrCount; ++i) {
        const TDefAttr flag = TDefAttr(i);
        if (FDefaultAttributes.Contains(flag)) continue;
        switch (flag) {
        case daAlignment:
            Target->SetAlignment(FAlignment);
            break;
        case daBitmap:
            Target->SetBitmap(FBitmap);
            break;
        case daBitmapAlignment:
            Target->SetBitmapAlignment(FBitmapAlignment);
            break;
        case daBitmapDrawMode:
            Target->SetBitmapDrawMode(FBitmapDrawMode);
            break;
        case daFontStyle:
            Target->SetFontStyle(FFontStyle);
            break;
        case daForeColor:
            Target->SetForeColor(FForeColor);
            break;
        case daBackColor:
            Target->SetBackColor(FBackColor);
            break;
        case daBorderColor:
            Target->SetBorderColor(FBorderColor);
            break;
        case daLeftMargin:
            Target->SetLeftMargin(FLeftMargin);
            break;
        case daTopMargin:
            Target->SetTopMargin(FTopMargin);
            break;
        case daRightMargin:
            Target->SetRightMargin(FRightMargin);
            break;
        case daBottomMargin:
            Target->SetBottomMargin(FBottomMargin);
            break;
        case daCell3DEffect:
            Target->SetCell3DEffect(FCell3DEffect);
            break;
        case daHideSelection:
            Target->SetHideSelection(FHideSelection);
            break;
        case daCanEdit:
            Target->SetCanEdit(FCanEdit);
            break;
        case daCanSelect:
            Target->SetCanSelect(FCanSelect);
            break;
        case daWordWrap:
            Target->SetWordWrap(FWordWrap);
            break;
        case daFormatter:
            Target->SetFormatter(FFormatter);
            break;
        }
        // A setter given an equal value leaves the flag; the target still takes this layer's value.
        Target->FDefaultAttributes.Exclude(flag);
    }
}

bool TCellAttributes::IsEqual(const TCellAttributes* Other, std::initializer_list<int> Attributes) const {
    for (int n : Attributes) {
        bool same = true;
        switch (n) {
        case daAlignment:
            same = FAlignment == Other->FAlignment;
            break;
        case daBitmap:
            same = FBitmap == Other->FBitmap;
            break;
        case daBitmapAlignment:
            same = FBitmapAlignment == Other->FBitmapAlignment;
            break;
        case daBitmapDrawMode:
            same = FBitmapDrawMode == Other->FBitmapDrawMode;
            break;
        case daFontStyle:
            same = FFontStyle == Other->FFontStyle;
            break;
        case daForeColor:
            same = FForeColor == Other->FForeColor;
            break;
        case daBackColor:
            same = FBackColor == Other->FBackColor;
            break;
        case daBorderColor:
            same = FBorderColor == Other->FBorderColor;
            break;
        case daLeftMargin:
            same = FLeftMargin == Other->FLeftMargin;
            break;
        case daTopMargin:
            same = FTopMargin == Other->FTopMargin;
            break;
        case daRightMargin:
            same = FRightMargin == Other->FRightMargin;
            break;
        case daBottomMargin:
            same = FBottomMargin == Other->FBottomMargin;
            break;
        case daCell3DEffect:
            same = FCell3DEffect == Other->FCell3DEffect;
            break;
        case daHideSelection:
            same = FHideSelection == Other->FHideSelection;
            break;
        case daCanEdit:
            same = FCanEdit == Other->FCanEdit;
            break;
        case daCanSelect:
            same = FCanSelect == Other->FCanSelect;
            break;
        case daWordWrap:
            same = FWordWrap == Other->FWordWrap;
            break;
        case daFormatter:
            same = FFormatter == Other->FFormatter;
            break;
        default:
            break;
        }
        if (!same) return false;
    }
    return true;
}

// ---- TColRowAttributes

TColRowAttributes::TColRowAttributes() {
    ResetSizing();
}

TColRowAttributes::TColRowAttributes(TRichGrid* Grid, int Index, TColRowKind Kind)
    : TCellAttributes(Grid, Index, Index), FKind(Kind) {
    if (Grid) FStoredSize = Kind == crkRow ? Grid->DefaultRowHeight() : Grid->DefaultColWidth();
    ResetSizing();
    FVisible = Size() != 0;
}

void TColRowAttributes::SetKind(TColRowKind Value) {
    CheckStandAlone();
    FKind = Value;
}

int TColRowAttributes::GridSize() const {
    switch (FKind) {
    case crkCol:
        return FGrid->ColWidths(FCol);
    case crkRow:
        return FGrid->RowHeights(FRow);
    default:
        return 0;
    }
}

void TColRowAttributes::SetGridSize(int Value) {
    if (FKind == crkCol) FGrid->SetColWidths(FCol, Value);
    if (FKind == crkRow) FGrid->SetRowHeights(FRow, Value);
}

int TColRowAttributes::Size() const {
    return Visible() && Attached() ? GridSize() : FStoredSize;
}

void TColRowAttributes::SetSize(int Value) {
    if (Visible() && Attached())
        SetGridSize(Value);
    else
        FStoredSize = Value;
    Changed();
}

bool TColRowAttributes::Visible() const {
    return Attached() ? GridSize() > 0 : FVisible;
}

void TColRowAttributes::SetVisible(bool Value) {
    if (Value == Visible()) return;
    if (Attached()) {
        if (!Value) {
            FStoredSize = GridSize();
            FVisible = false;
            if (FKind == crkCol) {
                SetGridSize(0);
                if (FGrid->Col() == FCol) FGrid->SelectCell(FCol, FGrid->Row());
            } else if (FKind == crkRow && FGrid->RowCount() > FRow) {
                SetGridSize(0);
                if (FGrid->Row() == FRow) FGrid->SelectCell(FGrid->Col(), FRow);
            }
        } else {
            FVisible = true;
            if (FKind == crkCol || FGrid->RowCount() > FRow) SetGridSize(FStoredSize);
        }
    } else {
        FVisible = Value;
    }
    Changed();
}

void TColRowAttributes::SetResizeToFillClient(bool Value) {
    if (FResizeToFillClient == Value) return;
    FResizeToFillClient = Value;
    Changed();
}

void TColRowAttributes::SetAutoResize(bool Value) {
    if (FAutoResize == Value) return;
    FAutoResize = Value;
    Changed();
}

void TColRowAttributes::SetMinSize(int Value) {
    if (Value > FMaxSize || Value == FMinSize) return;
    FMinSize = Value;
    Changed();
}

void TColRowAttributes::SetMaxSize(int Value) {
    if (Value < FMinSize || Value == FMaxSize) return;
    FMaxSize = Value;
    Changed();
}

int TColRowAttributes::RequiredSize() const {
    int size = Size();
    if (FAutoResize) {
        int measured = 0;
        if (FGrid && FGrid->RecordedRequiredSize(FKind, FKind == crkRow ? FRow : FCol, measured))
            size = measured;
    } else if (FResizeToFillClient) {
        size = FMinSize;
    }
    return std::max(size, FMinSize);
}

void TColRowAttributes::ResetSizing() {
    FAutoResize = false;
    FResizeToFillClient = false;
    if (FGrid) {
        FAutoResize = FKind == crkRow ? FGrid->AutoResizeRows() : FGrid->AutoResizeCols();
        FResizeToFillClient =
            FKind == crkRow ? FGrid->ResizeRowsToFillClient() : FGrid->ResizeColsToFillClient();
    }
    FMinSize = 0;
    FMaxSize = 65535;
    FVisible = true;
}

void TColRowAttributes::Reset() {
    TCellAttributes::Reset();
    ResetSizing();
}

void TColRowAttributes::Assign(const TCellAttributes* Source) {
    if (auto* src = dynamic_cast<const TColRowAttributes*>(Source)) {
        if (FStandAlone) FKind = src->FKind;
        FStoredSize = src->FStoredSize;
        if (Visible() && Attached())
            SetGridSize(src->Size());
        else
            FStoredSize = src->Size();
    }
    TCellAttributes::Assign(Source);
}

void TColRowAttributes::CopyAttributes(const TCellAttributes* Source) {
    if (auto* src = dynamic_cast<const TColRowAttributes*>(Source)) {
        FAutoResize = src->FAutoResize;
        FResizeToFillClient = src->FResizeToFillClient;
        FMinSize = src->FMinSize;
        FMaxSize = src->FMaxSize;
        SetVisible(src->Visible());
    }
    TCellAttributes::CopyAttributes(Source);
}

void TColRowAttributes::ApplyTo(TCellAttributes* Target) const {
    TCellAttributes::ApplyTo(Target);
    auto* target = dynamic_cast<TColRowAttributes*>(Target);
    if (target && target->FKind == FKind) {
        target->FAutoResize = FAutoResize;
        target->FResizeToFillClient = FResizeToFillClient;
    }
}

bool TColRowAttributes::IsEqual(const TCellAttributes* Other, std::initializer_list<int> Attributes) const {
    auto* other = dynamic_cast<const TColRowAttributes*>(Other);
    for (int n : Attributes) {
        if (other && n == 18) {
            if (FAutoResize != other->FAutoResize) return false;
        } else if (other && n == 19) {
            if (FResizeToFillClient != other->FResizeToFillClient) return false;
        } else if (other && n == 20) {
            if (Visible() != other->Visible()) return false;
        } else if (!TCellAttributes::IsEqual(Other, {n})) {
            return false;
        }
    }
    return true;
}

// ---- collection items

TColRowAttributesItem::TColRowAttributesItem(TColRowCollection* Collection)
    : FCollection(Collection), FAttributes(std::make_unique<TColRowAttributes>()),
      FColRowIndex(Collection->FNextId++) {
    FAttributes->SetCol(FColRowIndex);
    FAttributes->SetRow(FColRowIndex);
    FAttributes->SetKind(Collection->Kind());
    FAttributes->OnChange = [this](TCellAttributes*, int, int) { CopyToGrid(); };
}

// An index below 0 names no column or row: the item then applies to nothing.
void TColRowAttributesItem::CopyToGrid() {
    TRichGrid* grid = FCollection->Grid();
    if (!grid || FColRowIndex < 0) return;
    if (FCollection->Kind() == crkCol)
        grid->ColAttributes(FColRowIndex)->CopyAttributes(FAttributes.get());
    else
        grid->RowAttributes(FColRowIndex)->CopyAttributes(FAttributes.get());
}

void TColRowAttributesItem::SetColRowIndex(int Value) {
    if (Value == FColRowIndex) return;
    for (int i = 0; i < FCollection->Count(); ++i) {
        const TColRowAttributesItem* other = FCollection->Items(i);
        if (other != this && other->FColRowIndex == Value)
            throw EDupColRowIndex(QStringLiteral("Duplicate ColRowIndex !"));
    }
    TRichGrid* grid = FCollection->Grid();
    if (grid) grid->FreeColRowAttributes(FCollection->Kind(), FColRowIndex);
    FColRowIndex = Value;
    if (FCollection->Kind() == crkCol)
        FAttributes->SetCol(Value);
    else
        FAttributes->SetRow(Value);
    CopyToGrid();
}

QStringList TColRowAttributesItem::Cells() const {
    TRichGrid* grid = FCollection->Grid();
    if (!grid || FColRowIndex < 0) return {};
    return FCollection->Kind() == crkCol ? grid->Cols(FColRowIndex) : grid->Rows(FColRowIndex);
}

void TColRowAttributesItem::SetCells(const QStringList& Value) {
    TRichGrid* grid = FCollection->Grid();
    if (!grid || FColRowIndex < 0) return;
    if (FCollection->Kind() == crkCol)
        grid->SetCols(FColRowIndex, Value);
    else
        grid->SetRows(FColRowIndex, Value);
}

void TColRowAttributesItem::Assign(const TColRowAttributesItem* Source) {
    FColRowIndex = Source->FColRowIndex;
    FAttributes->SetCol(FColRowIndex);
    FAttributes->SetRow(FColRowIndex);
    FAttributes->Assign(Source->FAttributes.get());
    SetCells(Source->Cells());
}

TColRowAttributesItem* TColRowCollection::Add() {
    FItems.push_back(std::make_unique<TColRowAttributesItem>(this));
    return FItems.back().get();
}

void TColRowCollection::Assign(const TColRowCollection* Source) {
    FItems.clear();
    for (int i = 0; i < Source->Count(); ++i)
        Add()->Assign(Source->Items(i));
}
