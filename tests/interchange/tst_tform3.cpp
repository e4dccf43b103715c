// The export options dialog: its controls, and the options it reads at start and
// writes at the end through the program's settings file.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "fixtures.h"
#include "interchange/tform3.h"
#include "platform/errorreport.h"
#include "platform/programpath.h"
#include "settings/profilefile.h"

Q_DECLARE_METATYPE(qvr::ExportOptions)

namespace {

const QByteArray OTHER_KEYS = "[LAST]\r\nLastFile=keep.pd3\r\n";

QString iniPath() { return QString::fromStdString(qvr::programSettingsPath()); }

bool same(const qvr::ExportOptions& a, const qvr::ExportOptions& b)
{
    return a.outStatus == b.outStatus && a.outEp1Time == b.outEp1Time && a.outEp2Time == b.outEp2Time &&
        a.outMemo == b.outMemo;
}

} // namespace

class TstTForm3 : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void controls_data();
    void controls();
    void window();
    void readsOptions_data();
    void readsOptions();
    void okClosesAndBoxesAreTheOptions();
    void destroyWritesOptions();
    void destroyFailureIsReported();
};

void TstTForm3::init()
{
    QDir().rmdir(iniPath()); // left by a run that was cut short
    QVERIFY(fixture::writeBytes(iniPath(), OTHER_KEYS));
}

void TstTForm3::cleanup()
{
    qvr::setErrorReportHook({});
    QFile::remove(iniPath());
    QDir().rmdir(iniPath());
}

void TstTForm3::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("group") << "GroupBox1"
                           << "Form3"
                           << "Output Option" << QRect(8, 8, 97, 97);
    QTest::newRow("status") << "CheckBox1"
                            << "GroupBox1"
                            << "Status" << QRect(8, 16, 65, 17);
    QTest::newRow("ep1") << "CheckBox2"
                         << "GroupBox1"
                         << "EP1Time" << QRect(8, 32, 73, 17);
    QTest::newRow("ep2") << "CheckBox3"
                         << "GroupBox1"
                         << "EP2Time" << QRect(8, 48, 73, 17);
    QTest::newRow("memo") << "CheckBox4"
                          << "GroupBox1"
                          << "Memo" << QRect(8, 64, 65, 17);
    QTest::newRow("ok") << "Button3"
                        << "Form3"
                        << "Ok" << QRect(8, 112, 97, 25);
}

void TstTForm3::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    TForm3 form;
    auto* w = form.findChild<QAbstractButton*>(name);
    QString text;
    if (auto* box = form.findChild<QGroupBox*>(name)) {
        text = box->title();
        QCOMPARE(box->geometry(), geometry);
        QCOMPARE(box->parentWidget()->objectName(), parentName);
    } else {
        QVERIFY2(w, qPrintable(name));
        text = w->text();
        QCOMPARE(w->geometry(), geometry);
        QCOMPARE(w->parentWidget()->objectName(), parentName);
    }
    QCOMPARE(text, caption);
}

void TstTForm3::window()
{
    QWidget main;
    main.setGeometry(300, 200, 640, 480);
    main.show();
    TForm3 form(&main);
    QCOMPARE(form.windowTitle(), "File Export");
    const Qt::WindowFlags f = form.windowFlags();
    QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
    for (Qt::WindowType button : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
             Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        QVERIFY(!f.testFlag(button));
    QCOMPARE(form.font().pixelSize(), 12);
    // Keyboard order: the four boxes, then the button.
    QCOMPARE(form.CheckBox1->nextInFocusChain(), form.CheckBox2);
    QCOMPARE(form.CheckBox2->nextInFocusChain(), form.CheckBox3);
    QCOMPARE(form.CheckBox3->nextInFocusChain(), form.CheckBox4);
    QCOMPARE(form.CheckBox4->nextInFocusChain(), form.Button3);

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.frameGeometry().size(), QSize(123, 177));
    QCOMPARE(form.frameGeometry().center(), main.frameGeometry().center());
}

void TstTForm3::readsOptions_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<bool>("file");
    QTest::addColumn<qvr::ExportOptions>("expected");
    const qvr::ExportOptions defaults{false, true, true, false};
    QTest::newRow("no settings file") << QByteArray() << false << defaults;
    QTest::newRow("no section") << QByteArray() << true << defaults;
    QTest::newRow("all changed") << QByteArray(
                                        "[OPTION]\r\nOutStatus=1\r\nOutEP1Time=0\r\nOutEP2Time=0\r\nOutMemo=5\r\n")
                                 << true << qvr::ExportOptions{true, false, false, true};
    QTest::newRow("not numbers") << QByteArray(
                                        "[OPTION]\r\nOutStatus=yes\r\nOutEP1Time=no\r\nOutEP2Time=\r\nOutMemo=yes\r\n")
                                 << true << defaults;
    QTest::newRow("other letter case") << QByteArray("[option]\r\noutmemo=1\r\nOUTEP2TIME=0\r\n") << true
                                       << qvr::ExportOptions{false, true, false, true};
}

void TstTForm3::readsOptions()
{
    QFETCH(QByteArray, section);
    QFETCH(bool, file);
    QFETCH(qvr::ExportOptions, expected);
    if (file)
        QVERIFY(fixture::writeBytes(iniPath(), OTHER_KEYS + section));
    else
        QVERIFY(QFile::remove(iniPath()));
    TForm3 form;
    QVERIFY(same(form.options(), expected));
    QCOMPARE(form.CheckBox4->isChecked(), expected.outMemo);
}

void TstTForm3::okClosesAndBoxesAreTheOptions()
{
    TForm3 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.CheckBox1, Qt::LeftButton);
    QTest::mouseClick(form.CheckBox3, Qt::LeftButton);
    QVERIFY(same(form.options(), {true, true, false, false}));
    QTest::mouseClick(form.Button3, Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
    QVERIFY(same(form.options(), {true, true, false, false})); // closing undoes nothing
}

void TstTForm3::destroyWritesOptions()
{
    TForm3 form;
    form.CheckBox1->setChecked(true);
    form.CheckBox2->setChecked(false);
    form.CheckBox4->setChecked(true);
    int reports = 0;
    qvr::setErrorReportHook([&](const QString&) { ++reports; });
    form.FormDestroy();
    QCOMPARE(reports, 0);
    QVERIFY(same(qvr::readExportOptions(qvr::programSettingsPath()), {true, false, true, true}));
    const QByteArray text = fixture::readBytes(iniPath());
    QVERIFY2(text.startsWith(OTHER_KEYS), text.constData());
    QVERIFY2(text.contains("OutStatus=1") && text.contains("OutEP1Time=0"), text.constData());
}

void TstTForm3::destroyFailureIsReported()
{
    TForm3 form;
    QVERIFY(QFile::remove(iniPath()));
    QVERIFY(QDir().mkdir(iniPath())); // a folder cannot be written as the settings file
    QStringList reports;
    qvr::setErrorReportHook([&](const QString& text) { reports << text; });
    form.FormDestroy();
    QCOMPARE(reports, QStringList{iniPath() + " に書き込めません."});
}

QTEST_MAIN(TstTForm3)
#include "tst_tform3.moc"
