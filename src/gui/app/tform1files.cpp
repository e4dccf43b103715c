// The file commands: the roster file, the previous version's import and the exports.

#include "app/tform1.h"

#include "interchange/exports.h"
#include "interchange/tform3.h"
#include "interchange/ver2import.h"
#include "platform/filedialog.h"
#include "platform/qtext.h"
#include "view/celleditors.h"

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
