#include "app/foldertree/FolderTreeModel.h"

#include "core/common/NativePath.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

using Kind = FolderTreeModel::NodeKind;

constexpr int kDeadlineMs = 5000;

QString ParentOf(const QString& path) {
    return path.left(path.lastIndexOf(QLatin1Char('/')));
}

// home/  home/Desktop/{a/x, b, c}
class FolderTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"home/Desktop/a/x", "home/Desktop/b", "home/Desktop/c"}) {
            m_temp.folder(QString::fromLatin1(folder));
        }
        model = std::make_unique<FolderTreeModel>(Desktop(), Home());
    }

    QString Home() const { return m_temp.file(QStringLiteral("home")); }
    QString Desktop() const { return m_temp.file(QStringLiteral("home/Desktop")); }
    QString OnDesktop(const char* relative) const {
        return Desktop() + QLatin1Char('/') + QLatin1String(relative);
    }

    // Asks for the rows of `index` and waits until they are in.
    bool List(const QModelIndex& index) {
        model->fetchMore(index);
        return QTest::qWaitFor([&] { return model->IsListed(index); }, kDeadlineMs);
    }

    // The display texts of the rows under `index`.
    QStringList Rows(const QModelIndex& index) const {
        QStringList rows;
        for (int row = 0; row < model->rowCount(index); ++row) {
            rows << model->data(model->index(row, 0, index)).toString();
        }
        return rows;
    }

    QModelIndex Child(const QModelIndex& parent, const char* relative) const {
        return model->FindChild(parent, OnDesktop(relative));
    }

    // Waits until the rows under `index` are `rows`.
    bool RowsBecome(const QModelIndex& index, const QStringList& rows) {
        return QTest::qWaitFor([&] { return Rows(index) == rows; }, kDeadlineMs);
    }

    TempFolder m_temp;
    std::unique_ptr<FolderTreeModel> model;
};

TEST_F(FolderTreeModelTest, TheTopNodesStandBeforeTheDesktopsFolders) {
    ASSERT_EQ(model->rowCount(QModelIndex()), 1);
    const QModelIndex root = model->IndexOfRoot();
    EXPECT_EQ(model->index(0, 0, QModelIndex()), root);
    EXPECT_EQ(model->data(root).toString(), QStringLiteral("デスクトップ"));
    EXPECT_EQ(model->PathOf(root), Desktop());
    EXPECT_EQ(model->KindOf(root), Kind::Desktop);
    EXPECT_FALSE(model->parent(root).isValid());
    // Nothing of the desktop is listed before the view asks.
    EXPECT_EQ(Rows(root), (QStringList{"home", "PC", "ごみ箱"}));

    const struct {
        int row;
        Kind kind;
        const char* path; // empty: the home folder
        bool hasFolderPath;
        bool hasChildren;
    } cases[] = {
        {0, Kind::Home, "", true, true},
        {1, Kind::Computer, "PC", false, true},
        {2, Kind::Trash, "ごみ箱", false, false},
    };
    for (const auto& c : cases) {
        const QModelIndex index = model->index(c.row, 0, root);
        EXPECT_EQ(model->parent(index), root) << c.row;
        EXPECT_EQ(model->KindOf(index), c.kind) << c.row;
        EXPECT_EQ(model->PathOf(index), *c.path ? QString::fromUtf8(c.path) : Home()) << c.row;
        EXPECT_EQ(model->HasFolderPath(index), c.hasFolderPath) << c.row;
        EXPECT_EQ(model->hasChildren(index), c.hasChildren) << c.row;
        EXPECT_EQ(model->canFetchMore(index), c.hasChildren) << c.row;
        EXPECT_FALSE(model->flags(index).testFlag(Qt::ItemIsEditable)) << c.row;
    }
    EXPECT_EQ(model->IndexOfHome(), model->index(0, 0, root));
    EXPECT_EQ(model->IndexOfComputer(), model->index(1, 0, root));

    // A desktop that is the home has no home node.
    const FolderTreeModel homeOnly(Home(), Home() + QLatin1Char('/'));
    EXPECT_FALSE(homeOnly.IndexOfHome().isValid());
    EXPECT_EQ(homeOnly.rowCount(homeOnly.IndexOfRoot()), 2);
    EXPECT_EQ(homeOnly.KindOf(homeOnly.index(0, 0, homeOnly.IndexOfRoot())), Kind::Computer);
}

