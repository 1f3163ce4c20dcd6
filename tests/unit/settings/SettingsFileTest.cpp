#include "core/settings/SettingsFile.h"

#include "core/common/NativePath.h"
#include "core/common/TextEncoding.h"
#include "core/settings/IniFile.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

Options Load(const QString& path) {
    Options options;
    QString message;
    EXPECT_TRUE(IniLoad(path, options, &message)) << message.toStdString();
    return options;
}

void Save(const QString& path, const Options& options) {
    QString message;
    EXPECT_TRUE(IniSave(path, options, &message)) << message.toStdString();
}

// One key: where it lives, how the test sets a value that is not its default, and the text
// the file must then hold.
struct KeyCase {
    QString section;
    QString key;
    std::function<void(Options&)> set;
    QString text;
};

std::vector<KeyCase> EveryKey() {
    const QString main = QStringLiteral("FormMain");
    const QString option = QStringLiteral("FormOption");
    std::vector<KeyCase> cases = {
        {main, "Execution", [](Options& o) { o.Execution = 42; }, "42"},
        {main, "Movement", [](Options& o) { o.Movement = 1234; }, "1234"},
        {main, "X", [](Options& o) { o.X = -20; }, "-20"},
        {main, "Y", [](Options& o) { o.Y = 35; }, "35"},
        {main, "Width", [](Options& o) { o.Width = 1024; }, "1024"},
        {main, "Height", [](Options& o) { o.Height = 700; }, "700"},
        {main, "Max", [](Options& o) { o.Max = true; }, "1"},
        {main, "TreeWidth", [](Options& o) { o.TreeWidth = 300; }, "300"},
        {main, "TextHeight", [](Options& o) { o.TextHeight = 50; }, "50"},
        {main, "DandD_X", [](Options& o) { o.DandD_X = 11; }, "11"},
        {main, "DandD_Y", [](Options& o) { o.DandD_Y = 12; }, "12"},
        {main, "VisibleTree", [](Options& o) { o.VisibleTree = false; }, "0"},
        {main, "VisibleStatus", [](Options& o) { o.VisibleStatus = false; }, "0"},
        {main, "VisibleText", [](Options& o) { o.VisibleText = false; }, "0"},
        {main, "VisibleTrack", [](Options& o) { o.VisibleTrack = false; }, "0"},
        {main, "FullScreen", [](Options& o) { o.FullScreen = true; }, "1"},
        {main, "SortZoom", [](Options& o) { o.SortZoom = true; }, "1"},
        {main, "SortNo", [](Options& o) { o.SortNo = 7; }, "7"},
        {main, "ZoomNo", [](Options& o) { o.ZoomNo = 0.25; }, "0.25"},
        {main, "TreeFont", [](Options& o) { o.TreeFont = "IPAPMincho"; }, "IPAPMincho"},
        {main, "TreeFontSize", [](Options& o) { o.TreeFontSize = 14; }, "14"},
        {main, "TreeFontStyle", [](Options& o) { o.TreeFontStyle = 5; }, "5"},
        {main, "CommentFont", [](Options& o) { o.CommentFont = "Noto Sans CJK JP"; }, "Noto Sans CJK JP"},
        {main, "CommentFontSize", [](Options& o) { o.CommentFontSize = 16; }, "16"},
        {main, "CommentFontColor", [](Options& o) { o.CommentFontColor = 255; }, "255"},
        {main, "CommentFontStyle", [](Options& o) { o.CommentFontStyle = 10; }, "10"},
        {main, "CommentBackColor", [](Options& o) { o.CommentBackColor = 0; }, "0"},
        {main, "ImgBackColor", [](Options& o) { o.ImgBackColor = -2147483633; }, "-2147483633"},
        {option, "SwImgOpen", [](Options& o) { o.SwImgOpen = true; }, "1"},
        {option, "SwTxtOpen", [](Options& o) { o.SwTxtOpen = true; }, "1"},
        {option, "SwFilterReset", [](Options& o) { o.SwFilterReset = true; }, "1"},
        {option, "SwDeleteDialog", [](Options& o) { o.SwDeleteDialog = true; }, "1"},
        {option, "SwListClear", [](Options& o) { o.SwListClear = true; }, "1"},
        {option, "SwListLoop", [](Options& o) { o.SwListLoop = true; }, "1"},
        {option, "SwNodeOpen", [](Options& o) { o.SwNodeOpen = true; }, "1"},
        {option, "JpegQuality", [](Options& o) { o.JpegQuality = true; }, "1"},
        {option, "ImgFile", [](Options& o) { o.ImgFile = "/home/u/写真/a b.jpg"; }, "/home/u/写真/a b.jpg"},
        {option, "SwCheckNext", [](Options& o) { o.SwCheckNext = true; }, "1"},
        {option, "SwLowFolder", [](Options& o) { o.SwLowFolder = true; }, "1"},
        {option, "SwSmallSharp", [](Options& o) { o.SwSmallSharp = true; }, "1"},
        {option, "SwShiftPlusKey", [](Options& o) { o.SwShiftPlusKey = true; }, "1"},
        {option, "SwImageLeft", [](Options& o) { o.SwImageLeft = true; }, "1"},
        {option, "SwImageCopyB", [](Options& o) { o.SwImageCopyB = true; }, "1"},
        {option, "SwJpegOrient", [](Options& o) { o.SwJpegOrient = true; }, "1"},
        {option, "SwWheelNext", [](Options& o) { o.SwWheelNext = true; }, "1"},
        {option, "ScroolSpeed", [](Options& o) { o.ScroolSpeed = 5; }, "5"},
        {"FormSave", "Path", [](Options& o) { o.SavePath = "/tmp/出力"; }, "/tmp/出力"},
        {"FormSave", "Input", [](Options& o) { o.SaveInput = true; }, "1"},
        {"FormExif", "Visible", [](Options& o) { o.FormExif.Visible = true; }, "1"},
        {"FormExif", "X", [](Options& o) { o.FormExif.X = 5; }, "5"},
        {"FormExif", "Y", [](Options& o) { o.FormExif.Y = 6; }, "6"},
        {"FormExif", "Width", [](Options& o) { o.FormExif.Width = 250; }, "250"},
        {"FormExif", "Height", [](Options& o) { o.FormExif.Height = 490; }, "490"},
        {"FormKeyList", "Visible", [](Options& o) { o.FormKeyList.Visible = true; }, "1"},
        {"FormKeyList", "X", [](Options& o) { o.FormKeyList.X = 7; }, "7"},
        {"FormKeyList", "Y", [](Options& o) { o.FormKeyList.Y = 8; }, "8"},
        {"FormKeyList", "Width", [](Options& o) { o.FormKeyList.Width = 210; }, "210"},
        {"FormKeyList", "Height", [](Options& o) { o.FormKeyList.Height = 470; }, "470"},
        {option, "Bmp", [](Options& o) { o.Bmp = false; }, "0"},
        {option, "Png", [](Options& o) { o.Png = false; }, "0"},
        {option, "Jpeg", [](Options& o) { o.Jpeg = false; }, "0"},
        {option, "Gif", [](Options& o) { o.Gif = false; }, "0"},
        {option, "IeGif", [](Options& o) { o.IeGif = true; }, "1"},
        {option, "Html", [](Options& o) { o.Html = true; }, "1"},
        {option, "Txt", [](Options& o) { o.Txt = true; }, "1"},
        {option, "Swf", [](Options& o) { o.Swf = true; }, "1"},
        {option, "Mp3", [](Options& o) { o.Mp3 = true; }, "1"},
        {option, "Avi", [](Options& o) { o.Avi = true; }, "1"},
        {option, "mGes1", [](Options& o) { o.mGes1 = "g1"; }, "g1"},
        {option, "mGes2", [](Options& o) { o.mGes2 = "g2"; }, "g2"},
        {option, "mGes3", [](Options& o) { o.mGes3 = "g3"; }, "g3"},
        {option, "mGes4", [](Options& o) { o.mGes4 = "g4"; }, "g4"},
        {option, "mGes5", [](Options& o) { o.mGes5 = "g5"; }, "g5"},
        {option, "mGes6", [](Options& o) { o.mGes6 = "g6"; }, "g6"},
        {option, "mGes7", [](Options& o) { o.mGes7 = "g7"; }, "g7"},
        {option, "mGes8", [](Options& o) { o.mGes8 = "g8"; }, "g8"},
        {option, "mGes9", [](Options& o) { o.mGes9 = "g9"; }, "g9"},
        {option, "mGesLDC", [](Options& o) { o.mGesLDC = "$OPEN=/tmp"; }, "$OPEN=/tmp"},
        {option, "mGesWC", [](Options& o) { o.mGesWC = "1.5"; }, "1.5"},
        {option, "mGesLRC", [](Options& o) { o.mGesLRC = "lrc"; }, "lrc"},
        {option, "mGesRLC", [](Options& o) { o.mGesRLC = "rlc"; }, "rlc"},
        {option, "mGesRWU", [](Options& o) { o.mGesRWU = "rwu"; }, "rwu"},
        {option, "mGesRWD", [](Options& o) { o.mGesRWD = "rwd"; }, "rwd"},
        {option, "mGesTDBC", [](Options& o) { o.mGesTDBC = "tdbc"; }, "tdbc"},
        {option, "mGesTWC", [](Options& o) { o.mGesTWC = "twc"; }, "twc"},
        {option, "mGesTRC", [](Options& o) { o.mGesTRC = "trc"; }, "trc"},
        {option, "mGesTVDBC", [](Options& o) { o.mGesTVDBC = "tvdbc"; }, "tvdbc"},
        {option, "mGesTVMC", [](Options& o) { o.mGesTVMC = "tvmc"; }, "tvmc"},
        {option, "mGesCDBC", [](Options& o) { o.mGesCDBC = "cdbc"; }, "cdbc"},
        {option, "kGesSpace", [](Options& o) { o.kGesSpace = "進む"; }, "進む"},
        {option, "kGesEnter", [](Options& o) { o.kGesEnter = "enter"; }, "enter"},
        {option, "kGesUp", [](Options& o) { o.kGesUp = "up"; }, "up"},
        {option, "kGesDown", [](Options& o) { o.kGesDown = "down"; }, "down"},
        {option, "kGesLeft", [](Options& o) { o.kGesLeft = "left"; }, "left"},
        {option, "kGesRight", [](Options& o) { o.kGesRight = "right"; }, "right"},
        {option, "sndPlay", [](Options& o) { o.sndPlay = true; }, "1"},
        {option, "sndMove", [](Options& o) { o.sndMove = "/s/move.wav"; }, "/s/move.wav"},
        {option, "sndCopy", [](Options& o) { o.sndCopy = "/s/copy.wav"; }, "/s/copy.wav"},
        {option, "sndUndo", [](Options& o) { o.sndUndo = "/s/undo.wav"; }, "/s/undo.wav"},
        {option, "sndCheckOn", [](Options& o) { o.sndCheckOn = "/s/on.wav"; }, "/s/on.wav"},
        {option, "sndCheckOff", [](Options& o) { o.sndCheckOff = "/s/off.wav"; }, "/s/off.wav"},
        {option, "sndLoop", [](Options& o) { o.sndLoop = "/s/loop.wav"; }, "/s/loop.wav"},
        {option, "TimeFormat", [](Options& o) { o.TimeFormat = "yyyy-mm-dd"; }, "yyyy-mm-dd"},
        {option, "YahooMes", [](Options& o) { o.YahooMes = "出品"; }, "出品"},
        {option, "YahooMesFontColor", [](Options& o) { o.YahooMesFontColor = 65280; }, "65280"},
        {option, "MaxSize", [](Options& o) { o.MaxSize = 5000000000; }, "5000000000"},
        {option, "MinSize", [](Options& o) { o.MinSize = 0; }, "0"},
        {option, "UndoSize", [](Options& o) { o.UndoSize = 42; }, "42"},
        {option, "SlideShowReverse", [](Options& o) { o.SlideShowReverse = true; }, "1"},
        {option, "SlideShowTime", [](Options& o) { o.SlideShowTime = 1200; }, "1200"},
        {option, "PrefetchMemory", [](Options& o) { o.PrefetchMemory = 30; }, "30"},
    };
    for (int n = 0; n < 10; ++n) {
        const QString number = QString::number(n + 1);
        cases.push_back({option, "ExStr" + number,
                         [n](Options& o) { o.ExStr[n] = QString("アプリ%1").arg(n); },
                         QString("アプリ%1").arg(n)});
        cases.push_back({option, "ExApp" + number,
                         [n](Options& o) { o.ExApp[n] = QString("/bin/p%1").arg(n); },
                         QString("/bin/p%1").arg(n)});
        cases.push_back({option, "ListName" + number,
                         [n](Options& o) { o.ListName[n] = QString("一覧%1").arg(n); },
                         QString("一覧%1").arg(n)});
        cases.push_back({option, "ListFolder" + number,
                         [n](Options& o) { o.ListFolder[n] = QString("/data/d%1").arg(n); },
                         QString("/data/d%1").arg(n)});
    }
    return cases;
}

