#include "app/commands/AppCommands.h"

#include "app/ViewerController.h"
#include "app/commands/CommandRegistry.h"
#include "app/foldertree/FolderWorkflow.h"

namespace {

constexpr CommandChoice kZoomChoices[] = {
    {Command::mnuViewRateNormal, 260}, {Command::mnuViewRateHold, 261},  {Command::mnuViewRateWindow, 262},
    {Command::mnuViewRateSmall, 263},  {Command::mnuViewRateWidth, 264},
};

constexpr CommandChoice kSortChoices[] = {
    {Command::mnuSortFalse, 0},        {Command::mnuSortFileName123, 1},  {Command::mnuSortFileName321, 17},
    {Command::mnuSortFileSize123, 2},  {Command::mnuSortFileSize321, 18}, {Command::mnuSortFileDate123, 3},
    {Command::mnuSortFileDate321, 19}, {Command::mnuSortFileExt123, 4},   {Command::mnuSortShuffle, 8},
    {Command::mnuSortImageWidth, 9},   {Command::mnuSortImageHeight, 10}, {Command::mnuSortImagePixels, 11},
    {Command::mnuSortRatio43, 12},     {Command::mnuSortRatio169, 16},
};

constexpr CommandChoice kJpegScaleChoices[] = {
    {Command::mnuJPEGSize1, 0},
    {Command::mnuJPEGSize2, 1},
    {Command::mnuJPEGSize4, 2},
    {Command::mnuJPEGSize8, 3},
};

constexpr FilterChoice kFilterChoices[] = {
    {Command::mnuViewModeNormal, [](FilterSettings& f) { f.orientation = Orientation::Normal; }},
    {Command::mnuViewModeMirror, [](FilterSettings& f) { f.orientation = Orientation::Mirror; }},
    {Command::mnuViewModeTBMirror, [](FilterSettings& f) { f.orientation = Orientation::TopBottom; }},
    {Command::mnuViewModeRot90, [](FilterSettings& f) { f.orientation = Orientation::Rotate90; }},
    {Command::mnuViewModeRot180, [](FilterSettings& f) { f.orientation = Orientation::Rotate180; }},
    {Command::mnuViewModeRot270, [](FilterSettings& f) { f.orientation = Orientation::Rotate270; }},
    {Command::mnuViewColorNormal, [](FilterSettings& f) { f.colourTone = ColourTone::Normal; }},
    {Command::mnuViewColorSepia1, [](FilterSettings& f) { f.colourTone = ColourTone::BrownSepia; }},
    {Command::mnuViewColorSepia2, [](FilterSettings& f) { f.colourTone = ColourTone::BlueSepia; }},
    {Command::mnuViewColorGray, [](FilterSettings& f) { f.colourTone = ColourTone::Grey; }},
    {Command::mnuViewColorNega, [](FilterSettings& f) { f.colourTone = ColourTone::Negative; }},
    {Command::mnuGLightTwo, [](FilterSettings& f) { f.gamma = 3.0; }},
    {Command::mnuGLightOne, [](FilterSettings& f) { f.gamma = 2.6; }},
    {Command::mnuGammaNormal, [](FilterSettings& f) { f.gamma = 2.2; }},
    {Command::mnuGDarkOne, [](FilterSettings& f) { f.gamma = 1.8; }},
    {Command::mnuGDarkTwo, [](FilterSettings& f) { f.gamma = 1.4; }},
    {Command::mnuLightTwo, [](FilterSettings& f) { f.brightness = 40; }},
    {Command::mnuLightOne, [](FilterSettings& f) { f.brightness = 20; }},
    {Command::mnuLightNormal, [](FilterSettings& f) { f.brightness = 0; }},
    {Command::mnuDarkOne, [](FilterSettings& f) { f.brightness = -20; }},
    {Command::mnuDarkTwo, [](FilterSettings& f) { f.brightness = -40; }},
    {Command::mnuContrastUpTwo, [](FilterSettings& f) { f.contrast = 24; }},
    {Command::mnuContrastUpOne, [](FilterSettings& f) { f.contrast = 12; }},
    {Command::mnuContrastNormal, [](FilterSettings& f) { f.contrast = 0; }},
    {Command::mnuContrastDownOne, [](FilterSettings& f) { f.contrast = -12; }},
    {Command::mnuContrastDownTwo, [](FilterSettings& f) { f.contrast = -24; }},
    {Command::mnuSharpTwo, [](FilterSettings& f) { f.sharpness = Sharpness::Sharpen96; }},
    {Command::mnuSharpOne, [](FilterSettings& f) { f.sharpness = Sharpness::Sharpen48; }},
    {Command::mnuSharpNormal, [](FilterSettings& f) { f.sharpness = Sharpness::Normal; }},
    {Command::mnuShadeOne, [](FilterSettings& f) { f.sharpness = Sharpness::Blur1; }},
    {Command::mnuShadeTwo, [](FilterSettings& f) { f.sharpness = Sharpness::Blur3; }},
    {Command::mnuFilterNormal, [](FilterSettings& f) { f.special = Special::Normal; }},
    {Command::mnuFilterLinePic, [](FilterSettings& f) { f.special = Special::LineDrawing; }},
    {Command::mnuFilterEdge, [](FilterSettings& f) { f.special = Special::Edge; }},
    {Command::mnuFilterNoise, [](FilterSettings& f) { f.special = Special::Noise; }},
    {Command::mnuFilterWhiteNoise, [](FilterSettings& f) { f.special = Special::WhiteNoise; }},
    {Command::mnuFilterSola, [](FilterSettings& f) { f.special = Special::Solarise; }},
    {Command::mnuFilterMozaic, [](FilterSettings& f) { f.special = Special::Mosaic; }},
    {Command::mnuFilterDotK, [](FilterSettings& f) { f.special = Special::DotDiffusion; }},
    {Command::mnuFilterMaxGet, [](FilterSettings& f) { f.special = Special::MaxExtract; }},
    {Command::mnuFilterIE, [](FilterSettings& f) { f.special = Special::IeSelect; }},
    {Command::mnuFilterReverseWB, [](FilterSettings& f) { f.special = Special::BlackWhiteSwap; }},
    {Command::mnuFilterScreenLU, [](FilterSettings& f) { f.special = Special::TopLeftTransparent; }},
};

} // namespace

