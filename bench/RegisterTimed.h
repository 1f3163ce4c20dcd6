#pragma once

#include <benchmark/benchmark.h>
#include <string>

// Registers `function` as a benchmark timed in wall-clock milliseconds, run `repetitions` times
// and reported by its aggregates (the median is the figure to quote).
inline void RegisterTimed(const std::string& name, auto function, int repetitions) {
    benchmark::RegisterBenchmark(name.c_str(), function)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}
