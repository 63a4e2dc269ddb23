#include "msgdata.h"

#include <cstring>
#include <new>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "capture.h"
#include "linetext.h"
#include "outwriter.h"
#include "rows.h"

ThreadContext::ThreadContext() = default;
ThreadContext::~ThreadContext() = default;

MessageRun::MessageRun(const RunSettings &s) : settings(s), search(s.searchText) {}

namespace {

constexpr auto npos = std::string_view::npos;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The value of a hex digit, or -1.
int hexDigit(char c)
{
    static const auto kTable = [] {
        struct {
            signed char v[256];
        } t{};
        for (int i = 0; i < 256; ++i)
            t.v[i] = -1;
        for (int i = 0; i < 10; ++i)
            t.v['0' + i] = static_cast<signed char>(i);
        for (int i = 0; i < 6; ++i)
            t.v['a' + i] = t.v['A' + i] = static_cast<signed char>(10 + i);
        return t;
    }();
    return kTable.v[static_cast<unsigned char>(c)];
}
bool isAlnum(char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Memory for the message's lists cannot be had: the run cannot go on.
[[noreturn]] void allocationFailed(const char *format, int size) { throw MessageMemoryError{format, size}; }

void crtUtfTracker(MessageState &m) { m.notable.clear(); }

// An entry for the byte at 1-based `position`.
void addUtfTracker(MessageState &m, Notable kind, long long position)
{
    try {
        m.notable.add(static_cast<unsigned>(kind), static_cast<std::uint64_t>(position > 0 ? position - 1 : 0));
    } catch (const std::bad_alloc &) {
        allocationFailed("Failed to allocate memory(%d) for utfTracker List. Ending Program!\n", 16);
    }
}

void clearUtfTracker(MessageState &m) { m.notable.clear(); }

const char *const kNotableFormats[] = {"%llx-INV,", "%llx-MB2,", "%llx-MB3,", "%llx-MB4,", "%llx-SP,"};

void printUtfTracker(const PassContext &pc, const MessageState &m)
{
    if (m.notable.empty())
        return;
    OutWriter &out = pc.out;
    out.print("msg-parser Byte Analysis: Line:%lld ", pc.lineNumber);
    int inLine = 0;
    m.notable.forEach([&](unsigned kind, std::uint64_t offset) {
        out.print(kNotableFormats[kind], static_cast<unsigned long long>(offset));
        if (++inLine == 100) {
            out.print("\n%s msg-parser: Byte Analysis - ", pc.tc.key);
            inLine = 0;
        }
    });
    out.write("\n", 1);
}

void msg2File_addBytes(MessageState &m, const unsigned char *bytes, std::size_t n)
{
    try {
        m.store.append(bytes, n);
    } catch (const std::bad_alloc &) {
        allocationFailed("Failed to allocate memory(%d) for msg2FileItem. Ending Program!\n", 4108);
    }
}

void msg2File_print(const PassContext &pc, const MessageState &m)
{
    switch (writeMessageFile(m.fileName, m.store, pc.settings.inputFile, pc.settings.outputFile)) {
    case FileWrite::Ok:
        break;
    case FileWrite::OpenFailed:
        pc.out.print("ERROR: Unable to open file %s for msg2Line!\n", m.fileName);
        break;
    case FileWrite::WriteFailed:
        pc.out.print("ERROR: Unable to write file %s for msg2Line!\n", m.fileName);
        break;
    }
}

void msgSearch_print(const PassContext &pc, const MessageRun &run, const MessageState &m)
{
    const SearchPattern &pattern = run.search;
    if (pattern.length() == 0)
        return;
    const unsigned char first = pattern.first();
    int state = 0;
    unsigned long long start = 0; // message offset of the chunk
    m.store.forEachChunk([&](const unsigned char *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            // Outside a partial match, only a first byte can start one.
            if (state == 0) {
                const void *at = std::memchr(p + i, first, n - i);
                if (at == nullptr)
                    break;
                i = static_cast<std::size_t>(static_cast<const unsigned char *>(at) - p);
            }
            if (pattern.step(state, p[i]))
                pc.out.print("msgSearch: hit at message offset %llx\n",
                             start + i + 1 - static_cast<unsigned long long>(pattern.length()));
        }
        start += n;
    });
}

void msg2File_clear(MessageState &m) { m.store.clear(); }

// Everything of a message, for a new one (the capture request stays).
void resetMessage(MessageState &m)
{
    const bool pending = m.capturePending;
    char name[sizeof m.fileName];
    std::memcpy(name, m.fileName, sizeof name);
    clearUtfTracker(m);
    msg2File_clear(m);
    m.inProgress = m.done = m.skipFirstError = m.skipFormatError = false;
    m.utf8Pending = m.utf8Remaining = 0;
    m.inSurrogate = false;
    m.surrogateBytes = 0;
    m.byteCount = m.ascii = m.mb2 = m.mb3 = m.mb4 = m.sp = m.inv = 0;
    m.bigMarks = m.littleMarks = m.unitStart = 0;
    m.bytesRead = 0;
    std::memset(m.previousRow, 0, sizeof m.previousRow);
    m.capturePending = pending;
    std::memcpy(m.fileName, name, sizeof name);
    crtUtfTracker(m);
}

MessageState &stateOf(ThreadContext &tc)
{
    if (!tc.message)
        tc.message = std::make_unique<MessageState>();
    return *tc.message;
}

// Feeds bytes of the message, in order, to the check of the run's CCSID
// and, when they are kept, to the byte store.
void feedBytes(const PassContext &pc, MessageState &m, const unsigned char *bytes, std::size_t n)
{
    m.bytesRead += static_cast<long long>(n);
    switch (pc.settings.messageCcsid) {
    case 819:
        for (std::size_t i = 0; i < n; ++i)
            iso88591_check(m, bytes[i]);
        break;
    case 1208: {
        std::size_t i = 0;
        // A whole row of text outside a sequence is only counted.
        if (n == 16 && m.utf8Pending == 0) {
            std::uint64_t a, b;
            std::memcpy(&a, bytes, 8);
            std::memcpy(&b, bytes + 8, 8);
            if (((a | b) & 0x8080808080808080ull) == 0) {
                m.byteCount += 16;
                m.ascii += 16;
                break;
            }
        }
        while (i < n) {
            // Text outside a sequence is only counted.
            std::size_t run = 0;
            if (m.utf8Pending == 0)
                while (i + run < n && bytes[i + run] < 0x80)
                    ++run;
            if (run > 0) {
                m.byteCount += static_cast<long long>(run);
                m.ascii += static_cast<long long>(run);
                i += run;
                continue;
            }
            utf8_check(m, bytes[i++]);
        }
        break;
    }
    case 1200:
        for (std::size_t i = 0; i < n; ++i)
            utf16_check(m, bytes[i], pc.settings.littleEndian);
        break;
    default:
        break;
    }
    if (m.capturePending || pc.settings.searchOn)
        msg2File_addBytes(m, bytes, n);
}

void writeTotals(const PassContext &pc, const MessageState &m)
{
    OutWriter &out = pc.out;
    const ThreadContext &tc = pc.tc;
    const bool aat = pc.settings.os == OsKind::Aat;
    const long long line = pc.lineNumber;
    switch (pc.settings.messageCcsid) {
    case 819:
        if (aat)
            out.print("msg-parser  ISO-8859-1 Totals: Line:%lld Byte:%lld ASCII:%lld Inv:%lld\n", line, m.byteCount,
                      m.ascii, m.inv);
        else
            out.print("msg-parser  ISO-8859-1 Totals: Line:%lld Pid:%s Format:%s CCSID:%d API:%s Byte:%lld ASCII:%lld "
                      "Inv:%lld\n",
                      line, tc.key, tc.mdFormat, tc.mdCCSID, tc.callName, m.byteCount, m.ascii, m.inv);
        break;
    case 1208:
        if (aat)
            out.print("msg-parser  UTF-8 Totals: Line:%lld Byte:%lld ASCII:%lld MB2:%lld MB3:%lld MB4:%lld Inv:%lld\n",
                      line, m.byteCount, m.ascii, m.mb2, m.mb3, m.mb4, m.inv);
        else
            out.print("msg-parser  UTF-8 Totals: Line:%lld Pid:%s Format:%s CCSID:%d API:%s Byte:%lld ASCII:%lld "
                      "MB2:%lld MB3:%lld MB4:%lld Inv:%lld\n",
                      line, tc.key, tc.mdFormat, tc.mdCCSID, tc.callName, m.byteCount, m.ascii, m.mb2, m.mb3, m.mb4,
                      m.inv);
        break;
    case 1200:
        if (aat)
            out.print("msg-parser UTF-16 Totals: Line:%lld Byte:%lld ASCII:%lld SP:%lld Inv:%lld\n", line, m.byteCount,
                      m.ascii, m.sp, m.inv);
        else
            out.print("msg-parser UTF-16 Totals: Line:%lld Pid:%s Format:%s CCSID:%d API:%s Byte:%lld ASCII:%lld "
                      "SP:%lld Inv:%lld\n",
                      line, tc.key, tc.mdFormat, tc.mdCCSID, tc.callName, m.byteCount, m.ascii, m.sp, m.inv);
        break;
    default:
        break;
    }
}

void writeParseError(const PassContext &pc, const char *cause)
{
    const char *p = pc.tc.prefix;
    pc.out.print("%s FORMAT ERROR BEGIN\n", p);
    pc.out.print(cause, p);
    pc.out.print("%s Stopping parsing of message buffer.\n", p);
    pc.out.print("%s FORMAT ERROR END\n", p);
}

// The report of an ended message; the message is then over.
void report(const PassContext &pc, const MessageRun &run, MessageState &m)
{
    if (pc.settings.messageCcsid != 0) {
        writeTotals(pc, m);
        printUtfTracker(pc, m);
    }
    if (m.capturePending)
        msg2File_print(pc, m);
    if (pc.settings.searchOn)
        msgSearch_print(pc, run, m);
    if (m.skipFirstError)
        writeParseError(pc, "%s A Skipping Duplicate Lines was found on the first messager buffer line.\n");
    if (m.skipFormatError)
        writeParseError(pc, "%s A Skipping Duplicate Lines was not formatted correctly.\n");
    clearUtfTracker(m);
    msg2File_clear(m);
    m.capturePending = false;
    m.inProgress = m.done = false;
}

// What one line of a message dump is.
struct DataLine {
    enum Kind { Row, Notice, BadNotice, PassOver, End } kind = End;
    std::size_t base = 0;              // Row: where the first pair stands
    const unsigned char *pairs = nullptr; // Row: the pairs' places after base
    int count = 0;                     // Notice: rows left out; a bad notice has none
};

// The bytes of a unix data row, four words of eight hex digits from `base`,
// decoded 32 digits at a time; the count of whole pairs before the first
// character that is not a hex digit (0 when the row is too short for this
// way, so that the pair-by-pair way takes it).
int decodeUnixRow(const LineText &line, std::size_t base, unsigned char *bytes)
{
#if defined(__SSE2__)
    if (base + 35 > line.bodyLen)
        return 0;
    alignas(16) char hex[32];
    const char *p = line.data + base;
    std::memcpy(hex, p, 8);
    std::memcpy(hex + 8, p + 9, 8);
    std::memcpy(hex + 16, p + 18, 8);
    std::memcpy(hex + 24, p + 27, 8);
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9), lowerA = _mm_set1_epi8('a' - 10),
                  five = _mm_set1_epi8(5), caseBit = _mm_set1_epi8(0x20), byteMask = _mm_set1_epi16(0xFF);
    unsigned valid = 0;
    __m128i values[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i *>(hex + 16 * half));
        // Digits: c - '0' in 0..9 (unsigned); letters: (c | 0x20) - 'a' in 0..5.
        const __m128i digit = _mm_sub_epi8(c, zero);
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, nine), digit);
        const __m128i letter = _mm_sub_epi8(_mm_or_si128(c, caseBit), _mm_set1_epi8('a'));
        const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, five), letter);
        const __m128i value = _mm_or_si128(_mm_and_si128(isDigit, digit),
                                           _mm_and_si128(isLetter, _mm_sub_epi8(_mm_or_si128(c, caseBit), lowerA)));
        valid |= static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter))) << (16 * half);
        // Each pair: the first digit is the high nibble.
        values[half] = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(value, byteMask), 4), _mm_srli_epi16(value, 8));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(bytes), _mm_packus_epi16(values[0], values[1]));
    const int digits = valid == 0xFFFFFFFFu ? 32 : __builtin_ctz(~valid);
    return digits / 2;
