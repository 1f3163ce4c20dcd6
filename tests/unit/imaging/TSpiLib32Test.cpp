#include "core/imaging/TSpiLib32.h"

#include "SusiePlugin.h"
#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QLibrary>
#include <QtEndian>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

QString Spi(const char* name) {
    return QStringLiteral(RUVELA_TEST_PLUGIN_DIR "/%1.spi").arg(QLatin1String(name));
}

QByteArray Le32(std::uint32_t value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

struct Dib {
    std::int32_t width = 1;
    std::int32_t height = 1;
    int bitCount = 24;
    std::uint32_t compression = SUSIE_BI_RGB;
    std::uint32_t clrUsed = 0;
    std::uint32_t headerSize = 40;
    QByteArray afterHeader; // masks and colour table
    QByteArray rows;

    QByteArray Info() const {
        SusieBitmapInfoHeader header{};
        header.biSize = qToLittleEndian(headerSize);
        header.biWidth = qToLittleEndian(width);
        header.biHeight = qToLittleEndian(height);
        header.biPlanes = qToLittleEndian<std::uint16_t>(1);
        header.biBitCount = qToLittleEndian(std::uint16_t(bitCount));
        header.biCompression = qToLittleEndian(compression);
        header.biClrUsed = qToLittleEndian(clrUsed);
        return QByteArray(reinterpret_cast<const char*>(&header), sizeof header) + afterHeader;
    }
    // The file the echo plug-ins answer as these blocks, after `magic`.
    QByteArray File(const char* magic) const {
        const QByteArray info = Info();
        return QByteArray(magic) + Le32(std::uint32_t(info.size())) + info + rows;
    }
};

QByteArray Quads(std::initializer_list<std::uint32_t> colours) {
    QByteArray bytes;
    for (const std::uint32_t c : colours) {
        bytes += Le32(c);
    }
    return bytes;
}

QByteArray Words(std::initializer_list<std::uint16_t> words) {
    QByteArray bytes;
    for (const std::uint16_t w : words) {
        char le[2];
        qToLittleEndian(w, le);
        bytes.append(le, 2);
    }
    return bytes;
}

// The pixels of `image` top row first, as ARGB.
std::vector<QRgb> Pixels(const QImage& image) {
    std::vector<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            pixels.push_back(image.pixel(x, y));
        }
    }
    return pixels;
}

// How often the counting plug-in at `path` saw threads inside it at once.
int CountingMaximum(const QString& path) {
    QLibrary library(path);
    const auto maximum = reinterpret_cast<int (*)()>(library.resolve("CountingMaximum"));
    return maximum == nullptr ? -1 : maximum();
}

} // namespace

TEST(TSpiLib32, MissingFolderLoadsNothingAndClaimsNothing) {
    TempFolder dir;
    const QString file = dir.write(QStringLiteral("a.echo"), Dib{}.File("DIB!"));
    TSpiLib32 host;
    host.LoadPlugIns(dir.file(QStringLiteral("PlugIn")));
    EXPECT_TRUE(host.PicPlugInList().isEmpty());
    EXPECT_TRUE(host.PFilter().isEmpty());
    QImage image;
    EXPECT_EQ(host.DecodeFile(file, &image).status, SpiStatus::NotClaimed);
    EXPECT_TRUE(image.isNull());
}

TEST(TSpiLib32, FolderLoadsOnlyPictureLibrariesEndingInSpiInNameOrder) {
    TempFolder dir;
    const QString plugIns = dir.folder(QStringLiteral("PlugIn"));
    ASSERT_TRUE(QFile::copy(Spi("second"), plugIns + QStringLiteral("/b.SPI")));
    ASSERT_TRUE(QFile::copy(Spi("first"), plugIns + QStringLiteral("/c.Spi")));
    ASSERT_TRUE(QFile::copy(Spi("archive"), plugIns + QStringLiteral("/a.spi")));
    ASSERT_TRUE(QFile::copy(Spi("echo"), plugIns + QStringLiteral("/echo.so")));
    dir.write(QStringLiteral("PlugIn/broken.spi"), "not a library");
    const QString same = dir.write(QStringLiteral("x.same"), "SAME");

    TSpiLib32 host;
    host.LoadPlugIns(plugIns);
    EXPECT_EQ(host.PicPlugInList(), QStringList({QStringLiteral("Second"), QStringLiteral("First")}));
    EXPECT_EQ(host.PFilter(), QStringLiteral("*.same;*.same;"));
    QImage image;
    ASSERT_EQ(host.DecodeFile(same, &image).status, SpiStatus::Decoded);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255)) << "b.SPI comes before c.Spi";

    host.FreePlugIns();
    EXPECT_TRUE(host.PicPlugInList().isEmpty());
    EXPECT_EQ(host.DecodeFile(same, &image).status, SpiStatus::NotClaimed);
}

