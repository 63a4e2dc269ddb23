// Bounded random and mutated traces: the formatter must neither crash nor
// hang, and every input line must reach the output unchanged and in order.
// The traces hold every block kind in the shapes of the four systems, and
// run with every message-data CCSID and search form. Runs under
// AddressSanitizer and UndefinedBehaviorSanitizer in CI.

#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formatter_support.h"
#include "preserved.h"
#include "trace_blocks.h"

using namespace testsupport;
using blocks::Lines;
using blocks::ScratchFolder;
using blocks::Shape;

namespace {

const OsKind kSystems[] = {OsKind::Unix, OsKind::Windows, OsKind::Zos, OsKind::Aat};

void expectInputPreserved(const std::string &input, const std::string &output, const std::string &what)
{
    const std::size_t lost = firstLostPiece(input, output);
    ASSERT_EQ(lost, std::string::npos) << what << ": input line lost at byte " << lost << ": ["
                                       << input.substr(lost, 200) << "]";
}

void mutate(Lines &lines, std::mt19937 &rng)
{
    static const char *const pieces[] = {" Msgdesc:\n", "| MD  ", "'GMO ", " 0x0000:", " Options:\n", " Buffer:\n",
                                         "msg2File-", "msg2File-x", "Message Data:\n", " +0", " 0000", " >>", "\r\n"};
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !lines.empty(); ++e) {
        std::size_t i = rng() % lines.size();
        std::string &l = lines[i];
        switch (rng() % 9) {
        case 0: // flip bytes
            for (int k = 0; k < 4 && !l.empty(); ++k)
                l[rng() % l.size()] = static_cast<char>(rng());
            break;
        case 1: // drop a line
            lines.erase(lines.begin() + static_cast<long>(i));
            break;
        case 2: // repeat a line
            lines.insert(lines.begin() + static_cast<long>(i), l);
            break;
        case 3: // cut a line short
            l.resize(rng() % (l.size() + 1));
            break;
        case 4: // a huge line
            l = std::string(4000 + rng() % 10000, static_cast<char>('A' + rng() % 26)) + l;
            break;
        case 5: // a unix duplicate-lines notice with an odd count
            l = unixLine(1, "0x0030:  = Skipping " + std::to_string(rng() % 1200) + " Duplicate Lines =");
            break;
        case 6: // a windows notice
            l = "00001F24 09:15:12.100053   3853.1    " + std::to_string(rng() % 1500) +
                " lines suppressed, same as above\n";
            break;
        case 7: // a trigger or marker text put somewhere into a line
            l.insert(rng() % (l.size() + 1), pieces[rng() % std::size(pieces)]);
            break;
        case 8: // a line moved to another thread
            if (std::size_t at = l.find("3853."); at != std::string::npos && at + 5 < l.size())
                l[at + 5] = static_cast<char>('1' + rng() % 4);
            break;
        }
    }
}

RunSettings settingsFor(OsKind os, std::mt19937 &rng)
{
    static const int ccsids[] = {0, 819, 1200, 1208};
    static const char *const searches[] = {"", "fox", "0x4546", "0x", "aa", "0xC3A9"};
    RunSettings s = unixSettings(rng() % 2);
    s.os = os;
    s.pointerLength = rng() % 2 ? 4 : 8;
    s.messageCcsid = ccsids[rng() % 4];
    std::snprintf(s.searchText, sizeof s.searchText, "%s", searches[rng() % std::size(searches)]);
    s.searchOn = s.searchText[0] != '\0';
    return s;
}

