#pragma once

#include <QHash>
#include <QRegularExpression>
#include <QSize>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// The soak run's own record of what it did, kept apart from the program: where each file is after
// the moves, undos and redos, the journal those walk, the marks in the ten check lists, and the
// folder and file the program shows, from which the window title it must show follows. Every
// file name is unique over all the folders.
class SoakLedger {
public:
    static constexpr int kLists = 10;

    // A file that is in `folder` at the start.
    void addFile(const QString& name, const QString& folder, QSize size);
    // The program shows `name` in `folder`.
    void show(const QString& folder, const QString& name);

    const QString& shownName() const { return m_shownName; }
    const QString& shownFolder() const { return m_shownFolder; }
    // Place (from 1) of the shown file in its folder, and the number of files there.
    int shownPosition() const;
    int shownCount() const;

    // One step forwards (+1) or backwards (-1) in the shown folder.
    void step(int direction);
    // A sorting key moved the shown file into `folder`; the file after it takes its place, or
    // the one before it when it was the last. Records left to redo are gone.
    void moveShown(const QString& folder);
    // Undo puts the file of the record before the journal position back and shows it there; redo
    // moves the file of the record at the position again and shows it in its new folder. False
    // when there is nothing to undo or redo.
    bool undo();
    bool redo();
    // The shown file is marked in list `list`, where it was not.
    void mark(int list);
    bool marked(int list, const QString& name) const;

    // The names of the files in `folder` in the order the program lists them.
    QStringList namesIn(const QString& folder) const;
    // The full path of `name` now.
    QString pathOf(const QString& name) const;
    // The paths list `list` must hold, in the order they were marked.
    QStringList listPaths(int list) const;
    // Every file, by full path now.
    QStringList allPaths() const;
    // The journal record undo or redo acts on next: its file and its two folders.
    struct Move {
        QString name;
        QString from;
        QString to;
    };
    const Move* nextUndo() const;
    const Move* nextRedo() const;

    // The title the program must show: position, count, name and size of the shown file at any
    // zoom rate, its marks, and `caption` (such as a move's "   { Move > ~/x }") at the end.
    QRegularExpression title(const QString& caption = QString()) const;

private:
    struct File {
        QString folder;
        QSize size;
    };
    QHash<QString, File> m_files;
    std::vector<Move> m_journal;
    std::size_t m_position = 0;
    std::array<QStringList, kLists> m_lists;
    QString m_shownFolder;
    QString m_shownName;
};
