#include "core/display/ImageFilters.h"

#include "core/common/SpreadOverCores.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Byte offsets of the channels in a Format_RGB888 pixel.
constexpr int kRed = 0;
constexpr int kGreen = 1;
constexpr int kBlue = 2;

using ByteTable = std::array<uchar, 256>;

// Runs work(begin, end) over [0, rows) in contiguous bands, one per core when the `pixels`
// the rows cover repay starting threads. Every band writes only its own rows, so the bytes
// come out the same whatever the number of bands.
template <typename Work> void SpreadRows(int rows, qsizetype pixels, const Work& work) {
    // Below this many pixels per band, starting a thread costs more than the band takes.
    constexpr qsizetype kLeastPixelsPerBand = 1 << 16;
    SplitOverCores(static_cast<std::size_t>(rows), static_cast<std::size_t>(pixels / kLeastPixelsPerBand),
                   [&work](std::size_t begin, std::size_t end) {
                       work(static_cast<int>(begin), static_cast<int>(end));
                   });
}

// Brings `image` to the 24-bit layout the filters work on; false for an empty picture.
bool Prepare(QImage& image) {
    if (image.isNull()) {
        return false;
    }
    if (image.format() != QImage::Format_RGB888) {
        image.convertTo(QImage::Format_RGB888);
    }
    return true;
}

// Runs rowWork(row, y) on every row, spread over the cores. The picture is detached here,
// on the calling thread, so the bands only ever touch their own bytes.
template <typename RowWork> void ForEachRow(QImage& image, const RowWork& rowWork) {
    uchar* const base = image.bits();
    const qsizetype stride = image.bytesPerLine();
    SpreadRows(image.height(), qsizetype{image.width()} * image.height(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            rowWork(base + y * stride, y);
        }
    });
}

void ApplyTable(QImage& image, const ByteTable& table) {
    const int rowBytes = image.width() * 3;
    ForEachRow(image, [&](uchar* row, int) {
        for (int i = 0; i < rowBytes; ++i) {
            row[i] = table[row[i]];
        }
    });
}

ByteTable IdentityTable() {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uchar>(i);
    }
    return table;
}

// The table doing `first`, then `then`.
ByteTable Compose(const ByteTable& first, const ByteTable& then) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = then[first[i]];
    }
    return table;
}

uchar ClampByte(long long value) {
    return static_cast<uchar>(std::clamp<long long>(value, 0, 255));
}

// numerator / denominator (denominator > 0) rounded to the nearest whole number, halves to
// even, computed exactly.
long long RoundHalfEven(long long numerator, long long denominator) {
    long long quotient = numerator / denominator;
    long long remainder = numerator % denominator;
    if (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1) != 0)) {
        ++quotient;
    }
    return quotient;
}

ByteTable NegativeTable() {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uchar>(255 - i);
    }
    return table;
}

bool GammaChanges(double gamma) {
    return gamma >= 0.75 && gamma <= 3.0 && gamma != 2.2;
}

ByteTable GammaTable(double gamma) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        // nearbyint rounds halves to even in the default rounding mode.
        const double value = std::nearbyint(std::pow(i / 255.0, 2.2 / gamma) * 255.0);
        table[i] = ClampByte(static_cast<long long>(value));
    }
    return table;
}

ByteTable BrightnessTable(int delta) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = ClampByte(i + delta);
    }
    return table;
}

// v + (c / 100) × (v − 127.5) is (200 v + c (2 v − 255)) / 200.
ByteTable ContrastTable(int percent) {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = ClampByte(RoundHalfEven(200LL * i + static_cast<long long>(percent) * (2 * i - 255), 200));
    }
    return table;
}

// Rises from 0 to about `tone` over the dark half and from there to 253 over the bright half.
ByteTable SepiaTable(int tone) {
    const unsigned v = static_cast<unsigned>(std::clamp(tone, 0, 255));
    ByteTable table;
    for (unsigned i = 0; i < 128; ++i) {
        table[i] = static_cast<uchar>((i * v) >> 7);
        table[i + 128] = static_cast<uchar>((((127 - i) * v) >> 7) + ((i * 255) >> 7));
    }
    return table;
}

ByteTable SolariseTable() {
    ByteTable table;
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<uchar>(std::min(i, 255 - i));
    }
    return table;
}

// The 32-bit linear congruential generator of the noise filters, reseeded at every row.
class RowRandom {
public:
    explicit RowRandom(int row) : m_seed(static_cast<std::uint32_t>(row)) {}
    // A whole number in 0 … range − 1.
    std::uint32_t below(std::uint32_t range) {
        m_seed = m_seed * 134775813u + 1u;
        return static_cast<std::uint32_t>((std::uint64_t{m_seed} * range) >> 32);
    }

private:
    std::uint32_t m_seed;
};

