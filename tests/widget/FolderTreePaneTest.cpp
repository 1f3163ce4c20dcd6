#include "ui/foldertree/FolderTreePane.h"

#include "app/ViewerController.h"
#include "app/foldertree/FolderTreeModel.h"
#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "demo/DemoPictures.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "ui/foldertree/FolderTreeDrops.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kDeadlineMs = 5000;

// A pane over a controller whose home and desktop are temporary folders:
// home/Desktop/deep/er/est/  home/Desktop/deep/side/  home/Desktop/pictures/  home/docs/inner/
class FolderTreePaneTest : public ::testing::Test {
protected:
    FolderTreePaneTest() {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "RUVELA_DATA_DIR"}) {
            m_saved.push_back({name, qgetenv(name)});
        }
        for (const char* folder : {"home/Desktop/deep/er/est", "home/Desktop/deep/side",
                                   "home/Desktop/pictures", "home/docs/inner", "config", "share", "data"}) {
            m_temp.folder(QString::fromLatin1(folder));
        }
        qputenv("HOME", NativePath(m_temp.file(QStringLiteral("home"))));
        qputenv("XDG_CONFIG_HOME", NativePath(m_temp.file(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", NativePath(m_temp.file(QStringLiteral("share"))));
        qputenv("RUVELA_DATA_DIR", NativePath(m_temp.file(QStringLiteral("data"))));
    }

    void SetUp() override {
        controller = std::make_unique<ViewerController>(
            Options{}, ViewerController::Services{prompts, sound, keys, nullptr});
        QString error;
        ASSERT_TRUE(controller->InitFolders(m_temp.file(QStringLiteral("data")), &error))
            << error.toStdString();
        ASSERT_EQ(controller->state().pDesk, Desktop());
        controller->PrepareScanMask();
        pane = std::make_unique<FolderTreePane>(*controller, nullptr);
        pane->resize(300, 400);
        pane->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
    }

    ~FolderTreePaneTest() override {
        pane.reset();
        controller.reset();
        for (const auto& [name, value] : m_saved) {
            qputenv(name, value);
        }
    }

    QString Desktop() const { return m_temp.file(QStringLiteral("home/Desktop")); }
    QString Home() const { return m_temp.file(QStringLiteral("home")); }
    QString OnDesktop(const char* relative) const {
        return Desktop() + QLatin1Char('/') + QLatin1String(relative);
    }
    FolderTreeModel& model() const { return pane->treeModel(); }

    // Selects `path` and waits until the walk ends; the path the walk reached.
    QString Select(const QString& path, int mode) {
        QSignalSpy ended(pane.get(), &FolderTreePane::walkEnded);
        pane->TreeViewSelect(path, mode);
        if (ended.isEmpty() && !ended.wait(kDeadlineMs)) {
            return QString();
        }
        return ended.last().at(0).toString();
    }

    // The node of `path`, found through the way a walk takes.
    QModelIndex NodeOf(const QString& path) const {
        QModelIndex at = model().IndexOfRoot();
        QString folder = Desktop();
        for (const QString& part : path.mid(Desktop().size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            folder += QLatin1Char('/') + part;
            at = model().FindChild(at, folder);
        }
        return at;
    }

    TempFolder m_temp;
    std::vector<std::pair<const char*, QByteArray>> m_saved;
    ScriptedPrompts prompts;
    RecordedSounds sound;
    HeldKeys keys;
    std::unique_ptr<ViewerController> controller;
    std::unique_ptr<FolderTreePane> pane;
};

TEST_F(FolderTreePaneTest, ShowsTheDesktopOpenAndRefusesInPlaceEditing) {
    const QModelIndex root = model().IndexOfRoot();
    EXPECT_TRUE(pane->isExpanded(root));
    EXPECT_TRUE(pane->uniformRowHeights());
    EXPECT_TRUE(pane->acceptDrops());
    EXPECT_EQ(pane->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(model().PathOf(model().IndexOfHome()), Home());
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().FindChild(root, OnDesktop("pictures")).isValid(); },
                                kDeadlineMs));

    // The edit key runs the rename command, which asks for the new name in a box of its own.
    pane->setCurrentIndex(model().FindChild(root, OnDesktop("pictures")));
    QTest::keyClick(pane.get(), Qt::Key_F2);
    EXPECT_EQ(pane->findChild<QLineEdit*>(), nullptr);
    ASSERT_EQ(prompts.inputCaptions.size(), 1);
    EXPECT_TRUE(prompts.inputCaptions[0].startsWith(QStringLiteral("フォルダ改名|") + OnDesktop("pictures")));
}

