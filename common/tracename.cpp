#include "tracename.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

TraceName checkTraceName(char *name)
{
    TraceName result;
    std::size_t len = std::strlen(name);
    if (len < 10) {
        result.status = TraceNameStatus::TooShort;
        return result;
    }
    for (int i = 0; i < 3; ++i)
        name[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    if (std::strncmp(name, "AMQ", 3) != 0) {
        result.status = TraceNameStatus::NotAmq;
        return result;
    }
    const char *period = std::strchr(name + 3, '.');
    if (period == nullptr) {
        result.status = TraceNameStatus::NoPeriod;
        return result;
    }
    std::size_t at = static_cast<std::size_t>(period - name);
    if (at == 3) {
        result.status = TraceNameStatus::EmptyProcessId;
        return result;
    }
    if (at > 19) {
        result.status = TraceNameStatus::ProcessIdTooLong;
        return result;
    }
    result.processIdLength = at - 3;
    std::memcpy(result.processKey, name + 3, result.processIdLength + 1);
    return result;
}

void printTraceNameError(const TraceName &result, const char *name)
{
    switch (result.status) {
    case TraceNameStatus::Ok:
        return;
    case TraceNameStatus::TooShort:
        std::printf("\nInput filename too short.\n");
        break;
    case TraceNameStatus::NotAmq:
        std::printf("\nFirst 3 characters in input file %s must start with AMQ.\n", name);
        break;
    case TraceNameStatus::NoPeriod:
        std::printf("\nInput filename must contain a period.\n");
        break;
    case TraceNameStatus::EmptyProcessId:
        std::printf("\nThere are no characters between the AMQ and the first period in input file name %s\n", name);
        break;
    case TraceNameStatus::ProcessIdTooLong:
        std::printf("\nProcess id that is found between AMQ and first period in file name must be less than 20 characters\n");
        break;
    }
    std::printf("Format should be like AMQ1234.0.FMT\n");
}

bool hostIsLittleEndian()
{
    const std::uint32_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    return first == 1;
}
