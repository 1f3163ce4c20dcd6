#include "MainWindowFixture.h"
#include "app/CommandNames.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <map>

namespace {

// Every visible item of the menu bar by its caption path ("ファイル(&F)/終了(&X)").
std::map<QString, QAction*> VisibleItems(QMenuBar* bar) {
    std::map<QString, QAction*> items;
    const auto walk = [&items](auto& self, const QList<QAction*>& actions, const QString& prefix) -> void {
        for (QAction* action : actions) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            const QString path = prefix + action->text();
            items[path] = action;
            if (QMenu* menu = action->menu())
                self(self, menu->actions(), path + QLatin1Char('/'));
        }
    };
    walk(walk, bar->actions(), QString());
    return items;
}

class MainMenuTest : public MainWindowFixture {};

TEST_F(MainMenuTest, TheMenuBarHoldsItsMenusAndCommandsInOrder) {
    QStringList captions;
    for (QAction* action : form->menuBar()->actions()) {
        if (action->isVisible())
            captions.append(action->text());
    }
    EXPECT_EQ(captions,
              QStringList({"ファイル(&F)", "編集(&E)", "表示(&V)", "整列(&I)", "ツール(&T)", "設定(&O)",
                           "縮小(&S)", "拡大(&Z)", "戻る(&B)", "進む(&N)", "ヘルプ(&H)"}));
}

