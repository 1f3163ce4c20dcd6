#pragma once

#include <QByteArray>
#include <QString>

// The whole contents of one regular file for a decoder, read into memory. They are read rather
// than mapped: a mapped file that another program cuts short while a decoder reads it (a copy
// over it, a card pulled out) kills the whole program with SIGBUS, a read one only ends early.
// FIFOs and devices are refused, so a decoder never waits on a writer. The bytes stay valid while
// the object lives; one thread uses it.
class FileBytes {
public:
    // Why open failed.
    enum class Failure { None, NotAFile, PermissionDenied, ReadError };

    // False when the path is not a regular file or cannot be opened or read; failure() says which.
    bool open(const QString& path);

    const uchar* data() const { return reinterpret_cast<const uchar*>(m_bytes.constData()); }
    qint64 size() const { return m_bytes.size(); }
    Failure failure() const { return m_failure; }

private:
    QByteArray m_bytes;
    Failure m_failure = Failure::None;
};
