#include "Components/Grids/GridFuncs.h"

#include "Components/Grids/AdvStringGrid.h"
#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"

#include <gtest/gtest.h>

namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// A 3-column grid with one header row and no fixed column, as the list windows use.
void Prepare(TRichGrid& grid) {
    grid.SetColCount(3);
    grid.SetFixedCols(0);
    grid.SetFixedRows(1);
    grid.SetRows(0, {U("Име"), U("Сума"), U("Бележка")});
}

} // namespace

TEST(LoadGridFromList, FillsRowsFieldByFieldAndColoursTotals) {
    TRichGrid grid;
    Prepare(grid);
    TDelimitedStringList list;
    list.Add(U("Иван@12.5@a@extra@more"));
    list.Add(U("Мария"));
    list.Add(U("¤Общо@12.5"));
    list.Add(U("Сума за филтъра@12.5@"));
    EXPECT_TRUE(LoadGridFromList(&grid, &list, true));
    ASSERT_EQ(grid.RowCount(), 5);
    const QStringList expected[] = {
        {U("Иван"), "12.5", "a"},
        {U("Мария"), "", ""},
        {U("Общо"), "12.5", ""},
        {U("Сума за филтъра"), "12.5", ""},
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid.Rows(i + 1), expected[i]) << i;
    EXPECT_EQ(grid.Rows(0), (QStringList{U("Име"), U("Сума"), U("Бележка")}));
    const TColor colours[] = {clWindow, clWindow, TotalsRowColor, TotalsRowColor};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(grid.EffectiveCellAttributes(1, i + 1)->BackColor(), colours[i]) << i;
    EXPECT_TRUE(grid.updatesEnabled());

    TDelimitedStringList empty;
    EXPECT_FALSE(LoadGridFromList(&grid, &empty, false));
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Rows(1), (QStringList{"", "", ""}));
}

TEST(LoadGridFromList, SizesColumnsToTheNewRowsNotTheOldOnes) {
    TRichGrid grid;
    Prepare(grid);
    grid.ColAttributes(2)->SetAutoResize(true);
    TDelimitedStringList wide, narrow;
    wide.Add(U("Иван@1@") + QString(80, u'Ш'));
    narrow.Add(U("Иван@1@ок"));
    LoadGridFromList(&grid, &wide, true);
    const int wideWidth = grid.ColWidths(2);
    EXPECT_GT(wideWidth, grid.fontMetrics().horizontalAdvance(QString(80, u'Ш')));
    LoadGridFromList(&grid, &narrow, true);
    EXPECT_LT(grid.ColWidths(2), wideWidth / 4);
    // On a big list a sample is measured, the last row and the rows in view among it.
    TDelimitedStringList big;
    for (int i = 0; i < 5000; ++i)
        big.Add(U("Иван@1@ок"));
    big.Add(U("¤Общо@1@") + QString(40, u'Ш'));
    LoadGridFromList(&grid, &big, true);
    EXPECT_GT(grid.ColWidths(2), grid.fontMetrics().horizontalAdvance(QString(40, u'Ш')));
}

TEST(ColorTotalsRows, FixedColumnsKeepTheFixedColourUnderARowColour) {
    TRichGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetCells(0, 1, "x");
    ColorTotalsRows(&grid);
    EXPECT_EQ(grid.EffectiveCellAttributes(0, 1)->BackColor(), grid.FixedColor());
    EXPECT_EQ(grid.EffectiveCellAttributes(1, 1)->BackColor(), clWindow);
}

TEST(GridSelectionToText, JoinsCellsWithTabAndRowsWithCarriageReturn) {
    TRichGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetOptions({goRangeSelect});
    grid.SetRows(1, {"", "a", "b"});
    grid.SetRows(2, {"", "c", "d"});
    grid.SetSelection({1, 1, 2, 2});
    QString text;
    GridSelectionToText(&grid, text);
    EXPECT_EQ(text, "a\tb\rc\td");
}

