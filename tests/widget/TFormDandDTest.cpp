#include "ui/checklists/TFormDandD.h"

#include "core/common/NativePath.h"
#include "platform/LocalUrl.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"

#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kCurrent = QStringLiteral("現在のリスト");

// The dialog with the drag itself replaced: each drag is recorded and ends as the test says.
class ScriptedDandD : public TFormDandD {
public:
    using TFormDandD::TFormDandD;

    struct Drag {
        QList<QUrl> urls;
        Qt::DropActions actions;
        QString caption;
        int height;
    };
    std::vector<Drag> drags;
    Qt::DropAction answer = Qt::CopyAction;

protected:
    Qt::DropAction RunDrag(std::unique_ptr<QMimeData> data, Qt::DropActions actions) override {
        drags.push_back({data->urls(), actions, windowTitle(), height()});
        return answer;
    }
};

QStringList Names() {
    QStringList names{kCurrent};
    for (int n = 0; n < 10; ++n)
        names << QStringLiteral("リスト%1").arg(QChar(u'Ａ' + n));
    return names;
}

class TFormDandDTest : public ::testing::Test {
protected:
    TFormDandDTest() {
        picture = folder.write(QStringLiteral("a.jpg"), "a");
        // A name that is not UTF-8 must reach the target byte for byte.
        oddName = folder.write(PathFromNative(QByteArray("caf\xe9 pic.jpg")), "b");
        lists = QList<QStringList>(11);
        lists[0] = {picture, oddName};
        lists[3] = {oddName};
        lists[5] = {picture, folder.file(QStringLiteral("gone.jpg")), oddName};
    }

    // Presses the left button on `row` and moves the held pointer by `dx`, `dy`.
    static void PressAndMove(TFormDandD& dialog, int row, int dx, int dy) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ListBox"));
        QWidget* viewport = list->viewport();
        const QPoint from = list->visualItemRect(list->item(row)).center();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
        const QPoint to = from + QPoint(dx, dy);
        QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
    }

    TempFolder folder;
    QString picture;
    QString oddName;
    QList<QStringList> lists;
    ScriptedPrompts prompts;
};

TEST_F(TFormDandDTest, RowsShowEachListsCountAndName) {
    lists[10] = QStringList(12345, picture);
    TFormDandD dialog(lists, Names(), prompts);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("リストをドラッグ出来ます"));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    auto* list = dialog.findChild<QListWidget*>(QStringLiteral("ListBox"));
    ASSERT_NE(list, nullptr);
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    EXPECT_EQ(rows, (QStringList{
                        QStringLiteral("[0002] 現在のリスト"),
                        QStringLiteral("[0000] リストＡ"),
                        QStringLiteral("[0000] リストＢ"),
                        QStringLiteral("[0001] リストＣ"),
                        QStringLiteral("[0000] リストＤ"),
                        QStringLiteral("[0003] リストＥ"),
                        QStringLiteral("[0000] リストＦ"),
                        QStringLiteral("[0000] リストＧ"),
                        QStringLiteral("[0000] リストＨ"),
                        QStringLiteral("[0000] リストＩ"),
                        QStringLiteral("[12345] リストＪ"),
                    }));
}

TEST_F(TFormDandDTest, DraggingARowHandsItsFilesOverAsACopyAndCloses) {
    struct Case {
        const char* what;
        int row;
        Qt::DropAction answer;
        bool dropped;
        QStringList files;
    };
    const Case cases[] = {
        {"current list dropped", 0, Qt::CopyAction, true, {picture, oddName}},
        {"check list dropped", 3, Qt::CopyAction, true, {oddName}},
        {"drag cancelled", 0, Qt::IgnoreAction, false, {picture, oddName}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDandD dialog(lists, Names(), prompts);
        dialog.answer = c.answer;
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        PressAndMove(dialog, c.row, 0, 5);
        ASSERT_EQ(dialog.drags.size(), 1u);
        const auto& drag = dialog.drags.front();
        QStringList files;
        for (const QUrl& url : drag.urls)
            files << PathFromLocalUrl(url);
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(drag.actions, Qt::DropActions(Qt::CopyAction));
        const QString row = dialog.findChild<QListWidget*>(QStringLiteral("ListBox"))->item(c.row)->text();
        EXPECT_EQ(drag.caption, row + QStringLiteral("をドラッグ中..."));
        EXPECT_EQ(drag.height, 0);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.dropped(), c.dropped);
        EXPECT_TRUE(prompts.asked.empty());
    }
}

TEST_F(TFormDandDTest, NoDragBeforeFivePixelsOrWithoutFiles) {
    struct Case {
        const char* what;
        int row;
        int dx;
        int dy;
    };
    const Case cases[] = {
        {"four pixels across and down", 0, 4, 4},
        {"empty check list", 1, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDandD dialog(lists, Names(), prompts);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        PressAndMove(dialog, c.row, c.dx, c.dy);
        EXPECT_TRUE(dialog.drags.empty());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("リストをドラッグ出来ます"));
        EXPECT_FALSE(dialog.dropped());
        EXPECT_TRUE(prompts.asked.empty());
    }
}

TEST_F(TFormDandDTest, AMissingFileIsReportedAndNothingIsDragged) {
    ScriptedDandD dialog(lists, Names(), prompts);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    PressAndMove(dialog, 5, -5, 0);
    EXPECT_TRUE(dialog.drags.empty());
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].text, QStringLiteral("リストのファイル\r\n") +
                                         folder.file(QStringLiteral("gone.jpg")) +
                                         QStringLiteral("\r\nが見つかりません"));
    EXPECT_EQ(prompts.asked[0].icon, MessageIcon::Information);
    EXPECT_EQ(prompts.asked[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("リストをドラッグ出来ます"));
}

} // namespace
