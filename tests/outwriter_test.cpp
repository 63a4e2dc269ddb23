#include <climits>
#include <functional>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>
#include <sys/mman.h>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "linereader.h"
#include "memfile.h"
#include "outqueue.h"
#include "outwriter.h"

namespace {

std::string written(const std::function<void(OutWriter &)> &emit, std::size_t bufferSize = 8192)
{
    int fd = testfiles::memoryFile("");
    {
        OutWriter out(fd, bufferSize);
        emit(out);
    }
    std::string text = testfiles::readAll(fd);
    ::close(fd);
    return text;
}

std::string reference(const char *format, const char *a, const char *b, int d)
{
    char buf[1024];
    std::snprintf(buf, sizeof buf, format, a, b, d);
    return buf;
}

// The direct path for %s, %.<n>s, %d and %% must write what vsnprintf writes.
TEST(OutWriterFormatting, DirectConversionsMatchTheCLibrary)
{
    static const char *const formats[] = {
        "%s Version (MQLONG)            : %.0s%d\n",
        "%s                               x'%.8s'%d\n",
        "%.3s%.16s %d%%\n",
        "plain text without conversions %s%s%d",
        "%s%s%d",
        "%.12s|%.1s|%d|%%d\n",
    };
    std::mt19937 rng(3);
    const int ints[] = {0, 1, -1, 42, -2147483647 - 1, INT_MAX, 546, -86399};
    for (const char *format : formats) {
        for (int round = 0; round < 50; ++round) {
            std::string a(rng() % 20, 'a'), b(rng() % 40, 'b');
            for (auto &c : a)
                c = static_cast<char>(' ' + rng() % 95);
            int d = round < 8 ? ints[round] : static_cast<int>(rng());
            std::string got = written([&](OutWriter &out) { out.print(format, a.c_str(), b.c_str(), d); });
            EXPECT_EQ(got, reference(format, a.c_str(), b.c_str(), d)) << format;
        }
    }
}

// The direct path for the 64-bit decimals and the hex offsets too.
TEST(OutWriterFormatting, LongAndHexConversionsMatchTheCLibrary)
{
    std::mt19937_64 rng(5);
    const long long edges[] = {0, -1, LLONG_MIN, LLONG_MAX, 15, 16, 4294967296LL};
    for (int round = 0; round < 200; ++round) {
        const long long v = round < 7 ? edges[round] : static_cast<long long>(rng() >> (rng() % 64));
        const unsigned u = static_cast<unsigned>(v);
        char want[160];
        std::snprintf(want, sizeof want, "Line:%lld %llx-MB2,%x|%d\n", v, static_cast<unsigned long long>(v), u,
                      static_cast<int>(u));
        EXPECT_EQ(written([&](OutWriter &out) {
                      out.print("Line:%lld %llx-MB2,%x|%d\n", v, static_cast<unsigned long long>(v), u, static_cast<int>(u));
                  }),
                  want);
    }
}

TEST(OutWriterFormatting, OtherConversionsAndLongLinesStillWork)
{
    EXPECT_EQ(written([](OutWriter &out) { out.print("%012f|%lld|%08X\n", -0.5, 1LL << 40, 0xFFFFFFE0u); }),
              "-0000.500000|1099511627776|FFFFFFE0\n");
    std::string longLine = written([](OutWriter &out) {
        std::string big(20000, 'x');
        out.print("%s%d\n", big.c_str(), 7);
        out.print("%s|%d\n", big.c_str(), 8);
    }, 8192);
    EXPECT_EQ(longLine, std::string(20000, 'x') + "7\n" + std::string(20000, 'x') + "|8\n");
}

// Writes of every size, through blocks much smaller than the whole, with
// flushes in between: the file holds exactly the bytes in order.
TEST(OutWriterBlocks, EveryByteArrivesInOrder)
{
    std::mt19937 rng(11);
    std::string expected;
    std::string got = written([&](OutWriter &out) {
        for (int i = 0; i < 3000; ++i) {
            const std::size_t n = i % 97 == 0 ? 20000 + rng() % 5000 : rng() % 300;
            std::string piece(n, '\0');
            for (auto &c : piece)
                c = static_cast<char>(rng());
            out.write(piece.data(), piece.size());
            expected += piece;
            if (i % 500 == 499) {
                EXPECT_TRUE(out.flush());
            }
        }
    }, 8192);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
}

TEST(OutWriterErrors, AFullDeviceIsReported)
{
    int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    OutWriter out(fd, 8192);
    out.print("%s\n", "hello");
    EXPECT_FALSE(out.flush());
    EXPECT_TRUE(out.failed());
    EXPECT_EQ(out.error(), ENOSPC);
    ::close(fd);
}

// A failure shows while writing goes on, not only at the end, so that the
// tools stop early, whether the writer writes its blocks itself or a reading
// thread writes them from a queue; what follows is dropped.
TEST(OutWriterErrors, AFailureShowsBeforeTheFlush)
{
    const int in = testfiles::memoryFile(std::string(1u << 20, '\n'));
    const int fd = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    for (const bool queued : {false, true}) {
        OutWriter out(fd, 8192);
        OutQueue queue(fd, 4, out.capacity());
        LineReader reader(in, 65536, true, nullptr, queued ? &queue : nullptr);
        const OutWriter::Attachment attached(out, queued ? &queue : nullptr);
        const std::string line(100, 'x');
        for (int i = 0; i < 100000 && !out.failed(); ++i)
            out.write(line.data(), line.size());
        EXPECT_TRUE(out.failed()) << "queued " << queued;
        EXPECT_EQ(out.error(), ENOSPC) << "queued " << queued;
        EXPECT_FALSE(out.flush()) << "queued " << queued;
    } // each reading thread has ended before the files close
    ::close(fd);
    ::close(in);
}

} // namespace