TEST(GridSearch, FindsRowsTextsAndPrefixes) {
    TRichGrid grid;
    Prepare(grid);
    TDelimitedStringList list;
    for (const char* name : {"Злато", "Златен", "Сребро"})
        list.Add(U(name));
    FillGridFromList(&grid, &list, false);

    int row = 0;
    EXPECT_TRUE(FindGridRow(U("Сребро"), 0, &grid, row));
    EXPECT_EQ(row, 3);
    EXPECT_FALSE(FindGridRow(U("сребро"), 0, &grid, row));
    EXPECT_EQ(row, 3);
    EXPECT_FALSE(FindGridRow("  ", 0, &grid, row));

    EXPECT_EQ(FindGridText(&grid, U("ЛАТЕ"), 0, -1, 1), 2);
    EXPECT_EQ(FindGridText(&grid, U("злат"), 0, 1, 1), 2);
    EXPECT_EQ(FindGridText(&grid, U("сребро"), 0, -1, -1), -1);

    struct Case {
        const char* typed;
        int row;
        const char* left;
    };
    const Case cases[] = {{"зла", 1, "зла"}, {"злб", 1, "зл"}, {"Златен", 2, "Златен"}, {"x", -1, "x"}};
    for (const Case& c : cases) {
        QString text = U(c.typed);
        EXPECT_EQ(FindGridPrefix(&grid, text, 0, -1, 1), c.row) << c.typed;
        EXPECT_EQ(text, U(c.left)) << c.typed;
    }
    EXPECT_EQ(PrefixMatchLength("ab", "abc"), -2);
    EXPECT_EQ(PrefixMatchLength("abd", "abc"), 2);
    EXPECT_EQ(PrefixMatchLength("abb", "ABC"), -2);
}

TEST(DeleteGridRow, MovesRowsUpAndKeepsOneDataRow) {
    TRichGrid grid;
    Prepare(grid);
    TDelimitedStringList list;
    list.Add("a@1");
    list.Add("b@2");
    list.Add("c@3");
    FillGridFromList(&grid, &list, false);
    grid.RowAttributes(3)->SetBackColor(clRed);
    DeleteGridRow(&grid, 1);
    ASSERT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.Rows(1), (QStringList{"b", "2", ""}));
    EXPECT_EQ(grid.Rows(2), (QStringList{"c", "3", ""}));
    EXPECT_EQ(grid.EffectiveCellAttributes(0, 2)->BackColor(), clRed);

    DeleteGridRow(&grid, 1);
    DeleteGridRow(&grid, 1);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Rows(1), (QStringList{"", "", ""}));
}

// A coloured row that is deleted leaves its colour neither on the blank row kept nor on a row
// added later where it stood.
TEST(DeleteGridRow, LeavesNoColourOfTheDeletedRow) {
    for (const int Rows : {1, 2}) {
        SCOPED_TRACE(Rows);
        TRichGrid grid;
        Prepare(grid);
        TDelimitedStringList list;
        for (int r = 0; r < Rows; ++r)
            list.Add(QStringLiteral("x@%1").arg(r));
        FillGridFromList(&grid, &list, false);
        const TColor plain = grid.EffectiveCellAttributes(0, 1)->BackColor();
        grid.RowAttributes(Rows)->SetBackColor(clRed);
        DeleteGridRow(&grid, Rows);
        grid.SetRowCount(Rows + 1);
        EXPECT_EQ(grid.EffectiveCellAttributes(0, Rows)->BackColor(), plain);
    }
}

TEST(ClearGrid, ModeZeroLeavesOneEmptyRowAndModeOneEmptiesDataCells) {
    TRichGrid grid;
    Prepare(grid);
    grid.SetFixedCols(1);
    grid.SetRowCount(4);
    grid.SetRows(1, {"h", "x", "y"});
    grid.SetValues(1, 1, 5);
    ClearGrid(&grid, 1);
    EXPECT_EQ(grid.Rows(1), (QStringList{"h", "", ""}));
    EXPECT_EQ(grid.RowCount(), 4);
    ClearGrid(&grid, 0);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Rows(1), (QStringList{"", "", ""}));
    EXPECT_FALSE(grid.Values(1, 1).isValid());
}

