#include "core/display/ImageFilters.h"

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r;
    int g;
    int b;
    bool operator==(const Rgb&) const = default;
};

void PrintTo(const Rgb& p, std::ostream* out) {
    *out << "(R" << p.r << " G" << p.g << " B" << p.b << ")";
}

Rgb At(const QImage& image, int x, int y) {
    const uchar* pixel = image.constScanLine(y) + x * 3;
    return {pixel[0], pixel[1], pixel[2]};
}

void Set(QImage& image, int x, int y, Rgb colour) {
    uchar* pixel = image.scanLine(y) + x * 3;
    pixel[0] = static_cast<uchar>(colour.r);
    pixel[1] = static_cast<uchar>(colour.g);
    pixel[2] = static_cast<uchar>(colour.b);
}

// A picture of `width` × `height` with padded rows (3 bytes a pixel, rows rounded up to 4).
QImage Filled(int width, int height, Rgb colour) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(colour.r, colour.g, colour.b));
    return image;
}

Rgb Grey(int v) {
    return {v, v, v};
}

// A picture whose every pixel tells where it came from: red x, green y, blue x + y.
QImage Numbered(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Set(image, x, y, {x, y, (x + y) & 255});
        }
    }
    return image;
}

QImage Noisy(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB888);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int i = 0; i < width * 3; ++i) {
            row[i] = static_cast<uchar>(random());
        }
    }
    return image;
}

// The pixels of two pictures, ignoring the padding at the end of the rows.
bool SamePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), static_cast<std::size_t>(a.width()) * 3) !=
            0) {
            return false;
        }
    }
    return true;
}

using Filter = std::function<void(QImage&)>;

TEST(ImageFilters, ResetIsTheStandardOfEveryGroup) {
    const FilterSettings reset = FilterReset();
    EXPECT_EQ(reset, FilterSettings{});
    EXPECT_EQ(reset.gamma, 2.2);
    FilterSettings changed = reset;
    changed.contrast = 12;
    EXPECT_FALSE(changed == reset);
}

