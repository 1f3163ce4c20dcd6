#include "app/SortingWorkflow.h"

#include "app/BackgroundSaver.h"
#include "app/CommandNames.h"
#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "core/checklists/CheckLists.h"
#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/filelist/FolderWalk.h"
#include "core/sorting/SortingTable.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The one key of `count` keys from `first` (Qt::Key_A, Qt::Key_0 …) that is held, as its
// place from `first`; -1 when none or two of them are held (no key is meant then).
int HeldKeyIn(const KeyState& keys, int first, int count) {
    int found = -1;
    for (int i = 0; i < count; ++i) {
        if (keys.keyHeld(first + i)) {
            if (found >= 0) {
                return -1;
            }
            found = i;
        }
    }
    return found;
}

} // namespace

SortingWorkflow::SortingWorkflow(ViewerController& viewer, QObject* parent)
    : QObject(parent), m_viewer(viewer) {
    // Entries that lead into a moved or renamed folder follow it.
    connect(&viewer.batch(), &TransferBatch::folderMoved, this,
            [this](const QString& from, const QString& to) {
                ViewerState& state = m_viewer.state();
                if (RewriteTableFolder(state.SortingTable, from, to, m_viewer.home())) {
                    state.SortingTableChanged = true;
                    m_viewer.SaveSoon();
                }
            });
}

QString SortingWorkflow::TablePath() const {
    return m_viewer.state().SaveDataFolder + QStringLiteral("/MoveTo.txt");
}

void SortingWorkflow::LoadTable() {
    ViewerState& state = m_viewer.state();
    std::optional<QStringList> table;
    if (PathKind(TablePath()) == PathType::File) {
        table = ReadSortingTable(TablePath(), m_viewer.home());
    }
    state.SortingTable = table ? *table : QStringList(SortingKeys::kTableSize, QString());
}

bool SortingWorkflow::SaveTable() {
    const ViewerState& state = m_viewer.state();
    if (!state.SortingTableChanged) {
        return true;
    }
    if (WriteSortingTable(TablePath(), state.SortingTable)) {
        return true;
    }
    m_viewer.infoMes(QStringLiteral("ファイル移動先リストの保存に失敗しました"), MessageIcon::Exclamation);
    return false;
}

void SortingWorkflow::SaveTableInBackground(BackgroundSaver& saver) {
    ViewerState& state = m_viewer.state();
    if (!state.SortingTableChanged) {
        return;
    }
    state.SortingTableChanged = false;
    saver.Write([path = TablePath(), table = state.SortingTable] { return WriteSortingTable(path, table); },
                [this](bool ok) {
                    if (!ok) {
                        m_viewer.state().SortingTableChanged = true;
                    }
                });
}

bool SortingWorkflow::LoadTableFile(const QString& path) {
    const std::optional<QStringList> table = ReadSortingTable(path, m_viewer.home());
    if (!table) {
        m_viewer.infoMes(QStringLiteral("振り分けテーブルの読み込みに失敗しました"),
                         MessageIcon::Exclamation);
        return false;
    }
    m_viewer.state().SortingTable = *table;
    m_viewer.state().SortingTableChanged = true;
    m_viewer.SaveSoon();
    return true;
}

bool SortingWorkflow::SaveTableFile(const QString& path) {
    if (WriteSortingTable(path, m_viewer.state().SortingTable)) {
        return true;
    }
    m_viewer.infoMes(QStringLiteral("振り分けテーブルの書き込みに失敗しました"), MessageIcon::Exclamation);
    return false;
}

