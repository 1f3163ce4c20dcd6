#include "unit/app/ControllerFixture.h"

#include <QSignalSpy>
#include <functional>
#include <vector>

namespace {

// A flat picture in one colour, as a PNG so that its pixels come back exactly.
QByteArray FlatPng(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    return EncodePng(image, PngEncodeOptions{});
}

class ViewTest : public ControllerTest {
protected:
    double Rate() const { return state().ZoomRate; }
    QSize Shown() const { return state().ViewBitmap.size(); }
};

} // namespace

TEST_F(ViewTest, TheZoomModesDecideTheRateOfEachPicture) {
    pictures.write(QStringLiteral("a.png"), FlatPng(800, 600, Qt::red));
    pictures.write(QStringLiteral("b.png"), FlatPng(200, 100, Qt::blue));
    controller->ViewFolder(pictures.path(), true); // a 640×400 view
    EXPECT_DOUBLE_EQ(Rate(), 400.0 / 600);
    EXPECT_EQ(Shown(), QSize(533, 400));

    controller->ImgNext();
    EXPECT_DOUBLE_EQ(Rate(), 1);
    QSignalSpy checked(controller.get(), &ViewerController::zoomModeChanged);
    controller->ZoomRedraw(262);
    EXPECT_DOUBLE_EQ(Rate(), 3.2); // nearest neighbour from 3 up
    EXPECT_EQ(Shown(), QSize(640, 320));
    EXPECT_EQ(state().ViewBitmap.pixelColor(639, 319), QColor(Qt::blue));
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 2/2 [b.png]  (200x100) * 3.20"));
    ASSERT_EQ(checked.size(), 1);
    EXPECT_EQ(checked.first().first().toInt(), 262);

    controller->ZoomRedraw(260);
    controller->ImgBack();
    EXPECT_EQ(Shown(), QSize(800, 600));
    controller->ZoomRedraw(264); // the width, less a scroll bar as the picture is then taller
    EXPECT_DOUBLE_EQ(Rate(), (640.0 - 16) / 800);
}

TEST_F(ViewTest, ZoomStepsTheRateBoxAndTheFixedRate) {
    pictures.write(QStringLiteral("a.png"), FlatPng(200, 100, Qt::green));
    pictures.write(QStringLiteral("b.png"), FlatPng(300, 100, Qt::green));
    controller->ViewFolder(pictures.path(), true);
    controller->ZoomIn();
    EXPECT_DOUBLE_EQ(Rate(), 1.5);
    EXPECT_EQ(Shown(), QSize(300, 150));
    controller->ZoomOut();
    controller->ZoomOut();
    EXPECT_DOUBLE_EQ(Rate(), 0.75);
    // The mode sizes the next picture again.
    controller->ImgNext();
    EXPECT_DOUBLE_EQ(Rate(), 1);

    prompts.typed = {QStringLiteral("600"), QStringLiteral("abc"), QString()};
    controller->RateInput();
    EXPECT_DOUBLE_EQ(Rate(), 2);
    EXPECT_EQ(Shown(), QSize(600, 200));
    controller->RateInput();
    controller->RateInput();
    EXPECT_DOUBLE_EQ(Rate(), 2);
    EXPECT_EQ(prompts.inputCaptions.first(),
              QStringLiteral("表示倍率を入力|倍率を入力して下さい（0."
                             "1～8倍まで有効）\r\n9以上なら指定pixel幅にリサイズします"));

    // The fixed rate is kept from picture to picture and stored in place of the mode.
    controller->ZoomRedraw(261);
    controller->ImgBack();
    EXPECT_DOUBLE_EQ(Rate(), 2);
    EXPECT_EQ(Shown(), QSize(400, 200));
    EXPECT_DOUBLE_EQ(controller->ZoomNoToStore(), 2);
    controller->ZoomExecute(263.2);
    EXPECT_EQ(controller->zoomMode(), ZoomMode::ShrinkOnly);
    EXPECT_DOUBLE_EQ(controller->ZoomNoToStore(), 263);
    controller->ZoomExecute(1e9); // a damaged file asks for no giant bitmap
    EXPECT_EQ(controller->zoomMode(), ZoomMode::FixedRate);
    EXPECT_DOUBLE_EQ(controller->ZoomNoToStore(), 8);
}

