#include "app/program.h"
#include "common/formfixture.h"
#include "view/rostertable.h"
#include "roster/rosterfile.h"

#include <QIcon>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QToolButton>

using namespace qvr;

namespace {
Roster namedRoster(const char* name, int characters)
{
    Roster r = makeRoster(static_cast<std::size_t>(characters + 1));
    r[1]->setName(name);
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

    void firstRunInAnEmptyFolder()
    {
        FormFixture f;
        TForm1& w = f.start();
        QCOMPARE(w.dispmode, 0);
        QCOMPARE(w.DrawGrid1->colCount(), 15);
        QVERIFY(w.SpeedButton6->isChecked());
        QCOMPARE(w.roster.size(), std::size_t(3));
        QCOMPARE(w.DrawGrid1->rowCount(), 3);
        QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("Sheet1"));
        QCOMPARE(w.lastfile, std::string("qvrutl.pd3"));
        QCOMPARE(w.soundfile, std::string("default.wav"));
        QCOMPARE(w.currec, w.roster[0].get());
        QCOMPARE(w.Memo1->toPlainText(), QStringLiteral("Memo1"));
        QVERIFY(f.reports.isEmpty());
        for (int c = 0; c < 6; ++c)
            QCOMPARE(w.DrawGrid1->colWidth(c), (std::array{28, 12, 12, 120, 16, 65})[c]);
        QCOMPARE(w.DrawGrid1->colWidth(14), 60);
    }