TEST_F(FolderTreePaneTest, SelectWalksDownToADeepFolderInEachMode) {
    const QString deep = OnDesktop("deep/er");
    const struct {
        int mode;
        bool nodeOption;
        bool collapsing; // the user closed a node and has not pressed the mouse since
        bool expanded;
    } cases[] = {
        {1, false, false, true},   {1, true, true, true},   {0, true, false, false},
        {-1, false, false, false}, {-1, true, false, true}, {-1, true, true, false},
    };
    for (const auto& c : cases) {
        controller->options().SwNodeOpen = c.nodeOption;
        pane->collapse(NodeOf(deep));
        if (!c.collapsing) {
            // On no node, below the rows.
            QTest::mouseClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier,
                              QPoint(5, pane->viewport()->height() - 3));
        }
        ASSERT_EQ(pane->collapsing(), c.collapsing);
        const QString before = controller->state().CurrentFolder;
        ASSERT_EQ(Select(deep, c.mode), deep) << c.mode;
        const QModelIndex node = NodeOf(deep);
        EXPECT_EQ(pane->currentIndex(), node) << c.mode;
        EXPECT_EQ(pane->TreeFolder(), deep);
        // Every node on the way is open; the last one as the mode says.
        EXPECT_TRUE(pane->isExpanded(NodeOf(OnDesktop("deep")))) << c.mode;
        EXPECT_EQ(pane->isExpanded(node), c.expanded) << c.mode << " " << c.nodeOption << " " << c.collapsing;
        // Selected without opening the folder.
        EXPECT_EQ(controller->state().CurrentFolder, before) << c.mode;
    }
    // The home's folders are walked to from the home node, the rest from PC.
    EXPECT_EQ(Select(Home() + QStringLiteral("/docs/inner"), 1), Home() + QStringLiteral("/docs/inner"));
    EXPECT_EQ(model().parent(model().parent(pane->currentIndex())), model().IndexOfHome());
    const QString outside = m_temp.path();
    EXPECT_EQ(Select(outside, 1), outside);
    QModelIndex top = pane->currentIndex();
    while (model().parent(top) != model().IndexOfComputer()) {
        top = model().parent(top);
        ASSERT_TRUE(top.isValid());
    }
    EXPECT_EQ(model().KindOf(top), FolderTreeModel::NodeKind::Volume);
    // A part that is not there ends the walk at the deepest node found.
    EXPECT_EQ(Select(OnDesktop("deep/none/more"), 1), OnDesktop("deep"));
    EXPECT_EQ(pane->TreeFolder(), OnDesktop("deep"));
}

TEST_F(FolderTreePaneTest, ANewerSelectReplacesOneUnderWay) {
    QSignalSpy ended(pane.get(), &FolderTreePane::walkEnded);
    pane->TreeViewSelect(OnDesktop("deep/er/est"), 1);
    pane->TreeViewSelect(OnDesktop("pictures"), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->TreeFolder() == OnDesktop("pictures"); }, kDeadlineMs));
    // The replaced walk never arrives.
    EXPECT_FALSE(QTest::qWaitFor([&] { return pane->TreeFolder() != OnDesktop("pictures"); }, 300));
    ASSERT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toString(), OnDesktop("pictures"));
}

