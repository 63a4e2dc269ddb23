#include "outwriter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "outqueue.h"

int writeFully(int fd, const char *p, std::size_t n)
{
    while (n > 0) {
        ssize_t put = ::write(fd, p, n);
        if (put > 0) {
            p += put;
            n -= static_cast<std::size_t>(put);
        } else if (put < 0 && errno == EINTR) {
            continue;
        } else {
            return put < 0 ? errno : EIO;
        }
    }
    return 0;
}

OutWriter::OutWriter(int fd, std::size_t bufferSize)
    : fd_(fd), capacity_(bufferSize < 8192 ? 8192 : bufferSize), buf_(new char[capacity_]), base_(buf_.get()),
      formats_(formatTable())
{
}

// A format's compiled form is the same for every writer, so each thread
// keeps one table for all of its writers: a writer made for a short run (a
// test, a fuzz input) then neither allocates nor fills a table of its own.
OutWriter::CompiledFormat *OutWriter::formatTable()
{
    thread_local std::unique_ptr<CompiledFormat[]> table;
    if (!table)
        table.reset(new CompiledFormat[kFormatSlots]);
    return table.get();
}

OutWriter::~OutWriter()
{
    detach();
    flush();
}

void OutWriter::attach(OutQueue *queue)
{
    handOff();
    queue_ = queue;
    block_ = queue_->take();
    base_ = block_->data;
}

void OutWriter::detach()
{
    if (queue_ == nullptr)
        return;
    // The block goes back through the queue even when empty or dropped, so
    // that the queue holds all its blocks once drained.
    block_->used = errno_ == 0 ? used_ : 0;
    queue_->submit(block_);
    used_ = 0;
    queue_->drain();
    if (errno_ == 0)
        errno_ = queue_->error();
    queue_ = nullptr;
    block_ = nullptr;
    base_ = buf_.get();
}

// Writes out the filled part of the buffer, or passes it to the queue's
// thread; after a failure only drops it.
void OutWriter::handOff()
{
    if (used_ == 0)
        return;
    if (queue_ != nullptr) {
        if (errno_ == 0)
            errno_ = queue_->error();
        if (errno_ == 0) {
            block_->used = used_;
            queue_->submit(block_);
            block_ = queue_->take();
            base_ = block_->data;
        }
    } else if (errno_ == 0) {
        errno_ = writeFully(fd_, base_, used_);
    }
    used_ = 0;
}

bool OutWriter::flush()
{
    if (queue_ != nullptr) {
        OutQueue *queue = queue_;
        detach();
        attach(queue);
    }
    handOff();
    return errno_ == 0;
}

