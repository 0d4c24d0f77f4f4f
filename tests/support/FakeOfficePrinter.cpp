#include "tests/support/FakeOfficePrinter.h"

#include "framework/export/Docx.h"

TFakeOfficePrinter::TFakeOfficePrinter() : FPrevious(SetOfficePrinter(this)) {}

TFakeOfficePrinter::~TFakeOfficePrinter() {
    SetOfficePrinter(FPrevious);
}

void TFakeOfficePrinter::PrintDocument(const QString& File, const QString& Printer) {
    if (!Installed) throw EOfficeError(OfficeMissingText());
    if (!Queues.isEmpty() && !Printer.isEmpty() && MatchPrinterQueue(Queues, Printer).isEmpty())
        throw EOfficeError(PrinterMissingText(Printer));
    if (BeforeReading) BeforeReading(File);
    Jobs.append({File, Printer, DocxTemplateFiller(File).ParagraphTexts()});
    if (!PdfFolder.isEmpty()) LibreOfficePrinter().ConvertToPdf(File, PdfFolder);
}
