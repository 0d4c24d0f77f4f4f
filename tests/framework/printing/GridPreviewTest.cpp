#include "framework/printing/GridPreview.h"

#include "Components/Edits/FloatEdit.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "core/uDelimitedStrings.h"
#include "core/unRegistry.h"
#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintDialogs.h"
#include "framework/printing/RawPrinter.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/ScriptedPresenter.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <QFile>
#include <QPrinter>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QDateTime FixedNow(QDate(2024, 3, 5), QTime(14, 7, 9));

// A list grid: one header row, Rows data rows "Ред n" / n, a right-aligned number column.
std::unique_ptr<TRichGrid> MakeGrid(int Rows) {
    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(3);
    grid->SetRowCount(Rows + 1);
    grid->SetFixedRows(1);
    grid->SetFixedCols(0);
    grid->SetRows(0, {"Име", "Сума", "Бележка"});
    grid->ColAttributes(1)->SetAlignment({caRight});
    for (int r = 1; r <= Rows; ++r)
        grid->SetRows(r, {QStringLiteral("Ред %1").arg(r), QString::number(r * 10), QString()});
    return grid;
}

TReportSettings BasicSetting(int Columns) {
    TReportSettings setting;
    setting.Name = QStringLiteral("Основна настройка");
    setting.VisibleCols = QList<bool>(Columns, true);
    setting.AutoResizeCols = QList<bool>(Columns, false);
    NewPrintObjects(setting);
    return setting;
}

// A job on a page printer laid out as the preview lays it out: millimetres, 5 mm inside the
// printer's edges.
struct TJobFixture {
    TPdfPrinterScope Pdf;
    TPagePrinter Printer;
    TReportSettings Setting;
    TGridPrintJob Job;
    explicit TJobFixture(TStringGrid* Grid, int Orientation = 0) {
        Printer.SetShowProgress(false);
        Printer.SetMeasureUnit(muMillimeters);
        Printer.SetOrientation(Orientation);
        Printer.SetMarginTop(Printer.MarginTop() + 5);
        Printer.SetMarginBottom(Printer.MarginBottom() + 5);
        Printer.SetMarginLeft(Printer.MarginLeft() + 5);
        Printer.SetMarginRight(Printer.MarginRight() + 5);
        Setting = BasicSetting(Grid->ColCount());
        SetPrintObjectPositions(Setting, Printer);
        Job.Grid = Grid;
        Job.Setting = &Setting;
        Job.Printer = &Printer;
        Job.Now = [] { return FixedNow; };
        const QSize mm = PaperSizeMm(*Printer.Printer());
        Job.TextLayout = TextModeLayout(mm.width(), mm.height(), 0, 0);
    }
    QStringList PrintedPages() {
        EXPECT_TRUE(Printer.Print());
        return PdfPageTexts(Pdf.FileName());
    }
};

QByteArray Oem(const QString& Text) {
    return OemEncoder::Encode(Text);
}

} // namespace

namespace {

// A report as wide as the debts list: 38 columns under two header rows, led by the contract's
// number, date and borrower; the rest in merged blocks of five; one note of 80 characters.
std::unique_ptr<TRichGrid> DebtsLikeGrid(int Rows) {
    const int columns = 38;
    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(columns);
    grid->SetRowCount(Rows + 2);
    grid->SetFixedRows(2);
    grid->SetFixedCols(0);
    grid->SetRows(1, {"Номер", "Дата", "Клиент"});
    for (int c = 3; c < columns; ++c) {
        grid->SetCells(c, 1, QStringLiteral("K%1").arg(c + 1, 2, 10, QLatin1Char('0')));
        grid->ColAttributes(c)->SetAlignment({caRight});
        if ((c - 3) % 5 == 0) {
            grid->SetCells(c, 0, QStringLiteral("Група %1").arg((c - 3) / 5 + 1));
            grid->MergeCells({c, 0, std::min(c + 4, columns - 2), 0});
        }
    }
    grid->ColAttributes(columns - 1)->SetAlignment({caLeft});
    grid->SetCells(columns - 1, 1, QStringLiteral("Бележка"));
    for (int r = 1; r <= Rows; ++r) {
        const int row = r + 1;
        grid->SetRows(row, {QString::number(1000 + r), "05.03.2024", QStringLiteral("Ред %1").arg(r)});
        for (int c = 3; c < columns - 1; ++c)
            grid->SetCells(c, row, QString::number(r * c * 1.25, 'f', 2));
    }
    grid->SetCells(columns - 1, 4,
                   QStringLiteral("златен пръстен с камък, оставен от клиента за оглед при майстора КРАЙ"));
    return grid;
}

} // namespace

TEST(GridPreview, TextLinesFollowThePaper) {
    struct Case {
        int W, H, FixedChars, FixedLines;
        int Normal, Condensed, Lines;
    };
    const QList<Case> cases = {
        {210, 297, 0, 0, 80, 128, 62},  // A4 portrait
        {297, 210, 0, 0, 80, 182, 44},  // A4 landscape
        {297, 420, 0, 0, 136, 182, 88}, // A3 portrait
        {210, 297, 96, 0, 96, 96, 62},  // a fixed line width
        {210, 297, 0, 70, 80, 128, 70}, // a fixed page length
    };
    for (const Case& c : cases) {
        const TTextModeLayout layout = TextModeLayout(c.W, c.H, c.FixedChars, c.FixedLines);
        EXPECT_EQ(layout.NormalWidth, c.Normal) << c.W << "x" << c.H;
        EXPECT_EQ(layout.CondensedWidth, c.Condensed) << c.W << "x" << c.H;
        EXPECT_EQ(layout.LinesPerPage, c.Lines) << c.W << "x" << c.H;
    }
}

