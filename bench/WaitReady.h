#pragma once

#include "app/PictureLoader.h"

#include <QEventLoop>
#include <QTimer>

// Waits, processing events, until the loader has `path` ready (at most ten seconds).
inline bool WaitReady(PictureLoader& loader, const QString& path) {
    QEventLoop loop;
    QObject::connect(&loader, &PictureLoader::pictureReady, &loop, [&](const QString& ready) {
        if (ready == path) {
            loop.quit();
        }
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!loader.IsReady(path)) {
        loop.exec();
    }
    return loader.IsReady(path);
}
