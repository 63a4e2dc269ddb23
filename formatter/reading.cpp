#include "reading.h"

#include <cstring>
#include <string_view>

#include "linetext.h"
#include "outwriter.h"
#include "render.h"
#include "rows.h"

namespace {

constexpr auto npos = std::string_view::npos;

// An open or close call whose " Options:" line does not come within this many
// lines of the thread is given up.
constexpr int kOptionsLineWindow = 100;

void writeMissing(const PassContext &pc, const ValueKind &kind)
{
    const char *p = pc.tc.prefix;
    pc.out.print("%s FORMAT ERROR BEGIN\n", p);
    pc.out.print(pc.settings.os == OsKind::Windows ? kind.missingWindows : kind.missingUnix, p);
    pc.out.print(kind.unableLine, p);
    pc.out.print("%s FORMAT ERROR END\n", p);
}

// Reads the value line into the capture's row; false when its marker is missing.
bool readValueLine(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    const LineText &line = pc.line;
    switch (pc.settings.os) {
    case OsKind::Unix: {
        static constexpr Needle kFirstRow(" 0x0000:", 2);
        const std::size_t at = findRare(line.data, line.bodyLen, kFirstRow);
        if (at == npos)
            return false;
        copyUnixRow(cap.row, line, at + 1);
        return true;
    }
    case OsKind::Windows: {
        const std::size_t at = findRowAnchor(line);
        if (at == npos)
            return false;
        copyWindowsRow(cap.row, line, at);
        return true;
    }
    default: {
        const std::size_t at = kind.anchorAat != nullptr ? line.find(kind.anchorAat) : npos;
        if (at == npos)
            return false;
        copyAatRow(cap.row, line, at);
        return true;
    }
    }
}

// The six call parameters.
const NamedLine kHconnValues[] = {
    {-1, "%s    Hconn=MQHC_UNUSABLE_HCONN\n"},
    {0, "%s    Hconn=MQHC_DEF_HCONN\n"},
    {-3, "%s    Hconn=MQHC_UNASSOCIATED_HCONN\n"},
};
constexpr ConstantNames kHconnNames = equality(kHconnValues);

void writeReason(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    writeNumber(pc, cap, kind);
    cap.valueSeen = false;
}

constexpr unsigned kUnixWindows = kUnixOs | kWindowsOs;

} // namespace

const ValueKind kHconnKind{kUnixWindows, false, nullptr,
                           "%s Expected parsing token for Hconn: was not found on line below.\n",
                           "%s Expected parsing token for Hconn: was not found on line below.\n",
                           "%s Unable to format Hconn.\n", writeHexWord, "%s Hconn=%s\n", &kHconnNames};
const ValueKind kHobjKind{kUnixWindows, false, nullptr,
                          "%s Expected parsing token for Hobj: was not found on line below.\n",
                          "%s Expected parsing token for Hobj: was not found on line below.\n",
                          "%s Unable to format Hobj.\n", writeHexWord, "%s Hobj=%s\n"};
const ValueKind kBufferlengthKind{kUnixWindows, false, nullptr,
                                  "%s Expected parsing token for Bufferlength: was not found on line below.\n",
                                  "%s Expected parsing token for Bufferlength: was not found on line below.\n",
                                  "%s Unable to format Bufferlength.\n", writeNumber, "%s Bufferlength=%d\n"};
const ValueKind kDatalengthKind{kUnixWindows, false, nullptr,
                                "%s Expected parsing token for Datalength: was not found on line below.\n",
                                "%s Expected parsing token for Datalength: was not found on line below.\n",
                                "%s Unable to format Datalength.\n", writeNumber, "%s Datalength=%d\n"};
const ValueKind kCompcodeKind{kUnixWindows, false, nullptr,
                              "%s Expected parsing token for Compcode: was not found on line below.\n",
                              "%s Expected parsing token for Compcode: was not found on line below.\n",
                              "%s Unable to format Compcode.\n", writeNumber, "%s Compcode=%d\n"};
const ValueKind kReasonKind{kUnixWindows, false, nullptr,
                            "%s Expected parsing token for Reason: was not found on line below.\n",
                            "%s Expected parsing token for Reason: was not found on line below.\n",
                            "%s Unable to format Reason.\n", writeReason, "%s Reason=%d\n"};

