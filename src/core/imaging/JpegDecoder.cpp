#include "core/imaging/JpegDecoder.h"

#include "core/common/TextEncoding.h"
#include "core/imaging/PixelBufferPool.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr qint64 kMaxPixels = qint64(1) << 28;
// libjpeg keeps whole-picture coefficient buffers for progressive files; past this it stops
// with an error instead of allocating.
constexpr long kMaxLibraryMemory = 1L << 30;

// The libjpeg state of one decode. Plain C data only: the functions below that call setjmp hold
// nothing with a destructor, so a longjmp from inside libjpeg skips no C++ cleanup.
struct JpegSession {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // What arrived of a file that ends early. A component's first data comes in one scan (its
    // sequential scan, or the DC pass of a progressive file); `arrived` counts the iMCU rows of
    // that scan read in full before the data stopped, kAllRows while nothing was missing.
    bool ranOut;
    bool started[MAX_COMPONENTS];
    JDIMENSION arrived[MAX_COMPONENTS];
};

constexpr JDIMENSION kAllRows = ~JDIMENSION(0);

// `info` is the session's first member, so libjpeg's pointer to it is the session's address.
JpegSession* SessionOf(j_common_ptr info) {
    return reinterpret_cast<JpegSession*>(info);
}

[[noreturn]] void OnJpegError(j_common_ptr info) {
    JpegSession* session = SessionOf(info);
    (*info->err->format_message)(info, session->message);
    std::longjmp(session->jump, 1);
}

// True when the scan being read brings its components' first data: later progressive passes
// only refine what is there.
bool FirstDataScan(const jpeg_decompress_struct& info) {
    return info.progressive_mode == FALSE || (info.Ss == 0 && info.Ah == 0);
}

// Called between the iMCU rows libjpeg reads: notes whose first data the scan brings.
void OnJpegProgress(j_common_ptr common) {
    JpegSession* s = SessionOf(common);
    if (!FirstDataScan(s->info)) {
        return;
    }
    for (int i = 0; i < s->info.comps_in_scan; ++i) {
        s->started[s->info.cur_comp_info[i]->component_index] = true;
    }
}

// The data of the scan being read stopped inside the iMCU row being read: the rows before it
// are whole, the rest is what libjpeg makes of nothing (mid grey).
void NoteCut(JpegSession* s) {
    if (!FirstDataScan(s->info)) {
        return;
    }
    for (int i = 0; i < s->info.comps_in_scan; ++i) {
        const int c = s->info.cur_comp_info[i]->component_index;
        s->started[c] = true;
        s->arrived[c] = std::min(s->arrived[c], s->info.input_iMCU_row);
    }
}

// Warnings are counted, not printed. At the end of the data libjpeg warns, puts an end marker
// in and goes on; the Huffman decoders warn again once they need bits that are not there, which
// is where the data really stops (they read a few bytes ahead, so a file that lacks only its
// end marker gets the first warning but not the second).
void OnJpegMessage(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    JpegSession* s = SessionOf(info);
    ++info->err->num_warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF) {
        s->ranOut = true;
        // The arithmetic decoder says nothing more: the data stops here for it.
        if (s->info.arith_code) {
            NoteCut(s);
        }
    } else if (info->err->msg_code == JWRN_HIT_MARKER && s->ranOut) {
        NoteCut(s);
    }
}

// Reads the headers and chooses the output. True when the picture can be decoded.
bool JpegReadHeader(JpegSession* s, const unsigned char* data, unsigned long size, int scale, bool accurate) {
    if (setjmp(s->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&s->info);
    s->info.progress = &s->progress;
    s->info.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&s->info, data, size);
    jpeg_save_markers(&s->info, JPEG_COM, 0xFFFF);
    jpeg_read_header(&s->info, TRUE);
    if (s->info.jpeg_color_space == JCS_CMYK || s->info.jpeg_color_space == JCS_YCCK) {
        s->info.out_color_space = JCS_CMYK;
    } else {
        s->info.out_color_space = JCS_RGB;
    }
    s->info.scale_num = 1;
    s->info.scale_denom = 1u << scale;
    s->info.dct_method = accurate ? JDCT_ISLOW : JDCT_IFAST;
    s->info.do_fancy_upsampling = accurate ? TRUE : FALSE;
    jpeg_calc_output_dimensions(&s->info);
    return true;
}

