#include "ControllerFixture.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/sorting/ConflictFacts.h"

#include <QDir>
#include <QSignalSpy>
#include <deque>
#include <functional>
#include <unistd.h>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The user's answers to the conflict dialog, given in advance; every question is recorded.
class ScriptedConflicts : public ConflictDialog {
public:
    std::deque<ConflictReply> replies;
    std::vector<ConflictQuestion> asked;
    std::function<void()> onAsk; // what happens while the dialog is open

    ConflictReply Execute(const ConflictQuestion& question) override {
        asked.push_back(question);
        if (onAsk) {
            onAsk();
        }
        if (replies.empty()) {
            return {ConflictAnswer::Stop, {}};
        }
        const ConflictReply reply = replies.front();
        replies.pop_front();
        return reply;
    }
};

QByteArray Contents(const QString& path) {
    return ReadFileHead(path, 1 << 20);
}

class TransferBatchTest : public ControllerTest {
protected:
    void SetUp() override {
        ControllerTest::SetUp();
        batch().SetConflictDialog(&conflicts);
        from = pictures.folder(QStringLiteral("from"));
        to = pictures.folder(QStringLiteral("to"));
    }

    TransferBatch& batch() { return controller->batch(); }

    // Files named `names` in `folder`, each holding its own name followed by `tag`.
    QStringList Files(const QString& folder, const QStringList& names, const QByteArray& tag = "source") {
        QStringList paths;
        for (const QString& name : names) {
            paths << pictures.write(FileNameOf(folder) + QLatin1Char('/') + name, name.toUtf8() + tag);
        }
        return paths;
    }

    QStringList Trashed() const {
        return QDir(data.file(QStringLiteral("share/Trash/files"))).entryList(QDir::Files, QDir::Name);
    }

    QStringList Journal() const { return controller->journal().UndoData(); }

    ScriptedConflicts conflicts;
    QString from;
    QString to;
};

TEST_F(TransferBatchTest, AMissingDestinationIsReportedAndNothingHappens) {
    const QStringList files = Files(from, {QStringLiteral("a.jpg")});
    QSignalSpy locks(&batch(), &TransferBatch::interfaceLocked);
    const QString missing = pictures.file(QStringLiteral("gone"));

    EXPECT_EQ(batch().ListOperation2(files, missing, QStringLiteral("gone"), TransferOp::Copy,
                                     TransferBatch::Feedback::Shown),
              0);

    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("コピー先のフォルダが見つかりません") + kCrLf +
                                           missing + kCrLf + QStringLiteral("コピー処理を中止します")});
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
    EXPECT_EQ(locks.count(), 0);
    EXPECT_EQ(controller->journal().UndoPosition(), 0);
    EXPECT_TRUE(PathKind(files[0]) == PathType::File);
}

TEST_F(TransferBatchTest, AMoveBatchMovesJournalsCountsAndShowsItsProgress) {
    const QStringList files =
        Files(from, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")});
    QSignalSpy locks(&batch(), &TransferBatch::interfaceLocked);
    QSignalSpy titles(&batch(), &TransferBatch::progressTitle);
    QSignalSpy moved(&batch(), &TransferBatch::fileMoved);
    bool lockedDuringQuestion = false;
    prompts.onAsk = [&] { lockedDuringQuestion = batch().locked(); };

    EXPECT_EQ(batch().ListOperation2(files, to + QLatin1Char('/'), QStringLiteral("Best"), TransferOp::Move,
                                     TransferBatch::Feedback::Shown),
              3);

    QStringList records{UndoJournal::Record(RecordKind::Label, QStringLiteral("Best"), QString())};
    for (const QString& name : {QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")}) {
        EXPECT_EQ(PathKind(from + QLatin1Char('/') + name), PathType::None);
        EXPECT_EQ(Contents(to + QLatin1Char('/') + name), name.toUtf8() + "source");
        records << UndoJournal::Record(RecordKind::Moved, from + QLatin1Char('/') + name,
                                       to + QLatin1Char('/') + name);
    }
    records << records.first() << QString();
    EXPECT_EQ(Journal(), records);
    EXPECT_EQ(controller->journal().UndoPosition(), 5);
    EXPECT_EQ(state().SortCount, 3);
    ASSERT_EQ(moved.count(), 3);
    EXPECT_EQ(moved[1][1].toString(), to + QStringLiteral("/b.jpg"));

    QStringList prefixes;
    for (const auto& signal : titles) {
        prefixes << signal[0].toString();
    }
    EXPECT_EQ(prefixes, (QStringList{QStringLiteral("移動中 1/3 : "), QStringLiteral("移動中 2/3 : "),
                                     QStringLiteral("移動中 3/3 : "), QString()}));
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("3個のファイルを移動しました")});
    EXPECT_TRUE(lockedDuringQuestion);
    ASSERT_EQ(locks.count(), 2);
    EXPECT_TRUE(locks[0][0].toBool());
    EXPECT_FALSE(locks[1][0].toBool());
    EXPECT_FALSE(batch().locked());
}