// Every pixel of a 3 × 2 picture (padded rows) goes through the filter alone.
TEST(ImageFilters, SinglePixelResults) {
    struct Case {
        std::string name;
        Filter filter;
        Rgb in;
        Rgb out;
    };
    const std::vector<Case> cases = {
        {"grey of red", Greyscale, {255, 0, 0}, Grey(85)},
        {"grey is the plain average", Greyscale, {10, 20, 60}, Grey(30)},
        {"negative of red", Negative, {255, 0, 0}, {0, 255, 255}},
        {"brown sepia of 128", BrownSepia, Grey(128), {238, 198, 119}},
        {"brown sepia of black", BrownSepia, Grey(0), Grey(0)},
        {"brown sepia of white", BrownSepia, Grey(255), Grey(253)},
        {"brown sepia of 64", BrownSepia, Grey(64), {120, 100, 60}},
        {"blue sepia of 128", BlueSepia, Grey(128), {119, 119, 198}},
        {"solarise 200", Solarise, Grey(200), Grey(55)},
        {"solarise 100", Solarise, Grey(100), Grey(100)},
        {"solarise 128", Solarise, {128, 127, 255}, {127, 127, 0}},
        {"gamma 3.0 brightens", [](QImage& i) { Gamma(i, 3.0); }, {128, 0, 255}, {154, 0, 255}},
        {"gamma 1.4 darkens", [](QImage& i) { Gamma(i, 1.4); }, Grey(128), Grey(86)},
        {"brightness +40 saturates", [](QImage& i) { Brightness(i, 40); }, {230, 100, 0}, {255, 140, 40}},
        {"brightness -40 saturates", [](QImage& i) { Brightness(i, -40); }, {20, 100, 255}, {0, 60, 215}},
        {"contrast +24", [](QImage& i) { Contrast(i, 24); }, {200, 0, 255}, {217, 0, 255}},
        {"contrast -24", [](QImage& i) { Contrast(i, -24); }, {0, 255, 128}, {31, 224, 128}},
        // 15 − 0.12 × (15 − 127.5) is 28.5 and 15 + 0.12 × (15 − 127.5) is 1.5: halves go to even.
        {"contrast halves to even", [](QImage& i) { Contrast(i, -12); }, Grey(15), Grey(28)},
        {"contrast halves to even up", [](QImage& i) { Contrast(i, 12); }, Grey(15), Grey(2)},
        {"max extract", MaxExtract, {10, 20, 30}, {0, 0, 30}},
        {"max extract red", MaxExtract, {90, 20, 30}, {90, 0, 0}},
        {"max extract all equal: blue", MaxExtract, Grey(50), {0, 0, 50}},
        {"max extract red = blue: blue", MaxExtract, {70, 10, 70}, {0, 0, 70}},
        {"max extract red = green: green", MaxExtract, {60, 60, 10}, {0, 60, 0}},
        {"swap black", BlackWhiteSwap, Grey(0), Grey(255)},
        {"swap white", BlackWhiteSwap, Grey(255), Grey(0)},
        {"swap leaves near black", BlackWhiteSwap, {1, 0, 0}, {1, 0, 0}},
        {"swap leaves near white", BlackWhiteSwap, {255, 254, 255}, {255, 254, 255}},
    };
    for (const Case& c : cases) {
        QImage image = Filled(3, 2, c.in);
        c.filter(image);
        ASSERT_EQ(image.size(), QSize(3, 2)) << c.name;
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(At(image, x, y), c.out) << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(ImageFilters, GammaOutsideItsRangeOrStandardChangesNothing) {
    const QImage source = Noisy(7, 5, 1);
    for (const double gamma : {2.2, 0.74, 0.5, 3.01, 4.0}) {
        QImage alone = source;
        Gamma(alone, gamma);
        EXPECT_TRUE(SamePixels(alone, source)) << gamma;
        FilterSettings settings;
        settings.gamma = gamma;
        QImage through = source;
        Image2Filter(through, settings);
        EXPECT_TRUE(SamePixels(through, source)) << gamma;
    }
    QImage edge = Filled(1, 1, Grey(128));
    Gamma(edge, 0.75);
    EXPECT_NE(At(edge, 0, 0), Grey(128));
}

TEST(ImageFilters, ConvertsOtherFormatsToTwentyFourBits) {
    QImage image(2, 1, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    Greyscale(image);
    ASSERT_EQ(image.format(), QImage::Format_RGB888);
    EXPECT_EQ(At(image, 1, 0), Grey(85));
    QImage empty;
    Negative(empty);
    EXPECT_TRUE(empty.isNull());
}

// Where the pixel (x, y) of the source lands for each orientation of a w × h picture.
TEST(ImageFilters, Orientations) {
    struct Case {
        Orientation orientation;
        std::function<QPoint(int x, int y, int w, int h)> to;
    };
    const std::vector<Case> cases = {
        {Orientation::Mirror, [](int x, int y, int w, int) { return QPoint(w - 1 - x, y); }},
        {Orientation::TopBottom, [](int x, int y, int, int h) { return QPoint(x, h - 1 - y); }},
        {Orientation::Rotate180, [](int x, int y, int w, int h) { return QPoint(w - 1 - x, h - 1 - y); }},
        {Orientation::Rotate90, [](int x, int y, int, int h) { return QPoint(h - 1 - y, x); }},
        {Orientation::Rotate270, [](int x, int y, int w, int) { return QPoint(y, w - 1 - x); }},
    };
    for (const QSize sourceSize : {QSize(5, 3), QSize(4, 2), QSize(1, 1)}) {
        const QImage source = Numbered(sourceSize.width(), sourceSize.height());
        for (const Case& c : cases) {
            FilterSettings settings;
            settings.orientation = c.orientation;
            QImage image = source;
            Image2Filter(image, settings);
            const bool turned =
                c.orientation == Orientation::Rotate90 || c.orientation == Orientation::Rotate270;
            ASSERT_EQ(image.size(), turned ? sourceSize.transposed() : sourceSize);
            for (int y = 0; y < source.height(); ++y) {
                for (int x = 0; x < source.width(); ++x) {
                    const QPoint to = c.to(x, y, source.width(), source.height());
                    EXPECT_EQ(At(image, to.x(), to.y()), At(source, x, y))
                        << static_cast<int>(c.orientation) << " from " << x << "," << y;
                }
            }
        }
    }
}

TEST(ImageFilters, QuarterTurnsOfThreeByTwo) {
    const QImage source = Numbered(3, 2);
    const QImage right = Rotate90(source);
    ASSERT_EQ(right.size(), QSize(2, 3));
    EXPECT_EQ(At(right, 1, 0), At(source, 0, 0));
    EXPECT_EQ(At(right, 0, 2), At(source, 2, 1));
    const QImage left = Rotate270(source);
    ASSERT_EQ(left.size(), QSize(2, 3));
    EXPECT_EQ(At(left, 0, 2), At(source, 0, 0));
    EXPECT_EQ(At(left, 0, 0), At(source, 2, 0));
}

TEST(ImageFilters, Image2FilterTurnsThenTonesThenLevels) {
    QImage image = Filled(3, 2, Grey(0));
    Set(image, 0, 0, {255, 0, 0});
    FilterSettings settings;
    settings.orientation = Orientation::Rotate90;
    settings.colourTone = ColourTone::Grey;
    settings.brightness = 20;
    settings.contrast = 24;
    const QImage source = image;
    Image2Filter(image, settings);
    ASSERT_EQ(image.size(), QSize(2, 3));
    // Grey 85, brighter 105, then 105 + 0.24 × (105 − 127.5) = 99.6. Contrast first would give 103.
    EXPECT_EQ(At(image, 1, 0), Grey(100));
    // Black: 20, then 20 + 0.24 × (20 − 127.5) = −5.8.
    EXPECT_EQ(At(image, 0, 0), Grey(0));

    QImage stepByStep = Rotate90(source);
    Greyscale(stepByStep);
    Brightness(stepByStep, 20);
    Contrast(stepByStep, 24);
    EXPECT_TRUE(SamePixels(image, stepByStep));
}

TEST(ImageFilters, NegativeComesBeforeGamma) {
    QImage image = Filled(1, 1, Grey(127));
    FilterSettings settings;
    settings.colourTone = ColourTone::Negative;
    settings.gamma = 3.0;
    Image2Filter(image, settings);
    // 255 − 127 = 128, and gamma 3.0 takes 128 to 154 (gamma first would give 102).
    EXPECT_EQ(At(image, 0, 0), Grey(154));
}

TEST(ImageFilters, EdgeExtraction) {
    const QImage flat = EdgeExtract(Filled(6, 5, {90, 200, 17}));
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(At(flat, x, y), Grey(0)) << x << "," << y;
        }
    }
    // One lit pixel at (1, 1): its inner neighbours see it, the border stays black.
    QImage dot = Filled(4, 4, Grey(0));
    Set(dot, 1, 1, {100, 20, 0});
    const QImage edges = EdgeExtract(dot);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool lit = (x == 2 || y == 2) && x >= 1 && x <= 2 && y >= 1 && y <= 2;
            EXPECT_EQ(At(edges, x, y), (lit ? Rgb{100, 20, 0} : Grey(0))) << x << "," << y;
        }
    }
    const QImage tiny = EdgeExtract(Filled(2, 7, Grey(50)));
    EXPECT_EQ(tiny.size(), QSize(2, 7));
    EXPECT_EQ(At(tiny, 1, 3), Grey(0));
}

