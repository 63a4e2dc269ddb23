#include "linereader.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

LineReader::LineReader(int fd, std::size_t bufferSize)
    : fd_(fd), capacity_(bufferSize < 2 * kMaxPiece ? 2 * kMaxPiece : bufferSize),
      buf_(new char[capacity_])
{
}

void LineReader::refill()
{
    if (pos_ > 0) {
        std::memmove(buf_.get(), buf_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    while (!eof_ && end_ < capacity_) {
        ssize_t got = ::read(fd_, buf_.get() + end_, capacity_ - end_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            bytesRead_ += static_cast<std::uint64_t>(got);
        } else if (got == 0) {
            eof_ = true;
        } else if (errno != EINTR) {
            readErrno_ = errno;
            eof_ = true;
        }
    }
    if (observer_ != nullptr)
        observer_->blockRead(bytesRead_);
}