TEST(SettingsFile, EveryKeyIsWrittenAsItsTextAndReadBack) {
    TempFolder folder;
    const QString path = folder.file("Ruvela.ini");
    const std::vector<KeyCase> cases = EveryKey();
    Options changed;
    for (const KeyCase& c : cases) {
        c.set(changed);
    }
    Save(path, changed);

    const QByteArray bytes = ReadAll(path);
    const std::optional<IniFile> ini = IniFile::Parse(bytes);
    ASSERT_TRUE(ini);
    for (const KeyCase& c : cases) {
        EXPECT_EQ(ini->Value(c.section, c.key).value_or("<missing>"), c.text)
            << c.section.toStdString() << "/" << c.key.toStdString();
    }
    // No key is written twice or beyond the table.
    EXPECT_EQ(bytes.count('='), static_cast<qsizetype>(cases.size()) + 1); // "$OPEN=/tmp"
    EXPECT_EQ(Load(path), changed);
}

TEST(SettingsFile, KeysAreWrittenInOrderWithRightClickKeysSwapped) {
    TempFolder folder;
    const QString path = folder.file("Ruvela.ini");
    Save(path, Options());
    const QString text = QString::fromUtf8(ReadAll(path));
    // The second block of "FormOption" joins the one "FormOption" section, before "FormSave".
    const QStringList inOrder = {"[FormMain]", "Execution=",   "ImgBackColor=", "[FormOption]",
                                 "SwImgOpen=", "ScroolSpeed=", "Bmp=",          "mGesRLC=",
                                 "mGesLRC=",   "ListName10=",  "ListFolder1=",  "SlideShowTime=",
                                 "[FormSave]", "[FormExif]",   "[FormKeyList]"};
    qsizetype at = -1;
    for (const QString& piece : inOrder) {
        const qsizetype next = text.indexOf(piece, at + 1);
        EXPECT_GT(next, at) << piece.toStdString();
        at = next;
    }
    EXPECT_EQ(text.count("[FormOption]"), 1);
}

