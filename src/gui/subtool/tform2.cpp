#include "subtool/tform2.h"

#include "platform/alarm.h"
#include "platform/designedwindow.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"
#include "platform/qtext.h"
#include "roster/charrecord.h"
#include "roster/timevalue.h"
#include "subtool/sectionid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

using qvr::designWindow;
using qvr::fitOuterSize;
using qvr::place;

namespace {

constexpr QSize OUTER_SIZE{204, 214};
constexpr QPoint DESIGN_PLACE{480, 908};
constexpr std::size_t NAME_LIMIT_BYTES = 12;

QFrame* panel(const char* name, QWidget* parent)
{
    auto* p = new QFrame(parent);
    p->setObjectName(QLatin1String(name));
    p->setFrameShape(QFrame::NoFrame);
    return p;
}

// A loudspeaker sending out sound waves, in the colours of the 16-colour palette,
// 20 x 20 logical pixels drawn at the given device pixel ratio.
QPixmap loudspeaker(int ratio)
{
    QPixmap pm(20 * ratio, 20 * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, ratio > 1);
    p.setPen(Qt::black);
    p.setBrush(Qt::darkGray);
    p.drawRect(2, 7, 3, 5);
    p.setBrush(Qt::lightGray);
    const QPoint cone[] = {{5, 7}, {9, 3}, {9, 16}, {5, 12}};
    p.drawPolygon(cone, 4);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::darkBlue, 1));
    // Arcs of growing radius round the cone's mouth, each spanning 100 degrees.
    for (int r : {3, 6, 9}) {
        const QRect box(9 - r, 10 - r, 2 * r, 2 * r);
        p.drawArc(box, -50 * 16, 100 * 16);
    }
    return pm;
}

} // namespace

// Accepts the program's own texts, any edit that shortens the text, and typing
// up to the limit. The toolkit validates every change (setText included) and stops
// refusing edits once it has seen one invalid text, so a program text must pass.
class TMaskEdit::LimitValidator : public QValidator {
public:
    explicit LimitValidator(QObject* parent) : QValidator(parent) { }

    State validate(QString& input, int& /*pos*/) const override
    {
        if (programText || input.size() <= TYPED_LIMIT || input.size() < previous)
            return Acceptable;
        return Invalid;
    }

    bool programText = false;
    qsizetype previous = 0;
};

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent), limit_(new LimitValidator(this))
{
    setValidator(limit_);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { limit_->previous = t.size(); });
}

void TMaskEdit::setText(const QString& text)
{
    limit_->programText = true;
    QLineEdit::setText(text);
    limit_->programText = false;
}

