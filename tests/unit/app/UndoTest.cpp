#include "core/common/PathText.h"
#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <utime.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

class UndoTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        options.sndPlay = true;
        options.sndUndo = data.write(QStringLiteral("undo.wav"), "RIFF");
        Make();
        to = pictures.folder(QStringLiteral("to"));
    }

    // Moves the shown file with a sorting key bound to "to".
    void SortShown() {
        controller->state().SortingTable[0] = to;
        keys.keys = {Qt::Key_A};
        controller->sorting().actABCExecute(false);
    }

    SortingWorkflow& sorting() { return controller->sorting(); }
    UndoWorkflow& undo() { return controller->undo(); }
    int position() const { return controller->journal().UndoPosition(); }

    QString to;
};

TEST_F(UndoTest, NothingToUndoOrRedoAtStart) {
    Open(1);
    undo().mnuMoveUndoClick();
    undo().mnuMoveRedoClick();
    EXPECT_EQ(position(), 0);
    EXPECT_TRUE(sounds.played.isEmpty());
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(UndoTest, UndoBringsTheFileBackAndShowsItAndRedoMovesItAgain) {
    const QStringList files = Open(3);
    SortShown();
    ASSERT_EQ(PathKind(files[0]), PathType::None);
    ASSERT_EQ(state().SortCount, 1);

    undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(state().CurrentFile, files[0]);
    EXPECT_EQ(state().SortCount, 0);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(sounds.played.last(), options.sndUndo);

    undo().mnuMoveRedoClick();
    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(state().CurrentFile, to + QStringLiteral("/p0.jpg"));
    EXPECT_EQ(state().CurrentFolder, to);
    EXPECT_EQ(state().SortCount, 1);
    EXPECT_EQ(position(), 1);
    EXPECT_FALSE(state().SortBusy);
}

// A file sorted out of an opened check list comes back in its folder: the title names that
// folder, not the list.
TEST_F(UndoTest, UndoFromAnOpenedListShowsTheFolderUnderItsOwnName) {
    const QStringList files = Open(2);
    controller->OpenList({files[0], files[1]}, QStringLiteral("汎用"));
    ASSERT_EQ(title.taskTitle, QStringLiteral("Ruvela - [汎用]"));
    SortShown();
    undo().mnuMoveUndoClick();
    EXPECT_EQ(state().CurrentFile, files[0]);
    EXPECT_EQ(title.taskTitle, QStringLiteral("Ruvela - [") + FolderOf(files[0]) + QLatin1Char(']'));
}

TEST_F(UndoTest, PathsHoldingGreaterThanSignsGoBackAndForth) {
    const QString picture = pictures.write(QStringLiteral("from>here/x>y.jpg"), Jpeg(8, 8));
    controller->ViewFolder(FolderOf(picture), true);
    to = pictures.folder(QStringLiteral("to>there"));
    SortShown();
    const QString moved = to + QStringLiteral("/x>y.jpg");
    ASSERT_EQ(PathKind(moved), PathType::File);

    undo().mnuMoveUndoClick();
    EXPECT_TRUE(prompts.asked.empty()) << prompts.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(PathKind(picture), PathType::File);
    EXPECT_EQ(PathKind(moved), PathType::None);
    EXPECT_EQ(state().CurrentFile, picture);

    undo().mnuMoveRedoClick();
    EXPECT_EQ(PathKind(picture), PathType::None);
    EXPECT_EQ(PathKind(moved), PathType::File);
    EXPECT_EQ(state().CurrentFile, moved);
    EXPECT_EQ(position(), 1);
}

TEST_F(UndoTest, AnUndoStepTheFileSystemRefusesSaysSoAndKeepsItsRecord) {
    // A copy on a tmpfs cannot go to the Trash, so its undo fails.
    if (PathKind(QStringLiteral("/dev/shm")) != PathType::Folder) {
        GTEST_SKIP() << "no /dev/shm on this machine";
    }
    QTemporaryDir shm(QStringLiteral("/dev/shm/ruvela-test-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QStringList files = Open(2);
    sorting().FileFuriwake(files[0], shm.path(), 1);
    const QString copy = shm.path() + QStringLiteral("/p0.jpg");
    ASSERT_EQ(PathKind(copy), PathType::File);
    ASSERT_EQ(position(), 1);

    undo().mnuMoveUndoClick();

    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_TRUE(
        prompts.texts()[0].startsWith(QStringLiteral("アンドゥできませんでした") + kCrLf + copy + kCrLf))
        << prompts.texts()[0].toStdString();
    EXPECT_EQ(PathKind(copy), PathType::File);
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(position(), 1); // the record is still there, to be tried again
    EXPECT_FALSE(state().SortBusy);
}

TEST_F(UndoTest, TheUndoCommandInTheSortingTableUndoes) {
    const QStringList files = Open(3);
    SortShown();
    ASSERT_EQ(PathKind(files[0]), PathType::None);
    controller->state().SortingTable[1] = QStringLiteral("移動のアンドゥ");
    keys.keys = {Qt::Key_B};
    sorting().actABCExecute(false);
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(position(), 0);
}

TEST_F(UndoTest, UndoOfACopySendsTheCopyToTheTrashAndKeepsTheSource) {
    const QStringList files = Open(2);
    sorting().FileFuriwake(files[0], to, 1);
    undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(to + QStringLiteral("/p0.jpg")), PathType::None);
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(QDir(data.file(QStringLiteral("share/Trash/files"))).entryList(QDir::Files),
              QStringList{QStringLiteral("p0.jpg")});
    EXPECT_EQ(state().SortCount, 0);
}

TEST_F(UndoTest, ANewMoveAfterUndosCutsOffRedo) {
    Open(3);
    SortShown();
    SortShown();
    undo().mnuMoveUndoClick();
    undo().mnuMoveUndoClick();
    ASSERT_EQ(position(), 0);
    SortShown();
    const QStringList before = controller->journal().UndoData();
    undo().mnuMoveRedoClick();
    EXPECT_EQ(position(), 1);
    EXPECT_EQ(controller->journal().UndoData(), before);
    EXPECT_EQ(QDir(to).entryList(QDir::Files), QStringList{QStringLiteral("p0.jpg")});
}

// Each refusal is told and steps over its record: the next undo takes the one before.
TEST_F(UndoTest, RefusedUndosAreToldAndSteppedOver) {
    struct Case {
        const char* message;
        std::function<void(const QString& source, const QString& target)> spoil;
    };
    const std::vector<Case> cases{
        {"アンドゥするファイルが見つかりません",
         [](const QString&, const QString& target) { QFile::remove(target); }},
        {"アンドゥ先のフォルダが見つかりません",
         [](const QString& source, const QString&) { QDir(FolderOf(source)).removeRecursively(); }},
        {"アンドゥ先に同名のファイルが存在しています",
         [](const QString& source, const QString&) {
             QFile file(source);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("someone else");
         }},
        // The picture at the recorded place was replaced by another one of the same name.
        {"アンドゥするファイルは移動の後に変更されています",
         [](const QString&, const QString& target) {
             QFile file(target);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
             file.write("edited");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        Make();
        QDir(to).removeRecursively();
        QDir(pictures.file(QStringLiteral("from"))).removeRecursively();
        to = pictures.folder(QStringLiteral("to"));
        const QStringList files = Open(2);
        SortShown(); // p0 → to: record 0
        SortShown(); // p1 → to: record 1
        const QString first = to + QStringLiteral("/p0.jpg");
        const QString second = to + QStringLiteral("/p1.jpg");
        c.spoil(files[1], second);
        const QByteArray spoiled = ReadFileHead(second, 1 << 20);
        prompts.asked.clear();

        undo().mnuMoveUndoClick();
        EXPECT_EQ(prompts.texts().value(0).section(kCrLf, 0, 0), QString::fromUtf8(c.message));
        EXPECT_EQ(position(), 1);
        EXPECT_EQ(ReadFileHead(second, 1 << 20), spoiled); // nothing was carried away
        if (PathKind(FolderOf(files[1])) == PathType::Folder) {
            undo().mnuMoveUndoClick(); // the earlier record still undoes
            EXPECT_EQ(PathKind(files[0]), PathType::File);
            EXPECT_EQ(PathKind(first), PathType::None);
            EXPECT_EQ(position(), 0);
        }
    }
}

TEST_F(UndoTest, RefusedRedosAreToldAndSteppedOver) {
    const QStringList files = Open(2);
    SortShown();
    undo().mnuMoveUndoClick();
    ASSERT_EQ(PathKind(files[0]), PathType::File);
    // Another file took the name at the destination meanwhile.
    pictures.write(QStringLiteral("to/p0.jpg"), "another");
    prompts.asked.clear();

    undo().mnuMoveRedoClick();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("リドゥ先に同名のファイルが存在しています")});
    EXPECT_EQ(position(), 1);
    EXPECT_EQ(ReadFileHead(to + QStringLiteral("/p0.jpg"), 100), "another");
    EXPECT_EQ(PathKind(files[0]), PathType::File);
}

TEST_F(UndoTest, ABatchOfTenIsUndoneAndRedoneAfterOneQuestion) {
    QStringList files;
    for (int i = 0; i < 10; ++i) {
        files << pictures.write(QStringLiteral("from/p%1.jpg").arg(i), Jpeg(8, 8));
    }
    controller->ViewFolder(FolderOf(files[0]), true);
    ASSERT_EQ(controller->batch().ListOperation2(files, to, QStringLiteral("汎用"), TransferOp::Move,
                                                 TransferBatch::Feedback::Shown),
              10);
    ASSERT_EQ(position(), 12);
    prompts.asked.clear();
    QSignalSpy titles(&controller->batch(), &TransferBatch::progressTitle);

    prompts.answers = {MessageResult::No};
    undo().mnuMoveUndoClick();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("汎用の10ファイルを") + kCrLf +
                                           QStringLiteral("一括アンドゥしますか？")});
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Question);
    EXPECT_EQ(position(), 12);
    EXPECT_EQ(QDir(to).entryList(QDir::Files).size(), 10);

    prompts.answers = {MessageResult::Yes};
    undo().mnuMoveUndoClick();
    EXPECT_EQ(position(), 0);
    for (const QString& file : files) {
        EXPECT_EQ(PathKind(file), PathType::File) << file.toStdString();
    }
    EXPECT_EQ(titles.count(), 11);
    EXPECT_EQ(titles[0][0].toString(), QStringLiteral("アンドゥ中 1/10 : "));
    EXPECT_EQ(state().SortCount, 0);
    EXPECT_EQ(state().CurrentFolder, FolderOf(files[0]));

    prompts.asked.clear();
    prompts.answers = {MessageResult::Yes};
    undo().mnuMoveRedoClick();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("汎用 の10ファイルを") + kCrLf +
                                           QStringLiteral("一括リドゥしますか？")});
    EXPECT_EQ(position(), 12);
    EXPECT_EQ(QDir(to).entryList(QDir::Files).size(), 10);
    EXPECT_EQ(state().SortCount, 10);
}

