// Byte layouts of the three exports, their quoting and escaping, and how a failed
// export leaves the target.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

#include "extremeroster.h"
#include "fixtures.h"
#include "interchange/exports.h"
#include "platform/error.h"
#include "platform/fileio.h"
#include "roster/rosterfile.h"

using namespace qvr;
using fixture::add;
using fixture::bytes;

Q_DECLARE_METATYPE(qvr::ExportOptions)

namespace {

ExportOptions opts(bool status, bool ep1, bool ep2, bool memo) { return {status, ep1, ep2, memo}; }

// A character with every kind of value: marked and plain times, spare slots, a two-line memo.
void addFull(Roster& roster)
{
    CharRecord& r = add(roster, "Alpha", 2, 3, "m1\r\nm2");
    for (int i = 0; i < STATUS_COUNT; ++i)
        r.status[std::size_t(i)] = i + 1;
    r.ep1time[0] = 3725;
    r.ep1time[1] = -3725;
    r.ep1time[9] = 7450;
    r.ep1time[10] = 99; // spare: never exported
    r.ep2time[0] = -65;
    r.ep2time[5] = 65;
    r.ep2time[6] = 99;
}

QByteArray joined(const LineList& lines) { return bytes(joinLines(lines)); }

const QByteArray HTML_FIXED_HEAD = "<tr><th>No</th><th>Name</th><th>ID</th><th>Type</th>";
const QByteArray HTML_FULL_FIXED = "<tr class=\"c1\"><td class=\"cnum\">1</td><td class=\"cname\">Alpha</td>"
                                   "<td class=\"cid\">SKYLY</td><td class=\"ctype\">HUcaseal</td>";
const QByteArray HTML_STATUS_HEAD = "<th class=\"cst\">Lv</th><th class=\"cst\">HP</th><th class=\"cst\">TP</th>"
                                    "<th class=\"cst\">Def</th><th class=\"cst\">Str</th><th class=\"cst\">Mind</th>"
                                    "<th class=\"cst\">Dex</th><th class=\"cst\">Eva</th><th class=\"cst\">Luck</th>";
const QByteArray HTML_TIMES_HEAD =
    "<th class=\"ep1t\">EP1C1</th><th class=\"ep1t\">EP1C2</th><th class=\"ep1t\">EP1C3</th>"
    "<th class=\"ep1t\">EP1C4</th><th class=\"ep1t\">EP1C5</th><th class=\"ep1t\">EP1C6</th>"
    "<th class=\"ep1t\">EP1C7</th><th class=\"ep1t\">EP1C8</th><th class=\"ep1t\">EP1C9</th>"
    "<th class=\"ep1t\">EP1Total</th>"
    "<th class=\"ep2t\">EP2C1</th><th class=\"ep2t\">EP2C2</th><th class=\"ep2t\">EP2C3</th>"
    "<th class=\"ep2t\">EP2C4</th><th class=\"ep2t\">EP2C5</th><th class=\"ep2t\">EP2Total</th>";
const QByteArray HTML_FULL_TIMES = "<td class=\"cep1t\"> 1'02\"05</td><td class=\"cep1tb\"> 1'02\"05</td>" +
    QByteArray("<td class=\"cep1t\"> 0'00\"00</td>").repeated(7) +
    "<td class=\"cep1t\"> 2'04\"10</td>"
    "<td class=\"cep2tb\"> 0'01\"05</td>" +
    QByteArray("<td class=\"cep2t\"> 0'00\"00</td>").repeated(4) + "<td class=\"cep2t\"> 0'01\"05</td>";
const QByteArray HTML_TAIL = "</table>\r\n</body>\r\n</html>\r\n";

const QByteArray XML_OPEN = "<?xml version=\"1.0\" encoding=\"Shift-JIS\" ?>\r\n\t<qvrdat3>\r\n";
const QByteArray XML_FULL_FIXED = "\t\t<char>\r\n\t\t\t<no>1</no>\r\n\t\t\t<name>Alpha</name>\r\n\t\t\t<id>2</id>\r\n"
                                  "\t\t\t<wtype>3</wtype>\r\n";
const QByteArray XML_CHAR_CLOSE = "\t\t</char>\r\n\n\r\n";
const QByteArray XML_CLOSE = "\t</qvrdat3>\r\n";

} // namespace