TEST(GridPreview, OemBytesAreTheShiftedDosCodePage) {
    struct Case {
        QString Text;
        QByteArray Bytes;
    };
    const QList<Case> cases = {
        {"Ab 1", "Ab 1"},
        {"АБЯабп", "\x80\x81\x9f\xa0\xa1\xaf"},
        {"рстя", "\xb0\xb1\xb2\xbf"}, // CP866 E0..EF lowered by 48
        // Kept off the frame-drawing characters the code page has for them, and off "?": the
        // nearest letters the printer has.
        {"№ 5", "No 5"},
        {"Ёё", "\x85\xa5"},
        {"ѝЍ", "\xa8\x88"},
        {"„а“ ”б” «в» ‘г’", "\"\xa0\" \"\xa1\" \"\xa2\" '\xa3'"},
        {"1–2—3", "1-2-3"},
        {"5 € § 2", "5 EUR \xaf\xa0\xb0. 2"},
        {"20°\u00a0C", "20o C"},
        // What has no letter near it is "?", never a frame piece of the printer's table.
        {"░▀─Є√■", "??????"},
        {QString::fromUtf8("\xF0\x9F\x98\x80"), "?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OemEncoder::Encode(c.Text).toHex(), c.Bytes.toHex()) << c.Text.toStdString();
}

TEST(GridPreview, TextPagesOnA4PortraitAreCondensedLinesWithTheirCodes) {
    auto grid = MakeGrid(3);
    grid->SetRowCount(5);
    grid->SetRows(4, {FilterTotalsText, "60", ""});
    TJobFixture f(grid.get());
    f.Job.Caption = QStringLiteral("Каса");
    f.Job.ReportTitle = QStringLiteral("за март");
    f.Job.ClosingText = QStringLiteral("Край");
    ComposeTextPages(f.Job);

    ASSERT_EQ(f.Job.TextLayout.CondensedWidth, 128);
    ASSERT_EQ(f.Job.TextLayout.LinesPerPage, 62);
    const QList<QByteArray>& lines = f.Job.TextLines;
    ASSERT_EQ(lines.size(), 3 + 1 + 1 + 1 + 4 + 1 + 1);
    const QString now = QStringLiteral("05.03.2024 г. / 14:07:09");
    const int middle = 128 - 2 * int(now.size());
    const QString line1 = QString(now.size(), ' ') + QString(middle / 2 - 2, ' ') + "Каса" +
                          QString(middle - middle / 2 - 2, ' ') + now;
    EXPECT_EQ(lines[0], EscCondensed + Oem(line1));
    EXPECT_TRUE(lines[1].startsWith(EscCondensed + Oem("No по НДР: ")));
    EXPECT_TRUE(lines[1].endsWith(Oem("Стр.: 1 / 1")));
    EXPECT_EQ(lines[2], Oem("Булстат: "));
    // Widths: the longest text of each column: 8 ("Бележка" 7, "Сума за филтъра" 15), 4, 7.
    const QByteArray equals(15 + 4 + 7 + 4, '=');
    EXPECT_EQ(lines[3], equals);
    EXPECT_EQ(lines[4], Oem("|Име            |Сума|Бележка|"));
    EXPECT_EQ(lines[5], QByteArray(30, '-'));
    EXPECT_EQ(lines[6], Oem("|Ред 1          |  10|       |"));
    EXPECT_EQ(lines[9], EscDoubleStrikeOn + Oem("|Сума за филтъра|  60|       |") + EscDoubleStrikeOff);
    EXPECT_EQ(lines[10], equals);
    EXPECT_EQ(lines[11], Oem(QString(62, ' ') + "Край" + QString(62, ' ')));
    EXPECT_EQ(f.Printer.PageCount(), 1);
}

TEST(GridPreview, TextPagesHoldTheirLineCountAndCutWideTables) {
    auto grid = MakeGrid(120);
    grid->SetCells(2, 1, QString(200, 'x'));
    TJobFixture f(grid.get(), 1);
    ComposeTextPages(f.Job);
    ASSERT_EQ(f.Job.TextLayout.CondensedWidth, 182);
    ASSERT_EQ(f.Job.TextLayout.LinesPerPage, 44);
    // 120 rows at 44 - 6 per page: 4 pages, each but the last exactly one page of lines.
    EXPECT_EQ(f.Printer.PageCount(), 4);
    EXPECT_EQ(f.Job.TextLines.size(), 3 * 44 + 6 + (120 - 3 * 38) + 1);
    EXPECT_TRUE(f.Job.TextLines[44].startsWith(EscCondensed));
    EXPECT_TRUE(f.Job.TextLines[44 + 1].endsWith(Oem("Стр.: 2 / 4")));
    for (const QByteArray& line : f.Job.TextLines)
        EXPECT_LE(line.size(), 182 + EscCondensed.size());
    EXPECT_EQ(f.Job.TextLines[6].size(), 182);
}

namespace {

// The text lines of each page, as they were composed.
QList<QList<QByteArray>> TextPages(const TGridPrintJob& Job) {
    QList<QList<QByteArray>> pages;
    for (qsizetype i = 0; i < Job.TextLines.size(); i += Job.TextLayout.LinesPerPage)
        pages << Job.TextLines.mid(i, Job.TextLayout.LinesPerPage);
    return pages;
}

} // namespace

TEST(GridPreview, TextPagesLoseNoColumnAndCountEveryPage) {
    // 38 columns on 128 characters: more pages, each led by the number, date and borrower.
    auto debts = DebtsLikeGrid(10);
    TJobFixture wide(debts.get());
    ComposeTextPages(wide.Job);
    const QList<QList<QByteArray>> pages = TextPages(wide.Job);
    ASSERT_GE(pages.size(), 2);
    EXPECT_EQ(wide.Printer.PageCount(), pages.size());
    QByteArray all;
    for (int p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p][1].endsWith(Oem(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages.size()))))
            << p;
        EXPECT_TRUE(pages[p].join().contains(Oem("|Номер|"))) << p;
        EXPECT_TRUE(pages[p].join().contains(Oem("|Ред 10"))) << p;
        all += pages[p].join('\n');
    }
    for (int col = 4; col <= 37; ++col)
        EXPECT_TRUE(all.contains(Oem(QStringLiteral("K%1").arg(col, 2, 10, QLatin1Char('0'))))) << col;
    EXPECT_TRUE(all.contains(Oem("Група 7")));
    EXPECT_TRUE(all.contains(Oem("КРАЙ")));

    // A merged header spreads over the columns under it, not over the first alone.
    auto merged = MakeGrid(1);
    merged->SetRowCount(3);
    merged->SetFixedRows(2);
    merged->SetRows(0, {"Задължения по договор", "", ""});
    merged->MergeCells({0, 0, 2, 0});
    merged->SetRows(1, {"а", "б", "в"});
    merged->SetRows(2, {"1", "2", "3"});
    TJobFixture block(merged.get());
    ComposeTextPages(block.Job);
    EXPECT_EQ(block.Job.TextLines[4], Oem("|Задължения по договор|"));
    EXPECT_EQ(block.Job.TextLines[7], Oem("|1      |     2|3     |"));

    // Rows that fill the last page exactly: the closing line takes a page, and it is counted.
    auto full = MakeGrid(2 * 38);
    TJobFixture exact(full.get(), 1);
    ComposeTextPages(exact.Job);
    const QList<QList<QByteArray>> exactPages = TextPages(exact.Job);
    ASSERT_EQ(exactPages.size(), 3);
    EXPECT_EQ(exact.Printer.PageCount(), 3);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(exactPages[p][1].endsWith(Oem(QStringLiteral("Стр.: %1 / 3").arg(p + 1)))) << p;
    EXPECT_EQ(exactPages[2].last(), QByteArray(exactPages[2][3].size(), '='));
}

