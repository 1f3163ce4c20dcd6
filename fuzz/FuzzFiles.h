#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

// A folder of this process's own, made on first use and removed when the process ends, for the
// targets whose parser reads a file by its path.
QString FuzzFolder();

// Writes `data` as the file `name` in FuzzFolder() (replacing an earlier input) and returns its
// path; empty when it could not be written.
QString WriteFuzzFile(const QString& name, const std::uint8_t* data, std::size_t size);
