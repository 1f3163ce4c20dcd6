#include "ui/main/ImgBar.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(TrackBarMapping, EndsOfTheRangeSitOnTheEndsOfTheChannel) {
    struct Case {
        int minimum, maximum, left, right;
    };
    for (const Case& c : {Case{1, 2, 8, 300}, Case{1, 10, 8, 9}, Case{0, 1001, 8, 400}, Case{5, 7, 0, 100}}) {
        EXPECT_EQ(TrackBarPixel(c.minimum, c.minimum, c.maximum, c.left, c.right), c.left);
        EXPECT_EQ(TrackBarPixel(c.maximum, c.minimum, c.maximum, c.left, c.right), c.right);
        EXPECT_EQ(TrackBarPosition(c.left, c.minimum, c.maximum, c.left, c.right), c.minimum);
        EXPECT_EQ(TrackBarPosition(c.right, c.minimum, c.maximum, c.left, c.right), c.maximum);
    }
}

TEST(TrackBarMapping, EveryPositionComesBackFromItsPixelWhenTheChannelIsWideEnough) {
    struct Case {
        int minimum, maximum, left, right;
    };
    for (const Case& c :
         {Case{1, 3, 8, 600}, Case{1, 100, 8, 108}, Case{0, 101, 8, 500}, Case{1, 577, 8, 600}}) {
        int previous = -1;
        for (int position = c.minimum; position <= c.maximum; ++position) {
            const int x = TrackBarPixel(position, c.minimum, c.maximum, c.left, c.right);
            EXPECT_GT(x, previous) << position;
            EXPECT_EQ(TrackBarPosition(x, c.minimum, c.maximum, c.left, c.right), position)
                << "range " << c.minimum << ".." << c.maximum << " pixel " << x;
            previous = x;
        }
    }
}

TEST(TrackBarMapping, DenseListsStayOrderedAndInsideTheChannel) {
    int previous = 0;
    for (int x = 0; x <= 120; ++x) {
        const int position = TrackBarPosition(x, 1, 100000, 10, 110);
        EXPECT_GE(position, previous);
        EXPECT_GE(position, 1);
        EXPECT_LE(position, 100000);
        previous = position;
    }
    EXPECT_EQ(TrackBarPosition(-50, 1, 100000, 10, 110), 1);
    EXPECT_EQ(TrackBarPosition(500, 1, 100000, 10, 110), 100000);
    EXPECT_EQ(TrackBarPixel(100001, 1, 100000, 10, 110), 110);
}

TEST(TrackBarMapping, OnePositionSitsOnTheLeftEnd) {
    EXPECT_EQ(TrackBarPixel(1, 1, 1, 8, 300), 8);
    EXPECT_EQ(TrackBarPosition(250, 1, 1, 8, 300), 1);
}

TEST(TrackBarMapping, TicksAreThinnedToKeepTheirGap) {
    EXPECT_EQ(TrackBarTickStep(1, 10, 0, 300, 3), 1);
    EXPECT_EQ(TrackBarTickStep(1, 1001, 0, 500, 3), 6);
    const int step = TrackBarTickStep(1, 100000, 8, 600, 3);
    EXPECT_GE(TrackBarPixel(1 + step, 1, 100000, 8, 600) - TrackBarPixel(1, 1, 100000, 8, 600), 2);
    EXPECT_GE(static_cast<long long>(step) * 592, 3LL * 99999);
}

class ImgBarInput : public ::testing::Test {
protected:
    void SetUp() override {
        bar.resize(400, 32);
        TrackBar state;
        state.minimum = 1;
        state.maximum = 100;
        state.position = 50;
        state.selStart = 1;
        state.selEnd = 100;
        state.ticks = true;
        state.sliderVisible = true;
        state.handlerAttached = true;
        bar.setTrackBar(state);
    }

    ImgBar bar;
    QSignalSpy moves{&bar, &ImgBar::moved};
};

TEST_F(ImgBarInput, KeysMoveByOneByAPageAndToTheEnds) {
    struct Step {
        Qt::Key key;
        int expected;
    };
    for (const Step& step : {Step{Qt::Key_Right, 51}, Step{Qt::Key_PageDown, 61}, Step{Qt::Key_Left, 60},
                             Step{Qt::Key_PageUp, 50}, Step{Qt::Key_Down, 51}, Step{Qt::Key_Up, 50},
                             Step{Qt::Key_End, 100}, Step{Qt::Key_Home, 1}}) {
        QTest::keyClick(&bar, step.key);
        ASSERT_FALSE(moves.isEmpty()) << step.key;
        EXPECT_EQ(moves.takeLast().at(0).toInt(), step.expected) << step.key;
        EXPECT_EQ(bar.trackBar().position, step.expected);
    }
}

TEST_F(ImgBarInput, NoMoveIsReportedPastTheEnds) {
    QTest::keyClick(&bar, Qt::Key_Home);
    moves.clear();
    QTest::keyClick(&bar, Qt::Key_Left);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_TRUE(moves.isEmpty());
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(moves.takeLast().at(0).toInt(), 11);
}

TEST_F(ImgBarInput, AClickOrADragTakesThePositionUnderTheMouse) {
    const auto pointOf = [this](int position) {
        return QPoint(TrackBarPixel(position, 1, 100, bar.channelLeft(), bar.channelRight()), 20);
    };
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, pointOf(7));
    ASSERT_FALSE(moves.isEmpty());
    EXPECT_EQ(moves.takeLast().at(0).toInt(), 7);

    QTest::mousePress(&bar, Qt::LeftButton, Qt::NoModifier, pointOf(20));
    QMouseEvent drag(QEvent::MouseMove, QPointF(pointOf(90)), bar.mapToGlobal(QPointF(pointOf(90))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &drag);
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::NoModifier, pointOf(90));
    ASSERT_GE(moves.size(), 2);
    EXPECT_EQ(moves.at(moves.size() - 2).at(0).toInt(), 20);
    EXPECT_EQ(moves.last().at(0).toInt(), 90);
}

TEST_F(ImgBarInput, WithoutItsThumbItIgnoresTheUser) {
    TrackBar empty;
    bar.setTrackBar(empty);
    QTest::keyClick(&bar, Qt::Key_End);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(300, 20));
    EXPECT_TRUE(moves.isEmpty());
}

} // namespace
