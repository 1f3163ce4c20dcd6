#include "core/common/PathText.h"
#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

const QString kGone = QStringLiteral("表示中のフォルダが見つからなくなりました\r\n");
const QString kEmpty = QStringLiteral("Ruvela - 画像ファイルが見つかりません");

// The folder of the list goes away while it is shown: top/a.jpg and top/b.jpg, top/mid with no
// picture of its own, and top/mid/view with three pictures, the folder shown.
class ListFolderTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        Tree(pictures);
        Remake();
    }

    // A new controller, with the folder selected in the tree recorded too.
    void Remake() {
        Make();
        QObject::connect(controller.get(), &ViewerController::selectFolderInTree,
                         [this](const QString& folder) { treeFolder = folder; });
    }

    void Tree(const TempFolder& place) {
        top = place.folder(QStringLiteral("top"));
        place.write(QStringLiteral("top/a.jpg"), Jpeg(20, 10));
        place.write(QStringLiteral("top/b.jpg"), Jpeg(21, 10));
        mid = place.folder(QStringLiteral("top/mid"));
        view = place.folder(QStringLiteral("top/mid/view"));
        for (int i = 0; i < 3; ++i) {
            place.write(QStringLiteral("top/mid/view/p%1.jpg").arg(i), Jpeg(8 + i, 8));
        }
    }

    // Shows `folder` with start-up over, as the user sees it.
    void Show(const QString& folder) {
        controller->ViewFolder(folder, true);
        controller->state().Paused = false;
    }

    ::testing::AssertionResult WaitForMessages(std::size_t count) {
        if (QTest::qWaitFor([&] { return prompts.asked.size() >= count; }, 5000)) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "messages so far: " << prompts.texts().join(u'|').toStdString();
    }

    static void Rename(const QString& from, const QString& to) {
        ASSERT_TRUE(RenameNoReplace(from, to)) << from.toStdString();
    }

    QString top, mid, view;
    QString treeFolder;
};

} // namespace

TEST_F(ListFolderTest, AFolderTakenAwayIsToldAndTheNearestFolderAboveOpens) {
    struct Case {
        const char* what;
        std::function<void(const QString& top, const QString& mid, const QString& view)> takeAway;
        bool opensTop; // else the folder between, which holds no picture
    };
    const std::vector<Case> cases{
        {"removed",
         [](const QString&, const QString&, const QString& view) {
             ASSERT_TRUE(QDir(view).removeRecursively());
         },
         false},
        {"renamed",
         [](const QString&, const QString& mid, const QString& view) {
             Rename(view, mid + QStringLiteral("/view-old"));
         },
         false},
        {"a folder above renamed",
         [](const QString& top, const QString& mid, const QString&) {
             Rename(mid, top + QStringLiteral("/mid-old"));
         },
         true},
        {"removed with the folder above",
         [](const QString&, const QString& mid, const QString&) {
             ASSERT_TRUE(QDir(mid).removeRecursively());
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder place;
        Tree(place);
        Remake();
        prompts.asked.clear();
        Show(view);
        ASSERT_EQ(state().FileList.size(), 3u);
        controller->ImgNext();
        ASSERT_EQ(state().CurrentFile, view + QStringLiteral("/p1.jpg"));

        c.takeAway(top, mid, view);
        ASSERT_TRUE(WaitForMessages(1));
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].text, kGone + view);
        EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
        EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::Ok);

        const QString opened = c.opensTop ? top : mid;
        EXPECT_EQ(state().CurrentFolder, opened);
        EXPECT_EQ(treeFolder, opened);
        EXPECT_TRUE(state().RootListName.isEmpty());
        if (c.opensTop) {
            EXPECT_EQ(state().FileList.size(), 2u);
            EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 1/2 [a.jpg]  (20x10) * 1.00"));
            // The user goes on: a step, another order, and a sorting key that moves the shown file.
            controller->ImgNext();
            EXPECT_EQ(title.caption, QStringLiteral("Ruvela - 2/2 [b.jpg]  (21x10) * 1.00"));
            controller->SortMenuChosen(SortOrder::NameDescending);
            EXPECT_EQ(state().CurrentIndex, 1);
            EXPECT_EQ(state().CurrentFile, top + QStringLiteral("/b.jpg"));
            const QString sorted = place.folder(QStringLiteral("sorted"));
            controller->state().SortingTable[0] = sorted;
            keys.keys = {Qt::Key_A};
            controller->sorting().actABCExecute(false);
            keys.keys.clear();
            EXPECT_EQ(PathKind(sorted + QStringLiteral("/b.jpg")), PathType::File);
            EXPECT_TRUE(title.caption.startsWith(QStringLiteral("Ruvela - 1/1 [a.jpg]  (20x10) * 1.00")))
                << title.caption.toStdString();
        } else {
            EXPECT_TRUE(state().FileList.empty());
            EXPECT_EQ(title.caption, kEmpty);
            EXPECT_FALSE(imageCommands);
            controller->ImgNext();
            controller->ImgBack();
            controller->SortMenuChosen(SortOrder::Size);
            EXPECT_EQ(title.caption, kEmpty);
        }
        // Told once: the folder opened now is watched and still there.
        QTest::qWait(100);
        EXPECT_EQ(prompts.asked.size(), 1u);
    }
}

