#include "app/CommandExecutor.h"

#include "app/CommandNames.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"

#include <QDir>

CommandExecutor::CommandExecutor(ViewerController& viewer, QObject* parent)
    : QObject(parent), m_viewer(viewer) {}

bool CommandExecutor::ExecuteInput(const QString& key) {
    const QString bound = BoundCommand(m_viewer.options(), key);
    if (bound.isEmpty() || bound == NoCommand())
        return false;
    mgesExecute(bound);
    return true;
}

void CommandExecutor::mgesExecute(const QString& text) {
    if (const CommandEntry* entry = FindCommand(text)) {
        if (entry->kind == CommandKind::Command)
            m_viewer.registry().Run(entry->command);
        return;
    }
    // The folder a form names after its prefix; "~/" stands for the home folder.
    const auto folderOf = [this, &text](qsizetype prefixLength) {
        return ExpandShortName(text.mid(prefixLength), m_viewer.home(), QDir::currentPath());
    };
    const QString open = QStringLiteral("$OPEN=");
    const QString move = QStringLiteral("$MOVE=");
    const QString lowDir = QStringLiteral("$LowDir=");
    if (text.startsWith(open)) {
        const QString folder = folderOf(open.size());
        if (PathKind(folder) == PathType::Folder)
            m_viewer.ViewFolder(folder, true);
        return;
    }
    if (text.startsWith(move)) {
        m_viewer.state().PendingDestination = text;
        m_viewer.sorting().KeyTableExecute(-1);
        return;
    }
    if (text.startsWith(lowDir)) {
        const QString folder = folderOf(lowDir.size());
        if (PathKind(folder) != PathType::Folder) {
            m_viewer.infoMes(QStringLiteral("下位フォルダ振り分け基点が見つかりません"),
                             MessageIcon::Information);
            return;
        }
        m_viewer.state().LowDirBase = folder;
        return;
    }
    bool isNumber = false;
    const double rate = text.toDouble(&isNumber);
    if (isNumber)
        m_viewer.ViewAtRate(rate);
}
