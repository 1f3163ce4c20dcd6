#include "FuzzFiles.h"

#include <QFile>
#include <QTemporaryDir>

QString FuzzFolder() {
    static const QTemporaryDir folder;
    return folder.path();
}

QString WriteFuzzFile(const QString& name, const std::uint8_t* data, std::size_t size) {
    const QString path = FuzzFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return {};
    }
    const auto length = static_cast<qint64>(size);
    if (size != 0 && file.write(reinterpret_cast<const char*>(data), length) != length) {
        return {};
    }
    return path;
}
