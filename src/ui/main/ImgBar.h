#pragma once

#include "app/ViewerState.h"

#include <QWidget>

// Where the positions of a track bar lie on its channel, a run of pixel columns from `left` to
// `right` inclusive. Positions spread evenly; the first sits on `left`, the last on `right`.
int TrackBarPixel(int position, int minimum, int maximum, int left, int right);
// The position whose column is nearest to `x`; columns outside the channel give the ends.
int TrackBarPosition(int x, int minimum, int maximum, int left, int right);
// Every how many positions a tick is drawn, so that ticks stay at least `gap` pixels apart.
int TrackBarTickStep(int minimum, int maximum, int left, int right, int gap);

// The track bar above the picture: one tick per position along the top (thinned when dense),
// the selection range as a band in the channel and the thumb at the position. It shows what
// the controller decided (`setTrackBar`); a move by the user takes effect at once and is
// reported (`moved`), and the controller's answer replaces it. GUI thread.
class ImgBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPageSize = 10;

    explicit ImgBar(QWidget* parent = nullptr);

    void setTrackBar(const TrackBar& bar);
    const TrackBar& trackBar() const { return m_bar; }

    // The channel's first and last pixel columns at the current width.
    int channelLeft() const;
    int channelRight() const;

    QSize sizeHint() const override;

signals:
    // The user moved the thumb to `position`.
    void moved(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void moveTo(int position);

    TrackBar m_bar;
};