TEST(TSpiLib32, FirstPlugInInLoadOrderWinsAFileTwoClaim) {
    TempFolder dir;
    const QString same = dir.write(QStringLiteral("x.same"), "SAME");
    struct Case {
        QStringList order;
        QStringList list;
        QRgb colour;
    } cases[] = {
        {{Spi("first"), Spi("second")}, {QStringLiteral("First"), QStringLiteral("Second")}, qRgb(255, 0, 0)},
        {{Spi("second"), Spi("first")}, {QStringLiteral("Second"), QStringLiteral("First")}, qRgb(0, 0, 255)},
    };
    for (const Case& c : cases) {
        TSpiLib32 host;
        host.LoadPlugInFiles(c.order);
        EXPECT_EQ(host.PicPlugInList(), c.list);
        QImage image;
        ASSERT_EQ(host.DecodeFile(same, &image).status, SpiStatus::Decoded);
        EXPECT_EQ(image.pixel(0, 0), c.colour) << c.list.first().toStdString();
    }
}

TEST(TSpiLib32, ArchivePlugInIsNotKeptAndPatternsAreJoined) {
    TempFolder dir;
    const QString file = dir.write(QStringLiteral("x.arc"), "anything at all");
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("archive"), dir.write(QStringLiteral("text.spi"), "text"), Spi("twopatterns")});
    EXPECT_EQ(host.PicPlugInList(), QStringList{QStringLiteral("Two patterns")});
    EXPECT_EQ(host.PFilter(), QStringLiteral("*.aaa;*.bbb;"));
    QImage image;
    EXPECT_EQ(host.DecodeFile(file, &image).status, SpiStatus::NotClaimed)
        << "the archive plug-in claims all";

    QStringList list{QStringLiteral("kept")};
    host.ListPlugIns(list, false);
    EXPECT_EQ(list, QStringList({QStringLiteral("kept"), QStringLiteral("Two patterns")}));
    host.ListPlugIns(list, true);
    EXPECT_EQ(list, QStringList{QStringLiteral("Two patterns")});
}

TEST(TSpiLib32, UnreadableAndEmptyFiles) {
    TempFolder dir;
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("echo")});
    QImage image;
    const SpiResult folder = host.DecodeFile(dir.folder(QStringLiteral("sub")), &image);
    EXPECT_EQ(folder.status, SpiStatus::Unreadable);
    EXPECT_EQ(folder.readFailure, FileBytes::Failure::NotAFile);
    EXPECT_EQ(host.DecodeFile(dir.write(QStringLiteral("empty.echo"), {}), &image).status,
              SpiStatus::NotClaimed);
}

TEST(TSpiLib32, BadAnswersFailCleanly) {
    const auto rows = [](int bytes) { return QByteArray(bytes, '\x11'); };
    Dib valid;
    valid.width = 3;
    valid.height = 2;
    valid.rows = rows(24);
    const auto with = [&](auto change) {
        Dib dib = valid;
        change(dib);
        return dib.File("BADD");
    };
    struct Case {
        const char* name;
        QByteArray file;
    };
    const Case cases[] = {
        {"failure code", "BADE"},
        {"no info block", "BADI"},
        {"no bits block", "BADB"},
        {"info block shorter than a header", QByteArray("BADD") + Le32(20) + QByteArray(20, '\0') + rows(24)},
        {"header size 39", with([](Dib& d) { d.headerSize = 39; })},
        {"header size past the block", with([](Dib& d) { d.headerSize = 4096; })},
        {"width 0", with([](Dib& d) { d.width = 0; })},
        {"negative width", with([](Dib& d) { d.width = -3; })},
        {"height 0", with([](Dib& d) { d.height = 0; })},
        {"lowest height", with([](Dib& d) { d.height = INT32_MIN; })},
        {"2^29 pixels", with([](Dib& d) {
             d.width = 1 << 15;
             d.height = 1 << 14;
         })},
        {"bit count 0", with([](Dib& d) { d.bitCount = 0; })},
        {"bit count 2", with([](Dib& d) { d.bitCount = 2; })},
        {"bit count 64", with([](Dib& d) { d.bitCount = 64; })},
        {"run-length compression", with([](Dib& d) {
             d.bitCount = 8;
             d.compression = 1;
             d.clrUsed = 1;
             d.afterHeader = Quads({0});
         })},
        {"bit fields at 24 bits", with([](Dib& d) {
             d.compression = SUSIE_BI_BITFIELDS;
             d.afterHeader = Quads({0xFF0000, 0xFF00, 0xFF});
         })},
        {"bit fields without masks", with([](Dib& d) {
             d.bitCount = 16;
             d.compression = SUSIE_BI_BITFIELDS;
         })},
        {"17 colours at 4 bits", with([](Dib& d) {
             d.bitCount = 4;
             d.clrUsed = 17;
             d.afterHeader = QByteArray(17 * 4, '\0');
         })},
        {"more colours than 24 bits", with([](Dib& d) { d.clrUsed = 0xFFFFFFFF; })},
        {"a table of 256 past a block of 16", with([](Dib& d) {
             d.bitCount = 8;
             d.afterHeader = QByteArray(16 * 4, '\0');
         })},
        {"a table of 1000 at 32 bits past the block", with([](Dib& d) {
             d.bitCount = 32;
             d.clrUsed = 1000;
         })},
        {"half the rows", with([](Dib& d) {
             d.height = 100;
             d.rows = QByteArray(600, '\0');
         })},
    };
    TempFolder dir;
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("badanswer")});
    QImage image;
    ASSERT_EQ(host.DecodeFile(dir.write(QStringLiteral("valid.bad"), valid.File("BADD")), &image).status,
              SpiStatus::Decoded)
        << "the cases below differ from a valid answer in one field";
    for (const Case& c : cases) {
        const SpiResult result = host.DecodeFile(dir.write(QStringLiteral("case.bad"), c.file), &image);
        EXPECT_EQ(result.status, SpiStatus::Failed) << c.name;
        EXPECT_FALSE(result.reason.isEmpty()) << c.name;
        EXPECT_TRUE(image.isNull()) << c.name;
    }
}

