#include "core/imaging/FileBytes.h"

#include "core/common/NativePath.h"

#include <sys/stat.h>

FileBytes::~FileBytes() {
    if (m_mapped != nullptr) {
        m_file.unmap(m_mapped);
    }
}

bool FileBytes::open(const QString& path) {
    struct stat st {};
    if (::stat(NativePath(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    if (!OpenFile(m_file, path, QIODevice::ReadOnly)) {
        return false;
    }
    m_size = m_file.size();
    if (m_size == 0) {
        m_data = reinterpret_cast<const uchar*>(m_read.constData());
        return true;
    }
    m_mapped = m_file.map(0, m_size);
    if (m_mapped != nullptr) {
        m_data = m_mapped;
        return true;
    }
    m_read = m_file.readAll();
    m_size = m_read.size();
    m_data = reinterpret_cast<const uchar*>(m_read.constData());
    return true;
}
