#include "core/filelist/HeaderProbe.h"

#include "core/common/NativePath.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace imaging_test;

namespace {

constexpr std::uint32_t Size(std::uint32_t width, std::uint32_t height) {
    return (width << 16) | height;
}

QByteArray BmpHeader(qint64 width, qint64 height) {
    QByteArray out("BM");
    PutLittle32(out, 54);
    PutLittle32(out, 0);
    PutLittle32(out, 54);
    PutLittle32(out, 40);
    PutLittle32(out, width);
    PutLittle32(out, height);
    PutLittle16(out, 1);
    PutLittle16(out, 24);
    out.append(24, '\0');
    return out;
}

QByteArray GifHeader(const char* version, int width, int height) {
    QByteArray out(version);
    PutLittle16(out, width);
    PutLittle16(out, height);
    out.append("\x00\x00\x00", 3);
    out.append(";");
    return out;
}

QByteArray PngHeader(quint32 width, quint32 height) {
    QByteArray out("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR", 16);
    for (const quint32 v : {width, height}) {
        out.append(static_cast<char>(v >> 24));
        out.append(static_cast<char>(v >> 16));
        out.append(static_cast<char>(v >> 8));
        out.append(static_cast<char>(v));
    }
    out.append("\x08\x02\x00\x00\x00", 5);
    return out;
}

// SOI, then `before` (whole segments), then a frame header with `marker`.
QByteArray JpegBytes(const QByteArray& before, int marker, int width, int height) {
    QByteArray out("\xFF\xD8", 2);
    out.append(before);
    out.append('\xFF');
    out.append(static_cast<char>(marker));
    PutBig16(out, 17);
    out.append('\x08');
    PutBig16(out, height);
    PutBig16(out, width);
    out.append("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
    out.append("\xFF\xD9", 2);
    return out;
}

QByteArray Segment(int marker, qsizetype payload) {
    QByteArray out;
    out.append('\xFF');
    out.append(static_cast<char>(marker));
    PutBig16(out, static_cast<int>(payload + 2));
    out.append(payload, 'x');
    return out;
}

} // namespace

TEST(HeaderProbe, BmpReadsSizeAndKeepsTopDownHeightAsStored) {
    TempFolder dir;
    EXPECT_EQ(ProbeBmp(dir.write("a.bmp", BmpHeader(640, 480))), Size(640, 480));
    // A top-down bitmap stores a negative height; its low 16 bits come back.
    EXPECT_EQ(ProbeBmp(dir.write("b.bmp", BmpHeader(640, -480))), Size(640, 0x10000 - 480));
    // Only the low 16 bits of each dimension are kept.
    EXPECT_EQ(ProbeBmp(dir.write("c.bmp", BmpHeader(70000, 3))), Size(70000 & 0xFFFF, 3));
    EXPECT_EQ(ProbeBmp(dir.write("d.bmp", "BA" + BmpHeader(1, 1).mid(2))), 0u);
}

TEST(HeaderProbe, ShortHeadersGiveWhatWasReadBeforeTheEnd) {
    TempFolder dir;
    const QByteArray bmp = BmpHeader(640, 480);
    EXPECT_EQ(ProbeBmp(dir.write("w.bmp", bmp.left(21))), 0u) << "width cut short";
    EXPECT_EQ(ProbeBmp(dir.write("h.bmp", bmp.left(24))), Size(640, 0)) << "height cut short";
    EXPECT_EQ(ProbeBmp(dir.write("s.bmp", QByteArray("B"))), 0u);
    const QByteArray png = PngHeader(800, 600);
    EXPECT_EQ(ProbePng(dir.write("w.png", png.left(18))), 0u);
    EXPECT_EQ(ProbePng(dir.write("h.png", png.left(22))), Size(800, 0));
    const QByteArray gif = GifHeader("GIF89a", 300, 200);
    EXPECT_EQ(ProbeGif(dir.write("w.gif", gif.left(7))), 0u);
    EXPECT_EQ(ProbeGif(dir.write("h.gif", gif.left(9))), Size(300, 0));
    EXPECT_EQ(ProbeBmp(dir.write("empty.bmp", QByteArray())), 0u);
}

TEST(HeaderProbe, GifAcceptsBothVersionsAndPngKeepsLow16Bits) {
    TempFolder dir;
    EXPECT_EQ(ProbeGif(dir.write("87.gif", GifHeader("GIF87a", 300, 200))), Size(300, 200));
    EXPECT_EQ(ProbeGif(dir.write("89.gif", GifHeader("GIF89a", 65535, 1))), Size(65535, 1));
    EXPECT_EQ(ProbeGif(dir.write("bad.gif", GifHeader("GIF7?a", 300, 200))), 0u);
    EXPECT_EQ(ProbePng(dir.write("a.png", PngHeader(800, 600))), Size(800, 600));
    EXPECT_EQ(ProbePng(dir.write("b.png", PngHeader(70000, 0x12345))), Size(70000 & 0xFFFF, 0x2345));
    QByteArray notPng = PngHeader(8, 8);
    notPng[1] = 'Q';
    EXPECT_EQ(ProbePng(dir.write("c.png", notPng)), 0u);
}

TEST(HeaderProbe, JpegWalksSegmentsToTheFrameHeader) {
    TempFolder dir;
    const QByteArray app0 = Segment(0xE0, 14);
    struct Case {
        const char* name;
        QByteArray bytes;
        std::uint32_t expected;
    };
    const QByteArray standalone = QByteArray("\xFF\x01\xFF\xD3", 4);
    const std::vector<Case> cases = {
        {"baseline", JpegBytes(app0, 0xC0, 640, 480), Size(640, 480)},
        {"progressive", JpegBytes(app0, 0xC2, 1024, 768), Size(1024, 768)},
        {"extended sequential is not recognised", JpegBytes(app0, 0xC1, 640, 480), 0},
        {"large APP1 before the frame", JpegBytes(app0 + Segment(0xE1, 30000), 0xC0, 4000, 3000),
         Size(4000, 3000)},
        {"fill bytes before a marker", JpegBytes(QByteArray("\xFF\xFF", 2) + app0, 0xC0, 7, 9), Size(7, 9)},
        {"markers without a length", JpegBytes(standalone + app0, 0xC0, 33, 44), Size(33, 44)},
        {"scan before any frame", JpegBytes(Segment(0xDA, 10), 0xC0, 640, 480), 0},
        {"segment length 1", JpegBytes(QByteArray("\xFF\xE0\x00\x01", 4), 0xC0, 640, 480), 0},
        {"segment length 0", JpegBytes(QByteArray("\xFF\xE0\x00\x00", 4), 0xC0, 640, 480), 0},
        {"not a marker where one belongs", JpegBytes(QByteArray("\x00", 1), 0xC0, 640, 480), 0},
        {"segment running past the end", QByteArray("\xFF\xD8", 2) + Segment(0xE1, 100).left(50), 0},
        {"no start of image", JpegBytes(app0, 0xC0, 640, 480).mid(2), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProbeJpeg(dir.write(QStringLiteral("probe.jpg"), c.bytes)), c.expected) << c.name;
    }
}

TEST(HeaderProbe, JpegCutInsideTheFrameHeader) {
    TempFolder dir;
    const QByteArray full = JpegBytes({}, 0xC0, 640, 480);
    // SOI(2) marker(2) length(2) precision(1) height(2) width(2)
    EXPECT_EQ(ProbeJpeg(dir.write("a.jpg", full.left(8))), 0u) << "height cut short";
    EXPECT_EQ(ProbeJpeg(dir.write("b.jpg", full.left(10))), Size(0, 480)) << "width cut short";
    EXPECT_EQ(ProbeJpeg(dir.write("c.jpg", full.left(11))), Size(640, 480));
}

TEST(HeaderProbe, EncodedFilesOfEveryFormat) {
    TempFolder dir;
    const QImage picture = Quadrants(123, 45);
    const QString jpg = dir.write("p.jpg", Jpeg(picture));
    const QString prog = dir.write("q.jpg", Jpeg(picture, JpegColour::Rgb, true));
    const QString png = dir.write("p.png", EncodePng(picture, {}));
    const QString gif = dir.write("p.gif", EncodeGif(123, 45, {{picture, 0, 0, 10, 1}}));
    const QString bmp = dir.write("p.bmp", EncodeBmp(picture, 24));
    EXPECT_EQ(ProbeJpeg(jpg), Size(123, 45));
    EXPECT_EQ(ProbeJpeg(prog), Size(123, 45));
    EXPECT_EQ(ProbePng(png), Size(123, 45));
    EXPECT_EQ(ProbeGif(gif), Size(123, 45));
    EXPECT_EQ(ProbeBmp(bmp), Size(123, 45));
    for (const QString& path : {jpg, png, gif, bmp}) {
        EXPECT_EQ(ProbeByExtension(path), Size(123, 45)) << path.toStdString();
    }
    EXPECT_EQ(TrueExtension(jpg), QStringLiteral(".jpg"));
    EXPECT_EQ(TrueExtension(png), QStringLiteral(".png"));
    EXPECT_EQ(TrueExtension(gif), QStringLiteral(".gif"));
    EXPECT_EQ(TrueExtension(bmp), QStringLiteral(".bmp"));
}

TEST(HeaderProbe, ExtensionChoosesTheProbeAndContentsChooseTheTrueExtension) {
    TempFolder dir;
    const QByteArray png = EncodePng(Quadrants(20, 10), {});
    // The extension decides which probe runs: a PNG named .gif is not a GIF.
    EXPECT_EQ(ProbeByExtension(dir.write("wrong.gif", png)), 0u);
    EXPECT_EQ(TrueExtension(dir.file("wrong.gif")), QStringLiteral(".png"));
    EXPECT_EQ(ProbeByExtension(dir.write("UPPER.PNG", png)), Size(20, 10));
    const QByteArray jpeg = Jpeg(Quadrants(20, 10));
    for (const char* name : {"a.JPE", "b.jpeg", "c.Jpg"}) {
        EXPECT_EQ(ProbeByExtension(dir.write(QString::fromLatin1(name), jpeg)), Size(20, 10)) << name;
    }
    EXPECT_EQ(ProbeByExtension(dir.write("d.tif", jpeg)), 0u);
    EXPECT_EQ(ProbeByExtension(dir.write("noext", jpeg)), 0u);
    EXPECT_EQ(ProbeByExtension(dir.write("dot.folder/x", png)), 0u);
    // A C1 frame is not recognised, so such a file has no true extension either.
    EXPECT_EQ(TrueExtension(dir.write("c1.jpg", JpegBytes({}, 0xC1, 8, 8))), QString());
    EXPECT_EQ(TrueExtension(dir.write("garbage.bin", QByteArray(100, 'z'))), QString());
}

TEST(HeaderProbe, MissingFoldersAndOddNames) {
    TempFolder dir;
    EXPECT_EQ(ProbeJpeg(dir.file("missing.jpg")), 0u);
    EXPECT_EQ(ProbePng(dir.folder("folder.png")), 0u);
    EXPECT_EQ(TrueExtension(dir.file("missing.png")), QString());
    // A name that is not valid UTF-8 still opens.
    const QString odd = PathFromNative(NativePath(dir.path()) + QByteArray("/\xff\xfe-bild.png"));
    QFile out;
    ASSERT_TRUE(OpenFile(out, odd, QIODevice::WriteOnly));
    out.write(EncodePng(Quadrants(9, 7), {}));
    out.close();
    EXPECT_EQ(ProbeByExtension(odd), Size(9, 7));
    // The temporary folder cannot remove a name Qt cannot spell.
    EXPECT_EQ(::unlink(NativePath(odd).constData()), 0);
}
