// The BMP decoder and the bit-depth reader of its header on any bytes.
#include "PictureCheck.h"
#include "core/imaging/BmpDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<qint64>(size);
    BmpBitDepth(data, length);
    TouchPicture(DecodeBmp(data, length).image);
    return 0;
}
