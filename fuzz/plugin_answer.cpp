// The check and conversion of a picture plug-in's answer on any bytes. The first two bytes
// (little-endian) give the size of the info block, the rest after it is the bits block; each
// block is copied into an allocation of exactly its size, so a read past either one shows up.
#include "PictureCheck.h"
#include "core/imaging/TSpiLib32.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::size_t infoSize = std::min<std::size_t>(data[0] | (std::size_t(data[1]) << 8), size - 2);
    const std::vector<std::uint8_t> info(data + 2, data + 2 + infoSize);
    const std::vector<std::uint8_t> bits(data + 2 + infoSize, data + size);
    QImage image;
    QString reason;
    if (DibToImage(info.data(), info.size(), bits.data(), bits.size(), &image, &reason) == image.isNull()) {
        std::abort();
    }
    TouchPicture(image);
    return 0;
}
