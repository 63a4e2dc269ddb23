#include "parallelreader.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

#include "piecesplit.h"

int currentCpu()
{
#if defined(__linux__)
    return sched_getcpu();
#else
    return -1;
#endif
}

void moveOffCpu(int cpu)
{
#if defined(__linux__)
    cpu_set_t allowed;
    if (cpu < 0 || cpu >= CPU_SETSIZE || sched_getaffinity(0, sizeof allowed, &allowed) != 0 ||
        !CPU_ISSET(cpu, &allowed) || CPU_COUNT(&allowed) < 2)
        return;
    cpu_set_t others = allowed;
    CPU_CLR(cpu, &others);
    if (sched_setaffinity(0, sizeof others, &others) == 0)
        sched_setaffinity(0, sizeof allowed, &allowed);
#else
    (void)cpu;
#endif
}

namespace {

// How long a waiting thread gives way to others before it sleeps.
constexpr std::chrono::microseconds kYieldFor{500};

// Waits until `value` holds `wanted`; false when `stop` is set first (the
// value must then change, for the wait to end). `holderCpu` is the
// processor of the thread that has the turn, the one waited for.
//
// A wait is mostly for the other thread to end its turn, a fraction of a
// millisecond, so the thread first only yields its processor. Now and then
// the system runs both threads on one processor (a thread woken while its
// own processor was busy for a moment is run on its waker's), and may leave
// them there for tens of milliseconds while the other processor stands
// idle: every wait then lasts a whole turn of the other thread. A thread
// that waited that long on the processor of the thread it waited for moves
// itself off it.
bool waitFor(std::atomic<std::uint64_t> &value, std::uint64_t wanted, const std::atomic<bool> &stop,
             const std::atomic<int> &holderCpu)
{
    const auto yieldUntil = std::chrono::steady_clock::now() + kYieldFor;
    for (;;) {
        const std::uint64_t seen = value.load();
        if (seen == wanted) {
            if (std::chrono::steady_clock::now() >= yieldUntil) {
                const int cpu = currentCpu();
                if (cpu >= 0 && cpu == holderCpu.load(std::memory_order_relaxed))
                    moveOffCpu(cpu);
            }
            return true;
        }
        if (stop.load())
            return false;
        if (std::chrono::steady_clock::now() < yieldUntil)
            std::this_thread::yield();
        else
            value.wait(seen);
    }
}

} // namespace

ParallelLineReader::ParallelLineReader(int fd, std::size_t blockSize, const LineClassifier *classifier,
                                       unsigned threads)
    : fd_(fd), blockSize_(blockSize < 2 * kMaxPiece ? 2 * kMaxPiece : blockSize), piecesKept_(blockSize_ / 32),
      classifier_(classifier), threads_(threads == 0 ? 1 : threads), slots_(2 * threads_)
{
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    origin_ = at > 0 ? static_cast<std::uint64_t>(at) : 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot &slot = slots_[i];
        slot.storage.reset(new char[kCarry + blockSize_]);
        slot.data = slot.storage.get() + kCarry;
        slot.pieces.reset(new Piece[piecesKept_]);
        slot.freeFor.store(i);
    }
}

bool ParallelLineReader::run(LineSink &sink)
{
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads_; ++i) {
        try {
            helpers.emplace_back(&ParallelLineReader::guardedWork, this, std::ref(sink));
        } catch (const std::system_error &) {
            break; // fewer threads do the same work
        }
    }
    guardedWork(sink);
    for (std::thread &t : helpers)
        t.join();
    if (failure_)
        std::rethrow_exception(failure_);
    return !stopped_;
}

// An exception from the sink (no memory for a new record, say) stops every
// thread; run() throws it again once all have ended.
void ParallelLineReader::guardedWork(LineSink &sink)
{
    try {
        work(sink);
    } catch (...) {
        {
            const std::lock_guard<std::mutex> lock(failureMutex_);
            if (!failure_)
                failure_ = std::current_exception();
        }
        stopAll();
    }
}

// Wakes every thread that waits, for it to see the stop.
void ParallelLineReader::stopAll()
{
    stop_.store(true);
    // A waiter wakes only for a changed value.
    turn_.store(kNone);
    turn_.notify_all();
    for (Slot &slot : slots_) {
        slot.freeFor.store(kNone);
        slot.freeFor.notify_all();
    }
}

