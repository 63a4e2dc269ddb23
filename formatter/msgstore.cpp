#include "msgstore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "outwriter.h"

ChunkedBytes::~ChunkedBytes() { clear(); }

void ChunkedBytes::clear()
{
    inMemory_.fetch_sub(chunks_.size(), std::memory_order_relaxed);
    chunks_.clear();
    chunks_.shrink_to_fit();
    used_ = 0;
    size_ = 0;
    if (spillFd_ >= 0) {
        ::close(spillFd_);
        spillFiles_.fetch_sub(1, std::memory_order_relaxed);
    }
    spillFd_ = -1;
    spilled_ = 0;
    spillFailed_ = false;
}

namespace {

// An unnamed file for spilled chunks, in the temporary folder.
int openSpillFile()
{
    const char *dir = ChunkedBytes::spillFolder();
    int fd = ::open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    std::string path = std::string(dir) + "/varnel-msgXXXXXX";
    fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(path.c_str());
    return fd;
}

} // namespace

// A quarter of the descriptors the process may have at its start, at most
// 256.
std::size_t ChunkedBytes::spillFileLimit()
{
    static const std::size_t kLimit = [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= 4 * 256)
            return std::size_t{256};
        return static_cast<std::size_t>(limit.rlim_cur / 4);
    }();
    return kLimit;
}

void ChunkedBytes::newChunk()
{
    if (!spillFailed_ && (chunks_.size() >= kMemoryChunks ||
                          (chunks_.size() >= kSpillChunks && chunksInMemory() >= kSharedChunks)))
        spill();
    chunks_.push_back(std::make_unique<unsigned char[]>(kChunk));
    inMemory_.fetch_add(1, std::memory_order_relaxed);
    used_ = 0;
}

// The full chunks in memory go to the temporary file, in order, each at its
// place. When the file cannot be had or stops taking chunks (no temporary
// folder, a full disk), the chunks not moved stay in memory, and so do all
// later ones: the message is kept whole all the same, at the cost of memory.
void ChunkedBytes::spill()
{
    if (spillFd_ < 0) {
        // Every spill file is a descriptor: with many threads, each with a
        // message open, they could leave none for the capture files. Beyond
        // the limit the chunks wait in memory until a file is free.
        if (spillFiles_.load(std::memory_order_relaxed) >= spillFileLimit())
            return;
        spillFd_ = openSpillFile();
        if (spillFd_ >= 0)
            spillFiles_.fetch_add(1, std::memory_order_relaxed);
    }
    // After a failed write the file's end no longer matters: nothing more
    // goes to it, and what is read back is chunk by chunk from its start.
    std::size_t moved = 0;
    while (spillFd_ >= 0 && moved < chunks_.size() &&
           writeFully(spillFd_, reinterpret_cast<const char *>(chunks_[moved].get()), kChunk) == 0)
        ++moved;
    spillFailed_ = moved < chunks_.size();
    spilled_ += moved;
    chunks_.erase(chunks_.begin(), chunks_.begin() + static_cast<std::ptrdiff_t>(moved));
    inMemory_.fetch_sub(moved, std::memory_order_relaxed);
}

bool ChunkedBytes::readSpilled(std::size_t index, unsigned char *buffer) const
{
    std::size_t done = 0;
    const auto at = static_cast<off_t>(index * kChunk);
    while (done < kChunk) {
        const ssize_t r = ::pread(spillFd_, buffer + done, kChunk - done, at + static_cast<off_t>(done));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        done += static_cast<std::size_t>(r);
    }
    return true;
}

void OffsetLog::add(unsigned tag, std::uint64_t offset)
{
    std::uint64_t value = ((offset - last_) << 3) | (tag & 7);
    last_ = offset;
    while (value >= 0x80) {
        bytes_.push(static_cast<unsigned char>(value | 0x80));
        value >>= 7;
    }
    bytes_.push(static_cast<unsigned char>(value));
    ++count_;
}

void OffsetLog::clear()
{
    bytes_.clear();
    last_ = 0;
    count_ = 0;
}

namespace {

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

unsigned hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

} // namespace

SearchPattern::SearchPattern(const char *text)
{
    if (text[0] == '0' && text[1] == 'x') {
        for (const char *p = text + 2; bytes_.size() < 31 && isHex(p[0]) && isHex(p[1]); p += 2)
            bytes_.push_back(static_cast<unsigned char>(hexValue(p[0]) << 4 | hexValue(p[1])));
    } else {
        for (const char *p = text; *p != '\0'; ++p)
            bytes_.push_back(static_cast<unsigned char>(*p));
    }
    fail_.assign(bytes_.size(), 0);
    int k = 0;
    for (std::size_t i = 1; i < bytes_.size(); ++i) {
        while (k > 0 && bytes_[i] != bytes_[static_cast<std::size_t>(k)])
            k = fail_[static_cast<std::size_t>(k - 1)];
        if (bytes_[i] == bytes_[static_cast<std::size_t>(k)])
            ++k;
        fail_[i] = k;
    }
}

FileWrite writeMessageFile(const char *name, const ChunkedBytes &bytes, const FileId &input, const FileId &output)
{
    // Opened without truncation: the file is looked at before anything of
    // it is changed. The name comes from the trace, and a named pipe without
    // a reader would block the open for ever: without waiting it fails
    // instead; the writes wait as usual.
    const int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return FileWrite::OpenFailed;
    const int flags = ::fcntl(fd, F_GETFL);
    const FileId id = fileIdOf(fd);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || !id.known || id.sameAs(input) ||
        id.sameAs(output)) {
        ::close(fd);
        return FileWrite::OpenFailed;
    }
    bool ok = !id.regular || ::ftruncate(fd, 0) == 0;
    ok = bytes.forEachChunk([&](const unsigned char *p, std::size_t n) {
        ok = ok && writeFully(fd, reinterpret_cast<const char *>(p), n) == 0;
    }) && ok;
    if (::close(fd) != 0)
        ok = false;
    return ok ? FileWrite::Ok : FileWrite::WriteFailed;
}