TEST(ImageFilters, LineDrawingPosterisesLuminanceFindsEdgesAndInverts) {
    // Left half of luminance 124.2 (posterised to 64), right half black.
    QImage image = Filled(6, 4, Grey(0));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            Set(image, x, y, {200, 100, 50});
        }
    }
    FilterSettings settings;
    settings.special = Special::LineDrawing;
    SharpnessAndSpecial(image, settings, 0, qRgb(0, 0, 0));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            // The first black column inside the picture sees three grey 64 neighbours.
            const bool edge = x == 3 && (y == 1 || y == 2);
            EXPECT_EQ(At(image, x, y), Grey(edge ? 255 - 192 : 255)) << x << "," << y;
        }
    }
}

TEST(ImageFilters, NoiseIsSeededByRow) {
    QImage black = Filled(2, 2, Grey(0));
    Noise(black, 64);
    // Draws in blue, green, red order; row 1 starts where row 0's first draw left the seed.
    EXPECT_EQ(At(black, 0, 0), (Rgb{55, 2, 0}));
    EXPECT_EQ(At(black, 0, 1), (Rgb{12, 55, 2}));

    QImage white = Filled(3, 1, Grey(0));
    WhiteNoise(white, 128);
    EXPECT_EQ(At(white, 0, 0), Grey(0));
    EXPECT_EQ(At(white, 1, 0), Grey(4));
    EXPECT_EQ(At(white, 2, 0), Grey(110));

    const QImage source = Numbered(40, 30);
    for (const Filter& filter :
         {Filter([](QImage& i) { Noise(i, 64); }), Filter([](QImage& i) { WhiteNoise(i, 128); })}) {
        QImage once = source;
        QImage again = source;
        filter(once);
        filter(again);
        EXPECT_TRUE(SamePixels(once, again));
        EXPECT_FALSE(SamePixels(once, source));
        // Near white the sums are clamped, never wrapped round.
        QImage bright = Filled(5, 5, Grey(250));
        filter(bright);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) {
                const Rgb p = At(bright, x, y);
                EXPECT_GE(std::min({p.r, p.g, p.b}), 250) << x << "," << y;
            }
        }
    }
}

