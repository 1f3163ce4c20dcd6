// The sorting-table reader on any bytes written as "MoveTo.txt", and each entry it gives taken
// apart.
#include "FuzzFiles.h"
#include "core/sorting/SortingTable.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = WriteFuzzFile(QStringLiteral("MoveTo.txt"), data, size);
    if (path.isEmpty()) {
        std::abort();
    }
    const std::optional<QStringList> table = ReadSortingTable(path, FuzzFolder());
    if (!table || table->size() < SortingKeys::kTableSize) {
        std::abort();
    }
    for (const QString& entry : *table) {
        const EntryHead head = EntryHeadOf(entry);
        if (head.length < 0 || head.length > entry.size()) {
            std::abort();
        }
        ClassifyEntry(entry, FuzzFolder());
    }
    return 0;
}
