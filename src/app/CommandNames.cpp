#include "app/CommandNames.h"

#include <QHash>
#include <array>

namespace {

const std::array<BindableInput, 27> kInputs{{
    {"mGes7", "mgesDLU", "左上で離す", "無し", &Options::mGes7},
    {"mGes8", "mgesDU", "上で離す", "設定", &Options::mGes8},
    {"mGes9", "mgesDRU", "右上で離す", "無し", &Options::mGes9},
    {"mGes4", "mgesDL", "左で離す", "しおりを挟む", &Options::mGes4},
    {"mGes6", "mgesDR", "右で離す", "しおりを開く", &Options::mGes6},
    {"mGes1", "mgesDLD", "左下で離す", "無し", &Options::mGes1},
    {"mGes2", "mgesDD", "下で離す", "ヘルプを開く", &Options::mGes2},
    {"mGes3", "mgesDRD", "右下で離す", "無し", &Options::mGes3},
    {"mGes5", "mgesRC", "右クリック", "画像メニュー", &Options::mGes5},
    {"mGesLDC", "mgesLDC", "左ダブルクリック", "等倍で表示", &Options::mGesLDC},
    {"mGesWC", "mgesWC", "ホイールクリック", "無し", &Options::mGesWC},
    {"mGesLRC", "mgesLRC", "左＋右クリック", "無し", &Options::mGesLRC},
    {"mGesRLC", "mgesRLC", "右＋左クリック", "無し", &Options::mGesRLC},
    {"mGesRWU", "mgesRWU", "右＋ホイール↑", "拡大", &Options::mGesRWU},
    {"mGesRWD", "mgesRWD", "右＋ホイール↓", "縮小", &Options::mGesRWD},
    {"mGesTDBC", "mgesTitleDbc", "タイトルをダブルクリック", "最大化", &Options::mGesTDBC},
    {"mGesTWC", "mgesTitleWc", "タイトルをホイールクリック", "無し", &Options::mGesTWC},
    {"mGesTRC", "mgesTitleRc", "タイトルを右クリック", "無し", &Options::mGesTRC},
    {"mGesTVDBC", "mgesTreeDbc", "ツリーをダブルクリック", "無し", &Options::mGesTVDBC},
    {"mGesTVMC", "mgesTreeMc", "ツリーをホイールクリック", "無し", &Options::mGesTVMC},
    {"mGesCDBC", "mgesCommentDbc", "コメント領域をダブルクリック", "コメント最大化", &Options::mGesCDBC},
    {"kGesSpace", "mgesKeySpace", "Spaceキー", "無し", &Options::kGesSpace},
    {"kGesEnter", "mgesKeyEnter", "Shift+Enterキー", "等倍で表示", &Options::kGesEnter},
    {"kGesUp", "mgesKeyUp", "↑キー", "拡大", &Options::kGesUp},
    {"kGesDown", "mgesKeyDown", "↓キー", "縮小", &Options::kGesDown},
    {"kGesLeft", "mgesKeyLeft", "←キー", "戻る", &Options::kGesLeft},
    {"kGesRight", "mgesKeyRight", "→キー", "進む", &Options::kGesRight},
}};

} // namespace

QString CommandSeparator() {
    return QStringLiteral("----------------");
}

QString NoCommand() {
    return QStringLiteral("無し");
}

