#include "rows.h"

#include <cstring>

void blankRow(DumpRow &row)
{
    std::memset(row.hex, ' ', sizeof row.hex);
    std::memset(row.chars, ' ', sizeof row.chars);
    row.end = '\0';
}

void copyUnixRow(DumpRow &row, const LineText &line, std::size_t label)
{
    for (std::size_t w = 0; w < 4; ++w)
        line.copy(row.hex + 8 * w, label + 9 + 9 * w, 8);
    line.copy(row.chars, label + 47, 16);
    row.end = '\0';
}

void copyWindowsRow(DumpRow &row, const LineText &line, std::size_t anchor)
{
    const std::size_t bytes = line.at(anchor + 14) != ' ' ? 21 : 12;
    for (std::size_t k = 0; k < 16; ++k)
        line.copy(row.hex + 2 * k, anchor + bytes + 3 * k, 2);
    line.copy(row.chars, anchor + bytes + 50, 16);
    row.end = '\0';
}

void copyZosRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    for (std::size_t w = 0; w < 4; ++w)
        line.copy(row.hex + 8 * w, marker + 8 + 10 * w, 8);
    line.copy(row.chars, marker + 50, 16);
    row.end = '\0';
}

void copyAatRow(DumpRow &row, const LineText &line, std::size_t marker)
{
    for (std::size_t g = 0; g < 8; ++g)
        line.copy(row.hex + 4 * g, marker + 12 + 5 * g, 4);
    line.copy(row.chars, marker + 54, 16);
    row.end = '\0';
}
