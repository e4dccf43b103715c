// The program's style: an overflow arrow read at its first drawing must draw as
// the toolkit's own, in each direction, size and pixel ratio; other pictures pass
// through untouched.
#include "platform/programstyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>

using qvr::ProgramStyle;

class TestProgramStyle : public QObject {
    Q_OBJECT
private slots:
    void drawsAsTheToolkit_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("rightToLeft");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");
        const int horizontal = QStyle::SP_ToolBarHorizontalExtensionButton;
        const int vertical = QStyle::SP_ToolBarVerticalExtensionButton;
        QTest::newRow("menu bar arrow") << horizontal << false << QSize(16, 16) << 1.0;
        QTest::newRow("menu bar arrow, right to left") << horizontal << true << QSize(16, 16) << 1.0;
        QTest::newRow("menu bar arrow, ratio 2") << horizontal << false << QSize(16, 16) << 2.0;
        QTest::newRow("menu bar arrow, ratio 1.5, small") << horizontal << false << QSize(12, 12) << 1.5;
        QTest::newRow("tool bar arrow") << vertical << false << QSize(8, 8) << 1.0;
        QTest::newRow("another picture") << int(QStyle::SP_DialogOkButton) << false << QSize(16, 16) << 1.0;
    }
    void drawsAsTheToolkit()
    {
        QFETCH(int, icon);
        QFETCH(bool, rightToLeft);
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);
        const auto pixmap = static_cast<QStyle::StandardPixmap>(icon);
        QStyle* toolkit = QStyleFactory::create(QStringLiteral("fusion"));
        const ProgramStyle program(QStyleFactory::create(QStringLiteral("fusion")));
        QStyleOption option;
        option.direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;

        const QIcon expected = toolkit->standardIcon(pixmap, &option, nullptr);
        const QIcon deferred = program.standardIcon(pixmap, &option, nullptr);
        QVERIFY(!deferred.isNull());
        QCOMPARE(deferred.availableSizes(), expected.availableSizes());
        QCOMPARE(deferred.actualSize(size), expected.actualSize(size));
        const QImage want = expected.pixmap(size, ratio).toImage();
        const QImage got = deferred.pixmap(size, ratio).toImage();
        QCOMPARE(got.devicePixelRatio(), want.devicePixelRatio());
        QCOMPARE(got, want);
        delete toolkit;
    }
};

QTEST_MAIN(TestProgramStyle)
#include "tst_programstyle.moc"
