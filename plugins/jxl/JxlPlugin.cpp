// The JPEG XL plug-in: the first frame of a JPEG XL file, decoded by libjxl straight into
// 8-bit RGB rows (RGBA when the picture has alpha) turned by the file's orientation. Each call
// uses its own decoder, so calls may run on several threads at once.
#include "common/PlugInOutput.h"

#include <jxl/decode.h>

using namespace ruvela_spi;

namespace {

bool IsJxl(const std::uint8_t* head, std::size_t size) {
    const JxlSignature signature = JxlSignatureCheck(head, size);
    return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

// A decoder released at the end of the scope.
struct Decoder {
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() { JxlDecoderDestroy(decoder); }
};

// The size as shown: orientations 5 to 8 swap width and height.
void ShownSize(const JxlBasicInfo& info, std::int64_t& width, std::int64_t& height) {
    const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
    width = turned ? info.ysize : info.xsize;
    height = turned ? info.xsize : info.ysize;
}

// Runs the decoder until the basic information; `out` (when given) then receives the first
// frame.
int Decode(const Input& input, JxlBasicInfo& info, OutputBitmap* out) {
    if (!IsJxl(input.data, input.size)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const Decoder owner;
    JxlDecoder* decoder = owner.decoder;
    const int events = JXL_DEC_BASIC_INFO | (out != nullptr ? JXL_DEC_FULL_IMAGE : 0);
    if (decoder == nullptr || JxlDecoderSubscribeEvents(decoder, events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(decoder, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder, input.data, input.size) != JXL_DEC_SUCCESS) {
        return SUSIE_INTERNAL_ERROR;
    }
    JxlDecoderCloseInput(decoder);
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
    for (;;) {
        switch (JxlDecoderProcessInput(decoder)) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(decoder, &info) != JXL_DEC_SUCCESS) {
                return SUSIE_BROKEN_DATA;
            }
            std::int64_t width = 0;
            std::int64_t height = 0;
            ShownSize(info, width, height);
            if (out == nullptr) {
                return SizeAllowed(width, height) ? SUSIE_SUCCESS : SUSIE_NO_MEMORY;
            }
            format.num_channels = info.alpha_bits > 0 ? 4 : 3;
            if (const int made = out->allocate(width, height, info.alpha_bits > 0); made != SUSIE_SUCCESS) {
                return made;
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            std::size_t size = 0;
            const std::size_t expected = out->stride() * std::size_t(out->height());
            if (JxlDecoderImageOutBufferSize(decoder, &format, &size) != JXL_DEC_SUCCESS ||
                size != expected ||
                JxlDecoderSetImageOutBuffer(decoder, &format, out->bits(), expected) != JXL_DEC_SUCCESS) {
                return SUSIE_BROKEN_DATA;
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            for (int y = 0; y < out->height(); ++y) {
                SwapRedBlue(out->row(y), std::size_t(out->width()), out->bytesPerPixel());
            }
            return SUSIE_SUCCESS;
        case JXL_DEC_NEED_MORE_INPUT:
        case JXL_DEC_SUCCESS:
        case JXL_DEC_ERROR:
            return SUSIE_BROKEN_DATA;
        default:
            break;
        }
    }
}

} // namespace

extern "C" {

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    const std::uint32_t version = JxlDecoderVersion();
    const std::string name = "JPEG XL plug-in for Ruvela 1.0 (libjxl " + std::to_string(version / 1000000) +
                             '.' + std::to_string(version / 1000 % 1000) + '.' +
                             std::to_string(version % 1000) + ')';
    return PluginInfo(infono, buf, buflen, name, "*.jxl", "JPEG XL");
}

SUSIE_EXPORT int IsSupported(const char*, void* dw) {
    return dw != nullptr && IsJxl(static_cast<const std::uint8_t*>(dw), 2048) ? 1 : 0;
}

SUSIE_EXPORT int GetPictureInfo(const char* buf, std::int32_t len, unsigned int flag,
                                SusiePictureInfo* lpInfo) {
    Input input;
    if (const int read = ReadInput(buf, len, flag, input); read != SUSIE_SUCCESS) {
        return read;
    }
    JxlBasicInfo info{};
    if (const int decoded = Decode(input, info, nullptr); decoded != SUSIE_SUCCESS) {
        return decoded;
    }
    std::int64_t width = 0;
    std::int64_t height = 0;
    ShownSize(info, width, height);
    return FillPictureInfo(lpInfo, width, height, info.alpha_bits > 0);
}

SUSIE_EXPORT int GetPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback, std::int32_t) {
    Input input;
    if (const int begun = BeginPicture(buf, len, flag, pHBInfo, pHBm, input); begun != SUSIE_SUCCESS) {
        return begun;
    }
    JxlBasicInfo info{};
    OutputBitmap out;
    if (const int decoded = Decode(input, info, &out); decoded != SUSIE_SUCCESS) {
        return decoded;
    }
    return out.hand(pHBInfo, pHBm);
}
}