TEST_F(FolderTreeModelTest, FoldersAreListedWhenAskedForAndTellWhetherTheyHaveRows) {
    const QModelIndex root = model->IndexOfRoot();
    QSignalSpy listed(model.get(), &FolderTreeModel::listed);
    ASSERT_TRUE(List(root));
    EXPECT_EQ(listed.count(), 1);
    EXPECT_EQ(listed.at(0).at(0).value<QModelIndex>(), root);
    EXPECT_EQ(Rows(root), (QStringList{"home", "PC", "ごみ箱", "a", "b", "c"}));
    EXPECT_FALSE(model->canFetchMore(root));

    const QModelIndex a = Child(root, "a");
    const QModelIndex b = Child(root, "b");
    ASSERT_TRUE(a.isValid() && b.isValid());
    EXPECT_EQ(model->KindOf(a), Kind::Folder);
    EXPECT_EQ(model->PathOf(a), OnDesktop("a"));
    // "a" holds a folder: it shows an arrow before it is listed; "b" holds none.
    EXPECT_TRUE(model->hasChildren(a));
    EXPECT_EQ(model->rowCount(a), 0);
    EXPECT_FALSE(model->hasChildren(b));
    ASSERT_TRUE(List(a));
    EXPECT_EQ(Rows(a), QStringList{"x"});
    EXPECT_EQ(model->PathOf(model->index(0, 0, a)), OnDesktop("a/x"));
    // Listed without rows: no arrow.
    const QModelIndex x = model->index(0, 0, a);
    ASSERT_TRUE(List(x));
    EXPECT_FALSE(model->hasChildren(x));
}

TEST_F(FolderTreeModelTest, PcListsTheRootFirst) {
    const QModelIndex pc = model->IndexOfComputer();
    ASSERT_TRUE(List(pc));
    ASSERT_GE(model->rowCount(pc), 1);
    const QModelIndex first = model->index(0, 0, pc);
    EXPECT_EQ(model->PathOf(first), QStringLiteral("/"));
    EXPECT_EQ(model->KindOf(first), Kind::Volume);
    EXPECT_EQ(model->FindChild(pc, QStringLiteral("/")), first);
    ASSERT_TRUE(List(first));
    EXPECT_TRUE(model->FindChild(first, QStringLiteral("/tmp")).isValid());
}

// A walk to a folder starts at the desktop for the desktop and below, at the home node for the
// rest of the home, else at PC, whose volume with the longest mount path takes it on.
TEST_F(FolderTreeModelTest, AWalkStartsAtTheNearestTopNodeAndTheLongestVolume) {
    QStringList remaining;
    EXPECT_EQ(model->WalkStart(OnDesktop("a/x"), &remaining), model->IndexOfRoot());
    EXPECT_EQ(remaining, (QStringList{QStringLiteral("a"), QStringLiteral("x")}));
    EXPECT_EQ(model->WalkStart(Desktop(), &remaining), model->IndexOfRoot());
    EXPECT_TRUE(remaining.isEmpty());
    EXPECT_EQ(model->WalkStart(Home() + QStringLiteral("/docs/inner"), &remaining), model->IndexOfHome());
    EXPECT_EQ(remaining, (QStringList{QStringLiteral("docs"), QStringLiteral("inner")}));
    // A folder whose name only starts like the home's is not in it.
    EXPECT_EQ(model->WalkStart(Home() + QStringLiteral("x/y"), &remaining), model->IndexOfComputer());
    EXPECT_TRUE(remaining.isEmpty());

    const QModelIndex pc = model->IndexOfComputer();
    EXPECT_FALSE(model->VolumeOf(QStringLiteral("/usr/lib"), &remaining).isValid());
    ASSERT_TRUE(List(pc));
    const QModelIndex volume = model->VolumeOf(QStringLiteral("/usr/lib"), &remaining);
    ASSERT_TRUE(volume.isValid());
    const QString mount = model->PathOf(volume);
    EXPECT_TRUE(QStringLiteral("/usr/lib/")
                    .startsWith(mount == QStringLiteral("/") ? mount : mount + QLatin1Char('/')))
        << mount.toStdString();
    for (int row = 0; row < model->rowCount(pc); ++row) {
        const QString other = model->PathOf(model->index(row, 0, pc));
        if (QStringLiteral("/usr/lib/")
                .startsWith(other == QStringLiteral("/") ? other : other + QLatin1Char('/'))) {
            EXPECT_LE(other.size(), mount.size()) << other.toStdString();
        }
    }
    EXPECT_EQ(remaining.join(QLatin1Char('/')),
              QStringLiteral("/usr/lib")
                  .mid(mount.size())
                  .section(QLatin1Char('/'), 0, -1, QString::SectionSkipEmpty));
}