void SortingWorkflow::actABCExecute(bool viaCtrlAlt) {
    const KeyState& keys = m_viewer.keys();
    const LetterModifier modifier =
        LetterModifierOf(keys.shiftHeld(), keys.buttonHeld(Qt::LeftButton), keys.keyHeld(Qt::Key_Space),
                         keys.buttonHeld(Qt::MiddleButton));
    const int letter = HeldKeyIn(keys, Qt::Key_A, 26);
    if (letter < 0) {
        return;
    }
    const Options& options = m_viewer.options();
    switch (modifier) {
    case LetterModifier::Shift: {
        if (!options.SwShiftPlusKey) {
            KeyTableExecute(SortingKeys::kShiftLetters + letter);
            return;
        }
        ViewerState& state = m_viewer.state();
        const QString& home = m_viewer.home();
        QString start =
            ClassifyEntry(state.SortingTable.value(SortingKeys::kShiftLetters + letter), home).text;
        if (start.isEmpty()) {
            start = ClassifyEntry(state.SortingTable.value(SortingKeys::kLetters + letter), home).text;
        }
        if (start.isEmpty()) {
            start = state.CurrentFolder;
        }
        const std::optional<QString> chosen =
            m_viewer.AskFolder(QStringLiteral("ファイルの移動先を選択して下さい"), start);
        if (!chosen) {
            return;
        }
        state.PendingDestination = state.LastChosenFolder = *chosen;
        KeyTableExecute(-1);
        return;
    }
    case LetterModifier::Left:
        KeyTableExecute(SortingKeys::kLeftLetters + letter);
        return;
    case LetterModifier::Space:
        if (options.kGesSpace == NoCommand()) {
            KeyTableExecute(SortingKeys::kLeftLetters + letter);
            return;
        }
        break;
    case LetterModifier::Middle:
        if (options.mGesWC == NoCommand()) {
            KeyTableExecute(SortingKeys::kWheelLetters + letter);
            return;
        }
        break;
    case LetterModifier::None:
        break;
    }
    KeyTableExecute((viaCtrlAlt ? SortingKeys::kWheelLetters : SortingKeys::kLetters) + letter);
}

void SortingWorkflow::act123Execute() {
    const KeyState& keys = m_viewer.keys();
    const int digit = HeldKeyIn(keys, Qt::Key_0, 10);
    if (digit < 0) {
        return;
    }
    KeyTableExecute((keys.shiftHeld() ? SortingKeys::kShiftDigits : SortingKeys::kDigits) +
                    DigitOffset(digit));
}

bool SortingWorkflow::KeypadExecute(int digit) {
    const KeyState& keys = m_viewer.keys();
    if (m_viewer.batch().locked() || keys.shiftHeld() || keys.altHeld() || digit < 0 || digit > 9) {
        return false;
    }
    KeyTableExecute((keys.ctrlHeld() ? SortingKeys::kCtrlKeypad : SortingKeys::kKeypad) + DigitOffset(digit));
    return true;
}

void SortingWorkflow::actCommaExecute() {
    ViewerState& state = m_viewer.state();
    if (state.LastChosenFolder.isEmpty()) {
        return;
    }
    state.PendingDestination = state.LastChosenFolder;
    KeyTableExecute(-1);
}

void SortingWorkflow::mnuFolderCreateMove1Click(int tag, const QString& treeFolder) {
    ViewerState& state = m_viewer.state();
    if (state.FileList.empty()) {
        return;
    }
    const QString base = state.CurrentFolder.isEmpty() ? treeFolder : state.CurrentFolder;
    QString target = base + QStringLiteral("/新しいフォルダ");
    if (tag >= 2) {
        target += QString::number(tag);
    }
    if (PathKind(target) == PathType::None) {
        if (!m_viewer.keys().shiftHeld()) {
            return;
        }
        if (!MakeFolder(target) || PathKind(target) != PathType::Folder) {
            m_viewer.infoMes(QStringLiteral("フォルダの作成に失敗しました"), MessageIcon::Exclamation);
            return;
        }
        QCoreApplication::processEvents();
        m_viewer.Refresh(treeFolder);
    }
    state.PendingDestination = target;
    KeyTableExecute(-1);
}

QString SortingWorkflow::LowFolderDestination(int index) const {
    const QString& base = m_viewer.state().LowDirBase;
    const int number = (index - SortingKeys::kKeypad) % SortingKeys::kLowFolders;
    if (PathKind(base) != PathType::Folder) {
        return {};
    }
    QStringList names = SubfolderNames(base);
    // A volume's trash folders are no place to sort into, and a trash made by the first delete
    // on the volume must not shift every key by one.
    names.removeIf([](const QString& name) {
        return name == QLatin1String(".Trash") || name.startsWith(QLatin1String(".Trash-"));
    });
    if (names.size() < number + 1) {
        return {};
    }
    return (base == QStringLiteral("/") ? QString() : base) + QLatin1Char('/') + names[number];
}

