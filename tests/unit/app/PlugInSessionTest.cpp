#include "SusiePlugin.h"
#include "unit/app/ControllerFixture.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QString Spi(const char* name) {
    return QStringLiteral(RUVELA_TEST_PLUGIN_DIR "/%1.spi").arg(QLatin1String(name));
}

// A file the echo test plug-in decodes: an 8 by 8 picture of 24 bits, all one colour.
QByteArray EchoFile() {
    SusieBitmapInfoHeader header{};
    header.biSize = qToLittleEndian<std::uint32_t>(sizeof header);
    header.biWidth = qToLittleEndian<std::int32_t>(8);
    header.biHeight = qToLittleEndian<std::int32_t>(8);
    header.biPlanes = qToLittleEndian<std::uint16_t>(1);
    header.biBitCount = qToLittleEndian<std::uint16_t>(24);
    QByteArray size(4, '\0');
    qToLittleEndian<std::uint32_t>(sizeof header, size.data());
    QByteArray rows;
    for (int i = 0; i < 8 * 8; ++i) {
        rows += QByteArray::fromHex("0A141E");
    }
    return QByteArray("DIB!") + size + QByteArray(reinterpret_cast<const char*>(&header), sizeof header) +
           rows;
}

} // namespace

TEST_F(ControllerTest, PlugInsOfTheProgramAndDataFoldersAreLoadedAndTheirFilesShown) {
    ASSERT_TRUE(
        QFile::copy(Spi("first"), data.folder(QStringLiteral("PlugIn")) + QStringLiteral("/first.spi")));
    ASSERT_TRUE(QFile::copy(Spi("echo"),
                            data.folder(QStringLiteral("SaveData/PlugIn")) + QStringLiteral("/echo.spi")));
    Make();

    EXPECT_EQ(controller->plugIns().PicPlugInList(),
              QStringList({QStringLiteral("First"), QStringLiteral("Echo test plug-in")}));
    EXPECT_TRUE(state().ScanMask.startsWith(QStringLiteral("*.SAME;*.ECHO;*.BMP;")))
        << state().ScanMask.toStdString();
    EXPECT_EQ(controller->session().PlugInSearchPath(), data.file(QStringLiteral("PlugIn")) +
                                                            QLatin1Char(';') +
                                                            data.file(QStringLiteral("SaveData/PlugIn")));

    pictures.write(QStringLiteral("a.echo"), EchoFile());
    controller->ViewFolder(pictures.path(), true);
    ASSERT_EQ(state().FileList.size(), 1u);
    EXPECT_EQ(state().CurrentBitDepth, 255);
    EXPECT_EQ(state().SourceBitmap.size(), QSize(8, 8));
    EXPECT_EQ(state().SourceBitmap.pixel(7, 7), qRgb(30, 20, 10));
    EXPECT_EQ(title.panels[1], QStringLiteral("Susie"));
}

TEST_F(ControllerTest, WithoutPlugInsTheSearchPathIsTheProgramFolders) {
    EXPECT_TRUE(controller->plugIns().PicPlugInList().isEmpty());
    EXPECT_TRUE(state().ScanMask.startsWith(QStringLiteral("*.BMP;")));
    EXPECT_EQ(controller->session().PlugInSearchPath(), data.file(QStringLiteral("PlugIn")));
}