TEST(ImageFilters, NoiseStaysInRange) {
    QImage image = Filled(64, 16, Grey(100));
    Noise(image, 64);
    bool changed = false;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Rgb p = At(image, x, y);
            for (const int v : {p.r, p.g, p.b}) {
                EXPECT_GE(v, 100);
                EXPECT_LT(v, 164);
                changed = changed || v != 100;
            }
        }
    }
    EXPECT_TRUE(changed);
}

TEST(ImageFilters, MosaicAveragesBlocksIncludingClippedOnes) {
    // 10 × 18: blocks 8 × 16 with a 2-wide column of blocks at the right and 2 rows at the bottom.
    QImage image(10, 18, QImage::Format_RGB888);
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 10; ++x) {
            const int green = x < 4 ? 10 : x < 8 ? 11 : x == 8 ? 0 : 255;
            Set(image, x, y, {11, green, y < 16 ? 255 : 1});
        }
    }
    Mosaic(image, 8, 16);
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 10; ++x) {
            // round(a + 0.5), halves to even: 11 → 12, 10.5 → 11, 127.5 → 128, 255 stays, 1 → 2.
            EXPECT_EQ(At(image, x, y), (Rgb{12, x < 8 ? 11 : 128, y < 16 ? 255 : 2})) << x << "," << y;
        }
    }
    QImage even = Filled(8, 16, Grey(10));
    Mosaic(even, 8, 16);
    EXPECT_EQ(At(even, 7, 15), Grey(10));
}

TEST(ImageFilters, DotDiffusionMovesPixelsALittleAndAlwaysTheSame) {
    const QImage source = Numbered(30, 20);
    QImage once = source;
    QImage again = source;
    DotDiffusion(once, 8);
    DotDiffusion(again, 8);
    EXPECT_TRUE(SamePixels(once, again));
    EXPECT_FALSE(SamePixels(once, source));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            const Rgb p = At(once, x, y);
            EXPECT_EQ(p.b, (p.r + p.g) & 255) << x << "," << y;
            EXPECT_LE(std::abs(p.r - x), 4) << x << "," << y;
            EXPECT_LE(std::abs(p.g - y), 4) << x << "," << y;
        }
    }
    QImage flat = Filled(9, 9, {3, 4, 5});
    DotDiffusion(flat, 8);
    EXPECT_TRUE(SamePixels(flat, Filled(9, 9, {3, 4, 5})));
}

