#include "core/display/ViewGeometry.h"

#include <gtest/gtest.h>
#include <utility>

namespace {

struct RateCase {
    const char* name;
    RateQuery query;
    double rate;
    QSize target;
};

RateQuery Query(ZoomMode mode, QSize source, QSize available, double requested = 0) {
    RateQuery query;
    query.mode = mode;
    query.source = source;
    query.available = available;
    query.requested = requested;
    query.scrollBarWidth = 16;
    return query;
}

} // namespace

TEST(ViewGeometry, TheRateFollowsTheModeThePictureAndTheView) {
    RateQuery fixed = Query(ZoomMode::FixedRate, QSize(400, 300), QSize(800, 600));
    fixed.currentRate = 0.0625; // the fixed rate keeps no limits
    RateQuery turned = Query(ZoomMode::FitView, QSize(400, 200), QSize(400, 400));
    turned.quarterTurn = true;
    const RateCase cases[] = {
        {"larger picture shrinks", Query(ZoomMode::ShrinkOnly, QSize(4000, 3000), QSize(800, 600)), 0.2,
         QSize(800, 600)},
        {"smaller picture stays", Query(ZoomMode::ShrinkOnly, QSize(400, 300), QSize(800, 600)), 1,
         QSize(400, 300)},
        {"fit view enlarges", Query(ZoomMode::FitView, QSize(400, 300), QSize(800, 900)), 2, QSize(800, 600)},
        {"fit view is held at 8", Query(ZoomMode::FitView, QSize(10, 10), QSize(800, 900)), 8, QSize(80, 80)},
        {"fit view is held at 0.1", Query(ZoomMode::FitView, QSize(20000, 20000), QSize(800, 900)), 0.1,
         QSize(2000, 2000)},
        {"actual size", Query(ZoomMode::ActualSize, QSize(4000, 3000), QSize(800, 600)), 1,
         QSize(4000, 3000)},
        {"fixed rate", fixed, 0.0625, QSize(25, 19)},
        {"wide picture fits the width", Query(ZoomMode::FitWidth, QSize(1600, 400), QSize(800, 600)), 0.5,
         QSize(800, 200)},
        // A tall picture needs a vertical bar: the width less the bar.
        {"tall picture leaves room for the bar", Query(ZoomMode::FitWidth, QSize(400, 2000), QSize(800, 600)),
         1.96, QSize(784, 3920)},
        {"quarter turn swaps the sides", turned, 1, QSize(400, 200)},
        {"10x2 at rate 2 stays at 1", Query(ZoomMode::ShrinkOnly, QSize(10, 2), QSize(800, 600), 2), 1,
         QSize(10, 2)},
        {"requested rate is kept", Query(ZoomMode::ShrinkOnly, QSize(960, 500), QSize(800, 600), 2), 2,
         QSize(1920, 1000)},
        {"requested rate is raised to 0.1",
         Query(ZoomMode::ShrinkOnly, QSize(960, 500), QSize(800, 600), 0.0088), 0.1, QSize(96, 50)},
    };
    for (const RateCase& c : cases) {
        const std::optional<ViewRate> rate = ComputeViewRate(c.query);
        ASSERT_TRUE(rate.has_value()) << c.name;
        EXPECT_DOUBLE_EQ(rate->rate, c.rate) << c.name;
        EXPECT_EQ(rate->target, c.target) << c.name;
    }
    EXPECT_FALSE(ComputeViewRate(Query(ZoomMode::FitView, QSize(), QSize(800, 600))).has_value());
    EXPECT_FALSE(ComputeViewRate(Query(ZoomMode::FitView, QSize(10, 10), QSize())).has_value());
}

TEST(ViewGeometry, PlacementCentresAndMakesRoomForTheOtherBar) {
    EXPECT_EQ(PlaceView(QSize(400, 300), QSize(800, 600), 16, false), QPoint(200, 150));
    EXPECT_EQ(PlaceView(QSize(400, 300), QSize(800, 600), 16, true), QPoint(0, 150));
    // Taller than the view: a vertical bar will show, so half of it comes off the left.
    EXPECT_EQ(PlaceView(QSize(400, 900), QSize(800, 600), 16, false), QPoint(192, 0));
    // Wider than the view: the horizontal bar takes half of it off the top.
    EXPECT_EQ(PlaceView(QSize(1000, 300), QSize(800, 600), 16, false), QPoint(0, 142));
    // Within a bar's width of the edge: not centred.
    EXPECT_EQ(PlaceView(QSize(790, 590), QSize(800, 600), 16, false), QPoint(0, 0));
}

TEST(ViewGeometry, ZoomStepsAndTheRateBox) {
    EXPECT_EQ(ZoomInRate(0.3), 0.5);
    EXPECT_EQ(ZoomOutRate(0.3), 0.25);
    EXPECT_EQ(ZoomInRate(6), 8);
    EXPECT_FALSE(ZoomInRate(8).has_value());
    EXPECT_EQ(ZoomOutRate(0.125), 0.1);
    EXPECT_FALSE(ZoomOutRate(0.1).has_value());

    const std::pair<double, double> clamps[] = {
        {0.0, 0.0625}, {-3, 0.0625}, {0.05, 0.0625}, {0.0625, 0.0625},
        {0.3, 0.3},    {8, 8},       {8.01, 8},      {100, 8},
    };
    for (const auto& [rate, held] : clamps) {
        EXPECT_EQ(ClampRate(rate), held) << rate;
    }

    EXPECT_EQ(RateFromAnswer(QStringLiteral("1920"), 960), 2.0);
    EXPECT_DOUBLE_EQ(*RateFromAnswer(QStringLiteral("8.5"), 960), 8.5 / 960);
    EXPECT_EQ(RateFromAnswer(QStringLiteral(" 1.5 "), 960), 1.5);
    EXPECT_FALSE(RateFromAnswer(QStringLiteral("abc"), 960).has_value());
    EXPECT_FALSE(RateFromAnswer(QString(), 960).has_value());
}
