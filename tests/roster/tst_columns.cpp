#include "roster/columns.h"

#include "platform/error.h"
#include "roster/rostersheet.h"

#include <QTest>

#include <functional>

using namespace qvr;

namespace {

QString text(std::string_view bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

using Setup = std::function<void(CharRecord&)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

class TstColumns : public QObject {
    Q_OBJECT
private slots:
    // The window's header table: the HTML export's status headings are the State row's.
    void titles_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("titles");
        const QString common = "No LK nc Name ID TYPE ";
        QTest::newRow("State") << 0 << common + "Lv HP TP Def Str Mind Dex Eva Luck";
        QTest::newRow("EP1") << 1 << common + "EP1C1 EP1C2 EP1C3 EP1C4 EP1C5 EP1C6 EP1C7 EP1C8 EP1C9 TOTAL";
        QTest::newRow("EP2") << 2 << common + "EP2C1 EP2C2 EP2C3 EP2C4 EP2C5 TOTAL";
    }
    void titles()
    {
        QFETCH(int, view);
        QStringList titles;
        for (int c = 0; c < viewColumns(viewModeFrom(view)).count(); ++c)
            titles << text(colhead(viewModeFrom(view), c));
        QTEST(titles.join(u' '), "titles");
    }

    // The episode views are made from their stage counts: each value column is a
    // centred, 60-pixel time of its episode, edited as a time, at its stage's index.
    void headings_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("episode");
        QTest::addColumn<QString>("headings");
        const QString common = "No L C Name ID Type ";
        QTest::newRow("State") << 0 << -1 << common + "Lv HP TP DEF STR MIND EVE DEX LUK";
        QTest::newRow("EP1") << 1 << 0 << common + "C1 C2 C3 C4 C5 C6 C7 C8 C9 TOTAL";
        QTest::newRow("EP2") << 2 << 1 << common + "C1 C2 C3 C4 C5 TOTAL";
    }
    void headings()
    {
        QFETCH(int, view);
        QFETCH(int, episode);
        const ViewColumns& columns = viewColumns(viewModeFrom(view));
        QStringList headings;
        for (const Column& column : columns.columns)
            headings << text(column.heading);
        QTEST(headings.join(u' '), "headings");
        if (episode < 0)
            return;
        const std::span<const Column> values = valueColumns(viewModeFrom(view));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const Column& c = values[i];
            QCOMPARE(c.index, i);
            QCOMPARE(static_cast<int>(c.episode), episode);
            QCOMPARE(c.field, ColumnField::StageTime);
            QCOMPARE(c.editor, EditorKind::TimeText);
            QCOMPARE(c.alignment, CellAlignment::Center);
            QCOMPARE(c.width, 60);
        }
        QCOMPARE(values.size(), episodeShape(static_cast<Episode>(episode)).stages + 1);
    }

    void outsideAView()
    {
        // The designed table has 30 widths; columns no view names are 60 wide and untitled.
        QCOMPARE(colwidth(ViewMode::Ep2, 12), 60);
        QCOMPARE(colwidth(ViewMode::State, 29), 60);
        QCOMPARE(colwidth(ViewMode::Ep1, 5), 65);
        QVERIFY(colhead(ViewMode::Ep2, 12).empty());
        QVERIFY(colhead(ViewMode::State, -1).empty());
        QVERIFY(viewColumns(ViewMode::Ep1).at(16) == nullptr);
        QCOMPARE(viewColumns(ViewMode::Ep1).at(15)->index, std::size_t(EP1_TOTAL));
        QCOMPARE(viewModeFrom(5), ViewMode::State);
    }

    void cellTexts_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("read");
        const Setup none = [](CharRecord&) {};
        QTest::newRow("row number") << 0 << 0 << none << "7"
                                    << "7";
        QTest::newRow("lock off") << 1 << 1 << none << ""
                                  << "";
        QTest::newRow("lock on") << 1 << 1 << Setup([](CharRecord& r) { r.lock = 1; }) << "x"
                                 << "x";
        QTest::newRow("no count") << 2 << 2 << Setup([](CharRecord& r) { r.nocount = 1; }) << "x"
                                  << "x";
        QTest::newRow("name") << 0 << 3 << Setup([](CharRecord& r) { r.setName("Ab"); }) << "Ab"
                              << "Ab";
        QTest::newRow("emblem") << 0 << 4 << Setup([](CharRecord& r) { r.id = 2; }) << ""
                                << "SKYLY";
        QTest::newRow("emblem out of range") << 0 << 4 << Setup([](CharRecord& r) { r.id = 10; }) << ""
                                             << "";
        QTest::newRow("class") << 2 << 5 << Setup([](CharRecord& r) { r.wtype = 11; }) << "FOnewearl"
                               << "FOnewearl";
        QTest::newRow("class out of range") << 0 << 5 << Setup([](CharRecord& r) { r.wtype = 12; }) << ""
                                            << "";
        QTest::newRow("EVE is status 6") << 0 << 12 << Setup([](CharRecord& r) { r.status[6] = -5; }) << "-5"
                                         << "-5";
        QTest::newRow("LUK is status 8") << 0 << 14 << Setup([](CharRecord& r) { r.status[8] = 40; }) << "40"
                                         << "40";
        QTest::newRow("EP1 best stage") << 1 << 7 << Setup([](CharRecord& r) { r.ep1time[1] = -125; }) << "* 0'02\"05"
                                        << "* 0'02\"05";
        QTest::newRow("EP1 total") << 1 << 15 << Setup([](CharRecord& r) { r.ep1time[EP1_TOTAL] = 3725; })
                                   << " 1'02\"05"
                                   << " 1'02\"05";
        QTest::newRow("EP2 stage, not EP1's") << 2 << 6 << Setup([](CharRecord& r) {
            r.ep1time[0] = 1;
            r.ep2time[0] = 61;
        }) << " 0'01\"01"
                                              << " 0'01\"01";
        QTest::newRow("EP2 total") << 2 << 11 << Setup([](CharRecord& r) { r.ep2time[EP2_TOTAL] = 36000; })
                                   << "10'00\"00"
                                   << "10'00\"00";
    }
    void cellTexts()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(Setup, setup);
        CharRecord rec;
        setup(rec);
        const Column& column = *viewColumns(viewModeFrom(view)).at(col);
        QTEST(QString::fromStdString(columnText(column, rec, 7)), "shown");
        QTEST(QString::fromStdString(columnReadText(column, rec, 7)), "read");
    }

    // A committed text goes into the current record's field of its column, with
    // the episode's total; a text the field cannot take changes nothing.
    void commits_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("fields");
        QTest::newRow("name") << 0 << 3 << "Ab" << false << "Ab 3 0 0/0 0 0/0 0";
        QTest::newRow("status") << 0 << 7 << "12" << false << " 3 12 0/0 0 0/0 0";
        QTest::newRow("negative status") << 0 << 6 << "-7" << false << " -7 0 0/0 0 0/0 0";
        QTest::newRow("empty status") << 0 << 6 << "" << true << " 3 0 0/0 0 0/0 0";
        QTest::newRow("status with a letter") << 0 << 6 << "1a" << true << " 3 0 0/0 0 0/0 0";
        QTest::newRow("EP1 stage") << 1 << 7 << "12345" << false << " 3 0 0/-5025 5025 0/0 0";
        QTest::newRow("EP1 total is the sum") << 1 << 15 << "500" << false << " 3 0 0/0 0 0/0 0";
        QTest::newRow("EP1 without digits") << 1 << 6 << "  " << true << " 3 0 0/0 0 0/0 0";
        QTest::newRow("EP2 stage, not EP1's") << 2 << 6 << "100" << false << " 3 0 0/0 0 -60/0 60";
        QTest::newRow("EP2 last stage") << 2 << 10 << "1" << false << " 3 0 0/0 0 0/-1 1";
    }
    void commits()
    {
        QFETCH(int, view);
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(bool, refused);
        RosterSheet sheet(2);
        sheet.selectRow(1);
        CharRecord& rec = *sheet.currec;
        rec.status[0] = 3;
        const Column& column = *viewColumns(viewModeFrom(view)).at(col);
        bool threw = false;
        try {
            commitColumnText(sheet, column, text.toStdString());
        } catch (const Error&) {
            threw = true;
        }
        QCOMPARE(threw, refused);
        // name, status 0 and 1, EP1 C1, C2 and total, EP2 C1, C5 and total
        const QString fields = QStringLiteral("%1 %2 %3 %4/%5 %6 %7/%8 %9")
                                   .arg(QString::fromStdString(std::string(rec.nameText())))
                                   .arg(rec.status[0])
                                   .arg(rec.status[1])
                                   .arg(rec.ep1time[0])
                                   .arg(rec.ep1time[1])
                                   .arg(rec.ep1time[EP1_TOTAL])
                                   .arg(rec.ep2time[0])
                                   .arg(rec.ep2time[4])
                                   .arg(rec.ep2time[EP2_TOTAL]);
        QTEST(fields, "fields");
    }
};

QTEST_GUILESS_MAIN(TstColumns)
#include "tst_columns.moc"
