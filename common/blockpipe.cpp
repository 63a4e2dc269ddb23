#include "blockpipe.h"

BlockPipe::BlockPipe(std::size_t count, std::size_t capacity)
    : storage_(new char[count * capacity]), blocks_(count), full_(count, nullptr)
{
    empty_.reserve(count);
    for (std::size_t i = count; i-- > 0;) {
        blocks_[i].data = storage_.get() + i * capacity;
        blocks_[i].index = i;
        empty_.push_back(&blocks_[i]);
    }
}

BlockPipe::Block *BlockPipe::takeEmpty()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !empty_.empty(); });
    return popEmpty();
}

BlockPipe::Block *BlockPipe::popEmpty()
{
    if (empty_.empty())
        return nullptr;
    Block *block = empty_.back();
    empty_.pop_back();
    block->used = 0;
    return block;
}

void BlockPipe::putFull(Block *block)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        full_[(fullHead_ + fullCount_) % full_.size()] = block;
        ++fullCount_;
    }
    changed_.notify_all();
    bump();
}

void BlockPipe::close()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
    bump();
}

BlockPipe::Block *BlockPipe::popFull()
{
    if (fullCount_ == 0)
        return nullptr;
    Block *block = full_[fullHead_];
    fullHead_ = (fullHead_ + 1) % full_.size();
    --fullCount_;
    return block;
}

BlockPipe::Block *BlockPipe::takeFull()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return closed_ || fullCount_ > 0; });
    return popFull();
}

BlockPipe::Block *BlockPipe::tryTakeEmpty()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return popEmpty();
}

BlockPipe::Block *BlockPipe::tryTakeFull()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return popFull();
}

void BlockPipe::putEmpty(Block *block)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        empty_.push_back(block);
    }
    changed_.notify_all();
    bump();
}

std::size_t BlockPipe::fullWaiting()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return fullCount_;
}

void BlockPipe::waitAllEmpty()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return empty_.size() == blocks_.size(); });
}