// On a narrow line a caption merged over columns of two bands wraps within each band's part,
// every word whole; "№" and "Ё/ё" reach the printer as "No" and "Е/е", never as the code page's
// frame-drawing bytes; a column wider than a band is narrowed to the band.
TEST(GridPreview, TextHeadersWrapAcrossBandsAndTheCodePageHoldsEveryCharacter) {
    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(6);
    grid->SetRowCount(4);
    grid->SetFixedRows(2);
    grid->SetFixedCols(0);
    grid->SetRows(0, {"", "", "Данни за издаване на документа", "", "", ""});
    grid->MergeCells({2, 0, 4, 0});
    grid->SetRows(1, {"№", "Име", "Дата", "Място", "Орган", "Бележка"});
    grid->SetRows(2, {"1", "Ёлка", "01.02.2024", "София", "МВР София-град, отдел Български документи",
                      QString(200, 'x')});
    grid->SetRows(3, {"2", "Пётр", "02.02.2024", "Варна", "МВР Варна", "ёж"});
    TJobFixture f(grid.get());
    f.Job.Caption = "Документи №";
    f.Job.TextLayout.CondensedWidth = 60;
    ComposeTextPages(f.Job);
    const QList<QList<QByteArray>> pages = TextPages(f.Job);
    ASSERT_GE(pages.size(), 3);
    int withCaption = 0;
    for (const QList<QByteArray>& page : pages) {
        const QByteArray all = page.join('\n');
        for (const char c : all)
            EXPECT_FALSE(uchar(c) >= 0xC0 && uchar(c) <= 0xDF) << int(uchar(c));
        // The header: the lines between the rule of "=" and the rule of "-".
        const qsizetype from = page.indexOf(QByteArray(page[3].size(), '=')) + 1;
        qsizetype to = from;
        while (to < page.size() && !page[to].startsWith('-'))
            ++to;
        const QByteArray header = page.mid(from, to - from).join(' ');
        if (header.contains(Oem("Дата")) || header.contains(Oem("Място")) || header.contains(Oem("Орган"))) {
            ++withCaption;
            QByteArrayList words = header.simplified().split(' ');
            for (QByteArray& word : words)
                word.replace('|', "");
            for (const QString& word : QString("Данни за издаване на документа").split(' '))
                EXPECT_TRUE(words.contains(Oem(word))) << word.toStdString();
        }
        EXPECT_TRUE(all.contains("No")) << all.toStdString();
        for (const QByteArray& line : page)
            EXPECT_LE(line.size(), 60 + EscCondensed.size());
        // The note is narrowed to its band: its lines end with their separator.
        if (header.contains(Oem("Бележка")))
            for (const QByteArray& line : page)
                if (line.startsWith("|1 ") || line.startsWith("|2 "))
                    EXPECT_TRUE(line.endsWith('|')) << line.toStdString();
    }
    EXPECT_GE(withCaption, 2);
    const QByteArray all = f.Job.TextLines.join('\n');
    EXPECT_TRUE(all.contains(Oem("Документи No")));
    EXPECT_TRUE(all.contains(Oem("Елка")) && all.contains(Oem("Петр")) && all.contains(Oem("еж")));
}

// Text bands: the key columns take the rest of the header block they start, so every band
// repeats the whole block; a caption whose part in a band is an empty column leaves that part
// blank.
TEST(GridPreview, TextBandsRepeatTheKeyBlockAndLeaveEmptyPartsBlank) {
    auto keys = std::make_unique<TRichGrid>();
    keys->hide();
    keys->SetColCount(8);
    keys->SetRowCount(3);
    keys->SetFixedRows(2);
    keys->SetFixedCols(0);
    keys->SetRows(0, {"Договор"});
    keys->MergeCells({0, 0, 3, 0});
    keys->SetRows(1, {"№", "Дата", "Име", "Тел", "A", "B", "C", "D"});
    keys->SetRows(2, {"1", "01.02.2024", "Ана", "088", QString(25, 'a'), QString(25, 'b'), QString(25, 'c'),
                      QString(25, 'd')});
    TJobFixture f(keys.get());
    f.Job.TextLayout.CondensedWidth = 90;
    ComposeTextPages(f.Job);
    const QList<QList<QByteArray>> pages = TextPages(f.Job);
    ASSERT_EQ(pages.size(), 2);
    for (const QList<QByteArray>& page : pages)
        EXPECT_TRUE(page.join('\n').contains(Oem("\n|1 |01.02.2024|Ана|088|")))
            << page.join('\n').toStdString();

    // The note fills the first band; the empty column of its block opens the second.
    auto empty = std::make_unique<TRichGrid>();
    empty->hide();
    empty->SetColCount(5);
    empty->SetRowCount(3);
    empty->SetFixedRows(2);
    empty->SetFixedCols(0);
    empty->SetRows(0, {"", "", "Данни"});
    empty->MergeCells({2, 0, 3, 0});
    empty->SetRows(1, {"№", "Име", "Бележка", "", "Сума"});
    empty->SetRows(2, {"1", "Ана", QString(200, 'x'), "", "10"});
    TJobFixture g(empty.get());
    g.Job.TextLayout.CondensedWidth = 60;
    ComposeTextPages(g.Job);
    const QList<QList<QByteArray>> split = TextPages(g.Job);
    ASSERT_EQ(split.size(), 2);
    EXPECT_EQ(split[1][4], Oem("|  |   ||    |"));
    EXPECT_EQ(split[1][7], Oem("|1 |Ана||10  |"));
}

// A first column leads every band only while it takes at most a third of the line; one between
// a third and a half is printed once, in the first band.
TEST(GridPreview, TextBandsRepeatTheFirstColumnOnlyWithinAThirdOfTheLine) {
    struct Case {
        int width; // characters of the first column's text
        bool repeated;
    };
    // 60 characters: the third is 20, the separator before and after the column included.
    for (const Case c : {Case{18, true}, Case{19, false}, Case{29, false}}) {
        auto grid = MakeGrid(2);
        grid->SetCells(0, 1, QString(c.width, u'ж'));
        grid->SetCells(2, 1, QString(36, u'x'));
        TJobFixture f(grid.get());
        f.Job.TextLayout.CondensedWidth = 60;
        ComposeTextPages(f.Job);
        const QList<QList<QByteArray>> pages = TextPages(f.Job);
        ASSERT_EQ(pages.size(), 2) << c.width;
        EXPECT_TRUE(pages[0].join('\n').contains(Oem(QString(c.width, u'ж')))) << c.width;
        EXPECT_EQ(pages[1].join('\n').contains(Oem(QString(c.width, u'ж'))), c.repeated) << c.width;
        EXPECT_TRUE(pages[1].join('\n').contains(QByteArray(36, 'x'))) << c.width;
    }
}

