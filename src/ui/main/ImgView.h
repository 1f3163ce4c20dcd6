#pragma once

#include <QImage>
#include <QWidget>

// The picture inside the scroll box: draws the shown bitmap centred while it fits the room
// (a scroll bar's width kept free), or from the top left corner along a side where it does
// not, on the scroll box's background colour.
// Its minimum size is the picture's, so the scroll box scrolls a larger picture. GUI thread.
class ImgView : public QWidget {
    Q_OBJECT

public:
    explicit ImgView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }

    // The room of the view without scroll bars, a scroll bar's width, and whether the picture
    // sits at the left edge.
    void setPlacement(int scrollBarWidth, bool alignLeft, QSize room);

    // Where the picture's top left corner lies in the widget.
    QPoint imageOrigin() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    int m_scrollBarWidth = 16;
    bool m_alignLeft = false;
    QSize m_room;
};
