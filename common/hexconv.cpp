#include "hexconv.h"

namespace {

void upcase(char *text, int count)
{
    for (int i = 0; i < count; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            text[i] = static_cast<char>(c - 'a' + 'A');
    }
}

// Value of one digit; a non-digit repeats the previous digit's value.
unsigned digitValue(char c, unsigned previous)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<unsigned>(c - 'A' + 10);
    return previous;
}

// Sums the digits at the given positions, least significant first.
std::int32_t sumDigits(const char *text, const int *order, int count)
{
    std::uint32_t sum = 0;
    std::uint32_t weight = 1;
    unsigned previous = 0;
    for (int i = 0; i < count; ++i) {
        previous = digitValue(text[order[i]], previous);
        sum += previous * weight;
        weight *= 16u;
    }
    return static_cast<std::int32_t>(sum);
}

} // namespace

std::int32_t ConvertHexToDecLen2(char *text)
{
    static const int order[] = {1, 0};
    upcase(text, 2);
    return sumDigits(text, order, 2);
}

std::int32_t ConvertHexToDecBigEndianLen8(char *text)
{
    static const int order[] = {7, 6, 5, 4, 3, 2, 1, 0};
    upcase(text, 8);
    return sumDigits(text, order, 8);
}

std::int32_t ConvertHexToDecLittleEndianLen8(char *text)
{
    static const int order[] = {1, 0, 3, 2, 5, 4, 7, 6};
    upcase(text, 8);
    return sumDigits(text, order, 8);
}

std::int32_t ConvertHexToDec(char *text, int n)
{
    static const int order[] = {7, 6, 5, 4, 3, 2, 1, 0};
    upcase(text, 8);
    if (n < 0)
        n = 0;
    if (n > 8)
        n = 8;
    // Digits n-1 down to 0 are the last n entries of the big-endian order.
    return sumDigits(text, order + (8 - n), n);
}