TEST(SettingsFile, MissingFileGivesTheFirstStartDefaults) {
    TempFolder folder;
    Options options;
    options.X = 99;
    QString message = "stale";
    ASSERT_TRUE(IniLoad(folder.file("Ruvela.ini"), options, &message));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_EQ(options.X, 0);
    EXPECT_EQ(options.Y, 0);
    EXPECT_EQ(options.Width, 800);
    EXPECT_EQ(options.Height, 600);
    EXPECT_EQ(options.ZoomNo, 263);
    EXPECT_EQ(options.SortNo, 1);
    EXPECT_EQ(options.SlideShowTime, 5000);
    const QStringList names = {"汎用",       "猫",         "SNS",       "削除候補", "保留",
                               "お気に入り", "要レタッチ", "USBメモリ", "壁紙",     "プリント"};
    for (int n = 0; n < 10; ++n) {
        EXPECT_EQ(options.ListName[n], names[n]);
    }
    EXPECT_EQ(options.ExStr[0], "画像を回転する(&A)");
    EXPECT_EQ(options.ExApp[0], "");
    EXPECT_EQ(options.ExStr[1], "画像をトリミング(&B)");
    EXPECT_EQ(options.ExApp[1], "");
    EXPECT_EQ(options.ExStr[2], "-");
    EXPECT_EQ(options.ExApp[2], "半角ハイフンを設定するとセパレータになります");
    EXPECT_EQ(options.ExStr[3], "MSペイントで開く(&M)");
    EXPECT_EQ(options.ExApp[3], "MSPAINT.EXE");
    EXPECT_EQ(options.ExStr[4], "フォトショップで編集(&P)");
    EXPECT_EQ(options.ExApp[4], "");
    EXPECT_EQ(options.ExStr[5], "");
    EXPECT_FALSE(StatPath(folder.file("Ruvela.ini")).exists);
}

