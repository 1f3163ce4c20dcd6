#pragma once

#include <QByteArray>
#include <cstdint>
#include <functional>

// One event of an inotify descriptor: the watch it came from, its mask and the name of the
// entry it is about (empty when it is about the watched folder itself).
struct InotifyEvent {
    int watch = -1;
    std::uint32_t mask = 0;
    QByteArray name;
};

// Reads every event waiting on the non-blocking inotify descriptor `fd` and hands each one to
// `each`, in the order they came.
void ReadInotifyEvents(int fd, const std::function<void(const InotifyEvent&)>& each);
