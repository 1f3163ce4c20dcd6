#include "core/display/ViewRender.h"

#include "core/display/Resampler.h"

#include <QPainter>

namespace {

// The 24-bit picture the filters work on; transparent parts show the view's colour.
QImage Opaque(const QImage& source, QRgb background) {
    if (source.format() == QImage::Format_RGB888) {
        return source;
    }
    if (!source.hasAlphaChannel()) {
        return source.convertToFormat(QImage::Format_RGB888);
    }
    QImage laid(source.size(), QImage::Format_RGB888);
    if (laid.isNull()) {
        return laid;
    }
    laid.fill(QColor::fromRgb(background));
    QPainter painter(&laid);
    painter.drawImage(0, 0, source);
    painter.end();
    return laid;
}

bool QuarterTurn(const FilterSettings& filters) {
    return filters.orientation == Orientation::Rotate90 || filters.orientation == Orientation::Rotate270;
}

} // namespace

RenderedView RenderView(const QImage& source, const ViewParams& params, double requestedRate) {
    RenderedView view;
    if (source.isNull()) {
        return view;
    }
    RateQuery query;
    query.requested = requestedRate;
    query.mode = params.mode;
    query.currentRate = params.fixedRate;
    query.source = source.size();
    query.quarterTurn = QuarterTurn(params.filters);
    query.available = params.viewSize;
    query.scrollBarWidth = params.scrollBarWidth;
    const std::optional<ViewRate> rate = ComputeViewRate(query);
    if (!rate) {
        view.bitmap = source;
        return view;
    }
    view.zoomRate = rate->rate;
    QImage bitmap = Opaque(source, params.background);
    if (bitmap.isNull()) {
        view.bitmap = source;
        view.outOfMemory = true;
        return view;
    }
    QSize target = rate->target;
    // The colour filters run on the smaller of the two bitmaps: before enlarging, after reducing.
    if (view.zoomRate > 1) {
        Image2Filter(bitmap, params.filters);
        if (QuarterTurn(params.filters)) {
            target.transpose();
        }
    }
    if (view.zoomRate != 1) {
        QImage scaled = view.zoomRate >= 3 ? ScaleNearest(bitmap, target) : Resample(bitmap, target);
        if (scaled.isNull()) {
            bitmap = Opaque(source, params.background);
            view.outOfMemory = true;
        } else {
            bitmap = std::move(scaled);
        }
    }
    if (view.zoomRate <= 1) {
        Image2Filter(bitmap, params.filters);
    }
    const int extraSharpen = params.smallSharp && view.zoomRate < 1 ? 32 : 0;
    SharpnessAndSpecial(bitmap, params.filters, extraSharpen, params.background);
    view.bitmap = std::move(bitmap);
    return view;
}