TEST(SettingsFile, ApplicationsNamedDefaultApplicationAreReplacedByTheStockFive) {
    TempFolder folder;
    const QString path =
        folder.write("Ruvela.ini", "[FormOption]\r\nExStr1=DefaultApplication\r\nExApp1=/usr/bin/gimp\r\n"
                                   "ExStr6=mine\r\nExApp6=/bin/mine\r\n");
    const Options options = Load(path);
    EXPECT_EQ(options.ExStr[0], "画像を回転する(&A)");
    EXPECT_EQ(options.ExApp[0], "");
    EXPECT_EQ(options.ExStr[3], "MSペイントで開く(&M)");
    EXPECT_EQ(options.ExStr[5], "mine");
    EXPECT_EQ(options.ExApp[5], "/bin/mine");

    // A configured first application stays as it is.
    folder.write("Ruvela.ini", "[FormOption]\r\nExStr1=GIMP\r\nExApp1=/usr/bin/gimp\r\n");
    const Options configured = Load(path);
    EXPECT_EQ(configured.ExStr[0], "GIMP");
    EXPECT_EQ(configured.ExStr[3], "");
}

TEST(SettingsFile, ZoomCodesAndRatesKeepTheirForm) {
    struct Case {
        QByteArray stored;
        double loaded;
        QString saved;
    };
    const Case cases[] = {{"1.5", 1.5, "1.5"}, {"262", 262, "262"}, {"264", 264, "264"},
                          {"0.1", 0.1, "0.1"}, {"2", 2, "2"},       {" 3.25 ", 3.25, "3.25"}};
    TempFolder folder;
    const QString path = folder.file("Ruvela.ini");
    for (const Case& c : cases) {
        folder.write("Ruvela.ini", "[FormMain]\r\nZoomNo=" + c.stored + "\r\n");
        const Options options = Load(path);
        EXPECT_EQ(options.ZoomNo, c.loaded) << c.stored.constData();
        Save(path, options);
        EXPECT_EQ(IniFile::Parse(ReadAll(path))->Value("FormMain", "ZoomNo"), c.saved)
            << c.stored.constData();
    }
}

