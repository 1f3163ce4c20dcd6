#include "ui/main/MainMenu.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr MenuRow Menu(const char* name, const char* parent, const char* caption, unsigned flags) {
    return {MenuKind::Menu, name, parent, caption, "", 0, "", flags};
}

constexpr MenuRow Item(const char* name, const char* parent, const char* caption, const char* shortcut,
                       unsigned flags, int tag, const char* group) {
    return {MenuKind::Item, name, parent, caption, shortcut, tag, group, flags};
}

constexpr MenuRow Popup(const char* name) {
    return {MenuKind::Popup, name, "", "", "", 0, "", 0};
}

constexpr MenuRow Sep(const char* parent) {
    return {MenuKind::Separator, "", parent, "", "", 0, "", 0};
}

// Unnamed items keep descriptive names; the check-list items carry their list's number as tag.
constexpr MenuRow kRows[] = {
    // ファイル
    Menu("mnuFile", "", "ファイル(&F)", Built),
    Item("mnuBookMarkOpen", "mnuFile", "しおりを開く(&G)...", "Ctrl+G", 0, 0, ""),
    Item("mnuBookMarkInsert", "mnuFile", "しおりを挟む(&T)...", "Ctrl+T", ImageCommand, 0, ""),
    Sep("mnuFile"),
    Item("mnuFileOpen", "mnuFile", "ファイルを開く(&O)...", "", Built, 0, ""),
    Item("mnuFoldetOpen", "mnuFile", "フォルダを開く(&F)...", "", Built, 0, ""),
    Sep("mnuFile"),
    Item("mnuClipBoardOpen", "mnuFile", "クリップボードを表示(&C)", "", Built | ImageCommand, 0, ""),
    Sep("mnuFile"),
    Item("mnuFolderCreate", "mnuFile", "フォルダを作成する(&K)...", "", 0, 0, ""),
    Item("mnuFolderRename", "mnuFile", "フォルダを改名する(&R)...", "", 0, 0, ""),
    Sep("mnuFile"),
    Item("mnuJumpStart", "mnuFile", "最初へ戻る(&S)", "Shift+Left", ImageCommand | Built, 0, ""),
    Item("mnuJumpEnd", "mnuFile", "最後へ進む(&E)", "Shift+Right", ImageCommand | Built, 0, ""),
    Item("mnuFolderBackEx", "mnuFile", "フォルダを戻る(&B)", "Shift+Up", Built, 0, ""),
    Item("mnuFolderNextEx", "mnuFile", "フォルダを進む(&N)", "Shift+Down", Built, 0, ""),
    Item("mnuFolder_mBack", "mnuFile", "前のフォルダへ", "Ctrl+B", Hidden | Built, 0, ""),
    Item("mnuFolder_mNext", "mnuFile", "次のフォルダへ", "Ctrl+N", Hidden | Built, 0, ""),
    Item("mnuFolder_Up", "mnuFile", "上のフォルダへ", "Ctrl+U", Hidden | Built, 0, ""),
    Sep("mnuFile"),
    Item("Exit1", "mnuFile", "終了(&X)", "Alt+F4", Built, 0, ""),
    // 編集
    Menu("mnuEdit", "", "編集(&E)", Built),
    Menu("mnuNowList", "mnuEdit", "現在のリスト(&L)", ImageCommand | Built),
    Item("mnuNowListCopy", "mnuNowList", "ファイルをコピー(&C)", "", Built, 0, ""),
    Item("mnuNowListMove", "mnuNowList", "ファイルを移動(&M)", "", Built, 0, ""),
    Item("mnuNowListDelete", "mnuNowList", "ファイルを削除(&D)", "", Built, 0, ""),
    Sep("mnuNowList"),
    Menu("mnuNowListConvert", "mnuNowList", "一括変換(&F)", 0),
    Item("BMPB1", "mnuNowListConvert", "BMP形式(&B)...", "", 0, 0, ""),
    Item("AllConvertPNG", "mnuNowListConvert", "PNG形式(&P)...", "", 0, 0, ""),
    Item("JPEGJ1", "mnuNowListConvert", "JPEG形式(&J)...", "", 0, 0, ""),
    Sep("mnuEdit"),
    Menu("mnuListA", "mnuEdit", "リストＡ(&A)", Built),
    Item("mnuListA_Copy", "mnuListA", "ファイルをコピー(&C)", "", Built, 1, ""),
    Item("mnuListA_Move", "mnuListA", "ファイルを移動(&M)", "", Built, 1, ""),
    Item("mnuListA_Delete", "mnuListA", "ファイルを削除(&D)", "", Built, 1, ""),
    Sep("mnuListA"),
    Item("mnuListA_Open", "mnuListA", "リストを開く(&O)", "", DefaultItem | Built, 1, ""),
    Item("mnuListA_Erase", "mnuListA", "リストをクリア(&E)", "", Built, 1, ""),
    Item("mnuListA_Reverse", "mnuListA", "チェックを反転(&R)", "", Built, 1, ""),
    Menu("mnuListB", "mnuEdit", "リストＢ(&B)", Built),
    Item("mnuListB_Copy", "mnuListB", "ファイルをコピー(&C)", "", Built, 2, ""),
    Item("mnuListB_Move", "mnuListB", "ファイルを移動(&M)", "", Built, 2, ""),
    Item("mnuListB_Delete", "mnuListB", "ファイルを削除(&D)", "", Built, 2, ""),
    Sep("mnuListB"),
    Item("mnuListB_Open", "mnuListB", "リストを開く(&O)", "", DefaultItem | Built, 2, ""),
    Item("mnuListB_Erase", "mnuListB", "リストをクリア(&E)", "", Built, 2, ""),
    Item("mnuListB_Reverse", "mnuListB", "チェックを反転(&R)", "", Built, 2, ""),
    Menu("mnuListC", "mnuEdit", "リストＣ(&C)", Built),
    Item("mnuListC_Copy", "mnuListC", "ファイルをコピー(&C)", "", Built, 3, ""),
    Item("mnuListC_Move", "mnuListC", "ファイルを移動(&M)", "", Built, 3, ""),
    Item("mnuListC_Delete", "mnuListC", "ファイルを削除(&D)", "", Built, 3, ""),
    Sep("mnuListC"),
    Item("mnuListC_Open", "mnuListC", "リストを開く(&O)", "", DefaultItem | Built, 3, ""),
    Item("mnuListC_Erase", "mnuListC", "リストをクリア(&E)", "", Built, 3, ""),
    Item("mnuListC_Reverse", "mnuListC", "チェックを反転(&R)", "", Built, 3, ""),
    Menu("mnuListD", "mnuEdit", "リストＤ(&D)", Built),
    Item("mnuListD_Copy", "mnuListD", "ファイルをコピー(&C)", "", Built, 4, ""),
    Item("mnuListD_Move", "mnuListD", "ファイルを移動(&M)", "", Built, 4, ""),
    Item("mnuListD_Delete", "mnuListD", "ファイルを削除(&D)", "", Built, 4, ""),
    Sep("mnuListD"),
    Item("mnuListD_Open", "mnuListD", "リストを開く(&O)", "", DefaultItem | Built, 4, ""),
    Item("mnuListD_Erase", "mnuListD", "リストをクリア(&E)", "", Built, 4, ""),
    Item("mnuListD_Reverse", "mnuListD", "チェックを反転(&R)", "", Built, 4, ""),
    Menu("mnuListE", "mnuEdit", "リストＥ(&E)", Built),
    Item("mnuListE_Copy", "mnuListE", "ファイルをコピー(&C)", "", Built, 5, ""),
    Item("mnuListE_Move", "mnuListE", "ファイルを移動(&M)", "", Built, 5, ""),
    Item("mnuListE_Delete", "mnuListE", "ファイルを削除(&D)", "", Built, 5, ""),
    Sep("mnuListE"),
    Item("mnuListE_Open", "mnuListE", "リストを開く(&O)", "", DefaultItem | Built, 5, ""),
    Item("mnuListE_Erase", "mnuListE", "リストをクリア(&E)", "", Built, 5, ""),
    Item("mnuListE_Reverse", "mnuListE", "チェックを反転(&R)", "", Built, 5, ""),
    Menu("mnuListF", "mnuEdit", "リストＦ(&F)", Built),
    Item("mnuListF_Copy", "mnuListF", "ファイルをコピー(&C)", "", Built, 6, ""),
    Item("mnuListF_Move", "mnuListF", "ファイルを移動(&M)", "", Built, 6, ""),
    Item("mnuListF_Delete", "mnuListF", "ファイルを削除(&D)", "", Built, 6, ""),
    Sep("mnuListF"),
    Item("mnuListF_Open", "mnuListF", "リストを開く(&O)", "", DefaultItem | Built, 6, ""),
    Item("mnuListF_Erase", "mnuListF", "リストをクリア(&E)", "", Built, 6, ""),
    Item("mnuListF_Reverse", "mnuListF", "チェックを反転(&R)", "", Built, 6, ""),
    Menu("mnuListG", "mnuEdit", "リストＧ(&G)", Built),
    Item("mnuListG_Copy", "mnuListG", "ファイルをコピー(&C)", "", Built, 7, ""),
    Item("mnuListG_Move", "mnuListG", "ファイルを移動(&M)", "", Built, 7, ""),
    Item("mnuListG_Delete", "mnuListG", "ファイルを削除(&D)", "", Built, 7, ""),
    Sep("mnuListG"),
    Item("mnuListG_Open", "mnuListG", "リストを開く(&O)", "", DefaultItem | Built, 7, ""),
    Item("mnuListG_Erase", "mnuListG", "リストをクリア(&E)", "", Built, 7, ""),
    Item("mnuListG_Reverse", "mnuListG", "チェックを反転(&R)", "", Built, 7, ""),
    Menu("mnuListH", "mnuEdit", "リストＨ(&H)", Built),
    Item("mnuListH_Copy", "mnuListH", "ファイルをコピー(&C)", "", Built, 8, ""),
    Item("mnuListH_Move", "mnuListH", "ファイルを移動(&M)", "", Built, 8, ""),
    Item("mnuListH_Delete", "mnuListH", "ファイルを削除(&D)", "", Built, 8, ""),
    Sep("mnuListH"),
    Item("mnuListH_Open", "mnuListH", "リストを開く(&O)", "", DefaultItem | Built, 8, ""),
    Item("mnuListH_Erase", "mnuListH", "リストをクリア(&E)", "", Built, 8, ""),
    Item("mnuListH_Reverse", "mnuListH", "チェックを反転(&R)", "", Built, 8, ""),
    Menu("mnuListI", "mnuEdit", "リストＩ(&I)", Built),
    Item("mnuListI_Copy", "mnuListI", "ファイルをコピー(&C)", "", Built, 9, ""),
    Item("mnuListI_Move", "mnuListI", "ファイルを移動(&M)", "", Built, 9, ""),
    Item("mnuListI_Delete", "mnuListI", "ファイルを削除(&D)", "", Built, 9, ""),
    Sep("mnuListI"),
    Item("mnuListI_Open", "mnuListI", "リストを開く(&O)", "", DefaultItem | Built, 9, ""),
    Item("mnuListI_Erase", "mnuListI", "リストをクリア(&E)", "", Built, 9, ""),
    Item("mnuListI_Reverse", "mnuListI", "チェックを反転(&R)", "", Built, 9, ""),
    Menu("mnuListJ", "mnuEdit", "リストＪ(&J)", Built),
    Item("mnuListJ_Copy", "mnuListJ", "ファイルをコピー(&C)", "", Built, 10, ""),
    Item("mnuListJ_Move", "mnuListJ", "ファイルを移動(&M)", "", Built, 10, ""),
    Item("mnuListJ_Delete", "mnuListJ", "ファイルを削除(&D)", "", Built, 10, ""),
    Sep("mnuListJ"),
    Item("mnuListJ_Open", "mnuListJ", "リストを開く(&O)", "", DefaultItem | Built, 10, ""),
    Item("mnuListJ_Erase", "mnuListJ", "リストをクリア(&E)", "", Built, 10, ""),
    Item("mnuListJ_Reverse", "mnuListJ", "チェックを反転(&R)", "", Built, 10, ""),
    Sep("mnuEdit"),
    Item("mnuListDandD", "mnuEdit", "ドラッグ＆ドロップ(&O)...", "", Built, 0, ""),
    Sep("mnuEdit"),
    Item("mnuMoveRedo", "mnuEdit", "リドゥ(&R)", "Ctrl+Y", Built, 0, ""),
    Item("mnuMoveUndo", "mnuEdit", "アンドゥ(&U)", "Ctrl+Z", Built, 0, ""),
    // 表示
    Menu("mnuView", "", "表示(&V)", Built),
    Menu("mnuObject", "mnuView", "オブジェクト(&O)", 0),
    Item("mnuTreeMode", "mnuObject", "ツリー(&T)", "", Checkable | Checked, 0, ""),
    Item("mnuStatusMode", "mnuObject", "ステータスバー(&S)", "", Checkable | Checked, 0, ""),
    Item("mnuTextMode", "mnuObject", "テキスト(&X)", "", Checkable | Checked, 0, ""),
    Item("mnuBarMode", "mnuObject", "トラックバー(&B)", "", Checkable | Checked, 0, ""),
    Sep("mnuView"),
    Menu("mnuViewRate", "mnuView", "倍率(&Z)", Built),
    Item("mnuViewRateNormal", "mnuViewRate", "常に等倍で表示(&D)", "Alt+1", Checkable | Built, 260, "zoom"),
    Item("mnuViewRateHold", "mnuViewRate", "倍率を固定(&H)", "Alt+2", Checkable | Built, 261, "zoom"),
    Item("mnuViewRateWindow", "mnuViewRate", "表示領域に合わせる(&F)", "Alt+3", Checkable | Built, 262,
         "zoom"),
    Item("mnuViewRateSmall", "mnuViewRate", "領域オーバー時のみ縮小(&S)", "Alt+4",
         Checkable | Checked | Built, 263, "zoom"),
    Item("mnuViewRateWidth", "mnuViewRate", "横幅に合わせる(&W)", "Alt+5", Checkable | Built, 264, "zoom"),
    Item("mnuViewRateInput", "mnuView", "倍率を入力(&W)...", "Ctrl+I", Built, 0, ""),
    Menu("mnuViewMode", "mnuView", "反転or回転(&V)", Built),
    Item("mnuViewModeNormal", "mnuViewMode", "標準(&D)", "", Checkable | Checked | Built, 1, "orientation"),
    Item("mnuViewModeMirror", "mnuViewMode", "ミラー(&M)", "", Checkable | Built, 2, "orientation"),
    Item("mnuViewModeTBMirror", "mnuViewMode", "上下反転(&V)", "", Checkable | Built, 3, "orientation"),
    Item("mnuViewModeRot90", "mnuViewMode", "右９０°回転(&R)", "", Checkable | Built, 4, "orientation"),
    Item("mnuViewModeRot180", "mnuViewMode", "１８０°回転(&A)", "", Checkable | Built, 5, "orientation"),
    Item("mnuViewModeRot270", "mnuViewMode", "左９０°回転(&L)", "", Checkable | Built, 6, "orientation"),
    Sep("mnuView"),
    Menu("mnuViewColor", "mnuView", "色合(&C)", Built),
    Item("mnuViewColorNormal", "mnuViewColor", "標準(&D)", "", Checkable | Checked | Built, 0, "colour"),
    Item("mnuViewColorSepia1", "mnuViewColor", "茶セピア(&S)", "", Checkable | Built, 0, "colour"),
    Item("mnuViewColorSepia2", "mnuViewColor", "青セピア(&B)", "", Checkable | Built, 0, "colour"),
    Item("mnuViewColorGray", "mnuViewColor", "グレースケール(&G)", "", Checkable | Built, 0, "colour"),
    Item("mnuViewColorNega", "mnuViewColor", "ネガ反転(&N)", "", Checkable | Built, 0, "colour"),
    Menu("mnuGamma", "mnuView", "ガンマ補正(&G)", Built),
    Item("mnuGLightTwo", "mnuGamma", "明るめ(&G)", "", Checkable | Built, 0, "gamma"),
    Item("mnuGLightOne", "mnuGamma", "やや明るめ(&L)", "", Checkable | Built, 0, "gamma"),
    Item("mnuGammaNormal", "mnuGamma", "標準(&M)", "", Checkable | Checked | Built, 0, "gamma"),
    Item("mnuGDarkOne", "mnuGamma", "やや暗め(&S)", "", Checkable | Built, 0, "gamma"),
    Item("mnuGDarkTwo", "mnuGamma", "暗め(&A)", "", Checkable | Built, 0, "gamma"),
    Menu("mnuLight", "mnuView", "明暗(&L)", Built),
    Item("mnuLightTwo", "mnuLight", "明るくする(&G)", "", Checkable | Built, 0, "brightness"),
    Item("mnuLightOne", "mnuLight", "やや明るくする(&L)", "", Checkable | Built, 0, "brightness"),
    Item("mnuLightNormal", "mnuLight", "標準(&M)", "", Checkable | Checked | Built, 0, "brightness"),
    Item("mnuDarkOne", "mnuLight", "やや暗くする(&S)", "", Checkable | Built, 0, "brightness"),
    Item("mnuDarkTwo", "mnuLight", "暗くする(&A)", "", Checkable | Built, 0, "brightness"),
    Menu("mnuContrast", "mnuView", "コントラスト(&C)", Built),
    Item("mnuContrastUpTwo", "mnuContrast", "上げる(&G)", "", Checkable | Built, 0, "contrast"),
    Item("mnuContrastUpOne", "mnuContrast", "やや上げる(&L)", "", Checkable | Built, 0, "contrast"),
    Item("mnuContrastNormal", "mnuContrast", "標準(&M)", "", Checkable | Checked | Built, 0, "contrast"),
    Item("mnuContrastDownOne", "mnuContrast", "やや下げる(&S)", "", Checkable | Built, 0, "contrast"),
    Item("mnuContrastDownTwo", "mnuContrast", "下げる(&A)", "", Checkable | Built, 0, "contrast"),
    Menu("mnuSharp", "mnuView", "シャープorぼかし(&S)", Built),
    Item("mnuSharpTwo", "mnuSharp", "強めにシャープ(&G)", "", Checkable | Built, 0, "sharpness"),
    Item("mnuSharpOne", "mnuSharp", "シャープ(&L)", "", Checkable | Built, 0, "sharpness"),
    Item("mnuSharpNormal", "mnuSharp", "標準(&M)", "", Checkable | Checked | Built, 0, "sharpness"),
    Item("mnuShadeOne", "mnuSharp", "ぼかし(&S)", "", Checkable | Built, 0, "sharpness"),
    Item("mnuShadeTwo", "mnuSharp", "強めにぼかす(&A)", "", Checkable | Built, 0, "sharpness"),
    Menu("mnuFilter", "mnuView", "フィルター(&F)", Built),
    Item("mnuFilterNormal", "mnuFilter", "標準(&D)", "", Checkable | Checked | Built, 0, "filter"),
    Item("mnuFilterLinePic", "mnuFilter", "細線化(&L)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterEdge", "mnuFilter", "エッジ抽出(&E)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterNoise", "mnuFilter", "ノイズ(&N)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterWhiteNoise", "mnuFilter", "ホワイトノイズ(&W)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterSola", "mnuFilter", "ソラリゼーション(&S)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterMozaic", "mnuFilter", "モザイク(&M)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterDotK", "mnuFilter", "ドット拡散(&K)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterMaxGet", "mnuFilter", "最大値抽出(&G)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterIE", "mnuFilter", "ＩＥ選択(&I)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterReverseWB", "mnuFilter", "純白黒反転(&R)", "", Checkable | Built, 0, "filter"),
    Item("mnuFilterScreenLU", "mnuFilter", "左上カラーで透過(&T)", "", Checkable | Built, 0, "filter"),
    Sep("mnuView"),
    Item("mnuFilterReset", "mnuView", "標準に戻す(&D)", "Ctrl+D", Built, 0, ""),
    Sep("mnuView"),
    Item("Refresh1", "mnuView", "情報を更新(&R)", "Ctrl+R", Built, 0, ""),
    // 整列
    Menu("mnuSort", "", "整列(&I)", Built),
    Item("mnuSortFalse", "mnuSort", "ソート無し(&F)", "", Checkable | Checked | Built, 0, "sort"),
    Sep("mnuSort"),
    Item("mnuSortFileName123", "mnuSort", "ファイル名　[ABC](&N)", "", Checkable | Built, 1, "sort"),
    Item("mnuSortFileName321", "mnuSort", "ファイル名　[ZYX](&Z)", "", Checkable | Built, 17, "sort"),
    Item("mnuSortFileSize123", "mnuSort", "ファイルサイズ　[1,2,3](&A)", "", Checkable | Built, 2, "sort"),
    Item("mnuSortFileSize321", "mnuSort", "ファイルサイズ　[3,2,1](&B)", "", Checkable | Built, 18, "sort"),
    Item("mnuSortFileDate123", "mnuSort", "日付　[29,30,31](&C)", "", Checkable | Built, 3, "sort"),
    Item("mnuSortFileDate321", "mnuSort", "日付　[31,30,29](&D)", "", Checkable | Built, 19, "sort"),
    Item("mnuSortFileExt123", "mnuSort", "拡張子　[ABC](&E)", "", Checkable | Built, 4, "sort"),
    Item("mnuSortShuffle", "mnuSort", "シャッフル(&S)", "", Checkable | Built, 8, "sort"),
    Item("mnuSortImageWidth", "mnuSort", "画像の横ピクセル数　[3,2,1](&W)", "", Checkable | Built, 9, "sort"),
    Item("mnuSortImageHeight", "mnuSort", "画像の縦ピクセル数　[3,2,1](&H)", "", Checkable | Built, 10,
         "sort"),
    Item("mnuSortImagePixels", "mnuSort", "画像の総ピクセル数　[3,2,1](&P)", "", Checkable | Built, 11,
         "sort"),
    Item("mnuSortRatio43", "mnuSort", "４：３比に近い画像(&V)", "", Checkable | Built, 12, "sort"),
    Item("mnuSortRatio169", "mnuSort", "１６：９比に近い画像(&T)", "", Checkable | Built, 16, "sort"),
    // ツール
    Menu("mnuTool", "", "ツール(&T)", Built),
    Item("mnuMoveTo", "mnuTool", "振り分けテーブルの設定(&M)...", "", 0, 0, ""),
    Item("mnuKeyTableLoad", "mnuTool", "読込(&L)...", "Ctrl+L", Built, 0, ""),
    Item("mnuKeyTableSave", "mnuTool", "保存(&S)...", "Ctrl+S", Built, 0, ""),
    Item("mnuKeyListView", "mnuTool", "振り分けテーブルの表示(&F)", "Ctrl+F", Checkable, 0, ""),
    Sep("mnuTool"),
    Item("mnuExifView", "mnuTool", "Exif情報の表示(&E)", "Ctrl+E", Checkable, 0, ""),
    // 設定
    Menu("mnuOption", "", "設定(&O)", Built),
    Item("mnuFullScreen", "mnuOption", "フルスクリーン表示(&F)", "F11", Checkable, 0, ""),
    Item("SlideShow", "mnuOption", "スライド・ショー(&S)", "F12", Checkable | ImageCommand, 0, ""),
    Item("mnuTopView", "mnuOption", "常に最前面で表示(&P)", "", Checkable, 0, ""),
    Item("mnuNormalSize", "mnuOption", "等倍で表示(&N)", "", Checkable | Hidden | ImageCommand | Built, 0,
         ""),
    Sep("mnuOption"),
    Item("mnuSoundPlay", "mnuOption", "サウンドを再生(&E)", "", Checkable | Built, 0, ""),
    Menu("mnuJPEGHalfSize", "mnuOption", "JPEGハーフサイズ読込(&J)", Built),
    Item("mnuJPEGSize1", "mnuJPEGHalfSize", "通常サイズ", "", Checkable | Checked | Built, 1, "jpeg"),
    Item("mnuJPEGSize2", "mnuJPEGHalfSize", "１/２サイズで読込", "", Checkable | Built, 2, "jpeg"),
    Item("mnuJPEGSize4", "mnuJPEGHalfSize", "１/４サイズで読込", "", Checkable | Built, 4, "jpeg"),
    Item("mnuJPEGSize8", "mnuJPEGHalfSize", "１/８サイズで読込", "", Checkable | Built, 8, "jpeg"),
    Sep("mnuOption"),
    Item("mnuFileOption", "mnuOption", "環境設定(&O)...", "", Built, 0, ""),
    Item("mnuWindowZoomUp", "mnuOption", "最大化", "", Hidden, 0, ""),
    Item("mnuCommentZoomUp", "mnuOption", "コメント最大化", "", Hidden, 0, ""),
    Item("mnuWindowReset", "mnuOption", "ウィンドウ初期化", "", Hidden, 0, ""),
    Item("mnuImgPop", "mnuOption", "イメージポップ(&I)", "", Hidden | Built, 0, ""),
    Item("mnuCommentPop", "mnuOption", "コメントポップ(&C)", "", Hidden | Built, 0, ""),
    Item("mnuBarPop", "mnuOption", "バーポップ(&B)", "", Hidden | Built, 0, ""),
    // the menu bar's own commands
    Item("mnuSmall", "", "縮小(&S)", "", ImageCommand | Built, 0, ""),
    Item("mnuZoom", "", "拡大(&Z)", "", ImageCommand | Built, 0, ""),
    Item("mnuImgBack", "", "戻る(&B)", "", ImageCommand | Built, 0, ""),
    Item("mnuImgNext", "", "進む(&N)", "", ImageCommand | Built, 0, ""),
    // ヘルプ
    Menu("mnuHelp", "", "ヘルプ(&H)", Built),
    Item("popRuvelaSplash", "mnuHelp", "Ruvelaの表紙に設定する(&T)", "", ImageCommand, 0, ""),
    Sep("mnuHelp"),
    Item("Help1", "mnuHelp", "ヘルプを開く(&H)...", "", 0, 0, ""),
    Item("mnuWebSite", "mnuHelp", "作者のＨＰを開く(&W)...", "", 0, 0, ""),
    Sep("mnuHelp"),
    Item("mnuVersion", "mnuHelp", "Ruvelaのバージョン情報(&V)...", "", Built, 0, ""),
    // the picture's pop-up menu
    Popup("PopupMain"),
    Item("popJumpStart", "PopupMain", "最初へ戻る(&S)", "", ImageCommand | Built, 0, ""),
    Item("popJumpEnd", "PopupMain", "最後へ進む(&E)", "", ImageCommand | Built, 0, ""),
    Sep("PopupMain"),
    Menu("popCheckList", "PopupMain", "チェックリスト(&L)", Built),
    Item("K1", "popCheckList", "チェックを解除する(&K)", "", DefaultItem | Built, 0, ""),
    Sep("popCheckList"),
    Item("popCheckList1", "popCheckList", "チェックリストＡ", "F1", Checkable | Built, 1, ""),
    Item("popCheckList2", "popCheckList", "チェックリストＢ", "F2", Checkable | Built, 2, ""),
    Item("popCheckList3", "popCheckList", "チェックリストＣ", "F3", Checkable | Built, 3, ""),
    Item("popCheckList4", "popCheckList", "チェックリストＤ", "F4", Checkable | Built, 4, ""),
    Item("popCheckList5", "popCheckList", "チェックリストＥ", "F5", Checkable | Built, 5, ""),
    Item("popCheckList6", "popCheckList", "チェックリストＦ", "F6", Checkable | Built, 6, ""),
    Item("popCheckList7", "popCheckList", "チェックリストＧ", "F7", Checkable | Built, 7, ""),
    Item("popCheckList8", "popCheckList", "チェックリストＨ", "F8", Checkable | Built, 8, ""),
    Item("popCheckList9", "popCheckList", "チェックリストＩ", "F9", Checkable | Built, 9, ""),
    Item("popCheckList10", "popCheckList", "チェックリストＪ", "F10", Checkable | Built, 10, ""),
    Sep("PopupMain"),
    Menu("popCopy", "PopupMain", "コピー(&C)", 0),
    Item("popImgCopyNormal", "popCopy", "元の画像(&N)", "", 0, 1, ""),
    Item("popImgCopyView", "popCopy", "表示されている画像(&V)", "", 0, 2, ""),
    Item("popImgCopyExif", "popCopy", "Exifに含まれるサムネイル画像(&E)", "", 0, 0, ""),
    Sep("popCopy"),
    Item("popStrCopyFileName", "popCopy", "ファイル名(&F)", "", 0, 1, ""),
    Item("popStrCopyFullPath", "popCopy", "パスも含めたファイル名(&P)", "", DefaultItem, 2, ""),
    Item("popStrCopyHTML", "popCopy", "HTML(&H)", "", 0, 3, ""),
    Item("popStrCopyFolder", "popCopy", "フォルダ名(&G)", "", 0, 4, ""),
    Menu("popSaveAs", "PopupMain", "別形式にて保存(&V)", 0),
    Item("BMP1", "popSaveAs", "BMPで保存(&B)...", "", 0, 0, ""),
    Item("PNG1", "popSaveAs", "PNGで保存(&P)...", "", 0, 0, ""),
    Item("Jpeg1", "popSaveAs", "JPEGで保存(&J)...", "", 0, 0, ""),
    Item("Jpeg2", "popSaveAs", "表示画像をJPEGで保存(&V)...", "", DefaultItem, 0, ""),
    Menu("popApp", "PopupMain", "アプリケーションで開く(&O)", 0),
    Item("popAppOpen", "popApp", "関連付けで開く(&O)", "", 0, 0, ""),
    Item("popOpenIE", "popApp", "ＩＥで開く(&I)", "", DefaultItem, 0, ""),
    Sep("popApp"),
    Item("popExApp1", "popApp", "未定義", "", 0, 1, ""),
    Item("popExApp2", "popApp", "未定義", "", 0, 2, ""),
    Item("popExApp3", "popApp", "未定義", "", 0, 3, ""),
    Item("popExApp4", "popApp", "未定義", "", 0, 4, ""),
    Item("popExApp5", "popApp", "未定義", "", 0, 5, ""),
    Item("popExApp6", "popApp", "未定義", "", 0, 6, ""),
    Item("popExApp7", "popApp", "未定義", "", 0, 7, ""),
    Item("popExApp8", "popApp", "未定義", "", 0, 8, ""),
    Item("popExApp9", "popApp", "未定義", "", 0, 9, ""),
    Item("popExApp10", "popApp", "未定義", "", 0, 10, ""),
    Item("popAppExplorer", "PopupMain", "この画像のフォルダを開く(&E)", "", 0, 0, ""),
    Sep("PopupMain"),
    Menu("popWall", "PopupMain", "壁紙に設定(&W)", 0),
    Item("popWallShort", "popWall", "起動中のみ(&T)", "", 0, 0, ""),
    Item("popWallLong1", "popWall", "再起動時も有効にする(&I)", "", 0, 1, ""),
    Item("popWallLong2", "popWall", "表示画像を壁紙にする(&V)", "", DefaultItem, 2, ""),
    Item("popYahoo", "PopupMain", "アップロード画像の作成(&Y)", "", 0, 0, ""),
    Item("google1", "PopupMain", "Googleイメージ検索(&G)...", "", Hidden, 0, ""),
    Sep("PopupMain"),
    Item("popRename", "PopupMain", "名前を変更する(&M)...", "", 0, 0, ""),
    Item("popDelete", "PopupMain", "削除(&D)...", "", 0, 0, ""),
    Sep("PopupMain"),
    Item("Property1", "PopupMain", "プロパティ(&R)...", "", 0, 0, ""),
    // the comment pane's pop-up menu
    Popup("PopupText"),
    Item("Copy1", "PopupText", "コピー(&C)", "", Built, 0, ""),
    Item("A1", "PopupText", "全てコピー(&A)", "", Built, 0, ""),
    Sep("PopupText"),
    Item("URL2", "PopupText", "URLをRuvelaで開く(&M)", "", Hidden, 1, ""),
    Item("URL1", "PopupText", "URLを標準のブラウザで開く(&U)...", "", 0, 0, ""),
    Sep("PopupText"),
    Item("CommentReWrite", "PopupText", "コメントを編集する(&E)...", "", 0, 0, ""),
    // the track bar's pop-up menu
    Popup("PopupBar"),
    Item("N57", "PopupBar", "開始点に設定する(&X)", "", Built, 0, ""),
    Item("N58", "PopupBar", "終了点に設定する(&Y)", "", Built, 0, ""),
    Item("N59", "PopupBar", "全て選択する(&A)", "", Built, 0, ""),
    // the entries the title bar's menu offers; the empty area of the menu bar opens them
    Popup("PopupSystem"),
    Item("sysWindowReset", "PopupSystem", "ウィンドウ位置の初期化(&W)", "", 0, 0, ""),
    Sep("PopupSystem"),
    Item("sysImgPop", "PopupSystem", "画像ポップメニュー(&P)", "", Built, 0, ""),
    Sep("PopupSystem"),
    Item("sysCheckJ", "PopupSystem", "チェックリストＪ(&J)", "", Built, 0, ""),
    Item("sysBack", "PopupSystem", "戻る(&B)", "", Built, 0, ""),
    Item("sysNext", "PopupSystem", "進む(&N)", "", Built, 0, ""),
    // the caption repeated on the menu bar in full screen
    Item("mnuMes", "", "mes", "", Hidden, 0, ""),
};

} // namespace

