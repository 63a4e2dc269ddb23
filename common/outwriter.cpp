#include "outwriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

namespace {

// True when every conversion in `format` is one of %s, %.<digits>s, %d and
// %%: the conversions that the fast path below writes itself.
bool simpleFormat(const char *format)
{
    for (const char *p = std::strchr(format, '%'); p != nullptr; p = std::strchr(p, '%')) {
        ++p;
        if (*p == 's' || *p == 'd' || *p == '%') {
            ++p;
            continue;
        }
        if (*p != '.')
            return false;
        ++p;
        if (*p < '0' || *p > '9')
            return false;
        while (*p >= '0' && *p <= '9')
            ++p;
        if (*p != 's')
            return false;
        ++p;
    }
    return true;
}

} // namespace

void OutWriter::vprint(const char *format, std::va_list args)
{
    if (simpleFormat(format)) {
        // Writes exactly what vsnprintf would, without its per-call set-up:
        // expansion lines are printed by the million.
        const char *p = format;
        while (*p != '\0') {
            const char *pct = std::strchr(p, '%');
            if (pct == nullptr) {
                write(p, std::strlen(p));
                break;
            }
            write(p, static_cast<std::size_t>(pct - p));
            p = pct + 1;
            if (*p == '%') {
                write("%", 1);
                ++p;
            } else if (*p == 'd') {
                int value = va_arg(args, int);
                char digits[12];
                char *end = digits + sizeof digits;
                char *q = end;
                unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
                do {
                    *--q = static_cast<char>('0' + magnitude % 10);
                    magnitude /= 10;
                } while (magnitude != 0);
                if (value < 0)
                    *--q = '-';
                write(q, static_cast<std::size_t>(end - q));
                ++p;
            } else {
                std::size_t limit = static_cast<std::size_t>(-1);
                if (*p == '.') {
                    limit = 0;
                    for (++p; *p >= '0' && *p <= '9'; ++p)
                        limit = limit * 10 + static_cast<std::size_t>(*p - '0');
                }
                const char *text = va_arg(args, const char *);
                if (text == nullptr) // as glibc prints it
                    text = limit >= 6 ? "(null)" : "";
                write(text, limit == static_cast<std::size_t>(-1) ? std::strlen(text) : ::strnlen(text, limit));
                ++p; // the 's'
            }
        }
        return;
    }
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
