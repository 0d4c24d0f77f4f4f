#include "Components/Grids/CellAttributes.h"
#include "Components/Grids/RichGrid.h"

#include <gtest/gtest.h>

TEST(CellAttributes, ASetterTakesOnlyItsOwnFlagAndSignalsRealChangesOnly) {
    struct Case {
        const char* name;
        std::function<void(TCellAttributes&)> set;
        TDefAttr flag;
    };
    const Case cases[] = {
        {"BackColor", [](TCellAttributes& a) { a.SetBackColor(clRed); }, daBackColor},
        {"BorderColor", [](TCellAttributes& a) { a.SetBorderColor(clBlue); }, daBorderColor},
        {"Alignment", [](TCellAttributes& a) { a.SetAlignment({caCenter}); }, daAlignment},
        {"CanSelect", [](TCellAttributes& a) { a.SetCanSelect(false); }, daCanSelect},
        {"Bitmap", [](TCellAttributes& a) { a.SetBitmap(3); }, daBitmap},
        {"RightMargin", [](TCellAttributes& a) { a.SetRightMargin(7); }, daRightMargin},
    };
    for (const Case& c : cases) {
        TCellAttributes a;
        EXPECT_EQ(a.DefaultAttributes(), AllDefaultAttributes());
        int changes = 0;
        a.OnChange = [&](TCellAttributes*, int, int) { ++changes; };
        c.set(a);
        TDefaultAttributes expected = AllDefaultAttributes();
        expected.Exclude(c.flag);
        EXPECT_EQ(a.DefaultAttributes(), expected) << c.name;
        c.set(a);
        EXPECT_EQ(changes, 1) << c.name;
    }
}

TEST(CellAttributes, ApplyToWritesOnlyWhatTheSetDoesNotInherit) {
    TCellAttributes target;
    target.SetForeColor(clGreen);
    TCellAttributes inherits;
    inherits.SetBackColor(clRed);
    inherits.SetDefaultAttributes(AllDefaultAttributes());
    inherits.ApplyTo(&target);
    EXPECT_EQ(target.BackColor(), clWindow);
    EXPECT_EQ(target.ForeColor(), clGreen);

    TCellAttributes own;
    own.SetBackColor(clRed);
    own.ApplyTo(&target);
    EXPECT_EQ(target.BackColor(), clRed);
    EXPECT_EQ(target.ForeColor(), clGreen);
    EXPECT_FALSE(target.DefaultAttributes().Contains(daBackColor));
}

TEST(CellAttributes, AttachedSetsRefuseAMoveAndCollectionsRefuseADuplicateIndex) {
    TRichGrid grid;
    EXPECT_THROW(grid.ColAttributes(1)->SetCol(2), EWriteInAttachedAttr);
    EXPECT_THROW(grid.CellAttributes(1, 1)->SetRow(2), EWriteInAttachedAttr);
    TCellAttributes free;
    EXPECT_NO_THROW(free.SetCol(2));

    TColRowAttributesItem* first = grid.ColAttr()->Add();
    TColRowAttributesItem* second = grid.ColAttr()->Add();
    first->SetColRowIndex(3);
    EXPECT_THROW(second->SetColRowIndex(3), EDupColRowIndex);
    EXPECT_NE(second->ColRowIndex(), 3);
}

TEST(CellAttributes, LayersComposeDefaultThenColumnThenRowThenCell) {
    TRichGrid grid;
    grid.SetColCount(4);
    grid.SetRowCount(4);
    grid.DefAttributes()->SetForeColor(clNavy);
    grid.ColAttributes(2)->SetAlignment({caRight});
    grid.ColAttributes(2)->SetBackColor(clYellow);
    grid.RowAttributes(3)->SetAlignment({caCenter});
    grid.CellAttributes(2, 3)->SetForeColor(clRed);

    struct Case {
        int col, row;
        TColor fore, back;
        TCellAlignment align;
    };
    const Case cases[] = {
        {1, 1, clNavy, clWindow, {}},
        {2, 1, clNavy, clYellow, {caRight}},
        {1, 3, clNavy, clWindow, {caCenter}},
        {2, 3, clRed, clYellow, {caCenter}}, // the row is applied after the column
    };
    for (const Case& c : cases) {
        const TColRowAttributes* a = grid.EffectiveCellAttributes(c.col, c.row);
        EXPECT_EQ(a->ForeColor(), c.fore) << c.col << "," << c.row;
        EXPECT_EQ(a->BackColor(), c.back) << c.col << "," << c.row;
        EXPECT_EQ(a->Alignment(), c.align) << c.col << "," << c.row;
    }
    // Fixed cells start from the fixed defaults.
    EXPECT_EQ(grid.EffectiveCellAttributes(0, 1)->Cell3DEffect(), bvRaised);
}

TEST(CellAttributes, ReadingNeverCreatesSets) {
    TRichGrid grid;
    grid.ReadColAttributes(2);
    grid.ReadRowAttributes(2);
    grid.ReadCellAttributes(2, 2);
    grid.EffectiveCellAttributes(3, 3);
    grid.GetDisplayText(1, 1);
    EXPECT_FALSE(grid.HasColAttributes(2));
    EXPECT_FALSE(grid.HasRowAttributes(2));
    EXPECT_FALSE(grid.HasCellAttributes(2, 2));
    EXPECT_FALSE(grid.HasCellAttributes(3, 3));
}

