#include "core/imaging/GifDecoder.h"

#include "core/common/TextEncoding.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gif_lib.h>

namespace {

constexpr qint64 kMaxPixels = qint64(1) << 28;
constexpr QRgb kClear = 0; // transparent; also stands for "background" until the end

struct MemoryInput {
    const uchar* data;
    qint64 size;
    qint64 position;
};

int ReadGifBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const qint64 n = std::min<qint64>(count, in->size - in->position);
    if (n <= 0) {
        return 0;
    }
    std::memcpy(out, in->data + in->position, static_cast<std::size_t>(n));
    in->position += n;
    return static_cast<int>(n);
}

// giflib's file closed on every path.
class GifReader {
public:
    GifReader(const uchar* data, qint64 size) : m_input{data, size, 0} {
        int status = 0;
        m_gif = DGifOpen(&m_input, ReadGifBytes, &status);
    }
    ~GifReader() {
        if (m_gif != nullptr) {
            int status = 0;
            DGifCloseFile(m_gif, &status);
        }
    }
    GifReader(const GifReader&) = delete;
    GifReader& operator=(const GifReader&) = delete;

    GifFileType* gif() const { return m_gif; }

private:
    MemoryInput m_input;
    GifFileType* m_gif = nullptr;
};

using Palette = std::array<QRgb, 256>;

// Opaque colours of a colour map; indices past its end are black. Without any map the index
// is read as a grey level.
Palette PaletteOf(const ColorMapObject* map) {
    Palette palette;
    if (map == nullptr || map->Colors == nullptr) {
        for (int i = 0; i < 256; ++i) {
            palette[static_cast<std::size_t>(i)] = qRgb(i, i, i);
        }
        return palette;
    }
    palette.fill(qRgb(0, 0, 0));
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = map->Colors[i];
        palette[static_cast<std::size_t>(i)] = qRgb(c.Red, c.Green, c.Blue);
    }
    return palette;
}

// The state carried from one frame to the next.
struct Composer {
    int width = 0;
    int height = 0;
    std::vector<QRgb> canvas;
    std::vector<QRgb> saved; // the canvas before a frame whose disposal restores it
    QRect lastRect;
    int lastDisposal = 0;
    // Graphics control of the next image.
    int delayCs = 0;
    int disposal = 0;
    int transparentIndex = NO_TRANSPARENT_COLOR;
    bool anyTransparency = false;
};

// Reads one image's pixel rows (in GIF interlace order when it is interlaced) and draws them,
// clipped to the screen. False when the data ends or is broken.
bool DrawImage(GifFileType* gif, Composer& c, const Palette& palette) {
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0) {
        // Nothing to draw; skip the picture data.
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) {
            return false;
        }
        while (block != nullptr) {
            if (DGifGetCodeNext(gif, &block) == GIF_ERROR) {
                return false;
            }
        }
        return true;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
    const int visibleLeft = std::max(0, d.Left);
    const int visibleRight = std::min(c.width, d.Left + d.Width);
    auto drawRow = [&](int row) {
        const int y = d.Top + row;
        if (y < 0 || y >= c.height || visibleLeft >= visibleRight) {
            return;
        }
        QRgb* out = c.canvas.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width);
        for (int x = visibleLeft; x < visibleRight; ++x) {
            const int index = line[static_cast<std::size_t>(x - d.Left)];
            if (index != c.transparentIndex) {
                out[x] = palette[static_cast<std::size_t>(index)];
            }
        }
    };
    if (d.Interlace) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < d.Height; row += kStep[pass]) {
                if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
                    return false;
                }
                drawRow(row);
            }
        }
        return true;
    }
    for (int row = 0; row < d.Height; ++row) {
        if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
            return false;
        }
        drawRow(row);
    }
    return true;
}

// Applies the disposal of the frame drawn last, before the next frame is drawn over it.
void Dispose(Composer& c) {
    if (c.lastDisposal == 2) {
        const QRect r = c.lastRect.intersected(QRect(0, 0, c.width, c.height));
        for (int y = r.top(); y <= r.bottom(); ++y) {
            QRgb* row = c.canvas.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width);
            std::fill(row + r.left(), row + r.right() + 1, kClear);
        }
    } else if (c.lastDisposal == 3 && !c.saved.empty()) {
        c.canvas = c.saved;
    }
}

QImage CanvasImage(const Composer& c) {
    QImage image(c.width, c.height, QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    for (int y = 0; y < c.height; ++y) {
        std::memcpy(image.scanLine(y),
                    c.canvas.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(c.width),
                    static_cast<std::size_t>(c.width) * sizeof(QRgb));
    }
    return image;
}

// Frames of a file without transparency become opaque, uncovered areas in the background colour.
QImage Opaque(const QImage& frame, QRgb background) {
    QImage out(frame.size(), QImage::Format_RGB888);
    if (out.isNull()) {
        return out;
    }
    for (int y = 0; y < frame.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        uchar* px = out.scanLine(y);
        for (int x = 0; x < frame.width(); ++x, px += 3) {
            const QRgb v = qAlpha(in[x]) == 0 ? background : in[x];
            px[0] = static_cast<uchar>(qRed(v));
            px[1] = static_cast<uchar>(qGreen(v));
            px[2] = static_cast<uchar>(qBlue(v));
        }
    }
    return out;
}

int DelayMs(int delayCs) {
    // Browsers play the smallest delays at 100 ms; files rely on that.
    return delayCs <= 1 ? 100 : delayCs * 10;
}

bool ReadExtension(GifFileType* gif, Composer& c, QByteArray& comment) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
        return false;
    }
    bool first = true;
    while (block != nullptr) {
        if (code == GRAPHICS_EXT_FUNC_CODE && first) {
            GraphicsControlBlock gcb{};
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) {
                c.delayCs = gcb.DelayTime;
                c.disposal = gcb.DisposalMode;
                c.transparentIndex = gcb.TransparentColor;
            }
        } else if (code == COMMENT_EXT_FUNC_CODE) {
            comment.append(reinterpret_cast<const char*>(block + 1), block[0]);
        }
        first = false;
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            return false;
        }
    }
    return true;
}

