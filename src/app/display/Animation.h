#pragma once

#include "app/ViewerState.h"
#include "core/settings/Options.h"

#include <QObject>
#include <QTimer>

class ViewerController;

// The frames of an animated picture: its timer shows the next frame when the shown one's time is
// up. GUI thread.
class Animation : public QObject {
    Q_OBJECT

public:
    explicit Animation(ViewerController& viewer);

    // The shown frame stays for `delayMs`, then the next one comes.
    void Start(int delayMs) { m_gifTimer.start(delayMs); }
    void NextGifFrame();
    void CloseGif();

private:
    ViewerController& m_viewer;
    ViewerState& m_state;
    Options& m_options;
    TrackBar& m_bar;
    QTimer m_gifTimer;
};
