#include "core/common/PathText.h"
#include "core/sorting/SortingTable.h"
#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

class SortingTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        Sounds();
    }

    // Sounds for copy, move and undo, so the tests can tell which one played.
    void Sounds() {
        options.sndPlay = true;
        options.sndCopy = data.write(QStringLiteral("copy.wav"), "RIFF");
        options.sndMove = data.write(QStringLiteral("move.wav"), "RIFF");
        options.sndUndo = data.write(QStringLiteral("undo.wav"), "RIFF");
        Make();
    }

    SortingWorkflow& sorting() { return controller->sorting(); }
    ViewerState& live() { return controller->state(); }

    // Every entry sets the keypad's base folder to a folder of its own, so the base folder
    // tells which entry a key ran.
    QStringList IndexedCommands() {
        QStringList table;
        for (int i = 0; i < SortingKeys::kTableSize; ++i) {
            table << QStringLiteral("$LowDir=") + pictures.folder(QStringLiteral("slots/%1").arg(i));
        }
        return table;
    }

    QStringList Trashed() const {
        return QDir(data.file(QStringLiteral("share/Trash/files"))).entryList(QDir::Files, QDir::Name);
    }
};

// The held keys and buttons of one press, and the table index it must reach (-1: none).
struct KeyCase {
    const char* what;
    QList<int> keys;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    Qt::MouseButtons buttons = {};
    bool viaCtrlAlt = false;
    QString spaceCommand = QStringLiteral("無し");
    QString wheelClickCommand = QStringLiteral("無し");
    int expected = -1;
};

