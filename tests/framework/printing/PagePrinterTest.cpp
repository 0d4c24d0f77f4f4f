#include "framework/printing/PagePrinter.h"

#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"

#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Records Count pages, each carrying the marker "PAGE<n>".
void RecordMarkedPages(TPagePrinter& Printer, int Count) {
    Printer.BeginDoc();
    for (int n = 1; n <= Count; ++n) {
        if (n > 1) Printer.NewPage();
        Printer.WriteLine(QStringLiteral("PAGE%1").arg(n));
    }
    Printer.EndDoc();
}

// The markers of the printed pages, in print order.
QStringList PrintedMarkers(const QString& File) {
    QStringList markers;
    for (const QString& page : PdfPageTexts(File))
        markers << page.trimmed();
    return markers;
}

} // namespace

TEST(PagePrinter, CopiesAndCollationGiveThePageOrder) {
    struct Case {
        int Copies;
        bool Collate;
        int From;
        int To;
        QStringList Order;
    };
    const QList<Case> cases = {
        {2, true, 0, 0, {"PAGE1", "PAGE2", "PAGE3", "PAGE1", "PAGE2", "PAGE3"}},
        {2, false, 0, 0, {"PAGE1", "PAGE1", "PAGE2", "PAGE2", "PAGE3", "PAGE3"}},
        {1, true, 2, 9, {"PAGE2", "PAGE3"}},
        {1, true, 0, 0, {"PAGE1", "PAGE2", "PAGE3"}},
        {3, false, 3, 3, {"PAGE3", "PAGE3", "PAGE3"}},
    };
    for (const Case& c : cases) {
        TPdfPrinterScope pdf;
        TPagePrinter printer;
        printer.SetShowProgress(false);
        RecordMarkedPages(printer, 3);
        printer.SetCopies(c.Copies);
        printer.SetCollate(c.Collate);
        printer.SetFromPage(c.From);
        printer.SetToPage(c.To);
        ASSERT_TRUE(printer.Print());
        // One sheet per printed page: the page breaks are one fewer than the pages.
        EXPECT_EQ(PdfPageCount(pdf.FileName()), c.Order.size());
        EXPECT_EQ(PrintedMarkers(pdf.FileName()), c.Order) << c.Copies << c.Collate << c.From << c.To;
    }
}

TEST(PagePrinter, DrawnPagesAreDrawnOnlyWhenShownOrPrinted) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetShowProgress(false);
    RecordMarkedPages(printer, 2);
    QList<int> drawn;
    printer.SetDrawnPages(10000, [&drawn](QPainter& Canvas, int Number) {
        drawn << Number;
        Canvas.drawText(100, 100, QStringLiteral("PAGE%1").arg(Number));
    });
    EXPECT_EQ(printer.PageCount(), 10000);
    EXPECT_EQ(printer.PageNumber(), 1);
    // Showing pages draws them once each, however often they are painted.
    printer.resize(400, 600);
    for (const int page : {1, 5000, 1, 5000}) {
        printer.SetPageNumber(page);
        printer.widget()->grab();
    }
    EXPECT_EQ(drawn, (QList<int>{1, 5000}));
    drawn.clear();
    printer.SetCopies(2);
    printer.SetFromPage(9999);
    printer.SetToPage(10000);
    ASSERT_TRUE(printer.Print());
    EXPECT_EQ(PrintedMarkers(pdf.FileName()),
              (QStringList{"PAGE9999", "PAGE10000", "PAGE9999", "PAGE10000"}));
    EXPECT_EQ(drawn.size(), 4);
    // A recorded document takes the drawn one's place.
    RecordMarkedPages(printer, 3);
    EXPECT_EQ(printer.PageCount(), 3);
}

TEST(PagePrinter, PageRangeLimitsFollowEachOther) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetFromPage(3);
    printer.SetToPage(2);
    EXPECT_EQ(printer.FromPage(), 2);
    printer.SetFromPage(5);
    EXPECT_EQ(printer.ToPage(), 5);
    EXPECT_EQ(printer.Copies(), 1);
    printer.SetCopies(0);
    EXPECT_EQ(printer.Copies(), 1);
}