TEST(SettingsFile, RangesAreClampedOnLoad) {
    struct Case {
        QByteArray line;
        int Options::*field;
        int expected;
    };
    const Case cases[] = {
        {"SlideShowTime=100", &Options::SlideShowTime, 500},
        {"SlideShowTime=99999", &Options::SlideShowTime, 30000},
        {"SlideShowTime=500", &Options::SlideShowTime, 500},
        {"SlideShowTime=30000", &Options::SlideShowTime, 30000},
        {"PrefetchMemory=-1", &Options::PrefetchMemory, 0},
        {"PrefetchMemory=90", &Options::PrefetchMemory, 50},
        {"UndoSize=0", &Options::UndoSize, 10},
        {"UndoSize=-5", &Options::UndoSize, 10},
        {"UndoSize=9000", &Options::UndoSize, 4096},
        {"UndoSize=74", &Options::UndoSize, 74},
        {"ScroolSpeed=-1", &Options::ScroolSpeed, 0},
        {"ScroolSpeed=9", &Options::ScroolSpeed, 5},
        {"ScroolSpeed=3", &Options::ScroolSpeed, 3},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const QString path = folder.write("Ruvela.ini", "[FormOption]\r\n" + c.line + "\r\n");
        EXPECT_EQ(Load(path).*c.field, c.expected) << c.line.constData();
    }
}

