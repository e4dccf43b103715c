// Start-up to the first painted main window, and the peak memory of holding a
// roster, each measured in a child process of its own.
//
// Each configuration gets a fresh folder with its own copy of a probe executable
// (so the settings file beside it is its own and nobody's real file is touched),
// a settings file naming the roster there, and the roster. A run spawns the copy
// under the offscreen platform and times from just before the spawn to the end of
// the first painted frame of the main window, as the child reports it (manual
// time, each iteration the median of STARTS_PER_ITERATION starts; the counter
// paint_event_ms is the time to the first paint event, when that painting
// starts; the CPU column is the parent's own). The child's peak resident set
// (VmHWM) at that moment goes into the counters and into a second table, of
// memory ratios.
//
// The time pairs: qvrutl with a 1,000-character roster against qtMinimal, target 1.3,
// and against qtNames (a window that links what qvrutl links and draws the sample's
// names in the main window's fonts), target 1.3, in the ratio table and again from
// alternated starts (printAlternatedTable). qtText and qtTextLibs are steps from the
// floor towards the program, for information. Growth with the roster: start-up with
// 100,000 characters, less loadRoster of that file (timed here, warm), against 1.2
// times start-up with 1,000 (printGrowthTable). The memory pair: see printMemoryTable.
//
// QVRBENCH_KEEP=1 keeps the folders (their place is printed) for running a probe by
// hand: cd into one, QT_QPA_PLATFORM=offscreen ./qvrutl (or ./minimal [--text]).

#include "ratio.h"
#include "variedroster.h"
#include "platform/error.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"
#include "settings/profilefile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <utility>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace qvr;
namespace fs = std::filesystem;

namespace {

constexpr int CHILD_TIMEOUT_MS = 60000;
constexpr double TIME_TARGET = 1.3;
constexpr double MEMORY_TARGET = 2.0;
// An iteration's time is the median of this many starts, so that a start slowed by
// another process on the machine does not move the mean.
constexpr int STARTS_PER_ITERATION = 5;
constexpr const char* EMPTY = "qvrutl/empty"; // the start-up roster (no roster file)
constexpr const char* LARGE = "qvrutl/100000";
constexpr const char* SMALL = "qvrutl/1000";
constexpr double GROWTH_TARGET = 1.2;

// ---- folders ----

// The root of every configuration's folder, removed at the end (also after --help)
// unless QVRBENCH_KEEP is set, for running a probe by hand (under a profiler).
class TempRoot {
public:
    const std::string& path()
    {
        if (path_.empty()) {
            char tmpl[] = "/tmp/qvrbench-startup.XXXXXX";
            const char* d = ::mkdtemp(tmpl);
            if (!d) {
                std::perror("mkdtemp");
                std::abort();
            }
            path_ = d;
        }
        return path_;
    }
    ~TempRoot()
    {
        if (!path_.empty() && std::getenv("QVRBENCH_KEEP")) {
            std::fprintf(stderr, "kept %s\n", path_.c_str());
        } else if (!path_.empty()) {
            std::error_code ec;
            fs::remove_all(path_, ec);
        }
    }

private:
    std::string path_;
};

TempRoot& tempRoot()
{
    static TempRoot root;
    return root;
}

// The floor; two steps from it towards the program, to tell apart what any Qt
// program that shows text and links what qvrutl links pays; the program itself.
enum class Probe {
    Minimal, // one plain window
    MinimalText, // the same with one line of text (a QLabel)
    MinimalTextLibs, // the same, linked with Qt Multimedia as qvrgui once was
    MinimalNames, // the sample's names in the main window's fonts
    Program, // qvr::runProgram
};

struct Config {
    Config(std::string l, Probe p, long n) : label(std::move(l)), probe(p), characters(n) { }
    std::string label; // as the tables show it
    Probe probe;
    long characters; // -1: no roster file (the program keeps its start-up roster)
    // filled in by prepare()
    bool prepared = false;
    bool warmedUp = false;
    std::string folder;
    std::string exe;
    std::string arg; // the probe's one argument, if any
    std::uintmax_t fileBytes = 0;
    // Started before each start of this one, so that both see the same load of the
    // machine; the times of both go into `alternated`.
    Config* alternate = nullptr;
    std::vector<double> alternated[2]; // this one's times, the alternate's
};

void prepare(Config& c)
{
    if (c.prepared)
        return;
    std::string name = c.label;
    std::replace(name.begin(), name.end(), '/', '_');
    c.folder = tempRoot().path() + "/" + name;
    fs::create_directory(c.folder);
    const bool program = c.probe == Probe::Program;
    // The copy is called qvrutl like the program, so its settings file is qvrutl.INI.
    c.exe = c.folder + (program ? "/qvrutl" : "/minimal");
    fs::copy_file(program                       ? QVR_PROBE_STARTUP
            : c.probe == Probe::MinimalTextLibs ? QVR_PROBE_MINIMAL_LIBS
                                                : QVR_PROBE_MINIMAL,
        c.exe);
    if (c.probe == Probe::MinimalText || c.probe == Probe::MinimalTextLibs)
        c.arg = "--text";
    if (c.probe == Probe::MinimalNames)
        c.arg = "--names";
    if (program) {
        const std::string rosterPath = c.folder + "/roster.pd3";
        if (c.characters >= 0) {
            saveRoster(rosterPath, qvrbench::variedRoster(static_cast<std::size_t>(c.characters)));
            c.fileBytes = fs::file_size(rosterPath);
        }
        MainSettings s;
        s.lastfile = rosterPath; // missing when characters < 0: the silent first run
        writeMainSettings(settingsPathFor(c.exe), s);
    }
    c.prepared = true;
}

// ---- one child ----

struct ChildResult {
    bool ok = false;
    std::string error;
    double seconds = 0; // spawn to the end of the first painted frame
    double paintSeconds = 0; // spawn to the first paint event
    long hwmKb = -1;
    long records = -1;
};

long long monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The parent's environment with QT_QPA_PLATFORM=offscreen.
std::vector<char*>& childEnvironment()
{
    static std::vector<std::string> strings = [] {
        std::vector<std::string> v;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
                v.emplace_back(*e);
        v.emplace_back("QT_QPA_PLATFORM=offscreen");
        return v;
    }();
    static std::vector<char*> pointers = [] {
        std::vector<char*> p;
        for (std::string& s : strings)
            p.push_back(s.data());
        p.push_back(nullptr);
        return p;
    }();
    return pointers;
}

std::string childStderr(const Config& c)
{
    std::ifstream in(c.folder + "/stderr.txt", std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    if (text.size() > 2000)
        text.resize(2000);
    return text;
}

ChildResult runChild(const Config& c)
{
    ChildResult r;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        r.error = std::string("pipe2: ") + std::strerror(errno);
        return r;
    }
    const std::string errPath = c.folder + "/stderr.txt";
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&fa, c.folder.c_str());
    std::string arg0 = c.exe;
    std::string arg1 = c.arg;
    char* argv[] = {arg0.data(), arg1.empty() ? nullptr : arg1.data(), nullptr};

