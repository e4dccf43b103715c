// Records come from slabs of their own: slots must be reused without two live
// records ever sharing one, also when records are freed on another thread.

#include "roster/charrecord.h"

#include <QRandomGenerator>
#include <QTest>

#include <set>
#include <thread>

using namespace qvr;

namespace {

void stamp(CharRecord& rec, int k)
{
    rec.setName(std::to_string(k));
    rec.ep1time.fill(k);
    rec.memo.assign(static_cast<std::size_t>(k % 50), 'm');
}

bool hasStamp(const CharRecord& rec, int k)
{
    return rec.nameText() == std::to_string(k) && rec.ep1time[10] == k &&
        rec.memo.size() == static_cast<std::size_t>(k % 50);
}

} // namespace

class TstRecords : public QObject {
    Q_OBJECT
private slots:
    void liveRecordsNeverShareASlot()
    {
        QRandomGenerator rng(5);
        std::vector<std::pair<RecordPtr, int>> live;
        int next = 0;
        for (int round = 0; round < 20000; ++round) {
            if (live.empty() || rng.bounded(3) != 0) {
                RecordPtr rec = makeRecord();
                stamp(*rec, next);
                live.emplace_back(std::move(rec), next++);
            } else {
                const auto victim = rng.bounded(int(live.size()));
                live.erase(live.begin() + victim);
            }
        }
        std::set<const CharRecord*> addresses;
        for (const auto& [rec, k] : live) {
            QVERIFY(hasStamp(*rec, k));
            QVERIFY(addresses.insert(rec.get()).second);
        }
        QVERIFY(live.size() > 2048); // more than one slab's worth
    }

    void recordsFreedOnAnotherThreadStayUsable()
    {
        Roster made = makeRoster(3000);
        for (int k = 0; k < 3000; ++k)
            stamp(*made[static_cast<std::size_t>(k)], k);
        std::thread([&made] { made.clear(); }).join();
        Roster again = makeRoster(3000);
        std::set<const CharRecord*> addresses;
        for (int k = 0; k < 3000; ++k) {
            stamp(*again[static_cast<std::size_t>(k)], k + 1);
            QVERIFY(addresses.insert(again[static_cast<std::size_t>(k)].get()).second);
        }
        for (int k = 0; k < 3000; ++k)
            QVERIFY(hasStamp(*again[static_cast<std::size_t>(k)], k + 1));
    }
};

QTEST_APPLESS_MAIN(TstRecords)
#include "tst_records.moc"
