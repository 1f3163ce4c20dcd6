#include "core/common/InotifyEvents.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

void ReadInotifyEvents(int fd, const std::function<void(const InotifyEvent&)>& each) {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return;
        }
        for (ssize_t at = 0; at < got;) {
            inotify_event raw;
            std::memcpy(&raw, buffer + at, sizeof raw);
            const char* name = buffer + at + sizeof raw;
            at += static_cast<ssize_t>(sizeof raw + raw.len);
            // The name is padded with NULs to the event's length.
            each({raw.wd, raw.mask,
                  raw.len > 0 ? QByteArray(name, static_cast<qsizetype>(::strnlen(name, raw.len)))
                              : QByteArray()});
        }
    }
}
