#include "roster/rostersheet.h"

#include "platform/error.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <vector>

using namespace qvr;

namespace {

// A sheet of n characters named "r1".."rn", so that their order can be read back.
RosterSheet namedSheet(int characters)
{
    RosterSheet sheet(static_cast<std::size_t>(characters) + 1);
    for (int i = 1; i <= characters; ++i)
        sheet.roster[static_cast<std::size_t>(i)]->setName("r" + std::to_string(i));
    return sheet;
}

QString order(const Roster& roster)
{
    QStringList names;
    for (std::size_t i = 1; i < roster.size(); ++i)
        names << QString::fromStdString(std::string(roster[i]->nameText()));
    return names.join(u' ');
}

// One step of a row-operation script: "+" append, "dN" delete, "iN" restore,
// "uN" up, "nN" down, "!" before the letter when the step must fail with the
// index error and change nothing.
struct Step {
    bool fails;
    char op;
    int row;
};

std::vector<Step> parseScript(const QString& script)
{
    std::vector<Step> steps;
    for (const QString& word : script.split(u' ', Qt::SkipEmptyParts)) {
        Step s{word.startsWith(u'!'), 0, 0};
        const QString body = s.fails ? word.mid(1) : word;
        s.op = body[0].toLatin1();
        s.row = body.mid(1).toInt();
        steps.push_back(s);
    }
    return steps;
}

void run(RosterSheet& sheet, const Step& s)
{
    switch (s.op) {
    case '+': sheet.appendRecord(); break;
    case 'd': sheet.deleteRecord(s.row); break;
    case 'i': sheet.restoreRecord(s.row); break;
    case 'u': sheet.moveRecordUp(s.row); break;
    case 'n': sheet.moveRecordDown(s.row); break;
    default: QFAIL("unknown step");
    }
}

struct Recorder {
    std::vector<std::pair<RosterSheet::Change, int>> seen;
    RosterSheet::Listener listener()
    {
        return [this](RosterSheet::Change c, int row) { seen.emplace_back(c, row); };
    }
    int count(RosterSheet::Change c) const
    {
        return static_cast<int>(std::count_if(seen.begin(), seen.end(), [c](auto& e) { return e.first == c; }));
    }
};

} // namespace

class TstRosterSheet : public QObject {
    Q_OBJECT
private slots:
    void rowOperations_data()
    {
        QTest::addColumn<int>("characters");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("deletedLeft");

        QTest::newRow("append") << 2 << "+"
                                << "r1 r2 " << 0;
        QTest::newRow("delete then restore in place") << 4 << "d3 i3"
                                                      << "r1 r2 r3 r4" << 0;
        QTest::newRow("restore order: newest first") << 4 << "d1 d1 i1 i1"
                                                     << "r1 r2 r3 r4" << 0;
        QTest::newRow("restore may append") << 3 << "d3 i3"
                                            << "r1 r2 r3" << 0;
        QTest::newRow("restore with nothing deleted") << 2 << "i1"
                                                      << "r1 r2" << 0;
        QTest::newRow("placeholder is never deleted") << 2 << "d0"
                                                      << "r1 r2" << 0;
        QTest::newRow("delete past the end does nothing") << 2 << "d3 d-1"
                                                          << "r1 r2" << 0;
        QTest::newRow("last character deleted, then nothing") << 1 << "d1 d1"
                                                              << "" << 1;
        QTest::newRow("up on row 1 and down on the last row") << 3 << "u1 n3"
                                                              << "r1 r2 r3" << 0;
        QTest::newRow("up twice is no move") << 4 << "u4 u4"
                                             << "r1 r2 r3 r4" << 0;
        QTest::newRow("down") << 3 << "n1"
                              << "r2 r1 r3" << 0;
        QTest::newRow("up past the end fails") << 3 << "d3 !u3"
                                               << "r1 r2" << 1;
        QTest::newRow("restore past the end fails") << 2 << "d2 !i3 i2"
                                                    << "r1 r2" << 0;
        QTest::newRow("two deletions come back in reverse") << 4 << "d2 d2 i1 i1"
                                                            << "r2 r3 r1 r4" << 0;
        QTest::newRow("past the end after deleting the last row") << 3 << "d3 !u3 n3 d3 i3"
                                                                  << "r1 r2 r3" << 0;
        QTest::newRow("every character, never the placeholder") << 2 << "d2 d1 d1 d0"
                                                                << "" << 2;
    }
    void rowOperations()
    {
        QFETCH(int, characters);
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QFETCH(int, deletedLeft);
        RosterSheet sheet = namedSheet(characters);
        for (const Step& s : parseScript(script)) {
            const QString before = order(sheet.roster);
            const std::size_t deletedBefore = sheet.deleted.size();
            if (s.fails) {
                QVERIFY_THROWS_EXCEPTION(Error, run(sheet, s));
                QCOMPARE(order(sheet.roster), before);
                QCOMPARE(sheet.deleted.size(), deletedBefore);
            } else {
                run(sheet, s);
            }
        }
        QCOMPARE(order(sheet.roster), expected);
        QCOMPARE(static_cast<int>(sheet.deleted.size()), deletedLeft);
        QCOMPARE(sheet.currow, 1); // no row operation moves the current row
    }