// No text-mode line is longer than the line and no page longer than the paper: a 300-character
// note stays on its row's one line, cut at its column's width, with or without separators; a
// band whose header wraps to three lines and one whose header takes one hold the same rows, and
// every page starts where the printer's count of lines puts it.
TEST(GridPreview, TextRowsAndPagesKeepToTheLineAndThePaper) {
    for (const bool bars : {true, false}) {
        auto grid = MakeGrid(3);
        grid->SetCells(2, 2, QStringLiteral("€ ") + QStringLiteral("пръстен ").repeated(38).left(298));
        TJobFixture f(grid.get());
        f.Job.VerticalSeparators = bars;
        ComposeTextPages(f.Job);
        const int L = f.Job.TextLayout.CondensedWidth;
        const QList<QByteArray>& lines = f.Job.TextLines;
        // Heading, rule, header, rule, three rows, rule: one line each.
        ASSERT_EQ(lines.size(), 3 + 1 + 1 + 1 + 3 + 1) << bars;
        const QByteArray row = lines[7];
        EXPECT_EQ(row.size(), L) << bars;
        EXPECT_TRUE(row.startsWith(Oem((bars ? "|" : "") + QStringLiteral("Ред 2")))) << bars;
        EXPECT_TRUE(row.contains(Oem(QStringLiteral("EUR ") + QStringLiteral("пръстен ").repeated(5))))
            << bars;
        EXPECT_FALSE(row.contains('?')) << bars;
        for (const QByteArray& line : lines)
            EXPECT_LE(line.size(), L + EscCondensed.size()) << bars;
    }

    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(3);
    grid->SetRowCount(41);
    grid->SetFixedRows(1);
    grid->SetFixedCols(0);
    grid->SetRows(0, {"№", QStringLiteral("описание ").repeated(16).trimmed(), "Сума"});
    for (int r = 1; r <= 40; ++r)
        grid->SetRows(r, {QString::number(r), QString(70, u'о'), QString::number(r * 10)});
    TJobFixture f(grid.get());
    f.Job.TextLayout.CondensedWidth = 60;
    f.Job.TextLayout.LinesPerPage = 20;
    ComposeTextPages(f.Job);
    const QList<QList<QByteArray>> pages = TextPages(f.Job);
    ASSERT_EQ(pages.size() % 2, 0);
    QList<int> headers;
    QList<QByteArray> firstRows;
    for (int p = 0; p < pages.size(); ++p) {
        const QList<QByteArray>& page = pages[p];
        ASSERT_LE(page.size(), 20);
        EXPECT_TRUE(page[0].startsWith(EscCondensed)) << p;
        EXPECT_TRUE(page[1].endsWith(Oem(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages.size())))) << p;
        int header = 0;
        while (4 + header < page.size() && !page[4 + header].startsWith('-'))
            ++header;
        headers << header;
        firstRows << page.value(5 + header).left(4);
    }
    // Both bands of a page hold the same rows.
    for (int p = 1; p < pages.size(); p += 2)
        EXPECT_EQ(firstRows[p], firstRows[p - 1]) << p;
    EXPECT_EQ(headers.mid(0, 2), QList<int>({3, 1}));
    EXPECT_EQ(f.Printer.PageCount(), pages.size());
}

TEST(GridPreview, RawPagesGoToTheFileAsSlicesWithCopies) {
    auto grid = MakeGrid(50);
    TJobFixture f(grid.get());
    f.Job.TextLayout.LinesPerPage = 20;
    f.Job.ContinuousPaper = true; // no operator prompts between pages
    f.Job.TextLines = {"a1", "a2"};
    for (int i = 3; i <= 45; ++i)
        f.Job.TextLines << QByteArray("l") + QByteArray::number(i);
    const QString file = f.Pdf.Dir() + "/port";
    FileRawPrinterSink sink(file);
    ASSERT_TRUE(PrintTextPages(f.Job, sink, 2, 3, 2));
    QByteArray expected;
    QByteArray page2, page3;
    for (int i = 20; i < 40; ++i)
        page2 += f.Job.TextLines[i] + "\r\n";
    for (int i = 40; i < 45; ++i)
        page3 += f.Job.TextLines[i] + "\r\n";
    expected = page2 + page2 + page3 + page3;
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), expected);
}

TEST(GridPreview, GraphicPagesCarryHeadingPageLineAndEveryRow) {
    auto grid = MakeGrid(150);
    TJobFixture f(grid.get());
    f.Job.Caption = QStringLiteral("Договори");
    f.Job.ReportTitle = QStringLiteral("Всички");
    ComposeGridPages(f.Job);
    const int pages = f.Printer.PageCount();
    ASSERT_GT(pages, 1);
    const QStringList texts = f.PrintedPages();
    ASSERT_EQ(texts.size(), pages);
    int rows = 0;
    for (int p = 0; p < pages; ++p) {
        EXPECT_TRUE(texts[p].contains(QStringLiteral("Договори"))) << p;
        EXPECT_TRUE(texts[p].contains(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages))) << p;
        EXPECT_TRUE(texts[p].contains(QStringLiteral("05.03.2024 г. / 14:07:09"))) << p;
        EXPECT_TRUE(texts[p].contains(QStringLiteral("Бележка"))) << p;
        rows += int(texts[p].count(QStringLiteral("Ред ")));
    }
    EXPECT_EQ(rows, 150);
    EXPECT_TRUE(texts.last().contains(QStringLiteral("Ред 150")));
}

TEST(GridPreview, MarkerRowsStartPagesWithTheirOwnTitles) {
    auto grid = MakeGrid(6);
    grid->SetRows(3, {PageBreakMarker, "Втори@Подзаглавие 2", ""});
    grid->SetRows(6, {PageBreakMarker, "Трети", ""});
    TJobFixture f(grid.get());
    f.Job.Caption = QStringLiteral("Първи");
    f.Job.PageLineOverride = QStringLiteral("Вчера");
    ComposeGridPages(f.Job);
    const QStringList texts = f.PrintedPages();
    // The marker as last row leaves one more page with the heading and the header only.
    ASSERT_EQ(texts.size(), 3);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Първи")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Ред 2")));
    EXPECT_FALSE(texts[0].contains(QStringLiteral("PaGe")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Втори")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Подзаглавие 2")));
    EXPECT_TRUE(texts[1].contains(QStringLiteral("Ред 5")));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("Трети")));
    EXPECT_FALSE(texts[2].contains(QStringLiteral("Подзаглавие 2")));
    EXPECT_TRUE(texts[2].contains(QStringLiteral("Бележка")));
    for (const QString& text : texts) {
        EXPECT_TRUE(text.contains(QStringLiteral("Вчера")));
        EXPECT_FALSE(text.contains(QStringLiteral("2024")));
    }
}

