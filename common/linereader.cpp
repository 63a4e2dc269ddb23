#include "linereader.h"

#include <cerrno>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace {

// Where the whole pieces of [from, end) end, `from` being the start of a
// piece. Every newline ends a piece; after the last one, a piece is whole
// once it holds kMaxPiece bytes, or at the end of the input.
std::size_t wholePiecesEnd(const char *data, std::size_t from, std::size_t end, bool last)
{
    if (last)
        return end;
    const void *nl = ::memrchr(data + from, '\n', end - from);
    const std::size_t after = nl == nullptr ? from : static_cast<std::size_t>(static_cast<const char *>(nl) - data) + 1;
    return after + (end - after) / LineReader::kMaxPiece * LineReader::kMaxPiece;
}

} // namespace

std::size_t readUpTo(int fd, char *into, std::size_t n, std::int64_t offset, int &error)
{
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = offset < 0 ? ::read(fd, into + got, n - got)
                                     : ::pread(fd, into + got, n - got, static_cast<off_t>(offset + got));
        if (r > 0) {
            got += static_cast<std::size_t>(r);
        } else if (r == 0) {
            break;
        } else if (errno != EINTR) {
            error = errno;
            break;
        }
    }
    return got;
}

LineReader::LineReader(int fd, std::size_t bufferSize, bool readAhead, const LineClassifier *classifier,
                       OutQueue *output)
    : fd_(fd), capacity_(bufferSize < 2 * kMaxPiece ? 2 * kMaxPiece : bufferSize),
      piecesKept_(capacity_ / 16 < kMaxPieces ? capacity_ / 16 : kMaxPieces), classifier_(classifier),
      pipe_(kBlocks, kCarry + capacity_), output_(output)
{
    pipe_.setWake(&wake_);
    if (output_ != nullptr)
        output_->setWake(&wake_);
    for (Split &s : split_)
        s.pieces.reset(new Piece[piecesKept_]);
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
    // The thread may wait for an empty block or output to write: the stop
    // wakes it, and every block goes back.
    stop_.store(true);
    wake_.fetch_add(1);
    wake_.notify_all();
    if (block_ != nullptr)
        pipe_.putEmpty(block_);
    while (BlockPipe::Block *b = pipe_.tryTakeFull())
        pipe_.putEmpty(b);
    thread_.join();
}

// Reads the next block of the input behind the unread end of the one
// before, and splits it into pieces, each with its record.
void LineReader::fill(BlockPipe::Block *block, const BlockPipe::Block *before)
{
    Split &s = split_[block->index];
    std::size_t carry = 0;
    if (before != nullptr) {
        const Split &b = split_[before->index];
        carry = b.end - b.tail;
        std::memcpy(block->data + kCarry - carry, before->data + b.tail, carry);
    }
    int error = 0;
    block->used = readUpTo(fd_, block->data + kCarry, capacity_, -1, error);
    if (error != 0)
        aheadErrno_.store(error);
    s.start = kCarry - carry;
    s.end = kCarry + block->used;
    s.last = block->used < capacity_;
    const char *data = block->data;
    Piece *pieces = s.pieces.get();
    std::size_t count = 0;
    std::size_t keep = piecesKept_;
    // Records the piece at `at`; false once the block keeps no more.
    auto take = [&](std::size_t at, std::size_t len) {
        pieces[count++].record(data + at, len, classifier_);
        // Every 64 lines this thread writes the output blocks that wait, so
        // that the line processing seldom waits for a free one. When the line
        // processing has no filled block left to take, it is about to wait
        // for this one: the rest of the block is left to it to split and
        // classify, and the work shares out over both processors.
        if ((count & 63) == 0 && output_ != nullptr) {
            while (output_->writeOne()) {
            }
            if (pipe_.fullWaiting() == 0)
                keep = count;
        }
        return count < keep;
    };
    std::size_t p = piecesplit::takeNewlinePieces(data, s.start, s.end, take);
    while (p < s.end && count < keep) {
        const std::size_t len = piecesplit::pieceLength(data + p, s.end - p, s.last);
        if (len == 0)
            break;
        take(p, len);
        p += len;
    }
    // Beyond the pieces a block keeps, only where its unread end starts is
    // needed here: the rest is split while the block is read from.
    if (count == keep)
        p = wholePiecesEnd(data, p, s.end, s.last);
    s.count = count;
    s.tail = p;
}

// The reading thread: fills blocks in order until the input ends, and
// writes the output's blocks as they come, those first.
void LineReader::readAhead()
{
    const BlockPipe::Block *before = nullptr;
    bool inputDone = false;
    while (!stop_.load()) {
        const std::uint32_t seen = wake_.load();
        bool worked = false;
        if (output_ != nullptr)
            while (output_->writeOne())
                worked = true;
        if (!inputDone) {
            if (BlockPipe::Block *block = pipe_.tryTakeEmpty()) {
                fill(block, before);
                const bool last = split_[block->index].last;
                pipe_.putFull(block);
                before = block;
                worked = true;
                if (last) {
                    inputDone = true;
                    pipe_.close();
                    if (output_ == nullptr)
                        break;
                }
            }
        }
        if (!worked)
            wake_.wait(seen);
    }
    // Nothing submitted is left unwritten, even by a writer still attached.
    if (output_ != nullptr)
        while (output_->writeOne()) {
        }
    if (!inputDone)
        pipe_.close();
}

bool LineReader::advance()
{
    BlockPipe::Block *next;
    if (thread_.joinable()) {
        next = pipe_.takeFull();
    } else {
        next = pipe_.takeEmpty();
        fill(next, block_);
    }
    if (next == nullptr) {
        eof_ = true;
        readErrno_ = aheadErrno_.load();
        return false;
    }
    if (block_ != nullptr)
        pipe_.putEmpty(block_);
    block_ = next;
    const Split &s = split_[next->index];
    data_ = next->data;
    pos_ = s.start;
    piece_ = 0;
    bytesRead_ += next->used;
    if (s.last) {
        eof_ = true;
        readErrno_ = aheadErrno_.load();
    }
    if (observer_ != nullptr)
        observer_->blockRead(bytesRead_);
    return true;
}
