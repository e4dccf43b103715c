#include "common/failure.h"
#include "roster/rostersheet.h"

#include "platform/error.h"

#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <random>
#include <vector>

using namespace qvr;

namespace {

// Everything an undo must give back: the roster and the deleted records as a
// save would write them, the best-time table, the file the roster came from.
struct SheetImage {
    std::string roster;
    std::string deleted;
    BestTimes best;
    std::string file;
    friend bool operator==(const SheetImage&, const SheetImage&) = default;
};

SheetImage imageOf(const RosterSheet& sheet)
{
    return {serializeRoster(sheet.roster), serializeRoster(sheet.deleted), sheet.best, sheet.loadedFile()};
}

RecordPtr recordWith(const std::string& name, std::int32_t ep1c1)
{
    RecordPtr rec = makeRecord();
    rec->setName(name);
    rec->ep1time[0] = ep1c1;
    rec->ep1time[EP1_TOTAL] = ep1StageSum(*rec);
    return rec;
}

// A sheet of characters "r1".."rn" with a few times, best marks set.
void fillSheet(RosterSheet& sheet, int characters)
{
    sheet.roster.clear();
    sheet.roster.push_back(makeRecord());
    for (int i = 1; i <= characters; ++i)
        sheet.roster.push_back(recordWith("r" + std::to_string(i), 60 * i));
    sheet.recomputeBest();
    // The record current before was freed with the old roster.
    sheet.selectRow(1);
}

// Random operations of every kind on one sheet, checked against the images the
// history must lead back to: images[k] is the sheet after k done steps.
class RandomSession {
public:
    RandomSession(unsigned seed, const QString& folder) : random_(seed), folder_(folder.toStdString())
    {
        fillSheet(sheet, 6);
        images_.push_back(imageOf(sheet));
    }

    void run(int operations)
    {
        for (int i = 0; i < operations && !QTest::currentTestFailed(); ++i)
            step();
    }

    void undoAll()
    {
        while (sheet.canUndo() && !QTest::currentTestFailed()) {
            sheet.undo();
            check();
        }
    }
    void redoAll()
    {
        while (sheet.canRedo() && !QTest::currentTestFailed()) {
            sheet.redo();
            check();
        }
    }
    const SheetImage& first() const { return images_.front(); }
    const SheetImage& last() const { return images_.back(); }

    RosterSheet sheet;

private:
    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(random_); }
    int anyRow() { return pick(0, static_cast<int>(sheet.roster.size())); }

    void check()
    {
        const std::size_t at = sheet.undoCount();
        QCOMPARE(images_.size(), at + sheet.redoCount() + 1);
        QVERIFY(imageOf(sheet) == images_[at]);
        if (saved_ && *saved_ == at)
            QVERIFY(!sheet.modified());
        if (saved_ && images_[*saved_].roster != images_[at].roster)
            QVERIFY(sheet.modified());
    }

    void step()
    {
        const std::size_t before = sheet.undoCount();
        const int kind = pick(0, 21);
        if (kind >= 20) {
            for (int n = pick(1, kind == 20 ? 6 : 3); n > 0; --n) {
                kind == 20 ? sheet.undo() : sheet.redo();
                check();
            }
            return;
        }
        try {
            act(kind);
        } catch (const Error&) {
            // A refused operation changes nothing and adds no step.
            QCOMPARE(sheet.undoCount(), before);
        }
        const bool stepped = sheet.undoCount() > before;
        if (stepped) {
            QCOMPARE(sheet.undoCount(), before + 1);
            QCOMPARE(sheet.redoCount(), std::size_t{0});
            images_.resize(before + 1);
            images_.push_back(imageOf(sheet));
            if (saved_ && *saved_ > before)
                saved_.reset();
        } else {
            // No step: nothing changed (a loose record's edit drops what could be redone).
            images_.resize(before + sheet.redoCount() + 1);
            if (saved_ && *saved_ >= images_.size())
                saved_.reset();
        }
        if (kind == 18 || kind == 19 || (kind == 17 && stepped))
            saved_ = sheet.undoCount();
        check();
    }

