#pragma once

#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/convert/ImageEncoders.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"

#include <QColor>
#include <gtest/gtest.h>

// A small gradient: large enough as a file to pass the scan's 128-byte floor.
inline QImage Picture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixelColor(x, y, QColor((x * 37) % 256, (y * 53) % 256, (x * y) % 256));
        }
    }
    return image;
}

inline QByteArray Jpeg(int width, int height) {
    return EncodeJpeg(Picture(width, height), JpegEncodeOptions{});
}

// A 30×20 animation of three frames in three colours, each shown for `delayCs` hundredths.
inline QByteArray ThreeFrameGif(int delayCs) {
    std::vector<GifFrameSpec> frames;
    for (int i = 0; i < 3; ++i) {
        GifFrameSpec frame;
        frame.image = Picture(30, 20);
        frame.image.fill(QColor(i * 100, 50, 200 - i * 60));
        frame.delayCs = delayCs;
        frames.push_back(frame);
    }
    return EncodeGif(30, 20, frames);
}

inline QByteArray Png(int width, int height) {
    return EncodePng(Picture(width, height), PngEncodeOptions{});
}

// Records what the progress window was told.
class RecordedScanWindow : public ScanWindow {
public:
    QStringList calls;
    void scanStarted() override { calls << QStringLiteral("started"); }
    void scanProgress(const QString&, int, int) override {}
    void scanSorting() override { calls << QStringLiteral("sorting"); }
    void scanFinished() override { calls << QStringLiteral("finished"); }
};

// A controller over a temporary data folder, with the user's answers scripted and the signals
// recorded.
class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The desktop folder and the data folder live in the test's own folder.
        qputenv("HOME", NativePath(data.path()));
        qputenv("XDG_DATA_HOME", NativePath(data.file(QStringLiteral("share"))));
        qputenv("RUVELA_DATA_DIR", NativePath(data.file(QStringLiteral("SaveData"))));
        Make();
    }

    void Make() {
        controller = std::make_unique<ViewerController>(
            options, ViewerController::Services{prompts, sounds, keys, &scanWindow});
        QObject::connect(controller.get(), &ViewerController::titleChanged,
                         [this](const TitleTexts& texts) { title = texts; });
        QObject::connect(controller.get(), &ViewerController::commentChanged,
                         [this](const QString& text) { comment = text; });
        QObject::connect(controller.get(), &ViewerController::imageCommandsEnabled,
                         [this](bool on) { imageCommands = on; });
        QString error;
        ASSERT_TRUE(controller->InitFolders(data.path(), &error)) << error.toStdString();
        controller->PrepareScanMask();
    }

    const ViewerState& state() const { return controller->state(); }

    // Pictures p0.jpg, p1.jpg, … in the folder "from", each of its own width so that no two
    // are alike, shown from the first.
    QStringList Open(int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << pictures.write(QStringLiteral("from/p%1.jpg").arg(i), Jpeg(8 + i, 8));
        }
        controller->ViewFolder(FolderOf(paths[0]), true);
        return paths;
    }

    TempFolder data;
    TempFolder pictures;
    Options options;
    ScriptedPrompts prompts;
    RecordedSounds sounds;
    HeldKeys keys;
    RecordedScanWindow scanWindow;
    std::unique_ptr<ViewerController> controller;
    TitleTexts title;
    QString comment;
    bool imageCommands = false;
};
