#include "Components/Grids/RichGrid.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "core/uDelimitedStrings.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TMergedCells Flags(TRichGrid& g, int c, int r) {
    return g.ReadCellAttributes(c, r)->MergedCells();
}

} // namespace

TEST(RichGridMerge, TheMergeTextSetsTheFlagsAndTheBlock) {
    TRichGrid grid;
    grid.SetMergeCellsStr("0,0,1,0|");
    EXPECT_EQ(Flags(grid, 0, 0), TMergedCells({mcRight}));
    EXPECT_EQ(Flags(grid, 1, 0), TMergedCells());
    grid.SetCells(0, 0, "Дата");
    EXPECT_EQ(grid.GetMergedCells(1, 0), (TGridRect{0, 0, 1, 0}));
    EXPECT_EQ(grid.GetMergedCells(0, 0), (TGridRect{0, 0, 1, 0}));
    EXPECT_EQ(grid.GetMergedCells(2, 0), (TGridRect{2, 0, 2, 0}));
    const QRect r = grid.GetMergedCellRect(1, 0);
    EXPECT_EQ(r.width(), grid.ColWidths(0) + grid.ColWidths(1));
    EXPECT_EQ(r.height(), grid.RowHeights(0));
}

TEST(RichGridMerge, TwoRowBlocksAndOverlappingMergesResolve) {
    TRichGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(4);
    grid.SetFixedRows(2);
    grid.SetMergeCellsStr("0,0,0,1|1,0,3,0|");
    EXPECT_EQ(grid.GetMergedCells(0, 1), (TGridRect{0, 0, 0, 1}));
    EXPECT_EQ(grid.GetMergedCells(3, 0), (TGridRect{1, 0, 3, 0}));
    // A later merge overwrites the flags of the cells it covers.
    grid.MergeCells({2, 0, 4, 1});
    EXPECT_EQ(grid.GetMergedCells(4, 1), (TGridRect{1, 0, 4, 1}));
    EXPECT_EQ(Flags(grid, 1, 0), TMergedCells({mcRight}));
    // Merges past the grid are accepted and stop at its edge.
    grid.MergeCells({5, 2, 9, 9});
    EXPECT_EQ(grid.GetMergedCells(5, 3), (TGridRect{5, 2, 5, 3}));
    EXPECT_THROW(grid.SetMergeCellsStr("0,0,x,0|"), EConvertError);
}

TEST(RichGridSelection, KeyboardSkipsHiddenColumnsAndUnselectableCells) {
    TRichGrid grid;
    grid.SetColCount(6);
    grid.SetRowCount(5);
    grid.resize(500, 300);
    grid.SetCol(1);
    grid.SetRow(1);
    grid.ColAttributes(2)->SetVisible(false);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 3);
    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(grid.Col(), 1);

    // Hiding the current column moves the current cell on.
    grid.SetCol(3);
    grid.ColAttributes(3)->SetVisible(false);
    EXPECT_EQ(grid.Col(), 4);

    grid.CellAttributes(4, 2)->SetCanSelect(false);
    grid.SetRow(1);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(grid.Col(), 4);
}

TEST(RichGridSelection, OutOfRangeWritesAreClamped) {
    TRichGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetRow(99);
    EXPECT_EQ(grid.Row(), 2);
    grid.SetCol(-5);
    EXPECT_EQ(grid.Col(), 1);
    // An unselectable last row sends the current cell to the row after it: it stays put.
    grid.SetCol(2);
    grid.CellAttributes(2, 2)->SetCanSelect(false);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_LT(grid.Col(), 3);
}

TEST(RichGrid, ShrinkingRowsFreesTheirSetsAndKeepsTheOtherValues) {
    TRichGrid grid;
    grid.SetRowCount(10);
    for (int r = 0; r < 10; ++r) {
        grid.RowAttributes(r)->SetBackColor(clRed);
        grid.CellAttributes(1, r)->SetForeColor(clBlue);
        grid.SetValues(1, r, r);
    }
    grid.SetRowCount(3);
    grid.SetRowCount(10);
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(grid.HasRowAttributes(r), r < 3) << r;
        EXPECT_EQ(grid.HasCellAttributes(1, r), r < 3) << r;
        EXPECT_EQ(grid.Values(1, r), r < 3 ? QVariant(r) : QVariant()) << r;
    }
}

