// Bounded random and mutated traces: the formatter must neither crash nor
// hang, and every input line must reach the output unchanged and in order.
// Runs under AddressSanitizer and UndefinedBehaviorSanitizer in CI.

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formatter_support.h"

using namespace testsupport;

namespace {

std::string hexByte(unsigned char b)
{
    static const char digits[] = "0123456789abcdef";
    return {digits[b >> 4], digits[b & 15]};
}

std::vector<unsigned char> descriptor(std::mt19937 &rng)
{
    std::vector<unsigned char> md(368);
    for (auto &b : md)
        b = static_cast<unsigned char>(rng());
    std::memcpy(md.data(), "MD  ", 4);
    md[4] = static_cast<unsigned char>(rng() % 4), md[5] = md[6] = md[7] = 0;
    return md;
}

// Row shapes of the four systems, built around their anchors.
std::string windowsRow(const unsigned char *b, bool wide)
{
    std::string s = wide ? "00001A2C 10:00:00.000000  3853.1 0x000000000012F5A0:  " : "00001A2C 10:00:00.000000  3853.1 0x0012F5A0: ";
    for (int k = 0; k < 16; ++k)
        s += hexByte(b[k]) + " ";
    s += "  ";
    for (int k = 0; k < 16; ++k)
        s += (b[k] >= 32 && b[k] < 127) ? static_cast<char>(b[k]) : '.';
    return s;
}

std::string zosRow(int offset, const unsigned char *b)
{
    char head[16];
    std::snprintf(head, sizeof head, " +%04X  ", offset);
    std::string s = std::string("  00012F5A") + head;
    for (int w = 0; w < 4; ++w) {
        for (int i = 0; i < 4; ++i)
            s += hexByte(b[4 * w + i]);
        s += "  ";
    }
    s += "| ";
    for (int k = 0; k < 16; ++k)
        s += (b[k] >= 32 && b[k] < 127) ? static_cast<char>(b[k]) : '.';
    return s + " |";
}

std::string aatRow(int offset, const unsigned char *b)
{
    char head[16];
    std::snprintf(head, sizeof head, " %08X:  ", offset);
    std::string s = head;
    for (int g = 0; g < 8; ++g)
        s += hexByte(b[2 * g]) + hexByte(b[2 * g + 1]) + " ";
    s += " '";
    for (int k = 0; k < 16; ++k)
        s += (b[k] >= 32 && b[k] < 127) ? static_cast<char>(b[k]) : '.';
    return s + "'";
}

// A realistic-shaped trace of the given system with dumps, values and noise.
std::vector<std::string> corpus(OsKind os, std::mt19937 &rng)
{
    std::vector<std::string> lines;
    const char *values[] = {" Hconn:", " Hobj:", " Bufferlength:", " Datalength:", " Compcode:", " Reason:"};
    for (int block = 0; block < 6; ++block) {
        int tid = 1 + static_cast<int>(rng() % 3);
        auto md = descriptor(rng);
        int rows = md[4] >= 2 ? 23 : 21;
        switch (os) {
        case OsKind::Unix:
            lines.push_back(unixLine(tid, " Msgdesc:"));
            for (int r = 0; r < rows; ++r)
                lines.push_back(unixLine(tid, unixRow(16 * r, md.data() + 16 * r)));
            lines.push_back(unixLine(tid, values[rng() % 6]));
            lines.push_back(unixLine(tid, "0x0000:  0000000a                              |....|"));
            break;
        case OsKind::Windows: {
            bool wide = rng() % 2;
            lines.push_back("00001A2C 10:00:00.000000  3853.1 Msgdesc:\n");
            lines.push_back("00001A2C 10:00:00.000000  3853.1   Address  00 01 02 03 04 05 06 07\n");
            for (int r = 0; r < rows; ++r)
                lines.push_back(windowsRow(md.data() + 16 * r, wide) + "\n");
            lines.push_back(std::string("00001A2C 10:00:00.000000  3853.1") + values[rng() % 6] + "\n");
            lines.push_back("00001A2C 10:00:00.000000  3853.1 heading\n");
            lines.push_back(windowsRow(md.data(), wide) + "\n");
            break;
        }
        case OsKind::Zos:
            for (int r = 0; r < rows; ++r)
                lines.push_back(zosRow(16 * r, md.data() + 16 * r) + "\n");
            lines.push_back(std::string("CSQ trace") + values[rng() % 6] + "\n");
            break;
        case OsKind::Aat:
            for (int r = 0; r < rows; ++r)
                lines.push_back(aatRow(16 * r, md.data() + 16 * r) + "\n");
            break;
        }
        lines.push_back(unixLine(tid, "xcsFreeMem <<"));
    }
    return lines;
}

void mutate(std::vector<std::string> &lines, std::mt19937 &rng)
{
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !lines.empty(); ++e) {
        std::size_t i = rng() % lines.size();
        switch (rng() % 7) {
        case 0: // flip bytes
            for (int k = 0; k < 4 && !lines[i].empty(); ++k)
                lines[i][rng() % lines[i].size()] = static_cast<char>(rng());
            break;
        case 1: // drop a line
            lines.erase(lines.begin() + static_cast<long>(i));
            break;
        case 2: // repeat a line
            lines.insert(lines.begin() + static_cast<long>(i), lines[i]);
            break;
        case 3: // cut a line short
            lines[i].resize(rng() % (lines[i].size() + 1));
            break;
        case 4: // a huge line
            lines[i] = std::string(4000 + rng() % 10000, static_cast<char>('A' + rng() % 26)) + lines[i];
            break;
        case 5: // a duplicate-lines notice with an odd count
            lines[i] = unixLine(1, "0x0030:  = Skipping " + std::to_string(rng() % 120) + " Duplicate Lines =");
            break;
        case 6: // a windows notice
            lines[i] = std::to_string(rng() % 150) + " lines suppressed, same as above\n";
            break;
        }
    }
}

