#include "formatter.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "linereader.h"
#include "threadkey.h"
#include "render.h"

namespace {

constexpr unsigned osBit(OsKind os) { return 1u << static_cast<unsigned>(os); }
constexpr unsigned kAnyOs = 0xF;
constexpr unsigned kZos = osBit(OsKind::Zos);
constexpr unsigned kAat = osBit(OsKind::Aat);

// A capture that reaches its last line makes the same line pass again; a
// line can at most complete every capture of its thread once, so this bound
// is never reached by a sound run and only guards against a loop.
constexpr int kMaxPasses = 64;

// The six call parameters written as one line each.
struct OneValueKind {
    ValueId id;
    const char *name;
    const char *format;
    bool numeric;
};

const OneValueKind kOneValueKinds[] = {
    {kHconn, "Hconn", "%s Hconn=%s\n", false},
    {kHobj, "Hobj", "%s Hobj=%s\n", false},
    {kBufferlength, "Bufferlength", "%s Bufferlength=%d\n", true},
    {kDatalength, "Datalength", "%s Datalength=%d\n", true},
    {kCompcode, "Compcode", "%s Compcode=%d\n", true},
    {kReason, "Reason", "%s Reason=%d\n", true},
};

const OneValueKind *oneValueKind(int id)
{
    for (const auto &k : kOneValueKinds)
        if (k.id == id)
            return &k;
    return nullptr;
}

// The constant lines of a connection handle, by value.
const struct {
    std::int32_t value;
    const char *format;
} kHconnLines[] = {
    {-1, "%s    Hconn=MQHC_UNUSABLE_HCONN\n"},
    {0, "%s    Hconn=MQHC_DEF_HCONN\n"},
    {-3, "%s    Hconn=MQHC_UNASSOCIATED_HCONN\n"},
};

// Handlers run in this order on every pass over a line.
const HandlerSlot kHandlerOrder[] = {
    {BlockTarget::Struct, kMqmd},        {BlockTarget::Struct, kMqod},         {BlockTarget::Value, kConnectOpts},
    {BlockTarget::Value, kOpenOpts},     {BlockTarget::Value, kCloseOpts},     {BlockTarget::Struct, kMqgmo},
    {BlockTarget::Struct, kMqpmo},       {BlockTarget::Struct, kMqcbc},        {BlockTarget::Struct, kMqcbd},
    {BlockTarget::Value, kCtlOpts},      {BlockTarget::Value, kCrtMsgHOpts},   {BlockTarget::Value, kDltMsgHOpts},
    {BlockTarget::Value, kHmsg},         {BlockTarget::Value, kActualName},    {BlockTarget::Value, kPropValue},
    {BlockTarget::Value, kPropType},     {BlockTarget::Struct, kMqsts},        {BlockTarget::Struct, kMqsmpo},
    {BlockTarget::Struct, kMqimpo},      {BlockTarget::Value, kDltPropOpts},   {BlockTarget::Struct, kMqpd},
    {BlockTarget::Struct, kMqsd},        {BlockTarget::Value, kHconn},         {BlockTarget::Value, kHobj},
    {BlockTarget::Value, kBufferlength}, {BlockTarget::MessageData, 0},        {BlockTarget::Value, kDatalength},
    {BlockTarget::Value, kCompcode},     {BlockTarget::Value, kReason},
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

// One row of the trigger table. Texts that end a line are kept without
// their newline and matched at the end of the line body only.
struct Formatter::Trigger {
    Needle text;
    unsigned os;
    bool atLineEnd;
    BlockTarget target;
    int id;
    const char *name;   // in the restart warning
    bool saveLine;      // the trigger line is the dump's first row
};

namespace {

using T = BlockTarget;
const Formatter::Trigger kTriggerTable[] = {
    {"| MD  ", kZos, false, T::Struct, kMqmd, "MD", true},
    {"'MD  ", kAat, false, T::Struct, kMqmd, "MD", true},
    {" Msgdesc:", kAnyOs, true, T::Struct, kMqmd, "Msgdesc:", false},
    {"| OD  ", kZos, false, T::Struct, kMqod, "OD", true},
    {" Objdesc:", kAnyOs, true, T::Struct, kMqod, "Objdesc:", false},
    {"MQCNO Structure:", kAat, false, T::Value, kConnectOpts, "ConnectOpts:", false},
    {" ConnectOpts:", kAnyOs, true, T::Value, kConnectOpts, "ConnectOpts:", false},
    {" MQOPEN >>", kAnyOs, true, T::Value, kOpenOpts, "MQOPEN >>", false},
    {" MQCLOSE >>", kAnyOs, true, T::Value, kCloseOpts, "MQCLOSE >>", false},
    {"| GMO ", kZos, false, T::Struct, kMqgmo, "GMO", true},
    {"'GMO ", kAat, false, T::Struct, kMqgmo, "GMO", true},
    {" Getmsgopts:", kAnyOs, true, T::Struct, kMqgmo, "Getmsgopts:", false},
    {"| PMO ", kZos, false, T::Struct, kMqpmo, "PMO", true},
    {"'PMO ", kAat, false, T::Struct, kMqpmo, "PMO", true},
    {" Putmsgopts:", kAnyOs, true, T::Struct, kMqpmo, "Putmsgopts:", false},
    {"'CBC ", kAat, false, T::Struct, kMqcbc, "CbContext:", true},
    {" CbContext:", kAnyOs, true, T::Struct, kMqcbc, "CbContext:", false},
    {"| CBD ", kZos, false, T::Struct, kMqcbd, "CallbackDesc:", true},
    {"'CBD ", kAat, false, T::Struct, kMqcbd, "CallbackDesc:", true},
    {" CallbackDesc:", kAnyOs, true, T::Struct, kMqcbd, "CallbackDesc:", false},
    {" CtlOpts:", kAnyOs, true, T::Value, kCtlOpts, "CtlOpts:", false},
    {" CrtMsgHOpts:", kAnyOs, true, T::Value, kCrtMsgHOpts, "CrtMsgHOpts:", false},
    {" DltMsgHOpts:", kAnyOs, true, T::Value, kDltMsgHOpts, "DltMsgHOpts:", false},
    {" Hmsg:", kAnyOs, true, T::Value, kHmsg, "Hmsg:", false},
    {" Actual Name:", kAnyOs, true, T::Value, kActualName, "Actual Name:", false},
    {" Value:", kAnyOs, true, T::Value, kPropValue, "Value:", false},
    {" Type:", kAnyOs, true, T::Value, kPropType, "Type:", false},
    {" StatusData:", kAnyOs, true, T::Struct, kMqsts, "StatusData:", false},
    {" SetPropOpts:", kAnyOs, true, T::Struct, kMqsmpo, "SetPropOpts:", false},
    {" InqPropOpts:", kAnyOs, true, T::Struct, kMqimpo, "InqPropOpts:", false},
    {" DltPropOpts:", kAnyOs, true, T::Value, kDltPropOpts, "DltPropOpts:", false},
    {" PropDesc:", kAnyOs, true, T::Struct, kMqpd, "PropDesc:", false},
    {"| SD  ", kZos, false, T::Struct, kMqsd, "SD", true},
    {"'SD  ", kAat, false, T::Struct, kMqsd, "SD", true},
    {" Subdesc:", kAnyOs, true, T::Struct, kMqsd, "Subdesc:", false},
    {" Hconn:", kAnyOs, true, T::Value, kHconn, "Hconn:", false},
    {" Hobj:", kAnyOs, true, T::Value, kHobj, "Hobj:", false},
    {" Bufferlength:", kAnyOs, true, T::Value, kBufferlength, "Bufferlength:", false},
    {"msg2File-", kAnyOs, false, T::FileCapture, 0, "msg2File-", false},
    {"Message Data:", kAat, true, T::MessageData, 0, "Buffer:", false},
    {" Buffer:", kAnyOs, true, T::MessageData, 0, "Buffer:", false},
    {" Datalength:", kAnyOs, true, T::Value, kDatalength, "Datalength:", false},
    {" Compcode:", kAnyOs, true, T::Value, kCompcode, "Compcode:", false},
    {" Reason:", kAnyOs, true, T::Value, kReason, "Reason:", false},
};

// Whether this build handles blocks of the given target; the others are
// recognised by the table but left alone.
bool targetActive(BlockTarget target, int id)
{
    switch (target) {
    case BlockTarget::Struct:
        return structKind(static_cast<StructId>(id)) != nullptr;
    case BlockTarget::Value:
        return oneValueKind(id) != nullptr;
    case BlockTarget::MessageData:
    case BlockTarget::FileCapture:
        return false;
    }
    return false;
}

} // namespace

const StructKind *structKind(StructId id)
{
    switch (id) {
    case kMqmd:
        return &kMqmdKind;
    default:
        return nullptr;
    }
}

Formatter::Formatter(const RunSettings &settings, OutWriter &out)
    : settings_(settings), out_(out), savedTrigger_(new char[LineReader::kMaxPiece + 1])
{
    for (const Trigger &t : kTriggerTable) {
        if ((t.os & osBit(settings_.os)) == 0 || !targetActive(t.target, t.id))
            continue;
        triggers_.push_back(&t);
        if (t.atLineEnd)
            endTriggerLastChar_[static_cast<unsigned char>(t.text.text.back())] = true;
        else
            anywhereTriggers_ = true;
    }
    processKey_ = PreparedNeedle(Needle(settings_.processKey));
    for (const HandlerSlot &slot : kHandlerOrder)
        if (targetActive(slot.target, slot.id))
            handlers_.push_back(&slot);
    savedTrigger_[0] = '\0';
    savedLine_.set(savedTrigger_.get(), 0);
}

Formatter::~Formatter() = default;

void Formatter::buildPrefix(ThreadContext &tc) const
{
    std::size_t width = 0;
    std::size_t column = 0;
    switch (settings_.os) {
    case OsKind::Unix:
        width = 56;
        column = 25 - settings_.processIdLength;
        break;
    case OsKind::Windows:
        width = 61;
        column = 31 - settings_.processIdLength;
        break;
    case OsKind::Zos:
        width = 0;
        break;
    case OsKind::Aat:
        width = 5;
        break;
    }
    std::memset(tc.prefix, ' ', width);
    tc.prefix[width] = '\0';
    if (settings_.os == OsKind::Unix || settings_.os == OsKind::Windows) {
        // A key that would run past the end of the prefix is cut there.
        std::size_t room = width - column;
        std::memcpy(tc.prefix + column, tc.key, tc.keyLen < room ? tc.keyLen : room);
    }
}

ThreadContext &Formatter::threadOf(std::string_view key)
{
    bool created = false;
    ThreadContext &tc = threads_.get(key, created);
    if (created)
        buildPrefix(tc);
    return tc;
}

namespace {

// The search for a line's call marker, arrow by arrow: a marker is a blank
// and two equal arrows. The arrows of a line are visited in order and each
// is tried as the first arrow of a marker; the first entry marker met is
// the first one of the line, and the first exit marker is kept meanwhile.
struct MarkerSearch {
    static constexpr std::size_t npos = std::string_view::npos;
    const char *text;
    std::size_t len;
    std::size_t exit = npos;

    // The entry marker that an arrow at `p` starts, or npos.
    std::size_t tryArrow(std::size_t p)
    {
        if (p == 0 || p + 2 > len || text[p - 1] != ' ' || text[p + 1] != text[p])
            return npos;
        if (text[p] == '>')
            return p - 1;
        if (exit == npos)
            exit = p - 1;
        return npos;
    }
    // The arrows at base + k for the bits k of `m`, in order.
    std::size_t visit(std::size_t base, unsigned m)
    {
        for (; m != 0; m &= m - 1) {
            std::size_t found = tryArrow(base + static_cast<std::size_t>(__builtin_ctz(m)));
            if (found != npos)
                return found;
        }
        return npos;
    }
};

std::size_t findCallMarkerPlain(const LineText &line)
{
    MarkerSearch s{line.data, line.bodyLen};
    for (std::size_t i = 0; i < s.len; ++i) {
        // '<' and '>' differ in one bit only, so one comparison finds both.
        if ((s.text[i] | 2) == '>') {
            std::size_t found = s.tryArrow(i);
            if (found != MarkerSearch::npos)
                return found;
        }
    }
    return s.exit;
}

// Most lines hold no arrow at all: the vector forms look at 16 or 32 bytes
// in one step. The last block overlaps the one before; its first bytes are
// done already.
#if defined(__SSE2__)
std::size_t findCallMarkerSse2(const LineText &line)
{
    MarkerSearch s{line.data, line.bodyLen};
    if (s.len < 16)
        return findCallMarkerPlain(line);
    const __m128i bit = _mm_set1_epi8(0x02), arrow = _mm_set1_epi8('>');
    auto arrows = [&](std::size_t at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s.text + at));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(block, bit), arrow)));
    };
    std::size_t i = 0;
    for (; i + 16 <= s.len; i += 16) {
        if (unsigned m = arrows(i)) {
            std::size_t found = s.visit(i, m);
            if (found != MarkerSearch::npos)
                return found;
        }
    }
    if (i < s.len) {
        const std::size_t base = s.len - 16;
        const unsigned done = static_cast<unsigned>(i - base);
        std::size_t found = s.visit(base, arrows(base) >> done << done);
        if (found != MarkerSearch::npos)
            return found;
    }
    return s.exit;
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t findCallMarkerAvx2(const LineText &line)
{
    MarkerSearch s{line.data, line.bodyLen};
    if (s.len < 32)
        return findCallMarkerSse2(line);
    const __m256i bit = _mm256_set1_epi8(0x02), arrow = _mm256_set1_epi8('>');
    std::size_t i = 0;
    for (; i + 32 <= s.len; i += 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s.text + i));
        if (unsigned m = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(block, bit), arrow)))) {
            std::size_t found = s.visit(i, m);
            if (found != MarkerSearch::npos)
                return found;
        }
    }
    if (i < s.len) {
        const std::size_t base = s.len - 32;
        const unsigned done = static_cast<unsigned>(i - base);
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s.text + base));
        const unsigned m = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(block, bit), arrow)));
        std::size_t found = s.visit(base, m >> done << done);
        if (found != MarkerSearch::npos)
            return found;
    }
    return s.exit;
}
#endif

