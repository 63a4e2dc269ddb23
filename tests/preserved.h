// The formatter copies its input and adds lines: the check that nothing of
// the input is lost or changed. Shared by the tests and the fuzz targets.
#pragma once

#include <cstddef>
#include <string_view>

namespace testsupport {

// The formatter's output must be its input with whole lines added: every
// piece of the input (a line, or 4095 bytes of a longer one) stands in the
// output in order, and what lies between two pieces ends in a newline.
// Returns the byte offset of the first input piece that is not found, or
// npos when the output is right.
inline std::size_t firstLostPiece(std::string_view in, std::string_view out)
{
    std::size_t i = 0, o = 0;
    while (i < in.size()) {
        std::size_t nl = in.find('\n', i);
        std::size_t end = nl == std::string_view::npos ? in.size() : nl + 1;
        if (end - i > 4095)
            end = i + 4095;
        std::string_view piece = in.substr(i, end - i);
        if (end == in.size() && piece.back() != '\n') {
            // The last piece, without a newline: it stands at a line start
            // (or where the piece before it ended), and whatever follows it
            // is whole lines.
            for (std::size_t at = o;;) {
                if (out.substr(at).starts_with(piece) &&
                    (at + piece.size() == out.size() || out.back() == '\n'))
                    return std::string_view::npos;
                at = out.find('\n', at);
                if (at == std::string_view::npos)
                    return i;
                ++at;
            }
        }
        // Greedy is safe here: a piece that ends in a newline and also
        // begins an added line is that whole added line.
        while (!out.substr(o).starts_with(piece)) {
            o = out.find('\n', o);
            if (o == std::string_view::npos)
                return i;
            ++o;
        }
        o += piece.size();
        i = end;
    }
    // After the last piece only whole lines may follow.
    if (o < out.size() && out.back() != '\n')
        return in.size();
    return std::string_view::npos;
}

} // namespace testsupport