class TstExports : public QObject {
    Q_OBJECT
private slots:
    void csvFields_data();
    void csvFields();
    void csvWholeFile();
    void htmlLayout_data();
    void htmlLayout();
    void htmlRows();
    void htmlEscaping_data();
    void htmlEscaping();
    void htmlBadIndexTouchesNothing_data();
    void htmlBadIndexTouchesNothing();
    void htmlTemplate_data();
    void htmlTemplate();
    void htmlTemplateFromCurrentFolder();
    void xmlLayout_data();
    void xmlLayout();
    void xmlEscaping();
    void failedExportKeepsTarget_data();
    void failedExportKeepsTarget();
    void filesMatchLists_data();
    void filesMatchLists();
    void rosterFilesAreNotReplaced_data();
    void rosterFilesAreNotReplaced();
    void longTargetNameGetsAShortenedTemporary();
    void edgeValuesKeepTheirBytes_data();
    void edgeValuesKeepTheirBytes();
    void longTextsCrossPieces_data();
    void longTextsCrossPieces();
    void specialsAtEveryPlace();
};

void TstExports::csvFields_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("memo");
    QTest::addColumn<QByteArray>("nameField");
    QTest::addColumn<QByteArray>("memoField");
    QTest::newRow("plain") << QByteArray("Alpha") << QByteArray("note") << QByteArray("Alpha") << QByteArray("note");
    QTest::newRow("empty") << QByteArray() << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("Japanese") << QByteArray("\x82\xa0\x95\x5c") << QByteArray("\x83\x81\x83\x82")
                              << QByteArray("\x82\xa0\x95\x5c") << QByteArray("\x83\x81\x83\x82");
    QTest::newRow("comma") << QByteArray("a,b") << QByteArray("x,") << QByteArray("\"a,b\"") << QByteArray("\"x,\"");
    QTest::newRow("quote") << QByteArray("say \"hi\"") << QByteArray("\"") << QByteArray("\"say \"\"hi\"\"\"")
                           << QByteArray("\"\"\"\"");
    QTest::newRow("comma in the second block")
        << QByteArray("abcdefghijklmnopq,r") << QByteArray() << QByteArray("\"abcdefghijklmnopq,r\"") << QByteArray();
    // A loaded name's bytes after its terminator are not part of it.
    QTest::newRow("comma after the terminator")
        << QByteArray("ab\0cd,ef", 8) << QByteArray() << QByteArray("ab") << QByteArray();
    QTest::newRow("line breaks") << QByteArray("a") << QByteArray("one\r\ntwo\nthree\r") << QByteArray("a")
                                 << QByteArray("\"one\r\ntwo\nthree\r\"");
}

void TstExports::csvFields()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, memo);
    QFETCH(QByteArray, nameField);
    QFETCH(QByteArray, memoField);
    Roster roster = fixture::withPlaceholder();
    add(roster, name.toStdString(), 0, 0, memo.toStdString());
    LineList lines = csvLines(roster);
    QCOMPARE(lines.size(), std::size_t(1));
    QCOMPARE(bytes(lines[0]), "1," + nameField + "," + QByteArray("0,").repeated(28) + memoField);
}

void TstExports::csvWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.cvs");
    Roster roster = fixture::withPlaceholder();
    exportCsv(path.toStdString(), roster);
    QCOMPARE(fixture::readBytes(path), QByteArray()); // placeholder only: an empty file

    addFull(roster);
    add(roster, "", 9, 11).ep1time[0] = INT_MIN;
    exportCsv(path.toStdString(), roster);
    QCOMPARE(fixture::readBytes(path),
        QByteArray("1,Alpha,2,3,1,2,3,4,5,6,7,8,9,10,3725,3725,0,0,0,0,0,0,0,7450,"
                   "65,0,0,0,0,65,\"m1\r\nm2\"\r\n"
                   "2,,9,11,0,0,0,0,0,0,0,0,0,0,2147483648,0,0,0,0,0,0,0,0,0,"
                   "0,0,0,0,0,0,\r\n"));
}

