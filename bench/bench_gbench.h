#pragma once

// Google Benchmark's console output, plus a result line for each benchmark's rate or time.

#include "bench_common.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <unistd.h>

namespace quenda::bench {

class ResultReporter : public benchmark::ConsoleReporter {
public:
    struct Wanted {
        std::string benchmark; // run name as Google Benchmark prints it
        const char *key;
        const char *what;
        bool rate; // bytes per second as MB/s, else real time per iteration in ms
    };

    // Colours only on a terminal: a log or a pipe gets plain text.
    explicit ResultReporter(std::vector<Wanted> wanted)
        : ConsoleReporter(isatty(fileno(stdout)) ? OO_Defaults : OO_Tabular),
          m_wanted(std::move(wanted))
    {
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            for (const Wanted &w : m_wanted) {
                if (run.benchmark_name() != w.benchmark)
                    continue;
                m_lines.push_back({w, run});
            }
        }
    }

    // After the console table, so the result lines stay together at the end.
    void printResults() const
    {
        for (const auto &[w, run] : m_lines) {
            if (w.rate) {
                const auto it = run.counters.find("bytes_per_second");
                if (it != run.counters.end())
                    printResult(w.key, it->second.value / 1e6, "MB/s", w.what);
            } else {
                const double seconds = run.GetAdjustedRealTime() /
                                       benchmark::GetTimeUnitMultiplier(run.time_unit);
                printResult(w.key, seconds * 1e3, "ms", w.what);
            }
        }
    }

private:
    std::vector<Wanted> m_wanted;
    std::vector<std::pair<Wanted, Run>> m_lines;
};

// Runs the registered benchmarks with `wanted` reported as result lines.
inline int runBenchmarks(int argc, char **argv, std::vector<ResultReporter::Wanted> wanted)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ResultReporter reporter(std::move(wanted));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printResults();
    benchmark::Shutdown();
    return 0;
}

} // namespace quenda::bench
