#include "render.h"

#include <cstring>

#include "hexconv.h"
#include "outwriter.h"

namespace {

// A field split at row boundaries: one piece for every row it touches. A
// piece of a row the capture does not hold is empty.
struct Pieces {
    const char *hex[kMaxPieces] = {"", "", "", "", "", ""};
    const char *chars[kMaxPieces] = {"", "", "", "", "", ""};
};

Pieces splitField(const ExpandContext &ctx, int offset, int length)
{
    Pieces p;
    int piece = 0;
    for (int b = offset; b < offset + length && piece < kMaxPieces; ++piece) {
        const int row = b / 16;
        const int col = b % 16;
        if (row < ctx.rowCount) {
            p.hex[piece] = ctx.rows[row].hex + 2 * col;
            p.chars[piece] = ctx.rows[row].chars + col;
        }
        b += 16 - col;
    }
    return p;
}

// The parts of a variable-length string descriptor, after its pointer.
const char *const kCharvLongs[] = {
    "%s    VSOffset (MQLONG)        : %d\n",
    "%s    VSBufSize (MQLONG)       : %d\n",
    "%s    VSLength (MQLONG)        : %d\n",
    "%s    VSCCSID (MQLONG)         : %d\n",
};

void renderCharv(const ExpandContext &ctx, int offset)
{
    const bool p8 = ctx.settings.pointerLength == 8;
    const int ptr = p8 ? 8 : 4;
    Pieces p = splitField(ctx, offset, ptr);
    if (p8)
        ctx.out.print("%s    VSPtr (MQPTR)            : x'%.16s'\n", ctx.prefix, p.hex[0]);
    else
        ctx.out.print("%s    VSPtr (MQPTR)            : x'%.8s'\n", ctx.prefix, p.hex[0]);
    for (int i = 0; i < 4; ++i) {
        const int at = offset + ptr + 4 * i;
        ctx.out.print(kCharvLongs[i], ctx.prefix, readLong(ctx, at));
        ctx.out.print(kHexLine4, ctx.prefix, splitField(ctx, at, 4).hex[0]);
    }
}

// The hex characters of the byte at `offset` and on, as its row holds them;
// null for a row the capture does not hold.
const char *heldHex(const ExpandContext &ctx, int offset)
{
    const int row = offset / 16;
    if (offset < 0 || row >= ctx.rowCount)
        return nullptr;
    return ctx.rows[row].hex + 2 * (offset % 16);
}

// The byte at `offset` from its two hex characters; 0 for a row not held.
std::int32_t readOctet(const ExpandContext &ctx, int offset)
{
    const char *hex = heldHex(ctx, offset);
    if (hex == nullptr)
        return 0;
    // Both characters as the row holds them, a NUL among them included.
    char copy[3] = {hex[0], hex[1], '\0'};
    return ConvertHexToDecLen2(copy);
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
    const char *hex = heldHex(ctx, offset);
    return hex == nullptr ? 0 : convertLong(hex, ctx.settings.littleEndian);
}

void printConstantNames(OutWriter &out, const char *prefix, std::int32_t value, const ConstantNames &names)
{
    if (names.method == ConstantNames::Equality) {
        bool matched = false;
        for (int i = 0; i < names.valueCount; ++i) {
            if (names.values[i].value == value) {
                // An entry without a line names a value that prints nothing.
                if (names.values[i].line != nullptr)
                    out.print(names.values[i].line, prefix);
                matched = true;
            }
        }
        if (!matched && names.unknownLine != nullptr)
            out.print(names.unknownLine, prefix);
        return;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    if (bits == 0 && names.zeroCount > 0) {
        for (int i = 0; i < names.zeroCount; ++i)
            out.print(names.zeroLines[i], prefix);
        return;
    }
    for (int i = 0; i < names.testCount; ++i) {
        const MaskLine &t = names.tests[i];
        if (t.anyBit ? (bits & t.mask) != 0 : (bits & t.mask) == t.match)
            out.print(t.line, prefix);
    }
    if (names.next != nullptr)
        printConstantNames(out, prefix, value, *names.next);
}

void renderFields(const ExpandContext &ctx, const Field *fields, std::size_t count)
{
    OutWriter &out = ctx.out;
    const char *prefix = ctx.prefix;
    const bool p8 = ctx.settings.pointerLength == 8;
    const int version = ctx.version < 1 ? 1 : ctx.version;
    for (std::size_t i = 0; i < count; ++i) {
        const Field &f = fields[i];
        if (version < f.minVersion || (f.pointers == ForPointers::Only4 && p8) ||
            (f.pointers == ForPointers::Only8 && !p8))
            continue;
        const char *format = p8 && f.format8 != nullptr ? f.format8 : f.format;
        const int offset = p8 && f.offset8 >= 0 ? f.offset8 : f.offset;
        const int length = p8 && f.length8 >= 0 ? f.length8 : f.length;
        const Pieces p = splitField(ctx, offset, length);
        switch (f.type) {
        case FieldType::Long:
        case FieldType::Version: {
            const std::int32_t value = f.type == FieldType::Version ? ctx.version : readLong(ctx, offset);
            out.print(format, prefix, value);
            out.print(kHexLine4, prefix, p.hex[0]);
            if (f.names != nullptr)
                printConstantNames(out, prefix, value, *f.names);
            break;
        }
        case FieldType::Char:
            out.print(format, prefix, p.chars[0], p.chars[1], p.chars[2], p.chars[3], p.chars[4], p.chars[5]);
            if (f.hexFormat != nullptr)
                out.print(f.hexFormat, prefix, p.hex[0], p.hex[1], p.hex[2], p.hex[3], p.hex[4], p.hex[5]);
            if (f.names != nullptr)
                printConstantNames(out, prefix, static_cast<unsigned char>(p.chars[0][0]), *f.names);
            break;
        case FieldType::Hex:
            out.print(format, prefix, p.hex[0], p.hex[1], p.hex[2], p.hex[3], p.hex[4], p.hex[5]);
            break;
        case FieldType::Octet:
            out.print(format, prefix, readOctet(ctx, offset));
            if (f.names != nullptr)
                printConstantNames(out, prefix, readOctet(ctx, offset), *f.names);
            break;
        case FieldType::OctetHex:
            out.print(format, prefix, p.hex[0]);
            if (f.names != nullptr)
                printConstantNames(out, prefix, readOctet(ctx, offset), *f.names);
            break;
        case FieldType::Heading:
            out.print(format, prefix);
            break;
        case FieldType::Charv:
            out.print(format, prefix);
            renderCharv(ctx, offset);
            break;
        }
    }
}

int fieldPieces(int offset, int length, int (&lengths)[kMaxPieces])
{
    int piece = 0;
    for (int b = offset; b < offset + length && piece < kMaxPieces; ++piece) {
        const int col = b % 16;
        int take = 16 - col;
        if (b + take > offset + length)
            take = offset + length - b;
        lengths[piece] = take;
        b += 16 - col;
    }
    return piece;
}
