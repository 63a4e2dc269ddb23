// The structure tables against themselves: every piece a format prints must
// be as long as the piece of the rows the field's offset gives, and every
// field must lie inside the rows its kind keeps. A wrong offset or a
// transposed precision in a table shows here before any golden run.

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render.h"

namespace {

// The precisions of the "%.Ns" conversions of a format, in order.
std::vector<int> precisions(const char *format)
{
    // Scanned by hand: std::regex trips GCC 12's maybe-uninitialized
    // warning in the sanitizer build.
    std::vector<int> found;
    for (const char *p = std::strstr(format, "%."); p != nullptr; p = std::strstr(p + 1, "%.")) {
        char *end = nullptr;
        const long n = std::strtol(p + 2, &end, 10);
        if (end != p + 2 && *end == 's' && p[2] >= '0' && p[2] <= '9')
            found.push_back(static_cast<int>(n));
    }
    return found;
}

std::vector<int> pieces(int offset, int length, int scale)
{
    int lengths[kMaxPieces] = {};
    const int n = fieldPieces(offset, length, lengths);
    std::vector<int> out;
    for (int i = 0; i < n; ++i)
        out.push_back(lengths[i] * scale);
    return out;
}

TEST(StructureTables, FormatsMatchTheRowsTheirOffsetsTouch)
{
    for (int id = 0; id < kStructCount; ++id) {
        const StructKind &kind = structKind(static_cast<StructId>(id));
        ASSERT_EQ(std::string(kind.header).rfind("%s ", 0), 0u) << kind.name;
        for (int pointer : {4, 8}) {
            for (std::size_t i = 0; i < kind.fieldCount; ++i) {
                const Field &f = kind.fields[i];
                if ((f.pointers == ForPointers::Only4 && pointer == 8) || (f.pointers == ForPointers::Only8 && pointer == 4))
                    continue;
                const bool p8 = pointer == 8;
                const char *format = p8 && f.format8 ? f.format8 : f.format;
                const int offset = p8 && f.offset8 >= 0 ? f.offset8 : f.offset;
                const int length = p8 && f.length8 >= 0 ? f.length8 : f.length;
                const std::string where = std::string(kind.name) + " " + format;
                EXPECT_EQ(std::string(format).rfind("%s ", 0), 0u) << where;
                const int end = f.type == FieldType::Charv ? offset + pointer + 16 : offset + length;
                EXPECT_LE(end, kind.capacity * 16) << where << " pointer length " << pointer;
                switch (f.type) {
                case FieldType::Long:
                case FieldType::Version:
                    EXPECT_EQ(offset % 4, 0) << where;
                    EXPECT_TRUE(precisions(format).empty()) << where;
                    break;
                case FieldType::Char:
                    EXPECT_EQ(precisions(format), pieces(offset, length, 1)) << where;
                    if (f.hexFormat) {
                        EXPECT_EQ(precisions(f.hexFormat), pieces(offset, length, 2)) << where;
                    }
                    break;
                case FieldType::Hex:
                case FieldType::OctetHex:
                    EXPECT_EQ(precisions(format), pieces(offset, length, 2)) << where;
                    break;
                case FieldType::Octet:
                case FieldType::Heading:
                case FieldType::Charv:
                    EXPECT_TRUE(precisions(format).empty()) << where;
                    break;
                }
            }
        }
    }
}

} // namespace
