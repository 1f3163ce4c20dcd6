#include "platform/QtSoundPlayer.h"

#include "core/common/NativePath.h"
#include "platform/LocalUrl.h"

#include <QSoundEffect>

QtSoundPlayer::QtSoundPlayer() = default;
QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::play(const QString& file) {
    if (file.isEmpty() || PathKind(file) != PathType::File)
        return;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    m_effect->stop();
    m_effect->setSource(LocalUrlFromPath(file));
    // The effect loads the file in the background and starts it once loaded.
    m_effect->play();
}
