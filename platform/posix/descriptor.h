#pragma once

// A file descriptor, as the POSIX implementations of the platform layer
// hold them.

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

    // Whatever the close reports comes after the data was synced or was
    // only read: nothing to act on.
    void close()
    {
        if (const int fd = std::exchange(fd_, -1); fd >= 0)
            ::close(fd);
    }

private:
    int fd_ = -1;
};

} // namespace platform
