// The camera raw plug-in: a raw file in memory opened by LibRaw. When the camera stored a JPEG
// preview whose longer side has at least 1024 pixels, that preview is shown (decoded by
// libjpeg); otherwise the raw data is demosaiced at half size. Both are turned by the camera's
// orientation. Each call uses its own LibRaw object (the thread-safe libraw_r), so calls may
// run on several threads at once.
#include "common/PlugInOutput.h"

#include <csetjmp>
#include <cstddef>
#include <jpeglib.h>
#include <libraw/libraw.h>
#include <memory>

using namespace ruvela_spi;

namespace {

// The shortest longer side of a preview that is shown in place of the raw data.
constexpr int kPreviewSide = 1024;

bool IsRaw(const std::uint8_t* head, std::size_t size) {
    if (size < 16) {
        return false;
    }
    const auto starts = [&](std::size_t at, const char* magic, std::size_t length) {
        return at + length <= size && std::memcmp(head + at, magic, length) == 0;
    };
    return IsCameraRawTiff(ReadTiffHead(head, size)) || starts(0, "FUJIFILMCCD-RAW", 15) ||
           starts(0, "IIRO", 4) || starts(0, "IIRS", 4) || starts(0, "MMOR", 4) || starts(0, "IIU\0", 4) ||
           starts(0, "FOVb", 4) || starts(0, "\0MRM", 4) || starts(0, "IIII", 4) || starts(0, "MMMM", 4) ||
           (starts(4, "ftyp", 4) && starts(8, "crx ", 4));
}

// Where the pixel at `row`, `col` of the picture as shown lies in the stored picture of
// `height` rows and `width` columns: LibRaw's flip bits 4 (swap rows and columns), 2 (rows
// from the bottom) and 1 (columns from the right).
inline std::size_t StoredIndex(int flip, int row, int col, int width, int height) {
    if (flip & 4) {
        std::swap(row, col);
    }
    if (flip & 2) {
        row = height - 1 - row;
    }
    if (flip & 1) {
        col = width - 1 - col;
    }
    return std::size_t(row) * std::size_t(width) + std::size_t(col);
}

// Copies tightly packed 3-byte pixels of `width` × `height`, turned by `flip`, into `out`;
// `rgb` swaps red and blue on the way. Along an output row the stored pixel moves by a fixed
// step, so each row is one walk from its first pixel.
void PlaceTurned(const std::uint8_t* pixels, int width, int height, int flip, bool rgb, OutputBitmap& out) {
    const std::ptrdiff_t first = std::ptrdiff_t(StoredIndex(flip, 0, 0, width, height));
    const std::ptrdiff_t down =
        out.height() > 1 ? std::ptrdiff_t(StoredIndex(flip, 1, 0, width, height)) - first : 0;
    const std::ptrdiff_t across =
        out.width() > 1 ? std::ptrdiff_t(StoredIndex(flip, 0, 1, width, height)) - first : 0;
    const int red = rgb ? 2 : 0;
    const int blue = rgb ? 0 : 2;
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* to = out.row(y);
        const std::uint8_t* from = pixels + (first + std::ptrdiff_t(y) * down) * 3;
        for (int x = 0; x < out.width(); ++x, to += 3, from += across * 3) {
            to[0] = from[red];
            to[1] = from[1];
            to[2] = from[blue];
        }
    }
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void Silent(j_common_ptr, int) {}

// Reads a JPEG's header into `width` and `height`; with `rows`, also decodes it there as BGR
// rows `stride` bytes apart, when its size is the one `width` and `height` held before. False
// when the header cannot be read, the size differs, or the pixels are cut short.
bool ReadJpeg(const std::uint8_t* data, std::size_t size, int& width, int& height,
              std::uint8_t* rows = nullptr, std::size_t stride = 0) {
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOnError;
    error.manager.emit_message = Silent;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    const bool sameSize = width == int(info.image_width) && height == int(info.image_height);
    width = int(info.image_width);
    height = int(info.image_height);
    if (rows == nullptr || !sameSize) {
        jpeg_destroy_decompress(&info);
        return rows == nullptr;
    }
    info.out_color_space = JCS_EXT_BGR;
    // The fast path, as the program's own JPEG decoder takes unless told to favour quality.
    info.dct_method = JDCT_IFAST;
    info.do_fancy_upsampling = FALSE;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rows + std::size_t(info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    // A preview cut short leaves rows the decoder filled itself; the warning tells of it.
    const bool whole = error.manager.num_warnings == 0;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return whole;
}

// The camera's JPEG preview and its stored size when it is large enough to be shown.
bool LargePreview(LibRaw& raw, const std::uint8_t*& jpeg, std::size_t& size, int& width, int& height) {
    if (raw.unpack_thumb() != LIBRAW_SUCCESS || raw.imgdata.thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG ||
        raw.imgdata.thumbnail.thumb == nullptr) {
        return false;
    }
    jpeg = reinterpret_cast<const std::uint8_t*>(raw.imgdata.thumbnail.thumb);
    size = raw.imgdata.thumbnail.tlength;
    return ReadJpeg(jpeg, size, width, height) && std::max(width, height) >= kPreviewSide &&
           SizeAllowed(width, height);
}

// The camera's JPEG preview when it is large enough; SUSIE_UNKNOWN_FORMAT when there is none.
int DecodePreview(LibRaw& raw, OutputBitmap& out) {
    const std::uint8_t* jpeg = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    if (!LargePreview(raw, jpeg, size, width, height)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const int flip = raw.imgdata.sizes.flip;
    const bool swap = (flip & 4) != 0;
    if (const int made = out.allocate(swap ? height : width, swap ? width : height, false);
        made != SUSIE_SUCCESS) {
        return made;
    }
    if (flip == 0) {
        return ReadJpeg(jpeg, size, width, height, out.bits(), out.stride()) ? SUSIE_SUCCESS
                                                                             : SUSIE_UNKNOWN_FORMAT;
    }
    std::vector<std::uint8_t> stored;
    try {
        stored.resize(std::size_t(width) * std::size_t(height) * 3);
    } catch (const std::bad_alloc&) {
        return SUSIE_NO_MEMORY;
    }
    if (!ReadJpeg(jpeg, size, width, height, stored.data(), std::size_t(width) * 3)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    PlaceTurned(stored.data(), width, height, flip, false, out);
    return SUSIE_SUCCESS;
}

// Set when LibRaw met the end of the data before the raw picture was complete.
void NoteDataError(void* data, const char*, const int) {
    *static_cast<bool*>(data) = true;
}

// The raw data demosaiced at half size. LibRaw's memory image is already turned.
int DecodeRaw(LibRaw& raw, OutputBitmap& out) {
    bool dataError = false;
    raw.set_dataerror_handler(NoteDataError, &dataError);
    raw.imgdata.params.half_size = 1;
    raw.imgdata.params.use_camera_wb = 1;
    if (!SizeAllowed(raw.imgdata.sizes.raw_width, raw.imgdata.sizes.raw_height)) {
        return SUSIE_NO_MEMORY;
    }
    if (raw.unpack() != LIBRAW_SUCCESS || dataError || raw.dcraw_process() != LIBRAW_SUCCESS) {
        return SUSIE_BROKEN_DATA;
    }
    int error = 0;
    libraw_processed_image_t* image = raw.dcraw_make_mem_image(&error);
    if (image == nullptr) {
        return error == ENOMEM ? SUSIE_NO_MEMORY : SUSIE_BROKEN_DATA;
    }
    int result = SUSIE_BROKEN_DATA;
    if (image->type == LIBRAW_IMAGE_BITMAP && image->colors == 3 && image->bits == 8) {
        result = out.allocate(image->width, image->height, false);
        if (result == SUSIE_SUCCESS) {
            PlaceTurned(image->data, image->width, image->height, 0, true, out);
        }
    }
    LibRaw::dcraw_clear_mem(image);
    return result;
}

// A LibRaw object that has opened the input; null when the input is no raw file it knows.
std::unique_ptr<LibRaw> Open(const Input& input, int& result) {
    result = SUSIE_UNKNOWN_FORMAT;
    if (!IsRaw(input.data, input.size)) {
        return nullptr;
    }
    std::unique_ptr<LibRaw> raw;
    try {
        raw = std::make_unique<LibRaw>(LIBRAW_OPTIONS_NONE);
    } catch (const std::bad_alloc&) {
        result = SUSIE_NO_MEMORY;
        return nullptr;
    }
    if (raw->open_buffer(const_cast<std::uint8_t*>(input.data), input.size) != LIBRAW_SUCCESS) {
        result = SUSIE_BROKEN_DATA;
        return nullptr;
    }
    result = SUSIE_SUCCESS;
    return raw;
}

} // namespace

extern "C" {

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    return PluginInfo(
        infono, buf, buflen, std::string("RAW plug-in for Ruvela 1.0 (LibRaw ") + LibRaw::version() + ')',
        "*.dng;*.cr2;*.cr3;*.nef;*.nrw;*.arw;*.srf;*.sr2;*.raf;*.orf;*.rw2;*.pef;*.srw;*.x3f;*.3fr;"
        "*.iiq;*.erf;*.kdc;*.dcr;*.mrw;*.mos",
        "Camera RAW");
}

SUSIE_EXPORT int IsSupported(const char*, void* dw) {
    return dw != nullptr && IsRaw(static_cast<const std::uint8_t*>(dw), 2048) ? 1 : 0;
}

SUSIE_EXPORT int GetPictureInfo(const char* buf, std::int32_t len, unsigned int flag,
                                SusiePictureInfo* lpInfo) {
    Input input;
    if (const int read = ReadInput(buf, len, flag, input); read != SUSIE_SUCCESS) {
        return read;
    }
    int result = SUSIE_SUCCESS;
    const std::unique_ptr<LibRaw> raw = Open(input, result);
    if (raw == nullptr) {
        return result;
    }
    // The size GetPicture gives: the large preview's, or half the raw picture's.
    const std::uint8_t* jpeg = nullptr;
    std::size_t size = 0;
    int width = 0;
    int height = 0;
    if (!LargePreview(*raw, jpeg, size, width, height)) {
        // Half size halves only a mosaic; pictures with every colour at each pixel stay whole.
        const int shrink = raw->imgdata.idata.filters != 0 ? 1 : 0;
        width = (raw->imgdata.sizes.width + shrink) >> shrink;
        height = (raw->imgdata.sizes.height + shrink) >> shrink;
    }
    const bool swap = (raw->imgdata.sizes.flip & 4) != 0;
    return FillPictureInfo(lpInfo, swap ? height : width, swap ? width : height, false);
}

SUSIE_EXPORT int GetPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback, std::int32_t) {
    Input input;
    if (const int begun = BeginPicture(buf, len, flag, pHBInfo, pHBm, input); begun != SUSIE_SUCCESS) {
        return begun;
    }
    int result = SUSIE_SUCCESS;
    const std::unique_ptr<LibRaw> raw = Open(input, result);
    if (raw == nullptr) {
        return result;
    }
    {
        OutputBitmap preview;
        result = DecodePreview(*raw, preview);
        if (result == SUSIE_SUCCESS) {
            return preview.hand(pHBInfo, pHBm);
        }
        if (result != SUSIE_UNKNOWN_FORMAT) {
            return result;
        }
    }
    OutputBitmap out;
    result = DecodeRaw(*raw, out);
    return result == SUSIE_SUCCESS ? out.hand(pHBInfo, pHBm) : result;
}
}
