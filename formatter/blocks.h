// The block kinds the formatter recognises, and the per-thread capture state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "settings.h"

class OutWriter;

// Structures shown as multi-row hex dumps.
enum StructId : int {
    kMqmd, kMqod, kMqgmo, kMqpmo, kMqcbc, kMqcbd, kMqsts, kMqsmpo, kMqimpo, kMqpd, kMqsd,
    kStructCount
};

// Blocks whose value is taken from one dump line.
enum ValueId : int {
    kConnectOpts, kOpenOpts, kCloseOpts, kCtlOpts, kCrtMsgHOpts, kDltMsgHOpts, kHmsg,
    kActualName, kPropValue, kPropType, kDltPropOpts,
    kHconn, kHobj, kBufferlength, kDatalength, kCompcode, kReason,
    kValueCount
};

// What a trigger starts and a handler serves.
enum class BlockTarget : std::uint8_t { Struct, Value, MessageData, FileCapture };

struct HandlerSlot {
    BlockTarget target;
    int id;
};

// One captured 16-byte dump row: 32 hex characters as the trace shows them,
// the 16 characters of the trace's character column, and a terminator.
struct DumpRow {
    char hex[32];
    char chars[16];
    char end;
};

struct StructCapture {
    bool inProgress = false;
    bool skipOnFirstLine = false;
    bool skipCountMissing = false;
    bool firstOffsetMissing = false;
    bool tokenMissing = false;
    bool lastLineSeen = false;
    std::unique_ptr<DumpRow[]> rows; // allocated on the kind's first trigger
    int lineCount = 0;
    int lastLine = 0;
    int version = 1;

    bool hasError() const { return skipOnFirstLine || skipCountMissing || firstOffsetMissing || tokenMissing; }
};

struct ValueCapture {
    bool inProgress = false;
    bool valueSeen = false;
    int lineCount = 0;
    char hex[9] = {};
    std::int32_t value = 0;
};

// The formatter's record of one traced thread (a single one for zos and aat).
struct ThreadContext {
    char key[40] = {};
    std::size_t keyLen = 0;
    char prefix[64] = {};       // the text every added line of this thread starts with
    char callName[20] = {};     // last API call name with its arrow, e.g. "MQOPEN >>"
    char mdFormat[9] = {};      // Format of the last expanded message descriptor
    std::int32_t mdCCSID = 0;   // CodedCharSetId of the last expanded message descriptor
    StructCapture structs[kStructCount];
    ValueCapture values[kValueCount];
    bool busy = false;          // some capture may be in progress
};

// What an expander gets: the completed rows and where to write.
struct ExpandContext {
    OutWriter &out;
    const char *prefix;
    const RunSettings &settings;
    const DumpRow *rows;
    int rowCount;
    int version;
    ThreadContext &thread;
};

// The fixed description of a structure kind.
struct StructKind {
    const char *name;        // in headers and error reports, e.g. "Msgdesc"
    const char *eyeCatcher;  // four characters that row 0 must begin with
    int capacity;            // rows kept
    int startLastLine[4];    // lastLine set by the trigger, by OsKind; 0: none
    int (*rowsNeeded)(int version, int pointerLength);
    void (*expand)(const ExpandContext &ctx);
};

// The kinds that are expanded; nullptr for a kind this build leaves inert.
const StructKind *structKind(StructId id);

extern const StructKind kMqmdKind;
