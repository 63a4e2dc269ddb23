// Block-buffered reading of a trace as a sequence of lines.
//
// A line is handed out the way a 4096-byte line buffer would see it: at most
// 4095 bytes, ending just after the first newline when one lies within that
// limit. A longer line therefore arrives as several pieces, each of which the
// tools treat as a line of its own. Bytes are passed through untouched (NUL,
// carriage returns and bytes above 0x7F included).
//
// On request the reading runs ahead on a second thread, a block at a time,
// so that the system's copy of the input runs beside the line processing;
// the blocks cycle through a fixed ring, so the memory in use is bounded.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <thread>

#include "blockpipe.h"
#include "linetext.h"

// Told after every block read from the input: at most once per refill of
// the buffer (about once per MiB), never per line.
class ReadObserver {
public:
    virtual void blockRead(std::uint64_t bytesSoFar) = 0;

protected:
    ~ReadObserver() = default;
};

class LineReader {
public:
    static constexpr std::size_t kMaxPiece = 4095;

    explicit LineReader(int fd, std::size_t bufferSize = 1u << 20, bool readAhead = false);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // Fills `line` with the next piece; false at the end of the input (or on
    // a read error, which is remembered in readError()).
    // The piece stays valid until the next call.
    bool next(LineText &line)
    {
        if (end_ - pos_ < kMaxPiece && !eof_)
            advance();
        std::size_t avail = end_ - pos_;
        if (avail == 0)
            return false;
        std::size_t limit = avail < kMaxPiece ? avail : kMaxPiece;
        const char *start = data_ + pos_;
        const void *nl = std::memchr(start, '\n', limit);
        std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char *>(nl) - start) + 1 : limit;
        pos_ += len;
        line.set(start, len);
        return true;
    }

    int readError() const { return readErrno_; }

    // An observer of the block reads (none: nullptr, the default).
    void setObserver(ReadObserver *observer) { observer_ = observer; }

private:
    // Room in front of a block's data for the unread end of the block before.
    static constexpr std::size_t kCarry = kMaxPiece + 1;
    static constexpr std::size_t kBlocks = 4;

    void advance();
    void readAhead();

    int fd_;
    std::size_t capacity_; // data bytes of a block
    BlockPipe pipe_;
    BlockPipe::Block *block_ = nullptr; // the block being read from
    const char *data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    int readErrno_ = 0;
    std::atomic<int> aheadErrno_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
    ReadObserver *observer_ = nullptr;
    std::uint64_t bytesRead_ = 0;
};