#else
    (void)line, (void)base, (void)bytes;
    return 0;
#endif
}

// Where the 16 pairs of hex digits of a data row stand: unix in words of
// four bytes, windows a byte every third character, aat in groups of two.
const unsigned char kUnixPairs[16] = {0, 2, 4, 6, 9, 11, 13, 15, 18, 20, 22, 24, 27, 29, 31, 33};
const unsigned char kWindowsPairs[16] = {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 36, 39, 42, 45};
const unsigned char kAatPairs[16] = {0, 2, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 30, 32, 35, 37};

DataLine readUnixLine(const LineText &line)
{
    DataLine d;
    const std::size_t a = findRowAnchor(line);
    if (a == npos)
        return d;
    const std::size_t skip = findUnixNotice(line, a);
    if (skip != npos) {
        const char c1 = line.at(skip + 11), c2 = line.at(skip + 12), c3 = line.at(skip + 13);
        if (!isDigit(c1)) {
            d.kind = DataLine::BadNotice;
            return d;
        }
        // The second and third characters are each taken when they are
        // digits, whatever the other one is.
        d.kind = DataLine::Notice;
        d.count = c1 - '0';
        if (isDigit(c2))
            d.count = d.count * 10 + (c2 - '0');
        if (isDigit(c3))
            d.count = d.count * 10 + (c3 - '0');
        return d;
    }
    d.kind = DataLine::Row;
    d.base = a + 10;
    d.pairs = kUnixPairs;
    return d;
}