TEST(FormatterRobustness, MutatedTracesOfEverySystem)
{
    ScratchFolder scratch(true);
    std::mt19937 rng(2026);
    // What the runs must still reach despite the mutations: every expander,
    // every one-line block, the three message checks and the search.
    const std::vector<std::string> wanted = {
        "Msgdesc expanded", "Objdesc expanded", "Getmsgopts expanded", "Putmsgopts expanded",
        "CbContext expanded", "CallbackDesc expanded", "StatusData expanded", "SetPropOpts expanded",
        "InqPropOpts expanded", "PropDesc expanded", "Subdesc expanded", "Connect Options expanded",
        "Open Options expanded", "Close Options expanded", "Consumer Control Options expanded",
        "CrtMsgHOpts expanded", "DltMsgHOpts expanded", "DltPropOpts expanded", " Hmsg=", " Actual Name=",
        " Value=", " Type=", " Hconn=", " Hobj=", " Bufferlength=", " Datalength=", " Compcode=", " Reason=",
        "ISO-8859-1 Totals", "UTF-8 Totals", "UTF-16 Totals", "Byte Analysis", "msgSearch: hit",
        "FORMAT ERROR BEGIN", "FORMAT WARNING BEGIN"};
    std::set<std::string> seen;
    for (int round = 0; round < 300; ++round) {
        const OsKind os = kSystems[round % 4];
        Lines lines = blocks::mixedTrace(Shape{os, rng() % 2 == 0}, 10, rng);
        mutate(lines, rng);
        const std::string input = blocks::join(lines);
        // Mostly the trace's own system, sometimes another one.
        const RunSettings s = settingsFor(rng() % 5 == 0 ? kSystems[rng() % 4] : os, rng);
        const std::string output = formatText(s, input);
        expectInputPreserved(input, output, "round " + std::to_string(round));
        for (const auto &w : wanted)
            if (output.find(w) != std::string::npos)
                seen.insert(w);
    }
    for (const auto &w : wanted)
        EXPECT_TRUE(seen.count(w)) << "no run reached \"" << w << "\"";
    EXPECT_FALSE(scratch.files().empty()) << "no message was captured to a file";
}

// Every block kind of a system in turn, each followed by a line that
// completes it.
std::vector<Lines> everyBlock(OsKind os, std::mt19937 &rng)
{
    const Shape shape{os, os == OsKind::Windows};
    std::vector<Lines> all{{shape.line(1, "MQPUT >>")}};
    auto add = [&](Lines block) {
        block.push_back(shape.line(1, "xcsFreeMem <<"));
        all.push_back(std::move(block));
    };
    for (const auto &k : blocks::kStructBlocks)
        add(blocks::structBlock(shape, 1, k, rng));
    for (const auto &k : blocks::kValueBlocks)
        add(blocks::valueBlock(shape, 1, k, rng));
    add(blocks::messageBlock(shape, 1, blocks::messageBytes(rng)));
    add(blocks::messageBlock(shape, 1, blocks::messageBytes(rng), "cut"));
    return all;
}

// A trace that ends inside a block, at a line end or within a line, gives
// the output of the whole trace up to that point: nothing is written for a
// block left open, and nothing written before is lost. Each block is cut
// after each of its first three lines and its last two.
TEST(FormatterRobustness, TracesEndingInsideEveryBlock)
{
    ScratchFolder scratch(true);
    std::mt19937 rng(5);
    for (OsKind os : kSystems) {
        // Each system with another CCSID and search form.
        const int ccsid = os == OsKind::Windows ? 1200 : os == OsKind::Zos ? 819 : 1208;
        RunSettings s = unixSettings(ccsid == 1200);
        s.os = os;
        s.messageCcsid = ccsid;
        std::snprintf(s.searchText, sizeof s.searchText, "%s", ccsid == 1208 ? "fox" : "0x4546");
        s.searchOn = true;
        const std::vector<Lines> all = everyBlock(os, rng);
        std::string input;
        std::vector<std::size_t> cuts; // input lengths at the chosen line ends
        for (const Lines &block : all) {
            for (std::size_t i = 0; i < block.size(); ++i) {
                input += block[i];
                if (i < 3 || i + 2 >= block.size())
                    cuts.push_back(input.size());
            }
        }
        const std::string full = formatText(s, input);
        expectInputPreserved(input, full, "whole trace");
        for (std::size_t cut : cuts) {
            const std::string head = input.substr(0, cut);
            const std::string out = formatText(s, head);
            ASSERT_EQ(full.compare(0, out.size(), out), 0)
                << "trace cut after: " << head.substr(head.rfind('\n', head.size() - 2) + 1);
            // Cut within the next line as well.
            const std::size_t next = input.find('\n', cut);
            if (next == std::string::npos)
                break;
            const std::string partial = input.substr(0, cut + (next - cut) / 2);
            const std::string partialOut = formatText(s, partial);
            ASSERT_EQ(partialOut.compare(0, out.size(), out), 0);
            expectInputPreserved(partial, partialOut, "cut inside a line");
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
        RunSettings s = unixSettings(round % 2);
        s.os = kSystems[round % 4];
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
