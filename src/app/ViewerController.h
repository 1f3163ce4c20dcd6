#pragma once

#include "app/CheckListWorkflow.h"
#include "app/CommandExecutor.h"
#include "app/PausingPrompts.h"
#include "app/Services.h"
#include "app/SortingWorkflow.h"
#include "app/TitleText.h"
#include "app/TransferBatch.h"
#include "app/ViewerState.h"
#include "app/commands/CommandRegistry.h"
#include "app/display/Animation.h"
#include "app/display/PictureShow.h"
#include "app/display/ViewSettings.h"
#include "app/feedback/Feedback.h"
#include "app/filelist/FileListNavigator.h"
#include "app/foldertree/FolderWorkflow.h"
#include "app/session/Session.h"
#include "app/sorting/UndoWorkflow.h"
#include "core/common/SoundPlayer.h"
#include "core/common/UserPrompts.h"
#include "core/imaging/TSpiLib32.h"
#include "core/settings/Options.h"

#include <QObject>
#include <functional>

// The viewer: owns `ViewerState`, the options and the parts that work on them - the session, the
// list and its position, showing pictures, the view settings, the animation, what the user is
// told - and the workflows (transfers, sorting, check lists, commands). It hands each part what
// it asks for and passes their signals on to the windows; the entry points below call the part
// that does the work. GUI thread.
class ViewerController : public QObject {
    Q_OBJECT

public:
    struct Services {
        UserPrompts& prompts;
        SoundPlayer& sound;
        KeyState& keys;
        ScanWindow* scanWindow = nullptr;
    };

    ViewerController(const Options& options, Services services, QObject* parent = nullptr);
    ~ViewerController() override;

    // The parts.
    Session& session() { return m_session; }
    FileListNavigator& navigator() { return m_navigator; }
    PictureShow& show() { return m_show; }
    ViewSettings& view() { return m_view; }
    const ViewSettings& view() const { return m_view; }
    Animation& animation() { return m_animation; }
    Feedback& feedback() { return m_feedback; }
    const Feedback& feedback() const { return m_feedback; }

    // The scan progress window, made after the main window.
    void SetScanWindow(ScanWindow* window) { m_services.scanWindow = window; }
    ScanWindow* scanWindow() const { return m_services.scanWindow; }
    SoundPlayer& sounds() { return m_services.sound; }

    ViewerState& state() { return m_state; }
    const ViewerState& state() const { return m_state; }
    Options& options() { return m_options; }
    const TrackBar& trackBar() const { return m_bar; }
    TrackBar& bar() { return m_bar; }

    // The session (Session).
    bool InitFolders(const QString& programFolder, QString* error) {
        return m_session.InitFolders(programFolder, error);
    }
    void StartUp(const QStringList& arguments) { m_session.StartUp(arguments); }
    void PrepareScanMask() { m_session.PrepareScanMask(); }
    bool ShutDown() { return m_session.ShutDown(); }
    bool closing() const { return m_session.closing(); }
    // The check lists or the sorting table changed: they are written in the background soon.
    void SaveSoon() { m_session.saver().Schedule(); }
    void SaveWork() { m_session.SaveWork(); }
    QString SettingsPath() const { return m_session.SettingsPath(); }
    bool LoadSettings(bool atStartUp) { return m_session.LoadSettings(atStartUp); }
    bool SaveSettings() { return m_session.SaveSettings(); }

    // The list and its position (FileListNavigator).
    void ViewFolder(const QString& folder, bool selectInTree) {
        m_navigator.ViewFolder(folder, selectInTree);
    }
    void ViewFile(const QString& path) { m_navigator.ViewFile(path); }
    void ViewFileUndo(const QString& path) { m_navigator.ViewFileUndo(path); }
    void ImgListDelete() { m_navigator.ImgListDelete(); }
    void TrackBarMoved(int position) { m_navigator.TrackBarMoved(position); }
    void Refresh(const QString& treeFolder) { m_navigator.Refresh(treeFolder); }
    void OpenDropped(const QStringList& paths) { m_navigator.OpenDropped(paths); }
    void OpenList(const QStringList& files, const QString& name) { m_navigator.OpenList(files, name); }
    void ImgNext() { m_navigator.ImgNext(); }
    void ImgBack() { m_navigator.ImgBack(); }
    void JumpStart() { m_navigator.JumpStart(); }
    void JumpEnd() { m_navigator.JumpEnd(); }
    void SetSelectionStart() { m_navigator.SetSelectionStart(); }
    void SetSelectionEnd() { m_navigator.SetSelectionEnd(); }
    void SelectAll() { m_navigator.SelectAll(); }
    void FolderPrevious(const QString& treeFolder) { m_navigator.FolderPrevious(treeFolder); }
    void FolderNext(const QString& treeFolder) { m_navigator.FolderNext(treeFolder); }
    void FolderUp(const QString& treeFolder) { m_navigator.FolderUp(treeFolder); }
    void FolderBackEx(const QString& treeFolder) { m_navigator.FolderBackEx(treeFolder); }
    void FolderNextEx(const QString& treeFolder) { m_navigator.FolderNextEx(treeFolder); }
    void SortMenuChosen(SortOrder order) { m_navigator.SortMenuChosen(order); }
    void SortExecute(SortOrder order) { m_navigator.SortExecute(order); }
    void RequestScanStop() { m_navigator.RequestScanStop(); }

    // Showing pictures (PictureShow).
    void ImgBarChange() { m_show.ImgBarChange(); }
    void ShowClipboard(const QImage& image) { m_show.ShowClipboard(image); }
    void SetJpegScale(int scale) { m_show.SetJpegScale(scale); }
    void ActOnShownFile(std::function<void()> action) { m_show.ActOnShownFile(std::move(action)); }
    PictureLoader& loader() { return m_show.loader(); }