DataLine readWindowsLine(const LineText &line)
{
    DataLine d;
    const std::size_t a = findRowAnchor(line);
    if (a != npos) {
        d.kind = DataLine::Row;
        // The layout is told by the character 14 after " 0x", as for dump
        // rows; a line that ends before it (an unpadded last row of the
        // address-only layout) has its bytes where that layout puts them.
        d.base = a + 14 < line.bodyLen ? windowsBytesFrom(line, a) : a + 12;
        d.pairs = kWindowsPairs;
        return d;
    }
    const std::size_t n = findWindowsNotice(line);
    if (n != npos) {
        if (n <= 9 || !isDigit(line.at(n - 2))) {
            d.kind = DataLine::BadNotice;
            return d;
        }
        // The characters 4, 3 and 2 before the text, each taken when it is
        // a digit (the one 2 before always is, as checked above): the count
        // is the digits taken, in order.
        d.kind = DataLine::Notice;
        d.count = 0;
        for (std::size_t back = 4; back >= 2; --back) {
            const char c = line.at(n - back);
            if (isDigit(c))
                d.count = d.count * 10 + (c - '0');
        }
        return d;
    }
    static constexpr Needle kDataHeading(" Data:-");
    if (findRare(line.data, line.bodyLen, kDataHeading) != npos)
        d.kind = DataLine::PassOver;
    return d;
}

