#include "demo/DemoPictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>
#include <cmath>
#include <numbers>

namespace {

// xorshift32: the same numbers for the same seed on every machine.
class Dice {
public:
    explicit Dice(int seed) : m_state(quint32(seed) * 2654435761u + 0x9e3779b9u) { next(); }
    quint32 next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    // In [low, high).
    double uniform(double low, double high) { return low + (high - low) * (next() >> 8) / double(1 << 24); }

private:
    quint32 m_state;
};

// Where the channels of a Format_RGB32 pixel lie in memory.
constexpr int kBlue = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 0 : 3;
constexpr int kGreen = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 1 : 2;
constexpr int kRed = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? 2 : 1;

int Clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

struct Rgb {
    double r;
    double g;
    double b;
};

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct Scene {
    Rgb skyTop;
    Rgb horizon;
    Rgb sun;
    std::array<Rgb, 3> hills; // far to near
    Rgb ground;
    bool water;
};

const std::array<Scene, 3> kScenes{{
    // Evening over a meadow.
    {{62, 84, 150},
     {248, 186, 128},
     {255, 236, 190},
     {{{150, 120, 150}, {96, 84, 120}, {58, 70, 74}}},
     {96, 120, 52},
     false},
    // Morning, blue hills, green meadow.
    {{92, 150, 222},
     {226, 238, 246},
     {255, 252, 236},
     {{{150, 172, 196}, {104, 138, 160}, {70, 112, 84}}},
     {92, 150, 70},
     false},
    // Dusk over a harbour.
    {{28, 36, 86},
     {214, 122, 124},
     {255, 210, 170},
     {{{120, 84, 120}, {74, 56, 92}, {36, 34, 60}}},
     {0, 0, 0},
     true},
}};

// Smooth noise in [0, 1]: random values on a coarse grid of `cellX` by `cellY` cells, blended
// with smoothstep.
class CloudField {
public:
    CloudField(int width, int height, int cellX, int cellY, Dice& dice)
        : m_cellX(std::max(2, cellX)), m_cellY(std::max(2, cellY)), m_columns(width / m_cellX + 2),
          m_values(std::size_t(m_columns * (height / m_cellY + 2))) {
        for (double& v : m_values) {
            v = dice.uniform(0, 1);
        }
    }
    double at(int x, int y) const {
        const int cx = x / m_cellX;
        const int cy = y / m_cellY;
        const double fx = Smooth(double(x % m_cellX) / m_cellX);
        const double fy = Smooth(double(y % m_cellY) / m_cellY);
        const double top = value(cx, cy) + (value(cx + 1, cy) - value(cx, cy)) * fx;
        const double bottom = value(cx, cy + 1) + (value(cx + 1, cy + 1) - value(cx, cy + 1)) * fx;
        return top + (bottom - top) * fy;
    }

private:
    static double Smooth(double t) { return t * t * (3 - 2 * t); }
    double value(int cx, int cy) const { return m_values[std::size_t(cy * m_columns + cx)]; }
    int m_cellX;
    int m_cellY;
    int m_columns;
    std::vector<double> m_values;
};

// The landscape without grain, drawn pixel by pixel in rows.
QImage DrawScene(int width, int height, int seed) {
    const Scene& scene = kScenes[std::size_t(seed) % kScenes.size()];
    Dice dice(seed);
    QImage image(width, height, QImage::Format_RGB32);
    const int horizon = std::max(1, height * 62 / 100);

    // Ridge lines of the three hills, far to near.
    std::array<std::vector<int>, 3> ridges;
    for (std::size_t layer = 0; layer < ridges.size(); ++layer) {
        const double base = horizon - height * (0.22 - 0.06 * double(layer));
        const double rise = height * (0.10 - 0.02 * double(layer));
        std::array<double, 3> phase{dice.uniform(0, 6.3), dice.uniform(0, 6.3), dice.uniform(0, 6.3)};
        ridges[layer].resize(std::size_t(width));
        for (int x = 0; x < width; ++x) {
            const double t = double(x) / width * 2 * std::numbers::pi;
            const double shape = 0.5 * std::sin(t * 1.3 + phase[0]) + 0.3 * std::sin(t * 3.1 + phase[1]) +
                                 0.2 * std::sin(t * 7.7 + phase[2]);
            ridges[layer][std::size_t(x)] = int(base - rise * shape);
        }
    }
    // Clouds are wide and flat: a coarse field for their shapes, a finer one for their edges.
    const CloudField clouds(width, height, width / 5, height / 9, dice);
    const CloudField wisps(width, height, width / 16, height / 30, dice);
    const double sunX = width * dice.uniform(0.55, 0.8);
    const double sunY = horizon - height * 0.2;
    const double sunRadius = height * 0.045;

    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double skyT = std::min(1.0, double(y) / horizon);
        const Rgb skyRow = Mix(scene.skyTop, scene.horizon, skyT * skyT);
        for (int x = 0; x < width; ++x) {
            Rgb c;
            std::size_t layer = 3;
            for (std::size_t l = 3; l-- > 0;) {
                if (y >= ridges[l][std::size_t(x)] && y < horizon) {
                    layer = l;
                    break;
                }
            }
            if (y >= horizon) {
                const double depth = double(y - horizon) / (height - horizon);
                if (scene.water) {
                    // The sky mirrored, darker, with ripples.
                    const int mirror = std::max(0, 2 * horizon - y);
                    const double ripple = 0.06 * std::sin(y * 0.9 + std::sin(x * 0.02) * 2);
                    const double mt = std::min(1.0, double(mirror) / horizon);
                    c = Mix(Mix(scene.skyTop, scene.horizon, mt * mt), {10, 14, 30},
                            0.35 + 0.3 * depth + ripple);
                } else {
                    c = Mix(scene.ground,
                            {scene.ground.r * 0.45, scene.ground.g * 0.55, scene.ground.b * 0.4}, depth);
                    const double patch = clouds.at(x, y);
                    c = Mix(c, {c.r * 1.25, c.g * 1.15, c.b * 0.9}, patch);
                }
            } else if (layer < 3) {
                const Rgb hill = scene.hills[layer];
                const double shade = double(y - ridges[layer][std::size_t(x)]) / height;
                c = Mix(hill, scene.horizon, 0.25 - 0.1 * double(layer));
                c = Mix(c, {c.r * 0.7, c.g * 0.7, c.b * 0.75}, std::min(1.0, shade * 4));
            } else {
                c = skyRow;
                // Fewer clouds towards the horizon.
                const double cloud = 0.7 * clouds.at(x, y) + 0.3 * wisps.at(x, y) - 0.25 * skyT;
                if (cloud > 0.5) {
                    c = Mix(c, {255, 248, 240}, std::min(0.7, (cloud - 0.5) * 3));
                }
                const double dx = (x - sunX) / sunRadius;
                const double dy = (y - sunY) / sunRadius;
                const double d2 = dx * dx + dy * dy;
                c = d2 < 1 ? scene.sun : Mix(c, scene.sun, 0.9 / d2);
            }
            line[x] = qRgb(Clamp255(int(c.r)), Clamp255(int(c.g)), Clamp255(int(c.b)));
        }
    }
    return image;
}

