#pragma once

#include <QString>
#include <QtGlobal>

// The settings the viewer consults while it runs, with their defaults. One value lives in the
// main window's controller for the whole run; the settings file fills it at start-up.
struct Options {
    // Built-in decoders and the kinds shown in the browser pane ("FormOption").
    bool Bmp = true;
    bool Jpeg = true;
    bool Png = true;
    bool Gif = true;
    bool IeGif = false;
    bool Html = false;
    bool Txt = false;
    bool Swf = false;
    bool Mp3 = false;
    bool Avi = false;

    // File size bounds of a scan, inclusive, in bytes.
    qint64 MaxSize = 2048000000;
    qint64 MinSize = 128;

    bool JpegQuality = false;  // JPEG decoding favours quality over speed
    bool SwTxtOpen = false;    // load a text file of the same name into the comment pane
    bool SwImgOpen = false;    // open the last shown file at start-up
    bool SwListLoop = false;   // the file list wraps around at both ends
    bool SwJpegOrient = false; // turn JPEGs by their Exif orientation
    bool SwFilterReset = false;

    int SortNo = 1;
    QString TimeFormat = QStringLiteral("yyyy/mm/dd(ddd) am/pm hh:nn");
    QString ImgFile; // the last shown file, or folder

    int Execution = 1;
    int Movement = 0;

    bool sndPlay = false;
    QString sndCopy, sndMove, sndUndo, sndCheckOn, sndCheckOff, sndLoop;

    QString ListName[10] = {QStringLiteral("汎用"),       QStringLiteral("猫"),
                            QStringLiteral("SNS"),        QStringLiteral("削除候補"),
                            QStringLiteral("保留"),       QStringLiteral("お気に入り"),
                            QStringLiteral("要レタッチ"), QStringLiteral("USBメモリ"),
                            QStringLiteral("壁紙"),       QStringLiteral("プリント")};

    // Colours in the stored form: red in the low byte.
    qint32 CommentFontColor = 16777215;
    qint32 CommentBackColor = 12615680;
    qint32 ImgBackColor = 8421376;
};
