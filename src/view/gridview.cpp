// The grid's three views, the drawing of its cells and of the best-time strip.

#include "app/tform1.h"

#include "platform/qtext.h"
#include "view/drawgrid.h"
#include "view/emblems.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QtMath>
#include <algorithm>

using namespace qvr;

namespace {

constexpr int VIEW_STATE = 0;
constexpr int VIEW_EP1 = 1;
constexpr int VIEW_EP2 = 2;
constexpr int ALIGN_CENTER = 1;
constexpr int ALIGN_RIGHT = 2;
constexpr int STRIP_BOX = 70;

const char* const COMMON_HEADS[] = {"No", "L", "C", "Name", "ID", "Type"};
const char* const STATE_HEADS[] = {"Lv", "HP", "TP", "DEF", "STR", "MIND", "EVE", "DEX", "LUK"};

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int columnsOf(int view)
{
    return view == VIEW_EP1 ? 16 : view == VIEW_EP2 ? 12 : 15;
}

QString headerText(int view, int col)
{
    if (col < 6)
        return QString::fromLatin1(COMMON_HEADS[col]);
    const int i = col - 6;
    switch (view) {
    case VIEW_EP1:
        if (i < EP1_STAGES)
            return QStringLiteral("C%1").arg(i + 1);
        return i == EP1_STAGES ? QStringLiteral("TOTAL") : QString();
    case VIEW_EP2:
        if (i < EP2_STAGES)
            return QStringLiteral("C%1").arg(i + 1);
        return i == EP2_STAGES ? QStringLiteral("TOTAL") : QString();
    default:
        return i < 9 ? QString::fromLatin1(STATE_HEADS[i]) : QString();
    }
}

// A dotted outline made by inverting every other pixel, as a focus rectangle is drawn.
// The rectangle and its dots are in logical pixels: at a device pixel ratio above 1
// each dot is the block of device pixels that one logical pixel covers.
void invertDottedFrame(QImage& image, const QRect& r)
{
    const qreal ratio = image.devicePixelRatio();
    auto flip = [&](int x, int y) {
        if (x < 0 || y < 0 || ((x + y) & 1))
            return;
        const int top = qFloor(y * ratio);
        const int bottom = std::min(qFloor((y + 1) * ratio), image.height());  // exclusive
        const int left = qFloor(x * ratio);
        const int right = std::min(qFloor((x + 1) * ratio), image.width());
        for (int dy = top; dy < bottom; ++dy) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(dy));
            for (int dx = left; dx < right; ++dx)
                line[dx] = (~line[dx] & 0x00FFFFFF) | 0xFF000000;
        }
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        flip(x, r.top());
        flip(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        flip(r.left(), y);
        flip(r.right(), y);
    }
}

} // namespace

void TForm1::setViewMode(int mode)
{
    const int view = (mode == VIEW_EP1 || mode == VIEW_EP2) ? mode : VIEW_STATE;
    DrawGrid1->setColCount(columnsOf(view));
    dispmode = view;
    QToolButton* button = view == VIEW_EP1 ? SpeedButton4 : view == VIEW_EP2 ? SpeedButton5 : SpeedButton6;
    button->setChecked(true);
    DrawGrid1->setAccessibleDescription(button->text());
    // Hidden without a commit: the callers commit first when they mean to.
    me1Open_ = false;
    ME1->hide();
    repaintGrid();
    drawBestStrip();
}

namespace {
// A view button commits an open edit under the old view first; if that fails,
// its pressed look goes back to the view still shown.
void switchView(TForm1& form, int mode)
{
    if (form.editorOpen()) {
        try {
            form.ME1Exit();
        } catch (...) {
            QToolButton* shown = form.dispmode == VIEW_EP1   ? form.SpeedButton4
                                 : form.dispmode == VIEW_EP2 ? form.SpeedButton5
                                                             : form.SpeedButton6;
            shown->setChecked(true);
            throw;
        }
    }
    form.setViewMode(mode);
}
} // namespace

void TForm1::SpeedButton6Click() { switchView(*this, VIEW_STATE); }
void TForm1::SpeedButton4Click() { switchView(*this, VIEW_EP1); }
void TForm1::SpeedButton5Click() { switchView(*this, VIEW_EP2); }

void TForm1::repaintGrid()
{
    DrawGrid1->cellsChanged();
}

QString TForm1::cellText(int col, int row) const
{
    if (row == 0)
        return headerText(dispmode, col);
    const Roster& rows = *sheet();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
        return {};
    const CharRecord& rec = *rows[static_cast<std::size_t>(row)];
    switch (col) {
    case 0:
        return QString::number(row);
    case 1:
        return rec.lock ? QStringLiteral("x") : QString();
    case 2:
        return rec.nocount ? QStringLiteral("x") : QString();
    case 3:
        return fromCp932(rec.nameText());
    case 4:
        return {};
    case 5:
        if (rec.wtype >= 0 && rec.wtype < static_cast<int>(CLASS_NAMES.size()))
            return latin1(CLASS_NAMES[static_cast<std::size_t>(rec.wtype)]);
        return {};
    default:
        break;
    }
    const auto i = static_cast<std::size_t>(col - 6);
    switch (dispmode) {
    case VIEW_EP1:
        return i <= EP1_TOTAL ? QString::fromLatin1(timeToText(rec.ep1time[i])) : QString();
    case VIEW_EP2:
        return i <= EP2_TOTAL ? QString::fromLatin1(timeToText(rec.ep2time[i])) : QString();
    default:
        return i < 9 ? QString::number(rec.status[i]) : QString();
    }
}

