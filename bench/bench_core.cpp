// Core actions against the cost of moving the same bytes through the file system.

#include "interchange/exports.h"
#include "interchange/ver2import.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "ratio.h"
#include "variedroster.h"
#include "roster/rosterfile.h"
#include "roster/rostersheet.h"
#include "roster/timevalue.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace qvr;

namespace {

constexpr std::size_t CHARACTERS = 100000;

std::string& tempDir()
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/qvrbench.XXXXXX";
        const char* d = ::mkdtemp(tmpl);
        if (!d)
            std::abort();
        return std::string(d);
    }();
    return dir;
}

std::string tempPath(const char* name) { return tempDir() + "/" + name; }

const Roster& roster()
{
    static const Roster r = qvrbench::variedRoster(CHARACTERS);
    return r;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The floor for reading: open, read every byte into a buffer of the file's size, close.
void readBytes(const std::string& path, std::string& out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        std::abort();
    out.resize(static_cast<std::size_t>(std::filesystem::file_size(path)));
    std::size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    out.resize(got);
    ::close(fd);
}

// The floor for writing: the same number of bytes to a new file, synced only when asked.
void writeBytes(const std::string& path, const std::string& bytes, bool sync = false)
{
    std::filesystem::remove(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        std::abort();
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            std::abort();
        done += static_cast<std::size_t>(n);
    }
    if (sync && ::fsync(fd) != 0)
        std::abort();
    ::close(fd);
}

const std::string& rosterFile()
{
    static const std::string path = [] {
        std::string p = tempPath("big.pd3");
        saveRoster(p, roster());
        return p;
    }();
    return path;
}

void BM_loadRoster(benchmark::State& state)
{
    const std::string& path = rosterFile();
    Roster r;
    for (auto _ : state) {
        // Freeing the previous load is not part of loading.
        state.PauseTiming();
        r.clear();
        state.ResumeTiming();
        try {
            loadRoster(path, r);
        } catch (const Error&) {
            state.SkipWithError("roster did not load");
        }
        benchmark::DoNotOptimize(r.data());
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_loadRoster)->Unit(benchmark::kMillisecond);

void BM_readRosterBytes(benchmark::State& state)
{
    const std::string& path = rosterFile();
    std::string bytes;
    for (auto _ : state) {
        readBytes(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_readRosterBytes)->Unit(benchmark::kMillisecond);

void BM_saveRoster(benchmark::State& state)
{
    const std::string path = tempPath("save.pd3");
    for (auto _ : state)
        saveRoster(path, roster());
}
BENCHMARK(BM_saveRoster)->Unit(benchmark::kMillisecond);

void BM_writeRosterBytes(benchmark::State& state)
{
    const std::string bytes = readAll(rosterFile());
    const std::string path = tempPath("write.pd3");
    for (auto _ : state)
        writeBytes(path, bytes);
}
BENCHMARK(BM_writeRosterBytes)->Unit(benchmark::kMillisecond);

// Not a target: shows how much of the atomic save is the wait for the disk.
void BM_writeRosterBytesSynced(benchmark::State& state)
{
    const std::string bytes = readAll(rosterFile());
    const std::string path = tempPath("synced.pd3");
    for (auto _ : state)
        writeBytes(path, bytes, true);
}
BENCHMARK(BM_writeRosterBytesSynced)->Unit(benchmark::kMillisecond);

// The two passes one after the other: two walks.
void BM_bestPasses(benchmark::State& state)
{
    Roster r = cloneRoster(roster());
    BestTimes best;
    for (auto _ : state) {
        recomputeEp1Best(r, best);
        recomputeEp2Best(r, best);
        benchmark::DoNotOptimize(best);
    }
}
BENCHMARK(BM_bestPasses)->Unit(benchmark::kMillisecond);

// Both passes in the one walk that start-up uses.
void BM_bestTimes(benchmark::State& state)
{
    Roster r = cloneRoster(roster());
    BestTimes best;
    for (auto _ : state) {
        recomputeBestTimes(r, best);
        benchmark::DoNotOptimize(best);
    }
}
BENCHMARK(BM_bestTimes)->Unit(benchmark::kMillisecond);

// The same time fields, visited once: a minimum per stage over the counted records.
void BM_timeFieldsLoop(benchmark::State& state)
{
    Roster r = cloneRoster(roster());
    for (auto _ : state) {
        BestTimes best;
        best.ep1best.fill(BEST_CEILING);
        best.ep2best.fill(BEST_CEILING);
        for (const RecordPtr& p : r) {
            const CharRecord& c = *p;
            if (c.nocount)
                continue;
            for (std::size_t s = 0; s <= EP1_STAGES; ++s) {
                const std::int32_t v = std::abs(c.ep1time[s]);
                if (v > 0 && v < best.ep1best[s])
                    best.ep1best[s] = v;
            }
            for (std::size_t s = 0; s <= EP2_STAGES; ++s) {
                const std::int32_t v = std::abs(c.ep2time[s]);
                if (v > 0 && v < best.ep2best[s])
                    best.ep2best[s] = v;
            }
        }
        benchmark::DoNotOptimize(best);
    }
}
BENCHMARK(BM_timeFieldsLoop)->Unit(benchmark::kMillisecond);

const std::string& headFile()
{
    static const std::string path = std::string(QVR_SOURCE_DIR) + "/examples/defhead.htm";
    return path;
}

ExportOptions allOptions()
{
    ExportOptions o;
    o.outStatus = true;
    o.outMemo = true;
    return o;
}

template <class Export>
void exportPair(benchmark::State& state, const char* name, Export exportTo)
{
    const std::string path = tempPath(name);
    for (auto _ : state)
        exportTo(path);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void writeSameAs(benchmark::State& state, const char* name, void (*exportTo)(const std::string&), bool sync = false)
{
    const std::string model = tempPath((std::string(name) + ".model").c_str());
    exportTo(model);
    const std::string bytes = readAll(model);
    const std::string path = tempPath(name);
    for (auto _ : state)
        writeBytes(path, bytes, sync);
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

// Not a target: the same bytes through the program's own atomic writer, in one
// piece, to tell the formatting's CPU from the writing's.
void writeSameAtomically(benchmark::State& state, const char* name, void (*exportTo)(const std::string&))
{
    const std::string model = tempPath((std::string(name) + ".model").c_str());
    exportTo(model);
    const std::string bytes = readAll(model);
    const std::string path = tempPath(name);
    for (auto _ : state)
        writeFileAtomically(path, bytes);
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

void csvTo(const std::string& p) { exportCsv(p, roster()); }
void htmlTo(const std::string& p) { exportHtml(p, roster(), allOptions(), headFile()); }
void xmlTo(const std::string& p) { exportXml(p, roster(), allOptions()); }

void BM_exportCsv(benchmark::State& s) { exportPair(s, "out.csv", csvTo); }
void BM_writeCsvBytes(benchmark::State& s) { writeSameAs(s, "same.csv", csvTo); }
void BM_exportHtml(benchmark::State& s) { exportPair(s, "out.htm", htmlTo); }
void BM_writeHtmlBytes(benchmark::State& s) { writeSameAs(s, "same.htm", htmlTo); }
void BM_exportXml(benchmark::State& s) { exportPair(s, "out.xml", xmlTo); }
void BM_writeXmlBytes(benchmark::State& s) { writeSameAs(s, "same.xml", xmlTo); }
// Not targets: the same bytes synced, as an export that must survive a crash is.
void BM_writeCsvBytesSynced(benchmark::State& s) { writeSameAs(s, "synced.csv", csvTo, true); }
void BM_writeHtmlBytesSynced(benchmark::State& s) { writeSameAs(s, "synced.htm", htmlTo, true); }
void BM_writeXmlBytesSynced(benchmark::State& s) { writeSameAs(s, "synced.xml", xmlTo, true); }
void BM_writeCsvAtomically(benchmark::State& s) { writeSameAtomically(s, "atomic.csv", csvTo); }
void BM_writeHtmlAtomically(benchmark::State& s) { writeSameAtomically(s, "atomic.htm", htmlTo); }
void BM_writeXmlAtomically(benchmark::State& s) { writeSameAtomically(s, "atomic.xml", xmlTo); }
BENCHMARK(BM_exportCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeCsvBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_exportHtml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeHtmlBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_exportXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeXmlBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeCsvBytesSynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeHtmlBytesSynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeXmlBytesSynced)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeCsvAtomically)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeHtmlAtomically)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_writeXmlAtomically)->Unit(benchmark::kMillisecond);

// Fifty whole slots, each with a name, times and a memo of most of its area.
const std::string& ver2File()
{
    static const std::string path = [] {
        std::string bytes(VER2_SLOT_SIZE * VER2_SLOT_COUNT, '\0');
        for (std::size_t s = 0; s < VER2_SLOT_COUNT; ++s) {
            char* slot = bytes.data() + s * VER2_SLOT_SIZE;
            const std::string name = "Old" + std::to_string(s);
            name.copy(slot, name.size());
            for (std::size_t i = 0; i < 10; ++i)
                slot[24 + 4 * i] = static_cast<char>(30 + s + i);
            std::string(2000, static_cast<char>('a' + s % 26)).copy(slot + 144, 2000);
        }
        std::string p = tempPath("old.pd2");
        writeBytes(p, bytes);
        return p;
    }();
    return path;
}

void BM_parseVer2(benchmark::State& state)
{
    const std::string& path = ver2File();
    std::string bytes;
    for (auto _ : state) {
        readBytes(path, bytes);
        Roster r = parseVer2(bytes);
        if (r.size() != VER2_SLOT_COUNT)
            state.SkipWithError("not all slots read");
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_parseVer2)->Unit(benchmark::kMicrosecond);

void BM_importVer2(benchmark::State& state)
{
    const std::string& path = ver2File();
    for (auto _ : state) {
        Roster r;
        importVer2(path, r);
        if (r.size() != VER2_SLOT_COUNT)
            state.SkipWithError("not all slots imported");
        benchmark::DoNotOptimize(r.data());
    }
}
BENCHMARK(BM_importVer2)->Unit(benchmark::kMicrosecond);

void BM_readVer2Bytes(benchmark::State& state)
{
    const std::string& path = ver2File();
    std::string bytes;
    for (auto _ : state) {
        readBytes(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_readVer2Bytes)->Unit(benchmark::kMicrosecond);

// A time edit on the large roster, as the editor commits it: stage, total, pass, step.
std::int32_t editedTime(std::size_t i) { return static_cast<std::int32_t>(61 + i % 3000); }

void editTime(RosterSheet& sheet, std::size_t i)
{
    sheet.selectRow(static_cast<int>(1 + (i * 7919) % (sheet.roster.size() - 1)));
    const std::size_t stage = i % EP1_STAGES;
    // Always another time than the record holds, so that every edit is a step.
    const std::int32_t old = sheet.currec->ep1time[stage];
    sheet.setStageTime(
        Episode::One, stage, editedTime(i) == old || editedTime(i) == -old ? editedTime(i) + 1 : editedTime(i));
}

RosterSheet& largeSheet()
{
    static RosterSheet sheet = [] {
        RosterSheet s;
        s.roster = cloneRoster(roster());
        s.recomputeBest();
        return s;
    }();
    return sheet;
}

void BM_timeEdit(benchmark::State& state)
{
    RosterSheet& sheet = largeSheet();
    std::size_t i = 0;
    for (auto _ : state)
        editTime(sheet, i++);
    sheet.forgetHistory();
}
BENCHMARK(BM_timeEdit)->Unit(benchmark::kMicrosecond);

void BM_timeEditUndo(benchmark::State& state)
{
    RosterSheet& sheet = largeSheet();
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        editTime(sheet, i++);
        state.ResumeTiming();
        sheet.undo();
    }
    sheet.forgetHistory();
}
BENCHMARK(BM_timeEditUndo)->Unit(benchmark::kMicrosecond);

// Peak memory of 1,000 time edits on the large roster, their history kept or
// forgotten after each; run in a fresh process of this program, so that nothing
// else this program holds is counted.
constexpr std::size_t HISTORY_EDITS = 1000;
constexpr double HISTORY_MEMORY_TARGET = 1.1;

long peakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

int historyPeakChild(const std::string& mode, const char* path)
{
    RosterSheet sheet;
    if (!ignoring(Error::Kind::CannotOpen, [&] { sheet.load(path); }))
        return 1;
    sheet.forgetHistory();
    sheet.recomputeBest();
    for (std::size_t i = 0; i < HISTORY_EDITS; ++i) {
        editTime(sheet, i);
        if (mode != "kept")
            sheet.forgetHistory();
    }
    std::printf("%ld %zu\n", peakKb(), sheet.undoCount());
    return 0;
}

long historyPeak(const char* mode)
{
    std::string self(4096, '\0');
    self.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::readlink("/proc/self/exe", self.data(), self.size()))));
    int out[2];
    if (self.empty() || ::pipe(out) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::string flag = "--history-peak=" + std::string(mode);
    std::string file = rosterFile();
    char* argv[] = {self.data(), flag.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text(64, '\0');
    const ssize_t got = rc == 0 ? ::read(out[0], text.data(), text.size()) : -1;
    ::close(out[0]);
    int status = 0;
    if (rc == 0)
        ::waitpid(pid, &status, 0);
    long kb = -1;
    std::size_t steps = 0;
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(text.c_str(), "%ld %zu", &kb, &steps) != 2)
        return -1;
    // The kept history must hold every edit, the forgotten one none.
    const std::size_t expected = std::string(mode) == "kept" ? HISTORY_EDITS : 0;
    return steps == expected ? kb : -1;
}

// Three fresh processes each; taken the unfavourable way, the highest peak with
// the history against the lowest without.
void printHistoryMemory()
{
    long kept = -1;
    long forgotten = -1;
    for (int run = 0; run < 3; ++run) {
        kept = std::max(kept, historyPeak("kept"));
        const long f = historyPeak("forgotten");
        forgotten = forgotten < 0 ? f : std::min(forgotten, f);
    }
    if (kept < 0 || forgotten <= 0) {
        std::printf("\npeak memory of the history: not measured\n");
        return;
    }
    const double ratio = static_cast<double>(kept) / static_cast<double>(forgotten);
    char action[80];
    char floorText[80];
    std::snprintf(action, sizeof action, "1,000 edits kept: %ld kB", kept);
    std::snprintf(floorText, sizeof floorText, "no history: %ld kB", forgotten);
    std::printf("\n%-34s %-34s %8s %8s  %s\n", "memory action", "floor", "ratio", "target", "");
    std::printf("%-34s %-34s %8.2f %8.2f  %s\n", action, floorText, ratio, HISTORY_MEMORY_TARGET,
        ratio <= HISTORY_MEMORY_TARGET ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char** argv)
{
    const std::string peakFlag = "--history-peak=";
    if (argc == 3 && std::string(argv[1]).rfind(peakFlag, 0) == 0)
        return historyPeakChild(std::string(argv[1]).substr(peakFlag.size()), argv[2]);
    const int rc = qvrbench::runAndPrint(argc, argv,
        // Saves and exports sync their files and rename them into place, so that a
        // crash leaves the old file or the new one: against floors that only copy
        // the bytes into the page cache they are shown for information.
        {{"BM_loadRoster", "BM_readRosterBytes", 3}, {"BM_saveRoster", "BM_writeRosterBytes", 0},
            {"BM_saveRoster", "BM_writeRosterBytesSynced", 0}, {"BM_bestTimes", "BM_timeFieldsLoop", 2},
            {"BM_bestPasses", "BM_timeFieldsLoop", 0}, {"BM_exportCsv", "BM_writeCsvBytes", 0},
            {"BM_exportHtml", "BM_writeHtmlBytes", 0}, {"BM_exportXml", "BM_writeXmlBytes", 0},
            {"BM_exportCsv", "BM_writeCsvBytesSynced", 0}, {"BM_exportHtml", "BM_writeHtmlBytesSynced", 0},
            {"BM_exportXml", "BM_writeXmlBytesSynced", 0},
            // CPU time, so that the wait for the disk is not counted; against the synced
            // floor, whose sync costs CPU as the export's does, and the plain one.
            {"BM_exportCsv", "BM_writeCsvBytesSynced", 2, true}, {"BM_exportHtml", "BM_writeHtmlBytesSynced", 2, true},
            {"BM_exportXml", "BM_writeXmlBytesSynced", 2, true}, {"BM_exportCsv", "BM_writeCsvBytes", 0, true},
            {"BM_exportHtml", "BM_writeHtmlBytes", 0, true}, {"BM_exportXml", "BM_writeXmlBytes", 0, true},
            {"BM_exportCsv", "BM_writeCsvAtomically", 0, true}, {"BM_exportHtml", "BM_writeHtmlAtomically", 0, true},
            {"BM_exportXml", "BM_writeXmlAtomically", 0, true},
            {"BM_writeCsvAtomically", "BM_writeCsvBytesSynced", 0, true},
            {"BM_writeHtmlAtomically", "BM_writeHtmlBytesSynced", 0, true},
            {"BM_writeXmlAtomically", "BM_writeXmlBytesSynced", 0, true}, {"BM_parseVer2", "BM_readVer2Bytes", 2},
            {"BM_importVer2", "BM_readVer2Bytes", 2}, {"BM_timeEditUndo", "BM_timeEdit", 1.2}});
    printHistoryMemory();
    std::filesystem::remove_all(tempDir());
    return rc;
}
