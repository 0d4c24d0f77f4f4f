#include "Components/Grids/RichGrid.h"
#include "core/unRegistry.h"
#include "framework/printing/GridPreview.h"
#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintDialogs.h"
#include "framework/printing/ReportLayout.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PdfPrinter.h"
#include "tests/support/PdfTools.h"
#include "tests/support/PopupUtils.h"
#include "tests/support/PrivateCups.h"
#include "tests/support/ScriptedPresenter.h"
#include "tests/support/TempRegistry.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

#define REQUIRE_SCHEDULER(cups)                                                                              \
    if (!(cups).Running()) GTEST_SKIP() << "cupsd is not installed"

std::unique_ptr<TRichGrid> SmallGrid() {
    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(2);
    grid->SetRowCount(3);
    grid->SetFixedRows(1);
    grid->SetFixedCols(0);
    grid->SetRows(0, {"Име", "Сума"});
    grid->SetRows(1, {"Ред 1", "10"});
    grid->SetRows(2, {"Ред 2", "20"});
    return grid;
}

void RecordOnePage(TPagePrinter& Printer) {
    Printer.SetShowProgress(false);
    Printer.BeginDoc();
    Printer.WriteLine(QStringLiteral("страница"));
    Printer.EndDoc();
}

} // namespace

TEST(Printers, AQueueThatLeavesDuringThePreviewIsReportedInsteadOfCrashing) {
    // Graphic pages and raw text lines for dot-matrix printers.
    for (const QString laser : {"1", "0"}) {
        TPrivateCups cups({"Laser", "Other"}, "Laser");
        REQUIRE_SCHEDULER(cups);
        WriteRegString("Print_Laser", laser);
        const auto restore = qScopeGuard([] { WriteRegString("Print_Laser", ""); });
        TScriptedPresenter presenter;
        auto grid = SmallGrid();
        TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
        ASSERT_EQ(preview.TextMode, laser == "0");
        ASSERT_EQ(TPrinterProvider::Instance().PrinterName(), "Laser");
        cups.RemoveQueue("Laser");
        // The status bar asks for the printer again: the provider finds "Laser" gone.
        preview.Rebuild(1);
        preview.Rebuild(0);
        EXPECT_GE(preview.PagePrinter->PageCount(), 1);
        preview.PagePrinter->SetShowProgress(false);
        EXPECT_FALSE(preview.PrintPages(1, 1, 1, true));
        EXPECT_EQ(presenter.Texts(), QStringList{QStringLiteral("Принтерът \"Laser\" не е наличен!")});
        EXPECT_TRUE(cups.Jobs().isEmpty()) << cups.Jobs().join(' ').toStdString();
    }
}

// One of two queues leaves, then the other: the status bar keeps naming the printer the pages
// were laid out for, and Print says which printer is gone, then that none is left, before any
// print dialog opens.
TEST(Printers, PrintNamesThePrinterOfThePagesAndSaysWhenNoneIsLeft) {
    TPrivateCups cups({"Laser", "Other"}, "Laser");
    REQUIRE_SCHEDULER(cups);
    TScriptedPresenter presenter;
    int dialogs = 0;
    const TPrintDialogHook previous = SetPrintDialogHook([&dialogs](TPrintRequest&, int) {
        ++dialogs;
        return true;
    });
    const auto restore = qScopeGuard([&previous] { SetPrintDialogHook(previous); });
    auto grid = SmallGrid();
    TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
    preview.PagePrinter->SetShowProgress(false);
    ASSERT_EQ(preview.StatusPanels[0]->text(), "Laser");
    cups.RemoveQueue("Laser");
    preview.Rebuild(0);
    EXPECT_EQ(preview.StatusPanels[0]->text(), "Laser");
    preview.acPrint->trigger();
    cups.RemoveQueue("Other");
    preview.acPrint->trigger();
    EXPECT_EQ(presenter.Texts(),
              QStringList({QStringLiteral("Принтерът \"Laser\" не е наличен!"), NoPrinterText}));
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(cups.Jobs().isEmpty()) << cups.Jobs().join(' ').toStdString();
}

