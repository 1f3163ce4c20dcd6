#include "core/common/PathText.h"
#include "unit/app/ControllerFixture.h"

#include <QDir>
#include <QSignalSpy>
#include <sys/stat.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

class FolderTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        controller->SetTreeFolderSource([this] { return treeFolder; });
    }

    FolderWorkflow& folders() { return controller->folders(); }
    QString Trashed(const QString& name) const {
        return data.file(QStringLiteral("share/Trash/files/") + name);
    }
    QStringList Subfolders(const QString& folder) const {
        return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }

    QString treeFolder;
};

TEST_F(FolderTest, CreateMakesEveryNameOfTheAnswerInTheShownFolder) {
    const QStringList files = Open(1);
    const QString base = FolderOf(files[0]);
    prompts.typed = {QStringLiteral("山/海 空")};
    folders().mnuFolderCreateClick();
    ASSERT_EQ(prompts.inputCaptions.size(), 1);
    EXPECT_EQ(
        prompts.inputCaptions[0],
        QStringLiteral("Ruvela - フォルダの作成|") + base + QStringLiteral("/") + kCrLf +
            QStringLiteral("に新しいフォルダを作成します") + kCrLf + kCrLf +
            QStringLiteral("フォルダ名を入力して下さい") + kCrLf + kCrLf +
            QStringLiteral("※半角スラッシュ/や半角スペース で区切る事で複数のフォルダを一括作成できます") +
            kCrLf + QStringLiteral("例）山/海　山と海の２つのフォルダを作成します") + kCrLf);
    EXPECT_EQ(Subfolders(base),
              (QStringList{QStringLiteral("山"), QStringLiteral("海"), QStringLiteral("空")}));
    EXPECT_TRUE(prompts.asked.empty());
}

TEST_F(FolderTest, CreateListsTheNamesItCouldNotMakeAndMakesTheRest) {
    const QString base = FolderOf(Open(1)[0]);
    pictures.folder(QStringLiteral("from/山"));
    prompts.typed = {QStringLiteral("山/海 .. 空")};
    folders().mnuFolderCreateClick();
    ASSERT_EQ(prompts.texts(), QStringList{QStringLiteral("以下のフォルダの作成に失敗しました") + kCrLf +
                                           QStringLiteral("山") + kCrLf + QStringLiteral("..") + kCrLf});
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(Subfolders(base).size(), 3);
}

TEST_F(FolderTest, CreateMakesAtMostSixtyFourFoldersAndNothingWhenCancelled) {
    const QString base = FolderOf(Open(1)[0]);
    prompts.typed = {QString()};
    folders().mnuFolderCreateClick();
    EXPECT_TRUE(Subfolders(base).isEmpty());

    QStringList names;
    for (int i = 0; i < 65; ++i) {
        names << QStringLiteral("f%1").arg(i, 2, 10, QLatin1Char('0'));
    }
    prompts.typed = {names.join(QLatin1Char(' '))};
    folders().mnuFolderCreateClick();
    const QStringList made = Subfolders(base);
    EXPECT_EQ(made.size(), 64);
    EXPECT_FALSE(made.contains(QStringLiteral("f64")));
}

TEST_F(FolderTest, CreateUsesTheTreesFolderWhenNoFolderIsShown) {
    treeFolder = pictures.folder(QStringLiteral("tree"));
    prompts.typed = {QStringLiteral("x")};
    folders().mnuFolderCreateClick();
    EXPECT_EQ(PathKind(treeFolder + QStringLiteral("/x")), PathType::Folder);
}

