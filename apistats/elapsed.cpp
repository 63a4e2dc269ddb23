#include <climits>
#include <cstring>

#include "apistats.h"

namespace {

// A timestamp text HH:MM:SS.uuuuuu as seconds since midnight, and the same
// as an exact count of microseconds to compare two times of day by.
struct TimeOfDay {
    double seconds;
    long long microseconds;
};

TimeOfDay timeOfDay(const char *stamp)
{
    // A terminated copy of at most 15 characters, so that the four fields
    // can be read however short the text is.
    char text[16] = {};
    std::size_t n = ::strnlen(stamp, 15);
    std::memcpy(text, stamp, n);
    const int hours = apistats::leadingDecimal(text);
    const int minutes = apistats::leadingDecimal(text + 3);
    const int seconds = apistats::leadingDecimal(text + 6);
    const int micros = apistats::leadingDecimal(text + 9);
    // The microseconds are weighted with the single-precision 0.000001.
    const double microsecond = static_cast<double>(0.000001f);
    return {static_cast<double>(hours) * 3600.0 + static_cast<double>(minutes) * 60.0 +
                static_cast<double>(seconds) + static_cast<double>(micros) * microsecond,
            ((static_cast<long long>(hours) * 60 + minutes) * 60 + seconds) * 1000000 + micros};
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
    const TimeOfDay from = timeOfDay(start);
    const TimeOfDay to = timeOfDay(end);
    double elapsed = to.seconds - from.seconds;
    // A call that ran over midnight ends "earlier" in the day than it began.
    // A step back of more than half a day can only be that; a smaller one is
    // a clock adjustment and is reported as it stands. The times themselves
    // are compared, exactly: their difference in seconds carries rounding
    // that would tip a step of exactly half a day either way.
    constexpr long long halfDay = 43200LL * 1000000;
    long long back;
    if (__builtin_sub_overflow(from.microseconds, to.microseconds, &back))
        back = from.microseconds > to.microseconds ? LLONG_MAX : LLONG_MIN; // fields no clock shows
    if (back > halfDay)
        elapsed += 86400.0;
    return elapsed;
}