namespace {

TEST(OutWriterFormatting, FormatsBeyondTheDirectPathFallBack)
{
    std::string text = written([](OutWriter &out) {
        for (int i = 0; i < 3; ++i) {
            out.print("%s%s%s%s%s%s%s%s%s%s%s|\n", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k");
            out.print("%5s|%-3d|%c\n", "ab", 7, 'z');
            out.print("%.2s%d\n", "xyz", i);
        }
    });
    EXPECT_EQ(text, "abcdefghijk|\n   ab|7  |z\nxy0\nabcdefghijk|\n   ab|7  |z\nxy1\nabcdefghijk|\n   ab|7  |z\nxy2\n");
}

// The compiled formats are kept per thread and shared by its writers: writers
// made one after another, and writers on several threads at once, each write
// exactly their own text.
TEST(OutWriterFormatting, WritersOnSeveralThreadsAtOnceEachWriteTheirOwnText)
{
    auto emit = [](int seed) {
        return written([seed](OutWriter &out) {
            for (int i = 0; i < 2000; ++i) {
                out.print("%s Version (MQLONG)            : %d\n", "thread", seed + i);
                out.print("%.3s%llx|%d%%\n", "abcdef", 255ull * static_cast<unsigned long long>(seed + i), -i);
            }
        });
    };
    auto expected = [](int seed) {
        std::string text;
        char buf[128];
        for (int i = 0; i < 2000; ++i) {
            std::snprintf(buf, sizeof buf, "thread Version (MQLONG)            : %d\n", seed + i);
            text += buf;
            std::snprintf(buf, sizeof buf, "abc%llx|%d%%\n", 255ull * static_cast<unsigned long long>(seed + i), -i);
            text += buf;
        }
        return text;
    };
    EXPECT_EQ(emit(1), expected(1));
    EXPECT_EQ(emit(2), expected(2));
    std::string texts[4];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&texts, &emit, t] { texts[t] = emit(1000 * t); });
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(texts[t], expected(1000 * t)) << "thread " << t;
}

} // namespace
