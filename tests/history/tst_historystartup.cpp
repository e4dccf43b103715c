// Start-up pays nothing for the history: the file is not opened and the charting
// libraries are not mapped until they are used.

#include "app/tform1.h"

#include "common/focuskeys.h"
#include "common/formfixture.h"

#include <QLineEdit>
#include <QTest>

namespace {

QString historyFile() { return QCoreApplication::applicationDirPath() + QStringLiteral("/history.sqlite"); }

QByteArray maps()
{
    QFile f(QStringLiteral("/proc/self/maps"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether this process holds the file open.
bool holdsOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        if (!target.isEmpty() && fd.symLinkTarget() == target)
            return true;
    return false;
}

} // namespace

class TstHistoryStartup : public QObject {
    Q_OBJECT
private slots:
    void historyCostsStartUpNothing()
    {
        for (const char* tail : {"", "-wal", "-shm"})
            QFile::remove(historyFile() + QLatin1String(tail));
        // A file from an earlier run is there, but not opened either.
        {
            FormFixture f;
            TForm1& w = f.start();
            f.click(qvr::FirstValueColumn, 1);
            QTest::keyClicks(w.ME1, QStringLiteral("7"));
            QTest::keyClick(w.ME1, Qt::Key_Return);
        }
        QVERIFY(QFileInfo::exists(historyFile()));
        FormFixture f;
        TForm1& w = f.start();
        QVERIFY(!holdsOpen(historyFile()));
        QVERIFY(!maps().contains("libQt6Charts"));
        f.click(qvr::FirstValueColumn, 1);
        QTest::keyClicks(w.ME1, QStringLiteral("8"));
        QTest::keyClick(w.ME1, Qt::Key_Return);
        QVERIFY(holdsOpen(historyFile()));
        QVERIFY(!maps().contains("libQt6Charts"));
        w.DrawGrid1->setFocus();
        key(Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(maps().contains("libQt6Charts"));
        QVERIFY(maps().contains("qvrhistory.so"));
        QVERIFY(f.reports.isEmpty());
    }
};

QTEST_MAIN(TstHistoryStartup)
#include "tst_historystartup.moc"
