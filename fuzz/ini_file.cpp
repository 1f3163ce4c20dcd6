// The INI parser on any bytes. A document it accepts is changed, written out and read again:
// the written text must parse, keep the value just set, and come out the same a second time.
#include "core/settings/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::optional<IniFile> ini = IniFile::Parse(bytes);
    if (!ini) {
        return 0;
    }
    ini->Value(QStringLiteral("Option"), QStringLiteral("Width"));
    const QString value = QStringLiteral("set\r\nby the fuzzer");
    ini->SetValue(QStringLiteral("Fuzz"), QStringLiteral("Key"), value);
    const QByteArray written = ini->ToBytes();
    const std::optional<IniFile> again = IniFile::Parse(written);
    if (!again ||
        again->Value(QStringLiteral("fuzz"), QStringLiteral("key")) != QStringLiteral("set  by the fuzzer") ||
        again->ToBytes() != written) {
        std::abort();
    }
    return 0;
}
