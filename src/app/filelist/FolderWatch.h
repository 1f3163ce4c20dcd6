#pragma once

#include <QObject>
#include <QString>
#include <vector>

class QSocketNotifier;

// Watches one folder for its own disappearance: the folder or a folder above it is removed,
// renamed or moved away, or the file system it is on is unmounted. Changes of the folder's
// contents are not watched, so moving files in and out costs nothing here. `disturbed` only
// says that one of these happened to one of the watched folders; `StillThere` tells whether the
// folder watched is still the one at its path. Each folder above is watched too because moving
// a folder says nothing to the folders inside it. Reads inotify through a socket notifier on
// the GUI thread.
class FolderWatch : public QObject {
    Q_OBJECT

public:
    explicit FolderWatch(QObject* parent = nullptr);
    ~FolderWatch() override;
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches `folder` in place of what was watched and notes which folder it is; an empty path
    // watches nothing. False when the folder itself is not watched: it is gone already, cannot
    // be read, or the system's watches ran out.
    bool Watch(const QString& folder);
    void Stop() { Watch(QString()); }
    // The folder watched, empty when none.
    const QString& folder() const { return m_folder; }
    // True while the folder at the watched path is the one that was there when the watch began
    // (the same device and inode).
    bool StillThere() const;

signals:
    void disturbed();

private:
    void ReadEvents();
    void RemoveWatches();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    std::vector<int> m_watches; // of the folder and of the folders above it
    QString m_folder;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
