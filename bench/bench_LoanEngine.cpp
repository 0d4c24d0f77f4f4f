// The debt of every contract of a shop at one date, against the floor of one SQL pass that sums
// every contract's orders at once. Goal: at most 0.25 ms per contract, growing linearly with N.
//
//   build/bin/bench_LoanEngine [--benchmark_filter=...]

#include "business/engine/unConsts.h"
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

constexpr int AtDay = 45658; // 01.01.2025
constexpr int Items = 1000;

void Exec(const QString& Sql) {
    if (!ExecSQL(nullptr, AdoConnection, Sql)) std::abort();
}

// N contracts, each about a year old: the payout, two interest instalments, a principal
// instalment that moves most balances into the other band, and a daily-fee payment. Two interest
// bands; one one-time fee and one daily fee with two bands.
void MakeShop(int N) {
    TTransaction transaction;
    Exec(QStringLiteral("Insert into Item_types values ( 1, \"Злато\" )"));
    for (int i = 1; i <= Items; ++i)
        Exec(Format("Insert into Items values ( %d, \"Пръстен %d\", 1 )", {i, i}));
    const int owners = N / 2;
    for (int i = 1; i <= owners; ++i)
        Exec(Format(
            "Insert into Owners values ( %d, \"Собственик %d\", \"София\", \"\", \"\", \"\", True, False, "
            "1, \"\", \"\", \"\", \"\" )",
            {7000000000LL + i, i}));
    Exec(QStringLiteral("Insert into Interest_rates values ( 1, 0, 1000, 0.0600, 1 )"));
    Exec(QStringLiteral("Insert into Interest_rates values ( 2, 1000, 1000000, 0.0400, 1 )"));
    Exec(QStringLiteral("Insert into Taxes values ( 1, \"Оценка\", 1 )"));
    Exec(QStringLiteral("Insert into Taxes values ( 2, \"Съхранение\", 0 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 1, 1, 0, 1000000, 0.0100, 1 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 1, 2, 0, 800, 0.0300, 1 )"));
    Exec(QStringLiteral("Insert into Taxes_rates values ( 2, 2, 800, 1000000, 0.0150, 1 )"));
    int incomeNo = 0;
    for (int c = 1; c <= N; ++c) {
        const int date = AtDay - 360 + c % 30;
        const double amount = 500 + (c * 37) % 1500;
        Exec(Format(
            "Insert into Contracts values ( %d, %d, %d, %f, %f, 30, \"\", 0, 0, False, 0, %d, False, 0, "
            "%.3f, 0, %f, %f, %f, 0 )",
            {c, date, 1 + c % Items, amount, 4.0, 7000000000LL + 1 + c % owners, 0.0, 0.0, 0.0, 0.0}));
        Exec(Format("Insert into Outcomes values ( %d, %d, %d, 1, %f, \"\", \"\", \"\" )",
                    {c, date, c, amount}));
        const auto receive = [&](int Day, int Type, double Sum) {
            Exec(Format("Insert into Incomes values ( %d, %d, %d, %d, %.*f, \"\", \"\", \"\" )",
                        {++incomeNo, Day, c, Type, 2, Sum}));
        };
        receive(date + 90, ptInInterest, amount * 0.12);
        receive(date + 120, ptInPrincipal, amount * 0.4);
        receive(date + 200, ptInInterest, amount * 0.1);
        receive(date + 250, FeePaymentType(2), 15);
    }
    transaction.Commit();
}

std::map<int, double> MsPerContract;

void BM_CalculateContractDebt(benchmark::State& State) {
    const int n = int(State.range(0));
    QTemporaryDir dir;
    CreateDatabaseFile(dir.filePath(QStringLiteral("db/Lendora.mdb")));
    CreateAdoConnection(nullptr, dir.path() + u'/');
    MakeShop(n);

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
