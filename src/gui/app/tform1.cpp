#include "app/tform1.h"

#include "history/historychart.h"
#include "history/historystore.h"
#include "history/historywindow.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"
#include "platform/programpath.h"
#include "platform/qtext.h"
#include "platform/toggleaccessible.h"
#include "platform/windowfonts.h"
#include "roster/recovery.h"
#include "settings/profilefile.h"
#include "view/celleditors.h"
#include "view/drawgrid.h"
#include "view/emblems.h"
#include "view/rostertable.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <ctime>

using namespace qvr;

namespace {

template <typename W>
W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* panel(QWidget* parent, const char* name)
{
    auto* p = named(new QFrame(parent), name);
    p->setFrameShape(QFrame::StyledPanel);
    p->setFrameShadow(QFrame::Raised);
    return p;
}

// The tool buttons of the top bar. toggle: a button that stays pressed (a view
// button, the memo button). A button that shows a picture only is named by its hint.
struct ToolButtonDesign {
    QToolButton* TForm1::*button;
    QFrame* TForm1::*parent;
    const char* name;
    const char* caption;
    QRect geometry;
    bool toggle;
    void (TForm1::*click)();
};

} // namespace

TForm1::TForm1(const std::string& startFile)
{
    // 1. the window and its controls
    buildLayout();
    buildMenu();
    table_ = new RosterTable(
        rosterSheet, *DrawGrid1, *Panel3, [this] { return buildMemo(); }, ImageList1);
    editors_ = &table_->editors();
    // The emblems and the strip picture at the ratio of the screen the window is placed on.
    updatePictureRatio();
    ME1 = editors_->ME1;
    rosterSheet.setListener([this](RosterSheet::Change change, int row) { sheetChanged(change, row); });
    connectHistory();

    // 4. settings
    readSettings();

    // 7. the roster file named on the command line, else the last saved one
    openStartFiles(startFile);
    // The roster the program starts with is where undoing stops.
    rosterSheet.forgetHistory();
    followHistory();

    // 8. column widths of the 18 designed columns, from the view the settings name
    for (int c = 0; c < DrawGrid1->colCount(); ++c)
        DrawGrid1->setColWidth(c, colwidth(viewModeFrom(dispmode), c));

    // 9. the view
    setViewMode(dispmode);

    // 10, 11. best times and the strip
    rosterSheet.recomputeBest();
}

TForm1::~TForm1() { rosterSheet.setJournal(nullptr); }

void TForm1::buildLayout()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("QVR Utility ver3"));
    setFont(mainWindowFont());
    resize(880, 413);
    setAcceptDrops(true);

    auto* central = named(new QWidget(this), "Form1Client");
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    setCentralWidget(central);
    buildTopBar(central);
    buildGridPane(central);
    buildBottomBar(central);
    outer->addWidget(Panel1);
    outer->addWidget(Panel3, 1);
    outer->addWidget(Panel2);
    buildDialogs();
    placeOnScreen();
    connectGrid();
}

// The top bar: the view buttons, the memo button, the row buttons and the sub tool's.
void TForm1::buildTopBar(QWidget* central)
{
    Panel1 = panel(central, "Panel1");
    Panel1->setFixedHeight(25);
    QFont bold = font();
    bold.setBold(true);
    Panel1->setFont(bold);
    Panel5 = named(new QFrame(Panel1), "Panel5");
    Panel5->setGeometry(0, 0, 217, 25);
    Panel5->setToolTip(QStringLiteral("View Style"));
    Label1 = named(new QLabel(QStringLiteral("View"), Panel5), "Label1");
    Label1->setGeometry(4, 5, 36, 14);
    buildToolButtons();
    viewButtons = new QButtonGroup(this);
    viewButtons->setObjectName(QStringLiteral("ViewGroup"));
    viewButtons->setExclusive(true);
    for (QToolButton* b : {SpeedButton6, SpeedButton4, SpeedButton5})
        viewButtons->addButton(b);
    SpeedButton6->setChecked(true);
    // The view buttons take no focus; from the keyboard they are Ctrl+1, Ctrl+2, Ctrl+3.
    SpeedButton6->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    SpeedButton4->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    SpeedButton5->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    SpeedButton1->setIcon(memoIcon());
    SpeedButton1->setToolTip(QStringLiteral("MemoWindow on/off"));
    SpeedButton1->setAccessibleName(SpeedButton1->toolTip());
    // Only the "Down" hint is shown; the others are kept for accessibility tools.
    SBadd->setAccessibleDescription(QStringLiteral("Add"));
    SBdel->setAccessibleDescription(QStringLiteral("Delete"));
    SBup->setIcon(arrowIcon(true));
    SBup->setAccessibleName(QStringLiteral("Up"));
    SBdown->setIcon(arrowIcon(false));
    SBdown->setToolTip(QStringLiteral("Down"));
    SBdown->setAccessibleName(SBdown->toolTip());
    BtnTool = named(new QPushButton(QStringLiteral("SubTool"), Panel1), "BtnTool");
    BtnTool->setGeometry(328, 0, 65, 25);
    BtnTool->setFocusPolicy(Qt::NoFocus);
    connectGuarded(BtnTool, &QPushButton::clicked, this, [this] { BtnToolClick(); });
    historyButton_ = named(new QPushButton(QStringLiteral("History"), Panel1), "BtnHistory");
    historyButton_->setGeometry(396, 0, 65, 25);
    historyButton_->setFocusPolicy(Qt::NoFocus);
    historyButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
}