TEST_F(SortingTest, EveryKeyGroupReachesItsIndex) {
    const std::vector<KeyCase> letters{
        {.what = "A", .keys = {Qt::Key_A}, .expected = 0},
        {.what = "Z", .keys = {Qt::Key_Z}, .expected = 25},
        {.what = "Shift+C", .keys = {Qt::Key_C}, .shift = true, .expected = 28},
        {.what = "left+C", .keys = {Qt::Key_C}, .buttons = Qt::LeftButton, .expected = 54},
        {.what = "Shift+left+C",
         .keys = {Qt::Key_C},
         .shift = true,
         .buttons = Qt::LeftButton,
         .expected = 54},
        {.what = "Space+C", .keys = {Qt::Key_Space, Qt::Key_C}, .expected = 54},
        {.what = "Space+C, Space bound",
         .keys = {Qt::Key_Space, Qt::Key_C},
         .spaceCommand = QStringLiteral("拡大"),
         .expected = 2},
        {.what = "wheel+C", .keys = {Qt::Key_C}, .buttons = Qt::MiddleButton, .expected = 80},
        {.what = "wheel+Space+left+C",
         .keys = {Qt::Key_Space, Qt::Key_C},
         .shift = true,
         .buttons = Qt::MiddleButton | Qt::LeftButton,
         .expected = 80},
        {.what = "wheel+C, wheel click bound",
         .keys = {Qt::Key_C},
         .buttons = Qt::MiddleButton,
         .wheelClickCommand = QStringLiteral("設定"),
         .expected = 2},
        {.what = "wheel+C, bound, via Ctrl+Alt",
         .keys = {Qt::Key_C},
         .buttons = Qt::MiddleButton,
         .viaCtrlAlt = true,
         .wheelClickCommand = QStringLiteral("設定"),
         .expected = 80},
        {.what = "Ctrl+Alt+C",
         .keys = {Qt::Key_C},
         .ctrl = true,
         .alt = true,
         .viaCtrlAlt = true,
         .expected = 80},
        {.what = "two letters", .keys = {Qt::Key_A, Qt::Key_B}, .expected = -1},
        {.what = "no letter", .keys = {}, .expected = -1},
    };
    const std::vector<KeyCase> digits{
        {.what = "1", .keys = {Qt::Key_1}, .expected = 104},
        {.what = "9", .keys = {Qt::Key_9}, .expected = 112},
        {.what = "0", .keys = {Qt::Key_0}, .expected = 113},
        {.what = "Shift+1", .keys = {Qt::Key_1}, .shift = true, .expected = 114},
        {.what = "Shift+0", .keys = {Qt::Key_0}, .shift = true, .expected = 123},
        {.what = "two digits", .keys = {Qt::Key_1, Qt::Key_2}, .expected = -1},
    };
    // Keypad: the first key is the digit pressed.
    const std::vector<KeyCase> keypad{
        {.what = "keypad 1", .keys = {1}, .expected = 124},
        {.what = "keypad 0", .keys = {0}, .expected = 133},
        {.what = "Ctrl+keypad 3", .keys = {3}, .ctrl = true, .expected = 136},
        {.what = "Ctrl+keypad 0", .keys = {0}, .ctrl = true, .expected = 143},
        {.what = "Shift+keypad 3", .keys = {3}, .shift = true, .expected = -1},
        {.what = "Alt+keypad 3", .keys = {3}, .alt = true, .expected = -1},
    };

    Open(1);
    live().SortingTable = IndexedCommands();
    const auto check = [&](const KeyCase& c, auto press) {
        SCOPED_TRACE(c.what);
        live().LowDirBase.clear();
        keys.keys.clear();
        keys.shift = c.shift;
        keys.ctrl = c.ctrl;
        keys.alt = c.alt;
        keys.buttons = c.buttons;
        controller->options().kGesSpace = c.spaceCommand;
        controller->options().mGesWC = c.wheelClickCommand;
        press(c);
        if (c.expected < 0) {
            EXPECT_TRUE(state().LowDirBase.isEmpty());
        } else {
            EXPECT_EQ(state().LowDirBase, pictures.file(QStringLiteral("slots/%1").arg(c.expected)));
        }
    };
    for (const KeyCase& c : letters) {
        check(c, [&](const KeyCase& k) {
            for (int key : k.keys) {
                keys.keys.insert(key);
            }
            sorting().actABCExecute(k.viaCtrlAlt);
        });
    }
    for (const KeyCase& c : digits) {
        check(c, [&](const KeyCase& k) {
            for (int key : k.keys) {
                keys.keys.insert(key);
            }
            sorting().act123Execute();
        });
    }
    for (const KeyCase& c : keypad) {
        check(c, [&](const KeyCase& k) { EXPECT_EQ(sorting().KeypadExecute(k.keys[0]), k.expected >= 0); });
    }
}

TEST_F(SortingTest, AFolderEntryMovesTheFileShowsTheNextAndSaysWhereItWent) {
    const QStringList files = Open(3);
    const QString best = pictures.folder(QStringLiteral("best"));
    live().SortingTable[0] = best;
    keys.keys = {Qt::Key_A};

    sorting().actABCExecute(false);

    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(PathKind(best + QStringLiteral("/p0.jpg")), PathType::File);
    EXPECT_EQ(state().CurrentFile, files[1]);
    EXPECT_EQ(state().FileList.size(), 2u);
    EXPECT_EQ(state().SortCount, 1);
    EXPECT_EQ(sounds.played.last(), options.sndMove);
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("   { Move > ") + MiniFileName(best, QDir::homePath()) +
                                       QStringLiteral(" }")))
        << title.caption.toStdString();
    EXPECT_EQ(controller->journal().UndoData()[0],
              UndoJournal::Record(RecordKind::Moved, files[0], best + QStringLiteral("/p0.jpg")));
    EXPECT_FALSE(state().SortBusy);
}

