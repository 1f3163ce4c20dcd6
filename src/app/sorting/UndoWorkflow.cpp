#include "app/sorting/UndoWorkflow.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/foldertree/FolderRules.h"
#include "core/sorting/ConflictFacts.h"

#include <QCoreApplication>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

UndoWorkflow::UndoWorkflow(ViewerController& viewer, QObject* parent) : QObject(parent), m_viewer(viewer) {}

bool UndoWorkflow::IsRecordedFile(int record, const QString& path) const {
    const RecordedFacts& recorded = m_viewer.journal().Facts(record);
    const RecordedFacts now = FactsOf(path);
    return recorded.file && now.file && recorded.size == now.size &&
           recorded.modifiedNanoseconds == now.modifiedNanoseconds;
}

bool UndoWorkflow::StepBack(const QString& message) {
    m_viewer.infoMes(message, MessageIcon::Information);
    return false;
}

void UndoWorkflow::ShowAfterStep(const QString& place) {
    m_viewer.SoundPlay(Sound::Undo);
    const PathType kind = PathKind(place);
    if (kind == PathType::File) {
        m_viewer.ViewFileUndo(place);
    } else if (kind == PathType::Folder) {
        m_viewer.ViewFolder(place, true);
    }
}

void UndoWorkflow::UndoBatch(int count, bool redo) {
    TransferBatch& batch = m_viewer.batch();
    ViewerState& state = m_viewer.state();
    batch.Lock(true);
    const QString word = redo ? QStringLiteral("リドゥ中 ") : QStringLiteral("アンドゥ中 ");
    for (int step = 1; step <= count; ++step) {
        batch.ShowProgress(word + QStringLiteral("%1/%2 : ").arg(step).arg(count));
        QCoreApplication::processEvents();
        state.SortBusy = false;
        if (redo) {
            redoExecute2(true);
        } else {
            undoExecute2(true);
        }
    }
    batch.ShowProgress(QString());
    batch.Lock(false);
}

bool UndoWorkflow::RenameStep(int index, const QString& from, const QString& to,
                              const QString& changedMessage, const StepFailure& failed) {
    UndoJournal& journal = m_viewer.journal();
    TransferBatch& batch = m_viewer.batch();
    const PathType kind = PathKind(from);
    if (kind == PathType::None) {
        return StepBack(QStringLiteral("ファイルまたはフォルダが見つかりません"));
    }
    if (kind == PathType::File && PathKind(to) != PathType::None) {
        return StepBack(QStringLiteral("既に同名のファイルが存在しています"));
    }
    if (kind == PathType::Folder && PathKind(to) == PathType::Folder) {
        return StepBack(QStringLiteral("既に同名のフォルダが存在しています"));
    }
    if (kind == PathType::File && !IsRecordedFile(index, from)) {
        return StepBack(changedMessage + kCrLf + from);
    }
    const FileOpResult renamed = batch.taFileOperation(from, to, TransferOp::Rename);
    if (!renamed) {
        failed(from, renamed);
        return false;
    }
    if (kind == PathType::File) {
        journal.SetFacts(index, FactsOf(to));
        batch.ListFileReplace(from, to);
    } else {
        batch.ListFolderReplace(from, to);
    }
    return true;
}

