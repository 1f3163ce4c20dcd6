#include "ui/main/TFormSplash.h"

#include "core/common/NativePath.h"
#include "core/imaging/ImageLoader.h"

#include <QApplication>
#include <QPixmap>
#include <QScreen>

std::unique_ptr<TFormSplash> TFormSplash::Show(const QString& saveDataFolder) {
    for (const char* extension : {".bmp", ".jpg", ".png"}) {
        const QString path = saveDataFolder + QStringLiteral("/Ruvela") + QLatin1String(extension);
        if (PathKind(path) != PathType::File) {
            continue;
        }
        QImage picture;
        if (!LoadFromFile2Bmp(path, false, picture)) {
            return nullptr;
        }
        std::unique_ptr<TFormSplash> splash(new TFormSplash(picture));
        splash->show();
        QApplication::processEvents();
        return splash;
    }
    return nullptr;
}

TFormSplash::TFormSplash(const QImage& picture)
    : QLabel(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setPixmap(QPixmap::fromImage(picture));
    setFixedSize(picture.size());
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}
