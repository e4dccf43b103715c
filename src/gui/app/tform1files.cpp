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
#include "roster/recovery.h"
#include "view/celleditors.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

using namespace qvr;

namespace {
// The one file dialog, with only its filter set for this command.
bool askFile(TForm1& form, const char* filter, std::string& path)
{
    form.OpenDialog1->filter = QString::fromLatin1(filter);
    if (!form.OpenDialog1->execute(&form))
        return false;
    path = toNativePath(form.OpenDialog1->fileName);
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
    if (!askFile(*this, ROSTER_FILTER, path))
        return;
    loadRoster(path);
}

void TForm1::Save1Click()
{
    std::string path;
    if (!askFile(*this, ROSTER_FILTER, path))
        return;
    storePendingMemo();
    rosterSheet.save(path);
}

void TForm1::Import1Click()
{
    std::string path;
    if (!askFile(*this, "Ver2File(*.pd2)|*.pd2", path))
        return;
    importVer2File(path, false);
}

void TForm1::importVer2File(const std::string& path, bool reportMissing)
{
    Roster imported;
    if (!importVer2(path, imported) && reportMissing)
        throw errCannotOpen(path);
    rosterSheet.appendRecords(std::move(imported));
}

void TForm1::Export1Click()
{
    std::string path;
    if (!askFile(*this, "TextData(*.cvs)|*.cvs", path))
        return;
    storePendingMemo();
    exportCsv(path, *sheet());
}

void TForm1::N2Click()
{
    std::string path;
    if (!askFile(*this, "HTML(*.htm)|*.htm", path))
        return;
    storePendingMemo();
    exportHtml(path, *sheet(), Form3->options());
}

void TForm1::Exit1Click()
{
    std::string path;
    if (!askFile(*this, "XML(*.xml)|*.xml", path))
        return;
    storePendingMemo();
    exportXml(path, *sheet(), Form3->options());
}

void TForm1::Version1Click() { Form3->exec(); }

void TForm1::RecoveryCopies1Click()
{
    const std::string folder = recoveryFolder();
    if (!makeFolders(folder))
        throw errCannotOpen(folder);
    // The dialog opens in the folder; cancelled, it offers its last name again.
    const QString remembered = OpenDialog1->fileName;
    OpenDialog1->fileName = fromNativePath(folder) + u'/';
    std::string path;
    if (!askFile(*this, ROSTER_FILTER, path)) {
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
    if (!lastfile.empty())
        guard([this] { loadRoster(lastfile, false); });
    if (!startFile.empty() && !rosterGiven)
        guard([&] { importVer2File(startFile, true); });
}

void TForm1::openFile(const std::string& path)
{
    if (isVer2File(path))
        importVer2File(path, true);
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
