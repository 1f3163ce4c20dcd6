#include "core/display/ViewGeometry.h"

#include <QPoint>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::array<double, 13> kZoomSteps = {0.0625, 0.1, 0.125, 0.25, 0.5, 0.75, 1, 1.5, 2, 3, 4, 6, 8};
constexpr double kLeast = 0.1;
constexpr double kMost = 8;

// The smaller of two rates, the second on a tie.
double Smaller(double w, double h) {
    return w > h ? h : w;
}

} // namespace

std::optional<ViewRate> ComputeViewRate(const RateQuery& query) {
    const QSize drawn = query.quarterTurn ? query.source.transposed() : query.source;
    if (drawn.isEmpty()) {
        return std::nullopt;
    }
    double rate = query.requested;
    if (rate == 0) {
        if (query.available.isEmpty()) {
            return std::nullopt;
        }
        const double width = query.available.width();
        const double height = query.available.height();
        const double rateW = width / drawn.width();
        const double rateH = height / drawn.height();
        switch (query.mode) {
        case ZoomMode::FitWidth:
            // A taller picture needs a vertical scroll bar, which takes its width from the room.
            rate = drawn.height() * rateW < height
                       ? rateW
                       : std::max((width - query.scrollBarWidth) / drawn.width(), rateH);
            break;
        case ZoomMode::ShrinkOnly:
            rate = rateW >= 1 && rateH >= 1 ? 1 : Smaller(rateW, rateH);
            break;
        case ZoomMode::FitView:
            rate = Smaller(rateW, rateH);
            break;
        case ZoomMode::ActualSize:
        case ZoomMode::FixedRate:
            rate = 1;
            break;
        }
    }
    rate = std::clamp(rate, kLeast, kMost);
    if (query.mode == ZoomMode::FixedRate) {
        rate = query.currentRate;
    }
    ViewRate result;
    result.rate = rate;
    result.target = QSize(static_cast<int>(std::round(query.source.width() * rate)),
                          static_cast<int>(std::round(query.source.height() * rate)));
    // Too small a picture to be worth scaling is shown as it is.
    if (std::min(result.target.width(), result.target.height()) < 8) {
        result.rate = 1;
        result.target = query.source;
    }
    return result;
}

QPoint PlaceView(QSize drawn, QSize available, int scrollBarWidth, bool alignLeft) {
    const int w = drawn.width();
    const int h = drawn.height();
    const int cw = available.width();
    const int ch = available.height();
    const int s = scrollBarWidth;
    int left = w < cw - s ? (cw - w) / 2 : 0;
    int top = h < ch - s ? (ch - h) / 2 : 0;
    if (w < cw - s && ch < h) {
        left -= s / 2;
    }
    if (cw < w && h < ch - s) {
        top -= s / 2;
    }
    if (alignLeft) {
        left = 0;
    }
    return QPoint(left, top);
}

std::optional<double> ZoomInRate(double rate) {
    if (rate >= kMost) {
        return std::nullopt;
    }
    for (const double step : kZoomSteps) {
        if (step > rate) {
            return step;
        }
    }
    return std::nullopt;
}

std::optional<double> ZoomOutRate(double rate) {
    if (rate < 0.10000001) {
        return std::nullopt;
    }
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it) {
        if (*it < rate) {
            return *it;
        }
    }
    return std::nullopt;
}

double ClampRate(double rate) {
    return std::clamp(rate, kZoomSteps.front(), kZoomSteps.back());
}

std::optional<double> RateFromAnswer(const QString& answer, int sourceWidth) {
    bool ok = false;
    const double value = answer.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    if (value > kMost) {
        if (sourceWidth <= 0) {
            return std::nullopt;
        }
        return value / sourceWidth;
    }
    return value;
}
