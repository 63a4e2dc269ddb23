// A fixed set of buffers passed between two threads: one fills blocks (the
// producer), the other takes them in the same order and hands them back
// (the consumer). The blocks cycle, so the memory in use is bounded whatever
// the amount of data that flows through.
//
// Reading ahead on a second thread lets the system's copy of the input run
// beside the line processing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class BlockPipe {
public:
    struct Block {
        char *data = nullptr;  // `capacity` bytes
        std::size_t used = 0;  // bytes the producer filled in
        std::size_t index = 0; // 0 to count-1, for records kept beside the blocks
    };

    BlockPipe(std::size_t count, std::size_t capacity);
    BlockPipe(const BlockPipe &) = delete;
    BlockPipe &operator=(const BlockPipe &) = delete;

    // Producer side. takeEmpty() waits for a free block. close() says no
    // more blocks will come.
    Block *takeEmpty();
    // An empty block if one is there, else nullptr; never waits.
    Block *tryTakeEmpty();
    void putFull(Block *block);
    void close();

    // Consumer side. takeFull() waits for the next filled block; nullptr
    // once the producer has closed and every block has been taken.
    Block *takeFull();
    // The next filled block if one is there, else nullptr; never waits.
    Block *tryTakeFull();
    void putEmpty(Block *block);

    // Filled blocks not yet taken.
    std::size_t fullWaiting();

    // Waits until every block is back among the empty ones.
    void waitAllEmpty();

    // A counter bumped (and its waiters woken) on every block put and on
    // close(), for a thread that waits on several pipes at once.
    void setWake(std::atomic<std::uint32_t> *wake) { wake_ = wake; }

private:
    void bump()
    {
        if (wake_ != nullptr) {
            wake_->fetch_add(1);
            wake_->notify_all();
        }
    }

    // With the lock held; nullptr when there is none.
    Block *popEmpty();
    Block *popFull();

    std::unique_ptr<char[]> storage_;
    std::vector<Block> blocks_;
    std::vector<Block *> empty_; // a stack: the most recently used block first
    std::vector<Block *> full_;  // a ring, in the order filled
    std::size_t fullHead_ = 0;
    std::size_t fullCount_ = 0;
    bool closed_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<std::uint32_t> *wake_ = nullptr;
};
