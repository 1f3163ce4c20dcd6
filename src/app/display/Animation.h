#pragma once

#include "app/ViewerPart.h"

#include <QObject>
#include <QTimer>

// The frames of an animated picture: its timer shows the next frame when the shown one's time is
// up. GUI thread.
class Animation : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit Animation(ViewerController& viewer);

    // The shown frame stays for `delayMs`, then the next one comes.
    void Start(int delayMs) { m_gifTimer.start(delayMs); }
    void CloseGif();

private:
    void NextGifFrame();

    QTimer m_gifTimer;
};
