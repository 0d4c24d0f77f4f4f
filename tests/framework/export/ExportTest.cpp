#include "framework/export/Export.h"

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "framework/forms/Application.h"
#include "framework/printing/OfficePrinter.h"
#include "tests/support/DesktopLocale.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PdfTools.h"
#include "tests/support/ScriptedPresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <pugixml.hpp>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

static void PrintTo(const QString& S, std::ostream* Out) {
    *Out << '"' << S.toStdString() << '"';
}

namespace {

QString U(const char* Text) {
    return QString::fromUtf8(Text);
}

QByteArray ReadEntry(const QString& Path, const char* Name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(Path).constData(), ZIP_RDONLY, &error);
    if (!archive) return {};
    zip_stat_t stat;
    QByteArray data;
    if (zip_stat(archive, Name, 0, &stat) == 0) {
        data.resize(qsizetype(stat.size));
        zip_file_t* file = zip_fopen(archive, Name, 0);
        zip_fread(file, data.data(), stat.size);
        zip_fclose(file);
    }
    zip_discard(archive);
    return data;
}

pugi::xml_document Parse(const QByteArray& Xml) {
    pugi::xml_document doc;
    doc.load_buffer(Xml.constData(), size_t(Xml.size()));
    return doc;
}

QString Text(const pugi::xml_node& Node) {
    return QString::fromUtf8(Node.text().get());
}

// Counts the steps and asks to stop at step StopAt (0: never).
class TCountingProgress : public TExportProgress {
public:
    explicit TCountingProgress(int StopAt = 0) : FStopAt(StopAt) {}
    void Start(const QString& Status, int Total) override {
        Statuses.append(Status);
        Totals.append(Total);
    }
    bool Step() override { return ++Steps != FStopAt; }
    QStringList Statuses;
    QList<int> Totals;
    int Steps = 0;

private:
    int FStopAt;
};

// A list as the list windows show it: a header row, amounts, a personal number with its leading
// zero, a shaded row and a block of 2 by 3 cells merged.
//   Номер | Клиент        | Сума   | Бележка
//   1     | Иван Петров   | 1234.5 | abc
//   2     | 0123456789    | 1234   | (shaded light blue)
//   [ merged over columns 0..2, rows 3..4: "Общо" ] | x
//                                                   | y
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Grid.SetColCount(4);
        Grid.SetRowCount(5);
        Grid.SetFixedRows(1);
        Grid.SetFixedCols(0);
        Grid.FixedAttributes()->SetAlignment({caCenter});
        Grid.DefAttributes()->SetAlignment({caLeft, caCenter});
        const QStringList rows[] = {{U("Номер"), U("Клиент"), U("Сума"), U("Бележка")},
                                    {U("1"), U("Иван Петров"), U("1234.5"), U("abc")},
                                    {U("2"), U("0123456789"), U("1234"), U("")},
                                    {U("Общо"), U(""), U(""), U("x")},
                                    {U(""), U(""), U(""), U("y")}};
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 4; ++c)
                Grid.SetCells(c, r, rows[r][c]);
        Grid.ColAttributes(2)->SetAlignment({caRight});
        Grid.RowAttributes(2)->SetBackColor(16314584);
        Grid.MergeCells({0, 3, 2, 4});
        Job.Grid = &Grid;
        Job.Title = U("Приходни ордери");
        Job.Subtitle = U("за март");
        Job.Date = QDate(2024, 3, 5);
        Job.TableFont = QFont(QStringLiteral("Times New Roman"), 8);
        Job.FirmFont = QFont(QStringLiteral("Times New Roman"), 10);
        Job.TitleFont = QFont(QStringLiteral("Times New Roman"), 14);
        Job.SubtitleFont = QFont(QStringLiteral("Times New Roman"), 12);
    }

    QString Path(const QString& Name) const { return Dir.filePath(Name); }
    QStringList Files() const { return QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir Dir;
    TRichGrid Grid;
    TExportJob Job;
    TScriptedPresenter Presenter;
};

} // namespace

TEST(ExportValues, NumbersStringsAndTheirFormats) {
    struct Case {
        const char* text;
        bool number;
        const char* format;
    };
    const Case cases[] = {
        {"1234.5", true, "#,##0.0\\ _л_в;[Red]-#,##0.0\\ _л_в"},
        {"1234", true, "#,##0\\ _л_в;[Red]-#,##0\\ _л_в"},
        {"-12.125", true, "#,##0.000\\ _л_в;[Red]-#,##0.000\\ _л_в"},
        {"0.50", true, "#,##0.00\\ _л_в;[Red]-#,##0.00\\ _л_в"},
        {"0", true, "#,##0\\ _л_в;[Red]-#,##0\\ _л_в"},
        {"abc", false, ""},
        {"0123456789", false, ""},       // a personal number keeps its zero
        {"1234567890123456", false, ""}, // more digits than a double holds
        {"05.03.2024", false, ""},
        {"1 234.50", false, ""},
        {"12,50", false, ""},
        {"1e5", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsExportNumber(U(c.text)), c.number) << c.text;
        if (c.number) {
            EXPECT_EQ(ExportNumberFormat(U(c.text)), U(c.format)) << c.text;
        }
    }
}

