#pragma once
// The strip below the grid: the best time of every stage of one episode and their
// sum, drawn into a picture that keeps its pixels until it is drawn again.

#include <QImage>
#include <QWidget>

#include "roster/timevalue.h"
#include "view/gridcells.h"

class TBestStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize SIZE{700, 28}; // logical pixels, whatever the device pixel ratio

    explicit TBestStrip(QWidget* parent = nullptr);
    // SIZE logical pixels at the ratio of the last setPixelRatio.
    QImage& picture() { return picture_; }
    // A new picture of SIZE at a device pixel ratio, drawn with what the strip showed.
    void setPixelRatio(qreal ratio);
    QSize sizeHint() const override { return SIZE; }

    // Shows the episode view's best times; the State view leaves the strip as it is.
    void showBest(qvr::ViewMode view, const qvr::BestTimes& best);
    // The episode shown, State before the first showing, and the values.
    qvr::ViewMode shownView() const { return view_; }
    const qvr::BestTimes& shownBest() const { return best_; }
    // What the strip shows as words: each box's label and value.
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintPicture();

    QImage picture_;
    qvr::ViewMode view_ = qvr::ViewMode::State;
    qvr::BestTimes best_;
};
