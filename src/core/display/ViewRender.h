#pragma once

#include "core/display/ImageFilters.h"
#include "core/display/ViewGeometry.h"

#include <QImage>
#include <QRgb>
#include <QSize>

// Everything the shown bitmap depends on besides the decoded picture. Two equal values give
// the same bitmap, so a bitmap made ahead of time for one value can be shown as it is.
struct ViewParams {
    QSize viewSize{640, 400}; // the room the picture may take
    ZoomMode mode = ZoomMode::ShrinkOnly;
    double fixedRate = 0; // the rate of the fixed-rate mode; 0 in the other modes
    int scrollBarWidth = 16;
    FilterSettings filters;
    bool smallSharp = false;       // pictures shown reduced are sharpened a little
    QRgb background = 0xff808000u; // the view's colour, which the top-left transparency shows

    bool operator==(const ViewParams&) const = default;
};

// The bitmap to show and the rate it was drawn at.
struct RenderedView {
    QImage bitmap;
    double zoomRate = 1.0;
    bool outOfMemory = false; // scaling failed for want of memory: the bitmap is unscaled
};

// Draws `source` for the view: the rate from the zoom mode (or `requestedRate` when it is not
// 0), the filters before enlarging or after reducing, the scaling (nearest neighbour from rate 3
// up, resampling below), then sharpness and the special filter. A picture with alpha is laid on
// the view's colour first. A pure function, safe on any thread.
RenderedView RenderView(const QImage& source, const ViewParams& params, double requestedRate = 0);