// Film grain, stronger towards the bottom, where a photograph has the most detail. Plain
// byte loops with tables: this runs over every pixel of the largest picture.
void AddGrain(QImage& image, int seed) {
    std::array<uchar, 768> clamp{};
    for (int i = 0; i < 768; ++i) {
        clamp[std::size_t(i)] = uchar(Clamp255(i - 256));
    }
    const uchar* limit = clamp.data() + 256;
    std::array<int, 256> grain{};
    std::array<int, 256> tint{};
    quint32 state = quint32(seed) * 2654435761u + 0x2545f491u;
    const int height = image.height();
    for (int y = 0; y < height; ++y) {
        const int amplitude = 4 + 12 * y / height;
        for (int i = 0; i < 256; ++i) {
            grain[std::size_t(i)] = (i - 128) * amplitude / 128;
            tint[std::size_t(i)] = (i - 128) * amplitude / 512;
        }
        uchar* p = image.scanLine(y);
        uchar* const end = p + std::size_t(image.width()) * 4;
        for (; p != end; p += 4) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int g = grain[state & 0xff];
            const int t = tint[(state >> 8) & 0xff];
            // The grain is the same on every channel, the tint opposite on red and blue.
            p[kBlue] = limit[p[kBlue] + g - t];
            p[kGreen] = limit[p[kGreen] + g];
            p[kRed] = limit[p[kRed] + g + t];
        }
    }
}