// Replaces every pixel, in raster order, by pixelValue(v, S, n) per channel: S is the sum of
// the (2 radius + 1)² square around the pixel that lies inside the picture, n the number of
// pixels in it. The pixels above and to the left already hold their new values when a pixel
// is computed. Column sums over the window's rows, kept up to date as each pixel changes,
// give S without adding the whole square every time.
template <typename PixelValue>
void RasterWindowPass(QImage& image, int radius, const PixelValue& pixelValue) {
    const int width = image.width();
    const int height = image.height();
    const int rowBytes = width * 3;
    uchar* const base = image.bits();
    const qsizetype stride = image.bytesPerLine();
    std::vector<int> columnSums(static_cast<std::size_t>(rowBytes), 0);
    const auto addRow = [&](int y, int sign) {
        const uchar* row = base + y * stride;
        for (int i = 0; i < rowBytes; ++i) {
            columnSums[static_cast<std::size_t>(i)] += sign * row[i];
        }
    };
    for (int y = 0; y <= std::min(radius, height - 1); ++y) {
        addRow(y, 1);
    }
    for (int y = 0; y < height; ++y) {
        if (y > 0) {
            if (y - radius - 1 >= 0) {
                addRow(y - radius - 1, -1);
            }
            if (y + radius < height) {
                addRow(y + radius, 1);
            }
        }
        const int rowsIn = std::min(height - 1, y + radius) - std::max(0, y - radius) + 1;
        uchar* const row = base + y * stride;
        std::array<int, 3> sums{0, 0, 0};
        for (int x = 0; x <= std::min(radius, width - 1); ++x) {
            for (int c = 0; c < 3; ++c) {
                sums[c] += columnSums[static_cast<std::size_t>(x * 3 + c)];
            }
        }
        for (int x = 0; x < width; ++x) {
            const int count = rowsIn * (std::min(width - 1, x + radius) - std::max(0, x - radius) + 1);
            for (int c = 0; c < 3; ++c) {
                const std::size_t at = static_cast<std::size_t>(x * 3 + c);
                const int old = row[at];
                const int now = pixelValue(old, sums[c], count);
                row[at] = static_cast<uchar>(now);
                columnSums[at] += now - old;
                sums[c] += now - old;
                if (x - radius >= 0) {
                    sums[c] -= columnSums[static_cast<std::size_t>((x - radius) * 3 + c)];
                }
                if (x + radius + 1 < width) {
                    sums[c] += columnSums[static_cast<std::size_t>((x + radius + 1) * 3 + c)];
                }
            }
        }
    }
}

// Replaces every channel of every pixel by the table of that channel at the average of the
// pixel's three bytes.
void ToneFromAverage(QImage& image, const ByteTable& red, const ByteTable& green, const ByteTable& blue) {
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            const unsigned average = (unsigned{pixel[0]} + pixel[1] + pixel[2]) / 3;
            pixel[kRed] = red[average];
            pixel[kGreen] = green[average];
            pixel[kBlue] = blue[average];
        }
    });
}

// Luminance (0.299 R + 0.587 G + 0.114 B, halves to even) posterised to four levels, in all
// three channels. The weights sum to 1, so the luminance never exceeds 255.
void GreyFourLevels(QImage& image) {
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            const long long weighted = 299LL * pixel[kRed] + 587LL * pixel[kGreen] + 114LL * pixel[kBlue];
            const uchar level = static_cast<uchar>(64 * (RoundHalfEven(weighted, 1000) / 64));
            pixel[0] = level;
            pixel[1] = level;
            pixel[2] = level;
        }
    });
}

} // namespace

FilterSettings FilterReset() {
    return FilterSettings{};
}

