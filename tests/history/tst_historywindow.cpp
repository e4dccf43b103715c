// The history window in the running program: values committed in the grid's
// editors appear in its table and as points of its chart; Delete drops an entry;
// the export is CSV a spreadsheet reads.

#include "app/tform1.h"
#include "history/historychart.h"
#include "history/historywindow.h"
#include "platform/filedialog.h"
#include "roster/rostersheet.h"

#include "common/focuskeys.h"
#include "common/formfixture.h"

#include <QChartView>
#include <QValueAxis>
#include <QDateTimeAxis>
#include <QCategoryAxis>
#include <QCheckBox>
#include <QLabel>
#include <QLegend>
#include <QLineEdit>
#include <QPushButton>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineSeries>
#include <QProcess>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <set>

using namespace qvr;

namespace {

QString historyFile() { return QCoreApplication::applicationDirPath() + QStringLiteral("/history.sqlite"); }

// The running program with a history of its own, the history window open.
struct Session {
    FormFixture f;
    TForm1* w = nullptr;
    HistoryWindow* window = nullptr;

    Session()
    {
        for (const char* tail : {"", "-wal", "-shm"})
            QFile::remove(historyFile() + QLatin1String(tail));
        w = &f.start();
        type(NameColumn, 1, QStringLiteral("Ann"));
        type(NameColumn, 2, QStringLiteral("Bob"));
        w->DrawGrid1->setFocus();
        key(Qt::Key_H, Qt::ControlModifier);
        // The button shows its press before it acts.
        if (!QTest::qWaitFor([this] { return (window = w->findChild<HistoryWindow*>()) != nullptr; }))
            qWarning("Ctrl+H opened no history window");
    }
    void type(int col, int row, const QString& text)
    {
        f.click(col, row);
        typeAsInputMethod(w->ME1, text);
        QTest::keyClick(w->ME1, Qt::Key_Return);
    }
    QString cell(int row, int col) const { return window->table()->model()->index(row, col).data().toString(); }
    int rows() const { return window->table()->model()->rowCount(); }
    QChart* chart() const { return window->findChild<QChartView*>()->chart(); }
    QXYSeries* series(const QString& name) const
    {
        for (QAbstractSeries* s : chart()->series())
            if (s->name() == name)
                return static_cast<QXYSeries*>(s);
        return nullptr;
    }
    // The points of the named series.
    QList<QPointF> points(const QString& name) const
    {
        const QXYSeries* s = series(name);
        return s ? s->points() : QList<QPointF>{};
    }
    // Whether a star is painted over the point: its upper spike shows where the
    // point's own dot does not reach, darker than the plot and its grid.
    bool starDrawnAt(const QString& label, QPointF value) const
    {
        auto* view = window->findChild<QChartView*>();
        const QPointF inScene = chart()->mapToScene(chart()->mapToPosition(value, series(label)));
        const QPoint at = view->mapFromScene(inScene);
        return view->grab().toImage().pixelColor(at.x(), at.y() - 5).green() < 200;
    }
    // The texts the chart shows along one of its axes.
    QStringList axisLabels(Qt::Orientation along) const
    {
        QAbstractAxis* axis = chart()->axes(along).value(0);
        QStringList texts;
        if (auto* dates = qobject_cast<QDateTimeAxis*>(axis)) {
            const qint64 from = dates->min().toMSecsSinceEpoch(), to = dates->max().toMSecsSinceEpoch();
            for (int i = 0; i < dates->tickCount(); ++i)
                texts << QDateTime::fromMSecsSinceEpoch(from + (to - from) * i / (dates->tickCount() - 1))
                             .toString(dates->format());
        } else if (auto* plain = qobject_cast<QValueAxis*>(axis)) {
            for (int i = 0; i < plain->tickCount(); ++i)
                texts << QString::asprintf("%d",
                    int(std::lround(plain->min() + (plain->max() - plain->min()) * i / (plain->tickCount() - 1))));
        } else if (auto* labelled = qobject_cast<QCategoryAxis*>(axis)) {
            texts = labelled->categoriesLabels();
        }
        return texts;
    }
    // The colour a stage's box shows.
    QColor boxColour(const QString& label) const
    {
        for (QCheckBox* box : window->findChildren<QCheckBox*>())
            if (box->text() == label)
                return box->icon().pixmap(12, 12).toImage().pixelColor(6, 6);
        return {};
    }
};

bool byValue(QPointF a, QPointF b) { return a.y() < b.y(); }

// Runs Python's csv reader on the file; its rows as JSON.
QJsonArray csvRows(const QString& path)
{
    QProcess py;
    py.start(QStringLiteral("python3"),
        {QStringLiteral("-c"),
            QStringLiteral("import csv,json,sys\n"
                           "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                           "    print(json.dumps(list(csv.reader(f))))"),
            path});
    py.waitForFinished();
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

} // namespace

class TstHistoryWindow : public QObject {
    Q_OBJECT
private slots:
    void commitsAppearInTableAndChart_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("best");
        QTest::newRow("State") << 0 << int(FirstValueColumn) + 1 << "450"
                               << "HP"
                               << "450" << 450.0 << false;
        QTest::newRow("EP1") << 1 << int(FirstValueColumn) + 2 << "12345"
                             << "EP1C3"
                             << " 1'23\"45" << 5025.0 << true;
        QTest::newRow("EP2") << 2 << int(FirstValueColumn) << "130"
                             << "EP2C1"
                             << " 0'01\"30" << 90.0 << true;
    }
    void commitsAppearInTableAndChart()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(QString, typed);
        QFETCH(QString, label);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(bool, best);
        Session s;
        QVERIFY(s.window && s.window->isVisible());
        s.w->setViewMode(view);
        s.type(col, 1, typed);
        QCOMPARE(s.rows(), 1);
        QCOMPARE(s.cell(0, 1), label);
        QCOMPARE(s.cell(0, 3), shown);
        QCOMPARE(s.cell(0, 5), best ? QStringLiteral("*") : QString());
        const QList<QPointF> points = s.points(label);
        QCOMPARE(points.size(), 1);
        QCOMPARE(points[0].y(), value);
        QVERIFY(std::abs(points[0].x() - double(QDateTime::currentMSecsSinceEpoch())) < 60000);
        // Inside the plot: the value axis spans the values, status values too,
        // and no two marks of either axis read the same.
        QVERIFY(s.chart()->plotArea().contains(s.chart()->mapToPosition(points[0], s.series(label))));
        QCOMPARE(s.axisLabels(Qt::Horizontal).removeDuplicates(), 0);
        QCOMPARE(s.axisLabels(Qt::Vertical).removeDuplicates(), 0);
        QCOMPARE(s.window->chart()->bests(label), best ? points : QList<QPointF>{});
        QCOMPARE(s.starDrawnAt(label, points[0]), best);
        // The stage boxes are the legend: each shows its line's colour.
        QVERIFY(!s.chart()->legend()->isVisible());
        QCOMPARE(s.boxColour(label), s.series(label)->pen().color());
        // A second value of the same field: newest first, a second point.
        s.type(col, 1, typed + QStringLiteral("0"));
        QCOMPARE(s.rows(), 2);
        QCOMPARE(s.cell(0, 2), shown);
        QCOMPARE(s.points(label).size(), 2);
        // Bob's row shows Bob's history, which is empty.
        s.f.click(NameColumn, 2);
        QCOMPARE(s.rows(), 0);
    }

