#pragma once

#include <unistd.h>

// Owns a file descriptor and closes it at the end of its scope; -1 holds nothing.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(-1); }
    int fd() const { return m_fd; }
    // Closes what it holds and takes `fd` instead.
    void Reset(int fd) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd;
};
