#include "outwriter.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

OutWriter::OutWriter(int fd, std::size_t bufferSize)
    : fd_(fd), capacity_(bufferSize < 8192 ? 8192 : bufferSize), buf_(new char[capacity_])
{
}

OutWriter::~OutWriter() { flush(); }

void OutWriter::drain(const char *p, std::size_t n)
{
    while (n > 0 && errno_ == 0) {
        ssize_t put = ::write(fd_, p, n);
        if (put > 0) {
            p += put;
            n -= static_cast<std::size_t>(put);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else {
            errno_ = put < 0 ? errno : EIO;
        }
    }
}

bool OutWriter::flush()
{
    if (used_ > 0) {
        drain(buf_.get(), used_);
        used_ = 0;
    }
    return errno_ == 0;
}

void OutWriter::writeSlow(const char *p, std::size_t n)
{
    flush();
    if (n <= capacity_) {
        std::memcpy(buf_.get(), p, n);
        used_ = n;
    } else {
        drain(p, n);
    }
}

void OutWriter::print(const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void OutWriter::vprint(const char *format, std::va_list args)
{
    if (capacity_ - used_ < 1024)
        flush();
    std::va_list again;
    va_copy(again, args);
    std::size_t room = capacity_ - used_;
    int n = std::vsnprintf(buf_.get() + used_, room, format, args);
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(n) < room) {
        used_ += static_cast<std::size_t>(n);
    } else {
        // Longer than the free room: format into a string of its own.
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        write(text.data(), static_cast<std::size_t>(n));
    }
    va_end(again);
}
