#include "capture.h"

#include <cstring>
#include <string_view>

#include "linetext.h"
#include "outwriter.h"
#include "render.h"
#include "rows.h"

namespace {

constexpr auto npos = std::string_view::npos;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

void writeErrorReport(OutWriter &out, const char *p, const StructKind &kind, const StructCapture &cap)
{
    auto block = [&](const char *format, bool withName) {
        out.print("%s FORMAT ERROR BEGIN\n", p);
        if (withName)
            out.print(format, p, kind.name);
        else
            out.print(format, p);
        out.print("%s Unable to format %s.\n", p, kind.name);
        out.print("%s FORMAT ERROR END\n", p);
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

// A duplicate-lines notice standing for `count` rows equal to the row before it.
void applyNotice(StructCapture &cap, const StructKind &kind, int c, int row, bool firstLine, int count,
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

// unix: the row's label, or any "0x0" for kinds whose labels are not checked.
bool parseUnixLine(const StructKind &kind, StructCapture &cap, int c, const LineText &line)
{
    const int row = c - 2;
    std::size_t at;
    if (kind.anyLabel) {
        static constexpr Needle kAnyLabel("0x0", 1);
        at = findRare(line.data, line.bodyLen, kAnyLabel);
    } else {
        // The label of row r: "0x" and the offset 16r in four lower-case hex digits.
        static const char digits[] = "0123456789abcdef";
        const unsigned offset = static_cast<unsigned>(row * 16) & 0xFFFFu;
        const char label[] = {'0', 'x', digits[offset >> 12], digits[(offset >> 8) & 15],
                              digits[(offset >> 4) & 15], digits[offset & 15], ':'};
        at = findRare(line.data, line.bodyLen, Needle(std::string_view(label, sizeof label), 1));
    }
    if (at == npos) {
        (c == 2 ? cap.firstOffsetMissing : cap.tokenMissing) = true;
        return false;
    }
    const std::size_t skip = findUnixNotice(line, at);
    if (skip != npos) {
        const char first = line.at(skip + 11);
        const char second = line.at(skip + 12);
        int count = 0;
        if (isDigit(first)) {
            count = first - '0';
            if (isDigit(second))
                count = count * 10 + (second - '0');
        }
        applyNotice(cap, kind, c, row, c == 2, count, !isDigit(first));
        return false;
    }
    if (row >= kind.capacity)
        return false;
    copyUnixRow(cap.rows[row], line, at);
    return row == 0;
}

bool parseWindowsLine(const StructKind &kind, StructCapture &cap, int c, const LineText &line)
{
    const int row = c - 3;
    const std::size_t notice = findWindowsNotice(line);
    if (notice != npos) {
        const char tens = notice >= 3 ? line.at(notice - 3) : '\0';
        const char units = notice >= 2 ? line.at(notice - 2) : '\0';
        int count = 0;
        if (isDigit(units))
            count = (units - '0') + (isDigit(tens) ? 10 * (tens - '0') : 0);
        applyNotice(cap, kind, c, row, c <= 3, count, !isDigit(units));
        return false;
    }
    const std::size_t anchor = findRowAnchor(line);
    if (anchor == npos) {
        if (c > 2)
            cap.tokenMissing = true;
        return false;
    }
    if (c < 3 || row >= kind.capacity)
        return false;
    copyWindowsRow(cap.rows[row], line, anchor);
    return row == 0;
}

// zos and aat: row 0 is the trigger line itself, taken when the next line comes.
bool parseEyeCatcherLine(const StructKind &kind, StructCapture &cap, int c, const PassContext &pc)
{
    const bool zos = pc.settings.os == OsKind::Zos;
    const Needle marker = zos ? Needle(" +0") : Needle(" 0000");
    auto copyRow = [&](DumpRow &dst, const LineText &from) {
        const std::size_t at = from.find(marker);
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
    bool rowZero = false;
    if (c == 2)
        rowZero = copyRow(cap.rows[0], pc.savedTrigger);
    const int row = c - 1;
    if (row < kind.capacity)
        copyRow(cap.rows[row], pc.line);
    return rowZero;
}

} // namespace

void writeRestartWarning(OutWriter &out, const char *prefix, const char *name)
{
    out.print("%s FORMAT WARNING BEGIN\n", prefix);
    out.print("%s %s encountered while still parsing an existing %s\n", prefix, name, name);
    out.print("%s Resetting to format new %s\n", prefix, name);
    out.print("%s FORMAT WARNING END\n", prefix);
}

void startStructCapture(const PassContext &pc, StructId id, bool eyeCatcherTrigger)
{
    const StructKind &kind = structKind(id);
    StructCapture &cap = pc.tc.structs[id];
    cap.skipOnFirstLine = cap.skipCountMissing = cap.firstOffsetMissing = cap.tokenMissing = false;
    cap.lastLineSeen = false;
    cap.inProgress = true;
    cap.lineCount = 1;
    const int lastLine =
        eyeCatcherTrigger ? kind.eyeCatcherLastLine : kind.startLastLine[static_cast<int>(pc.settings.os)];
    if (lastLine >= 0)
        cap.lastLine = lastLine;
    cap.version = 1;
    // Every row starts blank: a row this dump does not fill never shows an
    // earlier dump's bytes.
    if (!cap.rows)
        cap.rows = std::make_unique<DumpRow[]>(static_cast<std::size_t>(kind.capacity));
    for (int r = 0; r < kind.capacity; ++r)
        blankRow(cap.rows[r]);
}

void structStep(const PassContext &pc, StructId id)
{
    const StructKind &kind = structKind(id);
    StructCapture &cap = pc.tc.structs[id];
    const int c = nextLineCount(cap.lineCount);
    if (cap.hasError()) {
        cap.inProgress = cap.lastLineSeen = false;
        writeErrorReport(pc.out, pc.tc.prefix, kind, cap);
        return;
    }
    if (c > cap.lastLine) {
        cap.inProgress = cap.lastLineSeen = false;
        if (std::memcmp(cap.rows[0].chars, kind.eyeCatcher, 4) == 0) {
            const ExpandContext ctx{pc.out, pc.tc.prefix, pc.settings, cap.rows.get(), kind.capacity,
                                    cap.version, pc.tc};
            pc.out.print(kind.header, pc.tc.prefix);
            renderFields(ctx, kind.fields, kind.fieldCount);
            if (kind.after != nullptr)
                kind.after(ctx);
        }
        return;
    }
    if (c == cap.lastLine)
        cap.lastLineSeen = true;
    const OsKind os = pc.settings.os;
    if ((kind.parsesOn & osBit(os)) == 0)
        return;
    bool rowZero;
    switch (os) {
    case OsKind::Unix:
        rowZero = parseUnixLine(kind, cap, c, pc.line);
        break;
    case OsKind::Windows:
        rowZero = parseWindowsLine(kind, cap, c, pc.line);
        break;
    default:
        rowZero = parseEyeCatcherLine(kind, cap, c, pc);
        break;
    }
    if (!rowZero)
        return;
    // The Version is read as soon as row 0 is in, and fixes the dump's length.
    cap.version = convertLong(cap.rows[0].hex + 8, pc.settings.littleEndian);
    int rows = kind.rowsNeeded(cap.version, pc.settings.pointerLength);
    if (rows <= 0)
        return;
    if (rows > kind.capacity)
        rows = kind.capacity;
    switch (os) {
    case OsKind::Unix: cap.lastLine = rows + 1; break;
    case OsKind::Windows: cap.lastLine = rows + 2; break;
    default: cap.lastLine = rows; break;
    }
}
