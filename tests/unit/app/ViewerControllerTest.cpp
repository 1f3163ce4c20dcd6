#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"
#include "unit/app/ControllerFixture.h"

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST_F(ControllerTest, OpeningAFolderShowsItsFirstPictureInNameOrder) {
    pictures.write(QStringLiteral("b.png"), Png(300, 200));
    pictures.write(QStringLiteral("a.jpg"), Jpeg(64, 48));
    pictures.write(QStringLiteral("C.JPG"), Jpeg(32, 32));
    pictures.write(QStringLiteral("notes.txt"), QByteArray(500, 'x'));

    controller->ViewFolder(pictures.path(), true);

    ASSERT_EQ(state().FileList.size(), 3u);
    EXPECT_EQ(state().CurrentIndex, 1);
    EXPECT_EQ(state().CurrentFile, pictures.file(QStringLiteral("a.jpg")));
    EXPECT_EQ(state().CurrentFolder, pictures.path());
    EXPECT_EQ(state().CurrentBitDepth, 24);
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 1/3 [a.jpg]  (64x48) * 1.00"));
    EXPECT_EQ(title.panels[1], QStringLiteral("24 bit"));
    EXPECT_TRUE(imageCommands);
    const TrackBar& bar = controller->trackBar();
    EXPECT_EQ(bar.minimum, 1);
    EXPECT_EQ(bar.maximum, 3);
    EXPECT_EQ(bar.position, 1);
    EXPECT_TRUE(bar.sliderVisible);
    EXPECT_TRUE(bar.handlerAttached);
    EXPECT_EQ(state().ListTotalSize, StatPath(pictures.file(QStringLiteral("a.jpg"))).size +
                                         StatPath(pictures.file(QStringLiteral("b.png"))).size +
                                         StatPath(pictures.file(QStringLiteral("C.JPG"))).size);

    controller->TrackBarMoved(2);
    EXPECT_EQ(state().CurrentFile, pictures.file(QStringLiteral("b.png")));
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 2/3 [b.png]  (300x200) * 1.00"));
}

TEST_F(ControllerTest, AnEmptyOrMissingFolderShowsTheEmptyState) {
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(state().CurrentIndex, 0);
    EXPECT_TRUE(state().CurrentFile.isEmpty());
    EXPECT_FALSE(imageCommands);
    EXPECT_FALSE(controller->trackBar().sliderVisible);
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 画像ファイルが見つかりません"));
    EXPECT_TRUE(title.panels[4].startsWith(QStringLiteral("Tips : ")));

    controller->ViewFolder(pictures.file(QStringLiteral("gone")), true);
    EXPECT_EQ(state().CurrentFolder, state().pDesk);
}

TEST_F(ControllerTest, LargePicturesAreFittedIntoTheView) {
    pictures.write(QStringLiteral("wide.png"), Png(400, 200));
    controller->SetViewSize(QSize(100, 100));
    controller->ViewFolder(pictures.path(), true);
    EXPECT_DOUBLE_EQ(state().ZoomRate, 0.25);
    EXPECT_EQ(state().ViewBitmap.size(), QSize(100, 50));
    EXPECT_EQ(state().SourceBitmap.size(), QSize(400, 200));
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 1/1 [wide.png]  (400x200) * 0.25"));
}

TEST_F(ControllerTest, ViewFileShowsThatFileInItsFolder) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(16, 16));
    const QString b = pictures.write(QStringLiteral("b.jpg"), Jpeg(16, 16));
    const QString text = pictures.write(QStringLiteral("c.txt"), QByteArray(300, 'x'));
    controller->ViewFile(b);
    EXPECT_EQ(state().CurrentIndex, 2);
    EXPECT_EQ(state().CurrentFile, b);
    // A file the mask leaves out opens its folder at the first file.
    controller->ViewFile(text);
    EXPECT_EQ(state().CurrentIndex, 1);
    EXPECT_EQ(state().CurrentFile, pictures.file(QStringLiteral("a.jpg")));
}

