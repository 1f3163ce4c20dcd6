#pragma once

#include "core/common/SoundPlayer.h"

#include <QString>
#include <memory>

class QSoundEffect;

// Plays WAVE files through Qt Multimedia. The sound effect (and with it the audio back end) is
// made only when the first sound is played; a machine without audio stays silent. GUI thread.
class QtSoundPlayer : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;

    void play(const QString& file) override;

    // Whether the audio back end has been started.
    bool started() const { return m_effect != nullptr; }

private:
    std::unique_ptr<QSoundEffect> m_effect;
};
