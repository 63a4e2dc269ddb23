// The trace file name rule shared by both tools: at least 10 characters,
// "AMQ" (any case) at the start, and a process id of 1 to 16 characters
// between it and the first period.
#pragma once

#include <cstddef>

enum class TraceNameStatus { Ok, TooShort, NotAmq, NoPeriod, EmptyProcessId, ProcessIdTooLong };

struct TraceName {
    TraceNameStatus status = TraceNameStatus::Ok;
    // The process id followed by its period, e.g. "3853." (Ok only).
    char processKey[20] = {};
    std::size_t processIdLength = 0;
};

// Checks `name` as typed on the command line. Upper-cases its first three
// characters in place, as the messages show the name that way.
TraceName checkTraceName(char *name);

// Prints the message for a failed check to standard output, followed by the
// "Format should be like" line.
void printTraceNameError(const TraceName &result, const char *name);

// True when the running machine stores the integer 1 with its low byte first.
bool hostIsLittleEndian();
