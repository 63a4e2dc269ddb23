// The formatter's line loop: copies every trace line to the output, follows
// the traced threads, recognises the blocks of the trace and lets each
// block's handler capture and expand it.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "blocks.h"
#include "linereader.h"
#include "linetext.h"
#include "msgdata.h"
#include "outwriter.h"
#include "progress.h"
#include "settings.h"
#include "threadkey.h"
#include "vectorwidth.h"

class Formatter : public LineClassifier {
public:
    Formatter(const RunSettings &settings, OutWriter &out);
    ~Formatter();

    // Handles one line (a piece of at most 4095 bytes) of the trace, with
    // the record classify() made of it, when there is one.
    void processLine(const LineText &line, const LineFacts *facts = nullptr);

    // What processLine() needs to know of a line before it looks at its
    // thread: its call marker, whether it holds the file-capture marker,
    // the trigger whose text ends it, and its thread key. A pure function of
    // the line, so that the reading thread can make it ahead.
    void classify(const LineText &line, LineFacts &facts) const override;

    // One row of the trigger table (defined with the table).
    struct Trigger;

private:
    ThreadContext &threadOf(std::string_view key);
    void buildPrefix(ThreadContext &tc) const;
    void noteCallName(ThreadContext &tc, const LineText &line, std::size_t marker) const;
    void runHandlers(const PassContext &pc);
    bool endsLikeTrigger(const LineText &line) const;
    int endTriggerOf(const LineText &line) const;
    void runTriggers(ThreadContext &tc, const PassContext &pc, std::uint64_t hits);
    void setActive(ThreadContext &tc, int slot, bool on);
    bool needsRepass(const ThreadContext &tc) const;

    const RunSettings &settings_;
    // unix and windows lines carry thread keys and call markers; zos and aat
    // traces are one context.
    const bool keyed_;
    OutWriter &out_;
    MessageRun messageRun_;
    PreparedNeedle processKey_{Needle()};
    int structSlot_[kStructCount] = {};       // handler slot of each block kind
    int valueSlot_[kValueCount] = {};
    int messageSlot_ = 0;
    std::uint32_t structSlots_ = 0;           // the slots of structure captures
    std::vector<const Trigger *> triggers_;   // the active triggers, in table order
    bool endTriggerLastChar_[256] = {};       // last characters of the end-of-line triggers
    // The end-of-line triggers by the last four characters of their text:
    // the first of a bucket (index in triggers_ plus one, 0 for none) and
    // the next one in the same bucket.
    std::uint8_t endBucket_[256] = {};
    std::uint8_t endNext_[64] = {};
    std::uint64_t anywhereMask_ = 0;          // eye-catcher triggers that may stand anywhere in a line
    std::uint64_t fileTriggerBit_ = 0;        // the file-capture marker's trigger
    long long lineNumber_ = 0;                // of the line being processed
    std::size_t busyThreads_ = 0;             // threads with a capture in progress
    ThreadTable<ThreadContext> threads_;
    std::unique_ptr<char[]> savedTrigger_;    // last zos/aat eye-catcher trigger line
    LineText savedLine_;
};

// The position of the first " >>" of the line, or when there is none, of the
// first " <<"; npos when the line has neither. One pass serves both.
std::size_t findCallMarker(const LineText &line);
// The same, in the form of the vector width given (all forms agree).
std::size_t findCallMarker(const LineText &line, VectorWidth width);

// Reads the input to its end, writing the formatted trace. Returns false
// when the output could not be written. `observer`, when given, is told of
// every block read from the input.
// With `readAhead` the input is read on a second thread.
// A read that fails ends the input where it stands; its error number goes to
// `readErrno` when given (0 when the input was read to its end).
bool formatTrace(const RunSettings &settings, int inputFd, OutWriter &out, ReadObserver *observer = nullptr,
                 bool readAhead = false, int *readErrno = nullptr);

// The whole program: command line, set-up, the formatted trace. Returns the
// exit status. The progress line shows for inputs larger than
// `progressMinBytes`.
int varnelMain(int argc, char **argv, std::uint64_t progressMinBytes = Progress::kMinBytes);
