// The line readers hand out the pieces a 4096-byte line buffer would see,
// whatever the block, read-ahead and thread arrangement, and the record the
// classifier made of each piece it kept.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sched.h>
#endif

#include <gtest/gtest.h>

#include "linereader.h"
#include "memfile.h"
#include "outqueue.h"
#include "outwriter.h"
#include "parallelreader.h"

namespace {

// The pieces by the plain rule: up to the first newline within 4095 bytes,
// else 4095 bytes.
std::vector<std::string> plainPieces(const std::string &text)
{
    std::vector<std::string> pieces;
    std::size_t p = 0;
    while (p < text.size()) {
        const std::size_t limit = std::min<std::size_t>(LineReader::kMaxPiece, text.size() - p);
        const std::size_t nl = text.find('\n', p);
        const std::size_t len = nl != std::string::npos && nl < p + limit ? nl - p + 1 : limit;
        pieces.push_back(text.substr(p, len));
        p += len;
    }
    return pieces;
}

// Records the length and the first byte of each line it sees.
class FirstBytes : public LineClassifier {
public:
    void classify(const LineText &line, LineFacts &facts) const override
    {
        facts.word[0] = static_cast<std::uint32_t>(line.len);
        facts.word[1] = static_cast<unsigned char>(line.data[0]);
    }
};

std::string randomTrace(std::mt19937 &rng)
{
    std::string text;
    const int lines = 2000 + static_cast<int>(rng() % 40000);
    for (int i = 0; i < lines; ++i) {
        const auto kind = rng() % 100;
        // Mostly short lines (more than a block keeps records of), some
        // long ones, some longer than a piece.
        const std::size_t len = kind < 60 ? rng() % 8 : kind < 95 ? rng() % 200 : rng() % 9000;
        for (std::size_t k = 0; k < len; ++k)
            text += static_cast<char>(rng() % 4 == 0 ? '\r' : 'a' + rng() % 26);
        text += '\n';
    }
    if (rng() % 2)
        text.pop_back(); // no final newline
    return text;
}

TEST(LineReader, PiecesAndRecordsWhateverTheBlocksAndTheReadingThread)
{
    std::mt19937 rng(11);
    const FirstBytes classifier;
    for (int round = 0; round < 6; ++round) {
        const std::string text = randomTrace(rng);
        const std::vector<std::string> want = plainPieces(text);
        for (const bool ahead : {false, true}) {
            for (const std::size_t block : {std::size_t{8190}, std::size_t{65536}, std::size_t{1} << 20}) {
                const int fd = testfiles::memoryFile(text);
                LineReader reader(fd, block, ahead, &classifier);
                LineText line;
                const LineFacts *facts = nullptr;
                std::size_t i = 0, recorded = 0;
                bool same = true;
                while (reader.next(line, facts)) {
                    same = same && i < want.size() && std::string(line.data, line.len) == want[i];
                    if (facts != nullptr) {
                        ++recorded;
                        same = same && facts->word[0] == line.len &&
                               facts->word[1] == static_cast<unsigned char>(line.data[0]);
                    }
                    ++i;
                }
                EXPECT_TRUE(same) << "round " << round << " block " << block << " ahead " << ahead;
                EXPECT_EQ(i, want.size());
                EXPECT_GT(recorded, 0u);
                ::close(fd);
            }
        }
    }
}

// Lines far shorter than the 16 bytes a block keeps a record for, among
// runs longer than a piece with no newline: where a block's records run out,
// the unread end it leaves for the next block must start where the plain
// rule would split.
std::string shortLinesAndLongRuns(std::mt19937 &rng, std::size_t size)
{
    std::string text;
    while (text.size() < size) {
        if (rng() % 500 == 0)
            text.append(4000 + rng() % 9000, 'x');
        else
            text.append(rng() % 6, 'a');
        text += '\n';
    }
    return text;
}

TEST(LineReader, PiecesBeyondTheKeptRecords)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 4; ++round) {
        const std::string text = shortLinesAndLongRuns(rng, 3u << 20);
        const std::vector<std::string> want = plainPieces(text);
        for (const std::size_t block : {std::size_t{8190}, std::size_t{65536}, std::size_t{1} << 20}) {
            const int fd = testfiles::memoryFile(text);
            LineReader reader(fd, block, true);
            LineText line;
            const LineFacts *facts = nullptr;
            std::size_t i = 0;
            bool same = true;
            while (reader.next(line, facts)) {
                // Without a classifier there is no record to hand out.
                same = same && facts == nullptr && i < want.size() && std::string(line.data, line.len) == want[i];
                ++i;
            }
            EXPECT_TRUE(same) << "round " << round << " block " << block;
            EXPECT_EQ(i, want.size());
            ::close(fd);
        }
    }
}

