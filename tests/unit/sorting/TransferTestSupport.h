#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/types.h>

// Helpers of the trash and transfer tests: mounts made for one test, and looks at files that
// do not follow links. A folder on another volume is a TempFolder made under "/dev/shm".

// A file system mounted on `folder` for the length of a test. Mounting needs root; mounted()
// is false where the system refuses (then the test skips).
class TestMount {
public:
    // A tmpfs with `options` ("size=1m"), read-only when asked.
    static TestMount Tmpfs(const QString& folder, const QByteArray& options, bool readOnly);
    // A small ext4 image in `image`, mounted through a loop device.
    static TestMount LoopExt4(const QString& image, const QString& folder);
    TestMount(TestMount&& other) noexcept;
    TestMount& operator=(TestMount&&) = delete;
    TestMount(const TestMount&) = delete;
    ~TestMount();
    bool mounted() const { return !m_folder.isEmpty(); }
    const QString& failure() const { return m_failure; }

private:
    TestMount(QString folder, QString failure) : m_folder(std::move(folder)), m_failure(std::move(failure)) {}
    QString m_folder;
    QString m_failure;
};

QByteArray ReadBytes(const QString& path);
// Bytes that differ from offset to offset, so a block copied to the wrong place shows.
QByteArray PatternBytes(qsizetype size, int seed);
// The names in `folder` (not "." and ".."), sorted; names that are not UTF-8 kept as they are.
QStringList Entries(const QString& folder);
// One line for `folder` itself and for each entry below it, depth first in byte order, with what
// a move must keep: the path below `folder` ("." for itself), the kind, the permission bits, the
// modification time, and the size and a digest of a file's bytes or the text of a link. Links
// are not followed. Empty when `folder` does not exist.
QStringList TreeFacts(const QString& folder);
// lstat(2): the path itself, a link not followed.
bool Exists(const QString& path);
mode_t ModeOf(const QString& path);
dev_t DeviceOf(const QString& path);
