#include "app/CheckListWorkflow.h"

#include "app/BackgroundSaver.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/sorting/ConflictFacts.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString FolderTitle(int count, bool move) {
    return QStringLiteral("ファイル数 : %1").arg(count) + kCrLf +
           (move ? QStringLiteral("移動先のフォルダを選択して下さい")
                 : QStringLiteral("コピー先のフォルダを選択して下さい"));
}

} // namespace

CheckListWorkflow::CheckListWorkflow(ViewerController& viewer, QObject* parent)
    : QObject(parent), m_viewer(viewer) {
    TransferBatch& batch = viewer.batch();
    // Only a file some list holds changes the lists (and the menus that count them).
    const auto refresh = [this](const QString& from, const QString& to) {
        if (Holds(from)) {
            m_lists.CheckListRefresh(from, to);
            Changed();
        }
    };
    connect(&batch, &TransferBatch::fileMoved, this, refresh);
    connect(&batch, &TransferBatch::fileDeleted, this,
            [refresh](const QString& path) { refresh(path, QString()); });
    connect(&batch, &TransferBatch::folderMoved, this, [this](const QString& from, const QString& to) {
        m_lists.CheckListRefreshFolder(from, to);
        Changed();
    });
}

bool CheckListWorkflow::Holds(const QString& path) const {
    for (int n = 0; n < CheckLists::kCount; ++n) {
        if (m_lists.contains(n, path)) {
            return true;
        }
    }
    return false;
}

QStringList CheckListWorkflow::Names() const {
    QStringList names;
    for (int n = 0; n < CheckLists::kCount; ++n) {
        names << m_viewer.options().ListName[n];
    }
    return names;
}

QString CheckListWorkflow::Marks(const QString& path) const {
    return path.isEmpty() ? QString() : m_lists.Marks(path, Names());
}

void CheckListWorkflow::LoadLists() {
    for (const QString& problem : m_lists.Load(m_viewer.state().SaveDataFolder)) {
        m_viewer.infoMes(problem, MessageIcon::Exclamation);
    }
}

bool CheckListWorkflow::SaveLists() {
    if (m_lists.Save(m_viewer.state().SaveDataFolder)) {
        return true;
    }
    m_viewer.infoMes(QStringLiteral("チェックリストの保存に失敗しました"), MessageIcon::Exclamation);
    return false;
}

void CheckListWorkflow::SaveInBackground(BackgroundSaver& saver) {
    const QString folder = m_viewer.state().SaveDataFolder;
    for (auto& [n, paths] : m_lists.TakeChanged()) {
        saver.Write(
            [folder, n = n, paths = std::move(paths)] { return WriteCheckListFile(folder, n, paths); },
            [this, n = n](bool ok) {
                if (!ok) {
                    m_lists.MarkChanged(n);
                }
            });
    }
}

void CheckListWorkflow::Changed() {
    m_viewer.SaveSoon();
    emit listsChanged();
}

QStringList CheckListWorkflow::SelectedRange() const {
    const ViewerState& state = m_viewer.state();
    const TrackBar& bar = m_viewer.trackBar();
    const int count = static_cast<int>(state.FileList.size());
    QStringList files;
    for (int position = std::max(1, bar.selStart); position <= std::min(count, bar.selEnd); ++position) {
        files << state.FileList[static_cast<std::size_t>(position - 1)].path;
    }
    return files;
}

void CheckListWorkflow::Toggle(int n) {
    // Shift is read at the press; the mark goes to the file on screen.
    const bool invert = m_viewer.keys().shiftHeld();
    m_viewer.ActOnShownFile([this, n, invert] { ToggleShown(n, invert); });
}

void CheckListWorkflow::ToggleShown(int n, bool invert) {
    const ViewerState& state = m_viewer.state();
    if (state.FileList.empty() || state.CurrentFile.isEmpty()) {
        return;
    }
    if (invert) {
        Invert(n);
        return;
    }
    const bool marked = m_lists.Toggle(n, state.CurrentFile);
    m_viewer.SoundPlay(marked ? Sound::CheckOn : Sound::CheckOff);
    Changed();
    if (m_viewer.options().SwCheckNext) {
        m_viewer.ImgNext();
    }
    m_viewer.TitleDraw();
}

void CheckListWorkflow::UnmarkEverywhere() {
    m_viewer.ActOnShownFile([this] { UnmarkShown(); });
}

