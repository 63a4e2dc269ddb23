#include "rows.h"

#include <cstring>

namespace {

// The hex text of a row that the line shows in `count` groups of `width`
// characters, `step` apart from `first`, and its characters at `chars`.
void copyGroups(DumpRow &row, const LineText &line, std::size_t first, std::size_t step, std::size_t width,
                std::size_t count, std::size_t chars)
{
    for (std::size_t g = 0; g < count; ++g)
        line.copy(row.hex + width * g, first + step * g, width);
    line.copy(row.chars, chars, 16);
    row.end = '\0';
}

} // namespace

void blankRow(DumpRow &row)
{
    std::memset(row.hex, ' ', sizeof row.hex);
    std::memset(row.chars, ' ', sizeof row.chars);
    row.end = '\0';
}

void copyUnixRow(DumpRow &row, const LineText &line, std::size_t label)
{
    copyGroups(row, line, label + 9, 9, 8, 4, label + 47);
}

void copyWindowsRow(DumpRow &row, const LineText &line, std::size_t anchor)
{
    const std::size_t bytes = windowsBytesFrom(line, anchor);
    copyGroups(row, line, bytes, 3, 2, 16, bytes + 50);
}

void copyZosRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    copyGroups(row, line, marker + 8, 10, 8, 4, marker + 50);
}

void copyAatRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    copyGroups(row, line, marker + 12, 5, 4, 8, marker + 54);
}