TEST(GridPreview, AMarkerAtThePageStartIsSkipped) {
    auto grid = MakeGrid(4);
    grid->SetRows(1, {PageBreakMarker, "Нов@", ""});
    grid->SetRows(2, {PageBreakMarker, "По-нов@Заглавие", ""});
    TJobFixture f(grid.get());
    f.Job.Caption = QStringLiteral("Стар");
    ComposeGridPages(f.Job);
    const QStringList texts = f.PrintedPages();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("По-нов")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Ред 4")));
}

TEST(GridPreview, TitlesOnTheFirstPageOnly) {
    auto grid = MakeGrid(150);
    TJobFixture f(grid.get());
    f.Job.Caption = QStringLiteral("Заглавна");
    f.Job.TitlesOnFirstPageOnly = true;
    f.Job.SignatureBlock = true;
    f.Job.ClosingText = QStringLiteral("Съставил:\r\nПроверил:");
    ComposeGridPages(f.Job);
    const QStringList texts = f.PrintedPages();
    ASSERT_GT(texts.size(), 1);
    EXPECT_TRUE(texts[0].contains(QStringLiteral("Заглавна")));
    for (int p = 1; p < texts.size(); ++p) {
        EXPECT_FALSE(texts[p].contains(QStringLiteral("Заглавна"))) << p;
        EXPECT_TRUE(texts[p].contains(QStringLiteral("Стр.: %1 /").arg(p + 1))) << p;
    }
    // The signature block may need a page of its own after the closing text.
    EXPECT_TRUE(texts.last().contains(QStringLiteral("Проверил:")) ||
                texts[texts.size() - 2].contains(QStringLiteral("Проверил:")));
    EXPECT_TRUE(texts.last().contains(QStringLiteral("Гл. счетоводител:")));
}

namespace {

// A preview of a three-column grid under the settings value "frmT_print_settings".
std::unique_ptr<TfmPrintPreview> OpenPreview(TStringGrid* Grid, const QString& Name = "frmT_print_settings") {
    return std::make_unique<TfmPrintPreview>(0, Grid, "Списък", "Заглавие", Name, 0, QString(), QString(),
                                             false, false, false, QString(), QString());
}

const QString Deg(QChar(0x00B0));

} // namespace

TEST(PrintPreview, SettingsAreChosenRenamedAndDeleted) {
    TPdfPrinterScope pdf;
    TScriptedPresenter presenter;
    auto grid = MakeGrid(3);
    WriteRegString("frmT_print_settings",
                   "A@@1|1|1@Arial|8|0,0@Portrait@" + Deg + "B@@1|1|1@Arial|8|0,0@Portrait@");
    auto preview = OpenPreview(grid.get());
    ASSERT_EQ(preview->lbSettings->count(), 3);
    EXPECT_EQ(preview->CurrentSetting, 0);
    EXPECT_TRUE(preview->cbSave->isEnabled());

    // The basic setting: no rename, no delete, no column toggling, its mark stays.
    preview->SelectSetting(0);
    EXPECT_FALSE(preview->acEditSetting->isEnabled());
    EXPECT_FALSE(preview->acDeleteSetting->isEnabled());
    preview->ChooserClick(2, 0, false);
    EXPECT_EQ(preview->ColumnImage(2), 0);
    preview->cbDefault->click();
    EXPECT_TRUE(preview->cbDefault->isChecked());
    EXPECT_EQ(DefaultSettingIndex(preview->Settings), 0);

    // A named setting: a left click hides a column, a right click makes a column stretch.
    preview->SelectSetting(1);
    preview->ChooserClick(2, 0, false);
    preview->ChooserClick(1, 0, true);
    EXPECT_EQ(preview->ColumnImage(2), 1);
    EXPECT_EQ(preview->ColumnImage(1), 2);
    preview->ChooserClick(2, 1, true); // the image row and hidden columns do not stretch
    EXPECT_EQ(preview->ColumnImage(2), 1);
    preview->cbDefault->click();
    EXPECT_EQ(DefaultSettingIndex(preview->Settings), 1);

    preview->NewSetting("C");
    EXPECT_EQ(preview->SelectedSetting(), 3);
    EXPECT_EQ(preview->Settings[3].VisibleCols, preview->Settings[1].VisibleCols);
    preview->RenameSetting("Ц");
    EXPECT_EQ(preview->lbSettings->item(3)->text(), "Ц");

    // Deleting the last one selects the one before it; Cancel keeps it.
    presenter.PlanAnswer(mrCancel);
    preview->DeleteSetting();
    EXPECT_EQ(preview->Settings.size(), 4);
    presenter.PlanAnswer(mrOk);
    preview->DeleteSetting();
    EXPECT_EQ(presenter.Texts().last(), QStringLiteral("Желаете ли да изтриете настройка:\rЦ"));
    EXPECT_EQ(preview->SelectedSetting(), 2);
    // Deleting the first named one selects the next, now in its place; the mark returns home.
    preview->SelectSetting(1);
    presenter.PlanAnswer(mrOk);
    preview->DeleteSetting();
    EXPECT_EQ(preview->lbSettings->currentItem()->text(), "B");
    EXPECT_EQ(DefaultSettingIndex(preview->Settings), 0);
    preview->close();
    EXPECT_EQ(ReadRegString("frmT_print_settings"), "B@@1|1|1@Arial|8|0,0@Portrait@||");
}

TEST(PrintPreview, WithoutASettingsNameNothingIsSaved) {
    TPdfPrinterScope pdf;
    auto grid = MakeGrid(3);
    auto preview = OpenPreview(grid.get(), QString());
    EXPECT_FALSE(preview->cbSave->isEnabled());
    EXPECT_FALSE(preview->cbSave->isChecked());
    EXPECT_GE(preview->PagePrinter->PageCount(), 1);
    preview->NewSetting("X");
    preview->close();
}

