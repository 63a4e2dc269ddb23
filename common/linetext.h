// One trace line as the tools see it, plus the bounded text operations that
// every reader of trace text uses.
//
// The line ending (a final newline, and a carriage return directly before it)
// belongs to no field, name or match: searches and field copies look at the
// body only, while the copy of the line to an output keeps every byte.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// How common a character is in trace text: the search below scans for the
// needle's least common character, so that it stops at few false candidates.
constexpr int traceCharCommonness(unsigned char c)
{
    if (c == ' ')
        return 100;
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return 50;
    if (c >= 'A' && c <= 'Z')
        return 40;
    if (c == '.' || c == ':')
        return 30; // time stamps carry both
    return 10;
}

// A search text with its least common character picked once, so that a
// search scans with memchr for that character and stops at few false
// candidates: much faster than a general memmem for the short texts that
// trace lines are matched with.
struct Needle {
    std::string_view text;
    std::size_t anchor = 0;

    constexpr Needle() = default;
    constexpr Needle(std::string_view t) : text(t) // NOLINT: implicit by design
    {
        int best = 1000;
        for (std::size_t i = 0; i < t.size(); ++i) {
            int score = traceCharCommonness(static_cast<unsigned char>(t[i]));
            if (score < best) {
                best = score;
                anchor = i;
            }
        }
    }
    constexpr Needle(const char *t) : Needle(std::string_view(t)) {} // NOLINT
    // With the character to scan for given: for texts whose rarest character
    // in trace lines is known better than the general rule knows it (the 'x'
    // of "0x", which time stamps never hold).
    constexpr Needle(std::string_view t, std::size_t anchorAt) : text(t), anchor(anchorAt) {}
};

// Equality of n bytes at a and b. The texts compared are short: fixed-size
// loads (overlapping, never outside the n bytes) beat a loop or a call.
inline bool sameBytes(const char *a, const char *b, std::size_t n)
{
    auto load8 = [](const char *p) { unsigned long long v; std::memcpy(&v, p, 8); return v; };
    auto load4 = [](const char *p) { unsigned v; std::memcpy(&v, p, 4); return v; };
    if (n >= 8 && n <= 16)
        return load8(a) == load8(b) && load8(a + n - 8) == load8(b + n - 8);
    if (n >= 4 && n < 8)
        return load4(a) == load4(b) && load4(a + n - 4) == load4(b + n - 4);
    if (n < 4)
        return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
    return std::memcmp(a, b, n) == 0;
}

// Position of the first occurrence of `needle` in text[from, len), or npos,
// found by scanning with memchr for the needle's least common character: the
// better way for a needle that is usually absent, so that the whole text is
// scanned at memchr's pace.
inline std::size_t findRare(const char *text, std::size_t len, const Needle &needle, std::size_t from = 0)
{
    const std::size_t k = needle.text.size();
    if (from > len || k > len - from)
        return std::string_view::npos;
    if (k == 0)
        return from;
    const char *n = needle.text.data();
    const std::size_t anchor = needle.anchor;
    // Candidate starts run from `from` to len - k; the anchor stands `anchor` further on.
    const char *scan = text + from + anchor;
    const char *stop = text + (len - k) + anchor + 1;
    while (scan < stop) {
        const void *hit = std::memchr(scan, n[anchor], static_cast<std::size_t>(stop - scan));
        if (hit == nullptr)
            break;
        const char *start = static_cast<const char *>(hit) - anchor;
        if (sameBytes(start, n, k))
            return static_cast<std::size_t>(start - text);
        scan = static_cast<const char *>(hit) + 1;
    }
    return std::string_view::npos;
}

#if defined(__SSE2__)
// Bit i set when text[at + i + d] is c[d] for the three distances d of a
// search text (its first, middle and last characters): the candidate starts
// of the text in a block of 16. Three characters, not two, keep time stamps
// from passing for a process id.
inline unsigned candidateStarts(const char *text, std::size_t at, const std::size_t (&d)[3], const __m128i (&c)[3])
{
    __m128i all = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at + d[0])), c[0]);
    all = _mm_and_si128(all, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at + d[1])), c[1]));
    all = _mm_and_si128(all, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(text + at + d[2])), c[2]));
    return static_cast<unsigned>(_mm_movemask_epi8(all));
}
#endif

// A needle with the filter of its search set up: where 16-byte vectors are
// at hand, blocks of 16 candidate starts are filtered on three of the
// needle's characters at once, which finds a needle near the start of the
// text quickly; otherwise findRare does the search. A needle searched on
// every line (the process key) is prepared once.
class PreparedNeedle {
public:
    explicit PreparedNeedle(const Needle &needle) : needle_(needle)
    {
#if defined(__SSE2__)
        const std::size_t k = needle.text.size();
        if (k >= 2) {
            const char *n = needle.text.data();
            d_[0] = 0;
            d_[1] = k / 2;
            d_[2] = k - 1;
            for (int i = 0; i < 3; ++i)
                c_[i] = _mm_set1_epi8(n[d_[i]]);
        }
#endif
    }