TEST_F(FolderTreePaneTest, PickingANodeViewsItsFolderAndOpensItWithTheOption) {
    controller->options().SwNodeOpen = true;
    ASSERT_EQ(Select(OnDesktop("deep"), 0), OnDesktop("deep"));
    const QModelIndex deep = NodeOf(OnDesktop("deep"));
    model().fetchMore(deep);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().FindChild(deep, OnDesktop("deep/side")).isValid(); },
                                kDeadlineMs));
    const QModelIndex side = model().FindChild(deep, OnDesktop("deep/side"));
    const QModelIndex er = model().FindChild(deep, OnDesktop("deep/er"));

    pane->setCurrentIndex(er);
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("deep/er"));
    EXPECT_TRUE(pane->isExpanded(er));

    // Virtual nodes view nothing.
    for (const QModelIndex& node : {model().IndexOfComputer(), model().index(2, 0, model().IndexOfRoot())}) {
        pane->setCurrentIndex(node);
        EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("deep/er"))
            << model().PathOf(node).toStdString();
        EXPECT_EQ(pane->TreeFolder(), QString());
    }
    // The root views the desktop.
    pane->setCurrentIndex(model().IndexOfRoot());
    EXPECT_EQ(controller->state().CurrentFolder, Desktop());

    // A node closed: picking another does not open it until the mouse is pressed again.
    pane->collapse(er);
    EXPECT_TRUE(pane->collapsing());
    pane->setCurrentIndex(side);
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("deep/side"));
    pane->setCurrentIndex(er);
    EXPECT_FALSE(pane->isExpanded(er));
    QTest::mousePress(pane->viewport(), Qt::LeftButton, Qt::NoModifier, pane->visualRect(side).center());
    EXPECT_FALSE(pane->collapsing());
    QTest::mouseRelease(pane->viewport(), Qt::LeftButton, Qt::NoModifier, pane->visualRect(side).center());
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("deep/side"));
    pane->setCurrentIndex(er);
    EXPECT_TRUE(pane->isExpanded(er));
}

TEST_F(FolderTreePaneTest, TheControllersFolderIsFollowed) {
    controller->ViewFolder(OnDesktop("deep/er/est"), true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane->TreeFolder() == OnDesktop("deep/er/est"); }, kDeadlineMs));
    EXPECT_EQ(controller->TreeFolder(), OnDesktop("deep/er/est"));
}

TEST_F(FolderTreePaneTest, OpenNodesAreSavedAndOpenedAgainAfterAReload) {
    ASSERT_EQ(Select(OnDesktop("deep/er"), 1), OnDesktop("deep/er"));
    ASSERT_EQ(Select(Home() + QStringLiteral("/docs"), 1), Home() + QStringLiteral("/docs"));
    ASSERT_EQ(Select(OnDesktop("pictures"), 0), OnDesktop("pictures"));
    // Closed above: not saved though open itself.
    ASSERT_EQ(Select(OnDesktop("deep/er/est"), 1), OnDesktop("deep/er/est"));
    pane->collapse(NodeOf(OnDesktop("deep/er")));
    pane->TreeViewSaveTemp();
    const QStringList saved{Desktop(), Home(), Home() + QStringLiteral("/docs"), OnDesktop("deep")};
    EXPECT_EQ(pane->ExpandedPaths, saved);

    pane->Reload();
    EXPECT_EQ(pane->ExpandedPaths, saved);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->TreeFolder() == OnDesktop("deep/er/est"); }, kDeadlineMs));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pane->TreeViewSaveTemp();
            return pane->ExpandedPaths.size() >= saved.size();
        },
        kDeadlineMs));
    // Selecting the deep folder opened the nodes on its way too.
    EXPECT_EQ(pane->ExpandedPaths, (QStringList{Desktop(), Home(), Home() + QStringLiteral("/docs"),
                                                OnDesktop("deep"), OnDesktop("deep/er")}));
}

TEST_F(FolderTreePaneTest, TheSafetyRefreshPicksTheRootQuietlyAndListsAgain) {
    ASSERT_EQ(Select(OnDesktop("deep"), 1), OnDesktop("deep"));
    controller->ViewFolder(OnDesktop("pictures"), false);
    m_temp.folder(QStringLiteral("home/Desktop/deep/third"));
    pane->TreeViewSafetyRefresh();
    EXPECT_EQ(pane->currentIndex(), model().IndexOfRoot());
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("pictures"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return NodeOf(OnDesktop("deep/third")).isValid(); }, kDeadlineMs));
    // The handler is back.
    pane->setCurrentIndex(NodeOf(OnDesktop("deep")));
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("deep"));
}

TEST_F(FolderTreePaneTest, NodeAtFindsTheLabelNotTheRestOfTheRow) {
    ASSERT_EQ(Select(OnDesktop("pictures"), 0), OnDesktop("pictures"));
    const QModelIndex node = NodeOf(OnDesktop("pictures"));
    const QRect row = pane->visualRect(node);
    EXPECT_EQ(pane->NodeAt(QPoint(row.left() + 2, row.center().y())), node);
    EXPECT_EQ(model().PathOf(pane->NodeAt(QPoint(row.left() + 2, row.center().y()))), OnDesktop("pictures"));
    EXPECT_FALSE(pane->NodeAt(QPoint(row.right() - 2, row.center().y())).isValid());
    // Left of the node lies the arrow and the indentation.
    EXPECT_FALSE(pane->NodeAt(QPoint(row.left() - 4, row.center().y())).isValid());
    EXPECT_FALSE(pane->NodeAt(QPoint(row.left() + 2, pane->viewport()->height() - 2)).isValid());
}