    // Every change a user can make leaves the sheet modified and tells the listener;
    // storing what is already there does neither.
    void editsMarkModified_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<bool>("changes");
        QTest::newRow("name") << 0 << true;
        QTest::newRow("same name") << 1 << false;
        QTest::newRow("status") << 2 << true;
        QTest::newRow("same status") << 3 << false;
        QTest::newRow("stage time") << 4 << true;
        QTest::newRow("lock") << 5 << true;
        QTest::newRow("nocount") << 6 << true;
        QTest::newRow("section id") << 7 << true;
        QTest::newRow("same class") << 8 << false;
        QTest::newRow("memo") << 9 << true;
        QTest::newRow("same memo") << 10 << false;
        QTest::newRow("append") << 11 << true;
        QTest::newRow("delete") << 12 << true;
        QTest::newRow("delete out of range") << 13 << false;
        QTest::newRow("move down") << 14 << true;
        QTest::newRow("import") << 15 << true;
        QTest::newRow("import of nothing") << 16 << false;
    }
    void editsMarkModified()
    {
        QFETCH(int, edit);
        QFETCH(bool, changes);
        RosterSheet sheet = namedSheet(2);
        sheet.selectRow(1);
        sheet.currec->memo = "m";
        Recorder rec;
        sheet.setListener(rec.listener());
        switch (edit) {
        case 0: sheet.setName("other"); break;
        case 1: sheet.setName("r1"); break;
        case 2: sheet.setStatus(3, 77); break;
        case 3: sheet.setStatus(3, 0); break;
        case 4: sheet.setStageTime(Episode::Two, 1, 300); break;
        case 5: sheet.toggleLock(); break;
        case 6: sheet.toggleNocount(); break;
        case 7: sheet.setSectionId(4); break;
        case 8: sheet.setClass(0); break;
        case 9: sheet.setMemo("n"); break;
        case 10: sheet.setMemo("m"); break;
        case 11: sheet.appendRecord(); break;
        case 12: sheet.deleteRecord(1); break;
        case 13: sheet.deleteRecord(5); break;
        case 14: sheet.moveRecordDown(1); break;
        case 15: sheet.appendRecords(makeRoster(2)); break;
        case 16: sheet.appendRecords({}); break;
        }
        QCOMPARE(sheet.modified(), changes);
        const int told = rec.count(RosterSheet::Change::Record) + rec.count(RosterSheet::Change::Rows);
        QCOMPARE(told > 0, changes);
    }

    void stageTimeSetsTotalAndMarksBest()
    {
        RosterSheet sheet = namedSheet(2);
        Recorder rec;
        sheet.setListener(rec.listener());
        sheet.selectRow(2);
        sheet.setStageTime(Episode::One, 0, 100);
        sheet.setStageTime(Episode::One, 4, 50);
        const CharRecord& r2 = *sheet.roster[2];
        QCOMPARE(r2.ep1time[0], -100);
        QCOMPARE(r2.ep1time[4], -50);
        QCOMPARE(r2.ep1time[EP1_TOTAL], 150);
        QCOMPARE(sheet.best.ep1best[0], 100);
        QCOMPARE(sheet.best.ep1best[1], BEST_CEILING);
        QCOMPARE(rec.count(RosterSheet::Change::BestTimes), 2);
        QCOMPARE(rec.seen.front(), std::make_pair(RosterSheet::Change::Record, 2));

        // A faster time elsewhere leaves the old mark until that time is entered again.
        sheet.selectRow(1);
        sheet.setStageTime(Episode::One, 0, 90);
        QCOMPARE(sheet.roster[1]->ep1time[0], -90);
        QCOMPARE(r2.ep1time[0], -100);
        sheet.selectRow(2);
        sheet.setStageTime(Episode::One, 0, 100);
        QCOMPARE(r2.ep1time[0], 100);

        // Storing into the total column gives way to the sum of the stages.
        sheet.setStageTime(Episode::One, EP1_TOTAL, 5);
        QCOMPARE(r2.ep1time[EP1_TOTAL], 150);
    }

    void loadAndSave()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("a.pd3")).toStdString();
        RosterSheet sheet = namedSheet(3);
        sheet.selectRow(3);
        sheet.setStatus(0, 12);
        QVERIFY(sheet.modified());

        sheet.save(path);
        QVERIFY(!sheet.modified());
        QCOMPARE(sheet.lastfile, path);

        // A failed save keeps both the change and the name remembered before.
        sheet.setStatus(0, 13);
        QVERIFY_THROWS_EXCEPTION(Error, sheet.save(dir.filePath(QStringLiteral("no/such/b.pd3")).toStdString()));
        QVERIFY(sheet.modified());
        QCOMPARE(sheet.lastfile, path);

        // A load replaces the roster; the record that was current stays alive and
        // takes edits until the next selection, and the best times stay.
        CharRecord* before = sheet.currec;
        sheet.best.ep1best[0] = 42;
        Recorder rec;
        sheet.setListener(rec.listener());
        QCOMPARE(sheet.load(path), LoadResult::Loaded);
        QVERIFY(!sheet.modified());
        QCOMPARE(rec.count(RosterSheet::Change::Rows), 1);
        QCOMPARE(sheet.currec, before);
        QCOMPARE(sheet.best.ep1best[0], 42);
        sheet.setMemo("into the retired record");
        QCOMPARE(sheet.roster[3]->status[0], 12);
        QVERIFY(sheet.roster[3]->memo.empty());

        // What cannot be loaded changes nothing.
        sheet.setStatus(0, 99);
        QCOMPARE(sheet.load(dir.filePath(QStringLiteral("missing.pd3")).toStdString()), LoadResult::CannotOpen);
        QVERIFY(sheet.modified());
        QCOMPARE(sheet.roster.size(), std::size_t(4));
        sheet.selectRow(1);
        QCOMPARE(sheet.currec, sheet.roster[1].get());
    }

    void deletedRecordStaysCurrent()
    {
        RosterSheet sheet = namedSheet(3);
        sheet.selectRow(2);
        CharRecord* rec = sheet.currec;
        sheet.deleteRecord(2);
        QCOMPARE(sheet.currec, rec);
        QCOMPARE(sheet.deleted.back().get(), rec);
        QCOMPARE(sheet.currow, 2);
    }

    void selectionOutOfRangeIsRefused()
    {
        RosterSheet sheet = namedSheet(1);
        QVERIFY_THROWS_EXCEPTION(Error, sheet.selectRow(2));
        QCOMPARE(sheet.currec, sheet.roster[0].get());
    }
};

QTEST_GUILESS_MAIN(TstRosterSheet)
#include "tst_rostersheet.moc"
