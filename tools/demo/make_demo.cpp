#include "demo/DemoPictures.h"
#include "demo/DemoPlugInPictures.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

// make_demo <folder>: writes the demo folder. Files of the same names are replaced; nothing
// else in the folder is touched.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo <folder>\n");
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]);
    qint64 total = 0;
    std::vector<DemoFile> files = DemoFolderFiles();
    for (DemoFile& file : DemoPlugInFiles()) {
        files.push_back(std::move(file));
    }
    for (const DemoFile& file : files) {
        const QString path = folder + u'/' + file.relativePath;
        if (file.bytes.isEmpty()) {
            std::fprintf(stderr, "make_demo: could not make %s (%s)\n", qPrintable(file.relativePath),
                         qPrintable(file.note));
            return 1;
        }
        QSaveFile out(path);
        if (!QDir().mkpath(QFileInfo(path).path()) || !out.open(QIODevice::WriteOnly) ||
            out.write(file.bytes) != file.bytes.size() || !out.commit()) {
            std::fprintf(stderr, "make_demo: could not write %s: %s\n", qPrintable(path),
                         qPrintable(out.errorString()));
            return 1;
        }
        total += file.bytes.size();
    }
    std::printf("make_demo: %zu files, %.1f MB in %s\n", files.size(), double(total) / 1e6,
                qPrintable(folder));
    return 0;
}
