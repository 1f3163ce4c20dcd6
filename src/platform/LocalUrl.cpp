#include "platform/LocalUrl.h"

#include "core/common/NativePath.h"

QString PathFromLocalUrl(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    return PathFromNative(QByteArray::fromPercentEncoding(encoded));
}

QUrl LocalUrlFromPath(const QString& path) {
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setPath(QString::fromLatin1(NativePath(path).toPercentEncoding("/")), QUrl::StrictMode);
    return url;
}
