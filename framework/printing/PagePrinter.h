#pragma once
// The program's printers and the page printer. The printers are the CUPS queues, plus a PDF
// pseudo-printer that writes each job to a file; one of them is the program's current printer,
// which is not the desktop's default. The page printer records a document page by page in the
// printer's pixels, shows the pages as a zoomable preview and prints any range of them with
// copies, collation, a progress dialog and cancel.

#include "core/unitTypes.h"

#include <QDateTime>
#include <QDialog>
#include <QFont>
#include <QPageSize>
#include <QPicture>
#include <QPrinter>
#include <QScrollArea>
#include <functional>
#include <memory>
#include <vector>

class QFile;
class QLabel;
class QPagedPaintDevice;
class QPainter;
class QPdfWriter;
class QProgressBar;
class QPushButton;
class QTextStream;

// ---- printers

// The name of the pseudo-printer that prints to PDF files. It holds a blank, which no CUPS
// queue name may, so a real queue called "PDF" stays a queue.
extern const QString PdfPrinterName;
// The text shown when no printer can be had.
extern const QString NoPrinterText;

// Tell the operator, naming the printer, that it has left the list or that its job failed.
void ShowPrinterMissing(const QPrinter& Printer);
void ShowPrintFailed(const QString& PrinterName);
// Tells the operator that printing failed as File could not be written, and why.
QString PrintNotWrittenText(const QString& File, const QString& Reason);
void ShowPrintNotWritten(const QString& File, const QString& Reason);

// What a page printer needs to know of a printer, in device pixels.
struct TDeviceCaps {
    int DpiX = 0;
    int DpiY = 0;
    QSize Physical;  // the whole sheet
    QPoint Offset;   // where the printable part begins
    QSize Printable; // the printable part
};
TDeviceCaps DeviceCaps(QPrinter& Printer);
// The same of a device laid out as Layout at Dpi pixels per inch.
TDeviceCaps DeviceCaps(const QPageLayout& Layout, int Dpi);
// A printer of its own for a dialog or a window to change: the same queue, or the same PDF file,
// with the same page layout.
std::unique_ptr<QPrinter> CopyOfPrinter(const QPrinter& Printer);
// The sheet in whole millimetres (A4 gives 210 x 297 in portrait).
QSize PaperSizeMm(QPrinter& Printer);

class TPrinterProvider {
public:
    static TPrinterProvider& Instance();

    // The CUPS queues, then the PDF pseudo-printer when it is offered.
    QStringList Names() const;
    // -1 when there is no printer at all.
    int PrinterIndex();
    // Makes printer Index of Names() current, afresh also when it is current already; out of
    // range does nothing.
    void SetPrinterIndex(int Index);
    QString PrinterName();
    // The current printer, made on first use; null when Names() is empty. When its queue leaves
    // the list the provider lets go of it; whoever shares it keeps a working object.
    QPrinter* Printer();
    std::shared_ptr<QPrinter> SharedPrinter();
    // Whether Printer is still one of Names() (the PDF pseudo-printer always is while offered).
    bool Available(const QPrinter& Printer) const;
    // The name the program shows for Printer.
    static QString NameOf(const QPrinter& Printer);
    bool IsPdf();
    // Gets the current printer ready for a job called Title: a PDF job gets its file, and the
    // file's folder is made when missing.
    void PrepareJob(const QString& Title);
    // Where a job called Title on Printer goes when the print dialog chose neither a File nor a
    // Queue: the PDF pseudo-printer's file, or Printer's queue. False, told to the operator, when
    // Printer has left the list.
    bool Destination(QPrinter& Printer, const QString& Title, QString& File, QString& Queue);

    // The PDF pseudo-printer is offered when the workstation value "Print_PDF" is "1", or
    // when this says so (tests).
    void SetOfferPdf(bool Value) { FOfferPdf = Value; }
    // Every PDF job writes this file; empty: the documents folder, job name and time.
    void SetPdfFileName(const QString& Value) { FPdfFileName = Value; }
    QString PdfFileName() const { return FPdfFileName; }
    // Drops the current printer, so the next use starts again from the first one.
    void Reset();
    // Where print jobs and the documents filled for printing are written while they are made;
    // empty: the temporary folder. They hold names and personal numbers, so the program gives
    // each run a folder of its own that the next start clears.
    void SetJobFolder(const QString& Value) { FJobFolder = Value; }
    QString JobFolder() const;
    // Off: the CUPS queues are not offered (tests, unless they run a scheduler of their own).
    void SetUseSystemQueues(bool Value) { FUseSystemQueues = Value; }

private:
    TPrinterProvider() = default;
    std::shared_ptr<QPrinter> FPrinter;
    bool FUseSystemQueues = true;
    QString FName;
    bool FOfferPdf = false;
    QString FPdfFileName;
    QString FJobFolder;
};

