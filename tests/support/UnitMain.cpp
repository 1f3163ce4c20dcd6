#include <QGuiApplication>
#include <gtest/gtest.h>

// Core tests run with a GUI application on the offscreen platform, so fonts and painting work
// as they do in the program.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
