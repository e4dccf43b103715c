#include "common/failure.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "roster/rosterfile.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace qvr;

namespace {

std::string le32(std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    return {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char(u >> 24)};
}

Roster randomRoster(QRandomGenerator& rng)
{
    Roster r;
    const int n = 1 + rng.bounded(8);
    for (int k = 0; k < n; ++k) {
        auto rec = std::make_unique<CharRecord>();
        for (char& c : rec->name)
            c = static_cast<char>(rng.bounded(256));
        rec->wtype = static_cast<std::int32_t>(rng.generate());
        rec->id = static_cast<std::int32_t>(rng.generate());
        for (auto& v : rec->status)
            v = static_cast<std::int32_t>(rng.generate());
        for (auto& v : rec->ep1time)
            v = static_cast<std::int32_t>(rng.generate());
        for (auto& v : rec->ep2time)
            v = static_cast<std::int32_t>(rng.generate());
        rec->nocount = static_cast<std::uint8_t>(rng.bounded(2));
        rec->lock = static_cast<std::uint8_t>(rng.bounded(2));
        const int memoLen = rng.bounded(4) == 0 ? 0 : rng.bounded(300);
        for (int i = 0; i < memoLen; ++i)
            rec->memo.push_back(static_cast<char>(rng.bounded(256)));
        r.push_back(std::move(rec));
    }
    return r;
}

} // namespace

class TstRosterFile : public QObject {
    Q_OBJECT
private slots:
    void startupRosterIs461Bytes()
    {
        const std::string bytes = serializeRoster(makeRoster(3));
        QCOMPARE(bytes.size(), std::size_t(461));
        QCOMPARE(bytes.substr(0, 5), std::string("\x33", 1) + le32(3));
        QCOMPARE(bytes.substr(5 + 148, 4), le32(0)); // empty memo: L = 0, no bytes
    }

    void blockLayout()
    {
        Roster r = makeRoster(2);
        CharRecord& c = *r[1];
        c.setName("Ab");
        c.wtype = 4;
        c.id = -2;
        c.status[0] = 120;
        c.status[9] = 7;
        c.ep1time[0] = -3725;
        c.ep1time[10] = 11;
        c.ep2time[6] = 66;
        c.nocount = 1;
        c.lock = 1;
        c.memo = "\r\n";
        const std::string bytes = serializeRoster(r);
        QCOMPARE(bytes.size(), std::size_t(311));
        const std::string block = bytes.substr(5 + 152);
        QCOMPARE(block.substr(0, 3), std::string("Ab\0", 3));
        QCOMPARE(block.substr(20, 4), le32(4));
        QCOMPARE(block.substr(24, 4), le32(-2));
        QCOMPARE(block.substr(28, 4), le32(120));
        QCOMPARE(block.substr(64, 4), le32(7));
        QCOMPARE(block.substr(68, 4), le32(-3725));
        QCOMPARE(block.substr(108, 4), le32(11));
        QCOMPARE(block.substr(136, 4), le32(66));
        QCOMPARE(block[140], '\1');
        QCOMPARE(block[141], '\1');
        QCOMPARE(block.substr(142, 6), std::string(6, '\0'));
        QCOMPARE(block.substr(148, 4), le32(2));
        QCOMPARE(block.substr(152), std::string("\r\n"));
    }

    void roundTripKeepsEveryField()
    {
        QRandomGenerator rng(20261209);
        for (int round = 0; round < 300; ++round) {
            Roster r = randomRoster(rng);
            const std::string bytes = serializeRoster(r);
            auto back = parseRoster(bytes);
            QVERIFY(back);
            QVERIFY(sameContent(*back, r));
            QCOMPARE(serializeRoster(*back), bytes);
        }
    }

    void ignoredAreasAreNotCarriedOver()
    {
        std::string bytes = serializeRoster(makeRoster(1));
        for (std::size_t i = 5 + 142; i < 5 + 148; ++i)
            bytes[i] = '\x5A';
        auto back = parseRoster(bytes);
        QVERIFY(back);
        QCOMPARE(serializeRoster(*back), serializeRoster(makeRoster(1)));
    }