QColor SoftColour(Dice& dice, int alpha) {
    return QColor::fromHsv(int(dice.uniform(0, 360)), int(dice.uniform(60, 130)), int(dice.uniform(215, 256)),
                           alpha);
}

void DrawSoftShapes(QPainter& painter, int width, int height, Dice& dice) {
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const QPointF centre(dice.uniform(0, width), dice.uniform(0, height));
        const double radius = std::min(width, height) * dice.uniform(0.12, 0.4);
        QColor colour = SoftColour(dice, 170);
        QRadialGradient glow(centre, radius);
        glow.setColorAt(0, colour);
        colour.setAlpha(0);
        glow.setColorAt(1, colour);
        painter.setBrush(glow);
        painter.drawEllipse(centre, radius, radius);
    }
    for (int i = 0; i < 3; ++i) {
        painter.save();
        painter.translate(dice.uniform(0, width), dice.uniform(0, height));
        painter.rotate(dice.uniform(-30, 30));
        painter.setBrush(QColor(255, 255, 255, 56));
        const double side = std::min(width, height) * dice.uniform(0.2, 0.45);
        painter.drawRoundedRect(QRectF(-side / 2, -side / 3, side, side * 2 / 3), side / 8, side / 8);
        painter.restore();
    }
}

// `outline` invisible for none; without antialiasing the text keeps to the two colours.
void DrawLabelIn(QImage& image, const QString& label, const QColor& fill, const QColor& outline,
                 bool antialias) {
    if (label.isEmpty()) {
        return;
    }
    const QStringList lines = label.split(u'\n');
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, antialias);
    QPainterPath path;
    double y = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QFont font(QStringLiteral("IPAPGothic"));
        font.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
        double size = image.height() * (i == 0 ? 0.11 : 0.055);
        font.setPixelSize(std::max(6, int(size)));
        // Shrink the line until it fits in nine tenths of the width.
        const double wide = QFontMetricsF(font).horizontalAdvance(lines[i]);
        if (wide > image.width() * 0.9) {
            size = size * image.width() * 0.9 / wide;
            font.setPixelSize(std::max(6, int(size)));
        }
        const QFontMetricsF metrics(font);
        y += metrics.ascent();
        path.addText(-metrics.horizontalAdvance(lines[i]) / 2, y, font, lines[i]);
        y += metrics.descent() + metrics.leading() + size * 0.2;
    }
    const QRectF bounds = path.boundingRect();
    path.translate(image.width() / 2.0, image.height() / 2.0 - bounds.center().y());
    if (outline.alpha() > 0) {
        const double width = std::max(3.0, image.height() * 0.018);
        painter.strokePath(path, QPen(outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    painter.fillPath(path, fill);
}

// Two colours only, for the 1-bit bitmap: rings and hatching in ink on paper.
QImage TwoTonePicture(int width, int height, const QString& label, int seed) {
    Dice dice(seed);
    const QColor paper(250, 244, 226);
    const QColor ink(38, 52, 96);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(paper);
    {
        QPainter painter(&image);
        painter.setPen(QPen(ink, std::max(1, height / 160)));
        for (int i = 0; i < 5; ++i) {
            const QPointF centre(dice.uniform(0, width), dice.uniform(0, height));
            for (double r = height * 0.05; r < height * dice.uniform(0.2, 0.45); r += height * 0.035) {
                painter.drawEllipse(centre, r, r);
            }
        }
        for (int x = -height; x < width; x += std::max(4, height / 40)) {
            painter.drawLine(x, height, x + height / 4, height - height / 4);
        }
        painter.fillRect(QRectF(width * 0.06, height * 0.36, width * 0.88, height * 0.28), paper);
    }
    DrawLabelIn(image, label, ink, Qt::transparent, false);
    return image;
}

} // namespace

void DrawLabel(QImage& image, const QString& label) {
    DrawLabelIn(image, label, QColor(255, 255, 255), QColor(30, 34, 52, 200), true);
}

QImage DemoPicture(int width, int height, const QString& label, int seed) {
    Dice dice(seed);
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient background(0, 0, width, height);
        background.setColorAt(0, SoftColour(dice, 255));
        background.setColorAt(1, SoftColour(dice, 255).darker(115));
        painter.fillRect(image.rect(), background);
        DrawSoftShapes(painter, width, height, dice);
    }
    DrawLabel(image, label);
    return image;
}