    void act(int kind)
    {
        const auto size = static_cast<int>(sheet.roster.size());
        switch (kind) {
        case 0:
        case 1:
            if (size > 1)
                sheet.selectRow(pick(1, size - 1));
            break;
        case 2: sheet.setName(pick(0, 3) ? "n" + std::to_string(pick(0, 9)) : std::string()); break;
        case 3: sheet.setStatus(static_cast<std::size_t>(pick(0, 8)), pick(0, 3)); break;
        case 4:
        case 5: {
            // Few values, so that ties, new bests and re-entered bests are frequent.
            static constexpr std::int32_t times[] = {0, 30, 60, 60, 90, 7300};
            const auto value = times[pick(0, 5)];
            if (kind == 4)
                sheet.setStageTime(Episode::One, static_cast<std::size_t>(pick(0, EP1_STAGES)), value);
            else
                sheet.setStageTime(Episode::Two, static_cast<std::size_t>(pick(0, EP2_STAGES)), value);
            break;
        }
        case 6: sheet.setSectionId(pick(0, 9)); break;
        case 7: sheet.setClass(pick(0, 11)); break;
        case 8: sheet.toggleLock(); break;
        case 9: sheet.toggleNocount(); break;
        case 10: sheet.setMemo(pick(0, 2) ? "memo " + std::to_string(pick(0, 3)) + "\r\nline" : std::string()); break;
        case 11: sheet.appendRecord(); break;
        case 12: sheet.deleteRecord(pick(0, 1) ? sheet.currow : anyRow()); break;
        case 13: sheet.restoreRecord(anyRow()); break;
        case 14: sheet.moveRecordUp(anyRow()); break;
        case 15: sheet.moveRecordDown(anyRow()); break;
        case 16: {
            Roster imported;
            for (int n = pick(0, 3); n > 0; --n)
                imported.push_back(recordWith("imp", -pick(1, 90)));
            sheet.appendRecords(std::move(imported));
            break;
        }
        case 17:
            if (!files_.empty())
                sheet.load(files_[static_cast<std::size_t>(pick(0, static_cast<int>(files_.size()) - 1))]);
            break;
        case 18:
        case 19: {
            files_.push_back(folder_ + "/" + std::to_string(files_.size()) + ".pd3");
            sheet.save(files_.back());
            break;
        }
        default: break;
        }
    }

    std::mt19937 random_;
    std::string folder_;
    std::vector<std::string> files_;
    std::vector<SheetImage> images_;
    std::optional<std::size_t> saved_; // the image last saved or loaded, while it can be reached
};

} // namespace

class TstRosterHistory : public QObject {
    Q_OBJECT
private slots:
    // Several hundred random operations with undos and redos between them, the
    // whole sheet compared at every point; then all undone and all redone.
    void randomSequence_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 7u, 2026u, 90125u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void randomSequence()
    {
        QFETCH(unsigned, seed);
        QTemporaryDir dir;
        RandomSession session(seed, dir.path());
        session.run(600);
        const SheetImage end = imageOf(session.sheet);
        QVERIFY(session.sheet.undoCount() > 100);
        session.undoAll();
        QVERIFY(imageOf(session.sheet) == session.first());
        session.redoAll();
        QVERIFY(imageOf(session.sheet) == end);
        QVERIFY(end == session.last());
    }

    // A time that becomes a best marks its record and others that hold the same
    // time; undone, every sign, time and total is as before, and the table too.
    void undoRestoresMarks_data()
    {
        QTest::addColumn<QList<int>>("times"); // C1 of rows 1..n; 0 for none
        QTest::addColumn<QList<int>>("nocount");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("entered");
        QTest::addColumn<int>("marksElsewhere"); // other records' times the pass marks
        QTest::newRow("new best, tie unmarked before") << QList<int>{100, 200} << QList<int>{0, 0} << 2 << 100 << 1;
        QTest::newRow("new best alone") << QList<int>{100, 200} << QList<int>{0, 0} << 2 << 50 << 0;
        QTest::newRow("unmarked best met again") << QList<int>{40, 200, 90} << QList<int>{0, 0, 0} << 2 << 40 << 1;
        QTest::newRow("best overtaken, old mark stays") << QList<int>{-100, 200} << QList<int>{0, 0} << 2 << 60 << 0;
        QTest::newRow("slower than the best") << QList<int>{-100, 0} << QList<int>{0, 0} << 2 << 300 << 0;
        QTest::newRow("three-way tie") << QList<int>{70, 70, 0} << QList<int>{0, 1, 0} << 3 << 70 << 1;
    }
    void undoRestoresMarks()
    {
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, nocount);
        QFETCH(int, row);
        QFETCH(int, entered);
        QFETCH(int, marksElsewhere);
        RosterSheet sheet(static_cast<std::size_t>(times.size()) + 1);
        for (qsizetype i = 0; i < times.size(); ++i) {
            CharRecord& rec = *sheet.roster[static_cast<std::size_t>(i) + 1];
            rec.ep1time[0] = times[i];
            rec.ep1time[EP1_TOTAL] = ep1StageSum(rec);
            rec.nocount = static_cast<std::uint8_t>(nocount[i]);
        }
        sheet.best.ep1best.fill(123); // a table no pass gives: undo must bring back this one
        const Roster before = cloneRoster(sheet.roster);
        const BestTimes bestBefore = sheet.best;
        sheet.selectRow(row);
        sheet.setStageTime(Episode::One, 0, entered);
        const Roster after = cloneRoster(sheet.roster);
        const BestTimes bestAfter = sheet.best;
        int changedElsewhere = 0;
        for (std::size_t i = 1; i < before.size(); ++i)
            changedElsewhere += i != static_cast<std::size_t>(row) && !(*before[i] == *after[i]);
        QCOMPARE(changedElsewhere, marksElsewhere);

