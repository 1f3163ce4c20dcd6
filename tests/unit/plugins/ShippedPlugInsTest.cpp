// The plug-ins shipped with Ruvela, each loaded with dlopen from the build's PlugIn folder and
// called as the host calls them, on the demo folder's pictures in their formats.
#include "SusiePlugin.h"
#include "demo/DemoPlugInPictures.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"

#include <QFile>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <tiffio.h>

namespace {

using GetPluginInfoFn = int (*)(int, char*, int);
using IsSupportedFn = int (*)(const char*, void*);
using GetPictureInfoFn = int (*)(const char*, int32_t, unsigned int, SusiePictureInfo*);
using GetPictureFn = int (*)(const char*, int32_t, unsigned int, void**, void**, SusieProgressCallback,
                             int32_t);
using ThreadSafeFn = int (*)();

// One loaded plug-in and its exported functions.
struct PlugIn {
    void* handle = nullptr;
    GetPluginInfoFn info = nullptr;
    IsSupportedFn isSupported = nullptr;
    GetPictureInfoFn pictureInfo = nullptr;
    GetPictureFn picture = nullptr;
    GetPictureFn preview = nullptr;
    ThreadSafeFn threadSafe = nullptr;

    std::string item(int number) const {
        char text[256];
        std::memset(text, 'x', sizeof text);
        const int length = info(number, text, int(sizeof text));
        return length > 0 ? std::string(text, std::size_t(length)) : std::string();
    }
    bool supports(const QByteArray& bytes) const {
        // The host passes at least 2048 bytes, zeros past the end of a shorter file.
        QByteArray head = bytes.left(2048);
        head.append(QByteArray(2048 - head.size(), '\0'));
        return isSupported(nullptr, head.data()) != 0;
    }
};

// Loads `name`.spi once for the whole run; a failure is reported by the test that needs it.
const PlugIn& Load(const std::string& name) {
    static std::map<std::string, PlugIn> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end()) {
        return found->second;
    }
    PlugIn plugIn;
    const std::string path = std::string(RUVELA_TEST_PLUGIN_DIR) + '/' + name + ".spi";
    plugIn.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugIn.handle != nullptr) {
        plugIn.info = reinterpret_cast<GetPluginInfoFn>(dlsym(plugIn.handle, "GetPluginInfo"));
        plugIn.isSupported = reinterpret_cast<IsSupportedFn>(dlsym(plugIn.handle, "IsSupported"));
        plugIn.pictureInfo = reinterpret_cast<GetPictureInfoFn>(dlsym(plugIn.handle, "GetPictureInfo"));
        plugIn.picture = reinterpret_cast<GetPictureFn>(dlsym(plugIn.handle, "GetPicture"));
        plugIn.preview = reinterpret_cast<GetPictureFn>(dlsym(plugIn.handle, "GetPreview"));
        plugIn.threadSafe = reinterpret_cast<ThreadSafeFn>(dlsym(plugIn.handle, "RuvelaPluginThreadSafe"));
    }
    return loaded.emplace(name, plugIn).first->second;
}

