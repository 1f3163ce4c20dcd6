#pragma once

#include "app/BackgroundSaver.h"
#include "app/CheckListWorkflow.h"
#include "app/CommandExecutor.h"
#include "app/PausingPrompts.h"
#include "app/PictureLoader.h"
#include "app/Services.h"
#include "app/SortingWorkflow.h"
#include "app/TitleText.h"
#include "app/TransferBatch.h"
#include "app/ViewerState.h"
#include "app/commands/CommandRegistry.h"
#include "core/common/SoundPlayer.h"
#include "core/common/UserPrompts.h"
#include "core/settings/Options.h"

#include <QObject>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// The viewer's controller: owns `ViewerState` and the options, opens folders and files, shows
// the file at the track bar's position and tells the windows what changed through signals.
// Lives on the GUI thread; scans run on a worker while the controller waits in an event loop.
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

    // The scan progress window, made after the main window.
    void SetScanWindow(ScanWindow* window) { m_services.scanWindow = window; }

    ViewerState& state() { return m_state; }
    const ViewerState& state() const { return m_state; }
    Options& options() { return m_options; }
    const TrackBar& trackBar() const { return m_bar; }

    // Start-up: fills the special folders (creating the data folder) from the environment and
    // the program folder. False with `error` when the data folder cannot be made.
    bool InitFolders(const QString& programFolder, QString* error);
    // The rest of start-up at the main window's first show: builds the scan mask and opens the
    // command-line argument, the last file or the desktop folder.
    void StartUp(const QStringList& arguments);
    // Builds the scan mask from the decoder switches (part of start-up).
    void PrepareScanMask();
    // Shut-down: stops loading; returns whether the settings may be written.
    bool ShutDown();
    // The check lists or the sorting table changed: they are written in the background soon.
    void SaveSoon() { m_saver.Schedule(); }
    // Waits for the background writes, then writes the changed check lists and the changed
    // sorting table, telling the user of a failure (at exit and at the end of the session).
    void SaveWork();

    // "Ruvela.ini" in the data folder.
    QString SettingsPath() const;
    // Reads the settings file into the options. At start-up the run's counters, the last file,
    // the sort order and the sound switch are taken from it too; a later re-read keeps this
    // run's counters, so files sorted before the options dialog are not counted twice. False
    // (after telling the user) when the file could not be read.
    bool LoadSettings(bool atStartUp);
    // Writes the options with this run's counters, the last shown file and the sort order.
    // False (after telling the user) when the file could not be written.
    bool SaveSettings();

    void ViewFolder(const QString& folder, bool selectInTree);
    void ViewFile(const QString& path);
    void ViewFileUndo(const QString& path);
    void ImgListDelete();
    // Shows the file at the track bar's position; the track bar's change handler.
    void ImgBarChange();
    // The user moved the track bar.
    void TrackBarMoved(int position);
    // Rebuild of the list after "情報を更新": `treeFolder` is the tree's selected folder.
    void Refresh(const QString& treeFolder);
    // Files or folders dropped on the window: the first one is opened.
    void OpenDropped(const QStringList& paths);
    // Shows a picture from the clipboard; nothing happens for a null image.
    void ShowClipboard(const QImage& image);
    // JPEG load scale 0..3; shows the current file again.
    void SetJpegScale(int scale);

    // The size the picture may take in the view; the shown picture is fitted again.
    void SetViewSize(QSize size);

    // "進む" and "戻る": one file on, or with Ctrl held one frame of an animated picture. At an
    // end of the list they stop with sound 5, or wrap when the list loops.
    void ImgNext();
    void ImgBack();
    // "最初へ戻る" and "最後へ進む".
    void JumpStart();
    void JumpEnd();
    // The track bar's selection: start or end at the position, or the whole list.
    void SetSelectionStart();
    void SetSelectionEnd();
    void SelectAll();

    // The folder walk: each starts from the current folder and, when that finds nothing, from
    // `treeFolder`, the tree's selected folder. Nothing happens when both find nothing.
    void FolderPrevious(const QString& treeFolder); // "前のフォルダへ"
    void FolderNext(const QString& treeFolder);     // "次のフォルダへ"
    void FolderUp(const QString& treeFolder);       // "上のフォルダへ"
    void FolderBackEx(const QString& treeFolder);   // "フォルダを戻る": depth-first previous
    void FolderNextEx(const QString& treeFolder);   // "フォルダを進む": depth-first next

    // A sort menu item was chosen: the list is scanned again in that order and the shown file
    // stays shown at its new place.
    void SortMenuChosen(SortOrder order);
    // Sets the order of the next scan without scanning.
    void SortExecute(SortOrder order);

    // The zoom-mode items (codes 260 to 264): the picture is drawn again in that mode.
    void ZoomRedraw(int mode);
    // A stored zoom value: a mode code, or any other number as the fixed rate. No redraw.
    void ZoomExecute(double value);
    // The value "ZoomNo" keeps: the mode code, or the fixed rate in that mode.
    double ZoomNoToStore() const;
    ZoomMode zoomMode() const { return m_zoomMode; }
    // "拡大" and "縮小": the next rate of the zoom steps.
    void ZoomIn();
    void ZoomOut();
    // "倍率を入力": asks for a rate, or a width in pixels above 8.
    void RateInput();
    // A number bound as a command: the picture is shown at that rate, held to the zoom steps'
    // range; a rate that is not a positive number does nothing.
    void ViewAtRate(double rate);
    // "等倍で表示": 1:1, and back to the rate before.
    void ToggleActualSize();
    bool actualSize() const { return m_actualSize; }
    // A filter item was chosen: the picture is drawn again at the current rate.
    void FilterRedraw(const FilterSettings& filters);
    const FilterSettings& filters() const { return m_filters; }
    // "標準に戻す": every filter group back to standard, and drawn again.
    void mnuFilterResetClick();
    // The width of a vertical scroll bar, which the width mode and the placement leave free.
    void SetScrollBarWidth(int width);
    int scrollBarWidth() const { return m_scrollBarWidth; }

    // Every copy, move and delete of files, and the journal of what moved.
    TransferBatch& batch() { return m_batch; }
    UndoJournal& journal() { return m_journal; }
    // The sorting keys, the sorting table, undo and redo.
    SortingWorkflow& sorting() { return m_sorting; }
    // The ten check lists.
    CheckListWorkflow& checks() { return m_checks; }
    // The user's home folder, which "~/" in folder names stands for.
    const QString& home() const { return m_home; }
    // Whether the window takes no commands now: paused for a dialog, held by a batch of file
    // operations, or disabled by a subfolder scan.
    bool InputHeld() const { return m_state.Paused || m_batch.locked() || m_state.ScanBusy; }
    // Runs `action`, an input that acts on the shown file, now; or, while a picture is still
    // being read (or earlier inputs wait), once the picture the track bar points at is on
    // screen. Waiting inputs run one at a time in the order they came, and steps through the
    // list that come after them wait behind them, so every input acts on what was on screen.
    void ActOnShownFile(std::function<void()> action);
    // The folder tree has the keyboard focus: it keeps its own keys, and sorting leaves the
    // shown file alone.
    void SetTreeFocused(bool focused) { m_treeFocused = focused; }
    bool treeFocused() const { return m_treeFocused; }
    // The command texts bound to inputs and sorting keys.
    CommandExecutor& commands() { return m_commands; }
    // What every command does; the windows add what needs a window.
    CommandRegistry& registry() { return m_registry; }
    // Where the folder tree's selected folder is read from, for the folder walks.
    void SetTreeFolderSource(std::function<QString()> source) { m_treeFolder = std::move(source); }
    QString TreeFolder() const { return m_treeFolder ? m_treeFolder() : QString(); }
    // Shows `files` as the current list in place of a folder, named `name` in the title.
    void OpenList(const QStringList& files, const QString& name);
    const KeyState& keys() const { return m_services.keys; }
    // Every question to the user: each one pauses the viewer while it is open.
    UserPrompts& prompts() { return m_prompts; }

    // A folder picker titled `caption`, opened at `start`; nothing when it was cancelled.
    std::optional<QString> AskFolder(const QString& caption, const QString& start);
    // Draws the title with `suffix` after the caption ("   { Move > ~/best }").
    void AppendCaption(const QString& suffix);

    // The owner of loading and prefetching, for the benchmarks and tests.
    PictureLoader& loader() { return m_loader; }

    void TitleDraw();
    // One of the start-up tips, chosen by the clock and the launch count.
    QString Tip() const;
    MessageResult infoMes(const QString& text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok);
    void SoundPlay(Sound kind);
    void SetSoundOn(bool on);
    bool soundOn() const { return m_soundOn; }
    void SetSlideShow(bool on) { m_slideShow = on; }

    // Asks a running subfolder scan to stop at the next folder.
    void RequestScanStop() { m_stopScan = true; }

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
    qint64 RunScan(FileEntries& list, const QString& folder, bool subfolders);
    void ImgBarSeting();
    void EnableImageCommands(bool on);
    void OfferRename(const QString& path, const QString& trueExtension);
    void LoadSideText();
    void ViewSeting(double rate);
    void ShowPicture(const PreparedPicture& picture);
    void Present(const RenderedView& view);
    ViewParams CurrentViewParams() const;
    QRgb ViewColour() const;
    void SyncView();
    void RedrawAtCurrentRate();
    void SetFilterSettings(const FilterSettings& filters);
    void SetActualSize(bool on);
    void ZoomTo(std::optional<double> rate);
    void ApplyLoaded(const QString& path, const LoadedImage& loaded);
    void PrefetchNeighbours(int direction);
    void ApplyLoadOptions();
    void WalkFolder(QString (*step)(const QString&), const QString& treeFolder);
    void ReadCurrentFileFacts();
    void SetComment(const QString& text);
    void CloseGif();
    void NextGifFrame();
    // Ctrl with next / back: shows the frame `delta` away in the open animation without reading
    // the file again; a picture that is no animation is shown anew.
    void StepGifFrame(int delta);
    // Shows the file at the track bar's position, keeping the animation that is open (the
    // callers close it before showing another file). `direction` is where reading ahead goes.
    void ShowBarPosition(int direction);
    void ShowFileList(int position);
    int PositionOf(const QString& path) const;
    TitleContext MakeTitleContext() const;
    // True when `step` was put behind inputs that wait for the picture (see ActOnShownFile).
    bool WaitBehindInputs(std::function<void()> step);
    void PostWaitingInputs();
    void RunWaitingInputs();

    Options m_options;
    Services m_services;
    ViewerState m_state;
    PausingPrompts m_prompts{m_services.prompts, m_state.Paused};
    TrackBar m_bar;
    CommandRegistry m_registry;
    std::function<QString()> m_treeFolder;
    bool m_soundOn = false;
    bool m_slideShow = false;
    bool m_closing = false;
    bool m_imageCommands = false; // the track bar and the image commands are enabled
    std::atomic<bool> m_stopScan{false};
    QTimer m_gifTimer;
    QString m_home;
    PictureLoader m_loader;
    UndoJournal m_journal;
    FileOperations m_files;
    TransferBatch m_batch;
    SortingWorkflow m_sorting{*this};
    CheckListWorkflow m_checks{*this};
    CommandExecutor m_commands{*this};
    BackgroundSaver m_saver{std::chrono::milliseconds(500)};
    quint64 m_listGeneration = 0; // grows with every new list, to notice one made during a load
    int m_direction = 1;          // the direction of the last step: 1 onwards, -1 back
    ZoomMode m_zoomMode = ZoomMode::ShrinkOnly;
    FilterSettings m_filters;
    double m_savedRate = 1; // the rate put aside while the picture is shown 1:1
    bool m_actualSize = false;
    int m_scrollBarWidth = 16;
    std::unique_ptr<QTemporaryDir> m_tempFolder;       // pTemp, removed at exit
    std::deque<std::function<void()>> m_waitingInputs; // inputs that wait for the picture
    bool m_waitingPosted = false;                      // a run of the waiting inputs is queued
    bool m_runningWaiting = false;                     // one of them runs now
    bool m_shownGone = false;                          // the shown file was taken out of the list
    bool m_treeFocused = false;
};