void TstExports::htmlLayout_data()
{
    QTest::addColumn<ExportOptions>("options");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("row");
    QTest::newRow("all off") << opts(false, false, false, false) << HTML_FIXED_HEAD + "</tr>"
                             << HTML_FULL_FIXED + "</tr>";
    QTest::newRow("defaults") << ExportOptions{} << HTML_FIXED_HEAD + HTML_TIMES_HEAD + "</tr>"
                              << HTML_FULL_FIXED + HTML_FULL_TIMES + "</tr>";
    QTest::newRow("all on") << opts(true, true, true, true)
                            << HTML_FIXED_HEAD + HTML_STATUS_HEAD + HTML_TIMES_HEAD + "<th class=\"mem\">Memo</th></tr>"
                            << HTML_FULL_FIXED +
            "<td class=\"cst\">1</td><td class=\"cst\">2</td><td class=\"cst\">3</td>"
            "<td class=\"cst\">4</td><td class=\"cst\">5</td><td class=\"cst\">6</td>"
            "<td class=\"cst\">7</td><td class=\"cst\">8</td><td class=\"cst\">9</td>" +
            HTML_FULL_TIMES + "<td class=\"cmemo\">m1\r\nm2</td></tr>";
}

void TstExports::htmlLayout()
{
    QFETCH(ExportOptions, options);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, row);
    Roster roster = fixture::withPlaceholder();
    const LineList head{"<html>", "<body>"};
    const QByteArray start = "<html>\r\n<body>\r\n<table border=\"1\" cellspacing=\"0\">\r\n" + header + "\r\n";
    QCOMPARE(joined(htmlLines(head, roster, options)), start + HTML_TAIL);
    addFull(roster);
    QCOMPARE(joined(htmlLines(head, roster, options)), start + row + "\r\n" + HTML_TAIL);
}

void TstExports::htmlRows()
{
    Roster roster = fixture::withPlaceholder();
    for (const char* name : {"a", "b", "c", "d"})
        add(roster, name);
    roster[3]->memo.clear();
    LineList lines = htmlLines({}, roster, ExportOptions{});
    QCOMPARE(lines.size(), std::size_t(2 + 4 + 3));
    QCOMPARE(QByteArray::fromStdString(lines[1]).count("<th"), 20);
    for (std::size_t k = 1; k <= 4; ++k) {
        QByteArray row = QByteArray::fromStdString(lines[1 + k]);
        QVERIFY2(row.startsWith(k % 2 ? "<tr class=\"c1\">" : "<tr class=\"c2\">"), row.constData());
        QCOMPARE(row.count("<td"), 20);
    }
    // An empty memo still fills its cell.
    lines = htmlLines({}, roster, opts(false, false, false, true));
    QVERIFY(QByteArray::fromStdString(lines[4]).endsWith("<td class=\"cmemo\">&nbsp</td></tr>"));
}

void TstExports::htmlEscaping_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("markup") << QByteArray("a<b&c>\"d'") << QByteArray("a&lt;b&amp;c&gt;&quot;d'");
    QTest::newRow("entity stays text") << QByteArray("&amp;") << QByteArray("&amp;amp;");
    QTest::newRow("Japanese") << QByteArray("\x82\xa0\x95\x5c") << QByteArray("\x82\xa0\x95\x5c");
    QTest::newRow("line break") << QByteArray("<i>\r\nx") << QByteArray("&lt;i&gt;\r\nx");
}

void TstExports::htmlEscaping()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, cell);
    Roster roster = fixture::withPlaceholder();
    add(roster, text.toStdString(), 0, 0, text.toStdString());
    QByteArray row = QByteArray::fromStdString(htmlLines({}, roster, opts(false, false, false, true))[2]);
    QVERIFY2(row.contains("<td class=\"cname\">" + cell + "</td>"), row.constData());
    QVERIFY2(row.contains("<td class=\"cmemo\">" + cell + "</td>"), row.constData());
}