    // The view settings (ViewSettings).
    void SetViewSize(QSize size) { m_view.SetViewSize(size); }
    void ZoomRedraw(int mode) { m_view.ZoomRedraw(mode); }
    void ZoomExecute(double value) { m_view.ZoomExecute(value); }
    double ZoomNoToStore() const { return m_view.ZoomNoToStore(); }
    ZoomMode zoomMode() const { return m_view.zoomMode(); }
    void ZoomIn() { m_view.ZoomIn(); }
    void ZoomOut() { m_view.ZoomOut(); }
    void RateInput() { m_view.RateInput(); }
    void ViewAtRate(double rate) { m_view.ViewAtRate(rate); }
    void ToggleActualSize() { m_view.ToggleActualSize(); }
    bool actualSize() const { return m_view.actualSize(); }
    void FilterRedraw(const FilterSettings& filters) { m_view.FilterRedraw(filters); }
    const FilterSettings& filters() const { return m_view.filters(); }
    void mnuFilterResetClick() { m_view.mnuFilterResetClick(); }
    void SetScrollBarWidth(int width) { m_view.SetScrollBarWidth(width); }
    int scrollBarWidth() const { return m_view.scrollBarWidth(); }

    // What the user is told (Feedback).
    void TitleDraw() { m_feedback.TitleDraw(); }
    void AppendCaption(const QString& suffix) { m_feedback.AppendCaption(suffix); }
    std::optional<QString> AskFolder(const QString& caption, const QString& start) {
        return m_feedback.AskFolder(caption, start);
    }
    QString Tip() const { return m_feedback.Tip(); }
    MessageResult infoMes(const QString& text, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok) {
        return m_feedback.infoMes(text, icon, buttons);
    }
    void SoundPlay(Sound kind) { m_feedback.SoundPlay(kind); }
    void SetSoundOn(bool on) { m_feedback.SetSoundOn(on); }
    bool soundOn() const { return m_feedback.soundOn(); }
    void SetSlideShow(bool on) { m_feedback.SetSlideShow(on); }

    // Every copy, move and delete of files, and the journal of what moved.
    TransferBatch& batch() { return m_batch; }
    UndoJournal& journal() { return m_journal; }
    FileOperations& files() { return m_files; }
    TSpiLib32& plugIns() { return m_plugIns; }
    const TSpiLib32& plugIns() const { return m_plugIns; }
    // The sorting keys and the sorting table.
    SortingWorkflow& sorting() { return m_sorting; }
    // Undo and redo of the journal.
    UndoWorkflow& undo() { return m_undo; }
    // The ten check lists.
    CheckListWorkflow& checks() { return m_checks; }
    // Folders made, renamed, moved and deleted; the shown file renamed, deleted or dropped.
    FolderWorkflow& folders() { return m_folders; }
    // The command texts bound to inputs and sorting keys.
    CommandExecutor& commands() { return m_commands; }
    // What every command does; the windows add what needs a window.
    CommandRegistry& registry() { return m_registry; }
    // The user's home folder, which "~/" in folder names stands for.
    const QString& home() const { return m_home; }
    const KeyState& keys() const { return m_services.keys; }
    UserPrompts& prompts() { return m_prompts; }

    // Whether the window takes no commands now: paused for a dialog, held by a batch of file
    // operations, or disabled by a subfolder scan.
    bool InputHeld() const { return m_state.Paused || m_batch.locked() || m_state.ScanBusy; }
    // The folder tree has the keyboard focus: it keeps its own keys, and sorting leaves the
    // shown file alone.
    void SetTreeFocused(bool focused) { m_treeFocused = focused; }
    bool treeFocused() const { return m_treeFocused; }
    // Where the folder tree's selected folder is read from, for the folder walks.
    void SetTreeFolderSource(std::function<QString()> source) { m_treeFolder = std::move(source); }
    QString TreeFolder() const { return m_treeFolder ? m_treeFolder() : QString(); }

signals:
    void titleChanged(const TitleTexts& texts);
    void pictureChanged(); // ViewBitmap changed
    void commentChanged(const QString& text);
    void trackBarChanged();
    void imageCommandsEnabled(bool on);
    void selectFolderInTree(const QString& folder);
    void sortModeChanged(SortOrder order); // the sort menu checks the item of `order`
    void zoomModeChanged(int code);        // the zoom menu checks the item of `code`
    void filtersChanged(const FilterSettings& filters);
    void actualSizeChanged(bool on);
    void scanRunning(bool running); // a subfolder scan disables the window meanwhile
    void soundChanged(bool on);
    void jpegScaleChanged(int scale); // 0 full size … 3 an eighth

private:
    Options m_options;
    Services m_services;
    ViewerState m_state;
    PausingPrompts m_prompts{m_services.prompts, m_state.Paused};
    TrackBar m_bar;
    CommandRegistry m_registry;
    std::function<QString()> m_treeFolder;
    bool m_treeFocused = false;
    QString m_home;
    UndoJournal m_journal;
    FileOperations m_files;
    TransferBatch m_batch;
    // Declared before the picture show: it is destroyed, unloading the plug-ins, only after the
    // picture loader has waited for its threads.
    TSpiLib32 m_plugIns;
    Feedback m_feedback{*this};
    ViewSettings m_view{*this};
    Animation m_animation{*this};
    PictureShow m_show{*this};
    FileListNavigator m_navigator{*this};
    Session m_session{*this};
    SortingWorkflow m_sorting{*this};
    UndoWorkflow m_undo{*this};
    CheckListWorkflow m_checks{*this};
    FolderWorkflow m_folders{*this};
    CommandExecutor m_commands{*this};
};