TEST(GridColumns, HideShowAndFillClientOnBothGrids) {
    TRichGrid rich;
    TAdvStringGrid adv;
    for (TStringGrid* grid : {static_cast<TStringGrid*>(&rich), static_cast<TStringGrid*>(&adv)}) {
        HideGridColumn(grid, 2);
        EXPECT_FALSE(grid->SelectCell(2, 1)) << grid->metaObject()->className();
        ShowGridColumn(grid, 2);
        EXPECT_TRUE(grid->SelectCell(2, 1)) << grid->metaObject()->className();
        EXPECT_FALSE(GetGridColumnFillClient(grid, 3));
        SetGridColumnFillClient(grid, 3, true);
        SetGridColumnFillClient(grid, 3, true);
        EXPECT_TRUE(GetGridColumnFillClient(grid, 3));
        SetGridColumnFillClient(grid, 3, false);
        EXPECT_FALSE(GetGridColumnFillClient(grid, 3));
    }
    EXPECT_EQ(adv.FillClientCols(), "");
    EXPECT_EQ(rich.ColWidths(2), rich.DefaultColWidth());
}

TEST(GridCellLooks, ColourAlignmentAndNegativeMarks) {
    TRichGrid grid;
    SetGridCellColor(&grid, 2, 2, clRed);
    SetGridCellColor(&grid, 20, 2, clRed);
    EXPECT_EQ(GetGridCellColor(&grid, 2, 2), clRed);
    EXPECT_EQ(GetGridCellColor(&grid, 20, 2), clWindow);
    EXPECT_EQ(GetGridCellAlignment(&grid, 20, 2), TCellAlignment());

    TAdvStringGrid adv;
    adv.SetCellAlignment(1, 1, acRight | acBottom);
    EXPECT_EQ(GetGridCellAlignment(&adv, 1, 1), TCellAlignment({caRight, caBottom}));
    EXPECT_EQ(GetGridCellAlignment(&adv, 2, 1), TCellAlignment({caCenter}));

    TFloatFormatter formatter(nullptr, 2);
    grid.ColAttributes(3)->SetFormatter(&formatter);
    SetGridMarkNegative(&grid, true);
    EXPECT_TRUE(formatter.MarkNegative());
}

TEST(CloneGrid, CopiesARichGridAndAnAdvancedGrid) {
    QWidget parent;
    auto* rich = new TRichGrid(&parent);
    rich->SetColCount(4);
    rich->SetCells(1, 1, U("Ж"));
    rich->SetMergeCellsStr("1,0,2,0|");
    auto* copy = qobject_cast<TRichGrid*>(CloneGrid(rich, false));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->parentWidget(), &parent);
    EXPECT_EQ(copy->Cells(1, 1), U("Ж"));
    EXPECT_EQ(copy->GetMergedCells(2, 0), (TGridRect{1, 0, 2, 0}));

    auto* adv = new TAdvStringGrid(&parent);
    adv->SetCellColor(1, 1, clLime);
    adv->SetCells(1, 1, "q");
    auto* advCopy = qobject_cast<TAdvStringGrid*>(CloneGrid(adv, false));
    ASSERT_NE(advCopy, nullptr);
    EXPECT_EQ(advCopy->GetCellColor(1, 1), clLime);
    EXPECT_EQ(advCopy->Cells(1, 1), "q");

    TStringGrid plain;
    EXPECT_EQ(CloneGrid(&plain, false, &parent), nullptr);
}

TEST(GridToDelimitedList, CopiesDataRowsAndSkipsThoseWithABlankFirstCell) {
    TRichGrid grid;
    Prepare(grid);
    grid.SetRowCount(5);
    grid.SetRows(1, {U("Иван"), U("12.5"), U("")});
    grid.SetRows(2, {U("  "), U("3"), U("skipped")});
    grid.SetRows(3, {U("Петър"), U(""), U("бел.")});
    TDelimitedStringList list;
    list.Add(U("stale"));
    GridToDelimitedList(&grid, &list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), U("Иван@12.5@"));
    EXPECT_EQ(list.Get(1), U("Петър@@бел."));
}