void TstExports::htmlBadIndexTouchesNothing_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("wtype");
    QTest::addColumn<int>("index");
    QTest::newRow("id 10") << 10 << 0 << 10;
    QTest::newRow("id -1") << -1 << 11 << -1;
    QTest::newRow("wtype 12") << 9 << 12 << 12;
    QTest::newRow("both: id first") << 100 << -7 << 100;
}

void TstExports::htmlBadIndexTouchesNothing()
{
    QFETCH(int, id);
    QFETCH(int, wtype);
    QFETCH(int, index);
    QTemporaryDir dir;
    const QString head = dir.filePath("head.htm"), out = dir.filePath("out.htm");
    QVERIFY(fixture::writeBytes(head, "<html>\n"));
    QVERIFY(fixture::writeBytes(out, "previous export"));
    Roster roster = fixture::withPlaceholder();
    add(roster, "good");
    add(roster, "bad", id, wtype);
    try {
        exportHtml(out.toStdString(), roster, ExportOptions{}, head.toStdString());
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QString("リストのインデックスが範囲を超えています (%1)").arg(index));
    }
    QCOMPARE(fixture::readBytes(out), QByteArray("previous export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary left behind
}

void TstExports::htmlTemplate_data()
{
    QTest::addColumn<QByteArray>("templ");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("no final end") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty lines") << QByteArray("\n\r\n\r") << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("zero byte") << QByteArray("a\nb\0c\nd\n", 9) << QByteArray("a\r\nb\r\n");
}

void TstExports::htmlTemplate()
{
    QFETCH(QByteArray, templ);
    QFETCH(QByteArray, head);
    QTemporaryDir dir;
    const QString headPath = dir.filePath("head.htm"), out = dir.filePath("out.htm");
    QVERIFY(fixture::writeBytes(headPath, templ));
    exportHtml(out.toStdString(), fixture::withPlaceholder(), opts(false, false, false, false), headPath.toStdString());
    QCOMPARE(fixture::readBytes(out),
        head + "<table border=\"1\" cellspacing=\"0\">\r\n" + HTML_FIXED_HEAD + "</tr>\r\n" + HTML_TAIL);
}

void TstExports::htmlTemplateFromCurrentFolder()
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString out = dir.filePath("out.htm");
    QVERIFY(fixture::writeBytes(out, "old"));
    try {
        exportHtml(out.toStdString(), fixture::withPlaceholder(), ExportOptions{});
        QDir::setCurrent(before);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QString("ファイル defhead.htm は開けません"));
    }
    QCOMPARE(fixture::readBytes(out), QByteArray("old"));
    QVERIFY(fixture::writeBytes(dir.filePath("defhead.htm"), "<p>mine</p>"));
    exportHtml(out.toStdString(), fixture::withPlaceholder(), ExportOptions{});
    QDir::setCurrent(before);
    QVERIFY(fixture::readBytes(out).startsWith("<p>mine</p>\r\n<table"));
}