void OutWriter::writeSlow(const char *p, std::size_t n)
{
    handOff();
    while (n > 0) {
        std::size_t part = n < capacity_ - used_ ? n : capacity_ - used_;
        std::memcpy(base_ + used_, p, part);
        used_ += part;
        p += part;
        n -= part;
        if (n > 0)
            handOff();
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

// Parses `format` into literal runs and conversions when every conversion is
// one of %s, %.<digits>s, %d, %x, %lld, %llx and %%; false for anything else
// (flags, widths, other conversions), which is then left to vsnprintf. In the
// compiled form %lld is 'D' and %llx is 'X'.
bool compileFormat(const char *format, OutWriter::CompiledFormat &compiled)
{
    compiled.format = format;
    compiled.count = 0;
    const char *p = format;
    for (;;) {
        if (compiled.count == OutWriter::CompiledFormat::kMaxPieces)
            return compiled.simple = false;
        OutWriter::Piece &piece = compiled.pieces[compiled.count++];
        const char *pct = std::strchr(p, '%');
        std::size_t literal = pct ? static_cast<std::size_t>(pct - p) : std::strlen(p);
        if (literal >= 0xFFFF)
            return compiled.simple = false;
        piece.literal = p;
        piece.literalLength = static_cast<std::uint16_t>(literal);
        piece.precision = OutWriter::Piece::kNoPrecision;
        if (pct == nullptr) {
            piece.conversion = '\0';
            return compiled.simple = true;
        }
        p = pct + 1;
        if (*p == '.') {
            ++p;
            if (*p < '0' || *p > '9')
                return compiled.simple = false;
            std::size_t precision = 0;
            while (*p >= '0' && *p <= '9' && precision < 100000)
                precision = precision * 10 + static_cast<std::size_t>(*p++ - '0');
            if (*p != 's' || precision >= OutWriter::Piece::kNoPrecision)
                return compiled.simple = false;
            piece.precision = static_cast<std::uint16_t>(precision);
        } else if (p[0] == 'l' && p[1] == 'l' && (p[2] == 'd' || p[2] == 'x')) {
            piece.conversion = p[2] == 'd' ? 'D' : 'X';
            p += 3;
            continue;
        } else if (*p != 's' && *p != 'd' && *p != 'x' && *p != '%') {
            return compiled.simple = false;
        }
        piece.conversion = *p++;
    }
}

} // namespace

void OutWriter::vprint(const char *format, std::va_list args)
{
    // Format strings are string literals: their compiled form is kept by
    // address, so that each is parsed once per run.
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(format);
    CompiledFormat &compiled = formats_[static_cast<std::size_t>((address * 0x9E3779B97F4A7C15ull) >> 54) % kFormatSlots];
    if (compiled.format != format)
        compileFormat(format, compiled);
    if (compiled.simple) {
        // Writes exactly what vsnprintf would, without its per-call set-up:
        // expansion lines are printed by the million. The cursor is kept in
        // a local, so that the compiler need not reload it after every byte
        // stored (a char store may alias any member).
        char *base = base_;
        char *d = base + used_;
        char *limit = base + capacity_;
        auto put = [&](const char *p, std::size_t n) {
            if (n <= static_cast<std::size_t>(limit - d)) {
                copyShort(d, p, n);
                d += n;
            } else {
                used_ = static_cast<std::size_t>(d - base);
                writeSlow(p, n);
                base = base_;
                limit = base + capacity_;
                d = base + used_;
            }
        };
        for (int i = 0; i < compiled.count; ++i) {
            const Piece &piece = compiled.pieces[i];
            put(piece.literal, piece.literalLength);
            switch (piece.conversion) {
            case 'd':
            case 'D': {
                const long long value = piece.conversion == 'd' ? va_arg(args, int) : va_arg(args, long long);
                char digits[24];
                char *end = digits + sizeof digits;
                char *q = end;
                unsigned long long magnitude =
                    value < 0 ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
                do {
                    *--q = static_cast<char>('0' + magnitude % 10);
                    magnitude /= 10;
                } while (magnitude != 0);
                if (value < 0)
                    *--q = '-';
                put(q, static_cast<std::size_t>(end - q));
                break;
            }
            case 'x':
            case 'X': {
                unsigned long long value =
                    piece.conversion == 'x' ? va_arg(args, unsigned) : va_arg(args, unsigned long long);
                char digits[16];
                char *end = digits + sizeof digits;
                char *q = end;
                do {
                    *--q = "0123456789abcdef"[value & 15];
                    value >>= 4;
                } while (value != 0);
                put(q, static_cast<std::size_t>(end - q));
                break;
            }
            case 's': {
                const char *text = va_arg(args, const char *);
                if (text == nullptr) // as glibc prints it
                    text = piece.precision >= 6 ? "(null)" : "";
                put(text, piece.precision == Piece::kNoPrecision ? std::strlen(text) : ::strnlen(text, piece.precision));
                break;
            }
            case '%':
                put("%", 1);
                break;
            default:
                break;
            }
        }
        used_ = static_cast<std::size_t>(d - base);
        return;
    }
    if (capacity_ - used_ < 1024)
        handOff();
    std::va_list again;
    va_copy(again, args);
    std::size_t room = capacity_ - used_;
    int n = std::vsnprintf(base_ + used_, room, format, args);
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