// A folder holding a marked file and bound to a key is renamed through the menu: the marks,
// the key and the list on screen follow it, and undo brings everything back.
TEST_F(FolderTest, RenameOfAFolderCarriesMarksAndKeysAndUndoesBack) {
    const QStringList files = Open(2);
    const QString folder = FolderOf(files[0]);
    controller->checks().Toggle(0);
    controller->state().SortingTable[5] = folder;
    treeFolder = folder;
    prompts.typed = {QStringLiteral("renamed")};
    folders().mnuFolderRenameClick();

    const QString renamed = pictures.file(QStringLiteral("renamed"));
    ASSERT_EQ(PathKind(renamed), PathType::Folder);
    EXPECT_EQ(PathKind(folder), PathType::None);
    EXPECT_EQ(prompts.inputCaptions, QStringList{QStringLiteral("フォルダ改名|") + folder + kCrLf + kCrLf +
                                                 QStringLiteral("のフォルダを改名します") + kCrLf +
                                                 QStringLiteral("新しいフォルダ名を入力して下さい")});
    EXPECT_EQ(controller->checks().lists().list(0), QStringList{renamed + QStringLiteral("/p0.jpg")});
    EXPECT_EQ(state().SortingTable[5], renamed);
    EXPECT_EQ(state().CurrentFolder, renamed);
    EXPECT_EQ(controller->journal().UndoPosition(), 1);

    controller->undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(folder), PathType::Folder);
    EXPECT_EQ(PathKind(renamed), PathType::None);
    EXPECT_EQ(controller->checks().lists().list(0), QStringList{files[0]});
    EXPECT_EQ(state().SortingTable[5], folder);
    EXPECT_EQ(state().CurrentFolder, folder);
}

TEST_F(FolderTest, RenameOfAFolderRefusesATakenName) {
    treeFolder = pictures.folder(QStringLiteral("a"));
    pictures.write(QStringLiteral("b"), "a file");
    prompts.typed = {QStringLiteral("b")};
    folders().mnuFolderRenameClick();
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("既に同名のフォルダ、またはファイルが存在しています")});
    EXPECT_EQ(PathKind(treeFolder), PathType::Folder);
    EXPECT_EQ(controller->journal().UndoPosition(), 0);
}

TEST_F(FolderTest, RenameOfTheShownFileKeepsItsExtensionAndPlaceAndAsksAgainOnAClash) {
    const QStringList files = Open(3);
    controller->ImgNext();
    ASSERT_EQ(state().CurrentFile, files[1]);
    pictures.write(QStringLiteral("from/taken.jpg"), "another file");
    prompts.typed = {QStringLiteral("taken"), QStringLiteral("free")};
    folders().popRenameClick();

    const QString renamed = pictures.file(QStringLiteral("from/free.jpg"));
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("同名のファイルが既に存在しています")});
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
    EXPECT_EQ(prompts.inputCaptions.size(), 2);
    EXPECT_EQ(PathKind(renamed), PathType::File);
    EXPECT_EQ(PathKind(files[1]), PathType::None);
    EXPECT_EQ(state().CurrentFile, renamed);
    EXPECT_EQ(state().CurrentIndex, 2);
    EXPECT_EQ(state().FileList[1].path, renamed);

    controller->undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(files[1]), PathType::File);
    EXPECT_EQ(PathKind(renamed), PathType::None);
}

TEST_F(FolderTest, RenameOfTheShownFileEndsOnAnEmptyOrUnchangedAnswer) {
    const QStringList files = Open(1);
    for (const QString& answer : {QString(), QStringLiteral(""), QStringLiteral("p0")}) {
        prompts.typed = {answer};
        folders().popRenameClick();
    }
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(controller->journal().UndoPosition(), 0);
}

TEST_F(FolderTest, DeleteSendsTheShownFileToTheTrashAfterTheQuestion) {
    const QStringList files = Open(2);
    prompts.answers = {MessageResult::No, MessageResult::Yes};
    folders().popDeleteClick();
    EXPECT_EQ(PathKind(files[0]), PathType::File);

    folders().popDeleteClick();
    EXPECT_EQ(prompts.texts().last(), QStringLiteral("表示中のファイルp0.jpgをごみ箱に削除します") + kCrLf +
                                          QStringLiteral("よろしいですか？"));
    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(PathKind(Trashed(QStringLiteral("p0.jpg"))), PathType::File);
    EXPECT_EQ(state().FileList.size(), 1u);
    EXPECT_EQ(state().CurrentFile, files[1]);
    EXPECT_TRUE(title.caption.endsWith(QStringLiteral("   { to ごみ箱 }"))) << title.caption.toStdString();
}

