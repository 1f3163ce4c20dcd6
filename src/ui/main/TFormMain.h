#pragma once

#include "app/TitleText.h"
#include "ui/main/MainMenu.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class CheckListMenus;
class ClipboardReader;
class FolderTreePane;
class ImgBar;
class MenuMarks;
class PictureArea;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class TFormOption;
class ViewerController;
class WindowCommands;

// The main window: the folder tree on the left; right of it the track bar, the picture in its
// scroll box and the comment pane; the status bar below; the main menu above. It lays out and
// puts together the parts (the tree pane, the picture area, the sorting keys, the check-list
// menus, the menu marks and the window's commands), shows the title and the status bar the
// controller announces, applies and collects the settings of its placement and panes, and saves
// the session when it closes. Created first and destroyed last of the windows; GUI thread.
class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    TFormMain(ViewerController& controller, ClipboardReader& clipboard, QWidget* parent = nullptr);
    ~TFormMain() override;

    // The rest of start-up, run once right after the window was first shown: the controller
    // opens the command-line argument (`arguments`, the program name left out), the last file
    // or the desktop folder.
    void FormFirstShow(const QStringList& arguments);

    MainMenu& mainMenu() { return m_menu; }

    // The desktop session ends: everything is written as at a close, and the window stays
    // until the session ends the program.
    void SaveForSessionEnd();

    // The options dialog, made at start-up right after this window.
    void SetOptionDialog(TFormOption* dialog) { m_optionDialog = dialog; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPanes();
    void BuildStatusBar();
    void WireCommands();
    void WireController();

    void ApplySettings();
    void CollectSettings();
    // The check lists and the sorting table, and with `settings` the settings.
    void SaveSession(bool settings);
    void TitleDraw(const TitleTexts& texts);
    // A batch of file operations puts its progress before the title; empty restores it.
    void ShowProgressTitle(const QString& prefix);
    // A batch of file operations holds the window: menus and panes take no input meanwhile.
    void LockForBatch(bool locked);
    void EnableImageCommands(bool on);

    void Refresh1Click();
    void StatusBarMouse(const QEvent& event);
    void mnuFileOptionClick();

    ViewerController& m_controller;
    ClipboardReader& m_clipboard;
    MainMenu m_menu;

    QSplitter* m_treeSplit;
    FolderTreePane* m_tree;
    QWidget* m_panel1; // the right side: track bar, picture and comment
    ImgBar* m_imgBar;
    QSplitter* m_commentSplit;
    PictureArea* m_picture;
    QPlainTextEdit* m_comment;
    QLabel* m_panels[5] = {};
    QPoint m_statusPress; // where the left button went down on the status bar, to start a drag
    CheckListMenus* m_checkLists;
    MenuMarks* m_menuMarks;
    WindowCommands* m_commands;

    bool m_shutDown = false;
    TitleTexts m_title;                   // the last texts the controller drew, to come back to after a batch
    QPointer<QWidget> m_focusBeforeBatch; // where the keys went before a batch disabled the panes
    TFormOption* m_optionDialog = nullptr;
};
