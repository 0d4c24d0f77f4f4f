#include "framework/printing/PagePrinter.h"

#include "core/unFileCopy.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextStream>
#include <QVBoxLayout>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cups/cups.h>
#include <unistd.h>

const QString PdfPrinterName = QStringLiteral("PDF файл");
const QString NoPrinterText = QStringLiteral("Няма инсталиран принтер!");

// ---- printers

TDeviceCaps DeviceCaps(QPrinter& Printer) {
    TDeviceCaps caps;
    caps.DpiX = Printer.logicalDpiX();
    caps.DpiY = Printer.logicalDpiY();
    const QRect paper = Printer.paperRect(QPrinter::DevicePixel).toAlignedRect();
    const QRect page = Printer.pageRect(QPrinter::DevicePixel).toAlignedRect();
    caps.Physical = paper.size();
    caps.Offset = page.topLeft() - paper.topLeft();
    caps.Printable = page.size();
    return caps;
}

TDeviceCaps DeviceCaps(const QPageLayout& Layout, int Dpi) {
    TDeviceCaps caps;
    caps.DpiX = caps.DpiY = Dpi;
    const QRect paper = Layout.fullRectPixels(Dpi);
    const QRect page = Layout.paintRectPixels(Dpi);
    caps.Physical = paper.size();
    caps.Offset = page.topLeft() - paper.topLeft();
    caps.Printable = page.size();
    return caps;
}

std::unique_ptr<QPrinter> CopyOfPrinter(const QPrinter& Printer) {
    const bool toFile = Printer.outputFormat() == QPrinter::PdfFormat;
    auto copy = toFile ? std::make_unique<QPrinter>(QPrinter::HighResolution)
                       : std::make_unique<QPrinter>(QPrinterInfo::printerInfo(Printer.printerName()),
                                                    QPrinter::HighResolution);
    if (toFile) {
        copy->setOutputFormat(QPrinter::PdfFormat);
        copy->setOutputFileName(Printer.outputFileName());
    }
    copy->setPageLayout(Printer.pageLayout());
    return copy;
}

QSize PaperSizeMm(QPrinter& Printer) {
    const QRectF full = Printer.pageLayout().fullRect(QPageLayout::Millimeter);
    return {int(std::lround(full.width())), int(std::lround(full.height()))};
}

TPrinterProvider& TPrinterProvider::Instance() {
    static TPrinterProvider provider;
    return provider;
}

