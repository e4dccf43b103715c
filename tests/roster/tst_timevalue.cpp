#include "platform/error.h"
#include "roster/timevalue.h"

#include <QTest>

using namespace qvr;

class TstTimeValue : public QObject {
    Q_OBJECT
private slots:
    void toText_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero") << 0 << QByteArray(" 0'00\"00");
        QTest::newRow("3725") << 3725 << QByteArray(" 1'02\"05");
        QTest::newRow("marked -65") << -65 << QByteArray("* 0'01\"05");
        QTest::newRow("12h34m56s") << (12 * 3600 + 34 * 60 + 56) << QByteArray("12'34\"56");
        QTest::newRow("ceiling") << 7200 << QByteArray(" 2'00\"00");
        QTest::newRow("hours capped") << 100000 << QByteArray("24'46\"40");
        QTest::newRow("90000") << 90000 << QByteArray("24'00\"00");
        QTest::newRow("90061") << 90061 << QByteArray("24'01\"01");
        QTest::newRow("int min") << INT32_MIN << QByteArray("*24'14\"08");
    }
    void toText()
    {
        QFETCH(int, seconds);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(timeToText(seconds)), text);
    }

    void fromText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("seconds");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("only the mark") << QByteArray("*") << 0;
        QTest::newRow("time text of 0") << QByteArray(" 0'00\"00") << 0;
        QTest::newRow("time text of 3725") << QByteArray(" 1'02\"05") << 3725;
        QTest::newRow("mark dropped") << QByteArray("* 0'01\"05") << 65;
        QTest::newRow("12345") << QByteArray("12345") << 5025;
        QTest::newRow("seconds capped") << QByteArray("99") << 59;
        QTest::newRow("minutes capped") << QByteArray("7000") << 3540;
        QTest::newRow("hours capped") << QByteArray("1000000") << 86400;
        QTest::newRow("largest") << QByteArray("999999") << (24 * 3600 + 59 * 60 + 59);
        QTest::newRow("colon form") << QByteArray("3:45") << 225;
        QTest::newRow("editor fields") << QByteArray(" 1\"23:45") << 5025;
        QTest::newRow("leading zeros") << QByteArray("000000000000000345") << 225;
        QTest::newRow("int max") << QByteArray("2147483647") << (24 * 3600 + 36 * 60 + 47);
    }
    void fromText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, seconds);
        QCOMPARE(textToTime(text.toStdString()), seconds);
    }

    void fromTextFails_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("separators only") << QByteArray(" ' \" ") << QString::fromUtf8("'' は整数ではありません");
        QTest::newRow("letters") << QByteArray("abc") << QString::fromUtf8("'' は整数ではありません");
        QTest::newRow("beyond 32 bits") << QByteArray("2147483648")
                                        << QString::fromUtf8("'2147483648' は整数ではありません");
        QTest::newRow("eleven digits") << QByteArray("12345678901")
                                       << QString::fromUtf8("'12345678901' は整数ではありません");
    }
    void fromTextFails()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        try {
            textToTime(text.toStdString());
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
    }

    // Every value up to the largest comes back from its own text, without the mark.
    void roundTrip()
    {
        for (std::int32_t v = 0; v <= 24 * 3600 + 59 * 60 + 59; v += 7) {
            QCOMPARE(textToTime(timeToText(v)), v);
            QCOMPARE(textToTime(timeToText(-v)), v);
        }
    }
};

QTEST_APPLESS_MAIN(TstTimeValue)
#include "tst_timevalue.moc"
