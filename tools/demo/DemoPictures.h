#pragma once

#include "core/convert/ImageEncoders.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

// The demo folder that a new user sees first, and the pictures the tests reuse as fixtures.
// Everything is drawn from fixed numbers (no clock, no unseeded randomness), so every run on
// one machine gives the same bytes. Needs a QGuiApplication for the fonts.

struct DemoFile {
    QString relativePath; // "/"-separated, inside the demo folder
    QByteArray bytes;
    QString note; // what the file is there to show
};

// Every file of the demo folder, in a fixed order. A file whose bytes could not be made has
// empty bytes.
std::vector<DemoFile> DemoFolderFiles();

// A soft gradient with blurred discs and `label` written large across the middle; a label
// of several lines has its first line large and the rest smaller. `seed` varies colours and
// shapes. Format_RGB32.
QImage DemoPicture(int width, int height, const QString& label, int seed);

// A landscape like a photograph: sky with clouds and a sun, hills, a meadow or water, and
// film grain, so that it compresses like a photograph. No label. Format_RGB32.
QImage DemoPhoto(int width, int height, int seed);

// Writes `label` centred in the middle of `image`, white with a dark outline.
void DrawLabel(QImage& image, const QString& label);

// The makers of the demo files, for tests that need such files. An empty label draws none.
QByteArray DemoJpeg(int width, int height, const JpegEncodeOptions& options = {}, const QString& label = {},
                    int seed = 0);
QByteArray DemoPng(int width, int height, const PngEncodeOptions& options = {}, const QString& label = {},
                   int seed = 0);
QByteArray DemoBmp(int width, int height, int bitsPerPixel, const QString& label = {}, int seed = 0);
// A background frame and a ball in two places: delays 30, 50 and 100 hundredths, disposal
// methods keep, restore previous, restore background.
QByteArray DemoAnimatedGif(int width, int height, const QString& label = {});
// A picture with fully transparent corners and hole and half-transparent discs (ARGB32).
QImage DemoTransparentPicture(int width, int height, const QString& label, int seed);

// `jpeg` cut in the middle of its first scan's data; empty when it has no scan.
QByteArray CutInScanData(const QByteArray& jpeg);