// Keys pressed while the next picture is still being read act once it is on screen, in the
// order they came: never on a file the user has not seen. A picture moved away leaves the screen
// at once, with the caption naming the next one, while that one is read.
TEST_F(SortingTest, KeysPressedWhileAPictureIsReadActOnItOnceItIsShown) {
    options.PrefetchMemory = 0; // nothing is read ahead: every step waits for the file
    Make();
    const QStringList files = Open(4);
    const QString best = pictures.folder(QStringLiteral("best"));
    live().SortingTable[0] = best;
    QList<int> shownWidths; // the width of each picture put on screen, 0 for an empty view
    QStringList captionsWhenEmpty;
    QObject::connect(controller.get(), &ViewerController::pictureChanged, [&] {
        shownWidths << state().ViewBitmap.width();
        if (state().ViewBitmap.isNull()) {
            captionsWhenEmpty << QString();
        }
    });
    QObject::connect(controller.get(), &ViewerController::titleChanged, [&](const TitleTexts& texts) {
        if (!captionsWhenEmpty.isEmpty() && captionsWhenEmpty.last().isEmpty()) {
            captionsWhenEmpty.last() = texts.caption;
        }
    });
    QStringList moves; // each move with the width of the picture on screen at that moment
    QObject::connect(
        &controller->batch(), &TransferBatch::fileMoved, [&](const QString& from, const QString&) {
            moves << QStringLiteral("%1 %2").arg(FileNameOf(from)).arg(state().SourceBitmap.width());
        });

    // "A", then F1, pressed while p1 is read.
    QTimer::singleShot(0, controller.get(), [&] {
        keys.keys = {Qt::Key_A};
        sorting().actABCExecute(false);
        keys.keys.clear();
        controller->checks().Toggle(0);
    });
    live().Paused = false; // start-up is over: the window takes input
    controller->ImgNext();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return controller->checks().lists().contains(0, state().CurrentFile); }));

    // p1 went where "A" sends files only after it was shown (9 pixels wide); then p2 came up
    // and F1 marked it.
    EXPECT_EQ(moves, QStringList{QStringLiteral("p1.jpg 9")});
    EXPECT_EQ(PathKind(best + QStringLiteral("/p1.jpg")), PathType::File);
    EXPECT_EQ(state().CurrentFile, files[2]);
    EXPECT_TRUE(controller->checks().lists().contains(0, files[2]));
    EXPECT_EQ(controller->checks().lists().list(0).size(), 1);
    EXPECT_EQ(shownWidths, (QList<int>{9, 0, 10}));
    ASSERT_EQ(captionsWhenEmpty.size(), 1);
    EXPECT_TRUE(captionsWhenEmpty[0].contains(QStringLiteral("2/3 [p2.jpg]")))
        << captionsWhenEmpty[0].toStdString();
}

// While the folder tree has the focus, no entry moves the shown file, whichever input runs it.
TEST_F(SortingTest, NothingIsSortedWhileTheTreeHasTheFocus) {
    const QStringList files = Open(2);
    const QString best = pictures.folder(QStringLiteral("best"));
    live().SortingTable[0] = best;
    controller->SetTreeFocused(true);
    keys.keys = {Qt::Key_A};
    sorting().actABCExecute(false);
    controller->commands().mgesExecute(QStringLiteral("$MOVE=") + best);
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(state().CurrentFile, files[0]);

    controller->SetTreeFocused(false);
    sorting().actABCExecute(false);
    EXPECT_EQ(PathKind(best + QStringLiteral("/p0.jpg")), PathType::File);
}

TEST_F(SortingTest, PrefixesAndTheCopyOptionDecideCopyOrMove) {
    struct Case {
        const char* prefix;
        bool copyOption;
        bool copied;
    };
    const QString target = pictures.folder(QStringLiteral("target"));
    for (const Case& c : {Case{"", false, false}, Case{"", true, true}, Case{"$COPY=", false, true},
                          Case{"$MOVE=", true, false}, Case{"$COPY=$MOVE=", false, false}}) {
        SCOPED_TRACE(testing::Message() << c.prefix << " copy option " << c.copyOption);
        options.SwImageCopyB = c.copyOption;
        Make();
        const QString file = pictures.write(QStringLiteral("from/x.jpg"), Jpeg(8, 8));
        controller->ViewFolder(FolderOf(file), true);
        live().SortingTable[3] = QString::fromUtf8(c.prefix) + target;
        keys.keys = {Qt::Key_D};

        sorting().actABCExecute(false);

        EXPECT_EQ(PathKind(target + QStringLiteral("/x.jpg")), PathType::File);
        EXPECT_EQ(PathKind(file), c.copied ? PathType::File : PathType::None);
        EXPECT_TRUE(
            title.caption.contains(c.copied ? QStringLiteral("{ Copy > ") : QStringLiteral("{ Move > ")));
        QFile::remove(target + QStringLiteral("/x.jpg"));
    }
}