QByteArray DemoBytes(const char* name) {
    QFile file(DemoFolder() + QStringLiteral("/plugins/") + QString::fromUtf8(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The two blocks of a GetPicture call, freed as the host frees them.
struct Decoded {
    int code = -100;
    void* info = nullptr;
    void* bits = nullptr;
    ~Decoded() {
        std::free(info);
        std::free(bits);
    }
    const SusieBitmapInfoHeader& header() const { return *static_cast<const SusieBitmapInfoHeader*>(info); }
    // The bytes B, G, R (and A with 32 bits) of the pixel at x, y from the top.
    const uint8_t* pixel(int x, int y) const {
        const SusieBitmapInfoHeader& h = header();
        const std::size_t stride = (std::size_t(h.biWidth) * h.biBitCount / 8 + 3) & ~std::size_t(3);
        const int row = h.biHeight < 0 ? y : h.biHeight - 1 - y;
        return static_cast<const uint8_t*>(bits) + std::size_t(row) * stride +
               std::size_t(x) * h.biBitCount / 8;
    }
};

std::unique_ptr<Decoded> Decode(const PlugIn& plugIn, const QByteArray& bytes) {
    auto decoded = std::make_unique<Decoded>();
    decoded->info = reinterpret_cast<void*>(1);
    decoded->bits = reinterpret_cast<void*>(1);
    decoded->code = plugIn.picture(bytes.constData(), int32_t(bytes.size()), SUSIE_INPUT_MEMORY,
                                   &decoded->info, &decoded->bits, nullptr, 0);
    return decoded;
}

struct PlugInCase {
    const char* plugIn;
    const char* name;     // start of item 1
    const char* patterns; // item 2
};

const PlugInCase kPlugIns[] = {
    {"webp", "WebP plug-in for Ruvela 1.0 (libwebp ", "*.webp"},
    {"tiff", "TIFF plug-in for Ruvela 1.0 (libtiff ", "*.tif;*.tiff"},
    {"heif", "HEIF plug-in for Ruvela 1.0 (libheif ", "*.heic;*.heif;*.avif"},
    {"jxl", "JPEG XL plug-in for Ruvela 1.0 (libjxl ", "*.jxl"},
    {"raw", "RAW plug-in for Ruvela 1.0 (LibRaw ",
     "*.dng;*.cr2;*.cr3;*.nef;*.nrw;*.arw;*.srf;*.sr2;*.raf;*.orf;*.rw2;*.pef;*.srw;*.x3f;*.3fr;*.iiq;*.erf;*"
     ".kdc;*.dcr;"
     "*.mrw;*.mos"},
};

void PrintTo(const PlugInCase& c, std::ostream* out) {
    *out << c.plugIn;
}

class ShippedPlugIn : public testing::TestWithParam<PlugInCase> {};

TEST_P(ShippedPlugIn, DescribesItselfAsAPicturePlugIn) {
    const PlugIn& plugIn = Load(GetParam().plugIn);
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    ASSERT_NE(plugIn.info, nullptr);
    ASSERT_NE(plugIn.isSupported, nullptr);
    ASSERT_NE(plugIn.pictureInfo, nullptr);
    ASSERT_NE(plugIn.picture, nullptr);
    ASSERT_NE(plugIn.preview, nullptr);
    ASSERT_NE(plugIn.threadSafe, nullptr);
    EXPECT_EQ(plugIn.item(0), SUSIE_PICTURE_API);
    const std::string name = plugIn.item(1);
    EXPECT_EQ(name.rfind(GetParam().name, 0), 0u) << name;
    // The library's version as it tells it at run time: digits and dots, then ")".
    const std::string version = name.substr(std::min(name.size(), std::strlen(GetParam().name)));
    EXPECT_TRUE(version.size() >= 2 && std::isdigit(uchar(version[0])) && version.back() == ')') << name;
    EXPECT_EQ(plugIn.item(2), GetParam().patterns);
    EXPECT_FALSE(plugIn.item(3).empty());
    EXPECT_EQ(plugIn.item(4), "");
    EXPECT_EQ(plugIn.threadSafe(), 1);
    // A short buffer gets the text cut, with its NUL.
    char shortText[3] = {'x', 'x', 'x'};
    EXPECT_EQ(plugIn.info(0, shortText, 3), 2);
    EXPECT_STREQ(shortText, "00");

    void* info = nullptr;
    void* bits = nullptr;
    const char nothing[4] = {};
    EXPECT_EQ(plugIn.preview(nothing, 4, SUSIE_INPUT_MEMORY, &info, &bits, nullptr, 0),
              SUSIE_NOT_IMPLEMENTED);
}

INSTANTIATE_TEST_SUITE_P(All, ShippedPlugIn, testing::ValuesIn(kPlugIns),
                         [](const auto& info) { return std::string(info.param.plugIn); });

// A pixel whose colour the demo picture fixes.
struct Mark {
    int x;
    int y;
    QColor colour;
    int alpha; // -1 where the picture has no alpha
};

struct PictureCase {
    const char* plugIn;
    const char* file;
    int width;
    int height;
    int bitCount;
    int tolerance; // 0 for lossless pictures
    // The format checks its data (zlib's sums, an entropy coder that notices nonsense), so bytes
    // flipped in the middle are refused; other formats may decode them into a picture.
    bool refusesFlippedBytes;
    std::vector<Mark> marks;
};

const int kHalf = kMarkSize / 2;

// The centres of the two marks of a picture drawn as it is shown; `alpha` -1 without alpha.
std::vector<Mark> Corners(int width, int height, int alpha) {
    return {{kHalf, kHalf, kMarkFirst, alpha}, {width - kHalf, height - kHalf, kMarkLast, alpha}};
}

// The marks of a picture stored turned 90° counter-clockwise and shown turned back: the stored
// top left corner is at the top right, the bottom right one at the bottom left. `inset` from
// the edges.
std::vector<Mark> TurnedCorners(int width, int height, int inset, const QColor& first, const QColor& last) {
    return {{width - inset, inset, first, -1}, {inset, height - inset, last, -1}};
}

std::vector<Mark> WithTransparentCorner(std::vector<Mark> marks, int width) {
    marks.push_back({width - kHalf, kHalf, {}, 0});
    return marks;
}

const PictureCase kPictures[] = {
    {"webp", "photo.webp", 640, 480, 24, 12, false, Corners(640, 480, -1)},
    // An animation's canvas may show through its frames, so its flags say it has alpha.
    {"webp", "animated.webp", 320, 240, 32, 0, false, Corners(320, 240, 255)},
    {"tiff", "alpha-deflate.tif", 640, 480, 32, 0, true, WithTransparentCorner(Corners(640, 480, 255), 640)},
    {"heif", "photo.heic", 480, 360, 24, 12, false, Corners(480, 360, -1)},
    {"heif", "photo.avif", 480, 360, 24, 12, true, Corners(480, 360, -1)},
    {"jxl", "photo.jxl", 640, 480, 24, 12, true, Corners(640, 480, -1)},
    // Stored 320 × 240 and turned 90° clockwise, demosaiced at half size; the marks are white
    // and black.
    {"raw", "camera.dng", 120, 160, 24, 6, false, TurnedCorners(120, 160, kHalf / 2, Qt::white, Qt::black)},
    // The same with the camera's 1280 × 960 JPEG preview, shown in place of the raw data.
    {"raw", "camera-preview.dng", 960, 1280, 24, 12, false,
     TurnedCorners(960, 1280, kHalf, kMarkFirst, kMarkLast)},
};

void PrintTo(const PictureCase& c, std::ostream* out) {
    *out << c.file;
}

class ShippedPicture : public testing::TestWithParam<PictureCase> {};

TEST_P(ShippedPicture, DecodesItsDemoPicture) {
    const PictureCase& c = GetParam();
    const PlugIn& plugIn = Load(c.plugIn);
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    const QByteArray bytes = DemoBytes(c.file);
    ASSERT_FALSE(bytes.isEmpty()) << c.file;
    EXPECT_TRUE(plugIn.supports(bytes));

    SusiePictureInfo info{};
    ASSERT_EQ(plugIn.pictureInfo(bytes.constData(), int32_t(bytes.size()), SUSIE_INPUT_MEMORY, &info),
              SUSIE_SUCCESS);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.colorDepth, c.bitCount);

    const auto decoded = Decode(plugIn, bytes);
    ASSERT_EQ(decoded->code, SUSIE_SUCCESS);
    ASSERT_NE(decoded->info, nullptr);
    ASSERT_NE(decoded->bits, nullptr);
    const SusieBitmapInfoHeader& header = decoded->header();
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biCompression, uint32_t(SUSIE_BI_RGB));
    EXPECT_EQ(header.biWidth, c.width);
    EXPECT_EQ(std::abs(header.biHeight), c.height);
    ASSERT_EQ(header.biBitCount, c.bitCount);
    for (const Mark& mark : c.marks) {
        const uint8_t* p = decoded->pixel(mark.x, mark.y);
        SCOPED_TRACE(testing::Message() << "pixel " << mark.x << ", " << mark.y);
        if (mark.alpha >= 0) {
            EXPECT_EQ(p[3], mark.alpha);
        }
        if (mark.alpha != 0) {
            EXPECT_NEAR(p[0], mark.colour.blue(), c.tolerance);
            EXPECT_NEAR(p[1], mark.colour.green(), c.tolerance);
            EXPECT_NEAR(p[2], mark.colour.red(), c.tolerance);
        }
    }
}

// The same file read from disk at an offset, as the host may ask.
TEST_P(ShippedPicture, ReadsAFileAtAnOffset) {
    const PictureCase& c = GetParam();
    const PlugIn& plugIn = Load(c.plugIn);
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    const std::string path =
        (DemoFolder() + QStringLiteral("/plugins/") + QString::fromUtf8(c.file)).toStdString();
    SusiePictureInfo info{};
    ASSERT_EQ(plugIn.pictureInfo(path.c_str(), 0, SUSIE_INPUT_FILE, &info), SUSIE_SUCCESS);
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    void* header = nullptr;
    void* bits = nullptr;
    EXPECT_EQ(plugIn.picture("/nonexistent/ruvela.picture", 0, SUSIE_INPUT_FILE, &header, &bits, nullptr, 0),
              SUSIE_FILE_READ_ERROR);
    EXPECT_EQ(header, nullptr);
    EXPECT_EQ(bits, nullptr);
}

// Cut in half, or with bytes flipped in the middle: a code and no block. Formats without
// checks over their data may decode flipped bytes into a picture; then it must be whole. The
// DNG with a preview has its raw data in the middle, so the preview it shows is intact.
TEST_P(ShippedPicture, FailsCleanlyOnDamagedFiles) {
    const PictureCase& c = GetParam();
    const PlugIn& plugIn = Load(c.plugIn);
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    const QByteArray bytes = DemoBytes(c.file);
    ASSERT_FALSE(bytes.isEmpty()) << c.file;

    for (const qsizetype keep : {bytes.size() / 2, qsizetype(64), qsizetype(0)}) {
        const auto decoded = Decode(plugIn, bytes.left(keep));
        EXPECT_NE(decoded->code, SUSIE_SUCCESS) << "kept " << keep;
        EXPECT_EQ(decoded->info, nullptr) << "kept " << keep;
        EXPECT_EQ(decoded->bits, nullptr) << "kept " << keep;
    }

    QByteArray flipped = bytes;
    for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 64 && i < bytes.size(); ++i) {
        flipped[i] = char(~flipped[i]);
    }
    const auto decoded = Decode(plugIn, flipped);
    if (c.refusesFlippedBytes) {
        EXPECT_NE(decoded->code, SUSIE_SUCCESS);
    }
    if (decoded->code == SUSIE_SUCCESS) {
        ASSERT_NE(decoded->info, nullptr);
        ASSERT_NE(decoded->bits, nullptr);
        EXPECT_EQ(decoded->header().biWidth, c.width);
    } else {
        EXPECT_EQ(decoded->info, nullptr);
        EXPECT_EQ(decoded->bits, nullptr);
    }
}

