#include "core/display/ViewRender.h"

#include <algorithm>

RenderedView RenderView(const QImage& source, const ViewParams& params) {
    RenderedView view;
    const QSize room = params.viewSize;
    if (source.isNull() || room.width() <= 0 || room.height() <= 0 ||
        (source.width() <= room.width() && source.height() <= room.height())) {
        view.bitmap = source;
        return view;
    }
    view.zoomRate = std::min(static_cast<double>(room.width()) / source.width(),
                             static_cast<double>(room.height()) / source.height());
    const int width = std::max(1, static_cast<int>(source.width() * view.zoomRate + 0.5));
    const int height = std::max(1, static_cast<int>(source.height() * view.zoomRate + 0.5));
    view.bitmap = source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return view;
}
