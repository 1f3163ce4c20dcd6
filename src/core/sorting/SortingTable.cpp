#include "core/sorting/SortingTable.h"

#include "core/common/TextEncoding.h"

int DigitOffset(int digit) {
    return digit == 0 ? 9 : digit - 1;
}

LetterModifier LetterModifierOf(bool shift, bool leftButton, bool space, bool wheelButton) {
    if (wheelButton) {
        return LetterModifier::Middle;
    }
    if (space) {
        return LetterModifier::Space;
    }
    if (leftButton) {
        return LetterModifier::Left;
    }
    return shift ? LetterModifier::Shift : LetterModifier::None;
}

EntryHead EntryHeadOf(const QString& entry) {
    EntryHead head;
    for (const QString& command : {QStringLiteral("$OPEN="), QStringLiteral("$LowDir=")}) {
        if (entry.startsWith(command)) {
            head.command = true;
            head.length = command.size();
            return head;
        }
    }
    const QString copy = QStringLiteral("$COPY=");
    const QString move = QStringLiteral("$MOVE=");
    if (entry.startsWith(copy)) {
        head.length = copy.size();
        head.mode = 1;
    }
    if (QStringView(entry).mid(head.length).startsWith(move)) {
        head.length += move.size();
        head.mode = -1;
    }
    return head;
}

SortingEntry ClassifyEntry(const QString& entry, const QString& home) {
    SortingEntry parsed;
    const EntryHead head = EntryHeadOf(entry);
    if (head.command) {
        parsed.text = entry;
        return parsed;
    }
    parsed.mode = head.mode;
    parsed.text = entry.mid(head.length);
    if (parsed.text.startsWith(QStringLiteral("~/"))) {
        parsed.text = home + parsed.text.mid(1);
    }
    parsed.folder = parsed.text.startsWith(QLatin1Char('/'));
    return parsed;
}

std::optional<QStringList> ReadSortingTable(const QString& path, const QString& home, TextFileState* state) {
    const auto pathOf = [&home](const QString& entry) {
        QString folder = entry.mid(EntryHeadOf(entry).length);
        if (folder.startsWith(QStringLiteral("~/"))) {
            folder = home + folder.mid(1);
        }
        return folder;
    };
    std::optional<QStringList> entries = ReadTextLines(path, pathOf, state);
    if (entries) {
        while (entries->size() < SortingKeys::kTableSize) {
            entries->append(QString());
        }
    }
    return entries;
}

bool WriteSortingTable(const QString& path, const QStringList& entries) {
    return WriteUtf8Lines(path, entries);
}