TEST_F(ControllerTest, DeletingTheShownEntryShowsTheNextAndAnEmptiedListReopensTheFolder) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        pictures.write(QString::fromLatin1(name), Jpeg(8, 8));
    }
    controller->ViewFolder(pictures.path(), true);
    controller->TrackBarMoved(2);
    const qint64 totalBefore = state().ListTotalSize;
    const qint64 sizeOfB = state().CurrentFileSize;
    controller->ImgListDelete();
    EXPECT_EQ(state().FileList.size(), 2u);
    EXPECT_EQ(state().CurrentFile, pictures.file(QStringLiteral("c.jpg")));
    EXPECT_EQ(state().ListTotalSize, totalBefore - sizeOfB);
    EXPECT_EQ(controller->trackBar().maximum, 2);
    EXPECT_EQ(controller->trackBar().selEnd, 2);

    TempFolder single;
    const QString only = single.write(QStringLiteral("only.jpg"), Jpeg(8, 8));
    controller->ViewFolder(single.path(), true);
    // The file went away (moved elsewhere); the list is read again and is empty.
    ASSERT_TRUE(RenameNoReplace(only, pictures.file(QStringLiteral("moved.jpg"))));
    controller->ImgListDelete();
    EXPECT_EQ(state().CurrentIndex, 0);
    EXPECT_EQ(state().CurrentFolder, single.path());
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 画像ファイルが見つかりません"));
}

TEST_F(ControllerTest, LoopingListWrapsAtBothEndsWithTheEndSound) {
    options.SwListLoop = true;
    options.sndPlay = true;
    options.sndLoop = data.write(QStringLiteral("loop.wav"), "RIFF");
    Make();
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        pictures.write(QString::fromLatin1(name), Jpeg(8, 8));
    }
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(controller->trackBar().minimum, 0);
    EXPECT_EQ(controller->trackBar().maximum, 4);
    EXPECT_EQ(controller->trackBar().selStart, 1);
    EXPECT_EQ(controller->trackBar().selEnd, 3);
    controller->TrackBarMoved(0);
    EXPECT_EQ(state().CurrentIndex, 3);
    controller->TrackBarMoved(4);
    EXPECT_EQ(state().CurrentIndex, 1);
    EXPECT_EQ(controller->trackBar().position, 1);
    EXPECT_EQ(sounds.played, QStringList({options.sndLoop, options.sndLoop}));
}

TEST_F(ControllerTest, AFileThatVanishedAfterTheScanShowsTheMissingPicture) {
    pictures.write(QStringLiteral("a.jpg"), Jpeg(8, 8));
    const QString b = pictures.write(QStringLiteral("b.jpg"), Jpeg(8, 8));
    controller->ViewFolder(pictures.path(), true);
    ASSERT_TRUE(RenameNoReplace(b, data.file(QStringLiteral("b.jpg"))));
    controller->TrackBarMoved(2);
    EXPECT_EQ(comment, QStringLiteral("> ") + b + QStringLiteral("\r\n画像ファイルが見つかりません"));
    EXPECT_EQ(state().CurrentFileSize, 0);
    EXPECT_EQ(state().CurrentFileTime, 0);
    EXPECT_FALSE(state().SourceBitmap.isNull());
    EXPECT_EQ(state().FileList.size(), 2u);
}

TEST_F(ControllerTest, APngNamedJpgOffersTheRightExtensionAndRenames) {
    const QString wrong = pictures.write(QStringLiteral("x.jpg"), Png(40, 20));
    prompts.answers = {MessageResult::No};
    controller->ViewFolder(pictures.path(), true);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text,
              QStringLiteral("このファイルの正しい拡張子は\".png\"だと思われます\r\nリネームしますか？"));
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Question);
    EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(comment, QStringLiteral("> ") + wrong + QStringLiteral("\r\n画像の展開に失敗しました(.PNG)"));
    EXPECT_EQ(PathKind(wrong), PathType::File);

    prompts.answers = {MessageResult::Yes};
    controller->Refresh(pictures.path());
    const QString right = pictures.file(QStringLiteral("x.png"));
    EXPECT_EQ(PathKind(wrong), PathType::None);
    EXPECT_EQ(PathKind(right), PathType::File);
    EXPECT_EQ(state().CurrentFile, right);
    EXPECT_EQ(state().FileList[0].path, right);
    EXPECT_EQ(state().SourceBitmap.size(), QSize(40, 20));
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 1/1 [x.png]  (40x20) * 1.00"));
}

