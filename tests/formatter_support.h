// Helpers for running the formatter in-process on text held in memory.
#pragma once

#include <string>
#include <unistd.h>

#include "formatter.h"
#include "memfile.h"
#include "outwriter.h"

namespace testsupport {

using testfiles::memoryFile;
using testfiles::readAll;

// Formats `input` with the given settings and returns the output file's text.
inline std::string formatText(const RunSettings &settings, const std::string &input)
{
    int in = memoryFile(input);
    int out = memoryFile("");
    {
        OutWriter writer(out, 4096);
        formatTrace(settings, in, writer);
    }
    std::string text = readAll(out);
    ::close(in);
    ::close(out);
    return text;
}

inline RunSettings unixSettings(bool little = true)
{
    RunSettings s;
    s.os = OsKind::Unix;
    s.littleEndian = little;
    s.pointerLength = 8;
    std::snprintf(s.processKey, sizeof s.processKey, "3853.");
    s.processIdLength = 4;
    return s;
}

// A unix trace line of thread 3853.<tid>: timestamp, key with its period in
// column 25, text from column 57.
inline std::string unixLine(int tid, const std::string &text, const char *ending = "\n")
{
    std::string line = " 10:00:00.000000";
    line.resize(21, ' ');
    line += "3853." + std::to_string(tid);
    line.resize(57, ' ');
    return line + text + ending;
}

// A unix dump row with the label of `offset` and 16 bytes.
inline std::string unixRow(int offset, const unsigned char *bytes)
{
    static const char digits[] = "0123456789abcdef";
    char label[16];
    std::snprintf(label, sizeof label, "0x%04x:  ", offset);
    std::string text = label;
    for (int w = 0; w < 4; ++w) {
        for (int i = 0; i < 4; ++i) {
            unsigned char b = bytes[4 * w + i];
            text += digits[b >> 4];
            text += digits[b & 15];
        }
        text += w < 3 ? " " : "  |";
    }
    for (int i = 0; i < 16; ++i)
        text += (bytes[i] >= 32 && bytes[i] < 127) ? static_cast<char>(bytes[i]) : '.';
    return text + "|";
}

// The 56-blank prefix of thread 3853.<tid> followed by a blank.
inline std::string unixPrefix(int tid)
{
    std::string p(21, ' ');
    p += "3853." + std::to_string(tid);
    p.resize(56, ' ');
    return p + " ";
}

} // namespace testsupport
