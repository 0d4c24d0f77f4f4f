// RunQuery of 100,000 rows x 10 columns into a TDelimitedStringList, against the floor of a bare
// sqlite3_step loop that reads the same rows as text; then random field reads on the loaded list.
// Goal: RunQuery at most 3 times the floor.

#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"
#include "core/unDatabase.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <sqlite3.h>

namespace {

constexpr int RowCount = 100000;
const QString Select = QStringLiteral("Select * From Bench");

void FillDatabase(const QString& ProgramFolder) {
    const QString File = ProgramFolder + QStringLiteral("db/") + DatabaseFileName;
    CreateDatabaseFile(File);
    CreateAdoConnection(nullptr, ProgramFolder);
    const bool Ok =
        ExecSQL(nullptr, AdoConnection,
                QStringLiteral(
                    "CREATE TABLE Bench (id INTEGER NOT NULL PRIMARY KEY, day DATETIME, amount DOUBLE, "
                    "rate DOUBLE, name TEXT COLLATE JETTEXT, town TEXT COLLATE JETTEXT, "
                    "note TEXT COLLATE JETTEXT, qty INTEGER, "
                    "flag BIT NOT NULL DEFAULT 0 CHECK (flag IN (0,1)), code TEXT COLLATE JETTEXT)")) &&
        ExecSQL(nullptr, AdoConnection,
                Format("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %d) "
                       "INSERT INTO Bench SELECT i, 45000 + i %% 1000, i * 1.25, 0.0333 * (i %% 7), "
                       "\"Иван Петров Иванов \" || i, \"София\", \"бележка към договор \" || (i %% 97), "
                       "i %% 13, i %% 2, \"A-\" || (i * 7) FROM n",
                       {RowCount}));
    if (!Ok) {
        std::fprintf(stderr, "Cannot fill the benchmark table\n");
        std::exit(1);
    }
}

void BM_RunQuery(benchmark::State& State) {
    TDelimitedStringList List;
    for (auto _ : State) {
        RunQuery(nullptr, AdoConnection, Select, &List);
        benchmark::DoNotOptimize(List.Count());
    }
    State.counters["rows"] = List.Count();
}

void BM_BareStepLoop(benchmark::State& State) {
    sqlite3* Db = nullptr;
    sqlite3_open_v2(QFile::encodeName(AdoConnection->FileName()).constData(), &Db, SQLITE_OPEN_READONLY,
                    nullptr);
    const QByteArray Sql = Select.toUtf8();
    qint64 Bytes = 0;
    for (auto _ : State) {
        sqlite3_stmt* S = nullptr;
        sqlite3_prepare_v2(Db, Sql.constData(), -1, &S, nullptr);
        while (sqlite3_step(S) == SQLITE_ROW) {
            for (int I = 0; I < 10; ++I) {
                benchmark::DoNotOptimize(sqlite3_column_text(S, I));
                Bytes += sqlite3_column_bytes(S, I);
            }
        }
        sqlite3_finalize(S);
    }
    benchmark::DoNotOptimize(Bytes);
    sqlite3_close(Db);
}

void BM_RandomGetField(benchmark::State& State) {
    TDelimitedStringList List;
    RunQuery(nullptr, AdoConnection, Select, &List);
    std::mt19937 Random(42);
    std::uniform_int_distribution<int> Row(0, List.Count() - 1), Col(0, 9);
    std::vector<std::pair<int, int>> Cells(1000000);
    for (auto& C : Cells)
        C = {Row(Random), Col(Random)};
    for (auto _ : State) {
        qint64 Chars = 0;
        for (const auto& C : Cells)
            Chars += List.GetField(C.first, C.second).size();
        benchmark::DoNotOptimize(Chars);
    }
}

BENCHMARK(BM_RunQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareStepLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomGetField)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir Dir;
    FillDatabase(Dir.path() + QLatin1Char('/'));
    TTimesReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const double Query = Reporter.Times["BM_RunQuery"], Floor = Reporter.Times["BM_BareStepLoop"];
    if (Query > 0 && Floor > 0)
        std::printf("RunQuery %.1f ms, bare step loop %.1f ms: ratio %.2f (goal <= 3)\n", Query, Floor,
                    Query / Floor);
    if (Reporter.Times.count("BM_RandomGetField"))
        std::printf("1,000,000 random GetField calls: %.1f ms\n", Reporter.Times["BM_RandomGetField"]);
    FreeAdoConnection();
    benchmark::Shutdown();
    return 0;
}
