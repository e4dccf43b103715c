#pragma once
// The main window: the layout, the menus and the wiring between the roster
// document, the grid, its editors and the best-time strip. Other windows and the
// tests reach the document through Form1's rosterSheet.

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "platform/lazywidget.h"
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

    // The document: the roster, `currec`, `currow`, `deleted`, `lastfile` and the
    // best times, under those names; the one way to them.
    qvr::RosterSheet rosterSheet;
    int dispmode = 0; // the view, as the settings file numbers it
    std::string soundfile; // the sub tool's alarm sound, kept in the settings file

    // --- controls other windows and the tests reach ---
    qvr::DrawGrid* DrawGrid1 = nullptr;
    TBestStrip* Image1 = nullptr;
    std::vector<QPixmap> ImageList1; // the section emblems, at the window's pixel ratio
    QLineEdit* ME1 = nullptr;
    qvr::LazyWidget<QListWidget> LBID{[this]() -> QListWidget& { return idPicker(); }};
    // Hidden at start; made at its first use.
    qvr::LazyWidget<QPlainTextEdit> Memo1{[this]() -> QPlainTextEdit& { return memo(); }};
    QFrame* Panel4 = nullptr;
    QTabBar* PageControl1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SBadd = nullptr;
    QToolButton* SBdel = nullptr;
    QToolButton* SBup = nullptr;

    void setViewMode(int mode);
    // What the grid shows and reads, its editors and presses.
    qvr::RosterTable& table() { return *table_; }
    // The pictures the program draws itself, ImageList1 and Image1's, are made at the
    // window's device pixel ratio (first showing, a move to another screen).
    qreal pictureRatio() const { return pictureRatio_; }

    // --- file commands and the orderly end ---
    // The grid and the tab follow the loaded roster; a file that cannot be read
    // leaves everything as it was and is reported.
    void Load1Click();
    void Save1Click();
    void Import1Click();
    void Export1Click();
    void FormDestroy();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // One roster or version-2 file dropped on the window is opened as "Load" or
    // "Import-Ver2" would; any other drag is refused.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // --- layout ---
    void buildLayout();
    void buildTopBar(QWidget* central);
    void buildToolButtons();
    void buildGridPane(QWidget* central);
    QPlainTextEdit* buildMemo();
    QPlainTextEdit& memo();
    QListWidget& idPicker();
    void buildBottomBar(QWidget* central);
    void buildDialogs();
    void placeOnScreen();
    void connectGrid();
    void buildMenu();

    // --- settings and the orderly end ---
    void readSettings();
    void writeSettings();
    // Stores what is still being edited and, when the roster has unsaved changes,
    // writes it into the recovery folder; a failure there is silent.
    void keepUnsavedRoster();
    void loadRoster(const std::string& path);
    void storePendingMemo();
    void openStartFiles(const std::string& startFile);
    void openFile(const std::string& path);
    void importVer2File(const std::string& path);
    void RecoveryCopies1Click();
    // Export-CVS, Export-HTML, Export-XML: a file name, the memo still typed, the writer.
    template <typename Writer>
    void exportTo(const char* filter, Writer write);
    void N2Click();
    void Exit1Click();
    void Version1Click();

    // --- views and drawing ---
    qvr::ViewMode viewMode() const;
    QToolButton* viewButton(qvr::ViewMode view) const;
    // Commits an open edit under the old view first; if that fails, the pressed
    // button goes back to the view still shown.
    void switchView(qvr::ViewMode view);
    void SpeedButton6Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void DrawGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect);
    void drawBestStrip();
    void repaintGrid();
    // Re-makes the emblems and the strip picture when the window's ratio has changed,
    // the strip with what it showed.
    void updatePictureRatio();
    void sheetChanged(qvr::RosterSheet::Change change, int row);

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

    // --- the Edit menu ---
    void buildEditMenu();
    void undoClick();
    void redoClick();
    void stepHistory(void (qvr::RosterSheet::*step)());
    // The entries name what they undo and redo, disabled when there is nothing.
    void followHistory();
    // The tab shows the name of the file the roster came from.
    void showSheetName();

    // --- the rest of the design's controls ---
    QMenuBar* MainMenu1 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* SBdown = nullptr;
    QPushButton* BtnTool = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* Button5 = nullptr;
    QFrame* Panel3 = nullptr;
    QSplitter* Splitter1 = nullptr;
    qvr::OpenDialog* OpenDialog1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QButtonGroup* viewButtons = nullptr;

    // --- the history ---
    void connectHistory();
    void openHistory();

    qvr::RosterTable* table_ = nullptr;
    qvr::CellEditors* editors_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    qreal pictureRatio_ = 0; // the ratio ImageList1 and the strip picture were made at
    QPushButton* historyButton_ = nullptr;
    std::unique_ptr<qvr::HistoryStore> history_; // opened at its first use
    qvr::HistoryWindow* historyWindow_ = nullptr; // made at the first opening
};

extern TForm1* Form1;