std::span<const CommandChoice> ZoomChoices() {
    return kZoomChoices;
}

std::span<const CommandChoice> SortChoices() {
    return kSortChoices;
}

std::span<const CommandChoice> JpegScaleChoices() {
    return kJpegScaleChoices;
}

std::span<const FilterChoice> FilterChoices() {
    return kFilterChoices;
}

void RegisterViewerCommands(ViewerController& viewer, CommandRegistry& registry) {
    const auto on = [&registry](Command id, CommandRegistry::Handler handler) {
        registry.Register(id, std::move(handler));
    };
    ViewerController* v = &viewer;
    on(Command::mnuImgNext, [v] { v->ImgNext(); });
    on(Command::mnuImgBack, [v] { v->ImgBack(); });
    on(Command::mnuJumpStart, [v] { v->JumpStart(); });
    on(Command::mnuJumpEnd, [v] { v->JumpEnd(); });
    on(Command::popJumpStart, [v] { v->JumpStart(); });
    on(Command::popJumpEnd, [v] { v->JumpEnd(); });
    on(Command::mnuFolder_mBack, [v] { v->FolderPrevious(v->TreeFolder()); });
    on(Command::mnuFolder_mNext, [v] { v->FolderNext(v->TreeFolder()); });
    on(Command::mnuFolder_Up, [v] { v->FolderUp(v->TreeFolder()); });
    on(Command::mnuFolderBackEx, [v] { v->FolderBackEx(v->TreeFolder()); });
    on(Command::mnuFolderNextEx, [v] { v->FolderNextEx(v->TreeFolder()); });
    on(Command::N57, [v] { v->SetSelectionStart(); });
    on(Command::N58, [v] { v->SetSelectionEnd(); });
    on(Command::N59, [v] { v->SelectAll(); });
    on(Command::mnuZoom, [v] { v->ZoomIn(); });
    on(Command::mnuSmall, [v] { v->ZoomOut(); });
    on(Command::mnuViewRateInput, [v] { v->RateInput(); });
    on(Command::mnuNormalSize, [v] { v->ToggleActualSize(); });
    on(Command::mnuFilterReset, [v] { v->mnuFilterResetClick(); });
    on(Command::mnuSoundPlay, [v] { v->SetSoundOn(!v->soundOn()); });
    for (const CommandChoice& choice : kZoomChoices) {
        const int code = choice.code;
        on(choice.id, [v, code] { v->ZoomRedraw(code); });
    }
    for (const CommandChoice& choice : kSortChoices) {
        const int code = choice.code;
        on(choice.id, [v, code] { v->SortMenuChosen(SortOrderOfCode(code)); });
    }
    for (const CommandChoice& choice : kJpegScaleChoices) {
        const int scale = choice.code;
        on(choice.id, [v, scale] { v->SetJpegScale(scale); });
    }
    for (const FilterChoice& choice : kFilterChoices) {
        const auto choose = choice.choose;
        on(choice.id, [v, choose] {
            FilterSettings filters = v->filters();
            choose(filters);
            v->FilterRedraw(filters);
        });
    }
}

