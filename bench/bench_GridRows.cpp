// Row work on big grids at 10,000 and 100,000 rows, each against its floor measured in the same
// run: hiding every other row of a loaded rich grid one by one against the same in the plain
// string grid; the lookup list's filter row against the plain grid hiding the same rows by the
// same criterion; reloading an auto-sized grid that already holds the rows against a fresh fill.
// Goals: hiding within 10 x the plain grid, the filter row linear in rows (its ratio the same at
// both sizes), a reload within 5 x a fresh fill.

#include "Components/Filter/FilterEngine.h"
#include "Components/Grids/GridFuncs.h"
#include "Components/Grids/RichGrid.h"
#include "Components/ListEdit/ListEdit.h"
#include "bench/BenchTimes.h"
#include "core/uDelimitedStrings.h"

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>

namespace {

std::unique_ptr<TDelimitedStringList> MakeList(int Rows) {
    auto List = std::make_unique<TDelimitedStringList>();
    List->SetCapacity(Rows);
    const QString Names[] = {QStringLiteral("Иванов"), QStringLiteral("Петрова"), QStringLiteral("Георгиев")};
    for (int I = 0; I < Rows; ++I)
        List->Add(QStringLiteral("%1@%2 %3@%4.%5.2024@%6@София")
                      .arg(I + 1)
                      .arg(Names[I % 3])
                      .arg(I)
                      .arg(I % 28 + 1)
                      .arg(I % 12 + 1)
                      .arg(1.25 * I));
    return List;
}

TDelimitedStringList* ListOf(int Rows) {
    static std::map<int, std::unique_ptr<TDelimitedStringList>> Lists;
    auto& Slot = Lists[Rows];
    if (!Slot) Slot = MakeList(Rows);
    return Slot.get();
}

template <class TGrid> void Prepare(TGrid& Grid, int Rows) {
    Grid.resize(800, 600);
    Grid.SetColCount(5);
    Grid.SetFixedCols(0);
    Grid.SetRowCount(2);
    Grid.SetFixedRows(1);
    if constexpr (std::is_same_v<TGrid, TRichGrid>)
        LoadGridFromList(&Grid, ListOf(Rows), true);
    else
        FillGridFromList(&Grid, ListOf(Rows), true);
}

template <class TGrid> void HideEveryOtherRow(benchmark::State& State) {
    const int Rows = int(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Grid = std::make_unique<TGrid>();
        Prepare(*Grid, Rows);
        State.ResumeTiming();
        for (int R = Grid->FixedRows(); R < Grid->RowCount(); R += 2)
            Grid->SetRowHeights(R, 0);
        State.PauseTiming();
        Grid.reset();
        State.ResumeTiming();
    }
}

void BM_HideRowsRich(benchmark::State& State) {
    HideEveryOtherRow<TRichGrid>(State);
}
void BM_HideRowsPlain(benchmark::State& State) {
    HideEveryOtherRow<TStringGrid>(State);
}

// The filter row of a lookup list over column 1, a criterion a third of the rows pass.
void BM_FilterRow(benchmark::State& State) {
    const int Rows = int(State.range(0));
    TListEdit Edit;
    FillListEdit(&Edit, QStringLiteral("Код@Име@Дата@Сума@Град"), *ListOf(Rows), 0);
    TListForm* Form = Edit.Form();
    Form->SetFilterMode(true);
    Form->Grid()->SetCol(1);
    for (auto _ : State) {
        Form->editSearch()->setText(QStringLiteral("~Петрова"));
        Form->Search();
        State.PauseTiming();
        Form->editSearch()->clear();
        Form->Search();
        State.ResumeTiming();
    }
}

void BM_FilterRowFloor(benchmark::State& State) {
    const int Rows = int(State.range(0));
    TStringGrid Grid;
    Prepare(Grid, Rows);
    for (auto _ : State) {
        const TFilterMan Filter(QStringLiteral("~Петрова"), fmkText);
        for (int R = 1; R < Grid.RowCount(); ++R)
            Grid.SetRowHeights(R, Filter.Matches(Grid.Cells(1, R)) ? Grid.DefaultRowHeight() : 0);
        State.PauseTiming();
        for (int R = 1; R < Grid.RowCount(); ++R)
            Grid.SetRowHeights(R, Grid.DefaultRowHeight());
        State.ResumeTiming();
    }
}

// An auto-sized report grid filled again with the rows it already holds.
void Fill(benchmark::State& State, bool Reload) {
    const int Rows = int(State.range(0));
    for (auto _ : State) {
        State.PauseTiming();
        auto Grid = std::make_unique<TRichGrid>();
        Prepare(*Grid, 1);
        for (int C = 0; C < Grid->ColCount(); ++C)
            Grid->ColAttributes(C)->SetAutoResize(true);
        if (Reload) LoadGridFromList(Grid.get(), ListOf(Rows), true);
        State.ResumeTiming();
        LoadGridFromList(Grid.get(), ListOf(Rows), true);
        State.PauseTiming();
        Grid.reset();
        State.ResumeTiming();
    }
}

void BM_Reload(benchmark::State& State) {
    Fill(State, true);
}
void BM_FreshFill(benchmark::State& State) {
    Fill(State, false);
}

BENCHMARK(BM_HideRowsRich)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HideRowsPlain)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterRowFloor)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reload)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshFill)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    auto& T = Reporter.Times;
    struct {
        const char* What;
        const char* Figure;
        const char* Floor;
        const char* Goal;
    } Lines[] = {
        {"Hiding rows", "BM_HideRowsRich", "BM_HideRowsPlain", "goal <= 10 x"},
        {"Filter row", "BM_FilterRow", "BM_FilterRowFloor", "goal: the same ratio at both sizes"},
        {"Reload", "BM_Reload", "BM_FreshFill", "goal <= 5 x"},
    };
    for (const auto& L : Lines)
        for (const char* Rows : {"10000", "100000"}) {
            const double Figure = T[std::string(L.Figure) + "/" + Rows];
            const double Floor = T[std::string(L.Floor) + "/" + Rows];
            std::printf("%s, %s rows: %.2f ms against %.2f ms, %.1f x (%s)\n", L.What, Rows, Figure, Floor,
                        Floor > 0 ? Figure / Floor : 0.0, L.Goal);
        }
    benchmark::Shutdown();
    return 0;
}
