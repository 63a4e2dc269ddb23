// The message stores: bytes kept in order across memory and the spill file,
// offsets kept as deltas, and the search's leftmost non-overlapping hits.

#include <cstdlib>
#include <fcntl.h>
#include <algorithm>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "msgstore.h"

namespace {

std::vector<std::size_t> hits(const char *pattern, const std::string &message)
{
    SearchPattern search(pattern);
    std::vector<std::size_t> found;
    int state = 0;
    for (std::size_t i = 0; i < message.size(); ++i)
        if (search.step(state, static_cast<unsigned char>(message[i])))
            found.push_back(i + 1 - search.length());
    return found;
}

TEST(MessageSearch, EveryLeftmostNonOverlappingOccurrence)
{
    EXPECT_EQ(hits("aab", "aaab"), (std::vector<std::size_t>{1})) << "a failed partial match is retried";
    EXPECT_EQ(hits("fox", "ffox"), (std::vector<std::size_t>{1}));
    EXPECT_EQ(hits("aa", "aaaa"), (std::vector<std::size_t>{0, 2})) << "hits do not overlap";
    EXPECT_EQ(hits("abab", "abababab"), (std::vector<std::size_t>{0, 4}));
    EXPECT_EQ(hits("0x4546", "xEFxFE"), (std::vector<std::size_t>{1}));
    EXPECT_EQ(hits("0x4100", std::string("A\0A\0", 4)), (std::vector<std::size_t>{0, 2})) << "00 is a byte";
    EXPECT_EQ(hits("0X41", "0X41A"), (std::vector<std::size_t>{0})) << "upper-case X: plain text";
    EXPECT_TRUE(hits("0x", "0x").empty()) << "no hex pair: nothing is searched";
    EXPECT_EQ(SearchPattern("0x41zz42").length(), 1u) << "pairs up to the first that is not hex";
    EXPECT_EQ(SearchPattern(("0x" + std::string(80, '4')).c_str()).length(), 31u);
}

// True when the store gives back exactly `n` bytes, the one at offset i
// being byteAt(i).
bool givesBack(const ChunkedBytes &bytes, std::size_t n, auto byteAt)
{
    std::size_t seen = 0;
    bool same = true;
    const bool read = bytes.forEachChunk([&](const unsigned char *p, std::size_t len) {
        for (std::size_t k = 0; k < len; ++k, ++seen)
            same = same && p[k] == byteAt(seen);
    });
    return read && same && seen == n;
}

TEST(MessageStore, BytesComeBackInOrderAcrossTheSpillFile)
{
    ChunkedBytes bytes;
    const std::size_t n = ChunkedBytes::kChunk * ChunkedBytes::kMemoryChunks * 2 + 1234;
    auto byteAt = [](std::size_t i) { return static_cast<unsigned char>(i * 7 + i / 4096); };
    for (std::size_t i = 0; i < n; ++i)
        bytes.push(byteAt(i));
    EXPECT_TRUE(givesBack(bytes, n, byteAt));
    bytes.clear();
    EXPECT_TRUE(bytes.empty());
}

// Many stores filled at once (threads with large messages open) hold no more
// in memory together than the shared budget and a few chunks each, and each
// gives its bytes back whole and in order.
TEST(MessageStore, StoresShareOneMemoryBudget)
{
    constexpr std::size_t kStores = 40, kBytes = 1 << 20;
    std::vector<std::unique_ptr<ChunkedBytes>> stores;
    for (std::size_t s = 0; s < kStores; ++s)
        stores.push_back(std::make_unique<ChunkedBytes>());
    auto byteOf = [](std::size_t s) {
        return [s](std::size_t i) { return static_cast<unsigned char>((i + s) % 253); };
    };
    const std::size_t before = ChunkedBytes::chunksInMemory();
    std::size_t most = 0;
    for (std::size_t i = 0; i < kBytes; ++i) {
        for (std::size_t s = 0; s < kStores; ++s)
            stores[s]->push(byteOf(s)(i));
        most = std::max(most, ChunkedBytes::chunksInMemory() - before);
    }
    EXPECT_LE(most, ChunkedBytes::kSharedChunks + kStores * (ChunkedBytes::kSpillChunks + 1));
    for (std::size_t s = 0; s < kStores; s += 13)
        EXPECT_TRUE(givesBack(*stores[s], kBytes, byteOf(s))) << "store " << s;
    stores.clear();
    EXPECT_EQ(ChunkedBytes::chunksInMemory(), before);
}

// Each spill file is a descriptor: however many stores spill at once, no
// more than the limit are open, and every store keeps its bytes whole.
TEST(MessageStore, SpillFilesStayWithinTheirLimit)
{
    const std::size_t count = ChunkedBytes::spillFileLimit() + 40;
    const std::size_t bytesEach = ChunkedBytes::kChunk * (ChunkedBytes::kSpillChunks + 2) +
                                  ChunkedBytes::kChunk * ChunkedBytes::kSharedChunks / count + 77;
    std::vector<std::unique_ptr<ChunkedBytes>> stores;
    for (std::size_t s = 0; s < count; ++s)
        stores.push_back(std::make_unique<ChunkedBytes>());
    auto byteOf = [](std::size_t s) {
        return [s](std::size_t i) { return static_cast<unsigned char>((i * 3 + s) % 251); };
    };
    std::size_t most = 0;
    for (std::size_t i = 0; i < bytesEach; ++i) {
        for (std::size_t s = 0; s < count; ++s)
            stores[s]->push(byteOf(s)(i));
        most = std::max(most, ChunkedBytes::spillFiles());
    }
    EXPECT_EQ(most, ChunkedBytes::spillFileLimit());
    std::size_t whole = 0;
    for (std::size_t s = 0; s < count; ++s)
        whole += givesBack(*stores[s], bytesEach, byteOf(s));
    EXPECT_EQ(whole, count);
    stores.clear();
    EXPECT_EQ(ChunkedBytes::spillFiles(), 0u);
}

// Without a usable temporary folder the bytes stay in memory, whole and in
// order, instead of ending the run.
TEST(MessageStore, BytesStayInMemoryWhenNoTemporaryFileCanBeHad)
{
    const char *saved = ChunkedBytes::spillFolder();
    ChunkedBytes::setSpillFolder("/nonexistent/folder");
    ChunkedBytes bytes;
    const std::size_t n = ChunkedBytes::kChunk * ChunkedBytes::kMemoryChunks * 2 + 99;
    auto byteAt = [](std::size_t i) { return static_cast<unsigned char>(i % 251); };
    for (std::size_t i = 0; i < n; ++i)
        bytes.push(byteAt(i));
    EXPECT_TRUE(givesBack(bytes, n, byteAt));
    ChunkedBytes::setSpillFolder(saved);
}

// The file name comes from the trace: a named pipe of that name without a
// reader must not block the run; with one, it gets the bytes.
TEST(MessageFile, ANamedPipeWithoutAReaderFailsToOpenAtOnce)
{
    char dir[] = "/tmp/msgfileXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string pipe = std::string(dir) + "/capture";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ChunkedBytes bytes;
    bytes.append(reinterpret_cast<const unsigned char *>("data"), 4);
    EXPECT_EQ(writeMessageFile(pipe.c_str(), bytes, FileId{}, FileId{}), FileWrite::OpenFailed);

    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(writeMessageFile(pipe.c_str(), bytes, FileId{}, FileId{}), FileWrite::Ok);
    char got[8] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 4);
    EXPECT_STREQ(got, "data");
    ::close(reader);
    ::unlink(pipe.c_str());
    ::rmdir(dir);
}

TEST(MessageStore, OffsetLogKeepsTagsAndLargeOffsets)
{
    OffsetLog log;
    const std::uint64_t offsets[] = {0, 0, 1, 127, 128, 300000, 5000000000ull};
    for (unsigned i = 0; i < 7; ++i)
        log.add(i % 5, offsets[i]);
    std::vector<std::pair<unsigned, std::uint64_t>> back;
    log.forEach([&](unsigned tag, std::uint64_t off) { back.emplace_back(tag, off); });
    ASSERT_EQ(back.size(), 7u);
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_EQ(back[i], std::make_pair(i % 5, offsets[i]));
}

} // namespace