using MarkerFinder = std::size_t (*)(const LineText &line);

MarkerFinder markerFinderFor(VectorWidth width)
{
#if defined(__x86_64__)
    return pickForm<MarkerFinder>(width, findCallMarkerPlain, findCallMarkerSse2, findCallMarkerAvx2);
#else
    (void)width;
    return findCallMarkerPlain;
#endif
}

// The widest form the processor runs is picked once.
const MarkerFinder kFindCallMarker = markerFinderFor(VectorWidth::Wide);

} // namespace

std::size_t findCallMarker(const LineText &line) { return kFindCallMarker(line); }

std::size_t findCallMarker(const LineText &line, VectorWidth width) { return markerFinderFor(width)(line); }

void Formatter::noteCallName(ThreadContext &tc, const LineText &line, std::size_t pos) const
{
    if (pos == std::string_view::npos || pos <= 20 || pos > 1023)
        return;
    for (std::size_t back = 1; back <= 19; ++back) {
        if (line.data[pos - back] == ' ') {
            std::size_t start = pos - back + 1;
            std::size_t len = pos + 3 - start;
            if (len > 19)
                len = 19;
            std::memcpy(tc.callName, line.data + start, len);
            tc.callName[len] = '\0';
            return;
        }
    }
}

void Formatter::writeRestartWarning(const ThreadContext &tc, const char *name)
{
    out_.print("%s FORMAT WARNING BEGIN\n", tc.prefix);
    out_.print("%s %s encountered while still parsing an existing %s\n", tc.prefix, name, name);
    out_.print("%s Resetting to format new %s\n", tc.prefix, name);
    out_.print("%s FORMAT WARNING END\n", tc.prefix);
}

