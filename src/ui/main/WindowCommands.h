#pragma once

#include <QObject>

class ClipboardReader;
class ImgBar;
class MainMenu;
class QPlainTextEdit;
class QPoint;
class QString;
class QWidget;
class ViewerController;

// The commands that need the main window and touch neither its settings nor its panes'
// layout: the file and folder pickers, the clipboard, the version box, the drag-out window,
// loading and saving the sorting table, the pop-up menus, copying the comment, Esc, the title
// bar's menu and the six keys the settings bind. Registers their handlers with the controller's
// registry and owns the bindable keys' actions (children of the picture side). GUI thread.
class WindowCommands : public QObject {
    Q_OBJECT

public:
    struct Parts {
        QWidget& window;
        QWidget& pictureSide; // the track bar, the picture and the comment
        ImgBar& bar;
        QPlainTextEdit& comment;
    };

    WindowCommands(ViewerController& controller, ClipboardReader& clipboard, MainMenu& menu, Parts parts);

    // Runs the command bound to the mouse input `input` ("mGes8", "mGesTRC" …).
    void RunInput(const QString& input);
    // Opens the pop-up menu `name` at `at` (screen) while the list holds files.
    void Popup(const QString& name, const QPoint& at);

private:
    void RegisterCommands();
    void RegisterSystemMenu();
    void AddBindableKeys();
    void WirePopupMenus();

    void mnuFileOpenClick();
    void mnuFoldetOpenClick();
    void mnuVersionClick();
    // Opens the drag-out window; the main window stays minimised when a list was dropped somewhere.
    void mnuListDandDClick();
    void mnuKeyTableLoadClick();
    void mnuKeyTableSaveClick();

    ViewerController& m_controller;
    ClipboardReader& m_clipboard;
    MainMenu& m_menu;
    Parts m_parts;
};
