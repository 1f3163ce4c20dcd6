#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTimer>

namespace {

class NavigationTest : public ControllerTest {
protected:
    // Files a.jpg, b.jpg, … in name order.
    QStringList WriteSeries(int count, int width = 8, int height = 8) {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << pictures.write(QString(QChar(u'a' + i)) + QStringLiteral(".jpg"), Jpeg(width, height));
        }
        return paths;
    }

    // Waits until every one of `paths` is read ahead for the current view.
    ::testing::AssertionResult WaitReadAhead(const QStringList& paths) {
        QSignalSpy ready(&controller->loader(), &PictureLoader::pictureReady);
        for (const QString& path : paths) {
            while (!controller->loader().IsReady(path)) {
                if (!ready.wait(5000)) {
                    return ::testing::AssertionFailure() << path.toStdString() << " was never read ahead";
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

    void LoopAndSound(bool loop) {
        options.SwListLoop = loop;
        options.sndPlay = true;
        options.sndLoop = data.write(QStringLiteral("loop.wav"), "RIFF");
        Make();
    }
};

} // namespace

TEST_F(NavigationTest, TheEndsOfTheListStopOrWrapWithTheEndSound) {
    struct Case {
        bool loop;
        bool forward; // next on the last file, or back on the first
        int expected;
    };
    WriteSeries(3);
    for (const Case& c :
         {Case{false, true, 3}, Case{false, false, 1}, Case{true, true, 1}, Case{true, false, 3}}) {
        SCOPED_TRACE(testing::Message() << "loop " << c.loop << " forward " << c.forward);
        sounds.played.clear();
        LoopAndSound(c.loop);
        controller->ViewFolder(pictures.path(), true);
        if (c.forward) {
            controller->JumpEnd();
            controller->ImgNext();
        } else {
            controller->ImgBack();
        }
        EXPECT_EQ(state().CurrentIndex, c.expected);
        EXPECT_EQ(sounds.played, QStringList({options.sndLoop}));
        EXPECT_EQ(controller->trackBar().position, c.expected);
    }
}

TEST_F(NavigationTest, NextBackFirstAndLastFollowTheList) {
    const QStringList paths = WriteSeries(4);
    controller->ViewFolder(pictures.path(), true);
    controller->ImgNext();
    EXPECT_EQ(state().CurrentFile, paths[1]);
    controller->ImgNext();
    controller->ImgBack();
    EXPECT_EQ(state().CurrentFile, paths[1]);
    controller->JumpEnd();
    EXPECT_EQ(state().CurrentFile, paths[3]);
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 4/4 [d.jpg]  (8x8) * 1.00"));
    controller->JumpStart();
    EXPECT_EQ(state().CurrentFile, paths[0]);
    EXPECT_TRUE(sounds.played.isEmpty());
}

TEST_F(NavigationTest, SelectAllLeavesOutTheExtraPlacesOfALoopingList) {
    WriteSeries(5);
    for (const bool loop : {false, true}) {
        options.SwListLoop = loop;
        Make();
        controller->ViewFolder(pictures.path(), true);
        controller->TrackBarMoved(2);
        controller->SetSelectionStart();
        controller->TrackBarMoved(4);
        controller->SetSelectionEnd();
        EXPECT_EQ(controller->trackBar().selStart, 2);
        EXPECT_EQ(controller->trackBar().selEnd, 4);
        controller->SelectAll();
        EXPECT_EQ(controller->trackBar().selStart, 1) << "loop " << loop;
        EXPECT_EQ(controller->trackBar().selEnd, 5) << "loop " << loop;
    }
}

TEST_F(NavigationTest, CtrlStepsTheFramesOfAnAnimationWithoutReadingTheFileAgain) {
    pictures.write(QStringLiteral("anim.gif"), ThreeFrameGif(100));
    controller->ViewFolder(pictures.path(), true);
    ASSERT_TRUE(state().GifIsAnimated);
    const GifHandle opened = state().GifImage;
    keys.ctrl = true;
    QStringList seen;
    for (int step = 0; step < 4; ++step) {
        controller->ImgNext();
        seen << comment;
        EXPECT_EQ(state().GifImage, opened);
    }
    EXPECT_EQ(seen, QStringList({QStringLiteral("アニメーションセル数 = 2/3"),
                                 QStringLiteral("アニメーションセル数 = 3/3"),
                                 QStringLiteral("アニメーションセル数 = 1/3"),
                                 QStringLiteral("アニメーションセル数 = 2/3")}));
    controller->ImgBack();
    EXPECT_EQ(comment, QStringLiteral("アニメーションセル数 = 1/3"));
    EXPECT_EQ(state().CurrentIndex, 1);
}

// Steps that arrive while a picture is being read only move the track bar: when it is shown,
// the newest position is read next and nothing in between.
TEST_F(NavigationTest, StepsDuringASlowLoadCollapseIntoTheNewestPosition) {
    options.PrefetchMemory = 0; // nothing read ahead, so every show reads its file
    Make();
    const QStringList paths = WriteSeries(8, 1200, 900);
    controller->ViewFolder(pictures.path(), true);
    const int before = controller->loader().decodeCount();
    for (int i = 0; i < 4; ++i) {
        QTimer::singleShot(0, controller.get(), [this] { controller->ImgNext(); });
    }
    controller->ImgNext();
    EXPECT_EQ(state().CurrentIndex, 6);
    EXPECT_EQ(state().CurrentFile, paths[5]);
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 6/8 [f.jpg]  (1200x900) * 0.4444"));
    EXPECT_EQ(controller->loader().decodeCount() - before, 2); // b.jpg, then f.jpg
}

TEST_F(NavigationTest, TheNextPictureIsReadAheadAndShownWithoutReadingIt) {
    // Three files: after the first step nothing is left to read ahead.
    const QStringList paths = WriteSeries(3, 1200, 900);
    controller->ViewFolder(pictures.path(), true);
    ASSERT_TRUE(WaitReadAhead({paths[1], paths[2]}));
    const int before = controller->loader().decodeCount();
    controller->ImgNext();
    EXPECT_EQ(state().CurrentFile, paths[1]);
    EXPECT_EQ(state().ViewBitmap.size(), QSize(533, 400));
    EXPECT_EQ(controller->loader().decodeCount(), before);

    // Going back shows the kept picture; a file rewritten meanwhile is read again.
    controller->ImgBack();
    EXPECT_EQ(controller->loader().decodeCount(), before);
    ASSERT_TRUE(pictures.write(QStringLiteral("b.jpg"), Jpeg(40, 30)).size() > 0);
    controller->ImgNext();
    EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 2/3 [b.jpg]  (40x30) * 1.00"));
}

TEST_F(NavigationTest, ChoosingASortOrderRescansAndKeepsTheShownFile) {
    const QString small = pictures.write(QStringLiteral("a.jpg"), Jpeg(8, 8));
    const QString large = pictures.write(QStringLiteral("b.jpg"), Jpeg(200, 150));
    const QString middle = pictures.write(QStringLiteral("c.jpg"), Jpeg(60, 40));
    controller->SortExecute(SortOrder::Name);
    QSignalSpy checked(controller.get(), &ViewerController::sortModeChanged);
    controller->ViewFile(middle);
    EXPECT_EQ(state().CurrentIndex, 3);
    controller->SortMenuChosen(SortOrder::SizeDescending);
    EXPECT_EQ(state().SortMode, SortOrder::SizeDescending);
    ASSERT_EQ(checked.size(), 1);
    EXPECT_EQ(checked.first().first().value<SortOrder>(), SortOrder::SizeDescending);
    EXPECT_EQ(state().CurrentFile, middle);
    EXPECT_EQ(state().CurrentIndex, 2);
    EXPECT_EQ(state().FileList.front().path, large);
    EXPECT_EQ(state().FileList.back().path, small);

    // Without a re-scan the list keeps its order until the next scan.
    controller->SortExecute(SortOrder::Name);
    EXPECT_EQ(state().FileList.front().path, large);
    controller->ViewFolder(pictures.path(), true);
    EXPECT_EQ(state().FileList.front().path, small);
}

TEST_F(NavigationTest, TheFolderWalkOpensTheNextFolderOrRetriesFromTheTree) {
    for (const char* name : {"a/x/p.jpg", "a/y/q.jpg", "b/r.jpg"}) {
        pictures.write(QString::fromLatin1(name), Jpeg(8, 8));
    }
    QDir().mkpath(pictures.file(QStringLiteral("c")));
    controller->ViewFolder(pictures.file(QStringLiteral("a/x")), true);

    controller->FolderNext(QString());
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("a/y")));
    controller->FolderNextEx(QString()); // a/y has no children and no later sibling: on to b
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("b")));
    EXPECT_EQ(state().CurrentFile, pictures.file(QStringLiteral("b/r.jpg")));
    controller->FolderBackEx(QString()); // the deepest last folder of a
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("a/y")));
    controller->FolderUp(QString());
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("a")));
    controller->FolderPrevious(QString()); // a is the first: nothing happens
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("a")));

    // From a folder that was removed and had no later sibling, the tree's folder is the second try.
    controller->ViewFolder(pictures.file(QStringLiteral("c")), true);
    ASSERT_TRUE(QDir(pictures.file(QStringLiteral("c"))).removeRecursively());
    controller->FolderNext(pictures.file(QStringLiteral("a/x")));
    EXPECT_EQ(state().CurrentFolder, pictures.file(QStringLiteral("a/y")));
}

