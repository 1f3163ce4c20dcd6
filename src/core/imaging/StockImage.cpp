#include "core/imaging/ImageLoader.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

QImage Draw(StockPicture which) {
    QImage canvas(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case StockPicture::Missing: {
        // An empty dashed frame and a magnifying glass: the picture is not to be found.
        canvas.fill(QColor(236, 236, 240));
        p.setPen(QPen(QColor(150, 150, 160), 3, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(20, 15, 120, 90));
        p.setPen(QPen(QColor(110, 110, 125), 8));
        p.drawEllipse(QPointF(80, 60), 22, 22);
        p.drawLine(QPointF(96, 76), QPointF(112, 92));
        break;
    }
    case StockPicture::Broken: {
        // A picture torn in two, with a red cross.
        canvas.fill(QColor(250, 236, 236));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 170, 220));
        QPainterPath left;
        left.moveTo(20, 15);
        left.lineTo(78, 15);
        left.lineTo(70, 50);
        left.lineTo(82, 75);
        left.lineTo(72, 105);
        left.lineTo(20, 105);
        left.closeSubpath();
        p.drawPath(left);
        QPainterPath right;
        right.moveTo(86, 15);
        right.lineTo(140, 15);
        right.lineTo(140, 105);
        right.lineTo(80, 105);
        right.lineTo(90, 75);
        right.lineTo(78, 50);
        right.closeSubpath();
        p.drawPath(right);
        p.setPen(QPen(QColor(210, 30, 30), 10, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(55, 35), QPointF(105, 85));
        p.drawLine(QPointF(105, 35), QPointF(55, 85));
        break;
    }
    case StockPicture::Audio: {
        // A loudspeaker with sound waves.
        canvas.fill(QColor(232, 244, 232));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 110, 60));
        p.drawRect(QRectF(35, 48, 20, 24));
        QPolygonF cone;
        cone << QPointF(55, 48) << QPointF(80, 28) << QPointF(80, 92) << QPointF(55, 72);
        p.drawPolygon(cone);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(40, 110, 60), 5, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i) {
            const qreal r = 14 + 12 * i;
            p.drawArc(QRectF(82 - r, 60 - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
        }
        break;
    }
    case StockPicture::Html: {
        // A page with a folded corner and lines of text.
        canvas.fill(QColor(232, 238, 250));
        QPolygonF page;
        page << QPointF(50, 10) << QPointF(96, 10) << QPointF(112, 26) << QPointF(112, 110)
             << QPointF(50, 110);
        p.setPen(QPen(QColor(60, 80, 140), 2));
        p.setBrush(Qt::white);
        p.drawPolygon(page);
        p.setBrush(QColor(200, 210, 235));
        QPolygonF corner;
        corner << QPointF(96, 10) << QPointF(96, 26) << QPointF(112, 26);
        p.drawPolygon(corner);
        p.setPen(QPen(QColor(90, 110, 170), 3));
        for (int y = 38; y <= 98; y += 12) {
            p.drawLine(QPointF(58, y), QPointF(y % 24 == 2 ? 92 : 104, y));
        }
        break;
    }
    }
    p.end();
    return canvas.convertToFormat(QImage::Format_RGB888);
}

} // namespace

QImage StockImage(StockPicture which) {
    // Drawn once per run; the statics are initialised thread-safely and only read afterwards.
    static const QImage missing = Draw(StockPicture::Missing);
    static const QImage broken = Draw(StockPicture::Broken);
    static const QImage audio = Draw(StockPicture::Audio);
    static const QImage html = Draw(StockPicture::Html);
    switch (which) {
    case StockPicture::Missing:
        return missing;
    case StockPicture::Broken:
        return broken;
    case StockPicture::Audio:
        return audio;
    case StockPicture::Html:
        return html;
    }
    return broken;
}