TEST(PagePrinter, ShowingAPageOutsideTheDocumentIsRefused) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetPageNumber(7); // no pages yet: nothing shown, nothing raised
    RecordMarkedPages(printer, 3);
    for (const int n : {0, 4}) {
        try {
            printer.SetPageNumber(n);
            ADD_FAILURE() << n;
        } catch (const EPagePrinter& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("PageNumber must be between 1 and 3"));
        }
    }
    printer.SetPageNumber(3);
    EXPECT_EQ(printer.PageNumber(), 3);
}

TEST(PagePrinter, LayoutCannotChangeWhileRecording) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.BeginDoc();
    const QList<std::pair<std::function<void()>, QString>> changes = {
        {[&] { printer.SetMarginTop(1); }, "Unable to change top margin while printing"},
        {[&] { printer.SetMarginRight(1); }, "Unable to change right margin while printing"},
        {[&] { printer.SetOrientation(1); }, "Unable to change orientation while printing"},
        {[&] { printer.SetPrintToFile(true); }, "Can't change PrintToFile while printing"},
        {[&] { printer.SetFileName("x"); }, "Can't change FileName while printing"},
    };
    for (const auto& [change, text] : changes) {
        try {
            change();
            ADD_FAILURE() << text.toStdString();
        } catch (const EPagePrinter& e) {
            EXPECT_EQ(e.Message(), text);
        }
    }
    printer.EndDoc();
    EXPECT_NO_THROW(printer.SetMarginTop(1));
}

TEST(PagePrinter, ALineFillingThePageStartsTheNextPageBeforeTheNextLine) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetMeasureUnit(muMillimeters);
    // A font whose lines fill the printable height exactly.
    const int height = printer.PrintableRect().height();
    QFont font = printer.PageFont();
    font.setPixelSize(height / 10);
    printer.SetPageFont(font);
    printer.SetMarginBottom(printer.MarginBottom() +
                            (height % 10) * 25.4 / printer.Caps().DpiY); // drop the rest
    ASSERT_EQ(printer.PrintableRect().height() % printer.LineHeight(), 0);
    printer.BeginDoc();
    for (int i = 0; i < 9; ++i)
        printer.WriteLine(QStringLiteral("x"));
    printer.Write(QStringLiteral("last"));
    EXPECT_EQ(printer.PageCount(), 1);
    printer.NewLine();
    EXPECT_EQ(printer.PageCount(), 2);
    EXPECT_EQ(printer.TextCursor(), QPoint(0, 0));
    printer.EndDoc();
}

TEST(PagePrinter, LongTextIsWrappedAtBlanksOrCut) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    const int width = printer.PrintableRect().width();
    const QFontMetrics metrics(printer.PageFont());
    const int perLine = width / metrics.horizontalAdvance(QLatin1Char('w'));
    const QString word = QString(perLine / 3, QLatin1Char('w'));
    const QString text = QStringList{word, word, word, word, word}.join(QLatin1Char(' '));

    printer.BeginDoc();
    printer.Write(text);
    EXPECT_EQ(printer.TextCursor().y(), printer.LineHeight()); // one wrap
    printer.EndDoc();

    printer.SetWordWrap(false);
    printer.BeginDoc();
    printer.Write(text);
    EXPECT_EQ(printer.TextCursor().y(), 0);
    EXPECT_LE(printer.TextCursor().x(), width);
    printer.EndDoc();
}

TEST(PagePrinter, TextToAFileEndsLinesAndPages) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    const QString file = pdf.Dir() + "/out.txt";
    printer.SetFileName(file);
    printer.SetPrintToFile(true);
    printer.BeginDoc();
    printer.WriteLine(QStringLiteral("a\tb"));
    printer.NewPage();
    printer.Write(QStringLiteral("c"));
    printer.EndDoc();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("a       b\r\n\f\r\nc"));
    EXPECT_EQ(printer.PageCount(), 0);
}

TEST(PagePrinter, OrientationKeepsTheMarginsFromTheEdges) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetMeasureUnit(muMillimeters);
    printer.SetMarginLeft(printer.GutterLeft() + 5);
    printer.SetMarginTop(printer.GutterTop() + 7);
    const double width = printer.PageWidth();
    printer.SetOrientation(1);
    EXPECT_EQ(printer.Orientation(), 1);
    EXPECT_NEAR(printer.PageHeight(), width, 0.5);
    EXPECT_NEAR(printer.MarginLeft() - printer.GutterLeft(), 5, 1e-9);
    EXPECT_NEAR(printer.MarginTop() - printer.GutterTop(), 7, 1e-9);
    EXPECT_EQ(printer.UnitsToPixelsX(25.4), printer.Caps().DpiX);
}

