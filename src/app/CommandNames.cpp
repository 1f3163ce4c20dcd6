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

constexpr CommandEntry Separator() {
    return {"----------------", CommandKind::Separator, Command{}};
}

// A command of the table, under the name the settings store for it.
constexpr CommandEntry Bound(Command id) {
    return {nullptr, CommandKind::Command, id};
}

const CommandEntry kCommands[] = {
    {"無し", CommandKind::Nothing, Command{}},
    Separator(),
    Bound(Command::mnuSmall),
    Bound(Command::mnuZoom),
    Bound(Command::mnuImgBack),
    Bound(Command::mnuImgNext),
    Separator(),
    Bound(Command::actScroolUp),
    Bound(Command::actScroolDown),
    Bound(Command::actScroolLeft),
    Bound(Command::actScroolRight),
    Separator(),
    Bound(Command::mnuBookMarkOpen),
    Bound(Command::mnuBookMarkInsert),
    Bound(Command::mnuFileOpen),
    Bound(Command::mnuFoldetOpen),
    Bound(Command::mnuFolderCreate),
    Bound(Command::mnuFolderRename),
    Bound(Command::popJumpStart),
    Bound(Command::popJumpEnd),
    Bound(Command::mnuFolderBackEx),
    Bound(Command::mnuFolderNextEx),
    Bound(Command::Exit1),
    Bound(Command::mnuFolder_mBack),
    Bound(Command::mnuFolder_mNext),
    Bound(Command::mnuFolder_Up),
    Separator(),
    Bound(Command::mnuListA_Copy),
    Bound(Command::mnuListA_Move),
    Bound(Command::mnuListA_Delete),
    Bound(Command::mnuListA_Open),
    Bound(Command::mnuListA_Erase),
    Bound(Command::mnuListA_Reverse),
    Bound(Command::mnuMoveRedo),
    Bound(Command::mnuMoveUndo),
    Separator(),
    Bound(Command::mnuViewRateNormal),
    Bound(Command::mnuViewRateHold),
    Bound(Command::mnuViewRateWindow),
    Bound(Command::mnuViewRateSmall),
    Bound(Command::mnuViewRateWidth),
    Bound(Command::mnuViewRateInput),
    Bound(Command::mnuFilterReset),
    Bound(Command::Refresh1),
    Separator(),
    Bound(Command::mnuSortFalse),
    Bound(Command::mnuSortFileName123),
    Bound(Command::mnuSortFileSize123),
    Bound(Command::mnuSortFileDate123),
    Bound(Command::mnuSortFileExt123),
    Separator(),
    Bound(Command::mnuMoveTo),
    Bound(Command::mnuKeyListView),
    Bound(Command::mnuExifView),
    Separator(),
    Bound(Command::mnuFullScreen),
    Bound(Command::SlideShow),
    Bound(Command::mnuSoundPlay),
    Bound(Command::mnuTopView),
    Bound(Command::mnuFileOption),
    Bound(Command::Help1),
    Separator(),
    Bound(Command::popCheckList1),
    Bound(Command::popCheckList2),
    Bound(Command::popCheckList3),
    Bound(Command::popCheckList4),
    Bound(Command::popCheckList5),
    Bound(Command::popCheckList6),
    Bound(Command::popCheckList7),
    Bound(Command::popCheckList8),
    Bound(Command::popCheckList9),
    Bound(Command::popCheckList10),
    Bound(Command::K1),
    Separator(),
    Bound(Command::popExApp1),
    Bound(Command::popExApp2),
    Bound(Command::popExApp3),
    Bound(Command::popExApp4),
    Bound(Command::popExApp5),
    Bound(Command::popExApp6),
    Bound(Command::popExApp7),
    Bound(Command::popExApp8),
    Bound(Command::popExApp9),
    Bound(Command::popExApp10),
    Separator(),
    Bound(Command::popAppOpen),
    Bound(Command::popOpenIE),
    Bound(Command::popDelete),
    Bound(Command::popRename),
    Bound(Command::Property1),
    Bound(Command::CommentReWrite),
    Bound(Command::actBossEsc),
    Bound(Command::mnuWindowZoomUp),
    Bound(Command::mnuCommentZoomUp),
    Bound(Command::mnuNormalSize),
    Separator(),
    Bound(Command::mnuImgPop),
    Bound(Command::mnuCommentPop),
    Bound(Command::mnuBarPop),
    Separator(),
    {"閲覧先に設定する", CommandKind::OpenTemplate, Command{}},
    {"転送先に設定する", CommandKind::MoveTemplate, Command{}},
    {"現在の倍率にする", CommandKind::RateTemplate, Command{}},
    Separator(),
    Bound(Command::actComma),
    Bound(Command::mnuWindowReset),
};

} // namespace

QString CommandSeparator() {
    return QString::fromUtf8(Separator().name);
}

QString NoCommand() {
    return QStringLiteral("無し");
}

QString CommandEntry::Name() const {
    return QString::fromUtf8(kind == CommandKind::Command ? RowOf(command).name : name);
}

std::span<const CommandEntry> CommandEntries() {
    return kCommands;
}

const CommandEntry* FindCommand(const QString& name) {
    static const QHash<QString, const CommandEntry*> kByName = [] {
        QHash<QString, const CommandEntry*> byName;
        for (const CommandEntry& entry : kCommands)
            byName.insert(entry.Name(), &entry);
        return byName;
    }();
    return kByName.value(name);
}

const QStringList& CommandNames() {
    static const QStringList kNames = [] {
        QStringList names;
        for (const CommandEntry& entry : kCommands)
            names.append(entry.Name());
        return names;
    }();
    return kNames;
}

std::span<const BindableInput> BindableInputs() {
    return kInputs;
}

QString AssignedCommand(const QString& name, const QString& currentFolder, double currentRate) {
    const CommandEntry* entry = FindCommand(name);
    switch (entry ? entry->kind : CommandKind::Command) {
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
    case CommandKind::Command:
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
