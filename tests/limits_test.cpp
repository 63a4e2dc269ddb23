// Both programs at their limits: lines of several megabytes, a hundred
// thousand threads, a trace of one line or of NUL bytes, traces that end
// inside a block, and outputs that cannot be written (a full device, a file
// that may not grow). The programs run as child processes, as a user runs
// them, for their exit status and output files; the heap is measured
// in-process, where the bytes in use can be read directly.

#include <csignal>
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define MQTT_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MQTT_ASAN 1
#endif
#endif
#ifdef MQTT_ASAN
// From the sanitizer runtime (not every compiler ships its header).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "apistats_support.h"
#include "formatter_support.h"
#include "linereader.h"
#include "preserved.h"
#include "trace_blocks.h"

namespace {

using blocks::ScratchFolder;
using testsupport::formatText;
using testsupport::unixLine;
using testsupport::unixSettings;

constexpr int kUnwritable = 255;

// Bytes of heap in use.
std::size_t heapInUse()
{
#ifdef MQTT_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 m = ::mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct Exit {
    int status;       // exit status, or 128 + the signal that ended it
    std::string err;  // what it wrote to standard error
};

// How standard input and output are set up for a run.
enum class Streams {
    Normal,     // stdout to /dev/null
    Closed,     // stdin and stdout closed
    BrokenPipe, // stdout a pipe that nobody reads
};

// Runs `bin` in `folder` with the arguments given, under a file size limit
// when one is given (SIGXFSZ left as it is: the programs ignore it).
Exit runTool(const char *bin, const ScratchFolder &folder, const std::vector<std::string> &args,
             rlim_t fileSizeLimit = RLIM_INFINITY, Streams streams = Streams::Normal)
{
    std::vector<char *> argv{const_cast<char *>(bin)};
    for (const auto &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    const std::string errPath = folder.file("stderr.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        if (::chdir(folder.path().c_str()) != 0 || err < 0 || null < 0)
            ::_exit(126);
        ::dup2(null, 1);
        ::dup2(err, 2);
        ::close(null);
        ::close(err);
        if (streams == Streams::Closed) {
            ::close(0);
            ::close(1);
        }
        int ends[2];
        if (streams == Streams::BrokenPipe) {
            if (::pipe(ends) != 0)
                ::_exit(126);
            ::dup2(ends[1], 1);
            ::close(ends[0]);
            ::close(ends[1]);
        }
        ::signal(SIGXFSZ, SIG_DFL);
        if (fileSizeLimit != RLIM_INFINITY) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(bin, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string err = readFile(errPath);
    ::unlink(errPath.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

const std::vector<std::string> kVarnelArgs = {"AMQ3853.0.FMT", "out.txt", "-e", "little"};
const std::vector<std::string> kQuorbitArgs = {"AMQ3853.0.FMT", "report.txt", "-e", "little"};

// varnel on `trace`: status 0 and the output the library gives in-process.
void expectFormatted(const std::string &trace, std::vector<std::string> args = kVarnelArgs,
                     RunSettings s = unixSettings())
{
    ScratchFolder folder;
    writeFile(folder.file(args[0]), trace);
    const Exit e = runTool(VARNEL_BIN, folder, args);
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(readFile(folder.file(args[1])), formatText(s, trace));
}

// quorbit on `trace`: status 0 and the report the library gives in-process.
void expectReported(const std::string &trace)
{
    ScratchFolder folder;
    writeFile(folder.file("AMQ3853.0.FMT"), trace);
    const Exit e = runTool(QUORBIT_BIN, folder, kQuorbitArgs);
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(readFile(folder.file("report.txt")), qtest::report(trace));
}

// The most heap the formatter or quorbit holds while reading `trace`, above
// what was in use before, sampled every 256 lines; `split` lines in, the
// heap in use is noted as well.
struct HeapUse {
    std::size_t peak = 0;
    std::size_t atSplit = 0;
};

template <class Engine>
HeapUse heapOver(const std::string &trace, Engine &engine, std::size_t split = 0)
{
    const std::size_t base = heapInUse();
    HeapUse use;
    const int in = testfiles::memoryFile(trace);
    LineReader reader(in);
    LineText line;
    for (std::size_t n = 1; reader.next(line); ++n) {
        engine.processLine(line);
        if (n % 256 == 0 || n == split) {
            const std::size_t now = heapInUse() - base;
            use.peak = std::max(use.peak, now);
            if (n == split)
                use.atSplit = now;
        }
    }
    use.peak = std::max(use.peak, heapInUse() - base);
    ::close(in);
    return use;
}

// The output goes to `output` when given, else nowhere.
HeapUse formatterHeap(const std::string &trace, const RunSettings &s, std::size_t split = 0,
                      std::string *output = nullptr)
{
    const int fd = output != nullptr ? testfiles::memoryFile("") : ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    HeapUse use;
    {
        OutWriter out(fd);
        Formatter formatter(s, out);
        use = heapOver(trace, formatter, split);
    }
    if (output != nullptr)
        *output = testfiles::readAll(fd);
    ::close(fd);
    return use;
}

HeapUse quorbitHeap(const std::string &trace, std::size_t split = 0)
{
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    OutWriter out(null);
    apistats::StatsRun run(qtest::settings(), out);
    run.writeHeader();
    const HeapUse use = heapOver(trace, run, split);
    run.writeReport();
    out.flush();
    ::close(null);
    return use;
}

// A unix trace whose lines hold calls, dumps and message data of thread 1;
// with `longLines`, three of its lines (an entry, a dump row, a message row)
// are followed by their text repeated to 3 MB, keywords, triggers and dump
// labels included.
std::string callsTrace(bool longLines)
{
    qtest::Trace t;
    for (int i = 0; i < 8; ++i)
        t.get(1, "10:00:00.000000", "10:00:00.100000", "Q.ONE").put(1, "10:00:01.000000", "10:00:01.050000", "Q.TWO");
    t.line("10:00:02.000000", 1, " Buffer:");
    for (int r = 0; r < 4; ++r)
        t.line("10:00:02.000000", 1, "0x0000:  666f7820 666f7820 666f7820 666f7820  |fox fox fox fox |");
    if (!longLines)
        return t.text;
    std::string text;
    std::istringstream lines(t.text);
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n) {
        text += line + "\n";
        if (n == 0 || n == 20 || n == 100) {
            std::string big = line;
            while (big.size() < 3'000'000)
                big += big;
            text += big + "\n";
        }
    }
    return text;
}

TEST(Limits, LinesOfSeveralMegabytes)
{
    RunSettings s = unixSettings();
    s.messageCcsid = 1208;
    s.searchOn = true;
    std::snprintf(s.searchText, sizeof s.searchText, "fox");
    const std::string shortLines = callsTrace(false), longLines = callsTrace(true);
    ASSERT_GT(longLines.size(), 9'000'000u);
    expectFormatted(longLines, {"AMQ3853.0.FMT", "out.txt", "-e", "little", "-m", "1208", "-s", "fox"}, s);
    expectReported(longLines);
    // The heap does not grow with the length of a line.
    EXPECT_LE(formatterHeap(longLines, s).peak, formatterHeap(shortLines, s).peak + (64u << 10));
    EXPECT_LE(quorbitHeap(longLines).peak, quorbitHeap(shortLines).peak + (64u << 10));
}

// Memory grows with the threads a trace shows, by a bounded amount each,
// and not with the lines that follow once the threads are known.
constexpr int kThreads = 100'000;

TEST(Limits, AHundredThousandThreadsInVarnel)
{
    std::string trace;
    for (int tid = 0; tid < kThreads; ++tid)
        trace += unixLine(tid, " Msgdesc:");
    const unsigned char row[16] = {'M', 'D', ' ', ' ', 2};
    for (int tid = 0; tid < kThreads; ++tid)
        trace += unixLine(tid, testsupport::unixRow(0, row));
    std::string output;
    const HeapUse use = formatterHeap(trace, unixSettings(), kThreads, &output);
    EXPECT_LE(use.atSplit, kThreads * 4096u);
    EXPECT_LE(use.peak, use.atSplit + (256u << 10));
    // Every dump is still open at the end: the output is the input.
    EXPECT_TRUE(output == trace);
}

TEST(Limits, AHundredThousandThreadsInQuorbit)
{
    std::string trace;
    for (int tid = 0; tid < kThreads; ++tid)
        trace += unixLine(tid, "MQPUT >>");
    for (int tid = 0; tid < kThreads; ++tid)
        trace += unixLine(tid, "Reason        :");
    const HeapUse use = quorbitHeap(trace, kThreads);
    EXPECT_LE(use.atSplit, kThreads * 2048u);
    EXPECT_LE(use.peak, use.atSplit + (256u << 10));
}

TEST(Limits, EmptyOneLineAndNulTraces)
{
    const std::string traces[] = {
        "",
        unixLine(1, " Msgdesc:", ""),                 // one line, no newline
        unixLine(1, "MQGET >>"),                      // one line
        std::string(1'000'000, '\0'),                 // NUL bytes only
        std::string(5000, '\0') + "\n" + std::string(3, '\0') + unixLine(1, " Hconn:") + std::string(9000, '\0'),
    };
    for (const auto &trace : traces) {
        expectFormatted(trace);
        expectReported(trace);
    }
    EXPECT_EQ(formatText(unixSettings(), traces[3]), traces[3]);
}

// The programs end as at the end of any trace; an open block writes
// nothing and no message capture is made. (Every block kind of every
// system is cut in-process in FormatterRobustness.TracesEndingInsideEveryBlock.)
TEST(Limits, TracesEndingInsideABlock)
{
    std::mt19937 rng(3);
    const blocks::Shape unix{OsKind::Unix};
    const blocks::Lines md = blocks::structBlock(unix, 1, blocks::kStructBlocks[0], rng);
    const blocks::Lines msg = blocks::messageBlock(unix, 1, blocks::Bytes(100, 'f'), "capture");
    const std::string dumpCut = blocks::join({md.begin(), md.begin() + 5}) + md[5].substr(0, 40);
    const std::string messageCut = blocks::join({msg.begin(), msg.begin() + 4});
    expectFormatted(dumpCut);
    expectFormatted(blocks::join({md.begin(), md.begin() + 1}));
    ScratchFolder folder;
    writeFile(folder.file("AMQ3853.0.FMT"), messageCut);
    const Exit e = runTool(VARNEL_BIN, folder, {"AMQ3853.0.FMT", "out.txt", "-e", "little", "-m", "819", "-s", "0x6666"});
    EXPECT_EQ(e.status, 0) << e.err;
    EXPECT_EQ(readFile(folder.file("out.txt")), messageCut);
    EXPECT_EQ(folder.files().size(), 2u) << "no capture without the message's end";

    qtest::Trace t;
    t.get(1, "10:00:00.000000", "10:00:00.100000", "Q.ONE");
    for (std::size_t cut : {t.text.size() / 3, t.text.size() / 2, t.text.size() - 10})
        expectReported(t.text.substr(0, cut));
}

// A trace whose output spans many of the writer's blocks: the sample trace
// many times over, and for quorbit one unfinished call a line.
std::string bigVarnelTrace()
{
    const std::string sample = readFile(std::string(GOLDEN_DIR) + "/../../examples/AMQ4711.0.FMT");
    std::string text;
    for (int i = 0; i < 16; ++i)
        text += sample;
    return text;
}

std::string bigQuorbitTrace()
{
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += unixLine(1, "MQGET >>");
    return text;
}

// A failed write ends the run with status 255 and a message; what the file
// took is exactly the start of the full output, nothing lost before the
// failure point. A limit the output just fits in is no failure.
TEST(Limits, OutputThatCannotBeWritten)
{
    struct Tool {
        const char *bin;
        std::vector<std::string> args;
        std::string trace;
    };
    const Tool tools[] = {{VARNEL_BIN, {"AMQ4711.0.FMT", "out.txt", "-e", "little"}, bigVarnelTrace()},
                          {QUORBIT_BIN, kQuorbitArgs, bigQuorbitTrace()}};
    for (const Tool &tool : tools) {
        ScratchFolder folder;
        writeFile(folder.file(tool.args[0]), tool.trace);
        const std::string outPath = folder.file(tool.args[1]);
        ASSERT_EQ(runTool(tool.bin, folder, tool.args).status, 0);
        const std::string full = readFile(outPath);
        ASSERT_GT(full.size(), 2'000'000u) << tool.bin;

        std::vector<std::string> toFull = tool.args;
        toFull[1] = "/dev/full";
        const Exit e = runTool(tool.bin, folder, toFull);
        EXPECT_EQ(e.status, kUnwritable) << tool.bin;
        EXPECT_NE(e.err.find("/dev/full"), std::string::npos) << e.err;

        for (rlim_t limit : {rlim_t{1000}, rlim_t{300'007}, rlim_t{full.size() - 1}, rlim_t{full.size()}}) {
            const Exit run = runTool(tool.bin, folder, tool.args, limit);
            const std::string got = readFile(outPath);
            const bool fits = limit >= full.size();
            EXPECT_EQ(run.status, fits ? 0 : kUnwritable) << tool.bin << " limit " << limit;
            EXPECT_EQ(run.err.empty(), fits) << run.err;
            EXPECT_EQ(got.size(), std::min<std::size_t>(limit, full.size())) << tool.bin << " limit " << limit;
            EXPECT_TRUE(full.starts_with(got)) << tool.bin << " limit " << limit;
        }
    }
}

// With standard input and output closed, the files the programs open take
// their numbers; the byte-order note (no -e given) must still not land in the
// output or the report. With standard output a pipe that nobody reads, the
// note is lost, but the run is not.
TEST(Limits, ClosedOrBrokenStandardStreamsLeaveTheFilesAlone)
{
    struct Tool {
        const char *bin;
        std::vector<std::string> args;
        std::string trace;
    };
    const Tool tools[] = {{VARNEL_BIN, {"AMQ4711.0.FMT", "out.txt"}, bigVarnelTrace()},
                          {QUORBIT_BIN, {"AMQ3853.0.FMT", "report.txt"}, bigQuorbitTrace()}};
    for (const Tool &tool : tools) {
        ScratchFolder folder;
        writeFile(folder.file(tool.args[0]), tool.trace);
        ASSERT_EQ(runTool(tool.bin, folder, tool.args).status, 0);
        const std::string normal = readFile(folder.file(tool.args[1]));
        for (const Streams streams : {Streams::Closed, Streams::BrokenPipe}) {
            const Exit run = runTool(tool.bin, folder, tool.args, RLIM_INFINITY, streams);
            EXPECT_EQ(run.status, 0) << tool.bin << run.err;
            EXPECT_TRUE(readFile(folder.file(tool.args[1])) == normal) << tool.bin;
        }
    }
}

// A named pipe as the input, and again (through a link) as the output: the
// run would write into its own input and never see it end. It is refused
// like any output that is the input, once a writer has opened the pipe.
TEST(Limits, OutputThatIsTheInputPipeIsRefused)
{
    for (const char *bin : {VARNEL_BIN, QUORBIT_BIN}) {
        ScratchFolder folder;
        const std::string pipe = folder.file("AMQ3853.0.FMT");
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        ASSERT_EQ(::symlink("AMQ3853.0.FMT", folder.file("out.txt").c_str()), 0);
        const pid_t writer = ::fork();
        if (writer == 0) {
            ::signal(SIGPIPE, SIG_DFL);
            const int fd = ::open(pipe.c_str(), O_WRONLY);
            const std::string trace = unixLine(1, "MQGET >>");
            for (int i = 0; fd >= 0 && i < 1000; ++i)
                if (::write(fd, trace.data(), trace.size()) < 0)
                    break;
            ::_exit(0);
        }
        const Exit e = runTool(bin, folder, {"AMQ3853.0.FMT", "out.txt", "-e", "little"});
        EXPECT_EQ(e.status, kUnwritable) << bin;
        ::kill(writer, SIGKILL);
        ::waitpid(writer, nullptr, 0);
    }
}

} // namespace
