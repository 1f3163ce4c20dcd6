#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// What a journal record says was done. Each kind's value is the letter that stands for it in
// the record's text.
enum class RecordKind : char {
    None = '\0', // the empty record past the last step
    Moved = 'M',
    Copied = 'C',
    Label = 'L', // the start of a batch, with its label as A
    Renamed = 'R',
    FolderMoved = 'F',
};

// One parsed journal record: its kind, first path A and second path B.
struct UndoRecord {
    RecordKind kind = RecordKind::None;
    QString a;
    QString b;
};

// What a journaled file looked like when it was last moved: a file standing at the recorded
// path with other facts is not the file the record speaks of.
struct RecordedFacts {
    bool file = false;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0;
};

// The facts of the file at `path` now (a folder or nothing gives file == false).
RecordedFacts FactsOf(const QString& path);

// The journal of moves, copies, renames and batch labels that undo and redo walk:
// `UndoData` holds one text record per step as kind + ";" + A + NUL + B, and `UndoPosition`
// is the number of records that can be undone. A and B are split at a NUL character because
// it is the one character no path can hold (">" and even line breaks can be in a file name). It starts with
// one empty record at position 0 and lives only as long as the program. GUI thread only.
class UndoJournal {
public:
    // Stores a record at the position, moves past it and makes the record there empty, so
    // records left over from earlier undos can no longer be redone. The facts of the file now
    // at B are kept beside the record.
    void undoWrite2(RecordKind kind, const QString& a, const QString& b);

    // Undo and redo move the position over the records.
    void SetUndoPosition(int position) { m_position = position; }

    // The facts kept for record `index`, and their update after a step moved the file.
    const RecordedFacts& Facts(int index) const { return m_facts[static_cast<std::size_t>(index)]; }
    void SetFacts(int index, const RecordedFacts& facts) { m_facts[static_cast<std::size_t>(index)] = facts; }

    // The text of one record: kind + ";" + A + NUL + B.
    static QString Record(RecordKind kind, const QString& a, const QString& b);
    // Splits a record: the first character is the kind's letter, A runs from the third character to the
    // NUL, B is the rest.
    static UndoRecord Parse(const QString& record);

    const QStringList& UndoData() const { return m_records; }
    int UndoPosition() const { return m_position; }

private:
    QStringList m_records{QString()};
    std::vector<RecordedFacts> m_facts{RecordedFacts{}};
    int m_position = 0;
};
