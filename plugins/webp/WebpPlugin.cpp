// The WebP plug-in: still pictures, and the first frame of animated ones, decoded by libwebp.
// Each call uses its own decoder, so calls may run on several threads at once.
#include "common/PlugInOutput.h"

#include <webp/decode.h>
#include <webp/demux.h>

using namespace ruvela_spi;

namespace {

bool IsWebp(const std::uint8_t* head, std::size_t size) {
    if (size < 16 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WEBP", 4) != 0) {
        return false;
    }
    return std::memcmp(head + 12, "VP8 ", 4) == 0 || std::memcmp(head + 12, "VP8L", 4) == 0 ||
           std::memcmp(head + 12, "VP8X", 4) == 0;
}

// The first frame of an animation, composed on the canvas, into `out`.
int DecodeFirstFrame(const Input& input, OutputBitmap& out) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) {
        return SUSIE_INTERNAL_ERROR;
    }
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data{input.data, input.size};
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (decoder == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    WebPAnimInfo info;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    int result = SUSIE_BROKEN_DATA;
    if (WebPAnimDecoderGetInfo(decoder, &info) && int(info.canvas_width) == out.width() &&
        int(info.canvas_height) == out.height() && WebPAnimDecoderGetNext(decoder, &canvas, &timestamp)) {
        const std::size_t canvasStride = std::size_t(out.width()) * 4;
        for (int y = 0; y < out.height(); ++y) {
            const std::uint8_t* from = canvas + std::size_t(y) * canvasStride;
            std::uint8_t* to = out.row(y);
            if (out.bytesPerPixel() == 4) {
                std::memcpy(to, from, canvasStride);
            } else {
                for (int x = 0; x < out.width(); ++x, from += 4, to += 3) {
                    to[0] = from[0];
                    to[1] = from[1];
                    to[2] = from[2];
                }
            }
        }
        result = SUSIE_SUCCESS;
    }
    WebPAnimDecoderDelete(decoder);
    return result;
}

} // namespace

extern "C" {

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    const int version = WebPGetDecoderVersion();
    const std::string name =
        "WebP plug-in for Ruvela 1.0 (libwebp " + std::to_string((version >> 16) & 0xff) + '.' +
        std::to_string((version >> 8) & 0xff) + '.' + std::to_string(version & 0xff) + ')';
    return PluginInfo(infono, buf, buflen, name, "*.webp", "WebP");
}

SUSIE_EXPORT int IsSupported(const char*, void* dw) {
    return dw != nullptr && IsWebp(static_cast<const std::uint8_t*>(dw), 2048) ? 1 : 0;
}

SUSIE_EXPORT int GetPictureInfo(const char* buf, std::int32_t len, unsigned int flag,
                                SusiePictureInfo* lpInfo) {
    Input input;
    if (const int read = ReadInput(buf, len, flag, input); read != SUSIE_SUCCESS) {
        return read;
    }
    if (!IsWebp(input.data, input.size)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(input.data, input.size, &features) != VP8_STATUS_OK) {
        return SUSIE_BROKEN_DATA;
    }
    return FillPictureInfo(lpInfo, features.width, features.height, features.has_alpha != 0);
}

SUSIE_EXPORT int GetPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback, std::int32_t) {
    Input input;
    if (const int begun = BeginPicture(buf, len, flag, pHBInfo, pHBm, input); begun != SUSIE_SUCCESS) {
        return begun;
    }
    if (!IsWebp(input.data, input.size)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(input.data, input.size, &features) != VP8_STATUS_OK) {
        return SUSIE_BROKEN_DATA;
    }
    OutputBitmap out;
    if (const int made = out.allocate(features.width, features.height, features.has_alpha != 0);
        made != SUSIE_SUCCESS) {
        return made;
    }
    if (features.has_animation) {
        if (const int decoded = DecodeFirstFrame(input, out); decoded != SUSIE_SUCCESS) {
            return decoded;
        }
        return out.hand(pHBInfo, pHBm);
    }
    const std::size_t size = out.stride() * std::size_t(out.height());
    const int stride = int(out.stride());
    const std::uint8_t* decoded = features.has_alpha
                                      ? WebPDecodeBGRAInto(input.data, input.size, out.bits(), size, stride)
                                      : WebPDecodeBGRInto(input.data, input.size, out.bits(), size, stride);
    if (decoded == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    return out.hand(pHBInfo, pHBm);
}
}
