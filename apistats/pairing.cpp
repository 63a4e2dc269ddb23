// The line loop: thread lookup and the pairing of the entry, exit and
// after-exit lines of each call kind.

#include <algorithm>
#include <cstring>

#include "apistats.h"
#include "hexconv.h"
#include "linescan.h"

namespace apistats {

namespace {

constexpr std::size_t npos = std::string_view::npos;

constexpr std::size_t kNameWidth = 48;
constexpr std::size_t kHConnWidth = 8;

// Rows of one kind searched one by one; beyond this a hash index is used.
constexpr std::size_t kScanLimit = 8;

const char *const kBlankName = "                                                ";

// The key of a row as one string: the two fields as C strings (so that they
// compare like strncmp over their widths) joined by a terminator.
std::string rowKey(const char *name, const char *hConn)
{
    std::string key(name, ::strnlen(name, kNameWidth));
    key.push_back('\0');
    key.append(hConn, ::strnlen(hConn, kHConnWidth));
    return key;
}

bool sameRow(const QueueStats &row, const char *name, const char *hConn)
{
    return std::strncmp(row.queueName, name, kNameWidth) == 0 &&
           std::strncmp(row.hConn, hConn, kHConnWidth) == 0;
}

// Windows dump rows are anchored at the first "0x" of the line; the blank
// test tells the two column layouts apart.
struct WindowsRow {
    std::size_t anchor = npos;
    bool narrow = false;

    explicit WindowsRow(LineScan &s) : anchor(s.find(Text::HexPrefix))
    {
        if (anchor != npos)
            narrow = s.line().at(anchor + 13) == ' ';
    }
    bool found() const { return anchor != npos; }
    std::size_t charColumn() const { return anchor + (narrow ? 61 : 70); }

