// Filling a rich grid from a 100,000-row x 10-column result table with LoadGridFromList, and
// painting one screen of it at the top and at the bottom, against the same grid with 1,000
// rows. Goals: fill <= 0.5 s, memory added <= 150 MB, and the paint time of one screen the
// same for 1,000 and 100,000 rows.

#include "Components/Grids/CellFormatters.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

std::unique_ptr<TDelimitedStringList> MakeList(int Rows) {
    auto list = std::make_unique<TDelimitedStringList>();
    list->SetCapacity(Rows);
    const QString names[] = {QStringLiteral("Иванов"), QStringLiteral("Петрова"), QStringLiteral("Георгиев")};
    for (int i = 0; i < Rows - 1; ++i)
        list->Add(QStringLiteral("%1@%2.%3.2024@%4@%5 %6@София@%7@%8@злато 585@%9@бележка %10")
                      .arg(i + 1)
                      .arg(i % 28 + 1)
                      .arg(i % 12 + 1)
                      .arg(i % 17 == 0 ? -12.5 * i : 1.25 * i)
                      .arg(names[i % 3])
                      .arg(i)
                      .arg(i % 97)
                      .arg(0.0333 * (i % 7))
                      .arg(i % 13)
                      .arg(i % 101));
    list->Add(QStringLiteral("¤Общо@@@@@@@@@"));
    return list;
}

// A report grid: two header rows with merged cells, an amount column with a number formatter.
struct TReportGrid {
    TFloatFormatter Formatter{nullptr, 2};
    TRichGrid Grid;
    TReportGrid() {
        Grid.resize(1000, 600);
        Grid.SetColCount(10);
        Grid.SetFixedCols(0);
        Grid.SetRowCount(3);
        Grid.SetFixedRows(2);
        Grid.SetDefaultRowHeight(18);
        Grid.SetMergeCellsStr(QStringLiteral("0,0,0,1|1,0,2,0|3,0,3,1|4,0,9,0|"));
        Formatter.SetMarkNegative(true);
        Formatter.NegativeAttr()->SetForeColor(clRed);
        Grid.ColAttributes(3)->SetFormatter(&Formatter);
        Grid.ColAttributes(0)->SetAutoResize(true);
    }
};

std::map<int, std::unique_ptr<TDelimitedStringList>>& Lists() {
    static std::map<int, std::unique_ptr<TDelimitedStringList>> lists;
    return lists;
}

TDelimitedStringList* ListOf(int Rows) {
    auto& slot = Lists()[Rows];
    if (!slot) slot = MakeList(Rows);
    return slot.get();
}

double ResidentMegabytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

void BM_LoadGridFromList(benchmark::State& State) {
    TDelimitedStringList* list = ListOf(int(State.range(0)));
    for (auto _ : State) {
        State.PauseTiming();
        auto report = std::make_unique<TReportGrid>();
        State.ResumeTiming();
        benchmark::DoNotOptimize(LoadGridFromList(&report->Grid, list, true));
        State.PauseTiming();
        report.reset();
        State.ResumeTiming();
    }
}

// Grabbing the widget paints every visible cell once, composing and formatting each.
void PaintScreen(benchmark::State& State, bool Bottom) {
    TReportGrid report;
    LoadGridFromList(&report.Grid, ListOf(int(State.range(0))), true);
    report.Grid.SetTopRow(Bottom ? report.Grid.RowCount() - 1 : report.Grid.FixedRows());
    for (auto _ : State)
        benchmark::DoNotOptimize(report.Grid.grab());
}

void BM_PaintTop(benchmark::State& State) {
    PaintScreen(State, false);
}
void BM_PaintBottom(benchmark::State& State) {
    PaintScreen(State, true);
}

BENCHMARK(BM_LoadGridFromList)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintTop)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintBottom)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);

    // Memory first, in a process that has not filled a grid yet.
    TDelimitedStringList* big = ListOf(100000);
    double added = 0;
    {
        auto report = std::make_unique<TReportGrid>();
        const double before = ResidentMegabytes();
        LoadGridFromList(&report->Grid, big, true);
        added = ResidentMegabytes() - before;
    }

    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    auto& t = Reporter.Times;
    std::printf("Fill of 100,000 rows: %.1f ms (goal <= 500 ms); memory added: %.1f MB (goal <= 150 MB)\n",
                t["BM_LoadGridFromList/100000"], added);
    std::printf("One screen at the top: %.2f ms for 1,000 rows, %.2f ms for 100,000 rows\n",
                t["BM_PaintTop/1000"], t["BM_PaintTop/100000"]);
    std::printf("One screen at the bottom: %.2f ms for 1,000 rows, %.2f ms for 100,000 rows\n",
                t["BM_PaintBottom/1000"], t["BM_PaintBottom/100000"]);
    benchmark::Shutdown();
    return 0;
}
