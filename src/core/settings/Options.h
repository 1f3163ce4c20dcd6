#pragma once

#include <QString>
#include <QtGlobal>

// Place of a side window (the Exif window, the sorting-table viewer) as stored in the settings.
struct SideWindowPlace {
    bool Visible = false;
    int X = 0;
    int Y = 0;
    int Width = 240;
    int Height = 480;

    bool operator==(const SideWindowPlace&) const = default;
};

// Every setting of the settings file "Ruvela.ini", with its default. Each field is named exactly
// as its key; numbered keys ("ExStr1" … "ExStr10") are arrays indexed from 0. One value lives
// in the main window's controller for the whole run; the settings file fills it at start-up and
// after the options dialog, and is written from it at exit.
struct Options {
    // "FormMain": the main window.
    int Execution = 1; // launch counter
    // Files sorted in all earlier runs. The value saved is the earlier total plus this run's
    // count, so the caller passes PreviousSortCount + SortCount when it saves.
    int Movement = 0;
    int X = 0; // normal (restored) rectangle of the main window
    int Y = 0;
    int Width = 800;
    int Height = 600;
    bool Max = false;
    int TreeWidth = 240;
    int TextHeight = 32;
    int DandD_X = 0; // position of the drag-out window
    int DandD_Y = 0;
    bool VisibleTree = true;
    bool VisibleStatus = true;
    bool VisibleText = true;
    bool VisibleTrack = true;
    bool FullScreen = false;
    bool SortZoom = false; // a bookmark restores sort order and zoom as well
    int SortNo = 1;
    // A zoom mode code (260, 262, 263, 264) or, for any other value, the fixed zoom rate.
    double ZoomNo = 263;
    // Fonts: "IPAPGothic" and "IPAGothic" stand in for the Windows fonts of the tree and the
    // comment pane. Sizes are in points: the designed character heights of 15 and 13 pixels at
    // 96 dpi, rounded (15 * 72 / 96 = 11.25, 13 * 72 / 96 = 9.75).
    // Styles: bit 0 bold, 1 italic, 2 underline, 3 strike-out.
    QString TreeFont = QStringLiteral("IPAPGothic");
    int TreeFontSize = 11;
    int TreeFontStyle = 0;
    QString CommentFont = QStringLiteral("IPAGothic");
    int CommentFontSize = 10;
    // Colours in the stored form: red in the low byte, green, blue; the top bit marks a
    // system colour.
    qint32 CommentFontColor = 16777215;
    int CommentFontStyle = 0;
    qint32 CommentBackColor = 12615680;
    qint32 ImgBackColor = 8421376;

    // "FormOption", first block: general switches.
    bool SwImgOpen = false;      // open the last shown file at start-up
    bool SwTxtOpen = false;      // load a text file of the same name into the comment pane
    bool SwFilterReset = false;  // reset the filters when another picture is shown
    bool SwDeleteDialog = false; // no confirmation before deleting files or clearing lists
    bool SwListClear = false;    // clear a check list after a batch copy or move
    bool SwListLoop = false;     // the file list wraps around at both ends
    bool SwNodeOpen = false;     // a selected tree node opens by one level
    bool JpegQuality = false;    // JPEG decoding favours quality over speed
    QString ImgFile;             // the last shown file, or folder
    bool SwCheckNext = false;    // go to the next picture after checking or copying it
    bool SwLowFolder = false;    // digit keys sort into subfolders
    bool SwSmallSharp = false;   // sharpen pictures shown reduced
    bool SwShiftPlusKey = false; // Shift+letter selects the key's folder instead of sorting
    bool SwImageLeft = false;    // the picture sits at the left edge instead of the centre
    bool SwImageCopyB = false;   // sorting copies instead of moving
    bool SwJpegOrient = false;   // turn JPEGs by their Exif orientation
    bool SwWheelNext = false;    // the wheel does not page while a web page is shown
    int ScroolSpeed = 2;         // drag scrolling speed, 0 to 5