// A moved row takes its text and height along, the rows between shift by one; the rows passed
// over lose their colours and stored values, the others keep them. A place outside the grid moves
// nothing.
TEST(RichGrid, AMovedRowTakesItsTextAndHeightAndThePassedRowsLoseTheirSets) {
    TRichGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(6);
    for (int r = 0; r < 6; ++r) {
        grid.SetCells(0, r, QString::number(r));
        grid.RowAttributes(r)->SetBackColor(clRed);
        grid.SetValues(1, r, r);
    }
    grid.SetRowHeights(4, 40);
    grid.MoveRow(4, 1);
    const QStringList down{"0", "4", "1", "2", "3", "5"};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(grid.Cells(0, r), down[r]) << r;
        EXPECT_EQ(grid.HasRowAttributes(r), r == 0 || r == 5) << r;
        EXPECT_EQ(grid.Values(1, r), r == 0 || r == 5 ? QVariant(r) : QVariant()) << r;
    }
    EXPECT_EQ(grid.RowHeights(1), 40);
    EXPECT_EQ(grid.RowHeights(4), grid.DefaultRowHeight());

    grid.MoveRow(1, 5);
    grid.MoveRow(5, 0);
    grid.MoveRow(0, 1);
    grid.MoveRow(1, 0);
    TStringGrid plain;
    plain.SetRowCount(6);
    for (int r = 0; r < 6; ++r)
        plain.SetCells(0, r, QString::number(r));
    for (const auto& [from, to] : {std::pair{-1, 2}, {2, -1}, {6, 2}, {2, 6}, {3, 3}}) {
        grid.MoveRow(from, to);
        plain.MoveRow(from, to);
    }
    const QStringList back{"4", "0", "1", "2", "3", "5"};
    for (int r = 0; r < 6; ++r) {
        EXPECT_EQ(grid.Cells(0, r), back[r]) << r;
        EXPECT_EQ(plain.Cells(0, r), QString::number(r)) << r;
    }
    EXPECT_EQ(grid.RowHeights(0), 40);
}

TEST(RichGrid, FillColumnsShareTheFreeClientWidth) {
    TRichGrid grid;
    grid.SetColCount(4);
    grid.SetFixedCols(0);
    grid.SetScrollBars(ssNone);
    grid.SetColWidths(0, 60);
    grid.SetColWidths(1, 40);
    for (int c : {2, 3}) {
        grid.ColAttributes(c)->SetMinSize(50);
        grid.ColAttributes(c)->SetResizeToFillClient(true);
    }
    grid.show();
    grid.resize(301 + grid.width() - grid.viewport()->width(), 200);
    QApplication::processEvents();
    EXPECT_EQ(grid.viewport()->width(), 301);
    EXPECT_EQ(grid.ColWidths(2), 100);
    EXPECT_EQ(grid.ColWidths(3), 101);
}

TEST(RichGrid, RowsSizedInABatchSettleOnceAtItsEnd) {
    TRichGrid grid;
    grid.SetColCount(2);
    grid.SetRowCount(202);
    grid.SetDefaultRowHeight(20);
    grid.SetScrollBars(ssVertical);
    grid.RowAttributes(201)->SetMaxSize(30);
    grid.show();
    grid.resize(200, 10 * 20 + grid.height() - grid.viewport()->height());
    QApplication::processEvents();
    const int rangeBefore = grid.verticalScrollBar()->maximum();
    {
        TGridSizing sizing(&grid);
        for (int r = 1; r < 201; ++r)
            grid.SetRowHeights(r, 0);
        grid.SetRowHeights(201, 50);
        // Inside the batch nothing settles yet.
        EXPECT_EQ(grid.verticalScrollBar()->maximum(), rangeBefore);
        EXPECT_EQ(grid.RowHeights(201), 50);
    }
    // At its end the scroll range and the row limits follow.
    EXPECT_EQ(grid.RowHeights(201), 30);
    EXPECT_LT(grid.verticalScrollBar()->maximum(), rangeBefore);
    // A single row is limited at once, without a batch.
    grid.SetRowHeights(201, 45);
    EXPECT_EQ(grid.RowHeights(201), 30);
}

