#include "formatter.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "capture.h"
#include "fileid.h"
#include "linereader.h"
#include "msgdata.h"
#include "reading.h"
#include "threadkey.h"

namespace {

constexpr unsigned kZos = kZosOs;
constexpr unsigned kAat = kAatOs;

// A capture that reaches its last line makes the same line pass again; a
// line can at most complete every capture of its thread once, so this bound
// is never reached by a sound run and only guards against a loop.
constexpr int kMaxPasses = 64;

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
constexpr Formatter::Trigger kTriggerTable[] = {
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

// A line's hits are kept as one bit per trigger.
static_assert(std::size(kTriggerTable) <= 64);

// No text that ends a line ends another such text, so a line ends as one of
// them at most: the record of a line names that one. Each is long enough for
// the bucket of its last four characters.
constexpr bool endTextsApart()
{
    for (const Formatter::Trigger &a : kTriggerTable) {
        if (!a.atLineEnd)
            continue;
        if (a.text.text.size() < 4)
            return false;
        for (const Formatter::Trigger &b : kTriggerTable)
            if (&a != &b && b.atLineEnd && b.text.text.size() >= a.text.text.size() &&
                b.text.text.substr(b.text.text.size() - a.text.text.size()) == a.text.text)
                return false;
    }
    return true;
}
static_assert(endTextsApart());

// The bucket of the four characters at `p`.
unsigned endBucketOf(const char *p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 0x9E3779B1u) >> 24;
}

} // namespace

