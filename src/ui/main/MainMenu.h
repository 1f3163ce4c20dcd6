#pragma once

#include "app/commands/CommandTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <span>

class CommandRegistry;
class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QWidget;

// Where each command stands in the main menu and the window's pop-up menus.
enum class MenuKind { Menu, Popup, Item, Separator };

enum MenuFlag : unsigned {
    Checkable = 1u << 0,
    Checked = 1u << 1,
    Hidden = 1u << 2,           // not shown; its shortcut still works
    DefaultItem = 1u << 3,      // the bold item of its menu
    MenuEnabled = 1u << 4,      // a menu that opens (the menus of parts not built yet stay grey)
    MenuNeedsPicture = 1u << 5, // a menu that opens only while a file is shown
};

struct MenuRow {
    MenuKind kind;
    const char* name;    // a menu's object name; empty for items and separators
    Command command;     // what an item runs
    const char* parent;  // name of the menu holding it; empty for the menu bar and pop-ups
    const char* caption; // a menu's caption (an item's comes from its command)
    const char* group;   // items of one group are checked exclusively; empty for none
    unsigned flags;
};

// Every row of the menus, in order.
std::span<const MenuRow> MainMenuRows();

// The main window's menus and actions, built from the command table in one loop and placed by
// the rows above: one action per command, named as its row names it, which runs its command
// through the registry and is enabled while the registry says the command can run. A shortcut
// works even where its item is hidden or its pop-up menu closed. The actions and menus belong
// to the window; this finds them by name and id. GUI thread.
class MainMenu {
public:
    MainMenu(QMainWindow& window, CommandRegistry& registry);

    QAction* action(const QString& name) const { return m_actions.value(name); }
    QAction* action(Command id) const { return m_byId.value(static_cast<qsizetype>(id)); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }

    // The keys of commands that belong to the picture side work only while the keys go there.
    void AttachPictureSide(QWidget& side);
    // The menus that need a shown file open only while one is shown; without one the slide
    // show's check mark goes too.
    void setImageCommandsEnabled(bool on);

private:
    void Refresh();

    CommandRegistry& m_registry;
    QHash<QString, QAction*> m_actions;
    QList<QAction*> m_byId; // by the command's id
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QActionGroup*> m_groups;
    QHash<QString, unsigned> m_menuFlags;
};
