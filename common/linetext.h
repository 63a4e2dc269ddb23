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
};

// Position of the first occurrence of `needle` in text[from, len), or npos.
inline std::size_t findText(const char *text, std::size_t len, const Needle &needle, std::size_t from = 0)
{
    const std::size_t k = needle.text.size();
    if (from > len || k > len - from)
        return std::string_view::npos;
    if (k == 0)
        return from;
    const std::size_t anchor = needle.anchor;
    const char *n = needle.text.data();
    // Candidate starts run from `from` to len - k; the anchor stands `anchor` further on.
    const char *scan = text + from + anchor;
    const char *stop = text + (len - k) + anchor + 1;
    while (scan < stop) {
        const void *hit = std::memchr(scan, n[anchor], static_cast<std::size_t>(stop - scan));
        if (hit == nullptr)
            break;
        const char *start = static_cast<const char *>(hit) - anchor;
        std::size_t i = 0;
        while (i < k && start[i] == n[i])
            ++i;
        if (i == k)
            return static_cast<std::size_t>(start - text);
        scan = static_cast<const char *>(hit) + 1;
    }
    return std::string_view::npos;
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
        std::size_t avail = pos < bodyLen ? bodyLen - pos : 0;
        std::size_t n = avail < width ? avail : width;
        if (n > 0)
            std::memcpy(dst, data + pos, n);
        if (n < width)
            std::memset(dst + n, 0, width - n);
    }
};