const QStringList& CommandNames() {
    static const QString kSeparator = CommandSeparator();
    static const QStringList kNames{QStringLiteral("無し"),
                                    kSeparator,
                                    QStringLiteral("縮小"),
                                    QStringLiteral("拡大"),
                                    QStringLiteral("戻る"),
                                    QStringLiteral("進む"),
                                    kSeparator,
                                    QStringLiteral("上にスクロール"),
                                    QStringLiteral("下にスクロール"),
                                    QStringLiteral("左にスクロール"),
                                    QStringLiteral("右にスクロール"),
                                    kSeparator,
                                    QStringLiteral("しおりを開く"),
                                    QStringLiteral("しおりを挟む"),
                                    QStringLiteral("ファイルを開く"),
                                    QStringLiteral("フォルダを開く"),
                                    QStringLiteral("フォルダを作成"),
                                    QStringLiteral("フォルダを改名"),
                                    QStringLiteral("最初へ戻る"),
                                    QStringLiteral("最後へ進む"),
                                    QStringLiteral("フォルダを戻る"),
                                    QStringLiteral("フォルダを進む"),
                                    QStringLiteral("終了"),
                                    QStringLiteral("前のフォルダへ"),
                                    QStringLiteral("次のフォルダへ"),
                                    QStringLiteral("上のフォルダへ"),
                                    kSeparator,
                                    QStringLiteral("リストＡをコピー"),
                                    QStringLiteral("リストＡを移動"),
                                    QStringLiteral("リストＡを削除"),
                                    QStringLiteral("リストＡを開く"),
                                    QStringLiteral("リストＡをクリア"),
                                    QStringLiteral("リストＡを反転"),
                                    QStringLiteral("リドゥ"),
                                    QStringLiteral("移動のアンドゥ"),
                                    kSeparator,
                                    QStringLiteral("常に等倍"),
                                    QStringLiteral("倍率を固定"),
                                    QStringLiteral("領域に合わせる"),
                                    QStringLiteral("オーバーのみ縮小"),
                                    QStringLiteral("横幅に合わせる"),
                                    QStringLiteral("倍率を入力"),
                                    QStringLiteral("標準に戻す"),
                                    QStringLiteral("情報を更新"),
                                    kSeparator,
                                    QStringLiteral("ソートしない"),
                                    QStringLiteral("ファイル名ソート"),
                                    QStringLiteral("サイズ順ソート"),
                                    QStringLiteral("日付順ソート"),
                                    QStringLiteral("拡張子順ソート"),
                                    kSeparator,
                                    QStringLiteral("移動先を設定"),
                                    QStringLiteral("振り分けテーブル"),
                                    QStringLiteral("Exif情報を表示"),
                                    kSeparator,
                                    QStringLiteral("フルスクリーン"),
                                    QStringLiteral("スライド・ショー"),
                                    QStringLiteral("サウンドを再生"),
                                    QStringLiteral("常に最前面"),
                                    QStringLiteral("設定"),
                                    QStringLiteral("ヘルプを開く"),
                                    kSeparator,
                                    QStringLiteral("チェックA"),
                                    QStringLiteral("チェックB"),
                                    QStringLiteral("チェックC"),
                                    QStringLiteral("チェックD"),
                                    QStringLiteral("チェックE"),
                                    QStringLiteral("チェックF"),
                                    QStringLiteral("チェックG"),
                                    QStringLiteral("チェックH"),
                                    QStringLiteral("チェックI"),
                                    QStringLiteral("チェックJ"),
                                    QStringLiteral("チェックを解除"),
                                    kSeparator,
                                    QStringLiteral("外部アプリ01"),
                                    QStringLiteral("外部アプリ02"),
                                    QStringLiteral("外部アプリ03"),
                                    QStringLiteral("外部アプリ04"),
                                    QStringLiteral("外部アプリ05"),
                                    QStringLiteral("外部アプリ06"),
                                    QStringLiteral("外部アプリ07"),
                                    QStringLiteral("外部アプリ08"),
                                    QStringLiteral("外部アプリ09"),
                                    QStringLiteral("外部アプリ10"),
                                    kSeparator,
                                    QStringLiteral("関連付けで開く"),
                                    QStringLiteral("ＩＥで開く"),
                                    QStringLiteral("削除"),
                                    QStringLiteral("名前を変更する"),
                                    QStringLiteral("プロパティ"),
                                    QStringLiteral("コメント編集"),
                                    QStringLiteral("最小化"),
                                    QStringLiteral("最大化"),
                                    QStringLiteral("コメント最大化"),
                                    QStringLiteral("等倍で表示"),
                                    kSeparator,
                                    QStringLiteral("画像メニュー"),
                                    QStringLiteral("コメントメニュー"),
                                    QStringLiteral("バーメニュー"),
                                    kSeparator,
                                    QStringLiteral("閲覧先に設定する"),
                                    QStringLiteral("転送先に設定する"),
                                    QStringLiteral("現在の倍率にする"),
                                    kSeparator,
                                    QStringLiteral("連続ファイル移動"),
                                    QStringLiteral("ウィンドウ初期化")};
    return kNames;
}

