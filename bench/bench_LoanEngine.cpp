// The debt of every contract of a shop at one date, against the floor of one SQL pass that sums
// every contract's orders at once. Goal: at most 0.25 ms per contract, growing linearly with N.
//
//   build/bin/bench_LoanEngine [--benchmark_filter=...]

#include "bench/BenchShop.h"
#include "business/engine/unLoanEngine.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

using bench::AtDay;

std::map<int, double> MsPerContract;

void BM_CalculateContractDebt(benchmark::State& State) {
    const int n = int(State.range(0));
    QTemporaryDir dir;
    CreateDatabaseFile(dir.filePath(QStringLiteral("db/Lendora.mdb")));
    CreateAdoConnection(nullptr, dir.path() + u'/');
    bench::MakeShop(n);

    double debtMs = 0;
    double floorMs = 0;
    for (auto _ : State) {
        QElapsedTimer timer;
        timer.start();
        QString row;
        TDelimitedStringList oneTime, daily;
        for (int c = 1; c <= n; ++c)
            if (!CalculateContractDebt(nullptr, QString::number(c), row, AtDay, oneTime, daily)) std::abort();
        debtMs = timer.nsecsElapsed() / 1e6;
        State.SetIterationTime(debtMs / 1e3);

        // The floor: every contract's orders summed in one pass per table.
        timer.restart();
        TDelimitedStringList sums;
        RunQuery(
            nullptr, AdoConnection,
            QStringLiteral("SELECT contract_n, payment_type, Sum( sum_o ) FROM Outcomes GROUP BY contract_n, "
                           "payment_type"),
            &sums);
        RunQuery(
            nullptr, AdoConnection,
            QStringLiteral("SELECT contract_n, payment_type, Sum( sum_o ) FROM Incomes GROUP BY contract_n, "
                           "payment_type"),
            &sums);
        floorMs = timer.nsecsElapsed() / 1e6;
    }
    FreeAdoConnection();

    MsPerContract[n] = debtMs / n;
    State.counters["ms_per_contract"] = debtMs / n;
    State.counters["floor_ms_per_contract"] = floorMs / n;
}

BENCHMARK(BM_CalculateContractDebt)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (const auto& [n, ms] : MsPerContract)
        std::printf("N = %d: %.4f ms per contract (goal 0.25)\n", n, ms);
    if (MsPerContract.size() == 2)
        std::printf("per-contract time at 100000 / at 10000: %.2f (1.00 = linear)\n",
                    MsPerContract.rbegin()->second / MsPerContract.begin()->second);
    benchmark::Shutdown();
    return 0;
}
