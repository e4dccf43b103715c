// Memos of one load share one block: each still reads and changes as a string of
// its own, and outlives the roster and the other records it was loaded with.
#include "roster/rosterfile.h"

#include <QTest>

#include <functional>

using namespace qvr;

namespace {

using Edit = std::function<void(MemoText&)>;

Roster rosterWithMemos(std::size_t count, std::size_t memoBytes)
{
    Roster r = makeRoster(count);
    for (std::size_t k = 0; k < count; ++k)
        r[k]->memo = std::string(memoBytes, static_cast<char>('a' + k % 26)) + std::to_string(k);
    return r;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TstMemoText : public QObject {
    Q_OBJECT
private slots:
    void loadedMemosOutliveTheirRoster()
    {
        const Roster original = rosterWithMemos(4, 30);
        auto loaded = parseRoster(serializeRoster(original));
        QVERIFY(loaded);
        CharRecord kept = *(*loaded)[2]; // shares the block
        MemoText alone = (*loaded)[3]->memo; // and so does this
        loaded.reset(); // the roster and its other records go
        QCOMPARE(kept.memo, original[2]->memo);
        QCOMPARE(alone, original[3]->memo);
        QVERIFY(kept == *original[2]);
    }

    // Past a megabyte the block is a mapping of its own, filled in steps, and the
    // next large load takes over the mapping of the last one given back.
    void largeLoadsKeepEveryMemo()
    {
        const Roster original = rosterWithMemos(3000, 700);
        const std::string bytes = serializeRoster(original);
        for (int round = 0; round < 3; ++round) {
            auto loaded = parseRoster(bytes);
            QVERIFY(loaded);
            QVERIFY(sameContent(*loaded, original));
        }
        auto first = parseRoster(bytes);
        auto second = parseRoster(bytes); // while the first still holds its block
        QVERIFY(first && second);
        first.reset();
        QVERIFY(sameContent(*second, original));
    }

    void editingOneMemoLeavesTheOthers_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("assign") << Edit([](MemoText& m) { m.assign("new"); }) << QByteArray("new");
        QTest::newRow("string") << Edit([](MemoText& m) { m = std::string("line\r\nline"); })
                                << QByteArray("line\r\nline");
        QTest::newRow("fill") << Edit([](MemoText& m) { m.assign(3, 'x'); }) << QByteArray("xxx");
        QTest::newRow("push_back") << Edit([](MemoText& m) { m.push_back('!'); }) << QByteArray("bb1!");
        QTest::newRow("clear") << Edit([](MemoText& m) { m.clear(); }) << QByteArray();
        QTest::newRow("part of itself") << Edit([](MemoText& m) { m.assign(std::string_view(m).substr(1)); })
                                        << QByteArray("b1");
        QTest::newRow("own part of itself") << Edit([](MemoText& m) {
            m.assign("xyz");
            m.assign(std::string_view(m).substr(1));
        }) << QByteArray("yz");
    }
    void editingOneMemoLeavesTheOthers()
    {
        QFETCH(Edit, edit);
        QFETCH(QByteArray, expected);
        const Roster original = rosterWithMemos(3, 2);
        auto loaded = parseRoster(serializeRoster(original));
        QVERIFY(loaded);
        MemoText copy = (*loaded)[1]->memo;
        edit((*loaded)[1]->memo);
        QCOMPARE(QByteArray::fromStdString((*loaded)[1]->memo.str()), expected);
        QCOMPARE((*loaded)[1]->memo.size(), std::size_t(expected.size()));
        QCOMPARE(copy, original[1]->memo);
        QCOMPARE((*loaded)[0]->memo, original[0]->memo);
        QCOMPARE((*loaded)[2]->memo, original[2]->memo);
    }
};

QTEST_MAIN(TstMemoText)
#include "tst_memotext.moc"
