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

namespace {

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
    TextFileState read = TextFileState::Read;
    const std::optional<QStringList> table = ReadSortingTable(TablePath(), m_viewer.home(), &read);
    state.SortingTable = table ? *table : QStringList(SortingKeys::kTableSize, QString());
    m_tableHeld = false;
    if (read == TextFileState::Unreadable || read == TextFileState::TooLarge) {
        bool setAside = false;
        const QString problem =
            SetAsideUnreadable(TablePath(), read, QStringLiteral("ファイル移動先リスト"), &setAside);
        m_tableHeld = !setAside;
        m_viewer.infoMes(problem, MessageIcon::Exclamation);
    }
}

bool SortingWorkflow::SaveTable() {
    const ViewerState& state = m_viewer.state();
    if (!state.SortingTableChanged || m_tableHeld) {
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
    if (!state.SortingTableChanged || m_tableHeld) {
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
