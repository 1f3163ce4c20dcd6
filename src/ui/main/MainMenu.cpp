#include "ui/main/MainMenu.h"

#include "app/commands/CommandRegistry.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace {

constexpr MenuRow Menu(const char* name, const char* parent, const char* caption, unsigned flags) {
    return {MenuKind::Menu, name, Command{}, parent, caption, "", flags};
}

constexpr MenuRow Item(Command command, const char* parent, unsigned flags, const char* group) {
    return {MenuKind::Item, "", command, parent, "", group, flags};
}

constexpr MenuRow Popup(const char* name) {
    return {MenuKind::Popup, name, Command{}, "", "", "", 0};
}

constexpr MenuRow Sep(const char* parent) {
    return {MenuKind::Separator, "", Command{}, parent, "", "", 0};
}

constexpr MenuRow kRows[] = {
    Menu("mnuFile", "", "ファイル(&F)", MenuEnabled),
    Item(Command::mnuBookMarkOpen, "mnuFile", 0, ""),
    Item(Command::mnuBookMarkInsert, "mnuFile", 0, ""),
    Sep("mnuFile"),
    Item(Command::mnuFileOpen, "mnuFile", 0, ""),
    Item(Command::mnuFoldetOpen, "mnuFile", 0, ""),
    Sep("mnuFile"),
    Item(Command::mnuClipBoardOpen, "mnuFile", 0, ""),
    Sep("mnuFile"),
    Item(Command::mnuFolderCreate, "mnuFile", 0, ""),
    Item(Command::mnuFolderRename, "mnuFile", 0, ""),
    Sep("mnuFile"),
    Item(Command::mnuJumpStart, "mnuFile", 0, ""),
    Item(Command::mnuJumpEnd, "mnuFile", 0, ""),
    Item(Command::mnuFolderBackEx, "mnuFile", 0, ""),
    Item(Command::mnuFolderNextEx, "mnuFile", 0, ""),
    Item(Command::mnuFolder_mBack, "mnuFile", Hidden, ""),
    Item(Command::mnuFolder_mNext, "mnuFile", Hidden, ""),
    Item(Command::mnuFolder_Up, "mnuFile", Hidden, ""),
    Sep("mnuFile"),
    Item(Command::Exit1, "mnuFile", 0, ""),
    Menu("mnuEdit", "", "編集(&E)", MenuEnabled),
    Menu("mnuNowList", "mnuEdit", "現在のリスト(&L)", MenuNeedsPicture | MenuEnabled),
    Item(Command::mnuNowListCopy, "mnuNowList", 0, ""),
    Item(Command::mnuNowListMove, "mnuNowList", 0, ""),
    Item(Command::mnuNowListDelete, "mnuNowList", 0, ""),
    Sep("mnuNowList"),
    Menu("mnuNowListConvert", "mnuNowList", "一括変換(&F)", 0),
    Item(Command::BMPB1, "mnuNowListConvert", 0, ""),
    Item(Command::AllConvertPNG, "mnuNowListConvert", 0, ""),
    Item(Command::JPEGJ1, "mnuNowListConvert", 0, ""),
    Sep("mnuEdit"),
    Menu("mnuListA", "mnuEdit", "リストＡ(&A)", MenuEnabled),
    Item(Command::mnuListA_Copy, "mnuListA", 0, ""),
    Item(Command::mnuListA_Move, "mnuListA", 0, ""),
    Item(Command::mnuListA_Delete, "mnuListA", 0, ""),
    Sep("mnuListA"),
    Item(Command::mnuListA_Open, "mnuListA", DefaultItem, ""),
    Item(Command::mnuListA_Erase, "mnuListA", 0, ""),
    Item(Command::mnuListA_Reverse, "mnuListA", 0, ""),
    Menu("mnuListB", "mnuEdit", "リストＢ(&B)", MenuEnabled),
    Item(Command::mnuListB_Copy, "mnuListB", 0, ""),
    Item(Command::mnuListB_Move, "mnuListB", 0, ""),
    Item(Command::mnuListB_Delete, "mnuListB", 0, ""),
    Sep("mnuListB"),
    Item(Command::mnuListB_Open, "mnuListB", DefaultItem, ""),
    Item(Command::mnuListB_Erase, "mnuListB", 0, ""),
    Item(Command::mnuListB_Reverse, "mnuListB", 0, ""),
    Menu("mnuListC", "mnuEdit", "リストＣ(&C)", MenuEnabled),
    Item(Command::mnuListC_Copy, "mnuListC", 0, ""),
    Item(Command::mnuListC_Move, "mnuListC", 0, ""),
    Item(Command::mnuListC_Delete, "mnuListC", 0, ""),
    Sep("mnuListC"),
    Item(Command::mnuListC_Open, "mnuListC", DefaultItem, ""),
    Item(Command::mnuListC_Erase, "mnuListC", 0, ""),
    Item(Command::mnuListC_Reverse, "mnuListC", 0, ""),
    Menu("mnuListD", "mnuEdit", "リストＤ(&D)", MenuEnabled),
    Item(Command::mnuListD_Copy, "mnuListD", 0, ""),
    Item(Command::mnuListD_Move, "mnuListD", 0, ""),
    Item(Command::mnuListD_Delete, "mnuListD", 0, ""),
    Sep("mnuListD"),
    Item(Command::mnuListD_Open, "mnuListD", DefaultItem, ""),
    Item(Command::mnuListD_Erase, "mnuListD", 0, ""),
    Item(Command::mnuListD_Reverse, "mnuListD", 0, ""),
    Menu("mnuListE", "mnuEdit", "リストＥ(&E)", MenuEnabled),
    Item(Command::mnuListE_Copy, "mnuListE", 0, ""),
    Item(Command::mnuListE_Move, "mnuListE", 0, ""),
    Item(Command::mnuListE_Delete, "mnuListE", 0, ""),
    Sep("mnuListE"),
    Item(Command::mnuListE_Open, "mnuListE", DefaultItem, ""),
    Item(Command::mnuListE_Erase, "mnuListE", 0, ""),
    Item(Command::mnuListE_Reverse, "mnuListE", 0, ""),
    Menu("mnuListF", "mnuEdit", "リストＦ(&F)", MenuEnabled),
    Item(Command::mnuListF_Copy, "mnuListF", 0, ""),
    Item(Command::mnuListF_Move, "mnuListF", 0, ""),
    Item(Command::mnuListF_Delete, "mnuListF", 0, ""),
    Sep("mnuListF"),
    Item(Command::mnuListF_Open, "mnuListF", DefaultItem, ""),
    Item(Command::mnuListF_Erase, "mnuListF", 0, ""),
    Item(Command::mnuListF_Reverse, "mnuListF", 0, ""),
    Menu("mnuListG", "mnuEdit", "リストＧ(&G)", MenuEnabled),
    Item(Command::mnuListG_Copy, "mnuListG", 0, ""),
    Item(Command::mnuListG_Move, "mnuListG", 0, ""),
    Item(Command::mnuListG_Delete, "mnuListG", 0, ""),
    Sep("mnuListG"),
    Item(Command::mnuListG_Open, "mnuListG", DefaultItem, ""),
    Item(Command::mnuListG_Erase, "mnuListG", 0, ""),
    Item(Command::mnuListG_Reverse, "mnuListG", 0, ""),
    Menu("mnuListH", "mnuEdit", "リストＨ(&H)", MenuEnabled),
    Item(Command::mnuListH_Copy, "mnuListH", 0, ""),
    Item(Command::mnuListH_Move, "mnuListH", 0, ""),
    Item(Command::mnuListH_Delete, "mnuListH", 0, ""),
    Sep("mnuListH"),
    Item(Command::mnuListH_Open, "mnuListH", DefaultItem, ""),
    Item(Command::mnuListH_Erase, "mnuListH", 0, ""),
    Item(Command::mnuListH_Reverse, "mnuListH", 0, ""),
    Menu("mnuListI", "mnuEdit", "リストＩ(&I)", MenuEnabled),
    Item(Command::mnuListI_Copy, "mnuListI", 0, ""),
    Item(Command::mnuListI_Move, "mnuListI", 0, ""),
    Item(Command::mnuListI_Delete, "mnuListI", 0, ""),
    Sep("mnuListI"),
    Item(Command::mnuListI_Open, "mnuListI", DefaultItem, ""),
    Item(Command::mnuListI_Erase, "mnuListI", 0, ""),
    Item(Command::mnuListI_Reverse, "mnuListI", 0, ""),
    Menu("mnuListJ", "mnuEdit", "リストＪ(&J)", MenuEnabled),
    Item(Command::mnuListJ_Copy, "mnuListJ", 0, ""),
    Item(Command::mnuListJ_Move, "mnuListJ", 0, ""),
    Item(Command::mnuListJ_Delete, "mnuListJ", 0, ""),
    Sep("mnuListJ"),
    Item(Command::mnuListJ_Open, "mnuListJ", DefaultItem, ""),
    Item(Command::mnuListJ_Erase, "mnuListJ", 0, ""),
    Item(Command::mnuListJ_Reverse, "mnuListJ", 0, ""),
    Sep("mnuEdit"),
    Item(Command::mnuListDandD, "mnuEdit", 0, ""),
    Sep("mnuEdit"),
    Item(Command::mnuMoveRedo, "mnuEdit", 0, ""),
    Item(Command::mnuMoveUndo, "mnuEdit", 0, ""),
    Menu("mnuView", "", "表示(&V)", MenuEnabled),
    Menu("mnuObject", "mnuView", "オブジェクト(&O)", 0),
    Item(Command::mnuTreeMode, "mnuObject", Checkable | Checked, ""),
    Item(Command::mnuStatusMode, "mnuObject", Checkable | Checked, ""),
    Item(Command::mnuTextMode, "mnuObject", Checkable | Checked, ""),
    Item(Command::mnuBarMode, "mnuObject", Checkable | Checked, ""),
    Sep("mnuView"),
    Menu("mnuViewRate", "mnuView", "倍率(&Z)", MenuEnabled),
    Item(Command::mnuViewRateNormal, "mnuViewRate", Checkable, "zoom"),
    Item(Command::mnuViewRateHold, "mnuViewRate", Checkable, "zoom"),
    Item(Command::mnuViewRateWindow, "mnuViewRate", Checkable, "zoom"),
    Item(Command::mnuViewRateSmall, "mnuViewRate", Checkable | Checked, "zoom"),
    Item(Command::mnuViewRateWidth, "mnuViewRate", Checkable, "zoom"),
    Item(Command::mnuViewRateInput, "mnuView", 0, ""),
    Menu("mnuViewMode", "mnuView", "反転or回転(&V)", MenuEnabled),
    Item(Command::mnuViewModeNormal, "mnuViewMode", Checkable | Checked, "orientation"),
    Item(Command::mnuViewModeMirror, "mnuViewMode", Checkable, "orientation"),
    Item(Command::mnuViewModeTBMirror, "mnuViewMode", Checkable, "orientation"),
    Item(Command::mnuViewModeRot90, "mnuViewMode", Checkable, "orientation"),
    Item(Command::mnuViewModeRot180, "mnuViewMode", Checkable, "orientation"),
    Item(Command::mnuViewModeRot270, "mnuViewMode", Checkable, "orientation"),
    Sep("mnuView"),
    Menu("mnuViewColor", "mnuView", "色合(&C)", MenuEnabled),
    Item(Command::mnuViewColorNormal, "mnuViewColor", Checkable | Checked, "colour"),
    Item(Command::mnuViewColorSepia1, "mnuViewColor", Checkable, "colour"),
    Item(Command::mnuViewColorSepia2, "mnuViewColor", Checkable, "colour"),
    Item(Command::mnuViewColorGray, "mnuViewColor", Checkable, "colour"),
    Item(Command::mnuViewColorNega, "mnuViewColor", Checkable, "colour"),
    Menu("mnuGamma", "mnuView", "ガンマ補正(&G)", MenuEnabled),
    Item(Command::mnuGLightTwo, "mnuGamma", Checkable, "gamma"),
    Item(Command::mnuGLightOne, "mnuGamma", Checkable, "gamma"),
    Item(Command::mnuGammaNormal, "mnuGamma", Checkable | Checked, "gamma"),
    Item(Command::mnuGDarkOne, "mnuGamma", Checkable, "gamma"),
    Item(Command::mnuGDarkTwo, "mnuGamma", Checkable, "gamma"),
    Menu("mnuLight", "mnuView", "明暗(&L)", MenuEnabled),
    Item(Command::mnuLightTwo, "mnuLight", Checkable, "brightness"),
    Item(Command::mnuLightOne, "mnuLight", Checkable, "brightness"),
    Item(Command::mnuLightNormal, "mnuLight", Checkable | Checked, "brightness"),
    Item(Command::mnuDarkOne, "mnuLight", Checkable, "brightness"),
    Item(Command::mnuDarkTwo, "mnuLight", Checkable, "brightness"),
    Menu("mnuContrast", "mnuView", "コントラスト(&C)", MenuEnabled),
    Item(Command::mnuContrastUpTwo, "mnuContrast", Checkable, "contrast"),
    Item(Command::mnuContrastUpOne, "mnuContrast", Checkable, "contrast"),
    Item(Command::mnuContrastNormal, "mnuContrast", Checkable | Checked, "contrast"),
    Item(Command::mnuContrastDownOne, "mnuContrast", Checkable, "contrast"),
    Item(Command::mnuContrastDownTwo, "mnuContrast", Checkable, "contrast"),
    Menu("mnuSharp", "mnuView", "シャープorぼかし(&S)", MenuEnabled),
    Item(Command::mnuSharpTwo, "mnuSharp", Checkable, "sharpness"),
    Item(Command::mnuSharpOne, "mnuSharp", Checkable, "sharpness"),
    Item(Command::mnuSharpNormal, "mnuSharp", Checkable | Checked, "sharpness"),
    Item(Command::mnuShadeOne, "mnuSharp", Checkable, "sharpness"),
    Item(Command::mnuShadeTwo, "mnuSharp", Checkable, "sharpness"),
    Menu("mnuFilter", "mnuView", "フィルター(&F)", MenuEnabled),
    Item(Command::mnuFilterNormal, "mnuFilter", Checkable | Checked, "filter"),
    Item(Command::mnuFilterLinePic, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterEdge, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterNoise, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterWhiteNoise, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterSola, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterMozaic, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterDotK, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterMaxGet, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterIE, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterReverseWB, "mnuFilter", Checkable, "filter"),
    Item(Command::mnuFilterScreenLU, "mnuFilter", Checkable, "filter"),
    Sep("mnuView"),
    Item(Command::mnuFilterReset, "mnuView", 0, ""),
    Sep("mnuView"),
    Item(Command::Refresh1, "mnuView", 0, ""),
    Menu("mnuSort", "", "整列(&I)", MenuEnabled),
    Item(Command::mnuSortFalse, "mnuSort", Checkable | Checked, "sort"),
    Sep("mnuSort"),
    Item(Command::mnuSortFileName123, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileName321, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileSize123, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileSize321, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileDate123, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileDate321, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortFileExt123, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortShuffle, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortImageWidth, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortImageHeight, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortImagePixels, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortRatio43, "mnuSort", Checkable, "sort"),
    Item(Command::mnuSortRatio169, "mnuSort", Checkable, "sort"),
    Menu("mnuTool", "", "ツール(&T)", MenuEnabled),
    Item(Command::mnuMoveTo, "mnuTool", 0, ""),
    Item(Command::mnuKeyTableLoad, "mnuTool", 0, ""),
    Item(Command::mnuKeyTableSave, "mnuTool", 0, ""),
    Item(Command::mnuKeyListView, "mnuTool", Checkable, ""),
    Sep("mnuTool"),
    Item(Command::mnuExifView, "mnuTool", Checkable, ""),
    Menu("mnuOption", "", "設定(&O)", MenuEnabled),
    Item(Command::mnuFullScreen, "mnuOption", Checkable, ""),
    Item(Command::SlideShow, "mnuOption", Checkable, ""),
    Item(Command::mnuTopView, "mnuOption", Checkable, ""),
    Item(Command::mnuNormalSize, "mnuOption", Checkable | Hidden, ""),
    Sep("mnuOption"),
    Item(Command::mnuSoundPlay, "mnuOption", Checkable, ""),
    Menu("mnuJPEGHalfSize", "mnuOption", "JPEGハーフサイズ読込(&J)", MenuEnabled),
    Item(Command::mnuJPEGSize1, "mnuJPEGHalfSize", Checkable | Checked, "jpeg"),
    Item(Command::mnuJPEGSize2, "mnuJPEGHalfSize", Checkable, "jpeg"),
    Item(Command::mnuJPEGSize4, "mnuJPEGHalfSize", Checkable, "jpeg"),
    Item(Command::mnuJPEGSize8, "mnuJPEGHalfSize", Checkable, "jpeg"),
    Sep("mnuOption"),
    Item(Command::mnuFileOption, "mnuOption", 0, ""),
    Item(Command::mnuWindowZoomUp, "mnuOption", Hidden, ""),
    Item(Command::mnuCommentZoomUp, "mnuOption", Hidden, ""),
    Item(Command::mnuWindowReset, "mnuOption", Hidden, ""),
    Item(Command::mnuImgPop, "mnuOption", Hidden, ""),
    Item(Command::mnuCommentPop, "mnuOption", Hidden, ""),
    Item(Command::mnuBarPop, "mnuOption", Hidden, ""),
    Item(Command::mnuSmall, "", 0, ""),
    Item(Command::mnuZoom, "", 0, ""),
    Item(Command::mnuImgBack, "", 0, ""),
    Item(Command::mnuImgNext, "", 0, ""),
    Menu("mnuHelp", "", "ヘルプ(&H)", MenuEnabled),
    Item(Command::popRuvelaSplash, "mnuHelp", 0, ""),
    Sep("mnuHelp"),
    Item(Command::Help1, "mnuHelp", 0, ""),
    Item(Command::mnuWebSite, "mnuHelp", 0, ""),
    Sep("mnuHelp"),
    Item(Command::mnuVersion, "mnuHelp", 0, ""),
    Popup("PopupMain"),
    Item(Command::popJumpStart, "PopupMain", 0, ""),
    Item(Command::popJumpEnd, "PopupMain", 0, ""),
    Sep("PopupMain"),
    Menu("popCheckList", "PopupMain", "チェックリスト(&L)", MenuEnabled),
    Item(Command::K1, "popCheckList", DefaultItem, ""),
    Sep("popCheckList"),
    Item(Command::popCheckList1, "popCheckList", Checkable, ""),
    Item(Command::popCheckList2, "popCheckList", Checkable, ""),
    Item(Command::popCheckList3, "popCheckList", Checkable, ""),
    Item(Command::popCheckList4, "popCheckList", Checkable, ""),
    Item(Command::popCheckList5, "popCheckList", Checkable, ""),
    Item(Command::popCheckList6, "popCheckList", Checkable, ""),
    Item(Command::popCheckList7, "popCheckList", Checkable, ""),
    Item(Command::popCheckList8, "popCheckList", Checkable, ""),
    Item(Command::popCheckList9, "popCheckList", Checkable, ""),
    Item(Command::popCheckList10, "popCheckList", Checkable, ""),
    Sep("PopupMain"),
    Menu("popCopy", "PopupMain", "コピー(&C)", 0),
    Item(Command::popImgCopyNormal, "popCopy", 0, ""),
    Item(Command::popImgCopyView, "popCopy", 0, ""),
    Item(Command::popImgCopyExif, "popCopy", 0, ""),
    Sep("popCopy"),
    Item(Command::popStrCopyFileName, "popCopy", 0, ""),
    Item(Command::popStrCopyFullPath, "popCopy", DefaultItem, ""),
    Item(Command::popStrCopyHTML, "popCopy", 0, ""),
    Item(Command::popStrCopyFolder, "popCopy", 0, ""),
    Menu("popSaveAs", "PopupMain", "別形式にて保存(&V)", 0),
    Item(Command::BMP1, "popSaveAs", 0, ""),
    Item(Command::PNG1, "popSaveAs", 0, ""),
    Item(Command::Jpeg1, "popSaveAs", 0, ""),
    Item(Command::Jpeg2, "popSaveAs", DefaultItem, ""),
    Menu("popApp", "PopupMain", "アプリケーションで開く(&O)", 0),
    Item(Command::popAppOpen, "popApp", 0, ""),
    Item(Command::popOpenIE, "popApp", DefaultItem, ""),
    Sep("popApp"),
    Item(Command::popExApp1, "popApp", 0, ""),
    Item(Command::popExApp2, "popApp", 0, ""),
    Item(Command::popExApp3, "popApp", 0, ""),
    Item(Command::popExApp4, "popApp", 0, ""),
    Item(Command::popExApp5, "popApp", 0, ""),
    Item(Command::popExApp6, "popApp", 0, ""),
    Item(Command::popExApp7, "popApp", 0, ""),
    Item(Command::popExApp8, "popApp", 0, ""),
    Item(Command::popExApp9, "popApp", 0, ""),
    Item(Command::popExApp10, "popApp", 0, ""),
    Item(Command::popAppExplorer, "PopupMain", 0, ""),
    Sep("PopupMain"),
    Menu("popWall", "PopupMain", "壁紙に設定(&W)", 0),
    Item(Command::popWallShort, "popWall", 0, ""),
    Item(Command::popWallLong1, "popWall", 0, ""),
    Item(Command::popWallLong2, "popWall", DefaultItem, ""),
    Item(Command::popYahoo, "PopupMain", 0, ""),
    Item(Command::google1, "PopupMain", Hidden, ""),
    Sep("PopupMain"),
    Item(Command::popRename, "PopupMain", 0, ""),
    Item(Command::popDelete, "PopupMain", 0, ""),
    Sep("PopupMain"),
    Item(Command::Property1, "PopupMain", 0, ""),
    Popup("PopupText"),
    Item(Command::Copy1, "PopupText", 0, ""),
    Item(Command::A1, "PopupText", 0, ""),
    Sep("PopupText"),
    Item(Command::URL2, "PopupText", Hidden, ""),
    Item(Command::URL1, "PopupText", 0, ""),
    Sep("PopupText"),
    Item(Command::CommentReWrite, "PopupText", 0, ""),
    Popup("PopupBar"),
    Item(Command::N57, "PopupBar", 0, ""),
    Item(Command::N58, "PopupBar", 0, ""),
    Item(Command::N59, "PopupBar", 0, ""),
    Popup("PopupSystem"),
    Item(Command::sysWindowReset, "PopupSystem", 0, ""),
    Sep("PopupSystem"),
    Item(Command::sysImgPop, "PopupSystem", 0, ""),
    Sep("PopupSystem"),
    Item(Command::sysCheckJ, "PopupSystem", 0, ""),
    Item(Command::sysBack, "PopupSystem", 0, ""),
    Item(Command::sysNext, "PopupSystem", 0, ""),
    Item(Command::mnuMes, "", Hidden, ""),
};

} // namespace