TEST_F(NavigationTest, RemovingTheShownEntryKeepsTheSelectionOnItsFiles) {
    const QStringList paths = WriteSeries(5);
    controller->ViewFolder(pictures.path(), true);
    controller->TrackBarMoved(2);
    controller->SetSelectionStart();
    controller->TrackBarMoved(4);
    controller->SetSelectionEnd();

    controller->JumpStart(); // before the selection: it moves down by one
    controller->ImgListDelete();
    EXPECT_EQ(state().CurrentFile, paths[1]);
    EXPECT_EQ(controller->trackBar().selStart, 1);
    EXPECT_EQ(controller->trackBar().selEnd, 3);

    controller->TrackBarMoved(2); // inside it: it shrinks
    controller->ImgListDelete();
    EXPECT_EQ(state().CurrentFile, paths[3]);
    EXPECT_EQ(controller->trackBar().selStart, 1);
    EXPECT_EQ(controller->trackBar().selEnd, 2);
    EXPECT_EQ(controller->trackBar().maximum, 3);
}

TEST_F(NavigationTest, AResizedViewRemakesTheReadAheadBitmapsWithoutReadingAgain) {
    const QStringList paths = WriteSeries(3, 1200, 900);
    controller->ViewFolder(pictures.path(), true);
    ASSERT_TRUE(WaitReadAhead({paths[1], paths[2]}));
    const int before = controller->loader().decodeCount();
    controller->SetViewSize(QSize(320, 200));
    EXPECT_EQ(state().ViewBitmap.size(), QSize(267, 200));
    ASSERT_TRUE(WaitReadAhead({paths[1]}));
    controller->ImgNext();
    EXPECT_EQ(state().ViewBitmap.size(), QSize(267, 200));
    EXPECT_EQ(controller->loader().decodeCount(), before);
}
