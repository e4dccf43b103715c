#include "common/failure.h"
#include "roster/rostersheet.h"

#include "platform/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <map>
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
    // storing what is already there does neither; a load or a save clears the flag.
    void modifiedFlag_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("told"); // of a record or the rows
        const std::tuple<const char*, bool, bool> rows[] = {
            {"name", true, true},
            {"same name", false, false},
            {"status", true, true},
            {"same status", false, false},
            {"stage time", true, true},
            {"lock", true, true},
            {"nocount", true, true},
            {"section id", true, true},
            {"same class", false, false},
            {"memo", true, true},
            {"same memo", false, false},
            {"append", true, true},
            {"delete", true, true},
            {"delete out of range", false, false},
            {"move down", true, true},
            {"move up", true, true},
            {"import", true, true},
            {"import of nothing", false, false},
            {"save", false, false},
            {"name, save", false, true},
            {"name, load", false, true},
            {"save, lock", true, true},
            {"delete, save, restore", true, true},
        };
        for (auto [steps, modified, told] : rows)
            QTest::newRow(steps) << QString::fromLatin1(steps) << modified << told;
    }
    void modifiedFlag()
    {
        QFETCH(QString, steps);
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("a.pd3")).toStdString();
        RosterSheet sheet = namedSheet(2);
        sheet.selectRow(2);
        sheet.currec->memo = "m";
        saveRoster(path, sheet.roster);
        Recorder rec;
        sheet.setListener(rec.listener());
        using Edit = std::function<void(RosterSheet&)>;
        const std::map<QString, Edit> edits = {
            {"name", [](RosterSheet& s) { s.setName("other"); }},
            {"same name", [](RosterSheet& s) { s.setName("r2"); }},
            {"status", [](RosterSheet& s) { s.setStatus(3, 77); }},
            {"same status", [](RosterSheet& s) { s.setStatus(3, 0); }},
            {"stage time", [](RosterSheet& s) { s.setStageTime(Episode::Two, 1, 300); }},
            {"lock", [](RosterSheet& s) { s.toggleLock(); }},
            {"nocount", [](RosterSheet& s) { s.toggleNocount(); }},
            {"section id", [](RosterSheet& s) { s.setSectionId(4); }},
            {"same class", [](RosterSheet& s) { s.setClass(0); }},
            {"memo", [](RosterSheet& s) { s.setMemo("n"); }},
            {"same memo", [](RosterSheet& s) { s.setMemo("m"); }},
            {"append", [](RosterSheet& s) { s.appendRecord(); }},
            {"delete", [](RosterSheet& s) { s.deleteRecord(1); }},
            {"delete out of range", [](RosterSheet& s) { s.deleteRecord(5); }},
            {"move down", [](RosterSheet& s) { s.moveRecordDown(1); }},
            {"move up", [](RosterSheet& s) { s.moveRecordUp(2); }},
            {"restore", [](RosterSheet& s) { s.restoreRecord(1); }},
            {"import", [](RosterSheet& s) { s.appendRecords(makeRoster(2)); }},
            {"import of nothing", [](RosterSheet& s) { s.appendRecords({}); }},
            {"save", [&path](RosterSheet& s) { s.save(path); }},
            {"load", [&path](RosterSheet& s) { s.load(path); }},
        };
        for (const QString& step : steps.split(QStringLiteral(", ")))
            edits.at(step)(sheet);
        QTEST(sheet.modified(), "modified");
        const int told = rec.count(RosterSheet::Change::Record) + rec.count(RosterSheet::Change::Rows);
        QTEST(told > 0, "told");
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
        // A load keeps the file saved last as the one remembered.
        CharRecord* before = sheet.currec;
        sheet.best.ep1best[0] = 42;
        Recorder rec;
        sheet.setListener(rec.listener());
        const std::string other = dir.filePath(QStringLiteral("other.pd3")).toStdString();
        QVERIFY(QFile::copy(QString::fromStdString(path), QString::fromStdString(other)));
        sheet.load(other);
        QVERIFY(!sheet.modified());
        QCOMPARE(sheet.lastfile, path);
        QCOMPARE(rec.count(RosterSheet::Change::Rows), 1);
        QCOMPARE(sheet.currec, before);
        QCOMPARE(sheet.best.ep1best[0], 42);
        sheet.setMemo("into the retired record");
        QCOMPARE(sheet.roster[3]->status[0], 12);
        QVERIFY(sheet.roster[3]->memo.empty());

        // What cannot be loaded changes nothing.
        sheet.setStatus(0, 99);
        const Roster kept = cloneRoster(sheet.roster);
        QVERIFY(failsAs(
            Error::Kind::CannotOpen, [&] { sheet.load(dir.filePath(QStringLiteral("missing.pd3")).toStdString()); }));
        const std::string damaged = dir.filePath(QStringLiteral("damaged.pd3")).toStdString();
        QFile bad(QString::fromStdString(damaged));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray::fromStdString(serializeRoster(kept)).left(300));
        bad.close();
        QVERIFY(failsAs(Error::Kind::NotRoster, [&] { sheet.load(damaged); }));
        QVERIFY(sheet.modified());
        QVERIFY(sameContent(sheet.roster, kept));
        QCOMPARE(sheet.roster.size(), std::size_t(4));
        QCOMPARE(sheet.lastfile, path);
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
