// Reading of a regular file as a sequence of pieces (the same pieces as
// LineReader hands out), with the whole work shared out over several
// threads a block at a time.
//
// Each thread takes the next block number, reads that block at its place in
// the file and splits and classifies the lines that lie wholly inside it.
// Then, in file order, the same thread hands the block's pieces to the line
// processing, while the other threads read and classify the blocks after
// it. Each block's bytes and records are thus read and used on one
// processor, while they are still in its cache.
//
// Only the line that runs over from one block into the next (the bytes
// before a block's first newline, behind those after the last newline of
// the block before) is split in the handing over, unclassified.
//
// The blocks cycle through a fixed ring, so the memory in use is bounded
// whatever the size of the file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "linereader.h"
#include "linetext.h"

// The processor the calling thread runs on, or -1 where that is not known.
int currentCpu();

// Moves the calling thread off processor `cpu` to another it may run on,
// then lets it run on every processor it could before: the system keeps it
// where it is until it has reason to move it again. Nothing happens when it
// may run on `cpu` alone.
void moveOffCpu(int cpu);

// Takes the pieces in order, one thread at a time; false stops the reading.
class LineSink {
public:
    virtual bool take(const LineText &line, const LineFacts *facts) = 0;

protected:
    ~LineSink() = default;
};

class ParallelLineReader {
public:
    static constexpr std::size_t kMaxPiece = LineReader::kMaxPiece;

    // Reads `fd` (a regular file, from its current offset) in blocks of
    // `blockSize` bytes on `threads` threads, the calling one included.
    ParallelLineReader(int fd, std::size_t blockSize, const LineClassifier *classifier, unsigned threads = 2);
    ParallelLineReader(const ParallelLineReader &) = delete;
    ParallelLineReader &operator=(const ParallelLineReader &) = delete;

    // Hands every piece with its record (nullptr for a piece the classifier
    // did not see, and for every piece when there is none) to `sink`, until
    // the input ends, a read fails (readError()) or the sink says stop; false
    // in that last case. An exception from the sink comes out here, after
    // every thread ended. Called once.
    bool run(LineSink &sink);

    int readError() const { return readErrno_; }

    // Told of each block as the line processing reaches it.
    void setObserver(ReadObserver *observer) { observer_ = observer; }

private:
    static constexpr std::size_t kCarry = kMaxPiece + 1;
    static constexpr std::uint64_t kNone = ~std::uint64_t{0};

    using Piece = LinePiece;

    // One block of the ring. Offsets count from `data`, the block's first
    // byte read; kCarry bytes in front of it take the unsplit end of the
    // block before.
    struct alignas(64) Slot {
        std::unique_ptr<char[]> storage;
        char *data = nullptr;
        std::unique_ptr<Piece[]> pieces;
        std::size_t used = 0;    // bytes read
        int error = 0;           // errno of a failed read
        std::size_t headEnd = 0; // just after the first newline; `used` when there is none
        std::size_t count = 0;   // kept pieces, from headEnd on
        std::size_t bodyEnd = 0; // just after the last newline; `used` when there is none
        std::atomic<std::uint64_t> freeFor{0}; // the block number it may be filled with next
    };

    void guardedWork(LineSink &sink);
    void work(LineSink &sink);
    void fill(Slot &slot, std::uint64_t number);
    void pass(Slot &slot, std::uint64_t number, LineSink &sink);
    const char *passSplit(const char *p, const char *end, bool whole, LineSink &sink);
    void stopAll();

    int fd_;
    std::uint64_t origin_;
    std::size_t blockSize_;
    std::size_t piecesKept_;
    const LineClassifier *classifier_;
    unsigned threads_;
    std::vector<Slot> slots_;
    std::atomic<std::uint64_t> nextNumber_{0};
    std::atomic<std::uint64_t> lastNumber_{kNone}; // the first short block, once read
    std::atomic<std::uint64_t> turn_{0};           // the block whose pieces are handed over next
    std::atomic<int> turnCpu_{-1};                 // the processor of the thread that took the turn last
    std::atomic<bool> stop_{false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;

    // Used only by the thread whose turn it is.
    const char *carry_ = nullptr; // the unsplit end of the block before
    std::size_t carryLen_ = 0;
    Slot *previous_ = nullptr;
    bool stopped_ = false; // the sink said stop
    int readErrno_ = 0;
    ReadObserver *observer_ = nullptr;
    std::uint64_t bytesRead_ = 0;
};