QString TForm1::cellReadText(int col, int row) const
{
    if (row > 0 && col == 4 && static_cast<std::size_t>(row) < sheet()->size()) {
        const int id = (*sheet())[static_cast<std::size_t>(row)]->id;
        if (id >= 0 && static_cast<std::size_t>(id) < SECTION_ID_NAMES.size())
            return latin1(SECTION_ID_NAMES[static_cast<std::size_t>(id)]);
        return {};
    }
    return cellText(col, row);
}

void TForm1::DrawGrid1DrawCell(QPainter& canvas, int col, int row, const QRect& rect)
{
    if (row < 0 || static_cast<std::size_t>(row) >= sheet()->size())
        return;
    if (row > 0 && col == 4) {
        const int id = (*sheet())[static_cast<std::size_t>(row)]->id;
        if (id >= 0 && static_cast<std::size_t>(id) < ImageList1.size())
            canvas.drawPixmap(rect.topLeft(), ImageList1[static_cast<std::size_t>(id)]);
        return;
    }
    const bool right = row > 0 && col >= 6 && dispmode == VIEW_STATE;
    drawCellText(canvas, rect, right ? ALIGN_RIGHT : ALIGN_CENTER, cellText(col, row));
}

void TForm1::drawCellText(QPainter& canvas, const QRect& rect, int alignment, const QString& text)
{
    if (text.isEmpty())
        return;
    const QFontMetrics fm(canvas.font());
    const int tw = fm.horizontalAdvance(text);
    const int w = rect.width();
    const int right = rect.left() + rect.width();  // exclusive
    const int x = alignment == ALIGN_RIGHT ? right - tw - 3 : rect.left() + w / 2 - tw / 2 + 1;
    const int y = rect.top() + 1;
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    canvas.drawText(QPoint(x, y + fm.ascent()), text);
    canvas.restore();
}

void TForm1::updatePictureRatio()
{
    const qreal ratio = devicePixelRatio();
    if (ratio == pictureRatio_)
        return;
    pictureRatio_ = ratio;
    ImageList1 = sectionEmblems(ratio);
    Image1->setPixelRatio(ratio);
    paintBestStrip();
    Image1->update();
    repaintGrid();
}

void TForm1::drawBestStrip()
{
    if (dispmode != VIEW_EP1 && dispmode != VIEW_EP2)
        return;  // the strip keeps what it last showed
    stripView_ = dispmode;
    stripBest_ = best;
    paintBestStrip();
}

// The strip's picture of stripView_ and stripBest_, in logical pixels at the picture's ratio.
void TForm1::paintBestStrip()
{
    if (stripView_ != VIEW_EP1 && stripView_ != VIEW_EP2)
        return;  // nothing shown yet: the picture stays blank
    QImage& img = Image1->picture();
    const int height = img.deviceIndependentSize().toSize().height();
    img.fill(Qt::white);
    QPainter p(&img);
    QFont label = Image1->font();
    label.setPointSize(8);
    label.setBold(false);
    QFont value = Image1->font();
    value.setPointSize(10);
    value.setBold(true);
    const bool ep1 = stripView_ == VIEW_EP1;
    const int values = ep1 ? EP1_STAGES + 1 : EP2_STAGES + 1;
    QStringList shown;  // the boxes as text, for assistive technology
    for (int i = 0; i < values; ++i) {
        const int box = (!ep1 && i == EP2_STAGES) ? 9 : i;
        const bool total = i == values - 1;
        p.end();
        invertDottedFrame(img, QRect(QPoint(STRIP_BOX * box, 0), QPoint(STRIP_BOX * box + STRIP_BOX - 1, height - 2)));
        p.begin(&img);
        p.setFont(label);
        p.setPen(QColor(128, 128, 128));
        const QString caption = total ? QStringLiteral("Total") : QStringLiteral("Stage%1").arg(i + 1);
        p.drawText(QPoint(STRIP_BOX * box + 20, 1 + QFontMetrics(label).ascent()), caption);
        p.setFont(value);
        p.setPen(Qt::black);
        const std::int32_t t = ep1 ? stripBest_.ep1best[static_cast<std::size_t>(i)]
                                   : stripBest_.ep2best[static_cast<std::size_t>(i)];
        const QString time = QString::fromLatin1(timeToText(t));
        p.drawText(QPoint(STRIP_BOX * box + 5, 10 + QFontMetrics(value).ascent()), time);
        shown << caption + u' ' + time.trimmed();
    }
    p.end();
    Image1->update();
    const QString read = shown.join(QStringLiteral(", "));
    if (Image1->accessibleName() != read)  // a redraw at another pixel ratio tells nothing new
        Image1->setAccessibleName(read);
}