DataLine readAatLine(const LineText &line)
{
    DataLine d;
    std::size_t i = 0;
    while (i < 99 && line.at(i) == ' ')
        ++i;
    for (std::size_t k = 0; k < 8; ++k)
        if (!isHex(line.at(i + k)))
            return d;
    if (line.at(i + 8) != ':')
        return d;
    d.kind = DataLine::Row;
    d.base = i + 11;
    d.pairs = kAatPairs;
    return d;
}

// A "msg2File-" marker counts only within this many bytes of its line start.
constexpr std::size_t kMarkerWindow = 2048;

// Whether a marker at `at` names a file, and so leaves a capture pending.
bool markerNamesFile(const LineText &line, std::size_t at)
{
    return at <= kMarkerWindow && isAlnum(line.at(at + kFileMarker.text.size()));
}

// Whether the line that ended a message whose last row was full would act
// on it as it stands, so that the message is reported before the line, as
// it would have been had its last row been short, and the line then acts as
// after any report:
// - a data trigger (" Buffer:", and "Message Data:" on aat) with -m or -s on,
//   with the message's own capture still pending, or after a marker that
//   names a file, would restart the message and lose it;
// - a marker would move a pending capture to another name or cancel it, or
//   arm a capture that the late report would take for this message.
// Only a line that gave the message nothing ends a full last row. A line that
// gave it bytes, or a well-formed duplicate-lines notice, is one of the
// message's own lines, and a trigger or marker on it acts as on any of its
// rows; a message with no row at all has no last row. Otherwise nothing is
// lost: the line ends the message like any other, and the report comes
// before the thread's next line.
bool actsOnEndedMessage(const PassContext &pc, const MessageState &m, bool ownLine)
{
    if (ownLine || m.bytesRead == 0)
        return false;
    const std::size_t at = pc.line.find(kFileMarker);
    const bool names = at != npos && markerNamesFile(pc.line, at);
    const bool trigger = pc.line.endsWithLine(" Buffer:") ||
                         (pc.settings.os == OsKind::Aat && pc.line.endsWithLine("Message Data:"));
    if (trigger && (pc.settings.messageCcsid != 0 || pc.settings.searchOn || m.capturePending || names))
        return true;
    return at != npos && (m.capturePending || names);
}

} // namespace

