// Field rendering shared by every structure expander: one table row per
// field, one renderer per type, one naming routine per method. Every line
// format is kept exactly as it is printed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "blocks.h"
#include "outwriter.h"

// ---------------------------------------------------------------------------
// Constant names. Each entry holds the whole line it prints.

// Equality: every entry equal to the value prints its line, in table order
// (so a value may have several names); no match prints the unknown line, if
// the table has one.
struct NamedLine {
    std::int32_t value;
    const char *line;
};

// A test on part of a value: (value & mask) == match, or with anyBit set,
// (value & mask) != 0 (one line for any number of such bits).
struct MaskLine {
    std::uint32_t mask;
    std::uint32_t match;
    const char *line;
    bool anyBit;
};

constexpr MaskLine bit(std::uint32_t b, const char *line) { return {b, b, line, false}; }
constexpr MaskLine group(std::uint32_t mask, std::uint32_t match, const char *line) { return {mask, match, line, false}; }
constexpr MaskLine anyOf(std::uint32_t mask, const char *line) { return {mask, 0, line, true}; }

struct ConstantNames {
    enum Method { Equality, Masked } method = Equality;
    const NamedLine *values = nullptr;
    int valueCount = 0;
    const char *unknownLine = nullptr;
    // Masked: a value of 0 prints the zero lines (when there are any) and
    // nothing else; otherwise every passing test prints its line, in order.
    const MaskLine *tests = nullptr;
    int testCount = 0;
    const char *const *zeroLines = nullptr;
    int zeroCount = 0;
    // Tables that share their first lines: the lines of `next` follow.
    const ConstantNames *next = nullptr;
};

template <std::size_t N>
constexpr ConstantNames equality(const NamedLine (&values)[N], const char *unknownLine = nullptr)
{
    ConstantNames c;
    c.method = ConstantNames::Equality;
    c.values = values;
    c.valueCount = static_cast<int>(N);
    c.unknownLine = unknownLine;
    return c;
}

template <std::size_t N>
constexpr ConstantNames masked(const MaskLine (&tests)[N])
{
    ConstantNames c;
    c.method = ConstantNames::Masked;
    c.tests = tests;
    c.testCount = static_cast<int>(N);
    return c;
}

template <std::size_t N, std::size_t Z>
constexpr ConstantNames masked(const MaskLine (&tests)[N], const char *const (&zeroLines)[Z])
{
    ConstantNames c = masked(tests);
    c.zeroLines = zeroLines;
    c.zeroCount = static_cast<int>(Z);
    return c;
}

template <std::size_t N>
constexpr ConstantNames masked(const MaskLine (&tests)[N], const ConstantNames &next)
{
    ConstantNames c = masked(tests);
    c.next = &next;
    return c;
}

// Writes the constant lines of `value` (each line format takes the prefix).
void printConstantNames(OutWriter &out, const char *prefix, std::int32_t value, const ConstantNames &names);

// ---------------------------------------------------------------------------
// Fields.

enum class FieldType : std::uint8_t {
    Long,     // MQLONG: "%d", the hex line, constant lines
    Version,  // MQLONG printed from the version read during capture
    Char,     // display characters in pieces, then (hexFormat) their hex in
              // pieces; constant lines by the first character
    Hex,      // hex in pieces only (byte strings, pointers, handles)
    Octet,    // one byte as a number 0 to 255
    OctetHex, // one byte's two hex characters; constant lines by its value
    Heading,  // the prefix only, e.g. the heading of a string descriptor
    Charv,    // the five parts of a variable-length string descriptor
};

// Which pointer lengths a field is printed for.
enum class ForPointers : std::uint8_t { Both, Only4, Only8 };

