#include "Components/Grids/StringGrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown grid of 10-pixel rows and 50-pixel columns whose cells area is 200 x 100 pixels.
void Shape(TStringGrid& grid, int cols, int rows) {
    grid.SetScrollBars(ssNone);
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    grid.SetDefaultColWidth(50);
    grid.SetDefaultRowHeight(10);
    grid.show();
    grid.resize(200 + grid.width() - grid.viewport()->width(),
                100 + grid.height() - grid.viewport()->height());
    QApplication::processEvents();
}

} // namespace

TEST(StringGridCells, StoresEveryCellOfARowInOneTextWithoutMixingThem) {
    struct Step {
        int col;
        QString value;
        QStringList row;
    };
    const Step steps[] = {
        {2, "c", {"", "", "c", ""}},
        {0, QString::fromUtf8("Ж@1"), {QString::fromUtf8("Ж@1"), "", "c", ""}},
        {2, "", {QString::fromUtf8("Ж@1"), "", "", ""}},
        {1, "bb", {QString::fromUtf8("Ж@1"), "bb", "", ""}},
        {3, "last", {QString::fromUtf8("Ж@1"), "bb", "", "last"}},
        {1, "", {QString::fromUtf8("Ж@1"), "", "", "last"}},
        {9, "outside", {QString::fromUtf8("Ж@1"), "", "", "last"}},
    };
    TStringGrid grid;
    grid.SetColCount(4);
    for (const Step& s : steps) {
        grid.SetCells(s.col, 1, s.value);
        EXPECT_EQ(grid.Rows(1), s.row) << s.col << " " << s.value.toStdString();
    }
    EXPECT_EQ(grid.Rows(0), (QStringList{"", "", "", ""}));
    grid.SetColCount(2);
    EXPECT_EQ(grid.Rows(1), (QStringList{QString::fromUtf8("Ж@1"), ""}));
    grid.SetColCount(4);
    EXPECT_EQ(grid.Cells(3, 1), "");
}

TEST(StringGridCells, TakesADelimitedRecordFieldByField) {
    struct Case {
        QString record;
        QStringList row;
    };
    const Case cases[] = {
        {"a@b@c", {"a", "b", "c"}}, {"a@b@c@d@e", {"a", "b", "c"}}, {"a", {"a", "", ""}},
        {"", {"", "", ""}},         {"@@x", {"", "", "x"}},         {"a@", {"a", "", ""}},
    };
    TStringGrid grid;
    grid.SetColCount(3);
    for (const Case& c : cases) {
        grid.SetRowRecord(2, c.record, QLatin1Char('@'));
        EXPECT_EQ(grid.Rows(2), c.row) << c.record.toStdString();
    }
    grid.SetRowRecord(2, "a@b@c@d", QLatin1Char('@'));
    grid.SetCells(2, 2, "C");
    grid.SetCells(0, 2, "A1");
    EXPECT_EQ(grid.Rows(2), (QStringList{"A1", "b", "C"}));
    grid.SetCols(1, {"h"});
    EXPECT_EQ(grid.Cols(1), (QStringList{"h", "", "", "", ""}));
}

TEST(StringGridCells, FixedCountsStayBelowTheSizes) {
    TStringGrid grid;
    grid.SetRowCount(3);
    grid.SetFixedRows(5);
    EXPECT_EQ(grid.FixedRows(), 2);
    grid.SetRowCount(2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.Row(), 1);
    grid.SetColCount(0);
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.FixedCols(), 0);
}

