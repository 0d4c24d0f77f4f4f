#include "framework/printing/ReportLayout.h"

#include "core/unEvents.h"
#include "core/unMessages.h"
#include "core/unRegistry.h"
#include "core/unitTypes.h"
#include "framework/printing/PagePrinter.h"
#include "framework/printing/PrintDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStatusBar>
#include <QTextLayout>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

const QString ReportTitlePrefix = QStringLiteral("Лендора - ");

void TReportLayout::AddLabel(const TReportLabel& Label) {
    Labels.append(Label);
}

TReportLabel* TReportLayout::Label(const QString& Name) {
    for (TReportLabel& label : Labels)
        if (label.Name == Name) return &label;
    return nullptr;
}

const TReportLabel* TReportLayout::Label(const QString& Name) const {
    return const_cast<TReportLayout*>(this)->Label(Name);
}

QString TReportLayout::Caption(const QString& Name) const {
    const TReportLabel* label = Label(Name);
    return label ? label->Caption : QString();
}

void TReportLayout::SetCaption(const QString& Name, const QString& Value) {
    TReportLabel* label = Label(Name);
    if (!label) throw Exception(QStringLiteral("Няма етикет ") + Name);
    label->Caption = Value;
}

void TReportLayout::Render(QPainter& Painter, int DpiX, int DpiY) const {
    auto toX = [DpiX](double Mm) { return Mm * DpiX / 25.4; };
    auto toY = [DpiY](double Mm) { return Mm * DpiY / 25.4; };
    // A label whose text needs more lines than its box holds grows downwards, and every label
    // that starts below its box moves down as much; labels side by side move together.
    struct TPlaced {
        double Bottom; // of the box as designed
        double Moved;  // how far this label and the ones below it move
    };
    QList<TPlaced> placed;
    Painter.save();
    Painter.setPen(Qt::black);
    for (const TReportLabel& label : Labels) {
        QFont font(label.FontFamily);
        // Sizes in device pixels, so the page looks the same at every resolution.
        font.setPixelSize(qMax(1, int(std::lround(label.FontPt * DpiY / 72.0))));
        font.setBold(label.Bold);
        // Broken at spaces; a word wider than the box is broken where the box ends.
        QTextLayout text(label.Caption, font, Painter.device());
        QTextOption option(label.Align & Qt::AlignHorizontal_Mask);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        text.setTextOption(option);
        const double width = toX(label.RectMm.width());
        double height = 0;
        text.beginLayout();
        for (QTextLine line = text.createLine(); line.isValid(); line = text.createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        text.endLayout();

        const double top = toY(label.RectMm.top());
        const double boxHeight = toY(label.RectMm.height());
        double moved = 0;
        for (const TPlaced& above : placed)
            if (above.Bottom <= top + 0.5) moved = std::max(moved, above.Moved);
        const double grown = std::max(0.0, height - boxHeight);
        double y = top + moved;
        if (grown == 0 && (label.Align & Qt::AlignVCenter))
            y += (boxHeight - height) / 2;
        else if (grown == 0 && (label.Align & Qt::AlignBottom))
            y += boxHeight - height;
        text.draw(&Painter, QPointF(toX(label.RectMm.left()), y));
        placed.append({top + boxHeight, moved + grown});
    }
    Painter.restore();
}

namespace {

// Printers lay out from the printable corner; the layout measures from the sheet's.
void RenderOnPrinter(const TReportLayout& Report, const TDeviceCaps& Caps, QPainter& Painter) {
    Painter.translate(-Caps.Offset);
    Report.Render(Painter, Caps.DpiX, Caps.DpiY);
}

} // namespace

bool TReportLayout::Print(QPrinter& Printer) const {
    Printer.setPageSize(QPageSize(QPageSize::A4));
    Printer.setPageOrientation(QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&Printer)) return false;
    RenderOnPrinter(*this, DeviceCaps(Printer), painter);
    return painter.end();
}

// ---- preview

namespace {

const int ZoomPercents[] = {100, 90, 80, 75, 60, 50, 40, 30, 25, 10};
constexpr int ZoomWholePage = 10;
constexpr int ZoomPageWidth = 11;

TReportPreviewHook& PreviewHook() {
    static TReportPreviewHook hook;
    return hook;
}

} // namespace

