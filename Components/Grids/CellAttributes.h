#pragma once
// How a grid cell looks: colours, font style, alignment, margins, bevel, image, word wrap,
// whether it may be selected or edited, and which formatter makes its displayed text. A set
// either gives an attribute its own value or inherits it from the layer below; the grid
// composes defaults, then the column's set, the row's set and the cell's own set.

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/Graphics.h"

#include <QPointer>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class TRichGrid;

// The ordinal is the flag number.
enum TDefAttr {
    daAlignment,
    daBitmap,
    daBitmapAlignment,
    daBitmapDrawMode,
    daFontStyle,
    daForeColor,
    daBackColor,
    daBorderColor,
    daLeftMargin,
    daTopMargin,
    daRightMargin,
    daBottomMargin,
    daCell3DEffect,
    daHideSelection,
    daCanEdit,
    daCanSelect,
    daWordWrap,
    daFormatter
};
constexpr int DefAttrCount = 18;
// A flag in the set: the attribute is inherited from the layer below.
using TDefaultAttributes = TSet<TDefAttr, DefAttrCount>;
TDefaultAttributes AllDefaultAttributes();

enum TCellAlign { caLeft, caRight, caCenter, caTop, caBottom };
using TCellAlignment = TSet<TCellAlign, 5>;
enum TBitmapDrawMode { bmCenter, bmStrech, bmTile, bmDontDraw };
enum TMergedCell { mcRight, mcBottom };
using TMergedCells = TSet<TMergedCell, 2>;

class TCellAttributes;
using TCellAttrChangeEvent = std::function<void(TCellAttributes* Sender, int ACol, int ARow)>;

class TCellAttributes {
public:
    // Stand-alone: Col = Row = -1, no grid.
    TCellAttributes();
    // Attached to a grid's column, row or cell.
    TCellAttributes(TRichGrid* Grid, int ARow, int ACol);
    TCellAttributes(const TCellAttributes&) = delete;
    TCellAttributes& operator=(const TCellAttributes&) = delete;
    virtual ~TCellAttributes();

    // A null Source does nothing.
    virtual void Assign(const TCellAttributes* Source);
    virtual void CopyAttributes(const TCellAttributes* Source);
    virtual void Reset();
    // Writes every attribute this set does not inherit into Target.
    virtual void ApplyTo(TCellAttributes* Target) const;
    // Compares the attributes named by flag number, in the given order.
    virtual bool IsEqual(const TCellAttributes* Other, std::initializer_list<int> Attributes) const;

    bool StandAlone() const { return FStandAlone; }
    int Col() const { return FCol; }
    void SetCol(int Value);
    int Row() const { return FRow; }
    void SetRow(int Value);
    TRichGrid* Grid() const { return FGrid; }
    void SetGrid(TRichGrid* Value);

