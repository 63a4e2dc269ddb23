// The progress line: its text and schedule (with a clock given by the test),
// and the real programs with standard error on a pseudo-terminal and on a
// pipe, whose output, standard output and exit status must not differ.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "progress.h"

namespace {

using namespace std::chrono_literals;
constexpr std::uint64_t kMiB = 1u << 20;

std::string drain(int fd)
{
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        got.append(buf, static_cast<std::size_t>(n));
    return got;
}

// What a terminal shows after `bytes`: '\r' returns to the start of the
// line, '\n' starts a new one, every other byte overwrites one cell.
// Trailing blanks of each line are dropped.
std::vector<std::string> screen(const std::string &bytes)
{
    std::vector<std::string> lines(1);
    std::size_t col = 0;
    for (char c : bytes) {
        if (c == '\r') {
            col = 0;
        } else if (c == '\n') {
            lines.emplace_back();
            col = 0;
        } else {
            std::string &l = lines.back();
            if (l.size() <= col)
                l.resize(col + 1, ' ');
            l[col++] = c;
        }
    }
    for (auto &l : lines)
        l.erase(l.find_last_not_of(' ') + 1);
    return lines;
}

TEST(ProgressText, ShowsPercentSpeedAndTimeLeft)
{
    EXPECT_EQ(Progress::lineText("varnel", 25 * kMiB, 100 * kMiB, 2.0),
              "varnel: 25% of 100 MB read, 12.5 MB/s, 0:06 left");
    // Over an hour left: hours, minutes and seconds.
    EXPECT_EQ(Progress::lineText("quorbit", kMiB, 100000 * kMiB, 1.0),
              "quorbit: 0% of 100000 MB read, 1.0 MB/s, 27:46:39 left");
    // No time has passed yet: no speed, no estimate.
    EXPECT_EQ(Progress::lineText("varnel", kMiB, 100 * kMiB, 0.0), "varnel: 1% of 100 MB read, 0.0 MB/s, -:-- left");
    // A file that grew while it was read never shows more than 100%.
    EXPECT_EQ(Progress::lineText("varnel", 120 * kMiB, 100 * kMiB, 4.0),
              "varnel: 100% of 100 MB read, 30.0 MB/s, 0:00 left");
}

TEST(ProgressSchedule, DrawsFromTheSecondBlockAtMostEveryQuarterSecond)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const auto t0 = Progress::Clock::time_point{} + 1h;
    {
        Progress p("varnel", 100 * kMiB, fds[1], t0);
        p.update(1 * kMiB, t0 + 5ms);     // first block: only read, nothing drawn
        p.update(10 * kMiB, t0 + 10ms);   // drawn
        p.update(11 * kMiB, t0 + 200ms);  // too soon after the last one
        p.update(12 * kMiB, t0 + 259ms);  // still too soon
        p.update(50 * kMiB, t0 + 10s);    // drawn
        p.update(100 * kMiB, t0 + 10100ms); // too soon
        p.finish();
        p.update(100 * kMiB, t0 + 20s); // finished: nothing more
    } // the destructor erases nothing a second time
    ::close(fds[1]);
    const std::string got = drain(fds[0]);
    ::close(fds[0]);

    const std::string first = Progress::lineText("varnel", 10 * kMiB, 100 * kMiB, 0.010);
    const std::string second = Progress::lineText("varnel", 50 * kMiB, 100 * kMiB, 10.0);
    ASSERT_EQ(first, "varnel: 10% of 100 MB read, 1000.0 MB/s, 0:00 left");
    ASSERT_EQ(second, "varnel: 50% of 100 MB read, 5.0 MB/s, 0:10 left");
    // The second line is padded with blanks over what is left of the first.
    const std::string want = "\r" + first + "\r" + second + std::string(first.size() - second.size(), ' ') +
                             "\r" + std::string(second.size(), ' ') + "\r";
    EXPECT_EQ(got, want);
}

TEST(ProgressSchedule, NothingWhenNotATerminal)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int in = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(in, 0);
    {
        Progress p("varnel", in, 0, fds[1]); // any size would do: a pipe is no terminal
        EXPECT_FALSE(p.active());
        p.blockRead(kMiB);
        p.blockRead(2 * kMiB);
    }
    ::close(in);
    ::close(fds[1]);
    EXPECT_EQ(drain(fds[0]), "");
    ::close(fds[0]);
}