std::span<const MenuRow> MainMenuRows() {
    return kRows;
}

MainMenu::MainMenu(QMainWindow& window, CommandRegistry& registry) : m_registry(registry) {
    for (const CommandRow& row : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(row.caption), &window);
        action->setObjectName(QString::fromLatin1(row.objectName));
        if (*row.shortcut)
            action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        action->setAutoRepeat(!(row.flags & NoRepeat));
        const Command id = row.id;
        QObject::connect(action, &QAction::triggered, action, [this, id] { m_registry.Run(id); });
        m_actions.insert(action->objectName(), action);
        m_byId.append(action);
    }

    QMenuBar* bar = window.menuBar();
    QSet<QString> inPopup; // the pop-up menus and the submenus within them
    QSet<QAction*> placed;
    for (const MenuRow& row : MainMenuRows()) {
        const QString name = QString::fromUtf8(row.name);
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
            const QString caption = QString::fromUtf8(row.caption);
            QMenu* menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
            menu->setObjectName(name);
            menu->menuAction()->setEnabled(row.flags & MenuEnabled);
            m_menus.insert(name, menu);
            m_menuFlags.insert(name, row.flags);
            if (inPopup.contains(QString::fromUtf8(row.parent)))
                inPopup.insert(name);
            break;
        }
        case MenuKind::Item: {
            QAction* action = this->action(row.command);
            placed.insert(action);
            action->setCheckable(row.flags & Checkable);
            action->setChecked(row.flags & Checked);
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
            if (!action->shortcut().isEmpty() && inPopup.contains(QString::fromUtf8(row.parent)))
                window.addAction(action);
            if (row.flags & DefaultItem)
                parent->setDefaultAction(action);
            break;
        }
        }
    }
    // The commands no menu shows work by their keys alone.
    for (const CommandRow& row : CommandTable()) {
        if (!placed.contains(action(row.id)) && !(row.flags & PictureSideKey))
            window.addAction(action(row.id));
    }
    QObject::connect(&m_registry, &CommandRegistry::enabledChanged, &window, [this] { Refresh(); });
    setImageCommandsEnabled(false);
}

void MainMenu::AttachPictureSide(QWidget& side) {
    for (const CommandRow& row : CommandTable()) {
        if (row.flags & PictureSideKey) {
            QAction* action = this->action(row.id);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            side.addAction(action);
        }
    }
}

void MainMenu::Refresh() {
    for (const CommandRow& row : CommandTable())
        action(row.id)->setEnabled(m_registry.Enabled(row.id));
}

void MainMenu::setImageCommandsEnabled(bool on) {
    for (auto it = m_menuFlags.cbegin(); it != m_menuFlags.cend(); ++it) {
        if (it.value() & MenuNeedsPicture)
            m_menus.value(it.key())->menuAction()->setEnabled(on && (it.value() & MenuEnabled));
    }
    if (!on)
        action(Command::SlideShow)->setChecked(false);
    Refresh();
}