TEST(RichGrid, AssignCopiesTextsSetsAndMerges) {
    TRichGrid source;
    source.SetColCount(4);
    source.SetCells(2, 1, "a&b");
    source.ColAttributes(2)->SetBackColor(clLime);
    source.SetMergeCellsStr("0,0,1,0|");
    TRichGrid copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.ColCount(), 4);
    EXPECT_EQ(copy.Cells(2, 1), "a&b");
    EXPECT_EQ(copy.EffectiveCellAttributes(2, 1)->BackColor(), clLime);
    EXPECT_EQ(copy.GetMergedCells(1, 0), (TGridRect{0, 0, 1, 0}));
}

namespace {

// A shown report grid: one header row, 60-pixel columns, an amount column 1 in red when negative.
struct TPaintedGrid {
    TFloatFormatter Formatter{nullptr, 2};
    TRichGrid Grid;
    TPaintedGrid() {
        Grid.SetScrollBars(ssNone);
        Grid.SetColCount(4);
        Grid.SetFixedCols(0);
        Grid.SetDefaultColWidth(60);
        Grid.SetDefaultRowHeight(20);
        Formatter.SetMarkNegative(true);
        Formatter.NegativeAttr()->SetForeColor(clRed);
        Grid.ColAttributes(1)->SetFormatter(&Formatter);
        Grid.show();
        Grid.resize(240 + Grid.width() - Grid.viewport()->width(),
                    100 + Grid.height() - Grid.viewport()->height());
        QApplication::processEvents();
    }
    QImage Shot() { return Grid.viewport()->grab().toImage(); }
    bool HasRedIn(const QImage& image, const QRect& rect) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 180 && c.green() < 90 && c.blue() < 90) return true;
            }
        return false;
    }
};

} // namespace

TEST(RichGridPainting, TotalsRowsNegativesAndMergedHeadersShowAsTheyShould) {
    TPaintedGrid p;
    TDelimitedStringList list;
    list.Add("a@-12.5@x@y");
    list.Add("b@12.5@x@y");
    list.Add(QString::fromUtf8("¤Общо@0@@"));
    LoadGridFromList(&p.Grid, &list, true);
    p.Grid.SetMergeCellsStr("0,0,1,0|");
    const QImage image = p.Shot();
    const QPalette& pal = p.Grid.palette();

    EXPECT_EQ(image.pixel(3, 62), ToQColor(TotalsRowColor, pal).rgb());
    EXPECT_EQ(image.pixel(3, 22), ToQColor(clWindow, pal).rgb());
    EXPECT_TRUE(p.HasRedIn(image, p.Grid.CellRect(1, 1)));
    EXPECT_FALSE(p.HasRedIn(image, p.Grid.CellRect(1, 2)));
    // No raised line between the merged header cells; one after the block.
    EXPECT_EQ(image.pixel(59, 10), ToQColor(p.Grid.FixedColor(), pal).rgb());
    EXPECT_EQ(image.pixel(119, 10), ToQColor(clBtnShadow, pal).rgb());
}

TEST(RichGridPainting, HeadersStayWhileRowsScrollAndHiddenColumnsTakeNoRoom) {
    TPaintedGrid p;
    TDelimitedStringList list;
    for (int i = 0; i < 30; ++i)
        list.Add(QStringLiteral("%1@%2@@").arg(i).arg(i % 3 ? i : -i));
    LoadGridFromList(&p.Grid, &list, true);
    p.Grid.ColAttributes(0)->SetVisible(false);
    p.Grid.SetRow(25);
    EXPECT_GT(p.Grid.TopRow(), 1);
    const QImage image = p.Shot();
    EXPECT_EQ(image.pixel(30, 10), ToQColor(p.Grid.FixedColor(), p.Grid.palette()).rgb());
    // The amount column now starts at the left edge.
    EXPECT_EQ(p.Grid.CellRect(1, 25).left(), 0);
    ASSERT_EQ(p.Grid.TopRow(), 22);
    EXPECT_TRUE(p.HasRedIn(image, p.Grid.CellRect(1, 22))); // -21
}

