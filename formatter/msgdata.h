// Message data: the message dumps of the trace read byte by byte, checked
// as ISO-8859-1, UTF-8 or UTF-16 and reported with the offsets of their
// notable bytes; searched for a byte string; captured to a file on request.
#pragma once

#include <cstdint>

#include "blocks.h"
#include "linetext.h"
#include "msgstore.h"

// Run-wide: the search pattern and the identities of the run's own files.
struct MessageRun {
    explicit MessageRun(const RunSettings &settings);
    const RunSettings &settings;
    SearchPattern search;
};

// Notable-byte kinds, as listed in the byte analysis.
enum class Notable : unsigned { Inv, Mb2, Mb3, Mb4, Sp };

// The message-data state of one thread.
struct MessageState {
    bool inProgress = false;
    bool done = false;          // the message has ended; the report is due
    bool skipFirstError = false;
    bool skipFormatError = false;

    // The checks.
    int utf8Pending = 0;        // length of the sequence under way; 0: none
    int utf8Remaining = 0;
    bool inSurrogate = false;
    int surrogateBytes = 0;
    long long byteCount = 0;
    long long ascii = 0, mb2 = 0, mb3 = 0, mb4 = 0, sp = 0, inv = 0;
    long long bigMarks = 0, littleMarks = 0;
    long long unitStart = 0;
    OffsetLog notable;          // (Notable, offset) in byte order

    // The row reading.
    long long bytesRead = 0;    // bytes of this message fed so far
    unsigned char previousRow[16] = {};

    // Capture to a file, and the search.
    bool capturePending = false;
    char fileName[21] = {};
    ChunkedBytes store;
    int searchState = 0;
    OffsetLog hits;             // offsets of the hits' first bytes
};

// Memory for a message's lists or bytes could not be had; main reports it
// with this message (its format takes the size) and ends the run.
struct MessageMemoryError {
    const char *format;
    int size;
};

// The checks, one byte at a time (exposed for the tests).
void iso88591_check(MessageState &m, unsigned char b);
void utf8_check(MessageState &m, unsigned char b);
void utf16_check(MessageState &m, unsigned char b, bool littleEndian);

// A message-data trigger (" Buffer:", "Message Data:" on aat): starts a
// message when the run or the thread asks for message data. False when the
// trigger is ignored.
bool messageTrigger(const PassContext &pc, const MessageRun &run, const char *warningName);

// The file-capture marker: it may stand anywhere in any line. It is rare,
// so memchr for its least common character passes over a line quickly.
inline constexpr Needle kFileMarker("msg2File-");

// A "msg2File-" marker in a line of the thread.
void fileMarker(const PassContext &pc);

bool messageInProgress(const ThreadContext &tc);

// A pass over a line of the thread while a message is read.
void messageStep(const PassContext &pc, const MessageRun &run);
