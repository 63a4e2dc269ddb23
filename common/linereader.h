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
#include <memory>
#include <thread>

#include "blockpipe.h"
#include "linetext.h"
#include "outqueue.h"
#include "piecesplit.h"

// Reads up to n bytes into `into`: at `offset` in the file, or from its
// current position when `offset` is negative. Fewer only at the end of the
// input or on an error, whose number goes to `error`.
std::size_t readUpTo(int fd, char *into, std::size_t n, std::int64_t offset, int &error);

// Told after every block read from the input: at most once per refill of
// the buffer (about once per MiB), never per line.
class ReadObserver {
public:
    virtual void blockRead(std::uint64_t bytesSoFar) = 0;

protected:
    ~ReadObserver() = default;
};

// What the line processing learns of a line before it takes the line: a
// record that a LineClassifier fills for every piece, on the reading thread
// when the input is read ahead, so that those scans run beside the
// processing of the lines before.
struct LineFacts {
    std::uint32_t word[4];
};

class LineClassifier {
public:
    virtual void classify(const LineText &line, LineFacts &facts) const = 0;

protected:
    ~LineClassifier() = default;
};

// The record of `line`: `known` when there is one, else the classifier's,
// made into `computed`.
inline const LineFacts &factsOf(const LineClassifier &classifier, const LineText &line, const LineFacts *known,
                                LineFacts &computed)
{
    if (known != nullptr)
        return *known;
    classifier.classify(line, computed);
    return computed;
}

// A piece a block keeps: its length and, when the block has a classifier,
// its record.
struct LinePiece {
    std::uint32_t length;
    LineFacts facts;

    void record(const char *data, std::size_t len, const LineClassifier *classifier)
    {
        length = static_cast<std::uint32_t>(len);
        if (classifier != nullptr) {
            LineText line;
            line.set(data, len);
            classifier->classify(line, facts);
        }
    }
};

class LineReader {
public:
    static constexpr std::size_t kMaxPiece = piecesplit::kMaxPiece;

    // With `readAhead` the input is read (and each line classified) on a
    // second thread. With `output` as well, that thread also writes the
    // output's blocks, before it reads on; the queue must outlive the
    // writer attached to it, and be drained before this reader ends.
    explicit LineReader(int fd, std::size_t bufferSize = 1u << 20, bool readAhead = false,
                        const LineClassifier *classifier = nullptr, OutQueue *output = nullptr);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // Fills `line` with the next piece, and `facts` with its record (nullptr
    // for a piece the classifier did not see, and for every piece when there
    // is no classifier); false at the end of the input (or on a read error,
    // which is remembered in readError()). Both stay valid until the next
    // call.
    bool next(LineText &line, const LineFacts *&facts)
    {
        if (block_ == nullptr && (eof_ || !advance()))
            return false;
        for (;;) {
            const Split &s = split_[block_->index];
            if (piece_ < s.count) {
                const Piece &p = s.pieces[piece_++];
                line.set(data_ + pos_, p.length);
                pos_ += p.length;
                facts = classifier_ != nullptr ? &p.facts : nullptr;
                return true;
            }
            if (pos_ < s.tail) {
                // Beyond the pieces a block keeps: split here.
                line.set(data_ + pos_, piecesplit::pieceLength(data_ + pos_, s.tail - pos_, true));
                pos_ += line.len;
                facts = nullptr;
                return true;
            }
            if (eof_ || !advance())
                return false;
        }
    }

    bool next(LineText &line)
    {
        const LineFacts *facts;
        return next(line, facts);
    }

    int readError() const { return readErrno_; }

    // True when a second thread reads (and writes the output queue).
    bool readsAhead() const { return thread_.joinable(); }

    // An observer of the block reads (none: nullptr, the default).
    void setObserver(ReadObserver *observer) { observer_ = observer; }

private:
    // Room in front of a block's data for the unread end of the block before.
    static constexpr std::size_t kCarry = kMaxPiece + 1;
    static constexpr std::size_t kBlocks = 4;
    // Pieces a block keeps with their records, at most one for every 16
    // bytes of a block (a small reader's blocks need fewer); a block of
    // shorter lines leaves the rest to be split while it is read from.
    static constexpr std::size_t kMaxPieces = 16384;

    using Piece = LinePiece;
    // How a block's bytes [start, end) fall into pieces: `count` of them
    // kept from `start` on, then more up to `tail`; the bytes from `tail`
    // on (no whole piece yet) go in front of the next block.
    // Each on a cache line of its own: the reading thread fills one while
    // the line processing reads another.
    struct alignas(64) Split {
        std::size_t start = 0, end = 0, tail = 0, count = 0;
        bool last = false; // the input ends in this block
        std::unique_ptr<Piece[]> pieces;
    };

    bool advance();
    void fill(BlockPipe::Block *block, const BlockPipe::Block *before);
    void readAhead();

    int fd_;
    std::size_t capacity_; // data bytes of a block
    std::size_t piecesKept_;
    const LineClassifier *classifier_;
    BlockPipe pipe_;
    Split split_[kBlocks];
    BlockPipe::Block *block_ = nullptr; // the block being read from
    const char *data_ = nullptr;
    std::size_t pos_ = 0;
    std::size_t piece_ = 0;             // the next kept piece of the block
    bool eof_ = false;
    int readErrno_ = 0;
    std::atomic<int> aheadErrno_{0};
    std::atomic<bool> stop_{false};
    OutQueue *output_;
    std::atomic<std::uint32_t> wake_{0};
    std::thread thread_;
    ReadObserver *observer_ = nullptr;
    std::uint64_t bytesRead_ = 0;
};