// What a queue is told of a job besides its pages.
struct TJobOptions {
    QPrinter::DuplexMode Sides = QPrinter::DuplexNone;
    // Invalid: the paper the pages were laid out on.
    QPageSize Paper;
};

// A job drawn into a PDF file of its own, laid out as the printer it is meant for, and handed
// over only when all of it was written: a cancelled or failed job writes and sends nothing, and
// leaves an older file of the target's name as it was.
class TPrintJob {
public:
    // File: the PDF file the pages replace; without one they go to the CUPS queue Queue, with
    // Options.
    TPrintJob(const QPrinter& LaidOutAs, const QString& Title, const QString& File, const QString& Queue,
              const TJobOptions& Options = {});
    ~TPrintJob();
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;
    // What to paint on; null when no file of its own could be made.
    QPagedPaintDevice* Device() const;
    // The device's measures, as DeviceCaps gives them for a printer.
    const TDeviceCaps& Caps() const { return FCaps; }
    // Hands the pages over once painting has ended; false, told to the operator, when the job's
    // file was not written whole or the handing over fails.
    bool Send();
    // Tells the operator that the job's file was not written, naming it and saying why; false.
    bool Failed() const;

private:
    class TJobFile;
    QString FFile;
    QString FQueue;
    QString FTitle;
    TJobOptions FOptions;
    TDeviceCaps FCaps;
    std::unique_ptr<TJobFile> FPages;
    std::unique_ptr<QPdfWriter> FDevice;
};

// ---- the progress dialog of printing

class TPPPrnPrgDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPPPrnPrgDlg(QWidget* Parent = nullptr);
    QLabel* lblStatus;
    QLabel* lblPageNumber;
    QProgressBar* ProgBar;
    QPushButton* btnCancel;
    // The dialog's client height without its cancel button, at 96 pixels per inch.
    static constexpr int HeightWithoutCancel = 98;
    void ShowCancel(bool Value);

protected:
    void closeEvent(QCloseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    friend class TPagePrinter;
    bool FMayClose = false;
};

// ---- the page printer

enum TMeasureUnit { muInches, muMillimeters };
enum TLineSpacing { lsHalfSpace, lsSingleSpace, lsSingleAndAHalf, lsDoubleSpace };
enum TZoomLocation { zlTopLeft, zlTopCenter, zlCenter, zlSame };

class TPagePaintBox;

// ---- table lines, headers and footers

// One column of a table line's layout: an alignment character ("<" left, "^" centred, ">"
// right) and a width in the page printer's unit. A negative width draws no cell lines; a width
// of 0 takes a share of what the other columns leave of the line.
struct TColumnFormat {
    Qt::Alignment Align = Qt::AlignLeft;
    double Width = 0;
    bool Lines = true;
};
// The columns of Format, joined by Separator; an empty one is left-aligned at DefaultWidth.
QList<TColumnFormat> ParseColumnFormats(const QString& Format, QChar Separator, double DefaultWidth);
// Format with every width multiplied by Factor (another unit).
QString ScaleColumnFormats(const QString& Format, QChar Separator, double Factor);
// Text with "{$PAGE}", "{$TITLE}", "{$DATE}", "{$TIME}" and "{$LINE}" replaced.
QString ReplacePageTokens(const QString& Text, int Page, const QString& Title, int Line,
                          const QDateTime& Now);
// A header or footer written with "&" codes, as a text of cells and their layout: each part
// gets Width divided by the number of parts.
struct TFriendlyText {
    QString Text;
    QString Format;
};
TFriendlyText ParseFriendlyText(const QString& Friendly, QChar Separator, double Width,
                                const QString& FileName, const QDateTime& Now);

enum TPageBorder { pbTop = 1, pbBottom = 2, pbLeft = 4, pbRight = 8 };

