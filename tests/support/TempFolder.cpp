#include "support/TempFolder.h"

#include "core/common/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <gtest/gtest.h>

namespace {

// Removes what it can and goes on with the rest.
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

} // namespace

TempFolder::TempFolder() : TempFolder(QDir::tempPath()) {}

TempFolder::TempFolder(const QString& base) {
    QByteArray pattern = NativePath(base) + "/ruvela-test-XXXXXX";
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr) << pattern.constData();
    m_path = PathFromNative(pattern);
}

// Qt cannot remove names that are not UTF-8; the folder is removed byte-wise.
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