void UndoWorkflow::undoExecute2(bool quiet) {
    ViewerState& state = m_viewer.state();
    UndoJournal& journal = m_viewer.journal();
    TransferBatch& batch = m_viewer.batch();
    if (state.SortBusy || journal.UndoPosition() == 0) {
        return;
    }
    const int index = journal.UndoPosition() - 1;
    journal.SetUndoPosition(index);
    const UndoRecord record = UndoJournal::Parse(journal.UndoData()[index]);
    FlagScope busy(state.SortBusy);
    // A step the file system refused leaves the record where it was, to be tried again; within
    // a batch it is passed over like a refusal, so the batch still ends at its label.
    const StepFailure failed = [&](const QString& path, const FileOpResult& result) {
        if (!quiet) {
            journal.SetUndoPosition(index + 1);
        }
        m_viewer.infoMes(QStringLiteral("アンドゥできませんでした") + kCrLf + path + kCrLf + result.reason,
                         MessageIcon::Exclamation);
    };
    QString place = record.a;
    switch (record.kind) {
    case RecordKind::Moved: {
        if (PathKind(record.b) == PathType::None) {
            return void(StepBack(QStringLiteral("アンドゥするファイルが見つかりません")));
        }
        if (PathKind(FolderOf(record.a)) != PathType::Folder) {
            return void(StepBack(QStringLiteral("アンドゥ先のフォルダが見つかりません")));
        }
        if (PathKind(record.a) != PathType::None) {
            return void(StepBack(QStringLiteral("アンドゥ先に同名のファイルが存在しています")));
        }
        if (!IsRecordedFile(index, record.b)) {
            return void(StepBack(QStringLiteral("アンドゥするファイルは移動の後に変更されています") + kCrLf +
                                 record.b));
        }
        const FileOpResult moved = batch.taFileOperation(record.b, record.a, TransferOp::Move);
        if (!moved) {
            return failed(record.b, moved);
        }
        journal.SetFacts(index, FactsOf(record.a));
        batch.ListFileReplace(record.b, record.a);
        --state.SortCount;
        break;
    }
    case RecordKind::Copied: {
        if (PathKind(record.b) == PathType::None) {
            return void(StepBack(QStringLiteral("コピー先のファイルが見つかりません")));
        }
        if (!IsRecordedFile(index, record.b)) {
            return void(StepBack(QStringLiteral("アンドゥするファイルはコピーの後に変更されています") +
                                 kCrLf + record.b));
        }
        const FileOpResult trashed = batch.taFileOperation(record.b, QString(), TransferOp::Delete);
        if (!trashed) {
            return failed(record.b, trashed);
        }
        batch.ListFileDelete(record.b);
        --state.SortCount;
        break;
    }
    case RecordKind::Label: {
        int count = 0;
        for (int i = index - 1; i >= 0 && UndoJournal::Parse(journal.UndoData()[i]).kind != RecordKind::Label;
             --i) {
            ++count;
        }
        const MessageResult answer = m_viewer.infoMes(record.a + QStringLiteral("の%1ファイルを").arg(count) +
                                                          kCrLf + QStringLiteral("一括アンドゥしますか？"),
                                                      MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            journal.SetUndoPosition(index + 1);
            return;
        }
        UndoBatch(count, false);
        journal.SetUndoPosition(std::max(0, journal.UndoPosition() - 1));
        place = state.CurrentFolder;
        break;
    }
    case RecordKind::Renamed:
        if (!RenameStep(index, record.b, record.a,
                        QStringLiteral("アンドゥするファイルは名前の変更の後に変更されています"), failed)) {
            return;
        }
        break;
    case RecordKind::FolderMoved: {
        if (PathKind(record.a) == PathType::Folder) {
            return void(StepBack(QStringLiteral("既に同名のフォルダが存在しています")));
        }
        const QString parent = FolderOf(record.a);
        const QString moved = ChildPath(record.b, FileNameOf(record.a));
        if (PathKind(parent) != PathType::Folder || PathKind(moved) != PathType::Folder) {
            return void(StepBack(QStringLiteral("フォルダが存在しません")));
        }
        const MessageResult answer =
            m_viewer.infoMes(FileNameOf(record.a) + QStringLiteral("のフォルダ移動を") + kCrLf +
                                 QStringLiteral("アンドゥしますか？"),
                             MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            journal.SetUndoPosition(index + 1);
            return;
        }
        const FileOpResult done = batch.MoveFolder(moved, record.a);
        if (!done) {
            return failed(moved, done);
        }
        batch.ListFolderReplace(moved, record.a);
        break;
    }
    default:
        return;
    }
    if (!quiet) {
        ShowAfterStep(place);
    }
}