unsigned char Ink(unsigned a, unsigned b) {
    return static_cast<unsigned char>((a * b + 127) / 255);
}

// Converts one CMYK row. Adobe's files store the inks inverted (255 = no ink), which libjpeg
// passes through as they are.
void CmykRow(const unsigned char* in, unsigned char* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const unsigned c = inverted ? in[0] : 255u - in[0];
        const unsigned m = inverted ? in[1] : 255u - in[1];
        const unsigned y = inverted ? in[2] : 255u - in[2];
        const unsigned k = inverted ? in[3] : 255u - in[3];
        out[0] = Ink(c, k);
        out[1] = Ink(m, k);
        out[2] = Ink(y, k);
    }
}

// Decodes every row into `pixels`, `stride` bytes apart. True when all rows arrived.
bool JpegReadRows(JpegSession* s, unsigned char* pixels, std::size_t stride) {
    if (setjmp(s->jump) != 0) {
        return false;
    }
    jpeg_start_decompress(&s->info);
    const JDIMENSION height = s->info.output_height;
    const JDIMENSION width = s->info.output_width;
    if (s->info.out_color_space == JCS_CMYK) {
        const bool inverted = s->info.saw_Adobe_marker != 0;
        const JDIMENSION batch = static_cast<JDIMENSION>(s->info.rec_outbuf_height);
        JSAMPARRAY cmyk = (*s->info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->info), JPOOL_IMAGE,
                                                       width * 4, batch);
        while (s->info.output_scanline < height) {
            const JDIMENSION first = s->info.output_scanline;
            const JDIMENSION got = jpeg_read_scanlines(&s->info, cmyk, batch);
            if (got == 0) {
                return false;
            }
            for (JDIMENSION i = 0; i < got; ++i) {
                CmykRow(cmyk[i], pixels + (first + i) * stride, width, inverted);
            }
        }
        return true;
    }
    constexpr JDIMENSION kBatch = 16;
    JSAMPROW rows[kBatch];
    while (s->info.output_scanline < height) {
        const JDIMENSION first = s->info.output_scanline;
        const JDIMENSION count = std::min(kBatch, height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = pixels + (first + i) * stride;
        }
        if (jpeg_read_scanlines(&s->info, rows, count) == 0) {
            return false;
        }
    }
    // All rows are in; what follows them in the file is not needed.
    return true;
}

// Output rows whose data arrived in full: all of them unless the file ended early. The rows
// just above a cut may still take a faint tint from it, as smooth upsampling and the smoothing
// of progressive passes look at the neighbouring rows.
JDIMENSION ArrivedRows(const JpegSession& s) {
#if JPEG_LIB_VERSION >= 70
    const JDIMENSION blockRows = static_cast<JDIMENSION>(s.info.min_DCT_v_scaled_size);
#else
    const JDIMENSION blockRows = static_cast<JDIMENSION>(s.info.min_DCT_scaled_size);
#endif
    const JDIMENSION rowsPerIMCU = static_cast<JDIMENSION>(s.info.max_v_samp_factor) * blockRows;
    JDIMENSION rows = s.info.output_height;
    for (int c = 0; c < s.info.num_components; ++c) {
        if (!s.started[c]) {
            return 0;
        }
        if (s.arrived[c] != kAllRows) {
            rows = std::min(rows, s.arrived[c] * rowsPerIMCU);
        }
    }
    return rows;
}

