#include "app/session/Session.h"

#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/filelist/FileScan.h"
#include "core/settings/SettingsFile.h"

#include <QDir>
#include <QStandardPaths>

namespace {

QString ExistingFolderOr(const QString& folder, const QString& fallback) {
    return PathKind(folder) == PathType::Folder ? folder : fallback;
}

} // namespace

Session::Session(ViewerController& viewer) : ViewerPart(viewer) {}

bool Session::InitFolders(const QString& programFolder, QString* error) {
    m_state.ProgramFolder = programFolder;
    const QString fromEnvironment = qEnvironmentVariable("RUVELA_DATA_DIR");
    const QString portable = programFolder + QStringLiteral("/SaveData");
    if (!fromEnvironment.isEmpty()) {
        m_state.SaveDataFolder =
            WithoutTrailingSlash(ExpandShortName(fromEnvironment, m_viewer.home(), QDir::currentPath()));
    } else if (PathKind(portable) == PathType::Folder) {
        m_state.SaveDataFolder = portable;
    } else {
        m_state.SaveDataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/ruvela");
    }
    if (!QDir().mkpath(m_state.SaveDataFolder) || PathKind(m_state.SaveDataFolder) != PathType::Folder) {
        if (error) {
            *error = m_state.SaveDataFolder;
        }
        return false;
    }
    m_state.pDesk =
        ExistingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation), m_viewer.home());
    m_state.pDoc = ExistingFolderOr(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                                    m_viewer.home());
    m_state.pRecy = Trash::HomeTrashFolder();
    // Transfers killed part-way last time left temporary files that nobody needs.
    m_viewer.files() =
        FileOperations(m_state.SaveDataFolder + QStringLiteral("/Transfers"), Trash(m_state.pRecy));
    m_viewer.files().RemoveLeftovers();
    m_viewer.sorting().LoadTable();
    m_viewer.checks().LoadLists();
    m_tempFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ruvela-XXXXXX"));
    m_state.pTemp = m_tempFolder->path() + QLatin1Char('/');
    m_state.MyDoc = FileNameOf(m_state.pDoc);
    // Nothing decodes yet, so the plug-ins can be (re)loaded.
    m_viewer.plugIns().FreePlugIns();
    for (const QString& folder : PlugInFolders()) {
        m_viewer.plugIns().LoadPlugIns(folder);
    }
    return true;
}

QStringList Session::PlugInFolders() const {
    const QString beside = m_state.ProgramFolder + QStringLiteral("/PlugIn");
    const QString data = m_state.SaveDataFolder + QStringLiteral("/PlugIn");
    // A data folder that is the program folder would load every plug-in twice.
    if (QDir::cleanPath(data) == QDir::cleanPath(beside)) {
        return {beside};
    }
    return {beside, data};
}

QString Session::PlugInSearchPath() const {
    const QStringList folders = PlugInFolders();
    if (folders.size() > 1 && PathKind(folders[1]) == PathType::Folder) {
        return folders.join(QLatin1Char(';'));
    }
    return folders[0];
}

void Session::PrepareScanMask() {
    m_state.ScanMask = BuildScanMask(m_viewer.plugIns().PFilter(), m_options);
}

void Session::StartUp(const QStringList& arguments) {
    PrepareScanMask();
    m_state.CurrentFolder = m_state.LowDirBase = m_state.ProgramFolder;
    m_state.FormReady = true;
    m_state.JpegScale = 0;

    QString target;
    if (!arguments.isEmpty() && !arguments.first().isEmpty()) {
        target = ExpandShortName(arguments.first(), m_viewer.home(), QDir::currentPath());
    } else if (m_options.SwImgOpen && !m_state.LastFile.isEmpty()) {
        target = m_state.LastFile;
    }
    if (target.isEmpty()) {
        m_viewer.navigator().ViewFolder(m_state.pDesk, true);
    } else if (PathKind(target) == PathType::Folder) {
        m_viewer.navigator().ViewFolder(target, true);
    } else {
        m_viewer.navigator().ViewFile(target);
    }
    m_state.Paused = false;
}

bool Session::ShutDown() {
    m_closing = true;
    m_bar.handlerAttached = false;
    m_viewer.navigator().RequestScanStop();
    m_viewer.animation().CloseGif();
    ++m_state.ExecutionCount;
    return m_state.FormReady;
}

void Session::SaveWork() {
    m_saver.Flush();
    m_viewer.checks().SaveLists();
    m_viewer.sorting().SaveTable();
}

QString Session::SettingsPath() const {
    return m_state.SaveDataFolder + QStringLiteral("/Ruvela.ini");
}

bool Session::LoadSettings(bool atStartUp) {
    QString message;
    const bool loaded = IniLoad(SettingsPath(), m_options, &message);
    // A file set aside as unreadable loads the defaults and says so too.
    if (!message.isEmpty()) {
        m_viewer.feedback().infoMes(message, MessageIcon::Exclamation);
    }
    if (atStartUp) {
        m_state.ExecutionCount = m_options.Execution;
        m_state.PreviousSortCount = m_options.Movement;
        m_state.LastFile = m_options.ImgFile;
        m_state.SortMode = SortOrderOfCode(m_options.SortNo);
        m_viewer.feedback().SetSoundOn(m_options.sndPlay);
    }
    m_viewer.view().ZoomExecute(m_options.ZoomNo);
    m_viewer.show().ApplyLoadOptions();
    return loaded;
}

bool Session::SaveSettings() {
    m_options.Execution = m_state.ExecutionCount;
    m_options.Movement = m_state.PreviousSortCount + m_state.SortCount;
    m_options.ImgFile = m_state.FileList.empty() ? m_state.CurrentFolder : m_state.CurrentFile;
    m_options.SortNo = SortCodeOf(m_state.SortMode);
    m_options.ZoomNo = m_viewer.view().ZoomNoToStore();
    QString message;
    if (!IniSave(SettingsPath(), m_options, &message)) {
        m_viewer.feedback().infoMes(message, MessageIcon::Exclamation);
        return false;
    }
    return true;
}