QImage DemoPhoto(int width, int height, int seed) {
    // The scene is smooth, so larger pictures are drawn smaller and enlarged; the grain added
    // at full size gives the detail.
    const int step = width * height > 4'000'000 ? 4 : width * height > 300'000 ? 2 : 1;
    QImage image = DrawScene(std::max(1, width / step), std::max(1, height / step), seed);
    if (step > 1) {
        image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    AddGrain(image, seed);
    return image;
}

QImage DemoTransparentPicture(int width, int height, const QString& label, int seed) {
    Dice dice(seed);
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath card;
        const double radius = std::min(width, height) * 0.18;
        card.addRoundedRect(QRectF(0, 0, width, height), radius, radius);
        QPainterPath hole;
        hole.addEllipse(QPointF(width * 0.82, height * 0.2), radius * 0.5, radius * 0.5);
        QLinearGradient fill(0, 0, width, height);
        fill.setColorAt(0, SoftColour(dice, 255));
        fill.setColorAt(1, SoftColour(dice, 255));
        painter.fillPath(card.subtracted(hole), fill);
        painter.setClipPath(card.subtracted(hole));
        DrawSoftShapes(painter, width, height, dice);
        painter.setClipping(false);
        // Discs that hang over the edge, half see-through.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 140, 120, 110));
        painter.drawEllipse(QPointF(width * 0.08, height * 0.9), radius, radius);
        painter.setBrush(QColor(120, 160, 255, 110));
        painter.drawEllipse(QPointF(width * 0.95, height * 0.95), radius * 0.8, radius * 0.8);
    }
    DrawLabel(image, label);
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray DemoJpeg(int width, int height, const JpegEncodeOptions& options, const QString& label, int seed) {
    QImage image = DemoPhoto(width, height, seed);
    DrawLabel(image, label);
    return EncodeJpeg(image, options);
}

QByteArray DemoPng(int width, int height, const PngEncodeOptions& options, const QString& label, int seed) {
    const QImage image = options.kind == PngKind::Rgba32 ? DemoTransparentPicture(width, height, label, seed)
                                                         : DemoPicture(width, height, label, seed);
    return EncodePng(image, options);
}

QByteArray DemoBmp(int width, int height, int bitsPerPixel, const QString& label, int seed) {
    return EncodeBmp(bitsPerPixel == 1 ? TwoTonePicture(width, height, label, seed)
                                       : DemoPicture(width, height, label, seed),
                     bitsPerPixel);
}

QByteArray DemoAnimatedGif(int width, int height, const QString& label) {
    const QImage background = DemoPicture(width, height, label, 11);
    const int size = std::max(4, height / 4);
    QImage ball(size, size, QImage::Format_ARGB32_Premultiplied);
    ball.fill(Qt::transparent);
    {
        QPainter painter(&ball);
        painter.setRenderHint(QPainter::Antialiasing);
        QRadialGradient shine(size * 0.35, size * 0.35, size * 0.7);
        shine.setColorAt(0, QColor(255, 250, 220));
        shine.setColorAt(0.4, QColor(250, 120, 80));
        shine.setColorAt(1, QColor(150, 40, 50));
        painter.setPen(Qt::NoPen);
        painter.setBrush(shine);
        painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    }
    const int top = height - size - height / 12;
    const std::vector<GifFrameSpec> frames{
        {background, 0, 0, 30, 1},
        {ball, width / 5, top, 50, 3},
        {ball, width * 4 / 5 - size, top - height / 6, 100, 2},
    };
    return EncodeGif(width, height, frames, QStringLiteral("Ruvela のデモ: 動くボール").toUtf8());
}

QByteArray CutInScanData(const QByteArray& jpeg) {
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && uchar(jpeg[at]) == 0xff) {
        const int marker = uchar(jpeg[at + 1]);
        const int length = (uchar(jpeg[at + 2]) << 8) | uchar(jpeg[at + 3]);
        at += 2 + length;
        if (marker == 0xda) {
            return jpeg.left(at + (jpeg.size() - at) / 2);
        }
    }
    return {};
}