TEST_F(SortingTest, CopyModeIsTheOptionTurnedRoundByCtrl) {
    QSignalSpy shown(&sorting(), &SortingWorkflow::copyModeShown);
    for (bool option : {false, true}) {
        for (bool ctrl : {false, true}) {
            controller->options().SwImageCopyB = option;
            keys.ctrl = ctrl;
            EXPECT_EQ(sorting().FileCopyMode(), option != ctrl) << option << ctrl;
            EXPECT_EQ(shown.last()[0].toString(), option ? QStringLiteral("Copy") : QStringLiteral("Move"));
        }
    }
}

TEST_F(SortingTest, ACopyStepsOnOnlyWhenCheckNextIsOn) {
    const QString target = pictures.folder(QStringLiteral("target"));
    for (bool next : {false, true}) {
        options.SwCheckNext = next;
        Make();
        const QStringList files = Open(2);
        QFile::remove(target + QStringLiteral("/p0.jpg"));
        sorting().FileFuriwake(files[0], target, 1);
        EXPECT_EQ(state().CurrentFile, next ? files[1] : files[0]);
        EXPECT_EQ(sounds.played.last(), options.sndCopy);
        EXPECT_EQ(state().FileList.size(), 2u);
    }
}

TEST_F(SortingTest, EntriesThatAreNoFoldersRunAsCommands) {
    const QStringList files = Open(1);
    const QString elsewhere = pictures.folder(QStringLiteral("elsewhere"));
    pictures.write(QStringLiteral("elsewhere/z.jpg"), Jpeg(8, 8));
    int zoomsIn = 0;
    controller->registry().Register(Command::mnuZoom, [&zoomsIn] { ++zoomsIn; });
    live().SortingTable[0] = QStringLiteral("拡大");
    live().SortingTable[1] = QStringLiteral("1.5");
    live().SortingTable[2] = QStringLiteral("$LowDir=") + pictures.file(QStringLiteral("missing"));
    live().SortingTable[3] = QStringLiteral("$LowDir=") + elsewhere;
    live().SortingTable[4] = QStringLiteral("$OPEN=") + elsewhere;

    sorting().KeyTableExecute(0);
    EXPECT_EQ(zoomsIn, 1);

    sorting().KeyTableExecute(1);
    EXPECT_DOUBLE_EQ(state().ZoomRate, 1.5);

    sorting().KeyTableExecute(2);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("下位フォルダ振り分け基点が見つかりません")});
    sorting().KeyTableExecute(3);
    EXPECT_EQ(state().LowDirBase, elsewhere);

    sorting().KeyTableExecute(4);
    EXPECT_EQ(state().CurrentFolder, elsewhere);
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_FALSE(state().SortBusy);
}

