#pragma once
// Stands in for the document printer in tests: records what would have been printed, with the
// document's paragraph texts as they were at printing time. Installed for its lifetime.

#include "framework/printing/OfficePrinter.h"

#include <QList>
#include <QStringList>
#include <functional>

class TFakeOfficePrinter : public OfficePrinter {
public:
    struct TJob {
        QString File;
        QString Printer;
        QStringList Paragraphs;
    };

    TFakeOfficePrinter();
    ~TFakeOfficePrinter() override;
    TFakeOfficePrinter(const TFakeOfficePrinter&) = delete;
    TFakeOfficePrinter& operator=(const TFakeOfficePrinter&) = delete;

    bool Available() const override { return Installed; }
    void PrintDocument(const QString& File, const QString& Printer) override;

    // False: the converter is missing.
    bool Installed = true;
    // Queues that exist; empty: every printer exists.
    QList<TPrinterQueue> Queues;
    // Called with each document before it is read: another workstation's act at that moment.
    std::function<void(const QString& File)> BeforeReading;
    // When set, each document is also converted into this folder with LibreOffice.
    QString PdfFolder;
    QList<TJob> Jobs;

private:
    OfficePrinter* FPrevious;
};