TEST(TSpiLib32, PaletteRowsGoThroughTheColourTable) {
    // 5 by 2: rows padded to 8 bytes, written bottom-up by the plug-in.
    QByteArray file("PAL8\x05\x02");
    file += QByteArray::fromHex("00 01 80 FE FF  10 20 30 40 50");
    TempFolder dir;
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("palette8")});
    QImage image;
    ASSERT_EQ(host.DecodeFile(dir.write(QStringLiteral("p.pal8"), file), &image).status, SpiStatus::Decoded);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);
    ASSERT_EQ(image.size(), QSize(5, 2));
    std::vector<QRgb> expected;
    for (const char index : file.mid(6)) {
        const int i = std::uint8_t(index);
        expected.push_back(qRgb(i, 255 - i, i / 2));
    }
    EXPECT_EQ(Pixels(image), expected);
}

TEST(TSpiLib32, TopDownRowsKeepTheirOrder) {
    QByteArray file("TOPD\x02\x03");
    const QRgb pixels[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                           qRgb(9, 8, 7),   qRgb(1, 2, 3),   qRgb(200, 100, 50)};
    for (const QRgb p : pixels) {
        file += char(qRed(p));
        file += char(qGreen(p));
        file += char(qBlue(p));
    }
    TempFolder dir;
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("topdown")});
    QImage image;
    ASSERT_EQ(host.DecodeFile(dir.write(QStringLiteral("t.topd"), file), &image).status, SpiStatus::Decoded);
    ASSERT_EQ(image.size(), QSize(2, 3));
    EXPECT_EQ(Pixels(image), std::vector<QRgb>(std::begin(pixels), std::end(pixels)));
}

