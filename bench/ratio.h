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
    bool cpu = false; // compare CPU time per iteration instead of real time
};

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
                times[r.benchmark_name()] = r.GetAdjustedRealTime();
                cpuTimes[r.benchmark_name()] = r.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, double> cpuTimes;
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
        const auto& times = p.cpu ? reporter.cpuTimes : reporter.times;
        auto a = times.find(p.action);
        auto f = times.find(p.floor);
        if (a == times.end() || f == times.end() || f->second <= 0)
            continue;
        const double ratio = a->second / f->second;
        const std::string action = p.cpu ? p.action + " (CPU)" : p.action;
        const std::string floor = p.cpu ? p.floor + " (CPU)" : p.floor;
        if (p.target <= 0)
            std::printf("%-34s %-34s %8.2f %8s  info\n", action.c_str(), floor.c_str(), ratio, "-");
        else
            std::printf("%-34s %-34s %8.2f %8.2f  %s\n", action.c_str(), floor.c_str(), ratio, p.target,
                ratio <= p.target ? "ok" : "MISSED");
    }
    return 0;
}

} // namespace qvrbench
