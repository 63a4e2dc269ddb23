#include <cstring>

#include "apistats.h"

namespace {

// Seconds since midnight of a timestamp text HH:MM:SS.uuuuuu.
double secondsOfDay(const char *stamp)
{
    // A terminated copy of at most 15 characters, so that the four fields
    // can be read however short the text is.
    char text[16] = {};
    std::size_t n = ::strnlen(stamp, 15);
    std::memcpy(text, stamp, n);
    // The microseconds are weighted with the single-precision 0.000001.
    const double microsecond = static_cast<double>(0.000001f);
    return static_cast<double>(apistats::leadingDecimal(text)) * 3600.0 +
           static_cast<double>(apistats::leadingDecimal(text + 3)) * 60.0 +
           static_cast<double>(apistats::leadingDecimal(text + 6)) +
           static_cast<double>(apistats::leadingDecimal(text + 9)) * microsecond;
}

} // namespace

namespace apistats {

int leadingDecimal(const char *text)
{
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // Long enough for any field the tool reads; a longer run of digits
    // stops growing instead of overflowing.
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value < 100000000000000000LL)
            value = value * 10 + (*p - '0');
    if (negative)
        value = -value;
    return static_cast<int>(value); // modulo 2^32
}

} // namespace apistats

double getElapsedTime(const char *start, const char *end)
{
    double elapsed = secondsOfDay(end) - secondsOfDay(start);
    // A call that ran over midnight ends "earlier" in the day than it began.
    // A step back of more than half a day can only be that; a smaller one is
    // a clock adjustment and is reported as it stands.
    if (elapsed < -43200.0)
        elapsed += 86400.0;
    return elapsed;
}
