#include "core/sorting/SortingTable.h"

#include "core/common/NativePath.h"
#include "core/common/TextEncoding.h"

#include <QFile>

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

SortingEntry ClassifyEntry(const QString& entry, const QString& home) {
    SortingEntry parsed;
    parsed.text = entry;
    const QString copy = QStringLiteral("$COPY=");
    const QString move = QStringLiteral("$MOVE=");
    if (parsed.text.startsWith(copy)) {
        parsed.text.remove(0, copy.size());
        parsed.mode = 1;
    }
    if (parsed.text.startsWith(move)) {
        parsed.text.remove(0, move.size());
        parsed.mode = -1;
    }
    if (parsed.text.startsWith(QStringLiteral("~/"))) {
        parsed.text = home + parsed.text.mid(1);
    }
    parsed.folder = parsed.text.startsWith(QLatin1Char('/'));
    return parsed;
}

std::optional<QStringList> ReadSortingTable(const QString& path) {
    QFile file;
    if (!OpenFile(file, path, QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    QString text = DecodeText(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList entries;
    if (!text.isEmpty()) {
        // The line end after the last entry does not start another one.
        if (text.endsWith(QLatin1Char('\n'))) {
            text.chop(1);
        }
        entries = text.split(QLatin1Char('\n'));
    }
    while (entries.size() < SortingKeys::kTableSize) {
        entries.append(QString());
    }
    return entries;
}

bool WriteSortingTable(const QString& path, const QStringList& entries) {
    return WriteUtf8Lines(path, entries);
}