void Image2Filter(QImage& image, const FilterSettings& settings) {
    if (!Prepare(image)) {
        return;
    }
    switch (settings.orientation) {
    case Orientation::Normal:
        break;
    case Orientation::Mirror:
        MirrorImage(image);
        break;
    case Orientation::TopBottom:
        FlipTopBottom(image);
        break;
    case Orientation::Rotate180:
        Rotate180(image);
        break;
    case Orientation::Rotate90:
        image = Rotate90(image);
        break;
    case Orientation::Rotate270:
        image = Rotate270(image);
        break;
    }
    // The per-byte steps (negative, gamma, brightness, contrast) are folded into one table and
    // run in one pass after the per-pixel tones.
    ByteTable levels = IdentityTable();
    bool levelsChange = false;
    switch (settings.colourTone) {
    case ColourTone::Normal:
        break;
    case ColourTone::BrownSepia:
        BrownSepia(image);
        break;
    case ColourTone::BlueSepia:
        BlueSepia(image);
        break;
    case ColourTone::Grey:
        Greyscale(image);
        break;
    case ColourTone::Negative:
        levels = NegativeTable();
        levelsChange = true;
        break;
    }
    if (GammaChanges(settings.gamma)) {
        levels = Compose(levels, GammaTable(settings.gamma));
        levelsChange = true;
    }
    if (settings.brightness != 0) {
        levels = Compose(levels, BrightnessTable(settings.brightness));
        levelsChange = true;
    }
    if (settings.contrast != 0) {
        levels = Compose(levels, ContrastTable(settings.contrast));
        levelsChange = true;
    }
    if (levelsChange) {
        ApplyTable(image, levels);
    }
}

void SharpnessAndSpecial(QImage& image, const FilterSettings& settings, int extraSharpen, QRgb background) {
    if (!Prepare(image)) {
        return;
    }
    switch (settings.sharpness) {
    case Sharpness::Normal:
        Sharpen(image, extraSharpen);
        break;
    case Sharpness::Sharpen48:
        Sharpen(image, 48 + extraSharpen);
        break;
    case Sharpness::Sharpen96:
        Sharpen(image, 96 + extraSharpen);
        break;
    case Sharpness::Blur1:
        Blur(image, 1);
        break;
    case Sharpness::Blur3:
        Blur(image, 3);
        break;
    }
    switch (settings.special) {
    case Special::Normal:
        break;
    case Special::LineDrawing:
        LineDrawing(image);
        break;
    case Special::Edge:
        image = EdgeExtract(image);
        break;
    case Special::Noise:
        Noise(image, 64);
        break;
    case Special::WhiteNoise:
        WhiteNoise(image, 128);
        break;
    case Special::Solarise:
        Solarise(image);
        break;
    case Special::Mosaic:
        Mosaic(image, 8, 16);
        break;
    case Special::DotDiffusion:
        DotDiffusion(image, 8);
        break;
    case Special::MaxExtract:
        MaxExtract(image);
        break;
    case Special::IeSelect:
        IeSelect(image);
        break;
    case Special::BlackWhiteSwap:
        BlackWhiteSwap(image);
        break;
    case Special::TopLeftTransparent:
        TopLeftTransparent(image, background);
        break;
    }
}

void MirrorImage(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width / 2; ++x) {
            std::swap_ranges(row + x * 3, row + x * 3 + 3, row + (width - 1 - x) * 3);
        }
    });
}

void FlipTopBottom(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const int height = image.height();
    const int rowBytes = image.width() * 3;
    uchar* const base = image.bits();
    const qsizetype stride = image.bytesPerLine();
    SpreadRows(height / 2, qsizetype{image.width()} * height, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            std::swap_ranges(base + y * stride, base + y * stride + rowBytes,
                             base + (height - 1 - y) * stride);
        }
    });
}

void Rotate180(QImage& image) {
    FlipTopBottom(image);
    MirrorImage(image);
}

QImage Rotate90(const QImage& image) {
    QImage source = image;
    if (!Prepare(source)) {
        return source;
    }
    const int height = source.height();
    QImage result(height, source.width(), QImage::Format_RGB888);
    const uchar* const from = source.constBits();
    const qsizetype fromStride = source.bytesPerLine();
    // Source pixel (x, y) goes to (height − 1 − y, x).
    ForEachRow(result, [&](uchar* row, int j) {
        for (int i = 0; i < height; ++i) {
            std::memcpy(row + i * 3, from + (height - 1 - i) * fromStride + j * 3, 3);
        }
    });
    return result;
}

QImage Rotate270(const QImage& image) {
    QImage source = image;
    if (!Prepare(source)) {
        return source;
    }
    const int width = source.width();
    const int height = source.height();
    QImage result(height, width, QImage::Format_RGB888);
    const uchar* const from = source.constBits();
    const qsizetype fromStride = source.bytesPerLine();
    // Source pixel (x, y) goes to (y, width − 1 − x).
    ForEachRow(result, [&](uchar* row, int j) {
        for (int i = 0; i < height; ++i) {
            std::memcpy(row + i * 3, from + i * fromStride + (width - 1 - j) * 3, 3);
        }
    });
    return result;
}

