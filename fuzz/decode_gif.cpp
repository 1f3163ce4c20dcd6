// The GIF decoder on any bytes: every frame it composes.
#include "PictureCheck.h"
#include "core/imaging/GifDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString error;
    const GifHandle animation = DecodeGif(data, static_cast<qint64>(size), &error);
    if (animation) {
        for (int n = 0; n < animation->frameCount(); ++n) {
            TouchPicture(animation->frame(n).image);
        }
    }
    return 0;
}