// True when the line ends as some trigger that ends a line does: in the
// last character of its body, before a newline.
bool Formatter::endsLikeTrigger(const LineText &line) const
{
    return line.hasNewline && line.bodyLen > 0 &&
           endTriggerLastChar_[static_cast<unsigned char>(line.data[line.bodyLen - 1])];
}

void Formatter::runTriggers(ThreadContext &tc, const LineText &line, bool endCandidate)
{
    for (const Trigger *t : triggers_) {
        bool hit = t->atLineEnd ? endCandidate && line.endsWithLine(t->text.text) : line.contains(t->text);
        if (!hit)
            continue;
        if (!tc.busy) {
            tc.busy = true;
            ++busyThreads_;
        }
        if (t->target == BlockTarget::Struct) {
            const StructKind &kind = *structKind(static_cast<StructId>(t->id));
            StructCapture &cap = tc.structs[t->id];
            if (cap.inProgress)
                writeRestartWarning(tc, t->name);
            cap.skipOnFirstLine = cap.skipCountMissing = cap.firstOffsetMissing = cap.tokenMissing = false;
            cap.lastLineSeen = false;
            cap.inProgress = true;
            cap.lineCount = 1;
            cap.lastLine = kind.startLastLine[static_cast<int>(settings_.os)];
            cap.version = 1;
            if (!cap.rows)
                cap.rows = std::make_unique<DumpRow[]>(static_cast<std::size_t>(kind.capacity));
            if (t->saveLine) {
                std::memcpy(savedTrigger_.get(), line.data, line.len);
                savedLine_.set(savedTrigger_.get(), line.len);
            }
        } else if (t->target == BlockTarget::Value) {
            ValueCapture &cap = tc.values[t->id];
            if (cap.inProgress)
                writeRestartWarning(tc, t->name);
            cap.inProgress = true;
            cap.valueSeen = false;
            cap.lineCount = 1;
        }
    }
}

