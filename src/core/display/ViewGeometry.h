#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

// How big the picture is drawn and where it is placed in the scroll box: the zoom modes, the
// zoom steps and the rate box. Pure functions, any thread.

// The zoom modes by their stored codes ("ZoomNo").
enum class ZoomMode : int {
    ActualSize = 260, // always 1:1
    FixedRate = 261,  // the rate the user set is kept from picture to picture
    FitView = 262,
    ShrinkOnly = 263, // reduce a picture larger than the view, show a smaller one 1:1
    FitWidth = 264,
};

// What the rate of a redraw depends on.
struct RateQuery {
    double requested = 0; // 0: from the zoom mode; otherwise this rate
    ZoomMode mode = ZoomMode::ShrinkOnly;
    double currentRate = 1;   // the rate of the last redraw; the fixed rate in that mode
    QSize source;             // the decoded picture
    bool quarterTurn = false; // a 90° or 270° rotation swaps the drawn width and height
    QSize available;          // the room in the scroll box (or the full screen)
    int scrollBarWidth = 0;
};

// The rate to draw at and the size the unrotated picture is scaled to; at rate 1 the size is
// the picture's own.
struct ViewRate {
    double rate = 1;
    QSize target;
};

// A size or rate nobody can draw (an empty picture or view) gives nothing.
std::optional<ViewRate> ComputeViewRate(const RateQuery& query);

// Where a drawn bitmap of `drawn` size goes in `available` room: centred while it fits (a
// scroll bar's width kept free), nudged by half a scroll bar when only the other bar will show,
// at the left edge when `alignLeft`.
QPoint PlaceView(QSize drawn, QSize available, int scrollBarWidth, bool alignLeft);

// The next rate of the zoom step table above or below `rate`; nothing at the ends.
std::optional<double> ZoomInRate(double rate);
std::optional<double> ZoomOutRate(double rate);
// `rate` held within the zoom step table, from its smallest to its largest step.
double ClampRate(double rate);

// The rate box's answer as a rate: a number above 8 is a width in pixels for a picture
// `sourceWidth` wide. Nothing for an answer that is not a number.
std::optional<double> RateFromAnswer(const QString& answer, int sourceWidth);