class TPagePrinter : public QScrollArea {
    Q_OBJECT
public:
    // Lays pages out for the current printer; without one it works on a PDF layout of its own.
    explicit TPagePrinter(QWidget* Parent = nullptr);
    ~TPagePrinter() override;

    QPrinter* Printer() const { return FPrinter.get(); }
    // Another printer: the margins start again from its unprintable edges.
    void SetPrinter(std::shared_ptr<QPrinter> Printer);

    TMeasureUnit MeasureUnit() const { return FMeasureUnit; }
    void SetMeasureUnit(TMeasureUnit Value);
    // 0 portrait, 1 landscape; also the printer's.
    int Orientation() const;
    void SetOrientation(int Value);
    QString Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    TLineSpacing LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(TLineSpacing Value);
    int TabSize() const { return FTabSize; }
    void SetTabSize(int Value) { FTabSize = std::max(1, Value); }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    // The page font; a size in points is turned into the printer's pixels.
    QFont PageFont() const { return FFont; }
    void SetPageFont(const QFont& Value);

    // Table lines: cells split at TokenSeparator, laid out by TableFormat (see TColumnFormat).
    QChar TokenSeparator() const { return FTokenSeparator; }
    void SetTokenSeparator(QChar Value) { FTokenSeparator = Value; }
    QString TableFormat() const { return FTableFormat; }
    void SetTableFormat(const QString& Value) { FTableFormat = Value; }
    bool TableGrid() const { return FTableGrid; }
    void SetTableGrid(bool Value) { FTableGrid = Value; }
    double DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(double Value) { FDefaultColWidth = Value; }
    // Drawn at the top and the foot of every page, laid out as table lines.
    QString Header() const { return FHeader; }
    void SetHeader(const QString& Value) { FHeader = Value; }
    QString Footer() const { return FFooter; }
    void SetFooter(const QString& Value) { FFooter = Value; }
    QString HeaderFormat() const { return FHeaderFormat; }
    void SetHeaderFormat(const QString& Value) { FHeaderFormat = Value; }
    QString FooterFormat() const { return FFooterFormat; }
    void SetFooterFormat(const QString& Value) { FFooterFormat = Value; }
    // Sets the header (footer) and its layout from "&" codes.
    QString FriendlyHeader() const { return FFriendlyHeader; }
    void SetFriendlyHeader(const QString& Value);
    QString FriendlyFooter() const { return FFriendlyFooter; }
    void SetFriendlyFooter(const QString& Value);
    // A font of their own, or the page font while automatic.
    QFont HeaderFont() const { return FAutoHeaderFont ? FFont : FHeaderFont; }
    void SetHeaderFont(const QFont& Value);
    QFont FooterFont() const { return FAutoFooterFont ? FFont : FFooterFont; }
    void SetFooterFont(const QFont& Value);
    bool AutoHeaderFont() const { return FAutoHeaderFont; }
    void SetAutoHeaderFont(bool Value) { FAutoHeaderFont = Value; }
    bool AutoFooterFont() const { return FAutoFooterFont; }
    void SetAutoFooterFont(bool Value) { FAutoFooterFont = Value; }
    // Lines round the printable part, PageBorderOffset outside it; TPageBorder flags.
    int PageBorders() const { return FPageBorders; }
    void SetPageBorders(int Value) { FPageBorders = Value; }
    double PageBorderOffset() const { return FPageBorderOffset; }
    void SetPageBorderOffset(double Value) { FPageBorderOffset = Value; }
    // Text printed as a whole by Print when nothing was recorded.
    QStringList Lines() const { return FLines; }
    void SetLines(const QStringList& Value) { FLines = Value; }
    // The clock of the date and time tokens.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };

    bool GradientBackground() const { return FGradientBackground; }
    void SetGradientBackground(bool Value);
    QColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(const QColor& Value);
    bool ShowMargins() const { return FShowMargins; }
    void SetShowMargins(bool Value);
    bool ShowGutter() const { return FShowGutter; }
    void SetShowGutter(bool Value);
    int ShadowOffset() const { return FShadowOffset; }
    void SetShadowOffset(int Value);
    int ZoomPercent() const { return FZoomPercent; }
    void SetZoomPercent(int Value);
    TZoomLocation ZoomLocation() const { return FZoomLocation; }
    void SetZoomLocation(TZoomLocation Value) { FZoomLocation = Value; }
    void ZoomToPage();
    void ZoomToPageWidth();
    void ZoomToPageHeight();
    // Counted: repainting waits until every BeginUpdate has its EndUpdate.
    void BeginUpdate();
    void EndUpdate();

    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = std::max(1, Value); }
    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    // 0 means the first and the last page.
    int FromPage() const { return FFromPage; }
    void SetFromPage(int Value);
    int ToPage() const { return FToPage; }
    void SetToPage(int Value);
    bool PrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool Value);
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value);
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool ShowCancel() const { return FShowCancel; }
    void SetShowCancel(bool Value) { FShowCancel = Value; }
    QString ProgressMessage() const { return FProgressMessage; }
    void SetProgressMessage(const QString& Value) { FProgressMessage = Value; }
    // Print writes the pages into this PDF file, laid out as for the printer, instead of
    // printing them; empty: the printer.
    QString OutputPdf() const { return FOutputPdf; }
    void SetOutputPdf(const QString& Value) { FOutputPdf = Value; }
    // Without an output PDF, Print sends the pages, laid out as for the printer, to this CUPS
    // queue; empty: the printer.
    QString OutputQueue() const { return FOutputQueue; }
    void SetOutputQueue(const QString& Value) { FOutputQueue = Value; }
    // What the queue is told of the job: one-sided, on the paper of the layout, until set.
    const TJobOptions& OutputOptions() const { return FOutputOptions; }
    void SetOutputOptions(const TJobOptions& Value) { FOutputOptions = Value; }

    std::function<void()> OnNewLine;
    std::function<void()> OnNewPage;

    // ---- the document
    void BeginDoc();
    void NewPage();
    void EndDoc();
    bool Printing() const { return FRecording; }
    // The canvas of the page being recorded, in printer pixels from the printable part's
    // top left corner; null while not recording.
    QPainter* Canvas() const { return FCanvas.get(); }
    // The page being recorded or shown.
    int PageNumber() const { return FPageNumber; }
    // EPagePrinter unless 1 <= Value <= PageCount (no page shown without pages).
    void SetPageNumber(int Value);
    int PageCount() const { return FDrawer ? FDrawnCount : int(FPages.size()); }
    // Draws page Number on Painter, whose device has DeviceDpiX by DeviceDpiY pixels per inch.
    void DrawPage(QPainter& Painter, int Number, int DeviceDpiX, int DeviceDpiY) const;

    // Pages drawn when they are wanted instead of recorded: Draw paints page Number (from 1) on
    // a canvas in printer pixels from the printable part's top left corner. A big document
    // then costs the few pages shown, not all of them; the next BeginDoc ends it.
    using TPageDrawer = std::function<void(QPainter& Canvas, int Number)>;
    void SetDrawnPages(int Count, TPageDrawer Draw);

    // ---- text
    void Write(const QString& Text);
    void NewLine();
    void WriteLine(const QString& Text);
    // One row of cells split at TokenSeparator and laid out by TableFormat; then a new line.
    void WriteTableLine(const QString& Line);
    int LineHeight() const { return FLineHeight; }
    int LineCount() const { return FLineCount; }
    QPoint TextCursor() const { return {FCursorX, FCursorY}; }

    // ---- measures in MeasureUnit
    int UnitsToPixelsX(double Value) const;
    int UnitsToPixelsY(double Value) const;
    double MarginTop() const { return FMargins[0]; }
    double MarginBottom() const { return FMargins[1]; }
    double MarginLeft() const { return FMargins[2]; }
    double MarginRight() const { return FMargins[3]; }
    void SetMarginTop(double Value);
    void SetMarginBottom(double Value);
    void SetMarginLeft(double Value);
    void SetMarginRight(double Value);
    // The four margins back on the printer's unprintable edges.
    void ResetMargins();
    double PageWidth() const;
    double PageHeight() const;
    double GutterLeft() const;
    double GutterTop() const;
    double GutterRight() const;
    double GutterBottom() const;
    // Inside the margins.
    double PrintableWidth() const;
    double PrintableHeight() const;
    // The part inside the margins in printer pixels, from the device's printable origin.
    QRect PrintableRect() const;
    const TDeviceCaps& Caps() const { return FCaps; }

    // ---- printing
    // Prints FromPage..ToPage as one job; true unless the printer failed, which is reported with
    // the printer's name. Cancelling throws ECancelPrinting and sends nothing.
    bool Print();
    // What the cancel button does.
    void CancelPrinting() { FCancel = true; }
    TPPPrnPrgDlg* ProgressDialog() const { return FProgress; }