void iso88591_check(MessageState &m, unsigned char b)
{
    ++m.byteCount;
    if (b < 0x80)
        ++m.ascii;
    if (b <= 0x1F || (b >= 0x7F && b <= 0xA0)) {
        ++m.inv;
        addUtfTracker(m, Notable::Inv, m.byteCount);
    }
}

void utf8_check(MessageState &m, unsigned char b)
{
    ++m.byteCount;
    bool continued = false;
    bool broke = false;
    if (m.utf8Pending != 0) {
        if ((b & 0xC0) == 0x80) {
            continued = true;
            if (--m.utf8Remaining == 0) {
                (m.utf8Pending == 2 ? m.mb2 : m.utf8Pending == 3 ? m.mb3 : m.mb4) += 1;
                m.utf8Pending = 0;
            }
        } else {
            m.utf8Pending = 0;
            m.utf8Remaining = 0;
            broke = true;
        }
    }
    bool lead = true;
    if (b >= 0xC2 && b <= 0xDF) {
        m.utf8Pending = 2, m.utf8Remaining = 1;
        addUtfTracker(m, Notable::Mb2, m.byteCount);
    } else if (b >= 0xE0 && b <= 0xEF) {
        m.utf8Pending = 3, m.utf8Remaining = 2;
        addUtfTracker(m, Notable::Mb3, m.byteCount);
    } else if (b >= 0xF0 && b <= 0xF4) {
        m.utf8Pending = 4, m.utf8Remaining = 3;
        addUtfTracker(m, Notable::Mb4, m.byteCount);
    } else {
        lead = false;
    }
    if (b < 0x80)
        ++m.ascii;
    if (broke || (!continued && !lead && b >= 0x80)) {
        ++m.inv;
        addUtfTracker(m, Notable::Inv, m.byteCount);
    }
}

void utf16_check(MessageState &m, unsigned char b, bool littleEndian)
{
    const long long p = ++m.byteCount;
    if (p == 1) {
        if (b == 0xFE)
            ++m.bigMarks;
        else if (b == 0xFF)
            ++m.littleMarks;
    } else if (p == 2) {
        if (b == 0xFE)
            ++m.littleMarks;
        else if (b == 0xFF)
            ++m.bigMarks;
    }
    bool little = littleEndian;
    if (m.bigMarks == 2)
        little = false;
    if (m.littleMarks == 2)
        little = true;
    const bool odd = (p & 1) != 0;
    const bool high = little ? !odd : odd; // the high-order byte of its code unit
    if (m.inSurrogate) {
        ++m.surrogateBytes;
        if (m.surrogateBytes == 2) {
            if (b >= 0xDC && b <= 0xDF) {
                if (little) {
                    ++m.sp;
                    m.inSurrogate = false;
                }
            } else {
                ++m.inv;
                addUtfTracker(m, Notable::Inv, p);
                m.inSurrogate = false;
            }
        } else if (m.surrogateBytes == 3) {
            ++m.sp;
            m.inSurrogate = false;
        }
    }
    if (!m.inSurrogate && high && b >= 0xD8 && b <= 0xDB) {
        m.inSurrogate = true;
        m.surrogateBytes = 0;
        addUtfTracker(m, Notable::Sp, p);
    }
    if (!m.inSurrogate) {
        if (!little) {
            if (high && b == 0x00)
                m.unitStart = p;
            else if (!high && b < 0x80 && p == m.unitStart + 1)
                ++m.ascii;
        } else {
            if (!high && b < 0x80)
                m.unitStart = p;
            else if (high && b == 0x00 && p == m.unitStart + 1)
                ++m.ascii;
        }
    }
}

bool messageInProgress(const ThreadContext &tc) { return tc.message && tc.message->inProgress; }

bool messageTrigger(const PassContext &pc, const MessageRun &run, const char *warningName)
{
    const bool pending = pc.tc.message && pc.tc.message->capturePending;
    if (run.settings.messageCcsid == 0 && !run.settings.searchOn && !pending)
        return false;
    MessageState &m = stateOf(pc.tc);
    if (m.inProgress)
        writeRestartWarning(pc.out, pc.tc.prefix, warningName);
    resetMessage(m);
    m.inProgress = true;
    return true;
}

