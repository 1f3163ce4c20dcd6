#include "demo/DemoPictures.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

// The demo folder is what a new user sees first: every picture must be there, be what its
// name says, and come out the same on every run.

namespace {

const std::vector<QString> kExpectedNames{
    "alpha-32bit.png",      "animated-ball.gif",     "bmp-1bit.bmp",         "bmp-24bit.bmp",
    "bmp-32bit.bmp",        "bmp-4bit.bmp",          "bmp-8bit.bmp",         "cmyk-adobe.jpg",
    "comment-japanese.jpg", "evening-1280x960.jpg",  "evening-1280x960.txt", "greyscale.jpg",
    "harbour-1280x960.jpg", "more/deeper/small.bmp", "more/garden.jpg",      "more/night-harbour.jpg",
    "more/shapes.png",      "morning-1280x960.jpg",  "palette-8bit.png",     "photo-6000x4000.jpg",
    "png-named-jpg.jpg",    "portrait-900x1200.jpg", "progressive.jpg",      "text-comment.png",
    "tiny-100-bytes.jpg",   "truecolour-24bit.png",  "truncated.jpg",
};

// The folder make_demo wrote at build time, as a new user gets it.
QString BuiltFolder() {
    const QString folder = qEnvironmentVariable("RUVELA_DEMO_DIR");
    return folder.isEmpty() ? QStringLiteral(RUVELA_DEMO_FOLDER) : folder;
}

class DemoFolder : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_files = new std::map<QString, QByteArray>;
        for (const QString& name : kExpectedNames) {
            QFile file(BuiltFolder() + u'/' + name);
            if (file.open(QIODevice::ReadOnly)) {
                (*s_files)[name] = file.readAll();
            }
        }
    }
    static void TearDownTestSuite() {
        delete s_files;
        s_files = nullptr;
    }
    void SetUp() override {
        ASSERT_EQ(s_files->size(), kExpectedNames.size())
            << "files missing in " << BuiltFolder().toStdString();
    }
    static const QByteArray& bytes(const QString& name) { return s_files->at(name); }
    static std::map<QString, QByteArray>* s_files;
};

std::map<QString, QByteArray>* DemoFolder::s_files = nullptr;

int JpegComponents(const QByteArray& jpeg) {
    for (const char* frame : {"\xff\xc0", "\xff\xc2"}) {
        const qsizetype at = jpeg.indexOf(frame);
        if (at >= 0) {
            return uchar(jpeg[at + 9]);
        }
    }
    return 0;
}

bool IsUtf8Japanese(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return !utf8.hasError() &&
           std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3040; });
}

TEST_F(DemoFolder, MakesEveryFileWithTheBytesOfTheBuiltFolder) {
    // make_demo ran in another process at build time: equal bytes mean the pictures depend on
    // nothing but their numbers.
    std::vector<QString> names;
    for (const DemoFile& file : DemoFolderFiles()) {
        names.push_back(file.relativePath);
        EXPECT_FALSE(file.bytes.isEmpty()) << file.relativePath.toStdString();
        EXPECT_TRUE(s_files->contains(file.relativePath) && bytes(file.relativePath) == file.bytes)
            << file.relativePath.toStdString() << " differs from the built folder";
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, kExpectedNames);
}

struct PictureCase {
    const char* name;
    const char* format; // as read from the content
    QSize size;
};

TEST_F(DemoFolder, PicturesAreWhatTheirNamesSay) {
    const std::vector<PictureCase> cases{
        {"photo-6000x4000.jpg", "jpeg", {6000, 4000}},  {"evening-1280x960.jpg", "jpeg", {1280, 960}},
        {"portrait-900x1200.jpg", "jpeg", {900, 1200}}, {"progressive.jpg", "jpeg", {1280, 960}},
        {"greyscale.jpg", "jpeg", {1024, 768}},         {"cmyk-adobe.jpg", "jpeg", {1024, 768}},
        {"palette-8bit.png", "png", {800, 600}},        {"alpha-32bit.png", "png", {800, 600}},
        {"animated-ball.gif", "gif", {480, 360}},       {"bmp-1bit.bmp", "bmp", {640, 480}},
        {"bmp-32bit.bmp", "bmp", {640, 480}},           {"png-named-jpg.jpg", "png", {640, 480}},
        {"more/deeper/small.bmp", "bmp", {320, 240}},
    };
    for (const PictureCase& c : cases) {
        QBuffer buffer;
        buffer.setData(bytes(QString::fromLatin1(c.name)));
        QImageReader reader(&buffer);
        EXPECT_EQ(reader.format(), QByteArray(c.format)) << c.name;
        EXPECT_EQ(reader.size(), c.size) << c.name;
    }
    EXPECT_GT(bytes("photo-6000x4000.jpg").size(), 3'000'000) << "should compress like a photograph";
}

