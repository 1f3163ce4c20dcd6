#include "core/sorting/UndoJournal.h"

#include "core/common/NativePath.h"

namespace {

constexpr QChar kSeparator(u'\0');

} // namespace

RecordedFacts FactsOf(const QString& path) {
    const PathFacts facts = StatPath(path);
    if (!facts.exists || facts.isFolder) {
        return {};
    }
    return {true, facts.size, facts.modifiedNanoseconds};
}

void UndoJournal::undoWrite2(RecordKind kind, const QString& a, const QString& b) {
    m_records[m_position] = Record(kind, a, b);
    m_facts[static_cast<std::size_t>(m_position)] = b.isEmpty() ? RecordedFacts{} : FactsOf(b);
    ++m_position;
    if (m_position < m_records.size()) {
        m_records[m_position].clear();
        m_facts[static_cast<std::size_t>(m_position)] = {};
    } else {
        m_records.append(QString());
        m_facts.emplace_back();
    }
}

QString UndoJournal::Record(RecordKind kind, const QString& a, const QString& b) {
    return QLatin1Char(static_cast<char>(kind)) + QStringLiteral(";") + a + kSeparator + b;
}

UndoRecord UndoJournal::Parse(const QString& record) {
    UndoRecord parsed;
    if (record.isEmpty()) {
        return parsed;
    }
    parsed.kind = static_cast<RecordKind>(record.front().toLatin1());
    const qsizetype split = record.indexOf(kSeparator, 2);
    if (split < 0) {
        parsed.a = record.mid(2);
        return parsed;
    }
    parsed.a = record.mid(2, split - 2);
    parsed.b = record.mid(split + 1);
    return parsed;
}
