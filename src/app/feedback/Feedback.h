#pragma once

#include "app/TitleText.h"
#include "app/ViewerPart.h"
#include "core/common/SoundPlayer.h"
#include "core/common/UserPrompts.h"

#include <QObject>
#include <optional>

// What the user is told: the title and the status bar, the comment pane, message boxes and the
// event sounds. GUI thread.
class Feedback : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit Feedback(ViewerController& viewer);

    bool soundOn() const { return m_soundOn; }
    bool slideShow() const { return m_slideShow; }
    void SetSlideShow(bool on) { m_slideShow = on; }
    // Draws the title with `suffix` after the caption ("   { Move > ~/best }").
    void AppendCaption(const QString& suffix);
    // A folder picker titled `caption`, opened at `start`; nothing when it was cancelled.
    std::optional<QString> AskFolder(const QString& caption, const QString& start);
    void TitleDraw();
    // One of the start-up tips, chosen by the clock and the launch count.
    QString Tip() const;
    MessageResult infoMes(const QString& text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok);
    void SoundPlay(Sound kind);
    void SetSoundOn(bool on);
    void SetComment(const QString& text);

signals:
    void commentChanged(const QString& text);
    void soundChanged(bool on);
    void titleChanged(const TitleTexts& texts);

private:
    TitleContext MakeTitleContext() const;

    bool m_soundOn = false;
    bool m_slideShow = false;
};