// Drops on nodes, as the tree gets them from a drag of the picture, of the status bar or of
// another node. The work runs once the drop has returned, as after a real drag.
class FolderTreeDropTest : public FolderTreePaneTest {
protected:
    void SetUp() override {
        FolderTreePaneTest::SetUp();
        // Start-up is over: the window takes input.
        controller->state().Paused = false;
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
            const QString path = OnDesktop("pictures/") + QLatin1String(name);
            ASSERT_TRUE(WriteFileReplacing(
                path, EncodeJpeg(DemoPicture(40, 30, QLatin1String(name), 1), JpegEncodeOptions{})));
            pictures << path;
        }
        controller->ViewFolder(OnDesktop("pictures"), true);
        ASSERT_EQ(controller->state().CurrentFile, pictures[0]);
        ASSERT_EQ(Select(OnDesktop("deep/side"), 0), OnDesktop("deep/side"));
        ASSERT_EQ(Select(OnDesktop("pictures"), 0), OnDesktop("pictures"));
    }

    // Drops `data` on the label of `node` with `modifiers` held and lets the work run.
    void DropOn(const QModelIndex& node, QMimeData& data, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect row = pane->visualRect(node);
        ASSERT_FALSE(row.isEmpty());
        const QPointF at(row.left() + 4, row.center().y());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              modifiers);
        QCoreApplication::sendEvent(pane->viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(pane->viewport(), &move);
        // While the drag rests on a node, that node is picked for the moment.
        EXPECT_EQ(pane->currentIndex(), node);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(pane->viewport(), &drop);
        QCoreApplication::processEvents();
    }
    void DropPictureOn(const QModelIndex& node, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMimeData data;
        MarkShownFileDrag(data);
        DropOn(node, data, modifiers);
    }
    QModelIndex TrashNode() const {
        const QModelIndex root = model().IndexOfRoot();
        for (int row = 0; row < model().rowCount(root); ++row) {
            const QModelIndex node = model().index(row, 0, root);
            if (model().KindOf(node) == FolderTreeModel::NodeKind::Trash) {
                return node;
            }
        }
        return {};
    }

    QStringList pictures;
};

TEST_F(FolderTreeDropTest, ThePictureDroppedOnAFolderMovesThereAndTheSelectionComesBack) {
    const QModelIndex picked = pane->currentIndex();
    DropPictureOn(NodeOf(OnDesktop("deep/side")));
    EXPECT_TRUE(QFile::exists(OnDesktop("deep/side/a.jpg")));
    EXPECT_FALSE(QFile::exists(pictures[0]));
    EXPECT_EQ(controller->state().CurrentFile, pictures[1]);
    EXPECT_EQ(controller->state().LastChosenFolder, OnDesktop("deep/side"));
    EXPECT_EQ(pane->currentIndex(), picked);
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("pictures"));
}

TEST_F(FolderTreeDropTest, ThePictureDroppedWithShiftSortsTheSelectedRangeAfterOneQuestion) {
    controller->SelectAll();
    prompts.answers = {MessageResult::Yes};
    DropPictureOn(NodeOf(OnDesktop("deep/side")), Qt::ShiftModifier);
    ASSERT_FALSE(prompts.texts().isEmpty());
    EXPECT_TRUE(prompts.texts()[0].startsWith(QStringLiteral("表示中の3個のファイルを")));
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
        EXPECT_TRUE(QFile::exists(OnDesktop("deep/side/") + QLatin1String(name))) << name;
    }
}

TEST_F(FolderTreeDropTest, ThePictureDroppedOnTheTrashGoesToTheTrash) {
    const QModelIndex trash = TrashNode();
    ASSERT_TRUE(trash.isValid());
    prompts.answers = {MessageResult::Yes};
    DropPictureOn(trash);
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("表示中のファイルa.jpgをごみ箱に削除します\r\nよろしいですか？")});
    EXPECT_FALSE(QFile::exists(pictures[0]));
    EXPECT_TRUE(QFile::exists(m_temp.file(QStringLiteral("share/Trash/files/a.jpg"))));
}

