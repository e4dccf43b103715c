// The real window driven by the keyboard alone: every key goes to the widget that
// has the focus, as it would from a keyboard. What the table does with its keys is
// tested on the table alone (tst_tablekeys); here, what only the window has.
#include "common/focuskeys.h"
#include "common/formfixture.h"
#include "platform/cp932.h"
#include "roster/rosterfile.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

using namespace qvr;

class TstKeyboard : public QObject {
    Q_OBJECT
private slots:
    void menusOpenWithAltKeys_data()
    {
        QTest::addColumn<int>("letter");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::newRow("File") << int(Qt::Key_F) << "File1"
                              << "File";
        QTest::newRow("Option") << int(Qt::Key_O) << "Option1"
                                << "Option";
    }
    void menusOpenWithAltKeys()
    {
        QFETCH(int, letter);
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        FormFixture f;
        TForm1& w = f.start();
        auto* popup = w.findChild<QMenu*>(menu);
        QVERIFY(popup);
        QCOMPARE(popup->menuAction()->iconText(), caption); // the caption as shown
        key(letter, Qt::AltModifier);
        QTRY_VERIFY(popup->isVisible());
        popup->close();
    }

    // From an empty start to a saved and reloaded roster, without the mouse: the grid
    // has the focus, the row keys, the view shortcuts and the file shortcuts all work.
    void aRosterKeptWithTheKeyboardAlone()
    {
        FormFixture f;
        TForm1& w = f.start();
        QCOMPARE(QApplication::focusWidget(), w.DrawGrid1);
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(3));
        key(Qt::Key_Home); // adds row 3
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(4));
        key(Qt::Key_Home); // and row 4
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(5));
        // The menu key picks the row that Delete then removes.
        const CharRecord* fourth = w.rosterSheet.roster[4].get();
        arrowTo(*w.DrawGrid1, 1, 4);
        key(Qt::Key_Menu);
        QCOMPARE(w.rosterSheet.currow, 4);
        key(Qt::Key_Delete);
        QCOMPARE(w.rosterSheet.roster.size(), std::size_t(4));
        QCOMPARE(w.rosterSheet.deleted.size(), std::size_t(1));
        QCOMPARE(w.rosterSheet.deleted[0].get(), fourth);

        arrowTo(*w.DrawGrid1, 3, 3);
        key(Qt::Key_F2);
        typeAsInputMethod(QApplication::focusWidget(), QString::fromUtf8("ユキミ"));
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // section ID
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // class
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        key(Qt::Key_Right);
        key(Qt::Key_F2); // Lv
        typeText(QStringLiteral("42"));
        key(Qt::Key_Return);
        key(Qt::Key_2, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 1);
        QVERIFY(w.SpeedButton4->isChecked());
        key(Qt::Key_F2); // C1
        typeText(QStringLiteral("12345"));
        key(Qt::Key_Return);
        // The commit reached the strip.
        QVERIFY2(w.Image1->text().startsWith(QStringLiteral("Stage1 1'23\"45,")), qPrintable(w.Image1->text()));
        arrowTo(*w.DrawGrid1, 1, 3);
        key(Qt::Key_Return); // lock
        const QString file = f.dir.filePath(QStringLiteral("kept.pd3"));
        f.answers << file;
        key(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.dialogFilters, QStringList{"QVRUTL_Ver3(*.pd3)|*.pd3"});

        Roster saved;
        qvr::loadRoster(file.toStdString(), saved);
        QCOMPARE(saved.size(), std::size_t(4));
        const CharRecord& rec = *saved[3];
        QCOMPARE(std::string(rec.nameText()), *cp932::encode(u"ユキミ"));
        QCOMPARE(rec.id, 2);
        QCOMPARE(rec.wtype, 1);
        QCOMPARE(rec.status[0], 42);
        QCOMPARE(rec.ep1time[0], -5025);
        QCOMPARE(rec.ep1time[9], 5025);
        QCOMPARE(rec.lock, 1);

        // Ctrl+O loads it back over a change.
        w.rosterSheet.roster[3]->setName("Other");
        f.answers << file;
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(f.dialogFilters.size(), 2);
        QCOMPARE(std::string(w.rosterSheet.roster[3]->nameText()), *cp932::encode(u"ユキミ"));
        // Ctrl+3 and Ctrl+1 are the other two views.
        key(Qt::Key_3, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 2);
        key(Qt::Key_1, Qt::ControlModifier);
        QTRY_COMPARE(w.dispmode, 0);
        QCOMPARE(f.reports, QStringList());
    }
};

QTEST_MAIN(TstKeyboard)
#include "tst_keyboard.moc"
