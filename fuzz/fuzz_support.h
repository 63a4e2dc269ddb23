// Shared by the fuzz targets: the in-memory files a run reads and writes, the
// settings header at the front of every input, and the checks made on the
// output of each run.
//
// An input is a header of a few bytes that chooses the run settings, then
// the trace. The header layouts are given with each target; the seed corpus
// (make_corpus.sh) writes them from the golden cases' command lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fileid.h"
#include "preserved.h"

namespace fuzzsupport {

using testsupport::firstLostPiece;

// The process ids of the sample traces and golden cases come first, so that
// their seeds keep their threads; the others give every key length.
inline constexpr const char *kProcessIds[16] = {
    "3853", "5120", "27311",  "4711",       "5150",           "27012",           "21764", "440",
    "9999", "1",    "2244",   "7308",       "123456",         "1234567890",      "123456789012345",
    "1234567890123456"};

[[noreturn]] inline void fail(const char *what, std::string_view detail = {})
{
    std::fprintf(stderr, "\nFUZZ CHECK FAILED: %s\n%.*s\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

// An in-memory file, emptied and refilled for every input.
class MemFile {
public:
    explicit MemFile(const char *name) : fd_(::memfd_create(name, MFD_CLOEXEC))
    {
        if (fd_ < 0)
            fail("memfd_create");
    }

    int fd() const { return fd_; }

    // Replaces the content and rewinds.
    void reset(const std::uint8_t *data = nullptr, std::size_t size = 0)
    {
        if (::ftruncate(fd_, 0) != 0)
            fail("ftruncate");
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                fail("pwrite");
            done += static_cast<std::size_t>(n);
        }
        ::lseek(fd_, 0, SEEK_SET);
    }

    // The content mapped read-only, without a copy: the outputs of some
    // inputs run to megabytes. Valid while the file is not changed.
    class Mapped {
    public:
        explicit Mapped(int fd)
        {
            struct stat st {};
            if (::fstat(fd, &st) != 0)
                fail("fstat");
            size_ = static_cast<std::size_t>(st.st_size);
            if (size_ == 0)
                return;
            void *at = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd, 0);
            if (at == MAP_FAILED)
                fail("mmap");
            data_ = static_cast<const char *>(at);
        }
        ~Mapped()
        {
            if (data_ != nullptr)
                ::munmap(const_cast<char *>(data_), size_);
        }
        Mapped(const Mapped &) = delete;
        Mapped &operator=(const Mapped &) = delete;
        std::string_view text() const { return {data_ == nullptr ? "" : data_, size_}; }

    private:
        const char *data_ = nullptr;
        std::size_t size_ = 0;
    };
    Mapped map() const { return Mapped(fd_); }

    // The file's identity, as the formatter's own-file guard wants it.
    FileId identity() const { return fileIdOf(fd_); }

private:
    int fd_;
};

} // namespace fuzzsupport
