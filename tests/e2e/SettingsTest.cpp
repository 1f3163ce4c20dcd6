#include "E2eDriver.h"
#include "core/common/NativePath.h"

#include <QFile>

namespace {

QString ReadText(const QString& path) {
    return QString::fromUtf8(ReadFileHead(path, 1 << 20));
}

void WriteText(const QString& path, const QString& text) {
    QFile file;
    ASSERT_TRUE(OpenFile(file, path, QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

} // namespace

// A first start writes a complete settings file with the defaults; a changed file is applied at
// the next start and written back.
TEST(Settings, TheFirstStartWritesTheDefaultsAndTheNextStartAppliesTheFile) {
    E2eDriver driver;
    const QString folder =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.jpg"), QSize(64, 48)}});
    ASSERT_TRUE(driver.start({folder}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^Ruvela - 1/1 \\[a\\.jpg\\]"))));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);

    const QString iniPath = driver.dataFolder() + QStringLiteral("/Ruvela.ini");
    const QString ini = ReadText(iniPath);
    for (const char* line :
         {"[FormMain]\r\n", "Execution=2\r\n", "Movement=0\r\n", "Max=0\r\n", "SortNo=1\r\n",
          "ZoomNo=263\r\n", "[FormOption]\r\n", "ExStr1=画像を回転する(&A)\r\n", "ExStr3=-\r\n",
          "ExApp4=MSPAINT.EXE\r\n", "ListName1=汎用\r\n", "ListName10=プリント\r\n", "SlideShowTime=5000\r\n",
          "UndoSize=4096\r\n", "MaxSize=2048000000\r\n", "MinSize=128\r\n", "[FormSave]\r\n",
          "[FormExif]\r\n", "[FormKeyList]\r\n"}) {
        EXPECT_TRUE(ini.contains(QString::fromUtf8(line))) << line << "\n" << ini.toStdString();
    }
    EXPECT_TRUE(ini.contains(QStringLiteral("ImgFile=") + folder + QStringLiteral("/a.jpg\r\n")));

    QString changed = ini;
    changed.replace(QRegularExpression(QStringLiteral("\r\nWidth=\\d+\r\n")),
                    QStringLiteral("\r\nWidth=900\r\n"));
    changed.replace(QRegularExpression(QStringLiteral("\r\nHeight=\\d+\r\n")),
                    QStringLiteral("\r\nHeight=700\r\n"));
    changed.replace(QStringLiteral("SwImgOpen=0"), QStringLiteral("SwImgOpen=1"));
    WriteText(iniPath, changed);

    // No argument: the last shown file is opened again.
    ASSERT_TRUE(driver.start());
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^Ruvela - 1/1 \\[a\\.jpg\\]"))));
    EXPECT_EQ(driver.windowSize(), QSize(900, 700));
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    const QString again = ReadText(iniPath);
    EXPECT_TRUE(again.contains(QStringLiteral("Execution=3\r\n")));
    EXPECT_TRUE(again.contains(QStringLiteral("Width=900\r\n")));
    EXPECT_TRUE(again.contains(QStringLiteral("Height=700\r\n")));
}
