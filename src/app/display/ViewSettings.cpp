#include "app/display/ViewSettings.h"

#include "app/ViewerController.h"
#include "core/display/ViewGeometry.h"

#include <cmath>

ViewSettings::ViewSettings(ViewerController& viewer) : ViewerPart(viewer) {}

// What the view draws with now; pictures read ahead are drawn for it.
ViewParams ViewSettings::CurrentViewParams() const {
    ViewParams params = m_viewer.loader().view();
    params.mode = m_zoomMode;
    params.fixedRate = m_zoomMode == ZoomMode::FixedRate ? m_state.ZoomRate : 0;
    params.scrollBarWidth = m_scrollBarWidth;
    params.filters = m_filters;
    params.smallSharp = m_options.SwSmallSharp;
    params.background = ViewColour();
    return params;
}

// "ImgBackColor" is stored with red in the lowest byte.
QRgb ViewSettings::ViewColour() const {
    return qRgb(m_options.ImgBackColor & 0xff, (m_options.ImgBackColor >> 8) & 0xff,
                (m_options.ImgBackColor >> 16) & 0xff);
}

void ViewSettings::SyncView() {
    const ViewParams params = CurrentViewParams();
    if (!(params == m_viewer.loader().view())) {
        m_viewer.loader().SetView(params);
    }
}

// After a change of what the view draws with: the shown picture at the current rate, the
// neighbours in the background.
void ViewSettings::RedrawAtCurrentRate() {
    SyncView();
    if (m_state.CurrentIndex != 0 && !m_state.ShowBusy) {
        m_viewer.show().ViewSeting(m_state.ZoomRate);
        m_viewer.show().PrefetchNeighbours(m_viewer.show().direction());
    }
}

void ViewSettings::ZoomRedraw(int mode) {
    m_zoomMode = static_cast<ZoomMode>(mode);
    emit zoomModeChanged(mode);
    SyncView();
    if (m_state.CurrentIndex != 0 && !m_state.ShowBusy) {
        m_viewer.show().ViewSeting(0);
        m_viewer.show().PrefetchNeighbours(m_viewer.show().direction());
    }
}

void ViewSettings::ZoomExecute(double value) {
    const long code = std::lround(value);
    if (code == 260 || code == 262 || code == 263 || code == 264) {
        m_zoomMode = static_cast<ZoomMode>(code);
    } else {
        m_zoomMode = ZoomMode::FixedRate;
        // A stored rate is held to what the zoom steps can reach, so a damaged file cannot ask
        // for a bitmap larger than memory.
        m_state.ZoomRate = std::isfinite(value) ? ClampRate(value) : 1.0;
    }
    emit zoomModeChanged(static_cast<int>(m_zoomMode));
    SyncView();
}

double ViewSettings::ZoomNoToStore() const {
    return m_zoomMode == ZoomMode::FixedRate ? m_state.ZoomRate : static_cast<double>(m_zoomMode);
}

void ViewSettings::SetFilterSettings(const FilterSettings& filters) {
    m_filters = filters;
    emit filtersChanged(m_filters);
    SyncView();
}

void ViewSettings::FilterRedraw(const FilterSettings& filters) {
    SetFilterSettings(filters);
    RedrawAtCurrentRate();
}

void ViewSettings::mnuFilterResetClick() {
    FilterRedraw(FilterReset());
}

void ViewSettings::ZoomIn() {
    ZoomTo(ZoomInRate(m_state.ZoomRate));
}

void ViewSettings::ZoomOut() {
    ZoomTo(ZoomOutRate(m_state.ZoomRate));
}

// Draws at `rate`, which also becomes the current rate: in the fixed-rate mode the rate the
// view draws with, so the neighbours read ahead are drawn at it too. Held to the zoom steps, so
// no answer can ask for a bitmap larger than memory.
void ViewSettings::ZoomTo(std::optional<double> rate) {
    if (m_state.FileList.empty() || !rate) {
        return;
    }
    m_state.ZoomRate = ClampRate(*rate);
    RedrawAtCurrentRate();
}

void ViewSettings::ViewAtRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0) {
        return;
    }
    ZoomTo(rate);
}

void ViewSettings::RateInput() {
    if (m_state.FileList.empty()) {
        return;
    }
    const std::optional<QString> answer = m_viewer.prompts().input(
        QStringLiteral("表示倍率を入力"),
        QStringLiteral("倍率を入力して下さい（0.1～8倍まで有効）\r\n9以上なら指定pixel幅にリサイズします"),
        QString());
    if (!answer) {
        return;
    }
    // Also the fixed rate, so the answer counts in that mode too.
    ZoomTo(RateFromAnswer(*answer, m_state.SourceBitmap.width()));
}

void ViewSettings::ToggleActualSize() {
    if (m_state.FileList.empty()) {
        return;
    }
    const bool on = !m_actualSize;
    if (on) {
        m_savedRate = m_state.ZoomRate;
    }
    SetActualSize(on);
    ZoomTo(on ? 1 : m_savedRate);
}

void ViewSettings::SetActualSize(bool on) {
    if (m_actualSize != on) {
        m_actualSize = on;
        emit actualSizeChanged(on);
    }
}

void ViewSettings::SetScrollBarWidth(int width) {
    m_scrollBarWidth = width;
    SyncView();
}

void ViewSettings::SetViewSize(QSize size) {
    // A view with no room (a minimised window) keeps the picture drawn for the last one.
    if (size.isEmpty() || size == m_viewer.loader().view().viewSize) {
        return;
    }
    ViewParams view = CurrentViewParams();
    view.viewSize = size;
    m_viewer.loader().SetView(view);
    if (m_state.CurrentIndex > 0 && !m_state.ShowBusy) {
        m_viewer.show().ViewSeting(0);
        // The neighbours read ahead get their bitmaps made again for the new size meanwhile.
        m_viewer.show().PrefetchNeighbours(m_viewer.show().direction());
    }
}
