// Opening the print preview of a 10,000-row list (copying the grid, composing every page of it
// on the page printer) against the floor: the same rows drawn as plain text cells onto the same
// number of recorded pages. Prints the time and the peak memory added by each, and their ratios.
// No printer is reached: the pages are laid out on the page printer's own A4 sheet.

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchTimes.h"
#include "core/unRegistry.h"
#include "framework/printing/GridPreview.h"
#include "framework/printing/PagePrinter.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QPicture>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Rows = 10000;
constexpr int Columns = 6;

struct TListGrid {
    TFloatFormatter Amounts{nullptr, 2};
    TRichGrid Grid;
    TListGrid() {
        Grid.hide();
        Grid.SetColCount(Columns);
        Grid.SetRowCount(Rows + 1);
        Grid.SetFixedRows(1);
        Grid.SetFixedCols(0);
        Grid.SetRows(0, {"Номер", "Дата", "Клиент", "Сума", "Вещ", "Бележка"});
        Amounts.SetMarkNegative(true);
        Grid.ColAttributes(3)->SetFormatter(&Amounts);
        Grid.ColAttributes(3)->SetAlignment({caRight});
        for (int r = 1; r <= Rows; ++r)
            Grid.SetRows(r, {QString::number(r),
                             QStringLiteral("%1.03.2024").arg(r % 28 + 1, 2, 10, QLatin1Char('0')),
                             QStringLiteral("Клиент %1").arg(r % 997),
                             QString::number(r % 17 ? 1.25 * r : -3.5 * r, 'f', 2),
                             QStringLiteral("злато 585, %1 г").arg(r % 50),
                             QStringLiteral("бележка %1").arg(r % 101)});
    }
};

TListGrid& List() {
    static TListGrid list;
    return list;
}

std::unique_ptr<TfmPrintPreview> OpenPreview() {
    return std::make_unique<TfmPrintPreview>(0, &List().Grid, "Договори", "Всички", QString(), 0, QString(),
                                             QString(), false, false, false, QString(), QString());
}

// The floor: Pages pages of text cells, a header row and as many rows as the preview put on
// each page, each cell drawn once at its place.
std::vector<std::unique_ptr<QPicture>> DrawFloor(int Pages) {
    std::vector<std::unique_ptr<QPicture>> pages;
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(33); // 8 points at 300 dpi
    const int rowHeight = QFontMetrics(font).height() + 8;
    const int perPage = Rows / Pages + 1;
    const int width = 320;
    int row = 1;
    for (int p = 0; p < Pages; ++p) {
        pages.push_back(std::make_unique<QPicture>());
        QPainter c(pages.back().get());
        c.setFont(font);
        for (int k = 0; k <= perPage && row <= Rows; ++k) {
            const int r = k == 0 ? 0 : row++;
            for (int col = 0; col < Columns; ++col) {
                const QRect cell(200 + col * width, 300 + k * rowHeight, width, rowHeight);
                c.drawRect(cell);
                c.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, List().Grid.Cells(col, r));
            }
        }
    }
    return pages;
}

int PreviewPages() {
    static const int pages = OpenPreview()->PagePrinter->PageCount();
    return pages;
}

void BM_OpenPreview(benchmark::State& State) {
    for (auto _ : State)
        benchmark::DoNotOptimize(OpenPreview());
}

void BM_Floor(benchmark::State& State) {
    const int pages = PreviewPages();
    for (auto _ : State)
        benchmark::DoNotOptimize(DrawFloor(pages));
}

BENCHMARK(BM_OpenPreview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

double StatusMegabytes(const char* Field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(Field))
            return line.mid(int(qstrlen(Field))).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

// The peak resident memory that Work adds above what the process holds when it starts.
template <typename F> double PeakAdded(F Work) {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5"); // the peak starts again from now
    clear.close();
    const double before = StatusMegabytes("VmRSS:");
    {
        auto kept = Work();
        benchmark::DoNotOptimize(kept);
    }
    return StatusMegabytes("VmHWM:") - before;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    // Neither the workstation's settings nor its printers take part.
    QTemporaryDir dir;
    SetRegistryFile(dir.filePath(QStringLiteral("bench.ini")));
    TPrinterProvider::Instance().SetUseSystemQueues(false);
    TPrinterProvider::Instance().Reset();
    benchmark::Initialize(&argc, argv);

    List();
    const int pages = PreviewPages();
    const double previewPeak = PeakAdded([] { return OpenPreview(); });
    const double floorPeak = PeakAdded([pages] { return DrawFloor(pages); });

    TTimesReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const double preview = Reporter.Times["BM_OpenPreview"];
    const double floor = Reporter.Times["BM_Floor"];
    std::printf("Preview of %d rows, %d pages: %.0f ms; floor (plain text cells on the same pages): %.0f ms; "
                "ratio %.1f\n",
                Rows, pages, preview, floor, preview / std::max(1e-9, floor));
    std::printf("Peak memory added: preview %.1f MB; floor %.1f MB; ratio %.1f\n", previewPeak, floorPeak,
                previewPeak / std::max(1e-9, floorPeak));
    benchmark::Shutdown();
    return 0;
}