    // The hex pairs of the row's first four bytes, side by side.
    void copyFirstWord(const LineText &line, char *dst) const
    {
        std::size_t first = anchor + (narrow ? 11 : 20);
        for (std::size_t i = 0; i < 4; ++i)
            line.copyText(dst + 2 * i, first + 3 * i, 2);
    }
};

// Bits of a line record's first word.
constexpr std::uint32_t kHasKey = 1;
constexpr int kKeyLengthShift = 2; // 6 bits: keys are at most 39 bytes
constexpr int kKeyPlaceShift = 8;

constexpr unsigned bit(Text text) { return 1u << static_cast<int>(text); }

// The texts that each kind's steps look for.
constexpr unsigned kKindTexts[kKindCount] = {
    bit(Text::OpenEntry) | bit(Text::Reason) | bit(Text::OpenExit) | bit(Text::Compcode) | bit(Text::MqiOpen),
    bit(Text::CloseEntry) | bit(Text::MqiClose) | bit(Text::CloseExit) | bit(Text::Compcode),
    bit(Text::GetEntry) | bit(Text::Reason) | bit(Text::GetExit) | bit(Text::GetOptions) | bit(Text::Compcode) |
        bit(Text::MqiGet),
    bit(Text::PutEntry) | bit(Text::Reason) | bit(Text::PutExit) | bit(Text::PutOptions) | bit(Text::Compcode) |
        bit(Text::MqiPut),
    bit(Text::Put1Entry) | bit(Text::Reason) | bit(Text::Put1Exit) | bit(Text::PutOptions) |
        bit(Text::BufferLength) | bit(Text::Compcode),
};

} // namespace

StatsRun::StatsRun(const Settings &settings, OutWriter &out)
    : settings_(settings), processKey_(Needle(std::string_view(settings_.processKey, ::strnlen(settings_.processKey, sizeof settings_.processKey)))),
      windows_(settings.os == TraceOs::Windows), out_(out)
{
}

// True while a countdown of the kind waits for a dump row, so that the next
// line of the thread must be looked at whatever it holds.
bool StatsRun::waiting(const CallState &c) const
{
    if (c.optionsCountdown > 0 || c.lengthCountdown > 0)
        return true;
    return windows_ ? (c.codeCountdown > 0 && c.codeCountdown < 3) : c.codeCountdown == 1;
}

bool StatsRun::armed(const ThreadStats &t) const
{
    for (const CallState &c : t.calls)
        if (waiting(c))
            return true;
    return false;
}

void StatsRun::takeTimestamp(const LineText &line, char *dst) const
{
    line.copyText(dst, windows_ ? 9 : 1, 15);
}

void StatsRun::warn(const char *format)
{
    out_.print(format, lineNumber_);
    ++warningCount_;
}

// The completion code row: the next line of the thread (unix) or the second
// line after "Compcode:" (windows). MQCLOSE and MQPUT1 keep the windows
// countdown after the read; they end it when the call completes.
void StatsRun::codeCountdownStep(LineScan &s, ThreadStats &t, CallState &c, bool keepAfterRead) const
{
    const LineText &line = s.line();
    if (!windows_) {
        if (c.codeCountdown != 1)
            return;
        c.codeCountdown = keepAfterRead ? 2 : 0;
        std::size_t label = s.find(Text::Row0000Colon);
        if (label != npos) {
            line.copyText(t.compCode, label + 9, 8);
            c.codeSeen = 'Y';
        }
        return;
    }
    if (c.codeCountdown <= 0)
        return;
    // Past 3 the count has no further effect; it stops at 4.
    if (c.codeCountdown < 4)
        ++c.codeCountdown;
    if (c.codeCountdown != 3)
        return;
    WindowsRow row(s);
    if (!row.found())
        return;
    row.copyFirstWord(line, t.compCode);
    c.codeSeen = 'Y';
    if (!keepAfterRead)
        c.codeCountdown = 0;
}

// Copies `count` characters from the character column of a unix dump row
// (found by `label`), starting at row offset `offset`, into the queue name.
void StatsRun::copyNamePart(LineScan &s, ThreadStats &t, Text label, std::size_t offset,
                            std::size_t count, std::size_t namePos) const
{
    const LineText &line = s.line();
    std::size_t at = s.find(label);
    if (at != npos)
        line.copyText(t.queueName + namePos, at + 47 + offset, count);
}

// The resolved queue name from the get- or put-message-options dump.
void StatsRun::optionsCountdownStep(LineScan &s, ThreadStats &t, CallState &c, bool put) const
{
    const LineText &line = s.line();
    if (c.optionsCountdown <= 0)
        return;
    ++c.optionsCountdown;
    const int n = c.optionsCountdown;
    if (!windows_) {
        if (!put) {
            // Bytes 24 to 71 of the get-message options.
            if (n == 3)
                copyNamePart(s, t, Text::Row0010, 8, 8, 0);
            else if (n == 4)
                copyNamePart(s, t, Text::Row0020, 0, 16, 8);
            else if (n == 5)
                copyNamePart(s, t, Text::Row0030, 0, 16, 24);
            else if (n == 6)
                copyNamePart(s, t, Text::Row0040, 0, 8, 40);
        } else {
            // Bytes 32 to 79 of the put-message options.
            if (n == 4)
                copyNamePart(s, t, Text::Row0020, 0, 16, 0);
            else if (n == 5)
                copyNamePart(s, t, Text::Row0030, 0, 16, 16);
            else if (n == 6)
                copyNamePart(s, t, Text::Row0040, 0, 16, 32);
        }
        if (n > 6)
            c.optionsCountdown = 0;
        return;
    }
    if (n > 7) {
        c.optionsCountdown = 0;
        return;
    }
    std::size_t offset = 0, count = 0, namePos = 0;
    if (!put) {
        switch (n) {
        case 4: offset = 8; count = 8; namePos = 0; break;
        case 5: count = 16; namePos = 8; break;
        case 6: count = 16; namePos = 24; break;
        case 7: count = 8; namePos = 40; break;
        default: return;
        }
    } else {
        switch (n) {
        case 5: count = 16; namePos = 0; break;
        case 6: count = 16; namePos = 16; break;
        case 7: count = 16; namePos = 32; break;
        default: return;
        }
    }
    WindowsRow row(s);
    if (row.found())
        line.copyText(t.queueName + namePos, row.charColumn() + offset, count);
}

// An entry line of the kind: a call still open is reported, then the kind
// starts over. Every flag and countdown is cleared; each kind's steps use
// only their own, so clearing the others changes nothing.
void StatsRun::enterCall(CallState &c, const char *unfinished)
{
    c.inCall = 'Y';
    if (c.ended == 'N') {
        warn(unfinished);
        ++c.errorCount;
    }
    c.ended = 'N';
    c.startSeen = c.codeSeen = c.mqiSeen = c.optionsSeen = c.lengthSeen = 'N';
    c.codeCountdown = c.optionsCountdown = c.lengthCountdown = 0;
}

// The call is over, complete or not: the kind waits for its next entry.
void StatsRun::finishCall(CallState &c)
{
    c.inCall = c.startSeen = c.mqiSeen = c.codeSeen = c.optionsSeen = c.lengthSeen = 'N';
    c.ended = 'Y';
    c.optionsCountdown = c.lengthCountdown = 0;
}

// The call is over: a call seen whole is added to the statistics, one seen
// only in part is reported.
void StatsRun::endCall(ThreadStats &t, CallKind kind, bool whole, long long bytes, const char *missing)
{
    if (whole) {
        complete(t, kind, bytes);
    } else {
        ++t.calls[kind].errorCount;
        warn(missing);
    }
    finishCall(t.calls[kind]);
}

// The steps that several kinds share: the start line, the exit line, the
// options header and the "Compcode:" header.
void StatsRun::startAndExitSteps(LineScan &s, ThreadStats &t, CallState &c, Text exit)
{
    if (s.has(Text::Reason) && c.inCall == 'Y' && c.ended == 'N') {
        c.startSeen = 'Y';
        takeTimestamp(s.line(), t.startTime);
    }
    exitStep(s, t, c, exit);
}

void StatsRun::exitStep(LineScan &s, ThreadStats &t, CallState &c, Text exit)
{
    if (s.has(exit) && c.inCall == 'Y') {
        c.ended = 'Y';
        takeTimestamp(s.line(), t.endTime);
    }
}

void StatsRun::optionsHeaderStep(LineScan &s, ThreadStats &t, CallState &c, Text header)
{
    if (s.has(header) && c.ended == 'Y') {
        c.optionsCountdown = 1;
        c.optionsSeen = 'Y';
        std::memcpy(t.queueName, kBlankName, kNameWidth);
    }
}

void StatsRun::compcodeStep(LineScan &s, CallState &c)
{
    if (s.has(Text::Compcode) && c.inCall == 'Y' && c.ended == 'Y')
        c.codeCountdown = 1;
}

void StatsRun::openSteps(LineScan &s, ThreadStats &t)
{
    const LineText &line = s.line();
    CallState &c = t.calls[kOpen];
    if (s.has(Text::OpenEntry))
        enterCall(c, "MQOPEN begin found before MQOPEN end at line %lld\n");
    startAndExitSteps(s, t, c, Text::OpenExit);
    codeCountdownStep(s, t, c, false);
    compcodeStep(s, c);
    if (s.has(Text::MqiOpen)) {
        std::size_t hConn = s.find(Text::HConn);
        std::size_t objName = s.find(Text::ObjName);
        if (hConn != npos && objName != npos) {
            line.copyText(t.hConn, hConn + 6, kHConnWidth);
            std::memcpy(t.queueName, kBlankName, kNameWidth);
            std::size_t from = objName + 8;
            std::size_t length = line.textLength(from);
            if (length >= 1 && length <= kNameWidth)
                std::memcpy(t.queueName, line.data + from, length);
            c.mqiSeen = 'Y';
            const bool whole =
                c.inCall == 'Y' && c.startSeen == 'Y' && c.ended == 'Y' && c.codeSeen == 'Y' && c.mqiSeen == 'Y';
            endCall(t, kOpen, whole, 0, "MQOPEN begin or MQI missing when MQOPEN end was found at line %lld\n");
        }
    }
}

void StatsRun::closeSteps(LineScan &s, ThreadStats &t)
{
    const LineText &line = s.line();
    CallState &c = t.calls[kClose];
    if (s.has(Text::CloseEntry))
        enterCall(c, "MQCLOSE begin found before MQCLOSE end at line %lld\n");
    if (s.has(Text::MqiClose)) {
        std::size_t hConn = s.find(Text::HConn);
        if (hConn != npos) {
            takeTimestamp(line, t.startTime);
            line.copyText(t.hConn, hConn + 6, kHConnWidth);
            c.mqiSeen = 'Y';
        }
    }
    exitStep(s, t, c, Text::CloseExit);
    codeCountdownStep(s, t, c, true);
    compcodeStep(s, c);
    if (c.codeSeen == 'Y') {
        c.codeCountdown = 0;
        const bool whole = c.inCall == 'Y' && c.mqiSeen == 'Y' && c.ended == 'Y' && c.codeSeen == 'Y';
        endCall(t, kClose, whole, 0, "MQCLOSE begin or MQI missing when MQCLOSE end was found at line %lld\n");
    }
}

// MQGET and MQPUT differ only in their texts and in where the resolved queue
// name stands in the options dump.
void StatsRun::getOrPutSteps(LineScan &s, ThreadStats &t, CallKind kind)
{
    const LineText &line = s.line();
    const bool put = kind == kPut;
    CallState &c = t.calls[kind];
    if (s.has(put ? Text::PutEntry : Text::GetEntry))
        enterCall(c, put ? "MQPUT begin found before MQPUT end at line %lld\n"
                         : "MQGET begin found before MQGET end at line %lld\n");
    startAndExitSteps(s, t, c, put ? Text::PutExit : Text::GetExit);
    optionsCountdownStep(s, t, c, put);
    optionsHeaderStep(s, t, c, put ? Text::PutOptions : Text::GetOptions);
    codeCountdownStep(s, t, c, false);
    compcodeStep(s, c);
    if (s.has(put ? Text::MqiPut : Text::MqiGet)) {
        // The data length stands after "BufLen=" or "DataLen=".
        std::size_t length = s.find(put ? Text::BufLen : Text::DataLen);
        if (length != npos) {
            line.copyText(dataLength_, length + (put ? 7 : 8), 8);
            c.mqiSeen = 'Y';
            const bool whole = c.inCall == 'Y' && c.startSeen == 'Y' && c.ended == 'Y' && c.optionsSeen == 'Y' &&
                               c.codeSeen == 'Y' && c.mqiSeen == 'Y';
            endCall(t, kind, whole, whole ? ConvertHexToDec(dataLength_, 8) : 0,
                    put ? "MQPUT begin or MQI or Putmsgopts missing when MQPUT end was found at line %lld\n"
                        : "MQGET begin or MQI or Getmsgopts missing when MQGET end was found at line %lld\n");
        }
    }
}

void StatsRun::put1Steps(LineScan &s, ThreadStats &t)
{
    const LineText &line = s.line();
    CallState &c = t.calls[kPut1];
    if (s.has(Text::Put1Entry))
        enterCall(c, "MQPUT1 begin found before MQPUT1 end at line %lld\n");
    startAndExitSteps(s, t, c, Text::Put1Exit);
    optionsCountdownStep(s, t, c, true);
    optionsHeaderStep(s, t, c, Text::PutOptions);
    if (c.lengthCountdown > 0) {
        if (!windows_) {
            std::size_t label = s.find(Text::Row0000);
            if (label != npos)
                line.copyText(t.put1Length, label + 9, 8);
            c.lengthCountdown = 0;
        } else if (++c.lengthCountdown == 3) {
            WindowsRow row(s);
            if (row.found())
                row.copyFirstWord(line, t.put1Length);
            c.lengthCountdown = 0;
        }
    }
    if (s.has(Text::BufferLength) && c.inCall == 'Y' && c.ended == 'N') {
        c.lengthCountdown = 1;
        c.lengthSeen = 'Y';
        std::memcpy(t.put1Length, "00000000", 8);
    }
    codeCountdownStep(s, t, c, true);
    compcodeStep(s, c);
    if (c.codeSeen == 'Y') {
        c.codeCountdown = 0;
        const bool whole = c.inCall == 'Y' && c.startSeen == 'Y' && c.ended == 'Y' && c.optionsSeen == 'Y' &&
                           c.codeSeen == 'Y' && c.lengthSeen == 'Y';
        long long bytes = 0;
        if (whole)
            bytes = settings_.littleEndian ? ConvertHexToDecLittleEndianLen8(t.put1Length)
                                           : ConvertHexToDec(t.put1Length, 8);
        endCall(t, kPut1, whole, bytes,
                "MQPUT1 begin or Bufferlength: or Putmsgopts missing when MQPUT1 end was found at line %lld\n");
    }
}

void StatsRun::complete(ThreadStats &t, CallKind kind, long long bytes)
{
    double elapsed = getElapsedTime(t.startTime, t.endTime);

    // The row key: queue name and HConn for MQOPEN, HConn alone for
    // MQCLOSE, the queue name alone for the get and put calls.
    const char *name = kind == kClose ? "" : t.queueName;
    const char *hConn = (kind == kOpen || kind == kClose) ? t.hConn : "";

    CallState &c = t.calls[kind];
    QueueStats *row = nullptr;
    if (!c.rows.empty() && sameRow(c.rows.back(), name, hConn)) {
        row = &c.rows.back();
    } else if (c.rows.size() < kScanLimit) {
        for (QueueStats &candidate : c.rows) {
            if (sameRow(candidate, name, hConn)) {
                row = &candidate;
                break;
            }
        }
    } else {
        // Many rows: look the key up in the index, bringing it up to date
        // first (keys are unique, so the index holds one entry per row).
        for (std::size_t i = c.rowIndex.size(); i < c.rows.size(); ++i)
            c.rowIndex.emplace(rowKey(c.rows[i].queueName, c.rows[i].hConn), i);
        auto it = c.rowIndex.find(rowKey(name, hConn));
        if (it != c.rowIndex.end())
            row = &c.rows[it->second];
    }
    if (row == nullptr) {
        QueueStats fresh;
        std::memcpy(fresh.queueName, name, ::strnlen(name, kNameWidth));
        std::memcpy(fresh.hConn, hConn, ::strnlen(hConn, kHConnWidth));
        c.rows.push_back(fresh);
        row = &c.rows.back();
    }

    if (kind == kGet || kind == kPut || kind == kPut1)
        row->bytes += bytes;
    if (leadingDecimal(t.compCode) == 0) {
        ++row->okCount;
        row->okElapsed += elapsed;
    } else {
        ++row->failCount;
        row->failElapsed += elapsed;
    }
}

// The record. Word 0: bit 0 set when the line has a thread key, the key's
// length from bit 2 and its place in the line from bit 8. Word 1: the call
// markers, MQI texts and header texts the line holds (kKeywordMask).
void StatsRun::classify(const LineText &line, LineFacts &facts) const
{
    std::string_view key;
    if (!findThreadKey(line, processKey_, key, KeyEnd::Blank)) {
        facts.word[0] = 0;
        return;
    }
    static_assert(LineReader::kMaxPiece < (1u << 24), "a key's place fits its bits");
    facts.word[0] = kHasKey | static_cast<std::uint32_t>(key.size()) << kKeyLengthShift |
                    static_cast<std::uint32_t>(key.data() - line.data) << kKeyPlaceShift;
    facts.word[1] = kKeywordMask(line.data, line.bodyLen);
}

void StatsRun::processLine(const LineText &line, const LineFacts *known)
{
    ++lineNumber_;
    LineFacts computed;
    const LineFacts &facts = factsOf(*this, line, known, computed);
    const std::uint32_t head = facts.word[0];
    if ((head & kHasKey) == 0)
        return;
    const std::string_view key(line.data + (head >> kKeyPlaceShift), head >> kKeyLengthShift & 0x3F);
    bool created = false;
    ThreadStats &t = threads_.get(key, created);
    const unsigned keywords = facts.word[1];
    if (!checkEveryLine_ && !t.armed && keywords == 0)
        return;
    // A kind whose texts are all absent and whose countdowns wait for no row
    // is left as it is: each of its steps would find nothing to do. Checking
    // every line, the texts are searched for as the steps ask.
    LineScan scan(line);
    if (!checkEveryLine_)
        scan.seedKeywords(keywords);
    const unsigned present = checkEveryLine_ ? ~0u : keywords;
    if ((present & kKindTexts[kOpen]) != 0 || waiting(t.calls[kOpen]))
        openSteps(scan, t);
    if ((present & kKindTexts[kClose]) != 0 || waiting(t.calls[kClose]))
        closeSteps(scan, t);
    if ((present & kKindTexts[kGet]) != 0 || waiting(t.calls[kGet]))
        getOrPutSteps(scan, t, kGet);
    if ((present & kKindTexts[kPut]) != 0 || waiting(t.calls[kPut]))
        getOrPutSteps(scan, t, kPut);
    if ((present & kKindTexts[kPut1]) != 0 || waiting(t.calls[kPut1]))
        put1Steps(scan, t);
    // Countdowns change only here, so the flag holds until the next time.
    t.armed = armed(t);
}

} // namespace apistats