void TstExports::xmlLayout_data()
{
    QTest::addColumn<ExportOptions>("options");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("all off") << opts(false, false, false, false) << XML_FULL_FIXED;
    const QByteArray zero = " 0'00\"00";
    QTest::newRow("all on") << opts(true, true, true, true)
                            << XML_FULL_FIXED +
            "\t\t\t<status>\r\n\t\t\t\t<lv>1</lv>\r\n\t\t\t\t<hp>2</hp>\r\n"
            "\t\t\t\t<tp>3</tp>\r\n\t\t\t\t<def>4</def>\r\n\t\t\t\t<str>5</str>\r\n"
            "\t\t\t\t<mind>6</mind>\r\n\t\t\t\t<dex>7</dex>\r\n\t\t\t\t<eva>8</eva>\r\n"
            "\t\t\t\t<luck>9</luck>\r\n\t\t\t</status>\r\n"
            "\t\t\t<ep1time>\r\n\t\t\t\t<c1> 1'02\"05</c1>\r\n\t\t\t\t<c2>* 1'02\"05</c2>\r\n"
            "\t\t\t\t<c3>" +
            zero + "</c3>\r\n\t\t\t\t<c4>" + zero +
            "</c4>\r\n"
            "\t\t\t\t<c5>" +
            zero + "</c5>\r\n\t\t\t\t<c6>" + zero +
            "</c6>\r\n"
            "\t\t\t\t<c7>" +
            zero + "</c7>\r\n\t\t\t\t<c8>" + zero +
            "</c8>\r\n"
            "\t\t\t\t<c9>" +
            zero +
            "</c9>\r\n\t\t\t\t<total> 2'04\"10</total>\r\n"
            "\t\t\t</ep1time>\r\n"
            "\t\t\t<ep2time>\r\n\t\t\t\t<c1>* 0'01\"05</c1>\r\n"
            "\t\t\t\t<c2>" +
            zero + "</c2>\r\n\t\t\t\t<c3>" + zero +
            "</c3>\r\n"
            "\t\t\t\t<c4>" +
            zero + "</c4>\r\n\t\t\t\t<c5>" + zero +
            "</c5>\r\n"
            "\t\t\t\t<total> 0'01\"05</total>\r\n\t\t\t</ep2time>\r\n"
            "\t\t\t<memo>\r\nm1\r\nm2\r\n\t\t\t</memo>\r\n";
}

void TstExports::xmlLayout()
{
    QFETCH(ExportOptions, options);
    QFETCH(QByteArray, body);
    QTemporaryDir dir;
    const QString out = dir.filePath("out.xml");
    Roster roster = fixture::withPlaceholder();
    exportXml(out.toStdString(), roster, options);
    QCOMPARE(fixture::readBytes(out), XML_OPEN + XML_CLOSE);
    addFull(roster);
    exportXml(out.toStdString(), roster, options);
    QCOMPARE(fixture::readBytes(out), XML_OPEN + body + XML_CHAR_CLOSE + XML_CLOSE);
}

void TstExports::xmlEscaping()
{
    Roster roster = fixture::withPlaceholder();
    add(roster, "a<b&c>\"d'\x82\xa0", 0, 0, "");
    add(roster, "\x95\x5c", 0, 0, "<i>&\r\nx</i>");
    const QByteArray out = joined(xmlLines(roster, opts(false, false, false, true)));
    QVERIFY(out.contains("\t\t\t<name>a&lt;b&amp;c&gt;\"d'\x82\xa0</name>\r\n"));
    QVERIFY(out.contains("\t\t\t<name>\x95\x5c</name>\r\n"));
    // An empty memo is an empty line of its own.
    QVERIFY(out.contains("\t\t\t<wtype>0</wtype>\r\n\t\t\t<memo>\r\n\r\n\t\t\t</memo>\r\n\t\t</char>"));
    QVERIFY(out.contains("\t\t\t<memo>\r\n&lt;i&gt;&amp;\r\nx&lt;/i&gt;\r\n\t\t\t</memo>\r\n"));
}

void TstExports::failedExportKeepsTarget_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("target"); // relative to a fresh folder
    for (const QString format : {"csv", "html", "xml"}) {
        QTest::addRow("%s, missing folder", qPrintable(format)) << format << "none/out";
        QTest::addRow("%s, folder", qPrintable(format)) << format << "folder";
        // Refused before anything is written, although its temporary's name would fit.
        QTest::addRow("%s, name too long", qPrintable(format)) << format << QString(256, u'n');
    }
}

void TstExports::failedExportKeepsTarget()
{
    QFETCH(QString, format);
    QFETCH(QString, target);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QString head = dir.filePath("head.htm"), path = dir.filePath(target);
    QVERIFY(fixture::writeBytes(head, "<html>"));
    Roster roster = fixture::withPlaceholder();
    add(roster, "x");
    const std::string p = path.toStdString();
    try {
        if (format == "csv")
            exportCsv(p, roster);
        else if (format == "html")
            exportHtml(p, roster, ExportOptions{}, head.toStdString());
        else
            exportXml(p, roster, ExportOptions{});
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), "ファイル " + path + " を作成できません");
    }
    QCOMPARE(QFileInfo(dir.filePath("folder")).isDir(), true);
    QCOMPARE(QFileInfo::exists(dir.filePath("none")), false);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"head.htm"});
}