// Paints the rows from `first` down in `colour`.
void FillRows(const QImage& image, uchar* pixels, int first, QRgb colour) {
    const auto stride = static_cast<std::size_t>(image.bytesPerLine());
    uchar* row = pixels + static_cast<std::size_t>(first) * stride;
    for (int x = 0; x < image.width(); ++x) {
        row[3 * x] = static_cast<uchar>(qRed(colour));
        row[3 * x + 1] = static_cast<uchar>(qGreen(colour));
        row[3 * x + 2] = static_cast<uchar>(qBlue(colour));
    }
    for (int y = first + 1; y < image.height(); ++y) {
        std::memcpy(pixels + static_cast<std::size_t>(y) * stride, row,
                    static_cast<std::size_t>(image.width()) * 3);
    }
}

QString JpegComments(const jpeg_decompress_struct& info) {
    QString comment;
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        if (m->marker != JPEG_COM) {
            continue;
        }
        QByteArray bytes(reinterpret_cast<const char*>(m->data), static_cast<qsizetype>(m->data_length));
        // Windows programs often store the terminating zero as well.
        while (bytes.endsWith('\0')) {
            bytes.chop(1);
        }
        if (!comment.isEmpty()) {
            comment += QLatin1Char('\n');
        }
        comment += DecodeText(bytes);
    }
    return comment;
}

// Owns the session for the C++ side: libjpeg's memory is released on every path.
class JpegDecompressor {
public:
    JpegDecompressor() {
        m_session = new JpegSession{};
        m_session->info.err = jpeg_std_error(&m_session->errors);
        m_session->errors.error_exit = OnJpegError;
        m_session->errors.emit_message = OnJpegMessage;
        m_session->progress.progress_monitor = OnJpegProgress;
        std::fill(std::begin(m_session->arrived), std::end(m_session->arrived), kAllRows);
    }
    ~JpegDecompressor() {
        jpeg_destroy_decompress(&m_session->info);
        delete m_session;
    }
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    JpegSession* session() { return m_session; }
    QString message() const {
        return m_session->message[0] != '\0' ? QString::fromLocal8Bit(m_session->message)
                                             : QStringLiteral("decoding stopped");
    }

private:
    JpegSession* m_session;
};

} // namespace

DecodedPicture DecodeJpeg(const uchar* data, qint64 size, const JpegDecodeOptions& options,
                          PixelBufferPool* pool) {
    DecodedPicture result;
    if (data == nullptr || size <= 0) {
        result.error = QStringLiteral("empty file");
        return result;
    }
    JpegDecompressor decompressor;
    JpegSession* s = decompressor.session();
    const int scale = std::clamp(options.scale, 0, 3);
    if (!JpegReadHeader(s, data, static_cast<unsigned long>(size), scale, options.accurate)) {
        result.error = decompressor.message();
        return result;
    }
    const qint64 width = s->info.output_width;
    const qint64 height = s->info.output_height;
    if (width <= 0 || height <= 1 || width * height > kMaxPixels) {
        result.error = QStringLiteral("unsupported size %1x%2").arg(width).arg(height);
        return result;
    }
    result.comment = JpegComments(s->info);
    switch (s->info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        result.bitDepth = 8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        result.bitDepth = 254;
        break;
    default:
        result.bitDepth = 24;
        break;
    }

    const QSize pictureSize(static_cast<int>(width), static_cast<int>(height));
    QImage image;
    uchar* pixels = nullptr;
    if (pool != nullptr) {
        PixelBufferPool::Lease lease = pool->acquire(pictureSize, QImage::Format_RGB888);
        image = std::move(lease.image);
        pixels = lease.pixels;
    } else {
        image = QImage(pictureSize, QImage::Format_RGB888);
        pixels = image.isNull() ? nullptr : image.bits();
    }
    if (pixels == nullptr) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    if (!JpegReadRows(s, pixels, static_cast<std::size_t>(image.bytesPerLine()))) {
        result.error = decompressor.message();
        return result;
    }
    // A file cut short shows what arrived; the rows it did not deliver would be grey.
    const auto arrived = static_cast<int>(ArrivedRows(*s));
    if (arrived == 0) {
        result.error = QStringLiteral("the data ends before the first row");
        return result;
    }
    if (arrived < image.height()) {
        FillRows(image, pixels, arrived, options.missingFill);
    }
    result.incomplete = s->ranOut;
    result.image = std::move(image);
    return result;
}
