// Sorting a result table through TDelimitedStringsSorter by its number column, with the numbers
// arriving in five shapes (random, sorted, two ascending runs as when numbering restarts each
// year, organ pipe, all equal), at 10,000 and 100,000 rows. Each is set against its floor,
// std::stable_sort of the same keys already extracted into a vector, and against the sorter's
// own time on random order. Goal: every shape within 3 times random order.
// Also: the hide-and-sort dialog's two-key sort and a two-criterion filter over 500,000 rows.
// And a list window's filter on the date column that rejects half the rows, at 100,000 and
// 400,000 rows, beside a pass that only asks the same criterion of every row. Goal: growth from
// N to 4N rows within 5 (linear is 4).

#include "Components/Filter/FilterEngine.h"
#include "Components/Filter/SimpleFilterDialog.h"
#include "Components/Grids/RichGrid.h"
#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"
#include "core/unSorter.h"
#include "framework/forms/FormHide.h"
#include "framework/forms/MAccountReadForm.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

using namespace Qt::StringLiterals;

namespace {

enum TShape { shRandom, shSorted, shTwoRuns, shOrganPipe, shAllEqual, ShapeCount };
const char* const ShapeNames[ShapeCount] = {"random", "sorted", "two runs", "organ pipe", "all equal"};

const QStringList& Names() {
    static const QStringList List = {"Иванов",   "Петров",  "Георгиев", "Димитров", "Николов",  "Стоянов",
                                     "Христов",  "Тодоров", "Илиев",    "Василев",  "Атанасов", "Ангелов",
                                     "Йорданов", "Колев",   "Маринов",  "Попов",    "Русев",    "Цветков"};
    return List;
}

std::vector<int> Numbers(TShape Shape, int Rows) {
    std::vector<int> Result(size_t(Rows), 0);
    const int Half = Rows / 2;
    for (int I = 0; I < Rows; ++I) {
        switch (Shape) {
        case shRandom:
        case shSorted:
            Result[size_t(I)] = I + 1;
            break;
        case shTwoRuns:
            Result[size_t(I)] = I < Half ? I + 1 : I - Half + 1;
            break;
        case shOrganPipe:
            Result[size_t(I)] = I < Half ? I + 1 : Rows - I;
            break;
        default:
            Result[size_t(I)] = 7;
            break;
        }
    }
    if (Shape == shRandom) std::shuffle(Result.begin(), Result.end(), std::mt19937(42));
    return Result;
}

QString MakeTable(const std::vector<int>& Keys) {
    std::mt19937 Random(42);
    std::uniform_int_distribution<int> Name(0, int(Names().size()) - 1), Cents(1, 2000000), Day(1, 28);
    QStringList Records;
    Records.reserve(qsizetype(Keys.size()));
    for (const int Key : Keys)
        Records << QStringLiteral("%1@%2.03.2026@%3@%4@София@бележка")
                       .arg(Key)
                       .arg(Day(Random), 2, 10, QLatin1Char('0'))
                       .arg(Names()[Name(Random)])
                       .arg(QString::number(Cents(Random) / 100.0, 'f', 2));
    return Records.join(RecordDelimiterChar);
}

void BM_Sorter(benchmark::State& State) {
    const auto Shape = TShape(State.range(0));
    const QString Text = MakeTable(Numbers(Shape, int(State.range(1))));
    TDelimitedStringList List;
    for (auto _ : State) {
        State.PauseTiming();
        List.SetTextStr(Text);
        State.ResumeTiming();
        SortTableRows(List, {0}, false);
    }
    State.SetLabel(ShapeNames[Shape]);
}

void BM_StableSortFloor(benchmark::State& State) {
    const auto Shape = TShape(State.range(0));
    std::vector<std::pair<double, int>> Master;
    for (const int Key : Numbers(Shape, int(State.range(1))))
        Master.emplace_back(Key, int(Master.size()));
    for (auto _ : State) {
        State.PauseTiming();
        auto Keys = Master;
        State.ResumeTiming();
        std::stable_sort(Keys.begin(), Keys.end(),
                         [](const auto& A, const auto& B) { return A.first < B.first; });
        benchmark::DoNotOptimize(Keys.data());
    }
    State.SetLabel(ShapeNames[Shape]);
}

// The dialog's sort: date descending, then number ascending.
void BM_HideDialogTwoKeys(benchmark::State& State) {
    const QString Text = MakeTable(Numbers(shTwoRuns, int(State.range(0))));
    TDelimitedStringList List;
    for (auto _ : State) {
        State.PauseTiming();
        List.SetTextStr(Text);
        State.ResumeTiming();
        SortRecordsByKeys(List, {{1, false}, {0, true}});
    }
}

void BM_TwoCriterionFilter(benchmark::State& State) {
    TDelimitedStringList List;
    List.SetTextStr(MakeTable(Numbers(shRandom, 500000)));
    const TFilterMan Amount(QStringLiteral("100:5000"), fmkNumber);
    const TFilterMan Name(QString::fromUtf8("~ив;~п"), fmkText);
    int Passed = 0;
    for (auto _ : State) {
        Passed = 0;
        for (int I = 0; I < List.Count(); ++I)
            if (Amount.Matches(List.GetField(I, 3)) && Name.Matches(List.GetField(I, 2))) ++Passed;
        benchmark::DoNotOptimize(Passed);
    }
    State.counters["passed"] = Passed;
}

// Days 1 to 14 of the 28 in the date column.
const QString FirstHalfOfTheMonth = QStringLiteral("~0;~10;~11;~12;~13;~14");

// A list window over MakeTable's columns with the date criterion applied, as F6 leaves it.
class TFilteredWindow : public TMAccountReadForm {
public:
    TFilteredWindow() {
        Grid->SetColCount(6);
        Grid->SetFixedRows(1);
        Grid->SetRows(0, {u"Номер"_s, u"Дата"_s, u"Клиент"_s, u"Сума"_s, u"Град"_s, u"Бележка"_s});
        CreateFilterDialog();
        qobject_cast<QLineEdit*>(FilterDialog->Input(1))->setText(FirstHalfOfTheMonth);
        FilterDialog->Apply();
    }
};

void BM_WindowFilter(benchmark::State& State) {
    const QString Text = MakeTable(Numbers(shRandom, int(State.range(0))));
    TFilteredWindow Window;
    TDelimitedStringList List;
    for (auto _ : State) {
        State.PauseTiming();
        List.SetTextStr(Text);
        State.ResumeTiming();
        Window.ApplyFilterToRows(&List);
    }
    // Less the totals row.
    State.counters["kept"] = List.Count() - 1;
}

// The floor: the criterion asked of every row, nothing removed.
void BM_WindowFilterFloor(benchmark::State& State) {
    TDelimitedStringList List;
    List.SetTextStr(MakeTable(Numbers(shRandom, int(State.range(0)))));
    const TFilterMan Date(FirstHalfOfTheMonth, fmkText);
    int Passed = 0;
    for (auto _ : State) {
        Passed = 0;
        for (int I = 0; I < List.Count(); ++I)
            if (Date.Matches(List.GetField(I, 1))) ++Passed;
        benchmark::DoNotOptimize(Passed);
    }
    State.counters["kept"] = Passed;
}

void ShapeArguments(benchmark::internal::Benchmark* B) {
    for (const int Rows : {10000, 100000})
        for (int Shape = 0; Shape < ShapeCount; ++Shape)
            B->Args({Shape, Rows});
}

BENCHMARK(BM_Sorter)->Apply(ShapeArguments)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StableSortFloor)->Apply(ShapeArguments)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HideDialogTwoKeys)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TwoCriterionFilter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowFilter)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WindowFilterFloor)->Arg(100000)->Arg(400000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    const auto Time = [&](const std::string& Name) {
        const auto Found = Reporter.Times.find(Name);
        return Found == Reporter.Times.end() ? 0.0 : Found->second;
    };
    for (const int Rows : {10000, 100000}) {
        const auto Name = [&](const char* Function, int Shape) {
            return std::string(Function) + "/" + std::to_string(Shape) + "/" + std::to_string(Rows) +
                   "/iterations:3";
        };
        const double Random = Time(Name("BM_Sorter", shRandom));
        for (int Shape = 0; Shape < ShapeCount; ++Shape) {
            const double Sorter = Time(Name("BM_Sorter", Shape));
            const double Floor = Time(Name("BM_StableSortFloor", Shape));
            if (Sorter <= 0 || Floor <= 0 || Random <= 0) continue;
            std::printf("%7d rows, %-10s: sorter %8.1f ms, std::stable_sort %6.2f ms (ratio %5.1f), "
                        "%.2f x random order (goal <= 3)\n",
                        Rows, ShapeNames[Shape], Sorter, Floor, Sorter / Floor, Sorter / Random);
        }
        const double TwoKeys = Time("BM_HideDialogTwoKeys/" + std::to_string(Rows) + "/iterations:3");
        if (TwoKeys > 0 && Random > 0)
            std::printf("%7d rows, hide-and-sort two keys: %.1f ms, %.2f x one key in random order\n", Rows,
                        TwoKeys, TwoKeys / Random);
    }
    if (const double Filter = Time("BM_TwoCriterionFilter/iterations:3"); Filter > 0)
        std::printf("Two-criterion filter over 500000 rows: %.1f ms\n", Filter);
    bool Met = true;
    const auto Window = [&](const char* Function, int Rows) {
        return Time(std::string(Function) + "/" + std::to_string(Rows) + "/iterations:3");
    };
    const double Small = Window("BM_WindowFilter", 100000), Big = Window("BM_WindowFilter", 400000);
    if (Small > 0 && Big > 0) {
        Met = Big / Small <= 5;
        for (const int Rows : {100000, 400000})
            std::printf("List window filter, half the rows kept, %6d rows: %.1f ms, a pass asking the "
                        "criterion %.1f ms (ratio %.1f)\n",
                        Rows, Window("BM_WindowFilter", Rows), Window("BM_WindowFilterFloor", Rows),
                        Window("BM_WindowFilter", Rows) / Window("BM_WindowFilterFloor", Rows));
        std::printf(
            "List window filter, growth from 100000 to 400000 rows: %.1f (goal <= 5, linear is 4)%s\n",
            Big / Small, Met ? "" : "  MISSED");
    }
    benchmark::Shutdown();
    return Met ? 0 : 1;
}
