#include "Components/Grids/AdvStringGrid.h"
#include "Components/Grids/TwoDLists.h"

#include <QApplication>
#include <gtest/gtest.h>

TEST(T2dList, ReadsZeroOutsideAndFillsOnlyEmptyEntriesWhenKeepingExisting) {
    T2dList list;
    list.SetSize(3, 2);
    list.SetItems(5, 5, 9);
    EXPECT_EQ(list.Items(5, 5), 0);
    EXPECT_EQ(list.Items(-1, 0), 0);
    list.SetItems(1, 0, 4);
    list.FillRow(0, 7);
    EXPECT_EQ(list.Items(0, 0), 7);
    EXPECT_EQ(list.Items(1, 0), 4);
    list.SetKeepExisting(false);
    list.FillRow(0, 8);
    EXPECT_EQ(list.Items(1, 0), 8);
    list.SetRowCount(4);
    list.SetColCount(4);
    EXPECT_EQ(list.Items(3, 3), 0);
    EXPECT_EQ(list.Items(0, 0), 8);
}

TEST(T2dBitsList, NewRowsAndColumnsTakeTheDefault) {
    T2dBitsList bits;
    bits.SetSize(2, 2);
    EXPECT_TRUE(bits.Items(1, 1));
    EXPECT_FALSE(bits.Items(2, 1));
    bits.FillAll(false);
    bits.SetColCount(3);
    EXPECT_FALSE(bits.Items(1, 1));
    EXPECT_TRUE(bits.Items(2, 1));
    TBitsList row;
    row.SetSize(4);
    row.SetRange(-3, 2, true);
    EXPECT_TRUE(row.Bits(0));
    EXPECT_TRUE(row.Bits(2));
    EXPECT_FALSE(row.Bits(3));
}

TEST(AdvStringGrid, CellsReadTheirOwnValuesOrTheDefaultsOfTheirKind) {
    TAdvStringGrid grid;
    EXPECT_EQ(grid.GetCellAlignment(2, 2), 10);
    EXPECT_EQ(grid.GetCellFontColor(2, 2), clWindowText);
    EXPECT_EQ(grid.GetCellColor(2, 2), grid.Color());
    EXPECT_EQ(grid.GetCellColor(0, 2), grid.FixedColor());
    grid.SetCellColor(2, 2, clRed);
    EXPECT_EQ(grid.GetCellColor(2, 2), clRed);
    grid.SetCellColor(3, 2, clBlack);
    EXPECT_EQ(grid.GetCellColor(3, 2), clBlack);
    grid.SetColColor(2, clBlue);
    EXPECT_EQ(grid.GetCellColor(2, 2), clRed);
    EXPECT_EQ(grid.GetCellColor(2, 3), clBlue);
    grid.SetOverwriteCellColors(true);
    grid.SetColColor(2, clBlue);
    EXPECT_EQ(grid.GetCellColor(2, 2), clBlue);
    // The lists follow the grid's size.
    grid.SetRowCount(10);
    grid.SetCellFontColor(4, 9, clGreen);
    EXPECT_EQ(grid.GetCellFontColor(4, 9), clGreen);
    grid.ClearCellAttributes();
    EXPECT_EQ(grid.GetCellFontColor(4, 9), clWindowText);
}

TEST(AdvStringGrid, BorderLinesMakeBlocks) {
    TAdvStringGrid grid;
    grid.SetVertLine(2, 0, false);
    grid.SetVertLine(3, 0, false);
    EXPECT_EQ(grid.GetMergedCells(1, 0), (TGridRect{1, 0, 3, 0}));
    EXPECT_EQ(grid.GetMergedCells(2, 0), (TGridRect{2, 0, 2, 0}));
    EXPECT_EQ(grid.FindMergedBlock(2, 0), (TGridRect{1, 0, 3, 0}));
    grid.SetHorzLine(4, 1, false);
    EXPECT_EQ(grid.FindMergedBlock(4, 1), (TGridRect{4, 0, 4, 1}));
}

TEST(AdvStringGrid, FillColumnsShareTheWidthLeftByTheOthers) {
    TAdvStringGrid grid;
    grid.SetColCount(5);
    grid.SetFixedCols(0);
    grid.SetScrollBars(ssNone);
    grid.show();
    grid.resize(500 + grid.width() - grid.viewport()->width(), 200);
    QApplication::processEvents();
    ASSERT_EQ(grid.viewport()->width(), 500);
    const int widths[] = {80, 40, 70, 60, 50};
    for (int c = 0; c < 5; ++c)
        grid.SetColWidths(c, widths[c]);
    grid.FitColumns({1, 3}, false);
    EXPECT_EQ(grid.ColWidths(1), 150);
    EXPECT_EQ(grid.ColWidths(3), 150);
    EXPECT_EQ(grid.ColWidths(0), 80);

    // A hidden listed column takes no share and cannot be selected.
    grid.SetColumnHidden(3, true);
    grid.SetColWidths(1, 40);
    grid.SetColWidths(3, 60);
    grid.FitColumns({1, 3}, false);
    EXPECT_EQ(grid.ColWidths(1), 500 - 80 - 70 - 50);
    EXPECT_EQ(grid.ColWidths(3), 60);
    EXPECT_FALSE(grid.SelectCell(3, 1));
}

TEST(AdvStringGrid, AutoSizeFitsContentAndSharesWideBlocks) {
    TAdvStringGrid grid;
    grid.SetColCount(3);
    grid.SetCells(0, 1, "short");
    grid.SetCells(1, 1, "a much longer text here");
    grid.SetCells(1, 0, "a heading wider than both columns below it together");
    grid.SetVertLine(2, 0, false);
    grid.AutoSize();
    const QFontMetrics fm(grid.font());
    EXPECT_EQ(grid.ColWidths(0), fm.horizontalAdvance("short") + 8 + grid.GridLineWidth());
    EXPECT_GE(grid.ColWidths(1), fm.horizontalAdvance("a much longer text here") + 8);
    EXPECT_GE(grid.ColWidths(1) + grid.ColWidths(2),
              fm.horizontalAdvance("a heading wider than both columns below it together") + 8 - 1);
}

TEST(AdvStringGrid, DataRowsCanTakeTheirTextsFromAnEvent) {
    TAdvStringGrid grid;
    grid.OnGetCell = [](int dataRow, int col, QString& text) {
        text = QStringLiteral("%1/%2").arg(dataRow).arg(col);
    };
    grid.SetCell(2, 3, "stored");
    EXPECT_EQ(grid.GetCell(2, 3), "2/2");
    grid.SetCell(2, 0, "head");
    EXPECT_EQ(grid.GetCell(2, 0), "head");
}