private:
    friend class TPagePaintBox;
    void ReadCaps();
    void CheckNotRecording(const char* What) const;
    void SetMargin(int Index, double Value, const char* Name);
    double PixelsToUnitsX(double Pixels) const;
    double PixelsToUnitsY(double Pixels) const;
    void StartPage();
    void FinishPage();
    // Font in the printer's pixels.
    QFont DeviceFont(const QFont& Font) const;
    int LineHeightOf(const QFont& Font) const;
    // Draws (or with Draw false only measures) one row of Cells at Top; its height.
    int DrawRow(const QString& Line, const QString& Format, const QFont& Font, int Top, bool Grid, bool Draw);
    QString RowText(const QString& Line, const QString& Format);
    QList<int> ColumnWidths(const QList<TColumnFormat>& Formats) const;
    void DrawHeaderFooterAndBorders();
    // The text lines run from the header's foot to the footer's top.
    int TextBottom() const;
    // The cursor Height lower at the line's start; a new page when no further line fits.
    void MoveDown(int Height);
    void UpdateLineHeight();
    void Relayout();
    void PrintOnePage(QPagedPaintDevice& Target, QPainter& Painter, int Number, bool Last, int Done,
                      int Total, int From, int To);
    // Screen pixels per printer pixel at the current zoom.
    double ScaleX() const;
    double ScaleY() const;

    // Shared with the provider, so a queue that vanishes cannot take the object away.
    std::shared_ptr<QPrinter> FPrinter;
    TDeviceCaps FCaps;
    TMeasureUnit FMeasureUnit = muInches;
    double FMargins[4] = {0, 0, 0, 0}; // top, bottom, left, right
    QString FTitle;
    TLineSpacing FLineSpacing = lsSingleSpace;
    int FTabSize = 8;
    bool FWordWrap = true;
    QFont FFont;
    QChar FTokenSeparator = QLatin1Char('|');
    QString FTableFormat;
    bool FTableGrid = false;
    double FDefaultColWidth = 0;
    QString FHeader;
    QString FFooter;
    QString FHeaderFormat;
    QString FFooterFormat;
    QString FFriendlyHeader;
    QString FFriendlyFooter;
    QFont FHeaderFont;
    QFont FFooterFont;
    bool FAutoHeaderFont = true;
    bool FAutoFooterFont = true;
    int FPageBorders = 0;
    double FPageBorderOffset = 0;
    QStringList FLines;
    int FHeaderHeight = 0;
    int FFooterHeight = 0;
    bool FGradientBackground = true;
    QColor FShadowColor;
    bool FShowMargins = true;
    bool FShowGutter = false;
    int FShadowOffset = 5;
    int FZoomPercent = 25;
    TZoomLocation FZoomLocation = zlTopLeft;
    int FUpdateCount = 0;
    int FCopies = 1;
    bool FCollate = true;
    int FFromPage = 0;
    int FToPage = 0;
    bool FPrintToFile = false;
    QString FFileName;
    bool FShowProgress = true;
    bool FShowCancel = true;
    QString FProgressMessage;
    QString FOutputPdf;
    QString FOutputQueue;
    TJobOptions FOutputOptions;

    std::vector<std::unique_ptr<QPicture>> FPages;
    TPageDrawer FDrawer;
    int FDrawnCount = 0;
    // The last drawn pages shown, so that scrolling the preview does not draw them again.
    mutable std::vector<std::pair<int, std::shared_ptr<QPicture>>> FShown;
    const QPicture& ShownPage(int Number) const;
    std::unique_ptr<QPainter> FCanvas;
    std::unique_ptr<QFile> FTextFile;
    std::unique_ptr<QTextStream> FTextOut;
    bool FRecording = false;
    int FPageNumber = 0;
    int FCursorX = 0;
    int FCursorY = 0;
    int FLineHeight = 0;
    int FLineCount = 0;
    bool FCancel = false;
    TPPPrnPrgDlg* FProgress = nullptr;
    TPagePaintBox* FPaintBox;
};
