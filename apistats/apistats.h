// quorbit: statistics of the MQ API calls found in a formatted trace.
//
// The trace is read once, line by line. Every line is sorted to the traced
// thread that wrote it (its pid.tid token), and for each thread the MQOPEN,
// MQCLOSE, MQGET, MQPUT and MQPUT1 calls are followed from the entry line to
// the lines printed after the exit. A call seen whole is timed from the
// trace timestamps and added to a row of its thread, call kind and queue; a
// call seen only in part is reported by line number in the warnings section.
// After the last line the report prints one block per thread and, for several
// threads, a summary for the whole process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "linereader.h"
#include "linescan.h"
#include "linetext.h"
#include "outwriter.h"
#include "parallelreader.h"
#include "progress.h"
#include "threadkey.h"

// Seconds from `start` to `end`, two timestamp texts shaped HH:MM:SS.uuuuuu
// (at most 15 characters of each are read). An end that lies more than
// twelve hours before the start is taken as the next day.
double getElapsedTime(const char *start, const char *end);

namespace apistats {

enum class TraceOs { Unix, Windows };

// The C library's decimal reading of a terminated text (atoi): leading white
// space skipped, an optional sign, the digits up to the first non-digit, 0
// when there are none; the value is wrapped to 32 bits.
int leadingDecimal(const char *text);

// Run settings, fixed by the command line.
struct Settings {
    char processKey[20] = {}; // process id followed by its period, e.g. "3853."
    bool littleEndian = true; // byte order of the traced machine (MQPUT1 length)
    TraceOs os = TraceOs::Unix;
};

enum CallKind { kOpen = 0, kClose, kGet, kPut, kPut1, kKindCount };

// Figures of the complete calls of one kind, thread and key.
struct QueueStats {
    char queueName[49] = {}; // empty for MQCLOSE rows
    char hConn[9] = {};      // empty for MQGET, MQPUT and MQPUT1 rows
    long long okCount = 0;
    long long failCount = 0;
    long long bytes = 0;
    double okElapsed = 0.0;
    double failElapsed = 0.0;
};

// Pairing state of one call kind within one thread. Flags hold 'Y' or 'N'.
struct CallState {
    char inCall = 'N';
    char startSeen = 'N';
    char ended = 'Y';
    char codeSeen = 'N';
    char mqiSeen = 'N';
    char optionsSeen = 'N';
    char lengthSeen = 'N';
    int codeCountdown = 0;
    int optionsCountdown = 0;
    int lengthCountdown = 0;
    long long errorCount = 0;
    std::vector<QueueStats> rows; // in order of creation
    // Key -> position in rows, built once a kind has many rows.
    std::unordered_map<std::string, std::size_t> rowIndex;
};

// Everything kept for one traced thread.
struct ThreadStats {
    char key[40] = {};
    std::size_t keyLen = 0;
    bool armed = false; // a countdown waits for a dump row on a coming line
    char startTime[16] = {};
    char endTime[16] = {};
    char compCode[9] = {};
    char queueName[49] = {};
    char hConn[9] = {};
    char put1Length[9] = {};
    CallState calls[kKindCount];
};

// One run over a trace: the report header, the line loop and the closing
// report, all written to `out`.
class StatsRun : public LineClassifier, public LineSink {
public:
    StatsRun(const Settings &settings, OutWriter &out);
    StatsRun(const StatsRun &) = delete;
    StatsRun &operator=(const StatsRun &) = delete;

    void writeHeader();
    // A line, with the record classify() made of it when there is one.
    void processLine(const LineText &line, const LineFacts *facts = nullptr);
    // The same for a reader; false once the report could not be written, as
    // it cannot be completed then.
    bool take(const LineText &line, const LineFacts *facts) override
    {
        processLine(line, facts);
        return !out_.failed();
    }
    // What the line loop first asks of a line: its thread key, and which
    // call and header texts it holds. Safe on any thread.
    void classify(const LineText &line, LineFacts &facts) const override;
    void writeReport();

    // Runs every step on every line of a traced thread instead of passing
    // over the lines that cannot change anything. Slower, same report; for
    // checking the quick rejection.
    void setCheckEveryLine(bool on) { checkEveryLine_ = on; }

    const std::vector<std::unique_ptr<ThreadStats>> &threads() const { return threads_.items(); }
    long long lineNumber() const { return lineNumber_; }
    long long warningCount() const { return warningCount_; }

private:
    bool waiting(const CallState &c) const;
    bool armed(const ThreadStats &t) const;

    void takeTimestamp(const LineText &line, char *dst) const;
    void codeCountdownStep(LineScan &s, ThreadStats &t, CallState &c, bool keepAfterRead) const;
    void optionsCountdownStep(LineScan &s, ThreadStats &t, CallState &c, bool put) const;
    void copyNamePart(LineScan &s, ThreadStats &t, Text label, std::size_t offset, std::size_t count,
                      std::size_t namePos) const;
    void warn(const char *format);

    void enterCall(CallState &c, const char *unfinished);
    void finishCall(CallState &c);
    void endCall(ThreadStats &t, CallKind kind, bool whole, long long bytes, const char *missing);
    void startAndExitSteps(LineScan &s, ThreadStats &t, CallState &c, Text exit);
    void exitStep(LineScan &s, ThreadStats &t, CallState &c, Text exit);
    void optionsHeaderStep(LineScan &s, ThreadStats &t, CallState &c, Text header);
    void compcodeStep(LineScan &s, CallState &c);
    void openSteps(LineScan &s, ThreadStats &t);
    void closeSteps(LineScan &s, ThreadStats &t);
    void getOrPutSteps(LineScan &s, ThreadStats &t, CallKind kind);
    void put1Steps(LineScan &s, ThreadStats &t);
    void complete(ThreadStats &t, CallKind kind, long long bytes);

    Settings settings_;
    PreparedNeedle processKey_;
    bool windows_;
    OutWriter &out_;
    long long lineNumber_ = 0;
    long long warningCount_ = 0;
    bool checkEveryLine_ = false;
    char dataLength_[9] = {};
    ThreadTable<ThreadStats> threads_;
};

// Reads the trace from `inFd` and writes the whole report to `outFd`.
// Returns 0, or the error number of the first failed write on the report.
// `observer`, when given, is told of every block read from the trace.
// A read that fails ends the trace where it stands: the report covers what
// was read, and the error number goes to `readErrno` when given (else 0).
int writeStatisticsReport(int inFd, int outFd, const Settings &settings, ReadObserver *observer = nullptr,
                          int *readErrno = nullptr);

// The whole program: command line, set-up, report. Returns the exit status.
// The progress line shows for inputs larger than `progressMinBytes`.
int quorbitMain(int argc, char **argv, std::uint64_t progressMinBytes = Progress::kMinBytes);

} // namespace apistats
