#include "platform/cp932.h"

#include <QTest>

using namespace qvr;

class TstCp932 : public QObject {
    Q_OBJECT
private slots:
    void available() { QVERIFY(cp932::available()); }

    void decodeAndEncode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc");
        QTest::newRow("hiragana a") << QByteArray("\x82\xA0") << QString(QChar(0x3042));
        QTest::newRow("katakana") << QByteArray("\x83\x41\x83\x4A\x83\x6C") << QString::fromUtf8("アカネ");
        QTest::newRow("half-width katakana") << QByteArray("\xB1") << QString(QChar(0xFF71));
        QTest::newRow("backslash stays") << QByteArray("\x5C") << QStringLiteral("\\");
        QTest::newRow("wave dash form") << QByteArray("\x81\x60") << QString(QChar(0xFF5E));
        QTest::newRow("numbered circle") << QByteArray("\x87\x40") << QString(QChar(0x2460));
    }
    void decodeAndEncode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const std::u16string u = cp932::decode(bytes.toStdString());
        QCOMPARE(QString(reinterpret_cast<const QChar*>(u.data()), qsizetype(u.size())), text);
        auto back = cp932::encode(u);
        QVERIFY(back);
        QCOMPARE(QByteArray::fromStdString(*back), bytes);
    }

    void damagedBytesDecodeAsReplacements()
    {
        const std::u16string u = cp932::decode(std::string("a\x82", 2));
        QCOMPARE(u, std::u16string(u"a\uFFFD"));
        QCOMPARE(cp932::decode(std::string("\xA0z", 2)).back(), u'z');
    }

    void unencodableIsRefused()
    {
        QVERIFY(!cp932::encode(u"\U0001F600"));
        QVERIFY(!cp932::encode(u"a\u00E9"));
        QCOMPARE(cp932::encodedLength(U'\U0001F600'), std::size_t(0));
        QCOMPARE(cp932::encodedLength(U'a'), std::size_t(1));
        QCOMPARE(cp932::encodedLength(U'\u3042'), std::size_t(2));
    }
};

QTEST_APPLESS_MAIN(TstCp932)
#include "tst_cp932.moc"