// A reading thread: takes block numbers in turn until the input ends; reads,
// splits and classifies each block, then hands its pieces over when the
// blocks before it are done.
void ParallelLineReader::work(LineSink &sink)
{
    while (!stop_.load()) {
        const std::uint64_t number = nextNumber_.fetch_add(1);
        if (number > lastNumber_.load())
            return;
        Slot &slot = slots_[number % slots_.size()];
        if (!waitFor(slot.freeFor, number, stop_, turnCpu_))
            return;
        fill(slot, number);
        if (slot.used < blockSize_) {
            std::uint64_t last = lastNumber_.load();
            while (number < last && !lastNumber_.compare_exchange_weak(last, number)) {
            }
        }
        if (!waitFor(turn_, number, stop_, turnCpu_))
            return;
        turnCpu_.store(currentCpu(), std::memory_order_relaxed);
        pass(slot, number, sink);
        if (stop_.load())
            return;
        turn_.store(number + 1);
        turn_.notify_all();
    }
}

// Reads block `number` and splits and classifies the lines that lie wholly
// inside it: those after its first newline, up to its last.
void ParallelLineReader::fill(Slot &slot, std::uint64_t number)
{
    slot.error = 0;
    const std::uint64_t offset = origin_ + number * blockSize_;
    slot.used = readUpTo(fd_, slot.data, blockSize_, static_cast<std::int64_t>(offset), slot.error);
    const char *data = slot.data;
    const std::size_t used = slot.used;
    slot.count = 0;
    const void *first = std::memchr(data, '\n', used);
    if (first == nullptr) {
        slot.headEnd = slot.bodyEnd = used;
        return;
    }
    slot.headEnd = static_cast<std::size_t>(static_cast<const char *>(first) - data) + 1;
    const void *last = ::memrchr(data + slot.headEnd - 1, '\n', used - slot.headEnd + 1);
    slot.bodyEnd = static_cast<std::size_t>(static_cast<const char *>(last) - data) + 1;

    Piece *pieces = slot.pieces.get();
    std::size_t count = 0;
    auto take = [&](std::size_t at, std::size_t len) {
        pieces[count++].record(data + at, len, classifier_);
        return count < piecesKept_;
    };
    std::size_t p = piecesplit::takeNewlinePieces(data, slot.headEnd, slot.bodyEnd, take);
    while (p < slot.bodyEnd && count < piecesKept_) {
        const std::size_t len = piecesplit::pieceLength(data + p, slot.bodyEnd - p, true);
        take(p, len);
        p += len;
    }
    slot.count = count;
}

// Hands over the pieces of [p, end) that the rule cuts there, unclassified;
// returns where the bytes that make no whole piece yet start (`end` when
// `whole`), or nullptr once the sink said stop.
const char *ParallelLineReader::passSplit(const char *p, const char *end, bool whole, LineSink &sink)
{
    while (p < end) {
        const std::size_t len = piecesplit::pieceLength(p, static_cast<std::size_t>(end - p), whole);
        if (len == 0)
            break;
        LineText line;
        line.set(p, len);
        if (!sink.take(line, nullptr))
            return nullptr;
        p += len;
    }
    return p;
}

// The turn of block `number`: its pieces in order, the unsplit end of the
// block before in front of the first.
void ParallelLineReader::pass(Slot &slot, std::uint64_t number, LineSink &sink)
{
    char *data = slot.data;
    if (carryLen_ != 0)
        std::memcpy(data - carryLen_, carry_, carryLen_);
    if (previous_ != nullptr) {
        previous_->freeFor.store(number - 1 + slots_.size());
        previous_->freeFor.notify_all();
    }
    previous_ = &slot;
    const bool last = slot.used < blockSize_;
    bytesRead_ += slot.used;
    if (observer_ != nullptr)
        observer_->blockRead(bytesRead_);

    const char *end = data + slot.used;
    const char *p = passSplit(data - carryLen_, data + slot.headEnd, last, sink);
    if (p != nullptr && p == data + slot.headEnd) {
        const Piece *pieces = slot.pieces.get();
        for (std::size_t i = 0; i < slot.count; ++i) {
            LineText line;
            line.set(p, pieces[i].length);
            if (!sink.take(line, classifier_ != nullptr ? &pieces[i].facts : nullptr)) {
                p = nullptr;
                break;
            }
            p += pieces[i].length;
        }
        if (p != nullptr)
            p = passSplit(p, data + slot.bodyEnd, true, sink);
        if (p != nullptr)
            p = passSplit(p, end, last, sink);
    }
    if (p == nullptr) {
        stopped_ = true;
        stopAll();
        return;
    }
    // Without a newline in the block, the head runs to its end.
    carry_ = p;
    carryLen_ = static_cast<std::size_t>(end - p);
    if (last) {
        readErrno_ = slot.error;
        stopAll();
    }
}