TEST(ColRowAttributes, SizeLimitsAndHidingKeepTheWidth) {
    TRichGrid grid;
    TColRowAttributes* col = grid.ColAttributes(2);
    col->SetMaxSize(50);
    col->SetMinSize(100);
    EXPECT_EQ(col->MinSize(), 0);
    col->SetMinSize(20);
    col->SetMaxSize(10);
    EXPECT_EQ(col->MaxSize(), 50);

    grid.SetColWidths(3, 37);
    TColRowAttributes* hidden = grid.ColAttributes(3);
    hidden->SetVisible(false);
    EXPECT_EQ(grid.ColWidths(3), 0);
    EXPECT_FALSE(hidden->Visible());
    hidden->SetVisible(true);
    EXPECT_EQ(grid.ColWidths(3), 37);

    TColRowAttributes free;
    free.SetAutoResize(true);
    EXPECT_EQ(free.RequiredSize(), free.Size());
    free.SetAutoResize(false);
    free.SetResizeToFillClient(true);
    free.SetMinSize(12);
    EXPECT_EQ(free.RequiredSize(), 12);
}

TEST(ColRowAttributes, ACollectionItemCopiesItsSetIntoTheGrid) {
    TRichGrid grid;
    TColRowAttributesItem* item = grid.ColAttr()->Add();
    item->SetColRowIndex(2);
    item->Attributes()->SetBackColor(clAqua);
    EXPECT_EQ(grid.EffectiveCellAttributes(2, 1)->BackColor(), clAqua);
    item->SetCells({"Сума", "12"});
    EXPECT_EQ(grid.Cells(2, 0), "Сума");
    EXPECT_EQ(grid.Cells(2, 2), "");
}

TEST(ColRowAttributes, CompareByFlagNumbersIncludingSizingAndVisibility) {
    TColRowAttributes a;
    TColRowAttributes b;
    b.SetAutoResize(true);
    b.SetForeColor(clRed);
    EXPECT_TRUE(a.IsEqual(&b, {}));
    EXPECT_TRUE(a.IsEqual(&b, {daBackColor, 19, 20}));
    EXPECT_FALSE(a.IsEqual(&b, {18}));
    EXPECT_FALSE(a.IsEqual(&b, {daBackColor, daForeColor}));
    b.SetVisible(false);
    EXPECT_FALSE(a.IsEqual(&b, {20}));
}

TEST(RichGridAttributes, ClearingABlockFreesOnlyTheNamedSets) {
    TRichGrid grid;
    grid.SetRowCount(6);
    for (int i = 0; i < 5; ++i) {
        grid.ColAttributes(i);
        grid.RowAttributes(i);
        grid.CellAttributes(i, i);
    }
    grid.ClearAttributes({-1, -1, -2, 3}, caRowAttributes | caCellAttributes);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(grid.HasColAttributes(i)) << i;
        EXPECT_EQ(grid.HasRowAttributes(i), i == 0 || i == 4) << i;
        EXPECT_EQ(grid.HasCellAttributes(i, i), i == 0 || i == 4) << i;
    }
    grid.ClearColsAttributes(3, 99, caColAttributes);
    EXPECT_TRUE(grid.HasColAttributes(2));
    EXPECT_FALSE(grid.HasColAttributes(3));
    grid.ClearAttributes({0, 9, 4, 9}, caRowAttributes);
    EXPECT_TRUE(grid.HasRowAttributes(4));
}

TEST(RichGridAttributes, LoadedCopiesTheBuiltItemsAndMergesAgain) {
    TRichGrid grid;
    TColRowAttributesItem* row = grid.RowAttr()->Add();
    row->SetColRowIndex(2);
    row->Attributes()->SetBackColor(clTeal);
    grid.FreeColRowAttributes(crkRow, 2);
    EXPECT_FALSE(grid.HasRowAttributes(2));
    grid.SetMergeCellsStr("1,0,2,0|");
    grid.ClearAttributes({0, 0, -2, -2}, caCellAttributes);
    grid.Loaded();
    EXPECT_EQ(grid.EffectiveCellAttributes(1, 2)->BackColor(), clTeal);
    EXPECT_EQ(grid.GetMergedCells(2, 0), (TGridRect{1, 0, 2, 0}));
}

TEST(RichGridValues, ClearingDropsOnlyTheNamedValues) {
    TRichGrid grid;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            grid.SetValues(c, r, r * 10 + c);
    grid.ClearRowValues(1, 2);
    grid.ClearValuesRect({3, 3, 4, 4});
    grid.SetColCount(4);
    EXPECT_EQ(grid.Values(0, 0), QVariant(0));
    EXPECT_FALSE(grid.Values(0, 1).isValid());
    EXPECT_FALSE(grid.Values(3, 2).isValid());
    EXPECT_EQ(grid.Values(2, 3), QVariant(32));
    EXPECT_FALSE(grid.Values(3, 3).isValid());
    EXPECT_FALSE(grid.Values(4, 0).isValid());
    EXPECT_FALSE(grid.Values(99, 99).isValid());
}

TEST(ColRowAttributesItem, AnIndexBelowZeroAppliesToNoColumnAndDoesNotCrash) {
    TRichGrid Grid;
    Grid.SetColCount(4);
    TColRowAttributesItem* Item = Grid.ColAttr()->Add();
    Item->SetColRowIndex(2);
    Item->Attributes()->SetBackColor(clRed);
    Grid.Loaded();
    ASSERT_TRUE(Grid.HasColAttributes(2));
    Item->SetColRowIndex(-1);
    EXPECT_FALSE(Grid.HasColAttributes(2));
    Item->Attributes()->SetBackColor(clBlue);
    Grid.Loaded();
    for (int C = 0; C < Grid.ColCount(); ++C)
        EXPECT_NE(Grid.ReadColAttributes(C)->BackColor(), clBlue) << C;
    EXPECT_TRUE(Item->Cells().isEmpty());
    Item->SetColRowIndex(1);
    EXPECT_EQ(Grid.ReadColAttributes(1)->BackColor(), clBlue);
}
