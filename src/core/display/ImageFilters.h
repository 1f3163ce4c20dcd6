#pragma once

#include <QImage>
#include <QRgb>

// The picture filters of the view: pure functions on a 24-bit picture (QImage::Format_RGB888;
// a picture in another format is converted to it first). Each works in place, or returns a new
// picture where the size changes. Safe on any thread; the operations that are independent per
// row split the rows over the cores and give the same bytes whatever the number of threads.

enum class Orientation { Normal, Mirror, TopBottom, Rotate90, Rotate180, Rotate270 };
enum class ColourTone { Normal, BrownSepia, BlueSepia, Grey, Negative };
enum class Sharpness { Normal, Sharpen48, Sharpen96, Blur1, Blur3 };
enum class Special {
    Normal,
    LineDrawing,
    Edge,
    Noise,
    WhiteNoise,
    Solarise,
    Mosaic,
    DotDiffusion,
    MaxExtract,
    IeSelect,
    BlackWhiteSwap,
    TopLeftTransparent,
};

// The choice made in each of the seven filter groups of the view.
struct FilterSettings {
    Orientation orientation = Orientation::Normal;
    ColourTone colourTone = ColourTone::Normal;
    double gamma = 2.2; // 2.2 is the standard: the picture is left as it is
    int brightness = 0;
    int contrast = 0;
    Sharpness sharpness = Sharpness::Normal;
    Special special = Special::Normal;

    bool operator==(const FilterSettings&) const = default;
};

// The settings with every group at its standard choice.
FilterSettings FilterReset();

// Orientation, colour tone, gamma, brightness and contrast, in that order.
void Image2Filter(QImage& image, const FilterSettings& settings);

// The sharpness group, then the special filter. `extraSharpen` is added to the sharpening
// strength (it sharpens on its own when sharpness is standard; it is ignored with a blur);
// `background` is the colour the top-left transparency shows through.
void SharpnessAndSpecial(QImage& image, const FilterSettings& settings, int extraSharpen, QRgb background);

// Orientation.
void MirrorImage(QImage& image);
void FlipTopBottom(QImage& image);
void Rotate180(QImage& image);
QImage Rotate90(const QImage& image);  // clockwise
QImage Rotate270(const QImage& image); // counter-clockwise

// Colour tone and levels. The tone values are what each channel reaches at the middle grey.
void SepiaTone(QImage& image, int toneRed, int toneGreen, int toneBlue);
void BrownSepia(QImage& image);
void BlueSepia(QImage& image);
void Greyscale(QImage& image);
void Negative(QImage& image);
void Gamma(QImage& image, double gamma); // no change outside 0.75 … 3 or at 2.2
void Brightness(QImage& image, int delta);
void Contrast(QImage& image, int percent);

// Sharpness, each pixel in raster order reading the already changed pixels above and left.
void Sharpen(QImage& image, int strength); // strength 10 … 255
void Blur(QImage& image, int radius);

// Special filters.
void LineDrawing(QImage& image);
QImage EdgeExtract(const QImage& image);
void Noise(QImage& image, int range);      // a random 0 … range - 1 added to every byte
void WhiteNoise(QImage& image, int range); // the same random for the three bytes of a pixel
void Solarise(QImage& image);
void Mosaic(QImage& image, int blockWidth, int blockHeight);
void DotDiffusion(QImage& image, int distance);
void MaxExtract(QImage& image);
void IeSelect(QImage& image);
void BlackWhiteSwap(QImage& image);
void TopLeftTransparent(QImage& image, QRgb background);