namespace {

bool PdfOffered(bool Forced) {
    return Forced || ReadRegString(QStringLiteral("Print_PDF")) == QLatin1String("1");
}

// An A4 PDF at 300 dpi: the pages stay light and every measure in pixels is exact enough.
std::shared_ptr<QPrinter> NewPdfPrinter() {
    auto printer = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(300);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

} // namespace

QStringList TPrinterProvider::Names() const {
    QStringList names;
    if (FUseSystemQueues) names = QPrinterInfo::availablePrinterNames();
    if (PdfOffered(FOfferPdf)) names.append(PdfPrinterName);
    return names;
}

QString TPrinterProvider::NameOf(const QPrinter& Printer) {
    return Printer.outputFormat() == QPrinter::PdfFormat ? PdfPrinterName : Printer.printerName();
}

bool TPrinterProvider::Available(const QPrinter& Printer) const {
    return Names().contains(NameOf(Printer));
}

void ShowPrinterMissing(const QPrinter& Printer) {
    const QString name = TPrinterProvider::NameOf(Printer);
    // With none left the operator needs to install one, not to look for this one.
    if (name.isEmpty() || TPrinterProvider::Instance().Names().isEmpty())
        ShowErrorFmt(NoPrinterText);
    else
        ShowErrorFmt(QStringLiteral("Принтерът \"%s\" не е наличен!"), {name});
}

void ShowPrintFailed(const QString& PrinterName) {
    ShowErrorFmt(QStringLiteral("Печатът на принтер \"%s\" не успя!"), {PrinterName});
}

QString PrintNotWrittenText(const QString& File, const QString& Reason) {
    return Format(QStringLiteral("Печатът не успя!\r") + LoadStr(65180), {File, Reason});
}

void ShowPrintNotWritten(const QString& File, const QString& Reason) {
    ShowErrorFmt(PrintNotWrittenText(File, Reason));
}

int TPrinterProvider::PrinterIndex() {
    Printer();
    return int(Names().indexOf(FName));
}

void TPrinterProvider::SetPrinterIndex(int Index) {
    const QStringList names = Names();
    if (Index < 0 || Index >= names.size()) return;
    FPrinter.reset();
    FName = names[Index];
    Printer();
}

QString TPrinterProvider::PrinterName() {
    Printer();
    return FName;
}

QPrinter* TPrinterProvider::Printer() {
    return SharedPrinter().get();
}

std::shared_ptr<QPrinter> TPrinterProvider::SharedPrinter() {
    const QStringList names = Names();
    if (FPrinter && names.contains(FName)) return FPrinter;
    // A printer that left the list is let go; a page printer that shares it keeps it alive.
    const QString chosen = FPrinter ? QString() : FName;
    FPrinter.reset();
    FName.clear();
    if (names.isEmpty()) return nullptr;
    // The program starts on the desktop's default printer; choosing another one later does not
    // change the desktop's.
    const QString preferred = FUseSystemQueues ? QPrinterInfo::defaultPrinterName() : QString();
    FName = names.contains(chosen) ? chosen : names.contains(preferred) ? preferred : names.first();
    if (FName == PdfPrinterName)
        FPrinter = NewPdfPrinter();
    else
        FPrinter = std::make_shared<QPrinter>(QPrinterInfo::printerInfo(FName), QPrinter::HighResolution);
    return FPrinter;
}

bool TPrinterProvider::IsPdf() {
    Printer();
    return FName == PdfPrinterName;
}

void TPrinterProvider::PrepareJob(const QString& Title) {
    QPrinter* printer = Printer();
    if (!printer) return;
    printer->setDocName(Title);
    if (!IsPdf()) return;
    QString file = FPdfFileName;
    if (file.isEmpty()) {
        QString name = Title;
        name.replace(QLatin1Char('/'), QLatin1Char('_'));
        name.remove(QStringLiteral("..."));
        name = name.trimmed();
        if (name.isEmpty()) name = QStringLiteral("Lendora");
        file = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                   .filePath(name + QLatin1Char(' ') +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
                             QStringLiteral(".pdf"));
    }
    // A fresh account has no documents folder yet.
    QDir().mkpath(QFileInfo(file).absolutePath());
    printer->setOutputFileName(file);
}

bool TPrinterProvider::Destination(QPrinter& Printer, const QString& Title, QString& File, QString& Queue) {
    if (!File.isEmpty() || !Queue.isEmpty()) return true;
    // The queue left while the pages were shown (unplugged, dropped, renamed).
    if (!Available(Printer)) {
        ShowPrinterMissing(Printer);
        return false;
    }
    if (&Printer == this->Printer()) PrepareJob(Title);
    if (Printer.outputFormat() == QPrinter::PdfFormat)
        File = Printer.outputFileName();
    else
        Queue = Printer.printerName();
    return true;
}

void TPrinterProvider::Reset() {
    FPrinter.reset();
    FName.clear();
}

QString TPrinterProvider::JobFolder() const {
    return FJobFolder.isEmpty() ? QDir::tempPath() : FJobFolder;
}

// ---- print jobs

// The file a job's pages are written into, of this run's own: another workstation printing at
// the same time has another. The first write that fails is kept with the system's error, so the
// job is not handed over and the operator learns why.
class TPrintJob::TJobFile : public QIODevice {
public:
    explicit TJobFile(const QString& Folder) {
        QByteArray name = QFile::encodeName(QDir(Folder).filePath(QStringLiteral("lendora-job-XXXXXX.pdf")));
        FFd = ::mkstemps(name.data(), 4);
        FPath = QFile::decodeName(name);
        if (FFd < 0) {
            FError = errno;
            return;
        }
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    ~TJobFile() override {
        if (FFd < 0) return;
        ::close(FFd);
        ::unlink(QFile::encodeName(FPath).constData());
    }
    TJobFile(const TJobFile&) = delete;
    TJobFile& operator=(const TJobFile&) = delete;
    bool Made() const { return FFd >= 0; }
    const QString& Path() const { return FPath; }
    int Error() const { return FError; }
    // Whether every byte was written and is on the disk.
    bool Whole() {
        if (FError == 0 && ::fsync(FFd) != 0) FError = errno;
        return FError == 0;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override {
        if (FError != 0) return -1;
        for (qint64 done = 0; done < Size;) {
            const ssize_t put = ::write(FFd, Data + done, size_t(Size - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                FError = put < 0 ? errno : EIO;
                return -1;
            }
            done += put;
        }
        return Size;
    }

private:
    int FFd = -1;
    int FError = 0;
    QString FPath;
};

TPrintJob::TPrintJob(const QPrinter& LaidOutAs, const QString& Title, const QString& File,
                     const QString& Queue, const TJobOptions& Options)
    : FFile(File), FQueue(Queue), FTitle(Title), FOptions(Options) {
    if (!FOptions.Paper.isValid()) FOptions.Paper = LaidOutAs.pageLayout().pageSize();
    FCaps = DeviceCaps(LaidOutAs.pageLayout(), LaidOutAs.resolution());
    FPages = std::make_unique<TJobFile>(TPrinterProvider::Instance().JobFolder());
    if (!FPages->Made()) return;
    FDevice = std::make_unique<QPdfWriter>(FPages.get());
    FDevice->setResolution(LaidOutAs.resolution());
    FDevice->setPageLayout(LaidOutAs.pageLayout());
    FDevice->setTitle(Title);
}

TPrintJob::~TPrintJob() = default;

QPagedPaintDevice* TPrintJob::Device() const {
    return FDevice.get();
}

namespace {

const char* SidesOption(QPrinter::DuplexMode Sides) {
    switch (Sides) {
    case QPrinter::DuplexLongSide:
    case QPrinter::DuplexAuto:
        return "two-sided-long-edge";
    case QPrinter::DuplexShortSide:
        return "two-sided-short-edge";
    default:
        return "one-sided";
    }
}

} // namespace

bool TPrintJob::Send() {
    if (!FPages->Whole()) return Failed();
    if (!FFile.isEmpty()) {
        // The file is replaced whole, or rewritten in place where its folder takes no new file.
        TFileCopyNew copy;
        copy.OnOverriding = [](TFileCopyNew*, bool& Overwrite) { Overwrite = true; };
        copy.SetSourceFile(FPages->Path());
        copy.SetTargetFile(FFile);
        if (copy.Execute()) return true;
        ShowPrintNotWritten(FFile, WriteFailureReason(copy.ErrorCode()));
        return false;
    }
    // The queue's own defaults would otherwise decide, two-sided printing among them.
    cups_option_t* options = nullptr;
    int count = cupsAddOption("sides", SidesOption(FOptions.Sides), 0, &options);
    if (FOptions.Paper.id() != QPageSize::Custom)
        count = cupsAddOption("media", FOptions.Paper.key().toUtf8().constData(), count, &options);
    const bool sent =
        cupsPrintFile(FQueue.toUtf8().constData(), QFile::encodeName(FPages->Path()).constData(),
                      FTitle.toUtf8().constData(), count, options) != 0;
    cupsFreeOptions(count, options);
    if (!sent) ShowPrintFailed(FQueue);
    return sent;
}

bool TPrintJob::Failed() const {
    ShowPrintNotWritten(FPages->Path(), WriteFailureReason(FPages->Error()));
    return false;
}

// ---- table lines, headers and footers

QList<TColumnFormat> ParseColumnFormats(const QString& Format, QChar Separator, double DefaultWidth) {
    QList<TColumnFormat> columns;
    if (Format.isEmpty()) return columns;
    for (QString spec : Format.split(Separator)) {
        spec = spec.trimmed();
        TColumnFormat column;
        column.Width = DefaultWidth;
        if (spec.startsWith(QLatin1Char('^')))
            column.Align = Qt::AlignHCenter;
        else if (spec.startsWith(QLatin1Char('>')))
            column.Align = Qt::AlignRight;
        if (spec.startsWith(QLatin1Char('<')) || spec.startsWith(QLatin1Char('^')) ||
            spec.startsWith(QLatin1Char('>')))
            spec.remove(0, 1);
        bool ok = false;
        const double width = spec.toDouble(&ok);
        if (ok) column.Width = width;
        column.Lines = column.Width >= 0;
        column.Width = std::abs(column.Width);
        columns.append(column);
    }
    return columns;
}

QString ScaleColumnFormats(const QString& Format, QChar Separator, double Factor) {
    if (Format.isEmpty()) return Format;
    QStringList specs;
    for (const TColumnFormat& c : ParseColumnFormats(Format, Separator, 0)) {
        const QChar align = c.Align == Qt::AlignHCenter ? QLatin1Char('^')
                            : c.Align == Qt::AlignRight ? QLatin1Char('>')
                                                        : QLatin1Char('<');
        specs << align + QString::number((c.Lines ? 1 : -1) * c.Width * Factor, 'g', 8);
    }
    return specs.join(Separator);
}

namespace {

QString ShortDate(const QDateTime& Now) {
    return Now.toString(QStringLiteral("dd.MM.yyyy"));
}
QString LongDate(const QDateTime& Now) {
    return QLocale(QLocale::Bulgarian).toString(Now.date(), QStringLiteral("d MMMM yyyy 'г.'"));
}
QString ShortTime(const QDateTime& Now) {
    return Now.toString(QStringLiteral("HH:mm"));
}
QString LongTime(const QDateTime& Now) {
    return Now.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString ReplacePageTokens(const QString& Text, int Page, const QString& Title, int Line,
                          const QDateTime& Now) {
    if (!Text.contains(QStringLiteral("{$"))) return Text;
    QString out = Text;
    out.replace(QStringLiteral("{$PAGE}"), QString::number(Page));
    out.replace(QStringLiteral("{$TITLE}"), Title);
    out.replace(QStringLiteral("{$DATE}"), ShortDate(Now));
    out.replace(QStringLiteral("{$TIME}"), LongTime(Now));
    out.replace(QStringLiteral("{$LINE}"), QString::number(Line));
    return out;
}

TFriendlyText ParseFriendlyText(const QString& Friendly, QChar Separator, double Width,
                                const QString& FileName, const QDateTime& Now) {
    struct TPart {
        QChar Align;
        QString Text;
    };
    QList<TPart> parts;
    auto current = [&parts]() -> TPart& {
        if (parts.isEmpty()) parts.append({QLatin1Char('<'), QString()});
        return parts.last();
    };
    for (qsizetype i = 0; i < Friendly.size(); ++i) {
        const QChar c = Friendly[i];
        if (c != QLatin1Char('&') || i + 1 >= Friendly.size()) {
            current().Text += c;
            continue;
        }
        const QChar code = Friendly[++i];
        switch (code.unicode()) {
        case 'l':
        case 'c':
        case 'r': {
            const QChar align = code == QLatin1Char('l')   ? QLatin1Char('<')
                                : code == QLatin1Char('c') ? QLatin1Char('^')
                                                           : QLatin1Char('>');
            // Text before the first code is a left part of its own.
            if (!parts.isEmpty() && parts.size() == 1 && parts[0].Text.isEmpty())
                parts[0].Align = align;
            else
                parts.append({align, QString()});
            break;
        }
        case 'p':
            current().Text += QStringLiteral("{$PAGE}");
            break;
        case 'i':
            current().Text += QStringLiteral("{$TITLE}");
            break;
        case 'd':
            current().Text += QStringLiteral("{$DATE}");
            break;
        case 'T':
            current().Text += QStringLiteral("{$TIME}");
            break;
        case 'D':
            current().Text += LongDate(Now);
            break;
        case 't':
            current().Text += ShortTime(Now);
            break;
        case 'f':
            current().Text += QFileInfo(FileName).fileName();
            break;
        case 'F':
            current().Text += FileName;
            break;
        case '&':
            current().Text += QLatin1Char('&');
            break;
        default:
            current().Text += c;
            current().Text += code;
        }
    }
    TFriendlyText result;
    if (parts.isEmpty()) return result;
    QStringList texts, formats;
    const double share = Width / double(parts.size());
    for (const TPart& part : parts) {
        texts << part.Text;
        formats << part.Align + QString::number(share, 'g', 8);
    }
    result.Text = texts.join(Separator);
    result.Format = formats.join(Separator);
    return result;
}

// ---- the progress dialog

TPPPrnPrgDlg::TPPPrnPrgDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("PPPrnPrgDlg"));
    setWindowTitle(QStringLiteral("Print Progress"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(this);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblPageNumber = new QLabel(this);
    lblPageNumber->setObjectName(QStringLiteral("lblPageNumber"));
    lblPageNumber->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ProgBar = new QProgressBar(this);
    ProgBar->setObjectName(QStringLiteral("ProgBar"));
    ProgBar->setRange(0, 1);
    ProgBar->setValue(0);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setDefault(true);
    layout->addWidget(lblStatus);
    layout->addWidget(lblPageNumber);
    layout->addWidget(ProgBar);
    layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
    setFixedWidth(360);
}

void TPPPrnPrgDlg::ShowCancel(bool Value) {
    btnCancel->setVisible(Value);
    btnCancel->setEnabled(Value);
    if (!Value) setFixedHeight(int(std::lround(HeightWithoutCancel * logicalDpiY() / 96.0)));
}

void TPPPrnPrgDlg::closeEvent(QCloseEvent* Event) {
    // Only the end of printing closes it; the close box is the cancel button.
    if (!FMayClose) {
        Event->ignore();
        if (btnCancel->isEnabled()) btnCancel->click();
        return;
    }
    QDialog::closeEvent(Event);
}

void TPPPrnPrgDlg::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Escape) {
        if (btnCancel->isEnabled()) btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(Event);
}

// ---- the preview surface

class TPagePaintBox : public QWidget {
public:
    explicit TPagePaintBox(TPagePrinter* Owner) : QWidget(Owner), FOwner(Owner) {
        setObjectName(QStringLiteral("PaintBox"));
    }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    TPagePrinter* FOwner;
};

void TPagePaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor back = palette().color(QPalette::Mid);
    if (FOwner->GradientBackground()) {
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, back.lighter(140));
        gradient.setColorAt(1, back.darker(130));
        p.fillRect(rect(), gradient);
    } else {
        p.fillRect(rect(), back);
    }
    const TDeviceCaps& caps = FOwner->Caps();
    const double sx = FOwner->ScaleX();
    const double sy = FOwner->ScaleY();
    const int edge = FOwner->ShadowOffset() + 1;
    const QRect page(edge, edge, int(std::lround(caps.Physical.width() * sx)),
                     int(std::lround(caps.Physical.height() * sy)));
    const int shadow = FOwner->ShadowOffset();
    p.fillRect(page.translated(shadow, shadow), FOwner->ShadowColor());
    p.fillRect(page, Qt::white);
    auto toScreen = [&](const QRect& device) {
        return QRect(page.left() + int(std::lround(device.left() * sx)),
                     page.top() + int(std::lround(device.top() * sy)), int(std::lround(device.width() * sx)),
                     int(std::lround(device.height() * sy)));
    };
    if (FOwner->ShowGutter()) {
        p.setPen(QPen(Qt::lightGray, 0, Qt::DotLine));
        p.drawRect(toScreen(QRect(caps.Offset, caps.Printable)));
    }
    if (FOwner->ShowMargins()) {
        p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
        p.drawRect(toScreen(FOwner->PrintableRect().translated(caps.Offset)));
    }
    const int n = FOwner->PageNumber();
    if (n < 1 || n > FOwner->PageCount() || FOwner->Printing()) return;
    p.translate(page.left() + caps.Offset.x() * sx, page.top() + caps.Offset.y() * sy);
    p.scale(sx, sy);
    p.setClipRect(QRect(QPoint(0, 0), caps.Printable));
    FOwner->DrawPage(p, n, logicalDpiX(), logicalDpiY());
}

// ---- the page printer

TPagePrinter::TPagePrinter(QWidget* Parent) : QScrollArea(Parent) {
    setObjectName(QStringLiteral("PagePrinter"));
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    FPaintBox = new TPagePaintBox(this);
    setWidget(FPaintBox);
    FFont.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    FFont.setPointSize(10);
    FShadowColor = palette().color(QPalette::Dark);
    FPrinter = TPrinterProvider::Instance().SharedPrinter();
    // Without any printer the pages are still laid out, on an A4 sheet at 300 dpi.
    if (!FPrinter) FPrinter = NewPdfPrinter();
    FPrinter->setPageOrientation(QPageLayout::Portrait);
    ReadCaps();
    ResetMargins();
    SetPageFont(FFont);
}

TPagePrinter::~TPagePrinter() {
    if (FCanvas) FCanvas->end();
    delete FProgress;
}

void TPagePrinter::SetPrinter(std::shared_ptr<QPrinter> Printer) {
    CheckNotRecording("printer");
    if (!Printer || Printer == FPrinter) return;
    const int orientation = Orientation();
    FPrinter = std::move(Printer);
    FPrinter->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    ReadCaps();
    ResetMargins();
    QFont font = FFont;
    font.setPixelSize(-1);
    font.setPointSizeF(FFont.pixelSize() * 72.0 / std::max(1, FCaps.DpiY));
    SetPageFont(font);
}

void TPagePrinter::ReadCaps() {
    FCaps = DeviceCaps(*FPrinter);
}

void TPagePrinter::CheckNotRecording(const char* What) const {
    if (FRecording)
        throw EPagePrinter(QStringLiteral("Unable to change %1 while printing").arg(QLatin1String(What)));
}

// ---- units and margins

double TPagePrinter::PixelsToUnitsX(double Pixels) const {
    const double inches = Pixels / std::max(1, FCaps.DpiX);
    return FMeasureUnit == muMillimeters ? inches * 25.4 : inches;
}

double TPagePrinter::PixelsToUnitsY(double Pixels) const {
    const double inches = Pixels / std::max(1, FCaps.DpiY);
    return FMeasureUnit == muMillimeters ? inches * 25.4 : inches;
}

int TPagePrinter::UnitsToPixelsX(double Value) const {
    if (FMeasureUnit == muMillimeters) Value /= 25.4;
    return int(std::lround(Value * FCaps.DpiX));
}

int TPagePrinter::UnitsToPixelsY(double Value) const {
    if (FMeasureUnit == muMillimeters) Value /= 25.4;
    return int(std::lround(Value * FCaps.DpiY));
}

void TPagePrinter::SetMeasureUnit(TMeasureUnit Value) {
    if (Value == FMeasureUnit) return;
    const double factor = Value == muMillimeters ? 25.4 : 1 / 25.4;
    for (double& margin : FMargins)
        margin *= factor;
    FPageBorderOffset *= factor;
    FDefaultColWidth *= factor;
    for (QString* format : {&FTableFormat, &FHeaderFormat, &FFooterFormat})
        *format = ScaleColumnFormats(*format, FTokenSeparator, factor);
    FMeasureUnit = Value;
}

void TPagePrinter::SetMargin(int Index, double Value, const char* Name) {
    if (FRecording)
        throw EPagePrinter(
            QStringLiteral("Unable to change %1 margin while printing").arg(QLatin1String(Name)));
    FMargins[Index] = Value;
    Relayout();
}

void TPagePrinter::SetMarginTop(double Value) {
    SetMargin(0, Value, "top");
}
void TPagePrinter::SetMarginBottom(double Value) {
    SetMargin(1, Value, "bottom");
}
void TPagePrinter::SetMarginLeft(double Value) {
    SetMargin(2, Value, "left");
}
void TPagePrinter::SetMarginRight(double Value) {
    SetMargin(3, Value, "right");
}

void TPagePrinter::ResetMargins() {
    FMargins[0] = GutterTop();
    FMargins[1] = GutterBottom();
    FMargins[2] = GutterLeft();
    FMargins[3] = GutterRight();
    Relayout();
}

double TPagePrinter::PageWidth() const {
    return PixelsToUnitsX(FCaps.Physical.width());
}
double TPagePrinter::PageHeight() const {
    return PixelsToUnitsY(FCaps.Physical.height());
}
double TPagePrinter::GutterLeft() const {
    return PixelsToUnitsX(FCaps.Offset.x());
}
double TPagePrinter::GutterTop() const {
    return PixelsToUnitsY(FCaps.Offset.y());
}
double TPagePrinter::GutterRight() const {
    return PixelsToUnitsX(FCaps.Physical.width() - FCaps.Offset.x() - FCaps.Printable.width());
}
double TPagePrinter::GutterBottom() const {
    return PixelsToUnitsY(FCaps.Physical.height() - FCaps.Offset.y() - FCaps.Printable.height());
}
double TPagePrinter::PrintableWidth() const {
    return PageWidth() - MarginLeft() - MarginRight();
}
double TPagePrinter::PrintableHeight() const {
    return PageHeight() - MarginTop() - MarginBottom();
}

QRect TPagePrinter::PrintableRect() const {
    const int left = UnitsToPixelsX(MarginLeft());
    const int top = UnitsToPixelsY(MarginTop());
    return {left - FCaps.Offset.x(), top - FCaps.Offset.y(),
            FCaps.Physical.width() - left - UnitsToPixelsX(MarginRight()),
            FCaps.Physical.height() - top - UnitsToPixelsY(MarginBottom())};
}

int TPagePrinter::Orientation() const {
    return FPrinter->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}

void TPagePrinter::SetOrientation(int Value) {
    CheckNotRecording("orientation");
    if (Value == Orientation()) return;
    // Each margin keeps its distance from the unprintable edge it lies on.
    const double keep[4] = {MarginTop() - GutterTop(), MarginBottom() - GutterBottom(),
                            MarginLeft() - GutterLeft(), MarginRight() - GutterRight()};
    FPrinter->setPageOrientation(Value == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    ReadCaps();
    FMargins[0] = GutterTop() + keep[0];
    FMargins[1] = GutterBottom() + keep[1];
    FMargins[2] = GutterLeft() + keep[2];
    FMargins[3] = GutterRight() + keep[3];
    Relayout();
}

void TPagePrinter::SetFromPage(int Value) {
    FFromPage = std::max(0, Value);
    if (FToPage != 0 && FFromPage > FToPage) FToPage = FFromPage;
}

void TPagePrinter::SetToPage(int Value) {
    FToPage = std::max(0, Value);
    if (FToPage != 0 && FToPage < FFromPage) FFromPage = FToPage;
}

void TPagePrinter::SetPrintToFile(bool Value) {
    if (FRecording) throw EPagePrinter(QStringLiteral("Can't change PrintToFile while printing"));
    FPrintToFile = Value;
}

void TPagePrinter::SetFileName(const QString& Value) {
    if (FRecording) throw EPagePrinter(QStringLiteral("Can't change FileName while printing"));
    FFileName = Value;
}

// ---- the document

void TPagePrinter::BeginDoc() {
    if (FRecording) EndDoc();
    FLineCount = 0;
    if (FPrintToFile) {
        FTextFile = std::make_unique<QFile>(FFileName);
        if (!FTextFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QString error = FTextFile->errorString();
            FTextFile.reset();
            throw EPagePrinter(QStringLiteral("Unable to open %1: %2").arg(FFileName, error));
        }
        FTextOut = std::make_unique<QTextStream>(FTextFile.get());
        FRecording = true;
        FPageNumber = 1;
        FCursorX = FCursorY = 0;
        return;
    }
    FPages.clear();
    FDrawer = nullptr;
    FDrawnCount = 0;
    FShown.clear();
    FRecording = true;
    FPageNumber = 0;
    StartPage();
}

void TPagePrinter::StartPage() {
    FPages.push_back(std::make_unique<QPicture>());
    FCanvas = std::make_unique<QPainter>(FPages.back().get());
    FCanvas->setFont(FFont);
    FCanvas->setPen(Qt::black);
    ++FPageNumber;
    FCursorX = 0;
    DrawHeaderFooterAndBorders();
    FCursorY = FHeaderHeight;
    if (OnNewPage) OnNewPage();
}

void TPagePrinter::DrawHeaderFooterAndBorders() {
    FHeaderHeight = FFooterHeight = 0;
    if (!FHeader.isEmpty()) FHeaderHeight = DrawRow(FHeader, FHeaderFormat, HeaderFont(), 0, false, true);
    const QRect area = PrintableRect();
    if (!FFooter.isEmpty()) {
        FFooterHeight = DrawRow(FFooter, FFooterFormat, FooterFont(), 0, false, false);
        DrawRow(FFooter, FFooterFormat, FooterFont(), area.height() - FFooterHeight, false, true);
    }
    if (FPageBorders == 0) return;
    FCanvas->save();
    // Two pixels at 300 dots per inch.
    FCanvas->setPen(QPen(Qt::black, std::max(1, int(std::lround(2.0 * FCaps.DpiX / 300)))));
    const int dx = UnitsToPixelsX(FPageBorderOffset);
    const int dy = UnitsToPixelsY(FPageBorderOffset);
    const QRect r = area.adjusted(-dx, -dy, dx, dy);
    if (FPageBorders & pbTop) FCanvas->drawLine(r.left(), r.top(), r.right(), r.top());
    if (FPageBorders & pbBottom) FCanvas->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    if (FPageBorders & pbLeft) FCanvas->drawLine(r.left(), r.top(), r.left(), r.bottom());
    if (FPageBorders & pbRight) FCanvas->drawLine(r.right(), r.top(), r.right(), r.bottom());
    FCanvas->restore();
}

int TPagePrinter::TextBottom() const {
    return PrintableRect().height() - FFooterHeight;
}

void TPagePrinter::FinishPage() {
    if (!FCanvas) return;
    FCanvas->end();
    FCanvas.reset();
}

void TPagePrinter::NewPage() {
    if (!FRecording) return;
    if (FTextOut) {
        *FTextOut << QStringLiteral("\f\r\n");
        ++FPageNumber;
        FCursorX = FCursorY = 0;
        if (OnNewPage) OnNewPage();
        return;
    }
    FinishPage();
    StartPage();
}

void TPagePrinter::EndDoc() {
    if (!FRecording) return;
    FRecording = false;
    if (FTextOut) {
        FTextOut->flush();
        FTextOut.reset();
        FTextFile.reset();
        return;
    }
    FinishPage();
    FPageNumber = FPages.empty() ? 0 : 1;
    Relayout();
}

void TPagePrinter::SetPageNumber(int Value) {
    if (Value < 1 || Value > PageCount()) {
        if (PageCount() > 0)
            throw EPagePrinter(QStringLiteral("PageNumber must be between 1 and %1").arg(PageCount()));
        return;
    }
    FPageNumber = Value;
    FPaintBox->update();
}

void TPagePrinter::SetDrawnPages(int Count, TPageDrawer Draw) {
    if (FRecording) EndDoc();
    FPages.clear();
    FShown.clear();
    FDrawer = std::move(Draw);
    FDrawnCount = FDrawer ? std::max(0, Count) : 0;
    FPageNumber = FDrawnCount > 0 ? 1 : 0;
    Relayout();
}

const QPicture& TPagePrinter::ShownPage(int Number) const {
    for (const auto& [number, picture] : FShown)
        if (number == Number) return *picture;
    constexpr size_t kept = 4;
    if (FShown.size() >= kept) FShown.erase(FShown.begin());
    auto picture = std::make_shared<QPicture>();
    {
        QPainter canvas(picture.get());
        canvas.setPen(Qt::black);
        FDrawer(canvas, Number);
    }
    FShown.emplace_back(Number, picture);
    return *picture;
}

void TPagePrinter::DrawPage(QPainter& Painter, int Number, int DeviceDpiX, int DeviceDpiY) const {
    const QPicture& page = FDrawer ? ShownPage(Number) : *FPages[size_t(Number - 1)];
    // A picture replays in its own resolution; the page was recorded in device pixels.
    Painter.save();
    // A picture leaves out what equals a new painter's state, so the replay starts from one.
    Painter.setPen(Qt::black);
    Painter.setBrush(Qt::NoBrush);
    Painter.setFont(QFont());
    Painter.scale(double(page.logicalDpiX()) / DeviceDpiX, double(page.logicalDpiY()) / DeviceDpiY);
    Painter.drawPicture(0, 0, page);
    Painter.restore();
}

// ---- text

void TPagePrinter::SetPageFont(const QFont& Value) {
    QFont font = Value;
    if (font.pixelSize() <= 0)
        font.setPixelSize(std::max(1, int(std::lround(Value.pointSizeF() * FCaps.DpiY / 72.0))));
    FFont = font;
    if (FCanvas) FCanvas->setFont(FFont);
    UpdateLineHeight();
}

void TPagePrinter::SetLineSpacing(TLineSpacing Value) {
    FLineSpacing = Value;
    UpdateLineHeight();
}

void TPagePrinter::UpdateLineHeight() {
    const int h = std::abs(FFont.pixelSize());
    switch (FLineSpacing) {
    case lsHalfSpace:
        FLineHeight = h / 2;
        break;
    case lsSingleSpace:
        FLineHeight = h;
        break;
    case lsSingleAndAHalf:
        FLineHeight = h + h / 2;
        break;
    case lsDoubleSpace:
        FLineHeight = 2 * h;
        break;
    }
}

namespace {

QString ExpandTabs(const QString& Text, int TabSize) {
    if (!Text.contains(QLatin1Char('\t'))) return Text;
    QString out;
    for (const QChar c : Text) {
        if (c == QLatin1Char('\t'))
            out += QString(TabSize - int(out.size()) % TabSize, QLatin1Char(' '));
        else
            out += c;
    }
    return out;
}

// The longest beginning of Text no wider than Width, found by halving; at least one character.
qsizetype FittingLength(const QFontMetrics& Metrics, const QString& Text, int Width) {
    qsizetype low = 1, high = Text.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (Metrics.horizontalAdvance(Text.left(mid)) <= Width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

} // namespace

void TPagePrinter::Write(const QString& Text) {
    if (!FRecording) return;
    QString text = ExpandTabs(Text, FTabSize);
    if (FTextOut) {
        *FTextOut << text;
        FCursorX += int(text.size());
        return;
    }
    const QFontMetrics metrics(FFont);
    const QRect area = PrintableRect();
    int room = area.width() - FCursorX;
    if (metrics.horizontalAdvance(text) > room && text.size() > 1) {
        if (FWordWrap) {
            // Pieces that fit, broken at blanks where there is one.
            while (metrics.horizontalAdvance(text) > room && text.size() > 1) {
                qsizetype length = FittingLength(metrics, text, room);
                const qsizetype blank = text.lastIndexOf(QLatin1Char(' '), length);
                if (blank > 0 && length < text.size()) length = blank;
                Write(text.left(length));
                NewLine();
                text = text.mid(length);
                if (text.startsWith(QLatin1Char(' '))) text.remove(0, 1);
                room = area.width() - FCursorX;
            }
        } else {
            text = text.left(FittingLength(metrics, text, room));
        }
    }
    if (text.isEmpty()) return;
    if (FCursorY + FLineHeight > TextBottom()) NewPage();
    FCanvas->setFont(FFont);
    FCanvas->drawText(QPointF(area.left() + FCursorX, area.top() + FCursorY + metrics.ascent()), text);
    FCursorX += metrics.horizontalAdvance(text);
}

void TPagePrinter::NewLine() {
    if (!FRecording) return;
    if (FTextOut) {
        *FTextOut << QStringLiteral("\r\n");
        FCursorX = 0;
        ++FLineCount;
        if (OnNewLine) OnNewLine();
        return;
    }
    MoveDown(FLineHeight);
}

void TPagePrinter::MoveDown(int Height) {
    FCursorX = 0;
    FCursorY += Height;
    if (FCursorY + FLineHeight > TextBottom())
        NewPage();
    else
        ++FLineCount;
    if (OnNewLine) OnNewLine();
}

void TPagePrinter::WriteLine(const QString& Text) {
    Write(Text);
    NewLine();
}

QFont TPagePrinter::DeviceFont(const QFont& Font) const {
    if (Font.pixelSize() > 0) return Font;
    QFont font = Font;
    font.setPixelSize(std::max(1, int(std::lround(Font.pointSizeF() * FCaps.DpiY / 72.0))));
    return font;
}

int TPagePrinter::LineHeightOf(const QFont& Font) const {
    // Rows of cells hold whole glyphs: the font's full height, not its size.
    const int h = QFontMetrics(DeviceFont(Font)).height();
    switch (FLineSpacing) {
    case lsHalfSpace:
        return h / 2;
    case lsSingleAndAHalf:
        return h + h / 2;
    case lsDoubleSpace:
        return 2 * h;
    default:
        return h;
    }
}

QList<int> TPagePrinter::ColumnWidths(const QList<TColumnFormat>& Formats) const {
    QList<int> widths;
    int fixed = 0, shared = 0;
    for (const TColumnFormat& f : Formats) {
        widths << (f.Width > 0 ? UnitsToPixelsX(f.Width) : 0);
        fixed += widths.last();
        shared += f.Width > 0 ? 0 : 1;
    }
    // Columns without a width share what the others leave of the line.
    const int share = shared > 0 ? std::max(0, PrintableRect().width() - fixed) / shared : 0;
    for (int& w : widths)
        if (w == 0) w = share;
    return widths;
}

namespace {

QList<TColumnFormat> FormatsFor(const QStringList& Cells, const QString& Format, QChar Separator,
                                double Default) {
    QList<TColumnFormat> formats = ParseColumnFormats(Format, Separator, Default);
    while (formats.size() < Cells.size())
        formats.append({Qt::AlignLeft, Default, true});
    return formats.mid(0, Cells.size());
}

// The lines of Text inside Width: wrapped at blanks, or cut to what fits.
QStringList FitCell(const QFontMetrics& Metrics, QString Text, int Width, bool Wrap) {
    QStringList lines;
    while (Metrics.horizontalAdvance(Text) > Width && Text.size() > 1) {
        qsizetype length = FittingLength(Metrics, Text, Width);
        if (!Wrap) return {Text.left(length)};
        const qsizetype blank = Text.lastIndexOf(QLatin1Char(' '), length);
        if (blank > 0) length = blank;
        lines << Text.left(length);
        Text = Text.mid(length);
        if (Text.startsWith(QLatin1Char(' '))) Text.remove(0, 1);
    }
    lines << Text;
    return lines;
}

} // namespace

int TPagePrinter::DrawRow(const QString& Line, const QString& Format, const QFont& Font, int Top, bool Grid,
                          bool Draw) {
    const QStringList cells = Line.split(FTokenSeparator);
    const QList<TColumnFormat> formats = FormatsFor(cells, Format, FTokenSeparator, FDefaultColWidth);
    const QList<int> widths = ColumnWidths(formats);
    const QFont font = DeviceFont(Font);
    const QFontMetrics metrics(font);
    const int lineHeight = LineHeightOf(font);
    const int pad = std::max(1, int(std::lround(FCaps.DpiX / 100.0)));
    QList<QStringList> texts;
    qsizetype lines = 1;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString text =
            ReplacePageTokens(ExpandTabs(cells[i], FTabSize), FPageNumber, FTitle, FLineCount, Now());
        texts << FitCell(metrics, text, std::max(1, widths[i] - 2 * pad), FWordWrap);
        lines = std::max(lines, texts.last().size());
    }
    const int height = int(lines) * lineHeight;
    if (!Draw) return height;
    const QRect area = PrintableRect();
    FCanvas->save();
    FCanvas->setFont(font);
    FCanvas->setPen(QPen(Qt::black, std::max(1, int(std::lround(FCaps.DpiX / 300.0)))));
    int x = area.left();
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QRect cell(x, area.top() + Top, widths[i], height);
        for (qsizetype k = 0; k < texts[i].size(); ++k)
            FCanvas->drawText(QRect(cell.left() + pad, cell.top() + int(k) * lineHeight,
                                    cell.width() - 2 * pad, lineHeight),
                              formats[i].Align | Qt::AlignVCenter, texts[i][k]);
        if (Grid && formats[i].Lines) FCanvas->drawRect(cell);
        x += widths[i];
    }
    FCanvas->restore();
    return height;
}

QString TPagePrinter::RowText(const QString& Line, const QString& Format) {
    const QStringList cells = Line.split(FTokenSeparator);
    const QList<TColumnFormat> formats = FormatsFor(cells, Format, FTokenSeparator, FDefaultColWidth);
    const QList<int> widths = ColumnWidths(formats);
    const int charWidth = std::max(1, QFontMetrics(FFont).averageCharWidth());
    QString row;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        // A file has no lines: the cells are padded with blanks to their width in characters.
        const int n = std::max(1, int(std::lround(double(widths[i]) / charWidth)));
        const QString text = ReplacePageTokens(cells[i], FPageNumber, FTitle, FLineCount, Now()).left(n);
        if (formats[i].Align == Qt::AlignRight)
            row += text.rightJustified(n);
        else if (formats[i].Align == Qt::AlignHCenter)
            row += (QString((n - int(text.size())) / 2, QLatin1Char(' ')) + text).leftJustified(n);
        else
            row += text.leftJustified(n);
    }
    return row;
}

void TPagePrinter::WriteTableLine(const QString& Line) {
    if (!FRecording) return;
    if (FTextOut) {
        *FTextOut << RowText(Line, FTableFormat);
        NewLine();
        return;
    }
    if (FCursorX > 0) NewLine();
    const int height = DrawRow(Line, FTableFormat, FFont, FCursorY, FTableGrid, false);
    // A row taller than the page is cut at its foot rather than moved on for ever.
    if (FCursorY + height > TextBottom() && FCursorY > FHeaderHeight) NewPage();
    DrawRow(Line, FTableFormat, FFont, FCursorY, FTableGrid, true);
    MoveDown(height);
}

void TPagePrinter::SetFriendlyHeader(const QString& Value) {
    FFriendlyHeader = Value;
    const TFriendlyText text = ParseFriendlyText(Value, FTokenSeparator, PrintableWidth(), FFileName, Now());
    FHeader = text.Text;
    FHeaderFormat = text.Format;
}

void TPagePrinter::SetFriendlyFooter(const QString& Value) {
    FFriendlyFooter = Value;
    const TFriendlyText text = ParseFriendlyText(Value, FTokenSeparator, PrintableWidth(), FFileName, Now());
    FFooter = text.Text;
    FFooterFormat = text.Format;
}

void TPagePrinter::SetHeaderFont(const QFont& Value) {
    FHeaderFont = Value;
    FAutoHeaderFont = false;
}

void TPagePrinter::SetFooterFont(const QFont& Value) {
    FFooterFont = Value;
    FAutoFooterFont = false;
}

void TPagePrinter::SetGradientBackground(bool Value) {
    FGradientBackground = Value;
    FPaintBox->update();
}

void TPagePrinter::SetShadowColor(const QColor& Value) {
    FShadowColor = Value;
    FPaintBox->update();
}

// ---- the preview

void TPagePrinter::SetShowMargins(bool Value) {
    FShowMargins = Value;
    FPaintBox->update();
}

void TPagePrinter::SetShowGutter(bool Value) {
    FShowGutter = Value;
    FPaintBox->update();
}

void TPagePrinter::SetShadowOffset(int Value) {
    FShadowOffset = std::max(0, Value);
    Relayout();
}

double TPagePrinter::ScaleX() const {
    return FZoomPercent / 100.0 * logicalDpiX() / std::max(1, FCaps.DpiX);
}

double TPagePrinter::ScaleY() const {
    return FZoomPercent / 100.0 * logicalDpiY() / std::max(1, FCaps.DpiY);
}

void TPagePrinter::Relayout() {
    if (FUpdateCount > 0) return;
    const int edge = (FShadowOffset + 1) * 2;
    FPaintBox->resize(int(std::lround(FCaps.Physical.width() * ScaleX())) + edge,
                      int(std::lround(FCaps.Physical.height() * ScaleY())) + edge);
    FPaintBox->update();
}

void TPagePrinter::SetZoomPercent(int Value) {
    Value = std::max(1, Value);
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    const double rx = double(h->value() + h->pageStep() / 2.0) / std::max(1, h->maximum() + h->pageStep());
    const double ry = double(v->value() + v->pageStep() / 2.0) / std::max(1, v->maximum() + v->pageStep());
    FZoomPercent = Value;
    Relayout();
    switch (FZoomLocation) {
    case zlTopLeft:
        h->setValue(0);
        v->setValue(0);
        break;
    case zlTopCenter:
        h->setValue(h->maximum() / 2);
        v->setValue(0);
        break;
    case zlCenter:
        h->setValue(h->maximum() / 2);
        v->setValue(v->maximum() / 2);
        break;
    case zlSame:
        h->setValue(int(rx * (h->maximum() + h->pageStep()) - h->pageStep() / 2.0));
        v->setValue(int(ry * (v->maximum() + v->pageStep()) - v->pageStep() / 2.0));
        break;
    }
}

void TPagePrinter::ZoomToPageWidth() {
    const int room =
        contentsRect().width() - verticalScrollBar()->sizeHint().width() - (FShadowOffset + 1) * 2;
    const double ratio = double(FCaps.DpiX) / logicalDpiX();
    SetZoomPercent(int(room * 100.0 * ratio / std::max(1, FCaps.Physical.width())));
}

void TPagePrinter::ZoomToPageHeight() {
    const int room =
        contentsRect().height() - horizontalScrollBar()->sizeHint().height() - (FShadowOffset + 1) * 2;
    const double ratio = double(FCaps.DpiY) / logicalDpiY();
    SetZoomPercent(int(room * 100.0 * ratio / std::max(1, FCaps.Physical.height())));
}

void TPagePrinter::ZoomToPage() {
    const double page = double(FCaps.Physical.width()) / std::max(1, FCaps.Physical.height());
    const double client = double(contentsRect().width()) / std::max(1, contentsRect().height());
    if (page >= client)
        ZoomToPageWidth();
    else
        ZoomToPageHeight();
}

void TPagePrinter::BeginUpdate() {
    ++FUpdateCount;
}

void TPagePrinter::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Relayout();
}

// ---- printing

void TPagePrinter::PrintOnePage(QPagedPaintDevice& Target, QPainter& Painter, int Number, bool Last, int Done,
                                int Total, int From, int To) {
    if (FShowProgress && FShowCancel) QCoreApplication::processEvents();
    if (FCancel) throw ECancelPrinting(QStringLiteral("Printing Cancelled"));
    if (FShowProgress) {
        if (!FProgress) {
            FProgress = new TPPPrnPrgDlg();
            FProgress->setWindowTitle(FTitle);
            FProgress->lblStatus->setText(
                FProgressMessage.isEmpty() ? QStringLiteral("Отпечатване на страниците, моля изчакайте ...")
                                           : FProgressMessage);
            FProgress->ProgBar->setRange(0, Total);
            FProgress->ShowCancel(FShowCancel);
            connect(FProgress->btnCancel, &QPushButton::clicked, this, [this] { FCancel = true; });
            FProgress->show();
        }
        FProgress->ProgBar->setValue(Done);
        FProgress->lblPageNumber->setText(QStringLiteral("стр.: %1 / %2").arg(Number).arg(To - From + 1));
    }
    if (FDrawer) {
        // Straight onto the printer: nothing of the document is kept.
        Painter.save();
        Painter.setPen(Qt::black);
        Painter.setBrush(Qt::NoBrush);
        FDrawer(Painter, Number);
        Painter.restore();
    } else {
        DrawPage(Painter, Number, Target.logicalDpiX(), Target.logicalDpiY());
    }
    if (!Last) Target.newPage();
}

bool TPagePrinter::Print() {
    if (FRecording) EndDoc();
    if (PageCount() == 0 && !FLines.isEmpty()) {
        BeginDoc();
        for (const QString& line : FLines)
            if (!FTableFormat.isEmpty() && line.contains(FTokenSeparator))
                WriteTableLine(line);
            else
                WriteLine(line);
        EndDoc();
    }
    const int count = PageCount();
    if (count == 0) return true;
    const int from = FFromPage == 0 ? 1 : std::min(FFromPage, count);
    const int to = FToPage == 0 ? count : std::min(FToPage, count);
    QString file = FOutputPdf;
    QString queue = FOutputQueue;
    if (!TPrinterProvider::Instance().Destination(*FPrinter, FTitle, file, queue)) return false;
    TPrintJob job(*FPrinter, FTitle, file, queue, FOutputOptions);
    if (!job.Device()) return job.Failed();
    QPagedPaintDevice& target = *job.Device();
    FCancel = false;
    auto closeProgress = qScopeGuard([this] {
        if (!FProgress) return;
        FProgress->FMayClose = true;
        FProgress->close();
        delete FProgress;
        FProgress = nullptr;
        // The keys go back to the window that printed.
        if (isVisible()) window()->activateWindow();
    });
    QPainter painter;
    if (!painter.begin(&target)) return job.Failed();
    const int total = FCopies * (to - from + 1);
    int done = 0;
    try {
        if (FCollate) {
            for (int copy = 1; copy <= FCopies; ++copy)
                for (int page = from; page <= to; ++page, ++done)
                    PrintOnePage(target, painter, page, done == total - 1, done, total, from, to);
        } else {
            for (int page = from; page <= to; ++page)
                for (int copy = 1; copy <= FCopies; ++copy, ++done)
                    PrintOnePage(target, painter, page, done == total - 1, done, total, from, to);
        }
    } catch (const ECancelPrinting&) {
        // The job's file goes with it.
        painter.end();
        throw;
    }
    if (FProgress) FProgress->ProgBar->setValue(total);
    if (!painter.end()) return job.Failed();
    return job.Send();
}
