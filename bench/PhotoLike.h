#pragma once

#include <QImage>
#include <algorithm>
#include <random>

// Smooth gradients, soft discs and grain: compresses like a photo (about 1 byte per pixel at
// q90). `seed` varies the grain, so two pictures of one size are not the same file.
inline QImage PhotoLike(int width, int height, unsigned seed = 7) {
    QImage image(width, height, QImage::Format_RGB888);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-10, 10);
    for (int y = 0; y < height; ++y) {
        uchar* px = image.scanLine(y);
        for (int x = 0; x < width; ++x, px += 3) {
            const int dx = (x % 1500) - 750;
            const int dy = (y % 1000) - 500;
            const int disc = dx * dx + dy * dy < 300 * 300 ? 60 : 0;
            const int n = grain(random);
            px[0] = static_cast<uchar>(std::clamp(x * 200 / width + disc + n, 0, 255));
            px[1] = static_cast<uchar>(std::clamp(y * 180 / height + 40 + n, 0, 255));
            px[2] =
                static_cast<uchar>(std::clamp(255 - (x + y) * 200 / (width + height) - disc / 2 + n, 0, 255));
        }
    }
    return image;
}
