// The splitting of trace bytes into pieces: at most kMaxPiece bytes, ending
// just after the first newline when one lies within that limit, the way a
// 4096-byte line buffer would take them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace piecesplit {

constexpr std::size_t kMaxPiece = 4095;

// The length of the piece at `p`, with `avail` bytes there; 0 when those
// bytes hold no whole piece yet. At the end of the input (`whole`) a
// shorter piece without a newline is whole.
inline std::size_t pieceLength(const char *p, std::size_t avail, bool whole)
{
    const std::size_t limit = avail < kMaxPiece ? avail : kMaxPiece;
    const void *nl = std::memchr(p, '\n', limit);
    if (nl != nullptr)
        return static_cast<std::size_t>(static_cast<const char *>(nl) - p) + 1;
    return whole || avail >= kMaxPiece ? limit : 0;
}

// Bit k set where data[k] is a newline, for k in [0, 64).
inline std::uint64_t newlineMask(const char *data)
{
#if defined(__SSE2__)
    const __m128i nl = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + 16 * i));
        mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, nl)))) << (16 * i);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= static_cast<std::uint64_t>(data[i] == '\n') << i;
    return mask;
#endif
}

// Hands the pieces of data[p, end) that a newline ends to take(start,
// length), in order, while it returns true; `p` is the start of a piece.
// The newlines are found 64 bytes at a time as a bit mask, so that a piece
// costs a bit scan rather than a search call. Returns where the pieces
// handed out end: the bytes from there on (less than 64 past the last
// whole block of 64, or after a false from take) are left to the caller.
template <class Take>
std::size_t takeNewlinePieces(const char *data, std::size_t p, std::size_t end, Take take)
{
    for (std::size_t at = p; at + 64 <= end; at += 64) {
        for (std::uint64_t nl = newlineMask(data + at); nl != 0; nl &= nl - 1) {
            const std::size_t stop = at + static_cast<std::size_t>(__builtin_ctzll(nl)) + 1;
            while (stop - p > kMaxPiece) {
                const bool more = take(p, kMaxPiece);
                p += kMaxPiece;
                if (!more)
                    return p;
            }
            const bool more = take(p, stop - p);
            p = stop;
            if (!more)
                return p;
        }
    }
    return p;
}

} // namespace piecesplit
