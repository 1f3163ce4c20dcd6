#include "app/PictureLoader.h"

#include "core/convert/ImageEncoders.h"
#include "support/TempFolder.h"

#include <QColor>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QByteArray Jpeg(int width, int height, int shade = 90) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(QColor(shade, 120, 200));
    return EncodeJpeg(image, JpegEncodeOptions{});
}

ViewParams ViewOf(QSize room) {
    ViewParams view;
    view.viewSize = room;
    return view;
}

class PictureLoaderTest : public ::testing::Test {
protected:
    // Waits until `path` is kept for the current view.
    ::testing::AssertionResult WaitReady(const QString& path) {
        QSignalSpy ready(&loader, &PictureLoader::pictureReady);
        while (!loader.IsReady(path)) {
            if (!ready.wait(5000)) {
                return ::testing::AssertionFailure() << path.toStdString() << " was never ready";
            }
        }
        return ::testing::AssertionSuccess();
    }

    TempFolder folder;
    PictureLoader loader;
};

} // namespace

TEST_F(PictureLoaderTest, ReadsAheadWithinTheBudgetAndDropsWhatIsNoLongerWanted) {
    const QString a = folder.write(QStringLiteral("a.jpg"), Jpeg(400, 300));
    const QString b = folder.write(QStringLiteral("b.jpg"), Jpeg(400, 300));
    const QString c = folder.write(QStringLiteral("c.jpg"), Jpeg(400, 300));
    const qint64 one = 400 * 300 * 3;
    loader.SetBudget(one + one / 2); // room for one neighbour besides the shown picture

    const PreparedPicture shown = loader.Take(a);
    EXPECT_EQ(shown.loaded.status, LoadStatus::Decoded);
    EXPECT_EQ(shown.view.bitmap.size(), QSize(400, 300));
    loader.Prefetch(a, {b, c});
    ASSERT_TRUE(WaitReady(b));
    EXPECT_FALSE(loader.IsReady(c));
    EXPECT_EQ(loader.decodeCount(), 2);
    EXPECT_LE(loader.keptBytes(), 2 * one);

    // Taking the read-ahead picture reads nothing; the next wish list forgets a.
    EXPECT_EQ(loader.Take(b).loaded.image.size(), QSize(400, 300));
    EXPECT_EQ(loader.decodeCount(), 2);
    loader.Prefetch(b, {c});
    ASSERT_TRUE(WaitReady(c));
    EXPECT_FALSE(loader.IsReady(a));
}

TEST_F(PictureLoaderTest, AnotherViewRemakesTheBitmapAndOtherOptionsReadAgain) {
    const QString a = folder.write(QStringLiteral("a.jpg"), Jpeg(800, 600));
    const QString b = folder.write(QStringLiteral("b.jpg"), Jpeg(800, 600));
    loader.SetBudget(qint64(1) << 30);
    loader.SetView(ViewOf(QSize(400, 400)));
    loader.Take(a);
    loader.Prefetch(a, {b});
    ASSERT_TRUE(WaitReady(b));
    const int decodes = loader.decodeCount();

    loader.SetView(ViewOf(QSize(200, 200)));
    EXPECT_FALSE(loader.IsReady(b));
    loader.Prefetch(a, {b});
    ASSERT_TRUE(WaitReady(b));
    EXPECT_EQ(loader.decodeCount(), decodes);
    const PreparedPicture fitted = loader.Take(b);
    EXPECT_EQ(fitted.view.bitmap.size(), QSize(200, 150));
    EXPECT_DOUBLE_EQ(fitted.view.zoomRate, 0.25);

    LoadOptions half = loader.loadOptions();
    half.jpegScale = 1;
    loader.SetLoadOptions(half);
    EXPECT_FALSE(loader.IsReady(b));
    EXPECT_EQ(loader.Take(b).loaded.image.size(), QSize(400, 300));
    EXPECT_EQ(loader.decodeCount(), decodes + 1);
}

TEST_F(PictureLoaderTest, AFileChangedOnDiskIsReadAgainAndAMissingOneSaysSo) {
    const QString a = folder.write(QStringLiteral("a.jpg"), Jpeg(64, 48, 10));
    loader.SetBudget(qint64(1) << 30);
    EXPECT_EQ(loader.Take(a).loaded.image.size(), QSize(64, 48));
    folder.write(QStringLiteral("a.jpg"), Jpeg(32, 24, 250));
    EXPECT_EQ(loader.Take(a).loaded.image.size(), QSize(32, 24));

    const PreparedPicture gone = loader.Take(folder.file(QStringLiteral("gone.jpg")));
    EXPECT_EQ(gone.loaded.status, LoadStatus::Missing);
    EXPECT_FALSE(gone.view.bitmap.isNull());
}

namespace {

// A Take asked while another one waits in its event loop reads its own file there and then; the
// waiting one still gets its own picture.
TEST_F(PictureLoaderTest, ATakeAskedWhileAnotherWaitsGetsItsOwnPicture) {
    const QString first = folder.write(QStringLiteral("first.jpg"), Jpeg(64, 48));
    const QString second = folder.write(QStringLiteral("second.jpg"), Jpeg(32, 24));
    loader.SetView(ViewOf(QSize(400, 300)));
    PreparedPicture inner;
    QTimer::singleShot(0, &loader, [&] { inner = loader.Take(second); });
    const PreparedPicture outer = loader.Take(first);
    EXPECT_EQ(outer.path, first);
    EXPECT_EQ(outer.loaded.image.size(), QSize(64, 48));
    EXPECT_EQ(inner.path, second);
    EXPECT_EQ(inner.loaded.image.size(), QSize(32, 24));
}

} // namespace