TEST(SettingsFile, FontStylesKeepTheirLowFourBits) {
    TempFolder folder;
    const QString path =
        folder.write("Ruvela.ini", "[FormMain]\r\nTreeFontStyle=21\r\nCommentFontStyle=255\r\n");
    const Options options = Load(path);
    EXPECT_EQ(options.TreeFontStyle, 5);
    EXPECT_EQ(options.CommentFontStyle, 15);

    Options wide;
    wide.TreeFontStyle = 0x13;
    Save(path, wide);
    EXPECT_EQ(IniFile::Parse(ReadAll(path))->Value("FormMain", "TreeFontStyle"), "3");
}

TEST(SettingsFile, ValuesThatDoNotParseGiveTheDefaults) {
    TempFolder folder;
    const QString path = folder.write("Ruvela.ini", "[FormMain]\r\n"
                                                    "Width=wide\r\n"
                                                    "Height=\r\n"
                                                    "Max=yes\r\n"
                                                    "VisibleTree=abc\r\n"
                                                    "ZoomNo=fit\r\n"
                                                    "SortNo=99999999999\r\n"
                                                    "ImgBackColor=0x10\r\n"
                                                    "[FormOption]\r\n"
                                                    "MaxSize=big\r\n"
                                                    "SlideShowTime=1.5e3\r\n"
                                                    "Bmp=-1\r\n"
                                                    "Html=2\r\n");
    const Options options = Load(path);
    const Options defaults;
    EXPECT_EQ(options.Width, defaults.Width);
    EXPECT_EQ(options.Height, defaults.Height);
    EXPECT_EQ(options.Max, defaults.Max);
    EXPECT_EQ(options.VisibleTree, defaults.VisibleTree);
    EXPECT_EQ(options.ZoomNo, defaults.ZoomNo);
    EXPECT_EQ(options.SortNo, defaults.SortNo);
    EXPECT_EQ(options.ImgBackColor, defaults.ImgBackColor);
    EXPECT_EQ(options.MaxSize, defaults.MaxSize);
    EXPECT_EQ(options.SlideShowTime, defaults.SlideShowTime);
    // Any integer other than 0 is true.
    EXPECT_TRUE(options.Bmp);
    EXPECT_TRUE(options.Html);
}

TEST(SettingsFile, UnknownSectionsKeysAndCommentsSurviveASaveInPlace) {
    TempFolder folder;
    const QByteArray before = "; written by hand\n"
                              "[Other]\n"
                              "Keep=this\n"
                              "\n"
                              "[FormMain]\n"
                              "# my window\n"
                              "Width=640\n"
                              "Custom = value with spaces\n"
                              "\n"
                              "[FormOption]\n"
                              "Later=1\n";
    const QString path = folder.write("Ruvela.ini", before);
    Options options = Load(path);
    EXPECT_EQ(options.Width, 640);
    options.Width = 900;
    Save(path, options);

    const QString text = QString::fromUtf8(ReadAll(path));
    EXPECT_TRUE(
        text.startsWith("; written by hand\r\n[Other]\r\nKeep=this\r\n\r\n[FormMain]\r\n# my window\r\n"
                        "Width=900\r\nCustom=value with spaces\r\nExecution=1\r\n"))
        << text.left(200).toStdString();
    // New keys of a section go after its last key, before the blank line that ends it.
    EXPECT_TRUE(text.contains("ImgBackColor=8421376\r\n\r\n[FormOption]\r\nLater=1\r\nSwImgOpen=0\r\n"));
    EXPECT_EQ(text.count("Width=900"), 1);
    EXPECT_EQ(IniFile::Parse(text.toUtf8())->Value("Other", "Keep"), "this");
}