// F9 of a list window: the preview comes up maximized, showing the page at its width and
// naming the printer the pages were laid out for; it keeps to the width when resized.
TEST(PrintPreview, TheModalPreviewOpensAtThePageWidthOfItsShownSize) {
    TPdfPrinterScope pdf;
    auto grid = MakeGrid(20);
    int opened = -1, width = -1, resized = -1, widthResized = -2;
    QString printer;
    WhenModalShown("TfmPrintPreview", [&](QWidget* Window) {
        auto* preview = static_cast<TfmPrintPreview*>(Window);
        QApplication::processEvents();
        opened = preview->PagePrinter->ZoomPercent();
        printer = preview->StatusPanels[0]->text();
        preview->PagePrinter->ZoomToPageWidth();
        width = preview->PagePrinter->ZoomPercent();
        preview->Zoom(5);
        preview->resize(preview->width() / 2, preview->height());
        QApplication::processEvents();
        resized = preview->PagePrinter->ZoomPercent();
        preview->PagePrinter->ZoomToPageWidth();
        widthResized = preview->PagePrinter->ZoomPercent();
        QTest::keyClick(preview, Qt::Key_Escape);
    });
    EXPECT_FALSE(PrintGrid(1, grid.get(), "Списък", "", "", 0, "", "", false, false, false, true, "", ""));
    EXPECT_EQ(opened, width);
    EXPECT_EQ(resized, widthResized);
    EXPECT_LT(widthResized, width);
    EXPECT_EQ(printer, TPrinterProvider::NameOf(*TPrinterProvider::Instance().Printer()));
}

TEST(PrintPreview, ZoomStepsAndPagesStayInRange) {
    TPdfPrinterScope pdf;
    auto grid = MakeGrid(200);
    auto preview = OpenPreview(grid.get());
    // It opens at the page's width, not as a thumbnail of the whole page.
    preview->resize(1000, 700);
    preview->show();
    QApplication::processEvents();
    const int Opened = preview->PagePrinter->ZoomPercent();
    preview->PagePrinter->ZoomToPageWidth();
    EXPECT_EQ(Opened, preview->PagePrinter->ZoomPercent());
    preview->PagePrinter->ZoomToPage();
    EXPECT_LT(preview->PagePrinter->ZoomPercent(), Opened);
    preview->hide();
    struct Case {
        int From;
        bool In;
        int To;
    };
    const QList<Case> cases = {
        {95, true, 100}, {1000, true, 1000}, {15, false, 10}, {10, false, 10}, {100, false, 90}};
    for (const Case& c : cases) {
        preview->PagePrinter->SetZoomPercent(c.From);
        c.In ? preview->ZoomIn() : preview->ZoomOut();
        EXPECT_EQ(preview->PagePrinter->ZoomPercent(), c.To) << c.From;
    }
    const int pages = preview->PagePrinter->PageCount();
    ASSERT_GT(pages, 2);
    preview->GoToPage(2);
    preview->GoToPage(pages + 1);
    EXPECT_EQ(preview->PagePrinter->PageNumber(), 2);
    EXPECT_EQ(preview->StatusPanels[3]->text(), QStringLiteral("2 / %1").arg(pages));
    EXPECT_TRUE(preview->acPrevPage->isEnabled());
    preview->GoToPage(pages);
    EXPECT_FALSE(preview->acNextPage->isEnabled());
    EXPECT_EQ(preview->StatusPanels[1]->text(), QStringLiteral("210 mm x 297 mm"));
    preview->Rebuild(1);
    EXPECT_EQ(preview->StatusPanels[1]->text(), QStringLiteral("297 mm x 210 mm"));
    EXPECT_FALSE(preview->acLandscape->isEnabled());
    EXPECT_EQ(preview->Settings[0].Orientation, 1);
}

TEST(PrintPreview, TheDefaultSettingLeavesItsHiddenColumnOutInBothModes) {
    for (const QString laser : {"1", "0"}) {
        TPdfPrinterScope pdf;
        WriteRegString("Print_Laser", laser);
        auto grid = MakeGrid(3);
        grid->SetCells(2, 1, "СКРИТО");
        WriteRegString("frmT_print_settings", "A@1@1|1|@Arial|8|0,0@Portrait@");
        auto preview = OpenPreview(grid.get());
        EXPECT_EQ(preview->TextMode, laser == "0");
        EXPECT_EQ(preview->CurrentSetting, 1);
        preview->PagePrinter->SetShowProgress(false);
        if (preview->TextMode) {
            EXPECT_EQ(preview->Job.TextLines[4], OemEncoder::Encode("|Име  |Сума|"));
            // The PDF pseudo-printer takes no raw text: that is reported, not printed.
            TScriptedPresenter presenter;
            EXPECT_FALSE(preview->PrintPages(1, 1, 1, true));
            ASSERT_EQ(presenter.Texts().size(), 1);
            EXPECT_TRUE(presenter.Texts()[0].startsWith(QStringLiteral("Грешка при печат: ")));
        } else {
            ASSERT_TRUE(preview->PrintPages(1, 1, 1, true));
            const QString page = PdfPageText(pdf.FileName());
            EXPECT_TRUE(page.contains("Ред 1"));
            EXPECT_FALSE(page.contains("СКРИТО"));
        }
        preview->cbSave->setChecked(false);
        preview->close();
        WriteRegString("Print_Laser", "");
    }
}

TEST(PrintPreview, NoPrinterIsReported) {
    TScriptedPresenter presenter;
    TPrinterProvider::Instance().Reset();
    if (!TPrinterProvider::Instance().Names().isEmpty()) GTEST_SKIP() << "this machine has printers";
    auto grid = MakeGrid(1);
    EXPECT_FALSE(PrintGrid(0, grid.get(), "", "", "", 0, "", "", false, false, false, false, "", ""));
    EXPECT_EQ(presenter.Texts(), QStringList{NoPrinterText});
}

TEST(PrintPreview, PrintingWithoutThePreviewPrintsEveryPage) {
    TPdfPrinterScope pdf;
    auto grid = MakeGrid(200);
    EXPECT_TRUE(
        PrintGrid(0, grid.get(), "Без преглед", "", "", 0, "", "", false, false, false, false, "", ""));
    const QStringList pages = PdfPageTexts(pdf.FileName());
    ASSERT_GT(pages.size(), 1);
    EXPECT_TRUE(pages.last().contains("Ред 200"));
}

namespace {

// The rows of a page: how many "Ред" words it carries.
int RowsOnPage(const QString& Page) {
    return int(Page.count(QStringLiteral("Ред ")));
}

} // namespace

