#include "framework/printing/OfficePrinter.h"

#include "core/unFileCopy.h"
#include "core/unMessages.h"
#include "core/unWait.h"
#include "framework/printing/PagePrinter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <cups/cups.h>

namespace {

QString SofficePath() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// A folder of its own among the print jobs, for the documents of one conversion.
QString WorkFolderTemplate() {
    return QDir(TPrinterProvider::Instance().JobFolder()).filePath(QStringLiteral("office-XXXXXX"));
}

// Whether the PDF File was written to its end: a converter stopped by a full disk may still say
// that it succeeded.
bool PdfComplete(const QString& File) {
    QFile pdf(File);
    if (!pdf.open(QIODevice::ReadOnly) || pdf.size() < 16) return false;
    pdf.seek(pdf.size() - 16);
    return pdf.read(16).contains("%%EOF");
}

// The CUPS queues and the default one ("" when there is none).
QList<TPrinterQueue> ListQueues(QString& Default) {
    QList<TPrinterQueue> queues;
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < count; ++i) {
        if (dests[i].instance) continue;
        const QString name = QString::fromUtf8(dests[i].name);
        const char* info = cupsGetOption("printer-info", dests[i].num_options, dests[i].options);
        queues.append({name, QString::fromUtf8(info)});
        if (dests[i].is_default) Default = name;
    }
    cupsFreeDests(count, dests);
    return queues;
}

} // namespace

QString OfficeMissingText() {
    return QStringLiteral("MS Word не е инсталиран.");
}

QString PrinterMissingText(const QString& Printer) {
    return Format(QStringLiteral("Принтер с име \"%s\" не е намерен."), {Printer});
}

QString MatchPrinterQueue(const QList<TPrinterQueue>& Queues, const QString& Wanted) {
    if (Wanted.isEmpty()) return QString();
    for (const TPrinterQueue& queue : Queues)
        if (queue.Name == Wanted) return queue.Name;
    for (const TPrinterQueue& queue : Queues)
        if (queue.Description == Wanted) return queue.Name;
    QString underscored = Wanted;
    underscored.replace(u' ', u'_');
    for (const TPrinterQueue& queue : Queues)
        if (queue.Name == underscored) return queue.Name;
    return QString();
}

bool LibreOfficePrinter::Available() const {
    return !SofficePath().isEmpty();
}

QString LibreOfficePrinter::ConvertToPdf(const QString& File, const QString& OutDir) const {
    const QString soffice = SofficePath();
    if (soffice.isEmpty()) throw EOfficeError(OfficeMissingText());
    QTemporaryDir profile;
    if (!profile.isValid()) throw EOfficeError(QStringLiteral("Не може да бъде създадена временна папка."));
    QString pdf = QDir(OutDir).filePath(QFileInfo(File).completeBaseName() + QStringLiteral(".pdf"));
    QFile::remove(pdf);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice,
                  {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                   QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile.path()).toString(),
                   QStringLiteral("--convert-to"), QStringLiteral("pdf"), QStringLiteral("--outdir"), OutDir,
                   File});
    const bool finished = process.waitForFinished(TimeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 ||
        !PdfComplete(pdf))
        throw EOfficeError(Format("Документът \"%s\" не може да бъде подготвен за печат.", {File}));
    return pdf;
}

void LibreOfficePrinter::PrintDocument(const QString& File, const QString& Printer) {
    if (!Available()) throw EOfficeError(OfficeMissingText());
    if (Printer == PdfPrinterName) {
        PrintToPdfOutput(File);
        return;
    }
    // The printer is checked first, so that a missing one is told before the slow conversion.
    QString defaultQueue;
    const QList<TPrinterQueue> queues = ListQueues(defaultQueue);
    QString queue;
    if (Printer.isEmpty()) {
        queue = defaultQueue.isEmpty() && !queues.isEmpty() ? queues.first().Name : defaultQueue;
        if (queue.isEmpty()) throw EOfficeError(QStringLiteral("Няма инсталиран принтер!"));
    } else {
        queue = MatchPrinterQueue(queues, Printer);
        if (queue.isEmpty()) throw EOfficeError(PrinterMissingText(Printer));
    }

    TWaitGuard wait;
    QTemporaryDir work(WorkFolderTemplate());
    if (!work.isValid()) throw EOfficeError(QStringLiteral("Не може да бъде създадена временна папка."));
    QString pdf = ConvertToPdf(File, work.path());
    const int job = cupsPrintFile(queue.toUtf8().constData(), QFile::encodeName(pdf).constData(),
                                  QFileInfo(File).fileName().toUtf8().constData(), 0, nullptr);
    if (job == 0)
        throw EOfficeError(Format("Грешка при печат на принтер \"%s\": %s",
                                  {queue, QString::fromUtf8(cupsLastErrorString())}));
}

void LibreOfficePrinter::PrintToPdfOutput(const QString& File) const {
    TPrinterProvider& provider = TPrinterProvider::Instance();
    if (!provider.IsPdf()) throw EOfficeError(PrinterMissingText(PdfPrinterName));
    provider.PrepareJob(QFileInfo(File).completeBaseName());
    const QString target = provider.Printer()->outputFileName();
    TWaitGuard wait;
    QTemporaryDir work(WorkFolderTemplate());
    if (!work.isValid()) throw EOfficeError(QStringLiteral("Не може да бъде създадена временна папка."));
    const QString pdf = ConvertToPdf(File, work.path());
    // Replaced whole: a copy that fails leaves an older file of that name as it was.
    TFileCopyNew copy;
    copy.OnOverriding = [](TFileCopyNew*, bool& Overwrite) { Overwrite = true; };
    copy.SetSourceFile(pdf);
    copy.SetTargetFile(target);
    if (!copy.Execute())
        throw EOfficeError(PrintNotWrittenText(target, WriteFailureReason(copy.ErrorCode())));
}

namespace {
OfficePrinter* InstalledPrinter = nullptr;
} // namespace

OfficePrinter& CurrentOfficePrinter() {
    static LibreOfficePrinter libreOffice;
    return InstalledPrinter ? *InstalledPrinter : libreOffice;
}

OfficePrinter* SetOfficePrinter(OfficePrinter* Printer) {
    OfficePrinter* previous = InstalledPrinter;
    InstalledPrinter = Printer;
    return previous;
}