TEST(ImageFilters, IeSelectAndTopLeftTransparency) {
    QImage checked = Filled(3, 2, {10, 20, 30});
    IeSelect(checked);
    const Rgb selected{0, 0, 128};
    const Rgb kept{10, 20, 30};
    EXPECT_EQ(At(checked, 0, 0), selected);
    EXPECT_EQ(At(checked, 1, 0), kept);
    EXPECT_EQ(At(checked, 2, 0), selected);
    EXPECT_EQ(At(checked, 0, 1), kept);
    EXPECT_EQ(At(checked, 1, 1), selected);
    EXPECT_EQ(At(checked, 2, 1), kept);

    QImage keyed = Filled(3, 2, {1, 2, 3});
    Set(keyed, 1, 0, {1, 2, 4});
    Set(keyed, 2, 1, {3, 2, 1});
    FilterSettings settings;
    settings.special = Special::TopLeftTransparent;
    SharpnessAndSpecial(keyed, settings, 0, qRgb(9, 8, 7));
    EXPECT_EQ(At(keyed, 0, 0), (Rgb{9, 8, 7}));
    EXPECT_EQ(At(keyed, 1, 0), (Rgb{1, 2, 4}));
    EXPECT_EQ(At(keyed, 2, 0), (Rgb{9, 8, 7}));
    EXPECT_EQ(At(keyed, 2, 1), (Rgb{3, 2, 1}));
    EXPECT_EQ(At(keyed, 0, 1), (Rgb{9, 8, 7}));
}

// Sharpen strength 96 on a flat 2 × 2 picture of 20, pixel by pixel in raster order:
// (0,0): S 80, e 70, 26 + 12 = 38; (1,0): S 98, e 61, 22 + 12 = 34;
// (0,1): S 112, e 54, 20 + 12 = 32; (1,1): S 124, e 48, 18 + 12 = 30.
TEST(ImageFilters, SharpenReadsTheSharpenedNeighbours) {
    QImage image = Filled(2, 2, Grey(20));
    FilterSettings settings;
    settings.sharpness = Sharpness::Sharpen96;
    SharpnessAndSpecial(image, settings, 0, 0);
    EXPECT_EQ(At(image, 0, 0), Grey(38));
    EXPECT_EQ(At(image, 1, 0), Grey(34));
    EXPECT_EQ(At(image, 0, 1), Grey(32));
    EXPECT_EQ(At(image, 1, 1), Grey(30));

    // A row of three: S 40 → 45, then S 85 → 37, then S 57 → 42 (the middle would be 42 if it
    // read the unchanged left neighbour).
    QImage row = Filled(3, 1, Grey(20));
    Sharpen(row, 96);
    EXPECT_EQ(At(row, 0, 0), Grey(45));
    EXPECT_EQ(At(row, 1, 0), Grey(37));
    EXPECT_EQ(At(row, 2, 0), Grey(42));
}

TEST(ImageFilters, ExtraSharpeningForReducedPictures) {
    const QImage source = Noisy(9, 7, 2);
    FilterSettings settings;
    QImage standard = source;
    SharpnessAndSpecial(standard, settings, 0, 0);
    EXPECT_TRUE(SamePixels(standard, source));

    QImage extra = source;
    SharpnessAndSpecial(extra, settings, 32, 0);
    QImage by32 = source;
    Sharpen(by32, 32);
    EXPECT_TRUE(SamePixels(extra, by32));
    EXPECT_FALSE(SamePixels(extra, source));

    settings.sharpness = Sharpness::Sharpen48;
    QImage added = source;
    SharpnessAndSpecial(added, settings, 32, 0);
    QImage by80 = source;
    Sharpen(by80, 80);
    EXPECT_TRUE(SamePixels(added, by80));

    settings.sharpness = Sharpness::Blur1;
    QImage blurred = source;
    SharpnessAndSpecial(blurred, settings, 32, 0);
    QImage blurOnly = source;
    Blur(blurOnly, 1);
    EXPECT_TRUE(SamePixels(blurred, blurOnly));
}