    // "FormSave": output folder of the conversion dialogs.
    QString SavePath;
    bool SaveInput = false; // true: into SavePath; false: beside the source picture

    // "FormExif" and "FormKeyList": the side windows.
    SideWindowPlace FormExif{false, 0, 0, 240, 480};
    SideWindowPlace FormKeyList{false, 0, 0, 200, 480};

    // "FormOption", second block. Built-in decoders and the kinds shown in the browser pane.
    bool Bmp = true;
    bool Png = true;
    bool Jpeg = true;
    bool Gif = true;
    bool IeGif = false;
    bool Html = false;
    bool Txt = false;
    bool Swf = false;
    bool Mp3 = false;
    bool Avi = false;

    // External applications: menu caption and program. "DefaultApplication" in the first
    // caption means none has been configured yet; loading then fills the stock five.
    QString ExStr[10] = {QStringLiteral("DefaultApplication")};
    QString ExApp[10];

    // Command names bound to mouse gestures and keys.
    QString mGes1 = QStringLiteral("無し");
    QString mGes2 = QStringLiteral("ヘルプを開く");
    QString mGes3 = QStringLiteral("無し");
    QString mGes4 = QStringLiteral("しおりを挟む");
    QString mGes5 = QStringLiteral("画像メニュー");
    QString mGes6 = QStringLiteral("しおりを開く");
    QString mGes7 = QStringLiteral("無し");
    QString mGes8 = QStringLiteral("設定");
    QString mGes9 = QStringLiteral("無し");
    QString mGesLDC = QStringLiteral("等倍で表示");
    QString mGesWC = QStringLiteral("無し");
    QString mGesLRC = QStringLiteral("無し");
    QString mGesRLC = QStringLiteral("無し");
    QString mGesRWU = QStringLiteral("拡大");
    QString mGesRWD = QStringLiteral("縮小");
    QString mGesTDBC = QStringLiteral("最大化");
    QString mGesTWC = QStringLiteral("無し");
    QString mGesTRC = QStringLiteral("無し");
    QString mGesTVDBC = QStringLiteral("無し");
    QString mGesTVMC = QStringLiteral("無し");
    QString mGesCDBC = QStringLiteral("コメント最大化");
    QString kGesSpace = QStringLiteral("無し");
    QString kGesEnter = QStringLiteral("等倍で表示");
    QString kGesUp = QStringLiteral("拡大");
    QString kGesDown = QStringLiteral("縮小");
    QString kGesLeft = QStringLiteral("戻る");
    QString kGesRight = QStringLiteral("進む");

    // Sounds: played when sndPlay is set at start-up.
    bool sndPlay = false;
    QString sndMove, sndCopy, sndUndo, sndCheckOn, sndCheckOff, sndLoop;

    // Check lists A to J: display names and the folder each list was made in.
    QString ListName[10] = {QStringLiteral("汎用"),       QStringLiteral("猫"),
                            QStringLiteral("SNS"),        QStringLiteral("削除候補"),
                            QStringLiteral("保留"),       QStringLiteral("お気に入り"),
                            QStringLiteral("要レタッチ"), QStringLiteral("USBメモリ"),
                            QStringLiteral("壁紙"),       QStringLiteral("プリント")};
    QString ListFolder[10];

    QString TimeFormat = QStringLiteral("yyyy/mm/dd(ddd) am/pm hh:nn");
    QString YahooMes = QStringLiteral("Auction"); // message drawn onto upload pictures
    qint32 YahooMesFontColor = -2147483640;       // the system window-text colour

    // File size bounds of a scan, inclusive, in bytes.
    qint64 MaxSize = 2048000000;
    qint64 MinSize = 128;

    int UndoSize = 4096; // capacity of the undo journal, 10 to 4096
    bool SlideShowReverse = false;
    int SlideShowTime = 5000; // slide interval in ms, 500 to 30000
    int PrefetchMemory = 15;  // percent of the machine's memory that pictures read ahead may hold, 0 to 50

    bool operator==(const Options&) const = default;
};
