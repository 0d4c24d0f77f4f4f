#include "framework/printing/PagePrinter.h"

#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"

#include <QFile>
#include <QFontMetrics>
#include <QImage>
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