TEST(PagePrinter, CancelInTheProgressDialogStopsPrinting) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    RecordMarkedPages(printer, 3);
    // The dialog appears with the first page; its cancel button is pressed while the next
    // page lets the events run.
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (printer.ProgressDialog()) printer.ProgressDialog()->btnCancel->click();
    });
    press.start(0);
    EXPECT_THROW(printer.Print(), ECancelPrinting);
    EXPECT_EQ(printer.ProgressDialog(), nullptr);
}

TEST(PagePrinter, ReplayedPagesMatchDirectDrawing) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetShowProgress(false);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(50);
    printer.BeginDoc();
    printer.Canvas()->setFont(font);
    printer.Canvas()->drawText(QRect(300, 300, 1500, 200), Qt::AlignLeft, QStringLiteral("Replayed"));
    printer.EndDoc();
    ASSERT_TRUE(printer.Print());
    const QStringList replayed = PdfWordBoxes(pdf.FileName());

    QPrinter* device = printer.Printer();
    QPainter painter(device);
    painter.setFont(font);
    painter.drawText(QRect(300, 300, 1500, 200), Qt::AlignLeft, QStringLiteral("Replayed"));
    painter.end();
    const QStringList direct = PdfWordBoxes(pdf.FileName());
    ASSERT_EQ(replayed.size(), 1);
    ASSERT_EQ(direct.size(), 1);
    EXPECT_TRUE(replayed[0].contains(QStringLiteral("Replayed")));
    // Within half a printer pixel.
    const QRegularExpression number(QStringLiteral("\"([0-9.]+)\""));
    auto numbers = [&](const QString& Box) {
        QList<double> values;
        for (auto it = number.globalMatch(Box); it.hasNext();)
            values << it.next().captured(1).toDouble();
        return values;
    };
    const QList<double> a = numbers(replayed[0]), b = numbers(direct[0]);
    ASSERT_EQ(a.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(a[i], b[i], 72.0 / 300 / 2 + 1e-6) << i;
}

TEST(PagePrinter, PagesReplayInTheirOwnColoursWhateverThePainterHeld) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.BeginDoc();
    printer.Canvas()->setPen(Qt::black); // what a new painter has: a picture leaves it out
    printer.Canvas()->fillRect(QRect(0, 0, 200, 200), Qt::white);
    printer.Canvas()->drawLine(0, 100, 200, 100);
    printer.EndDoc();
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(Qt::red);
    printer.DrawPage(painter, 1, image.logicalDpiX(), image.logicalDpiY());
    painter.end();
    bool red = false, dark = false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red = red || (c.red() > 200 && c.green() < 100);
            dark = dark || (c.red() < 100 && c.green() < 100);
        }
    EXPECT_FALSE(red);
    EXPECT_TRUE(dark);
}

namespace {

const QDateTime Noon(QDate(2024, 3, 5), QTime(12, 4, 9));

} // namespace

TEST(PagePrinter, ColumnLayoutsReadAlignmentWidthAndLines) {
    struct Case {
        QString Format;
        QList<TColumnFormat> Columns;
    };
    const QList<Case> cases = {
        {"<20|^30.5|>-10||x",
         {{Qt::AlignLeft, 20, true},
          {Qt::AlignHCenter, 30.5, true},
          {Qt::AlignRight, 10, false},
          {Qt::AlignLeft, 15, true},
          {Qt::AlignLeft, 15, true}}},
        {"7", {{Qt::AlignLeft, 7, true}}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const QList<TColumnFormat> columns = ParseColumnFormats(c.Format, '|', 15);
        ASSERT_EQ(columns.size(), c.Columns.size()) << c.Format.toStdString();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            EXPECT_EQ(columns[i].Align, c.Columns[i].Align) << c.Format.toStdString() << i;
            EXPECT_EQ(columns[i].Width, c.Columns[i].Width) << c.Format.toStdString() << i;
            EXPECT_EQ(columns[i].Lines, c.Columns[i].Lines) << c.Format.toStdString() << i;
        }
    }
    EXPECT_EQ(ScaleColumnFormats("<1;>-2;^0.5", ';', 25.4), "<25.4;>-50.8;^12.7");
}

