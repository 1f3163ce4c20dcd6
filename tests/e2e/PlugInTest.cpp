#include "e2e/E2eDriver.h"

#include <QFile>
#include <gtest/gtest.h>

// A folder holding a WebP and a TIFF picture: the shipped plug-ins beside the program decode
// both, and the title gives each one's size.
TEST(PlugIns, AWebpAndATiffAreShownWithTheirSizes) {
    E2eDriver driver;
    const QString pics = driver.writePictures(QStringLiteral("pics"), {});
    const QString demo = QStringLiteral(RUVELA_TEST_DEMO_DIR "/plugins/");
    for (const char* name : {"alpha-deflate.tif", "photo.webp"}) {
        ASSERT_TRUE(QFile::copy(demo + QLatin1String(name), pics + QLatin1Char('/') + QLatin1String(name)))
            << name;
    }
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(
        driver.waitForWindow(Title(QStringLiteral("1/2 \\[alpha-deflate\\.tif\\]  \\(640x480\\) \\* "))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Right")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("2/2 \\[photo\\.webp\\]  \\(640x480\\) \\* "))));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
