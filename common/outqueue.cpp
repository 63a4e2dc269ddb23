#include "outqueue.h"

#include "outwriter.h"

void OutQueue::drain() { pipe_.waitAllEmpty(); }

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
    pipe_.putEmpty(block);
    return true;
}
