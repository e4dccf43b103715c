// The section ID a name gets, by either edition's rule.
#include "subtool/sectionid.h"

#include <QTest>

using namespace qvr;

class TstSectionId : public QObject {
    Q_OBJECT
private slots:
    void rule_data()
    {
        QTest::addColumn<QByteArray>("name"); // code page 932 bytes
        QTest::addColumn<bool>("later");
        QTest::addColumn<int>("classIndex");
        QTest::addColumn<int>("id");
        QTest::newRow("abc earlier") << QByteArray("abc") << false << -1 << 4;
        QTest::newRow("earlier ignores class") << QByteArray("abc") << false << 7 << 4;
        QTest::newRow("abc later, no class") << QByteArray("abc") << true << -1 << 9;
        QTest::newRow("abc later, class 0") << QByteArray("abc") << true << 0 << 9;
        QTest::newRow("abc later, RAmar") << QByteArray("abc") << true << 3 << 2;
        QTest::newRow("abc later, last class") << QByteArray("abc") << true << 11 << 0;
        QTest::newRow("xbc later equals abc") << QByteArray("xbc") << true << -1 << 9;
        QTest::newRow("xbc earlier differs") << QByteArray("xbc") << false << -1 << 7;
        // Both bytes of a double-byte character count, as negative values.
        QTest::newRow("a-hiragana earlier") << QByteArray("\x82\xA0") << false << -1 << 2;
        QTest::newRow("a-hiragana later") << QByteArray("\x82\xA0") << true << 0 << 4;
        QTest::newRow("ends double-byte, earlier") << QByteArray("a\x82\xA0") << false << -1 << 5;
        QTest::newRow("ends double-byte, later") << QByteArray("a\x82\xA0") << true << -1 << 4;
        QTest::newRow("ends double-byte, later, class") << QByteArray("a\x82\xA0") << true << 8 << 2;
        QTest::newRow("double-byte then ascii, later") << QByteArray("\x82\xA0"
                                                                     "c")
                                                       << true << -1 << 9;
        // A single byte above 0x7F: half-width katakana, U+FF71.
        QTest::newRow("half-width kana earlier") << QByteArray("\xB1") << false << -1 << 9;
        QTest::newRow("half-width kana later") << QByteArray("\xB1") << true << -1 << 3;
    }
    void rule()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, later);
        QFETCH(int, classIndex);
        QFETCH(int, id);
        QCOMPARE(nameToSectionId(
                     std::string_view(name.constData(), static_cast<std::size_t>(name.size())), later, classIndex),
            id);
    }

    void resultAlwaysInRange()
    {
        // Twelve bytes of 0x80 (-128 each) give the most negative earlier-rule sum.
        const std::string low(12, '\x80');
        QCOMPARE(nameToSectionId(low, false, -1), 6); // -1536
        for (int b = 1; b < 256; ++b) {
            const std::string one(1, static_cast<char>(b));
            for (bool later : {false, true}) {
                const int id = nameToSectionId(one, later, 11);
                QVERIFY2(id >= 0 && id <= 9, qPrintable(QString::number(b)));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TstSectionId)
#include "tst_sectionid.moc"
