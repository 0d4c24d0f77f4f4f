// Sorting a 500,000-row result table by two key columns (an amount and a Cyrillic name) through
// TDelimitedStringsSorter, against the floor of sorting the same keys, already extracted into a
// vector, with a plain comparison; and a two-criterion filter over the same table.
// Goal: the sorter within 3 times the floor.

#include "Components/Filter/FilterEngine.h"
#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"
#include "core/unSorter.h"

#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

constexpr int RowCount = 500000;

QString MakeTable() {
    const QStringList Names = {"Иванов",   "Петров",  "Георгиев", "Димитров", "Николов",  "Стоянов",
                               "Христов",  "Тодоров", "Илиев",    "Василев",  "Атанасов", "Ангелов",
                               "Йорданов", "Колев",   "Маринов",  "Попов",    "Русев",    "Цветков"};
    std::mt19937 Random(42);
    std::uniform_int_distribution<int> Name(0, int(Names.size()) - 1), Cents(1, 2000000), Suffix(1, 999);
    QStringList Records;
    Records.reserve(RowCount);
    for (int I = 0; I < RowCount; ++I) {
        const QString Amount = QString::number(Cents(Random) / 100.0, 'f', 2);
        Records << QStringLiteral("%1@%2 %3@%4@София@бележка")
                       .arg(I)
                       .arg(Names[Name(Random)])
                       .arg(Suffix(Random))
                       .arg(Amount);
    }
    return Records.join(RecordDelimiterChar);
}

const QString& Table() {
    static const QString Text = MakeTable();
    return Text;
}

void BM_DelimitedStringsSorter(benchmark::State& State) {
    TDelimitedStringList List;
    for (auto _ : State) {
        State.PauseTiming();
        List.SetTextStr(Table());
        State.ResumeTiming();
        TDelimitedStringsSorter Sorter(&List);
        Sorter.SetKeyColumns({2, 1});
        Sorter.SortRange(0, List.Count() - 1);
        Sorter.WaitFor();
    }
    State.counters["rows"] = List.Count();
}

void BM_PreExtractedKeysFloor(benchmark::State& State) {
    TDelimitedStringList List;
    List.SetTextStr(Table());
    std::vector<std::pair<double, QString>> Master;
    Master.reserve(size_t(List.Count()));
    for (int I = 0; I < List.Count(); ++I)
        Master.emplace_back(List.GetField(I, 2).toDouble(), List.GetField(I, 1));
    for (auto _ : State) {
        State.PauseTiming();
        auto Keys = Master;
        State.ResumeTiming();
        std::sort(Keys.begin(), Keys.end(), [](const auto& A, const auto& B) {
            if (A.first != B.first) return A.first < B.first;
            return A.second.compare(B.second) < 0;
        });
        benchmark::DoNotOptimize(Keys.data());
    }
}

void BM_TwoCriterionFilter(benchmark::State& State) {
    TDelimitedStringList List;
    List.SetTextStr(Table());
    const TFilterMan Amount(QStringLiteral("100:5000"), fmkNumber);
    const TFilterMan Name(QString::fromUtf8("~ив;~п"), fmkText);
    int Passed = 0;
    for (auto _ : State) {
        Passed = 0;
        for (int I = 0; I < List.Count(); ++I)
            if (Amount.Matches(List.GetField(I, 2)) && Name.Matches(List.GetField(I, 1))) ++Passed;
        benchmark::DoNotOptimize(Passed);
    }
    State.counters["passed"] = Passed;
}

BENCHMARK(BM_DelimitedStringsSorter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PreExtractedKeysFloor)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TwoCriterionFilter)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    TTimesReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const double Sorter = Reporter.Times["BM_DelimitedStringsSorter"];
    const double Floor = Reporter.Times["BM_PreExtractedKeysFloor"];
    if (Sorter > 0 && Floor > 0)
        std::printf("Sorter %.1f ms, pre-extracted keys %.1f ms: ratio %.2f (goal <= 3)\n", Sorter, Floor,
                    Sorter / Floor);
    if (Reporter.Times.count("BM_TwoCriterionFilter"))
        std::printf("Two-criterion filter over %d rows: %.1f ms\n", RowCount,
                    Reporter.Times["BM_TwoCriterionFilter"]);
    benchmark::Shutdown();
    return 0;
}
