#include "e2e/E2eDriver.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

const QString kNotFound = QStringLiteral("^Ruvela - 画像ファイルが見つかりません$");

// The title of a shown picture: position, file name, size and the zoom rate, which is 1.00 for
// pictures smaller than the window.
QString Shown(int position, int count, const QString& name, int width, int height) {
    return QStringLiteral("^Ruvela - %1/%2 \\[%3\\]  \\(%4x%5\\) \\* 1\\.00$")
        .arg(position)
        .arg(count)
        .arg(QRegularExpression::escape(name))
        .arg(width)
        .arg(height);
}

enum class Desktop { Missing, Empty, WithPictures };

struct StartCase {
    const char* name;
    Desktop desktop;
    QString argument; // under the home folder; empty: start with no argument
    QString title;
};

void PrintTo(const StartCase& row, std::ostream* out) {
    *out << row.name;
}

// Every case sees the same home folder: "pics" holds three pictures written out of name order,
// "empty" none, "写真" one with a Japanese name, and the home itself one picture, so a start
// that opens the wrong folder shows a wrong title.
class StartupTitle : public ::testing::TestWithParam<StartCase> {
protected:
    void SetUp() override {
        m_driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("c.png"), QSize(16, 64)},
                                                        {QStringLiteral("a.jpg"), QSize(64, 48)},
                                                        {QStringLiteral("b.bmp"), QSize(40, 30)}});
        m_driver.writePictures(QStringLiteral("empty"), {});
        m_driver.writePictures(QStringLiteral("写真"), {{QStringLiteral("桜.jpg"), QSize(24, 24)}});
        m_driver.writePictures(QString(), {{QStringLiteral("home.png"), QSize(10, 10)}});
        if (GetParam().desktop == Desktop::Empty)
            m_driver.writePictures(QStringLiteral("Desktop"), {});
        if (GetParam().desktop == Desktop::WithPictures)
            m_driver.writePictures(QStringLiteral("Desktop"), {{QStringLiteral("z.png"), QSize(20, 10)},
                                                               {QStringLiteral("y.jpg"), QSize(30, 20)}});
    }

    E2eDriver m_driver;
};

TEST_P(StartupTitle, ShowsTheOpenedFile) {
    const StartCase& row = GetParam();
    QStringList arguments;
    if (!row.argument.isEmpty())
        arguments << m_driver.home() + QLatin1Char('/') + row.argument;
    ASSERT_TRUE(m_driver.start(arguments));
    ASSERT_TRUE(m_driver.waitForWindow(QRegularExpression(QStringLiteral("^Ruvela - "))));
    EXPECT_TRUE(m_driver.waitForTitle(QRegularExpression(row.title)));
}

INSTANTIATE_TEST_SUITE_P(
    Start, StartupTitle,
    ::testing::Values(StartCase{"Folder", Desktop::Empty, QStringLiteral("pics"),
                                Shown(1, 3, QStringLiteral("a.jpg"), 64, 48)},
                      StartCase{"FileInTheMiddle", Desktop::Empty, QStringLiteral("pics/b.bmp"),
                                Shown(2, 3, QStringLiteral("b.bmp"), 40, 30)},
                      StartCase{"LastFile", Desktop::Empty, QStringLiteral("pics/c.png"),
                                Shown(3, 3, QStringLiteral("c.png"), 16, 64)},
                      StartCase{"JapaneseNames", Desktop::Empty, QStringLiteral("写真/桜.jpg"),
                                Shown(1, 1, QStringLiteral("桜.jpg"), 24, 24)},
                      StartCase{"EmptyFolder", Desktop::WithPictures, QStringLiteral("empty"), kNotFound},
                      StartCase{"NoArgumentOpensTheDesktop", Desktop::WithPictures, QString(),
                                Shown(1, 2, QStringLiteral("y.jpg"), 30, 20)},
                      StartCase{"NoArgumentEmptyDesktop", Desktop::Empty, QString(), kNotFound},
                      StartCase{"NoArgumentNoDesktopOpensTheHome", Desktop::Missing, QString(),
                                Shown(1, 1, QStringLiteral("home.png"), 10, 10)}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST(Shutdown, AltF4EndsTheProgramAndTheDataFolderExists) {
    E2eDriver driver;
    const QString folder =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(8, 8)}});
    ASSERT_FALSE(QFileInfo::exists(driver.dataFolder()));
    ASSERT_TRUE(driver.start({folder}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(Shown(1, 1, QStringLiteral("a.png"), 8, 8))));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0) << driver.output().toStdString();
    EXPECT_TRUE(QFileInfo(driver.dataFolder()).isDir());
}

} // namespace
