#pragma once

#include <QImage>
#include <QSize>
#include <deque>
#include <mutex>

// Pixel buffers of decoded pictures, kept so that the next picture of the same size and format
// is decoded into memory that is already allocated and touched, instead of a fresh allocation.
// The pool holds one reference to each buffer it handed out; a buffer is reused only when that
// reference is the last one, that is when no shown or cached picture holds it any more.
// Owned by whoever schedules the loading; any thread may call it.
class PixelBufferPool {
public:
    explicit PixelBufferPool(int capacity = 3) : m_capacity(capacity) {}

    PixelBufferPool(const PixelBufferPool&) = delete;
    PixelBufferPool& operator=(const PixelBufferPool&) = delete;

    // A picture to decode into and the address of its pixels. The pool keeps a reference to the
    // same pixels, so write them through `pixels` only: QImage::bits() would copy them.
    struct Lease {
        QImage image;
        uchar* pixels = nullptr;
    };

    // A released buffer of this size and format, or a new one. A null image when memory is short.
    Lease acquire(QSize size, QImage::Format format);

    // Drops every kept buffer; pictures still shown keep theirs.
    void clear();

private:
    std::mutex m_mutex;
    std::deque<QImage> m_buffers; // oldest first
    int m_capacity;
};