    pid_t pid = 0;
    const long long startNs = monotonicNs();
    const int rc = ::posix_spawn(&pid, c.exe.c_str(), &fa, nullptr, argv, childEnvironment().data());
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        r.error = std::string("posix_spawn: ") + std::strerror(rc);
        return r;
    }

    std::string out;
    bool timedOut = false;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const int n = ::poll(&p, 1, CHILD_TIMEOUT_MS);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            timedOut = true;
            break;
        }
        char buf[512];
        const ssize_t got = ::read(fds[0], buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        out.append(buf, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    if (timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }

    long long paintNs = 0;
    long long doneNs = 0;
    if (timedOut) {
        r.error = "no first paint within " + std::to_string(CHILD_TIMEOUT_MS / 1000) + " s";
    } else if (std::sscanf(out.c_str(), "first_paint_ns=%lld frame_done_ns=%lld vmhwm_kb=%ld records=%ld", &paintNs,
                   &doneNs, &r.hwmKb, &r.records) != 4) {
        r.error = "no report from the child";
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        r.error = "child did not end with status 0";
    } else {
        r.ok = true;
        r.seconds = static_cast<double>(doneNs - startNs) * 1e-9;
        r.paintSeconds = static_cast<double>(paintNs - startNs) * 1e-9;
    }
    if (!r.ok)
        r.error += " (" + c.exe + "); its standard error:\n" + childStderr(c);
    return r;
}

// ---- the benchmarks ----

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct MemoryFigures {
    long peakKbMin = -1;
    long peakKbMax = -1;
    std::uintmax_t fileBytes = 0;
};
std::map<std::string, MemoryFigures>& memory()
{
    static std::map<std::string, MemoryFigures> m;
    return m;
}

std::vector<Config>& configs()
{
    static std::vector<Config> v = {
        {"qtMinimal", Probe::Minimal, -1},
        {"qtText", Probe::MinimalText, -1},
        {"qtTextLibs", Probe::MinimalTextLibs, -1},
        {"qtNames", Probe::MinimalNames, -1},
        {SMALL, Probe::Program, 1000},
        {EMPTY, Probe::Program, -1},
        {LARGE, Probe::Program, 100000},
    };
    return v;
}

void BM_startup(benchmark::State& state, Config* c)
{
    try {
        prepare(*c);
        if (c->alternate)
            prepare(*c->alternate);
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("cannot prepare the folder: ") + e.what()).c_str());
        return;
    }
    const long expected = c->probe != Probe::Program ? -1 : c->characters < 0 ? 3 : c->characters + 1;
    // One untimed start first, so that every timed one finds the files in the page cache.
    for (Config* w : {c, c->alternate}) {
        if (!w || w->warmedUp)
            continue;
        ChildResult r = runChild(*w);
        if (!r.ok) {
            state.SkipWithError(r.error.c_str());
            return;
        }
        w->warmedUp = true;
    }
    MemoryFigures& mem = memory()[c->label];
    mem.fileBytes = c->fileBytes;
    double paintTotal = 0;
    for (auto _ : state) {
        std::vector<double> times;
        std::vector<double> paintTimes;
        for (int i = 0; i < STARTS_PER_ITERATION; ++i) {
            double alternateSeconds = 0;
            if (c->alternate) {
                ChildResult a = runChild(*c->alternate);
                if (!a.ok) {
                    state.SkipWithError(a.error.c_str());
                    break;
                }
                alternateSeconds = a.seconds;
            }
            ChildResult r = runChild(*c);
            if (!r.ok) {
                state.SkipWithError(r.error.c_str());
                break;
            }
            if (r.records != expected) {
                const std::string msg =
                    "the child held " + std::to_string(r.records) + " records, not " + std::to_string(expected);
                state.SkipWithError(msg.c_str());
                break;
            }
            times.push_back(r.seconds);
            paintTimes.push_back(r.paintSeconds);
            if (c->alternate) {
                c->alternated[0].push_back(r.seconds);
                c->alternated[1].push_back(alternateSeconds);
            }
            mem.peakKbMin = mem.peakKbMin < 0 ? r.hwmKb : std::min(mem.peakKbMin, r.hwmKb);
            mem.peakKbMax = std::max(mem.peakKbMax, r.hwmKb);
        }
        if (state.error_occurred())
            break;
        state.SetIterationTime(median(times));
        paintTotal += median(paintTimes);
    }
    if (state.iterations() > 0) {
        state.counters["paint_event_ms"] = paintTotal * 1e3 / static_cast<double>(state.iterations());
        state.counters["peak_kB"] = static_cast<double>(mem.peakKbMax);
        state.counters["peak_kB_min"] = static_cast<double>(mem.peakKbMin);
        state.counters["records"] = static_cast<double>(expected);
        state.counters["file_kB"] = static_cast<double>(c->fileBytes) / 1024.0;
    }
}

