#pragma once
// The main window: the layout, the menus and the wiring between the roster
// document, the grid, its editors and the best-time strip. Other windows and the
// tests reach the document's state through Form1 under its own names.

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "roster/rostersheet.h"
#include "view/beststrip.h"
#include "view/gridcells.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabBar;
class QToolButton;
class QButtonGroup;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

namespace qvr {
class CellEditors;
class HistoryStore;
class HistoryWindow;
class DrawGrid;
class OpenDialog;
class RosterTable;
} // namespace qvr

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // startFile: a file named on the command line. A roster file is loaded instead
    // of the one saved last, a version-2 file is imported into that one.
    explicit TForm1(const std::string& startFile = {});
    ~TForm1() override;

    // --- the document, and its state under the names the other windows use ---
    qvr::RosterSheet rosterSheet;
    qvr::Roster& roster = rosterSheet.roster;
    qvr::Roster& deleted = rosterSheet.deleted;
    qvr::CharRecord*& currec = rosterSheet.currec;
    int& currow = rosterSheet.currow;
    std::string& lastfile = rosterSheet.lastfile;
    qvr::BestTimes& best = rosterSheet.best;
    std::vector<qvr::Roster*> sheets;
    int cursheet = 0;

    // --- the window's own state ---
    int curcol = 1;
    int dispmode = 0;
    std::string soundfile;
    std::array<std::array<int, 30>, 3> colwidth{};
    std::array<std::array<std::string, 20>, 3> colhead{};

    // --- controls ---
    QMenuBar* MainMenu1 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SBadd = nullptr;
    QToolButton* SBdel = nullptr;
    QToolButton* SBup = nullptr;
    QToolButton* SBdown = nullptr;
    QPushButton* BtnTool = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* Button5 = nullptr;
    TBestStrip* Image1 = nullptr;
    QFrame* Panel3 = nullptr;
    QTabBar* PageControl1 = nullptr;
    qvr::DrawGrid* DrawGrid1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QListWidget* LBID = nullptr;
    QListWidget* LBType = nullptr;
    QLineEdit* ME1 = nullptr;
    qvr::OpenDialog* OpenDialog1 = nullptr;
    std::vector<QPixmap> ImageList1;
    QMenu* PopupMenu1 = nullptr;
    QButtonGroup* viewButtons = nullptr;

    // --- settings ---
    void readSettings();
    void writeSettings();
    void FormDestroy();
    // Stores what is still being edited and, when the roster has unsaved changes,
    // writes it into the recovery folder; a failure there is silent.
    void keepUnsavedRoster();

    // --- roster file ---
    // The grid and the tab follow the loaded roster; a file that cannot be read
    // leaves everything as it was and is reported (a missing one only when asked).
    void loadRoster(const std::string& path, bool reportMissing = true);
    void Load1Click();
    void Save1Click();

    // --- interchange ---
    void Import1Click();
    void Export1Click();
    void N2Click();
    void Exit1Click();
    void Version1Click();

    // --- views and drawing ---
    void setViewMode(int mode);
    qvr::ViewMode viewMode() const;
    void SpeedButton6Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void DrawGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect);
    void drawBestStrip();
    void repaintGrid();
    // What the grid shows and reads, its editors and presses.
    qvr::RosterTable& table() { return *table_; }
    // The pictures the program draws itself, ImageList1 and Image1's, are made at the
    // window's device pixel ratio; this re-makes them when that ratio has changed
    // (first showing, a move to another screen), the strip with what it showed.
    void updatePictureRatio();
    qreal pictureRatio() const { return pictureRatio_; }

    // --- editing ---
    void DrawGrid1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void ME1KeyDown(int key);
    void ME1Exit();
    void LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button);
    void LBTypeExit(QListWidget* sender);
    void Memo1Exit();
    void SpeedButton1Click();
    void selectRecord();
    bool editorOpen() const;

    // --- row operations ---
    void appendRecord();
    void deleteRecord(int i);
    void restoreRecord(int i);
    void moveRecordUp(int i);
    void moveRecordDown(int i);
    void SBaddClick();
    void SBdelClick();
    void SBupClick();
    void SBdownClick();
    void BtnToolClick();
    void DrawGrid1KeyUp(int key, quint32 nativeVirtualKey, Qt::KeyboardModifiers shift);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // One roster or version-2 file dropped on the window is opened as "Load" or
    // "Import-Ver2" would; any other drag is refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildLayout();
    void buildMenu();
    void fillColumnTables();
    void sheetChanged(qvr::RosterSheet::Change change, int row);
    void storePendingMemo();
    void connectHistory();
    void openHistory();
    void openStartFiles(const std::string& startFile);
    void openFile(const std::string& path);
    void importVer2File(const std::string& path, bool reportMissing);
    void RecoveryCopies1Click();
    qvr::Roster* sheet() { return sheets[static_cast<std::size_t>(cursheet)]; }
    const qvr::Roster* sheet() const { return sheets[static_cast<std::size_t>(cursheet)]; }

    qvr::RosterTable* table_ = nullptr;
    qvr::CellEditors* editors_ = nullptr;
    qreal pictureRatio_ = 0; // the ratio ImageList1 and the strip picture were made at
    QPushButton* historyButton_ = nullptr;
    std::unique_ptr<qvr::HistoryStore> history_; // opened at its first use
    qvr::HistoryWindow* historyWindow_ = nullptr; // made at the first opening
};

extern TForm1* Form1;
