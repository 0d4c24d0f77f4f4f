#include "framework/printing/ReportLayout.h"

#include "core/unRegistry.h"
#include "core/unitTypes.h"
#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintDialogs.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempRegistry.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TReportLayout TwoLabels() {
    TReportLayout layout;
    layout.Title = QStringLiteral("Проба");
    TReportLabel top;
    top.Name = QStringLiteral("QRLabel1");
    top.Caption = QStringLiteral("ГОРЕ %s");
    top.RectMm = QRectF(20, 20, 170, 8);
    layout.AddLabel(top);
    TReportLabel bottom = top;
    bottom.Name = QStringLiteral("QRLabel2");
    bottom.Caption = QStringLiteral("ДОЛУ");
    bottom.RectMm = QRectF(20, 250, 170, 8);
    layout.AddLabel(bottom);
    return layout;
}

} // namespace

TEST(ReportLayout, CaptionsAreReadAndSetByNameOnly) {
    TReportLayout layout = TwoLabels();
    layout.SetCaption(QStringLiteral("QRLabel1"), QStringLiteral("нов"));
    EXPECT_EQ(layout.Caption(QStringLiteral("QRLabel1")), QStringLiteral("нов"));
    EXPECT_EQ(layout.Caption(QStringLiteral("QRLabel9")), QString());
    EXPECT_THROW(layout.SetCaption(QStringLiteral("QRLabel9"), QStringLiteral("x")), Exception);
}

TEST(ReportLayout, PrintsOnePageWithTheLabelsTopToBottom) {
    TPdfPrinterScope pdf;
    QPrinter* printer = TPrinterProvider::Instance().Printer();
    ASSERT_NE(printer, nullptr);
    TPrinterProvider::Instance().PrepareJob(QStringLiteral("Проба"));
    ASSERT_TRUE(TwoLabels().Print(*printer));
    EXPECT_EQ(PdfPageCount(pdf.FileName()), 1);
    const QString text = PdfPageText(pdf.FileName(), 1);
    const auto top = text.indexOf(QStringLiteral("ГОРЕ %s"));
    ASSERT_GE(top, 0);
    EXPECT_GT(text.indexOf(QStringLiteral("ДОЛУ")), top);
}

class TfmPrintTest : public ::testing::Test {
protected:
    TTempRegistry Registry;
    TPdfPrinterScope Pdf;
    TReportLayout Layout = TwoLabels();
};

TEST_F(TfmPrintTest, CaptionCarriesThePrefixedTitle) {
    TfmPrint form(Layout, TPrinterProvider::Instance().Printer());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Печат - Лендора - Проба"));
}

TEST_F(TfmPrintTest, ZoomBoxSetsTheZoomAndStatusPanels) {
    TfmPrint form(Layout, TPrinterProvider::Instance().Printer());
    form.resize(800, 600);
    form.show();
    form.PreparePages();
    EXPECT_EQ(form.cbZoom->currentText(), QStringLiteral("Ширина"));
    EXPECT_EQ(form.Panels[2]->text(), QStringLiteral("Стр.: 1 / 1"));
    const struct {
        int Item;
        QString Status;
    } cases[] = {{0, QStringLiteral("Увеличение: 100%")},
                 {3, QStringLiteral("Увеличение: 75%")},
                 {9, QStringLiteral("Увеличение: 10%")}};
    for (const auto& c : cases) {
        form.SetZoomItem(c.Item);
        EXPECT_EQ(form.Panels[1]->text(), c.Status) << c.Item;
    }
    // The fitted zooms report the factor they came to, which depends on the window's size.
    form.SetZoomItem(10);
    const QString wholePage = form.Panels[1]->text();
    form.SetZoomItem(11);
    EXPECT_NE(form.Panels[1]->text(), wholePage);
    EXPECT_TRUE(form.Panels[1]->text().startsWith(QStringLiteral("Увеличение: ")));
}

