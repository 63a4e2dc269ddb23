#include "outqueue.h"

#include <vector>

#include "outwriter.h"

void OutQueue::drain()
{
    std::vector<BlockPipe::Block *> all;
    all.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i)
        all.push_back(pipe_.takeEmpty());
    for (BlockPipe::Block *b : all)
        pipe_.putEmpty(b);
}

bool OutQueue::writeOne()
{
    BlockPipe::Block *block = pipe_.tryTakeFull();
    if (block == nullptr)
        return false;
    if (error_.load(std::memory_order_relaxed) == 0) {
        const int e = writeFully(fd_, block->data, block->used);
        if (e != 0)
            error_.store(e, std::memory_order_release);
    }
    waiting_.fetch_sub(1, std::memory_order_relaxed);
    pipe_.putEmpty(block);
    return true;
}
