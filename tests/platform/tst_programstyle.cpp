// The program's style: an overflow arrow read at its first drawing and a group
// box frame drawn from a picture read as PNG must draw as the toolkit's own, in
// each direction, size and pixel ratio; other pictures pass through untouched.
#include "platform/programstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QPainter>
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

    void groupBoxFrameAsTheToolkit_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("checkable");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("titled, as the sub tool's") << QStringLiteral("MAG Timer") << false << QSize(191, 65) << 1.0;
        QTest::newRow("untitled") << QString() << false << QSize(120, 40) << 1.0;
        QTest::newRow("checkable") << QStringLiteral("ID Checker") << true << QSize(193, 89) << 1.0;
        QTest::newRow("ratio 2") << QStringLiteral("MAG Timer") << false << QSize(191, 65) << 2.0;
    }
    void groupBoxFrameAsTheToolkit()
    {
        QFETCH(QString, title);
        QFETCH(bool, checkable);
        QFETCH(QSize, size);
        QFETCH(qreal, ratio);
        QStyle* toolkit = QStyleFactory::create(QStringLiteral("fusion"));
        const ProgramStyle program(QStyleFactory::create(QStringLiteral("fusion")));
        QGroupBox box(title);
        box.setCheckable(checkable);
        box.resize(size);
        QStyleOptionFrame option;
        option.initFrom(&box);
        const auto drawn = [&](const QStyle* style) {
            QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::white);
            if (style) {
                QPainter painter(&image);
                style->drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, &box);
            }
            return image;
        };
        const QImage want = drawn(toolkit);
        QVERIFY(want != drawn(nullptr)); // a frame was drawn
        QCOMPARE(drawn(&program), want);
        delete toolkit;
    }
};

QTEST_MAIN(TestProgramStyle)
#include "tst_programstyle.moc"
