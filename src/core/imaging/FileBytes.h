#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The whole contents of one regular file for a decoder, mapped into memory when the file
// system allows it and read otherwise. FIFOs and devices are refused, so a decoder never waits
// on a writer. The bytes stay valid while the object lives; one thread uses it.
class FileBytes {
public:
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    ~FileBytes();

    // False when the path is not a regular file or cannot be opened or read.
    bool open(const QString& path);

    const uchar* data() const { return m_data; }
    qint64 size() const { return m_size; }

private:
    QFile m_file;
    QByteArray m_read; // the contents when mapping was not possible
    uchar* m_mapped = nullptr;
    const uchar* m_data = nullptr;
    qint64 m_size = 0;
};