void Formatter::runHandlers(ThreadContext &tc, const LineText &line)
{
    for (const HandlerSlot *slot : handlers_) {
        if (slot->target == BlockTarget::Struct) {
            const StructCapture &cap = tc.structs[slot->id];
            if (cap.inProgress || cap.lastLineSeen)
                structStep(tc, static_cast<StructId>(slot->id), line);
        } else if (slot->target == BlockTarget::Value) {
            if (tc.values[slot->id].inProgress)
                valueStep(tc, static_cast<ValueId>(slot->id), line);
        }
    }
}

bool Formatter::needsRepass(const ThreadContext &tc) const
{
    for (const StructCapture &cap : tc.structs)
        if (cap.lastLineSeen)
            return true;
    return tc.values[kReason].valueSeen;
}

bool Formatter::anyCaptureActive(const ThreadContext &tc) const
{
    for (const StructCapture &cap : tc.structs)
        if (cap.inProgress || cap.lastLineSeen)
            return true;
    for (const ValueCapture &cap : tc.values)
        if (cap.inProgress)
            return true;
    return tc.values[kReason].valueSeen;
}

void Formatter::writeErrorReport(const ThreadContext &tc, const StructKind &kind, const StructCapture &cap)
{
    const char *p = tc.prefix;
    auto block = [&](const char *format, bool withName) {
        out_.print("%s FORMAT ERROR BEGIN\n", p);
        if (withName)
            out_.print(format, p, kind.name);
        else
            out_.print(format, p);
        out_.print("%s Unable to format %s.\n", p, kind.name);
        out_.print("%s FORMAT ERROR END\n", p);
    };
    if (cap.skipOnFirstLine)
        block("%s A Skipping Duplicate Lines was found on the first %s line.\n", true);
    if (cap.skipCountMissing)
        block("%s A Skipping Duplicate Lines did not have a digit in the expected place.\n", false);
    if (cap.firstOffsetMissing)
        block("%s A 0x0000: was not found on the first line in the %s.\n", true);
    if (cap.tokenMissing)
        block("%s An expected parsing token was not found on the above line in the %s.\n", true);
}