TEST(ImageFilters, BlurReadsTheBlurredNeighbours) {
    // Red: (30 + 0) / 2 = 15, then (15 + 0 + 90) / 3 = 35, then (35 + 90) / 2 = 62; reading
    // the unchanged neighbours would give 15, 40, 45.
    QImage row = Filled(3, 1, Grey(0));
    Set(row, 0, 0, Grey(30));
    Set(row, 2, 0, {90, 6, 255});
    Blur(row, 1);
    EXPECT_EQ(At(row, 0, 0), Grey(15));
    EXPECT_EQ(At(row, 1, 0), (Rgb{35, 7, 90}));
    EXPECT_EQ(At(row, 2, 0), (Rgb{62, 6, 172}));
}

// The same window filters written the plain way: every pixel adds its whole square.
void PlainWindowPass(QImage& image, int radius, const std::function<int(int v, int sum, int count)>& value) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                int count = 0;
                for (int ny = std::max(0, y - radius); ny <= std::min(image.height() - 1, y + radius); ++ny) {
                    for (int nx = std::max(0, x - radius); nx <= std::min(image.width() - 1, x + radius);
                         ++nx) {
                        sum += image.constScanLine(ny)[nx * 3 + c];
                        ++count;
                    }
                }
                uchar& v = image.scanLine(y)[x * 3 + c];
                v = static_cast<uchar>(value(v, sum, count));
            }
        }
    }
}

TEST(ImageFilters, SharpenAndBlurMatchThePlainWindowSums) {
    for (const QSize size : {QSize(37, 23), QSize(1, 9), QSize(5, 1), QSize(2, 3)}) {
        const QImage source = Noisy(size.width(), size.height(), 3);
        for (const int radius : {1, 3}) {
            QImage fast = source;
            Blur(fast, radius);
            QImage plain = source;
            PlainWindowPass(plain, radius, [](int, int sum, int count) { return sum / count; });
            EXPECT_TRUE(SamePixels(fast, plain))
                << "blur " << radius << " " << size.width() << "x" << size.height();
        }
        for (const int strength : {32, 128, 255}) {
            QImage fast = source;
            Sharpen(fast, strength);
            QImage plain = source;
            PlainWindowPass(plain, 1, [strength](int v, int sum, int) {
                const int e = std::clamp((11 * v - sum) / 2, 0, 255);
                return ((e * strength) >> 8) + ((v * (255 - strength)) >> 8);
            });
            EXPECT_TRUE(SamePixels(fast, plain))
                << "sharpen " << strength << " " << size.width() << "x" << size.height();
        }
    }
}

// Straightforward one-thread references for the filters whose result depends on where a pixel is.
QImage PlainNoise(QImage image, int range, bool perPixel) {
    for (int y = 0; y < image.height(); ++y) {
        std::uint32_t seed = static_cast<std::uint32_t>(y);
        const auto next = [&] {
            seed = seed * 134775813u + 1u;
            return static_cast<int>((std::uint64_t{seed} * static_cast<std::uint32_t>(range)) >> 32);
        };
        uchar* row = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            uchar* p = row + x * 3;
            if (perPixel) {
                const int add = next();
                for (int c = 0; c < 3; ++c) {
                    p[c] = static_cast<uchar>(std::min(255, p[c] + add));
                }
            } else {
                for (const int c : {2, 1, 0}) {
                    p[c] = static_cast<uchar>(std::min(255, p[c] + next()));
                }
            }
        }
    }
    return image;
}

