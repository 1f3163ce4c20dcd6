// The header probes on any bytes: each format's probe on an open descriptor (a memfd), the probe
// the extension names and the format the contents say on a file.
#include "FuzzFiles.h"
#include "core/filelist/HeaderProbe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("probe", 0);
    if (fd < 0 || !WriteAll(fd, data, size)) {
        std::abort();
    }
    for (const char* name : {"a.jpg", "a.jpeg", "a.png", "a.gif", "a.bmp", "a.txt"}) {
        if (lseek(fd, 0, SEEK_SET) != 0) {
            std::abort();
        }
        ProbeOpenFile(fd, name);
    }
    close(fd);

    const QString path = WriteFuzzFile(QStringLiteral("probe.jpg"), data, size);
    if (path.isEmpty()) {
        std::abort();
    }
    ProbeByExtension(path);
    ProbeBmp(path);
    ProbeGif(path);
    ProbePng(path);
    const QString extension = TrueExtension(path);
    if (!extension.isEmpty() && extension != QLatin1String(".jpg") && extension != QLatin1String(".png") &&
        extension != QLatin1String(".gif") && extension != QLatin1String(".bmp")) {
        std::abort();
    }
    return 0;
}
