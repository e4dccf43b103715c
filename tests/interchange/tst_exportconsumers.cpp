// The exported files as other programs read them: an XML parser, a CSV reader and
// an HTML parser must give back the names and memos that went in.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "fixtures.h"
#include "interchange/exports.h"

using namespace qvr;

namespace {

struct Text {
    const char* cp932;
    QString utf8;
};

// Names and memos with markup, separators, quotes, line breaks and Japanese
// (あ 82A0, 表 955C with a backslash trail byte, 漢字 8ABF 8E9A).
const Text NAMES[] = {
    {"a<b&c>", QStringLiteral("a<b&c>")},
    {"\x82\xa0\x95\x5c", QStringLiteral("あ表")},
    {"x,\"y\"'", QStringLiteral("x,\"y\"'")},
    {"", QString()},
};
const Text MEMOS[] = {
    {"1 <tag> & more\r\n\x82\xa0\x8a\xbf\x8e\x9a", QStringLiteral("1 <tag> & more\r\nあ漢字")},
    {"", QString()},
    {"a>b, \"c\"\r\n\r\nend", QStringLiteral("a>b, \"c\"\r\n\r\nend")},
    {"\x95\x5c&amp;", QStringLiteral("表&amp;")},
};
constexpr int COUNT = 4;

Roster sampleRoster()
{
    Roster roster = fixture::withPlaceholder();
    for (int i = 0; i < COUNT; ++i) {
        CharRecord& r = fixture::add(roster, NAMES[i].cp932, i, i + 1, MEMOS[i].cp932);
        r.ep1time[0] = i % 2 ? -3725 : 3725;
    }
    return roster;
}

QString python()
{
    if (QFile::exists("/usr/bin/python3"))
        return "/usr/bin/python3";
    return QStandardPaths::findExecutable("python3");
}

// Runs the tool; its standard output, or a failed check.
bool run(const QString& program, const QStringList& args, QByteArray& out)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << "failed:" << p.readAllStandardError();
        return false;
    }
    out = p.readAllStandardOutput();
    return true;
}

QJsonDocument runPython(const char* script, const QString& file)
{
    QByteArray out;
    if (!run(python(), {"-c", QString::fromLatin1(script), file}, out))
        return {};
    return QJsonDocument::fromJson(out);
}

} // namespace

class TstExportConsumers : public QObject {
    Q_OBJECT
private slots:
    void xmlParses();
    void csvReadsBack();
    void htmlParses();
};

void TstExportConsumers::xmlParses()
{
    const QString xmllint = QStandardPaths::findExecutable("xmllint");
    if (xmllint.isEmpty())
        QSKIP("xmllint is not installed (package libxml2-utils)");
    QTemporaryDir dir;
    const QString file = dir.filePath("out.xml");
    exportXml(file.toStdString(), sampleRoster(), {true, true, true, true});

    QByteArray out;
    QVERIFY(run(xmllint, {"--noout", file}, out));
    auto xpath = [&](const QString& expr) {
        QByteArray value;
        if (!run(xmllint, {"--encode", "UTF-8", "--xpath", expr, file}, value))
            return QString("<xmllint failed>");
        value.chop(1); // the newline xmllint adds
        return QString::fromUtf8(value);
    };
    QCOMPARE(xpath("count(/qvrdat3/char)"), QString::number(COUNT));
    for (int i = 0; i < COUNT; ++i) {
        const QString ch = QString("/qvrdat3/char[%1]").arg(i + 1);
        QCOMPARE(xpath("string(" + ch + "/name)"), NAMES[i].utf8);
        // The memo stands on lines of its own; the parser turns CR LF into LF.
        QString memo = MEMOS[i].utf8;
        QCOMPARE(xpath("string(" + ch + "/memo)"), "\n" + memo.replace("\r\n", "\n") + "\n\t\t\t");
        QCOMPARE(xpath("string(" + ch + "/ep1time/c1)"), i % 2 ? "* 1'02\"05" : " 1'02\"05");
    }
}