QImage PlainEdges(const QImage& image) {
    QImage result = Filled(image.width(), image.height(), Grey(0));
    for (int y = 1; y + 1 < image.height(); ++y) {
        for (int x = 1; x + 1 < image.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        sum += image.constScanLine(y + dy)[(x + dx) * 3 + c];
                    }
                }
                const int v = image.constScanLine(y)[x * 3 + c];
                result.scanLine(y)[x * 3 + c] = static_cast<uchar>(std::clamp(sum - 9 * v, 0, 255));
            }
        }
    }
    return result;
}

// Applies `filter` to each band of `rows` rows of `image` on its own: bands this small run on
// the calling thread only.
QImage BandByBand(const QImage& image, int rows, const Filter& filter) {
    QImage result(image.size(), QImage::Format_RGB888);
    for (int top = 0; top < image.height(); top += rows) {
        QImage band = image.copy(0, top, image.width(), std::min(rows, image.height() - top));
        filter(band);
        for (int y = 0; y < band.height(); ++y) {
            std::memcpy(result.scanLine(top + y), band.constScanLine(y),
                        static_cast<std::size_t>(band.width()) * 3);
        }
    }
    return result;
}

TEST(ImageFilters, RowsSplitOverThreadsGiveTheSameBytes) {
    // Large enough to be split over every core.
    const QImage source = Noisy(701, 480, 4);
    const std::vector<std::pair<std::string, Filter>> independentOfPlace = {
        {"grey", Greyscale},
        {"brown sepia", BrownSepia},
        {"negative", Negative},
        {"gamma", [](QImage& i) { Gamma(i, 1.8); }},
        {"brightness", [](QImage& i) { Brightness(i, -20); }},
        {"contrast", [](QImage& i) { Contrast(i, 12); }},
        {"solarise", Solarise},
        {"max extract", MaxExtract},
        {"black white swap", BlackWhiteSwap},
        {"mirror", MirrorImage},
    };
    for (const auto& [name, filter] : independentOfPlace) {
        QImage whole = source;
        filter(whole);
        EXPECT_TRUE(SamePixels(whole, BandByBand(source, 1, filter))) << name;
    }
    QImage mosaic = source;
    Mosaic(mosaic, 8, 16);
    EXPECT_TRUE(SamePixels(mosaic, BandByBand(source, 16, [](QImage& i) { Mosaic(i, 8, 16); })));

    QImage noise = source;
    Noise(noise, 64);
    EXPECT_TRUE(SamePixels(noise, PlainNoise(source, 64, false)));
    QImage whiteNoise = source;
    WhiteNoise(whiteNoise, 128);
    EXPECT_TRUE(SamePixels(whiteNoise, PlainNoise(source, 128, true)));
    EXPECT_TRUE(SamePixels(EdgeExtract(source), PlainEdges(source)));

    QImage keyed = source;
    const Rgb key = At(source, 0, 0);
    TopLeftTransparent(keyed, qRgb(1, 2, 3));
    QImage checked = source;
    IeSelect(checked);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const Rgb was = At(source, x, y);
            ASSERT_EQ(At(keyed, x, y), (was == key ? Rgb{1, 2, 3} : was)) << x << "," << y;
            ASSERT_EQ(At(checked, x, y), ((x + y) % 2 == 0 ? Rgb{0, 0, 128} : was)) << x << "," << y;
        }
    }
    const QImage turned = Rotate90(source);
    const QImage back = Rotate270(turned);
    EXPECT_TRUE(SamePixels(back, source));
    EXPECT_EQ(At(turned, source.height() - 1, 0), At(source, 0, 0));
    QImage flipped = source;
    FlipTopBottom(flipped);
    for (int y = 0; y < source.height(); ++y) {
        ASSERT_EQ(
            std::memcmp(flipped.constScanLine(y), source.constScanLine(source.height() - 1 - y), 701 * 3), 0);
    }
}

} // namespace