void RegisterSortingCommands(SortingWorkflow& sorting, UndoWorkflow& undo, CommandRegistry& registry) {
    SortingWorkflow* s = &sorting;
    UndoWorkflow* u = &undo;
    registry.Register(Command::mnuMoveUndo, [u] { u->mnuMoveUndoClick(); });
    registry.Register(Command::mnuMoveRedo, [u] { u->mnuMoveRedoClick(); });
    registry.Register(Command::actComma, [s] { s->actCommaExecute(); });
}

void RegisterCheckListCommands(CheckListWorkflow& checks, CommandRegistry& registry) {
    CheckListWorkflow* c = &checks;
    constexpr Command kToggles[] = {
        Command::popCheckList1, Command::popCheckList2,  Command::popCheckList3, Command::popCheckList4,
        Command::popCheckList5, Command::popCheckList6,  Command::popCheckList7, Command::popCheckList8,
        Command::popCheckList9, Command::popCheckList10,
    };
    // The six commands of each list's menu, list A's first; the lists follow one another.
    constexpr Command kListA[] = {Command::mnuListA_Copy, Command::mnuListA_Move,  Command::mnuListA_Delete,
                                  Command::mnuListA_Open, Command::mnuListA_Erase, Command::mnuListA_Reverse};
    constexpr int kPerList =
        static_cast<int>(Command::mnuListB_Copy) - static_cast<int>(Command::mnuListA_Copy);
    static_assert(static_cast<int>(Command::mnuListJ_Reverse) ==
                      static_cast<int>(Command::mnuListA_Copy) + CheckLists::kCount * kPerList - 1,
                  "each list's six commands follow the list before");
    for (int n = 0; n < CheckLists::kCount; ++n) {
        registry.Register(kToggles[n], [c, n] { c->Toggle(n); });
        const auto of = [n](Command first) {
            return static_cast<Command>(static_cast<int>(first) + n * kPerList);
        };
        registry.Register(of(kListA[0]), [c, n] { c->CopyList(n); });
        registry.Register(of(kListA[1]), [c, n] { c->MoveList(n); });
        registry.Register(of(kListA[2]), [c, n] { c->DeleteList(n); });
        registry.Register(of(kListA[3]), [c, n] { c->OpenList(n); });
        registry.Register(of(kListA[4]), [c, n] { c->ClearList(n); });
        registry.Register(of(kListA[5]), [c, n] { c->Invert(n); });
    }
    registry.Register(Command::K1, [c] { c->UnmarkEverywhere(); });
    registry.Register(Command::mnuNowListCopy, [c] { c->CurrentCopy(); });
    registry.Register(Command::mnuNowListMove, [c] { c->CurrentMove(); });
    registry.Register(Command::mnuNowListDelete, [c] { c->CurrentDelete(); });
}

void RegisterFolderCommands(FolderWorkflow& folders, CommandRegistry& registry) {
    FolderWorkflow* f = &folders;
    registry.Register(Command::mnuFolderCreate, [f] { f->mnuFolderCreateClick(); });
    registry.Register(Command::mnuFolderRename, [f] { f->mnuFolderRenameClick(); });
    registry.Register(Command::popRename, [f] { f->popRenameClick(); });
    registry.Register(Command::popDelete, [f] { f->popDeleteClick(); });
}
