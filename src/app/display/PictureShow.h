#pragma once

#include "app/PictureLoader.h"
#include "app/ViewerPart.h"

#include <QImage>
#include <QObject>
#include <deque>
#include <functional>

// Showing pictures: the only client of the loader. Shows the file at the track bar's position,
// reads ahead its neighbours, draws the picture for the view, and holds back the inputs that act
// on the shown file while a picture is still being read. GUI thread.
class PictureShow : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit PictureShow(ViewerController& viewer);

    PictureLoader& loader() { return m_loader; }
    int direction() const { return m_direction; }
    // The shown file was taken out of the list: while the next one is read it is not shown.
    void ShownFileGone() { m_shownGone = true; }
    void ApplyLoadOptions();
    // Shows the file at the track bar's position; the track bar's change handler.
    void ImgBarChange();
    // Ctrl with next / back: shows the frame `delta` away in the open animation without reading
    // the file again; a picture that is no animation is shown anew.
    void StepGifFrame(int delta);
    // Runs `action`, an input that acts on the shown file, now; or, while a picture is still
    // being read (or earlier inputs wait), once the picture the track bar points at is on
    // screen. Waiting inputs run one at a time in the order they came, and steps through the
    // list that come after them wait behind them, so every input acts on what was on screen.
    void ActOnShownFile(std::function<void()> action);
    // True when `step` was put behind inputs that wait for the picture (see ActOnShownFile).
    bool WaitBehindInputs(std::function<void()> step);
    void PrefetchNeighbours(int direction);
    void ViewSeting(double rate);
    void ShowPicture(const PreparedPicture& picture);
    // Shows a picture from the clipboard; nothing happens for a null image.
    void ShowClipboard(const QImage& image);
    // JPEG load scale 0..3; shows the current file again.
    void SetJpegScale(int scale);

signals:
    void jpegScaleChanged(int scale);
    void pictureChanged();
    void trackBarChanged();

private:
    // Shows the file at the track bar's position, keeping the animation that is open (the
    // callers close it before showing another file). `direction` is where reading ahead goes.
    void ShowBarPosition(int direction);
    void PostWaitingInputs();
    void RunWaitingInputs();
    void ReadCurrentFileFacts();
    void ApplyLoaded(const QString& path, const LoadedImage& loaded);
    void OfferRename(const QString& path, const QString& trueExtension);
    void LoadSideText();
    void Present(const RenderedView& view);

    PictureLoader m_loader;
    int m_direction = 1;                               // the direction of the last step: 1 onwards, -1 back
    std::deque<std::function<void()>> m_waitingInputs; // inputs that wait for the picture
    bool m_waitingPosted = false;                      // a run of the waiting inputs is queued
    bool m_runningWaiting = false;                     // one of them runs now
    bool m_shownGone = false;                          // the shown file was taken out of the list
};