TEST(RichGridPainting, AutoResizingColumnsGrowToTheirPaintedText) {
    TPaintedGrid p;
    const QString text = QString::fromUtf8("Иван Петров Иванов");
    p.Grid.SetCells(2, 1, text);
    p.Grid.ColAttributes(2)->SetAutoResize(true);
    p.Shot();
    const QFontMetrics fm(p.Grid.font());
    EXPECT_GE(p.Grid.ColWidths(2), fm.horizontalAdvance(text) + 4);
    int required = 0;
    EXPECT_TRUE(p.Grid.RecordedRequiredSize(crkCol, 2, required));
    EXPECT_EQ(p.Grid.ReadColAttributes(2)->RequiredSize(), required);
}

// All columns are sized in one pass over the rows, yet each takes its own widest text: the caption
// row's, or that of a row among more rows than are measured.
TEST(RichGridPainting, EachResizedColumnFitsItsOwnCaptionOrLongestRow) {
    TPaintedGrid p;
    p.Grid.SetRowCount(40);
    for (int r = 1; r < 40; ++r) {
        p.Grid.SetCells(2, r, QStringLiteral("ab"));
        p.Grid.SetCells(3, r, QString(r % 7 + 1, u'x'));
    }
    const QString caption = QString::fromUtf8("Заемополучател"),
                  name = QString::fromUtf8("Иван Петров Иванов Димитров");
    p.Grid.SetCells(2, 0, caption);
    p.Grid.SetCells(3, 23, name);
    for (int c : {2, 3})
        p.Grid.ColAttributes(c)->SetAutoResize(true);
    p.Grid.AutoResizeColumns();
    const QFontMetrics fm(p.Grid.font());
    EXPECT_GE(p.Grid.ColWidths(2), fm.horizontalAdvance(caption));
    EXPECT_LT(p.Grid.ColWidths(2), fm.horizontalAdvance(name));
    EXPECT_GE(p.Grid.ColWidths(3), fm.horizontalAdvance(name));
}

// A number wider than its cell keeps its leading digits: 1500.00 must not read as 500.00.
TEST(RichGridPainting, ATooWideNumberIsCutOnTheRightNotTheLeft) {
    TPaintedGrid p;
    const QString number = QStringLiteral("1234567890123456");
    p.Grid.ColAttributes(2)->SetAlignment({caLeft, caCenter});
    p.Grid.ColAttributes(3)->SetAlignment({caRight, caCenter});
    p.Grid.SetCells(3, 1, number); // right-aligned, too wide
    p.Grid.SetCells(2, 1, number); // left-aligned, the same text
    ASSERT_GT(QFontMetrics(p.Grid.font()).horizontalAdvance(number), p.Grid.ColWidths(3));
    const QImage image = p.Shot();
    const QRect left = p.Grid.CellRect(2, 1), right = p.Grid.CellRect(3, 1);
    int differing = 0;
    for (int y = 2; y < left.height() - 2; ++y)
        for (int x = 2; x < left.width() - 2; ++x)
            differing += image.pixel(left.left() + x, left.top() + y) !=
                         image.pixel(right.left() + x, right.top() + y);
    EXPECT_EQ(differing, 0);
}

TEST(RichGridPainting, ImagesShowOnlyWhenTheCellDrawsThem) {
    TPaintedGrid p;
    TImageList images(nullptr, 8, 8);
    QPixmap red(8, 8);
    red.fill(Qt::red);
    images.Add(red);
    p.Grid.SetImages(&images);
    TCellAttributes* cell = p.Grid.CellAttributes(2, 1);
    cell->SetBitmap(0);
    EXPECT_FALSE(p.HasRedIn(p.Shot(), p.Grid.CellRect(2, 1)));
    cell->SetBitmapDrawMode(bmCenter);
    EXPECT_TRUE(p.HasRedIn(p.Shot(), p.Grid.CellRect(2, 1)));
    int changes = 0;
    QObject::connect(&p.Grid, &TRichGrid::changed, [&] { ++changes; });
    images.Add(red);
    EXPECT_EQ(changes, 1);
}