TEST_F(TfmPrintTest, PageActionsStayWithinTheOnePage) {
    TfmPrint form(Layout, TPrinterProvider::Instance().Printer());
    form.show();
    form.PreparePages();
    form.NextPage();
    form.LastPage();
    form.PrevPage();
    form.FirstPage();
    EXPECT_EQ(form.Preview->currentPage(), 1);
    EXPECT_EQ(form.Panels[2]->text(), QStringLiteral("Стр.: 1 / 1"));
}

TEST_F(TfmPrintTest, PrintAsksThePrinterThenPrintsAndRunsTheHandler) {
    TPrinterProvider::Instance().PrepareJob(Layout.Title);
    TfmPrint form(Layout, TPrinterProvider::Instance().Printer());
    form.PreparePages();
    int asked = 0;
    int after = 0;
    bool enabledDuring = true;
    form.AskPrinter = [&](TPrintRequest& Request) {
        Request.Copies = 2;
        return ++asked > 1;
    };
    form.AfterPrint = [&] {
        ++after;
        enabledDuring = form.acPrint->isEnabled() || form.acExit->isEnabled();
    };
    form.PrintReport(); // cancelled
    EXPECT_FALSE(form.Printed);
    EXPECT_EQ(PdfPageCount(Pdf.FileName()), -1);
    form.PrintReport();
    EXPECT_TRUE(form.Printed);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(enabledDuring);
    EXPECT_TRUE(form.acPrint->isEnabled());
    EXPECT_EQ(PdfPageCount(Pdf.FileName()), 2);
    EXPECT_TRUE(PdfPageText(Pdf.FileName(), 2).contains(QStringLiteral("ДОЛУ")));
}

TEST_F(TfmPrintTest, InitialFolderIsKeptUnchanged) {
    WriteRegString(QStringLiteral("QRP_Files_InitDir"), QStringLiteral("/tmp/отчети"));
    { TfmPrint form(Layout, nullptr); }
    EXPECT_EQ(ReadRegString(QStringLiteral("QRP_Files_InitDir")), QStringLiteral("/tmp/отчети"));
}

TEST(TfmPrintFailures, AGoneQueueOrAFailedJobIsReportedNotPrinted) {
    TPrivateCups cups({"Laser"}, "Laser");
    if (!cups.Running()) GTEST_SKIP() << "cupsd is not installed";
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TPrinterProvider& provider = TPrinterProvider::Instance();
    provider.SetOfferPdf(true);
    const auto restore = qScopeGuard([&] {
        provider.SetOfferPdf(false);
        provider.SetPdfFileName(QString());
        provider.Reset();
    });
    struct Case {
        QString Printer;
        QStringList Messages;
    };
    const QList<Case> cases = {
        {"Laser", {QStringLiteral("Принтерът \"Laser\" не е наличен!")}},
        {PdfPrinterName,
         {QStringLiteral("Печатът не успя!\rФайлът \"%1\" не е записан:\rПапката не съществува.")
              .arg(dir.filePath("file/job.pdf"))}},
    };
    for (const Case& c : cases) {
        TScriptedPresenter presenter;
        provider.SetPrinterIndex(int(provider.Names().indexOf(c.Printer)));
        provider.SetPdfFileName(dir.filePath("file/job.pdf"));
        TReportLayout layout = TwoLabels();
        const std::shared_ptr<QPrinter> printer = provider.SharedPrinter();
        ASSERT_EQ(TPrinterProvider::NameOf(*printer), c.Printer);
        provider.PrepareJob(layout.Title);
        TfmPrint form(layout, printer.get());
        form.AskPrinter = [](TPrintRequest&) { return true; };
        form.PreparePages();
        if (c.Printer == "Laser") cups.RemoveQueue("Laser");
        form.PrintReport();
        EXPECT_FALSE(form.Printed) << c.Printer.toStdString();
        EXPECT_EQ(presenter.Texts(), c.Messages);
    }
    EXPECT_TRUE(cups.Jobs().isEmpty());
}
