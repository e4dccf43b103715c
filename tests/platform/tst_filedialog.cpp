// The real file dialog (no test hook): what its filter list shows, and which files
// each filter lets through.
#include "platform/filedialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using qvr::OpenDialog;

namespace {
struct Shown {
    QStringList filterTexts;
    QStringList files;
};

// Opens the dialog, reads what it shows once the folder is listed, and cancels it.
Shown showDialog(OpenDialog& dialog)
{
    Shown shown;
    QTimer::singleShot(0, [&shown] {
        auto* fd = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!fd)
            return;
        auto* combo = fd->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* list = fd->findChild<QListView*>(QStringLiteral("listView"));
        if (combo && list) {
            [[maybe_unused]] const bool listed =
                QTest::qWaitFor([list] { return list->model()->rowCount(list->rootIndex()) > 0; }, 5000);
            for (int i = 0; i < combo->count(); ++i)
                shown.filterTexts << combo->itemText(i);
            for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
                shown.files << list->model()->index(r, 0, list->rootIndex()).data().toString();
        }
        fd->reject();
    });
    dialog.execute(nullptr);
    return shown;
}
} // namespace

class TstFileDialog : public QObject {
    Q_OBJECT
private slots:
    void filterShownOnceAndSelectsItsFiles_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("shownAs");
        QTest::addColumn<QString>("file");
        QTest::newRow("roster") << "QVRUTL_Ver3(*.pd3)|*.pd3"
                                << "QVRUTL_Ver3(*.pd3)"
                                << "a.pd3";
        QTest::newRow("version 2") << "Ver2File(*.pd2)|*.pd2"
                                   << "Ver2File(*.pd2)"
                                   << "b.pd2";
        QTest::newRow("csv") << "TextData(*.cvs)|*.cvs"
                             << "TextData(*.cvs)"
                             << "c.cvs";
        QTest::newRow("html") << "HTML(*.htm)|*.htm"
                              << "HTML(*.htm)"
                              << "d.htm";
        QTest::newRow("xml") << "XML(*.xml)|*.xml"
                             << "XML(*.xml)"
                             << "e.xml";
        QTest::newRow("sound") << "Sound|*.wav"
                               << "Sound"
                               << "f.wav";
    }
    void filterShownOnceAndSelectsItsFiles()
    {
        QFETCH(QString, filter);
        QFETCH(QString, shownAs);
        QFETCH(QString, file);
        QTemporaryDir dir;
        for (const char* name : {"a.pd3", "b.pd2", "c.cvs", "d.htm", "e.xml", "f.wav", "g.txt"}) {
            QFile f(dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        OpenDialog dialog;
        dialog.filter = filter;
        dialog.defaultExt = QStringLiteral("pd3");
        dialog.fileName = dir.filePath(QStringLiteral("qvrutl"));
        const Shown shown = showDialog(dialog);
        QCOMPARE(shown.filterTexts, QStringList{shownAs});
        QCOMPARE(shown.files, QStringList{file});
        QCOMPARE(dialog.fileName, dir.filePath(QStringLiteral("qvrutl")));
    }
};

QTEST_MAIN(TstFileDialog)
#include "tst_filedialog.moc"