// Counts the image descriptors by walking the blocks without decoding them, so that a file
// whose frames would need too much memory is refused before any frame is composed. A file that
// ends early or is broken counts the images seen so far.
qint64 CountImages(const uchar* data, qint64 size) {
    auto skipBlocks = [data, size](qint64 at) {
        while (at < size && data[at] != 0) {
            at += 1 + data[at];
        }
        return at + 1;
    };
    qint64 at = 13;
    if (data[10] & 0x80) {
        at += 3 * (qint64(1) << ((data[10] & 7) + 1));
    }
    qint64 count = 0;
    while (at < size) {
        if (data[at] == 0x21) {
            at = skipBlocks(at + 2);
        } else if (data[at] == 0x2C && at + 10 < size) {
            ++count;
            const uchar packed = data[at + 9];
            at += 10;
            if (packed & 0x80) {
                at += 3 * (qint64(1) << ((packed & 7) + 1));
            }
            at = skipBlocks(at + 1);
        } else {
            break;
        }
    }
    return count;
}

} // namespace

GifHandle DecodeGif(const uchar* data, qint64 size, QString* error) {
    auto fail = [error](const char* why) {
        if (error != nullptr) {
            *error = QString::fromLatin1(why);
        }
        return GifHandle();
    };
    if (data == nullptr || size < 13) {
        return fail("not a GIF file");
    }
    GifReader reader(data, size);
    GifFileType* gif = reader.gif();
    if (gif == nullptr) {
        return fail("not a GIF file");
    }
    Composer c;
    c.width = gif->SWidth;
    c.height = gif->SHeight;
    if (qint64(c.width) * c.height * CountImages(data, size) > kMaxPixels) {
        return fail("too many pixels");
    }
    const Palette global = PaletteOf(gif->SColorMap);
    int bitsPerPixel = gif->SColorMap != nullptr ? gif->SColorMap->BitsPerPixel : 0;
    QRgb background = qRgb(0, 0, 0);
    if (gif->SColorMap != nullptr && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < 256) {
        background = global[static_cast<std::size_t>(gif->SBackGroundColor)];
    }
    std::vector<GifAnimation::Frame> frames;
    QByteArray comment;
    qint64 pixelsSoFar = 0;
    bool ended = false;
    while (!ended) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR) {
            break; // the file ends early: keep the frames that are complete
        }
        if (record == TERMINATE_RECORD_TYPE) {
            ended = true;
        } else if (record == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif, c, comment)) {
                break;
            }
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) == GIF_ERROR) {
                break;
            }
            const GifImageDesc& d = gif->Image;
            if (c.canvas.empty()) {
                // Some writers leave the screen size zero; the first image sets it then.
                if (c.width <= 0 || c.height <= 0) {
                    c.width = std::max(0, d.Left + d.Width);
                    c.height = std::max(0, d.Top + d.Height);
                }
                if (c.width <= 0 || c.height <= 0) {
                    return fail("empty screen");
                }
                if (qint64(c.width) * c.height > kMaxPixels) {
                    return fail("too many pixels");
                }
                c.canvas.assign(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height),
                                kClear);
            }
            const qint64 screenPixels = qint64(c.width) * c.height;
            pixelsSoFar += screenPixels;
            if (pixelsSoFar > kMaxPixels || qint64(d.Width) * d.Height > kMaxPixels) {
                return fail("too many pixels");
            }
            if (bitsPerPixel == 0 && d.ColorMap != nullptr) {
                bitsPerPixel = d.ColorMap->BitsPerPixel;
            }
            Dispose(c);
            const QRect rect(d.Left, d.Top, d.Width, d.Height);
            if (c.disposal == 3) {
                c.saved = c.canvas;
            }
            if (c.transparentIndex != NO_TRANSPARENT_COLOR) {
                c.anyTransparency = true;
            }
            const Palette local = d.ColorMap != nullptr ? PaletteOf(d.ColorMap) : global;
            if (!DrawImage(gif, c, local)) {
                break;
            }
            QImage image = CanvasImage(c);
            if (image.isNull()) {
                return fail("out of memory");
            }
            frames.push_back({std::move(image), DelayMs(c.delayCs)});
            c.lastRect = rect;
            c.lastDisposal = c.disposal;
            c.delayCs = 0;
            c.disposal = 0;
            c.transparentIndex = NO_TRANSPARENT_COLOR;
        }
    }
    if (frames.empty()) {
        return fail("no complete frame");
    }
    if (bitsPerPixel == 0) {
        bitsPerPixel = gif->SColorResolution;
    }
    if (!c.anyTransparency) {
        for (GifAnimation::Frame& frame : frames) {
            frame.image = Opaque(frame.image, background);
            if (frame.image.isNull()) {
                return fail("out of memory");
            }
        }
    }
    return std::make_shared<const GifAnimation>(std::move(frames), bitsPerPixel, DecodeText(comment));
}
