#pragma once
// Printed one-page documents: a layout of named labels placed in millimetres on an A4 portrait
// page, and the preview window the operator prints them from.

#include <QDialog>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QPainter;
class QPrinter;
class QPrintPreviewWidget;
class QStatusBar;
struct TPrintRequest;

struct TReportLabel {
    QString Name;
    // May hold "%s" placeholders until the fill replaces them.
    QString Caption;
    QRectF RectMm; // on the page, margins included
    QString FontFamily = QStringLiteral("Times New Roman");
    double FontPt = 12;
    bool Bold = false;
    Qt::Alignment Align = Qt::AlignLeft | Qt::AlignVCenter;
};

class TReportLayout {
public:
    static constexpr double MarginMm = 10;
    static constexpr QSizeF PageMm{210, 297};

    // Shown in the preview's caption after the fixed prefix.
    QString Title;
    QList<TReportLabel> Labels;

    // Labels are kept in the order added, top to bottom.
    void AddLabel(const TReportLabel& Label);
    // The label called Name; null when there is none.
    TReportLabel* Label(const QString& Name);
    const TReportLabel* Label(const QString& Name) const;
    // The caption of Name; "" for an unknown name.
    QString Caption(const QString& Name) const;
    // Setting an unknown name is a fault of the fill and throws Exception.
    void SetCaption(const QString& Name, const QString& Value);

    // Draws the page on Painter whose device has DpiX x DpiY; (0, 0) is the sheet's corner.
    void Render(QPainter& Painter, int DpiX, int DpiY) const;
    // Draws the page on Printer as one job; false when the printer cannot be painted on.
    bool Print(QPrinter& Printer) const;
};

// The prefix of every report title in the preview's caption.
extern const QString ReportTitlePrefix;

// The preview of one report: page and zoom actions, the zoom box, printing and printer set-up.
class TfmPrint : public QDialog {
    Q_OBJECT
public:
    // Printer: the printer the report is laid out for and printed on, in a copy of the window's
    // own; null: a private one, and printing is refused as there is no printer.
    TfmPrint(TReportLayout& Report, QPrinter* Printer, QWidget* Owner = nullptr);
    ~TfmPrint() override;

    QPrintPreviewWidget* Preview;
    QComboBox* cbZoom;
    QStatusBar* StatusBar;
    QLabel* Panels[3];
    QAction* acExit;
    QAction* acPrint;
    QAction* acPrintSetup;
    QAction* acFirstPage;
    QAction* acLastPage;
    QAction* acPrevPage;
    QAction* acNextPage;
    QAction* acZoomPage;
    QAction* acZoom100;
    QAction* acZoomPageWidth;

    bool Printed = false;
    // Runs after a print.
    std::function<void()> AfterPrint;
    // Asks where to print and how many copies; false cancels. Default: the print dialog.
    std::function<bool(TPrintRequest& Request)> AskPrinter;

    // Prepares the pages behind a progress window and sets the zoom to the page width.
    void PreparePages();
    // Item Index of the zoom box: 0..9 percentages, 10 the whole page, 11 the page width.
    void SetZoomItem(int Index);
    void FirstPage();
    void LastPage();
    void PrevPage();
    void NextPage();
    void PrintReport();
    void PrintSetup();

private:
    void UpdateStatus();
    TReportLayout& FReport;
    std::unique_ptr<QPrinter> FPrinter;
    // Without one the pages are laid out on a private printer and printing is refused.
    bool FHasPrinter;
    QString FInitDir;
};

// Shows Report in a modal preview owned by Owner; true when it was printed. Tests replace the
// preview through SetReportPreviewHook.
bool PreviewReport(TReportLayout& Report, QWidget* Owner);
using TReportPreviewHook = std::function<bool(TReportLayout& Report)>;
void SetReportPreviewHook(TReportPreviewHook Hook);
