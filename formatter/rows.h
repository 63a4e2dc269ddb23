// Dump row shapes: where the 16 bytes and the 16 display characters of a
// dump row stand, for each system that writes traces.
#pragma once

#include <cstddef>

#include "blocks.h"
#include "linetext.h"

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
