#include "core/imaging/FileBytes.h"

#include "core/common/NativePath.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>

bool FileBytes::open(const QString& path) {
    m_bytes.clear();
    struct stat st {};
    if (::stat(NativePath(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
        m_failure = Failure::NotAFile;
        return false;
    }
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        m_failure = errno == EACCES || errno == EPERM ? Failure::PermissionDenied : Failure::ReadError;
        return false;
    }
    m_bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_bytes.clear();
        m_failure = Failure::ReadError;
        return false;
    }
    m_failure = Failure::None;
    return true;
}
