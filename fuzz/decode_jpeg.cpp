// The JPEG decoder on any bytes, at full size with the fast IDCT and at a scale and accuracy
// the last byte picks.
#include "PictureCheck.h"
#include "core/imaging/JpegDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = static_cast<qint64>(size);
    TouchPicture(DecodeJpeg(data, length, JpegDecodeOptions{}).image);
    if (size > 0) {
        JpegDecodeOptions options;
        options.accurate = (data[size - 1] & 4) != 0;
        options.scale = data[size - 1] & 3;
        TouchPicture(DecodeJpeg(data, length, options).image);
    }
    return 0;
}
