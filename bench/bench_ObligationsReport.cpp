// The obligations report of a whole shop through its window's F8, against the floor of one SQL
// pass over every order (each contract's orders summed in one GROUP BY per table). Goals: F8 within
// 5 times the floor and under 120 MB of memory added at 100,000 contracts, growing linearly. The
// program exits with 1 when a run misses a goal.
// Beside F8 it times the report's rows alone (the contracts and their debts, without the grid), so
// that the share of the engine and of the grid can be told apart.
//
//   build/bin/bench_ObligationsReport [--benchmark_filter=...]

#include "Components/Edits/FilteredEdit.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchShop.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"
#include "core/unNumbers.h"
#include "core/unRegistry.h"
#include "framework/forms/MAccountForm.h"
#include "shell/reports/un_Prosro4eni_zadyljenia.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace {

struct TFigures {
    double F8Ms = 0;
    double RowsMs = 0;
    double FloorMs = 0;
    double AddedMB = 0; // resident after F8 less before
    double PeakMB = 0;  // highest resident during F8 less before
    int Rows = 0;
};
std::map<int, TFigures> Figures;
constexpr double RatioGoal = 5;
constexpr double MemoryGoalMB = 120;

double StatusMegabytes(const char* Field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(Field))
            return line.mid(qstrlen(Field)).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Starts the peak resident size afresh from the present one.
void ResetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

double FloorMs() {
    QElapsedTimer timer;
    timer.start();
    TDelimitedStringList sums;
    RunQuery(nullptr, AdoConnection, QStringLiteral(R"sql(
        SELECT contract_n, Sum( sum_o ) FROM Incomes GROUP BY contract_n
    )sql"),
             &sums);
    RunQuery(nullptr, AdoConnection, QStringLiteral(R"sql(
        SELECT contract_n, Sum( sum_o ) FROM Outcomes GROUP BY contract_n
    )sql"),
             &sums);
    return timer.nsecsElapsed() / 1e6;
}

void BM_ObligationsF8(benchmark::State& State) {
    const int n = int(State.range(0));
    QTemporaryDir dir;
    SetRegistryFile(dir.filePath(QStringLiteral("Kovo_Lab.ini")));
    CreateDatabaseFile(dir.filePath(QStringLiteral("db/Lendora.mdb")));
    CreateAdoConnection(nullptr, dir.path() + u'/');
    bench::MakeShop(n);

    TFigures figures;
    for (auto _ : State) {
        QMainWindow host;
        host.setCentralWidget(new QMdiArea(&host));
        host.resize(1200, 700);
        host.show();
        auto* form = CreateForm<TfrmProsro4eni_zadyljenia>(&host, TMAccountForm::fsMDIChild);
        form->ShowForm();
        form->dtp_To->SetDate(bench::AtDay);
        QApplication::processEvents();
        figures.FloorMs = FloorMs(); // also brings the file into the cache for both

        const double before = StatusMegabytes("VmRSS:");
        ResetPeak();
        QElapsedTimer timer;
        timer.start();
        form->actExecute->trigger();
        figures.F8Ms = timer.nsecsElapsed() / 1e6;
        figures.AddedMB = StatusMegabytes("VmRSS:") - before;
        figures.PeakMB = StatusMegabytes("VmHWM:") - before;
        figures.Rows = form->Grid->RowCount() - form->Grid->FixedRows() - 1;
        State.SetIterationTime(figures.F8Ms / 1e3);
        form->RunDone();
        delete form->Container();

        timer.restart();
        TDelimitedStringList rows;
        QStringList skipped;
        ReadObligationRows(nullptr, okAll, QString(), bench::AtDay, rows, skipped);
        figures.RowsMs = timer.nsecsElapsed() / 1e6;
    }
    FreeAdoConnection();
    SetRegistryFile(QString());
    Figures[n] = figures;
    State.counters["floor_ms"] = figures.FloorMs;
    State.counters["ratio"] = figures.F8Ms / figures.FloorMs;
    State.counters["added_MB"] = figures.AddedMB;
    State.counters["rows_ms"] = figures.RowsMs;
}

BENCHMARK(BM_ObligationsF8)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    bool Met = true;
    for (const auto& [n, f] : Figures) {
        const bool Ok = f.F8Ms / f.FloorMs <= RatioGoal && f.PeakMB < MemoryGoalMB;
        Met = Met && Ok;
        std::printf("N = %d: F8 %.0f ms, floor %.0f ms, ratio %.1f (goal <= %.0f); memory added %.1f MB, "
                    "peak %.1f MB (goal < %.0f); %d rows. The rows alone: %.0f ms, ratio %.1f%s\n",
                    n, f.F8Ms, f.FloorMs, f.F8Ms / f.FloorMs, RatioGoal, f.AddedMB, f.PeakMB, MemoryGoalMB,
                    f.Rows, f.RowsMs, f.RowsMs / f.FloorMs, Ok ? "" : "  MISSED");
    }
    if (Figures.size() == 2)
        std::printf("F8 per contract at 100000 / at 10000: %.2f (1.00 = linear)\n",
                    (Figures.rbegin()->second.F8Ms / Figures.rbegin()->first) /
                        (Figures.begin()->second.F8Ms / Figures.begin()->first));
    benchmark::Shutdown();
    return Met ? 0 : 1;
}