void TstExportConsumers::csvReadsBack()
{
    if (python().isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir dir;
    const QString file = dir.filePath("out.cvs");
    exportCsv(file.toStdString(), sampleRoster());
    const QJsonDocument doc = runPython("import csv, json, sys\n"
                                        "with open(sys.argv[1], encoding='cp932', newline='') as f:\n"
                                        "    json.dump(list(csv.reader(f, strict=True)), sys.stdout)\n",
        file);
    const QJsonArray rows = doc.array();
    QCOMPARE(rows.size(), COUNT);
    for (int i = 0; i < COUNT; ++i) {
        const QJsonArray fields = rows[i].toArray();
        QCOMPARE(fields.size(), 31);
        QCOMPARE(fields[0].toString(), QString::number(i + 1));
        QCOMPARE(fields[1].toString(), NAMES[i].utf8);
        QCOMPARE(fields[2].toString(), QString::number(i));
        QCOMPARE(fields[14].toString(), "3725");
        QCOMPARE(fields[30].toString(), MEMOS[i].utf8);
    }
}

void TstExportConsumers::htmlParses()
{
    if (python().isEmpty())
        QSKIP("python3 is not installed");
    QTemporaryDir dir;
    const QString file = dir.filePath("out.htm");
    const QString head = qEnvironmentVariable("SOURCE_DIR") + "/examples/defhead.htm";
    QVERIFY2(QFile::exists(head), qPrintable(head));
    exportHtml(file.toStdString(), sampleRoster(), {true, true, true, true}, head.toStdString());
    // Every cell as (class, text); a tag opened or closed inside a cell is leftover markup.
    const QJsonDocument doc = runPython("import json, sys\n"
                                        "from html.parser import HTMLParser\n"
                                        "class P(HTMLParser):\n"
                                        "    def __init__(self):\n"
                                        "        super().__init__(convert_charrefs=True)\n"
                                        "        self.rows, self.cell, self.stray = [], None, []\n"
                                        "    def handle_starttag(self, tag, attrs):\n"
                                        "        if self.cell is not None: self.stray.append(tag)\n"
                                        "        if tag == 'tr': self.rows.append([])\n"
                                        "        elif tag in ('td', 'th'): self.cell = [dict(attrs).get('class'), '']\n"
                                        "    def handle_endtag(self, tag):\n"
                                        "        if tag in ('td', 'th') and self.cell is not None:\n"
                                        "            self.rows[-1].append(self.cell); self.cell = None\n"
                                        "        elif self.cell is not None: self.stray.append('/' + tag)\n"
                                        "    def handle_data(self, data):\n"
                                        "        if self.cell is not None: self.cell[1] += data\n"
                                        "p = P()\n"
                                        "p.feed(open(sys.argv[1], encoding='cp932', newline='').read()); p.close()\n"
                                        "json.dump({'rows': p.rows, 'stray': p.stray}, sys.stdout)\n",
        file);
    QCOMPARE(doc.object()["stray"].toArray(), QJsonArray());
    const QJsonArray rows = doc.object()["rows"].toArray();
    QCOMPARE(rows.size(), 1 + COUNT);
    QCOMPARE(rows[0].toArray().size(), 4 + 9 + 16 + 1);
    for (int i = 0; i < COUNT; ++i) {
        const QJsonArray cells = rows[i + 1].toArray();
        QCOMPARE(cells.size(), 4 + 9 + 16 + 1);
        QCOMPARE(cells[1].toArray()[0].toString(), "cname");
        QCOMPARE(cells[1].toArray()[1].toString(), NAMES[i].utf8);
        QCOMPARE(cells[13].toArray()[0].toString(), i % 2 ? "cep1tb" : "cep1t");
        QCOMPARE(cells[29].toArray()[0].toString(), "cmemo");
        // An empty memo is written as a no-break space.
        QCOMPARE(cells[29].toArray()[1].toString(), MEMOS[i].utf8.isEmpty() ? QString(QChar(0xa0)) : MEMOS[i].utf8);
    }
}

QTEST_GUILESS_MAIN(TstExportConsumers)
#include "tst_exportconsumers.moc"