TEST(SettingsFile, Cp932FilesAreRead) {
    TempFolder folder;
    const QByteArray bytes = EncodeCp932("[FormOption]\r\nListName2=黒猫\r\nYahooMes=ヤフオク出品中\r\n");
    ASSERT_FALSE(bytes.isEmpty());
    const QString path = folder.write("Ruvela.ini", bytes);
    const Options options = Load(path);
    EXPECT_EQ(options.ListName[1], "黒猫");
    EXPECT_EQ(options.YahooMes, "ヤフオク出品中");

    // Saving turns it into UTF-8 and keeps the text.
    Save(path, options);
    const QByteArray saved = ReadAll(path);
    EXPECT_TRUE(saved.contains(QString("ListName2=黒猫\r\n").toUtf8()));
    EXPECT_EQ(Load(path).ListName[1], "黒猫");
}

TEST(SettingsFile, SavedFileIsUtf8WithCrLf) {
    TempFolder folder;
    const QString path = folder.file("Ruvela.ini");
    Options options;
    options.ListName[0] = "猫";
    Save(path, options);
    const QByteArray bytes = ReadAll(path);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.startsWith("[FormMain]\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
    EXPECT_TRUE(bytes.contains("ListName1=\xE7\x8C\xAB\r\n"));
}

TEST(SettingsFile, UnreadableFileIsSetAsideAndNeverOverwritten) {
    const QByteArray cases[] = {
        QByteArray("[FormMain]\r\nWidth=6\0"
                   "40\r\n",
                   20),
        "[FormMain]\r\nTreeFont=\x81\x7F\x85\r\n", // no CP932 either
    };
    for (const QByteArray& garbage : cases) {
        TempFolder folder;
        const QString path = folder.write("Ruvela.ini", garbage);
        folder.write("Ruvela.ini.bad", "an older one");
        Options options;
        QString message;
        ASSERT_TRUE(IniLoad(path, options, &message));
        EXPECT_FALSE(message.isEmpty());
        EXPECT_EQ(options.Width, 800) << garbage.toStdString();
        EXPECT_FALSE(StatPath(path).exists);
        EXPECT_EQ(ReadAll(folder.file("Ruvela.ini.bad")), garbage);

        Save(path, options);
        EXPECT_EQ(ReadAll(folder.file("Ruvela.ini.bad")), garbage);
        EXPECT_EQ(Load(path).Width, 800);
    }
}

TEST(SettingsFile, AMalformedLineIsSkippedAndKept) {
    TempFolder folder;
    const QString path = folder.write("Ruvela.ini", "[FormMain]\r\nWidth=640\r\nthis line is no setting\r\n"
                                                    "=480\r\n[FormOption\r\nHeight=500\r\n");
    QString message;
    Options options;
    ASSERT_TRUE(IniLoad(path, options, &message));
    EXPECT_TRUE(message.isEmpty()) << message.toStdString();
    EXPECT_EQ(options.Width, 640);
    EXPECT_EQ(options.Height, 500);
    EXPECT_FALSE(StatPath(folder.file("Ruvela.ini.bad")).exists);

    options.Width = 700;
    Save(path, options);
    const QByteArray saved = ReadAll(path);
    EXPECT_TRUE(saved.startsWith("[FormMain]\r\nWidth=700\r\nthis line is no setting\r\n=480\r\n"
                                 "[FormOption\r\nHeight=500\r\n"))
        << saved.left(120).toStdString();
    EXPECT_EQ(Load(path).Width, 700);
}

TEST(SettingsFile, SaveSetsAsideAnUnreadableFileItFinds) {
    TempFolder folder;
    const QByteArray garbage("not a\0settings file\n", 20);
    const QString path = folder.write("Ruvela.ini", garbage);
    Options options;
    options.Width = 1000;
    Save(path, options);
    EXPECT_EQ(ReadAll(folder.file("Ruvela.ini.bad")), garbage);
    EXPECT_EQ(Load(path).Width, 1000);
}

TEST(SettingsFile, ReadFailureIsReported) {
    TempFolder folder;
    const QString path = folder.folder("Ruvela.ini"); // a folder where the file should be
    Options options;
    options.Width = 5;
    QString message;
    EXPECT_FALSE(IniLoad(path, options, &message));
    EXPECT_EQ(message, "INIファイルの読み込みに失敗");
    EXPECT_EQ(options.Width, 800);
    EXPECT_EQ(options.ExStr[0], "画像を回転する(&A)");
}

// A file system too small for the new file: the save fails and the old file stays.
TEST(SettingsFile, FullDiskKeepsTheOldFile) {
    TempFolder folder;
    const QString mountPoint = folder.folder("small");
    if (::mount("tmpfs", NativePath(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    }
    struct Unmount {
        QByteArray at;
        ~Unmount() { ::umount(at.constData()); }
    } unmount{NativePath(mountPoint)};
    const QString path = mountPoint + "/Ruvela.ini";
    {
        Options old;
        old.Width = 640;
        Save(path, old);
    }
    const QByteArray before = ReadAll(path);
    // Fill the file system to its last byte.
    {
        QFile filler;
        ASSERT_TRUE(OpenFile(filler, mountPoint + "/filler", QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
    }
    Options options;
    options.Width = 1200;
    for (int n = 0; n < 10; ++n) {
        options.ListFolder[n] = QString(400, QChar('d'));
    }
    QString message;
    EXPECT_FALSE(IniSave(path, options, &message));
    EXPECT_EQ(message, "INIファイルの書き込みに失敗しました");
    EXPECT_EQ(ReadAll(path), before);
}

TEST(SettingsFile, ReadOnlyFolderKeepsTheOldFile) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    TempFolder folder;
    const QString dir = folder.folder("data");
    const QString path = dir + "/Ruvela.ini";
    Save(path, Options());
    const QByteArray before = ReadAll(path);
    ASSERT_EQ(::chmod(NativePath(dir).constData(), 0555), 0);
    Options options;
    options.Width = 1200;
    QString message;
    EXPECT_FALSE(IniSave(path, options, &message));
    EXPECT_EQ(message, "INIファイルの書き込みに失敗しました");
    EXPECT_EQ(ReadAll(path), before);
    ::chmod(NativePath(dir).constData(), 0755);
}

TEST(SettingsFile, ExternalAppVisibility) {
    struct Case {
        QString name;
        QString program;
        bool visible;
    };
    const Case cases[] = {
        {"GIMP", "/usr/bin/gimp", true}, {"-", "", true}, {"-", "x", true},  {"GIMP", "", false},
        {"", "/usr/bin/gimp", false},    {"", "", false}, {"--", "", false}, {" -", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExternalAppVisible(c.name, c.program), c.visible)
            << c.name.toStdString() << "|" << c.program.toStdString();
    }
}

TEST(SettingsFile, SizeBoundsFromDialogText) {
    EXPECT_EQ(ParseMaxSize("3000"), 3000);
    EXPECT_EQ(ParseMaxSize("5000000000"), 5000000000);
    EXPECT_EQ(ParseMaxSize("abc"), 100000000);
    EXPECT_EQ(ParseMaxSize(""), 100000000);
    EXPECT_EQ(ParseMinSize("0"), 0);
    EXPECT_EQ(ParseMinSize("12k"), 128);
    EXPECT_EQ(ParseMinSize(""), 128);
}

} // namespace