TEST_F(ControllerTest, ARenameThatWouldReplaceAFileIsRefused) {
    const QString wrong = pictures.write(QStringLiteral("x.jpg"), Png(40, 20));
    const QString taken = pictures.write(QStringLiteral("x.png"), "not a picture but the user's file");
    prompts.answers = {MessageResult::Yes};
    controller->ViewFile(wrong);
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[1].text, QStringLiteral("ファイルのリネームに失敗しました"));
    EXPECT_EQ(prompts.asked[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ReadFileHead(taken, 100), QByteArray("not a picture but the user's file"));
    EXPECT_EQ(PathKind(wrong), PathType::File);
}

TEST_F(ControllerTest, GarbageFailsWithoutARenameOffer) {
    const QString garbage = pictures.write(QStringLiteral("noise.jpg"), QByteArray(4000, '\x5a'));
    controller->ViewFolder(pictures.path(), true);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(comment, QStringLiteral("> ") + garbage + QStringLiteral("\r\n画像の展開に失敗しました()"));
    EXPECT_FALSE(state().SourceBitmap.isNull());
    EXPECT_EQ(state().CurrentBitDepth, 0);
}

TEST_F(ControllerTest, ViewFileUndoTellsWhenTheFileIsGone) {
    controller->ViewFileUndo(pictures.file(QStringLiteral("gone.jpg")));
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, QStringLiteral("ファイルが開けませんでした"));
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
}

TEST_F(ControllerTest, TheFirstSideTextThatFitsIsShown) {
    options.SwTxtOpen = true;
    Make();
    pictures.write(QStringLiteral("photo.jpg"), Jpeg(8, 8));
    pictures.write(QStringLiteral("photo.txt"), QByteArray(40000, 'x'));
    const QString doc = pictures.write(QStringLiteral("photo.doc"), "一行目\r\n二行目");
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(comment, QLatin1Char('[') + doc + QStringLiteral("]\r\n一行目\r\n二行目"));
}

TEST_F(ControllerTest, ASideTextIsFoundInAnyLetterCase) {
    options.SwTxtOpen = true;
    Make();
    const QStringList names{QStringLiteral("PHOTO.TXT"), QStringLiteral("Photo.Txt"),
                            QStringLiteral("photo.DOC"), QStringLiteral("pHoTo.hEd")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString folder = pictures.folder(name + QStringLiteral(".case"));
        pictures.write(name + QStringLiteral(".case/photo.jpg"), Jpeg(8, 8));
        pictures.write(name + QStringLiteral(".case/photo2.txt"), "another picture's text");
        const QString side = pictures.write(name + QStringLiteral(".case/") + name, "beside");
        controller->ViewFolder(folder, true);
        EXPECT_EQ(comment, QLatin1Char('[') + side + QStringLiteral("]\r\nbeside"));
    }
}

TEST_F(ControllerTest, CtrlScansSubfoldersUnlessZIsHeldToo) {
    pictures.write(QStringLiteral("top.jpg"), Jpeg(8, 8));
    pictures.write(QStringLiteral("sub/deeper/low.jpg"), Jpeg(8, 8));
    keys.ctrl = true;
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(state().FileList.size(), 2u);
    EXPECT_EQ(scanWindow.calls, QStringList({QStringLiteral("started"), QStringLiteral("sorting"),
                                             QStringLiteral("finished")}));
    keys.keys.insert(Qt::Key_Z);
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(state().FileList.size(), 1u);
}

TEST_F(ControllerTest, AMessageBoxThatCannotBeShownGoesToTheCaption) {
    controller->state().Paused = false; // started up
    prompts.fallback = MessageResult::None;
    EXPECT_EQ(controller->infoMes(QStringLiteral("だめです"), MessageIcon::Exclamation), MessageResult::None);
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - だめです"));
    EXPECT_FALSE(state().Paused);
}

