#include "framework/printing/PrintSettings.h"

#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/unRegistry.h"

#include <gtest/gtest.h>

namespace {

const QString Deg(QChar(0x00B0));

std::unique_ptr<TRichGrid> GridOf(int Columns) {
    auto grid = std::make_unique<TRichGrid>();
    grid->SetColCount(Columns);
    grid->SetRowCount(2);
    return grid;
}

} // namespace

TEST(PrintSettings, NamedSettingsReadBackAsWritten) {
    auto grid = GridOf(3);
    SetGridColumnFillClient(grid.get(), 1, true);
    TSettings settings = ReadSettings(grid.get(), QString(), 1);
    ASSERT_EQ(settings.size(), 1);
    EXPECT_EQ(settings[0].Name, BasicSettingName);
    EXPECT_TRUE(settings[0].IsDefault);
    EXPECT_EQ(settings[0].AutoResizeCols, QList<bool>({false, true, false}));

    struct Named {
        QString Name;
        QList<bool> Visible;
        QList<bool> Auto;
        QString Font;
        int Size;
        TFontStyles Style;
        int Orientation;
    };
    const QList<Named> named = {
        {"Кратка", {true, false, true}, {false, false, true}, "Liberation Sans", 9, {fsBold}, 0},
        {"Пълна", {true, true, true}, {true, false, false}, "Liberation Serif", 8, {}, 1},
        {"Трета", {false, false, true}, {false, false, false}, "Liberation Mono", 11, {fsBold, fsItalic}, 0},
    };
    for (const Named& n : named) {
        TReportSettings s;
        s.Name = n.Name;
        s.VisibleCols = n.Visible;
        s.AutoResizeCols = n.Auto;
        NewPrintObjects(s);
        s.PrintObjects[poTable].Font.SetName(n.Font);
        s.PrintObjects[poTable].Font.SetSize(n.Size);
        s.PrintObjects[poTable].Font.SetStyle(n.Style);
        s.Orientation = n.Orientation;
        settings.append(s);
    }
    SetDefault(settings, 2, true);
    WriteSettings(settings, "frmTest_print_settings");
    EXPECT_EQ(ReadRegString("frmTest_print_settings").split(Deg)[0],
              QStringLiteral("Кратка@@1||1@Liberation Sans|9|1,0@Portrait@||1"));

    const TSettings back = ReadSettings(grid.get(), "frmTest_print_settings", 1);
    ASSERT_EQ(back.size(), 4);
    EXPECT_FALSE(back[0].IsDefault);
    EXPECT_EQ(DefaultSettingIndex(back), 2);
    for (int i = 0; i < 3; ++i) {
        const TReportSettings& s = back[i + 1];
        EXPECT_EQ(s.Name, named[i].Name);
        EXPECT_EQ(s.VisibleCols, named[i].Visible) << i;
        EXPECT_EQ(s.AutoResizeCols, named[i].Auto) << i;
        EXPECT_EQ(s.PrintObjects[poTable].Font.Name(), named[i].Font);
        EXPECT_EQ(s.PrintObjects[poTable].Font.Size(), named[i].Size);
        EXPECT_EQ(s.PrintObjects[poTable].Font.Style(), named[i].Style) << i;
        EXPECT_EQ(s.Orientation, named[i].Orientation);
        EXPECT_EQ(s.PrintObjects[poPageLine].Text, QStringLiteral("Стр.: %d / %d"));
    }
}

