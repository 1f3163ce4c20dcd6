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

constexpr CommandRow Separator() {
    return {"----------------", CommandKind::Separator, ""};
}

const CommandRow kCommands[] = {
    {"無し", CommandKind::Nothing, ""},
    Separator(),
    {"縮小", CommandKind::Target, "mnuSmall"},
    {"拡大", CommandKind::Target, "mnuZoom"},
    {"戻る", CommandKind::Target, "mnuImgBack"},
    {"進む", CommandKind::Target, "mnuImgNext"},
    Separator(),
    {"上にスクロール", CommandKind::Target, "actScroolUp"},
    {"下にスクロール", CommandKind::Target, "actScroolDown"},
    {"左にスクロール", CommandKind::Target, "actScroolLeft"},
    {"右にスクロール", CommandKind::Target, "actScroolRight"},
    Separator(),
    {"しおりを開く", CommandKind::Target, "mnuBookMarkOpen"},
    {"しおりを挟む", CommandKind::Target, "mnuBookMarkInsert"},
    {"ファイルを開く", CommandKind::Target, "mnuFileOpen"},
    {"フォルダを開く", CommandKind::Target, "mnuFoldetOpen"},
    {"フォルダを作成", CommandKind::Target, "mnuFolderCreate"},
    {"フォルダを改名", CommandKind::Target, "mnuFolderRename"},
    {"最初へ戻る", CommandKind::Target, "popJumpStart"},
    {"最後へ進む", CommandKind::Target, "popJumpEnd"},
    {"フォルダを戻る", CommandKind::Target, "mnuFolderBackEx"},
    {"フォルダを進む", CommandKind::Target, "mnuFolderNextEx"},
    {"終了", CommandKind::Target, "Exit1"},
    {"前のフォルダへ", CommandKind::Target, "mnuFolder_mBack"},
    {"次のフォルダへ", CommandKind::Target, "mnuFolder_mNext"},
    {"上のフォルダへ", CommandKind::Target, "mnuFolder_Up"},
    Separator(),
    {"リストＡをコピー", CommandKind::Target, "mnuListA_Copy"},
    {"リストＡを移動", CommandKind::Target, "mnuListA_Move"},
    {"リストＡを削除", CommandKind::Target, "mnuListA_Delete"},
    {"リストＡを開く", CommandKind::Target, "mnuListA_Open"},
    {"リストＡをクリア", CommandKind::Target, "mnuListA_Erase"},
    {"リストＡを反転", CommandKind::Target, "mnuListA_Reverse"},
    {"リドゥ", CommandKind::Target, "mnuMoveRedo"},
    {"移動のアンドゥ", CommandKind::Target, "mnuMoveUndo"},
    Separator(),
    {"常に等倍", CommandKind::Target, "mnuViewRateNormal"},
    {"倍率を固定", CommandKind::Target, "mnuViewRateHold"},
    {"領域に合わせる", CommandKind::Target, "mnuViewRateWindow"},
    {"オーバーのみ縮小", CommandKind::Target, "mnuViewRateSmall"},
    {"横幅に合わせる", CommandKind::Target, "mnuViewRateWidth"},
    {"倍率を入力", CommandKind::Target, "mnuViewRateInput"},
    {"標準に戻す", CommandKind::Target, "mnuFilterReset"},
    {"情報を更新", CommandKind::Target, "Refresh1"},
    Separator(),
    {"ソートしない", CommandKind::Target, "mnuSortFalse"},
    {"ファイル名ソート", CommandKind::Target, "mnuSortFileName123"},
    {"サイズ順ソート", CommandKind::Target, "mnuSortFileSize123"},
    {"日付順ソート", CommandKind::Target, "mnuSortFileDate123"},
    {"拡張子順ソート", CommandKind::Target, "mnuSortFileExt123"},
    Separator(),
    {"移動先を設定", CommandKind::Target, "mnuMoveTo"},
    {"振り分けテーブル", CommandKind::Target, "mnuKeyListView"},
    {"Exif情報を表示", CommandKind::Target, "mnuExifView"},
    Separator(),
    {"フルスクリーン", CommandKind::Target, "mnuFullScreen"},
    {"スライド・ショー", CommandKind::Target, "SlideShow"},
    {"サウンドを再生", CommandKind::Target, "mnuSoundPlay"},
    {"常に最前面", CommandKind::Target, "mnuTopView"},
    {"設定", CommandKind::Target, "mnuFileOption"},
    {"ヘルプを開く", CommandKind::Target, "Help1"},
    Separator(),
    {"チェックA", CommandKind::Target, "popCheckList1"},
    {"チェックB", CommandKind::Target, "popCheckList2"},
    {"チェックC", CommandKind::Target, "popCheckList3"},
    {"チェックD", CommandKind::Target, "popCheckList4"},
    {"チェックE", CommandKind::Target, "popCheckList5"},
    {"チェックF", CommandKind::Target, "popCheckList6"},
    {"チェックG", CommandKind::Target, "popCheckList7"},
    {"チェックH", CommandKind::Target, "popCheckList8"},
    {"チェックI", CommandKind::Target, "popCheckList9"},
    {"チェックJ", CommandKind::Target, "popCheckList10"},
    {"チェックを解除", CommandKind::Target, "K1"},
    Separator(),
    {"外部アプリ01", CommandKind::Target, "popExApp1"},
    {"外部アプリ02", CommandKind::Target, "popExApp2"},
    {"外部アプリ03", CommandKind::Target, "popExApp3"},
    {"外部アプリ04", CommandKind::Target, "popExApp4"},
    {"外部アプリ05", CommandKind::Target, "popExApp5"},
    {"外部アプリ06", CommandKind::Target, "popExApp6"},
    {"外部アプリ07", CommandKind::Target, "popExApp7"},
    {"外部アプリ08", CommandKind::Target, "popExApp8"},
    {"外部アプリ09", CommandKind::Target, "popExApp9"},
    {"外部アプリ10", CommandKind::Target, "popExApp10"},
    Separator(),
    {"関連付けで開く", CommandKind::Target, "popAppOpen"},
    {"ＩＥで開く", CommandKind::Target, "popOpenIE"},
    {"削除", CommandKind::Target, "popDelete"},
    {"名前を変更する", CommandKind::Target, "popRename"},
    {"プロパティ", CommandKind::Target, "Property1"},
    {"コメント編集", CommandKind::Target, "CommentReWrite"},
    {"最小化", CommandKind::Target, "actBossEsc"},
    {"最大化", CommandKind::Target, "mnuWindowZoomUp"},
    {"コメント最大化", CommandKind::Target, "mnuCommentZoomUp"},
    {"等倍で表示", CommandKind::Target, "mnuNormalSize"},
    Separator(),
    {"画像メニュー", CommandKind::Target, "mnuImgPop"},
    {"コメントメニュー", CommandKind::Target, "mnuCommentPop"},
    {"バーメニュー", CommandKind::Target, "mnuBarPop"},
    Separator(),
    {"閲覧先に設定する", CommandKind::OpenTemplate, ""},
    {"転送先に設定する", CommandKind::MoveTemplate, ""},
    {"現在の倍率にする", CommandKind::RateTemplate, ""},
    Separator(),
    {"連続ファイル移動", CommandKind::Target, "actComma"},
    {"ウィンドウ初期化", CommandKind::Target, "mnuWindowReset"},
};

} // namespace