std::string benchName(const Config& c) { return "start/" + c.label; }
// What the reporter calls a benchmark run on manual time.
std::string reportedName(const Config& c) { return benchName(c) + "/manual_time"; }

// The second table: for the 100,000-character roster, (its peak - the peak with
// the start-up roster) / the file's size, target 2; and, for information, its peak /
// (the start-up peak + the file's size). Taken the unfavourable way: the highest
// peak with the roster against the lowest without.
void printMemoryTable()
{
    const auto& m = memory();
    auto peak = [&](const std::string& label) -> const MemoryFigures* {
        auto it = m.find(label);
        return it == m.end() || it->second.peakKbMax < 0 ? nullptr : &it->second;
    };
    std::printf("\n%-34s %12s %12s\n", "peak memory (VmHWM at first paint)", "max kB", "min kB");
    for (const Config& c : configs())
        if (const MemoryFigures* f = peak(c.label))
            std::printf("%-34s %12ld %12ld\n", c.label.c_str(), f->peakKbMax, f->peakKbMin);

    const MemoryFigures* full = peak(LARGE);
    const MemoryFigures* empty = peak(EMPTY);
    if (!full || !empty || full->fileBytes == 0)
        return;
    std::printf("\n%-34s %-34s %8s %8s  %s\n", "memory action", "floor", "ratio", "target", "");
    const double fileKb = static_cast<double>(full->fileBytes) / 1024.0;
    const double grown = static_cast<double>(full->peakKbMax - empty->peakKbMin);
    const double ratio = grown / fileKb;
    const double whole = static_cast<double>(full->peakKbMax) / (static_cast<double>(empty->peakKbMin) + fileKb);
    char action[80];
    char floorText[80];
    std::snprintf(action, sizeof action, "%s - %s: %.0f kB", LARGE, EMPTY, grown);
    std::snprintf(floorText, sizeof floorText, "file size: %.0f kB", fileKb);
    std::printf("%-34s %-34s %8.2f %8.2f  %s\n", action, floorText, ratio, MEMORY_TARGET,
        ratio <= MEMORY_TARGET ? "ok" : "MISSED");
    std::snprintf(action, sizeof action, "%s: %ld kB", LARGE, full->peakKbMax);
    std::snprintf(
        floorText, sizeof floorText, "%s + file: %.0f kB", EMPTY, static_cast<double>(empty->peakKbMin) + fileKb);
    std::printf("%-34s %-34s %8.2f %8s  info\n", action, floorText, whole, "-");
}

