// Storage for one message while it is read: its bytes (for the capture to a
// file), the offsets of its notable bytes and of its search hits. All grow
// in chunks, so storing a byte never costs an allocation of its own, and all
// are released at the message's report.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "settings.h"

// Bytes appended in chunks of 4096. Memory is bounded: beyond kMemoryChunks
// chunks, the full chunks go to an unnamed temporary file, so that a very
// large message (or a malformed trace whose duplicate-lines notices multiply
// a message) costs disk space instead of memory. The bound holds for all
// stores together, too: while they hold kSharedChunks or more in memory
// (many threads, each with a large message open), a store spills as soon as
// it has kSpillChunks full ones. Where no temporary file can be had, or it
// stops taking chunks, they stay in memory instead; so they do while the
// stores hold spillFileLimit() files open.
class ChunkedBytes {
public:
    static constexpr std::size_t kChunk = 4096;
    static constexpr std::size_t kMemoryChunks = 1024; // 4 MiB
    static constexpr std::size_t kSharedChunks = 1024; // 4 MiB
    static constexpr std::size_t kSpillChunks = 8;     // 32 KiB

    // Chunks that all stores hold in memory.
    static std::size_t chunksInMemory() { return inMemory_.load(std::memory_order_relaxed); }
    // Temporary files that all stores hold open, and how many they may.
    static std::size_t spillFiles() { return spillFiles_.load(std::memory_order_relaxed); }
    static std::size_t spillFileLimit();
    // The folder of the temporary files: /tmp, whatever the environment says
    // (the tools take no setting from it). Tests point it elsewhere.
    static const char *spillFolder() { return spillFolder_; }
    static void setSpillFolder(const char *folder) { spillFolder_ = folder; }

    ChunkedBytes() = default;
    ChunkedBytes(const ChunkedBytes &) = delete;
    ChunkedBytes &operator=(const ChunkedBytes &) = delete;
    ~ChunkedBytes();

    // Throws std::bad_alloc when memory runs out.
    void push(unsigned char b)
    {
        if (used_ == kChunk || chunks_.empty())
            newChunk();
        chunks_.back()[used_++] = b;
        ++size_;
    }

    void append(const unsigned char *bytes, std::size_t n)
    {
        while (n > 0) {
            if (used_ == kChunk || chunks_.empty())
                newChunk();
            const std::size_t take = n < kChunk - used_ ? n : kChunk - used_;
            std::memcpy(chunks_.back().get() + used_, bytes, take);
            used_ += take;
            size_ += take;
            bytes += take;
            n -= take;
        }
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear();

    // Calls f(data, length) for each chunk, in order; false when the
    // temporary file could not be read back.
    template <class F>
    bool forEachChunk(F &&f) const
    {
        unsigned char buffer[kChunk];
        for (std::size_t i = 0; i < spilled_; ++i) {
            if (!readSpilled(i, buffer))
                return false;
            f(static_cast<const unsigned char *>(buffer), kChunk);
        }
        for (std::size_t i = 0; i < chunks_.size(); ++i)
            f(static_cast<const unsigned char *>(chunks_[i].get()), i + 1 == chunks_.size() ? used_ : kChunk);
        return true;
    }

private:
    void newChunk();
    void spill();
    bool readSpilled(std::size_t index, unsigned char *buffer) const;

    std::vector<std::unique_ptr<unsigned char[]>> chunks_;
    std::size_t used_ = 0;    // bytes in the last chunk
    std::size_t size_ = 0;
    int spillFd_ = -1;        // the temporary file, once needed
    std::size_t spilled_ = 0; // full chunks in it
    bool spillFailed_ = false; // the file could not take chunks: they stay in memory
    inline static std::atomic<std::size_t> inMemory_{0};
    inline static std::atomic<std::size_t> spillFiles_{0};
    inline static const char *spillFolder_ = "/tmp";
};

// A list of (tag, offset) entries whose offsets never decrease, kept as
// variable-length deltas: one or two bytes an entry for the dense lists that
// a binary message gives.
class OffsetLog {
public:
    void add(unsigned tag, std::uint64_t offset); // tag < 8
    std::size_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    void clear();

    // Calls f(tag, offset) for each entry, in order.
    template <class F>
    void forEach(F &&f) const
    {
        std::uint64_t offset = 0, value = 0;
        unsigned shift = 0;
        bytes_.forEachChunk([&](const unsigned char *p, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) {
                value |= static_cast<std::uint64_t>(p[i] & 0x7F) << shift;
                if (p[i] & 0x80) {
                    shift += 7;
                    continue;
                }
                offset += value >> 3;
                f(static_cast<unsigned>(value & 7), offset);
                value = 0;
                shift = 0;
            }
        });
    }

private:
    ChunkedBytes bytes_;
    std::uint64_t last_ = 0;
    std::size_t count_ = 0;
};

// The byte string searched for in every message, found by a streaming
// matcher: each message byte advances it, so that a hit may cross dump rows
// and notices. Every leftmost occurrence is found; after a hit the search
// goes on after it (hits do not overlap).
class SearchPattern {
public:
    // "0x" and pairs of hex digits (up to 31, to the first pair that is not
    // two hex digits) give those bytes; any other text is searched as it is.
    explicit SearchPattern(const char *text);

    std::size_t length() const { return bytes_.size(); }
    unsigned char first() const { return bytes_.empty() ? 0 : bytes_[0]; }

    // Advances the match state over one byte; true when a hit ends at it.
    bool step(int &state, unsigned char b) const
    {
        if (bytes_.empty())
            return false;
        while (state > 0 && bytes_[static_cast<std::size_t>(state)] != b)
            state = fail_[static_cast<std::size_t>(state - 1)];
        if (bytes_[static_cast<std::size_t>(state)] == b)
            ++state;
        if (static_cast<std::size_t>(state) == bytes_.size()) {
            state = 0;
            return true;
        }
        return false;
    }

private:
    std::vector<unsigned char> bytes_;
    std::vector<int> fail_; // longest proper border of each prefix
};

// Writes the bytes to the file `name` in the current folder (created or
// truncated). A name that denotes the run's own input or output file is
// refused before anything is written to it.
enum class FileWrite { Ok, OpenFailed, WriteFailed };
FileWrite writeMessageFile(const char *name, const ChunkedBytes &bytes, const FileId &input, const FileId &output);
