#include "render.h"

#include <cstring>

#include "hexconv.h"
#include "outwriter.h"

namespace {

// A field split at row boundaries: up to four pieces (a 48-byte field that
// starts inside a row touches at most four rows).
struct Pieces {
    const char *hex[4] = {"", "", "", ""};
    const char *chars[4] = {"", "", "", ""};
};

Pieces splitField(const ExpandContext &ctx, int offset, int length)
{
    Pieces p;
    int piece = 0;
    int b = offset;
    int end = offset + length;
    while (b < end && piece < 4) {
        int row = b / 16;
        if (row >= ctx.rowCount)
            break;
        int col = b % 16;
        p.hex[piece] = ctx.rows[row].hex + 2 * col;
        p.chars[piece] = ctx.rows[row].chars + col;
        b += 16 - col;
        ++piece;
    }
    return p;
}

void printConstantLine(OutWriter &out, const char *prefix, const char *field, const char *constant)
{
    out.print("%s    %s %s\n", prefix, field, constant);
}

} // namespace

std::int32_t convertLong(const char *hex8, bool littleEndian)
{
    char copy[9];
    std::memcpy(copy, hex8, 8);
    copy[8] = '\0';
    return littleEndian ? ConvertHexToDecLittleEndianLen8(copy) : ConvertHexToDecBigEndianLen8(copy);
}

std::int32_t readLong(const ExpandContext &ctx, int offset)
{
    int row = offset / 16;
    if (row >= ctx.rowCount)
        return 0;
    return convertLong(ctx.rows[row].hex + 2 * (offset % 16), ctx.settings.littleEndian);
}

void printConstantNames(OutWriter &out, const char *prefix, const char *field, std::int32_t value,
                        const ConstantNames &names)
{
    if (names.method == ConstantNames::Equality) {
        bool matched = false;
        for (int i = 0; i < names.valueCount; ++i) {
            if (names.values[i].value == value) {
                printConstantLine(out, prefix, field, names.values[i].name);
                matched = true;
            }
        }
        if (!matched && names.unknownLine)
            printConstantLine(out, prefix, field, "UNKNOWN_CONSTANT");
        return;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    if (bits == 0 && names.zeroCount > 0) {
        for (int i = 0; i < names.zeroCount; ++i)
            printConstantLine(out, prefix, field, names.zeroNames[i]);
        return;
    }
    for (int i = 0; i < names.testCount; ++i) {
        const MaskTest &t = names.tests[i];
        bool pass = t.anyBit ? (bits & t.mask) != 0 : (bits & t.mask) == t.match;
        if (pass)
            printConstantLine(out, prefix, field, t.name);
    }
}

void renderStructure(const ExpandContext &ctx, const char *headerName, const Field *fields, int count)
{
    OutWriter &out = ctx.out;
    out.print("%s %s expanded (all fields):\n", ctx.prefix, headerName);
    // A version of 0 or below is shown as far as version 1 goes.
    const int version = ctx.version < 1 ? 1 : ctx.version;
    for (int i = 0; i < count; ++i) {
        const Field &f = fields[i];
        if (version < f.minVersion)
            continue;
        Pieces p = splitField(ctx, f.offset, f.length);
        switch (f.type) {
        case FieldType::Long:
        case FieldType::Version: {
            std::int32_t value = f.type == FieldType::Version ? ctx.version : readLong(ctx, f.offset);
            out.print(f.valueFormat, ctx.prefix, value);
            out.print(kHexLine4, ctx.prefix, p.hex[0]);
            if (f.names)
                printConstantNames(out, ctx.prefix, f.name, value, *f.names);
            break;
        }
        case FieldType::Char:
            out.print(f.valueFormat, ctx.prefix, p.chars[0], p.chars[1], p.chars[2], p.chars[3]);
            if (f.hexFormat)
                out.print(f.hexFormat, ctx.prefix, p.hex[0], p.hex[1], p.hex[2], p.hex[3]);
            break;
        case FieldType::Byte:
            out.print(f.valueFormat, ctx.prefix, p.hex[0], p.hex[1], p.hex[2], p.hex[3]);
            break;
        }
    }
}
