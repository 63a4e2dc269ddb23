#include "progress.h"

#include <cerrno>
#include <cstdio>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double kMiB = 1048576.0;

// "m:ss" below an hour, "h:mm:ss" from there on.
std::string clockText(double seconds)
{
    const auto s = static_cast<unsigned long long>(seconds + 0.5);
    char buf[32];
    if (s < 3600)
        std::snprintf(buf, sizeof buf, "%llu:%02llu", s / 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%llu:%02llu:%02llu", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

} // namespace

Progress::Progress(const char *tool, int inputFd, std::uint64_t minBytes, int terminalFd)
    : tool_(tool), fd_(terminalFd)
{
    if (::isatty(terminalFd) != 1)
        return;
    struct stat st {};
    if (::fstat(inputFd, &st) != 0 || !S_ISREG(st.st_mode))
        return;
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size <= minBytes)
        return;
    total_ = size;
    active_ = true;
    start_ = Clock::now();
    struct winsize ws {};
    if (::ioctl(terminalFd, TIOCGWINSZ, &ws) == 0)
        width_ = ws.ws_col;
}

Progress::Progress(const char *tool, std::uint64_t totalBytes, int fd, Clock::time_point start)
    : tool_(tool), fd_(fd), active_(true), total_(totalBytes), start_(start)
{
}

std::string Progress::lineText(const char *tool, std::uint64_t done, std::uint64_t total, double seconds)
{
    const unsigned percent = done >= total ? 100u : static_cast<unsigned>(done * 100 / total);
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    const std::string left = rate > 0 && done < total
                                 ? clockText(static_cast<double>(total - done) / rate)
                                 : std::string(done >= total ? "0:00" : "-:--");
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s: %u%% of %.0f MB read, %.1f MB/s, %s left", tool, percent,
                  static_cast<double>(total) / kMiB, rate / kMiB, left.c_str());
    return buf;
}

void Progress::update(std::uint64_t bytesSoFar, Clock::time_point now)
{
    if (!active_)
        return;
    // The first block has only been read when it is reported; from the
    // second on, work has been done and the speed means something.
    if (++blocks_ < 2)
        return;
    if (shown_ > 0 && now - lastDraw_ < kInterval)
        return;
    lastDraw_ = now;
    draw(lineText(tool_.c_str(), bytesSoFar, total_, std::chrono::duration<double>(now - start_).count()));
}

void Progress::draw(const std::string &text)
{
    std::string line = "\r" + text;
    // A line as wide as the terminal would wrap, and '\r' would no longer
    // bring the cursor back to its start.
    if (width_ > 1 && text.size() >= width_)
        line.resize(width_);
    const std::size_t visible = line.size() - 1;
    if (shown_ > visible)
        line.append(shown_ - visible, ' ');
    put(line);
    shown_ = visible;
}

void Progress::finish()
{
    if (shown_ > 0) {
        // Built in place: GCC 12 misreads "\r" + std::string(...) as an
        // overlapping copy when optimising without link-time optimisation.
        std::string erase(shown_ + 2, ' ');
        erase.front() = '\r';
        erase.back() = '\r';
        put(erase);
    }
    shown_ = 0;
    active_ = false;
}

void Progress::put(const std::string &bytes) const
{
    const char *p = bytes.data();
    std::size_t n = bytes.size();
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return; // the line is only a help; a terminal that fails is left alone
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}
