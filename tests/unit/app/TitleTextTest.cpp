#include "app/TitleText.h"

#include <QDateTime>
#include <gtest/gtest.h>

namespace {

ViewerState ShownState() {
    ViewerState state;
    state.FileList = {{QStringLiteral("/home/aki/pics/a.jpg"), 0},
                      {QStringLiteral("/home/aki/pics/b.jpg"), 0},
                      {QStringLiteral("/home/aki/pics/c.jpg"), 0}};
    state.CurrentIndex = 2;
    state.CurrentFile = QStringLiteral("/home/aki/pics/b.jpg");
    state.CurrentFolder = QStringLiteral("/home/aki/pics");
    state.SourceBitmap = QImage(640, 480, QImage::Format_RGB888);
    state.ZoomRate = 0.5;
    state.CurrentFileSize = 1234567;
    state.ListTotalSize = 9876543210LL;
    state.CurrentBitDepth = 24;
    state.CurrentFileModified = QDateTime(QDate(2026, 12, 9), QTime(9, 5)).toSecsSinceEpoch();
    state.CurrentFileTime = 1;
    return state;
}

TitleContext Context() {
    TitleContext context;
    context.timeFormat = QStringLiteral("yyyy/mm/dd(ddd) am/pm hh:nn");
    context.home = QStringLiteral("/home/aki");
    context.tip = QStringLiteral("Tips : x");
    return context;
}

} // namespace

TEST(TitleText, ShownFileFillsCaptionAndPanels) {
    const TitleTexts texts = MakeTitleTexts(ShownState(), Context());
    EXPECT_EQ(texts.caption, QStringLiteral("Ruvela - 2/3 [b.jpg]  (640x480) * 0.50"));
    EXPECT_EQ(texts.panels[0], QStringLiteral(" 1,234,567 / 9,876,543,210 byte"));
    EXPECT_EQ(texts.panels[1], QStringLiteral("24 bit"));
    EXPECT_EQ(texts.panels[2], QStringLiteral("2026/12/09(水) am 09:05"));
    EXPECT_EQ(texts.panels[4], QStringLiteral(" ~/pics/b.jpg"));
    EXPECT_EQ(texts.hint, QStringLiteral("/home/aki/pics/b.jpg"));
    EXPECT_EQ(texts.taskTitle, QStringLiteral("Ruvela - [/home/aki/pics]"));
}

TEST(TitleText, ModesMarksAndDepths) {
    ViewerState state = ShownState();
    TitleContext context = Context();
    context.slideShow = true;
    context.marks = QStringLiteral("  :  猫[3]");
    state.ClipboardMode = true;
    state.RootListName = QStringLiteral("猫");
    state.CurrentFileSize = 0;
    state.CurrentFileTime = 0;
    state.CurrentBitDepth = 254;
    TitleTexts texts = MakeTitleTexts(state, context);
    EXPECT_EQ(texts.caption, QStringLiteral("Ruvela - スライドショー再生中 - クリップボード表示中 - 2/3 "
                                            "[b.jpg]  (640x480) * 0.50  :  猫[3]"));
    EXPECT_EQ(texts.panels[0], QString());
    EXPECT_EQ(texts.panels[1], QStringLiteral("CMYK"));
    EXPECT_EQ(texts.panels[2], QString());
    EXPECT_EQ(texts.taskTitle, QStringLiteral("Ruvela - [猫]"));

    state.ClipboardMode = false;
    context.slideShow = false;
    context.marks.clear();
    state.BrowserMode = true;
    state.BrowserTitle = QStringLiteral("ページ");
    state.CurrentBitDepth = 255;
    texts = MakeTitleTexts(state, context);
    EXPECT_EQ(texts.caption, QStringLiteral("Ruvela - IEブラウジングモード - 2/3 [ページ]"));
    EXPECT_EQ(texts.panels[1], QStringLiteral("Susie"));
    state.CurrentBitDepth = 0;
    EXPECT_EQ(MakeTitleTexts(state, context).panels[1], QString());
}

TEST(TitleText, NothingShownShowsTheEmptyCaptionAndATip) {
    ViewerState state;
    state.CurrentFolder = QStringLiteral("/empty");
    const TitleTexts texts = MakeTitleTexts(state, Context());
    EXPECT_EQ(texts.caption, QStringLiteral("Ruvela - 画像ファイルが見つかりません"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(texts.panels[i].isEmpty()) << i;
    }
    EXPECT_EQ(texts.panels[4], QStringLiteral("Tips : x"));
    EXPECT_EQ(texts.taskTitle, QStringLiteral("Ruvela - [/empty]"));
}

TEST(TitleText, TipsAndVersionBox) {
    EXPECT_EQ(
        TipsStr(0),
        QStringLiteral("Tips : [Ctrl]キーを押しながらフォルダを開くと、下位フォルダの画像も検索します"));
    EXPECT_EQ(TipsStr(17),
              QStringLiteral(
                  "Tips : 高解像度の写真など表示が遅い場合、JPEGハーフサイズ読込で少しだけ改善されます"));
    EXPECT_EQ(TipsStr(9), TipsStr(0));
    EXPECT_EQ(VersionCaption(12), QStringLiteral("Ruvela - バージョン情報（12）"));
    EXPECT_EQ(VersionText(0, 41, {QSize(1920, 1080), QSize(1280, 1024)}, QStringLiteral("Tips : x")),
              QStringLiteral("Ruvela  Ver_1.80\r\n\r\nFuriwake : 0 / 41\r\nDisplay1 : 1920 x 1080\r\n"
                             "Display2 : 1280 x 1024\r\nTips : x"));
}

TEST(TitleText, CheckListCaptions) {
    EXPECT_EQ(CheckListCaption(0, 12, QStringLiteral("汎用")), QStringLiteral("[0012] 汎用(&A)"));
    EXPECT_EQ(CheckListCaption(9, 0, QStringLiteral("プリント")), QStringLiteral("[0000] プリント(&J)"));
    EXPECT_EQ(CheckListCaption(3, 12345, QStringLiteral("削除&候補")), QStringLiteral("[12345] 削除&候補"));
}