// Every piece of the input stands in the output, in order, at a line start
// or right after the piece before it.
void expectInputPreserved(const std::string &input, const std::string &output, const std::string &what)
{
    std::size_t at = 0;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t nl = input.find('\n', start);
        std::size_t end = nl == std::string::npos ? input.size() : nl + 1;
        if (end - start > 4095)
            end = start + 4095;
        std::string piece = input.substr(start, end - start);
        std::size_t found = output.find(piece, at);
        while (found != std::string::npos && found != at && output[found - 1] != '\n')
            found = output.find(piece, found + 1);
        ASSERT_NE(found, std::string::npos) << what << ": input line lost at byte " << start << ": [" << piece << "]";
        at = found + piece.size();
        start = end;
    }
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &l : lines)
        text += l;
    return text;
}

RunSettings settingsFor(OsKind os, bool little)
{
    RunSettings s = unixSettings(little);
    s.os = os;
    s.pointerLength = os == OsKind::Unix ? 8 : 4;
    return s;
}

TEST(FormatterRobustness, MutatedTracesOfEverySystem)
{
    std::mt19937 rng(2026);
    const OsKind systems[] = {OsKind::Unix, OsKind::Windows, OsKind::Zos, OsKind::Aat};
    int expanded = 0;
    for (int round = 0; round < 600; ++round) {
        OsKind os = systems[round % 4];
        auto lines = corpus(os, rng);
        mutate(lines, rng);
        std::string input = joinLines(lines);
        // Mostly the trace's own system, sometimes another one.
        RunSettings s = settingsFor(rng() % 4 == 0 ? systems[rng() % 4] : os, rng() % 2);
        std::string output = formatText(s, input);
        expectInputPreserved(input, output, "round " + std::to_string(round));
        expanded += output.find("expanded (all fields)") != std::string::npos;
    }
    EXPECT_GT(expanded, 200) << "the mutated traces should still reach the expanders";
}

TEST(FormatterRobustness, DumpsCutAtEveryLine)
{
    std::mt19937 rng(5);
    for (OsKind os : {OsKind::Unix, OsKind::Windows, OsKind::Zos, OsKind::Aat}) {
        std::string input = joinLines(corpus(os, rng));
        for (std::size_t cut = 0; cut < input.size(); cut = input.find('\n', cut + 1)) {
            std::string head = input.substr(0, cut + 1);
            expectInputPreserved(head, formatText(settingsFor(os, true), head), "cut");
            if (cut == std::string::npos)
                break;
        }
    }
}

TEST(FormatterRobustness, RandomBytes)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 60; ++round) {
        std::string input(rng() % 20000, '\0');
        for (auto &c : input)
            c = rng() % 10 == 0 ? '\n' : static_cast<char>(rng() % 96 + 32);
        if (round % 3 == 0)
            input += " 3853.1 Msgdesc:\n" + input;
        RunSettings s = settingsFor(static_cast<OsKind>(round % 4), round % 2);
        expectInputPreserved(input, formatText(s, input), "random");
    }
}

TEST(FormatterRobustness, ThousandsOfThreadsWithOpenCaptures)
{
    std::string input;
    for (int tid = 0; tid < 5000; ++tid) {
        input += unixLine(tid, " Msgdesc:");
        input += unixLine(tid, " Reason:");
    }
    for (int tid = 0; tid < 5000; tid += 7)
        input += unixLine(tid, "0x0000:  4d442020 01000000");
    std::string output = formatText(unixSettings(), input);
    expectInputPreserved(input, output, "threads");
}

TEST(FormatterRobustness, KeysThatDoNotFitThePrefix)
{
    RunSettings s = unixSettings();
    std::snprintf(s.processKey, sizeof s.processKey, "9.");
    s.processIdLength = 1;
    std::string key(37, '7');
    std::string input = " 9." + key + " Hconn:\n 9." + key + " 0x0000:  00000000\n 9." + key + " next\n";
    std::string output = formatText(s, input);
    expectInputPreserved(input, output, "long key");
    // The key is cut at the end of the 56-character prefix.
    EXPECT_NE(output.find(std::string(24, ' ') + "9." + std::string(30, '7') + " Hconn=00000000\n"), std::string::npos)
        << output;
}

} // namespace
