#include "ui/main/ImgView.h"

#include "core/display/ViewGeometry.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

ImgView::ImgView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImgView::setImage(const QImage& image) {
    m_image = image;
    setMinimumSize(m_image.size());
    updateGeometry();
    update();
}

void ImgView::setPlacement(int scrollBarWidth, bool alignLeft, QSize room) {
    m_scrollBarWidth = scrollBarWidth;
    m_alignLeft = alignLeft;
    m_room = room;
    update();
}

QPoint ImgView::imageOrigin() const {
    const QSize room = m_room.isValid() ? m_room : size();
    const QPoint origin = PlaceView(m_image.size(), room, m_scrollBarWidth, m_alignLeft);
    return {std::max(0, origin.x()), std::max(0, origin.y())};
}

QSize ImgView::sizeHint() const {
    return m_image.size();
}

void ImgView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    if (!m_image.isNull())
        painter.drawImage(imageOrigin(), m_image);
}
