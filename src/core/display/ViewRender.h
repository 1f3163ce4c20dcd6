#pragma once

#include <QImage>
#include <QSize>

// Everything the shown bitmap depends on besides the decoded picture. Two equal values give
// the same bitmap, so a bitmap made ahead of time for one value can be shown as it is.
struct ViewParams {
    QSize viewSize{640, 400}; // the room the picture may take

    bool operator==(const ViewParams&) const = default;
};

// The bitmap to show and the rate it was scaled by.
struct RenderedView {
    QImage bitmap;
    double zoomRate = 1.0;
};

// Makes the shown bitmap of `source`: a picture larger than the view is reduced to fit it,
// a smaller one is shown as it is. A pure function, safe on any thread.
RenderedView RenderView(const QImage& source, const ViewParams& params);
