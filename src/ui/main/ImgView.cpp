#include "ui/main/ImgView.h"

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

QPoint ImgView::imageOrigin() const {
    return {std::max(0, (width() - m_image.width()) / 2), std::max(0, (height() - m_image.height()) / 2)};
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