std::span<const BindableInput> BindableInputs() {
    return kInputs;
}

QString AssignedCommand(const QString& name, const QString& currentFolder, double currentRate) {
    if (name == CommandSeparator())
        return NoCommand();
    if (name == QStringLiteral("閲覧先に設定する"))
        return QStringLiteral("$OPEN=") + currentFolder;
    if (name == QStringLiteral("転送先に設定する"))
        return QStringLiteral("$MOVE=") + currentFolder;
    if (name == QStringLiteral("現在の倍率にする")) {
        // At least two decimals, at most four, as "0.00##" formats a rate.
        QString text = QString::number(currentRate, 'f', 4);
        while (text.endsWith(QLatin1Char('0')) && text.size() - text.indexOf(QLatin1Char('.')) > 3)
            text.chop(1);
        return text;
    }
    return name;
}

QString CommandTarget(const QString& name) {
    static const QHash<QString, QString> kTargets{
        {QStringLiteral("縮小"), QStringLiteral("mnuSmall")},
        {QStringLiteral("拡大"), QStringLiteral("mnuZoom")},
        {QStringLiteral("戻る"), QStringLiteral("mnuImgBack")},
        {QStringLiteral("進む"), QStringLiteral("mnuImgNext")},
        {QStringLiteral("上にスクロール"), QStringLiteral("actScroolUp")},
        {QStringLiteral("下にスクロール"), QStringLiteral("actScroolDown")},
        {QStringLiteral("左にスクロール"), QStringLiteral("actScroolLeft")},
        {QStringLiteral("右にスクロール"), QStringLiteral("actScroolRight")},
        {QStringLiteral("しおりを開く"), QStringLiteral("mnuBookMarkOpen")},
        {QStringLiteral("しおりを挟む"), QStringLiteral("mnuBookMarkInsert")},
        {QStringLiteral("ファイルを開く"), QStringLiteral("mnuFileOpen")},
        {QStringLiteral("フォルダを開く"), QStringLiteral("mnuFoldetOpen")},
        {QStringLiteral("フォルダを作成"), QStringLiteral("mnuFolderCreate")},
        {QStringLiteral("フォルダを改名"), QStringLiteral("mnuFolderRename")},
        {QStringLiteral("最初へ戻る"), QStringLiteral("popJumpStart")},
        {QStringLiteral("最後へ進む"), QStringLiteral("popJumpEnd")},
        {QStringLiteral("フォルダを戻る"), QStringLiteral("mnuFolderBackEx")},
        {QStringLiteral("フォルダを進む"), QStringLiteral("mnuFolderNextEx")},
        {QStringLiteral("終了"), QStringLiteral("Exit1")},
        {QStringLiteral("前のフォルダへ"), QStringLiteral("mnuFolder_mBack")},
        {QStringLiteral("次のフォルダへ"), QStringLiteral("mnuFolder_mNext")},
        {QStringLiteral("上のフォルダへ"), QStringLiteral("mnuFolder_Up")},
        {QStringLiteral("リストＡをコピー"), QStringLiteral("mnuListA_Copy")},
        {QStringLiteral("リストＡを移動"), QStringLiteral("mnuListA_Move")},
        {QStringLiteral("リストＡを削除"), QStringLiteral("mnuListA_Delete")},
        {QStringLiteral("リストＡを開く"), QStringLiteral("mnuListA_Open")},
        {QStringLiteral("リストＡをクリア"), QStringLiteral("mnuListA_Erase")},
        {QStringLiteral("リストＡを反転"), QStringLiteral("mnuListA_Reverse")},
        {QStringLiteral("リドゥ"), QStringLiteral("mnuMoveRedo")},
        {QStringLiteral("移動のアンドゥ"), QStringLiteral("mnuMoveUndo")},
        {QStringLiteral("常に等倍"), QStringLiteral("mnuViewRateNormal")},
        {QStringLiteral("倍率を固定"), QStringLiteral("mnuViewRateHold")},
        {QStringLiteral("領域に合わせる"), QStringLiteral("mnuViewRateWindow")},
        {QStringLiteral("オーバーのみ縮小"), QStringLiteral("mnuViewRateSmall")},
        {QStringLiteral("横幅に合わせる"), QStringLiteral("mnuViewRateWidth")},
        {QStringLiteral("倍率を入力"), QStringLiteral("mnuViewRateInput")},
        {QStringLiteral("標準に戻す"), QStringLiteral("mnuFilterReset")},
        {QStringLiteral("情報を更新"), QStringLiteral("Refresh1")},
        {QStringLiteral("ソートしない"), QStringLiteral("mnuSortFalse")},
        {QStringLiteral("ファイル名ソート"), QStringLiteral("mnuSortFileName123")},
        {QStringLiteral("サイズ順ソート"), QStringLiteral("mnuSortFileSize123")},
        {QStringLiteral("日付順ソート"), QStringLiteral("mnuSortFileDate123")},
        {QStringLiteral("拡張子順ソート"), QStringLiteral("mnuSortFileExt123")},
        {QStringLiteral("移動先を設定"), QStringLiteral("mnuMoveTo")},
        {QStringLiteral("振り分けテーブル"), QStringLiteral("mnuKeyListView")},
        {QStringLiteral("Exif情報を表示"), QStringLiteral("mnuExifView")},
        {QStringLiteral("フルスクリーン"), QStringLiteral("mnuFullScreen")},
        {QStringLiteral("スライド・ショー"), QStringLiteral("SlideShow")},
        {QStringLiteral("サウンドを再生"), QStringLiteral("mnuSoundPlay")},
        {QStringLiteral("常に最前面"), QStringLiteral("mnuTopView")},
        {QStringLiteral("設定"), QStringLiteral("mnuFileOption")},
        {QStringLiteral("ヘルプを開く"), QStringLiteral("Help1")},
        {QStringLiteral("チェックを解除"), QStringLiteral("K1")},
        {QStringLiteral("ＩＥで開く"), QStringLiteral("popOpenIE")},
        {QStringLiteral("削除"), QStringLiteral("popDelete")},
        {QStringLiteral("名前を変更する"), QStringLiteral("popRename")},
        {QStringLiteral("プロパティ"), QStringLiteral("Property1")},
        {QStringLiteral("コメント編集"), QStringLiteral("CommentReWrite")},
        {QStringLiteral("最小化"), QStringLiteral("actBossEsc")},
        {QStringLiteral("最大化"), QStringLiteral("mnuWindowZoomUp")},
        {QStringLiteral("コメント最大化"), QStringLiteral("mnuCommentZoomUp")},
        {QStringLiteral("等倍で表示"), QStringLiteral("mnuNormalSize")},
        {QStringLiteral("画像メニュー"), QStringLiteral("mnuImgPop")},
        {QStringLiteral("コメントメニュー"), QStringLiteral("mnuCommentPop")},
        {QStringLiteral("バーメニュー"), QStringLiteral("mnuBarPop")},
        {QStringLiteral("連続ファイル移動"), QStringLiteral("actComma")},
        {QStringLiteral("ウィンドウ初期化"), QStringLiteral("mnuWindowReset")},
    };
    return kTargets.value(name);
}

QString BoundCommand(const Options& options, const QString& key) {
    for (const BindableInput& input : kInputs) {
        if (QLatin1String(input.key) == key) {
            return options.*input.field;
        }
    }
    return {};
}