void TstExports::filesMatchLists_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("directRefused");
    for (const char* format : {"csv", "html", "xml"}) {
        QTest::addRow("%s", format) << QString(format) << false;
        QTest::addRow("%s, direct writes refused", format) << QString(format) << true;
    }
}

// A file system that takes the flag for writes past the page cache and then
// refuses such a write, as some do.
FileIo refusingDirectWrites()
{
    FileIo io;
    io.write = [](int fd, const void* buf, std::size_t n) -> ssize_t {
        if ((::fcntl(fd, F_GETFL) & O_DIRECT) != 0) {
            errno = EINVAL;
            return -1;
        }
        return ::write(fd, buf, n);
    };
    return io;
}

// The files are streamed in pieces, the larger part past the page cache; they
// must hold exactly the lists' lines, and replace a longer old file completely.
void TstExports::filesMatchLists()
{
    QFETCH(QString, format);
    QFETCH(bool, directRefused);
    QTemporaryDir dir;
    const QString head = dir.filePath("head.htm"), path = dir.filePath("out");
    QVERIFY(fixture::writeBytes(head, "<html>\n<body>"));
    QVERIFY(fixture::writeBytes(path, QByteArray(8 << 20, 'o')));
    Roster roster = fixture::withPlaceholder();
    for (int i = 0; i < 6000; ++i) {
        CharRecord& r = add(roster, "c" + std::to_string(i), i % 10, i % 12, std::string(std::size_t(i % 1600), 'm'));
        r.ep1time[std::size_t(i % 10)] = -i;
        r.status[std::size_t(i % 10)] = i;
    }
    const ExportOptions all = opts(true, true, true, true);
    const std::string p = path.toStdString();
    ScopedFileIo device(directRefused ? refusingDirectWrites() : FileIo{});
    LineList lines;
    if (format == "csv") {
        exportCsv(p, roster);
        lines = csvLines(roster);
    } else if (format == "html") {
        exportHtml(p, roster, all, head.toStdString());
        lines = htmlLines({"<html>", "<body>"}, roster, all);
    } else {
        exportXml(p, roster, all);
        lines = xmlLines(roster, all);
    }
    const QByteArray file = fixture::readBytes(path);
    QVERIFY(file.size() > 9 * 512 * 1024); // more than one 4 MiB piece
    QVERIFY(file == joined(lines));
}

void TstExports::rosterFilesAreNotReplaced_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QByteArray>("oldBytes"); // empty: no file there
    QTest::addColumn<QString>("outcome"); // "refused", "written" or "cannot create"
    const QByteArray roster = fixture::bytes(serializeRoster(makeRoster(3)));
    const QByteArray ver2(int(50 * 2192), '\0');
    for (const QString format : {"csv", "html", "xml"}) {
        const QByteArray name = format.toLatin1();
        const char* f = name.constData();
        const QString ext = format == "csv" ? "cvs" : format == "html" ? "htm" : "xml";
        QTest::addRow("%s, roster as .pd3", f) << format << "mysave.pd3" << roster << "refused";
        QTest::addRow("%s, roster under another name", f) << format << "list." + ext << roster << "refused";
        QTest::addRow("%s, roster without extension", f) << format << "qvrutl" << roster << "refused";
        QTest::addRow("%s, version-2 file as .PD2", f) << format << "OLD.PD2" << ver2 << "refused";
        QTest::addRow("%s, damaged file as .Pd3", f) << format << "broken.Pd3" << QByteArray("3\x01") << "refused";
        QTest::addRow("%s, earlier export", f) << format << "list." + ext << QByteArray("1,old,0\r\n") << "written";
        QTest::addRow("%s, roster cut short", f) << format << "list." + ext << roster.left(300) << "written";
        QTest::addRow("%s, roster short of its last byte", f)
            << format << "list." + ext << roster.chopped(1) << "written";
        QTest::addRow("%s, new .pd3 name", f) << format << "new.pd3" << QByteArray() << "written";
        QTest::addRow("%s, folder named .pd3", f) << format << "folder.pd3" << QByteArray() << "cannot create";
    }
}

