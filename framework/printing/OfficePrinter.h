#pragma once
// Printing of .docx documents: LibreOffice converts them to PDF on a private profile and CUPS
// prints the PDF. Tests install a printer of their own in place of the real one.

#include "core/unitTypes.h"

#include <QList>
#include <QString>

// A failure to print a document; Message() is the text for the operator.
class EOfficeError : public Exception {
public:
    using Exception::Exception;
};

// The text when no converter for documents is installed.
QString OfficeMissingText();
// The text when the printer called Printer does not exist.
QString PrinterMissingText(const QString& Printer);

// A printer queue by its CUPS name and the description the operator gave it.
struct TPrinterQueue {
    QString Name;
    QString Description;
};

// The queue of the printer called Wanted: the queue of exactly that name, else the one whose
// description is Wanted, else the one named Wanted with its blanks as "_"; "" when none fits.
QString MatchPrinterQueue(const QList<TPrinterQueue>& Queues, const QString& Wanted);

class OfficePrinter {
public:
    virtual ~OfficePrinter() = default;
    // False when documents cannot be converted on this computer.
    virtual bool Available() const = 0;
    // Prints the .docx File on the printer called Printer (matched as MatchPrinterQueue does);
    // an empty Printer prints on the default printer, PdfPrinterName into the PDF output. EOfficeError on
    // failure, with OfficeMissingText() when Available() is false.
    virtual void PrintDocument(const QString& File, const QString& Printer) = 0;
};

class LibreOfficePrinter : public OfficePrinter {
public:
    bool Available() const override;
    void PrintDocument(const QString& File, const QString& Printer) override;
    // Converts File into a PDF of the same base name in OutDir and returns its path. Each run
    // has a profile of its own: two conversions on one profile fail, and the operator's own
    // LibreOffice must not be touched. EOfficeError on failure.
    QString ConvertToPdf(const QString& File, const QString& OutDir) const;
    // Converts File into the file the PDF pseudo-printer writes its next job to.
    void PrintToPdfOutput(const QString& File) const;

    int TimeoutMs = 180000;
};

// The printer in use: the installed one, else a LibreOfficePrinter.
OfficePrinter& CurrentOfficePrinter();
// Installs Printer (nullptr = the LibreOffice printer again); returns the one it replaces.
OfficePrinter* SetOfficePrinter(OfficePrinter* Printer);