void SepiaTone(QImage& image, int toneRed, int toneGreen, int toneBlue) {
    if (!Prepare(image)) {
        return;
    }
    ToneFromAverage(image, SepiaTable(toneRed), SepiaTable(toneGreen), SepiaTable(toneBlue));
}

void BrownSepia(QImage& image) {
    SepiaTone(image, 240, 200, 120);
}

void BlueSepia(QImage& image) {
    SepiaTone(image, 120, 120, 200);
}

void Greyscale(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const ByteTable same = IdentityTable();
    ToneFromAverage(image, same, same, same);
}

void Negative(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    ApplyTable(image, NegativeTable());
}

void Gamma(QImage& image, double gamma) {
    if (!GammaChanges(gamma) || !Prepare(image)) {
        return;
    }
    ApplyTable(image, GammaTable(gamma));
}

void Brightness(QImage& image, int delta) {
    if (delta == 0 || !Prepare(image)) {
        return;
    }
    ApplyTable(image, BrightnessTable(delta));
}

void Contrast(QImage& image, int percent) {
    if (percent == 0 || !Prepare(image)) {
        return;
    }
    ApplyTable(image, ContrastTable(percent));
}

void Sharpen(QImage& image, int strength) {
    // Strength 0 would still scale every byte by 255/256: no strength, no change.
    if (strength <= 0 || !Prepare(image)) {
        return;
    }
    const int s = std::min(strength, 255);
    RasterWindowPass(image, 1, [s](int v, int sum, int) {
        const int edge = std::clamp((11 * v - sum) / 2, 0, 255);
        return ((edge * s) >> 8) + ((v * (255 - s)) >> 8);
    });
}

void Blur(QImage& image, int radius) {
    if (radius <= 0 || !Prepare(image)) {
        return;
    }
    RasterWindowPass(image, radius, [](int, int sum, int count) { return sum / count; });
}

void LineDrawing(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    GreyFourLevels(image);
    image = EdgeExtract(image);
    Negative(image);
}

QImage EdgeExtract(const QImage& image) {
    QImage source = image;
    if (!Prepare(source)) {
        return source;
    }
    const int width = source.width();
    const int height = source.height();
    QImage result(width, height, QImage::Format_RGB888);
    result.fill(Qt::black);
    if (width < 3 || height < 3) {
        return result;
    }
    const uchar* const from = source.constBits();
    const qsizetype stride = source.bytesPerLine();
    const int end = (width - 1) * 3;
    ForEachRow(result, [&](uchar* row, int y) {
        if (y == 0 || y == height - 1) {
            return;
        }
        const uchar* const up = from + (y - 1) * stride;
        const uchar* const mid = up + stride;
        const uchar* const down = mid + stride;
        for (int i = 3; i < end; ++i) {
            const int sum = up[i - 3] + up[i] + up[i + 3] + mid[i - 3] + mid[i] + mid[i + 3] + down[i - 3] +
                            down[i] + down[i + 3];
            row[i] = ClampByte(sum - 9 * mid[i]);
        }
    });
    return result;
}

void Noise(QImage& image, int range) {
    if (!Prepare(image)) {
        return;
    }
    const std::uint32_t n = static_cast<std::uint32_t>(std::clamp(range, 0, 256));
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int y) {
        RowRandom random(y);
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            // Blue, green, red: the order the noise has always been drawn in.
            for (const int c : {kBlue, kGreen, kRed}) {
                pixel[c] = static_cast<uchar>(std::min(255u, pixel[c] + random.below(n)));
            }
        }
    });
}

void WhiteNoise(QImage& image, int range) {
    if (!Prepare(image)) {
        return;
    }
    const std::uint32_t n = static_cast<std::uint32_t>(std::clamp(range, 0, 256));
    const int rowBytes = image.width() * 3;
    ForEachRow(image, [&](uchar* row, int y) {
        RowRandom random(y);
        for (int i = 0; i < rowBytes; i += 3) {
            const std::uint32_t added = random.below(n);
            for (int c = 0; c < 3; ++c) {
                row[i + c] = static_cast<uchar>(std::min(255u, row[i + c] + added));
            }
        }
    });
}

void Solarise(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    ApplyTable(image, SolariseTable());
}