TEST_F(FolderTreeDropTest, AFolderDroppedOnAFolderMovesIntoItAndOntoItsChildIsRefused) {
    QMimeData inside;
    MarkFolderDrag(inside, OnDesktop("deep"));
    DropOn(NodeOf(OnDesktop("deep/side")), inside);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("同列の下位フォルダには移動できません")});

    prompts.answers = {MessageResult::Yes};
    QMimeData data;
    MarkFolderDrag(data, OnDesktop("deep/side"));
    DropOn(NodeOf(OnDesktop("pictures")), data);
    EXPECT_TRUE(QFileInfo(OnDesktop("pictures/side")).isDir());
    EXPECT_FALSE(QFileInfo::exists(OnDesktop("deep/side")));
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("pictures/side"));
    // The tree follows: the moved folder is picked at its new place.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return model().PathOf(pane->currentIndex()) == OnDesktop("pictures/side"); }, kDeadlineMs));
}

TEST_F(FolderTreeDropTest, ADropFromAnotherProgramDoesNothing) {
    QMimeData data;
    data.setData(QStringLiteral("application/x-ruvela-shown-file"), QByteArray("1"));
    data.setUrls({QUrl::fromLocalFile(pictures[1])});
    DropOn(NodeOf(OnDesktop("deep/side")), data);
    EXPECT_TRUE(QFile::exists(pictures[0]));
    EXPECT_TRUE(prompts.asked.empty());
}

// The right button on a node opens its menu; the texts it offers are recorded and `choice` is
// triggered, as a hand would.
QStringList ChooseInNodeMenu(FolderTreePane& pane, const QModelIndex& node, const QString& choice) {
    QStringList offered;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        poll.stop();
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            offered << action->text();
            if (action->text() == choice) {
                chosen = action;
            }
        }
        if (chosen != nullptr) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
        } else {
            menu->close();
        }
    });
    poll.start();
    const QRect row = pane.visualRect(node);
    const QPoint at(row.left() + 4, row.center().y());
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, pane.viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(pane.viewport(), &event);
    return offered;
}

TEST_F(FolderTreeDropTest, TheNodeMenuDeletesAFolderToTheTrashAfterTheQuestion) {
    const QModelIndex side = NodeOf(OnDesktop("deep/side"));
    prompts.answers = {MessageResult::No, MessageResult::Yes};
    EXPECT_EQ(ChooseInNodeMenu(*pane, side, QStringLiteral("削除(&D)")),
              (QStringList{QStringLiteral("開く(&O)"), QStringLiteral("名前の変更(&M)"),
                           QStringLiteral("削除(&D)")}));
    EXPECT_TRUE(QFileInfo(OnDesktop("deep/side")).isDir());
    ChooseInNodeMenu(*pane, side, QStringLiteral("削除(&D)"));
    EXPECT_EQ(prompts.texts().last(),
              QStringLiteral("選択されたフォルダ\r\n") + OnDesktop("deep/side") +
                  QStringLiteral("\r\nを、下位フォルダも含めて削除します\r\nよろしいですか？"));
    EXPECT_FALSE(QFileInfo::exists(OnDesktop("deep/side")));
    EXPECT_TRUE(QFileInfo(m_temp.file(QStringLiteral("share/Trash/files/side"))).isDir());
    // The home node can be opened, never deleted or renamed from here.
    EXPECT_EQ(ChooseInNodeMenu(*pane, model().IndexOfHome(), QString()),
              QStringList{QStringLiteral("開く(&O)")});
}

TEST_F(FolderTreeDropTest, TheNodeMenuRenamesThatNodesFolder) {
    const QModelIndex picked = pane->currentIndex();
    prompts.typed = {QString()};
    ChooseInNodeMenu(*pane, NodeOf(OnDesktop("deep/side")), QStringLiteral("名前の変更(&M)"));
    ASSERT_EQ(prompts.inputCaptions.size(), 1);
    EXPECT_TRUE(
        prompts.inputCaptions[0].startsWith(QStringLiteral("フォルダ改名|") + OnDesktop("deep/side")));
    // Cancelled: the node picked before is picked again, and no folder was opened.
    EXPECT_EQ(pane->currentIndex(), picked);
    EXPECT_EQ(controller->state().CurrentFolder, OnDesktop("pictures"));
}

} // namespace
