#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <jpeglib.h>

// libjpeg-turbo's output in the byte order of QImage::Format_RGB32, Qt's fastest format.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kQtRgb32 = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kQtRgb32 = JCS_EXT_XRGB;
#endif

// A plain libjpeg-turbo decode of `bytes` into `pixels` (rows of width pixels, 3 bytes each
// for JCS_RGB, 4 for kQtRgb32), as any program would write it; errors end the process, the
// input is known to be good.
inline void BareDecode(const QByteArray& bytes, int scale, bool accurate, unsigned char* pixels,
                       J_COLOR_SPACE output = JCS_RGB) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = output;
    info.scale_num = 1;
    info.scale_denom = 1u << scale;
    info.dct_method = accurate ? JDCT_ISLOW : JDCT_IFAST;
    info.do_fancy_upsampling = accurate ? TRUE : FALSE;
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t(info.output_width) * std::size_t(info.output_components);
    JSAMPROW rows[16];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = pixels + (first + i) * stride;
        }
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
}
