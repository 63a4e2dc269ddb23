// A progress line on standard error for long runs.
//
// When standard error is a terminal and the input file is larger than
// 64 MiB, the tools show one line there while they read: the part of the
// input read, in per cent, the speed and the time left, e.g.
//     varnel: 42% of 812 MB read, 310.5 MB/s, 0:02 left
// It is rewritten in place ('\r') at most every 250 ms and erased by
// finish() or the destructor, so that nothing of it stays on the screen.
// Standard output, the output file and the exit status never depend on it.
//
// The line is driven by the LineReader's block reads (about one per MiB),
// so the clock is read once per block and never per line.
//
// The threshold is a parameter, so that the tests' builds of the tools can
// show the line on small inputs.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "linereader.h"

class Progress final : public ReadObserver {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::uint64_t kMinBytes = std::uint64_t{64} << 20;
    static constexpr Clock::duration kInterval = std::chrono::milliseconds(250);

    // Shows the line on `terminalFd` when it is a terminal and `inputFd` is
    // a regular file larger than `minBytes`; otherwise does nothing. `tool`
    // names the program at the start of the line.
    Progress(const char *tool, int inputFd, std::uint64_t minBytes = kMinBytes, int terminalFd = 2);
    // Shows the line on `fd` for an input of `totalBytes`, whatever `fd` is,
    // with the time counted from `start` (for tests).
    Progress(const char *tool, std::uint64_t totalBytes, int fd, Clock::time_point start);
    ~Progress() { finish(); }
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void blockRead(std::uint64_t bytesSoFar) override
    {
        if (active_)
            update(bytesSoFar, Clock::now());
    }

    // The same with the time given: draws the line when it is due. The first
    // line is drawn at the second block (the first has only been read, not
    // handled), later ones at least kInterval apart.
    void update(std::uint64_t bytesSoFar, Clock::time_point now);

    // Erases the line if one is shown; nothing is drawn afterwards.
    void finish();

    bool active() const { return active_; }

    // The text of the line, without the carriage return.
    static std::string lineText(const char *tool, std::uint64_t done, std::uint64_t total, double seconds);

private:
    void draw(const std::string &text);
    void put(const std::string &bytes) const;

    std::string tool_;
    int fd_ = -1;
    bool active_ = false;
    std::uint64_t total_ = 0;
    std::size_t width_ = 0;    // columns of the terminal; 0 when unknown
    std::size_t shown_ = 0;    // characters of the line on the screen
    unsigned blocks_ = 0;
    Clock::time_point start_{};
    Clock::time_point lastDraw_{};
};