TForm2::TForm2(const std::string& soundfile, qvr::AlarmPlayer* player, QWidget* parent)
    : QWidget(parent, Qt::Tool), alarmfile(soundfile)
{
    if (!player) {
        ownPlayer_ = std::make_unique<qvr::LazySoundAlarmPlayer>();
        player = ownPlayer_.get();
    }
    player_ = player;

    designWindow(*this, "Form2", QStringLiteral("Timer"), OUTER_SIZE);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel1 = new QLabel(QStringLiteral("Sub Tool"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFixedHeight(25);
    column->addWidget(Panel1);

    buildTimer(column);
    buildChecker(column);
    buildHelpers();
    nameForReaders();
    connectHandlers();
}

void TForm2::buildTimer(QBoxLayout* column)
{
    Panel2 = panel("Panel2", this);
    Panel2->setFixedHeight(65);
    column->addWidget(Panel2);
    GroupBox2 = place(new QGroupBox(QStringLiteral("MAG Timer"), Panel2), "GroupBox2", 2, 0, 191, 65);

    MaskEdit1 = place(new TMaskEdit(GroupBox2), "MaskEdit1", 8, 16, 57, 20);
    QFont bold = font();
    bold.setBold(true);
    MaskEdit1->setFont(bold);
    MaskEdit1->setText(QStringLiteral("3:45"));

    CRep = place(new QCheckBox(GroupBox2), "CRep", 72, 18, 17, 17);
    Label1 = new QLabel(QStringLiteral("Rep"), GroupBox2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(88, 19);
    Label1->adjustSize();

    Button1 = place(new QPushButton(QStringLiteral("Start"), GroupBox2), "Button1", 112, 16, 41, 22);

    SpeedButton1 = place(new QToolButton(GroupBox2), "SpeedButton1", 162, 16, 24, 22);
    // Sharp on screens of ratio 1 to 3: the icon picks the picture that fits.
    QIcon speaker;
    for (int ratio : {1, 2, 3})
        speaker.addPixmap(loudspeaker(ratio));
    SpeedButton1->setIcon(speaker);
    SpeedButton1->setIconSize(QSize(20, 20));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);

    ProgBar1 = place(new QProgressBar(GroupBox2), "ProgBar1", 8, 40, 169, 17);
    ProgBar1->setRange(0, 100);
    ProgBar1->setValue(0);
    ProgBar1->setTextVisible(false);
}

void TForm2::buildChecker(QBoxLayout* column)
{
    Panel3 = panel("Panel3", this);
    column->addWidget(Panel3, 1);
    GroupBox1 = place(new QGroupBox(QStringLiteral("ID Checker"), Panel3), "GroupBox1", 2, 0, 193, 89);

    Edit1 = place(new QLineEdit(GroupBox1), "Edit1", 8, 16, 177, 20);
    Edit1->setValidator(new qvr::Cp932Validator(NAME_LIMIT_BYTES, Edit1));
    Edit2 = place(new QLineEdit(QStringLiteral("Resoult"), GroupBox1), "Edit2", 72, 40, 113, 20);
    CBB = place(new QCheckBox(QStringLiteral("QVRNX"), GroupBox1), "CBB", 8, 64, 65, 17);
    CBType = place(new QComboBox(GroupBox1), "CBType", 72, 64, 113, 20);
    CBType->setEditable(false);
    CBType->addItems({QStringLiteral("HUmar"), QStringLiteral("HUneweal"), QStringLiteral("HUcast"),
        QStringLiteral("RAmar"), QStringLiteral("RAcast"), QStringLiteral("RAcaseal"), QStringLiteral("FOnewm"),
        QStringLiteral("FOmarl"), QStringLiteral("FOnewearl"), QStringLiteral("HUcaseal"), QStringLiteral("FOmar"),
        QStringLiteral("RAmarl")});
    CBType->setCurrentIndex(-1);
}

// The timer, the sound file dialog and the order of the Tab key.
void TForm2::buildHelpers()
{
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    OpenDialog3 = new qvr::OpenDialog(this);
    OpenDialog3->setObjectName(QStringLiteral("OpenDialog3"));
    OpenDialog3->filter = QStringLiteral("Sound|*.wav");
    OpenDialog3->defaultExt = QStringLiteral("wav");
    OpenDialog3->fileName = QStringLiteral("default.wav");

    setTabOrder(Button1, CRep);
    setTabOrder(CRep, MaskEdit1);
    setTabOrder(MaskEdit1, Edit1);
    setTabOrder(Edit1, CBB);
    setTabOrder(CBB, Edit2);
    setTabOrder(Edit2, CBType);
}

// Without names of their own, boxes inside a group are read by the group's title.
void TForm2::nameForReaders()
{
    MaskEdit1->setAccessibleName(QStringLiteral("Length"));
    CRep->setAccessibleName(Label1->text());
    SpeedButton1->setAccessibleName(QStringLiteral("Sound"));
    Edit1->setAccessibleName(QStringLiteral("Name"));
    Edit2->setAccessibleName(QStringLiteral("Result"));
    CBB->setAccessibleName(CBB->text());
    CBType->setAccessibleName(QStringLiteral("Class"));
}

void TForm2::connectHandlers()
{
    // CBB and CBType have no handlers: a new choice counts from the next name change.
    qvr::connectGuarded(Button1, &QPushButton::clicked, this, [this](auto&&...) { Button1Click(); });
    qvr::connectGuarded(Timer1, &QTimer::timeout, this, [this](auto&&...) { Timer1Timer(); });
    qvr::connectGuarded(SpeedButton1, &QToolButton::clicked, this, [this](auto&&...) { SpeedButton1Click(); });
    qvr::connectGuarded(Edit1, &QLineEdit::textChanged, this, [this](auto&&...) { Edit1Change(); });
}

TForm2::~TForm2() = default;

void TForm2::placeBeside(const QWidget* main)
{
    QPoint at = DESIGN_PLACE;
    QScreen* screen = nullptr;
    if (main) {
        const QRect frame = main->frameGeometry();
        at = QPoint(frame.right() + 1, frame.top());
        screen = main->screen();
    }
    if (QScreen* under = QGuiApplication::screenAt(at))
        screen = under;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    // A place off the screen would leave the window out of reach.
    if (screen) {
        const QRect avail = screen->availableGeometry();
        const QSize outer = isVisible() ? frameGeometry().size() : OUTER_SIZE;
        at.setX(std::clamp(at.x(), avail.left(), std::max(avail.left(), avail.right() + 1 - outer.width())));
        at.setY(std::clamp(at.y(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - outer.height())));
    }
    move(at);
}

void TForm2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous() || sized_)
        return;
    // Once only: after that the size is the user's.
    sized_ = true;
    fitOuterSize(*this, OUTER_SIZE);
}

