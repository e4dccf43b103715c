// The file commands: the roster file, the previous version's import, the exports
// and the recovery copies; the files named on the command line or dropped.

#include "app/tform1.h"

#include "interchange/exports.h"
#include "interchange/tform3.h"
#include "interchange/ver2import.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"
#include "platform/qtext.h"
#include "platform/folders.h"
#include "roster/recovery.h"
#include "view/celleditors.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

using namespace qvr;

namespace {
// The one file dialog, with only its filter set for this command.
bool askFile(QWidget& parent, OpenDialog& dialog, const char* filter, std::string& path)
{
    dialog.filter = QString::fromLatin1(filter);
    if (!dialog.execute(&parent))
        return false;
    path = toNativePath(dialog.fileName);
    return true;
}

const char* const ROSTER_FILTER = "QVRUTL_Ver3(*.pd3)|*.pd3";

bool hasSuffix(const QString& path, const char* suffix)
{
    return QFileInfo(path).suffix().compare(QLatin1String(suffix), Qt::CaseInsensitive) == 0;
}

bool isVer2File(const std::string& path) { return hasSuffix(fromNativePath(path), "pd2"); }

// The one local roster or version-2 file a drag carries, else empty: several
// files, another kind of file or no file at all are not taken.
QString droppableFile(const QDropEvent& event)
{
    const QMimeData* data = event.mimeData();
    if (!data || !data->hasUrls() || !(event.possibleActions() & Qt::CopyAction))
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    const QString path = urls.front().toLocalFile();
    return hasSuffix(path, "pd3") || hasSuffix(path, "pd2") ? path : QString();
}
} // namespace

void TForm1::storePendingMemo() { editors_->storePendingMemo(); }

void TForm1::Load1Click()
{
    std::string path;
    if (!askFile(*this, *OpenDialog1, ROSTER_FILTER, path))
        return;
    loadRoster(path);
}

void TForm1::Save1Click()
{
    std::string path;
    if (!askFile(*this, *OpenDialog1, ROSTER_FILTER, path))
        return;
    storePendingMemo();
    rosterSheet.save(path);
}

void TForm1::Import1Click()
{
    std::string path;
    if (!askFile(*this, *OpenDialog1, "Ver2File(*.pd2)|*.pd2", path))
        return;
    // A file the dialog offered but that cannot be read adds nothing, silently.
    ignoring(Error::Kind::CannotOpen, [&] { importVer2File(path); });
}

void TForm1::importVer2File(const std::string& path)
{
    Roster imported;
    importVer2(path, imported);
    rosterSheet.appendRecords(std::move(imported));
}

template <typename Writer>
void TForm1::exportTo(const char* filter, Writer write)
{
    std::string path;
    if (!askFile(*this, *OpenDialog1, filter, path))
        return;
    storePendingMemo();
    write(path, rosterSheet.roster);
}

void TForm1::Export1Click()
{
    exportTo("TextData(*.cvs)|*.cvs", [](const std::string& path, const Roster& roster) { exportCsv(path, roster); });
}

void TForm1::N2Click()
{
    exportTo("HTML(*.htm)|*.htm",
        [](const std::string& path, const Roster& roster) { exportHtml(path, roster, Form3->options()); });
}

void TForm1::Exit1Click()
{
    exportTo("XML(*.xml)|*.xml",
        [](const std::string& path, const Roster& roster) { exportXml(path, roster, Form3->options()); });
}

void TForm1::Version1Click() { Form3->exec(); }

void TForm1::RecoveryCopies1Click()
{
    const std::string folder = recoveryFolder();
    makeFolders(folder);
    // The dialog opens in the folder; cancelled, it offers its last name again.
    const QString remembered = OpenDialog1->fileName;
    OpenDialog1->fileName = fromNativePath(folder) + u'/';
    std::string path;
    if (!askFile(*this, *OpenDialog1, ROSTER_FILTER, path)) {
        OpenDialog1->fileName = remembered;
        return;
    }
    loadRoster(path);
}

// A roster file given loads instead of the last saved one, which stays when the
// given one is refused; a version-2 file is imported into the last saved one. A
// missing last file is the normal first run and stays silent.
void TForm1::openStartFiles(const std::string& startFile)
{
    const bool rosterGiven = !startFile.empty() && !isVer2File(startFile);
    if (rosterGiven && guard([&] { loadRoster(startFile); }))
        return;
    if (!rosterSheet.lastfile.empty())
        guard([this] { ignoring(Error::Kind::CannotOpen, [this] { loadRoster(rosterSheet.lastfile); }); });
    if (!startFile.empty() && !rosterGiven)
        guard([&] { importVer2File(startFile); });
}

void TForm1::openFile(const std::string& path)
{
    if (isVer2File(path))
        importVer2File(path);
    else
        loadRoster(path);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    // A copy, never a move: the file stays where the user dragged it from.
    if (droppableFile(*event).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString path = droppableFile(*event);
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Opened once the drop is over, so that an error report does not hold up the
    // program the file came from.
    QMetaObject::invokeMethod(
        this, [this, file = toNativePath(path)] { guard([&] { openFile(file); }); }, Qt::QueuedConnection);
}