TEST_F(FolderTest, DroppingAFolderOnAFolderMovesItAndUndoMovesItBack) {
    const QStringList files = Open(1);
    const QString folder = FolderOf(files[0]);
    controller->checks().Toggle(0);
    const QString target = pictures.folder(QStringLiteral("into"));
    prompts.answers = {MessageResult::Yes};
    folders().TreeViewDragDropFolder(folder, target);

    const QString moved = target + QStringLiteral("/from");
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("フォルダ [ from ] を") + kCrLf + target + kCrLf +
                                           QStringLiteral("に移動させますか？")});
    ASSERT_EQ(PathKind(moved + QStringLiteral("/p0.jpg")), PathType::File);
    EXPECT_EQ(controller->checks().lists().list(0), QStringList{moved + QStringLiteral("/p0.jpg")});
    EXPECT_EQ(state().CurrentFolder, moved);
    EXPECT_EQ(UndoJournal::Parse(controller->journal().UndoData()[0]).kind, RecordKind::FolderMoved);

    prompts.answers = {MessageResult::Yes};
    controller->undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(files[0]), PathType::File);
    EXPECT_EQ(controller->checks().lists().list(0), QStringList{files[0]});
}

// To another volume the folder is copied on a worker while the window waits with the
// interface locked; undo carries it back the same way.
TEST_F(FolderTest, AFolderMovesToAnotherVolumeAndBack) {
    if (StatPath(QStringLiteral("/dev/shm")).device == StatPath(pictures.path()).device) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    TempFolder other(QStringLiteral("/dev/shm"));
    const QStringList files = Open(2);
    const QString folder = FolderOf(files[0]);
    QList<bool> locks;
    QObject::connect(&controller->batch(), &TransferBatch::interfaceLocked, [&](bool on) { locks << on; });
    prompts.answers = {MessageResult::Yes};
    folders().TreeViewDragDropFolder(folder, other.path());

    const QString moved = other.path() + QStringLiteral("/from");
    EXPECT_EQ(prompts.texts().size(), 1) << prompts.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(PathKind(moved + QStringLiteral("/p1.jpg")), PathType::File);
    EXPECT_EQ(PathKind(folder), PathType::None);
    EXPECT_EQ(locks, (QList<bool>{true, false}));
    EXPECT_EQ(state().CurrentFolder, moved);

    prompts.answers = {MessageResult::Yes};
    controller->undo().mnuMoveUndoClick();
    EXPECT_EQ(PathKind(files[1]), PathType::File);
    EXPECT_EQ(PathKind(moved), PathType::None);
}

// A move the file system refuses says why under the message, and nothing is journaled.
TEST_F(FolderTest, AFailedFolderMoveTellsTheReason) {
    if (StatPath(QStringLiteral("/dev/shm")).device == StatPath(pictures.path()).device) {
        GTEST_SKIP() << "/dev/shm and the temporary folder are on one file system here";
    }
    TempFolder other(QStringLiteral("/dev/shm"));
    const QString folder = pictures.folder(QStringLiteral("with-pipe"));
    ASSERT_EQ(::mkfifo(NativePath(folder + QStringLiteral("/pipe")).constData(), 0600), 0);
    prompts.answers = {MessageResult::Yes};
    folders().TreeViewDragDropFolder(folder, other.path());
    ASSERT_EQ(prompts.texts().size(), 2);
    EXPECT_TRUE(prompts.texts()[1].startsWith(QStringLiteral("フォルダの移動に失敗しました") + kCrLf))
        << prompts.texts()[1].toStdString();
    EXPECT_GT(prompts.texts()[1].size(), QStringLiteral("フォルダの移動に失敗しました").size() + 2);
    EXPECT_EQ(prompts.asked[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(PathKind(folder), PathType::Folder);
    EXPECT_EQ(controller->journal().UndoPosition(), 0);
}

TEST_F(FolderTest, AFolderDropThatIsRefusedOrDeclinedChangesNothing) {
    const QString a = pictures.folder(QStringLiteral("a"));
    const QString child = pictures.folder(QStringLiteral("a/b"));
    folders().TreeViewDragDropFolder(a, child);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("同列の下位フォルダには移動できません")});
    prompts.answers = {MessageResult::No};
    const QString other = pictures.folder(QStringLiteral("c"));
    folders().TreeViewDragDropFolder(child, other);
    EXPECT_EQ(PathKind(child), PathType::Folder);
    EXPECT_EQ(controller->journal().UndoPosition(), 0);
}