TEST_F(TransferBatchTest, QuietFeedbackShowsNoProgressAndNoSummaryAndACopyKeepsItsSource) {
    const QStringList files = Files(from, {QStringLiteral("a.jpg")});
    QSignalSpy titles(&batch(), &TransferBatch::progressTitle);

    EXPECT_EQ(batch().ListOperation2(files, to, QString(), TransferOp::Copy, TransferBatch::Feedback::Quiet),
              1);

    EXPECT_EQ(Contents(files[0]), "a.jpgsource");
    EXPECT_EQ(Contents(to + QStringLiteral("/a.jpg")), "a.jpgsource");
    EXPECT_EQ(Journal(),
              (QStringList{UndoJournal::Record(RecordKind::Copied, files[0], to + QStringLiteral("/a.jpg")),
                           QString()}));
    EXPECT_EQ(titles.count(), 0);
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(state().SortCount, 1);
}

// Three incoming files that all clash with different files of the same names.
struct ClashCase {
    const char* name;
    std::vector<ConflictAnswer> answers;
    int asked;            // how often the dialog opened
    int done;             // the batch's count
    QList<bool> replaced; // per file: the target now holds the incoming file
    int trashed;          // targets sent to the trash
    bool summary;         // the closing summary was shown
};

class ClashTest : public TransferBatchTest, public ::testing::WithParamInterface<ClashCase> {};

TEST_P(ClashTest, TheAnswersDecideEachClash) {
    const ClashCase& c = GetParam();
    const QStringList names{QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg")};
    const QStringList files = Files(from, names);
    Files(to, names, "target");
    for (ConflictAnswer answer : c.answers) {
        conflicts.replies.push_back({answer, {}});
    }

    EXPECT_EQ(batch().ListOperation2(files, to, QStringLiteral("clash"), TransferOp::Move,
                                     TransferBatch::Feedback::Shown),
              c.done);

    EXPECT_EQ(static_cast<int>(conflicts.asked.size()), c.asked);
    for (int i = 0; i < names.size(); ++i) {
        const QString target = to + QLatin1Char('/') + names[i];
        EXPECT_EQ(Contents(target), names[i].toUtf8() + (c.replaced[i] ? "source" : "target"))
            << names[i].toStdString();
        EXPECT_EQ(PathKind(files[i]), c.replaced[i] ? PathType::None : PathType::File);
    }
    EXPECT_EQ(Trashed().size(), c.trashed);
    EXPECT_EQ(prompts.asked.size(), c.summary ? 1u : 0u);
    // However the batch ended, both labels are there for a batch undo.
    const QString label = UndoJournal::Record(RecordKind::Label, QStringLiteral("clash"), QString());
    EXPECT_EQ(Journal().first(), label);
    EXPECT_EQ(Journal()[controller->journal().UndoPosition() - 1], label);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ClashTest,
    ::testing::Values(
        ClashCase{"YesNoYes",
                  {ConflictAnswer::Yes, ConflictAnswer::No, ConflictAnswer::Yes},
                  3,
                  2,
                  {true, false, true},
                  2,
                  true},
        ClashCase{"YesToAll", {ConflictAnswer::YesToAll}, 1, 3, {true, true, true}, 3, true},
        ClashCase{"NoToAll", {ConflictAnswer::NoToAll}, 1, 0, {false, false, false}, 0, true},
        ClashCase{
            "NoThenStop", {ConflictAnswer::No, ConflictAnswer::Stop}, 2, 0, {false, false, false}, 0, false},
        ClashCase{"YesThenCancel",
                  {ConflictAnswer::Yes, ConflictAnswer::Cancel},
                  2,
                  1,
                  {true, false, false},
                  1,
                  false}),
    [](const ::testing::TestParamInfo<ClashCase>& info) { return std::string(info.param.name); });

TEST_F(TransferBatchTest, NoToAllOnTheFirstClashSkipsEveryLaterClashAndCountsOnlyTheFilesDone) {
    QStringList names;
    for (int i = 0; i < 10; ++i) {
        names << QStringLiteral("p%1.jpg").arg(i);
    }
    const QStringList files = Files(from, names);
    Files(to, {names[0], names[4], names[9]}, "target");
    conflicts.replies.push_back({ConflictAnswer::NoToAll, {}});

    EXPECT_EQ(batch().ListOperation2(files, to, QString(), TransferOp::Copy, TransferBatch::Feedback::Shown),
              7);

    EXPECT_EQ(conflicts.asked.size(), 1u);
    EXPECT_EQ(Contents(to + QStringLiteral("/p9.jpg")), "p9.jpgtarget");
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("7個のファイルをコピーしました")});
}