// The third table: the time pair again, from the starts in which the floor was
// started right before the action (medians of all of them), which a change of the
// machine's load between one benchmark and the next does not move.
void printAlternatedTable()
{
    bool header = false;
    for (const Config& c : configs()) {
        if (!c.alternate || c.alternated[0].empty() || c.label == LARGE)
            continue; // the large case's pair is the growth table's
        if (!header) {
            std::printf("\n%-34s %-34s %8s %8s  %s\n", "started alternately (median)", "floor", "ratio", "target", "");
            header = true;
        }
        const double own = median(c.alternated[0]);
        const double other = median(c.alternated[1]);
        char action[80];
        char floorText[80];
        std::snprintf(action, sizeof action, "%s: %.1f ms", c.label.c_str(), own * 1e3);
        std::snprintf(floorText, sizeof floorText, "%s: %.1f ms (%zu starts)", c.alternate->label.c_str(), other * 1e3,
            c.alternated[1].size());
        std::printf("%-34s %-34s %8.2f %8.2f  %s\n", action, floorText, own / other, TIME_TARGET,
            own / other <= TIME_TARGET ? "ok" : "MISSED");
    }
}

Config& config(const std::string& label)
{
    for (Config& c : configs())
        if (c.label == label)
            return c;
    std::abort();
}

// loadRoster of the large case's file, in this process with the file in the page
// cache; the medians of its iterations, for printGrowthTable.
std::vector<double>& loadTimes()
{
    static std::vector<double> v;
    return v;
}

void BM_loadLarge(benchmark::State& state)
{
    Config& c = config(LARGE);
    try {
        prepare(c);
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("cannot prepare the folder: ") + e.what()).c_str());
        return;
    }
    Roster r;
    for (auto _ : state) {
        state.PauseTiming();
        r.clear();
        state.ResumeTiming();
        const long long t0 = monotonicNs();
        try {
            qvr::loadRoster(c.folder + "/roster.pd3", r);
        } catch (const qvr::Error&) {
            state.SkipWithError("roster did not load");
        }
        loadTimes().push_back(static_cast<double>(monotonicNs() - t0) * 1e-9);
    }
}

// Start-up with the large roster, less its loadRoster, against start-up with the
// small one, from the starts in which the small case was started right before the
// large one (medians).
void printGrowthTable()
{
    const Config& large = config(LARGE);
    if (large.alternated[0].empty() || loadTimes().empty())
        return;
    const double big = median(large.alternated[0]);
    const double small = median(large.alternated[1]);
    const double load = median(loadTimes());
    const double ratio = (big - load) / small;
    std::printf("\n%-34s %-34s %8s %8s  %s\n", "growth with the roster (median)", "floor", "ratio", "target", "");
    char action[80];
    char floorText[80];
    std::snprintf(action, sizeof action, "%s - load %.1f: %.1f ms", LARGE, load * 1e3, (big - load) * 1e3);
    std::snprintf(
        floorText, sizeof floorText, "%s: %.1f ms (%zu starts)", SMALL, small * 1e3, large.alternated[1].size());
    std::printf("%-34s %-34s %8.2f %8.2f  %s\n", action, floorText, ratio, GROWTH_TARGET,
        ratio <= GROWTH_TARGET ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    for (Config& c : configs())
        benchmark::RegisterBenchmark(benchName(c).c_str(), BM_startup, &c)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);

    benchmark::RegisterBenchmark("loadRoster/100000", BM_loadLarge)->Unit(benchmark::kMillisecond);

    std::vector<qvrbench::Pair> pairs;
    Config& minimal = config("qtMinimal");
    Config& names = config("qtNames");
    Config& small = config(SMALL);
    Config& large = config(LARGE);
    small.alternate = &names;
    large.alternate = &small;
    // Against a window that shows no text only for information: the fonts that any
    // program showing the sample's names loads are in the qtNames floor.
    pairs.push_back({reportedName(small), reportedName(minimal), 0});
    pairs.push_back({reportedName(small), reportedName(names), TIME_TARGET});
    pairs.push_back({reportedName(config("qtText")), reportedName(minimal), 0});
    pairs.push_back({reportedName(config("qtTextLibs")), reportedName(minimal), 0});
    pairs.push_back({reportedName(names), reportedName(minimal), 0});
    pairs.push_back({reportedName(small), reportedName(config("qtTextLibs")), 0});
    pairs.push_back({reportedName(small), reportedName(config(EMPTY)), 0});
    pairs.push_back({reportedName(large), reportedName(small), 0});
    const int rc = qvrbench::runAndPrint(argc, argv, pairs);
    printMemoryTable();
    printAlternatedTable();
    printGrowthTable();
    return rc;
}
