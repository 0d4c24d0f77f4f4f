// A wildcard mask with eight "*" groups against a text that it does not match, the worst case of
// a search that tries every run, against the floor of a mask with one "*" over the same text (one
// pass). Goal: within 20 x the floor, and the same ratio for a text twice as long (time linear in
// the text).

#include "bench/BenchTimes.h"
#include "core/unNumbers.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

const QString StarMask = QStringLiteral("*a*a*a*a*a*a*a*a*b");

void BM_EightStars(benchmark::State& State) {
    const QString Text(int(State.range(0)), QLatin1Char('a'));
    for (auto _ : State)
        benchmark::DoNotOptimize(MatchMask(Text, StarMask));
}

void BM_OneStarFloor(benchmark::State& State) {
    const QString Text(int(State.range(0)), QLatin1Char('a'));
    for (auto _ : State)
        benchmark::DoNotOptimize(MatchMask(Text, QStringLiteral("*b")));
}

BENCHMARK(BM_EightStars)->Arg(60)->Arg(120)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OneStarFloor)->Arg(60)->Arg(120)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TTimesReporter Reporter(TTimesReporter::ByFullName);
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    auto& T = Reporter.Times;
    for (const char* Length : {"60", "120"}) {
        const double Figure = T[std::string("BM_EightStars/") + Length];
        const double Floor = T[std::string("BM_OneStarFloor/") + Length];
        std::printf("Eight-star mask, %s characters: %.2f us against %.2f us, %.1f x (goal <= 20 x)\n",
                    Length, Figure, Floor, Floor > 0 ? Figure / Floor : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
