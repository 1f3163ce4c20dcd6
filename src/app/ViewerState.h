#pragma once

#include "core/filelist/FileScan.h"
#include "core/imaging/GifAnimation.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>

// The track bar over the file list: its range, position and selection. The window draws it;
// the controller decides it. While the handler is detached, moving it shows nothing.
struct TrackBar {
    int minimum = 1;
    int maximum = 1;
    int position = 1;
    int selStart = 1;
    int selEnd = 1;
    bool ticks = false;
    bool sliderVisible = false;
    bool handlerAttached = false;
};

// The one shared record of what the viewer shows. Owned by the controller on the GUI thread
// for the whole run; the windows read it after the controller's signals.
struct ViewerState {
    FileEntries FileList; // the current list, in display order
    int CurrentIndex = 0; // 1-based position of the shown file; 0 = nothing shown
    QString CurrentFile;  // full path of the shown file
    qint64 CurrentFileSize = 0;
    std::int32_t CurrentFileTime = 0; // packed DOS date-time; 0 = unknown
    qint64 CurrentFileModified = 0;   // the real modification time, seconds since the epoch
    int CurrentBitDepth = 0;          // 0 nothing, 254 CMYK JPEG, 255 plug-in, else bits per pixel
    qint64 ListTotalSize = 0;
    QString CurrentFolder;
    QString RootListName; // the check list opened as the current list; empty for a folder
    QString LowDirBase;   // the number-key base folder: its subfolders are the keypad's destinations
    QString LastFile;
    QString ScanMask;
    SortOrder SortMode = SortOrder::FileSystem;

    QImage SourceBitmap; // as decoded
    QImage ViewBitmap;   // as shown
    GifHandle GifImage;
    int GifFrame = 0;
    bool GifIsAnimated = false;
    QString CommentText;
    double ZoomRate = 1.0;
    int JpegScale = 0; // 0 full, 1 half, 2 quarter, 3 eighth

    bool BrowserMode = false;
    bool ClipboardMode = false;
    QString BrowserTitle;

    // The sorting table: one entry per key combination (144, more when its file had more lines).
    QStringList SortingTable;
    bool SortingTableChanged = false; // edited or loaded from a ".ktb": written at exit
    QString PendingDestination;       // the destination of entry -1
    QString LastChosenFolder;         // the folder last picked with Shift + letter: the repeat key's
    bool SortBusy = false;            // a transfer, an undo or a redo is running

    bool ScanBusy = false;
    bool ShowBusy = false;
    bool FormReady = false;
    bool Paused = true; // cleared at the end of start-up

    int ExecutionCount = 1;
    int SortCount = 0;
    int PreviousSortCount = 0;
    int CommentHeight = 0;

    // Special folders.
    QString pDesk;
    QString pDoc;
    QString pRecy;
    QString pTemp; // ends with "/"
    QString SaveDataFolder;
    QString ProgramFolder;

    // Display names of the tree's special nodes.
    QString MyCom = QStringLiteral("PC");
    QString MyDoc;
    QString Trans = QStringLiteral("ごみ箱");
};
