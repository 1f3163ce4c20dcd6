#include "core/display/Resampler.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <vector>

namespace {

// A picture of random levels: every neighbour differs, so a wrong weight or index shows.
QImage Noise(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB888);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    for (int y = 0; y < height; ++y) {
        uchar* px = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            px[x] = static_cast<uchar>(level(random));
        }
    }
    return image;
}

// Levels in double precision, channel-interleaved, one row after another.
struct Plane {
    int width = 0;
    int height = 0;
    std::vector<double> levels;

    double& at(int x, int y, int c) { return levels[static_cast<std::size_t>((y * width + x) * 3 + c)]; }
};

Plane ToPlane(const QImage& image) {
    Plane plane{image.width(), image.height(), {}};
    plane.levels.resize(static_cast<std::size_t>(plane.width * plane.height * 3));
    for (int y = 0; y < plane.height; ++y) {
        for (int x = 0; x < plane.width * 3; ++x) {
            plane.at(x / 3, y, x % 3) = image.constScanLine(y)[x];
        }
    }
    return plane;
}

// One output sample along an axis of `from` samples made `to` long, read through `sample`.
double ReferenceSample(int i, int from, int to, const auto& sample) {
    if (to == from) {
        return sample(i);
    }
    if (to > from) {
        const double p = to == 1 ? 0.0 : static_cast<double>(i) * (from - 1) / (to - 1);
        const int k = static_cast<int>(std::floor(p));
        const double x = 1.0 + (p - k);
        const double weights[4] = {-(x - 1) * (x - 2) * (x - 3) / 6, x * (x - 2) * (x - 3) / 2,
                                   -x * (x - 1) * (x - 3) / 2, x * (x - 1) * (x - 2) / 6};
        double sum = 0;
        for (int n = 0; n < 4; ++n) {
            sum += weights[n] * sample(std::clamp(k - 1 + n, 0, from - 1));
        }
        return std::clamp(sum, 0.0, 255.0);
    }
    const double scale = static_cast<double>(from) / to;
    const double begin = i * scale;
    const double end = begin + scale;
    double sum = 0;
    for (int k = static_cast<int>(begin); k < from && k < end; ++k) {
        sum += (std::min<double>(k + 1, end) - std::max<double>(k, begin)) * sample(k);
    }
    return sum / scale;
}

// Across then down, each pass clamped to 0 ... 255 but not rounded.
Plane Reference(const QImage& image, QSize target) {
    Plane source = ToPlane(image);
    Plane across{target.width(), source.height, {}};
    across.levels.resize(static_cast<std::size_t>(across.width * across.height * 3));
    for (int y = 0; y < across.height; ++y) {
        for (int x = 0; x < across.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                across.at(x, y, c) =
                    ReferenceSample(x, source.width, across.width, [&](int k) { return source.at(k, y, c); });
            }
        }
    }
    Plane down{target.width(), target.height(), {}};
    down.levels.resize(static_cast<std::size_t>(down.width * down.height * 3));
    for (int y = 0; y < down.height; ++y) {
        for (int x = 0; x < down.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                down.at(x, y, c) =
                    ReferenceSample(y, across.height, down.height, [&](int k) { return across.at(x, k, c); });
            }
        }
    }
    return down;
}

// The largest distance between the picture and the rounded reference, over all channels.
int WorstDistance(const QImage& image, Plane reference) {
    int worst = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width() * 3; ++x) {
            const auto expected = static_cast<int>(std::lround(reference.at(x / 3, y, x % 3)));
            worst = std::max(worst, std::abs(image.constScanLine(y)[x] - expected));
        }
    }
    return worst;
}

double ChannelTotal(const QImage& image, int channel) {
    double total = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            total += image.constScanLine(y)[x * 3 + channel];
        }
    }
    return total;
}

struct SizeCase {
    QSize from;
    QSize to;
};

void PrintTo(const SizeCase& size, std::ostream* out) {
    *out << size.from.width() << "x" << size.from.height() << " -> " << size.to.width() << "x"
         << size.to.height();
}

class ResampleSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ResampleSizes, MatchesTheReferenceWithinOneLevel) {
    const SizeCase size = GetParam();
    const QImage source = Noise(size.from.width(), size.from.height(), 11);
    const QImage result = Resample(source, size.to);
    ASSERT_EQ(result.size(), size.to);
    ASSERT_EQ(result.format(), QImage::Format_RGB888);
    EXPECT_LE(WorstDistance(result, Reference(source, size.to)), 1);

