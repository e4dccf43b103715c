// Reading the previous version's roster file.

#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "common/failure.h"
#include "fixtures.h"
#include "interchange/ver2import.h"

using namespace qvr;

namespace {

constexpr int SLOT = int(VER2_SLOT_SIZE);

void putInt(QByteArray& slot, int at, std::int32_t v)
{
    for (int i = 0; i < 4; ++i)
        slot[at + i] = char((std::uint32_t(v) >> (8 * i)) & 0xff);
}

// A slot whose unread area and memo tail hold junk, so that reading too much would show.
QByteArray slot(const QByteArray& name, const QByteArray& memo = "")
{
    QByteArray s(SLOT, '\x7f');
    s.replace(0, 16, QByteArray(16, '\0'));
    s.replace(0, name.size(), name);
    for (int at = 16; at < 104; at += 4)
        putInt(s, at, 0);
    s[142] = 0;
    s[143] = 0;
    s.replace(144, memo.size(), memo);
    if (144 + memo.size() < SLOT)
        s[144 + memo.size()] = '\0';
    return s;
}

QByteArray emptySlots(int n) { return slot("name").repeated(n); }

} // namespace

class TstVer2Import : public QObject {
    Q_OBJECT
private slots:
    void slotsBecomeRecords();
    void slotCount_data();
    void slotCount();
    void importAppends();
    void importWithoutReadableFile();
};

void TstVer2Import::slotsBecomeRecords()
{
    QByteArray full = slot(QByteArray("Alpha\0junk", 10), "memo\r\nline2");
    putInt(full, 16, 11); // wtype
    putInt(full, 20, 9); // id
    for (int i = 0; i < 10; ++i) {
        putInt(full, 24 + 4 * i, i == 3 ? -400 : 100 + i); // times, a marked one among them
        putInt(full, 64 + 4 * i, 1000 + i); // status
    }
    putInt(full, 60, 12345); // a total that is not the stages' sum stays
    full[142] = 1;
    full[143] = 1;
    QByteArray odd = slot("odd");
    putInt(odd, 16, -3);
    putInt(odd, 20, 99);

    const QByteArray file = emptySlots(1) + full + slot("names") + slot("Name") + slot("nam") +
        slot("ABCDEFGHIJKLMNOP") + slot("\x82\xa0", QByteArray(2048, 'm')) + odd + emptySlots(42);
    Roster got = parseVer2(std::string_view(file.constData(), std::size_t(file.size())));
    QCOMPARE(got.size(), std::size_t(6));

    CharRecord expected;
    std::memcpy(expected.name.data(), "Alpha\0junk", 10);
    expected.wtype = 11;
    expected.id = 9;
    for (std::size_t i = 0; i < 10; ++i) {
        expected.ep1time[i] = i == 3 ? -400 : 100 + std::int32_t(i);
        expected.status[i] = 1000 + std::int32_t(i);
    }
    expected.ep1time[9] = 12345;
    expected.nocount = 1;
    expected.lock = 1;
    expected.memo = "memo\r\nline2";
    QVERIFY(*got[0] == expected);

    QCOMPARE(fixture::bytes(got[1]->nameText()), QByteArray("Name"));
    QCOMPARE(fixture::bytes(got[2]->nameText()), QByteArray("nam"));
    QCOMPARE(fixture::bytes(got[3]->nameText()), QByteArray("ABCDEFGHIJKLMNOP"));
    QCOMPARE(got[3]->name[16], '\0');
    QCOMPARE(fixture::bytes(got[4]->nameText()), QByteArray("\x82\xa0"));
    QCOMPARE(fixture::bytes(got[4]->memo), QByteArray(2048, 'm')); // no terminator: the whole area, no more
    QCOMPARE(got[5]->wtype, -3);
    QCOMPARE(got[5]->id, 99);
    for (const auto& rec : got) {
        QCOMPARE(rec->ep1time[10], 0);
        QVERIFY(rec->ep2time == decltype(rec->ep2time){});
    }
}

void TstVer2Import::slotCount_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("records");
    QByteArray fifty;
    for (int i = 0; i < 50; ++i)
        fifty += slot("c" + QByteArray::number(i));
    QTest::newRow("50 empty slots") << emptySlots(50) << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("one byte short of a slot") << slot("a").left(SLOT - 1) << 0;
    QTest::newRow("two slots and part of one") << slot("a") + slot("b") + slot("c").left(144) << 2;
    QTest::newRow("missing slots after an empty one") << slot("a") + emptySlots(1) + slot("b") << 2;
    QTest::newRow("bytes past 50 slots") << fifty + slot("extra") << 50;
}

void TstVer2Import::slotCount()
{
    QFETCH(QByteArray, file);
    QFETCH(int, records);
    Roster got = parseVer2(std::string_view(file.constData(), std::size_t(file.size())));
    QCOMPARE(int(got.size()), records);
    if (records == 2)
        QCOMPARE(fixture::bytes(got[1]->nameText()), QByteArray("b"));
}

void TstVer2Import::importAppends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.pd2");
    QVERIFY(fixture::writeBytes(path, slot("A") + emptySlots(1) + slot("B") + emptySlots(47)));
    Roster roster = fixture::withPlaceholder();
    fixture::add(roster, "kept");

    importVer2(path.toStdString(), roster);
    importVer2(path.toStdString(), roster);
    QStringList names;
    for (const auto& rec : roster)
        names << QString::fromStdString(std::string(rec->nameText()));
    QCOMPARE(names, QStringList({"PLACEHOLDER", "kept", "A", "B", "A", "B"}));
}

void TstVer2Import::importWithoutReadableFile()
{
    QTemporaryDir dir;
    Roster roster = fixture::withPlaceholder();
    QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { importVer2(dir.filePath("missing.pd2").toStdString(), roster); }));
    // a folder is no file
    QVERIFY(failsAs(Error::Kind::CannotOpen, [&] { importVer2(dir.path().toStdString(), roster); }));

    // A socket exists but cannot be opened: nothing is added either.
    const QByteArray sockPath = dir.filePath("sock.pd2").toLocal8Bit();
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    QVERIFY(std::size_t(sockPath.size()) < sizeof addr.sun_path);
    std::memcpy(addr.sun_path, sockPath.constData(), std::size_t(sockPath.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const bool refused = failsAs(Error::Kind::CannotOpen, [&] { importVer2(sockPath.toStdString(), roster); });
    ::close(fd);
    QVERIFY(refused);
    QCOMPARE(roster.size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(TstVer2Import)
#include "tst_ver2import.moc"
