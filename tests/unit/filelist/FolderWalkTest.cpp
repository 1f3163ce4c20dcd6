#include "core/filelist/FolderWalk.h"

#include "core/common/NativePath.h"
#include "support/TempFolder.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

// Failed comparisons show the paths as text.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

// r/.x/  r/a/m/k/  r/a/m/n/o/  r/a/z/  r/B/  r/c/  r/b.txt  s/
class FolderWalkTree : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"r/.x", "r/a/m/k", "r/a/m/n/o", "r/a/z", "r/B", "r/c", "s"}) {
            m_temp.folder(QString::fromLatin1(folder));
        }
        // A file whose name falls between "B" and "c".
        m_temp.write(QStringLiteral("r/b.txt"), "not a folder");
    }

    // The full path of `relative`; empty stays empty (a step that fails).
    QString At(const char* relative) const {
        return *relative == '\0' ? QString() : m_temp.file(QString::fromLatin1(relative));
    }

    TempFolder m_temp;
};

TEST(ParentFolder, CutsAtTheLastSlash) {
    const struct {
        const char* path;
        const char* parent;
    } cases[] = {{"/a/b", "/a"}, {"/a/b/c", "/a/b"}, {"/a", "/"}, {"/", ""}, {"a", ""}, {"", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(ParentFolder(QString::fromLatin1(c.path)), QString::fromLatin1(c.parent)) << c.path;
    }
}

TEST(FolderWalk, RootHasNoParentOrSiblings) {
    EXPECT_EQ(NextSiblingFolder(QStringLiteral("/")), QString());
    EXPECT_EQ(PreviousSiblingFolder(QStringLiteral("/")), QString());
    EXPECT_EQ(DepthFirstPreviousFolder(QStringLiteral("/")), QString());
    // The root's children are joined without a doubled "/".
    const QString top = FirstChildFolder(QStringLiteral("/"));
    ASSERT_FALSE(top.isEmpty());
    EXPECT_FALSE(top.startsWith(QLatin1String("//"))) << top.toStdString();
    EXPECT_EQ(ParentFolder(top), QStringLiteral("/"));
    EXPECT_TRUE(StatPath(top).isFolder) << top.toStdString();
}

TEST_F(FolderWalkTree, SiblingsInCaseInsensitiveOrder) {
    const struct {
        const char* from;
        const char* next;
        const char* previous;
    } cases[] = {
        {"r/.x", "r/a", ""},
        {"r/a", "r/B", "r/.x"},
        {"r/B", "r/c", "r/a"},
        {"r/c", "", "r/B"},
        // Never made, as if deleted meanwhile: its neighbours are found where it would stand.
        {"r/bb", "r/c", "r/B"},
    };
    const QLocale previous;
    for (const QLocale& locale :
         {QLocale(QLocale::C), QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        const std::string label = locale.name().toStdString();
        for (const auto& c : cases) {
            EXPECT_EQ(NextSiblingFolder(At(c.from)), At(c.next)) << label << " next of " << c.from;
            EXPECT_EQ(PreviousSiblingFolder(At(c.from)), At(c.previous))
                << label << " previous of " << c.from;
        }
        EXPECT_EQ(FirstChildFolder(At("r")), At("r/.x")) << label;
        EXPECT_EQ(LastChildFolder(At("r")), At("r/c")) << label;
    }
    QLocale::setDefault(previous);
    EXPECT_EQ(FirstChildFolder(At("r/c")), QString());
    EXPECT_EQ(LastChildFolder(At("r/c")), QString());
    EXPECT_EQ(FirstChildFolder(At("r/missing")), QString());
}

TEST_F(FolderWalkTree, DepthFirstSteps) {
    const struct {
        const char* from;
        const char* next;
        const char* previous;
    } cases[] = {
        {"r/.x", "r/a", "r"},          {"r/a", "r/a/m", "r/.x"},
        {"r/a/m", "r/a/m/k", "r/a"},   {"r/a/m/n/o", "r/a/z", "r/a/m/n"},
        {"r/a/z", "r/B", "r/a/m/n/o"}, {"r/B", "r/c", "r/a/z"},
        {"r/c", "s", "r/B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthFirstNextFolder(At(c.from)), At(c.next)) << "next of " << c.from;
        EXPECT_EQ(DepthFirstPreviousFolder(At(c.from)), At(c.previous)) << "previous of " << c.from;
    }
}

TEST(FolderWalk, NonUtf8NameIsWalkedAndRoundTrips) {
    TempFolder temp;
    temp.folder(QStringLiteral("u/a"));
    temp.folder(QStringLiteral("u/z"));
    const QByteArray native = NativePath(temp.file(QStringLiteral("u"))) + "/k\xff";
    ASSERT_EQ(::mkdir(native.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((native + "/inner").constData(), 0755), 0);

    const QString odd = NextSiblingFolder(temp.file(QStringLiteral("u/a")));
    EXPECT_EQ(NativePath(odd), native);
    EXPECT_EQ(NextSiblingFolder(odd), temp.file(QStringLiteral("u/z")));
    EXPECT_EQ(PreviousSiblingFolder(odd), temp.file(QStringLiteral("u/a")));
    EXPECT_EQ(PreviousSiblingFolder(temp.file(QStringLiteral("u/z"))), odd);
    EXPECT_EQ(ParentFolder(odd), temp.file(QStringLiteral("u")));
    EXPECT_EQ(NativePath(FirstChildFolder(odd)), native + "/inner");
}

TEST(FolderWalk, LinksToFoldersCountAndLoopsEnd) {
    TempFolder temp;
    temp.folder(QStringLiteral("a/x"));
    temp.folder(QStringLiteral("b"));
    const QByteArray a = NativePath(temp.file(QStringLiteral("a")));
    // "y" leads back to "a" itself; "zz" leads nowhere and is no folder.
    ASSERT_EQ(::symlink(".", (a + "/y").constData()), 0);
    ASSERT_EQ(::symlink("missing", (a + "/zz").constData()), 0);

    EXPECT_EQ(LastChildFolder(temp.file(QStringLiteral("a"))), temp.file(QStringLiteral("a/y")));
    // The descent from "b" back into "a" stops before entering "a" a second time through "y".
    EXPECT_EQ(DepthFirstPreviousFolder(temp.file(QStringLiteral("b"))), temp.file(QStringLiteral("a")));
    EXPECT_EQ(DepthFirstNextFolder(temp.file(QStringLiteral("a/x"))), temp.file(QStringLiteral("a/y")));
}

} // namespace
