#pragma once

#include <QImage>
#include <QString>
#include <memory>
#include <vector>

// Every frame of a GIF file, composed onto the logical screen with the frames' disposal
// methods, with their delays. Built once on a worker or the GUI thread; read-only after that,
// so it may be shared between threads.
class GifAnimation {
public:
    struct Frame {
        QImage image; // the whole logical screen after this frame was drawn
        int delayMs = 0;
    };

    GifAnimation(std::vector<Frame> frames, int bitsPerPixel, QString comment)
        : m_frames(std::move(frames)), m_bitsPerPixel(bitsPerPixel), m_comment(std::move(comment)) {}

    int frameCount() const { return static_cast<int>(m_frames.size()); }
    const Frame& frame(int index) const { return m_frames.at(static_cast<std::size_t>(index)); }
    int bitsPerPixel() const { return m_bitsPerPixel; }
    // Text of the file's comment extensions, if it has any.
    const QString& comment() const { return m_comment; }

private:
    std::vector<Frame> m_frames;
    int m_bitsPerPixel;
    QString m_comment;
};

using GifHandle = std::shared_ptr<const GifAnimation>;