TEST_F(MainMenuTest, ItemsCarryTheirCaptionsShortcutsAndState) {
    struct Row {
        const char* path;
        const char* shortcut;
        bool enabled;
    };
    // Commands that need a shown file start disabled: the window opens on an empty list.
    const Row rows[] = {
        {"ファイル(&F)/しおりを開く(&G)...", "Ctrl+G", false},
        {"ファイル(&F)/しおりを挟む(&T)...", "Ctrl+T", false},
        {"ファイル(&F)/ファイルを開く(&O)...", "", true},
        {"ファイル(&F)/フォルダを開く(&F)...", "", true},
        {"ファイル(&F)/クリップボードを表示(&C)", "", false},
        {"ファイル(&F)/フォルダを作成する(&K)...", "", false},
        {"ファイル(&F)/フォルダを改名する(&R)...", "", false},
        {"ファイル(&F)/最初へ戻る(&S)", "Shift+Left", false},
        {"ファイル(&F)/最後へ進む(&E)", "Shift+Right", false},
        {"ファイル(&F)/フォルダを戻る(&B)", "Shift+Up", true},
        {"ファイル(&F)/フォルダを進む(&N)", "Shift+Down", true},
        {"ファイル(&F)/終了(&X)", "Alt+F4", true},
        {"編集(&E)/現在のリスト(&L)/ファイルをコピー(&C)", "", true},
        {"編集(&E)/現在のリスト(&L)/ファイルを移動(&M)", "", true},
        {"編集(&E)/現在のリスト(&L)/ファイルを削除(&D)", "", true},
        {"編集(&E)/現在のリスト(&L)/一括変換(&F)/BMP形式(&B)...", "", false},
        {"編集(&E)/現在のリスト(&L)/一括変換(&F)/PNG形式(&P)...", "", false},
        {"編集(&E)/現在のリスト(&L)/一括変換(&F)/JPEG形式(&J)...", "", false},
        {"編集(&E)/リストＡ(&A)/ファイルをコピー(&C)", "", true},
        {"編集(&E)/リストＥ(&E)/ファイルを移動(&M)", "", true},
        {"編集(&E)/リストＦ(&F)/ファイルを削除(&D)", "", true},
        {"編集(&E)/リストＢ(&B)/リストを開く(&O)", "", true},
        {"編集(&E)/リストＩ(&I)/リストをクリア(&E)", "", true},
        {"編集(&E)/リストＪ(&J)/チェックを反転(&R)", "", true},
        {"編集(&E)/ドラッグ＆ドロップ(&O)...", "", true},
        {"編集(&E)/リドゥ(&R)", "Ctrl+Y", true},
        {"編集(&E)/アンドゥ(&U)", "Ctrl+Z", true},
        {"表示(&V)/オブジェクト(&O)/ツリー(&T)", "", false},
        {"表示(&V)/オブジェクト(&O)/ステータスバー(&S)", "", false},
        {"表示(&V)/オブジェクト(&O)/テキスト(&X)", "", false},
        {"表示(&V)/オブジェクト(&O)/トラックバー(&B)", "", false},
        {"表示(&V)/倍率(&Z)/常に等倍で表示(&D)", "Alt+1", true},
        {"表示(&V)/倍率(&Z)/倍率を固定(&H)", "Alt+2", true},
        {"表示(&V)/倍率(&Z)/表示領域に合わせる(&F)", "Alt+3", true},
        {"表示(&V)/倍率(&Z)/領域オーバー時のみ縮小(&S)", "Alt+4", true},
        {"表示(&V)/倍率(&Z)/横幅に合わせる(&W)", "Alt+5", true},
        {"表示(&V)/倍率を入力(&W)...", "Ctrl+I", true},
        {"表示(&V)/反転or回転(&V)/右９０°回転(&R)", "", true},
        {"表示(&V)/色合(&C)/茶セピア(&S)", "", true},
        {"表示(&V)/ガンマ補正(&G)/やや暗め(&S)", "", true},
        {"表示(&V)/明暗(&L)/暗くする(&A)", "", true},
        {"表示(&V)/コントラスト(&C)/やや上げる(&L)", "", true},
        {"表示(&V)/シャープorぼかし(&S)/強めにぼかす(&A)", "", true},
        {"表示(&V)/フィルター(&F)/左上カラーで透過(&T)", "", true},
        {"表示(&V)/標準に戻す(&D)", "Ctrl+D", true},
        {"表示(&V)/情報を更新(&R)", "Ctrl+R", true},
        {"整列(&I)/ソート無し(&F)", "", true},
        {"整列(&I)/ファイル名　[ABC](&N)", "", true},
        {"整列(&I)/１６：９比に近い画像(&T)", "", true},
        {"ツール(&T)/振り分けテーブルの設定(&M)...", "", false},
        {"ツール(&T)/読込(&L)...", "Ctrl+L", true},
        {"ツール(&T)/保存(&S)...", "Ctrl+S", true},
        {"ツール(&T)/振り分けテーブルの表示(&F)", "Ctrl+F", false},
        {"ツール(&T)/Exif情報の表示(&E)", "Ctrl+E", false},
        {"設定(&O)/フルスクリーン表示(&F)", "F11", false},
        {"設定(&O)/スライド・ショー(&S)", "F12", false},
        {"設定(&O)/常に最前面で表示(&P)", "", false},
        {"設定(&O)/サウンドを再生(&E)", "", true},
        {"設定(&O)/JPEGハーフサイズ読込(&J)/通常サイズ", "", true},
        {"設定(&O)/JPEGハーフサイズ読込(&J)/１/２サイズで読込", "", true},
        {"設定(&O)/JPEGハーフサイズ読込(&J)/１/４サイズで読込", "", true},
        {"設定(&O)/JPEGハーフサイズ読込(&J)/１/８サイズで読込", "", true},
        {"設定(&O)/環境設定(&O)...", "", true},
        {"縮小(&S)", "", false},
        {"拡大(&Z)", "", false},
        {"戻る(&B)", "", false},
        {"進む(&N)", "", false},
        {"ヘルプ(&H)/Ruvelaの表紙に設定する(&T)", "", false},
        {"ヘルプ(&H)/ヘルプを開く(&H)...", "", false},
        {"ヘルプ(&H)/作者のＨＰを開く(&W)...", "", false},
        {"ヘルプ(&H)/Ruvelaのバージョン情報(&V)...", "", true},
    };
    const std::map<QString, QAction*> items = VisibleItems(form->menuBar());
    for (const Row& row : rows) {
        const QString path = QString::fromUtf8(row.path);
        const auto found = items.find(path);
        ASSERT_NE(found, items.end()) << row.path;
        EXPECT_EQ(found->second->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut))) << row.path;
        EXPECT_EQ(found->second->isEnabled(), row.enabled) << row.path;
    }
}

TEST_F(MainMenuTest, HiddenItemsAreOutOfTheMenusButKeepTheirShortcuts) {
    struct Row {
        const char* name;
        const char* caption;
        const char* shortcut;
        bool enabled = false;
    };
    std::vector<Row> rows = {
        {"mnuFolder_mBack", "前のフォルダへ", "Ctrl+B", true},
        {"mnuFolder_mNext", "次のフォルダへ", "Ctrl+N", true},
        {"mnuFolder_Up", "上のフォルダへ", "Ctrl+U", true},
        {"mnuNormalSize", "等倍で表示(&N)", ""},
        {"mnuWindowZoomUp", "最大化", ""},
        {"mnuCommentZoomUp", "コメント最大化", ""},
        {"mnuWindowReset", "ウィンドウ初期化", ""},
        {"mnuImgPop", "イメージポップ(&I)", "", true},
        {"mnuCommentPop", "コメントポップ(&C)", "", true},
        {"mnuBarPop", "バーポップ(&B)", "", true},
        {"mnuMes", "mes", ""},
    };

    std::map<QAction*, QString> shown;
    for (const auto& [path, action] : VisibleItems(form->menuBar()))
        shown[action] = path;
    for (const Row& row : rows) {
        auto* action = form->findChild<QAction*>(QString::fromLatin1(row.name));
        ASSERT_NE(action, nullptr) << row.name;
        EXPECT_EQ(action->text(), QString::fromUtf8(row.caption)) << row.name;
        EXPECT_EQ(action->shortcut(), QKeySequence(QString::fromLatin1(row.shortcut))) << row.name;
        EXPECT_EQ(shown.count(action), 0u) << row.name << " is shown at " << shown[action].toStdString();
        EXPECT_EQ(action->isEnabled(), row.enabled) << row.name;
    }
}