TEST(TSpiLib32, RowFormats) {
    struct Case {
        const char* name;
        Dib dib;
        QImage::Format format;
        std::vector<QRgb> pixels; // top row first
    };
    const auto dib = [](std::int32_t width, std::int32_t height, int bitCount, std::uint32_t compression,
                        std::uint32_t clrUsed, QByteArray afterHeader, QByteArray rows) {
        Dib d;
        d.width = width;
        d.height = height;
        d.bitCount = bitCount;
        d.compression = compression;
        d.clrUsed = clrUsed;
        d.afterHeader = std::move(afterHeader);
        d.rows = std::move(rows);
        return d;
    };
    const Case cases[] = {
        {"1 bit, 9 wide",
         dib(9, 1, 1, SUSIE_BI_RGB, 0, Quads({0x000000, 0xFFFFFF}), QByteArray::fromHex("A5 80 00 00")),
         QImage::Format_RGB888,
         {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(0, 0, 0),
          qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255)}},
        {"4 bits, an index past a table of 2 is black",
         dib(3, 1, 4, SUSIE_BI_RGB, 2, Quads({0x102030, 0x405060}), QByteArray::fromHex("01 F0 00 00")),
         QImage::Format_RGB888,
         {qRgb(0x10, 0x20, 0x30), qRgb(0x40, 0x50, 0x60), qRgb(0, 0, 0)}},
        {"16 bits 5-5-5, bottom-up",
         dib(3, 2, 16, SUSIE_BI_RGB, 0, {}, Words({0x7C00, 0x03E0, 0x001F, 0, 0x7FFF, 0x4210, 0x0000, 0})),
         QImage::Format_RGB888,
         {qRgb(255, 255, 255), qRgb(132, 132, 132), qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0),
          qRgb(0, 0, 255)}},
        {"16 bits 5-6-5 by masks",
         dib(3, -1, 16, SUSIE_BI_BITFIELDS, 0, Quads({0xF800, 0x07E0, 0x001F}),
             Words({0xF800, 0x07E0, 0x0400, 0})),
         QImage::Format_RGB888,
         {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 130, 0)}},
        {"24 bits BGR",
         dib(1, 1, 24, SUSIE_BI_RGB, 0, {}, QByteArray::fromHex("0A 14 1E 00")),
         QImage::Format_RGB888,
         {qRgb(30, 20, 10)}},
        {"32 bits BGRX",
         dib(2, 1, 32, SUSIE_BI_RGB, 0, {}, Quads({0x00102030, 0x00FFFFFF})),
         QImage::Format_RGB888,
         {qRgb(0x10, 0x20, 0x30), qRgb(255, 255, 255)}},
        {"32 bits BGRA keeps alpha",
         dib(3, -1, 32, SUSIE_BI_RGB, 0, {}, Quads({0x801E140A, 0x00FFFFFF, 0xFF000000})),
         QImage::Format_ARGB32,
         {qRgba(30, 20, 10, 128), qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 255)}},
        {"32 bits by masks, RGBX",
         dib(1, 1, 32, SUSIE_BI_BITFIELDS, 0, Quads({0x0000FF, 0x00FF00, 0xFF0000}), Quads({0xAA302010})),
         QImage::Format_RGB888,
         {qRgb(0x10, 0x20, 0x30)}},
    };
    TempFolder dir;
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("echo")});
    for (const Case& c : cases) {
        QImage image;
        const SpiResult result =
            host.DecodeFile(dir.write(QStringLiteral("r.echo"), c.dib.File("DIB!")), &image);
        ASSERT_EQ(result.status, SpiStatus::Decoded) << c.name << ": " << result.reason.toStdString();
        EXPECT_EQ(image.format(), c.format) << c.name;
        EXPECT_EQ(Pixels(image), c.pixels) << c.name;
    }
}

TEST(TSpiLib32, PlugInThatIsNotThreadSafeIsEnteredByOneThreadAtATime) {
    struct Case {
        const char* plugIn;
        bool serialised;
    } cases[] = {{"serial", true}, {"parallel", false}};
    TempFolder dir;
    const QString file = dir.write(QStringLiteral("c.cnt"), "CNT");
    for (const Case& c : cases) {
        TSpiLib32 host;
        host.LoadPlugInFiles({Spi(c.plugIn)});
        std::vector<std::thread> threads;
        std::atomic<int> decoded{0};
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < 8; ++i) {
                    QImage image;
                    if (host.DecodeFile(file, &image).status == SpiStatus::Decoded) {
                        ++decoded;
                    }
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(decoded, 32) << c.plugIn;
        if (c.serialised) {
            EXPECT_EQ(CountingMaximum(Spi(c.plugIn)), 1) << c.plugIn;
        } else {
            EXPECT_GE(CountingMaximum(Spi(c.plugIn)), 2) << c.plugIn << " was serialised though thread-safe";
        }
    }
}

TEST(TSpiLib32, LoaderSendsFilesWithoutABuiltInDecoderToThePlugIns) {
    TempFolder dir;
    Dib dib;
    dib.rows = QByteArray::fromHex("0A 14 1E 00");
    const QString echo = dir.write(QStringLiteral("x.echo"), dib.File("DIB!"));
    const QString other = dir.write(QStringLiteral("y.zzz"), "nobody's format");
    const QString bmpSwitchedOff = dir.write(QStringLiteral("z.bmp"), dib.File("DIB!"));
    TSpiLib32 host;
    host.LoadPlugInFiles({Spi("echo")});
    LoadOptions options;
    options.bmp = false;
    options.plugIns = &host;

    for (const QString& path : {echo, bmpSwitchedOff}) {
        const LoadedImage loaded = LoadImageFile(path, options);
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << path.toStdString();
        EXPECT_EQ(loaded.bitDepth, 255);
        EXPECT_EQ(loaded.image.pixel(0, 0), qRgb(30, 20, 10));
    }
    const LoadedImage unclaimed = LoadImageFile(other, options);
    EXPECT_EQ(unclaimed.status, LoadStatus::Failed);
    EXPECT_EQ(unclaimed.image, StockImage(StockPicture::Broken));

    options.plugIns = nullptr;
    EXPECT_EQ(LoadImageFile(echo, options).status, LoadStatus::Failed);
}