// Every plug-in says it may run on several threads at once: four threads decoding the same
// picture together each get the picture a single call gets.
TEST_P(ShippedPicture, DecodesOnSeveralThreadsAtOnce) {
    const PictureCase& c = GetParam();
    const PlugIn& plugIn = Load(c.plugIn);
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    ASSERT_EQ(plugIn.threadSafe(), 1);
    const QByteArray bytes = DemoBytes(c.file);
    const auto alone = Decode(plugIn, bytes);
    ASSERT_EQ(alone->code, SUSIE_SUCCESS);
    const std::size_t size = std::size_t(std::abs(alone->header().biHeight)) *
                             ((std::size_t(c.width) * std::size_t(c.bitCount) / 8 + 3) & ~std::size_t(3));

    std::vector<std::unique_ptr<Decoded>> together(4);
    std::vector<std::thread> threads;
    for (auto& decoded : together) {
        threads.emplace_back([&] { decoded = Decode(plugIn, bytes); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& decoded : together) {
        ASSERT_EQ(decoded->code, SUSIE_SUCCESS);
        EXPECT_EQ(std::memcmp(decoded->bits, alone->bits, size), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(All, ShippedPicture, testing::ValuesIn(kPictures), [](const auto& info) {
    std::string name = info.param.file;
    for (char& ch : name) {
        ch = std::isalnum(uchar(ch)) ? ch : '_';
    }
    return name;
});

// The kinds of TIFF the plug-in reads besides the demo picture's 8-bit RGBA: one colour over
// the whole picture, written by libtiff.
struct TiffCase {
    const char* name;
    uint16_t photometric;
    uint16_t samples;
    uint16_t bits;
    uint16_t sampleFormat;
    uint16_t compression;
    uint16_t extra;             // EXTRASAMPLE_*, or 0 without an extra sample
    std::vector<double> sample; // the value of each sample of every pixel
    int bitCount;
    int blue, green, red, alpha; // alpha -1 in 24-bit rows
};

void PrintTo(const TiffCase& c, std::ostream* out) {
    *out << c.name;
}

const TiffCase kTiffs[] = {
    {"grey8",
     PHOTOMETRIC_MINISBLACK,
     1,
     8,
     SAMPLEFORMAT_UINT,
     COMPRESSION_ADOBE_DEFLATE,
     0,
     {100},
     24,
     100,
     100,
     100,
     -1},
    {"grey16",
     PHOTOMETRIC_MINISBLACK,
     1,
     16,
     SAMPLEFORMAT_UINT,
     COMPRESSION_LZW,
     0,
     {25700},
     24,
     100,
     100,
     100,
     -1},
    {"rgb16",
     PHOTOMETRIC_RGB,
     3,
     16,
     SAMPLEFORMAT_UINT,
     COMPRESSION_LZW,
     0,
     {51400, 25700, 12850},
     24,
     50,
     100,
     200,
     -1},
    {"rgbFloat",
     PHOTOMETRIC_RGB,
     3,
     32,
     SAMPLEFORMAT_IEEEFP,
     COMPRESSION_ADOBE_DEFLATE,
     0,
     {0.8, 0.4, 1.5},
     24,
     255,
     102,
     204,
     -1},
    {"greyFloatAlpha",
     PHOTOMETRIC_MINISBLACK,
     2,
     32,
     SAMPLEFORMAT_IEEEFP,
     COMPRESSION_NONE,
     EXTRASAMPLE_UNASSALPHA,
     {0.2, -1},
     32,
     51,
     51,
     51,
     0},
    {"palette", PHOTOMETRIC_PALETTE, 1, 8, SAMPLEFORMAT_UINT, COMPRESSION_LZW, 0, {1}, 24, 50, 100, 200, -1},
    // libtiff's RGBA interface: red = (255 - C)(255 - K) / 255, and so on.
    {"cmyk",
     PHOTOMETRIC_SEPARATED,
     4,
     8,
     SAMPLEFORMAT_UINT,
     COMPRESSION_LZW,
     0,
     {0, 128, 255, 0},
     24,
     0,
     127,
     255,
     -1},
    {"rgbAlpha",
     PHOTOMETRIC_RGB,
     4,
     8,
     SAMPLEFORMAT_UINT,
     COMPRESSION_ADOBE_DEFLATE,
     EXTRASAMPLE_UNASSALPHA,
     {200, 100, 50, 128},
     32,
     50,
     100,
     200,
     128},
};

class ShippedTiff : public testing::TestWithParam<TiffCase> {};

// Writes the case's TIFF of 64 × 48 pixels and returns its bytes.
QByteArray WriteTiff(const TiffCase& c, const TempFolder& folder) {
    const QString path = folder.file(QStringLiteral("picture.tif"));
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (tiff == nullptr) {
        return {};
    }
    constexpr int kWidth = 64;
    constexpr int kHeight = 48;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(kHeight));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, c.samples);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, c.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, c.sampleFormat);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, c.compression);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(16));
    if (c.extra != 0) {
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), &c.extra);
    }
    std::vector<uint16_t> map(256, 0);
    if (c.photometric == PHOTOMETRIC_PALETTE) {
        // Entry 1 is the colour; the others stay black.
        std::vector<uint16_t> red(map), green(map), blue(map);
        red[1] = 200 * 257;
        green[1] = 100 * 257;
        blue[1] = 50 * 257;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    std::vector<uint8_t> line(std::size_t(kWidth) * c.samples * c.bits / 8);
    for (int x = 0; x < kWidth; ++x) {
        for (std::size_t s = 0; s < c.samples; ++s) {
            uint8_t* at = line.data() + (std::size_t(x) * c.samples + s) * c.bits / 8;
            const double v = c.sample[s];
            if (c.sampleFormat == SAMPLEFORMAT_IEEEFP) {
                const float f = float(v);
                std::memcpy(at, &f, 4);
            } else if (c.bits == 16) {
                const uint16_t u = uint16_t(v);
                std::memcpy(at, &u, 2);
            } else {
                *at = uint8_t(v);
            }
        }
    }
    bool ok = true;
    for (int y = 0; y < kHeight && ok; ++y) {
        ok = TIFFWriteScanline(tiff, line.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tiff);
    QFile file(path);
    return ok && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_P(ShippedTiff, ReducesItsSamplesTo8Bits) {
    const TiffCase& c = GetParam();
    const PlugIn& plugIn = Load("tiff");
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    const TempFolder folder;
    const QByteArray bytes = WriteTiff(c, folder);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(plugIn.supports(bytes));

    const auto decoded = Decode(plugIn, bytes);
    ASSERT_EQ(decoded->code, SUSIE_SUCCESS);
    EXPECT_EQ(decoded->header().biWidth, 64);
    EXPECT_EQ(std::abs(decoded->header().biHeight), 48);
    ASSERT_EQ(decoded->header().biBitCount, c.bitCount);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{63, 47}, std::pair{20, 30}}) {
        const uint8_t* p = decoded->pixel(x, y);
        SCOPED_TRACE(testing::Message() << "pixel " << x << ", " << y);
        EXPECT_NEAR(p[0], c.blue, 1);
        EXPECT_NEAR(p[1], c.green, 1);
        EXPECT_NEAR(p[2], c.red, 1);
        if (c.alpha >= 0) {
            EXPECT_EQ(p[3], c.alpha);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(All, ShippedTiff, testing::ValuesIn(kTiffs),
                         [](const auto& info) { return std::string(info.param.name); });

// A little-endian TIFF of 8-bit grey whose directory claims `width` × `height` pixels while
// the file holds a single strip of 16 bytes.
QByteArray TiffClaiming(uint32_t width, uint32_t height) {
    QByteArray bytes("II*\0", 4);
    const auto put16 = [&](uint16_t v) { bytes.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](uint32_t v) {
        put16(uint16_t(v & 0xffff));
        put16(uint16_t(v >> 16));
    };
    put32(8);
    // The strip follows the header and the directory of nine entries.
    constexpr uint32_t kData = 8 + 2 + 9 * 12 + 4;
    const std::vector<std::pair<uint16_t, uint32_t>> entries{{256, width}, {257, height}, {258, 8},
                                                             {259, 1},     {262, 1},      {273, kData},
                                                             {277, 1},     {278, height}, {279, 16}};
    put16(uint16_t(entries.size()));
    for (const auto& [tag, value] : entries) {
        put16(tag);
        put16(tag == 258 || tag == 259 || tag == 262 || tag == 277 ? 3 : 4); // SHORT or LONG
        put32(1);
        put32(value);
    }
    put32(0);
    EXPECT_EQ(bytes.size(), kData);
    bytes.append(QByteArray(16, '\x40'));
    return bytes;
}

// More than 2^28 pixels (20000 × 20000, and 65536 × 4097 just above) are refused before
// anything of that size is allocated; the same file claiming a small size is a picture.
TEST(ShippedTiffLimits, RefusesPicturesAboveTheSizeLimit) {
    const PlugIn& plugIn = Load("tiff");
    ASSERT_NE(plugIn.handle, nullptr) << dlerror();
    for (const auto& [width, height] : {std::pair{20000u, 20000u}, std::pair{65536u, 4097u}}) {
        const QByteArray bytes = TiffClaiming(width, height);
        ASSERT_TRUE(plugIn.supports(bytes));
        SusiePictureInfo info{};
        EXPECT_NE(plugIn.pictureInfo(bytes.constData(), int32_t(bytes.size()), SUSIE_INPUT_MEMORY, &info),
                  SUSIE_SUCCESS);
        const auto decoded = Decode(plugIn, bytes);
        EXPECT_EQ(decoded->code, SUSIE_NO_MEMORY) << width << " × " << height;
        EXPECT_EQ(decoded->info, nullptr);
        EXPECT_EQ(decoded->bits, nullptr);
    }
    const QByteArray small = TiffClaiming(4, 3);
    const auto decoded = Decode(plugIn, small);
    ASSERT_EQ(decoded->code, SUSIE_SUCCESS);
    EXPECT_EQ(decoded->pixel(3, 2)[0], 0x40);
}

// Each plug-in takes its own pictures by their first bytes and refuses every other's, and the
// pictures the program decodes itself.
TEST(ShippedPlugInSelection, EachTakesOnlyItsOwnFormat) {
    std::vector<std::pair<std::string, QByteArray>> files;
    for (const PictureCase& c : kPictures) {
        files.emplace_back(c.plugIn, DemoBytes(c.file));
    }
    for (const char* other :
         {"evening-1280x960.jpg", "alpha-32bit.png", "animated-ball.gif", "bmp-24bit.bmp"}) {
        QFile file(DemoFolder() + u'/' + QString::fromUtf8(other));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << other;
        files.emplace_back("", file.read(2048));
    }
    files.emplace_back("", QByteArray());
    for (const PlugInCase& p : kPlugIns) {
        const PlugIn& plugIn = Load(p.plugIn);
        ASSERT_NE(plugIn.handle, nullptr) << dlerror();
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(plugIn.supports(files[i].second), files[i].first == p.plugIn)
                << p.plugIn << " on file " << i << " of "
                << (files[i].first.empty() ? "the program" : files[i].first);
        }
    }
}

} // namespace