TEST_F(DemoFolder, JpegVariantsCarryTheirMarkers) {
    EXPECT_TRUE(bytes("progressive.jpg").contains("\xff\xc2"));
    EXPECT_EQ(JpegComponents(bytes("progressive.jpg")), 3);
    EXPECT_EQ(JpegComponents(bytes("greyscale.jpg")), 1);
    EXPECT_EQ(JpegComponents(bytes("cmyk-adobe.jpg")), 4);
    EXPECT_TRUE(bytes("cmyk-adobe.jpg")
                    .contains(QByteArray("\xff\xee\x00\x0e"
                                         "Adobe",
                                         9)));
    const QByteArray& commented = bytes("comment-japanese.jpg");
    const qsizetype com = commented.indexOf("\xff\xfe");
    ASSERT_GE(com, 0);
    const int length = qFromBigEndian<quint16>(commented.constData() + com + 2);
    EXPECT_TRUE(IsUtf8Japanese(commented.mid(com + 4, length - 2)));
}

TEST_F(DemoFolder, PngAndGifVariantsCarryTheirKinds) {
    EXPECT_EQ(uchar(bytes("palette-8bit.png")[25]), 3);
    EXPECT_EQ(uchar(bytes("truecolour-24bit.png")[25]), 2);
    EXPECT_EQ(uchar(bytes("alpha-32bit.png")[25]), 6);
    const QImage alpha = QImage::fromData(bytes("alpha-32bit.png"));
    EXPECT_EQ(qAlpha(alpha.pixel(0, 0)), 0) << "the rounded corner is clear";
    EXPECT_EQ(qAlpha(alpha.pixel(400, 300)), 255);
    EXPECT_EQ(QImage::fromData(bytes("text-comment.png")).text(QStringLiteral("Comment")),
              QStringLiteral("A PNG carrying a Comment text chunk."));

    QBuffer buffer;
    buffer.setData(bytes("animated-ball.gif"));
    QImageReader reader(&buffer);
    EXPECT_EQ(reader.imageCount(), 3);
    std::vector<int> delays;
    while (reader.canRead()) {
        reader.read();
        delays.push_back(reader.nextImageDelay());
    }
    EXPECT_EQ(delays, (std::vector<int>{300, 500, 1000}));
    for (int bits : {1, 4, 8, 24, 32}) {
        const QByteArray& bmp = bytes(QStringLiteral("bmp-%1bit.bmp").arg(bits));
        EXPECT_EQ(qFromLittleEndian<quint16>(bmp.constData() + 28), bits);
    }
}

TEST_F(DemoFolder, BrokenFilesAreBrokenTheWayTheirNamesSay) {
    const QByteArray& truncated = bytes("truncated.jpg");
    const qsizetype scan = truncated.indexOf("\xff\xda");
    ASSERT_GE(scan, 0);
    const int scanHeader = qFromBigEndian<quint16>(truncated.constData() + scan + 2);
    EXPECT_GT(truncated.size() - (scan + 2 + scanHeader), 10'000) << "cut well inside the scan data";
    EXPECT_FALSE(truncated.endsWith("\xff\xd9"));
    EXPECT_TRUE(truncated.startsWith("\xff\xd8"));

    const QByteArray& tiny = bytes("tiny-100-bytes.jpg");
    EXPECT_EQ(tiny.size(), 100);
    EXPECT_TRUE(tiny.startsWith(QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10)));

    EXPECT_TRUE(IsUtf8Japanese(bytes("evening-1280x960.txt")));
    EXPECT_TRUE(s_files->contains(QStringLiteral("evening-1280x960.jpg")));
}

TEST(DemoPictures, CutInScanDataKeepsTheHeadersAndHalfTheScan) {
    const QByteArray whole = DemoJpeg(64, 48);
    const QByteArray cut = CutInScanData(whole);
    ASSERT_FALSE(cut.isEmpty());
    EXPECT_TRUE(whole.startsWith(cut));
    const qsizetype scan = whole.indexOf("\xff\xda");
    const qsizetype data = scan + 2 + qFromBigEndian<quint16>(whole.constData() + scan + 2);
    EXPECT_NEAR(double(cut.size() - data), double(whole.size() - data) / 2, 1.0);
    EXPECT_TRUE(CutInScanData(QByteArray("\xff\xd8\xff\xd9", 4)).isEmpty());
}

} // namespace
