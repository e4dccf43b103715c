// Adding, deleting, restoring and moving rows at the current row.

#include "app/tform1.h"

#include "platform/error.h"
#include "subtool/tform2.h"
#include "view/drawgrid.h"

#include <QGuiApplication>
#include <utility>

using namespace qvr;

namespace {
// The key that some keyboards send for restoring, known only by its native code.
constexpr quint32 NATIVE_RESTORE_KEY = 0x8B;
} // namespace

void TForm1::appendRecord()
{
    sheet()->push_back(makeRecord());
    markModified();
    DrawGrid1->setRowCount(DrawGrid1->rowCount() + 1);
}

void TForm1::deleteRecord(int i)
{
    Roster& rows = *sheet();
    if (rows.size() <= 1 || i < 0 || static_cast<std::size_t>(i) >= rows.size())
        return;
    // Row 0 is the placeholder behind the header and is never deleted.
    if (i == 0)
        return;
    deleted.push_back(std::move(rows[static_cast<std::size_t>(i)]));
    rows.erase(rows.begin() + i);
    markModified();
    DrawGrid1->setRowCount(DrawGrid1->rowCount() - 1);
    repaintGrid();
}

void TForm1::restoreRecord(int i)
{
    if (deleted.empty())
        return;
    Roster& rows = *sheet();
    if (i < 1 || static_cast<std::size_t>(i) > rows.size())
        throw errListIndex(i);
    rows.insert(rows.begin() + i, std::move(deleted.back()));
    deleted.pop_back();
    markModified();
    DrawGrid1->setRowCount(DrawGrid1->rowCount() + 1);
}

void TForm1::moveRecordUp(int i)
{
    Roster& rows = *sheet();
    if (i <= 1)
        return;
    if (static_cast<std::size_t>(i) >= rows.size())
        throw errListIndex(i);
    std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(i - 1)]);
    markModified();
}

void TForm1::moveRecordDown(int i)
{
    Roster& rows = *sheet();
    if (i < 1 || static_cast<std::size_t>(i) + 1 >= rows.size())
        return;
    std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(i + 1)]);
    markModified();
}

void TForm1::SBaddClick() { appendRecord(); }
void TForm1::SBdelClick() { deleteRecord(currow); }

void TForm1::SBupClick()
{
    moveRecordUp(currow);
    repaintGrid();
}

void TForm1::SBdownClick()
{
    moveRecordDown(currow);
    repaintGrid();
}

void TForm1::BtnToolClick()
{
    if (!Form2)
        return;
    Form2->show();
    Form2->raise();
    Form2->activateWindow();
}

void TForm1::DrawGrid1KeyUp(int key, quint32 nativeVirtualKey, Qt::KeyboardModifiers)
{
    static const bool nativeKeysAreVirtualKeys = QGuiApplication::platformName() == QLatin1String("windows");
    if (key == Qt::Key_Home)
        appendRecord();
    else if (key == Qt::Key_Insert || (nativeKeysAreVirtualKeys && nativeVirtualKey == NATIVE_RESTORE_KEY))
        restoreRecord(currow);
    else if (key == Qt::Key_Delete)
        deleteRecord(currow);
}
