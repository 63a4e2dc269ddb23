// Dump row shapes: where the 16 bytes and the 16 display characters of a
// dump row stand, for each system that writes traces.
#pragma once

#include <cstddef>
#include <string_view>

#include "blocks.h"
#include "linetext.h"

// " 0x", where a windows dump row (and a unix message data row) starts; its
// 'x' is the character time stamps never hold. npos when the line has none.
inline std::size_t findRowAnchor(const LineText &line)
{
    static constexpr Needle kRowAnchor(" 0x", 2);
    return findRare(line.data, line.bodyLen, kRowAnchor);
}

// windows: where the 16 bytes of the row at `anchor` start. Both column
// layouts: with an offset column after the address (the character at +14 is
// not a blank) they start at +21, else at +12.
inline std::size_t windowsBytesFrom(const LineText &line, std::size_t anchor)
{
    return anchor + (line.at(anchor + 14) != ' ' ? 21 : 12);
}

// unix: the "= Skipping" of a duplicate-lines notice
// ("= Skipping N Duplicate Lines =") at or after `from`, or npos; the count
// stands 11 characters after it. Notices are rare: memchr for their '='
// passes over a row quickly.
inline std::size_t findUnixNotice(const LineText &line, std::size_t from)
{
    static constexpr Needle kSkipping("= Skipping");
    static constexpr Needle kDuplicates("Duplicate Lines =");
    const std::size_t skip = findRare(line.data, line.bodyLen, kSkipping, from);
    if (skip == std::string_view::npos || findRare(line.data, line.bodyLen, kDuplicates, from) == std::string_view::npos)
        return std::string_view::npos;
    return skip;
}

// windows: "lines suppressed, same as above" of a duplicate-lines notice, or
// npos; the count stands right before it.
inline std::size_t findWindowsNotice(const LineText &line)
{
    static constexpr Needle kSuppressed("lines suppressed, same as above");
    return findRare(line.data, line.bodyLen, kSuppressed);
}

// A row of blanks: what a field shows whose row the current capture did not fill.
void blankRow(DumpRow &row);

// unix: from the label "0x0010:", hex words at +9, +18, +27 and +36, the
// display characters at +47.
void copyUnixRow(DumpRow &row, const LineText &line, std::size_t label);

// windows: from " 0x", the 16 bytes every third position from +12 or, when
// the character at +14 is not a blank, from +21; the display characters 50
// further on.
void copyWindowsRow(DumpRow &row, const LineText &line, std::size_t anchor);

// zos: from " +0", hex words at +8, +18, +28 and +38, characters at +50.
void copyZosRow(DumpRow &row, const LineText &line, std::size_t marker);

// aat: from " 0000", eight groups of four hex characters from +12, every
// fifth position, characters at +54.
void copyAatRow(DumpRow &row, const LineText &line, std::size_t marker);