    void damagedFilesAreRejected_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const std::string good = serializeRoster(makeRoster(2));
        auto qb = [](const std::string& s) { return QByteArray::fromStdString(s); };
        std::string otherVersion = good;
        otherVersion[0] = '2';
        std::string countZero = good;
        countZero.replace(1, 4, le32(0));
        std::string countNegative = good;
        countNegative.replace(1, 4, le32(-1));
        std::string countHuge = std::string("\x33", 1) + le32(INT32_MAX) + std::string(15, '\0');
        std::string countTooBig = good;
        countTooBig.replace(1, 4, le32(3));
        std::string negativeMemo = good;
        negativeMemo.replace(5 + 148, 4, le32(-5));
        std::string memoPastEnd = good;
        memoPastEnd.replace(5 + 152 + 148, 4, le32(1));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header cut") << qb(good.substr(0, 4));
        QTest::newRow("other version byte") << qb(otherVersion);
        QTest::newRow("count 0") << qb(countZero);
        QTest::newRow("negative count") << qb(countNegative);
        QTest::newRow("count beyond the data") << qb(countHuge);
        QTest::newRow("one block missing") << qb(countTooBig);
        QTest::newRow("block cut short") << qb(good.substr(0, good.size() - 1));
        QTest::newRow("negative memo length") << qb(negativeMemo);
        QTest::newRow("memo past the end") << qb(memoPastEnd);
    }
    void damagedFilesAreRejected()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(!parseRoster(bytes.toStdString()));

        QTemporaryDir dir;
        const std::string path = dir.filePath("bad.pd3").toStdString();
        writeFileAtomically(path, bytes.toStdString());
        Roster kept = makeRoster(4);
        kept[2]->setName("keep");
        const Roster before = cloneRoster(kept);
        QVERIFY(failsAs(Error::Kind::NotRoster, [&] { loadRoster(path, kept); }));
        QVERIFY(sameContent(kept, before));
    }

    void missingFileLeavesTheRoster()
    {
        Roster kept = makeRoster(2);
        QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { loadRoster("/nonexistent/folder/x.pd3", kept); }));
        QCOMPARE(kept.size(), std::size_t(2));
    }

    void trailingBytesAreNotPartOfTheRoster()
    {
        std::string bytes = serializeRoster(makeRoster(2)) + "junk";
        auto back = parseRoster(bytes);
        QVERIFY(back);
        QCOMPARE(back->size(), std::size_t(2));
    }

    void saveAndLoadThroughAFile()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("r.pd3").toStdString();
        Roster r = makeRoster(3);
        r[1]->memo = "line1\r\nline2";
        saveRoster(path, r);
        Roster back;
        loadRoster(path, back);
        QVERIFY(sameContent(back, r));
    }

    // Records and memos larger than the reading and writing buffers, so that
    // blocks straddle every kind of boundary.
    void largeRosterStreamsThroughTheBuffers()
    {
        QRandomGenerator rng(99);
        Roster r = makeRoster(1);
        for (int k = 0; k < 3000; ++k) {
            RecordPtr rec = makeRecord();
            rec->setName("N" + std::to_string(k));
            rec->ep1time[0] = k;
            const int len = k % 500 == 7 ? 70000 + int(rng.bounded(300000)) : int(rng.bounded(90));
            rec->memo.assign(static_cast<std::size_t>(len), static_cast<char>('a' + k % 26));
            r.push_back(std::move(rec));
        }
        QTemporaryDir dir;
        const std::string path = dir.filePath("big.pd3").toStdString();
        saveRoster(path, r);
        const std::string bytes = serializeRoster(r);
        QVERIFY(readWholeFile(path) == bytes);
        Roster back;
        loadRoster(path, back);
        QVERIFY(sameContent(back, r));

        // Cut anywhere, the file is rejected and the roster kept.
        for (std::size_t cut : {std::size_t(5), std::size_t(200), bytes.size() / 3, bytes.size() - 1}) {
            writeFileAtomically(path, std::string_view(bytes).substr(0, cut));
            Roster kept = makeRoster(2);
            QVERIFY(failsAs(Error::Kind::NotRoster, [&] { loadRoster(path, kept); }));
            QCOMPARE(kept.size(), std::size_t(2));
        }
    }

    void onlyRegularFilesAreOpened()
    {
        QTemporaryDir dir;
        const std::string fifo = dir.filePath("pipe").toStdString();
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        Roster kept = makeRoster(2);
        // A FIFO without a writer would block a plain open for ever.
        QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { loadRoster(fifo, kept); }));
        QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { loadRoster(dir.path().toStdString(), kept); }));
        QCOMPARE(kept.size(), std::size_t(2));
        // The small readers (settings, head template) refuse them the same way.
        QVERIFY(!readWholeFile(fifo));
        QVERIFY(!readWholeFile(dir.path().toStdString()));
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("missing folder") << QStringLiteral("missing/r.pd3");
        QTest::newRow("target is a folder") << QStringLiteral("folder");
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        const std::string path = dir.filePath(target).toStdString();
        try {
            saveRoster(path, makeRoster(3));
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                QString::fromUtf8("ファイル %1 を作成できません").arg(QString::fromStdString(path)));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);
    }

    void saveReplacesAnExistingFileWhole()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("r.pd3").toStdString();
        saveRoster(path, makeRoster(50));
        saveRoster(path, makeRoster(3));
        auto bytes = readWholeFile(path);
        QVERIFY(bytes);
        QCOMPARE(bytes->size(), std::size_t(461));
        // No temporary is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
};

QTEST_APPLESS_MAIN(TstRosterFile)
#include "tst_rosterfile.moc"