void Mosaic(QImage& image, int blockWidth, int blockHeight) {
    if (blockWidth <= 0 || blockHeight <= 0 || !Prepare(image)) {
        return;
    }
    const int width = image.width();
    const int height = image.height();
    const int blocksAcross = (width + blockWidth - 1) / blockWidth;
    const int bands = (height + blockHeight - 1) / blockHeight;
    uchar* const base = image.bits();
    const qsizetype stride = image.bytesPerLine();
    SpreadRows(bands, qsizetype{width} * height, [&](int begin, int end) {
        std::vector<long long> sums(static_cast<std::size_t>(blocksAcross) * 3);
        std::vector<uchar> averages(sums.size());
        for (int band = begin; band < end; ++band) {
            const int top = band * blockHeight;
            const int bottom = std::min(height, top + blockHeight);
            std::fill(sums.begin(), sums.end(), 0);
            for (int y = top; y < bottom; ++y) {
                const uchar* const row = base + y * stride;
                for (int x = 0; x < width; ++x) {
                    for (int c = 0; c < 3; ++c) {
                        sums[static_cast<std::size_t>((x / blockWidth) * 3 + c)] += row[x * 3 + c];
                    }
                }
            }
            for (int block = 0; block < blocksAcross; ++block) {
                const long long count = static_cast<long long>(bottom - top) *
                                        (std::min(width, (block + 1) * blockWidth) - block * blockWidth);
                for (int c = 0; c < 3; ++c) {
                    const std::size_t at = static_cast<std::size_t>(block * 3 + c);
                    // round(average + 0.5) is (2 sum + count) / (2 count) rounded.
                    averages[at] = ClampByte(RoundHalfEven(2 * sums[at] + count, 2 * count));
                }
            }
            for (int y = top; y < bottom; ++y) {
                uchar* const row = base + y * stride;
                for (int x = 0; x < width; ++x) {
                    std::memcpy(row + x * 3, averages.data() + (x / blockWidth) * 3, 3);
                }
            }
        }
    });
}

void DotDiffusion(QImage& image, int distance) {
    if (distance <= 0 || !Prepare(image)) {
        return;
    }
    const int width = image.width();
    const int height = image.height();
    // Dots land on rows above and below their own, so the rows run in order on one thread.
    QImage spread = image.copy();
    const uchar* const from = image.constBits();
    uchar* const to = spread.bits();
    const qsizetype stride = image.bytesPerLine();
    const std::uint32_t d = static_cast<std::uint32_t>(distance);
    for (int y = 0; y < height; ++y) {
        RowRandom random(y);
        for (int x = 0; x < width; ++x) {
            const int c1 = static_cast<int>(random.below(d));
            const int c2 = static_cast<int>(random.below(d));
            const int toX = std::clamp(distance / 2 + x - c1, 0, width - 1);
            const int toY = std::clamp(distance / 2 + y - c2, 0, height - 1);
            std::memcpy(to + toY * stride + toX * 3, from + y * stride + x * 3, 3);
        }
    }
    image = spread;
}

void MaxExtract(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            const uchar red = pixel[kRed];
            const uchar green = pixel[kGreen];
            const uchar blue = pixel[kBlue];
            // On a tie blue wins over green and red, green over red.
            const int keep = blue >= green && blue >= red ? kBlue : green >= red ? kGreen : kRed;
            const uchar kept = pixel[keep];
            pixel[0] = 0;
            pixel[1] = 0;
            pixel[2] = 0;
            pixel[keep] = kept;
        }
    });
}

void IeSelect(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int y) {
        for (int x = y % 2; x < width; x += 2) {
            uchar* const pixel = row + x * 3;
            pixel[kRed] = 0;
            pixel[kGreen] = 0;
            pixel[kBlue] = 128;
        }
    });
}

void BlackWhiteSwap(QImage& image) {
    if (!Prepare(image)) {
        return;
    }
    const int width = image.width();
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            const int sum = pixel[0] + pixel[1] + pixel[2];
            // A sum of 0 or 765 is only reached by pure black or pure white.
            if (sum == 0 || sum == 765) {
                const uchar swapped = static_cast<uchar>(255 - pixel[0]);
                pixel[0] = swapped;
                pixel[1] = swapped;
                pixel[2] = swapped;
            }
        }
    });
}

void TopLeftTransparent(QImage& image, QRgb background) {
    if (!Prepare(image)) {
        return;
    }
    const int width = image.width();
    const uchar* const corner = image.constBits();
    const std::array<uchar, 3> key{corner[0], corner[1], corner[2]};
    std::array<uchar, 3> fill;
    fill[kRed] = static_cast<uchar>(qRed(background));
    fill[kGreen] = static_cast<uchar>(qGreen(background));
    fill[kBlue] = static_cast<uchar>(qBlue(background));
    ForEachRow(image, [&](uchar* row, int) {
        for (int x = 0; x < width; ++x) {
            uchar* const pixel = row + x * 3;
            if (pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2]) {
                std::memcpy(pixel, fill.data(), 3);
            }
        }
    });
}