    const Needle &needle() const { return needle_; }

    // Position of the first occurrence of the needle in text[from, len), or npos.
    std::size_t find(const char *text, std::size_t len, std::size_t from = 0) const
    {
        constexpr std::size_t npos = std::string_view::npos;
        const std::size_t k = needle_.text.size();
        if (from > len || k > len - from)
            return npos;
        if (k == 0)
            return from;
#if defined(__SSE2__)
        const char *n = needle_.text.data();
        const std::size_t lastStart = len - k;
        if (k >= 2 && lastStart - from >= 15) {
            std::size_t i = from;
            for (; i + 15 <= lastStart; i += 16) {
                for (unsigned m = candidateStarts(text, i, d_, c_); m != 0; m &= m - 1) {
                    std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(m));
                    if (sameBytes(text + at, n, k))
                        return at;
                }
            }
            if (i <= lastStart) {
                // The last, overlapping block, without the starts already tried.
                const std::size_t base = lastStart - 15;
                const unsigned skip = static_cast<unsigned>(i - base);
                for (unsigned m = candidateStarts(text, base, d_, c_) >> skip << skip; m != 0; m &= m - 1) {
                    std::size_t at = base + static_cast<std::size_t>(__builtin_ctz(m));
                    if (sameBytes(text + at, n, k))
                        return at;
                }
            }
            return npos;
        }
#endif
        return findRare(text, len, needle_, from);
    }

private:
    Needle needle_;
#if defined(__SSE2__)
    std::size_t d_[3] = {};
    __m128i c_[3] = {};
#endif
};

// Position of the first occurrence of `needle` in text[from, len), or npos.
inline std::size_t findText(const char *text, std::size_t len, const Needle &needle, std::size_t from = 0)
{
    return PreparedNeedle(needle).find(text, len, from);
}

struct LineText {
    const char *data = nullptr; // the whole piece as read
    std::size_t len = 0;        // bytes in the piece, line ending included
    std::size_t bodyLen = 0;    // bytes before the line ending
    bool hasNewline = false;

    void set(const char *d, std::size_t n)
    {
        data = d;
        len = n;
        hasNewline = n > 0 && d[n - 1] == '\n';
        bodyLen = hasNewline ? n - 1 : n;
        if (hasNewline && bodyLen > 0 && d[bodyLen - 1] == '\r')
            --bodyLen;
    }

    std::string_view body() const { return {data, bodyLen}; }

    // Position of the first occurrence of `needle` in the body at or after
    // `from`, or npos.
    std::size_t find(const Needle &needle, std::size_t from = 0) const
    {
        return findText(data, bodyLen, needle, from);
    }

    std::size_t find(const PreparedNeedle &needle, std::size_t from = 0) const
    {
        return needle.find(data, bodyLen, from);
    }

    bool contains(const Needle &needle) const { return find(needle) != std::string_view::npos; }

    // True when the line is `text` followed by its newline at the end, that is
    // the body ends in `text` and a newline ends the line.
    bool endsWithLine(std::string_view text) const
    {
        return hasNewline && bodyLen >= text.size() &&
               std::memcmp(data + bodyLen - text.size(), text.data(), text.size()) == 0;
    }

    // Character at `pos` of the body, or '\0' past its end.
    char at(std::size_t pos) const { return pos < bodyLen ? data[pos] : '\0'; }

    // Copies `width` characters of the body starting at `pos` into `dst`; what
    // lies past the end of the body is filled with terminators. `dst` must hold
    // `width` characters (a terminator after them is the caller's business).
    void copy(char *dst, std::size_t pos, std::size_t width) const
    {
        fill(dst, pos, pos < bodyLen ? bodyLen - pos : 0, width);
    }

    // Length of the text from `pos` on, which ends at the end of the body or
    // at a NUL byte, as a C string does.
    std::size_t textLength(std::size_t pos) const
    {
        return pos < bodyLen ? ::strnlen(data + pos, bodyLen - pos) : 0;
    }

    // As copy(), but the text ends at a NUL byte too (textLength).
    void copyText(char *dst, std::size_t pos, std::size_t width) const { fill(dst, pos, textLength(pos), width); }

private:
    // Copies the first `width` of the `avail` characters at `pos` and fills
    // the rest of `width` with terminators.
    void fill(char *dst, std::size_t pos, std::size_t avail, std::size_t width) const
    {
        std::size_t n = avail < width ? avail : width;
        if (n > 0)
            std::memcpy(dst, data + pos, n);
        if (n < width)
            std::memset(dst + n, 0, width - n);
    }
};