void TForm1::buildToolButtons()
{
    static const ToolButtonDesign buttons[] = {
        {&TForm1::SpeedButton6, &TForm1::Panel5, "SpeedButton6", "State", {42, 1, 39, 22}, true,
            &TForm1::SpeedButton6Click},
        {&TForm1::SpeedButton4, &TForm1::Panel5, "SpeedButton4", "EP1", {82, 1, 47, 22}, true,
            &TForm1::SpeedButton4Click},
        {&TForm1::SpeedButton5, &TForm1::Panel5, "SpeedButton5", "EP2", {128, 1, 49, 22}, true,
            &TForm1::SpeedButton5Click},
        {&TForm1::SpeedButton1, &TForm1::Panel5, "SpeedButton1", "", {184, 0, 23, 22}, true,
            &TForm1::SpeedButton1Click},
        {&TForm1::SBadd, &TForm1::Panel1, "SBadd", "+", {224, 0, 23, 22}, false, &TForm1::SBaddClick},
        {&TForm1::SBdel, &TForm1::Panel1, "SBdel", "-", {248, 0, 23, 22}, false, &TForm1::SBdelClick},
        {&TForm1::SBup, &TForm1::Panel1, "SBup", "", {272, 0, 23, 22}, false, &TForm1::SBupClick},
        {&TForm1::SBdown, &TForm1::Panel1, "SBdown", "", {296, 0, 23, 22}, false, &TForm1::SBdownClick},
    };
    for (const ToolButtonDesign& d : buttons) {
        auto* b = named(new QToolButton(this->*d.parent), d.name);
        if (d.toggle) {
            clickOnAccessibleToggle(b);
            b->setCheckable(true);
        }
        b->setText(QString::fromLatin1(d.caption));
        b->setGeometry(d.geometry);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        connectGuarded(b, &QToolButton::clicked, this, [this, click = d.click] { (this->*click)(); });
        this->*d.button = b;
    }
}

// The grid pane: tab strip, grid, memo pane; the editors float over the grid.
void TForm1::buildGridPane(QWidget* central)
{
    Panel3 = named(new QFrame(central), "Panel3");
    auto* paneLayout = new QVBoxLayout(Panel3);
    paneLayout->setContentsMargins(1, 0, 0, 0);
    paneLayout->setSpacing(0);
    PageControl1 = named(new QTabBar(Panel3), "PageControl1");
    PageControl1->addTab(QStringLiteral("Sheet1"));
    PageControl1->setTabData(0, QStringLiteral("TabSheet1"));
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { width: 150px; height: 20px; }"));
    PageControl1->setFixedHeight(24);
    PageControl1->setFocusPolicy(Qt::NoFocus);
    PageControl1->setExpanding(false);
    paneLayout->addWidget(PageControl1);

    Splitter1 = named(new QSplitter(Qt::Vertical, Panel3), "Splitter1");
    Splitter1->setHandleWidth(8);
    Splitter1->setChildrenCollapsible(false);
    DrawGrid1 = named(new DrawGrid(Splitter1), "DrawGrid1");
    DrawGrid1->setFont(gridFont());
    DrawGrid1->setAccessibleName(QStringLiteral("Roster"));
    DrawGrid1->setColCount(18);
    DrawGrid1->setRowCount(3);
    Panel4 = named(new QFrame(Splitter1), "Panel4");
    (new QVBoxLayout(Panel4))->setContentsMargins(0, 0, 0, 0);
    Splitter1->addWidget(DrawGrid1);
    Splitter1->addWidget(Panel4);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({200, 127});
    Panel4->hide();
    paneLayout->addWidget(Splitter1, 1);
}

