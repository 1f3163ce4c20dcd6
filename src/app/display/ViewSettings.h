#pragma once

#include "app/ViewerPart.h"
#include "core/display/ViewRender.h"

#include <QObject>
#include <QRgb>
#include <QSize>
#include <optional>

// How the picture is drawn: the zoom mode and rate, the 1:1 toggle, the filters and the room the
// view gives; the shown picture is drawn again when they change, and the pictures read ahead are
// made for them. GUI thread.
class ViewSettings : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit ViewSettings(ViewerController& viewer);

    ZoomMode zoomMode() const { return m_zoomMode; }
    const FilterSettings& filters() const { return m_filters; }
    bool actualSize() const { return m_actualSize; }
    int scrollBarWidth() const { return m_scrollBarWidth; }
    QRgb ViewColour() const;
    void SyncView();
    // The zoom-mode items (codes 260 to 264): the picture is drawn again in that mode.
    void ZoomRedraw(int mode);
    // A stored zoom value: a mode code, or any other number as the fixed rate. No redraw.
    void ZoomExecute(double value);
    // The value "ZoomNo" keeps: the mode code, or the fixed rate in that mode.
    double ZoomNoToStore() const;
    void SetFilterSettings(const FilterSettings& filters);
    // A filter item was chosen: the picture is drawn again at the current rate.
    void FilterRedraw(const FilterSettings& filters);
    // "標準に戻す": every filter group back to standard, and drawn again.
    void mnuFilterResetClick();
    // "拡大" and "縮小": the next rate of the zoom steps.
    void ZoomIn();
    void ZoomOut();
    // A number bound as a command: the picture is shown at that rate, held to the zoom steps'
    // range; a rate that is not a positive number does nothing.
    void ViewAtRate(double rate);
    // "倍率を入力": asks for a rate, or a width in pixels above 8.
    void RateInput();
    // "等倍で表示": 1:1, and back to the rate before.
    void ToggleActualSize();
    void SetActualSize(bool on);
    // The width of a vertical scroll bar, which the width mode and the placement leave free.
    void SetScrollBarWidth(int width);
    // The size the picture may take in the view; the shown picture is fitted again.
    void SetViewSize(QSize size);

signals:
    void actualSizeChanged(bool on);
    void filtersChanged(const FilterSettings& filters);
    void zoomModeChanged(int code);

private:
    ViewParams CurrentViewParams() const;
    void RedrawAtCurrentRate();
    void ZoomTo(std::optional<double> rate);

    ZoomMode m_zoomMode = ZoomMode::ShrinkOnly;
    FilterSettings m_filters;
    double m_savedRate = 1; // the rate put aside while the picture is shown 1:1
    bool m_actualSize = false;
    int m_scrollBarWidth = 16;
};
