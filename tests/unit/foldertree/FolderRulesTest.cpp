#include "core/foldertree/FolderRules.h"

#include "core/common/PathText.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <ostream>

// Failed comparisons show the paths as text.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

TEST(SplitFolderNames, SplitsAtSlashesAndHalfWidthSpacesOnly) {
    const struct {
        const char* answer;
        QStringList names;
    } cases[] = {
        {"山/海 空", {"山", "海", "空"}},
        {"山", {"山"}},
        {"\"春の 海\"/空", {"春の 海", "空"}},
        {"a \"b c\" d", {"a", "b c", "d"}},
        {"//a  /  b//", {"a", "b"}},
        {"", {}},
        {" / ", {}},
        {"\"\"", {}},
        // A full-width space is part of a name.
        {"山　海", {"山　海"}},
        // A quotation mark left open keeps the spaces to the end.
        {"\"a b", {"a b"}},
        // A slash ends a name even inside quotation marks: no name can hold one.
        {"\"a/b\"", {"a", "b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFolderNames(QString::fromUtf8(c.answer)), c.names) << c.answer;
    }
}

TEST(SplitFolderNames, KeepsEveryNameForTheCallerToCut) {
    QStringList written;
    for (int i = 1; i <= kMaxFoldersAtOnce + 1; ++i) {
        written << QString::number(i);
    }
    const QStringList names = SplitFolderNames(written.join(QLatin1Char(' ')));
    ASSERT_EQ(names.size(), 65);
    EXPECT_EQ(names.first(), QStringLiteral("1"));
    EXPECT_EQ(names.last(), QStringLiteral("65"));
}

class FolderMoveRefusalTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a/b/c", "a/d", "e/b", "f"}) {
            m_temp.folder(QString::fromUtf8(name));
        }
        m_temp.write(QStringLiteral("g/f"), "a file with a folder's name");
        m_temp.write(QStringLiteral("file.txt"), "not a folder");
    }
    QString At(const char* relative) const { return m_temp.file(QString::fromUtf8(relative)); }

    TempFolder m_temp;
};

TEST_F(FolderMoveRefusalTest, RefusesWhatCannotBeMoved) {
    const QString below = QStringLiteral("同列の下位フォルダには移動できません");
    const QString missing = QStringLiteral("フォルダが存在しません");
    const QString taken = QStringLiteral("既に同名のフォルダが存在しています");
    const struct {
        const char* source;
        const char* target;
        QString refusal;
    } cases[] = {
        {"a", "a", below},           // onto itself
        {"a", "a/b", below},         // into its child
        {"a", "a/b/c", below},       // into a grandchild
        {"a/b", "a", below},         // onto its own parent
        {"a/b", "a/", below},        // the same, written with a slash
        {"a/b", "e", taken},         // e/b exists
        {"f", "g", taken},           // g/f is a file
        {"missing", "f", missing},   // no source
        {"f", "missing", missing},   // no target
        {"file.txt", "f", missing},  // the source is a file
        {"a/d", "f", QString()},     // allowed
        {"a/b", "a/d", QString()},   // to a sibling
        {"e/b", "a/b/c", QString()}, // a same-named folder elsewhere is no obstacle
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderMoveRefusal(At(c.source), At(c.target)), c.refusal) << c.source << " > " << c.target;
    }
}

TEST_F(FolderMoveRefusalTest, ANameThatOnlyStartsLikeTheSourceIsNotInsideIt) {
    m_temp.folder(QStringLiteral("ab"));
    EXPECT_EQ(FolderMoveRefusal(At("a/d"), At("ab")), QString());
    EXPECT_TRUE(IsSameOrInside(At("a/b"), At("a")));
    EXPECT_FALSE(IsSameOrInside(At("ab"), At("a")));
}

TEST_F(FolderMoveRefusalTest, TheFolderAfterADeletionIsTheNextSiblingThenThePreviousThenTheParent) {
    m_temp.folder(QStringLiteral("a/e"));
    EXPECT_EQ(FolderAfterDeletion(At("a/b")), At("a/d"));
    EXPECT_EQ(FolderAfterDeletion(At("a/e")), At("a/d"));
    EXPECT_EQ(FolderAfterDeletion(At("a/b/c")), At("a/b"));
}

TEST(ChildPath, DoesNotDoubleTheRootsSlash) {
    EXPECT_EQ(ChildPath(QStringLiteral("/"), QStringLiteral("x")), QStringLiteral("/x"));
    EXPECT_EQ(ChildPath(QStringLiteral("/a"), QStringLiteral("x")), QStringLiteral("/a/x"));
}

} // namespace
