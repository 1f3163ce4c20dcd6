#pragma once

#include "app/commands/AppCommands.h"
#include "core/filelist/SortOrder.h"

#include <QObject>
#include <span>

class MainMenu;
class ViewerController;
struct FilterSettings;

// What the menus show of the controller's state and of the settings: the checked zoom, JPEG
// scale, filter, actual-size, sort and sound items, and the external programs' entries of the
// picture's menu. Owns no widgets; it keeps the window's menu items up to date. GUI thread.
class MenuMarks : public QObject {
    Q_OBJECT

public:
    MenuMarks(ViewerController& controller, MainMenu& menu, QObject* parent);

    // The sort order and the external programs the settings name.
    void ShowSettings();

private:
    // Checks the item of the choice `code` among `choices`.
    void CheckChoice(std::span<const CommandChoice> choices, int code);
    // Checks, in each group, the item whose choice the filters hold.
    void CheckFilterItems(const FilterSettings& filters);
    void CheckSortItem(SortOrder order);
    void ShowExternalApps();

    ViewerController& m_controller;
    MainMenu& m_menu;
};
