#include "core/sorting/ConflictFacts.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/sorting/UndoJournal.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <utility>
#include <utime.h>

namespace {

struct ProposalCase {
    const char* source;
    std::vector<const char*> present; // files already in the target folder
    const char* proposal;
};

TEST(RenameProposal, TakesTheFirstFreeNumberAfterTheBaseName) {
    const std::vector<ProposalCase> cases{
        {"a.jpg", {}, "a_Rename00"},
        {"a_Rename03.jpg", {"a_Rename00.jpg"}, "a_Rename01"},
        {"a_Rename03.jpg", {"a_Rename00.png"}, "a_Rename00"}, // another extension is no clash
        {"x_Renamed_Rename7.JPG", {"x_Rename00.JPG", "x_Rename01.JPG"}, "x_Rename02"},
        {"noext", {"noext_Rename00"}, "noext_Rename01"},
        {"two.dots.gif", {}, "two.dots_Rename00"},
    };
    for (const ProposalCase& c : cases) {
        SCOPED_TRACE(c.source);
        TempFolder folder;
        for (const char* name : c.present) {
            folder.write(QString::fromUtf8(name), "x");
        }
        EXPECT_EQ(RenameProposal(QStringLiteral("/elsewhere/") + QString::fromUtf8(c.source), folder.path()),
                  QString::fromUtf8(c.proposal));
    }
}

TEST(RenameProposal, KeepsThePlainNameWhenAllHundredAreTaken) {
    TempFolder folder;
    for (int i = 0; i < 100; ++i) {
        folder.write(QStringLiteral("b_Rename%1.png").arg(i, 2, 10, QLatin1Char('0')), "x");
    }
    EXPECT_EQ(RenameProposal(QStringLiteral("/elsewhere/b_Rename42.png"), folder.path() + QLatin1Char('/')),
              QStringLiteral("b_Rename42"));
}

TEST(ConflictFacts, ComparesFilesByTheirBytes) {
    TempFolder folder;
    QByteArray big(3 << 20, 'p'); // more than one comparison block
    const QString a = folder.write(QStringLiteral("a"), big);
    const QString same = folder.write(QStringLiteral("same"), big);
    big[big.size() - 1] = 'q';
    const QString lastByte = folder.write(QStringLiteral("last"), big);
    const QString shorter = folder.write(QStringLiteral("short"), big.left(big.size() - 1));
    EXPECT_TRUE(SameFileContents(a, same));
    EXPECT_FALSE(SameFileContents(a, lastByte));
    EXPECT_FALSE(SameFileContents(a, shorter));
    EXPECT_FALSE(SameFileContents(a, folder.file(QStringLiteral("missing"))));
    EXPECT_FALSE(SameFileContents(folder.folder(QStringLiteral("d1")), folder.folder(QStringLiteral("d2"))));
}

TEST(ConflictFacts, SizesAndTimesOfFiles) {
    TempFolder folder;
    const QString empty = folder.write(QStringLiteral("empty"), QByteArray());
    const QString one = folder.write(QStringLiteral("one"), QByteArray(1, 'x'));
    const QString page = folder.write(QStringLiteral("page"), QByteArray(4097, 'x'));
    const QString missing = folder.file(QStringLiteral("missing"));
    EXPECT_EQ(FileGetSize(page), 4097);
    EXPECT_EQ(FileGetSize(missing), -1);
    EXPECT_EQ(FileGetSize(folder.path()), -1);
    EXPECT_EQ(ListGetSize({empty, one, page, missing}, 1), 4098);
    EXPECT_EQ(ListGetSize({empty, one, page, missing}, 4096), 4096 + 8192);

    const QDateTime when(QDate(2024, 5, 17), QTime(13, 45, 31));
    const utimbuf times{when.toSecsSinceEpoch(), when.toSecsSinceEpoch()};
    ASSERT_EQ(::utime(NativePath(one).constData(), &times), 0);
    EXPECT_EQ(FileGetTime(one), PackDosTime(when));
    EXPECT_EQ(FileGetTime(missing), -1);
}

TEST(ConflictFacts, NamesAndWords) {
    EXPECT_EQ(OperationWord(TransferOp::Move), QStringLiteral("移動"));
    EXPECT_EQ(OperationWord(TransferOp::Copy), QStringLiteral("コピー"));
    EXPECT_EQ(OperationWord(TransferOp::Delete), QStringLiteral("削除"));
    EXPECT_EQ(SourceExtension(QStringLiteral("/a.b/c.JPG")), QStringLiteral(".JPG"));
    EXPECT_EQ(SourceExtension(QStringLiteral("/a.b/c")), QString());
    for (const char* bad : {"", ".", "..", "a/b", "/"}) {
        EXPECT_FALSE(IsPlainFileName(QString::fromUtf8(bad))) << bad;
    }
    for (const char* good : {"a", ".hidden", "a..b", "写真 1"}) {
        EXPECT_TRUE(IsPlainFileName(QString::fromUtf8(good))) << good;
    }
}

TEST(UndoJournal, AWriteAfterUndosCutsOffRedo) {
    UndoJournal journal;
    EXPECT_EQ(journal.UndoData(), QStringList{QString()});
    journal.undoWrite2(RecordKind::Label, QStringLiteral("Best"), QString());
    journal.undoWrite2(RecordKind::Moved, QStringLiteral("/a/x.jpg"), QStringLiteral("/b/x.jpg"));
    const QChar nul(u'\0');
    EXPECT_EQ(journal.UndoData(),
              (QStringList{QStringLiteral("L;Best") + nul,
                           QStringLiteral("M;/a/x.jpg") + nul + QStringLiteral("/b/x.jpg"), QString()}));
    EXPECT_EQ(journal.UndoPosition(), 2);

    const UndoRecord move = UndoJournal::Parse(journal.UndoData()[1]);
    EXPECT_EQ(move.kind, RecordKind::Moved);
    EXPECT_EQ(move.a, QStringLiteral("/a/x.jpg"));
    EXPECT_EQ(move.b, QStringLiteral("/b/x.jpg"));
    const UndoRecord label = UndoJournal::Parse(journal.UndoData()[0]);
    EXPECT_EQ(label.a, QStringLiteral("Best"));
    EXPECT_TRUE(label.b.isEmpty());
    EXPECT_EQ(UndoJournal::Parse(QString()).kind, RecordKind::None);
    // A long path comes back whole: a shortened one would name another file.
    const QString longPath = QLatin1Char('/') + QString(1999, QLatin1Char('b'));
    EXPECT_EQ(UndoJournal::Parse(QStringLiteral("R;/a") + nul + longPath).b, longPath);
    // ">" is a character of a name like any other.
    journal.undoWrite2(RecordKind::Renamed, QStringLiteral("/a>b/x>.jpg"), QStringLiteral("/a>b/>y.jpg"));
    const UndoRecord rename = UndoJournal::Parse(journal.UndoData()[2]);
    EXPECT_EQ(rename.a, QStringLiteral("/a>b/x>.jpg"));
    EXPECT_EQ(rename.b, QStringLiteral("/a>b/>y.jpg"));
}

TEST(UndoJournal, EachKindIsStoredAsItsLetterAndReadBack) {
    const std::pair<RecordKind, char> kinds[] = {{RecordKind::Moved, 'M'},
                                                 {RecordKind::Copied, 'C'},
                                                 {RecordKind::Label, 'L'},
                                                 {RecordKind::Renamed, 'R'},
                                                 {RecordKind::FolderMoved, 'F'}};
    for (const auto& [kind, letter] : kinds) {
        const QString record = UndoJournal::Record(kind, QStringLiteral("/a"), QStringLiteral("/b"));
        EXPECT_EQ(record.front(), QLatin1Char(letter));
        EXPECT_EQ(UndoJournal::Parse(record).kind, kind) << letter;
    }
}

} // namespace
