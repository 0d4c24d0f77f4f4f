// Opening the print preview of a report as wide as the debts list (38 columns under two header
// rows, a note column) at 10,000 and 100,000 rows, against the floor: the same cells' shown
// texts written out as plain text. Prints both times and their ratio (goal: within 10 times),
// and the memory the preview adds against the grid's own (goal: under 4 times).
// No printer is reached: the pages are laid out on the page printer's own A4 sheet.
//
//   build/bin/bench_Preview [--benchmark_filter=...]

#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchTimes.h"
#include "core/unRegistry.h"
#include "framework/printing/GridPreview.h"
#include "framework/printing/PagePrinter.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Columns = 38;

double ResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

std::unique_ptr<TRichGrid> DebtsGrid(int Rows) {
    auto grid = std::make_unique<TRichGrid>();
    grid->hide();
    grid->SetColCount(Columns);
    grid->SetRowCount(Rows + 2);
    grid->SetFixedRows(2);
    grid->SetFixedCols(0);
    QStringList names{"Номер", "Дата", "Клиент", "Адрес", "Вещ"};
    for (int c = 5; c < Columns - 1; ++c)
        names << QStringLiteral("Сума %1").arg(c);
    names << QStringLiteral("Бележка");
    grid->SetRows(1, names);
    for (int c = 5; c < Columns - 1; c += 4) {
        grid->SetCells(c, 0, QStringLiteral("Задължения, група %1").arg(c));
        grid->MergeCells({c, 0, std::min(c + 3, Columns - 2), 0});
    }
    for (int c = 5; c < Columns - 1; ++c)
        grid->ColAttributes(c)->SetAlignment({caRight});
    QStringList row;
    for (int r = 1; r <= Rows; ++r) {
        row = {QString::number(100000 + r),
               QStringLiteral("%1.03.2024").arg(r % 28 + 1, 2, 10, QLatin1Char('0')),
               QStringLiteral("Иван Петров Клиентов %1").arg(r % 997),
               QStringLiteral("гр. София, ул. Шипка %1").arg(r % 120),
               QStringLiteral("пръстен злато 585, %1 г").arg(r % 50)};
        for (int c = 5; c < Columns - 1; ++c)
            row << QString::number((r % 1000) * 1.25 + c, 'f', 2);
        row << (r % 50 == 0
                    ? QStringLiteral("клиентът ще мине в петък да доплати лихвата, да се обади на сина си")
                    : QString());
        grid->SetRows(r + 1, row);
    }
    return grid;
}

struct TFigures {
    double GridMB = 0;
    double PreviewMB = 0;
    int Pages = 0;
};
std::map<int, TFigures> Figures;
std::map<int, std::unique_ptr<TRichGrid>> Grids;

TRichGrid* Grid(int Rows) {
    auto& grid = Grids[Rows];
    if (!grid) {
        const double before = ResidentMegabytes();
        grid = DebtsGrid(Rows);
        Figures[Rows].GridMB = ResidentMegabytes() - before;
    }
    return grid.get();
}

void BM_Preview(benchmark::State& State) {
    const int rows = int(State.range(0));
    TRichGrid* grid = Grid(rows);
    for (auto _ : State) {
        const double before = ResidentMegabytes();
        TfmPrintPreview preview(1, grid, "Задължения", "към 05.03.2024", QString(), 0, QString(), QString(),
                                false, false, false, QString(), QString());
        preview.GoToPage(1);
        preview.repaint();
        Figures[rows].PreviewMB = ResidentMegabytes() - before;
        Figures[rows].Pages = preview.PagePrinter->PageCount();
    }
}

// The floor: every shown text of the grid written out once as a line of plain text.
void BM_PlainText(benchmark::State& State) {
    const int rows = int(State.range(0));
    TRichGrid* grid = Grid(rows);
    for (auto _ : State) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QString text;
        for (int r = 0; r < grid->RowCount(); ++r) {
            QString line;
            for (int c = 0; c < grid->ColCount(); ++c) {
                GetGridCellText(grid, c, r, text);
                line += text;
                line += QLatin1Char('\t');
            }
            out.write(line.toUtf8() + '\n');
        }
        benchmark::DoNotOptimize(out.data().size());
    }
}

BENCHMARK(BM_Preview)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainText)->Arg(10000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

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
    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    for (const auto& [rows, f] : Figures) {
        const std::string arg = "/" + std::to_string(rows) + "/iterations:1";
        const double preview = Reporter.Times["BM_Preview" + arg];
        const double floor = Reporter.Times["BM_PlainText" + arg];
        if (preview <= 0 || floor <= 0) continue;
        std::printf(
            "%d rows x %d columns, %d pages: preview %.0f ms, plain text %.0f ms, ratio %.1f (goal 10); "
            "memory added %.0f MB against the grid's %.0f MB, ratio %.1f (goal 4)\n",
            rows, Columns, f.Pages, preview, floor, preview / floor, f.PreviewMB, f.GridMB,
            f.PreviewMB / std::max(1e-9, f.GridMB));
    }
    benchmark::Shutdown();
    return 0;
}