// The shared dialog offers the roster's name to every export: an export must
// never turn a roster into text.
void TstExports::rosterFilesAreNotReplaced()
{
    QFETCH(QString, format);
    QFETCH(QString, target);
    QFETCH(QByteArray, oldBytes);
    QFETCH(QString, outcome);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.pd3"));
    const QString path = dir.filePath(target);
    if (!oldBytes.isEmpty())
        QVERIFY(fixture::writeBytes(path, oldBytes));
    // A refusal comes before the head template is read: it is missing then.
    const QString head = dir.filePath(outcome == "refused" ? "missing.htm" : "head.htm");
    QVERIFY(fixture::writeBytes(dir.filePath("head.htm"), "<html>"));
    Roster roster = fixture::withPlaceholder();
    add(roster, "x");
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    const std::string p = path.toStdString();
    LineList lines;
    QString error;
    try {
        if (format == "csv") {
            exportCsv(p, roster);
            lines = csvLines(roster);
        } else if (format == "html") {
            exportHtml(p, roster, ExportOptions{}, head.toStdString());
            lines = htmlLines({"<html>"}, roster, ExportOptions{});
        } else {
            exportXml(p, roster, ExportOptions{});
            lines = xmlLines(roster, ExportOptions{});
        }
    } catch (const Error& e) {
        error = QString::fromUtf8(e.what());
    }
    if (outcome == "written") {
        QCOMPARE(error, QString());
        QCOMPARE(fixture::readBytes(path), joined(lines));
        return;
    }
    const QString expected =
        outcome == "refused" ? "ファイル %1 は名簿ファイルのため上書きしません" : "ファイル %1 を作成できません";
    QCOMPARE(error, expected.arg(path));
    if (!oldBytes.isEmpty())
        QCOMPARE(fixture::readBytes(path), oldBytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
}

// The temporary's name holds the target's name, shortened so that it still fits.
void TstExports::longTargetNameGetsAShortenedTemporary()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString(250, u'n'));
    QVERIFY(fixture::writeBytes(path, "old contents"));
    Roster roster = fixture::withPlaceholder();
    add(roster, "x");
    exportCsv(path.toStdString(), roster);
    QCOMPARE(fixture::readBytes(path), joined(csvLines(roster)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

QTEST_GUILESS_MAIN(TstExports)
#include "tst_exports.moc"

void TstExports::edgeValuesKeepTheirBytes_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<ExportOptions>("options");
    QTest::addColumn<QString>("expected"); // written by an earlier build of the exports
    QTest::newRow("csv") << "csv" << ExportOptions{} << "edge.csv";
    QTest::newRow("html, all") << "html" << opts(true, true, true, true) << "edge-all.htm";
    QTest::newRow("html, status and EP2") << "html" << opts(true, false, true, false) << "edge-mixed.htm";
    QTest::newRow("xml, all") << "xml" << opts(true, true, true, true) << "edge-all.xml";
    QTest::newRow("xml, none") << "xml" << opts(false, false, false, false) << "edge-none.xml";
}

// Every digit count of both signs, times around every carry, names of every byte
// and memos with line ends and markup, in the file and in the line list.
void TstExports::edgeValuesKeepTheirBytes()
{
    QFETCH(QString, format);
    QFETCH(ExportOptions, options);
    QFETCH(QString, expected);
    const QString data = qEnvironmentVariable("TESTDATA") + "/exports/";
    const QByteArray want = fixture::readBytes(data + expected);
    QVERIFY(want.size() > 4000);
    QTemporaryDir dir;
    const QString path = dir.filePath("out");
    const std::string p = path.toStdString();
    LineList lines;
    if (format == "csv") {
        const Roster roster = fixture::edgeRoster(false);
        exportCsv(p, roster);
        lines = csvLines(roster);
    } else if (format == "html") {
        const Roster roster = fixture::edgeRoster(true);
        exportHtml(p, roster, options, (data + "head.htm").toStdString());
        lines = htmlLines({"<html>", "<body>"}, roster, options);
    } else {
        const Roster roster = fixture::edgeRoster(false);
        exportXml(p, roster, options);
        lines = xmlLines(roster, options);
    }
    QCOMPARE(fixture::readBytes(path), want);
    QCOMPARE(joined(lines), want);
}

void TstExports::longTextsCrossPieces_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("memo");
    QTest::addColumn<QByteArray>("written");
    const int n = 300000; // longer than a piece of text and than a chunk of the file
    QTest::newRow("csv, plain") << "csv" << QByteArray(n, 'a') << QByteArray(n, 'a');
    QTest::newRow("csv, quotes") << "csv" << QByteArray(n, '"') << "\"" + QByteArray(2 * n, '"') + "\"";
    QTest::newRow("html") << "html" << QByteArray("\"&").repeated(n) << QByteArray("&quot;&amp;").repeated(n);
    QTest::newRow("xml") << "xml" << QByteArray("<\"").repeated(n) << QByteArray("&lt;\"").repeated(n);
}