    const bool reducing = size.to.width() <= size.from.width() && size.to.height() <= size.from.height();
    if (reducing) {
        // Averaging keeps the light. Each pixel is rounded twice (across, then down), so its mean
        // may be off by up to one level; over many pixels the roundings cancel out, and a mean
        // further off than that means weight lost or counted twice.
        const double area = static_cast<double>(size.to.width()) * size.to.height() /
                            (static_cast<double>(size.from.width()) * size.from.height());
        const double pixels = static_cast<double>(size.to.width()) * size.to.height();
        const double tolerance = std::min(1.0, 1.5 / std::sqrt(pixels));
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(ChannelTotal(result, c) / pixels, ChannelTotal(source, c) * area / pixels, tolerance)
                << "channel " << c;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(UpDownAndMixed, ResampleSizes,
                         ::testing::Values(SizeCase{{7, 5}, {19, 13}}, SizeCase{{19, 13}, {7, 5}},
                                           SizeCase{{64, 1}, {3, 1}}, SizeCase{{1, 1}, {4, 4}},
                                           SizeCase{{10, 10}, {10, 3}}, SizeCase{{2, 3}, {5, 1}},
                                           SizeCase{{12, 9}, {31, 4}}, SizeCase{{31, 4}, {12, 9}},
                                           SizeCase{{100, 37}, {33, 36}}, SizeCase{{5, 6}, {1, 1}},
                                           SizeCase{{9, 9}, {9, 9}}, SizeCase{{30000, 2}, {2, 1}}));

TEST(Resample, KeepsAFlatPictureFlat) {
    QImage flat(23, 17, QImage::Format_RGB888);
    flat.fill(QColor(201, 7, 255));
    for (const QSize size : {QSize(50, 40), QSize(6, 5), QSize(50, 5)}) {
        const QImage result = Resample(flat, size);
        ASSERT_EQ(result.size(), size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                ASSERT_EQ(result.pixel(x, y), qRgb(201, 7, 255)) << x << "," << y << " of " << size.width();
            }
        }
    }
}

TEST(Resample, GivesTheSameBytesOnOneThreadAndOnAll) {
    const QImage source = Noise(1500, 1100, 5);
    for (const QSize size : {QSize(700, 2100), QSize(2300, 400)}) {
        const QImage spread = Resample(source, size, ResampleThreads::AllCores);
        const QImage single = Resample(source, size, ResampleThreads::CallingThread);
        ASSERT_FALSE(spread.isNull());
        EXPECT_EQ(spread, single) << size.width() << "x" << size.height();
    }
    const QImage nearest = ScaleNearest(source, QSize(900, 1700), ResampleThreads::AllCores);
    EXPECT_EQ(nearest, ScaleNearest(source, QSize(900, 1700), ResampleThreads::CallingThread));
}

TEST(Resample, TakesOtherFormatsAsTheirRgb888Form) {
    const QImage source = Noise(13, 8, 3);
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(Resample(argb, QSize(30, 3)), Resample(source, QSize(30, 3)));
    EXPECT_EQ(ScaleNearest(argb, QSize(30, 3)), ScaleNearest(source, QSize(30, 3)));
}

TEST(Resample, GivesANullPictureForNoSourceNoTargetOrNoMemory) {
    const QImage source = Noise(4, 4, 1);
    // Wider than a QImage can be: the picture cannot be made.
    const QSize tooWide(200'000'000, 1);
    for (const auto& scale : {Resample, ScaleNearest}) {
        EXPECT_TRUE(scale(QImage(), QSize(3, 3), ResampleThreads::AllCores).isNull());
        EXPECT_TRUE(scale(source, QSize(0, 3), ResampleThreads::AllCores).isNull());
        EXPECT_TRUE(scale(source, QSize(3, -1), ResampleThreads::AllCores).isNull());
        EXPECT_TRUE(scale(source, tooWide, ResampleThreads::AllCores).isNull());
    }
}

struct NearestCase {
    int from;
    int to;
    std::vector<int> picked; // the source index each target index shows
};

TEST(ScaleNearest, PicksTheRoundedIndexWithHalvesToEven) {
    const std::vector<NearestCase> cases = {
        {4, 8, {0, 0, 1, 2, 2, 2, 3, 3}}, // 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 3.5 -> 4 kept at 3
        {8, 4, {0, 2, 4, 6}},
        {5, 2, {0, 2}},    // 2.5 -> 2
        {3, 2, {0, 2}},    // 1.5 -> 2
        {7, 3, {0, 2, 5}}, // 2.33 -> 2, 4.67 -> 5
        {1, 3, {0, 0, 0}},
        {6, 6, {0, 1, 2, 3, 4, 5}},
    };
    for (const NearestCase& c : cases) {
        // Red tells the source column, green the source row.
        QImage source(c.from, c.from, QImage::Format_RGB888);
        for (int y = 0; y < c.from; ++y) {
            for (int x = 0; x < c.from; ++x) {
                source.setPixel(x, y, qRgb(x, y, 99));
            }
        }
        const QImage result = ScaleNearest(source, QSize(c.to, c.to));
        ASSERT_EQ(result.size(), QSize(c.to, c.to));
        for (int y = 0; y < c.to; ++y) {
            for (int x = 0; x < c.to; ++x) {
                EXPECT_EQ(result.pixel(x, y), qRgb(c.picked[x], c.picked[y], 99))
                    << c.from << " -> " << c.to << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