TfmPrint::TfmPrint(TReportLayout& Report, QPrinter* Printer, QWidget* Owner)
    : QDialog(Owner), FReport(Report), FHasPrinter(Printer != nullptr) {
    // A copy of its own: the page set up here is this document's, not every later report's.
    FPrinter = Printer ? CopyOfPrinter(*Printer) : std::make_unique<QPrinter>();
    FPrinter->setPageSize(QPageSize(QPageSize::A4));
    FPrinter->setPageOrientation(QPageLayout::Portrait);
    FReport.Title = ReportTitlePrefix + FReport.Title;
    setWindowTitle(QStringLiteral("Печат - ") + FReport.Title);
    resize(900, 700);

    auto makeAction = [this](const QString& Text, const QString& Hint, const QKeySequence& Key,
                             const std::function<void()>& Slot) {
        auto* action = new QAction(Text, this);
        action->setToolTip(Hint);
        action->setStatusTip(Hint);
        action->setShortcut(Key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [Slot] { Slot(); });
        return action;
    };
    acExit = makeAction(QStringLiteral("Изход"), QStringLiteral("Изход от печат - [ Esc ]"),
                        QKeySequence(Qt::Key_Escape), [this] { reject(); });
    acPrint = makeAction(QStringLiteral("Печат"), QStringLiteral("Печат на документа - [ F9 ]"),
                         QKeySequence(Qt::Key_F9), [this] { PrintReport(); });
    acPrintSetup =
        makeAction(QStringLiteral("Настройка"), QStringLiteral("Настройка на документ и принтер - [ F10 ]"),
                   QKeySequence(Qt::Key_F10), [this] { PrintSetup(); });
    acFirstPage =
        makeAction(QStringLiteral("Първа"), QStringLiteral("Преглед на първа страница - [ Ctrl+PageUp ]"),
                   QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { FirstPage(); });
    acLastPage = makeAction(QStringLiteral("Последна"),
                            QStringLiteral("Преглед на последна страница - [ Ctrl+PageDown ]"),
                            QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { LastPage(); });
    acPrevPage =
        makeAction(QStringLiteral("Предходна"), QStringLiteral("Преглед на предходна страница - [ PageUp ]"),
                   QKeySequence(Qt::Key_PageUp), [this] { PrevPage(); });
    acNextPage =
        makeAction(QStringLiteral("Следваща"), QStringLiteral("Преглед на следваща страница - [ PageDown ]"),
                   QKeySequence(Qt::Key_PageDown), [this] { NextPage(); });
    acZoomPage = makeAction(QStringLiteral("Цяла страница"),
                            QStringLiteral("Мащабиране към цяла страница - [ Ctrl+Right ]"),
                            QKeySequence(Qt::CTRL | Qt::Key_Right), [this] { SetZoomItem(ZoomWholePage); });
    acZoom100 = makeAction(QStringLiteral("100%"), QStringLiteral("Мащабиране към 100% - [ Ctrl+Left ]"),
                           QKeySequence(Qt::CTRL | Qt::Key_Left), [this] { SetZoomItem(0); });
    acZoomPageWidth = makeAction(
        QStringLiteral("Ширина"), QStringLiteral("Мащабиране към ширина на страница - [ Ctrl+Down ]"),
        QKeySequence(Qt::CTRL | Qt::Key_Down), [this] { SetZoomItem(ZoomPageWidth); });

    cbZoom = new QComboBox(this);
    cbZoom->setToolTip(QStringLiteral("Задаване на мащаб"));
    for (int percent : ZoomPercents)
        cbZoom->addItem(QString::number(percent) + QLatin1Char('%'));
    cbZoom->addItem(QStringLiteral("Екран"));
    cbZoom->addItem(QStringLiteral("Ширина"));
    connect(cbZoom, &QComboBox::activated, this, [this](int Index) { SetZoomItem(Index); });

    auto* toolBar = new QToolBar(this);
    toolBar->addAction(acExit);
    toolBar->addAction(acPrint);
    toolBar->addAction(acPrintSetup);
    toolBar->addSeparator();
    toolBar->addAction(acFirstPage);
    toolBar->addAction(acPrevPage);
    toolBar->addAction(acNextPage);
    toolBar->addAction(acLastPage);
    toolBar->addSeparator();
    toolBar->addWidget(new QLabel(QStringLiteral("Мащаб "), this));
    toolBar->addWidget(cbZoom);

    Preview = new QPrintPreviewWidget(FPrinter.get(), this);
    connect(Preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* Target) {
        QPainter painter(Target);
        RenderOnPrinter(FReport, DeviceCaps(*Target), painter);
    });

    StatusBar = new QStatusBar(this);
    StatusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        Panels[i] = new QLabel(this);
        // Panel 0 takes what the other two leave.
        StatusBar->addWidget(Panels[i], i == 0 ? 1 : 0);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(Preview, 1);
    layout->addWidget(StatusBar);

    AskPrinter = [this](TPrintRequest& Request) {
        return ShowPrintDialog(*FPrinter, Request, Preview->pageCount(), this);
    };
    FInitDir = ReadRegString(QStringLiteral("QRP_Files_InitDir"));
}