TEST(GridPreview, WideReportsPrintReadableTypeAndRepeatTheKeyColumns) {
    struct Case {
        int Orientation;
        int FontSize;
    };
    for (const Case& c : QList<Case>{{1, 8}, {0, 8}, {0, 16}}) {
        const int rows = 60;
        auto grid = DebtsLikeGrid(rows);
        TJobFixture f(grid.get(), c.Orientation);
        f.Setting.PrintObjects[poTable].Font.SetSize(c.FontSize);
        f.Job.Caption = QStringLiteral("Задължения");
        ComposeGridPages(f.Job);
        const QStringList pages = f.PrintedPages();
        ASSERT_GE(pages.size(), 2);
        const QSizeF sheet = f.Printer.Printer()->pageLayout().fullRect(QPageLayout::Point).size();
        const QList<TPdfWord> words = PdfWords(f.Pdf.FileName());
        // The page line is set at 10 points: no word may be smaller than 6 of them.
        double tenPoints = 0, smallest = 1000;
        for (const TPdfWord& w : words) {
            if (w.Text == QStringLiteral("Стр.:")) tenPoints = w.Box.height();
            smallest = std::min(smallest, w.Box.height());
            EXPECT_LE(w.Box.right(), sheet.width()) << w.Text.toStdString();
        }
        ASSERT_GT(tenPoints, 0);
        EXPECT_GE(smallest, 0.58 * tenPoints) << c.Orientation << " " << c.FontSize;
        for (int col = 4; col <= 37; ++col) {
            const QString header = QStringLiteral("K%1").arg(col, 2, 10, QLatin1Char('0'));
            EXPECT_TRUE(std::any_of(words.begin(), words.end(), [&](const TPdfWord& w) {
                return w.Text == header;
            })) << header.toStdString();
        }
        const QString all = pages.join(QLatin1Char('\n'));
        for (int r = 1; r <= rows; ++r)
            EXPECT_TRUE(QRegularExpression(QStringLiteral("Ред %1\\b").arg(r)).match(all).hasMatch()) << r;
        EXPECT_TRUE(all.contains(QStringLiteral("КРАЙ")));
        EXPECT_TRUE(all.contains(QStringLiteral("Група 7")));
        for (int p = 0; p < pages.size(); ++p) {
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages.size()))) << p;
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Номер")) &&
                        pages[p].contains(QStringLiteral("Клиент")))
                << p;
        }
    }
}

TEST(GridPreview, ThePageLineStaysAboveTheTable) {
    struct Case {
        QString Caption;
        QString Title;
        bool FirstPageOnly;
    };
    const QList<Case> cases = {{"", "", false}, {"Каса", "", true}, {"", "", true}};
    for (const Case& c : cases) {
        auto grid = MakeGrid(150);
        TJobFixture f(grid.get());
        f.Job.Caption = c.Caption;
        f.Job.ReportTitle = c.Title;
        f.Job.TitlesOnFirstPageOnly = c.FirstPageOnly;
        ComposeGridPages(f.Job);
        ASSERT_GT(f.PrintedPages().size(), 1);
        const QList<TPdfWord> words = PdfWords(f.Pdf.FileName());
        for (int page = 1; page <= 2; ++page) {
            double lineBottom = -1, tableTop = -1;
            for (const TPdfWord& w : words) {
                if (w.Page != page) continue;
                if (w.Text == QStringLiteral("Стр.:")) lineBottom = w.Box.bottom();
                if (w.Text == QStringLiteral("Име")) tableTop = w.Box.top();
            }
            ASSERT_GE(lineBottom, 0) << page;
            ASSERT_GE(tableTop, 0) << page;
            EXPECT_LT(lineBottom, tableTop) << "page " << page << " caption " << c.Caption.toStdString();
        }
    }
}

TEST(GridPreview, ARowTallerThanAPageContinuesOnTheNextPages) {
    auto grid = MakeGrid(3);
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("линия %1").arg(i);
    grid->SetCells(2, 2, lines.join(QLatin1Char('\n')));
    grid->ColAttributes(2)->SetWordWrap(true);
    TJobFixture f(grid.get());
    ComposeGridPages(f.Job);
    const QStringList pages = f.PrintedPages();
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Ред 1")));
    EXPECT_TRUE(pages.last().contains(QStringLiteral("Ред 3")));
    const QString all = pages.join(QLatin1Char('\n'));
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(all.count(QRegularExpression(QStringLiteral("линия %1\\b").arg(i))), 1) << i;
    for (int p = 0; p < pages.size(); ++p) {
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages.size()))) << p;
        EXPECT_TRUE(pages[p].contains(QStringLiteral("Бележка"))) << p;
    }
}

TEST(GridPreview, APageOfItsOwnForTheClosingTextIsCounted) {
    // As many rows as fill the first page exactly.
    int perPage = 0;
    {
        auto grid = MakeGrid(200);
        TJobFixture f(grid.get());
        ComposeGridPages(f.Job);
        perPage = RowsOnPage(f.PrintedPages()[0]);
        ASSERT_GT(perPage, 10);
    }
    struct Case {
        QString Closing;
        bool Signature;
    };
    const QList<Case> cases = {{"Съставил:", false}, {"", true}, {"Съставил:\r\nПроверил:", true}};
    for (const Case& c : cases) {
        auto grid = MakeGrid(perPage);
        TJobFixture f(grid.get());
        f.Job.ClosingText = c.Closing;
        f.Job.SignatureBlock = c.Signature;
        ComposeGridPages(f.Job);
        const QStringList pages = f.PrintedPages();
        ASSERT_GE(pages.size(), 2) << c.Closing.toStdString();
        for (int p = 0; p < pages.size(); ++p)
            EXPECT_TRUE(pages[p].contains(QStringLiteral("Стр.: %1 / %2").arg(p + 1).arg(pages.size())))
                << p << " " << c.Closing.toStdString() << c.Signature;
        EXPECT_TRUE(pages.last().contains(c.Signature ? "Ръководител:" : "Съставил:"));
    }
}

TEST(GridPreview, TheListWindowKeepsItsRedNegativesWhateverEndsTheComposition) {
    struct Case {
        bool Cancel;
        bool WindowMarks;
    };
    for (const Case& c : QList<Case>{{true, true}, {false, true}, {false, false}}) {
        auto source = MakeGrid(150);
        source->SetCells(1, 1, "-10");
        TNumberFormatter numbers;
        numbers.SetMarkNegative(c.WindowMarks);
        source->ColAttributes(1)->SetFormatter(&numbers);
        std::unique_ptr<TStringGrid> copy(CloneGrid(source.get(), false, nullptr));
        TJobFixture f(copy.get());
        TfmPrintProgress progress;
        progress.Answer = c.Cancel ? 1 : 0;
        f.Job.Progress = &progress;
        ComposeGridPages(f.Job);
        EXPECT_EQ(f.Printer.PageCount() == 1, c.Cancel);
        EXPECT_EQ(numbers.MarkNegative(), c.WindowMarks) << c.Cancel;
    }
}