void SortingWorkflow::KeyTableExecute(int index) {
    const ViewerState& state = m_viewer.state();
    if (state.FileList.empty() || m_viewer.treeFocused()) {
        return;
    }
    // The entry is the one of the moment of the press; it acts on the file on screen.
    const QString text = index == -1 ? state.PendingDestination : state.SortingTable.value(index);
    m_viewer.ActOnShownFile([this, index, text] { RunEntry(index, text); });
}

void SortingWorkflow::RunEntry(int index, const QString& text) {
    ViewerState& state = m_viewer.state();
    if (state.FileList.empty() || state.SortBusy || m_viewer.treeFocused()) {
        return;
    }
    const SortingEntry entry = ClassifyEntry(text, m_viewer.home());
    if (!entry.text.isEmpty() && !entry.folder) {
        // A command runs without the guard, so "移動のアンドゥ" in the table can undo.
        m_viewer.commands().mgesExecute(entry.text);
        return;
    }
    FlagScope busy(state.SortBusy);
    QString destination = entry.text;
    if (destination.isEmpty()) {
        if (!m_viewer.options().SwLowFolder || index < SortingKeys::kKeypad) {
            return;
        }
        destination = LowFolderDestination(index);
        if (destination.isEmpty()) {
            return;
        }
    }
    FileFuriwake(state.CurrentFile, destination, entry.mode);
}

void SortingWorkflow::FileFuriwake(const QString& source, const QString& destination, int mode) {
    TransferBatch& batch = m_viewer.batch();
    if (mode == 0) {
        mode = m_viewer.options().SwImageCopyB ? 1 : -1;
    }
    const QStringList files{source};
    if (mode < 0) {
        if (batch.ListOperation2(files, destination, QString(), TransferOp::Move,
                                 TransferBatch::Feedback::Quiet) < 1) {
            return;
        }
        m_viewer.SoundPlay(Sound::Move);
        m_viewer.ImgListDelete();
    } else {
        if (batch.ListOperation2(files, destination, QString(), TransferOp::Copy,
                                 TransferBatch::Feedback::Quiet) < 1) {
            return;
        }
        m_viewer.SoundPlay(Sound::Copy);
        if (m_viewer.options().SwCheckNext) {
            m_viewer.ImgNext();
        } else {
            m_viewer.TitleDraw();
        }
    }
    m_viewer.AppendCaption(
        QStringLiteral("   { ") + (mode < 0 ? QStringLiteral("Move") : QStringLiteral("Copy")) +
        QStringLiteral(" > ") + MiniFileName(destination, m_viewer.home()) + QStringLiteral(" }"));
}

bool SortingWorkflow::FileCopyMode() {
    const bool copy = m_viewer.options().SwImageCopyB;
    emit copyModeShown(copy ? QStringLiteral("Copy") : QStringLiteral("Move"));
    return copy != m_viewer.keys().ctrlHeld();
}

bool SortingWorkflow::IsRecordedFile(int record, const QString& path) const {
    const RecordedFacts& recorded = m_viewer.journal().Facts(record);
    const RecordedFacts now = FactsOf(path);
    return recorded.file && now.file && recorded.size == now.size &&
           recorded.modifiedNanoseconds == now.modifiedNanoseconds;
}

bool SortingWorkflow::StepBack(const QString& message) {
    m_viewer.infoMes(message, MessageIcon::Information);
    return false;
}

void SortingWorkflow::ShowAfterStep(const QString& place) {
    m_viewer.SoundPlay(Sound::Undo);
    const PathType kind = PathKind(place);
    if (kind == PathType::File) {
        m_viewer.ViewFileUndo(place);
    } else if (kind == PathType::Folder) {
        m_viewer.ViewFolder(place, true);
    }
}

void SortingWorkflow::UndoBatch(int count, bool redo) {
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

bool SortingWorkflow::RenameStep(int index, const QString& from, const QString& to,
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

void SortingWorkflow::undoExecute2(bool quiet) {
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
        const QString moved = record.b + QLatin1Char('/') + FileNameOf(record.a);
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
        const FileOpResult done = batch.taFileOperation(moved, record.a, TransferOp::Move);
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

void SortingWorkflow::redoExecute2(bool quiet) {
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
        const QString moved = record.b + QLatin1Char('/') + FileNameOf(record.a);
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
        const FileOpResult done = batch.taFileOperation(record.a, moved, TransferOp::Move);
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
