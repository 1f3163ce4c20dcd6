#include "app/foldertree/FolderWorkflow.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/foldertree/FolderRules.h"

#include <QCoreApplication>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The extension of a file name with its dot, or empty; a leading dot starts no extension.
QString ExtensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.mid(dot) : QString();
}

} // namespace

FolderWorkflow::FolderWorkflow(ViewerController& viewer, QObject* parent)
    : QObject(parent), m_viewer(viewer) {}

void FolderWorkflow::mnuFolderCreateClick() {
    const ViewerState& state = m_viewer.state();
    QString base;
    if (PathKind(state.CurrentFolder) == PathType::Folder) {
        base = state.CurrentFolder;
    } else if (const QString tree = m_viewer.TreeFolder(); PathKind(tree) == PathType::Folder) {
        base = tree;
    } else {
        return;
    }
    const QString prompt =
        WithTrailingSlash(base) + kCrLf + QStringLiteral("に新しいフォルダを作成します") + kCrLf + kCrLf +
        QStringLiteral("フォルダ名を入力して下さい") + kCrLf + kCrLf +
        QStringLiteral("※半角スラッシュ/や半角スペース で区切る事で複数のフォルダを一括作成できます") +
        kCrLf + QStringLiteral("例）山/海　山と海の２つのフォルダを作成します") + kCrLf;
    const std::optional<QString> answer =
        m_viewer.prompts().input(QStringLiteral("Ruvela - フォルダの作成"), prompt, QString());
    if (!answer) {
        return;
    }
    QString failed;
    int created = 0;
    for (const QString& name : SplitFolderNames(*answer).mid(0, kMaxFoldersAtOnce)) {
        const bool usable = name != QStringLiteral(".") && name != QStringLiteral("..");
        if (usable && MakeFolder(ChildPath(base, name))) {
            ++created;
        } else {
            failed += name + kCrLf;
        }
    }
    if (!failed.isEmpty()) {
        m_viewer.infoMes(QStringLiteral("以下のフォルダの作成に失敗しました") + kCrLf + failed,
                         MessageIcon::Exclamation);
    }
    if (created > 0) {
        QCoreApplication::processEvents();
        m_viewer.Refresh(m_viewer.TreeFolder());
    }
}

void FolderWorkflow::mnuFolderRenameClick() {
    ViewerState& state = m_viewer.state();
    const QString folder = WithoutTrailingSlash(m_viewer.TreeFolder());
    if (state.SortBusy || !folder.startsWith(QLatin1Char('/')) || folder == QStringLiteral("/") ||
        PathKind(folder) != PathType::Folder) {
        return;
    }
    const QString name = FileNameOf(folder);
    const std::optional<QString> answer =
        m_viewer.prompts().input(QStringLiteral("フォルダ改名"),
                                 folder + kCrLf + kCrLf + QStringLiteral("のフォルダを改名します") + kCrLf +
                                     QStringLiteral("新しいフォルダ名を入力して下さい"),
                                 name);
    if (!answer || answer->isEmpty() || *answer == name) {
        return;
    }
    const QString renamed = ChildPath(FolderOf(folder), *answer);
    if (PathKind(renamed) != PathType::None) {
        m_viewer.infoMes(QStringLiteral("既に同名のフォルダ、またはファイルが存在しています"),
                         MessageIcon::Information);
        return;
    }
    FlagScope busy(state.SortBusy);
    TransferBatch& batch = m_viewer.batch();
    if (const FileOpResult done = batch.taFileOperation(folder, renamed, TransferOp::Rename); !done) {
        m_viewer.infoMes(QStringLiteral("フォルダの改名に失敗しました") + kCrLf + done.reason,
                         MessageIcon::Exclamation);
        return;
    }
    m_viewer.journal().undoWrite2(RecordKind::Renamed, folder, renamed);
    batch.ListFolderReplace(folder, renamed);
    emit foldersChanged();
    m_viewer.ViewFolder(renamed, true);
}

void FolderWorkflow::popRenameClick() {
    if (m_viewer.state().FileList.empty()) {
        return;
    }
    m_viewer.ActOnShownFile([this] { RenameShown(); });
}

void FolderWorkflow::RenameShown() {
    ViewerState& state = m_viewer.state();
    const QString path = state.CurrentFile;
    if (state.SortBusy || path.isEmpty()) {
        return;
    }
    const QString fileName = FileNameOf(path);
    const QString extension = ExtensionOf(fileName);
    const QString stem = fileName.left(fileName.size() - extension.size());
    QString renamed;
    QString offered = stem;
    for (;;) {
        const std::optional<QString> answer =
            m_viewer.prompts().input(QStringLiteral("ファイルをリネーム"),
                                     QStringLiteral("新しいファイル名を入力して下さい"), offered);
        if (!answer || answer->isEmpty() || *answer == stem) {
            return;
        }
        renamed = ChildPath(FolderOf(path), *answer + extension);
        if (PathKind(renamed) == PathType::None) {
            break;
        }
        m_viewer.infoMes(QStringLiteral("同名のファイルが既に存在しています"), MessageIcon::Information);
        offered = *answer;
    }
    FlagScope busy(state.SortBusy);
    TransferBatch& batch = m_viewer.batch();
    if (const FileOpResult done = batch.taFileOperation(path, renamed, TransferOp::Rename); !done) {
        m_viewer.infoMes(QStringLiteral("ファイルのリネームに失敗しました") + kCrLf + done.reason,
                         MessageIcon::Exclamation);
        return;
    }
    m_viewer.journal().undoWrite2(RecordKind::Renamed, path, renamed);
    batch.ListFileReplace(path, renamed);
    m_viewer.navigator().ReplaceShownFile(renamed);
}

