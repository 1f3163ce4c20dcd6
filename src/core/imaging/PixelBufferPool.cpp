#include "core/imaging/PixelBufferPool.h"

PixelBufferPool::Lease PixelBufferPool::acquire(QSize size, QImage::Format format) {
    Lease lease;
    std::lock_guard lock(m_mutex);
    for (auto it = m_buffers.begin(); it != m_buffers.end(); ++it) {
        if (it->size() == size && it->format() == format && it->isDetached()) {
            lease.image = std::move(*it);
            m_buffers.erase(it);
            break;
        }
    }
    if (lease.image.isNull()) {
        lease.image = QImage(size, format);
        if (lease.image.isNull()) {
            return {};
        }
    }
    // Alone on its pixels now, so bits() gives them without a copy and renews the image's cache
    // key: nothing that cached the previous picture by its key can mistake the new one for it.
    lease.pixels = lease.image.bits();
    m_buffers.push_back(lease.image);
    // Over capacity, an idle buffer goes first: that frees memory now.
    while (static_cast<int>(m_buffers.size()) > m_capacity) {
        auto victim = m_buffers.begin();
        for (auto it = m_buffers.begin(); it != m_buffers.end(); ++it) {
            if (it->isDetached()) {
                victim = it;
                break;
            }
        }
        m_buffers.erase(victim);
    }
    return lease;
}

void PixelBufferPool::clear() {
    std::lock_guard lock(m_mutex);
    m_buffers.clear();
}