TEST(ExportValues, TheFileNameTakesTheKindsExtension) {
    struct Case {
        const char* name;
        int kind;
        const char* expected;
    };
    const Case cases[] = {
        {"/data/Report.old.xls", ekWord, "/data/Report.docx"},
        {"/data/Report", ekExcel, "/data/Report.xlsx"},
        {"/opt/lendora-1.2/bin/Приходни ордери.xlsx", ekText, "/opt/lendora-1.2/bin/Приходни ордери.txt"},
        {"/opt/lendora-1.2/bin/Отчет", ekTextDelimited, "/opt/lendora-1.2/bin/Отчет.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExportFileName(U(c.name), c.kind), U(c.expected)) << c.name;
    EXPECT_EQ(ExportDateText(QDate(2024, 3, 5)), U("05.03.2024 г."));
}

TEST_F(ExportTest, TextHoldsEveryCellWithItsDelimiterAndCrLf) {
    Grid.SetColCount(2);
    Grid.SetRowCount(2);
    for (int r = 0; r < 2; ++r) {
        Grid.SetCells(0, r, U("a"));
        Grid.SetCells(1, r, U("b"));
    }
    struct Case {
        QString delimiter;
        QByteArray bytes;
    };
    const Case cases[] = {{QStringLiteral(";"), "a;b;\r\na;b;\r\n"},
                          {QStringLiteral("\t"), "a\tb\t\r\na\tb\t\r\n"}};
    for (const Case& c : cases) {
        Job.FileName = Path(QStringLiteral("list.txt"));
        TCountingProgress progress;
        EXPECT_EQ(ExportToText(Job, c.delimiter, progress), erDone);
        QFile file(Job.FileName);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), c.bytes);
        EXPECT_EQ(progress.Steps, 4);
        EXPECT_EQ(progress.Totals, QList<int>{4});
    }
    // Cyrillic as UTF-8, the stored text rather than a formatted one.
    Grid.SetCells(0, 1, U("Иван"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToText(Job, QStringLiteral(";"), progress), erDone);
    QFile file(Job.FileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("a;b;\r\n") + U("Иван").toUtf8() + ";b;\r\n");
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST_F(ExportTest, CancelLeavesNoFileAndKeepsAnOldOne) {
    using TExporter = std::function<int(TExportProgress&)>;
    const std::pair<QString, TExporter> kinds[] = {
        {QStringLiteral("list.xlsx"), [&](TExportProgress& p) { return ExportToExcel(Job, p); }},
        {QStringLiteral("list.docx"), [&](TExportProgress& p) { return ExportToWord(Job, p); }},
        {QStringLiteral("list.txt"),
         [&](TExportProgress& p) { return ExportToText(Job, QStringLiteral(";"), p); }},
    };
    for (const auto& [name, exporter] : kinds) {
        Job.FileName = Path(name);
        TCountingProgress stopNew(7);
        EXPECT_EQ(exporter(stopNew), erCancelled) << name.toStdString();
        EXPECT_EQ(stopNew.Steps, 7);
        EXPECT_TRUE(Files().isEmpty()) << Files().join(u' ').toStdString();

        QFile old(Job.FileName);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        TCountingProgress stopAgain(12);
        EXPECT_EQ(exporter(stopAgain), erCancelled) << name.toStdString();
        EXPECT_EQ(Files(), QStringList{name});
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
        old.close();
        old.remove();
    }
    EXPECT_TRUE(Presenter.Messages().isEmpty());
}

TEST_F(ExportTest, WorkbookHoldsNumbersAsNumbersMergedBlocksAndFormats) {
    Job.FileName = Path(QStringLiteral("list.xlsx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToExcel(Job, progress), erDone);
    EXPECT_EQ(progress.Steps, 20);
    EXPECT_EQ(progress.Statuses, QStringList({U("Стартиране на MS Excel, моля изчакайте ..."),
                                              U("Прехвърляне на данните към MS Excel, моля изчакайте ...")}));
    EXPECT_EQ(Files(), QStringList{QStringLiteral("list.xlsx")});

    const pugi::xml_document sheet = Parse(ReadEntry(Job.FileName, "xl/worksheets/sheet1.xml"));
    const pugi::xml_document shared = Parse(ReadEntry(Job.FileName, "xl/sharedStrings.xml"));
    const pugi::xml_document styles = Parse(ReadEntry(Job.FileName, "xl/styles.xml"));
    QStringList strings;
    for (const pugi::xpath_node& si : shared.select_nodes("//si/t"))
        strings.append(Text(si.node()));
    // Every cell by its reference: a number's value, or "s:" and a string's text.
    QMap<QString, QString> cells;
    QMap<QString, int> styleOf;
    for (const pugi::xpath_node& node : sheet.select_nodes("//sheetData/row/c")) {
        const pugi::xml_node c = node.node();
        const QString ref = QString::fromUtf8(c.attribute("r").value());
        styleOf[ref] = c.attribute("s").as_int();
        if (!c.child("v")) continue;
        cells[ref] = QString::fromUtf8(c.attribute("t").value()) == u"s"
                         ? QStringLiteral("s:") + strings.value(c.child("v").text().as_int())
                         : Text(c.child("v"));
    }
    const std::pair<const char*, const char*> expected[] = {
        {"B1", "s:Приходни ордери"},
        {"B2", "s:за март"},
        {"D1", "s:05.03.2024 г."},
        {"A4", "s:Номер"},
        {"A5", "1"},
        {"C5", "1234.5"},
        {"D5", "s:abc"},
        {"B6", "s:0123456789"},
        {"C6", "1234"},
        {"A7", "s:Общо"},
        {"D7", "s:x"},
        {"D8", "s:y"},
    };
    for (const auto& [ref, value] : expected)
        EXPECT_EQ(cells.value(U(ref)), U(value)) << ref;

    QStringList merges;
    for (const pugi::xpath_node& node : sheet.select_nodes("//mergeCells/mergeCell"))
        merges.append(QString::fromUtf8(node.node().attribute("ref").value()));
    EXPECT_EQ(merges, QStringList({"B1:C1", "B2:C2", "A7:C8"}));

    // The money formats by their codes, and which cells carry them.
    QMap<int, QString> codes;
    for (const pugi::xpath_node& node : styles.select_nodes("//numFmts/numFmt"))
        codes[node.node().attribute("numFmtId").as_int()] =
            QString::fromUtf8(node.node().attribute("formatCode").value());
    QList<pugi::xml_node> xfs;
    for (const pugi::xpath_node& node : styles.select_nodes("//cellXfs/xf"))
        xfs.append(node.node());
    auto formatOf = [&](const char* Ref) {
        return codes.value(xfs.value(styleOf.value(U(Ref))).attribute("numFmtId").as_int());
    };
    EXPECT_EQ(formatOf("C5"), U("#,##0.0\\ _л_в;[Red]-#,##0.0\\ _л_в"));
    EXPECT_EQ(formatOf("C6"), QString());
    EXPECT_EQ(formatOf("D5"), QString());
    EXPECT_EQ(formatOf("B6"), QString());

    // Fills: the shaded row cyan, the others white; borders medium on the header, thin below.
    QList<pugi::xml_node> fills;
    for (const pugi::xpath_node& node : styles.select_nodes("//fills/fill"))
        fills.append(node.node());
    QList<pugi::xml_node> borders;
    for (const pugi::xpath_node& node : styles.select_nodes("//borders/border"))
        borders.append(node.node());
    auto fillOf = [&](const char* Ref) {
        const pugi::xml_node fill =
            fills.value(xfs.value(styleOf.value(U(Ref))).attribute("fillId").as_int());
        return QString::fromUtf8(fill.child("patternFill").child("fgColor").attribute("rgb").value());
    };
    auto borderOf = [&](const char* Ref) {
        const pugi::xml_node border =
            borders.value(xfs.value(styleOf.value(U(Ref))).attribute("borderId").as_int());
        return QString::fromUtf8(border.child("left").attribute("style").value());
    };
    EXPECT_EQ(fillOf("B6"), QStringLiteral("FF00FFFF"));
    EXPECT_EQ(fillOf("D6"), QStringLiteral("FF00FFFF"));
    EXPECT_EQ(fillOf("B5"), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(borderOf("A4"), QStringLiteral("medium"));
    EXPECT_EQ(borderOf("B5"), QStringLiteral("thin"));
    // Equal cells share one format.
    EXPECT_EQ(styleOf.value(QStringLiteral("B5")), styleOf.value(QStringLiteral("D5")));
    // Every used column got a width.
    EXPECT_EQ(sheet.select_nodes("//cols/col").size(), 4u);
}

TEST_F(ExportTest, OverlappingMergesAreWrittenOnce) {
    // The grid lets a later merge overlap an earlier one; the workbook may not.
    Grid.MergeCells({1, 1, 2, 2});
    Grid.MergeCells({2, 2, 3, 3});
    Job.FileName = Path(QStringLiteral("list.xlsx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToExcel(Job, progress), erDone);
    const pugi::xml_document sheet = Parse(ReadEntry(Job.FileName, "xl/worksheets/sheet1.xml"));
    QList<QRect> blocks;
    for (const pugi::xpath_node& node : sheet.select_nodes("//mergeCells/mergeCell")) {
        const QStringList corners = QString::fromUtf8(node.node().attribute("ref").value()).split(u':');
        auto point = [](const QString& Ref) { return QPoint(Ref[0].unicode() - 'A', Ref.mid(1).toInt()); };
        blocks.append(QRect(point(corners[0]), point(corners[1])));
    }
    ASSERT_GE(blocks.size(), 3);
    for (int i = 0; i < blocks.size(); ++i)
        for (int j = i + 1; j < blocks.size(); ++j)
            EXPECT_FALSE(blocks[i].intersects(blocks[j])) << i << " " << j;

    Job.FileName = Path(QStringLiteral("list.docx"));
    ASSERT_EQ(ExportToWord(Job, progress), erDone);
}

TEST_F(ExportTest, DocumentHoldsTheTableWithSpansFillsAndTheHeading) {
    Job.FileName = Path(QStringLiteral("list.docx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToWord(Job, progress), erDone);
    // Each cell once to measure the columns, once to write them.
    EXPECT_EQ(progress.Steps, 40);
    const pugi::xml_document document = Parse(ReadEntry(Job.FileName, "word/document.xml"));
    const pugi::xml_document header = Parse(ReadEntry(Job.FileName, "word/header1.xml"));

    // Each row by its cells: text, then "+span", "^" for a block's start, "|" for its continuation
    // and "#fill"; a row that heads every page starts with "H:". No row is split by a page end,
    // and the table has its lines inside and around.
    QStringList rows;
    for (const pugi::xpath_node& tr : document.select_nodes("//w:body/w:tbl/w:tr")) {
        EXPECT_TRUE(tr.node().child("w:trPr").child("w:cantSplit"));
        QStringList cells;
        for (const pugi::xml_node& tc : tr.node().children("w:tc")) {
            QString cell;
            for (const pugi::xpath_node& t : tc.select_nodes(".//w:t"))
                cell += Text(t.node());
            const pugi::xml_node props = tc.child("w:tcPr");
            if (const int span = props.child("w:gridSpan").attribute("w:val").as_int(); span > 1)
                cell += QStringLiteral("+%1").arg(span);
            if (const pugi::xml_node merge = props.child("w:vMerge"))
                cell += QString::fromUtf8(merge.attribute("w:val").value()) == u"restart" ? u'^' : u'|';
            if (const pugi::xml_node shd = props.child("w:shd"))
                cell += u'#' + QString::fromUtf8(shd.attribute("w:fill").value());
            cells.append(cell);
        }
        rows.append((tr.node().child("w:trPr").child("w:tblHeader") ? QStringLiteral("H:") : QString()) +
                    cells.join(u','));
    }
    const pugi::xml_node borders = document.select_node("//w:body/w:tbl/w:tblPr/w:tblBorders").node();
    for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"})
        EXPECT_STREQ(borders.child(side).attribute("w:val").value(), "single") << side;
    EXPECT_EQ(rows,
              QStringList({U("H:Номер,Клиент,Сума,Бележка"), U("1,Иван Петров,1234.5,abc"),
                           U("2#00FFFF,0123456789#00FFFF,1234#00FFFF,#00FFFF"), U("Общо+3^,x"), U("+3|,y")}));

    QStringList headings;
    for (const pugi::xpath_node& tc : header.select_nodes("//w:tc")) {
        QString cell;
        for (const pugi::xpath_node& t : tc.node().select_nodes(".//w:t"))
            cell += Text(t.node());
        headings.append(cell);
    }
    EXPECT_EQ(headings, QStringList({"", U("Приходни ордери"), U("05.03.2024 г."), "", U("за март"), ""}));
    // The heading's cells carry their widths; the body's rows, written before the widths are
    // known, take their table's grid.
    for (const pugi::xpath_node& tc : header.select_nodes("//w:tc"))
        EXPECT_GT(tc.node().child("w:tcPr").child("w:tcW").attribute("w:w").as_int(), 0);
    EXPECT_TRUE(document.select_nodes("//w:body/w:tbl//w:tcW").empty());
    // The table font, in black, is the document's: no run of the table asks for another.
    const pugi::xml_document styles = Parse(ReadEntry(Job.FileName, "word/styles.xml"));
    const pugi::xml_node defaults = styles.select_node("//w:docDefaults/w:rPrDefault/w:rPr").node();
    EXPECT_STREQ(defaults.child("w:rFonts").attribute("w:ascii").value(), "Times New Roman");
    EXPECT_STREQ(defaults.child("w:sz").attribute("w:val").value(), "16");
    EXPECT_STREQ(defaults.child("w:color").attribute("w:val").value(), "000000");
    EXPECT_TRUE(document.select_nodes("//w:body/w:tbl//w:rPr").empty());
}

// A list wider than a portrait page turns the document to landscape; a narrow one stays portrait.
// Numbers, personal numbers and dates never break across lines, and what the list hides is left
// out, even from a merged block over it.
TEST_F(ExportTest, DocumentTurnsForWideListsKeepsNumbersWholeAndLeavesHiddenColumnsOut) {
    Grid.ColAttributes(1)->SetVisible(false); // under the merged "Общо" as well
    struct Case {
        int notes; // characters in the note column
        bool landscape;
    };
    for (const Case c : {Case{10, false}, Case{260, true}}) {
        Grid.SetCells(3, 1, QString(c.notes, QLatin1Char('n')));
        Job.FileName = Path(QStringLiteral("list.docx"));
        TCountingProgress progress;
        ASSERT_EQ(ExportToWord(Job, progress), erDone);
        const pugi::xml_document document = Parse(ReadEntry(Job.FileName, "word/document.xml"));
        const pugi::xml_node size = document.select_node("//w:sectPr/w:pgSz").node();
        EXPECT_EQ(size.attribute("w:w").as_int() > size.attribute("w:h").as_int(), c.landscape) << c.notes;
        EXPECT_EQ(document.select_nodes("//w:body/w:tbl/w:tblGrid/w:gridCol").size(), 3u);
        QStringList texts, whole;
        for (const pugi::xpath_node& tc : document.select_nodes("//w:body/w:tbl/w:tr/w:tc")) {
            const pugi::xml_node props = tc.node().child("w:tcPr");
            const int span = props.child("w:gridSpan").attribute("w:val").as_int();
            texts.append(Text(tc.node().child("w:p").child("w:r").child("w:t")) +
                         (span > 1 ? QStringLiteral("+%1").arg(span) : QString()));
            if (props.child("w:noWrap")) whole.append(texts.last());
        }
        EXPECT_EQ(texts.mid(0, 6).join(u','), U("Номер,Сума,Бележка,1,1234.5,") + Grid.Cells(3, 1));
        EXPECT_EQ(texts.value(9), U("Общо+2"));
        EXPECT_EQ(whole, QStringList({U("1"), U("1234.5"), U("2"), U("1234")}));
    }
}

namespace {

// A document's body tables read back: per table the header texts of its columns and their
// widths in millimetres, per column the widest text it holds, and the cells of the rows repeated
// on every page with the width of the columns each spans.
struct TWordTable {
    QStringList Headers;
    QList<double> Widths;
    QStringList Widest;
    QList<QPair<QString, double>> Repeated;
};

QList<TWordTable> ReadWordTables(const QString& File) {
    const pugi::xml_document document = Parse(ReadEntry(File, "word/document.xml"));
    QList<TWordTable> tables;
    for (const pugi::xpath_node& tbl : document.select_nodes("//w:body/w:tbl")) {
        TWordTable table;
        for (const pugi::xml_node& col : tbl.node().child("w:tblGrid").children("w:gridCol"))
            table.Widths.append(col.attribute("w:w").as_double() / 1440 * 25.4);
        table.Widest = QStringList(table.Widths.size(), QString());
        bool header = true;
        for (const pugi::xml_node& tr : tbl.node().children("w:tr")) {
            int col = 0;
            for (const pugi::xml_node& tc : tr.children("w:tc")) {
                QString text;
                for (const pugi::xpath_node& t : tc.select_nodes(".//w:t"))
                    text += Text(t.node());
                if (header) table.Headers.append(text);
                if (col < table.Widest.size() && text.size() > table.Widest[col].size())
                    table.Widest[col] = text;
                const int span =
                    std::max(1, tc.child("w:tcPr").child("w:gridSpan").attribute("w:val").as_int());
                if (tr.child("w:trPr").child("w:tblHeader"))
                    table.Repeated.append(
                        {text, std::accumulate(table.Widths.begin() + std::min(col, int(table.Widths.size())),
                                               table.Widths.begin() +
                                                   std::min(col + span, int(table.Widths.size())),
                                               0.0)});
                col += span;
            }
            header = false;
        }
        tables.append(table);
    }
    return tables;
}

// What a text takes in a cell, in millimetres: its width in Font and the cell's margins.
double NeededMm(const QFont& Font, const QString& Text) {
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(2835);
    device.setDotsPerMeterY(2835);
    return QFontMetricsF(Font, &device).horizontalAdvance(Text) * 25.4 / 72 + 2;
}

} // namespace

// A list wider than a landscape page: its dates and personal numbers keep the width their text
// needs and only the notes, which wrap, give up room, none below its longest word. A list
// between a portrait and a landscape page turns landscape with every column whole. A list whose
// dates alone are wider than the page continues in bands, each led by the key columns and none
// wider than the page.
TEST_F(ExportTest, DocumentColumnsKeepDatesAndNumbersWholeAndContinueInBands) {
    const QString date = U("02.01.2023"), egn = U("5705228058");
    const QString note = U("Златен пръстен с камък проба 585 ") + U("Разтегателен ") + QString(10, u'ж');
    struct Case {
        const char* name;
        int dates;     // date columns after the number and the personal number
        int notes;     // note columns
        int noteWords; // times the note's words are repeated
        bool landscape;
        bool bands;
    };
    const Case cases[] = {
        {"narrow", 1, 1, 1, false, false},
        {"between the pages", 1, 2, 1, true, false},
        {"wider than landscape", 2, 4, 4, true, false},
        {"dates alone too wide", 24, 1, 1, true, true},
    };
    for (const Case& c : cases) {
        const int cols = 2 + c.dates + c.notes;
        Grid.SetMergeCellsStr(QString());
        Grid.SetColCount(cols);
        Grid.SetRowCount(3);
        for (int r = 1; r < 3; ++r) {
            Grid.SetCells(0, r, QString::number(r));
            Grid.SetCells(1, r, egn);
            for (int k = 0; k < c.dates; ++k)
                Grid.SetCells(2 + k, r, date);
            for (int k = 0; k < c.notes; ++k)
                Grid.SetCells(2 + c.dates + k, r, QStringList(c.noteWords, note).join(u' '));
        }
        for (int k = 0; k < cols; ++k)
            Grid.SetCells(k, 0, k == 0 ? U("№") : k == 1 ? U("ЕГН") : U("Колона %1").arg(k));
        Job.FileName = Path(QStringLiteral("wide.docx"));
        TCountingProgress progress;
        ASSERT_EQ(ExportToWord(Job, progress), erDone) << c.name;
        const pugi::xml_document document = Parse(ReadEntry(Job.FileName, "word/document.xml"));
        const pugi::xml_node size = document.select_node("//w:sectPr/w:pgSz").node();
        EXPECT_EQ(size.attribute("w:w").as_int() > size.attribute("w:h").as_int(), c.landscape) << c.name;
        const double room = c.landscape ? 297 - 40 : 210 - 40;

        const QList<TWordTable> tables = ReadWordTables(Job.FileName);
        ASSERT_EQ(tables.size() > 1, c.bands) << c.name;
        QSet<QString> headers;
        for (const TWordTable& table : tables) {
            // Each band starts with the key columns: the number, the personal number and a date.
            EXPECT_EQ(table.Headers.mid(0, 3), QStringList({U("№"), U("ЕГН"), U("Колона 2")})) << c.name;
            for (const QString& header : table.Headers)
                headers.insert(header);
            double total = 0;
            for (int k = 0; k < table.Widths.size(); ++k) {
                total += table.Widths[k];
                const QString& text = table.Widest[k];
                // A text that wraps keeps its longest word whole; the others stay on one line.
                const QString needed = text.contains(u' ') ? QString(10, u'ж') : text;
                EXPECT_GE(table.Widths[k], NeededMm(Job.TableFont, needed))
                    << c.name << " column " << k << " " << text.toStdString();
            }
            EXPECT_LE(total, room + 0.1) << c.name;
            if (!c.bands && c.noteWords == 1) {
                // What fits is not narrowed: every column holds its longest text on one line.
                for (int k = 0; k < table.Widths.size(); ++k)
                    EXPECT_GE(table.Widths[k], NeededMm(Job.TableFont, table.Widest[k])) << c.name;
            }
        }
        EXPECT_EQ(headers.size(), cols) << c.name;
    }

    // The portrait page's width itself: a table exactly as wide stays portrait, a point wider
    // turns.
    Grid.SetColCount(1);
    Grid.SetRowCount(1);
    const auto natural = [&](const QString& Text) { return NeededMm(Job.TableFont, Text) + 2; };
    QString text;
    while (natural(text + u'.') <= 210 - 40)
        text += u'.';
    for (const bool wider : {false, true}) {
        Grid.SetCells(0, 0, wider ? text + u'.' : text);
        Job.FileName = Path(QStringLiteral("edge.docx"));
        TCountingProgress progress;
        ASSERT_EQ(ExportToWord(Job, progress), erDone);
        const pugi::xml_document document = Parse(ReadEntry(Job.FileName, "word/document.xml"));
        const pugi::xml_node size = document.select_node("//w:sectPr/w:pgSz").node();
        EXPECT_EQ(size.attribute("w:w").as_int() > size.attribute("w:h").as_int(), wider);
    }

    // A first column between a third and a half of the page leads only the first band.
    Grid.SetColCount(26);
    Grid.SetRowCount(2);
    QString wide;
    while (NeededMm(Job.TableFont, wide) < (297 - 40) * 0.4)
        wide += u'ж';
    for (int k = 0; k < 26; ++k) {
        Grid.SetCells(k, 0, U("Колона %1").arg(k));
        Grid.SetCells(k, 1, k == 0 ? wide : date);
    }
    Job.FileName = Path(QStringLiteral("first.docx"));
    TCountingProgress firstProgress;
    ASSERT_EQ(ExportToWord(Job, firstProgress), erDone);
    const QList<TWordTable> firstBands = ReadWordTables(Job.FileName);
    ASSERT_GE(firstBands.size(), 2);
    EXPECT_EQ(firstBands[0].Headers.value(0), U("Колона 0"));
    for (const TWordTable& table : firstBands.mid(1))
        EXPECT_FALSE(table.Headers.contains(U("Колона 0")));

    // A first column whose one word is wider than the landscape page is narrowed to the page.
    Grid.SetColCount(2);
    Grid.SetRowCount(2);
    Grid.SetCells(0, 0, U("№"));
    Grid.SetCells(1, 0, U("ЕГН"));
    Grid.SetCells(0, 1, QString(400, u'ж'));
    Grid.SetCells(1, 1, egn);
    Job.FileName = Path(QStringLiteral("long.docx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToWord(Job, progress), erDone);
    for (const TWordTable& table : ReadWordTables(Job.FileName)) {
        double total = 0;
        for (const double width : table.Widths)
            total += width;
        EXPECT_LE(total, 297 - 40 + 0.1);
    }
}

namespace {

const char* const PaymentCaption = "Данни за изпълнение на задължението по заема";

// A register as the deals register: two header rows, the number, the personal number and Dates
// date columns, the payment caption merged over Width of them from column At; Rows data rows.
std::unique_ptr<TRichGrid> DatesGrid(int Dates, int At, int Width, int Rows = 2) {
    auto grid = std::make_unique<TRichGrid>();
    grid->SetColCount(2 + Dates);
    grid->SetRowCount(2 + Rows);
    grid->SetFixedRows(2);
    grid->SetFixedCols(0);
    for (int c = 0; c < grid->ColCount(); ++c) {
        grid->SetCells(c, 1, c == 0 ? U("№") : c == 1 ? U("ЕГН") : U("к%1").arg(c));
        for (int r = 2; r < grid->RowCount(); ++r)
            grid->SetCells(c, r, c == 0 ? QString::number(r) : c == 1 ? U("5705228058") : U("02.01.2023"));
    }
    grid->SetCells(At, 0, U(PaymentCaption));
    grid->MergeCells({At, 0, At + Width - 1, 0});
    return grid;
}

} // namespace

// A merged header keeps its longest word whole however narrow its part of a band is: over two
// narrow columns, over a shown and a hidden column, and split between two bands after any of its
// columns; no band is wider than the page for it.
TEST_F(ExportTest, DocumentHeaderBlocksKeepTheirLongestWordWhole) {
    const double needed = NeededMm(Job.TableFont, U("задължението"));
    std::unique_ptr<TRichGrid> grid;
    auto check = [&](const char* Name, int At) {
        Job.Grid = grid.get();
        Job.FileName = Path(QStringLiteral("blocks.docx"));
        TCountingProgress progress;
        ASSERT_EQ(ExportToWord(Job, progress), erDone) << Name << " " << At;
        int found = 0;
        for (const TWordTable& table : ReadWordTables(Job.FileName)) {
            EXPECT_LE(std::accumulate(table.Widths.begin(), table.Widths.end(), 0.0), 297 - 40 + 0.1)
                << Name << " at " << At;
            for (const auto& [text, width] : table.Repeated)
                if (text == U(PaymentCaption)) {
                    ++found;
                    EXPECT_GE(width, needed) << Name << " at " << At;
                }
        }
        EXPECT_GE(found, 1) << Name << " at " << At;
    };

    // Two columns of one digit under the caption.
    grid = DatesGrid(2, 2, 2);
    for (int c = 2; c < 4; ++c)
        for (int r = 2; r < 4; ++r)
            grid->SetCells(c, r, QString::number(r));
    check("narrow columns", 2);
    // The caption over a date and a hidden column.
    grid = DatesGrid(3, 3, 2);
    grid->ColAttributes(4)->SetVisible(false);
    check("a hidden column", 3);
    // Five date columns of 24 under the caption, wherever the bands cut them; a longer first
    // date column packs the bands so that some end with no room left to widen a part.
    for (const int longer : {0, 14})
        for (int at = 2; at + 5 <= 26; ++at) {
            grid = DatesGrid(24, at, 5);
            if (longer > 0) grid->SetCells(2, 2, QString(longer, u'ж'));
            check(longer > 0 ? "packed bands" : "bands", at);
        }
}

// Labelled "office" in CTest: LibreOffice lays a banded document out as Word would. Each band
// runs over several pages; every page repeats the band's header rows, and the caption cut by the
// bands reads with its words whole.
TEST(OfficeConversion, WordBandsRepeatTheirHeaderOnEveryPageWithTheirWordsWhole) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "soffice is absent";
    QTemporaryDir dir;
    const std::unique_ptr<TRichGrid> grid = DatesGrid(24, 14, 5, 90);
    TExportJob job;
    job.Grid = grid.get();
    job.FileName = dir.filePath(QStringLiteral("register.docx"));
    job.Date = QDate(2024, 3, 5);
    job.TableFont = QFont(QStringLiteral("Times New Roman"), 8);
    TCountingProgress progress;
    ASSERT_EQ(ExportToWord(job, progress), erDone);
    const QString pdf = LibreOfficePrinter().ConvertToPdf(job.FileName, dir.path());
    const int pages = PdfPageCount(pdf);
    ASSERT_GE(pages, 4);
    QList<QStringList> words(pages);
    for (const TPdfWord& word : PdfWords(pdf))
        words[word.Page - 1].append(word.Text);
    int withCaption = 0;
    for (int p = 0; p < pages; ++p) {
        EXPECT_TRUE(words[p].contains(U("ЕГН"))) << "page " << p + 1;
        if (words[p].contains(U("заема")) || words[p].contains(U("Данни"))) {
            ++withCaption;
            EXPECT_TRUE(words[p].contains(U("изпълнение")) && words[p].contains(U("задължението")))
                << "page " << p + 1 << ": " << words[p].join(u' ').left(400).toStdString();
        }
    }
    EXPECT_GE(withCaption, 2);
}

namespace {

// An exported workbook's sheet read back: each cell's value ("s:" and the text for a string)
// and number format code by reference, and the hidden columns counted from 1.
struct TSheet {
    QMap<QString, QString> Values;
    QMap<QString, QString> Formats;
    QList<int> HiddenColumns;
};

TSheet ReadSheet(const QString& File) {
    const pugi::xml_document sheet = Parse(ReadEntry(File, "xl/worksheets/sheet1.xml"));
    const pugi::xml_document shared = Parse(ReadEntry(File, "xl/sharedStrings.xml"));
    const pugi::xml_document styles = Parse(ReadEntry(File, "xl/styles.xml"));
    QStringList strings;
    for (const pugi::xpath_node& si : shared.select_nodes("//si/t"))
        strings.append(Text(si.node()));
    QMap<int, QString> codes;
    for (const pugi::xpath_node& node : styles.select_nodes("//numFmts/numFmt"))
        codes[node.node().attribute("numFmtId").as_int()] =
            QString::fromUtf8(node.node().attribute("formatCode").value());
    QList<pugi::xml_node> xfs;
    for (const pugi::xpath_node& node : styles.select_nodes("//cellXfs/xf"))
        xfs.append(node.node());
    TSheet result;
    for (const pugi::xpath_node& node : sheet.select_nodes("//sheetData/row/c")) {
        const pugi::xml_node c = node.node();
        const QString ref = QString::fromUtf8(c.attribute("r").value());
        result.Formats[ref] =
            codes.value(xfs.value(c.attribute("s").as_int()).attribute("numFmtId").as_int());
        if (c.child("v"))
            result.Values[ref] = QString::fromUtf8(c.attribute("t").value()) == u"s"
                                     ? QStringLiteral("s:") + strings.value(c.child("v").text().as_int())
                                     : Text(c.child("v"));
    }
    for (const pugi::xpath_node& node : sheet.select_nodes("//cols/col"))
        if (node.node().attribute("hidden").as_bool())
            for (int col = node.node().attribute("min").as_int();
                 col <= node.node().attribute("max").as_int(); ++col)
                result.HiddenColumns.append(col);
    return result;
}

} // namespace

TEST_F(ExportTest, WorkbookGivesTheMoneyFormatOnlyToAmounts) {
    // A row number, a personal number, an integer amount under a number formatter, an amount
    // with decimals under none, a text.
    TNumberFormatter amounts;
    Grid.SetColCount(5);
    Grid.SetRowCount(2);
    const QStringList row = {U("7"), U("8001011234"), U("1234"), U("12.50"), U("abc")};
    for (int c = 0; c < 5; ++c)
        Grid.SetCells(c, 1, row[c]);
    Grid.ColAttributes(2)->SetFormatter(&amounts);
    Job.FileName = Path(QStringLiteral("list.xlsx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToExcel(Job, progress), erDone);
    const TSheet sheet = ReadSheet(Job.FileName);
    struct Case {
        const char* ref;
        const char* value;
        const char* format;
    };
    const Case cases[] = {
        {"A5", "7", ""},
        {"B5", "8001011234", ""},
        {"C5", "1234", "#,##0\\ _л_в;[Red]-#,##0\\ _л_в"},
        {"D5", "12.5", "#,##0.00\\ _л_в;[Red]-#,##0.00\\ _л_в"},
        {"E5", "s:abc", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sheet.Values.value(U(c.ref)), U(c.value)) << c.ref;
        EXPECT_EQ(sheet.Formats.value(U(c.ref)), U(c.format)) << c.ref;
    }
}

// Started on a Bulgarian desktop, the program still writes every number of the sheet, widths
// included, with the point a spreadsheet program reads.
TEST_F(ExportTest, WorkbookReadsBackUnderABulgarianDesktop) {
    const TDesktopLocale desktop(QStringLiteral("bg_BG"));
    if (!desktop.Missing().isEmpty()) GTEST_SKIP() << desktop.Missing().toStdString();
    KeepNumbersInCLocale(); // as the program starts
    Grid.SetCells(2, 1, QStringLiteral("1234.56"));
    Job.FileName = Path(QStringLiteral("list.xlsx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToExcel(Job, progress), erDone);
    const pugi::xml_document sheet = Parse(ReadEntry(Job.FileName, "xl/worksheets/sheet1.xml"));
    QStringList numbers;
    for (const pugi::xpath_node& node : sheet.select_nodes("//sheetData/row/c/v | //cols/col/@width"))
        numbers.append(QString::fromUtf8(node.node() ? node.node().text().get() : node.attribute().value()));
    ASSERT_GT(numbers.size(), 10);
    EXPECT_TRUE(numbers.contains(QStringLiteral("1234.56")));
    for (const QString& number : numbers)
        EXPECT_FALSE(number.contains(u',')) << number.toStdString();
}

TEST_F(ExportTest, HiddenColumnsAreHiddenInTheWorkbook) {
    Grid.ColAttributes(1)->SetVisible(false);
    Grid.SetColWidths(3, 0);
    Job.FileName = Path(QStringLiteral("list.xlsx"));
    TCountingProgress progress;
    ASSERT_EQ(ExportToExcel(Job, progress), erDone);
    const TSheet sheet = ReadSheet(Job.FileName);
    EXPECT_EQ(sheet.HiddenColumns, QList<int>({2, 4}));
    // Hidden, not dropped: the operator can show them again.
    EXPECT_EQ(sheet.Values.value(QStringLiteral("B5")), U("s:Иван Петров"));
    EXPECT_EQ(sheet.Values.value(QStringLiteral("D5")), U("s:abc"));
}

TEST_F(ExportTest, AnEmptyDelimiterIsRefused) {
    Job.FileName = Path(QStringLiteral("list.txt"));
    TCountingProgress progress;
    EXPECT_EQ(ExportToText(Job, QString(), progress), erFailed);
    EXPECT_EQ(progress.Steps, 0);
    EXPECT_TRUE(Files().isEmpty());
}

namespace {

using TExporter = std::function<int(const TExportJob&, TExportProgress&)>;

const std::pair<const char*, TExporter> Exporters[] = {
    {"list.xlsx", [](const TExportJob& J, TExportProgress& P) { return ExportToExcel(J, P); }},
    {"list.docx", [](const TExportJob& J, TExportProgress& P) { return ExportToWord(J, P); }},
    {"list.txt",
     [](const TExportJob& J, TExportProgress& P) { return ExportToText(J, QStringLiteral(";"), P); }},
};

} // namespace

// A missing folder and a full disk: each export fails, leaves nothing behind and tells the operator
// in Bulgarian which file was not written and why.
TEST_F(ExportTest, AFailedExportSaysWhichFileAndWhyInBulgarian) {
    for (int r = 1; r < Grid.RowCount(); ++r)
        Grid.SetCells(3, r, QString(400, QLatin1Char('x')));
    const QString missingFolder = Path(QStringLiteral("no/such"));
    for (const auto& [name, exporter] : Exporters) {
        const QString extension = QFileInfo(QString::fromLatin1(name)).suffix();
        struct Case {
            QString file, reason;
            bool fullDisk;
        };
        const Case cases[] = {{missingFolder + QStringLiteral("/list.") + extension,
                               U("Папката \"") + missingFolder + U("\" не съществува."), false},
                              {Path(QStringLiteral("full.") + extension),
                               U("Файлът е по-голям, отколкото носителят позволява."), true}};
        for (const Case& c : cases) {
            Presenter.Clear();
            Job.FileName = c.file;
            TCountingProgress progress;
            int result = 0;
            {
                std::optional<TFileSizeLimit> full;
                if (c.fullDisk) full.emplace(200);
                result = exporter(Job, progress);
            }
            EXPECT_EQ(result, erFailed) << c.file.toStdString();
            ASSERT_EQ(Presenter.Messages().size(), 1) << c.file.toStdString();
            EXPECT_EQ(Presenter.Messages()[0].DlgType, mtError);
            // The whole text: nothing of a library's English is added.
            EXPECT_EQ(Presenter.Texts()[0], U("Файлът \"") + c.file + U("\" не е записан:\r") + c.reason);
        }
    }
    EXPECT_EQ(Files(), QStringList());
}

TEST_F(ExportTest, ATargetThatIsNoRegularFileIsRefused) {
    const QString fifo = Path(QStringLiteral("pipe"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString kept = Path(QStringLiteral("kept.txt"));
    QFile keptFile(kept);
    ASSERT_TRUE(keptFile.open(QIODevice::WriteOnly));
    keptFile.write("kept");
    keptFile.close();
    const QString link = Path(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(kept, link));
    const QString folder = Path(QStringLiteral("folder"));
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("folder")));
    for (const auto& [name, exporter] : Exporters) {
        for (const QString& target : {fifo, link, folder}) {
            Presenter.Clear();
            Job.FileName = target;
            TCountingProgress progress;
            EXPECT_EQ(exporter(Job, progress), erFailed) << name << " " << target.toStdString();
            EXPECT_EQ(Presenter.Messages().size(), 1) << name << " " << target.toStdString();
        }
        EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));
        EXPECT_TRUE(QFileInfo(link).isSymLink()) << name;
        EXPECT_TRUE(QFileInfo(folder).isDir()) << name;
        ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(keptFile.readAll(), QByteArray("kept")) << name;
        keptFile.close();
    }
    // Nothing was left beside them.
    EXPECT_EQ(
        QDir(Dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList({QStringLiteral("folder"), QStringLiteral("kept.txt"), QStringLiteral("link"),
                     QStringLiteral("pipe")}));
    struct stat info;
    ASSERT_EQ(lstat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST_F(ExportTest, AnExistingFileKeepsItsPermissions) {
    for (const auto& [name, exporter] : Exporters) {
        for (const QFile::Permissions permissions :
             {QFile::ReadOwner | QFile::WriteOwner, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                        QFile::WriteGroup | QFile::ReadOther}) {
            Job.FileName = Path(QString::fromLatin1(name));
            QFile old(Job.FileName);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.close();
            ASSERT_TRUE(old.setPermissions(permissions));
            TCountingProgress progress;
            ASSERT_EQ(exporter(Job, progress), erDone) << name;
            struct stat info;
            ASSERT_EQ(stat(QFile::encodeName(Job.FileName).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777,
                      permissions == (QFile::ReadOwner | QFile::WriteOwner) ? 0600u : 0664u)
                << name;
            EXPECT_GT(QFileInfo(Job.FileName).size(), 0) << name;
        }
    }
}

namespace {

// The wizard over the test grid, its opener recording what it would show.
class ExportWizardTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        // A home of the test's own, so that the user's documents are a known folder.
        ASSERT_TRUE(QDir(Dir.path()).mkpath(QStringLiteral("home/Documents")));
        qputenv("HOME", QFile::encodeName(Path(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path(QStringLiteral("home/.config"))));
        Previous = SetExportOpener([this](const QString& File) { Opened.append(File); });
        Wizard = new TfmExport(nullptr, &Grid, U("Приходни ордери"), U("за март"), U("Приходни ордери"));
    }
    void TearDown() override {
        delete Wizard;
        SetExportOpener(Previous);
        qputenv("HOME", SavedHome);
        qputenv("XDG_CONFIG_HOME", SavedConfig);
    }

    const QByteArray SavedHome = qgetenv("HOME");
    const QByteArray SavedConfig = qgetenv("XDG_CONFIG_HOME");
    TExportOpener Previous;
    QStringList Opened;
    TfmExport* Wizard = nullptr;
};

} // namespace

TEST_F(ExportWizardTest, StartsOnTheFirstPageWithExcelChosen) {
    EXPECT_EQ(Wizard->windowTitle(), U("Помощник за връзка с външни програми"));
    EXPECT_EQ(Wizard->Page(), 1);
    EXPECT_TRUE(Wizard->radioExcel->isChecked());
    EXPECT_FALSE(Wizard->actPrev->isEnabled());
    EXPECT_TRUE(Wizard->actNext->isEnabled());
    EXPECT_EQ(Wizard->editTitle->text(), U("Приходни ордери"));
    EXPECT_EQ(Wizard->editSubTitle->text(), U("за март"));
    // Not the program's own folder: the user's documents.
    EXPECT_EQ(Wizard->editFileName->text(), Path(U("home/Documents/Приходни ордери.xlsx")));
    EXPECT_EQ(Wizard->TitleFont.family(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(Wizard->TitleFont.pointSize(), 14);
    EXPECT_EQ(Wizard->TableFont.pointSize(), 8);

    // Each kind brings its extension and its program's name on the second page; only text
    // offers to open the file afterwards.
    struct Case {
        QRadioButton* radio;
        const char* extension;
        const char* program;
        bool offersToOpen;
    };
    const Case cases[] = {{Wizard->radioWord, ".docx", "MS Word", false},
                          {Wizard->radioWordpad, ".txt", "MS Wordpad", true},
                          {Wizard->radioWordpadDelim, ".txt", "MS Wordpad", true},
                          {Wizard->radioExcel, ".xlsx", "MS Excel", false}};
    Wizard->editDelim->setText(QStringLiteral(";"));
    Wizard->show();
    for (const Case& c : cases) {
        c.radio->click();
        EXPECT_TRUE(Wizard->editFileName->text().endsWith(U("Приходни ордери") + U(c.extension)));
        Wizard->btnNext->click();
        EXPECT_EQ(Wizard->Page(), 2);
        EXPECT_FALSE(Wizard->groupProgram->isVisible());
        EXPECT_TRUE(Wizard->labelInfo->text().contains(U("ще стартира ") + U(c.program) + U(",")));
        EXPECT_EQ(Wizard->checkLoadWordpad->isVisible(), c.offersToOpen) << c.program;
        EXPECT_TRUE(Wizard->actPrev->isEnabled());
        Wizard->btnPrev->click();
        EXPECT_EQ(Wizard->Page(), 1);
        EXPECT_TRUE(Wizard->groupProgram->isVisible());
    }
}

TEST_F(ExportWizardTest, ExportsWithTheEditedHeadingAndOpensTheResult) {
    struct Case {
        QRadioButton* radio;
        QString name;
        bool load;
        bool opened;
    };
    const Case cases[] = {
        {Wizard->radioExcel, QStringLiteral("out.xlsx"), false, true},
        {Wizard->radioWord, QStringLiteral("out.docx"), false, true},
        {Wizard->radioWordpad, QStringLiteral("out.txt"), false, false},
        {Wizard->radioWordpadDelim, QStringLiteral("out.txt"), true, true},
    };
    Wizard->show();
    Wizard->editTitle->setText(U("Касова книга"));
    Wizard->editDelim->setText(QStringLiteral("|"));
    for (const Case& c : cases) {
        Opened.clear();
        c.radio->click();
        Wizard->editFileName->setText(Path(c.name));
        Wizard->btnNext->click();
        Wizard->checkLoadWordpad->setChecked(c.load);
        Wizard->btnNext->click();
        EXPECT_EQ(Wizard->Page(), 3);
        EXPECT_EQ(Wizard->LastResult(), erDone);
        EXPECT_EQ(Wizard->labelInfo->text(),
                  U("  Данните са прехвърлени успешно във файла\n  \"") + Path(c.name) + U("\"."));
        EXPECT_TRUE(Wizard->actPrev->isEnabled());
        EXPECT_FALSE(Wizard->actNext->isEnabled());
        EXPECT_FALSE(Wizard->ProgressBar->isVisible());
        EXPECT_EQ(Opened, c.opened ? QStringList{Path(c.name)} : QStringList()) << c.name.toStdString();
        Wizard->btnPrev->click();
        Wizard->btnPrev->click();
    }
    EXPECT_TRUE(QString::fromUtf8(ReadEntry(Path(QStringLiteral("out.xlsx")), "xl/sharedStrings.xml"))
                    .contains(U("Касова книга")));
    QFile text(Path(QStringLiteral("out.txt")));
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_TRUE(text.readLine().startsWith(U("Номер|Клиент|").toUtf8()));
}

TEST_F(ExportWizardTest, CancelDuringTheExportStopsItAndTheWizardStaysOpen) {
    Wizard->show();
    Wizard->editFileName->setText(Path(QStringLiteral("out.xlsx")));
    Wizard->btnNext->click();
    bool visibleAfterClose = false;
    // The export lets the message loop run as it starts; the operator presses Cancel and tries
    // to close the window meanwhile.
    QTimer::singleShot(0, Wizard, [&] {
        Wizard->close();
        visibleAfterClose = Wizard->isVisible();
        Wizard->btnCancel->click();
    });
    Wizard->btnNext->click();
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(Wizard->LastResult(), erCancelled);
    EXPECT_EQ(Wizard->labelInfo->text(), U("  Прехвърлянето на данните е прекъснато от потребителя!"));
    EXPECT_TRUE(Files().isEmpty());
    EXPECT_TRUE(Opened.isEmpty());
    // Not running any more, Cancel closes the wizard.
    Wizard->btnCancel->click();
    EXPECT_FALSE(Wizard->isVisible());
}

TEST_F(ExportWizardTest, AnEmptyDelimiterKeepsTheWizardOnTheFirstPage) {
    Wizard->show();
    Wizard->radioWordpadDelim->click();
    Wizard->editFileName->setText(Path(QStringLiteral("out.txt")));
    for (const QString& delimiter : {QString(), QStringLiteral(";")}) {
        Presenter.Clear();
        Wizard->editDelim->setText(delimiter);
        Wizard->btnNext->click();
        if (delimiter.isEmpty()) {
            EXPECT_EQ(Wizard->Page(), 1);
            EXPECT_EQ(Presenter.Texts(), QStringList{U("Въведете символ за разделител!")});
        } else {
            EXPECT_EQ(Wizard->Page(), 2);
            EXPECT_TRUE(Presenter.Messages().isEmpty());
        }
    }
    // A tab needs no delimiter of its own.
    Wizard->btnPrev->click();
    Wizard->editDelim->clear();
    Wizard->radioWordpad->click();
    Wizard->btnNext->click();
    EXPECT_EQ(Wizard->Page(), 2);
}

// The next export is proposed in the folder the last one went to; without one, in the user's
// documents, or the home folder when there are none. A failed export names its file on the page.
TEST_F(ExportWizardTest, TheFolderProposedIsTheLastOneUsedOrTheDocuments) {
    Wizard->show();
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("reports")));
    Wizard->editFileName->setText(Path(QStringLiteral("reports/out.xlsx")));
    Wizard->btnNext->click();
    Wizard->btnNext->click();
    ASSERT_EQ(Wizard->LastResult(), erDone);
    // A failure keeps the folder proposed before it.
    Wizard->editFileName->setText(Path(QStringLiteral("gone/out.xlsx")));
    Wizard->btnPrev->click();
    Wizard->btnNext->click();
    ASSERT_EQ(Wizard->LastResult(), erFailed);
    EXPECT_EQ(Wizard->labelInfo->text(), U("  Данните не са прехвърлени успешно!\n  Файлът \"") +
                                             Path(QStringLiteral("gone/out.xlsx")) + U("\" не е записан."));
    auto proposed = [this] {
        return TfmExport(nullptr, &Grid, U("Каса"), {}, U("Каса")).editFileName->text();
    };
    EXPECT_EQ(proposed(), Path(U("reports/Каса.xlsx")));
    // A last folder that is gone gives way to the documents, and those to the home folder.
    ASSERT_TRUE(QDir(Path(QStringLiteral("reports"))).removeRecursively());
    EXPECT_EQ(proposed(), Path(U("home/Documents/Каса.xlsx")));
    ASSERT_TRUE(QDir(Path(QStringLiteral("home/Documents"))).removeRecursively());
    EXPECT_EQ(proposed(), Path(U("home/Каса.xlsx")));
}

// A long list is better off in a workbook: past 5,000 rows the Word page says so, at 5,000 it
// does not, and the workbook is never discouraged.
TEST_F(ExportWizardTest, AListOfManyThousandRowsIsSteeredToTheWorkbook) {
    const QString advice = U("по-подходяща е работната книга (MS Excel)");
    Wizard->show();
    for (const int rows : {5000, 5001}) {
        Grid.SetRowCount(Grid.FixedRows() + rows);
        for (QRadioButton* radio : {Wizard->radioWord, Wizard->radioExcel}) {
            radio->click();
            Wizard->btnNext->click();
            const QString info = Wizard->labelInfo->text();
            EXPECT_EQ(info.contains(advice), rows > 5000 && radio == Wizard->radioWord)
                << rows << " " << info.toStdString();
            if (info.contains(advice)) {
                EXPECT_TRUE(info.contains(U("5 001 реда"))) << info.toStdString();
            }
            Wizard->btnPrev->click();
        }
    }
}
