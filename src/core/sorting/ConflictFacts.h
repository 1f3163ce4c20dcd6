#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// The operations of a file transfer batch, with the numbers the rest of the program stores.
enum class TransferOp { Move = 1, Copy = 2, Delete = 3, Rename = 4 };

// "移動", "コピー", "削除" (empty for Rename): the word every text of a batch uses.
QString OperationWord(TransferOp op);

// The answers of the same-name conflict dialog.
enum class ConflictAnswer {
    Cancel = 2,   // the dialog was closed: as Stop
    Stop = 3,     // "中止(&S)" or Esc: the batch ends
    Rename = 4,   // "名前を変更(&R)" with a free name
    Yes = 6,      // "はい(&Y)": the existing file goes to the trash, then the transfer runs
    No = 7,       // "いいえ(&N)": this file is skipped
    NoToAll = 9,  // "全て無視(&B)"
    YesToAll = 10 // "全て上書き(&A)"
};

// What the conflict dialog shows.
struct ConflictQuestion {
    QString source;         // the incoming file
    QString target;         // the existing file of the same name
    QString operationWord;  // "移動" or "コピー"
    bool identical = false; // both files hold the same bytes
    QString proposal;       // the free "_RenameNN" name, without extension
    QString timeFormat;     // the date pattern the file times are shown with ("TimeFormat")
};

struct ConflictReply {
    ConflictAnswer answer = ConflictAnswer::Cancel;
    QString renamedTarget; // for Rename: the complete new target path
};

// The same-name conflict dialog, as the transfer batch sees it. Called on the GUI thread.
class ConflictDialog {
public:
    virtual ~ConflictDialog() = default;
    virtual ConflictReply Execute(const ConflictQuestion& question) = 0;
};

// True when both files can be read and hold the same bytes (different sizes differ).
bool SameFileContents(const QString& a, const QString& b);

// The extension of the file name with its dot, as written (".jpg"); empty when there is none.
QString SourceExtension(const QString& path);

// The first free name base + "_Rename" + 00 … 99 + the source's extension in `targetFolder`,
// without the extension; base is the source's name without extension, cut before an earlier
// "_Rename". When all hundred are taken, the source's name without extension.
QString RenameProposal(const QString& source, const QString& targetFolder);

// A name typed into a rename field that names a file in the folder: not empty, not "." or
// "..", no "/".
bool IsPlainFileName(const QString& name);

// Size in bytes of a file, or -1 when it is not found (folders count as not found).
qint64 FileGetSize(const QString& path);
// The modification time of a file packed as a DOS date-time, or -1 when it is not found.
std::int32_t FileGetTime(const QString& path);
// The sizes of `files` summed, each rounded up to a whole multiple of `unit`; empty and
// missing files add nothing.
qint64 ListGetSize(const QStringList& files, qint64 unit);