    TBitmapDrawMode BitmapDrawMode() const { return FBitmapDrawMode; }
    void SetBitmapDrawMode(TBitmapDrawMode Value);
    TCellAlign BitmapAlignment() const { return FBitmapAlignment; }
    void SetBitmapAlignment(TCellAlign Value);
    int Bitmap() const { return FBitmap; }
    void SetBitmap(int Value);
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor Value);
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value);
    TFontStyles FontStyle() const { return FFontStyle; }
    void SetFontStyle(TFontStyles Value);
    TCellAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TCellAlignment Value);
    TMergedCells MergedCells() const { return FMergedCells; }
    void SetMergedCells(TMergedCells Value);
    TDefaultAttributes DefaultAttributes() const { return FDefaultAttributes; }
    void SetDefaultAttributes(TDefaultAttributes Value) { FDefaultAttributes = Value; }
    int LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(int Value);
    int TopMargin() const { return FTopMargin; }
    void SetTopMargin(int Value);
    int RightMargin() const { return FRightMargin; }
    void SetRightMargin(int Value);
    int BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(int Value);
    TBevelCut Cell3DEffect() const { return FCell3DEffect; }
    void SetCell3DEffect(TBevelCut Value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool CanEdit() const { return FCanEdit; }
    void SetCanEdit(bool Value);
    bool CanSelect() const { return FCanSelect; }
    void SetCanSelect(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TCellFormatter* Formatter() const { return FFormatter; }
    void SetFormatter(TCellFormatter* Value);

    TCellAttrChangeEvent OnChange;

protected:
    void Changed();
    void CheckStandAlone() const;
    void Exclude(TDefAttr Flag) { FDefaultAttributes.Exclude(Flag); }
    bool FStandAlone = true;
    int FCol = -1;
    int FRow = -1;
    TRichGrid* FGrid = nullptr;

private:
    friend class TCellFormatter;
    friend class TRichGrid;
    // The formatter is going away: forget it without telling it.
    void FormatterDestroyed();
    TBitmapDrawMode FBitmapDrawMode = bmDontDraw;
    TCellAlign FBitmapAlignment = caLeft;
    int FBitmap = -1;
    TColor FForeColor = clWindowText;
    TColor FBackColor = clWindow;
    TFontStyles FFontStyle;
    TCellAlignment FAlignment;
    TMergedCells FMergedCells;
    TDefaultAttributes FDefaultAttributes;
    int FLeftMargin = 2;
    int FTopMargin = 0;
    int FRightMargin = 2;
    int FBottomMargin = 0;
    TBevelCut FCell3DEffect = bvNone;
    TColor FBorderColor = clBtnFace;
    bool FHideSelection = false;
    bool FCanEdit = true;
    bool FCanSelect = true;
    bool FWordWrap = false;
    QPointer<TCellFormatter> FFormatter;
};

// Kind of a column or row set.
enum TColRowKind { crkNone = 0, crkCol = 1, crkRow = 2 };

// A column's or row's set: adds size limits, sizing to content or to the free client space,
// and visibility (a hidden column has width 0 and remembers its width).
class TColRowAttributes : public TCellAttributes {
public:
    TColRowAttributes();
    // Attached to column (Kind crkCol) or row (crkRow) Index of Grid.
    TColRowAttributes(TRichGrid* Grid, int Index, TColRowKind Kind);

    void Assign(const TCellAttributes* Source) override;
    void CopyAttributes(const TCellAttributes* Source) override;
    void Reset() override;
    void ApplyTo(TCellAttributes* Target) const override;
    // Numbers 18, 19 and 20 compare AutoResize, ResizeToFillClient and Visible.
    bool IsEqual(const TCellAttributes* Other, std::initializer_list<int> Attributes) const override;

    TColRowKind Kind() const { return FKind; }
    void SetKind(TColRowKind Value);
    bool ResizeToFillClient() const { return FResizeToFillClient; }
    void SetResizeToFillClient(bool Value);
    bool AutoResize() const { return FAutoResize; }
    void SetAutoResize(bool Value);
    int MinSize() const { return FMinSize; }
    // Ignored above MaxSize.
    void SetMinSize(int Value);
    int MaxSize() const { return FMaxSize; }
    // Ignored below MinSize.
    void SetMaxSize(int Value);
    // The grid's width or height while visible and attached, else the stored size.
    int Size() const;
    void SetSize(int Value);
    bool Visible() const;
    void SetVisible(bool Value);
    // What the column or row needs: the measured size with AutoResize, MinSize when it only
    // fills the client, else Size; never below MinSize.
    int RequiredSize() const;

private:
    friend class TRichGrid;
    bool Attached() const { return FGrid && !FStandAlone; }
    int GridSize() const;
    void SetGridSize(int Value);
    void ResetSizing();
    bool FResizeToFillClient = false;
    bool FAutoResize = false;
    int FMinSize = 0;
    int FMaxSize = 65535;
    int FStoredSize = 24;
    bool FVisible = true;
    TColRowKind FKind = crkNone;
};

class TColRowCollection;

// A column or row set given at build time, copied into the grid's own set of that column or
// row at every change.
class TColRowAttributesItem {
public:
    explicit TColRowAttributesItem(TColRowCollection* Collection);

    int ColRowIndex() const { return FColRowIndex; }
    // EDupColRowIndex when another item of the collection has the index.
    void SetColRowIndex(int Value);
    TColRowAttributes* Attributes() const { return FAttributes.get(); }
    void SetAttributes(const TColRowAttributes* Value) { FAttributes->CopyAttributes(Value); }
    // The grid's texts of the column or row.
    QStringList Cells() const;
    void SetCells(const QStringList& Value);
    void Assign(const TColRowAttributesItem* Source);

private:
    void CopyToGrid();
    TColRowCollection* FCollection;
    std::unique_ptr<TColRowAttributes> FAttributes;
    int FColRowIndex;
};

class TColRowCollection {
public:
    TColRowCollection(TRichGrid* Grid, TColRowKind Kind) : FGrid(Grid), FKind(Kind) {}
    virtual ~TColRowCollection() = default;
    TRichGrid* Grid() const { return FGrid; }
    TColRowKind Kind() const { return FKind; }
    TColRowAttributesItem* Add();
    int Count() const { return int(FItems.size()); }
    TColRowAttributesItem* Items(int Index) const { return FItems[size_t(Index)].get(); }
    void Clear() { FItems.clear(); }
    void Assign(const TColRowCollection* Source);

private:
    friend class TColRowAttributesItem;
    TRichGrid* FGrid;
    TColRowKind FKind;
    int FNextId = 0;
    std::vector<std::unique_ptr<TColRowAttributesItem>> FItems;
};

class TColCollection : public TColRowCollection {
public:
    explicit TColCollection(TRichGrid* Grid) : TColRowCollection(Grid, crkCol) {}
};

class TRowCollection : public TColRowCollection {
public:
    explicit TRowCollection(TRichGrid* Grid) : TColRowCollection(Grid, crkRow) {}
};