TEST_F(FolderTest, DroppingThePictureOnAFolderSortsTheShownFile) {
    const QStringList files = Open(2);
    const QString target = pictures.folder(QStringLiteral("into"));
    folders().TreeViewDragDropPicture(target, false, false);
    EXPECT_EQ(PathKind(target + QStringLiteral("/p0.jpg")), PathType::File);
    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(state().LastChosenFolder, target);
    EXPECT_EQ(state().CurrentFile, files[1]);

    // Ctrl turns the move into a copy.
    keys.ctrl = true;
    folders().TreeViewDragDropPicture(target, false, false);
    EXPECT_EQ(PathKind(target + QStringLiteral("/p1.jpg")), PathType::File);
    EXPECT_EQ(PathKind(files[1]), PathType::File);
}

TEST_F(FolderTest, DroppingThePictureWithShiftSortsTheSelectedRangeAfterOneQuestion) {
    const QStringList files = Open(3);
    controller->SelectAll();
    const QString target = pictures.folder(QStringLiteral("into"));
    prompts.answers = {MessageResult::Yes};
    folders().TreeViewDragDropPicture(target, false, true);
    // The question, then the batch's own summary.
    ASSERT_EQ(prompts.texts().size(), 2);
    EXPECT_EQ(prompts.texts()[0], QStringLiteral("表示中の3個のファイルを") + kCrLf + target + kCrLf +
                                      QStringLiteral("に移動します") + kCrLf + kCrLf +
                                      QStringLiteral("よろしいですか？"));
    for (const QString& file : files) {
        EXPECT_EQ(PathKind(target + QLatin1Char('/') + FileNameOf(file)), PathType::File);
    }
    EXPECT_EQ(state().LastChosenFolder, target);
    EXPECT_EQ(UndoJournal::Parse(controller->journal().UndoData()[0]).a, target + QStringLiteral("への移動"));
}

TEST_F(FolderTest, DroppingThePictureOnTheTrashDeletesItAndOnAMissingFolderSaysSo) {
    const QStringList files = Open(2);
    const QString missing = pictures.file(QStringLiteral("gone"));
    folders().TreeViewDragDropPicture(missing, false, false);
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("> ") + missing + kCrLf + QStringLiteral("フォルダが存在しません")});
    prompts.answers = {MessageResult::Yes};
    folders().TreeViewDragDropPicture(QStringLiteral("ごみ箱"), true, false);
    EXPECT_EQ(PathKind(files[0]), PathType::None);
    EXPECT_EQ(PathKind(Trashed(QStringLiteral("p0.jpg"))), PathType::File);
}

TEST_F(FolderTest, DeletingTheShownFoldersParentFromTheTreeOpensItsNextSibling) {
    const QString shown = pictures.folder(QStringLiteral("a/inner"));
    pictures.write(QStringLiteral("a/inner/p.jpg"), Jpeg(8, 8));
    const QString next = pictures.folder(QStringLiteral("b"));
    controller->ViewFolder(shown, true);
    const QSignalSpy changed(&folders(), &FolderWorkflow::foldersChanged);
    prompts.answers = {MessageResult::Yes};
    folders().DeleteTreeFolder(pictures.file(QStringLiteral("a")));
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("選択されたフォルダ") + kCrLf + pictures.file(QStringLiteral("a")) +
                          kCrLf + QStringLiteral("を、下位フォルダも含めて削除します") + kCrLf +
                          QStringLiteral("よろしいですか？")});
    EXPECT_EQ(PathKind(Trashed(QStringLiteral("a")) + QStringLiteral("/inner/p.jpg")), PathType::File);
    EXPECT_EQ(state().CurrentFolder, next);
    EXPECT_EQ(changed.count(), 1);
    // The folder watch of the list that went away must not speak up.
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.texts().size(), 1);
}

} // namespace