void Formatter::structStep(ThreadContext &tc, StructId id, const LineText &line)
{
    const StructKind &kind = *structKind(id);
    StructCapture &cap = tc.structs[id];
    int c = ++cap.lineCount;
    if (cap.hasError()) {
        cap.inProgress = cap.lastLineSeen = false;
        writeErrorReport(tc, kind, cap);
        return;
    }
    if (c > cap.lastLine) {
        cap.inProgress = cap.lastLineSeen = false;
        if (std::memcmp(cap.rows[0].chars, kind.eyeCatcher, 4) == 0) {
            int rows = kind.rowsNeeded(cap.version, settings_.pointerLength);
            ExpandContext ctx{out_, tc.prefix, settings_, cap.rows.get(), rows < kind.capacity ? rows : kind.capacity,
                              cap.version, tc};
            kind.expand(ctx);
        }
        return;
    }
    if (c == cap.lastLine)
        cap.lastLineSeen = true;
    parseRow(kind, cap, c, line);
}

namespace {

void copyUnixRow(DumpRow &row, const LineText &line, std::size_t label)
{
    line.copy(row.hex, label + 9, 8);
    line.copy(row.hex + 8, label + 18, 8);
    line.copy(row.hex + 16, label + 27, 8);
    line.copy(row.hex + 24, label + 36, 8);
    line.copy(row.chars, label + 47, 16);
    row.end = '\0';
}

// The byte columns of a windows dump row: two layouts, told apart by the
// character 14 positions after the " 0x" anchor.
std::size_t windowsBytesAt(const LineText &line, std::size_t anchor)
{
    return line.at(anchor + 14) != ' ' ? 21 : 12;
}

void copyWindowsRow(DumpRow &row, const LineText &line, std::size_t anchor)
{
    std::size_t bytes = windowsBytesAt(line, anchor);
    for (std::size_t k = 0; k < 16; ++k)
        line.copy(row.hex + 2 * k, anchor + bytes + 3 * k, 2);
    line.copy(row.chars, anchor + bytes + 50, 16);
    row.end = '\0';
}

void copyZosRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    for (std::size_t w = 0; w < 4; ++w)
        line.copy(row.hex + 8 * w, marker + 8 + 10 * w, 8);
    line.copy(row.chars, marker + 50, 16);
    row.end = '\0';
}

void copyAatRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    for (std::size_t g = 0; g < 8; ++g)
        line.copy(row.hex + 4 * g, marker + 12 + 5 * g, 4);
    line.copy(row.chars, marker + 54, 16);
    row.end = '\0';
}

} // namespace

void Formatter::applyNotice(StructCapture &cap, const StructKind &kind, int c, int row, bool firstLine, int count,
                            bool countMissing)
{
    if (countMissing)
        cap.skipCountMissing = true;
    if (firstLine) {
        cap.skipOnFirstLine = true;
        return;
    }
    if (count <= 0 || row < 1)
        return;
    for (int i = 0; i < count && row + i < kind.capacity; ++i)
        cap.rows[row + i] = cap.rows[row - 1];
    cap.lineCount = c + count - 1;
}

void Formatter::parseRow(const StructKind &kind, StructCapture &cap, int c, const LineText &line)
{
    constexpr auto npos = std::string_view::npos;
    bool rowZeroCopied = false; // the Version is read as soon as row 0 is in
    int row;
    switch (settings_.os) {
    case OsKind::Unix: {
        row = c - 2;
        // The label of row r: "0x" and the offset 16r in four lower-case hex digits.
        static const char digits[] = "0123456789abcdef";
        const unsigned offset = static_cast<unsigned>(row * 16) & 0xFFFFu;
        const char label[] = {'0', 'x', digits[offset >> 12], digits[(offset >> 8) & 15],
                              digits[(offset >> 4) & 15], digits[offset & 15], ':'};
        std::size_t at = line.find(std::string_view(label, sizeof label));
        if (at == npos) {
            (c == 2 ? cap.firstOffsetMissing : cap.tokenMissing) = true;
            return;
        }
        // Notices are rare: memchr for their '=' passes over the row quickly.
        static constexpr Needle kSkipping("= Skipping");
        static constexpr Needle kDuplicates("Duplicate Lines =");
        std::size_t skip = findRare(line.data, line.bodyLen, kSkipping, at);
        if (skip != npos && findRare(line.data, line.bodyLen, kDuplicates, at) != npos) {
            char first = line.at(skip + 11);
            char second = line.at(skip + 12);
            int count = 0;
            if (isDigit(first)) {
                count = first - '0';
                if (isDigit(second))
                    count = count * 10 + (second - '0');
            }
            applyNotice(cap, kind, c, row, c == 2, count, !isDigit(first));
            return;
        }
        if (row < kind.capacity) {
            copyUnixRow(cap.rows[row], line, at);
            rowZeroCopied = row == 0;
        }
        break;
    }
    case OsKind::Windows: {
        row = c - 3;
        static constexpr Needle kSuppressed("lines suppressed, same as above");
        std::size_t notice = findRare(line.data, line.bodyLen, kSuppressed);
        if (notice != npos) {
            char tens = notice >= 3 ? line.at(notice - 3) : '\0';
            char units = notice >= 2 ? line.at(notice - 2) : '\0';
            int count = 0;
            if (isDigit(units))
                count = (units - '0') + (isDigit(tens) ? 10 * (tens - '0') : 0);
            applyNotice(cap, kind, c, row, c <= 3, count, !isDigit(units));
            return;
        }
        std::size_t anchor = line.find(" 0x");
        if (anchor == npos) {
            if (c > 2)
                cap.tokenMissing = true;
            return;
        }
        if (c >= 3 && row < kind.capacity) {
            copyWindowsRow(cap.rows[row], line, anchor);
            rowZeroCopied = row == 0;
        }
        break;
    }
    case OsKind::Zos:
    case OsKind::Aat: {
        const bool zos = settings_.os == OsKind::Zos;
        const char *marker = zos ? " +0" : " 0000";
        auto copyRow = [&](DumpRow &dst, const LineText &from) {
            std::size_t at = from.find(marker);
            if (at == npos) {
                cap.tokenMissing = true;
                return false;
            }
            if (zos)
                copyZosRow(dst, from, at);
            else
                copyAatRow(dst, from, at);
            return true;
        };
        // Row 0 is the trigger line itself, taken when the next line comes.
        if (c == 2)
            rowZeroCopied = copyRow(cap.rows[0], savedLine_);
        row = c - 1;
        if (row < kind.capacity)
            copyRow(cap.rows[row], line);
        break;
    }
    }
    if (rowZeroCopied) {
        cap.version = convertLong(cap.rows[0].hex + 8, settings_.littleEndian);
        int rows = kind.rowsNeeded(cap.version, settings_.pointerLength);
        if (rows > kind.capacity)
            rows = kind.capacity;
        switch (settings_.os) {
        case OsKind::Unix: cap.lastLine = rows + 1; break;
        case OsKind::Windows: cap.lastLine = rows + 2; break;
        default: cap.lastLine = rows; break;
        }
    }
}

