#pragma once

// Small pieces that the POSIX implementations of the platform layer share.

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace platform {

// A file descriptor that is closed when it goes.
class Descriptor final
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : fd_(fd)
    {
    }
    ~Descriptor() { close(); }
    Descriptor(Descriptor &&other) noexcept
        : fd_(std::exchange(other.fd_, -1))
    {
    }
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }

    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }

    // Hands the descriptor over to a new owner.
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

    // errno of the close, which is where some file systems report a failed
    // write.
    int close()
    {
        const int fd = std::exchange(fd_, -1);
        return fd >= 0 && ::close(fd) != 0 ? errno : 0;
    }

private:
    int fd_ = -1;
};

} // namespace platform