void CheckListWorkflow::UnmarkShown() {
    const QString file = m_viewer.state().CurrentFile;
    if (file.isEmpty()) {
        return;
    }
    // Each list lets go of the shown file; the picture stays shown, so every list acts on it.
    for (int n = 0; n < CheckLists::kCount; ++n) {
        if (m_lists.contains(n, file)) {
            m_lists.Toggle(n, file);
            m_viewer.SoundPlay(Sound::CheckOff);
        }
    }
    m_viewer.SoundPlay(Sound::CheckOff);
    Changed();
    m_viewer.TitleDraw();
}

void CheckListWorkflow::Invert(int n) {
    if (m_viewer.state().FileList.empty()) {
        return;
    }
    m_lists.Invert(n, SelectedRange());
    Changed();
    m_viewer.TitleDraw();
}

void CheckListWorkflow::Transfer(int n, bool move) {
    const QStringList files = m_lists.list(n);
    if (files.isEmpty()) {
        return;
    }
    Options& options = m_viewer.options();
    const QString start = PathKind(options.ListFolder[n]) == PathType::Folder
                              ? options.ListFolder[n]
                              : m_viewer.state().CurrentFolder;
    const std::optional<QString> folder =
        m_viewer.AskFolder(FolderTitle(static_cast<int>(files.size()), move), start);
    if (!folder) {
        return;
    }
    TransferBatch& batch = m_viewer.batch();
    const int done =
        batch.ListOperation2(files, *folder, options.ListName[n], move ? TransferOp::Move : TransferOp::Copy,
                             TransferBatch::Feedback::Shown);
    if (done > 0 && options.SwListClear) {
        ClearList(n);
    }
    options.ListFolder[n] = *folder;
    if (move) {
        m_viewer.Refresh(m_viewer.state().CurrentFolder);
    } else {
        m_viewer.TitleDraw();
    }
}

void CheckListWorkflow::CopyList(int n) {
    Transfer(n, false);
}

void CheckListWorkflow::MoveList(int n) {
    Transfer(n, true);
}

void CheckListWorkflow::DeleteList(int n) {
    const QStringList files = m_lists.list(n);
    if (files.isEmpty()) {
        return;
    }
    const Options& options = m_viewer.options();
    DeleteFiles(files,
                options.ListName[n] + QStringLiteral("の%1ファイルを全て削除します").arg(files.size()));
}

void CheckListWorkflow::DeleteFiles(const QStringList& files, const QString& question) {
    if (!m_viewer.options().SwDeleteDialog &&
        m_viewer.infoMes(question + kCrLf + QStringLiteral("よろしいですか？"), MessageIcon::Question,
                         MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    TransferBatch& batch = m_viewer.batch();
    batch.ListOperation2(files, QString(), QString(), TransferOp::Delete, TransferBatch::Feedback::Shown);
    m_viewer.Refresh(m_viewer.state().CurrentFolder);
}

void CheckListWorkflow::OpenList(int n) {
    const QStringList files = m_lists.list(n);
    if (files.isEmpty()) {
        return;
    }
    m_viewer.OpenList(files, m_viewer.options().ListName[n]);
}

void CheckListWorkflow::ClearList(int n) {
    if (m_lists.list(n).isEmpty()) {
        return;
    }
    const Options& options = m_viewer.options();
    if (!options.SwDeleteDialog &&
        m_viewer.infoMes(options.ListName[n] + QStringLiteral("のリストを消去します") + kCrLf +
                             QStringLiteral("よろしいですか？"),
                         MessageIcon::Question, MessageButtons::YesNo) != MessageResult::Yes) {
        return;
    }
    m_lists.Clear(n);
    Changed();
    m_viewer.TitleDraw();
}

void CheckListWorkflow::TransferRange(bool move) {
    const QStringList files = SelectedRange();
    if (files.isEmpty()) {
        return;
    }
    const std::optional<QString> folder =
        m_viewer.AskFolder(FolderTitle(static_cast<int>(files.size()), move), m_viewer.state().CurrentFolder);
    if (!folder) {
        return;
    }
    TransferBatch& batch = m_viewer.batch();
    batch.ListOperation2(files, *folder,
                         *folder + (move ? QStringLiteral("への移動") : QStringLiteral("へのコピー")),
                         move ? TransferOp::Move : TransferOp::Copy, TransferBatch::Feedback::Shown);
    if (move) {
        m_viewer.Refresh(m_viewer.state().CurrentFolder);
    } else {
        m_viewer.TitleDraw();
    }
}

void CheckListWorkflow::CurrentCopy() {
    TransferRange(false);
}

void CheckListWorkflow::CurrentMove() {
    TransferRange(true);
}

void CheckListWorkflow::CurrentDelete() {
    const QStringList files = SelectedRange();
    if (files.isEmpty()) {
        return;
    }
    DeleteFiles(files, QStringLiteral("現在閲覧中の%1個のファイルを全て削除します").arg(files.size()));
}