void Formatter::valueStep(ThreadContext &tc, ValueId id, const LineText &line)
{
    const OneValueKind *kind = oneValueKind(id);
    ValueCapture &cap = tc.values[id];
    // zos and aat traces do not show these values in a shape we parse.
    if (kind == nullptr || settings_.os == OsKind::Zos || settings_.os == OsKind::Aat)
        return;
    int c = ++cap.lineCount;
    bool taken = false;
    bool missing = false;
    if (settings_.os == OsKind::Unix) {
        if (c == 2) {
            std::size_t at = line.find(" 0x0000:");
            if (at != std::string_view::npos) {
                line.copy(cap.hex, at + 10, 8);
                taken = true;
            } else {
                missing = true;
            }
        } else {
            cap.inProgress = false;
        }
    } else {
        if (c == 3) {
            std::size_t anchor = line.find(" 0x");
            if (anchor != std::string_view::npos) {
                std::size_t bytes = windowsBytesAt(line, anchor);
                for (std::size_t k = 0; k < 4; ++k)
                    line.copy(cap.hex + 2 * k, anchor + bytes + 3 * k, 2);
                taken = true;
            } else {
                missing = true;
            }
        } else if (c > 3) {
            cap.inProgress = false;
        }
    }
    if (taken) {
        cap.hex[8] = '\0';
        cap.valueSeen = true;
        if (kind->numeric)
            cap.value = convertLong(cap.hex, settings_.littleEndian);
    }
    if (missing) {
        out_.print("%s FORMAT ERROR BEGIN\n", tc.prefix);
        out_.print("%s Expected parsing token for %s: was not found on line below.\n", tc.prefix, kind->name);
        out_.print("%s Unable to format %s.\n", tc.prefix, kind->name);
        out_.print("%s FORMAT ERROR END\n", tc.prefix);
    }
    if (cap.valueSeen && !cap.inProgress) {
        if (kind->numeric) {
            out_.print(kind->format, tc.prefix, cap.value);
        } else {
            out_.print(kind->format, tc.prefix, cap.hex);
            if (id == kHconn) {
                std::int32_t value = convertLong(cap.hex, settings_.littleEndian);
                for (const auto &named : kHconnLines)
                    if (named.value == value)
                        out_.print(named.format, tc.prefix);
            }
        }
        if (id == kReason)
            cap.valueSeen = false;
    }
}