TEST(PrintPreview, ADefaultNamedSettingOpensInItsOwnOrientation) {
    struct Case {
        QString Stored;
        int Asked;
        int Shown;
    };
    const QList<Case> cases = {
        {"A@1@1|1|1@Arial|8|0,0@Landscape@", 0, 1},
        {"A@1@1|1|1@Arial|8|0,0@Portrait@", 1, 0},
        {"A@@1|1|1@Arial|8|0,0@Portrait@", 1, 1}, // not the default: the window's own
    };
    for (const Case& c : cases) {
        TPdfPrinterScope pdf;
        WriteRegString("frmT_print_settings", c.Stored);
        const auto clear = qScopeGuard([] { WriteRegString("frmT_print_settings", ""); });
        auto grid = MakeGrid(3);
        TfmPrintPreview preview(c.Asked, grid.get(), "Списък", "", "frmT_print_settings", 0, "", "", false,
                                false, false, "", "");
        EXPECT_EQ(preview.PagePrinter->Orientation(), c.Shown) << c.Stored.toStdString();
        EXPECT_EQ(preview.StatusPanels[1]->text(), c.Shown ? "297 mm x 210 mm" : "210 mm x 297 mm");
        preview.cbSave->setChecked(false);
    }
}

TEST(PrintPreview, MarginsTypedInTheSetupAreWhereThePagePrints) {
    TPdfPrinterScope pdf;
    auto grid = MakeGrid(3);
    auto preview = OpenPreview(grid.get(), QString());
    struct Typed {
        int Entry;
        TFloatEdit* TfmPrintSetup::*Edit;
        QString Value;
    };
    // The caption 40 mm down, the page body from 30 mm at the left; then a body with no room.
    const QList<QList<Typed>> rounds = {
        {{1, &TfmPrintSetup::editMarginTop, "40"}, {5, &TfmPrintSetup::editMarginLeft, "30"}},
        {{5, &TfmPrintSetup::editMarginLeft, "-8"}},
        {{5, &TfmPrintSetup::editMarginRight, "3"}},
    };
    for (const QList<Typed>& round : rounds) {
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            // Whatever fails, the dialog closes: a test never waits for an operator.
            const auto close = qScopeGuard([modal] {
                if (modal && modal->isVisible()) modal->close();
            });
            auto* dialog = qobject_cast<TfmPrintSetup*>(modal);
            ASSERT_NE(dialog, nullptr);
            for (const Typed& t : round) {
                dialog->listObjects->setCurrentRow(t.Entry);
                TFloatEdit* edit = dialog->*t.Edit;
                ASSERT_TRUE(edit->isEnabled()) << t.Entry;
                edit->selectAll();
                QTest::keyClicks(edit, t.Value);
                QTest::keyClick(edit, Qt::Key_Tab);
            }
            dialog->btnOK->click();
        });
        preview->acPrintSetup->trigger();
    }
    // Only the first round stands: a negative margin gives the printer's edge, a right edge at
    // 3 mm leaves no page and is refused.
    const TReportSettings& s = preview->Settings[preview->CurrentSetting];
    EXPECT_NEAR(s.PrintObjects[poCaption].Top, 40, 0.01);
    EXPECT_NEAR(preview->PagePrinter->MarginLeft(), preview->PagePrinter->GutterLeft(), 0.01);
    preview->acPrintSetup->setEnabled(false);
    auto pdfPrint = [&] {
        EXPECT_TRUE(preview->PrintPages(1, 1, 1, true));
        return PdfWords(pdf.FileName());
    };
    // Back to the first round's margins to read them off the sheet.
    TPrintObjectData body = s.PrintObjects[poBody];
    body.Left = 30;
    ASSERT_TRUE(ApplyBodyMargins(*preview->PagePrinter, body));
    preview->Rebuild(0);
    // Positions count from the printable part's corner.
    const double mm = 72 / 25.4;
    const double top = preview->PagePrinter->GutterTop(), left = preview->PagePrinter->GutterLeft();
    int found = 0;
    for (const TPdfWord& w : pdfPrint()) {
        if (w.Text == QStringLiteral("Списък") && ++found) EXPECT_NEAR(w.Box.top(), (top + 40) * mm, 2 * mm);
        if (w.Text == QStringLiteral("Име") && ++found) EXPECT_NEAR(w.Box.left(), (left + 30) * mm, 1 * mm);
    }
    EXPECT_EQ(found, 2);
    preview->close();
}

// Cancel pressed in the progress dialog while the pages are laid out: the pages kept say on every
// page line, and the preview's page count, that they are not the whole document; laid out again
// to the end, they say nothing of the kind. Text mode maps every page first, so its cut pages
// count the whole document's pages.
TEST(PrintPreview, PagesCutShortByCancelSayTheyAreIncomplete) {
    for (const QString laser : {"1", "0"}) {
        TPdfPrinterScope pdf;
        WriteRegString("Print_Laser", laser);
        const auto clear = qScopeGuard([] { WriteRegString("Print_Laser", ""); });
        auto grid = MakeGrid(600);
        auto preview = OpenPreview(grid.get(), QString());
        preview->PagePrinter->SetShowProgress(false);
        const int whole = preview->PagePrinter->PageCount();
        ASSERT_GT(whole, 6);
        int cancelAt = 3;
        QObject::connect(preview->Progress->ProgressBar, &QProgressBar::valueChanged, [&](int Value) {
            if (Value == cancelAt) QTest::mouseClick(preview->Progress->buttonCancel, Qt::LeftButton);
        });
        preview->Rebuild(0);
        // Text mode steps before it writes a page, graphic mode after it has mapped one.
        const int kept = preview->TextMode ? 2 : 3;
        EXPECT_EQ(preview->PagePrinter->PageCount(), kept) << laser.toStdString();
        EXPECT_EQ(preview->StatusPanels[3]->text(), QStringLiteral("1 / %1 (непълен)").arg(kept));
        if (!preview->TextMode) {
            ASSERT_TRUE(preview->PrintPages(1, 3, 1, true));
            const QStringList pages = PdfPageTexts(pdf.FileName());
            ASSERT_EQ(pages.size(), 3);
            for (int p = 0; p < 3; ++p)
                EXPECT_TRUE(pages[p].contains(QStringLiteral("Стр.: %1 / 3 (непълен)").arg(p + 1))) << p;
        } else {
            EXPECT_EQ(preview->Job.TextLines[1].right(9),
                      Oem(QStringLiteral("Стр.: 1 / %1").arg(whole)).right(9));
        }

        cancelAt = -1;
        preview->Rebuild(0);
        EXPECT_EQ(preview->PagePrinter->PageCount(), whole);
        EXPECT_EQ(preview->StatusPanels[3]->text(), QStringLiteral("1 / %1").arg(whole));
        if (!preview->TextMode) {
            QFile::remove(pdf.FileName());
            ASSERT_TRUE(preview->PrintPages(2, 2, 1, true));
            const QString page = PdfPageText(pdf.FileName());
            EXPECT_TRUE(page.contains(QStringLiteral("Стр.: 2 / %1").arg(whole)));
            EXPECT_FALSE(page.contains("непълен"));
        }
        preview->close();
    }
}
