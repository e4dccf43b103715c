#include "common/formfixture.h"

#include <QToolButton>

using namespace qvr;

namespace {
// Names rows 1..n "r1".."rn" so their order can be read back.
void nameRows(TForm1& w)
{
    for (std::size_t i = 1; i < w.rosterSheet.roster.size(); ++i)
        w.rosterSheet.roster[i]->setName("r" + std::to_string(i));
}

QStringList order(const TForm1& w)
{
    QStringList names;
    for (std::size_t i = 1; i < w.rosterSheet.roster.size(); ++i)
        names << QString::fromStdString(std::string(w.rosterSheet.roster[i]->nameText()));
    return names;
}

void grow(TForm1& w, int characters)
{
    while (static_cast<int>(w.rosterSheet.roster.size()) < characters + 1)
        w.rosterSheet.appendRecord();
    nameRows(w);
}
} // namespace

// The operations themselves are tested on the document (tst_rostersheet); these
// tests keep the wiring: each button and key reaches its operation at the row
// last clicked, the grid follows, and an index error reaches the report.
class TstRowOps : public QObject {
    Q_OBJECT
private slots:
    void controlsActAtTheRowLastClicked_data()
    {
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("+") << 2 << "SBadd" << QStringList{"r1", "r2", "r3", "r4", ""};
        QTest::newRow("Home") << 2 << "Home" << QStringList{"r1", "r2", "r3", "r4", ""};
        QTest::newRow("-") << 2 << "SBdel" << QStringList{"r1", "r3", "r4"};
        QTest::newRow("Delete") << 3 << "Delete" << QStringList{"r1", "r2", "r4"};
        QTest::newRow("Insert") << 3 << "Delete Insert" << QStringList{"r1", "r2", "r3", "r4"};
        QTest::newRow("up") << 3 << "SBup" << QStringList{"r1", "r3", "r2", "r4"};
        QTest::newRow("down") << 3 << "SBdown" << QStringList{"r1", "r2", "r4", "r3"};
        QTest::newRow("up twice returns") << 4 << "SBup SBup" << QStringList{"r1", "r2", "r3", "r4"};
    }
    void controlsActAtTheRowLastClicked()
    {
        QFETCH(int, clicked);
        QFETCH(QString, control);
        QFETCH(QStringList, expected);
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 4);
        // A best time that no row operation touches, nor the strip showing it.
        w.setViewMode(1);
        w.rosterSheet.roster[1]->ep1time[0] = 100;
        recomputeEp1Best(w.rosterSheet.roster, w.rosterSheet.best);
        w.setViewMode(1); // shows the strip again
        const QImage strip = w.Image1->picture().copy();
        f.click(0, clicked);
        for (const QString& step : control.split(u' ')) {
            if (auto* button = w.findChild<QToolButton*>(step))
                button->click();
            else
                f.keyUpInGrid(step == "Home" ? Qt::Key_Home : step == "Delete" ? Qt::Key_Delete : Qt::Key_Insert);
        }
        QCOMPARE(order(w), expected);
        QCOMPARE(w.DrawGrid1->rowCount(), static_cast<int>(w.rosterSheet.roster.size()));
        QCOMPARE(w.rosterSheet.currow, clicked);
        QVERIFY(f.reports.isEmpty());
        QCOMPARE(w.rosterSheet.best.ep1best[0], 100);
        QCOMPARE(w.Image1->picture(), strip);
    }

    void indexErrorIsReportedAndChangesNothing()
    {
        FormFixture f;
        TForm1& w = f.start();
        grow(w, 3);
        f.click(0, 3);
        w.SBdel->click();
        // After a deletion the current record is still the deleted one.
        QCOMPARE(w.rosterSheet.currec, w.rosterSheet.deleted.back().get());
        const QStringList before = order(w);
        w.SBup->click();
        QCOMPARE(f.reports, QStringList{QString::fromUtf8("リストのインデックスが範囲を超えています (3).")});
        QCOMPARE(order(w), before);
        QCOMPARE(w.DrawGrid1->rowCount(), 3);
        f.keyUpInGrid(Qt::Key_Insert);
        QCOMPARE(order(w), (QStringList{"r1", "r2", "r3"}));
        QCOMPARE(w.DrawGrid1->rowCount(), 4);
    }
};

QTEST_MAIN(TstRowOps)
#include "tst_rowops.moc"