// With an output queue, the reading thread also writes what the line
// processing prints: every byte arrives, in order, through a flush in the
// middle, while the thread leaves lines to the line processing whenever
// that has no filled block to take.
TEST(LineReader, TheReadingThreadWritesTheOutputQueue)
{
    std::mt19937 rng(7);
    const FirstBytes classifier;
    for (const std::size_t queued : {std::size_t{2}, std::size_t{8}}) {
        const std::string text = randomTrace(rng) + shortLinesAndLongRuns(rng, 1u << 20);
        const int in = testfiles::memoryFile(text);
        const int outFd = testfiles::memoryFile("");
        std::string expected;
        bool same = true;
        {
            OutWriter out(outFd, 8192);
            OutQueue queue(outFd, queued, out.capacity());
            LineReader reader(in, 65536, true, &classifier, &queue);
            const OutWriter::Attachment attached(out, &queue);
            LineText line;
            const LineFacts *facts = nullptr;
            for (int n = 0; reader.next(line, facts); ++n) {
                if (facts != nullptr)
                    same = same && facts->word[0] == line.len;
                out.write(line.data, line.len);
                // A line is not terminated: its first bytes are printed from
                // a terminated copy.
                char head[4] = {};
                std::memcpy(head, line.data, line.len < 3 ? line.len : 3);
                out.print("%d:%.3s|", n, head);
                expected.append(line.data, line.len);
                char added[64];
                std::snprintf(added, sizeof added, "%d:%.3s|", n, head);
                expected += added;
                if (n == 20000) {
                    EXPECT_TRUE(out.flush());
                }
            }
        }
        EXPECT_TRUE(same);
        const std::string got = testfiles::readAll(outFd);
        EXPECT_EQ(got.size(), expected.size()) << queued << " blocks";
        EXPECT_TRUE(got == expected) << queued << " blocks";
        ::close(in);
        ::close(outFd);
    }
}

// A read that fails ends the input as its end would, and its error number is
// kept for the caller, with or without the reading thread; an input read to
// its end leaves none.
TEST(LineReader, AFailedReadEndsTheInputAndIsKept)
{
    for (const bool ahead : {false, true}) {
        const int dir = ::open(".", O_RDONLY); // a directory opens, and every read fails
        ASSERT_GE(dir, 0);
        LineReader failing(dir, 65536, ahead);
        LineText line;
        EXPECT_FALSE(failing.next(line));
        EXPECT_EQ(failing.readError(), EISDIR) << "ahead " << ahead;
        ::close(dir);

        const int fd = testfiles::memoryFile("one\ntwo");
        LineReader whole(fd, 65536, ahead);
        int lines = 0;
        while (whole.next(line))
            ++lines;
        EXPECT_EQ(lines, 2);
        EXPECT_EQ(whole.readError(), 0) << "ahead " << ahead;
        ::close(fd);
    }
}

// Keeps every piece it is given and checks each record against the
// classifier's own of its piece.
class Collect : public LineSink {
public:
    bool take(const LineText &line, const LineFacts *facts) override
    {
        pieces.emplace_back(line.data, line.len);
        if (facts != nullptr) {
            ++recorded;
            recordsHold = recordsHold && facts->word[0] == line.len &&
                          facts->word[1] == static_cast<unsigned char>(line.data[0]);
        }
        if (throwAt != 0 && pieces.size() == throwAt)
            throw std::bad_alloc();
        return stopAfter == 0 || pieces.size() < stopAfter;
    }
    std::vector<std::string> pieces;
    std::size_t recorded = 0;
    bool recordsHold = true;
    std::size_t stopAfter = 0; // 0: never stop
    std::size_t throwAt = 0;   // 0: never throw
};

// Reads `text` with the parallel reader and compares its pieces with the
// plain rule's.
void expectParallelPieces(const std::string &text, std::size_t block, unsigned threads, const char *what)
{
    const std::vector<std::string> want = plainPieces(text);
    const FirstBytes classifier;
    const int fd = testfiles::memoryFile(text);
    ParallelLineReader reader(fd, block, &classifier, threads);
    Collect sink;
    EXPECT_TRUE(reader.run(sink));
    EXPECT_TRUE(sink.pieces == want) << what << " block " << block << " threads " << threads;
    EXPECT_EQ(sink.pieces.size(), want.size()) << what << " block " << block << " threads " << threads;
    EXPECT_TRUE(sink.recordsHold) << what;
    EXPECT_EQ(reader.readError(), 0);
    if (want.size() > 3 * text.size() / block + 3) {
        EXPECT_GT(sink.recorded, 0u) << what;
    }
    ::close(fd);
}

