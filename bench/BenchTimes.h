#pragma once
// The console reporter of the benchmark programs: it keeps each benchmark's time so that the
// program can print its summary against the goals after the table.

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <vector>

// Times are the adjusted real times in each benchmark's unit, kept by function name
// ("BM_RunQuery"), or by full name ("BM_PaintTop/1000") where one function runs with several
// arguments.
class TTimesReporter : public benchmark::ConsoleReporter {
public:
    enum TKey { ByFunctionName, ByFullName };
    explicit TTimesReporter(TKey Key = ByFunctionName) : FKey(Key) {}

    void ReportRuns(const std::vector<Run>& Runs) override {
        for (const Run& R : Runs)
            if (R.run_type == Run::RT_Iteration)
                Times[FKey == ByFullName ? R.benchmark_name() : R.run_name.function_name] =
                    R.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Times;

private:
    TKey FKey;
};
