#include "core/filelist/ScanMask.h"

#include "core/common/NativePath.h"
#include "core/filelist/FileScan.h"
#include "core/settings/Options.h"

#include <gtest/gtest.h>

namespace {

Options NoKinds() {
    Options options;
    options.Bmp = options.Jpeg = options.Png = options.Gif = false;
    return options;
}

struct MaskCase {
    const char* label;
    QString plugins;
    Options options;
    QString expected;
};

TEST(BuildScanMask, PluginsFirstThenTheSwitchesInTheirOrder) {
    Options all = NoKinds();
    all.Bmp = all.Jpeg = all.Png = all.Gif = all.IeGif = all.Html = all.Txt = all.Swf = all.Mp3 = all.Avi =
        true;
    Options ieGifOnly = NoKinds();
    ieGifOnly.IeGif = true;
    Options textAndSound = NoKinds();
    textAndSound.Txt = textAndSound.Mp3 = true;
    Options pagesFlashMovies = NoKinds();
    pagesFlashMovies.Html = pagesFlashMovies.Swf = pagesFlashMovies.Avi = true;
    Options pngAndBmp = NoKinds();
    pngAndBmp.Png = pngAndBmp.Bmp = true;

    const MaskCase cases[] = {
        {"defaults", QString(), Options(), QStringLiteral("*.BMP;*.JPG;*.JPE;*.JPEG;*.PNG;*.GIF;")},
        {"nothing", QString(), NoKinds(), QString()},
        {"plug-ins only, upper-cased as given", QStringLiteral("*.pi;*.Mag;"), NoKinds(),
         QStringLiteral("*.PI;*.MAG;")},
        {"IeGif alone gives the GIF entry", QString(), ieGifOnly, QStringLiteral("*.GIF;")},
        {"text and sound", QString(), textAndSound, QStringLiteral("*.TXT;*.WMA;*.MP3;*.MID;*.WAV;")},
        {"pages, flash and movies", QString(), pagesFlashMovies,
         QStringLiteral("*.HTM;*.MHT;*.HTML;*.SWF;*.AVI;*.WMV;*.MPG;*.ASF;*.MPEG;*.MP4;")},
        {"bmp before png whatever the switch order", QString(), pngAndBmp, QStringLiteral("*.BMP;*.PNG;")},
        {"everything, GIF once", QStringLiteral("*.tif;"), all,
         QStringLiteral("*.TIF;*.BMP;*.JPG;*.JPE;*.JPEG;*.PNG;*.GIF;*.HTM;*.MHT;*.HTML;*.TXT;*.SWF;"
                        "*.WMA;*.MP3;*.MID;*.WAV;*.AVI;*.WMV;*.MPG;*.ASF;*.MPEG;*.MP4;")},
    };
    for (const MaskCase& c : cases) {
        EXPECT_EQ(BuildScanMask(c.plugins, c.options), c.expected) << c.label;
    }
}

struct ExtensionCase {
    QString name;
    bool expected;
};

// The byte test of the scan and the text test must give the same answer for every name.
TEST(ExtensionInMask, TextAndByteTestsAgree) {
    const QString mask = QStringLiteral("*.JPG;*.JPE;*.JPEG;*.PNG;*.SWF;*.TAR.GZ;*.LONGEXTENSION;*.B;C;");
    const ScanMask scanMask(mask);
    const ExtensionCase cases[] = {
        {QStringLiteral("A.JPG"), true},
        {QStringLiteral("b.jpeg"), true},
        {QStringLiteral("c.jpe"), true},
        {QStringLiteral("d.JPEG.txt"), false},
        {QStringLiteral("noext"), false},
        {QStringLiteral("trail."), false},
        {QStringLiteral("."), false},
        {QStringLiteral(".jpg"), true},
        {QStringLiteral(".hidden.PnG"), true},
        {QStringLiteral("x.jp"), false},
        {QStringLiteral("x.peg"), false},
        {QStringLiteral("x.jpegx"), false},
        {QStringLiteral("x.G"), false},
        {QStringLiteral("archive.tar.gz"), true}, // ".GZ;" occurs in the mask
        {QStringLiteral("x.b;c"), true},          // ".B;C;" occurs in the mask
        {QStringLiteral("x.c"), false},
        {QStringLiteral("pic.LongExtension"), true},
        {QStringLiteral("pic.longextensio"), false},
        {QStringLiteral("pic.ongextension"), false},
        {QStringLiteral("写真.jpg"), true},
        {QStringLiteral("x.ｊｐｇ"), false},
        {QStringLiteral("x.\u017Fwf"), true}, // long s upper-cases to S
        {PathFromNative(QByteArray("x.\xff")), false},
        {PathFromNative(QByteArray("\xff\xfe.jpg")), true},
    };
    for (const ExtensionCase& c : cases) {
        const QByteArray bytes = NativePath(c.name);
        EXPECT_EQ(ExtensionInMask(c.name, mask), c.expected) << c.name.toStdString();
        EXPECT_EQ(scanMask.Matches(bytes.constData(), static_cast<std::size_t>(bytes.size())), c.expected)
            << c.name.toStdString();
    }
}

TEST(ExtensionInMask, LooksAtTheFileNameNotTheFolder) {
    const QString mask = QStringLiteral("*.JPG;");
    EXPECT_FALSE(ExtensionInMask(QStringLiteral("/pictures.jpg/readme"), mask));
    EXPECT_TRUE(ExtensionInMask(QStringLiteral("/pictures.d/a.jpg"), mask));
    EXPECT_FALSE(ScanMask(QString()).Matches("a.jpg", 5));
}

} // namespace
