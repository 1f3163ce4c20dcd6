#include "support/TempFolder.h"

#include "core/common/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <ftw.h>
#include <gtest/gtest.h>

namespace {

// Removes what it can and goes on with the rest.
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

} // namespace

TempFolder::TempFolder()
    : m_dir(QDir::tempPath() + QStringLiteral("/ruvela-test-XXXXXX")), m_path(m_dir.path()) {
    EXPECT_TRUE(m_dir.isValid());
    // Qt cannot remove names that are not UTF-8; the folder is removed byte-wise instead.
    m_dir.setAutoRemove(false);
}

TempFolder::~TempFolder() {
    ::nftw(NativePath(m_path).constData(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

QString TempFolder::file(const QString& name) const {
    return m_path + QLatin1Char('/') + name;
}

QString TempFolder::write(const QString& name, const QByteArray& bytes) const {
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile out;
    EXPECT_TRUE(OpenFile(out, path, QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    EXPECT_EQ(out.write(bytes), bytes.size());
    return path;
}

QString TempFolder::folder(const QString& name) const {
    const QString path = file(name);
    QDir().mkpath(path);
    return path;
}
