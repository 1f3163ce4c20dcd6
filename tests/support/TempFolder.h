#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder for one test, removed with everything in it when the test ends.
class TempFolder {
public:
    TempFolder();
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
    QTemporaryDir m_dir;
    QString m_path;
};