TEST_F(TransferBatchTest, TheDialogIsToldWhatClashesAndARenameTransfersUnderTheNewName) {
    const QStringList files = Files(from, {QStringLiteral("a_Rename03.JPG")});
    Files(to, {QStringLiteral("a_Rename03.JPG"), QStringLiteral("a_Rename00.JPG")}, "target");
    const QString renamed = to + QStringLiteral("/a_Rename01.JPG");
    conflicts.replies.push_back({ConflictAnswer::Rename, renamed});
    controller->options().TimeFormat = QStringLiteral("yy/m/d hh:nn");

    EXPECT_EQ(batch().ListOperation2(files, to, QString(), TransferOp::Move, TransferBatch::Feedback::Quiet),
              1);

    ASSERT_EQ(conflicts.asked.size(), 1u);
    const ConflictQuestion& question = conflicts.asked[0];
    EXPECT_EQ(question.source, files[0]);
    EXPECT_EQ(question.target, to + QStringLiteral("/a_Rename03.JPG"));
    EXPECT_EQ(question.operationWord, QStringLiteral("移動"));
    EXPECT_FALSE(question.identical);
    EXPECT_EQ(question.proposal, QStringLiteral("a_Rename01"));
    EXPECT_EQ(question.timeFormat, QStringLiteral("yy/m/d hh:nn"));
    EXPECT_EQ(Contents(renamed), "a_Rename03.JPGsource");
    EXPECT_EQ(Contents(question.target), "a_Rename03.JPGtarget");
    EXPECT_EQ(Journal()[0], UndoJournal::Record(RecordKind::Moved, files[0], renamed));
}

TEST_F(TransferBatchTest, AnIdenticalFileIsReplacedWithoutAskingOnlyWhenDeleteDialogsAreOff) {
    for (bool quiet : {false, true}) {
        SCOPED_TRACE(quiet);
        options.SwDeleteDialog = quiet;
        Make();
        batch().SetConflictDialog(&conflicts);
        conflicts.asked.clear();
        conflicts.replies = {{ConflictAnswer::Yes, {}}};
        const QStringList files = Files(from, {QStringLiteral("same.jpg")});
        Files(to, {QStringLiteral("same.jpg")});

        EXPECT_EQ(
            batch().ListOperation2(files, to, QString(), TransferOp::Move, TransferBatch::Feedback::Quiet),
            1);

        EXPECT_EQ(conflicts.asked.size(), quiet ? 0u : 1u);
        if (!quiet) {
            EXPECT_TRUE(conflicts.asked[0].identical);
        }
        EXPECT_EQ(PathKind(files[0]), PathType::None);
    }
    EXPECT_EQ(Trashed().size(), 2);
}

