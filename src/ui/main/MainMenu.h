#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <span>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;

// One row of the main menu or of the window's pop-up menus: a menu, a pop-up menu, an item or
// a separator, named so that commands can be bound to it by name.
enum class MenuKind { Menu, Popup, Item, Separator };

enum MenuFlag : unsigned {
    Checkable = 1u << 0,
    Checked = 1u << 1,
    Hidden = 1u << 2,       // not shown; its shortcut still works
    Built = 1u << 3,        // its command exists: enabled (unbuilt rows stay disabled)
    ImageCommand = 1u << 4, // needs a shown file: follows the image commands' switch
    DefaultItem = 1u << 5,  // the bold item of its menu
};

struct MenuRow {
    MenuKind kind;
    const char* name;   // object name; empty for separators
    const char* parent; // name of the menu holding it; empty for the menu bar and pop-ups
    const char* caption;
    const char* shortcut; // key sequence in portable text ("Ctrl+G"); empty for none
    int tag;              // the choice a shared handler reads
    const char* group;    // items of one group are checked exclusively; empty for none
    unsigned flags;
};

// Every row of the main menu, in order.
std::span<const MenuRow> MainMenuRows();

// The main window's menu bar built from the rows: owns nothing itself (the actions and menus
// belong to the window) but finds them by name. GUI thread.
class MainMenu {
public:
    explicit MainMenu(QMainWindow& window);

    QAction* action(const QString& name) const { return m_actions.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }

    // Enables the commands that need a shown file (those already built) or disables them;
    // disabling also stops the slide show's check mark.
    void setImageCommandsEnabled(bool on);

private:
    QHash<QString, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QActionGroup*> m_groups;
    QSet<QString> m_built;
    QSet<QString> m_imageCommands;
};