void Formatter::processLine(const LineText &line)
{
    const bool keyed = settings_.os == OsKind::Unix || settings_.os == OsKind::Windows;
    const bool endCandidate = endsLikeTrigger(line);
    const bool trigger = endCandidate || anywhereTriggers_;
    const std::size_t marker = keyed ? findCallMarker(line) : std::string_view::npos;
    // A line that can start no capture, names no call and finds no capture in
    // progress in any thread changes nothing but the output: it is copied
    // without looking for its thread.
    if (!trigger && marker == std::string_view::npos && busyThreads_ == 0) {
        out_.write(line.data, line.len);
        return;
    }
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        ThreadContext *tc;
        if (keyed) {
            std::string_view key;
            if (!findThreadKey(line, processKey_, key)) {
                if (pass == 0)
                    out_.write(line.data, line.len);
                return;
            }
            tc = &threadOf(key);
            noteCallName(*tc, line, marker);
        } else {
            tc = &threadOf({});
        }
        // Only a trigger starts a capture, so a thread without one in
        // progress (most lines) skips the handlers.
        if (tc->busy)
            runHandlers(*tc, line);
        if (trigger)
            runTriggers(*tc, line, endCandidate);
        if (pass == 0)
            out_.write(line.data, line.len);
        if (!tc->busy)
            return;
        if (!needsRepass(*tc)) {
            if (!anyCaptureActive(*tc)) {
                tc->busy = false;
                --busyThreads_;
            }
            return;
        }
    }
}

bool formatTrace(const RunSettings &settings, int inputFd, OutWriter &out)
{
    Formatter formatter(settings, out);
    LineReader reader(inputFd);
    LineText line;
    while (reader.next(line)) {
        formatter.processLine(line);
        if (out.failed())
            return false;
    }
    return out.flush();
}