// The memo pane's box, made at its first use: the pane is hidden at start, and
// the box lays out a document and posts events for its five widgets when made.
QPlainTextEdit* TForm1::buildMemo()
{
    auto* memo = named(new QPlainTextEdit(Panel4), "Memo1");
    memo->setPlainText(QStringLiteral("Memo1"));
    memo->setAccessibleName(QStringLiteral("Memo"));
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTabChangesFocus(true);
    Panel4->layout()->addWidget(memo);
    memo->show(); // shown with its pane, which may be shown already
    // Tab leaves the grid for the memo box, as if it had been made with the window.
    setTabOrder(DrawGrid1, memo);
    return memo;
}

QPlainTextEdit& TForm1::memo() { return editors_->memo(); }
QListWidget& TForm1::idPicker() { return *editors_->LBID; }

// The bottom bar with the best-time strip.
void TForm1::buildBottomBar(QWidget* central)
{
    Panel2 = panel(central, "Panel2");
    Panel2->setFixedHeight(30);
    Button5 = named(new QPushButton(QStringLiteral("BestLap"), Panel2), "Button5");
    Button5->setGeometry(2, 2, 65, 25);
    Button5->setFocusPolicy(Qt::NoFocus);
    Image1 = named(new TBestStrip(Panel2), "Image1");
    Image1->move(72, 0);
}

void TForm1::buildDialogs()
{
    OpenDialog1 = named(new OpenDialog(this), "OpenDialog1");
    OpenDialog1->defaultExt = QStringLiteral("pd3");
    OpenDialog1->fileName = QStringLiteral("qvrutl");
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    PopupMenu1->addAction(QStringLiteral("Add"))->setObjectName(QStringLiteral("Add1"));
    PopupMenu1->addAction(QStringLiteral("Delete"))->setObjectName(QStringLiteral("Delete1"));
}

// Where the window was designed, kept on the screen.
void TForm1::placeOnScreen()
{
    move(498, 713);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect avail = screen->availableGeometry();
        QRect frame(QPoint(498, 713), QSize(880, 413));
        if (!avail.contains(frame)) {
            frame.moveRight(std::min(frame.right(), avail.right()));
            frame.moveBottom(std::min(frame.bottom(), avail.bottom() - 40));
            frame.moveLeft(std::max(frame.left(), avail.left()));
            frame.moveTop(std::max(frame.top(), avail.top()));
            move(frame.topLeft());
        }
    }
}

void TForm1::connectGrid()
{
    connectGuarded(DrawGrid1, &DrawGrid::mouseDown, this,
        [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) { DrawGrid1MouseDown(b, m, x, y); });
    connectGuarded(DrawGrid1, &DrawGrid::keyUp, this,
        [this](int key, quint32 native, Qt::KeyboardModifiers m) { DrawGrid1KeyUp(key, native, m); });
    DrawGrid1->setDrawCell(
        [this](QPainter& p, int c, int r, const QRect& rect) { guard([&] { DrawGrid1DrawCell(p, c, r, rect); }); });
}

void TForm1::buildMenu()
{
    MainMenu1 = named(new QMenuBar(this), "MainMenu1");
    setMenuBar(MainMenu1);
    struct Entry {
        const char* name;
        const char* caption;
        void (TForm1::*handler)();
        QKeySequence shortcut{};
    };
    // A menu caption's "&" marks its Alt key; the caption shows without it.
    auto addMenu = [this](const char* name, const char* caption, std::initializer_list<Entry> entries) {
        QMenu* menu = named(MainMenu1->addMenu(QString::fromLatin1(caption)), name);
        for (const Entry& e : entries) {
            QAction* a = menu->addAction(QString::fromUtf8(e.caption));
            a->setObjectName(QString::fromLatin1(e.name));
            a->setShortcut(e.shortcut);
            if (e.handler)
                connectGuarded(a, &QAction::triggered, this, [this, h = e.handler] { (this->*h)(); });
        }
    };
    addMenu("File1", "&File",
        {{"Load1", "Load", &TForm1::Load1Click, QKeySequence(Qt::CTRL | Qt::Key_O)},
            {"Save1", "Save", &TForm1::Save1Click, QKeySequence(Qt::CTRL | Qt::Key_S)}, {"N1", "-----", nullptr},
            {"Import1", "Import-Ver2", &TForm1::Import1Click}, {"Export1", "Export-CVS", &TForm1::Export1Click},
            {"N2", "Export-HTML", &TForm1::N2Click}, {"Exit1", "Export-XML", &TForm1::Exit1Click},
            {"N3", "-----", nullptr}, {"Recovery1", "Recovery copies…", &TForm1::RecoveryCopies1Click}});
    addMenu("Edit1", "&Edit",
        {{"Undo1", "Undo", &TForm1::undoClick, QKeySequence(Qt::CTRL | Qt::Key_Z)},
            {"Redo1", "Redo", &TForm1::redoClick, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}});
    buildEditMenu();
    addMenu("Option1", "&Option", {{"Version1", "Option", &TForm1::Version1Click}});
}

