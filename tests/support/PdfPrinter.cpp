#include "tests/support/PdfPrinter.h"

#include "framework/printing/PagePrinter.h"

#include <QPrinter>

TPdfPrinterScope::TPdfPrinterScope() {
    TPrinterProvider& provider = TPrinterProvider::Instance();
    provider.Reset();
    provider.SetOfferPdf(true);
    provider.SetPdfFileName(FileName());
    provider.SetPrinterIndex(int(provider.Names().indexOf(PdfPrinterName)));
    provider.Printer()->setPageOrientation(QPageLayout::Portrait);
}

TPdfPrinterScope::~TPdfPrinterScope() {
    TPrinterProvider& provider = TPrinterProvider::Instance();
    provider.Reset();
    provider.SetOfferPdf(false);
    provider.SetPdfFileName(QString());
}

QString TPdfPrinterScope::FileName() const {
    return FDir.filePath(QStringLiteral("job.pdf"));
}
