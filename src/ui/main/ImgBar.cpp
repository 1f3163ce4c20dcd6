#include "ui/main/ImgBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kHeight = 32;
constexpr int kThumbHalf = 5; // the thumb is 11 pixels wide
constexpr int kMargin = 8;    // from the widget's sides to the channel's ends
constexpr int kTickTop = 2;
constexpr int kTickLength = 4;
constexpr int kChannelTop = 16;
constexpr int kChannelHeight = 4;
constexpr int kThumbTop = 9;
constexpr int kThumbBottom = 28;
constexpr int kTickGap = 3;

} // namespace

int TrackBarPixel(int position, int minimum, int maximum, int left, int right) {
    if (maximum <= minimum || right <= left)
        return left;
    const qint64 range = maximum - minimum;
    const qint64 span = right - left;
    const qint64 offset = std::clamp<qint64>(position - minimum, 0, range);
    return left + static_cast<int>((offset * span + range / 2) / range);
}

int TrackBarPosition(int x, int minimum, int maximum, int left, int right) {
    if (maximum <= minimum || right <= left)
        return minimum;
    const qint64 range = maximum - minimum;
    const qint64 span = right - left;
    const qint64 offset = std::clamp<qint64>(x - left, 0, span);
    return minimum + static_cast<int>((offset * range + span / 2) / span);
}

int TrackBarTickStep(int minimum, int maximum, int left, int right, int gap) {
    const qint64 range = maximum - minimum;
    const qint64 span = right - left;
    if (range <= 0 || span <= 0)
        return 1;
    // Smallest step with step * span / range >= gap.
    return static_cast<int>(std::max<qint64>(1, (qint64{gap} * range + span - 1) / span));
}

ImgBar::ImgBar(QWidget* parent) : QWidget(parent) {
    setFixedHeight(kHeight);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ImgBar::setTrackBar(const TrackBar& bar) {
    m_bar = bar;
    update();
}

int ImgBar::channelLeft() const {
    return kMargin;
}

int ImgBar::channelRight() const {
    return std::max(kMargin, width() - 1 - kMargin);
}

QSize ImgBar::sizeHint() const {
    return {200, kHeight};
}

void ImgBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const int left = channelLeft();
    const int right = channelRight();
    const auto pixel = [&](int position) {
        return TrackBarPixel(position, m_bar.minimum, m_bar.maximum, left, right);
    };

    painter.setPen(pal.color(QPalette::WindowText));
    if (m_bar.ticks) {
        const int step = TrackBarTickStep(m_bar.minimum, m_bar.maximum, left, right, kTickGap);
        for (int position = m_bar.minimum; position <= m_bar.maximum; position += step)
            painter.drawLine(pixel(position), kTickTop, pixel(position), kTickTop + kTickLength - 1);
        painter.drawLine(pixel(m_bar.maximum), kTickTop, pixel(m_bar.maximum), kTickTop + kTickLength - 1);
    }

    // The channel, sunken.
    const QRect channel(left - 2, kChannelTop, right - left + 5, kChannelHeight);
    painter.fillRect(channel, pal.color(QPalette::Base));
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(channel.topLeft(), channel.topRight());
    painter.drawLine(channel.topLeft(), channel.bottomLeft());
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(channel.bottomLeft(), channel.bottomRight());
    painter.drawLine(channel.topRight(), channel.bottomRight());

    if (m_bar.sliderVisible && m_bar.selEnd >= m_bar.selStart) {
        const int from = pixel(m_bar.selStart);
        const int to = pixel(m_bar.selEnd);
        painter.fillRect(QRect(from, kChannelTop + 1, to - from + 1, kChannelHeight - 2),
                         pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Highlight));
    }

    if (m_bar.sliderVisible) {
        const int x = pixel(m_bar.position);
        const QPolygon thumb({QPoint(x, kThumbTop), QPoint(x + kThumbHalf, kThumbTop + kThumbHalf),
                              QPoint(x + kThumbHalf, kThumbBottom), QPoint(x - kThumbHalf, kThumbBottom),
                              QPoint(x - kThumbHalf, kThumbTop + kThumbHalf)});
        painter.setBrush(pal.color(QPalette::Button));
        painter.setPen(pal.color(QPalette::Shadow));
        painter.drawPolygon(thumb);
    }
    if (hasFocus()) {
        painter.setPen(QPen(pal.color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void ImgBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_bar.sliderVisible) {
        QWidget::mousePressEvent(event);
        return;
    }
    moveTo(TrackBarPosition(qRound(event->position().x()), m_bar.minimum, m_bar.maximum, channelLeft(),
                            channelRight()));
}

void ImgBar::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !m_bar.sliderVisible) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    moveTo(TrackBarPosition(qRound(event->position().x()), m_bar.minimum, m_bar.maximum, channelLeft(),
                            channelRight()));
}

void ImgBar::keyPressEvent(QKeyEvent* event) {
    if (!m_bar.sliderVisible || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        moveTo(m_bar.position - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        moveTo(m_bar.position + 1);
        break;
    case Qt::Key_PageUp:
        moveTo(m_bar.position - kPageSize);
        break;
    case Qt::Key_PageDown:
        moveTo(m_bar.position + kPageSize);
        break;
    case Qt::Key_Home:
        moveTo(m_bar.minimum);
        break;
    case Qt::Key_End:
        moveTo(m_bar.maximum);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void ImgBar::moveTo(int position) {
    position = std::clamp(position, m_bar.minimum, std::max(m_bar.minimum, m_bar.maximum));
    if (position == m_bar.position)
        return;
    m_bar.position = position;
    update();
    emit moved(position);
}