TEST_F(FolderTreeModelTest, FoldersMadeRenamedAndRemovedByAnotherProgramShowWithoutARefresh) {
    const QModelIndex root = model->IndexOfRoot();
    ASSERT_TRUE(List(root));
    const QStringList top{"home", "PC", "ごみ箱"};

    m_temp.folder(QStringLiteral("home/Desktop/bb"));
    EXPECT_TRUE(RowsBecome(root, top + QStringList{"a", "b", "bb", "c"}))
        << Rows(root).join(',').toStdString();

    ASSERT_EQ(::rename(NativePath(OnDesktop("bb")).constData(), NativePath(OnDesktop("d")).constData()), 0);
    EXPECT_TRUE(RowsBecome(root, top + QStringList{"a", "b", "c", "d"}))
        << Rows(root).join(',').toStdString();

    ASSERT_EQ(::rmdir(NativePath(OnDesktop("d")).constData()), 0);
    EXPECT_TRUE(RowsBecome(root, top + QStringList{"a", "b", "c"})) << Rows(root).join(',').toStdString();

    // One level down too, once that level is listed.
    const QModelIndex a = Child(root, "a");
    ASSERT_TRUE(List(a));
    m_temp.folder(QStringLiteral("home/Desktop/a/y"));
    EXPECT_TRUE(RowsBecome(a, QStringList{"x", "y"})) << Rows(a).join(',').toStdString();
    // A folder moved in from elsewhere.
    m_temp.folder(QStringLiteral("home/elsewhere"));
    ASSERT_EQ(::rename(NativePath(Home() + QStringLiteral("/elsewhere")).constData(),
                       NativePath(OnDesktop("a/z")).constData()),
              0);
    EXPECT_TRUE(RowsBecome(a, QStringList{"x", "y", "z"})) << Rows(a).join(',').toStdString();
}

TEST_F(FolderTreeModelTest, FilesComingAndGoingListNothingAgain) {
    const QModelIndex root = model->IndexOfRoot();
    ASSERT_TRUE(List(root));
    const QModelIndex b = Child(root, "b");
    const QModelIndex c = Child(root, "c");
    ASSERT_TRUE(List(b));
    ASSERT_TRUE(List(c));
    QSignalSpy listed(model.get(), &FolderTreeModel::listed);
    m_temp.write(QStringLiteral("home/Desktop/b/picture.jpg"), "not really");
    ASSERT_EQ(::rename(NativePath(OnDesktop("b/picture.jpg")).constData(),
                       NativePath(OnDesktop("b/moved.jpg")).constData()),
              0);
    // A folder in "c" at the same moment: its listing shows the changes were read.
    m_temp.folder(QStringLiteral("home/Desktop/c/new"));
    ASSERT_TRUE(RowsBecome(c, QStringList{"new"}));
    EXPECT_FALSE(QTest::qWaitFor(
        [&] {
            for (const QList<QVariant>& signal : listed) {
                if (signal.at(0).value<QModelIndex>() == b) {
                    return true;
                }
            }
            return false;
        },
        500));
}

TEST_F(FolderTreeModelTest, ARelistingKeepsTheRowsStillThereAndMovesRunsAtOnce) {
    for (const char* folder : {"d", "e", "f", "g"}) {
        m_temp.folder(QStringLiteral("home/Desktop/") + QLatin1String(folder));
    }
    const QModelIndex root = model->IndexOfRoot();
    ASSERT_TRUE(List(root));
    const QPersistentModelIndex a = Child(root, "a");
    ASSERT_TRUE(List(a));
    const QPersistentModelIndex x = model->index(0, 0, a);
    const void* node = a.internalPointer();

    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    // b, c and f go, b2, b3 and h come: two runs out, two runs in.
    for (const char* gone : {"b", "c", "f"}) {
        ASSERT_EQ(::rmdir(NativePath(OnDesktop(gone)).constData()), 0);
    }
    for (const char* made : {"b2", "b3", "h"}) {
        m_temp.folder(QStringLiteral("home/Desktop/") + QLatin1String(made));
    }
    model->Relist(Desktop() + QLatin1Char('/'));
    const QStringList top{"home", "PC", "ごみ箱"};
    ASSERT_TRUE(RowsBecome(root, top + QStringList{"a", "b2", "b3", "d", "e", "g", "h"}))
        << Rows(root).join(',').toStdString();
    // The watch may have asked for a listing of its own; only the first one changes rows.
    ASSERT_EQ(removed.count(), 2);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 8); // f, from the end
    EXPECT_EQ(removed.at(0).at(2).toInt(), 8);
    EXPECT_EQ(removed.at(1).at(1).toInt(), 4); // b and c
    EXPECT_EQ(removed.at(1).at(2).toInt(), 5);
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 4); // b2 and b3
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 5);
    EXPECT_EQ(inserted.at(1).at(1).toInt(), 9); // h
    // "a" is the same node with its own rows.
    EXPECT_TRUE(a.isValid());
    EXPECT_EQ(a.internalPointer(), node);
    EXPECT_TRUE(x.isValid());
    EXPECT_EQ(Rows(a), QStringList{"x"});
    EXPECT_TRUE(model->IsListed(a));
}

