// The main window's handlers of the grid, its editors, the views and the row
// buttons: each hands its event to the piece that does the work.

#include "app/tform1.h"

#include "subtool/tform2.h"
#include "view/celleditors.h"
#include "view/drawgrid.h"
#include "view/emblems.h"
#include "view/rostertable.h"

#include <QGuiApplication>
#include <QPainter>
#include <QToolButton>

using namespace qvr;

namespace {

// The key that some keyboards send for restoring, known only by its native code.
constexpr quint32 NATIVE_RESTORE_KEY = 0x8B;

} // namespace

// --- views and drawing ---

QToolButton* TForm1::viewButton(ViewMode view) const
{
    QToolButton* const buttons[] = {SpeedButton6, SpeedButton4, SpeedButton5};
    return buttons[dispmodeOf(view)];
}

void TForm1::switchView(ViewMode view)
{
    if (editorOpen()) {
        try {
            ME1Exit();
        } catch (...) {
            viewButton(viewMode())->setChecked(true);
            throw;
        }
    }
    setViewMode(dispmodeOf(view));
}

void TForm1::setViewMode(int mode)
{
    const ViewMode view = viewModeFrom(mode);
    dispmode = dispmodeOf(view);
    table_->setView(view);
    viewButton(view)->setChecked(true);
    DrawGrid1->setAccessibleDescription(viewButton(view)->text());
    drawBestStrip();
}

ViewMode TForm1::viewMode() const { return table_->view(); }

void TForm1::SpeedButton6Click() { switchView(ViewMode::State); }
void TForm1::SpeedButton4Click() { switchView(ViewMode::Ep1); }
void TForm1::SpeedButton5Click() { switchView(ViewMode::Ep2); }

void TForm1::repaintGrid() { table_->repaint(); }

void TForm1::DrawGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect)
{
    table_->drawCell(canvas, col, row, rect);
}

void TForm1::updatePictureRatio()
{
    const qreal ratio = devicePixelRatio();
    if (ratio == pictureRatio_)
        return;
    pictureRatio_ = ratio;
    ImageList1 = sectionEmblems(ratio);
    Image1->setPixelRatio(ratio);
    repaintGrid();
}

void TForm1::drawBestStrip() { Image1->showBest(viewMode(), rosterSheet.best); }

// --- editing ---

void TForm1::DrawGrid1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    table_->press(button, x, y);
}

void TForm1::ME1KeyDown(int key) { editors_->ME1KeyDown(key); }
void TForm1::ME1Exit() { editors_->ME1Exit(); }
void TForm1::LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button) { editors_->LBTypeMouseUp(sender, button); }
void TForm1::LBTypeExit(QListWidget* sender) { editors_->LBTypeExit(sender); }
void TForm1::Memo1Exit() { editors_->Memo1Exit(); }
void TForm1::selectRecord() { rosterSheet.selectRow(rosterSheet.currow); }
bool TForm1::editorOpen() const { return editors_->editorOpen(); }

void TForm1::SpeedButton1Click()
{
    memo(); // made before its pane shows, so the splitter gives it its designed room
    Panel4->setVisible(!Panel4->isVisible());
    SpeedButton1->setChecked(Panel4->isVisible());
}

// --- row operations ---

void TForm1::appendRecord() { rosterSheet.appendRecord(); }
void TForm1::deleteRecord(int i) { rosterSheet.deleteRecord(i); }
void TForm1::restoreRecord(int i) { rosterSheet.restoreRecord(i); }
void TForm1::moveRecordUp(int i) { rosterSheet.moveRecordUp(i); }
void TForm1::moveRecordDown(int i) { rosterSheet.moveRecordDown(i); }

void TForm1::SBaddClick() { appendRecord(); }
void TForm1::SBdelClick() { deleteRecord(rosterSheet.currow); }

void TForm1::SBupClick() { moveRecordUp(rosterSheet.currow); }
void TForm1::SBdownClick() { moveRecordDown(rosterSheet.currow); }

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
        restoreRecord(rosterSheet.currow);
    else if (key == Qt::Key_Delete)
        deleteRecord(rosterSheet.currow);
}