    // A long line is drawn through fewer points, among them its lowest and
    // highest value; every point and star is an entry of its own, in time order.
    void longLineIsDrawnThroughItsExtremes()
    {
        Session s;
        s.w->setViewMode(1);
        std::set<std::pair<qint64, int>> entries, bests;
        {
            HistoryStore other(historyFile().toStdString()); // as a second copy of the program records
            for (int i = 0; i < 600; ++i) {
                const ValueEntry e{1'700'000'000 + i * 60, "Ann", 0, 0, {ValueField::Ep1, 0}, 0,
                    3000 + (i * 7919) % 1000, i % 50 == 3};
                QVERIFY(other.committed(e) != 0);
                (e.best ? bests : entries).insert({e.whenUtc * 1000, e.newValue});
            }
        }
        entries.insert(bests.begin(), bests.end());
        s.f.click(NameColumn, 1);
        QCOMPARE(s.rows(), 600);
        const QList<QPointF> points = s.points(QStringLiteral("EP1C1"));
        QVERIFY(points.size() < 600 / 4);
        QCOMPARE(std::min_element(points.begin(), points.end(), byValue)->y(), 3000.0);
        QCOMPARE(std::max_element(points.begin(), points.end(), byValue)->y(), 3999.0);
        QVERIFY(std::is_sorted(points.begin(), points.end(), [](QPointF a, QPointF b) { return a.x() < b.x(); }));
        for (const QPointF& p : points)
            QVERIFY(entries.count({qint64(p.x()), int(p.y())}));
        const QList<QPointF> stars = s.window->chart()->bests(QStringLiteral("EP1C1"));
        QVERIFY(!stars.isEmpty());
        for (const QPointF& p : stars)
            QVERIFY(bests.count({qint64(p.x()), int(p.y())}) && points.contains(p));
    }