TfmPrint::~TfmPrint() {
    WriteRegString(QStringLiteral("QRP_Files_InitDir"), FInitDir);
}

void TfmPrint::PreparePages() {
    {
        TfmPrintProgress progress(this);
        progress.setWindowTitle(QStringLiteral("Печат ..."));
        progress.SetStatus(QStringLiteral("Подготовка на страниците, моля изчакайте ..."));
        progress.SetPages(0, 0);
        progress.show();
        QCoreApplication::processEvents();
        Preview->updatePreview();
        progress.HideProgress();
    }
    cbZoom->setCurrentIndex(ZoomPageWidth);
    SetZoomItem(ZoomPageWidth);
}

void TfmPrint::SetZoomItem(int Index) {
    if (Index < 0 || Index > ZoomPageWidth) return;
    if (Index == ZoomWholePage)
        Preview->fitInView();
    else if (Index == ZoomPageWidth)
        Preview->fitToWidth();
    else
        Preview->setZoomFactor(ZoomPercents[Index] / 100.0);
    cbZoom->setCurrentIndex(Index);
    UpdateStatus();
}

void TfmPrint::UpdateStatus() {
    Panels[1]->setText(QStringLiteral("Увеличение: ") +
                       QString::number(std::lround(Preview->zoomFactor() * 100)) + QLatin1Char('%'));
    Panels[2]->setText(
        Format(QStringLiteral("Стр.: %d / %d"), {Preview->currentPage(), Preview->pageCount()}));
}

void TfmPrint::FirstPage() {
    Preview->setCurrentPage(1);
    UpdateStatus();
}

void TfmPrint::LastPage() {
    Preview->setCurrentPage(Preview->pageCount());
    UpdateStatus();
}

void TfmPrint::PrevPage() {
    if (Preview->currentPage() > 1) Preview->setCurrentPage(Preview->currentPage() - 1);
    UpdateStatus();
}

void TfmPrint::NextPage() {
    if (Preview->currentPage() < Preview->pageCount()) Preview->setCurrentPage(Preview->currentPage() + 1);
    UpdateStatus();
}

void TfmPrint::PrintReport() {
    if (!FHasPrinter) {
        ShowErrorBox(NoPrinterText);
        return;
    }
    TPrintRequest request;
    if (AskPrinter && !AskPrinter(request)) return;
    QString file = request.FileName;
    QString queue = request.Queue;
    if (!TPrinterProvider::Instance().Destination(*FPrinter, FReport.Title, file, queue)) return;
    acExit->setEnabled(false);
    acPrint->setEnabled(false);
    TPrintJob job(*FPrinter, FReport.Title, file, queue, request.Options);
    QPagedPaintDevice* device = job.Device();
    QPainter painter;
    bool drawn = device && painter.begin(device);
    for (int copy = 1; drawn && copy <= request.Copies; ++copy) {
        drawn = copy == 1 || device->newPage();
        if (!drawn) break;
        painter.save();
        RenderOnPrinter(FReport, job.Caps(), painter);
        painter.restore();
    }
    if (painter.isActive() && !painter.end()) drawn = false;
    if (drawn ? job.Send() : job.Failed()) {
        Printed = true;
        if (AfterPrint) AfterPrint();
    }
    acExit->setEnabled(true);
    acPrint->setEnabled(true);
}

void TfmPrint::PrintSetup() {
    QPageSetupDialog dialog(FPrinter.get(), this);
    if (dialog.exec() == QDialog::Accepted) Preview->updatePreview();
}

bool PreviewReport(TReportLayout& Report, QWidget* Owner) {
    if (PreviewHook()) return PreviewHook()(Report);
    if (!Owner) Owner = qobject_cast<QWidget*>(ApplicationMainWindow());
    TPrinterProvider& provider = TPrinterProvider::Instance();
    // Held here, so a queue that leaves while the preview is open cannot take the printer away.
    const std::shared_ptr<QPrinter> printer = provider.SharedPrinter();
    if (printer) provider.PrepareJob(Report.Title);
    TfmPrint form(Report, printer.get(), Owner);
    form.PreparePages();
    form.exec();
    return form.Printed;
}

void SetReportPreviewHook(TReportPreviewHook Hook) {
    PreviewHook() = std::move(Hook);
}