void UndoWorkflow::redoExecute2(bool quiet) {
    ViewerState& state = m_viewer.state();
    UndoJournal& journal = m_viewer.journal();
    TransferBatch& batch = m_viewer.batch();
    const int index = journal.UndoPosition();
    if (state.SortBusy || index >= journal.UndoData().size() || journal.UndoData()[index].isEmpty()) {
        return;
    }
    journal.SetUndoPosition(index + 1);
    const UndoRecord record = UndoJournal::Parse(journal.UndoData()[index]);
    FlagScope busy(state.SortBusy);
    const StepFailure failed = [&](const QString& path, const FileOpResult& result) {
        if (!quiet) {
            journal.SetUndoPosition(index);
        }
        m_viewer.infoMes(QStringLiteral("リドゥできませんでした") + kCrLf + path + kCrLf + result.reason,
                         MessageIcon::Exclamation);
    };
    QString place = record.b;
    switch (record.kind) {
    case RecordKind::Moved:
    case RecordKind::Copied: {
        const bool move = record.kind == RecordKind::Moved;
        if (PathKind(record.a) == PathType::None) {
            return void(StepBack(QStringLiteral("リドゥするファイルが見つかりません")));
        }
        if (PathKind(FolderOf(record.b)) != PathType::Folder) {
            return void(StepBack(QStringLiteral("リドゥ先のフォルダが見つかりません")));
        }
        if (PathKind(record.b) != PathType::None) {
            return void(StepBack(QStringLiteral("リドゥ先に同名のファイルが存在しています")));
        }
        if (move && !IsRecordedFile(index, record.a)) {
            return void(StepBack(QStringLiteral("リドゥするファイルはアンドゥの後に変更されています") +
                                 kCrLf + record.a));
        }
        const FileOpResult done =
            batch.taFileOperation(record.a, record.b, move ? TransferOp::Move : TransferOp::Copy);
        if (!done) {
            return failed(record.a, done);
        }
        journal.SetFacts(index, FactsOf(record.b));
        if (move) {
            batch.ListFileReplace(record.a, record.b);
        }
        ++state.SortCount;
        break;
    }
    case RecordKind::Label: {
        int count = 0;
        for (int i = index + 1; i < journal.UndoData().size() && !journal.UndoData()[i].isEmpty() &&
                                UndoJournal::Parse(journal.UndoData()[i]).kind != RecordKind::Label;
             ++i) {
            ++count;
        }
        const MessageResult answer =
            m_viewer.infoMes(record.a + QStringLiteral(" の%1ファイルを").arg(count) + kCrLf +
                                 QStringLiteral("一括リドゥしますか？"),
                             MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            journal.SetUndoPosition(index);
            return;
        }
        UndoBatch(count, true);
        journal.SetUndoPosition(
            std::min(static_cast<int>(journal.UndoData().size()) - 1, journal.UndoPosition() + 1));
        place = state.CurrentFolder;
        break;
    }
    case RecordKind::Renamed:
        if (!RenameStep(index, record.a, record.b,
                        QStringLiteral("リドゥするファイルはアンドゥの後に変更されています"), failed)) {
            return;
        }
        break;
    case RecordKind::FolderMoved: {
        const QString moved = ChildPath(record.b, FileNameOf(record.a));
        if (PathKind(moved) == PathType::Folder) {
            return void(StepBack(QStringLiteral("既に同名のフォルダが存在しています")));
        }
        if (PathKind(record.a) != PathType::Folder || PathKind(record.b) != PathType::Folder) {
            return void(StepBack(QStringLiteral("フォルダが存在しません")));
        }
        const MessageResult answer =
            m_viewer.infoMes(FileNameOf(record.a) + QStringLiteral("のフォルダ移動を") + kCrLf +
                                 QStringLiteral("リドゥしますか？"),
                             MessageIcon::Question, MessageButtons::YesNo);
        if (answer != MessageResult::Yes) {
            journal.SetUndoPosition(index);
            return;
        }
        const FileOpResult done = batch.MoveFolder(record.a, moved);
        if (!done) {
            return failed(record.a, done);
        }
        batch.ListFolderReplace(record.a, moved);
        place = moved;
        break;
    }
    default:
        return;
    }
    if (!quiet) {
        ShowAfterStep(place);
    }
}
