// The PNG decoder on any bytes.
#include "PictureCheck.h"
#include "core/imaging/PngDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TouchPicture(DecodePng(data, static_cast<qint64>(size)).image);
    return 0;
}
