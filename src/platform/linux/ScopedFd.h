#pragma once

#include <unistd.h>

/** Owns a file descriptor and closes it when destroyed or given another; -1 holds none. */
class ScopedFd final
{
public:
    explicit ScopedFd (int descriptor = -1) noexcept : fd (descriptor) {}
    ~ScopedFd() { reset(); }

    ScopedFd (ScopedFd&& other) noexcept : fd (other.release()) {}

    ScopedFd& operator= (ScopedFd&& other) noexcept
    {
        if (this != &other)
            reset (other.release());
        return *this;
    }

    ScopedFd (const ScopedFd&) = delete;
    ScopedFd& operator= (const ScopedFd&) = delete;

    int get() const noexcept { return fd; }
    bool isValid() const noexcept { return fd >= 0; }

    int release() noexcept
    {
        const auto held = fd;
        fd = -1;
        return held;
    }

    void reset (int descriptor = -1) noexcept
    {
        if (fd >= 0)
            ::close (fd);
        fd = descriptor;
    }

private:
    int fd;
};
