#pragma once
// Collects each benchmark's time per iteration and, after the run, prints every
// action / floor ratio next to its target. A benchmark run in repetitions counts
// with the mean of its repetitions: taken in turns with its floor's, while the
// machine is now fast and now slow, both means weigh the two alike, where the
// medians of two such mixed samples may each fall on either side.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <numeric>
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
                realRuns[r.benchmark_name()].push_back(r.GetAdjustedRealTime());
                cpuRuns[r.benchmark_name()].push_back(r.GetAdjustedCPUTime());
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> means(bool cpu) const
    {
        std::map<std::string, double> out;
        for (const auto& [name, values] : cpu ? cpuRuns : realRuns)
            out[name] = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
        return out;
    }
    std::map<std::string, std::vector<double>> realRuns, cpuRuns;
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
    const std::map<std::string, double> realTimes = reporter.means(false), cpuTimes = reporter.means(true);
    for (const Pair& p : pairs) {
        const auto& times = p.cpu ? cpuTimes : realTimes;
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