TEST_F(MainMenuTest, AHiddenItemsShortcutReachesIt) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    controller->state().Paused = false;
    QAction* back = form->mainMenu().action(QStringLiteral("mnuFolder_mBack"));
    back->setEnabled(true);
    int triggered = 0;
    QObject::connect(back, &QAction::triggered, [&triggered] { ++triggered; });
    QTest::keyClick(form.get(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(triggered, 1);
}

TEST_F(MainMenuTest, ChoiceGroupsCheckOneItemAtATime) {
    struct Group {
        const char* menu;
        QStringList captions;
        const char* checked;
    };
    const Group groups[] = {
        {"mnuSort",
         {"ソート無し(&F)", "ファイル名　[ABC](&N)", "ファイル名　[ZYX](&Z)", "ファイルサイズ　[1,2,3](&A)",
          "ファイルサイズ　[3,2,1](&B)", "日付　[29,30,31](&C)", "日付　[31,30,29](&D)", "拡張子　[ABC](&E)",
          "シャッフル(&S)", "画像の横ピクセル数　[3,2,1](&W)", "画像の縦ピクセル数　[3,2,1](&H)",
          "画像の総ピクセル数　[3,2,1](&P)", "４：３比に近い画像(&V)", "１６：９比に近い画像(&T)"},
         "ソート無し(&F)"},
        {"mnuJPEGHalfSize",
         {"通常サイズ", "１/２サイズで読込", "１/４サイズで読込", "１/８サイズで読込"},
         "通常サイズ"},
        {"mnuViewRate",
         {"常に等倍で表示(&D)", "倍率を固定(&H)", "表示領域に合わせる(&F)", "領域オーバー時のみ縮小(&S)",
          "横幅に合わせる(&W)"},
         "領域オーバー時のみ縮小(&S)"},
        {"mnuViewMode",
         {"標準(&D)", "ミラー(&M)", "上下反転(&V)", "右９０°回転(&R)", "１８０°回転(&A)", "左９０°回転(&L)"},
         "標準(&D)"},
    };
    for (const Group& group : groups) {
        QMenu* menu = form->mainMenu().menu(QString::fromLatin1(group.menu));
        ASSERT_NE(menu, nullptr) << group.menu;
        QStringList captions;
        QStringList checked;
        QActionGroup* exclusive = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            captions.append(action->text());
            EXPECT_TRUE(action->isCheckable()) << action->text().toStdString();
            if (action->isChecked())
                checked.append(action->text());
            if (!exclusive)
                exclusive = action->actionGroup();
            EXPECT_EQ(action->actionGroup(), exclusive) << action->text().toStdString();
        }
        EXPECT_EQ(captions, group.captions) << group.menu;
        EXPECT_EQ(checked, QStringList(QString::fromUtf8(group.checked))) << group.menu;
        ASSERT_NE(exclusive, nullptr);
        EXPECT_TRUE(exclusive->isExclusive());
    }
}

TEST_F(MainMenuTest, CheckListMenusHoldTheirCommandsWithOpenInBold) {
    const QString letters = QStringLiteral("ＡＢＣＤＥＦＧＨＩＪ");
    const std::map<QString, QAction*> items = VisibleItems(form->menuBar());
    for (int i = 0; i < 10; ++i) {
        const QString menuPath = QStringLiteral("編集(&E)/リスト") + letters[i] + QStringLiteral("(&") +
                                 QChar(u'A' + i) + QStringLiteral(")");
        ASSERT_EQ(items.count(menuPath), 1u) << menuPath.toStdString();
        QMenu* menu = items.at(menuPath)->menu();
        ASSERT_NE(menu, nullptr);
        QStringList captions;
        for (QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isVisible())
                captions.append(action->text());
        }
        EXPECT_EQ(captions, QStringList({"ファイルをコピー(&C)", "ファイルを移動(&M)", "ファイルを削除(&D)",
                                         "リストを開く(&O)", "リストをクリア(&E)", "チェックを反転(&R)"}));
        ASSERT_NE(menu->defaultAction(), nullptr);
        EXPECT_EQ(menu->defaultAction()->text(), QStringLiteral("リストを開く(&O)"));
    }
}