TEST_F(TransferBatchTest, MovingAFileIntoItsOwnFolderAsksNothingAndDoesNothing) {
    const QStringList files = Files(from, {QStringLiteral("a.jpg")});

    EXPECT_EQ(
        batch().ListOperation2(files, from, QString(), TransferOp::Move, TransferBatch::Feedback::Shown), 0);

    EXPECT_TRUE(conflicts.asked.empty());
    EXPECT_EQ(Contents(files[0]), "a.jpgsource");
    EXPECT_TRUE(Trashed().isEmpty());
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("0個のファイルを移動しました")});
}

TEST_F(TransferBatchTest, MovingAFileThroughALinkToItsOwnFolderAsksNothingAndTrashesNothing) {
    // The destination is another name of the source's folder: the "target" is the source itself.
    const QStringList files = Files(from, {QStringLiteral("a.jpg")});
    const QString link = pictures.file(QStringLiteral("link"));
    ASSERT_EQ(::symlink(NativePath(from).constData(), NativePath(link).constData()), 0);

    EXPECT_EQ(
        batch().ListOperation2(files, link, QString(), TransferOp::Move, TransferBatch::Feedback::Quiet), 0);

    EXPECT_TRUE(conflicts.asked.empty());
    EXPECT_EQ(Contents(files[0]), "a.jpgsource");
    EXPECT_TRUE(Trashed().isEmpty());
}