const ValueKind &valueKind(ValueId id)
{
    static const ValueKind *const kinds[kValueCount] = {
        &kConnectOptsKind, &kOpenOptsKind, &kCloseOptsKind, &kCtlOptsKind, &kCrtMsgHOptsKind, &kDltMsgHOptsKind,
        &kHmsgKind, &kActualNameKind, &kPropValueKind, &kPropTypeKind, &kDltPropOptsKind, &kHconnKind,
        &kHobjKind, &kBufferlengthKind, &kDatalengthKind, &kCompcodeKind, &kReasonKind,
    };
    return *kinds[id];
}

std::int32_t valueAt(const PassContext &pc, const ValueCapture &cap, int byte)
{
    return convertLong(cap.row.hex + 2 * byte, pc.settings.littleEndian);
}

void writeOptionsWord(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    const OptionsWord &w = *kind.word;
    if (w.eyeCatcher != nullptr && std::memcmp(cap.row.chars, w.eyeCatcher, 4) != 0)
        return;
    char hex[9];
    std::memcpy(hex, cap.row.hex + 2 * w.byte, 8);
    hex[8] = '\0';
    const std::int32_t value = valueAt(pc, cap, w.byte);
    if (w.upperHex)
        for (char &ch : hex)
            if (ch >= 'a' && ch <= 'z')
                ch = static_cast<char>(ch - 'a' + 'A');
    const char *p = pc.tc.prefix;
    pc.out.print(w.header, p);
    pc.out.print(w.valueLine, p, value);
    pc.out.print(kHexLine4, p, hex);
    printConstantNames(pc.out, p, value, *kind.names);
}

void writeHexWord(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    char hex[9];
    std::memcpy(hex, cap.row.hex, 8);
    hex[8] = '\0';
    pc.out.print(kind.format, pc.tc.prefix, hex);
    if (kind.names != nullptr)
        printConstantNames(pc.out, pc.tc.prefix, valueAt(pc, cap, 0), *kind.names);
}

void writeNumber(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    pc.out.print(kind.format, pc.tc.prefix, valueAt(pc, cap, 0));
}

void writeHexBytes8(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    char hex[17];
    std::memcpy(hex, cap.row.hex, 16);
    hex[16] = '\0';
    pc.out.print(kind.format, pc.tc.prefix, hex);
}

void writeText16(const PassContext &pc, ValueCapture &cap, const ValueKind &kind)
{
    char text[17];
    std::memcpy(text, cap.row.chars, 16);
    text[16] = '\0';
    pc.out.print(kind.format, pc.tc.prefix, text);
}

void startValueCapture(const PassContext &pc, ValueId id)
{
    ValueCapture &cap = pc.tc.values[id];
    cap.inProgress = true;
    cap.valueSeen = false;
    cap.optionsLineSeen = false;
    cap.lineCount = 1;
    cap.optionsLineCount = 0;
}

void valueStep(const PassContext &pc, ValueId id)
{
    const ValueKind &kind = valueKind(id);
    ValueCapture &cap = pc.tc.values[id];
    const OsKind os = pc.settings.os;
    const bool reads = (kind.readsOn & osBit(os)) != 0;
    int c; // the count that decides which line is the value line
    if (kind.afterOptionsLine) {
        if (nextLineCount(cap.lineCount) > kOptionsLineWindow)
            cap.inProgress = false;
        if (cap.optionsLineSeen)
            nextLineCount(cap.optionsLineCount);
        if (!cap.optionsLineSeen && pc.line.contains(" Options:")) {
            cap.optionsLineSeen = true;
            cap.optionsLineCount = 1;
        }
        c = cap.optionsLineSeen && reads ? cap.optionsLineCount : 0;
    } else {
        // Where the value is not shown in a shape read, the block stays
        // open until its next trigger.
        if (!reads)
            return;
        c = nextLineCount(cap.lineCount);
    }
    const int valueLine = os == OsKind::Windows ? 3 : 2;
    if (c == valueLine) {
        if (readValueLine(pc, cap, kind))
            cap.valueSeen = true;
        else
            writeMissing(pc, kind);
    } else if (c > valueLine) {
        cap.inProgress = false;
    }
    if (cap.valueSeen && !cap.inProgress)
        kind.write(pc, cap, kind);
}
