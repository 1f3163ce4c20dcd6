#pragma once

#include "core/common/TextEncoding.h"

#include <QString>
#include <QStringList>
#include <optional>

// The sorting table: 144 entries, one per key combination, each naming a folder the shown file
// goes to, or a command. The index of an entry is its key's place in eight groups.
namespace SortingKeys {
constexpr int kTableSize = 144;
constexpr int kLetters = 0;       // A … Z
constexpr int kShiftLetters = 26; // Shift + A … Z
constexpr int kLeftLetters = 52;  // letter with the left button or Space held
constexpr int kWheelLetters = 78; // letter with the wheel button held, or Ctrl + Alt + letter
constexpr int kDigits = 104;      // top-row 1 … 9, 0
constexpr int kShiftDigits = 114; // Shift + top-row 1 … 9, 0
constexpr int kKeypad = 124;      // keypad 1 … 9, 0
constexpr int kCtrlKeypad = 134;  // Ctrl + keypad 1 … 9, 0
constexpr int kLowFolders = 20;   // subfolders of the number-key base folder the keypad reaches
} // namespace SortingKeys

// The place of a digit within its group: 1 … 9 give 0 … 8, 0 gives 9.
int DigitOffset(int digit);

// What is held besides a letter key; when several are, the wheel button wins over Space, Space
// over the left button, the left button over Shift.
enum class LetterModifier { None, Shift, Left, Space, Middle };
LetterModifier LetterModifierOf(bool shift, bool leftButton, bool space, bool wheelButton);

// What stands in front of the folder an entry names: "$COPY=" and "$MOVE=" (in that order)
// force copy (+1) or move (-1), 0 leaves it to the copy option; "$OPEN=" (a folder to show) and
// "$LowDir=" (the number-key base folder) make the entry a command for the command executor.
// The folder starts at `length`.
struct EntryHead {
    int mode = 0;
    bool command = false;
    qsizetype length = 0;
};
EntryHead EntryHeadOf(const QString& entry);

// An entry taken apart: `mode` as in EntryHead; `folder` says whether the rest is a folder (an
// absolute path, "~/" expanded) or something for the command executor, which gets the whole
// entry.
struct SortingEntry {
    int mode = 0;
    QString text;
    bool folder = false;
};
SortingEntry ClassifyEntry(const QString& entry, const QString& home);

// Reads a table file ("MoveTo.txt" or a ".ktb"): one entry per line, CR LF or LF, padded with
// empty entries to 144; longer files keep their extra lines. Each line is UTF-8, or the bytes of
// a folder name that exists (after any "$COPY=" and the like, "~/" read as `home`), or else
// CP932, as ReadTextLines decides. Nothing when the file is missing, cannot be read or is too
// large; `state`, when given, tells which.
std::optional<QStringList> ReadSortingTable(const QString& path, const QString& home,
                                            TextFileState* state = nullptr);

// Writes the entries as lines ending in CR LF (UTF-8, folder names in their own bytes), through
// a temporary file renamed into place, so a crash leaves the old file or the new one. False when
// it could not be written.
bool WriteSortingTable(const QString& path, const QStringList& entries);
