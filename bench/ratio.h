#pragma once
// Collects each benchmark's time per iteration and, after the run, prints every
// action / floor ratio next to its target.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace qvrbench {

struct Pair {
    std::string action;
    std::string floor;
    double target;
};

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

// A pair left out of the run (e.g. by a filter) is skipped; a ratio over its target
// is reported, not failed. Target 0 marks a ratio shown for information only.
inline int runAndPrint(int argc, char** argv, const std::vector<Pair>& pairs)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\n%-34s %-34s %8s %8s  %s\n", "action", "floor", "ratio", "target", "");
    for (const Pair& p : pairs) {
        auto a = reporter.times.find(p.action);
        auto f = reporter.times.find(p.floor);
        if (a == reporter.times.end() || f == reporter.times.end() || f->second <= 0)
            continue;
        const double ratio = a->second / f->second;
        if (p.target <= 0)
            std::printf("%-34s %-34s %8.2f %8s  info\n", p.action.c_str(), p.floor.c_str(), ratio, "-");
        else
            std::printf("%-34s %-34s %8.2f %8.2f  %s\n", p.action.c_str(), p.floor.c_str(), ratio,
                        p.target, ratio <= p.target ? "ok" : "MISSED");
    }
    return 0;
}

} // namespace qvrbench
