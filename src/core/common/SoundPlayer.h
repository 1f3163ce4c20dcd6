#pragma once

#include <QString>

// The events that play a sound when sounds are on; each has its own file in the options.
enum class Sound { Copy, Move, Undo, CheckOn, CheckOff, EndOfList };

// Plays a sound file asynchronously. A machine without audio stays silent.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& file) = 0;
};
