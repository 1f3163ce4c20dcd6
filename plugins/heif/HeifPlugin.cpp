// The HEIF plug-in: the primary picture of a HEIC, HEIF or AVIF file, decoded by libheif to
// interleaved RGB, or RGBA when the picture has alpha. Each call uses its own libheif context,
// so calls may run on several threads at once.
#include "common/PlugInOutput.h"

#include <libheif/heif.h>

using namespace ruvela_spi;

namespace {

// The brands of an ISO media file that hold a HEIF or AVIF still picture or sequence.
bool IsHeifBrand(const std::uint8_t* brand) {
    static const char* const kBrands[] = {"heic", "heix", "hevc", "hevx", "heim",
                                          "heis", "mif1", "msf1", "avif", "avis"};
    for (const char* known : kBrands) {
        if (std::memcmp(brand, known, 4) == 0) {
            return true;
        }
    }
    return false;
}

// An "ftyp" box first whose major brand, or one of whose compatible brands, is one of them.
bool IsHeif(const std::uint8_t* head, std::size_t size) {
    if (size < 16 || std::memcmp(head + 4, "ftyp", 4) != 0) {
        return false;
    }
    const std::size_t boxSize = std::min<std::size_t>(Read32(head, true), size);
    if (IsHeifBrand(head + 8)) {
        return true;
    }
    for (std::size_t at = 16; at + 4 <= boxSize; at += 4) {
        if (IsHeifBrand(head + at)) {
            return true;
        }
    }
    return false;
}

// The primary picture's handle in a context of its own, released at the end of the scope.
class HeifReader {
public:
    explicit HeifReader(const Input& input) {
        if (m_context == nullptr) {
            return;
        }
        if (heif_context_read_from_memory_without_copy(m_context, input.data, input.size, nullptr).code !=
                heif_error_Ok ||
            heif_context_get_primary_image_handle(m_context, &m_handle).code != heif_error_Ok) {
            m_handle = nullptr;
        }
    }
    ~HeifReader() {
        heif_image_handle_release(m_handle);
        heif_context_free(m_context);
    }
    HeifReader(const HeifReader&) = delete;
    HeifReader& operator=(const HeifReader&) = delete;
    heif_image_handle* handle() const { return m_handle; }

private:
    heif_context* m_context = heif_context_alloc();
    heif_image_handle* m_handle = nullptr;
};

int Prepare(const char* buf, std::int32_t len, unsigned int flag, Input& input) {
    if (const int read = ReadInput(buf, len, flag, input); read != SUSIE_SUCCESS) {
        return read;
    }
    return IsHeif(input.data, input.size) ? SUSIE_SUCCESS : SUSIE_UNKNOWN_FORMAT;
}

} // namespace

extern "C" {

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    return PluginInfo(infono, buf, buflen,
                      std::string("HEIF plug-in for Ruvela 1.0 (libheif ") + heif_get_version() + ')',
                      "*.heic;*.heif;*.avif", "HEIF / AVIF");
}

SUSIE_EXPORT int IsSupported(const char*, void* dw) {
    return dw != nullptr && IsHeif(static_cast<const std::uint8_t*>(dw), 2048) ? 1 : 0;
}

SUSIE_EXPORT int GetPictureInfo(const char* buf, std::int32_t len, unsigned int flag,
                                SusiePictureInfo* lpInfo) {
    Input input;
    if (const int prepared = Prepare(buf, len, flag, input); prepared != SUSIE_SUCCESS) {
        return prepared;
    }
    const HeifReader reader(input);
    if (reader.handle() == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    return FillPictureInfo(lpInfo, heif_image_handle_get_width(reader.handle()),
                           heif_image_handle_get_height(reader.handle()),
                           heif_image_handle_has_alpha_channel(reader.handle()) != 0);
}

SUSIE_EXPORT int GetPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback, std::int32_t) {
    Input input;
    if (const int begun = BeginPicture(buf, len, flag, pHBInfo, pHBm, input); begun != SUSIE_SUCCESS) {
        return begun;
    }
    if (!IsHeif(input.data, input.size)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const HeifReader reader(input);
    if (reader.handle() == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    const bool alpha = heif_image_handle_has_alpha_channel(reader.handle()) != 0;
    OutputBitmap out;
    if (const int made = out.allocate(heif_image_handle_get_width(reader.handle()),
                                      heif_image_handle_get_height(reader.handle()), alpha);
        made != SUSIE_SUCCESS) {
        return made;
    }
    heif_image* image = nullptr;
    if (heif_decode_image(reader.handle(), &image, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
            .code != heif_error_Ok) {
        return SUSIE_BROKEN_DATA;
    }
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    int result = SUSIE_BROKEN_DATA;
    if (plane != nullptr && heif_image_get_width(image, heif_channel_interleaved) == out.width() &&
        heif_image_get_height(image, heif_channel_interleaved) == out.height()) {
        const std::size_t rowBytes = std::size_t(out.width()) * std::size_t(out.bytesPerPixel());
        for (int y = 0; y < out.height(); ++y) {
            std::uint8_t* to = out.row(y);
            std::memcpy(to, plane + std::size_t(y) * std::size_t(stride), rowBytes);
            SwapRedBlue(to, std::size_t(out.width()), out.bytesPerPixel());
        }
        result = SUSIE_SUCCESS;
    }
    heif_image_release(image);
    return result == SUSIE_SUCCESS ? out.hand(pHBInfo, pHBm) : result;
}
}