struct Field {
    FieldType type = FieldType::Long;
    const char *format = nullptr;    // with 4-byte pointers (or both)
    const char *format8 = nullptr;   // with 8-byte pointers; nullptr: format
    const char *hexFormat = nullptr; // Char: the continuation line; nullptr: none
    short offset = 0;                // with 4-byte pointers (or both)
    short offset8 = -1;              // with 8-byte pointers; -1: offset
    short length = 4;                // with 4-byte pointers (or both)
    short length8 = -1;              // with 8-byte pointers; -1: length
    std::uint8_t minVersion = 1;
    ForPointers pointers = ForPointers::Both;
    const ConstantNames *names = nullptr;

    constexpr Field withNames(const ConstantNames &n) const { Field f = *this; f.names = &n; return f; }
    constexpr Field from(int version) const { Field f = *this; f.minVersion = static_cast<std::uint8_t>(version); return f; }
    constexpr Field at8(int off8) const { Field f = *this; f.offset8 = static_cast<short>(off8); return f; }
    constexpr Field only4() const { Field f = *this; f.pointers = ForPointers::Only4; return f; }
    constexpr Field only8() const { Field f = *this; f.pointers = ForPointers::Only8; return f; }
};

// The hex line of a 4-byte value, and of an 8-byte character field.
inline constexpr const char *kHexLine4 = "%s                               x'%.8s'\n";
inline constexpr const char *kHexLine8 = "%s                               x'%.16s'\n";

constexpr Field LongField(const char *format, int offset)
{
    Field f;
    f.type = FieldType::Long;
    f.format = format;
    f.offset = static_cast<short>(offset);
    return f;
}

constexpr Field VersionField(const char *format)
{
    Field f = LongField(format, 4);
    f.type = FieldType::Version;
    return f;
}

constexpr Field CharField(const char *format, const char *hexFormat, int offset, int length)
{
    Field f;
    f.type = FieldType::Char;
    f.format = format;
    f.hexFormat = hexFormat;
    f.offset = static_cast<short>(offset);
    f.length = static_cast<short>(length);
    return f;
}

constexpr Field HexField(const char *format, int offset, int length)
{
    Field f;
    f.type = FieldType::Hex;
    f.format = format;
    f.offset = static_cast<short>(offset);
    f.length = static_cast<short>(length);
    return f;
}

// A pointer: as many bytes as the run's pointer length, each length with its
// own format and offset.
constexpr Field PointerField(const char *format4, const char *format8, int offset4, int offset8)
{
    Field f = HexField(format4, offset4, 4);
    f.format8 = format8;
    f.offset8 = static_cast<short>(offset8);
    f.length8 = 8;
    return f;
}

constexpr Field OctetField(const char *format, int offset)
{
    Field f;
    f.type = FieldType::Octet;
    f.format = format;
    f.offset = static_cast<short>(offset);
    f.length = 1;
    return f;
}

constexpr Field OctetHexField(const char *format, int offset)
{
    Field f = OctetField(format, offset);
    f.type = FieldType::OctetHex;
    return f;
}

// A variable-length string descriptor: its heading line, then VSPtr,
// VSOffset, VSBufSize, VSLength and VSCCSID.
constexpr Field CharvField(const char *heading, int offset4, int offset8)
{
    Field f;
    f.type = FieldType::Charv;
    f.format = heading;
    f.offset = static_cast<short>(offset4);
    f.offset8 = static_cast<short>(offset8);
    return f;
}

// Converts 8 hex characters (not changed) in the given byte order.
std::int32_t convertLong(const char *hex8, bool littleEndian);

// The MQLONG at structure byte `offset` of the rows, in the run's byte order.
std::int32_t readLong(const ExpandContext &ctx, int offset);

// Writes every field whose minimum version the capture's version reaches (a
// version below 1 counts as 1) and whose pointer length is the run's.
void renderFields(const ExpandContext &ctx, const Field *fields, std::size_t count);

// The most pieces a field may be cut into at row boundaries.
inline constexpr int kMaxPieces = 6;

// The lengths, in characters, of the pieces of the field's display text
// (hex: twice as many); used by the tests that hold the formats against the
// table offsets.
int fieldPieces(int offset, int length, int (&lengths)[kMaxPieces]);