std::vector<DemoFile> DemoFolderFiles() {
    std::vector<DemoFile> files;
    const auto add = [&](const QString& path, const QByteArray& bytes, const QString& note) {
        files.push_back({path, bytes, note});
    };
    const auto label = [](const QString& name, const QString& note) { return name + u'\n' + note; };

    JpegEncodeOptions photo;
    photo.quality = 90;
    add(QStringLiteral("photo-6000x4000.jpg"),
        DemoJpeg(6000, 4000, photo,
                 label(QStringLiteral("photo-6000x4000.jpg"), QStringLiteral("大きな写真")), 0),
        QStringLiteral("6000×4000 の大きな JPEG"));
    for (const auto& [name, width, height, seed] : std::vector<std::tuple<QString, int, int, int>>{
             {QStringLiteral("evening-1280x960.jpg"), 1280, 960, 0},
             {QStringLiteral("morning-1280x960.jpg"), 1280, 960, 1},
             {QStringLiteral("harbour-1280x960.jpg"), 1280, 960, 2},
             {QStringLiteral("portrait-900x1200.jpg"), 900, 1200, 4}}) {
        add(name, DemoJpeg(width, height, photo, label(name, QStringLiteral("ふつうの JPEG")), seed),
            QStringLiteral("ふつうの JPEG"));
    }
    JpegEncodeOptions progressive = photo;
    progressive.progressive = true;
    add(QStringLiteral("progressive.jpg"),
        DemoJpeg(1280, 960, progressive,
                 label(QStringLiteral("progressive.jpg"), QStringLiteral("プログレッシブ JPEG")), 1),
        QStringLiteral("プログレッシブ JPEG"));
    JpegEncodeOptions grey = photo;
    grey.colour = JpegColour::Grey;
    add(QStringLiteral("greyscale.jpg"),
        DemoJpeg(1024, 768, grey,
                 label(QStringLiteral("greyscale.jpg"), QStringLiteral("グレースケール JPEG")), 2),
        QStringLiteral("グレースケール JPEG"));
    JpegEncodeOptions cmyk = photo;
    cmyk.colour = JpegColour::CmykAdobeInverted;
    add(QStringLiteral("cmyk-adobe.jpg"),
        DemoJpeg(1024, 768, cmyk,
                 label(QStringLiteral("cmyk-adobe.jpg"), QStringLiteral("CMYK JPEG（Adobe）")), 0),
        QStringLiteral("CMYK の JPEG（Adobe 形式、反転したインク値）"));
    JpegEncodeOptions commented = photo;
    commented.comment =
        QStringLiteral("夕焼けの草原。\nこのコメントは JPEG の COM セグメントに UTF-8 で入っています。")
            .toUtf8();
    add(QStringLiteral("comment-japanese.jpg"),
        DemoJpeg(1024, 768, commented,
                 label(QStringLiteral("comment-japanese.jpg"), QStringLiteral("日本語のコメント付き")), 0),
        QStringLiteral("日本語のコメント（COM）付きの JPEG"));

    PngEncodeOptions png;
    png.kind = PngKind::Palette8;
    add(QStringLiteral("palette-8bit.png"),
        DemoPng(800, 600, png, label(QStringLiteral("palette-8bit.png"), QStringLiteral("256 色パレット")),
                3),
        QStringLiteral("8 ビットパレットの PNG"));
    png.kind = PngKind::Rgb24;
    add(QStringLiteral("truecolour-24bit.png"),
        DemoPng(800, 600, png, label(QStringLiteral("truecolour-24bit.png"), QStringLiteral("フルカラー")),
                4),
        QStringLiteral("24 ビットの PNG"));
    png.kind = PngKind::Rgba32;
    add(QStringLiteral("alpha-32bit.png"),
        DemoPng(800, 600, png, label(QStringLiteral("alpha-32bit.png"), QStringLiteral("透明な部分あり")), 5),
        QStringLiteral("透明な部分のある 32 ビット PNG"));
    png.kind = PngKind::Rgb24;
    png.commentKey = QStringLiteral("Comment");
    png.commentText = QStringLiteral("A PNG carrying a Comment text chunk.");
    add(QStringLiteral("text-comment.png"),
        DemoPng(800, 600, png, label(QStringLiteral("text-comment.png"), QStringLiteral("テキスト付き PNG")),
                6),
        QStringLiteral("Comment テキストの入った PNG"));

    add(QStringLiteral("animated-ball.gif"),
        DemoAnimatedGif(480, 360,
                        label(QStringLiteral("animated-ball.gif"), QStringLiteral("3 コマのアニメーション"))),
        QStringLiteral("3 コマのアニメーション GIF"));

    for (int bits : {1, 4, 8, 24, 32}) {
        const QString name = QStringLiteral("bmp-%1bit.bmp").arg(bits);
        add(name, DemoBmp(640, 480, bits, label(name, QStringLiteral("%1 ビット BMP").arg(bits)), 7 + bits),
            QStringLiteral("%1 ビットの BMP").arg(bits));
    }

    png = {};
    add(QStringLiteral("png-named-jpg.jpg"),
        DemoPng(640, 480, png, label(QStringLiteral("png-named-jpg.jpg"), QStringLiteral("中身は PNG")), 8),
        QStringLiteral("拡張子は .jpg でも中身は PNG"));
    add(QStringLiteral("truncated.jpg"),
        CutInScanData(DemoJpeg(1024, 768, photo,
                               label(QStringLiteral("truncated.jpg"), QStringLiteral("途中で切れた JPEG")),
                               1)),
        QStringLiteral("画像データの途中で切れた JPEG"));
    add(QStringLiteral("tiny-100-bytes.jpg"), DemoJpeg(64, 48, photo).left(100),
        QStringLiteral("100 バイトしかない JPEG"));
    add(QStringLiteral("evening-1280x960.txt"),
        QStringLiteral("夕方の草原の写真です。\n"
                       "同じ名前のテキストファイルが写真の横に置いてあります。\n"
                       "Ruvela のデモフォルダー\n")
            .toUtf8(),
        QStringLiteral("写真と同じ名前のテキスト"));

    add(QStringLiteral("more/garden.jpg"),
        DemoJpeg(1024, 768, photo, label(QStringLiteral("more/garden.jpg"), QStringLiteral("サブフォルダー")),
                 1),
        QStringLiteral("サブフォルダーの JPEG"));
    add(QStringLiteral("more/night-harbour.jpg"),
        DemoJpeg(1024, 768, photo,
                 label(QStringLiteral("more/night-harbour.jpg"), QStringLiteral("サブフォルダー")), 5),
        QStringLiteral("サブフォルダーの JPEG"));
    png.kind = PngKind::Rgb24;
    add(QStringLiteral("more/shapes.png"),
        DemoPng(640, 480, png, label(QStringLiteral("more/shapes.png"), QStringLiteral("サブフォルダー")), 9),
        QStringLiteral("サブフォルダーの PNG"));
    add(QStringLiteral("more/deeper/small.bmp"),
        DemoBmp(320, 240, 24, label(QStringLiteral("more/deeper/small.bmp"), QStringLiteral("さらに奥")), 10),
        QStringLiteral("二段目のサブフォルダーの BMP"));
    return files;
}
