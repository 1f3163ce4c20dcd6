#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "core/sorting/SortingTable.h"
#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

class CheckListTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        options.sndPlay = true;
        options.sndCheckOn = data.write(QStringLiteral("on.wav"), "RIFF");
        options.sndCheckOff = data.write(QStringLiteral("off.wav"), "RIFF");
        Make();
    }

    CheckListWorkflow& checks() { return controller->checks(); }
    const QStringList& list(int n) { return checks().lists().list(n); }
};

TEST_F(CheckListTest, AKeyMarksAndUnmarksTheShownFileAndTheCaptionSaysSo) {
    const QStringList files = Open(2);
    checks().Toggle(0);
    EXPECT_EQ(list(0), QStringList{files[0]});
    EXPECT_EQ(sounds.played.last(), options.sndCheckOn);
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("  :  汎用[1]"))) << title.caption.toStdString();
    checks().Toggle(3);
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("  :  汎用[1]  :  削除候補[1]")));

    checks().Toggle(0);
    EXPECT_TRUE(list(0).isEmpty());
    EXPECT_EQ(sounds.played.last(), options.sndCheckOff);
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("  :  削除候補[1]")));

    checks().UnmarkEverywhere();
    EXPECT_TRUE(list(3).isEmpty());
    EXPECT_EQ(state().CurrentFile, files[0]);
}

TEST_F(CheckListTest, ShiftInvertsTheMarksOverTheSelectedRange) {
    const QStringList files = Open(4);
    checks().Toggle(1); // p0 marked
    controller->SelectAll();
    keys.shift = true;
    checks().Toggle(1);
    EXPECT_EQ(list(1), (QStringList{files[1], files[2], files[3]}));
}

TEST_F(CheckListTest, TheListsFollowMovesAndDeletesAndFolderRenames) {
    const QStringList files = Open(3);
    checks().Toggle(0);
    checks().Toggle(2);
    const QString best = pictures.folder(QStringLiteral("best"));
    controller->state().SortingTable[0] = best;
    keys.keys = {Qt::Key_A};
    controller->sorting().actABCExecute(false); // p0 moves with its marks
    EXPECT_EQ(list(0), QStringList{best + QStringLiteral("/p0.jpg")});
    EXPECT_EQ(list(2), QStringList{best + QStringLiteral("/p0.jpg")});

    controller->batch().ListOperation2({best + QStringLiteral("/p0.jpg")}, QString(), QString(),
                                       TransferOp::Delete, TransferBatch::Feedback::Quiet);
    EXPECT_TRUE(list(0).isEmpty());
    // A file no list holds changes no list.
    QSignalSpy changes(&checks(), &CheckListWorkflow::listsChanged);
    controller->batch().ListOperation2({files[2]}, best, QString(), TransferOp::Copy,
                                       TransferBatch::Feedback::Quiet);
    EXPECT_EQ(changes.count(), 0);

    // A folder renamed: the lists and the sorting table follow it.
    checks().Toggle(0); // p1 is shown now
    const QString from = FolderOf(files[1]);
    controller->state().SortingTable[1] = QStringLiteral("$COPY=") + from + QStringLiteral("/sub");
    ASSERT_TRUE(controller->batch().taFileOperation(from, from + QStringLiteral("2"), TransferOp::Rename));
    controller->batch().ListFolderReplace(from, from + QStringLiteral("2"));
    EXPECT_EQ(list(0), QStringList{from + QStringLiteral("2/p1.jpg")});
    EXPECT_EQ(state().SortingTable[1], QStringLiteral("$COPY=") + from + QStringLiteral("2/sub"));
    EXPECT_TRUE(state().SortingTableChanged);
}

TEST_F(CheckListTest, TheListsFollowTheRenameToTheRightExtension) {
    const QString wrong = pictures.write(QStringLiteral("x.jpg"), Png(40, 20));
    prompts.answers = {MessageResult::No};
    controller->ViewFolder(pictures.path(), true);
    checks().Toggle(2);
    ASSERT_EQ(list(2), QStringList{wrong});

    prompts.answers = {MessageResult::Yes};
    controller->Refresh(pictures.path());
    const QString right = pictures.file(QStringLiteral("x.png"));
    ASSERT_EQ(state().CurrentFile, right);
    EXPECT_EQ(list(2), QStringList{right});
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("  :  SNS[1]"))) << title.caption.toStdString();
}

TEST_F(CheckListTest, CopyAndMoveRunOneLabelledBatchIntoTheChosenFolder) {
    const QStringList files = Open(3);
    checks().Toggle(4);
    controller->ImgNext();
    checks().Toggle(4);
    const QString target = pictures.folder(QStringLiteral("target"));
    prompts.chosenFolders = {target};

    checks().CopyList(4);
    EXPECT_EQ(prompts.folderCaptions,
              QStringList{QStringLiteral("ファイル数 : 2") + kCrLf +
                          QStringLiteral("コピー先のフォルダを選択して下さい|") + FolderOf(files[0])});
    EXPECT_TRUE(QFile::exists(target + QStringLiteral("/p0.jpg")));
    EXPECT_TRUE(QFile::exists(files[0]));
    EXPECT_EQ(controller->journal().UndoData().first(),
              UndoJournal::Record(RecordKind::Label, QStringLiteral("保留"), QString()));
    EXPECT_EQ(controller->options().ListFolder[4], target);
    EXPECT_EQ(prompts.texts().last(), QStringLiteral("2個のファイルをコピーしました"));

    // A move with "SwListClear": the list follows, then is cleared after its question.
    controller->options().SwListClear = true;
    const QString moved = pictures.folder(QStringLiteral("moved"));
    prompts.chosenFolders = {moved};
    prompts.answers = {MessageResult::Ok, MessageResult::Yes};
    checks().MoveList(4);
    EXPECT_EQ(prompts.folderCaptions.last().section(QLatin1Char('|'), 1), target); // the list's last folder
    EXPECT_TRUE(QFile::exists(moved + QStringLiteral("/p1.jpg")));
    EXPECT_EQ(prompts.texts().last(),
              QStringLiteral("保留のリストを消去します") + kCrLf + QStringLiteral("よろしいですか？"));
    EXPECT_TRUE(list(4).isEmpty());
}

