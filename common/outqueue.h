// Output blocks written to a file by another thread: the thread that fills
// them submits each full block and takes an empty one; the writing thread
// calls writeOne() whenever it has time. The blocks cycle through a fixed
// ring, so the memory in use is bounded.
#pragma once

#include <atomic>
#include <cstddef>

#include "blockpipe.h"

class OutQueue {
public:
    OutQueue(int fd, std::size_t count, std::size_t capacity) : fd_(fd), pipe_(count, capacity) {}

    // Filling side.
    BlockPipe::Block *take() { return pipe_.takeEmpty(); }
    void submit(BlockPipe::Block *block) { pipe_.putFull(block); }
    // Waits until every submitted block is written (or dropped after a
    // failure); the caller holds no block.
    void drain();
    // The first failed write's error number, or 0.
    int error() const { return error_.load(std::memory_order_acquire); }

    // Writing side: writes the oldest submitted block; false when none waits.
    bool writeOne();

    void setWake(std::atomic<std::uint32_t> *wake) { pipe_.setWake(wake); }

private:
    int fd_;
    BlockPipe pipe_;
    std::atomic<int> error_{0};
};