TEST_F(UndoTest, RenamesAndFolderMovesGoBackAndForth) {
    Open(1);
    const QString old = pictures.write(QStringLiteral("r/old.jpg"), "x");
    const QString renamed = pictures.file(QStringLiteral("r/new.jpg"));
    ASSERT_TRUE(controller->batch().taFileOperation(old, renamed, TransferOp::Rename));
    controller->journal().undoWrite2(RecordKind::Renamed, old, renamed);
    const QString folder = pictures.folder(QStringLiteral("r/album"));
    const QString folderRenamed = pictures.file(QStringLiteral("r/album2"));
    ASSERT_TRUE(controller->batch().taFileOperation(folder, folderRenamed, TransferOp::Rename));
    controller->journal().undoWrite2(RecordKind::Renamed, folder, folderRenamed);
    const QString parent = pictures.folder(QStringLiteral("r/parent"));
    ASSERT_TRUE(controller->batch().taFileOperation(folderRenamed, parent + QStringLiteral("/album2"),
                                                    TransferOp::Move));
    controller->journal().undoWrite2(RecordKind::FolderMoved, folderRenamed, parent);
    QSignalSpy folders(&controller->batch(), &TransferBatch::folderMoved);

    prompts.answers = {MessageResult::No};
    undo().mnuMoveUndoClick(); // the folder move asks first
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("album2のフォルダ移動を") + kCrLf +
                                           QStringLiteral("アンドゥしますか？")});
    EXPECT_EQ(position(), 3);
    prompts.answers = {MessageResult::Yes};
    undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(folderRenamed), PathType::Folder);
    undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(folder), PathType::Folder);
    undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(old), PathType::File);
    EXPECT_EQ(PathKind(renamed), PathType::None);
    EXPECT_EQ(position(), 0);
    EXPECT_EQ(folders.count(), 2);

    prompts.answers = {MessageResult::Yes};
    for (int i = 0; i < 3; ++i) {
        undo().mnuMoveRedoClick();
    }
    EXPECT_EQ(PathKind(renamed), PathType::File);
    EXPECT_EQ(PathKind(parent + QStringLiteral("/album2")), PathType::Folder);
    EXPECT_EQ(state().CurrentFolder, parent + QStringLiteral("/album2"));

    // A name taken meanwhile stops the undo of the file's rename and keeps both files.
    prompts.answers = {MessageResult::Yes};
    undo().mnuMoveUndoClick();
    undo().mnuMoveUndoClick();
    pictures.write(QStringLiteral("r/old.jpg"), "y");
    prompts.asked.clear();
    undo().mnuMoveUndoClick();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("既に同名のファイルが存在しています")});
    EXPECT_EQ(ReadFileHead(old, 10), "y");
    EXPECT_EQ(ReadFileHead(renamed, 10), "x");
    EXPECT_EQ(position(), 0);
}

} // namespace