bool TForm1::event(QEvent* event)
{
    const bool handled = QMainWindow::event(event);
    switch (event->type()) {
    case QEvent::Show: // the window now has the screen it is shown on
    case QEvent::ScreenChangeInternal: // Qt 6.4 sends this to each widget when the window moves to another screen
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    case QEvent::DevicePixelRatioChange: // the ratio changed, on the same screen or another one
#endif
        updatePictureRatio();
        break;
    default: break;
    }
    return handled;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program, whatever other windows show.
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && this == Form1)
        QCoreApplication::quit();
}

void TForm1::readSettings()
{
    MainSettings s = readMainSettings(programSettingsPath());
    soundfile = s.soundfile;
    rosterSheet.lastfile = s.lastfile;
    dispmode = s.dispmode;
}

void TForm1::writeSettings()
{
    writeMainSettings(programSettingsPath(), MainSettings{soundfile, rosterSheet.lastfile, dispmode});
}

void TForm1::FormDestroy()
{
    guard([this] { writeSettings(); });
    try {
        keepUnsavedRoster();
    } catch (const Error&) {
        // The copy is the last try to keep the work; at the end nobody would see a report.
    }
    rosterSheet.releaseRecords();
}

// The one place where the window follows the document.
void TForm1::sheetChanged(RosterSheet::Change change, int /*row*/)
{
    table_->follow(change);
    if (change == RosterSheet::Change::BestTimes)
        drawBestStrip();
    if (change == RosterSheet::Change::Rows)
        showSheetName();
    followHistory();
}

// The history records every value committed; its file is opened at the first
// commit or the first opening of the window, never at start-up.
void TForm1::connectHistory()
{
    history_ = std::make_unique<HistoryStore>(programHistoryPath());
    history_->setFaultReport([this](const std::string& message) {
        // Told inside a commit: the report waits until the commit has returned.
        QTimer::singleShot(0, this, [text = QString::fromStdString(message)] { showErrorReport(text); });
    });
    history_->setListener([this] {
        if (historyWindow_)
            historyWindow_->follow();
    });
    rosterSheet.setJournal(history_.get());
    connectGuarded(historyButton_, &QPushButton::clicked, this, [this] { openHistory(); });
}

void TForm1::openHistory()
{
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(
            rosterSheet, *history_, *OpenDialog1, [this] { return viewMode(); }, programModulePath(HISTORY_CHART_FILE),
            this);
        const auto follow = [this] { historyWindow_->follow(); };
        connect(DrawGrid1, &DrawGrid::mouseDown, historyWindow_, follow);
        connect(viewButtons, &QButtonGroup::buttonToggled, historyWindow_, follow);
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void TForm1::keepUnsavedRoster()
{
    editors_->storePendingEdits();
    if (rosterSheet.modified())
        writeRecoveryCopy(rosterSheet.roster, recoveryFolder(), std::time(nullptr));
}

void TForm1::loadRoster(const std::string& path)
{
    // Unsaved work that the load replaces is kept as closing keeps it; when it
    // cannot be kept, the roster is not replaced.
    rosterSheet.load(path, [this] { keepUnsavedRoster(); });
}

void TForm1::showSheetName()
{
    const std::string& path = rosterSheet.loadedFile();
    const QString name = path.empty() ? QStringLiteral("Sheet1") : QFileInfo(fromNativePath(path)).fileName();
    if (PageControl1->tabText(0) != name)
        PageControl1->setTabText(0, name);
}