// ---------------------------------------------------------------------------
// The real programs with standard error on a pseudo-terminal or a pipe.

struct ToolRun {
    int status = -1;
    std::string stdoutText;
    std::string stderrText; // as the terminal or the pipe received it
    std::string output;     // the output file
};

std::string readFile(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class ProgressRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/progress_test.XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    // A unix trace of process 4711 of about `bytes` bytes; with `warnings`
    // every line is an MQGET entry, so that each one after the first is a
    // warning line of quorbit's report.
    void writeTrace(const char *name, std::size_t bytes, bool warnings)
    {
        static const char *const kCall[] = {
            " 10:00:00.000001     4711.1                              MQPUT >>\n",
            " 10:00:00.000002     4711.1                              Compcode:\n",
            " 10:00:00.000003     4711.1                              0x0000:  02000000                             |....            |\n",
            " 10:00:00.000004     4711.1                              Reason:\n",
            " 10:00:00.000005     4711.1                              0x0000:  f1070000                             |....            |\n",
            " 10:00:00.000006     4711.1                              } zqiConnCheck rc=OK\n",
        };
        static const char *const kGet[] = {" 10:00:00.000001     4711.1                              MQGET >>\n"};
        std::string text;
        while (text.size() < bytes) {
            if (warnings)
                for (const char *l : kGet)
                    text += l;
            else
                for (const char *l : kCall)
                    text += l;
        }
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }

    // Runs `bin` in the scratch folder under the name `tool` (its argv[0],
    // which the messages show, so that both builds of a tool print alike);
    // standard error goes to a new pseudo-terminal when `onTerminal`, else
    // to a pipe. `fileLimit` caps the size of the files the program writes
    // (0: no cap).
    ToolRun run(const char *bin, const char *tool, std::vector<std::string> args, bool onTerminal,
                rlim_t fileLimit = 0)
    {
        ToolRun r;
        int readFd = -1, writeFd = -1;
        if (onTerminal) {
            struct winsize ws {};
            ws.ws_col = 132;
            ws.ws_row = 40;
            if (::openpty(&readFd, &writeFd, nullptr, nullptr, &ws) != 0) {
                ADD_FAILURE() << "openpty: " << std::strerror(errno);
                return r;
            }
        } else {
            int fds[2];
            if (::pipe(fds) != 0)
                return r;
            readFd = fds[0];
            writeFd = fds[1];
        }
        // Everything the child needs is prepared before the fork.
        args.insert(args.begin(), tool);
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string stdoutPath = dir_ + "/stdout.txt";

        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0)
                ::_exit(126);
            const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int in = ::open("/dev/null", O_RDONLY);
            if (out < 0 || in < 0)
                ::_exit(126);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(writeFd, 2);
            ::close(readFd);
            if (fileLimit != 0) {
                // A write past the limit then fails with EFBIG instead of
                // killing the program.
                ::signal(SIGXFSZ, SIG_IGN);
                struct rlimit lim {fileLimit, fileLimit};
                ::setrlimit(RLIMIT_FSIZE, &lim);
            }
            ::execv(bin, argv.data());
            ::_exit(127);
        }
        ::close(writeFd);
        // Read until the program's end closes the other side (a terminal
        // then reports EIO), with a generous limit against a hang.
        for (;;) {
            struct pollfd p {readFd, POLLIN, 0};
            if (::poll(&p, 1, 60000) <= 0)
                break;
            char buf[4096];
            const ssize_t n = ::read(readFd, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            r.stderrText.append(buf, static_cast<std::size_t>(n));
        }
        ::close(readFd);
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 1000 + WTERMSIG(wstatus);
        r.stdoutText = readFile(stdoutPath);
        r.output = readFile(dir_ + "/" + args[2]);
        return r;
    }

    std::string dir_;
};

// The terminal received at least one progress line of `tool`, and at the end
// the line is gone: the screen shows `finalScreen` only.
void expectShownAndErased(const ToolRun &r, const std::string &tool, const std::vector<std::string> &finalScreen)
{
    EXPECT_NE(r.stderrText.find("\r" + tool + ": "), std::string::npos) << r.stderrText;
    EXPECT_NE(r.stderrText.find("% of 3 MB read, "), std::string::npos) << r.stderrText;
    EXPECT_EQ(screen(r.stderrText), finalScreen) << r.stderrText;
}

