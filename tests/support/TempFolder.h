#pragma once

#include <QByteArray>
#include <QString>

// A temporary folder for one test, removed with everything in it when the test ends.
class TempFolder {
public:
    // Made in the system's temporary folder.
    TempFolder();
    // Made under `base` (say "/dev/shm", another volume than the temporary folder).
    explicit TempFolder(const QString& base);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const QString& path() const { return m_path; }
    // Full path of `name` inside the folder.
    QString file(const QString& name) const;
    // Writes `bytes` to `name` (folders on the way are made) and returns the full path.
    QString write(const QString& name, const QByteArray& bytes) const;
    // Makes the subfolder `name` and returns its full path.
    QString folder(const QString& name) const;

private:
    QString m_path;
};