TEST(Printers, ARealQueueCalledPdfIsAQueueNotTheFileWriter) {
    TPrivateCups cups({"PDF"}, "PDF");
    REQUIRE_SCHEDULER(cups);
    QTemporaryDir dir;
    TPrinterProvider& provider = TPrinterProvider::Instance();
    provider.SetOfferPdf(true);
    provider.SetPdfFileName(dir.filePath("file.pdf"));
    const auto restore = qScopeGuard([&] {
        provider.SetOfferPdf(false);
        provider.SetPdfFileName(QString());
        provider.Reset();
    });
    ASSERT_EQ(provider.Names().size(), 2);
    EXPECT_NE(provider.Names()[0], provider.Names()[1]);
    EXPECT_EQ(provider.PrinterName(), "PDF");
    EXPECT_FALSE(provider.IsPdf());
    TPagePrinter printer;
    RecordOnePage(printer);
    ASSERT_TRUE(printer.Print());
    EXPECT_EQ(cups.Jobs(), QStringList{"PDF-1"});
    EXPECT_FALSE(QFile::exists(dir.filePath("file.pdf")));
}

TEST(Printers, ThePdfScopeNeverReachesTheDefaultQueue) {
    TPrivateCups cups({"Laser"}, "Laser");
    REQUIRE_SCHEDULER(cups);
    TPdfPrinterScope pdf;
    EXPECT_TRUE(TPrinterProvider::Instance().IsPdf());
    TPagePrinter printer;
    RecordOnePage(printer);
    ASSERT_TRUE(printer.Print());
    EXPECT_TRUE(QFile::exists(pdf.FileName()));
    EXPECT_TRUE(cups.Jobs().isEmpty());
}