TEST_F(TransferBatchTest, AVanishedFileAsksWhetherToGoOn) {
    for (MessageResult answer : {MessageResult::Yes, MessageResult::No}) {
        SCOPED_TRACE(answer == MessageResult::Yes ? "Yes" : "No");
        Make();
        QStringList files = Files(from, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
        files.prepend(from + QStringLiteral("/vanished.jpg"));
        prompts.asked.clear();
        prompts.answers = {answer};

        const int done = batch().ListOperation2(files, QString(), QStringLiteral("del"), TransferOp::Delete,
                                                TransferBatch::Feedback::Shown);

        ASSERT_FALSE(prompts.asked.empty());
        EXPECT_EQ(prompts.asked[0].text, QStringLiteral("削除するファイルが見つかりません") + kCrLf +
                                             files[0] + kCrLf + kCrLf +
                                             QStringLiteral("無視して処理を継続しますか？"));
        EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::YesNo);
        if (answer == MessageResult::Yes) {
            EXPECT_EQ(done, 2);
            EXPECT_EQ(prompts.texts().last(), QStringLiteral("2個のファイルを削除しました"));
            EXPECT_EQ(Trashed(), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
        } else {
            EXPECT_EQ(done, 0);
            EXPECT_EQ(prompts.asked.size(), 1u);
            EXPECT_EQ(PathKind(files[1]), PathType::File);
        }
        // Deletes are not journaled; the labels still bracket the batch.
        EXPECT_EQ(Journal().mid(0, 2),
                  QStringList(2, UndoJournal::Record(RecordKind::Label, QStringLiteral("del"), QString())));
    }
}

TEST_F(TransferBatchTest, ATargetThatCannotGoToTheTrashIsNotReplaced) {
    // A tmpfs has no trash that outlives a restart: overwriting there must keep both files.
    if (PathKind(QStringLiteral("/dev/shm")) != PathType::Folder) {
        GTEST_SKIP() << "no /dev/shm on this machine";
    }
    QTemporaryDir shm(QStringLiteral("/dev/shm/ruvela-test-XXXXXX"));
    ASSERT_TRUE(shm.isValid());
    const QString target = shm.path() + QStringLiteral("/a.jpg");
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("a.jpgtarget") > 0);
    file.close();
    const QStringList files = Files(from, {QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    conflicts.replies = {{ConflictAnswer::Yes, {}}};
    prompts.answers = {MessageResult::Yes};

    EXPECT_EQ(batch().ListOperation2(files, shm.path(), QString(), TransferOp::Move,
                                     TransferBatch::Feedback::Quiet),
              1);

    ASSERT_FALSE(prompts.asked.empty());
    EXPECT_TRUE(prompts.asked[0].text.startsWith(
        QStringLiteral("移動できませんでした") + kCrLf + files[0] + kCrLf +
        QStringLiteral("同名のファイルをごみ箱に移動できないため、上書きできません")))
        << prompts.asked[0].text.toStdString();
    EXPECT_TRUE(prompts.asked[0].text.endsWith(QStringLiteral("無視して処理を継続しますか？")));
    EXPECT_EQ(Contents(target), "a.jpgtarget");
    EXPECT_EQ(Contents(files[0]), "a.jpgsource");
    EXPECT_EQ(Contents(shm.path() + QStringLiteral("/b.jpg")), "b.jpgsource");
}

TEST_F(TransferBatchTest, AFolderOfTheNameIsRefusedEvenAfterOverwriteAll) {
    const QStringList files =
        Files(from, {QStringLiteral("b.jpg"), QStringLiteral("a.jpg"), QStringLiteral("c.jpg")});
    Files(to, {QStringLiteral("b.jpg")}, "target");
    pictures.write(QStringLiteral("to/a.jpg/inner.jpg"), "inner");
    conflicts.replies = {{ConflictAnswer::YesToAll, {}}};
    prompts.answers = {MessageResult::Yes};

    EXPECT_EQ(batch().ListOperation2(files, to, QString(), TransferOp::Move, TransferBatch::Feedback::Quiet),
              2);

    EXPECT_EQ(conflicts.asked.size(), 1u) << "the folder is no question";
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, QStringLiteral("移動先に同じ名前のフォルダがあるため、移動できません") +
                                         kCrLf + to + QStringLiteral("/a.jpg") + kCrLf + kCrLf +
                                         QStringLiteral("無視して処理を継続しますか？"));
    EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(Contents(to + QStringLiteral("/a.jpg/inner.jpg")), "inner");
    EXPECT_EQ(Contents(files[1]), "a.jpgsource");
    EXPECT_EQ(Contents(to + QStringLiteral("/c.jpg")), "c.jpgsource");
    EXPECT_EQ(Trashed(), QStringList{QStringLiteral("b.jpg")});
    EXPECT_TRUE(QDir(data.file(QStringLiteral("share/Trash/files")))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST_F(TransferBatchTest, AnOverwriteThatFailsLeavesTheOldFileInPlace) {
    for (TransferOp op : {TransferOp::Copy, TransferOp::Move}) {
        SCOPED_TRACE(OperationWord(op).toStdString());
        Make();
        batch().SetConflictDialog(&conflicts);
        const QStringList files = Files(from, {QStringLiteral("a.jpg")});
        const QString target = Files(to, {QStringLiteral("a.jpg")}, "target")[0];
        // The source goes away while the user answers the question.
        conflicts.onAsk = [&] { ASSERT_TRUE(QFile::remove(files[0])); };
        conflicts.replies = {{ConflictAnswer::Yes, {}}};
        prompts.asked.clear();
        QSignalSpy deleted(&batch(), &TransferBatch::fileDeleted);

        EXPECT_EQ(batch().ListOperation2(files, to, QString(), op, TransferBatch::Feedback::Quiet), 0);

        EXPECT_EQ(Contents(target), "a.jpgtarget");
        EXPECT_TRUE(Trashed().isEmpty());
        EXPECT_EQ(deleted.count(), 0) << "the check lists keep the old file";
        ASSERT_EQ(prompts.asked.size(), 1u);
        EXPECT_EQ(prompts.asked[0].text, OperationWord(op) + QStringLiteral("できませんでした") + kCrLf +
                                             files[0] + kCrLf +
                                             QStringLiteral("ファイルまたはフォルダが見つかりません"));
    }
}

} // namespace
