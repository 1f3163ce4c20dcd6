#pragma once

#include "app/commands/CommandTable.h"
#include "core/display/ImageFilters.h"

#include <span>

class CheckListWorkflow;
class CommandRegistry;
class FolderWorkflow;
class SortingWorkflow;
class UndoWorkflow;
class ViewerController;

// The commands the workflows carry out, each handed to the registry with its handler; the
// windows register only what needs a window.
void RegisterViewerCommands(ViewerController& viewer, CommandRegistry& registry);
void RegisterSortingCommands(SortingWorkflow& sorting, UndoWorkflow& undo, CommandRegistry& registry);
void RegisterCheckListCommands(CheckListWorkflow& checks, CommandRegistry& registry);
void RegisterFolderCommands(FolderWorkflow& folders, CommandRegistry& registry);

// A command that chooses one of a closed set: a zoom mode code (260 … 264), a sort code, a JPEG
// load scale (0 full … 3 an eighth). The menus check the command of the choice in force.
struct CommandChoice {
    Command id;
    int code;
};
std::span<const CommandChoice> ZoomChoices();
std::span<const CommandChoice> SortChoices();
std::span<const CommandChoice> JpegScaleChoices();

// A filter item: it sets its group of the filter settings to its choice.
struct FilterChoice {
    Command id;
    void (*choose)(FilterSettings&);
};
std::span<const FilterChoice> FilterChoices();
