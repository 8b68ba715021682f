#pragma once

#include <unistd.h>

namespace foldcraft {

// Owns one file descriptor and closes it when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    ~UniqueFd() { Close(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    int Get() const { return m_fd; }
    // Closes the descriptor held, if any, and takes fd instead.
    void Reset(int fd = -1) {
        Close();
        m_fd = fd;
    }
    // Gives up ownership: the caller closes what is returned.
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now; false when close() reports an error (true when nothing is held).
    bool Close() {
        if (m_fd < 0) return true;
        const int rc = ::close(m_fd);
        m_fd = -1;
        return rc == 0;
    }

private:
    int m_fd;
};

}  // namespace foldcraft
