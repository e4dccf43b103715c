// The history's costs next to what SQLite and the toolkit cost bare: recording one
// entry against one bare insert in its own transaction, and opening the window on
// 10,000 entries against reading those rows and painting an empty window.

#include "history/historystore.h"
#include "history/historywindow.h"
#include "offscreen.h"
#include "platform/filedialog.h"
#include "ratio.h"
#include "roster/rostersheet.h"

#include <QApplication>
#include <QEvent>
#include <QTableView>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

using namespace qvr;

namespace {

constexpr int MANY = 10000;
QTemporaryDir* folder = nullptr;

std::string fresh(const char* name)
{
    const std::string path = folder->filePath(QString::fromLatin1(name)).toStdString();
    for (const char* tail : {"", "-wal", "-shm"})
        std::remove((path + tail).c_str());
    return path;
}

// The store's own durability: WAL, a full sync per commit.
sqlite3* bareDatabase(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE t(a INTEGER, b INTEGER)", nullptr,
        nullptr, nullptr);
    return db;
}

ValueEntry sample(std::int32_t i)
{
    return ValueEntry{1700000000 + i * 600, "Runner", 2, 3, {ValueField::Ep1, i % EP1_STAGES}, 4000 - i % 3000,
        3990 - i % 3000, i % 7 == 0};
}

void BM_recordEntry(benchmark::State& state)
{
    HistoryStore store(fresh("record.sqlite"));
    std::int32_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(store.committed(sample(i++)));
}
BENCHMARK(BM_recordEntry)->Unit(benchmark::kMicrosecond);

void BM_bareInsert(benchmark::State& state)
{
    sqlite3* db = bareDatabase(fresh("bare.sqlite"));
    for (auto _ : state)
        sqlite3_exec(db, "INSERT INTO t VALUES (1, 2)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}
BENCHMARK(BM_bareInsert)->Unit(benchmark::kMicrosecond);

std::string manyEntries()
{
    static const std::string path = [] {
        const std::string p = fresh("many.sqlite");
        HistoryStore store(p);
        store.available();
        sqlite3* raw = nullptr;
        sqlite3_open(p.c_str(), &raw);
        sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
        for (std::int32_t i = 0; i < MANY; ++i) {
            const ValueEntry e = sample(i);
            const std::string sql = "INSERT INTO entries (when_utc, name, section_id, class, kind, field, old_value,"
                                    " new_value, best) VALUES (" +
                std::to_string(e.whenUtc) + ", CAST('Runner' AS BLOB), 2, 3, 1, " + std::to_string(e.field.index) +
                ", " + std::to_string(e.oldValue) + ", " + std::to_string(e.newValue) + ", " + (e.best ? "1" : "0") +
                ")";
            sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(raw);
        return p;
    }();
    return path;
}

// Shows the widget and waits for its first paint.
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
    void showAndWait(QWidget& w)
    {
        painted = false;
        w.installEventFilter(this);
        w.show();
        while (!painted)
            QApplication::processEvents();
    }
};

// Closing a window is not part of opening it: both rows close theirs, and
// delete what they left for later, outside the time.
template <class Window>
void closeUntimed(benchmark::State& state, std::unique_ptr<Window>& window)
{
    state.PauseTiming();
    window.reset();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
}

// Arg 1: the character of 10,000 entries; 0: one without entries (the window's
// own cost, for information).
void BM_openHistoryWindow(benchmark::State& state)
{
    RosterSheet sheet(2);
    sheet.selectRow(1);
    sheet.currec->setName(state.range(0) ? "Runner" : "Nobody");
    HistoryStore store(manyEntries());
    // Opened here, as the floor opens its file before its loop.
    store.available();
    OpenDialog dialog;
    FirstPaint paint;
    for (auto _ : state) {
        auto window = std::make_unique<HistoryWindow>(
            sheet, store, dialog, [] { return ViewMode::Ep1; }, QStringLiteral(QVR_HISTORY_MODULE));
        paint.showAndWait(*window);
        state.counters["rows"] = window->table()->model()->rowCount();
        closeUntimed(state, window);
    }
}
BENCHMARK(BM_openHistoryWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_readRowsAndPaintEmpty(benchmark::State& state)
{
    const std::string path = manyEntries();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    FirstPaint paint;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(
            db, "SELECT * FROM entries WHERE name = CAST('Runner' AS BLOB) ORDER BY when_utc DESC", -1, &st, nullptr);
        std::int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            sum += sqlite3_column_int64(st, 8);
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
        auto window = std::make_unique<QWidget>(nullptr, Qt::Window);
        window->resize(HistoryWindow::OPEN_WIDTH, HistoryWindow::OPEN_HEIGHT);
        paint.showAndWait(*window);
        closeUntimed(state, window);
    }
    sqlite3_close(db);
}
BENCHMARK(BM_readRowsAndPaintEmpty)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Each action and its floor in fifteen short repetitions, taken in random
    // turns: a sync of the disk or a slow spell of the machine, which lasts
    // seconds, falls on both alike. Flags given on the command line come later
    // and win.
    std::vector<char*> args{argv[0], const_cast<char*>("--benchmark_repetitions=15"),
        const_cast<char*>("--benchmark_min_time=0.2"),
        const_cast<char*>("--benchmark_enable_random_interleaving=true")};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    return qvrbench::inOffscreenFolder(argv, [&](QTemporaryDir& dir) {
        folder = &dir;
        return qvrbench::runAndPrint(count, args.data(),
            {{"BM_recordEntry", "BM_bareInsert", 1.5}, {"BM_openHistoryWindow/1", "BM_readRowsAndPaintEmpty", 3},
                {"BM_openHistoryWindow/0", "BM_readRowsAndPaintEmpty", 0}});
    });
}