    void defaultRosterIsLookedForInTheCurrentFolder()
    {
        FormFixture f;
        saveRoster("qvrutl.pd3", namedRoster("Here", 4));
        TForm1& w = f.start();
        QCOMPARE(w.roster.size(), std::size_t(5));
        QCOMPARE(w.DrawGrid1->rowCount(), 5);
        QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("qvrutl.pd3"));
        QCOMPARE(std::string(w.roster[1]->nameText()), std::string("Here"));
    }

    void dispModeSetting_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("columns");
        QTest::newRow("0") << QByteArray("0") << 0 << 15;
        QTest::newRow("1") << QByteArray("1") << 1 << 16;
        QTest::newRow("2") << QByteArray("2") << 2 << 12;
        QTest::newRow("hex 0x1") << QByteArray("0x1") << 1 << 16;
        QTest::newRow("5") << QByteArray("5") << 0 << 15;
        QTest::newRow("7") << QByteArray("7") << 0 << 15;
        QTest::newRow("-1") << QByteArray("-1") << 0 << 15;
        QTest::newRow("abc") << QByteArray("abc") << 0 << 15;
    }
    void dispModeSetting()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, mode);
        QFETCH(int, columns);
        FormFixture f;
        f.writeSettings("[LAST]\r\nDispMode=" + value + "\r\n");
        TForm1& w = f.start();
        QCOMPARE(w.dispmode, mode);
        QCOMPARE(w.DrawGrid1->colCount(), columns);
        QToolButton* pressed = mode == 1 ? w.SpeedButton4 : mode == 2 ? w.SpeedButton5 : w.SpeedButton6;
        QVERIFY(pressed->isChecked());
        if (mode == 2)
            QCOMPARE(w.table().cellText(11, 0), QStringLiteral("TOTAL"));
        w.FormDestroy();
        QVERIFY(f.readSettings().contains("DispMode=" + QByteArray::number(mode)));
    }

    void emptyLastFileLoadsNothing()
    {
        FormFixture f;
        saveRoster("qvrutl.pd3", namedRoster("Here", 4));
        f.writeSettings("[LAST]\r\nLastFile=\r\n");
        TForm1& w = f.start();
        QCOMPARE(w.roster.size(), std::size_t(3));
        QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("Sheet1"));
    }

    void damagedLastFileIsReportedAndStartUpGoesOn()
    {
        FormFixture f;
        QFile bad("bad.pd3");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\x33\xFF\xFF\xFF\x7F", 5);
        bad.close();
        f.writeSettings("[LAST]\r\nLastFile=bad.pd3\r\n");
        TForm1& w = f.start();
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("ファイル bad.pd3 は名簿ファイルとして読めません.")});
        QCOMPARE(w.roster.size(), std::size_t(3));
        QCOMPARE(w.DrawGrid1->rowCount(), 3);
    }

    void exitWritesTheSettingsButNotTheRoster()
    {
        FormFixture f;
        saveRoster("qvrutl.pd3", namedRoster("Kept", 2));
        const QByteArray before = [] {
            QFile r("qvrutl.pd3");
            r.open(QIODevice::ReadOnly);
            return r.readAll();
        }();
        TForm1& w = f.start();
        w.appendRecord();
        w.roster[1]->setName("Edited");
        w.FormDestroy();
        QFile r("qvrutl.pd3");
        QVERIFY(r.open(QIODevice::ReadOnly));
        QCOMPARE(r.readAll(), before);
        QCOMPARE(f.readSettings(),
            QByteArray("[SYSTEM]\r\nSFile=default.wav\r\n\r\n[LAST]\r\nLastFile=qvrutl.pd3\r\nDispMode=0\r\n"));
    }

    void lastFileFollowsSavesNotLoads()
    {
        FormFixture f;
        saveRoster("other.pd3", namedRoster("Other", 1));
        {
            TForm1& w = f.start();
            f.answers << f.dir.filePath("saved.pd3");
            w.Save1Click();
            QCOMPARE(w.lastfile, f.dir.filePath("saved.pd3").toStdString());
            f.answers << f.dir.filePath("other.pd3");
            w.Load1Click();
            QCOMPARE(w.roster.size(), std::size_t(2));
            QCOMPARE(w.lastfile, f.dir.filePath("saved.pd3").toStdString());
            w.FormDestroy();
        }
        f.form.reset();
        TForm1& again = f.start();
        QCOMPARE(again.roster.size(), std::size_t(3));
        QCOMPARE(again.PageControl1->tabText(0), QStringLiteral("saved.pd3"));
        QCOMPARE(f.dialogFilters.first(), QStringLiteral("QVRUTL_Ver3(*.pd3)|*.pd3"));
    }

    void loadOfABadFileChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("nothere.pd3") << QStringLiteral("ファイル %1 は開けません.");
        QTest::newRow("damaged") << QStringLiteral("damaged.pd3")
                                 << QStringLiteral("ファイル %1 は名簿ファイルとして読めません.");
    }
    void loadOfABadFileChangesNothing()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        FormFixture f;
        QFile d("damaged.pd3");
        QVERIFY(d.open(QIODevice::WriteOnly));
        d.write(QByteArray::fromStdString(serializeRoster(makeRoster(3))).left(300));
        d.close();
        TForm1& w = f.start();
        w.appendRecord();
        const Roster before = cloneRoster(w.roster);
        const QString path = f.dir.filePath(file);
        f.answers << path;
        guard([&] { w.Load1Click(); });
        QCOMPARE(f.reports, QStringList{message.arg(path)});
        QVERIFY(sameContent(w.roster, before));
        QCOMPARE(w.DrawGrid1->rowCount(), 4);
        QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("Sheet1"));
    }

    void failedSaveIsReportedAndNotRemembered()
    {
        FormFixture f;
        TForm1& w = f.start();
        const QString path = f.dir.filePath("no/such/folder/x.pd3");
        f.answers << path;
        guard([&] { w.Save1Click(); });
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("ファイル %1 を作成できません.").arg(path)});
        QCOMPARE(w.lastfile, std::string("qvrutl.pd3"));
    }

    // After a load the current record is still the one clicked before; leaving
    // the memo must not reach the new roster, nor freed memory.
    void memoAfterALoadReachesNoDiscardedRecord()
    {
        FormFixture f;
        saveRoster("next.pd3", namedRoster("Next", 3));
        TForm1& w = f.start();
        f.click(3, 1);
        f.answers << f.dir.filePath("next.pd3");
        w.Load1Click();
        w.Panel4->show();
        w.Memo1->setFocus();
        QTest::keyClicks(w.Memo1, "typed");
        w.DrawGrid1->setFocus();
        for (const auto& rec : w.roster)
            QCOMPARE(rec->memo, std::string());
        f.click(3, 2);
        QCOMPARE(w.currec, w.roster[2].get());
    }
};

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
