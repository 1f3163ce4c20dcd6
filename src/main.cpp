#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/UserPrompts.h"
#include "platform/ClipboardReader.h"
#include "platform/KeyStateTracker.h"
#include "platform/QtSoundPlayer.h"
#include "platform/QtUserPrompts.h"
#include "platform/UnixSignalWatcher.h"
#include "ui/filelist/TFormSearch.h"
#include "ui/main/TFormMain.h"
#include "ui/main/TFormSplash.h"
#include "ui/settings/TFormOption.h"
#include "ui/sorting/TFormOverWrite.h"

#include <QApplication>
#include <QSessionManager>
#include <QTimer>
#include <csignal>
#include <cstring>
#include <malloc.h>

// The composition root: makes the services, the controller and the windows, then runs the
// event loop.
int main(int argc, char** argv) {
    // Decoded pictures and their shown bitmaps are blocks of megabytes that come and go with each
    // step. By default glibc raises the size from which it maps a block on its own to that of
    // each mapped block freed (up to 32 MB), so later pictures are cut from the heaps of the
    // decoding threads, which keep the memory once freed: stepping through a folder then left
    // the resident memory 10 to 25 % higher at one and the same place. A fixed threshold maps
    // every block of a megabyte or more on its own, and freeing it gives the memory back.
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ruvela"));
    // A drag starts only after the mouse moved 16 pixels.
    QApplication::setStartDragDistance(16);

    // Qt has taken its own options out of argv; the rest are ours. They are read as bytes, so
    // names that are not UTF-8 survive.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(PathFromNative(argv[i], std::strlen(argv[i])));
    }

    QtUserPrompts prompts;
    QtSoundPlayer sound;
    KeyStateTracker keys;
    ClipboardReader clipboard;
    ViewerController controller(Options{}, {prompts, sound, keys, nullptr});

    QString folder;
    if (!controller.InitFolders(QCoreApplication::applicationDirPath(), &folder)) {
        prompts.message(QStringLiteral("データフォルダを作成できませんでした\r\n") + folder,
                        MessageIcon::Exclamation, MessageButtons::Ok);
        return 1;
    }

    std::unique_ptr<TFormSplash> splash = TFormSplash::Show(controller.state().SaveDataFolder);
    TFormMain form(controller, clipboard);
    prompts.setOwner(&form);
    TFormOption optionDialog(sound, &form);
    form.SetOptionDialog(&optionDialog);
    TFormOverWrite overWrite(controller.prompts(), &form);
    overWrite.setPlugIns(&controller.plugIns());
    controller.batch().SetConflictDialog(&overWrite);
    TFormSearch search;
    search.setOwner(&form);
    controller.SetScanWindow(&search);
    QObject::connect(&search, &TFormSearch::stopRequested, &controller,
                     [&controller] { controller.RequestScanStop(); });
    app.installEventFilter(&keys);
    splash.reset();

    // A logout, a shutdown or a kill ends the program the way closing its window does, with
    // every save; the end of the desktop session writes everything before it comes.
    UnixSignalWatcher endRequests{SIGTERM, SIGINT, SIGHUP};
    QObject::connect(&endRequests, &UnixSignalWatcher::received, &form, [&form] {
        form.close();
        // Dialogs and waits that are open end too, so the program does not outlive its window.
        QCoreApplication::exit(0);
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.SaveForSessionEnd(); });

    form.show();
    QTimer::singleShot(0, &form, [&form, arguments] { form.FormFirstShow(arguments); });
    return app.exec();
}
