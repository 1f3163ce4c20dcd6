#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <utility>
#include <vector>

// The ten check lists A to J (0 … 9 here) in which the user marks pictures to act on them later
// as a group. Each list keeps full paths in the order they were marked, never one path twice,
// and remembers whether it changed since it was read, so only changed lists are written back.
// Owned by the main window's state; used on the GUI thread only.
class CheckLists {
public:
    static constexpr int kCount = 10;

    const QStringList& list(int n) const;
    bool contains(int n, const QString& path) const;
    bool changed(int n) const;

    // Marks `path` in list n when it is not there (appended), else removes it; true when it is
    // now marked.
    bool Toggle(int n, const QString& path);
    // Toggles each of `paths` (a selected range of the current file list) in list n.
    void Invert(int n, const QStringList& paths);
    void Clear(int n);

    // A file moved, renamed (`newPath`) or deleted (`newPath` empty): every list holding
    // `oldPath` follows it, keeping the entry's place.
    void CheckListRefresh(const QString& oldPath, const QString& newPath);
    // A folder moved, renamed or deleted: every entry below `oldFolder` gets the new folder in
    // front instead, or leaves its list when `newFolder` is empty.
    void CheckListRefreshFolder(const QString& oldFolder, const QString& newFolder);

    // What the main window's caption shows for `path`: for each list holding it, in list
    // order, "  :  " + its name + "[" + its count + "]".
    QString Marks(const QString& path, const QStringList& names) const;

    // Reads "List_A.lst" … "List_J.lst" from `folder`; a missing file gives an empty list.
    // Afterwards no list counts as changed. A file that exists but cannot be read (or is too
    // large) is set aside as ".bad" and its list starts empty; when it cannot even be set aside,
    // its list is never written, so the file stays as it is. Returns a message for each such file.
    QStringList Load(const QString& folder);
    // Writes every changed list into `folder`; an emptied list has its file removed. Stops at
    // the first failure and returns false with that file's path in `failedPath`.
    bool Save(const QString& folder, QString* failedPath = nullptr);
    // The changed lists (number and paths), for writing elsewhere; afterwards none counts as
    // changed. A list that could not be written is given back with MarkChanged.
    std::vector<std::pair<int, QStringList>> TakeChanged();
    void MarkChanged(int n);

private:
    struct List {
        QStringList paths;
        QSet<QString> members; // the same paths, to answer "is it marked" without a scan
        bool changed = false;
        bool held = false; // its file could not be read nor set aside: never written over
    };

    void Append(List& list, const QString& path);
    void Remove(List& list, const QString& path);
    // Rebuilds `members` after `paths` was rewritten in place, dropping any path a rewrite
    // made equal to an earlier one.
    static void Reindex(List& list);

    std::array<List, kCount> m_lists;
};

// The sorting-table side of a folder rename: every entry whose folder (after any "$COPY=",
// "$MOVE=", "$OPEN=" or "$LowDir=" in front, "~/" read as `home`) is `oldFolder` or lies below
// it gets that folder replaced by `newFolder`, or is emptied when `newFolder` is empty. An entry
// written with "~/" keeps that form while its new folder is still below `home`. True when any
// entry changed.
bool RewriteTableFolder(QStringList& table, const QString& oldFolder, const QString& newFolder,
                        const QString& home);

// The name list n has until the user gives it another.
QString DefaultListName(int n);

// "List_A.lst" … "List_J.lst".
QString CheckListFileName(int n);

// Writes list n with `paths` into `folder`; an empty list has its file removed. False when the
// file could not be written or removed.
bool WriteCheckListFile(const QString& folder, int n, const QStringList& paths);
