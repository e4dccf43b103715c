#pragma once
// The main window: the roster, the grid and its editors, the best-time strip,
// the file commands, and the state the other windows reach through Form1.

#include <QMainWindow>
#include <QImage>
#include <array>
#include <string>
#include <vector>

#include "roster/charrecord.h"
#include "roster/timevalue.h"

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

namespace qvr {
class DrawGrid;
class OpenDialog;
} // namespace qvr

// The strip below the grid; it shows an image that keeps its pixels until drawn again.
class TBestStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize SIZE{700, 28};  // logical pixels, whatever the device pixel ratio

    explicit TBestStrip(QWidget* parent = nullptr);
    // SIZE logical pixels at the ratio of the last setPixelRatio.
    QImage& picture() { return picture_; }
    // A new blank picture (the window colour) of SIZE at a device pixel ratio.
    void setPixelRatio(qreal ratio);
    QSize sizeHint() const override { return SIZE; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1();
    ~TForm1() override;

    // --- state other windows and the tests reach ---
    qvr::Roster roster;
    std::vector<qvr::Roster*> sheets;
    int cursheet = 0;
    qvr::Roster deleted;
    qvr::CharRecord* currec = nullptr;
    int curcol = 1;
    int currow = 1;
    int dispmode = 0;
    std::string lastfile;
    std::string soundfile;
    std::array<std::array<int, 30>, 3> colwidth{};
    std::array<std::array<std::string, 20>, 3> colhead{};
    qvr::BestTimes best;

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
    void SpeedButton6Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void DrawGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect);
    void drawCellText(QPainter& canvas, const QRect& rect, int alignment, const QString& text);
    void drawBestStrip();
    void repaintGrid();
    // The text a cell shows, empty for the emblem column; what DrawGrid1DrawCell writes.
    QString cellText(int col, int row) const;
    // What assistive technology reads for a cell: its text, the section ID's name for the emblem.
    QString cellReadText(int col, int row) const;
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
    bool editorOpen() const { return me1Open_; }

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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildMenu();
    void buildEditors();
    void openMe1(int col, const QRect& below);
    // Escape: the text the editor was opened with, still open.
    void restoreMe1();
    void openPicker(QListWidget* picker, int index, const QRect& below);
    void setGridRowCount();
    void paintBestStrip();
    bool closeEditorsBeforeClick();
    void refuseUncodableMemoText(int position, int added);
    void loadMemo(const QString& text);
    void storePendingMemo();
    qvr::Roster* sheet() { return sheets[static_cast<std::size_t>(cursheet)]; }
    const qvr::Roster* sheet() const { return sheets[static_cast<std::size_t>(cursheet)]; }

    bool me1Open_ = false;
    int me1Tag_ = 0;
    QString me1Opening_;   // the text the editor was opened with
    QString me1Loaded_;    // the same as the editor gives it back
    qvr::Roster retired_;  // the record currec held before a load, alive until the next click
    bool fixingMemo_ = false;
    QString memoLoaded_;   // the memo text as loaded, to keep bytes the editor cannot show
    qreal pictureRatio_ = 0;    // the ratio ImageList1 and the strip picture were made at
    int stripView_ = 0;         // the episode view the strip shows; the State view before the first
    qvr::BestTimes stripBest_;  // the values it shows
};

extern TForm1* Form1;
