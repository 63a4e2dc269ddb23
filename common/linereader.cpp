#include "linereader.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace {

// Reads up to n bytes: fewer only at the end of the input or on an error,
// which is kept in `error`.
std::size_t readFully(int fd, char *into, std::size_t n, std::atomic<int> &error)
{
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, into + got, n - got);
        if (r > 0) {
            got += static_cast<std::size_t>(r);
        } else if (r == 0) {
            break;
        } else if (errno != EINTR) {
            error.store(errno);
            break;
        }
    }
    return got;
}

} // namespace

LineReader::LineReader(int fd, std::size_t bufferSize, bool readAhead)
    : fd_(fd), capacity_(bufferSize < 2 * kMaxPiece ? 2 * kMaxPiece : bufferSize), pipe_(kBlocks, kCarry + capacity_)
{
    if (!readAhead)
        return;
    try {
        thread_ = std::thread(&LineReader::readAhead, this);
    } catch (const std::system_error &) {
        // No thread to be had: advance() reads in place.
    }
}

LineReader::~LineReader()
{
    if (!thread_.joinable())
        return;
    // The thread may wait for an empty block: every block goes back, and
    // the stop is seen when it takes one.
    stop_.store(true);
    if (block_ != nullptr)
        pipe_.putEmpty(block_);
    while (BlockPipe::Block *b = pipe_.tryTakeFull())
        pipe_.putEmpty(b);
    thread_.join();
}

// The reading thread: fills blocks in order until one comes out short.
void LineReader::readAhead()
{
    while (!stop_.load()) {
        BlockPipe::Block *block = pipe_.takeEmpty();
        if (stop_.load()) {
            pipe_.putEmpty(block);
            break;
        }
        block->used = readFully(fd_, block->data + kCarry, capacity_, aheadErrno_);
        const bool last = block->used < capacity_;
        pipe_.putFull(block);
        if (last)
            break;
    }
    pipe_.close();
}

void LineReader::advance()
{
    BlockPipe::Block *next;
    if (thread_.joinable()) {
        next = pipe_.takeFull();
    } else {
        next = pipe_.takeEmpty();
        next->used = readFully(fd_, next->data + kCarry, capacity_, aheadErrno_);
    }
    if (next == nullptr || next->used == 0) {
        if (next != nullptr)
            pipe_.putEmpty(next);
        eof_ = true;
        readErrno_ = aheadErrno_.load();
        return;
    }
    // The unread end of the current block goes in front of the new data.
    const std::size_t carry = end_ - pos_;
    char *start = next->data + kCarry - carry;
    if (carry > 0)
        std::memcpy(start, data_ + pos_, carry);
    if (block_ != nullptr)
        pipe_.putEmpty(block_);
    block_ = next;
    data_ = start;
    pos_ = 0;
    end_ = carry + next->used;
    bytesRead_ += next->used;
    if (next->used < capacity_) {
        eof_ = true;
        readErrno_ = aheadErrno_.load();
    }
    if (observer_ != nullptr)
        observer_->blockRead(bytesRead_);
}