TEST_F(FolderTreeModelTest, ALinkBackUpTheTreeIsShownButNeverListed) {
    ASSERT_EQ(::symlink(NativePath(Desktop()).constData(), NativePath(OnDesktop("to-desktop")).constData()),
              0);
    ASSERT_EQ(
        ::symlink(NativePath(OnDesktop("a")).constData(), NativePath(OnDesktop("a/x/to-a")).constData()), 0);
    ASSERT_EQ(
        ::symlink(NativePath(OnDesktop("a/x")).constData(), NativePath(OnDesktop("b/to-x")).constData()), 0);
    const QModelIndex root = model->IndexOfRoot();
    ASSERT_TRUE(List(root));
    const QModelIndex toDesktop = Child(root, "to-desktop");
    ASSERT_TRUE(toDesktop.isValid());
    EXPECT_FALSE(model->hasChildren(toDesktop));
    EXPECT_FALSE(model->canFetchMore(toDesktop));
    model->fetchMore(toDesktop);
    EXPECT_EQ(model->rowCount(toDesktop), 0);

    const QModelIndex a = Child(root, "a");
    ASSERT_TRUE(List(a));
    const QModelIndex x = model->index(0, 0, a);
    ASSERT_TRUE(List(x));
    const QModelIndex toA = model->FindChild(x, OnDesktop("a/x/to-a"));
    ASSERT_TRUE(toA.isValid());
    EXPECT_FALSE(model->hasChildren(toA));
    EXPECT_FALSE(model->canFetchMore(toA));

    // A link to a folder elsewhere in the tree, not above it, opens as usual.
    const QModelIndex b = Child(root, "b");
    ASSERT_TRUE(List(b));
    const QModelIndex toX = model->FindChild(b, OnDesktop("b/to-x"));
    ASSERT_TRUE(toX.isValid());
    EXPECT_TRUE(model->hasChildren(toX));
    ASSERT_TRUE(List(toX));
    EXPECT_EQ(Rows(toX), QStringList{"to-a"});
}

TEST_F(FolderTreeModelTest, AFolderThatVanishesWhileItIsListedTakesItsResultWithIt) {
    const QModelIndex root = model->IndexOfRoot();
    ASSERT_TRUE(List(root));
    for (int round = 0; round < 20; ++round) {
        const QString name = QStringLiteral("v%1").arg(round);
        const QString path = m_temp.folder(QStringLiteral("home/Desktop/") + name + QStringLiteral("/inner"));
        model->Relist(Desktop());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return model->FindChild(root, ParentOf(path)).isValid(); }, kDeadlineMs));
        const QPersistentModelIndex vanishing = model->FindChild(root, ParentOf(path));
        model->fetchMore(vanishing);
        ASSERT_EQ(::rmdir(NativePath(path).constData()), 0);
        ASSERT_EQ(::rmdir(NativePath(ParentOf(path)).constData()), 0);
        model->Relist(Desktop());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !vanishing.isValid(); }, kDeadlineMs)) << round;
    }
    // Whatever came back for the vanished folders changed nothing.
    QTest::qWait(50);
    EXPECT_EQ(Rows(root), (QStringList{"home", "PC", "ごみ箱", "a", "b", "c"}));
    // A model that goes while its listings run drops their results.
    const QModelIndex a = Child(root, "a");
    model->fetchMore(a);
    model->fetchMore(model->IndexOfComputer());
    model->fetchMore(model->IndexOfHome());
    model.reset();
    QTest::qWait(50);
}

} // namespace