TEST(Printers, PdfJobsMakeTheirFolderAndFailuresNameTheFileAndWhy) {
    TPdfPrinterScope pdf;
    QFile blocker(pdf.Dir() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    struct Case {
        QString File;
        bool Printed;
        QStringList Messages;
    };
    const QList<Case> cases = {
        {pdf.Dir() + "/new/folder/job.pdf", true, {}},
        {pdf.Dir() + "/file/job.pdf",
         false,
         {QStringLiteral("Печатът не успя!\rФайлът \"%1/file/job.pdf\" не е записан:\rПапката не съществува.")
              .arg(pdf.Dir())}},
    };
    for (const Case& c : cases) {
        TScriptedPresenter presenter;
        TPrinterProvider::Instance().SetPdfFileName(c.File);
        TPagePrinter printer;
        RecordOnePage(printer);
        EXPECT_EQ(printer.Print(), c.Printed) << c.File.toStdString();
        EXPECT_EQ(QFile::exists(c.File), c.Printed) << c.File.toStdString();
        EXPECT_EQ(presenter.Texts(), c.Messages) << c.File.toStdString();
    }
}

TEST(Printers, TestsSeeNoQueueOfTheMachine) {
    TPrinterProvider::Instance().Reset();
    EXPECT_TRUE(TPrinterProvider::Instance().Names().isEmpty());
    EXPECT_EQ(TPrinterProvider::Instance().Printer(), nullptr);
    EXPECT_TRUE(qgetenv("CUPS_SERVER").endsWith("no-scheduler.sock"));
}

namespace {

// A grid of Rows rows: many pages.
std::unique_ptr<TRichGrid> LongGrid(int Rows) {
    auto grid = SmallGrid();
    grid->SetRowCount(Rows + 1);
    for (int r = 1; r <= Rows; ++r)
        grid->SetRows(r, {QStringLiteral("Ред %1").arg(r), QString::number(r)});
    return grid;
}

QByteArray FileBytes(const QString& Path) {
    QFile file(Path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// How the operator leaves the print dialog: a queue, or the file entry (its last) with a file
// name, then OK, which checks the file before the dialog closes, or Cancel.
struct TDialogAnswer {
    QString Queue, File;
    bool Accept = true;
    int Pages = 0; // when given, the last page the dialog offers
};

void PickInDialog(QWidget* Dialog, const TDialogAnswer& Answer) {
    auto* printers = Dialog->findChild<QComboBox*>("printers");
    ASSERT_NE(printers, nullptr);
    if (!Answer.Queue.isEmpty()) printers->setCurrentIndex(printers->findText(Answer.Queue));
    if (Answer.File.isEmpty()) return;
    printers->setCurrentIndex(printers->count() - 1);
    Dialog->findChild<QLineEdit*>("filename")->setText(Answer.File);
}

void PressInDialog(QWidget* Dialog, bool Ok) {
    Dialog->findChild<QDialogButtonBox*>()
        ->button(Ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)
        ->click();
}

// Triggers Print and answers the print dialog; false when no dialog opened.
bool PrintThrough(QAction* Print, const TDialogAnswer& Answer) {
    const auto leave = [&](QWidget* Dialog) {
        EXPECT_TRUE(Answer.Pages == 0 || static_cast<QPrintDialog*>(Dialog)->maxPage() == Answer.Pages);
        PickInDialog(Dialog, Answer);
        PressInDialog(Dialog, Answer.Accept);
    };
    return AnswerModal("QPrintDialog", leave, [Print] { Print->trigger(); });
}

// Prints every page of Preview and presses Cancel in the progress dialog at the third.
bool CancelAtThirdPage(TfmPrintPreview& Preview) {
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        TPPPrnPrgDlg* dialog = Preview.PagePrinter->ProgressDialog();
        if (dialog && dialog->ProgBar->value() >= 3) QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    press.start(0);
    return Preview.PrintPages(1, Preview.PagePrinter->PageCount(), 1, true);
}

} // namespace

// Cancel in the progress dialog while the pages go to the PDF output leaves no part of a PDF, and
// an older file of that name as it was; printed to the end, the file holds every page.
TEST(Printers, CancelWhilePrintingToThePdfOutputLeavesNoPartOfIt) {
    TPdfPrinterScope pdf;
    TScriptedPresenter presenter;
    auto grid = LongGrid(400);
    TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
    const int pages = preview.PagePrinter->PageCount();
    ASSERT_GT(pages, 5);
    QFile old(pdf.FileName());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    EXPECT_FALSE(CancelAtThirdPage(preview));
    EXPECT_EQ(FileBytes(pdf.FileName()), QByteArray("old"));
    EXPECT_EQ(QDir(pdf.Dir()).entryList(QDir::Files | QDir::Hidden), QStringList{"job.pdf"});

    ASSERT_TRUE(preview.PrintPages(1, pages, 1, true));
    EXPECT_EQ(PdfPageTexts(pdf.FileName()).size(), pages);
    EXPECT_EQ(QDir(pdf.Dir()).entryList(QDir::Files | QDir::Hidden), QStringList{"job.pdf"});
    EXPECT_TRUE(presenter.Texts().isEmpty()) << presenter.Texts().join(' ').toStdString();
}

// Print to file chosen in the print dialog writes the pages into that file, though the
// workstation offers no PDF printer; the preview's printer stays the queue, so the next Print
// shows the dialog again and prints on the queue chosen there.
TEST(Printers, PrintToFileFromTheDialogWritesTheFileAndKeepsTheQueue) {
    // Graphic pages, and text pages for dot-matrix printers, which a file takes as shown.
    for (const QString laser : {"1", "0"}) {
        TPrivateCups cups({"Laser", "Other"}, "Laser");
        REQUIRE_SCHEDULER(cups);
        WriteRegString("Print_Laser", laser);
        const auto restore = qScopeGuard([] { WriteRegString("Print_Laser", ""); });
        TScriptedPresenter presenter;
        QTemporaryDir dir;
        auto grid = LongGrid(120);
        TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
        ASSERT_EQ(preview.TextMode, laser == "0");
        preview.PagePrinter->SetShowProgress(false);
        preview.Rebuild(1);
        const int pages = preview.PagePrinter->PageCount();
        ASSERT_GT(pages, 1);

        const QString file = dir.filePath("списък.pdf");
        EXPECT_TRUE(PrintThrough(preview.acPrint, {{}, file}));
        EXPECT_TRUE(presenter.Texts().isEmpty()) << presenter.Texts().join(' ').toStdString();
        EXPECT_TRUE(preview.Result);
        const QStringList printed = PdfPageTexts(file);
        ASSERT_EQ(printed.size(), pages) << laser.toStdString();
        EXPECT_TRUE(printed.last().contains("Ред 120"));
        // Laid out as on the queue: landscape, the page line near the right edge of an A4 across.
        double right = 0;
        for (const TPdfWord& word : PdfWords(file))
            right = std::max(right, word.Box.right());
        EXPECT_GT(right, 700);
        EXPECT_EQ(preview.PagePrinter->Orientation(), 1);
        EXPECT_TRUE(cups.Jobs().isEmpty()) << cups.Jobs().join(' ').toStdString();
        EXPECT_EQ(TPrinterProvider::NameOf(*preview.PagePrinter->Printer()), "Laser");
        EXPECT_EQ(preview.StatusPanels[0]->text(), "Laser");

        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"списък.pdf"});
        // Raw text would wait for the operator to load each page.
        if (preview.TextMode) continue;
        EXPECT_TRUE(PrintThrough(preview.acPrint, {"Other", {}}));
        EXPECT_TRUE(presenter.Texts().isEmpty()) << presenter.Texts().join(' ').toStdString();
        EXPECT_EQ(cups.Jobs(), QStringList{"Other-1"});
    }
}

// Cancel while the pages go to a queue sends nothing; printed to the end, one job takes them.
TEST(Printers, CancelWhilePrintingToAQueueSendsNothing) {
    TPrivateCups cups({"Laser"}, "Laser");
    REQUIRE_SCHEDULER(cups);
    TScriptedPresenter presenter;
    auto grid = LongGrid(400);
    TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
    EXPECT_FALSE(CancelAtThirdPage(preview));
    EXPECT_TRUE(cups.Jobs().isEmpty()) << cups.Jobs().join(' ').toStdString();
    ASSERT_TRUE(preview.PrintPages(1, preview.PagePrinter->PageCount(), 1, true));
    EXPECT_EQ(cups.Jobs(), QStringList{"Laser-1"});
    EXPECT_TRUE(presenter.Texts().isEmpty()) << presenter.Texts().join(' ').toStdString();
}

// Writes to the job's file fail part way (a full temporary folder): Print says so, naming the
// file and why; an older file of the target's name keeps its bytes and no job reaches the queue.
TEST(Printers, AJobWhoseFileIsNotWrittenWholeIsToldAndHandsNothingOver) {
    TPrivateCups cups({"Laser"}, "Laser");
    REQUIRE_SCHEDULER(cups);
    QTemporaryDir dir;
    const QString target = dir.filePath("справка.pdf"), told = dir.filePath("told.txt");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    for (const QString& file : {target, QString()}) {
        const int status = RunInChild(
            [] { return 0; },
            [&] {
                ::alarm(60);
                TScriptedPresenter presenter;
                TPagePrinter printer;
                printer.SetShowProgress(false);
                printer.BeginDoc();
                for (int line = 1; line <= 2000; ++line)
                    printer.WriteLine(QStringLiteral("Ред %1: Иван Петров Иванов, 8001011234").arg(line));
                printer.EndDoc();
                printer.SetOutputPdf(file);
                bool printed = true;
                {
                    TFileSizeLimit full(16384);
                    printed = printer.Print();
                }
                QFile out(told);
                if (!out.open(QIODevice::WriteOnly)) return 2;
                out.write(presenter.Texts().join('\n').toUtf8());
                return printed ? 1 : 0;
            });
        EXPECT_EQ(status, 0) << file.toStdString();
        const QString text = QString::fromUtf8(FileBytes(told));
        EXPECT_TRUE(text.startsWith(QStringLiteral("Печатът не успя!\rФайлът \"") + QDir::tempPath() + "/"))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith(
            QStringLiteral("\" не е записан:\rФайлът е по-голям, отколкото носителят позволява.")))
            << text.toStdString();
        EXPECT_EQ(FileBytes(target), QByteArray("old"));
        EXPECT_TRUE(cups.Jobs().isEmpty()) << cups.Jobs().join(' ').toStdString();
    }
}