QString CommandSeparator() {
    return QString::fromUtf8(Separator().name);
}

QString NoCommand() {
    return QStringLiteral("無し");
}

std::span<const CommandRow> CommandRows() {
    return kCommands;
}

const CommandRow* FindCommand(const QString& name) {
    static const QHash<QString, const CommandRow*> kByName = [] {
        QHash<QString, const CommandRow*> byName;
        for (const CommandRow& row : kCommands)
            byName.insert(QString::fromUtf8(row.name), &row);
        return byName;
    }();
    return kByName.value(name);
}

const QStringList& CommandNames() {
    static const QStringList kNames = [] {
        QStringList names;
        for (const CommandRow& row : kCommands)
            names.append(QString::fromUtf8(row.name));
        return names;
    }();
    return kNames;
}

std::span<const BindableInput> BindableInputs() {
    return kInputs;
}

QString AssignedCommand(const QString& name, const QString& currentFolder, double currentRate) {
    const CommandRow* row = FindCommand(name);
    switch (row ? row->kind : CommandKind::Target) {
    case CommandKind::Separator:
        return NoCommand();
    case CommandKind::OpenTemplate:
        return QStringLiteral("$OPEN=") + currentFolder;
    case CommandKind::MoveTemplate:
        return QStringLiteral("$MOVE=") + currentFolder;
    case CommandKind::RateTemplate: {
        // At least two decimals, at most four, as "0.00##" formats a rate.
        QString text = QString::number(currentRate, 'f', 4);
        while (text.endsWith(QLatin1Char('0')) && text.size() - text.indexOf(QLatin1Char('.')) > 3)
            text.chop(1);
        return text;
    }
    case CommandKind::Nothing:
    case CommandKind::Target:
        break;
    }
    return name;
}

QString BoundCommand(const Options& options, const QString& key) {
    for (const BindableInput& input : kInputs) {
        if (QLatin1String(input.key) == key) {
            return options.*input.field;
        }
    }
    return {};
}
