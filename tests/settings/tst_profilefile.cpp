// Reading and writing the sections-and-keys file.
#include "platform/error.h"
#include "settings/profilefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qvr;

namespace {
std::string s(const QByteArray& b) { return b.toStdString(); }

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void putFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TstProfileFile : public QObject {
    Q_OBJECT
private slots:
    void readString_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray d = "<def>";
        QTest::newRow("plain") << QByteArray("[S]\r\nk=v\r\n") << QByteArray("S") << QByteArray("k") << QByteArray("v");
        QTest::newRow("case") << QByteArray("[system]\nsfile=a.wav\n") << QByteArray("SYSTEM") << QByteArray("SFile")
                              << QByteArray("a.wav");
        QTest::newRow("blanks trimmed") << QByteArray("  [ S ] \n  k \t=  a b \t\n") << QByteArray("S")
                                        << QByteArray("k") << QByteArray("a b");
        QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << QByteArray("S") << QByteArray("k") << QByteArray("");
        QTest::newRow("missing key") << QByteArray("[S]\nx=1\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("missing section") << QByteArray("[T]\nk=1\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("before first section") << QByteArray("k=1\n[S]\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("other section") << QByteArray("[S]\n[T]\nk=1\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("first key wins") << QByteArray("[S]\nk=1\nK=2\n") << QByteArray("S") << QByteArray("k")
                                        << QByteArray("1");
        QTest::newRow("first section wins") << QByteArray("[S]\n[s]\nk=2\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("comment") << QByteArray("[S]\n;k=1\n") << QByteArray("S") << QByteArray("k") << d;
        QTest::newRow("lone CR") << QByteArray("[S]\rk=v\rj=w") << QByteArray("S") << QByteArray("j")
                                 << QByteArray("w");
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[S]\r\nk=v\r\n") << QByteArray("S")
                                         << QByteArray("k") << QByteArray("v");
        QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << QByteArray("S") << QByteArray("k")
                                         << QByteArray("a=b");
        // Second bytes of double-byte characters are not letters: 0x83 0x41 is not 0x83 0x61.
        QTest::newRow("double-byte no fold")
            << QByteArray("[\x83\x41]\nk=v\n") << QByteArray("\x83\x61") << QByteArray("k") << d;
        QTest::newRow("double-byte bracket")
            << QByteArray("[\x83\x5D]\nk=v\n") << QByteArray("\x83\x5D") << QByteArray("k") << QByteArray("v");
        QTest::newRow("2047 kept") << "[S]\nk=" + QByteArray(2047, 'a') << QByteArray("S") << QByteArray("k")
                                   << QByteArray(2047, 'a');
        QTest::newRow("2048 cut") << "[S]\nk=" + QByteArray(2048, 'a') << QByteArray("S") << QByteArray("k")
                                  << QByteArray(2047, 'a');
        QTest::newRow("cut keeps pair whole") << "[S]\nk=" + QByteArray(2046, 'a') + "\x82\xA0" << QByteArray("S")
                                              << QByteArray("k") << QByteArray(2046, 'a');
    }
    void readString()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, expected);
        auto f = ProfileFile::fromBytes("x.INI", s(text));
        QCOMPARE(QByteArray::fromStdString(f.readString(s(section), s(key), "<def>")), expected);
    }

    void readNumbers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("integer"); // with default 99
        QTest::addColumn<int>("boolean"); // 0/1, with default true
        QTest::newRow("decimal") << QByteArray("12") << 12 << 1;
        QTest::newRow("zero") << QByteArray("0") << 0 << 0;
        QTest::newRow("negative") << QByteArray("-5") << -5 << 1;
        QTest::newRow("hex") << QByteArray("0x1F") << 31 << 1;
        QTest::newRow("hex upper") << QByteArray("0X1f") << 31 << 1;
        QTest::newRow("hex zero") << QByteArray("0x0") << 0 << 0;
        QTest::newRow("hex 32 bits") << QByteArray("0xFFFFFFFF") << -1 << 1;
        QTest::newRow("hex too long") << QByteArray("0x100000000") << 99 << 1;
        QTest::newRow("bare 0x") << QByteArray("0x") << 99 << 1;
        QTest::newRow("bad hex") << QByteArray("0x1G") << 99 << 1;
        QTest::newRow("negative hex") << QByteArray("-0x1") << 99 << 1;
        QTest::newRow("junk") << QByteArray("abc") << 99 << 1;
        QTest::newRow("trailing junk") << QByteArray("12abc") << 99 << 1;
        QTest::newRow("empty") << QByteArray("") << 99 << 1;
        QTest::newRow("sign only") << QByteArray("-") << 99 << 1;
        QTest::newRow("plus") << QByteArray("+5") << 99 << 1;
        QTest::newRow("max") << QByteArray("2147483647") << 2147483647 << 1;
        QTest::newRow("over max") << QByteArray("2147483648") << 99 << 1;
        QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483647 - 1) << 1;
        QTest::newRow("under min") << QByteArray("-2147483649") << 99 << 1;
        QTest::newRow("many digits") << QByteArray(40, '9') << 99 << 1;
    }
    void readNumbers()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, integer);
        QFETCH(int, boolean);
        auto f = ProfileFile::fromBytes("x.INI", s("[S]\r\nk=" + value + "\r\n"));
        QCOMPARE(f.readInteger("s", "K", 99), integer);
        QCOMPARE(int(f.readBool("S", "k", true)), boolean);
        // A default of false shows that a non-number really gives the default.
        if (integer == 99)
            QCOMPARE(f.readBool("S", "k", false), false);
    }

    void missingFileGivesDefaults()
    {
        QTemporaryDir dir;
        ProfileFile f(dir.filePath("none.INI").toStdString());
        QCOMPARE(f.readString("S", "k", "d"), std::string("d"));
        QCOMPARE(f.readInteger("S", "k", -3), -3);
        QCOMPARE(f.readBool("S", "k", true), true);
    }

    void write_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("key"); // in section "LAST", value "new"
        QTest::addColumn<QByteArray>("after");
        const QByteArray mixed = "; made by hand\r\nx=top\r\n\r\n[Other]\r\nq=\x82\xA0\x83\x5D\r\n\r\n[last]\r\n"
                                 "LastFile = old.pd3\r\nZoom=3\r\n\r\n; tail\r\n[More]\r\nr=1";
        QTest::newRow("change keeps the rest")
            << mixed << QByteArray("lastfile") << QByteArray(mixed).replace("LastFile = old.pd3", "LastFile = new");
        QTest::newRow("add after last key")
            << mixed << QByteArray("DispMode") << QByteArray(mixed).replace("Zoom=3\r\n", "Zoom=3\r\nDispMode=new\r\n");
        QTest::newRow("add to empty section")
            << QByteArray("[LAST]\n\n[X]\n") << QByteArray("k") << QByteArray("[LAST]\nk=new\n\n[X]\n");
        QTest::newRow("add after unterminated")
            << QByteArray("[LAST]\nj=1") << QByteArray("k") << QByteArray("[LAST]\nj=1\nk=new\n");
        QTest::newRow("add in CR file") << QByteArray("[LAST]\rj=1\r") << QByteArray("k")
                                        << QByteArray("[LAST]\rj=1\rk=new\r");
        // Found by fuzzing: a lone CR put in front of an LF joined two lines into one.
        QTest::newRow("mixed ends, add") << QByteArray("[LAST]\rj=1\n\n[X]\n") << QByteArray("k")
                                         << QByteArray("[LAST]\rj=1\nk=new\n\n[X]\n");
        QTest::newRow("mixed ends, new section")
            << QByteArray("a\nb\r") << QByteArray("k") << QByteArray("a\nb\r\r[LAST]\rk=new\r");
        QTest::newRow("new section LF") << QByteArray("[A]\nj=1") << QByteArray("k")
                                        << QByteArray("[A]\nj=1\n\n[LAST]\nk=new\n");
        QTest::newRow("new section after blank")
            << QByteArray("[A]\r\n\r\n") << QByteArray("k") << QByteArray("[A]\r\n\r\n[LAST]\r\nk=new\r\n");
        QTest::newRow("new file") << QByteArray() << QByteArray("k") << QByteArray("[LAST]\r\nk=new\r\n");
        QTest::newRow("first section only")
            << QByteArray("[LAST]\n[LAST]\nk=1\n") << QByteArray("k") << QByteArray("[LAST]\nk=new\n[LAST]\nk=1\n");
        QTest::newRow("not before sections")
            << QByteArray("k=1\n") << QByteArray("k") << QByteArray("k=1\n\n[LAST]\nk=new\n");
    }
    void write()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("t.INI");
        if (!before.isEmpty())
            putFile(path, before);
        ProfileFile f(path.toStdString());
        f.writeString("LAST", s(key), "new");
        QCOMPARE(fileBytes(path), after);
        QCOMPARE(ProfileFile(path.toStdString()).readString("LAST", s(key), ""), std::string("new"));
    }

    void writeCutsLineBreaks()
    {
        auto text = withProfileValue("", "S", "k", "a.pd3\r\n[S]\r\nk=b");
        QCOMPARE(text, std::string("[S]\r\nk=a.pd3\r\n"));
    }

    void writeThroughLink()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath("real.INI"), link = dir.filePath("link.INI");
        putFile(real, "[S]\nk=1\n");
        QVERIFY(QFile::link(real, link));
        ProfileFile(link.toStdString()).writeInteger("S", "k", -42);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(fileBytes(real), QByteArray("[S]\nk=-42\n"));
    }

    void failedWrite_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing folder") << "no/such/x.INI";
        QTest::newRow("folder") << "folder";
    }
    void failedWrite()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder"));
        const std::string path = dir.filePath(name).toStdString();
        ProfileFile f(path);
        try {
            f.writeBool("OPTION", "OutMemo", true);
            QFAIL("write did not fail");
        } catch (const Error& e) {
            QCOMPARE(QString::fromUtf8(e.what()), QString::fromStdString(path) + " に書き込めません");
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"folder"});
    }
};

QTEST_GUILESS_MAIN(TstProfileFile)
#include "tst_profilefile.moc"
