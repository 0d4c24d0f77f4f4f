#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"

#include <gtest/gtest.h>

namespace {

// A grid with one header row and a float column 1.
struct FormattedGrid {
    TRichGrid grid;
    TFloatFormatter formatter{nullptr, 2};
    FormattedGrid() {
        grid.SetColCount(3);
        grid.SetRowCount(3);
        grid.SetFixedCols(0);
        formatter.SetMarkNegative(true);
        formatter.NegativeAttr()->SetForeColor(clRed);
        grid.ColAttributes(1)->SetFormatter(&formatter);
    }
    QString Show(const QString& text) {
        grid.SetCells(1, 1, text);
        return grid.GetDisplayText(1, 1);
    }
};

} // namespace

TEST(FloatFormatter, PrintsFixedDecimalsAndZeroForNoValue) {
    struct Case {
        QString text;
        bool zeroOnNoValue;
        QString shown;
        bool right;
    };
    const Case cases[] = {
        {"1234.5", true, "1234.50", true},
        {"", true, "0.00", true},
        {"abc", true, "0.00", true},
        {"1 234.5", true, "1234.50", true},
        {"2.675", true, "2.68", true},
        {"-12.5", true, "-12.50", true},
        {"", false, "", false},
        {"abc", false, "abc", false},
        {"7", false, "7.00", true},
    };
    for (const Case& c : cases) {
        FormattedGrid g;
        g.formatter.SetZeroOnNoValue(c.zeroOnNoValue);
        EXPECT_EQ(g.Show(c.text), c.shown) << c.text.toStdString();
        EXPECT_EQ(g.grid.EffectiveCellAttributes(1, 1)->Alignment().Contains(caRight), c.right)
            << c.text.toStdString();
    }
}

TEST(FloatFormatter, MarksNegativesWithTheForeColourOnlyAndKeepsTheBackground) {
    FormattedGrid g;
    g.grid.RowAttributes(1)->SetBackColor(clYellow);
    g.Show("-12.5");
    const TColRowAttributes* a = g.grid.EffectiveCellAttributes(1, 1);
    EXPECT_EQ(a->ForeColor(), clRed);
    EXPECT_EQ(a->BackColor(), clYellow);
    g.Show("12.5");
    EXPECT_EQ(g.grid.EffectiveCellAttributes(1, 1)->ForeColor(), clWindowText);
}

TEST(FloatFormatter, UsesAndStoresTheGridValue) {
    FormattedGrid g;
    g.formatter.SetUseGridValue(true);
    g.grid.SetValues(1, 1, 99.125);
    EXPECT_EQ(g.Show("5"), "99.13");

    FormattedGrid s;
    s.formatter.SetSetGridValue(true);
    s.Show("1 234.5");
    EXPECT_EQ(s.grid.Values(1, 1), QVariant(1234.5));
    s.Show("");
    EXPECT_EQ(s.grid.Values(1, 1), QVariant(0.0));
}

TEST(FloatFormatter, LeavesHeaderCellsOfItsColumnAsText) {
    FormattedGrid g;
    g.grid.SetCells(1, 0, QString::fromUtf8("начислени"));
    EXPECT_EQ(g.grid.GetDisplayText(1, 0), QString::fromUtf8("начислени"));
    g.grid.MergeCells({1, 0, 2, 0});
    EXPECT_EQ(g.grid.GetDisplayText(1, 0), QString::fromUtf8("начислени"));
}

TEST(FloatFormatter, ACellsOwnSetKeepsTheColumnFormat) {
    FormattedGrid g;
    g.grid.SetCells(1, 2, "3.1");
    g.grid.CellAttributes(1, 2)->SetBackColor(clAqua);
    EXPECT_EQ(g.grid.GetDisplayText(1, 2), "3.10");
}

TEST(CellFormatter, EventRewritesTextAndDestroyingTheFormatterDetachesIt) {
    TRichGrid grid;
    auto* f = new TCellFormatter;
    f->OnCellFormat = [](TCellFormatter*, TRichGrid*, int c, int r, QString& text, TCellAttributes* a) {
        text = QStringLiteral("<%1:%2,%3>").arg(text).arg(c).arg(r);
        a->SetFontStyle({fsBold});
    };
    grid.ColAttributes(2)->SetFormatter(f);
    grid.SetCells(2, 1, "x");
    EXPECT_EQ(grid.GetDisplayText(2, 1), "<x:2,1>");
    EXPECT_TRUE(grid.EffectiveCellAttributes(2, 1)->FontStyle().Contains(fsBold));
    delete f;
    EXPECT_EQ(grid.ColAttributes(2)->Formatter(), nullptr);
    EXPECT_EQ(grid.GetDisplayText(2, 1), "x");
}

TEST(ValueFormatter, TakesTheGridValueOnlyOfItsOwnTypeAndAsksTheEventOtherwise) {
    FormattedGrid g;
    g.formatter.SetUseGridValue(true);
    g.grid.SetValues(1, 1, QStringLiteral("7")); // a text, not a Double: the cell text counts
    EXPECT_EQ(g.Show("5"), "5.00");
    g.formatter.OnGetValue = [](TCustomValueFormatter*, const QString& text, QVariant& value, bool& have) {
        if (text == "n/a") {
            value = -1.0;
            have = true;
        }
    };
    EXPECT_EQ(g.Show("n/a"), "-1.00");
    EXPECT_EQ(g.grid.EffectiveCellAttributes(1, 1)->ForeColor(), clRed);
}

TEST(ValueFormatter, ChangesReachEveryAttributeSetThatUsesIt) {
    FormattedGrid g;
    int changes = 0;
    int formatterChanges = 0;
    g.grid.ColAttributes(1)->OnChange = [&](TCellAttributes*, int, int) { ++changes; };
    g.formatter.OnChange = [&](TCellFormatter*) { ++formatterChanges; };
    g.formatter.SetPrecision(3);
    g.formatter.SetPrecision(3);
    g.formatter.SetDefaultValue(1.0);
    g.formatter.SetUseGridValue(true);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(formatterChanges, 2);
    EXPECT_EQ(g.Show(""), "1.000");
    EXPECT_EQ(g.formatter.AttributesCount(), 1);
}
