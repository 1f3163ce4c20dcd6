#pragma once

#include "app/TitleText.h"
#include "app/commands/AppCommands.h"
#include "core/filelist/SortOrder.h"
#include "core/input/WheelSteps.h"
#include "ui/main/MainMenu.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class ClipboardReader;
class ImgBar;
class ImgView;
class QFileSystemModel;
class QLabel;
class QModelIndex;
class QPlainTextEdit;
class QScrollArea;
class QSplitter;
class QTreeView;
class QWheelEvent;
struct FilterSettings;
class TFormOption;
class ViewerController;

// The main window: the folder tree on the left; right of it the track bar, the picture in its
// scroll box and the comment pane; the status bar below; the main menu above. It shows what the
// controller announces through its signals and hands the user's requests to the controller.
// Created first and destroyed last of the windows; GUI thread.
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
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPanes();
    void BuildStatusBar();
    void WireMenu();
    void WireSorting();
    void WireCheckLists();
    void WireCommands();
    // Runs the command bound to the mouse input `input` ("mGes8", "mGesTRC" …).
    void RunInput(const QString& input);
    // Opens the pop-up menu `name` at `at` (screen) while the list holds files.
    void Popup(const QString& name, const QPoint& at);
    void mnuKeyTableLoadClick();
    void mnuKeyTableSaveClick();
    void WireController();
    void SetTreeModel();

    void ApplySettings();
    void CollectSettings();
    // The check lists and the sorting table, and with `settings` the settings.
    void SaveSession(bool settings);
    void ShowExternalApps();
    // Relabels the ten check-list menus with their names and entry counts.
    void MenuSeting();
    // Checks the toggles of the lists that hold the shown file.
    void CheckListMarks();
    void TitleDraw(const TitleTexts& texts);
    // A batch of file operations puts its progress before the title; empty restores it.
    void ShowProgressTitle(const QString& prefix);
    // A batch of file operations holds the window: menus and panes take no input meanwhile.
    void LockForBatch(bool locked);
    void WireViewMenu();
    void CheckFilterItems(const FilterSettings& filters);
    // Checks the item of the choice `code` among `choices`.
    void CheckChoice(std::span<const CommandChoice> choices, int code);
    void PlaceImage();
    bool ImageMouse(const QEvent& event);
    void DragPictureOut();
    void CheckSortItem(SortOrder order);
    void ImageWheel(const QWheelEvent& event);
    void EnableImageCommands(bool on);
    void SelectFolderInTree(const QString& folder);
    void TreeViewChange(const QModelIndex& current);
    QString TreeFolder() const;
    // The keyboard focus is on the right side: the picture, the track bar or the comment pane.
    bool PictureSideFocused() const;

    void mnuFileOpenClick();
    void mnuFoldetOpenClick();
    void mnuClipBoardOpenClick();
    void Refresh1Click();
    void mnuVersionClick();
    void mnuFileOptionClick();
    // Opens the drag-out window; this window stays minimised when a list was dropped somewhere.
    void mnuListDandDClick();

    ViewerController& m_controller;
    ClipboardReader& m_clipboard;
    MainMenu m_menu;

    QSplitter* m_treeSplit;
    QTreeView* m_tree;
    QFileSystemModel* m_treeModel = nullptr;
    ImgBar* m_imgBar;
    QSplitter* m_commentSplit;
    QWidget* m_viewPanel;
    QScrollArea* m_scrBox;
    ImgView* m_imgView;
    QPlainTextEdit* m_comment;
    QLabel* m_panels[5] = {};
    QWidget* m_panel1;       // the right side: track bar, picture and comment
    bool m_dragging = false; // a left-button drag of the picture scrolls it
    QPoint m_dragFrom;
    WheelSteps m_wheel;           // the wheel over the picture, which steps through the files
    bool m_temporaryTree = false; // the tree was shown by touching the left edge

    bool m_selectingInTree = false; // the tree follows the controller: no folder is opened
    bool m_shutDown = false;
    TitleTexts m_title;                   // the last texts the controller drew, to come back to after a batch
    QPointer<QWidget> m_focusBeforeBatch; // where the keys went before a batch disabled the panes
    TFormOption* m_optionDialog = nullptr;
};