TEST_F(SortingTest, EmptyKeypadEntriesUseTheSubfoldersOfTheBaseFolder) {
    const QStringList files = Open(3);
    // Fourteen subfolders whose case-insensitive order is not their byte order.
    QStringList names{QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("D")};
    for (int i = 4; i < 14; ++i) {
        names << QStringLiteral("s%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    const QString base = pictures.folder(QStringLiteral("base"));
    for (const QString& name : names) {
        pictures.folder(QStringLiteral("base/") + name);
    }
    controller->options().SwLowFolder = true;
    live().LowDirBase = base;

    sorting().KeypadExecute(3); // the third: A b c → c
    EXPECT_EQ(PathKind(base + QStringLiteral("/c/p0.jpg")), PathType::File);
    keys.ctrl = true;
    sorting().KeypadExecute(3); // the thirteenth: s12
    EXPECT_EQ(PathKind(base + QStringLiteral("/s12/p1.jpg")), PathType::File);

    live().LowDirBase = pictures.folder(QStringLiteral("few"));
    pictures.folder(QStringLiteral("few/one"));
    pictures.folder(QStringLiteral("few/two"));
    keys.ctrl = false;
    sorting().KeypadExecute(3);
    EXPECT_EQ(PathKind(files[2]), PathType::File);

    // The top-row digits never use the base folder, and the option must be on.
    live().LowDirBase = base;
    keys.keys = {Qt::Key_3};
    sorting().act123Execute();
    controller->options().SwLowFolder = false;
    sorting().KeypadExecute(3);
    EXPECT_EQ(PathKind(files[2]), PathType::File);

    // Opening a folder makes it the base again.
    controller->ViewFolder(FolderOf(files[0]), true);
    EXPECT_EQ(state().LowDirBase, FolderOf(files[0]));
}

TEST_F(SortingTest, TheTrashFoldersOfAVolumeAreNoKeypadSubfolders) {
    const QStringList files = Open(2);
    const QString base = pictures.folder(QStringLiteral("base"));
    for (const QString& name : {QStringLiteral(".Trash"), QStringLiteral(".Trash-1000"), QStringLiteral("a"),
                                QStringLiteral("b")}) {
        pictures.folder(QStringLiteral("base/") + name);
    }
    controller->options().SwLowFolder = true;
    live().LowDirBase = base;

    sorting().KeypadExecute(1);
    EXPECT_EQ(PathKind(base + QStringLiteral("/a/p0.jpg")), PathType::File);
    sorting().KeypadExecute(2);
    EXPECT_EQ(PathKind(base + QStringLiteral("/b/p1.jpg")), PathType::File);
    EXPECT_TRUE(QDir(base + QStringLiteral("/.Trash-1000")).isEmpty());
    EXPECT_TRUE(QDir(base + QStringLiteral("/.Trash")).isEmpty());
}

TEST_F(SortingTest, NewFolderKeysMakeTheFolderOnlyWithShift) {
    const QStringList files = Open(3);
    const QString from = FolderOf(files[0]);

    sorting().mnuFolderCreateMove1Click(1, QString());
    EXPECT_EQ(PathKind(from + QStringLiteral("/新しいフォルダ")), PathType::None);
    EXPECT_EQ(PathKind(files[0]), PathType::File);

    keys.shift = true;
    sorting().mnuFolderCreateMove1Click(1, QString());
    EXPECT_EQ(PathKind(from + QStringLiteral("/新しいフォルダ/p0.jpg")), PathType::File);
    sorting().mnuFolderCreateMove1Click(3, QString());
    EXPECT_EQ(PathKind(from + QStringLiteral("/新しいフォルダ3/p1.jpg")), PathType::File);

    // An existing folder takes the file without Shift.
    keys.shift = false;
    sorting().mnuFolderCreateMove1Click(3, QString());
    EXPECT_EQ(PathKind(from + QStringLiteral("/新しいフォルダ3/p2.jpg")), PathType::File);

    // A folder whose name is not UTF-8 gets its new folder too.
    const QString odd = PathFromNative(NativePath(pictures.path()) + "/odd\xff");
    ASSERT_TRUE(MakeFolder(odd));
    const QString picture = odd + QStringLiteral("/q.jpg");
    QFile file;
    ASSERT_TRUE(OpenFile(file, picture, QIODevice::WriteOnly));
    file.write(Jpeg(8, 8));
    file.close();
    controller->ViewFolder(odd, true);
    ASSERT_EQ(state().CurrentFile, picture);
    keys.shift = true;
    sorting().mnuFolderCreateMove1Click(1, QString());
    EXPECT_EQ(PathKind(odd + QStringLiteral("/新しいフォルダ/q.jpg")), PathType::File);
    EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join(' ').toStdString();
}

TEST_F(SortingTest, ShiftLetterWithTheFolderOptionAsksAndTheRepeatKeyReusesTheAnswer) {
    const QStringList files = Open(3);
    const QString chosen = pictures.folder(QStringLiteral("chosen"));
    const QString start = pictures.folder(QStringLiteral("start"));
    controller->options().SwShiftPlusKey = true;
    live().SortingTable[SortingKeys::kShiftLetters + 1] = pictures.folder(QStringLiteral("never"));
    live().SortingTable[1] = start;
    live().SortingTable[SortingKeys::kShiftLetters + 1].clear();
    keys.shift = true;
    keys.keys = {Qt::Key_B};
    prompts.chosenFolders = {QString(), chosen};

    sorting().actABCExecute(false); // cancelled: nothing happens
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    sorting().actABCExecute(false);
    EXPECT_EQ(prompts.folderCaptions,
              (QStringList{QStringLiteral("ファイルの移動先を選択して下さい|") + start,
                           QStringLiteral("ファイルの移動先を選択して下さい|") + start}));
    EXPECT_EQ(PathKind(chosen + QStringLiteral("/p0.jpg")), PathType::File);

    keys.shift = false;
    keys.keys.clear();
    sorting().actCommaExecute();
    EXPECT_EQ(PathKind(chosen + QStringLiteral("/p1.jpg")), PathType::File);
    EXPECT_EQ(state().LastChosenFolder, chosen);
}

TEST_F(SortingTest, TheTableFileIsPaddedKeptAndWrittenOnlyWhenChanged) {
    const QString path = sorting().TablePath();
    QByteArray lines = QStringLiteral("/photos/best\r\n$COPY=/photos/copy\r\n拡大\r\n").toUtf8();
    for (int i = 3; i < 150; ++i) {
        lines += i == 149 ? "extra\r\n" : "\r\n";
    }
    data.write(QStringLiteral("SaveData/MoveTo.txt"), lines);
    Make();
    ASSERT_EQ(state().SortingTable.size(), 150);
    EXPECT_EQ(state().SortingTable[1], QStringLiteral("$COPY=/photos/copy"));
    EXPECT_EQ(state().SortingTable[149], QStringLiteral("extra"));

    live().SortingTable[0] = QStringLiteral("/photos/other");
    EXPECT_TRUE(sorting().SaveTable());
    EXPECT_EQ(ReadFileHead(path, 1 << 16), lines); // not changed through the editor: kept

    live().SortingTableChanged = true;
    EXPECT_TRUE(sorting().SaveTable());
    EXPECT_TRUE(ReadFileHead(path, 1 << 16).startsWith("/photos/other\r\n$COPY=/photos/copy\r\n"));

    // A short file, and one in CP932, read and padded.
    data.write(QStringLiteral("short.ktb"), QByteArray("\x8a\x67\x91\xe5\n/a\n"));
    EXPECT_TRUE(sorting().LoadTableFile(data.file(QStringLiteral("short.ktb"))));
    ASSERT_EQ(state().SortingTable.size(), SortingKeys::kTableSize);
    EXPECT_EQ(state().SortingTable[0], QStringLiteral("拡大"));
    EXPECT_EQ(state().SortingTable[1], QStringLiteral("/a"));

    EXPECT_FALSE(sorting().LoadTableFile(data.file(QStringLiteral("missing.ktb"))));
    EXPECT_FALSE(sorting().SaveTableFile(data.file(QStringLiteral("short.ktb/inside.ktb"))));
    EXPECT_EQ(prompts.texts(), (QStringList{QStringLiteral("振り分けテーブルの読み込みに失敗しました"),
                                            QStringLiteral("振り分けテーブルの書き込みに失敗しました")}));
}

} // namespace
