#pragma once

#include <QString>

// Plays a sound file asynchronously. A machine without audio stays silent.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& file) = 0;
};