TEST(PrintSettings, StoredTextsReadForTheGridAtHand) {
    struct Case {
        QString Text;
        QStringList Names;
        int Default;
        QList<bool> FirstVisible;
        int FirstOrientation;
    };
    const QList<Case> cases = {
        // Saved for two columns, read for three: the third is not printed.
        {"A@@1|1@Arial|8|0,0@Portrait@", {"A"}, 0, {true, true, false}, 0},
        // Saved for five: the extra flags are dropped.
        {"A@1@1||1|1|1@Arial|8|0,0@Landscape@", {"A"}, 1, {true, false, true}, 1},
        // Both marked: the later one keeps the mark.
        {"A@1@1@Arial|8|0,0@Portrait@" + Deg + "B@1@1@Arial|8|0,0@Portrait@",
         {"A", "B"},
         2,
         {true, false, false},
         0},
        // A trailing separator and an empty record add nothing; a short record is dropped.
        {"A@@1@Arial|8|0,0@Portrait@" + Deg + Deg + "bad@1" + Deg, {"A"}, 0, {true, false, false}, 0},
        // Unknown orientation text reads as landscape; a record without the stretching list reads.
        {"A@@ 1 |x|1@Arial|x|1@Sideways", {"A"}, 0, {true, false, true}, 1},
        {"", {}, 0, {}, 0},
    };
    auto grid = GridOf(3);
    for (const Case& c : cases) {
        TSettings settings = ReadSettings(grid.get(), QString(), 0);
        ReadSettingsText(settings, c.Text);
        QStringList names;
        for (int i = 1; i < settings.size(); ++i)
            names << settings[i].Name;
        EXPECT_EQ(names, c.Names) << c.Text.toStdString();
        EXPECT_EQ(DefaultSettingIndex(settings), c.Default) << c.Text.toStdString();
        if (settings.size() < 2) continue;
        EXPECT_EQ(settings[1].VisibleCols, c.FirstVisible) << c.Text.toStdString();
        EXPECT_EQ(settings[1].AutoResizeCols.size(), 3);
        EXPECT_EQ(settings[1].Orientation, c.FirstOrientation) << c.Text.toStdString();
    }
}

TEST(PrintSettings, TheMarkFallsBackToTheBasicSetting) {
    auto grid = GridOf(2);
    TSettings settings = ReadSettings(grid.get(), QString(), 0);
    ReadSettingsText(settings, "A@1@1|1@Arial|8|0,0@Portrait@" + Deg + "B@@1|1@Arial|8|0,0@Portrait@");
    ASSERT_EQ(DefaultSettingIndex(settings), 1);
    SetDefault(settings, 2, true);
    EXPECT_EQ(DefaultSettingIndex(settings), 2);
    EXPECT_FALSE(settings[1].IsDefault);
    SetDefault(settings, 2, false);
    EXPECT_EQ(DefaultSettingIndex(settings), 0);
    // Only the named settings are stored.
    EXPECT_EQ(SettingsText(TSettings{settings[0]}), QString());
}

TEST(PrintSettings, NewSettingsGetTheirFontsAndTexts) {
    TReportSettings s;
    NewPrintObjects(s);
    EXPECT_EQ(s.PrintObjects[poCaption].Font.Size(), 14);
    EXPECT_EQ(s.PrintObjects[poTable].Font.Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(s.PrintObjects[poTable].Left, -1);
    EXPECT_EQ(s.PrintObjects[poFirmBlock].Text, QStringLiteral("%s\r№ по НДР: %s\rБулстат: %s"));
}

TEST(PrintSettings, SeparatorsInANameCannotBreakTheStoredText) {
    auto grid = GridOf(3);
    TSettings settings = ReadSettings(grid.get(), QString(), 0);
    for (const QString& name : {QStringLiteral("Месечен@отчет|x"), QStringLiteral("a,b~c") + Deg + "d"}) {
        TReportSettings s;
        s.Name = name;
        s.VisibleCols = {true, false, true};
        s.AutoResizeCols = {false, true, false};
        NewPrintObjects(s);
        s.PrintObjects[poTable].Font.SetSize(11);
        s.Orientation = 0;
        settings.append(s);
    }
    SetDefault(settings, 1, true);
    TSettings read = ReadSettings(grid.get(), QString(), 1);
    ReadSettingsText(read, SettingsText(settings));
    ASSERT_EQ(read.size(), 3);
    const QStringList names = {QStringLiteral("Месеченотчетx"), QStringLiteral("abcd")};
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(read[i].Name, names[i - 1]);
        EXPECT_EQ(read[i].IsDefault, i == 1);
        EXPECT_EQ(read[i].VisibleCols, QList<bool>({true, false, true}));
        EXPECT_EQ(read[i].AutoResizeCols, QList<bool>({false, true, false}));
        EXPECT_EQ(read[i].PrintObjects[poTable].Font.Size(), 11);
        EXPECT_EQ(read[i].Orientation, 0);
    }
}