TEST_F(ProgressRun, VarnelShowsTheLineOnATerminalOnly)
{
    writeTrace("AMQ4711.0.FMT", 3 * kMiB, false);
    // Without -e: the note on standard output takes part in the comparison.
    const std::vector<std::string> args = {"AMQ4711.0.FMT", "out.txt"};
    const ToolRun tty = run(VARNEL_LOWPROGRESS_BIN, "varnel", args, true);
    const ToolRun pipe = run(VARNEL_LOWPROGRESS_BIN, "varnel", args, false);
    const ToolRun plain = run(VARNEL_BIN, "varnel", args, true); // 3 MiB is below 64 MiB

    expectShownAndErased(tty, "varnel", {""});
    EXPECT_EQ(pipe.stderrText, "");
    EXPECT_EQ(plain.stderrText, "");
    for (const ToolRun *r : {&tty, &pipe, &plain}) {
        EXPECT_EQ(r->status, 0);
        EXPECT_NE(r->stdoutText.find("NOTE: "), std::string::npos);
        EXPECT_EQ(r->stdoutText, pipe.stdoutText);
        EXPECT_GT(r->output.size(), 3 * kMiB);
        EXPECT_TRUE(r->output == pipe.output);
    }
}

TEST_F(ProgressRun, QuorbitShowsTheLineOnATerminalOnly)
{
    writeTrace("AMQ4711.0.FMT", 3 * kMiB, true);
    const std::vector<std::string> args = {"AMQ4711.0.FMT", "report.txt"};
    const ToolRun tty = run(QUORBIT_LOWPROGRESS_BIN, "quorbit", args, true);
    const ToolRun pipe = run(QUORBIT_LOWPROGRESS_BIN, "quorbit", args, false);
    const ToolRun plain = run(QUORBIT_BIN, "quorbit", args, true);

    expectShownAndErased(tty, "quorbit", {""});
    EXPECT_EQ(pipe.stderrText, "");
    EXPECT_EQ(plain.stderrText, "");
    for (const ToolRun *r : {&tty, &pipe, &plain}) {
        EXPECT_EQ(r->status, 0);
        EXPECT_NE(r->stdoutText.find("NOTE: "), std::string::npos);
        EXPECT_EQ(r->stdoutText, pipe.stdoutText);
        EXPECT_NE(r->output.find("MQGET begin found before MQGET end at line 2\n"), std::string::npos);
        EXPECT_TRUE(r->output == pipe.output);
    }
}

// A write error ends the run with its message: the progress line is erased
// before it, and the message and the status are those of a run without it.
TEST_F(ProgressRun, LineErasedBeforeTheWriteErrorMessage)
{
    struct Case {
        const char *bin;
        const char *tool;
        bool warnings;
        std::string message; // on the terminal, after the empty line
    };
    const Case cases[] = {
        {VARNEL_LOWPROGRESS_BIN, "varnel", false,
         "ERROR: Unable to write to output file out.txt: File too large. Ending program!"},
        {QUORBIT_LOWPROGRESS_BIN, "quorbit", true,
         "quorbit: unable to write the report to out.txt, errno was 27 (File too large), ending program."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tool);
        writeTrace("AMQ4711.0.FMT", 3 * kMiB, c.warnings);
        const std::vector<std::string> args = {"AMQ4711.0.FMT", "out.txt", "-e", "little"};
        const rlim_t limit = 3 * kMiB / 2; // reached after the second block was read
        const ToolRun tty = run(c.bin, c.tool, args, true, limit);
        const ToolRun pipe = run(c.bin, c.tool, args, false, limit);

        EXPECT_EQ(tty.status, 255);
        EXPECT_EQ(pipe.status, 255);
        EXPECT_EQ(pipe.stderrText, "\n" + c.message + "\n");
        expectShownAndErased(tty, c.tool, {"", c.message, ""});
        // The erasing blanks stand before the message.
        const std::size_t message = tty.stderrText.find(c.message);
        const std::size_t erase = tty.stderrText.rfind("     \r");
        EXPECT_LT(erase, message);
        EXPECT_TRUE(tty.output == pipe.output);
        EXPECT_EQ(tty.output.size(), limit);
    }
}

} // namespace