// Files moved in and out by others or by the program, and a folder the program itself renames
// back by an undo, are no folder gone: the list stays as it is or follows the folder.
TEST_F(ListFolderTest, ChangesInsideAndTheProgramsOwnMovesAreNoFolderGone) {
    Show(view);
    Rename(view + QStringLiteral("/p2.jpg"), top + QStringLiteral("/p2.jpg"));
    pictures.write(QStringLiteral("top/mid/view/new.jpg"), Jpeg(30, 30));
    QTest::qWait(100);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(state().FileList.size(), 3u); // read before the change, and not read again
    EXPECT_EQ(state().CurrentFile, view + QStringLiteral("/p0.jpg"));

    const QString sorted = pictures.folder(QStringLiteral("sorted"));
    controller->state().SortingTable[0] = sorted;
    keys.keys = {Qt::Key_A};
    controller->sorting().actABCExecute(false);
    keys.keys.clear();
    ASSERT_EQ(PathKind(sorted + QStringLiteral("/p0.jpg")), PathType::File);
    EXPECT_EQ(state().FileList.size(), 2u);

    // The journal says "album" was renamed "view" in a batch: undoing the batch renames the
    // folder shown, and the list goes with it.
    const QString album = mid + QStringLiteral("/album");
    UndoJournal& journal = controller->journal();
    journal.undoWrite2(RecordKind::Label, QStringLiteral("一括"), QString());
    journal.undoWrite2(RecordKind::Renamed, album, view);
    journal.undoWrite2(RecordKind::Label, QStringLiteral("一括"), QString());
    prompts.answers = {MessageResult::Yes};
    controller->undo().mnuMoveUndoClick();
    ASSERT_EQ(PathKind(album), PathType::Folder);
    QTest::qWait(100);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("一括の1ファイルを\r\n一括アンドゥしますか？")});
    EXPECT_EQ(state().CurrentFolder, album);
    EXPECT_EQ(state().CurrentFile, album + QStringLiteral("/new.jpg"));

    // The folder followed is the one watched now.
    prompts.asked.clear();
    ASSERT_TRUE(QDir(album).removeRecursively());
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(prompts.asked[0].text, kGone + album);
    EXPECT_EQ(state().CurrentFolder, mid);
}

// The folder goes while the program waits: in a question, or while a picture is read. It is
// told only afterwards, and not at all once the program closes.
TEST_F(ListFolderTest, TheFolderGoneIsToldOnlyOnceTheProgramIsIdle) {
    Show(view);
    bool toldInQuestion = false;
    prompts.onAsk = [&] {
        prompts.onAsk = nullptr;
        Rename(mid, top + QStringLiteral("/mid-1"));
        QTest::qWait(200); // the question's own event loop
        toldInQuestion = prompts.asked.size() > 1;
    };
    controller->infoMes(QStringLiteral("お知らせ"), MessageIcon::Information);
    EXPECT_FALSE(toldInQuestion);
    ASSERT_TRUE(WaitForMessages(2));
    EXPECT_EQ(prompts.asked[1].text, kGone + view);
    EXPECT_EQ(state().CurrentFolder, top);

    options.PrefetchMemory = 0; // every step reads its file while the step waits
    Make();
    const QString big = pictures.folder(QStringLiteral("big"));
    for (const char* name : {"1.jpg", "2.jpg"}) {
        pictures.write(QStringLiteral("big/") + QString::fromLatin1(name), Jpeg(3000, 2000));
    }
    Show(big);
    prompts.asked.clear();
    bool readingWhenGone = false;
    bool readingWhenTold = true;
    prompts.onAsk = [&] { readingWhenTold = state().ShowBusy; };
    QTimer::singleShot(0, controller.get(), [&] {
        readingWhenGone = state().ShowBusy;
        Rename(big, pictures.file(QStringLiteral("big-1")));
        QTest::qWait(100);
    });
    controller->ImgNext();
    ASSERT_TRUE(readingWhenGone);
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_FALSE(readingWhenTold);
    EXPECT_EQ(prompts.asked[0].text, kGone + big);
    EXPECT_EQ(state().CurrentFolder, pictures.path());

    const QString last = pictures.folder(QStringLiteral("last"));
    pictures.write(QStringLiteral("last/x.jpg"), Jpeg(8, 8));
    Show(last);
    prompts.asked.clear();
    ASSERT_TRUE(QDir(last).removeRecursively());
    controller->ShutDown();
    QTest::qWait(200);
    EXPECT_TRUE(prompts.asked.empty()) << prompts.texts().join(u'|').toStdString();
}