// In the fixed-rate mode every way of setting the rate draws at the new rate, which the mode
// then keeps for the next picture; a rate beyond the zoom steps is held to the largest one.
TEST_F(ViewTest, EveryRateCommandSetsTheFixedRate) {
    pictures.write(QStringLiteral("a.png"), FlatPng(200, 100, Qt::green));
    pictures.write(QStringLiteral("b.png"), FlatPng(300, 100, Qt::green));
    // As at a start whose stored zoom is a rate.
    controller->ZoomExecute(1.5);
    controller->ViewFolder(pictures.path(), true);
    ASSERT_EQ(Shown(), QSize(300, 150));

    prompts.typed = {QStringLiteral("0.5"), QStringLiteral("1e12")};
    struct Step {
        const char* what;
        std::function<void()> act;
        double rate;
    };
    const std::vector<Step> steps = {
        {"zoom in", [this] { controller->ZoomIn(); }, 2},
        {"zoom out", [this] { controller->ZoomOut(); }, 1.5},
        {"zoom out", [this] { controller->ZoomOut(); }, 1},
        {"rate box", [this] { controller->RateInput(); }, 0.5},
        {"1:1", [this] { controller->ToggleActualSize(); }, 1},
        {"1:1 off", [this] { controller->ToggleActualSize(); }, 0.5},
        {"bound rate", [this] { controller->ViewAtRate(3); }, 3},
        {"width far beyond", [this] { controller->RateInput(); }, 8},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(controller->zoomMode(), ZoomMode::FixedRate);
        EXPECT_DOUBLE_EQ(Rate(), step.rate);
        EXPECT_EQ(Shown(), QSize(qRound(200 * step.rate), qRound(100 * step.rate)));
        EXPECT_DOUBLE_EQ(controller->ZoomNoToStore(), step.rate);
    }
    controller->ImgNext();
    EXPECT_DOUBLE_EQ(Rate(), 8);
    EXPECT_EQ(Shown(), QSize(2400, 800));

    // A damaged stored value draws at the largest step too.
    controller->ZoomExecute(1e12);
    controller->ImgBack();
    EXPECT_EQ(Shown(), QSize(1600, 800));
}

// A photo cut short shows the rows that arrived, the rest in the view's colour, and the comment
// pane says that the file is incomplete.
TEST_F(ViewTest, ACutJpegShowsWhatArrivedOnTheViewColour) {
    options.ImgBackColor = 0x804020; // red in the lowest byte
    Make();
    const QByteArray full = Jpeg(128, 128);
    pictures.write(QStringLiteral("truncated-baseline.jpg"), full.left(full.size() * 7 / 10));
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(comment, QStringLiteral("ファイルが途中で切れています（読めた部分だけを表示しています）"));
    ASSERT_EQ(Shown(), QSize(128, 128));
    const QColor view(0x20, 0x40, 0x80);
    EXPECT_EQ(state().ViewBitmap.pixelColor(0, 127), view);
    EXPECT_EQ(state().ViewBitmap.pixelColor(127, 127), view);
    EXPECT_NE(state().ViewBitmap.pixelColor(0, 0), view);
}

TEST_F(ViewTest, TheActualSizeToggleRestoresTheRateAndAnotherPictureClearsIt) {
    pictures.write(QStringLiteral("a.png"), FlatPng(1280, 800, Qt::gray));
    pictures.write(QStringLiteral("b.png"), FlatPng(1280, 800, Qt::gray));
    controller->ViewFolder(pictures.path(), true);
    EXPECT_DOUBLE_EQ(Rate(), 0.5);
    controller->ToggleActualSize();
    EXPECT_TRUE(controller->actualSize());
    EXPECT_EQ(Shown(), QSize(1280, 800));
    controller->ToggleActualSize();
    EXPECT_FALSE(controller->actualSize());
    EXPECT_EQ(Shown(), QSize(640, 400));
    controller->ToggleActualSize();
    controller->ImgNext();
    EXPECT_FALSE(controller->actualSize());
    EXPECT_DOUBLE_EQ(Rate(), 0.5);
}

TEST_F(ViewTest, FiltersRedrawAtTheRateAndCanResetWithEachPicture) {
    options.SwFilterReset = true;
    Make();
    pictures.write(QStringLiteral("a.png"), FlatPng(200, 100, QColor(255, 0, 0)));
    pictures.write(QStringLiteral("b.png"), FlatPng(200, 100, QColor(255, 0, 0)));
    controller->ViewFolder(pictures.path(), true);
    controller->ZoomIn();
    FilterSettings filters = controller->filters();
    filters.colourTone = ColourTone::Grey;
    filters.orientation = Orientation::Rotate90;
    QSignalSpy changed(controller.get(), &ViewerController::filtersChanged);
    controller->FilterRedraw(filters);
    EXPECT_DOUBLE_EQ(Rate(), 1.5);
    EXPECT_EQ(Shown(), QSize(150, 300)); // turned: the sides swap
    EXPECT_EQ(state().ViewBitmap.pixelColor(75, 150), QColor(85, 85, 85));

    controller->ImgNext();
    EXPECT_EQ(controller->filters(), FilterReset());
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(state().ViewBitmap.pixelColor(0, 0), QColor(255, 0, 0));

    filters = FilterReset();
    filters.colourTone = ColourTone::Negative;
    controller->FilterRedraw(filters);
    EXPECT_EQ(state().ViewBitmap.pixelColor(0, 0), QColor(0, 255, 255));
    controller->mnuFilterResetClick();
    EXPECT_EQ(state().ViewBitmap.pixelColor(0, 0), QColor(255, 0, 0));
}

TEST_F(ViewTest, TheZoomModeIsStoredAndRestored) {
    options.ZoomNo = 1.5;
    Make();
    controller->LoadSettings(true);
    EXPECT_EQ(controller->zoomMode(), ZoomMode::ShrinkOnly); // the file has no value yet
    controller->ZoomExecute(1.5);
    ASSERT_TRUE(controller->SaveSettings());
    Make();
    controller->LoadSettings(true);
    EXPECT_EQ(controller->zoomMode(), ZoomMode::FixedRate);
    EXPECT_DOUBLE_EQ(controller->ZoomNoToStore(), 1.5);
}
