// The check-list reader on any bytes written as "List_A.lst": the lists load from the folder and
// answer for each path read.
#include "FuzzFiles.h"
#include "core/checklists/CheckLists.h"

#include <QDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (WriteFuzzFile(CheckListFileName(0), data, size).isEmpty()) {
        std::abort();
    }
    CheckLists lists;
    lists.Load(FuzzFolder());
    QStringList names;
    for (int n = 0; n < CheckLists::kCount; ++n) {
        names.append(DefaultListName(n));
    }
    for (const QString& path : lists.list(0)) {
        if (path.isEmpty() || !lists.contains(0, path)) {
            std::abort();
        }
        lists.Marks(path, names);
    }
    if (lists.changed(0)) {
        std::abort();
    }
    return 0;
}