void fileMarker(const PassContext &pc)
{
    MessageState &m = stateOf(pc.tc);
    const char *p = pc.tc.prefix;
    if (m.capturePending)
        writeRestartWarning(pc.out, p, "msg2File-");
    m.capturePending = true;
    const std::size_t at = pc.line.find(kFileMarker);
    if (at == npos) // the trigger matched on this line, so this does not happen
        return;
    if (at > kMarkerWindow) {
        pc.out.print("%s FORMAT WARNING BEGIN\n", p);
        pc.out.print("%s msg2File- must begin within first %d bytes of line\n", p,
                     static_cast<int>(kMarkerWindow));
        pc.out.print("%s Ignoring this msg2File-\n", p);
        pc.out.print("%s FORMAT WARNING END\n", p);
        m.capturePending = false;
        return;
    }
    std::size_t n = 0;
    const std::size_t start = at + kFileMarker.text.size();
    while (n < sizeof m.fileName - 1 && isAlnum(pc.line.at(start + n))) {
        m.fileName[n] = pc.line.at(start + n);
        ++n;
    }
    m.fileName[n] = '\0';
    if (n == 0) {
        pc.out.print("%s FORMAT WARNING BEGIN\n", p);
        pc.out.print("%s msg2File- is followed by an invalid file name!\n", p);
        pc.out.print("%s Ignoring this msg2File-\n", p);
        pc.out.print("%s FORMAT WARNING END\n", p);
        m.capturePending = false;
    }
}

void messageStep(const PassContext &pc, const MessageRun &run)
{
    MessageState &m = *pc.tc.message;
    if (m.done) {
        report(pc, run, m);
        return;
    }
    DataLine d;
    switch (pc.settings.os) {
    case OsKind::Unix: d = readUnixLine(pc.line); break;
    case OsKind::Windows: d = readWindowsLine(pc.line); break;
    case OsKind::Aat: d = readAatLine(pc.line); break;
    case OsKind::Zos: return; // not read: the message stays open until the next trigger
    }
    // Whether the line gave the message bytes or carried it on: a line that
    // ends a message without giving it anything (a malformed notice among
    // them) is not one of its own lines.
    bool ownLine = d.kind != DataLine::End && d.kind != DataLine::BadNotice;
    switch (d.kind) {
    case DataLine::PassOver:
        return;
    case DataLine::End:
        m.done = true;
        break;
    case DataLine::BadNotice:
        // Still a notice, of no rows: the notice step below runs as well.
        m.skipFormatError = true;
        m.done = true;
        [[fallthrough]];
    case DataLine::Notice:
        if (m.bytesRead == 0) {
            m.skipFirstError = true;
            m.done = true;
            break;
        }
        for (int r = 0; r < d.count; ++r)
            feedBytes(pc, m, m.previousRow, sizeof m.previousRow);
        break;
    case DataLine::Row: {
        // Pairs of hex digits up to the first pair that is not one: the
        // last, partly filled row of a dump ends the message.
        unsigned char bytes[16];
        const LineText &line = pc.line;
        int n = d.pairs == kUnixPairs ? decodeUnixRow(line, d.base, bytes) : 0;
        for (; n < 16; ++n) {
            const std::size_t at = d.base + d.pairs[n];
            if (at + 1 >= line.bodyLen)
                break;
            const int high = hexDigit(line.data[at]);
            const int low = hexDigit(line.data[at + 1]);
            if (high < 0 || low < 0)
                break;
            bytes[n] = static_cast<unsigned char>(high << 4 | low);
        }
        std::memcpy(m.previousRow, bytes, static_cast<std::size_t>(n));
        feedBytes(pc, m, bytes, static_cast<std::size_t>(n));
        if (n < 16)
            m.done = true;
        ownLine = n > 0;
        break;
    }
    }
    // A message whose full last row is ended by a line that would act on it
    // (a trigger line, even one read as a data row because it holds " 0x",
    // or a file marker) is reported before that line, so the line finds no
    // message in progress. On the re-pass of its own trigger line a message
    // has no row yet, and the trigger restarts it as usual.
    if (m.done && actsOnEndedMessage(pc, m, ownLine))
        report(pc, run, m);
}
