#pragma once

#include <QObject>

class MainMenu;
class ViewerController;

// The menus of the ten check lists: each caption shows the list's name and how many files it
// holds, each toggle is checked while its list holds the shown file, and Shift with a toggle's
// key inverts the marks over the selected range. Owns no widgets; it keeps the window's menu
// items up to date with the lists. GUI thread.
class CheckListMenus : public QObject {
    Q_OBJECT

public:
    CheckListMenus(ViewerController& controller, MainMenu& menu, QObject* parent);

    // Relabels the ten check-list menus with their names and entry counts.
    void MenuSeting();

private:
    // Checks the toggles of the lists that hold the shown file.
    void CheckListMarks();

    ViewerController& m_controller;
    MainMenu& m_menu;
};