TEST(RichGridSelection, AClickOnAnUnselectableCellLeavesTheCurrentCell) {
    TPaintedGrid p;
    p.Grid.SetRowCount(4);
    p.Grid.CellAttributes(2, 2)->SetCanSelect(false);
    p.Grid.SetCol(1);
    p.Grid.SetRow(1);
    QTest::mouseClick(p.Grid.viewport(), Qt::LeftButton, {}, p.Grid.CellRect(2, 2).center());
    EXPECT_EQ(QPoint(p.Grid.Col(), p.Grid.Row()), QPoint(1, 1));
    QTest::mouseClick(p.Grid.viewport(), Qt::LeftButton, {}, p.Grid.CellRect(3, 2).center());
    EXPECT_EQ(QPoint(p.Grid.Col(), p.Grid.Row()), QPoint(3, 2));
}

TEST(RichGridEditing, TheEditorOpensOnlyOnEditableCells) {
    TPaintedGrid p;
    p.Grid.SetOptions({goEditing});
    p.Grid.ColAttributes(2)->SetCanEdit(false);
    p.Grid.SetCol(2);
    QTest::keyClick(&p.Grid, Qt::Key_F2);
    EXPECT_FALSE(p.Grid.EditorMode());
    p.Grid.SetCol(3);
    QTest::keyClick(&p.Grid, Qt::Key_F2);
    EXPECT_TRUE(p.Grid.EditorMode());
}

// A long note far down a long list still fits its column: no row is left unmeasured, and a
// multi-line text counts by its longest line.
TEST(RichGridSizing, AColumnFitsItsLongestTextWhereverItStands) {
    TRichGrid grid;
    grid.SetColCount(3);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    for (int c = 0; c < 3; ++c)
        grid.ColAttributes(c)->SetAutoResize(true);
    const QString note = QString::fromUtf8("Пръстен с три камъка, надраскан отстрани, без гравюра и кутия");
    const QString lines = QString::fromUtf8("къс ред\nмного по-дълъг втори ред на описа, който решава");
    TDelimitedStringList list;
    for (int r = 1; r <= 5000; ++r)
        list.Add(QStringLiteral("%1@%2@%3")
                     .arg(r)
                     .arg(r == 2347 ? note : u"кратко"_qs)
                     .arg(r == 3001 ? lines : u"x"_qs));
    ASSERT_TRUE(LoadGridFromList(&grid, &list, false));
    const QFontMetrics fm(grid.font());
    EXPECT_GE(grid.ColWidths(1), fm.horizontalAdvance(note));
    EXPECT_GE(grid.ColWidths(2), fm.horizontalAdvance(lines.section(u'\n', 1)));
    EXPECT_GE(grid.ColWidths(0), fm.horizontalAdvance(QStringLiteral("5000")));
    EXPECT_LT(grid.ColWidths(0), fm.horizontalAdvance(note) / 3);
}

// A bold totals row is wider than a row of the same text; it is measured beside the longest rows
// however many rows are as long as it.
TEST(RichGridSizing, AColumnFitsItsBoldTotalsRow) {
    TRichGrid grid;
    grid.SetColCount(2);
    grid.SetFixedRows(1);
    grid.SetFixedCols(0);
    grid.SetRowCount(1 + 3 * TRichGrid::MeasuredLongestRows);
    const QString sum = QStringLiteral("1 234 567.89");
    for (int r = 1; r < grid.RowCount(); ++r)
        grid.SetCells(1, r, sum);
    const int totals = grid.RowCount() - 1;
    grid.RowAttributes(totals)->SetFontStyle({fsBold});
    grid.ColAttributes(1)->SetAutoResize(true);
    QFont bold = grid.font();
    bold.setBold(true);
    const int boldWidth = QFontMetrics(bold).horizontalAdvance(sum);
    ASSERT_GT(boldWidth, QFontMetrics(grid.font()).horizontalAdvance(sum));
    grid.AutoResizeColumns();
    EXPECT_GE(grid.ColWidths(1), boldWidth);
    grid.SetColWidths(1, 10);
    grid.AutoResizeColumn(1);
    EXPECT_GE(grid.ColWidths(1), boldWidth);
}