// The visible entries of a pop-up menu by caption, with "-" for a separator, each marked "!"
// when disabled.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator())
            entries.append(QStringLiteral("-"));
        else
            entries.append(action->text() + (action->isEnabled() ? QString() : QStringLiteral("!")));
    }
    return entries;
}

TEST_F(MainMenuTest, ThePopUpMenusHoldTheirItemsWithTheUnbuiltOnesDisabled) {
    const auto popup = [this](const char* name) {
        return form->findChild<QMenu*>(QString::fromLatin1(name));
    };
    ASSERT_NE(popup("PopupMain"), nullptr);
    // The picture's menu opens only on a shown file, so its items follow the list.
    controller->registry().SetPictureShown(true);
    form->mainMenu().setImageCommandsEnabled(true);
    EXPECT_EQ(
        Entries(popup("PopupMain")),
        QStringList({"最初へ戻る(&S)", "最後へ進む(&E)", "-", "チェックリスト(&L)", "-", "コピー(&C)!",
                     "別形式にて保存(&V)!", "アプリケーションで開く(&O)!", "この画像のフォルダを開く(&E)!",
                     "-", "壁紙に設定(&W)!", "アップロード画像の作成(&Y)!", "-", "名前を変更する(&M)...!",
                     "削除(&D)...!", "-", "プロパティ(&R)...!"}));
    EXPECT_EQ(
        Entries(popup("popCopy")),
        QStringList({"元の画像(&N)!", "表示されている画像(&V)!", "Exifに含まれるサムネイル画像(&E)!", "-",
                     "ファイル名(&F)!", "パスも含めたファイル名(&P)!", "HTML(&H)!", "フォルダ名(&G)!"}));
    EXPECT_EQ(Entries(popup("popSaveAs")),
              QStringList({"BMPで保存(&B)...!", "PNGで保存(&P)...!", "JPEGで保存(&J)...!",
                           "表示画像をJPEGで保存(&V)...!"}));
    // The external programs stay hidden until the settings name them.
    EXPECT_EQ(Entries(popup("popApp")), QStringList({"関連付けで開く(&O)!", "ＩＥで開く(&I)!", "-"}));
    EXPECT_EQ(Entries(popup("popWall")),
              QStringList({"起動中のみ(&T)!", "再起動時も有効にする(&I)!", "表示画像を壁紙にする(&V)!"}));
    EXPECT_EQ(Entries(popup("PopupText")),
              QStringList({"コピー(&C)", "全てコピー(&A)", "-", "URLを標準のブラウザで開く(&U)...!", "-",
                           "コメントを編集する(&E)...!"}));
    EXPECT_EQ(Entries(popup("PopupBar")),
              QStringList({"開始点に設定する(&X)", "終了点に設定する(&Y)", "全て選択する(&A)"}));
    EXPECT_EQ(Entries(popup("PopupSystem")),
              QStringList({"ウィンドウ位置の初期化(&W)!", "-", "画像ポップメニュー(&P)", "-",
                           "チェックリストＪ(&J)", "戻る(&B)", "進む(&N)"}));

    // The check-list submenu: unmarking everywhere in bold, then the ten toggles with their
    // keys, F1 … F10 alone and with Shift.
    const QMenu* lists = popup("popCheckList");
    ASSERT_NE(lists->defaultAction(), nullptr);
    EXPECT_EQ(lists->defaultAction()->text(), QStringLiteral("チェックを解除する(&K)"));
    const QList<QAction*> items = lists->actions();
    ASSERT_EQ(items.size(), 12);
    EXPECT_TRUE(items[1]->isSeparator());
    for (int i = 0; i < 10; ++i) {
        const QAction* toggle = items[i + 2];
        SCOPED_TRACE(i);
        EXPECT_EQ(toggle->objectName(), QStringLiteral("popCheckList%1").arg(i + 1));
        EXPECT_TRUE(toggle->isCheckable());
        EXPECT_EQ(toggle->shortcuts(),
                  QList<QKeySequence>({QKeySequence(QStringLiteral("F%1").arg(i + 1)),
                                       QKeySequence(QStringLiteral("Shift+F%1").arg(i + 1))}));
    }
    EXPECT_EQ(items[2]->text(), QStringLiteral("チェックリストＡ"));
}

TEST_F(MainMenuTest, EveryCommandOfTheTableHasItsItemOrAction) {
    for (const CommandRow& row : CommandTable()) {
        const QAction* action = form->findChild<QAction*>(QString::fromLatin1(row.objectName));
        ASSERT_NE(action, nullptr) << row.objectName;
        EXPECT_EQ(form->mainMenu().action(row.id), action) << row.objectName;
    }
}

} // namespace
