// A buffered writer over a file descriptor, with printf-style formatting.
//
// The buffer is written out a block of 256 KiB at a time, by the thread that
// fills it, or, while attached to an OutQueue, by the thread that serves
// the queue (the reading thread of a LineReader, which then has two jobs
// for the second processor instead of a third thread). The first failed
// write is remembered (failed(), error(), seen when a block is handed on and
// on flush()) and everything after it is dropped, so the caller can stop and
// report it; bytes accepted by the system before the failure stay written.
// Through a queue a failure shows a few blocks later than it happened.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "blockpipe.h"

class OutQueue;

// Writes all `n` bytes to `fd` unless a write fails; returns 0 or the
// error number.
int writeFully(int fd, const char *p, std::size_t n);

class OutWriter {
public:
    // A block of a quarter mebibyte stays in the processor's caches between
    // filling and writing; measured, such blocks write much more steadily
    // than blocks of a mebibyte.
    explicit OutWriter(int fd, std::size_t bufferSize = 256u << 10);
    ~OutWriter();
    OutWriter(const OutWriter &) = delete;
    OutWriter &operator=(const OutWriter &) = delete;

    void write(const char *p, std::size_t n)
    {
        if (n > capacity_ - used_) {
            writeSlow(p, n);
            return;
        }
        char *d = base_ + used_;
        used_ += n;
        copyShort(d, p, n);
    }

    // printf-style output: the bytes are those vsnprintf writes for the same
    // format and arguments. %s, %.<n>s, %d and %% are written directly, any
    // other conversion through vsnprintf.
    void print(const char *format, ...) __attribute__((format(printf, 2, 3)));
    void vprint(const char *format, std::va_list args);

    // Writes out everything buffered and waits until the file has taken it;
    // false once any write has failed.
    bool flush();

    // While attached, full blocks go to `queue`, whose thread writes them,
    // and the buffer is filled in the queue's blocks (which hold at least
    // capacity() bytes). detach() waits until they are all written; flush()
    // does too, and stays attached.
    void attach(OutQueue *queue);
    void detach(); // nothing when not attached

    // Attached for the lifetime of this object (not at all for nullptr).
    class Attachment {
    public:
        Attachment(OutWriter &out, OutQueue *queue) : out_(out)
        {
            if (queue != nullptr)
                out_.attach(queue);
        }
        ~Attachment() { out_.detach(); }
        Attachment(const Attachment &) = delete;
        Attachment &operator=(const Attachment &) = delete;

    private:
        OutWriter &out_;
    };

    int fd() const { return fd_; }
    std::size_t capacity() const { return capacity_; }

    bool failed() const { return errno_ != 0; }
    int error() const { return errno_; }

    // A format string split into literal runs, each followed by a conversion.
    // Kept small, so that the compiled forms of all the formats in use stay
    // in the processor's nearest cache.
    struct Piece {
        static constexpr std::uint16_t kNoPrecision = 0xFFFF;
        const char *literal;
        std::uint16_t literalLength;
        std::uint16_t precision;
        char conversion;    // 's', 'd', '%', or '\0' after the last run
    };
    struct CompiledFormat {
        static constexpr int kMaxPieces = 7;
        const char *format = nullptr;
        bool simple = false;
        int count = 0;
        Piece pieces[kMaxPieces];
    };

private:
    // Trace lines and the pieces of added lines are short: copying them
    // with fixed-size moves (overlapping at the end, never reading or
    // writing outside the n bytes) beats a call of memcpy.
    static void copyShort(char *d, const char *p, std::size_t n)
    {
        if (n >= 16 && n <= 256) {
            for (std::size_t i = 0; i + 16 < n; i += 16)
                std::memcpy(d + i, p + i, 16);
            std::memcpy(d + n - 16, p + n - 16, 16);
        } else if (n >= 8 && n < 16) {
            std::memcpy(d, p, 8);
            std::memcpy(d + n - 8, p + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(d, p, 4);
            std::memcpy(d + n - 4, p + n - 4, 4);
        } else if (n > 0 && n < 4) {
            d[0] = p[0];
            d[n / 2] = p[n / 2];
            d[n - 1] = p[n - 1];
        } else if (n > 256) {
            std::memcpy(d, p, n);
        }
    }

    void writeSlow(const char *p, std::size_t n);
    void handOff();

    int fd_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buf_;
    char *base_;                           // the buffer being filled
    OutQueue *queue_ = nullptr;
    BlockPipe::Block *block_ = nullptr;    // the queue's block being filled
    std::size_t used_ = 0;
    int errno_ = 0;
    // The formatter prints several hundred format strings: a slot for each,
    // found by a multiplicative hash of its address. The table belongs to
    // the thread that made the writer (formatTable()) and is shared by all
    // of that thread's writers, so a writer is used on that thread only.
    static constexpr std::size_t kFormatSlots = 1024;
    static CompiledFormat *formatTable();
    CompiledFormat *formats_;
};