TEST_F(ControllerTest, AnAnimatedGifPlaysItsFramesWithTheirDelays) {
    pictures.write(QStringLiteral("anim.gif"), ThreeFrameGif(5));
    controller->ViewFolder(pictures.path(), true);
    ASSERT_TRUE(state().GifIsAnimated);
    EXPECT_EQ(comment, QStringLiteral("アニメーションセル数 = 1/3"));
    EXPECT_EQ(state().GifFrame, 0);
    const QRgb first = state().ViewBitmap.pixel(0, 0);

    QElapsedTimer clock;
    clock.start();
    while (state().GifFrame == 0 && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    EXPECT_EQ(state().GifFrame, 1);
    EXPECT_NE(state().ViewBitmap.pixel(0, 0), first);
    // Another file stops the animation.
    controller->ViewFolder(data.path(), true);
    EXPECT_FALSE(state().GifIsAnimated);
}

// A question asked during start-up (still paused) leaves the viewer paused: each question holds
// the pause only for itself and gives back what it found.
TEST_F(ControllerTest, QuestionsGiveBackThePauseTheyFound) {
    ASSERT_TRUE(state().Paused);
    bool pausedMeanwhile = false;
    prompts.onAsk = [&] { pausedMeanwhile = state().Paused; };
    controller->AskFolder(QStringLiteral("どこへ"), QString());
    controller->infoMes(QStringLiteral("お知らせ"), MessageIcon::Information);
    EXPECT_TRUE(state().Paused);

    controller->state().Paused = false;
    controller->infoMes(QStringLiteral("お知らせ"), MessageIcon::Information);
    EXPECT_TRUE(pausedMeanwhile);
    EXPECT_FALSE(state().Paused);
}

// The window closes while a picture that was not read ahead is still being read: nothing more is
// shown and nothing is left busy.
TEST_F(ControllerTest, ClosingDuringASlowLoadShowsNothingMore) {
    options.PrefetchMemory = 0;
    Make();
    Open(2);
    QTimer::singleShot(0, controller.get(), [this] { controller->ShutDown(); });
    controller->ImgNext();
    EXPECT_FALSE(state().ShowBusy);
    EXPECT_EQ(state().SourceBitmap.width(), 8); // still the first picture (p0 is 8 wide)
    controller->ImgNext();
    EXPECT_FALSE(state().ShowBusy);
    EXPECT_EQ(state().SourceBitmap.width(), 8);
}

// The window closes while a subfolder scan runs: the scan stops, the window is given back and
// no folder is opened afterwards.
TEST_F(ControllerTest, ClosingDuringAScanStopsIt) {
    for (int i = 0; i < 30; ++i) {
        pictures.write(QStringLiteral("deep/%1/a/b/p.jpg").arg(i), Jpeg(8, 8));
    }
    keys.ctrl = true;
    QList<bool> running;
    QObject::connect(controller.get(), &ViewerController::scanRunning,
                     [&running](bool on) { running << on; });
    QTimer::singleShot(0, controller.get(), [this] { controller->ShutDown(); });
    controller->ViewFolder(pictures.file(QStringLiteral("deep")), true);
    EXPECT_EQ(running, (QList<bool>{true, false}));
    EXPECT_FALSE(state().ScanBusy);
    controller->ViewFolder(pictures.file(QStringLiteral("deep/0")), true);
    EXPECT_EQ(running.size(), 2);
}

namespace {

// A file this user may not read, in the middle of a list: it shows the failure picture with a
// comment that says why, the steps go on past it, and a sorting key still moves it.
TEST_F(ControllerTest, AFileThatCannotBeReadInTheMiddleOfAListIsSaidAndStillSorted) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    pictures.write(QStringLiteral("a.jpg"), Jpeg(8, 8));
    const QString b = pictures.write(QStringLiteral("b.jpg"), Jpeg(9, 8));
    pictures.write(QStringLiteral("c.jpg"), Jpeg(10, 8));
    ASSERT_EQ(::chmod(NativePath(b).constData(), 0), 0);
    controller->ViewFolder(pictures.path(), true);
    controller->ImgNext();
    EXPECT_EQ(state().CurrentFile, b);
    EXPECT_EQ(comment, QStringLiteral("> ") + b +
                           QStringLiteral("\r\n画像ファイルを読み取れません（アクセス権がありません）"))
        << comment.toStdString();
    EXPECT_FALSE(state().SourceBitmap.isNull());
    controller->ImgNext();
    EXPECT_EQ(state().SourceBitmap.size(), QSize(10, 8));
    controller->ImgBack();

    const QString sorted = pictures.folder(QStringLiteral("sorted"));
    controller->state().SortingTable[0] = sorted;
    keys.keys = {Qt::Key_A};
    controller->sorting().actABCExecute(false);
    EXPECT_EQ(PathKind(b), PathType::None);
    EXPECT_EQ(PathKind(sorted + QStringLiteral("/b.jpg")), PathType::File);
    EXPECT_EQ(state().SourceBitmap.size(), QSize(10, 8));
    EXPECT_TRUE(prompts.asked.empty()) << prompts.texts().join(QLatin1Char('\n')).toStdString();
}

} // namespace
