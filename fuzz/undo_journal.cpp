// The journal record parser on any text, read from the bytes as UTF-8 and, for an even count,
// as UTF-16. What it parses must come back the same from the record written for it.
#include "core/sorting/UndoJournal.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Check(const QString& record) {
    const UndoRecord parsed = UndoJournal::Parse(record);
    if (parsed.kind == RecordKind::None && record.isEmpty()) {
        return;
    }
    const UndoRecord again = UndoJournal::Parse(UndoJournal::Record(parsed.kind, parsed.a, parsed.b));
    if (again.kind != parsed.kind || again.a != parsed.a || again.b != parsed.b) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    Check(QString::fromUtf8(bytes, static_cast<qsizetype>(size)));
    if (size % 2 == 0) {
        QString text(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
        std::memcpy(text.data(), data, size);
        Check(text);
    }
    return 0;
}