void TForm2::Button1Click()
{
    if (Timer1->isActive()) {
        // The count, the bar and the text stay; a sound that plays goes on.
        Timer1->stop();
        Button1->setText(QStringLiteral("START"));
        return;
    }
    // Only the ASCII digits of the text count, and they are the same bytes in any
    // 8-bit form of it. A text without digits throws before anything changes.
    const std::int32_t length = qvr::textToTime(MaskEdit1->text().toStdString());
    timerlength = length;
    MaskEdit1->setText(qvr::fromLatin1View(qvr::timeToText(timerlength)));
    // A range of 0..0 would show the toolkit's busy animation; a zero length keeps an empty bar.
    ProgBar1->setMaximum(std::max(timerlength, std::int32_t{1}));
    ProgBar1->setValue(0);
    timerelapsed = 0;
    Timer1->start();
    Button1->setText(QStringLiteral("STOP!"));
}

void TForm2::Timer1Timer()
{
    // Counts ticks, never the clock: a late tick delays the alarm.
    ++timerelapsed;
    if (timerelapsed < timerlength) {
        ProgBar1->setValue(timerelapsed);
        ProgBar1->repaint();
        return;
    }
    // The bar is left at timerlength - 1: it never shows full.
    player_->play(alarmfile);
    if (CRep->isChecked()) {
        timerelapsed = 0;
        return;
    }
    Timer1->stop();
    Button1->setText(QStringLiteral("START"));
}

void TForm2::SpeedButton1Click()
{
    // The choice lasts until the program ends; the settings keep their own file.
    if (OpenDialog3->execute(this))
        alarmfile = qvr::toNativePath(OpenDialog3->fileName);
}

void TForm2::Edit1Change()
{
    const QString text = Edit1->text();
    if (text.isEmpty())
        return; // the last result stays
    const std::optional<std::string> name = qvr::toCp932(text);
    if (!name)
        return; // only a text set past the validator can hold what the code page cannot
    const int r = qvr::nameToSectionId(*name, CBB->isChecked(), CBType->currentIndex());
    Edit2->setText(qvr::fromLatin1View(qvr::SECTION_ID_NAMES[static_cast<std::size_t>(r)]));
}