    void deleteDropsTheSelectedEntryOnly()
    {
        Session s;
        s.type(FirstValueColumn, 1, QStringLiteral("10"));
        s.type(FirstValueColumn, 1, QStringLiteral("11"));
        QCOMPARE(s.rows(), 2);
        s.window->table()->selectRow(1);
        QTest::keyClick(s.window->table(), Qt::Key_Delete);
        QCOMPARE(s.rows(), 1);
        QCOMPARE(s.cell(0, 3), QStringLiteral("11"));
        QCOMPARE(s.w->rosterSheet.roster[1]->status[0], 11);
        QCOMPARE(s.points(QStringLiteral("Lv")).size(), 1);
    }

    // The table's own cell and grid drawing looks as the view's and the style's,
    // a selected row included.
    void tableCellsLookAsTheStyleDrawsThem()
    {
        Session s;
        s.type(FirstValueColumn, 1, QStringLiteral("10"));
        s.type(FirstValueColumn + 1, 1, QStringLiteral("12345"));
        s.window->table()->selectRow(1);
        const QImage ours = s.window->table()->grab().toImage();
        // An episode's times, which begin with a space.
        s.w->setViewMode(1);
        s.type(FirstValueColumn, 1, QStringLiteral("12345"));
        s.type(FirstValueColumn, 1, QStringLiteral("2345"));
        QCOMPARE(s.rows(), 2);
        const QImage times = s.window->table()->grab().toImage();
        s.window->table()->setItemDelegate(new QStyledItemDelegate(s.window->table()));
        s.window->table()->setShowGrid(true);
        QCOMPARE(s.window->table()->grab().toImage(), times);
        s.w->setViewMode(0);
        s.window->table()->selectRow(1);
        QCOMPARE(s.window->table()->grab().toImage(), ours);
    }

    void exportIsCsvInUtf8()
    {
        Session s;
        s.w->setViewMode(1);
        s.type(FirstValueColumn, 1, QStringLiteral("500"));
        s.type(NameColumn, 2, QString::fromUtf8("ボブ"));
        s.type(FirstValueColumn, 2, QStringLiteral("1000"));
        const QString path = s.f.dir.filePath(QStringLiteral("history.csv"));
        s.f.answers << path;
        s.window->findChild<QPushButton*>(QStringLiteral("HistoryExport"))->click();
        QJsonArray rows = csvRows(path);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].toArray()[0].toString(), QStringLiteral("date"));
        QCOMPARE(rows[1].toArray()[1].toString(), QString::fromUtf8("ボブ"));
        QCOMPARE(rows[1].toArray()[4].toString(), QStringLiteral("EP1C1"));
        QCOMPARE(rows[1].toArray()[6].toString(), QStringLiteral(" 0'10\"00"));
        QCOMPARE(rows[1].toArray()[8].toString(), QString());
        // Everyone's, and never over a roster file.
        for (QCheckBox* box : s.window->findChildren<QCheckBox*>())
            if (box->text() == QStringLiteral("All characters"))
                box->setChecked(true);
        s.f.answers << path;
        s.window->findChild<QPushButton*>(QStringLiteral("HistoryExport"))->click();
        rows = csvRows(path);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1].toArray()[1].toString(), QStringLiteral("Ann"));
        QCOMPARE(rows[1].toArray()[8].toString(), QStringLiteral("*"));
        const QString roster = s.f.dir.filePath(QStringLiteral("keep.pd3"));
        QFile file(roster);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("roster") == 6);
        file.close();
        s.f.answers << roster;
        s.window->findChild<QPushButton*>(QStringLiteral("HistoryExport"))->click();
        QCOMPARE(s.f.reports.size(), 1);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("roster"));
    }

    // A history that cannot be used costs the roster nothing and says why.
    void unavailableHistorySaysWhy()
    {
        RosterSheet sheet;
        HistoryStore store("/proc/self/no-such/history.sqlite");
        QStringList reports;
        store.setFaultReport([&](const std::string& m) { reports << QString::fromStdString(m); });
        sheet.setJournal(&store);
        OpenDialog dialog;
        HistoryWindow window(
            sheet, store, dialog, [] { return ViewMode::State; }, QString());
        sheet.selectRow(1);
        sheet.setStatus(0, 12);
        sheet.setStatus(0, 13);
        QCOMPARE(sheet.currec->status[0], 13);
        window.show();
        QCOMPARE(reports.size(), 1);
        const QString caption = window.findChild<QLabel*>(QStringLiteral("HistoryCaption"))->text();
        QVERIFY(caption.contains(QStringLiteral("not available")));
        QVERIFY(caption.contains(QStringLiteral("/proc/self/no-such/history.sqlite")));
        QCOMPARE(window.table()->model()->rowCount(), 0);
    }
};

QTEST_MAIN(TstHistoryWindow)
#include "tst_historywindow.moc"