std::span<const MenuRow> MainMenuRows() {
    return kRows;
}

MainMenu::MainMenu(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    QSet<QString> inPopup; // the pop-up menus and the submenus within them
    for (const MenuRow& row : MainMenuRows()) {
        const QString name = QString::fromUtf8(row.name);
        const QString caption = QString::fromUtf8(row.caption);
        QMenu* parent = m_menus.value(QString::fromUtf8(row.parent));
        switch (row.kind) {
        case MenuKind::Separator:
            parent->addSeparator();
            break;
        case MenuKind::Popup: {
            auto* menu = new QMenu(&window);
            menu->setObjectName(name);
            m_menus.insert(name, menu);
            inPopup.insert(name);
            break;
        }
        case MenuKind::Menu: {
            QMenu* menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
            menu->setObjectName(name);
            menu->menuAction()->setEnabled(row.flags & Built);
            m_menus.insert(name, menu);
            if (inPopup.contains(QString::fromUtf8(row.parent)))
                inPopup.insert(name);
            break;
        }
        case MenuKind::Item: {
            auto* action = new QAction(caption, &window);
            action->setObjectName(name);
            action->setData(row.tag);
            if (*row.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            action->setCheckable(row.flags & Checkable);
            action->setChecked(row.flags & Checked);
            action->setEnabled(row.flags & Built);
            if (*row.group) {
                QActionGroup*& group = m_groups[QString::fromLatin1(row.group)];
                if (!group)
                    group = new QActionGroup(&window);
                group->addAction(action);
            }
            if (!(row.flags & Hidden))
                (parent ? static_cast<QWidget*>(parent) : bar)->addAction(action);
            else if (parent)
                // An invisible action loses its shortcut, so a hidden item is kept out of its
                // menu and lives on the window, where its shortcut works.
                window.addAction(action);
            else {
                bar->addAction(action);
                action->setVisible(false);
            }
            // A pop-up menu is not on the screen until it opens, so the window keeps the
            // shortcuts of its items.
            if (*row.shortcut && inPopup.contains(QString::fromUtf8(row.parent)))
                window.addAction(action);
            if (row.flags & DefaultItem)
                parent->setDefaultAction(action);
            m_actions.insert(name, action);
            break;
        }
        }
        if (row.flags & Built)
            m_built.insert(name);
        if (row.flags & ImageCommand)
            m_imageCommands.insert(name);
    }
    setImageCommandsEnabled(false);
}

void MainMenu::setImageCommandsEnabled(bool on) {
    for (const QString& name : std::as_const(m_imageCommands)) {
        const bool enabled = on && m_built.contains(name);
        if (QAction* item = m_actions.value(name))
            item->setEnabled(enabled);
        else if (QMenu* menu = m_menus.value(name))
            menu->menuAction()->setEnabled(enabled);
    }
    if (!on)
        m_actions.value(QStringLiteral("SlideShow"))->setChecked(false);
}
