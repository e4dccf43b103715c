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
bool askFile(TForm1& form, const char* filter, std::string& path)
{
    form.OpenDialog1->filter = QString::fromLatin1(filter);
    if (!form.OpenDialog1->execute(&form))
        return false;
    path = toNativePath(form.OpenDialog1->fileName);
    return true;
}

const char* const ROSTER_FILTER = "QVRUTL_Ver3(*.pd3)|*.pd3";
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
    Roster imported;
    importVer2(path, imported);
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
