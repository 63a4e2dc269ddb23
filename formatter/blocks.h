// The block kinds the formatter recognises, and the per-thread capture state.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "settings.h"

class OutWriter;
struct LineText;
struct MessageState;
struct Field;

// Operating-system sets, as bits of OsKind.
constexpr unsigned osBit(OsKind os) { return 1u << static_cast<unsigned>(os); }
inline constexpr unsigned kUnixOs = 1u << 0;
inline constexpr unsigned kWindowsOs = 1u << 1;
inline constexpr unsigned kZosOs = 1u << 2;
inline constexpr unsigned kAatOs = 1u << 3;
inline constexpr unsigned kAnyOs = kUnixOs | kWindowsOs | kZosOs | kAatOs;

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

// A capture whose last line is not known never completes; it ends at the
// next trigger of its kind.
inline constexpr int kNoLastLine = INT_MAX;

// Counts the lines of a capture; it stops short of kNoLastLine, so that a
// capture left open on a very long trace neither completes nor overflows.
inline int nextLineCount(int &count)
{
    if (count < kNoLastLine - 1)
        ++count;
    return count;
}

struct StructCapture {
    bool inProgress = false;
    bool skipOnFirstLine = false;
    bool skipCountMissing = false;
    bool firstOffsetMissing = false;
    bool tokenMissing = false;
    bool lastLineSeen = false;
    std::unique_ptr<DumpRow[]> rows; // allocated on the kind's first trigger
    int lineCount = 0;
    int lastLine = kNoLastLine;
    int version = 1;

    bool hasError() const { return skipOnFirstLine || skipCountMissing || firstOffsetMissing || tokenMissing; }
};

// A block read from one dump line: the line is kept as a dump row, from
// which each kind takes what it prints.
struct ValueCapture {
    bool inProgress = false;
    bool valueSeen = false;
    bool optionsLineSeen = false; // open and close options: the " Options:" line was met
    int lineCount = 0;
    int optionsLineCount = 0;
    DumpRow row;
};

// The formatter's record of one traced thread (a single one for zos and aat).
struct ThreadContext {
    ThreadContext();
    ~ThreadContext();

    char key[40] = {};
    std::size_t keyLen = 0;
    char prefix[64] = {};       // the text every added line of this thread starts with
    char callName[20] = {};     // last API call name with its arrow, e.g. "MQOPEN >>"
    char mdFormat[9] = {};      // Format of the last expanded message descriptor
    std::int32_t mdCCSID = 0;   // CodedCharSetId of the last expanded message descriptor
    StructCapture structs[kStructCount];
    ValueCapture values[kValueCount];
    std::unique_ptr<MessageState> message; // message data and file capture, on first need
    std::uint32_t active = 0;   // bit i: handler i of the fixed order has a capture in progress
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
    const char *name;        // in error reports, e.g. "Msgdesc"
    const char *eyeCatcher;  // four characters that row 0 must begin with
    int capacity;            // rows kept
    unsigned parsesOn;       // the systems whose dump lines this kind reads
    bool anyLabel;           // unix rows are found by any "0x0", the offset is not checked
    int startLastLine[4];    // lastLine set by the header trigger, by OsKind; -1: left as it was
    int eyeCatcherLastLine;  // lastLine set by the zos and aat eye-catcher triggers
    // Rows the dump needs for the version read from row 0, or 0 when the
    // trigger's lastLine stands.
    int (*rowsNeeded)(int version, int pointerLength);
    // The expansion: its header line and fields (render.h); then, for the
    // kinds that keep something of it, `after`.
    const char *header;
    const Field *fields;
    std::size_t fieldCount;
    void (*after)(const ExpandContext &ctx) = nullptr;
};

const StructKind &structKind(StructId id);

extern const StructKind kMqmdKind, kMqodKind, kMqgmoKind, kMqpmoKind, kMqcbcKind, kMqcbdKind, kMqstsKind,
    kMqsmpoKind, kMqimpoKind, kMqpdKind, kMqsdKind;

// What every handler is given on a pass over a line.
struct PassContext {
    OutWriter &out;
    const RunSettings &settings;
    ThreadContext &tc;
    const LineText &line;
    const LineText &savedTrigger; // the last zos/aat eye-catcher trigger line
    long long lineNumber;
};

struct ConstantNames;
struct OptionsWord;

// A block read from one dump line: which systems show it in a shape read,
// its error report, and what it prints once read.
struct ValueKind {
    unsigned readsOn;            // systems whose value line is read; elsewhere the block stays open
    bool afterOptionsLine;       // the value line follows the call's " Options:" line
    const char *anchorAat;       // the marker of the aat value line
    const char *missingUnix;     // error report: the token line (unix and aat, windows)
    const char *missingWindows;
    const char *unableLine;      // and the "Unable to format" line
    // Writes the block once its value line is read and the reading has ended.
    void (*write)(const PassContext &pc, ValueCapture &cap, const ValueKind &kind);
    const char *format = nullptr;         // the value line, for the kinds that print one
    const ConstantNames *names = nullptr; // constant lines of the value
    const OptionsWord *word = nullptr;    // options words
};

const ValueKind &valueKind(ValueId id);

extern const ValueKind kConnectOptsKind, kOpenOptsKind, kCloseOptsKind, kCtlOptsKind, kCrtMsgHOptsKind,
    kDltMsgHOptsKind, kHmsgKind, kActualNameKind, kPropValueKind, kPropTypeKind, kDltPropOptsKind, kHconnKind,
    kHobjKind, kBufferlengthKind, kDatalengthKind, kCompcodeKind, kReasonKind;