Formatter::Formatter(const RunSettings &settings, OutWriter &out)
    : settings_(settings), keyed_(settings.os == OsKind::Unix || settings.os == OsKind::Windows), out_(out),
      messageRun_(settings), savedTrigger_(new char[LineReader::kMaxPiece + 1])
{
    for (const Trigger &t : kTriggerTable) {
        if ((t.os & osBit(settings_.os)) == 0)
            continue;
        const std::size_t index = triggers_.size();
        triggers_.push_back(&t);
        const std::uint64_t bit = std::uint64_t{1} << index;
        if (t.atLineEnd) {
            endTriggerLastChar_[static_cast<unsigned char>(t.text.text.back())] = true;
            const unsigned bucket = endBucketOf(t.text.text.data() + t.text.text.size() - 4);
            endNext_[index] = endBucket_[bucket];
            endBucket_[bucket] = static_cast<std::uint8_t>(index + 1);
        } else if (t.target == BlockTarget::FileCapture) {
            fileTriggerBit_ = bit;
        } else {
            anywhereMask_ |= bit;
        }
    }
    processKey_ = PreparedNeedle(Needle(settings_.processKey));
    static_assert(std::size(kHandlerOrder) <= 32, "one bit per handler");
    for (int i = 0; i < static_cast<int>(std::size(kHandlerOrder)); ++i) {
        const HandlerSlot &slot = kHandlerOrder[i];
        switch (slot.target) {
        case BlockTarget::Struct:
            structSlot_[slot.id] = i;
            structSlots_ |= 1u << i;
            break;
        case BlockTarget::Value:
            valueSlot_[slot.id] = i;
            break;
        case BlockTarget::MessageData:
            messageSlot_ = i;
            break;
        case BlockTarget::FileCapture:
            break;
        }
    }
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
    if (keyed_) {
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

// True when the line ends as some trigger that ends a line does: in the
// last character of its body, before a newline.
bool Formatter::endsLikeTrigger(const LineText &line) const
{
    return line.hasNewline && line.bodyLen > 0 &&
           endTriggerLastChar_[static_cast<unsigned char>(line.data[line.bodyLen - 1])];
}

// The trigger whose text ends the line's body before a newline, as its index
// in triggers_ plus one; 0 for none.
int Formatter::endTriggerOf(const LineText &line) const
{
    if (line.bodyLen < 4 || !endsLikeTrigger(line))
        return 0;
    for (int i = endBucket_[endBucketOf(line.data + line.bodyLen - 4)]; i != 0; i = endNext_[i - 1]) {
        const std::string_view text = triggers_[static_cast<std::size_t>(i - 1)]->text.text;
        if (line.bodyLen >= text.size() && sameBytes(line.data + line.bodyLen - text.size(), text.data(), text.size()))
            return i;
    }
    return 0;
}

// Runs the triggers of `hits` in table order. The end-of-line and
// file-capture hits are known from the line's record; an eye-catcher that
// may stand anywhere is looked for here.
void Formatter::runTriggers(ThreadContext &tc, const PassContext &pc, std::uint64_t hits)
{
    const LineText &line = pc.line;
    for (; hits != 0; hits &= hits - 1) {
        const int index = __builtin_ctzll(hits);
        const Trigger *t = triggers_[static_cast<std::size_t>(index)];
        if ((anywhereMask_ >> index & 1) != 0 && !line.contains(t->text))
            continue;
        switch (t->target) {
        case BlockTarget::Struct:
            if (tc.structs[t->id].inProgress)
                writeRestartWarning(out_, tc.prefix, t->name);
            startStructCapture(pc, static_cast<StructId>(t->id), t->saveLine);
            if (t->saveLine) {
                std::memcpy(savedTrigger_.get(), line.data, line.len);
                savedLine_.set(savedTrigger_.get(), line.len);
            }
            setActive(tc, structSlot_[t->id], true);
            break;
        case BlockTarget::Value:
            if (tc.values[t->id].inProgress)
                writeRestartWarning(out_, tc.prefix, t->name);
            startValueCapture(pc, static_cast<ValueId>(t->id));
            setActive(tc, valueSlot_[t->id], true);
            break;
        case BlockTarget::MessageData:
            if (messageTrigger(pc, messageRun_, t->name))
                setActive(tc, messageSlot_, true);
            break;
        case BlockTarget::FileCapture:
            fileMarker(pc);
            break;
        }
    }
}

void Formatter::setActive(ThreadContext &tc, int slot, bool on)
{
    const std::uint32_t before = tc.active;
    const std::uint32_t bit = 1u << slot;
    tc.active = on ? before | bit : before & ~bit;
    if ((before == 0) != (tc.active == 0)) {
        if (before == 0)
            ++busyThreads_;
        else
            --busyThreads_;
    }
}

void Formatter::runHandlers(const PassContext &pc)
{
    ThreadContext &tc = pc.tc;
    // Only the handlers with a capture in progress, in their fixed order.
    for (std::uint32_t m = tc.active; m != 0; m &= m - 1) {
        const int i = __builtin_ctz(m);
        const HandlerSlot &slot = kHandlerOrder[i];
        bool still;
        switch (slot.target) {
        case BlockTarget::Struct: {
            structStep(pc, static_cast<StructId>(slot.id));
            const StructCapture &cap = tc.structs[slot.id];
            still = cap.inProgress || cap.lastLineSeen;
            break;
        }
        case BlockTarget::Value:
            valueStep(pc, static_cast<ValueId>(slot.id));
            still = tc.values[slot.id].inProgress;
            break;
        case BlockTarget::MessageData:
            messageStep(pc, messageRun_);
            still = messageInProgress(tc);
            break;
        default:
            still = false;
            break;
        }
        if (!still)
            setActive(tc, i, false);
    }
}

bool Formatter::needsRepass(const ThreadContext &tc) const
{
    for (std::uint32_t m = tc.active & structSlots_; m != 0; m &= m - 1)
        if (tc.structs[kHandlerOrder[__builtin_ctz(m)].id].lastLineSeen)
            return true;
    return tc.values[kReason].valueSeen;
}

namespace {

// The record of a line: word 0 the call marker's position (npos as all
// ones), word 1 flags, words 2 and 3 the thread key's start and length.
constexpr std::uint32_t kNoMarker = 0xFFFFFFFFu;
constexpr std::uint32_t kHasFileMarker = 1u;
constexpr std::uint32_t kHasKey = 2u;
// Bits 8 to 15 of word 1: the trigger that ends the line (endTriggerOf).
constexpr int kEndTriggerShift = 8;

} // namespace

void Formatter::classify(const LineText &line, LineFacts &facts) const
{
    const std::size_t marker = keyed_ ? findCallMarker(line) : std::string_view::npos;
    facts.word[0] = marker == std::string_view::npos ? kNoMarker : static_cast<std::uint32_t>(marker);
    facts.word[1] = findRare(line.data, line.bodyLen, kFileMarker) != std::string_view::npos ? kHasFileMarker : 0u;
    facts.word[1] |= static_cast<std::uint32_t>(endTriggerOf(line)) << kEndTriggerShift;
    std::string_view key;
    if (keyed_ && findThreadKey(line, processKey_, key, KeyEnd::BlankOrLineEnd)) {
        facts.word[1] |= kHasKey;
        facts.word[2] = static_cast<std::uint32_t>(key.data() - line.data);
        facts.word[3] = static_cast<std::uint32_t>(key.size());
    }
}

void Formatter::processLine(const LineText &line, const LineFacts *known)
{
    ++lineNumber_;
    LineFacts computed;
    const LineFacts &facts = factsOf(*this, line, known, computed);
    std::uint64_t hits = anywhereMask_;
    if (const std::uint32_t end = facts.word[1] >> kEndTriggerShift & 0xFF)
        hits |= std::uint64_t{1} << (end - 1);
    if ((facts.word[1] & kHasFileMarker) != 0)
        hits |= fileTriggerBit_;
    const bool trigger = hits != 0;
    const std::size_t marker = facts.word[0] == kNoMarker ? std::string_view::npos : facts.word[0];
    // A line that can start no capture, names no call and finds no capture in
    // progress in any thread changes nothing but the output: it is copied
    // without looking for its thread.
    if (!trigger && marker == std::string_view::npos && busyThreads_ == 0) {
        out_.write(line.data, line.len);
        return;
    }
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        ThreadContext *tc;
        if (keyed_) {
            if ((facts.word[1] & kHasKey) == 0) {
                if (pass == 0)
                    out_.write(line.data, line.len);
                return;
            }
            tc = &threadOf(std::string_view(line.data + facts.word[2], facts.word[3]));
            noteCallName(*tc, line, marker);
        } else {
            tc = &threadOf({});
        }
        // Only a trigger starts a capture, so a thread without one in
        // progress (most lines) has nothing to do but the copy.
        if (tc->active == 0 && !trigger) {
            if (pass == 0)
                out_.write(line.data, line.len);
            return;
        }
        const PassContext pc{out_, settings_, *tc, line, savedLine_, lineNumber_};
        if (tc->active != 0)
            runHandlers(pc);
        if (trigger)
            runTriggers(*tc, pc, hits);
        if (pass == 0)
            out_.write(line.data, line.len);
        if (tc->active == 0 || !needsRepass(*tc))
            return;
    }
}

namespace {

// Output blocks on their way to the writing thread: 2 MiB, enough that the
// line processing rarely waits for a free one.
constexpr std::size_t kQueuedBlocks = 8;

} // namespace

bool formatTrace(const RunSettings &settings, int inputFd, OutWriter &out, ReadObserver *observer, bool readAhead,
                 int *readErrno)
{
    Formatter formatter(settings, out);
    // The reading thread also writes the output blocks, so that the line
    // processing never waits in a write. Only where the input is a regular
    // file: a read from a pipe may wait for its writer, and the output must
    // not wait with it.
    std::optional<OutQueue> queue;
    if (readAhead && fileIdOf(inputFd).regular)
        queue.emplace(out.fd(), kQueuedBlocks, out.capacity());
    OutQueue *const writes = queue ? &*queue : nullptr;
    LineReader reader(inputFd, 1u << 20, readAhead, &formatter, writes);
    reader.setObserver(observer);
    const OutWriter::Attachment attached(out, reader.readsAhead() ? writes : nullptr);
    LineText line;
    const LineFacts *facts;
    while (reader.next(line, facts)) {
        formatter.processLine(line, facts);
        if (out.failed())
            return false;
    }
    if (readErrno != nullptr)
        *readErrno = reader.readError();
    return out.flush();
}