// Print to file over a writable file whose folder takes no new file rewrites that file.
TEST(Printers, PrintToFileRewritesAFileWhoseFolderTakesNoNewFile) {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked"), target = locked + "/справка.pdf";
    ASSERT_TRUE(QDir().mkdir(locked));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0555), 0);
    const int status = RunInChild(WithoutOverride, [&] {
        ::alarm(60);
        TScriptedPresenter presenter;
        TPagePrinter printer;
        RecordOnePage(printer);
        printer.SetOutputPdf(target);
        return printer.Print() && presenter.Texts().isEmpty() ? 0 : 1;
    });
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    if (status == 125) GTEST_SKIP() << "no user namespace for a folder that refuses root";
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(PdfPageText(target, 1).contains(QStringLiteral("страница")));
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"справка.pdf"});
}

namespace {

// Two queues of a scheduler of the test's own, Laser the default, and a folder for files.
class PrintDialogScenario : public ::testing::Test {
protected:
    TPrivateCups Cups{{"Laser", "Other"}, "Laser"};
    TTempRegistry Registry;
    TScriptedPresenter Presenter;
    QTemporaryDir Dir;
};

} // namespace

// Whatever the operator leaves in the print dialog without printing (the file entry, a folder the
// dialog refused, another queue), and a printer turned into a file that the print setup chooses
// again, the next Print shows the dialog and prints on the queue the status bar names.
TEST_F(PrintDialogScenario, NothingLeftInThePrintDialogSticksToThePrinter) {
    REQUIRE_SCHEDULER(Cups);
    auto grid = LongGrid(60);
    const auto refuseMissingFolder = [&](QWidget* Dialog) {
        PickInDialog(Dialog, {{}, Dir.filePath("missing/a.pdf")});
        const auto reject = [](QWidget* Box) { static_cast<QDialog*>(Box)->reject(); };
        EXPECT_TRUE(AnswerModal("QMessageBox", reject, [Dialog] { PressInDialog(Dialog, true); }));
        EXPECT_TRUE(Dialog->isVisible());
        PressInDialog(Dialog, false);
    };
    const auto chooseAgain = [](QWidget* Modal) {
        auto* setup = static_cast<TfmPrintSetup*>(Modal);
        setup->ChoosePrinter = [](int&) { return true; };
        setup->btnPrinter->click();
        setup->btnOK->click();
    };
    using TLeave = std::function<bool(TfmPrintPreview&)>;
    const QList<std::pair<const char*, TLeave>> cases = {
        {"the file entry cancelled",
         [&](TfmPrintPreview& p) {
             return PrintThrough(p.acPrint, {{}, Dir.filePath("a.pdf"), false});
         }},
        {"a missing folder refused, then cancelled",
         [&](TfmPrintPreview& p) {
             return AnswerModal("QPrintDialog", refuseMissingFolder, [&] { p.acPrint->trigger(); });
         }},
        {"another queue cancelled",
         [&](TfmPrintPreview& p) {
             return PrintThrough(p.acPrint, {"Other", {}, false});
         }},
        {"a printer turned into a file chosen again in the print setup",
         [&](TfmPrintPreview& p) {
             TPrinterProvider::Instance().Printer()->setOutputFormat(QPrinter::PdfFormat);
             return AnswerModal("TfmPrintSetup", chooseAgain, [&] { p.acPrintSetup->trigger(); });
         }},
    };
    for (const auto& [what, leave] : cases) {
        TPrinterProvider::Instance().Reset(); // the printer as the program starts
        TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
        preview.PagePrinter->SetShowProgress(false);
        EXPECT_TRUE(leave(preview)) << what;
        const int before = int(Cups.Jobs().size());
        EXPECT_TRUE(PrintThrough(preview.acPrint, {})) << what;
        EXPECT_EQ(Cups.Jobs().mid(before), QStringList{QStringLiteral("Laser-%1").arg(before + 1)}) << what;
        EXPECT_EQ(preview.StatusPanels[0]->text(), "Laser") << what;
        EXPECT_TRUE(Presenter.Texts().isEmpty()) << what << Presenter.Texts().join(' ').toStdString();
        Presenter.Clear();
    }
    EXPECT_TRUE(QDir(Dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

// The document preview (contracts, cash orders) writes the file chosen in its print dialog, and
// neither that nor a file entry cancelled keeps it or the reports from printing on the queue.
TEST_F(PrintDialogScenario, TheDocumentPreviewTakesTheFileFromTheDialog) {
    REQUIRE_SCHEDULER(Cups);
    TReportLayout layout;
    layout.Title = QStringLiteral("Договор");
    layout.AddLabel(
        {QStringLiteral("QRLabel1"), QStringLiteral("ДОГОВОР ЗА ПОКУПКО-ПРОДАЖБА"), QRectF(20, 20, 170, 8)});
    const std::shared_ptr<QPrinter> printer = TPrinterProvider::Instance().SharedPrinter();
    TPrinterProvider::Instance().PrepareJob(layout.Title);
    TfmPrint form(layout, printer.get());
    form.PreparePages();

    const QString file = Dir.filePath("договор.pdf");
    EXPECT_TRUE(PrintThrough(form.acPrint, {{}, file, true, 1}));
    EXPECT_TRUE(form.Printed);
    EXPECT_TRUE(PdfPageText(file, 1).contains(QStringLiteral("ПОКУПКО-ПРОДАЖБА")));
    EXPECT_TRUE(Cups.Jobs().isEmpty());
    EXPECT_TRUE(PrintThrough(form.acPrint, {{}, Dir.filePath("b.pdf"), false}));
    EXPECT_TRUE(PrintThrough(form.acPrint, {}));
    EXPECT_EQ(Cups.Jobs(), QStringList{"Laser-1"});

    auto grid = SmallGrid();
    TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
    preview.PagePrinter->SetShowProgress(false);
    EXPECT_TRUE(PrintThrough(preview.acPrint, {}));
    EXPECT_EQ(Cups.Jobs(), QStringList({"Laser-1", "Laser-2"}));
    EXPECT_TRUE(Presenter.Texts().isEmpty()) << Presenter.Texts().join(' ').toStdString();
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"договор.pdf"});
}

// On the PDF printer the print dialog offers the file that printer writes.
TEST(Printers, OnThePdfPrinterTheDialogOffersItsFile) {
    TPdfPrinterScope pdf;
    TScriptedPresenter presenter;
    auto grid = SmallGrid();
    TfmPrintPreview preview(0, grid.get(), "Списък", "", "", 0, "", "", false, false, false, "", "");
    preview.PagePrinter->SetShowProgress(false);
    EXPECT_TRUE(PrintThrough(preview.acPrint, {}));
    EXPECT_EQ(PdfPageCount(pdf.FileName()), 1);
    EXPECT_TRUE(presenter.Texts().isEmpty()) << presenter.Texts().join(' ').toStdString();
}
