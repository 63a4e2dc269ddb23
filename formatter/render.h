// Field rendering shared by every structure expander: one table row per
// field, one renderer per type, one naming routine per method.
#pragma once

#include <cstdint>

#include "blocks.h"

// How a value is turned into constant names.
struct NamedValue {
    std::int32_t value;
    const char *name;
};

// A test on part of a value: (value & mask) == match, or with anyBit set,
// (value & mask) != 0.
struct MaskTest {
    std::uint32_t mask;
    std::uint32_t match;
    const char *name;
    bool anyBit = false;
};

struct ConstantNames {
    enum Method { Equality, Masked } method;
    // Equality: every entry equal to the value prints its line, in table
    // order; with unknownLine, no match prints "UNKNOWN_CONSTANT".
    const NamedValue *values = nullptr;
    int valueCount = 0;
    bool unknownLine = false;
    // Masked: a value of 0 prints the zero names (when there are any) and
    // nothing else; otherwise every passing test prints its line, in order.
    const MaskTest *tests = nullptr;
    int testCount = 0;
    const char *const *zeroNames = nullptr;
    int zeroCount = 0;
};

enum class FieldType {
    Long,     // MQLONG: "%d" and a hex line
    Version,  // MQLONG printed from the version read during capture
    Char,     // characters in pieces, then their hex in pieces
    Byte,     // hex in pieces only
};

struct Field {
    const char *valueFormat;  // prefix, then the value or the pieces
    const char *hexFormat;    // continuation line (prefix, pieces); nullptr: none
    FieldType type;
    int offset;
    int length;
    const char *name;                  // field name in constant lines
    const ConstantNames *names;        // nullptr: none
    int minVersion;
};

// The hex line of a 4-byte value.
inline constexpr const char *kHexLine4 = "%s                               x'%.8s'\n";

// Writes "<prefix>    <field> <constant>" lines for `value`.
void printConstantNames(OutWriter &out, const char *prefix, const char *field, std::int32_t value,
                        const ConstantNames &names);

// The MQLONG at `offset` of the rows, converted from a copy in the run's byte order.
std::int32_t readLong(const ExpandContext &ctx, int offset);

// Converts 8 hex characters (not changed) in the given byte order.
std::int32_t convertLong(const char *hex8, bool littleEndian);

// Writes the header line and every field whose minVersion the version reaches.
void renderStructure(const ExpandContext &ctx, const char *headerName, const Field *fields, int count);