TEST(PagePrinter, TokensAndFriendlyCodesBecomeTexts) {
    EXPECT_EQ(ReplacePageTokens("{$PAGE}/{$TITLE}/{$DATE}/{$TIME}/{$LINE}/{$X}", 3, "Отчет", 17, Noon),
              "3/Отчет/05.03.2024/12:04:09/17/{$X}");
    struct Case {
        QString Friendly;
        QString Text;
        QString Format;
    };
    const QList<Case> cases = {
        {"&lЛяво&cСтр. &p&rФайл &f && &i", "Ляво;Стр. {$PAGE};Файл отчет.txt & {$TITLE}", "<60;^60;>60"},
        {"Само текст", "Само текст", "<180"},
        {"Преди&rСлед", "Преди;След", "<90;>90"},
        {"&c&d &T|&D &t &F", "{$DATE} {$TIME}|5 март 2024 г. 12:04 /tmp/отчет.txt", "^180"},
        {"&x&", "&x&", "<180"},
    };
    for (const Case& c : cases) {
        const TFriendlyText text = ParseFriendlyText(c.Friendly, ';', 180, "/tmp/отчет.txt", Noon);
        EXPECT_EQ(text.Text, c.Text) << c.Friendly.toStdString();
        EXPECT_EQ(text.Format, c.Format) << c.Friendly.toStdString();
    }
}

TEST(PagePrinter, HeadersFootersAndTableLinesOnPrintedPages) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetShowProgress(false);
    printer.SetMeasureUnit(muMillimeters);
    printer.Now = [] { return Noon; };
    printer.SetTitle("Отчет");
    printer.SetFriendlyHeader("&lЛяво&cЗаглавие: &i&rСтр. &p");
    QFont big(QStringLiteral("Liberation Sans"));
    big.setPointSize(20);
    printer.SetHeaderFont(big);
    printer.SetFooter("Редове {$LINE}|{$DATE}");
    printer.SetFooterFormat("<60|>0");
    printer.SetTableFormat("<30|>20|^-25");
    printer.SetTableGrid(true);
    printer.BeginDoc();
    for (int i = 1; i <= 120; ++i)
        printer.WriteTableLine(QStringLiteral("ред%1|%2|ц").arg(i).arg(i * 10));
    printer.EndDoc();
    ASSERT_GE(printer.PageCount(), 2);
    ASSERT_TRUE(printer.Print());
    const QList<TPdfWord> words = PdfWords(pdf.FileName());
    const double mm = 72 / 25.4;
    const double left = printer.MarginLeft() * mm;
    for (int page = 1; page <= printer.PageCount(); ++page) {
        QMap<QString, QRectF> box;
        double tableTop = 1e9, tableBottom = 0;
        for (const TPdfWord& w : words) {
            if (w.Page != page) continue;
            box.insert(w.Text, w.Box);
            if (w.Text.startsWith("ред")) {
                tableTop = std::min(tableTop, w.Box.top());
                tableBottom = std::max(tableBottom, w.Box.bottom());
                // The second column is right-aligned at 50 mm from the margin.
                EXPECT_NEAR(w.Box.left(), left, 2 * mm) << w.Text.toStdString();
            }
        }
        ASSERT_TRUE(box.contains("Ляво")) << page;
        EXPECT_TRUE(box.contains("Отчет")) << page;
        ASSERT_TRUE(box.contains(QString::number(page))) << page;
        ASSERT_TRUE(box.contains("05.03.2024")) << page;
        EXPECT_LT(box["Ляво"].bottom(), tableTop) << page;
        EXPECT_GT(box["05.03.2024"].top(), tableBottom) << page;
        // The header's own font: twice the page font.
        EXPECT_GT(box["Ляво"].height(), 1.5 * box["Редове"].height()) << page;
        EXPECT_NEAR(box["05.03.2024"].right(), (printer.PageWidth() - printer.MarginRight()) * mm, 2 * mm);
    }
    for (const TPdfWord& w : words)
        if (w.Text == "10") EXPECT_NEAR(w.Box.right(), left + 50 * mm, 2 * mm);
}

