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
    std::size_t find(std::string_view needle, std::size_t from = 0) const
    {
        if (from > bodyLen || needle.size() > bodyLen - from)
            return std::string_view::npos;
        const void *hit = ::memmem(data + from, bodyLen - from, needle.data(), needle.size());
        return hit ? static_cast<std::size_t>(static_cast<const char *>(hit) - data) : std::string_view::npos;
    }

    bool contains(std::string_view needle) const { return find(needle) != std::string_view::npos; }

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