TEST_F(CheckListTest, AListOpensAsTheCurrentListUnderItsName) {
    const QStringList files = Open(3);
    controller->ImgNext();
    checks().Toggle(5);
    controller->JumpEnd();
    checks().Toggle(5);
    checks().OpenList(5);
    ASSERT_EQ(state().FileList.size(), 2u);
    EXPECT_EQ(state().CurrentFile, files[1]);
    EXPECT_EQ(title.taskTitle, QStringLiteral("Ruvela - [お気に入り]"));
}

TEST_F(CheckListTest, ChangedListsAreWrittenAtExitAndAnEmptiedOneLosesItsFile) {
    const QStringList files = Open(2);
    data.write(QStringLiteral("SaveData/List_B.lst"), (files[1] + QStringLiteral("\r\n")).toUtf8());
    data.write(QStringLiteral("SaveData/List_C.lst"), (files[0] + QStringLiteral("\r\n")).toUtf8());
    Make();
    controller->ViewFolder(FolderOf(files[0]), true);
    EXPECT_EQ(list(1), QStringList{files[1]});
    checks().Toggle(0);
    prompts.answers = {MessageResult::Yes};
    checks().ClearList(2);
    EXPECT_EQ(prompts.texts().last(),
              QStringLiteral("SNSのリストを消去します") + kCrLf + QStringLiteral("よろしいですか？"));
    ASSERT_TRUE(checks().SaveLists());
    EXPECT_EQ(ReadFileHead(data.file(QStringLiteral("SaveData/List_A.lst")), 4096),
              (files[0] + kCrLf).toUtf8());
    EXPECT_FALSE(QFile::exists(data.file(QStringLiteral("SaveData/List_C.lst"))));
    EXPECT_TRUE(QFile::exists(data.file(QStringLiteral("SaveData/List_B.lst"))));
}

} // namespace

namespace {

// Marks and a table loaded from a file reach the disk soon after the change, before any exit:
// a crash or a kill then loses none of them. What was written is not written again at exit.
TEST_F(CheckListTest, ChangesAreWrittenSoonWithoutWaitingForTheExit) {
    const QStringList files = Open(2);
    const QString listFile = data.file(QStringLiteral("SaveData/List_A.lst"));
    const QString tableFile = data.file(QStringLiteral("SaveData/MoveTo.txt"));
    const QString ktb = data.write(QStringLiteral("mine.ktb"), QByteArrayLiteral("/here\r\n/there\r\n"));
    checks().Toggle(0);
    ASSERT_TRUE(controller->sorting().LoadTableFile(ktb));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(listFile) && QFile::exists(tableFile); }, 3000));
    EXPECT_EQ(ReadFileHead(listFile, 4096), (files[0] + kCrLf).toUtf8());
    EXPECT_TRUE(ReadFileHead(tableFile, 4096).startsWith("/here\r\n/there\r\n"));

    // A later change follows; the exit finds nothing left to write.
    checks().Toggle(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(listFile); }, 3000));
    EXPECT_FALSE(checks().lists().changed(0));
    EXPECT_FALSE(state().SortingTableChanged);
}

} // namespace

namespace {

// A list or a table too large to be the program's own is told at start, set aside and never
// written over; the program goes on with an empty one.
TEST_F(CheckListTest, ListsAndTablesThatCannotBeReadAreToldAndSetAside) {
    const QString listFile = data.write(QStringLiteral("SaveData/List_C.lst"), "/p/a.jpg\r\n");
    const QString tableFile = data.write(QStringLiteral("SaveData/MoveTo.txt"), "/p\r\n");
    for (const QString& file : {listFile, tableFile}) {
        ASSERT_EQ(::truncate(NativePath(file).constData(), kMaxTextFileBytes + 1), 0);
    }
    prompts.asked.clear();
    Make();
    EXPECT_EQ(
        prompts.texts(),
        (QStringList{QStringLiteral("ファイル移動先リスト「MoveTo.txt」は大きすぎて（64MB超）読み取れないため"
                                    "「MoveTo.txt.bad」に退避しました"),
                     QStringLiteral("チェックリスト「List_C.lst」は大きすぎて（64MB超）読み取れないため"
                                    "「List_C.lst.bad」に退避しました")}));
    EXPECT_TRUE(list(2).isEmpty());
    EXPECT_EQ(state().SortingTable, QStringList(SortingKeys::kTableSize));

    const QStringList files = Open(1);
    checks().Toggle(2);
    ASSERT_TRUE(controller->sorting().LoadTableFile(data.write(QStringLiteral("t.ktb"), "/t\r\n")));
    controller->SaveWork();
    EXPECT_EQ(ReadFileHead(listFile, 4096), (files[0] + kCrLf).toUtf8());
    EXPECT_TRUE(ReadFileHead(tableFile, 4096).startsWith("/t\r\n"));
    for (const QString& file : {listFile, tableFile}) {
        EXPECT_EQ(StatPath(file + QStringLiteral(".bad")).size, kMaxTextFileBytes + 1);
    }
}

} // namespace