// A memo many times the size of the room made for one line, between two short lines.
void TstExports::longTextsCrossPieces()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, memo);
    QFETCH(QByteArray, written);
    Roster roster = fixture::withPlaceholder();
    add(roster, "before");
    add(roster, "long", 0, 0, memo.toStdString());
    add(roster, "after");
    QTemporaryDir dir;
    const QString path = dir.filePath("out"), head = dir.filePath("head.htm");
    QVERIFY(fixture::writeBytes(head, "<html>"));
    const std::string p = path.toStdString();
    if (format == "csv")
        exportCsv(p, roster);
    else if (format == "html")
        exportHtml(p, roster, opts(false, false, false, true), head.toStdString());
    else
        exportXml(p, roster, opts(false, false, false, true));
    const QByteArray file = fixture::readBytes(path);
    QCOMPARE(file.count(written), 1);
    const qsizetype at = file.indexOf(written);
    QVERIFY(file.lastIndexOf("before") < at);
    QVERIFY(file.indexOf("after") > at + written.size());
    QCOMPARE(file.size() - written.size(), [&] {
        roster[2]->memo = "";
        const LineList lines = format == "csv" ? csvLines(roster)
            : format == "html"                 ? htmlLines({"<html>"}, roster, opts(false, false, false, true))
                                               : xmlLines(roster, opts(false, false, false, true));
        return joined(lines).size() - (format == "html" ? qsizetype(5) : 0); // "&nbsp" stands for an empty memo
    }());
}

// Texts are scanned in blocks of sixteen bytes and finished from a padded tail: a
// quote at every place of every length around two blocks, followed by a second
// one three bytes on where there is room.
void TstExports::specialsAtEveryPlace()
{
    Roster roster = fixture::withPlaceholder();
    std::vector<QByteArray> memos;
    for (int size = 1; size <= 40; ++size)
        for (int at = 0; at < size; ++at) {
            QByteArray memo(size, 'm');
            memo[at] = '"';
            if (at + 3 < size)
                memo[at + 3] = '&';
            memos.push_back(memo);
            add(roster, "n", 0, 0, memo.toStdString());
        }
    const LineList csv = csvLines(roster);
    const LineList html = htmlLines({}, roster, opts(false, false, false, true));
    QCOMPARE(csv.size(), memos.size());
    for (std::size_t i = 0; i < memos.size(); ++i) {
        QByteArray quoted = memos[i];
        QVERIFY(bytes(csv[i]).endsWith(",\"" + quoted.replace("\"", "\"\"") + "\""));
        QByteArray escaped = memos[i];
        escaped.replace("&", "&amp;").replace("\"", "&quot;");
        QVERIFY(bytes(html[i + 2]).endsWith("<td class=\"cmemo\">" + escaped + "</td></tr>"));
    }
}
