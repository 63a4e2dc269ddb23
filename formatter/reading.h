// Blocks read from one dump line (options words, handles, property names,
// the call parameters): one reading mechanism for all of them, with what
// each kind takes from the line and prints as data.
#pragma once

#include "blocks.h"

// A trigger line of `id` for this thread: the reading restarts.
void startValueCapture(const PassContext &pc, ValueId id);

// A pass over a line of the thread while the reading is in progress.
void valueStep(const PassContext &pc, ValueId id);

// An options word: "<header>", "<value line>", its hex line and the names of
// its options, written when the dump row shows the eye-catcher (if any).
struct OptionsWord {
    const char *eyeCatcher; // four characters, or nullptr: no test
    int byte;               // where the word stands in the dump row: 0 or 8
    bool upperHex;          // the hex line shows the digits upper-cased
    const char *header;
    const char *valueLine;
};

// The write routines the kinds share.
void writeOptionsWord(const PassContext &pc, ValueCapture &cap, const ValueKind &kind);
void writeHexWord(const PassContext &pc, ValueCapture &cap, const ValueKind &kind);   // bytes 0-3 as hex
void writeNumber(const PassContext &pc, ValueCapture &cap, const ValueKind &kind);    // bytes 0-3 as %d
void writeHexBytes8(const PassContext &pc, ValueCapture &cap, const ValueKind &kind); // bytes 0-7 as hex
void writeText16(const PassContext &pc, ValueCapture &cap, const ValueKind &kind);    // 16 display characters

// The MQLONG at dump-row byte `byte` of the captured line.
std::int32_t valueAt(const PassContext &pc, const ValueCapture &cap, int byte);