        sheet.undo();
        QVERIFY(sameContent(sheet.roster, before));
        QVERIFY(sheet.best == bestBefore);
        QVERIFY(!sheet.modified());
        sheet.redo();
        QVERIFY(sameContent(sheet.roster, after));
        QVERIFY(sheet.best == bestAfter);
        QVERIFY(sheet.modified());
    }

    // Committing what a field already holds, or a picker's current value, is no step.
    void unchangedCommitIsNoStep()
    {
        RosterSheet sheet;
        fillSheet(sheet, 2);
        sheet.selectRow(1);
        sheet.setName("r1");
        sheet.setStatus(0, 0);
        sheet.setSectionId(0);
        sheet.setClass(0);
        sheet.setMemo("");
        sheet.setStageTime(Episode::One, 0, 60); // its own best, marked again
        sheet.appendRecords({});
        sheet.moveRecordUp(1);
        sheet.deleteRecord(0);
        QCOMPARE(sheet.undoCount(), std::size_t{0});
        QVERIFY(!sheet.modified());
    }

    // "Insert" takes the newest deleted record, whatever was undone before it.
    void insertStaysWithTheDeletedList()
    {
        RosterSheet sheet;
        fillSheet(sheet, 4);
        sheet.deleteRecord(2); // r2
        sheet.deleteRecord(2); // r3
        sheet.undo(); // r3 back at row 2, r2 still deleted
        QCOMPARE(sheet.deleted.size(), std::size_t{1});
        sheet.restoreRecord(1);
        QCOMPARE(sheet.roster[1]->nameText(), std::string_view("r2"));
        QVERIFY(!sheet.canRedo());
        sheet.undo();
        sheet.undo();
        QCOMPARE(sheet.roster.size(), std::size_t{5});
        QVERIFY(sheet.deleted.empty());
    }

    // A load is one step: undone, the roster before it with its unsaved edits and
    // the file it came from; the roster is changed, since no file holds it.
    void loadIsOneStep()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("other.pd3")).toStdString();
        Roster other;
        other.push_back(makeRecord());
        other.push_back(recordWith("other", 5));
        saveRoster(path, other);
        RosterSheet sheet;
        fillSheet(sheet, 2);
        sheet.selectRow(2);
        sheet.setName("edited");
        CharRecord* const edited = sheet.currec;
        bool keptFirst = false;
        sheet.load(path, [&] { keptFirst = sheet.roster[2]->nameText() == "edited"; });
        QVERIFY(keptFirst);
        QVERIFY(!sheet.modified());
        QCOMPARE(sheet.loadedFile(), path);
        QCOMPARE(sheet.undoLabel().kind, StepLabel::Kind::Load);
        sheet.undo();
        QCOMPARE(sheet.roster.size(), std::size_t{3});
        QCOMPARE(sheet.roster[2].get(), edited);
        QCOMPARE(sheet.loadedFile(), std::string());
        QVERIFY(sheet.modified());
        sheet.undo();
        QCOMPARE(sheet.roster[2]->nameText(), std::string_view("r2"));
        QVERIFY(sheet.modified()); // the start is no saved state once a load came
        sheet.redo();
        sheet.redo();
        QVERIFY(sameContent(sheet.roster, other));
        QVERIFY(!sheet.modified());
        QVERIFY(failsAs(
            Error::Kind::CannotOpen, [&] { sheet.load(dir.filePath(QStringLiteral("missing.pd3")).toStdString()); }));
        QCOMPARE(sheet.undoCount(), std::size_t{2});
    }

    // Save is no step and keeps the history; the unchanged state is the saved one.
    void saveKeepsHistory()
    {
        QTemporaryDir dir;
        RosterSheet sheet;
        fillSheet(sheet, 2);
        sheet.selectRow(1);
        sheet.toggleLock();
        sheet.toggleLock();
        QVERIFY(sheet.modified());
        sheet.save(dir.filePath(QStringLiteral("s.pd3")).toStdString());
        QCOMPARE(sheet.undoCount(), std::size_t{2});
        QVERIFY(!sheet.modified());
        sheet.undo();
        QVERIFY(sheet.modified());
        sheet.redo();
        QVERIFY(!sheet.modified());
        sheet.undo();
        sheet.setStatus(1, 7); // the saved state can no longer be reached
        sheet.undo();
        QVERIFY(sheet.modified());
    }

    // The record clicked last leaves with an undone Add; the steps that held it go
    // with the next change, yet the record stays alive for its late edits.
    void currentRecordOutlivesDroppedSteps()
    {
        RosterSheet sheet;
        fillSheet(sheet, 1);
        sheet.appendRecord();
        sheet.selectRow(2);
        sheet.setMemo("kept");
        sheet.undo();
        sheet.undo();
        QCOMPARE(sheet.roster.size(), std::size_t{2});
        sheet.setMemo("typed late"); // the undone record's own edit: no step, no redo
        QCOMPARE(sheet.currec->memo, "typed late");
        QVERIFY(!sheet.canRedo());
        QCOMPARE(sheet.undoCount(), std::size_t{0});
        QVERIFY(!sheet.modified());
        sheet.setStageTime(Episode::One, 0, 10); // the pass marks nothing of the roster's
        sheet.selectRow(1);
        QCOMPARE(sheet.currec->nameText(), std::string_view("r1"));
    }
};

QTEST_APPLESS_MAIN(TstRosterHistory)
#include "tst_rosterhistory.moc"
