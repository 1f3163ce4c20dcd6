#pragma once

#include "app/BackgroundSaver.h"
#include "app/ViewerPart.h"

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The session: the special folders and the data folder, start-up, the settings file read and
// written, and shut-down with everything it saves (the check lists and the sorting table are also
// written in the background soon after each change). GUI thread.
class Session : public QObject, private ViewerPart {
    Q_OBJECT

public:
    explicit Session(ViewerController& viewer);

    bool closing() const { return m_closing; }
    BackgroundSaver& saver() { return m_saver; }
    // Start-up: fills the special folders (creating the data folder) from the environment and
    // the program folder, and loads the plug-ins of both folders' "PlugIn". False with `error`
    // when the data folder cannot be made.
    bool InitFolders(const QString& programFolder, QString* error);
    // The plug-in folders: "PlugIn" in the program folder, then in the data folder (once, when
    // the data folder is the program folder).
    QStringList PlugInFolders() const;
    // What the options dialog shows as the plug-in folder: the program's "PlugIn", and the data
    // folder's joined with ";" when that one exists too.
    QString PlugInSearchPath() const;
    // Builds the scan mask from the plug-ins' patterns and the decoder switches (part of
    // start-up).
    void PrepareScanMask();
    // The rest of start-up at the main window's first show: builds the scan mask and opens the
    // command-line argument, the last file or the desktop folder.
    void StartUp(const QStringList& arguments);
    // Shut-down: stops loading; returns whether the settings may be written.
    bool ShutDown();
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

private:
    BackgroundSaver m_saver{std::chrono::milliseconds(500)};
    std::unique_ptr<QTemporaryDir> m_tempFolder; // pTemp, removed at exit
    bool m_closing = false;
};