// Each block is read and split by whichever thread took it; the lines that
// run over from one block into the next, pieces longer than a block, short
// lines past the records a block keeps and the input's end come out as the
// plain rule cuts them.
TEST(ParallelLineReader, ThePiecesOfTheOneThreadReader)
{
    std::mt19937 rng(17);
    for (int round = 0; round < 4; ++round) {
        const std::string mixed = randomTrace(rng);
        const std::string shortAndLong = shortLinesAndLongRuns(rng, 1u << 20);
        for (const std::size_t block : {std::size_t{8190}, std::size_t{65536}, std::size_t{1} << 20})
            for (const unsigned threads : {1u, 2u, 3u}) {
                expectParallelPieces(mixed, block, threads, "mixed");
                expectParallelPieces(shortAndLong, block, threads, "short and long");
            }
    }
    const std::size_t block = 8190;
    for (const unsigned threads : {1u, 2u}) {
        expectParallelPieces("", block, threads, "empty");
        expectParallelPieces(std::string(5 * block + 7, 'x'), block, threads, "one line, no newline");
        expectParallelPieces(std::string(3 * block - 1, 'x') + "\n", block, threads, "a newline that ends a block");
        expectParallelPieces(std::string(2 * block, '\n'), block, threads, "newlines only");
        expectParallelPieces(std::string(block - 1, 'y') + "\n" + std::string(block, 'z'), block, threads,
                             "a line that fills the second block");
    }
}

// A failed read ends the input and is kept; a sink that says stop ends the
// reading at once, every thread with it, and so does one that throws: the
// exception comes out of run() on the calling thread.
TEST(ParallelLineReader, AFailedReadAStopOrAThrowEndsTheReading)
{
    const int dir = ::open(".", O_RDONLY);
    ASSERT_GE(dir, 0);
    {
        ParallelLineReader failing(dir, 65536, nullptr);
        Collect sink;
        EXPECT_TRUE(failing.run(sink));
        EXPECT_TRUE(sink.pieces.empty());
        EXPECT_EQ(failing.readError(), EISDIR);
    }
    ::close(dir);

    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += "line " + std::to_string(i) + "\n";
    for (const std::size_t stopAfter : {std::size_t{1}, std::size_t{5000}, std::size_t{150000}}) {
        const int fd = testfiles::memoryFile(text);
        ParallelLineReader reader(fd, 8190, nullptr, 3);
        Collect sink;
        sink.stopAfter = stopAfter;
        EXPECT_FALSE(reader.run(sink));
        ASSERT_EQ(sink.pieces.size(), stopAfter);
        EXPECT_EQ(sink.pieces.back(), "line " + std::to_string(stopAfter - 1) + "\n");
        ::close(fd);
    }
    for (const std::size_t throwAt : {std::size_t{1}, std::size_t{150000}}) {
        const int fd = testfiles::memoryFile(text);
        ParallelLineReader reader(fd, 8190, nullptr, 3);
        Collect sink;
        sink.throwAt = throwAt;
        EXPECT_THROW(reader.run(sink), std::bad_alloc);
        EXPECT_EQ(sink.pieces.size(), throwAt);
        ::close(fd);
    }
}

#if defined(__linux__)
// A reading thread that moves itself off a processor may afterwards run on
// every processor it could before, and one that may run on a single
// processor stays there: the move never leaves a thread bound.
TEST(ParallelLineReader, AThreadMovedOffItsProcessorKeepsItsProcessors)
{
    std::thread([] {
        cpu_set_t before;
        ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
        const int cpu = currentCpu();
        ASSERT_GE(cpu, 0);
        moveOffCpu(cpu);
        cpu_set_t after;
        ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
        EXPECT_TRUE(CPU_EQUAL(&before, &after));

        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(currentCpu(), &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        const int only = currentCpu();
        moveOffCpu(only);
        EXPECT_EQ(currentCpu(), only);
        ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
        EXPECT_TRUE(CPU_EQUAL(&one, &after));
    }).join();
}
#endif

} // namespace
