#include "platform/programstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <qdrawutil.h>
#include <QIconEngine>
#include <QImageReader>
#include <QPointer>
#include <QStyleOption>
#include <algorithm>
#include <functional>
#include <utility>

namespace qvr {

namespace {

// An icon that is made by `make` at its first use and answers as that icon does.
class DeferredIconEngine : public QIconEngine {
public:
    explicit DeferredIconEngine(std::function<QIcon()> make) : make_(std::move(make)) { }

    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }
    QString key() const override { return QStringLiteral("qvrdeferred"); }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // The icon is asked for the same device pixels as its engine would be.
        return icon().pixmap(size / scale, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }

private:
    const QIcon& icon()
    {
        if (!made_) {
            icon_ = make_();
            made_ = true;
        }
        return icon_;
    }

    std::function<QIcon()> make_;
    QIcon icon_;
    bool made_ = false;
};

// Fusion's group box frame: its picture, the room it leaves above the frame for
// the title, and the picture's corners that keep their size.
const QString FUSION_GROUP_BOX_PICTURE =
    QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
constexpr int FUSION_GROUP_BOX_TOP_MARGIN = 3;
constexpr QMargins FUSION_GROUP_BOX_CORNERS{6, 6, 6, 6};

} // namespace

QPixmap readPng(const QString& path)
{
    // Without the format's name, or with the format guessed, the reader asks
    // every plugin whether it can read the file, loading each.
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

void ProgramStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element != PE_FrameGroupBox || baseStyle()->name() != QLatin1String("fusion")) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (groupBoxFrame_.isNull())
        groupBoxFrame_ = readPng(FUSION_GROUP_BOX_PICTURE);
    // Room for the title or the check box, unless the box has neither.
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    const bool bare = box && !box->isCheckable() && box->title().isEmpty();
    const int topMargin = FUSION_GROUP_BOX_TOP_MARGIN +
        (bare ? 0 : std::max(baseStyle()->pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()));
    qDrawBorderPixmap(painter, option->rect.adjusted(0, topMargin, 0, 0), FUSION_GROUP_BOX_CORNERS, groupBoxFrame_);
}

QIcon ProgramStyle::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const
{
    if (icon != SP_ToolBarHorizontalExtensionButton && icon != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(icon, option, widget);
    // The direction is taken now: the option and the widget need not live until
    // the first drawing, and the arrow points the way it would have pointed.
    const bool rightToLeft = option ? option->direction == Qt::RightToLeft : QGuiApplication::isRightToLeft();
    return QIcon(new DeferredIconEngine([base = QPointer<QStyle>(baseStyle()), icon, rightToLeft] {
        QStyleOption direction;
        direction.direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        return (base ? base.data() : QApplication::style())->standardIcon(icon, &direction, nullptr);
    }));
}

} // namespace qvr
