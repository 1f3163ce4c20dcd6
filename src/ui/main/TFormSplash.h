#pragma once

#include <QLabel>
#include <memory>

// The start-up picture: "Ruvela.bmp", else "Ruvela.jpg", else "Ruvela.png" in the data folder,
// shown borderless, on top and centred while the windows are made. Without such a file there
// is no splash.
class TFormSplash : public QLabel {
    Q_OBJECT

public:
    static std::unique_ptr<TFormSplash> Show(const QString& saveDataFolder);

private:
    explicit TFormSplash(const QImage& picture);
};
