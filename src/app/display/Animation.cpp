#include "app/display/Animation.h"

#include "app/ViewerController.h"

Animation::Animation(ViewerController& viewer) : ViewerPart(viewer) {
    m_gifTimer.setSingleShot(true);
    connect(&m_gifTimer, &QTimer::timeout, this, &Animation::NextGifFrame);
}

void Animation::NextGifFrame() {
    if (!m_state.GifIsAnimated || !m_state.GifImage || m_state.ShowBusy) {
        return;
    }
    m_state.GifFrame = (m_state.GifFrame + 1) % m_state.GifImage->frameCount();
    m_state.SourceBitmap = m_state.GifImage->frame(m_state.GifFrame).image;
    m_viewer.show().ViewSeting(m_state.ZoomRate);
}

void Animation::CloseGif() {
    m_gifTimer.stop();
    m_state.GifImage.reset();
    m_state.GifIsAnimated = false;
}
