#pragma once

#include "app/ViewerPart.h"
#include "app/filelist/FolderWatch.h"
#include "core/filelist/FileScan.h"
#include "core/filelist/SortOrder.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <atomic>

// The list and the position: scans a folder (a subfolder scan on a worker while this waits in an
// event loop), opens folders, files, lists and drops, keeps the track bar, steps through the list
// and between folders, and orders the list. While a folder is the list it watches that folder:
// when another program takes it away, the user is told and the nearest folder above it opens.
// GUI thread.
class FileListNavigator : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit FileListNavigator(ViewerController& viewer);

    bool imageCommands() const { return m_imageCommands; }
    quint64 listGeneration() const { return m_listGeneration; }
    // Asks a running subfolder scan to stop at the next folder.
    void RequestScanStop() { m_stopScan = true; }
    void ViewFolder(const QString& folder, bool selectInTree);
    void ViewFile(const QString& path);
    void ViewFileUndo(const QString& path);
    void ImgListDelete();
    // The shown file was renamed to `path`: its entry keeps its place and it is shown again.
    void ReplaceShownFile(const QString& path);
    // The user moved the track bar.
    void TrackBarMoved(int position);
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
    void FolderPrevious(const QString& treeFolder);
    void FolderNext(const QString& treeFolder);
    void FolderUp(const QString& treeFolder);
    void FolderBackEx(const QString& treeFolder);
    void FolderNextEx(const QString& treeFolder);
    // A sort menu item was chosen: the list is scanned again in that order and the shown file
    // stays shown at its new place.
    void SortMenuChosen(SortOrder order);
    // Sets the order of the next scan without scanning.
    void SortExecute(SortOrder order);
    // Rebuild of the list after "情報を更新": `treeFolder` is the tree's selected folder.
    void Refresh(const QString& treeFolder);
    // Shows `files` as the current list in place of a folder, named `name` in the title.
    void OpenList(const QStringList& files, const QString& name);
    // Files or folders dropped on the window: the first one is opened.
    void OpenDropped(const QStringList& paths);

signals:
    void imageCommandsEnabled(bool on);
    void pictureChanged();
    void scanRunning(bool running);
    void selectFolderInTree(const QString& folder);
    void sortModeChanged(SortOrder order);
    void trackBarChanged();

private:
    qint64 RunScan(FileEntries& list, const QString& folder, bool subfolders);
    int PositionOf(const QString& path) const;
    void ShowFileList(int position);
    void ImgBarSeting();
    void WalkFolder(QString (*step)(const QString&), const QString& treeFolder);
    void EnableImageCommands(bool on);
    // Watches the folder of the list, or nothing when a check list or a drop is the list.
    void WatchListFolder();
    // The program itself moved or renamed `from` to `to`: a list in it follows it.
    void FolderMoved(const QString& from, const QString& to);
    // Looks whether the watched folder is still there, once nothing else runs.
    void CheckListFolder();

    bool m_imageCommands = false; // the track bar and the image commands are enabled
    std::atomic<bool> m_stopScan{false};
    quint64 m_listGeneration = 0; // grows with every new list, to notice one made during a load
    FolderWatch m_folderWatch;
    QTimer m_folderCheck; // runs CheckListFolder from the event loop
};