TEST(StringGridScrolling, KeepsFixedRowsAndScrollsWholeRows) {
    TStringGrid grid;
    Shape(grid, 10, 100);
    EXPECT_EQ(grid.TopRow(), 1);
    EXPECT_EQ(grid.VisibleRowCount(), 9);
    EXPECT_EQ(grid.VisibleColCount(), 3);
    grid.SetRow(50);
    EXPECT_EQ(grid.TopRow(), 42);
    EXPECT_EQ(grid.CellRect(1, 50), QRect(50, 90, 50, 10));
    EXPECT_EQ(grid.CellRect(1, 0), QRect(50, 0, 50, 10));
    EXPECT_TRUE(grid.CellRect(1, 41).isEmpty());
    EXPECT_TRUE(grid.CellRect(1, 51).isEmpty());
    int c = 0;
    int r = 0;
    grid.MouseToCell(55, 5, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(1, 0));
    grid.MouseToCell(55, 15, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(1, 42));
    grid.MouseToCell(55, 500, c, r);
    EXPECT_EQ(QPoint(c, r), QPoint(-1, -1));
    grid.SetTopRow(1000);
    EXPECT_EQ(grid.TopRow(), 91);
    grid.SetRow(2);
    EXPECT_EQ(grid.TopRow(), 2);
}

TEST(StringGridKeys, MovesByCellsPagesAndEnds) {
    TStringGrid grid;
    Shape(grid, 10, 100);
    struct Step {
        int key;
        Qt::KeyboardModifiers mods;
        int col, row;
    };
    const Step steps[] = {
        {Qt::Key_Down, {}, 1, 2},      {Qt::Key_Right, {}, 2, 2},
        {Qt::Key_PageDown, {}, 2, 11}, {Qt::Key_End, {}, 9, 11},
        {Qt::Key_Home, {}, 1, 11},     {Qt::Key_End, Qt::ControlModifier, 9, 99},
        {Qt::Key_Down, {}, 9, 99},     {Qt::Key_Home, Qt::ControlModifier, 1, 1},
        {Qt::Key_Up, {}, 1, 1},        {Qt::Key_Left, {}, 1, 1},
    };
    for (const Step& s : steps) {
        QTest::keyClick(&grid, Qt::Key(s.key), s.mods);
        EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(s.col, s.row)) << s.key;
    }
}

TEST(StringGridKeys, ShiftExtendsTheSelectionOnlyWithRangeSelect) {
    TStringGrid grid;
    Shape(grid, 5, 5);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 1, 2}));
    grid.SetOptions({goRangeSelect});
    QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 2, 3}));
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(grid.Selection(), (TGridRect{2, 2, 2, 2}));
}

TEST(StringGridEditing, EditsInPlaceOnlyWhenAllowed) {
    TStringGrid grid;
    Shape(grid, 5, 5);
    grid.SetCells(1, 1, "old");
    QTest::keyClick(&grid, Qt::Key_F2);
    EXPECT_FALSE(grid.EditorMode());

    grid.SetOptions({goEditing});
    QTest::keyClick(&grid, Qt::Key_F2);
    ASSERT_TRUE(grid.EditorMode());
    EXPECT_EQ(grid.InplaceEditor()->text(), "old");
    grid.InplaceEditor()->setText("new");
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Return);
    EXPECT_FALSE(grid.EditorMode());
    EXPECT_EQ(grid.Cells(1, 1), "new");

    QTest::keyClick(&grid, Qt::Key_F2);
    grid.InplaceEditor()->setText("discarded");
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Escape);
    EXPECT_EQ(grid.Cells(1, 1), "new");

    // Typing starts the editor with the typed character; moving on keeps the text.
    QTest::keyClick(&grid, Qt::Key_Q);
    ASSERT_TRUE(grid.EditorMode());
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Down);
    EXPECT_EQ(grid.Cells(1, 1), "q");
    EXPECT_EQ(grid.Row(), 2);
}

TEST(StringGridMouse, ClickSelectsAndReportsTheCell) {
    TStringGrid grid;
    Shape(grid, 5, 5);
    QList<QPoint> clicked;
    QObject::connect(&grid, &TStringGrid::cellClicked, [&](int c, int r) { clicked.append({c, r}); });
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(125, 25));
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(2, 2));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(75, 5));
    EXPECT_EQ(QPoint(grid.Col(), grid.Row()), QPoint(2, 2));
    EXPECT_EQ(clicked, (QList<QPoint>{{2, 2}, {1, 0}}));
}
