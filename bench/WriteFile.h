#pragma once

#include "core/common/NativePath.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdio>
#include <cstdlib>

// Writes an input file of a benchmark; a run cannot go on without it.
inline void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile out;
    if (!OpenFile(out, path, QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}
