// The main window's start-up reads the settings and the last roster file into
// the views; its orderly end writes the settings back and never the roster.

#include "app/program.h"
#include "common/formfixture.h"
#include "roster/rosterfile.h"
#include "view/rostertable.h"

#include <QIcon>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QToolButton>

using namespace qvr;

namespace {
// The placeholder and `characters` more, the first named "Here".
Roster rosterOfHere(int characters)
{
    Roster r = makeRoster(static_cast<std::size_t>(characters + 1));
    r[1]->setName("Here");
    return r;
}
} // namespace

class TstStartup : public QObject {
    Q_OBJECT
private slots:
    // Made from the built-in pictures, so that no image plugin is needed for it.
    void windowIconHasItsSizes()
    {
        const QIcon icon = qvr::programIcon();
        QVERIFY(!icon.isNull());
        for (int size : {48, 128, 256})
            QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(icon.pixmap(48, 48).size(), QSize(48, 48));
    }

    // "<dir>" in the settings stands for the test's folder.
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("settings"); // empty: no settings file
        QTest::addColumn<QString>("file"); // a file in the folder, or none
        QTest::addColumn<int>("characters"); // in that roster file; -1: a damaged file
        QTest::addColumn<QString>("report");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("firstName"); // of row 1
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("lastHeading");
        QTest::addColumn<QByteArray>("settingsAfter"); // exactly, after the orderly end

        const QByteArray firstRunSettings(
            "[SYSTEM]\r\nSFile=default.wav\r\n\r\n[LAST]\r\nLastFile=qvrutl.pd3\r\nDispMode=0\r\n");
        QTest::newRow("first run in an empty folder") << QByteArray() << QString() << 0 << QString() << 3 << "Sheet1"
                                                      << "" << 0 << 15 << "LUK" << firstRunSettings;
        QTest::newRow("default roster in the current folder")
            << QByteArray() << "qvrutl.pd3" << 4 << QString() << 5 << "qvrutl.pd3"
            << "Here" << 0 << 15 << "LUK" << firstRunSettings;
        QTest::newRow("empty last file loads nothing")
            << QByteArray("[LAST]\r\nLastFile=\r\n") << "qvrutl.pd3" << 4 << QString() << 3 << "Sheet1"
            << "" << 0 << 15 << "LUK"
            << QByteArray("[LAST]\r\nLastFile=\r\nDispMode=0\r\n\r\n[SYSTEM]\r\nSFile=default.wav\r\n");
        QTest::newRow("last file saved elsewhere")
            << QByteArray("[LAST]\r\nLastFile=<dir>/saved.pd3\r\n") << "saved.pd3" << 2 << QString() << 3 << "saved.pd3"
            << "Here" << 0 << 15 << "LUK"
            << QByteArray("[LAST]\r\nLastFile=<dir>/saved.pd3\r\nDispMode=0\r\n\r\n[SYSTEM]\r\nSFile=default.wav\r\n");
        // Reported, and the start-up roster stays.
        QTest::newRow("damaged last file")
            << QByteArray("[LAST]\r\nLastFile=bad.pd3\r\n") << "bad.pd3" << -1
            << QString::fromUtf8("ファイル bad.pd3 は名簿ファイルとして読めません.") << 3 << "Sheet1"
            << "" << 0 << 15 << "LUK"
            << QByteArray("[LAST]\r\nLastFile=bad.pd3\r\nDispMode=0\r\n\r\n[SYSTEM]\r\nSFile=default.wav\r\n");

        const std::tuple<const char*, int, int, const char*> modes[] = {
            {"0", 0, 15, "LUK"},
            {"1", 1, 16, "TOTAL"},
            {"2", 2, 12, "TOTAL"},
            {"0x1", 1, 16, "TOTAL"},
            {"5", 0, 15, "LUK"},
            {"7", 0, 15, "LUK"},
            {"-1", 0, 15, "LUK"},
            {"abc", 0, 15, "LUK"},
        };
        for (auto [value, mode, columns, heading] : modes)
            QTest::addRow("DispMode=%s", value) << "[LAST]\r\nDispMode=" + QByteArray(value) + "\r\n"
                                                << QString() << 0 << QString() << 3 << "Sheet1"
                                                << "" << mode << columns << heading
                                                << "[LAST]\r\nDispMode=" + QByteArray::number(mode) +
                    "\r\nLastFile=qvrutl.pd3\r\n\r\n[SYSTEM]\r\nSFile=default.wav\r\n";
    }
    void startUp()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, file);
        QFETCH(int, characters);
        QFETCH(QString, report);
        QFETCH(int, rows);
        QFETCH(int, mode);
        QFETCH(int, columns);
        QFETCH(QByteArray, settingsAfter);
        FormFixture f;
        const QByteArray dir = f.dir.path().toUtf8();
        if (!settings.isEmpty())
            f.writeSettings(settings.replace("<dir>", dir));
        settingsAfter.replace("<dir>", dir);
        QByteArray fileBytes;
        if (!file.isEmpty()) {
            fileBytes = characters < 0 ? QByteArray("\x33\xFF\xFF\xFF\x7F", 5)
                                       : QByteArray::fromStdString(serializeRoster(rosterOfHere(characters)));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(fileBytes);
        }

        TForm1& w = f.start();
        QCOMPARE(f.reports, report.isEmpty() ? QStringList() : QStringList{report});
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(rows));
        QCOMPARE(w.DrawGrid1->rowCount(), rows);
        QTEST(w.PageControl1->tabText(0), "tab");
        QTEST(QString::fromStdString(std::string(w.rosterSheet.roster[1]->nameText())), "firstName");
        if (w.PageControl1->tabText(0) == QStringLiteral("Sheet1")) // nothing loaded
            QCOMPARE(w.rosterSheet.currec, w.rosterSheet.roster[0].get());
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("Memo1"));
        QCOMPARE(w.soundfile, std::string("default.wav"));
        QVERIFY(settingsAfter.contains("LastFile=" + QByteArray::fromStdString(w.rosterSheet.lastfile) + "\r\n"));

        QCOMPARE(w.dispmode, mode);
        QCOMPARE(w.DrawGrid1->colCount(), columns);
        QToolButton* pressed = mode == 1 ? w.SpeedButton4 : mode == 2 ? w.SpeedButton5 : w.SpeedButton6;
        QVERIFY(pressed->isChecked());
        QTEST(w.table().cellText(columns - 1, 0), "lastHeading");
        for (int c = 0; c < columns; ++c)
            QCOMPARE(w.DrawGrid1->colWidth(c), c < 6 ? (std::array{28, 12, 12, 120, 16, 65})[c] : 60);

        // Unsaved changes go to a recovery copy, never into the roster file.
        w.rosterSheet.appendRecord();
        w.rosterSheet.roster[1]->setName("Edited");
        w.FormDestroy();
        QCOMPARE(f.readSettings(), settingsAfter);
        if (!file.isEmpty()) {
            QFile r(file);
            QVERIFY(r.open(QIODevice::ReadOnly));
            QCOMPARE(r.readAll(), fileBytes);
        }
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