TEST(PagePrinter, BordersAndCellLinesAreDrawnWhereAsked) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetMeasureUnit(muMillimeters);
    printer.SetMarginLeft(30);
    printer.SetMarginTop(30);
    printer.SetPageBorders(pbTop | pbLeft);
    printer.SetPageBorderOffset(10);
    printer.SetTableFormat("<40|-40");
    printer.SetTableGrid(true);
    printer.BeginDoc();
    printer.WriteTableLine("a|b");
    printer.EndDoc();
    // The page at one pixel per millimetre of the sheet.
    const TDeviceCaps& caps = printer.Caps();
    QImage image(210, 297, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(25.4 / caps.DpiX, 25.4 / caps.DpiY);
    painter.translate(caps.Offset);
    printer.DrawPage(painter, 1, image.logicalDpiX(), image.logicalDpiY());
    painter.end();
    // A line of 2 printer pixels greys the millimetre it crosses.
    auto dark = [&](int X, int Y) {
        int least = 255;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                least = std::min(least, qGray(image.pixel(X + dx, Y + dy)));
        return least < 250;
    };
    struct Case {
        int X, Y;
        bool Dark;
    };
    const QList<Case> cases = {
        {100, 20, true},   // the top border, 10 mm above the margin
        {20, 100, true},   // the left border
        {190, 100, false}, // no right border
        {100, 287, false}, // no bottom border
        {50, 30, true},    // the first cell's top line
        {85, 30, false},   // the second cell has none
    };
    for (const Case& c : cases)
        EXPECT_EQ(dark(c.X, c.Y), c.Dark) << c.X << "," << c.Y;
}

TEST(PagePrinter, UnitsConvertWidthsOffsetsAndLayouts) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.SetDefaultColWidth(1);
    printer.SetPageBorderOffset(0.5);
    printer.SetTableFormat("<1|>-2");
    printer.SetFriendlyHeader("&lА&rБ");
    const double inches = printer.PrintableWidth();
    printer.SetMeasureUnit(muMillimeters);
    EXPECT_DOUBLE_EQ(printer.DefaultColWidth(), 25.4);
    EXPECT_DOUBLE_EQ(printer.PageBorderOffset(), 12.7);
    EXPECT_EQ(printer.TableFormat(), "<25.4|>-50.8");
    const QList<TColumnFormat> header = ParseColumnFormats(printer.HeaderFormat(), '|', 0);
    ASSERT_EQ(header.size(), 2);
    EXPECT_NEAR(header[1].Width, inches * 25.4 / 2, 1e-4);
}

TEST(PagePrinter, LinesPrintAsAWholeAndTablesPadInAFile) {
    TPdfPrinterScope pdf;
    {
        TPagePrinter printer;
        printer.SetShowProgress(false);
        printer.SetTableFormat("<2|>2");
        printer.SetLines({"първи ред", "ляво|дясно"});
        ASSERT_TRUE(printer.Print());
        const QString text = PdfPageText(pdf.FileName());
        EXPECT_TRUE(text.contains("първи ред"));
        EXPECT_TRUE(text.contains("дясно"));
    }
    TPagePrinter printer;
    const QString file = pdf.Dir() + "/table.txt";
    printer.SetFileName(file);
    printer.SetPrintToFile(true);
    printer.SetTableFormat("<0.5|>0.5|^0.5");
    printer.SetLines({"a|b|c"});
    ASSERT_TRUE(printer.Print());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(f.readAll()).chopped(2);
    const qsizetype n = line.size() / 3;
    ASSERT_GT(n, 2);
    EXPECT_EQ(line, QString("a").leftJustified(n) + QString("b").rightJustified(n) +
                        (QString((n - 1) / 2, ' ') + "c").leftJustified(n));
}

TEST(PagePrinter, ThePreviewPaintsItsBackgroundAndShadowAsSet) {
    TPdfPrinterScope pdf;
    TPagePrinter printer;
    printer.resize(400, 600);
    printer.SetZoomPercent(10);
    printer.SetShadowColor(QColor(200, 0, 0));
    for (const bool gradient : {true, false}) {
        printer.SetGradientBackground(gradient);
        const QImage image = printer.widget()->grab().toImage();
        const int last = image.height() - 1;
        // The background beside the page, top and foot; the shadow below the page's corner.
        EXPECT_EQ(image.pixel(image.width() - 1, 0) != image.pixel(image.width() - 1, last), gradient);
        EXPECT_EQ(QColor(image.pixel(image.width() - 3, last - 2)), QColor(200, 0, 0)) << gradient;
    }
}
