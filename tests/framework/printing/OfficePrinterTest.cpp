#include "framework/printing/OfficePrinter.h"

#include "framework/export/Docx.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(OfficePrinter, LabelQueueMatch) {
    const QList<TPrinterQueue> queues = {{"Office", "Brother QL-500"},
                                         {"Brother_QL-500", ""},
                                         {"HP", "HP LaserJet"},
                                         {"Brother QL-500", "Label"}};
    struct TCase {
        QList<TPrinterQueue> Queues;
        QString Wanted;
        QString Expected;
    };
    const QList<TCase> cases = {
        {queues, "Brother QL-500", "Brother QL-500"},           // the exact name first
        {queues.mid(0, 3), "Brother QL-500", "Office"},         // then the description
        {queues.mid(1, 2), "Brother QL-500", "Brother_QL-500"}, // then blanks as "_"
        {queues.mid(2, 1), "Brother QL-500", ""},               // none
        {queues, "brother ql-500", ""},                         // CUPS names keep their case
        {queues, "", ""},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(MatchPrinterQueue(c.Queues, c.Wanted), c.Expected) << c.Wanted.toStdString();
}

QString PdfText(const QString& Pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), Pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Labelled "office" in CTest: it starts LibreOffice, which takes seconds.
TEST(OfficeConversion, FilledTemplateConvertsToPdf) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "soffice is absent";
    QTemporaryDir dir;
    const QString docx = dir.filePath(QStringLiteral("Dogovor.docx"));
    TDocxWriter writer;
    writer.AddParagraph({{QStringLiteral("Договор № dog_")}, {QStringLiteral("nomer"), true}}, daCenter);
    writer.AddParagraph({{QStringLiteral("Заемополучател: Three_")}, {QStringLiteral("names")}});
    writer.AddParagraph({{QStringLiteral("Сума: sum_c лв. (slovom_contract)")}});
    writer.SaveToFile(docx);
    {
        DocxTemplateFiller filler(docx);
        filler.ReplaceAll(QStringLiteral("dog_nomer"), QStringLiteral("1234"), Qt::CaseInsensitive);
        filler.ReplaceAll(QStringLiteral("three_names"), QStringLiteral("Иван Петров Иванов"),
                          Qt::CaseInsensitive);
        filler.ReplaceAll(QStringLiteral("sum_c"), QStringLiteral("150.00"), Qt::CaseInsensitive);
        filler.ReplaceAll(QStringLiteral("slovom_contract"), QStringLiteral("сто и петдесет лева"),
                          Qt::CaseInsensitive);
        filler.Save();
    }
    LibreOfficePrinter printer;
    const QString pdf = printer.ConvertToPdf(docx, dir.path());
    EXPECT_EQ(pdf, dir.filePath(QStringLiteral("Dogovor.pdf")));
    const QString text = PdfText(pdf);
    for (const char* expected :
         {"Договор № 1234", "Заемополучател: Иван Петров Иванов", "Сума: 150.00 лв. (сто и петдесет лева)"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
}

TEST(OfficeConversion, UnreadableDocumentIsReported) {
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "soffice is absent";
    QTemporaryDir dir;
    LibreOfficePrinter printer;
    EXPECT_THROW(printer.ConvertToPdf(dir.filePath(QStringLiteral("missing.docx")), dir.path()),
                 EOfficeError);
}

} // namespace
