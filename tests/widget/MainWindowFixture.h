#pragma once

#include "app/ViewerController.h"
#include "platform/ClipboardReader.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/filelist/TFormSearch.h"
#include "ui/main/TFormMain.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// The main window over a real controller, with its data folder in a temporary folder.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("RUVELA_DATA_DIR", data.path().toUtf8());
        controller = std::make_unique<ViewerController>(
            Options{}, ViewerController::Services{prompts, sound, keys, &search});
        QString error;
        ASSERT_TRUE(controller->InitFolders(data.path(), &error)) << error.toStdString();
        form = std::make_unique<TFormMain>(*controller, clipboard);
    }

    void TearDown() override {
        form.reset();
        controller.reset();
        qunsetenv("RUVELA_DATA_DIR");
    }

    TempFolder data;
    ScriptedPrompts prompts;
    RecordedSounds sound;
    HeldKeys keys;
    TFormSearch search;
    ClipboardReader clipboard;
    std::unique_ptr<ViewerController> controller;
    std::unique_ptr<TFormMain> form;
};