void FolderWorkflow::popDeleteClick() {
    if (m_viewer.state().FileList.empty()) {
        return;
    }
    m_viewer.ActOnShownFile([this] { DeleteShown(); });
}

void FolderWorkflow::DeleteShown() {
    ViewerState& state = m_viewer.state();
    const QString path = state.CurrentFile;
    if (state.SortBusy || state.FileList.empty() || path.isEmpty()) {
        return;
    }
    if (!m_viewer.options().SwDeleteDialog &&
        m_viewer.infoMes(QStringLiteral("表示中のファイル") + FileNameOf(path) +
                             QStringLiteral("をごみ箱に削除します") + kCrLf +
                             QStringLiteral("よろしいですか？"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    FlagScope busy(state.SortBusy);
    m_viewer.batch().ListOperation2({path}, QString(), QString(), TransferOp::Delete,
                                    TransferBatch::Feedback::Quiet);
    if (PathKind(path) != PathType::None) {
        return;
    }
    m_viewer.SoundPlay(Sound::Move);
    m_viewer.ImgListDelete();
    m_viewer.AppendCaption(QStringLiteral("   { to ごみ箱 }"));
}

void FolderWorkflow::TreeViewDragDropFolder(const QString& source, const QString& target) {
    ViewerState& state = m_viewer.state();
    if (state.SortBusy) {
        return;
    }
    const QString from = WithoutTrailingSlash(source);
    const QString into = WithoutTrailingSlash(target);
    if (const QString refusal = FolderMoveRefusal(from, into); !refusal.isEmpty()) {
        m_viewer.infoMes(refusal, MessageIcon::Information);
        return;
    }
    const QString name = FileNameOf(from);
    if (m_viewer.infoMes(QStringLiteral("フォルダ [ ") + name + QStringLiteral(" ] を") + kCrLf + into +
                             kCrLf + QStringLiteral("に移動させますか？"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    FlagScope busy(state.SortBusy);
    TransferBatch& batch = m_viewer.batch();
    const QString moved = ChildPath(into, name);
    if (const FileOpResult done = batch.MoveFolder(from, moved); !done) {
        m_viewer.infoMes(QStringLiteral("フォルダの移動に失敗しました") + kCrLf + done.reason,
                         MessageIcon::Exclamation);
        return;
    }
    m_viewer.journal().undoWrite2(RecordKind::FolderMoved, from, into);
    batch.ListFolderReplace(from, moved);
    emit foldersChanged();
    m_viewer.ViewFolder(moved, true);
}

void FolderWorkflow::TreeViewDragDropPicture(const QString& target, bool toTrash, bool range) {
    ViewerState& state = m_viewer.state();
    if (toTrash) {
        if (range) {
            m_viewer.checks().CurrentDelete();
        } else {
            popDeleteClick();
        }
        return;
    }
    if (PathKind(target) != PathType::Folder) {
        m_viewer.infoMes(QStringLiteral("> ") + target + kCrLf + QStringLiteral("フォルダが存在しません"),
                         MessageIcon::Information);
        return;
    }
    if (!range) {
        if (!state.FileList.empty()) {
            m_viewer.ActOnShownFile([this, target] { DropShown(target); });
        }
        return;
    }
    const QStringList files = m_viewer.checks().SelectedRange();
    if (files.isEmpty() || state.SortBusy) {
        return;
    }
    const bool copy = m_viewer.sorting().FileCopyMode();
    const QString word = copy ? QStringLiteral("コピー") : QStringLiteral("移動");
    if (m_viewer.infoMes(QStringLiteral("表示中の%1個のファイルを").arg(files.size()) + kCrLf + target +
                             kCrLf + QStringLiteral("に") + word + QStringLiteral("します") + kCrLf + kCrLf +
                             QStringLiteral("よろしいですか？"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    {
        FlagScope busy(state.SortBusy);
        m_viewer.batch().ListOperation2(files, target, target + QStringLiteral("への") + word,
                                        copy ? TransferOp::Copy : TransferOp::Move,
                                        TransferBatch::Feedback::Shown);
    }
    m_viewer.Refresh(m_viewer.TreeFolder());
    state.LastChosenFolder = target;
}

void FolderWorkflow::DropShown(const QString& target) {
    ViewerState& state = m_viewer.state();
    if (state.SortBusy || state.FileList.empty()) {
        return;
    }
    const bool copy = m_viewer.sorting().FileCopyMode();
    {
        FlagScope busy(state.SortBusy);
        m_viewer.sorting().FileFuriwake(state.CurrentFile, target, copy ? 1 : -1);
    }
    state.LastChosenFolder = target;
}

void FolderWorkflow::DeleteTreeFolder(const QString& folder) {
    ViewerState& state = m_viewer.state();
    const QString doomed = WithoutTrailingSlash(folder);
    if (state.SortBusy || PathKind(doomed) != PathType::Folder) {
        return;
    }
    if (m_viewer.infoMes(QStringLiteral("選択されたフォルダ") + kCrLf + doomed + kCrLf +
                             QStringLiteral("を、下位フォルダも含めて削除します") + kCrLf +
                             QStringLiteral("よろしいですか？"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    const QString fallback =
        IsSameOrInside(state.CurrentFolder, doomed) ? FolderAfterDeletion(doomed) : QString();
    FlagScope busy(state.SortBusy);
    const FileOpResult trashed = m_viewer.batch().taFileOperation(doomed, QString(), TransferOp::Delete);
    if (!trashed) {
        m_viewer.infoMes(QStringLiteral("フォルダをごみ箱に移動できませんでした") + kCrLf + doomed + kCrLf +
                             trashed.reason,
                         MessageIcon::Exclamation);
        return;
    }
    emit foldersChanged();
    if (!fallback.isEmpty()) {
        m_viewer.ViewFolder(fallback, true);
    }
}
