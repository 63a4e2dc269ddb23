#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formatter_support.h"
#include "render.h"

using namespace testsupport;

namespace {

// Message descriptor bytes with a few recognisable fields, little endian.
std::vector<unsigned char> messageDescriptor(int version)
{
    std::vector<unsigned char> md(368, 0);
    std::memcpy(md.data(), "MD  ", 4);
    md[4] = static_cast<unsigned char>(version);
    md[12] = 8;                                   // MsgType datagram
    md[28] = 0xB8, md[29] = 0x04;                 // CodedCharSetId 1208
    std::memcpy(md.data() + 32, "MQSTR   ", 8);   // Format
    for (int i = 48; i < 64; ++i)
        md[static_cast<std::size_t>(i)] = 0x11;   // MsgId, first row
    return md;
}

// The trigger line and dump rows of a message descriptor of thread `tid`.
std::vector<std::string> descriptorLines(int tid, const std::vector<unsigned char> &md, int rows,
                                         const char *ending = "\n")
{
    std::vector<std::string> lines{unixLine(tid, " Msgdesc:", ending)};
    for (int r = 0; r < rows; ++r)
        lines.push_back(unixLine(tid, unixRow(16 * r, md.data() + 16 * r), ending));
    return lines;
}

std::string join(const std::vector<std::string> &lines)
{
    std::string text;
    for (const auto &l : lines)
        text += l;
    return text;
}

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        std::size_t end = nl == std::string::npos ? text.size() : nl + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

std::size_t indexOf(const std::vector<std::string> &lines, const std::string &wanted, std::size_t from = 0)
{
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i] == wanted)
            return i;
    return std::string::npos;
}

TEST(FormatterPassThrough, TraceWithoutTriggersIsCopiedByteForByte)
{
    std::mt19937 rng(7);
    const OsKind systems[] = {OsKind::Unix, OsKind::Windows, OsKind::Zos, OsKind::Aat};
    for (int round = 0; round < 40; ++round) {
        std::string input;
        int lines = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < lines; ++i) {
            std::size_t len = rng() % 8 == 0 ? 4000 + rng() % 9000 : rng() % 120;
            std::string body = unixLine(static_cast<int>(rng() % 5), "");
            for (std::size_t k = 0; k < len; ++k) {
                char c = static_cast<char>(rng() % 256);
                body += c == '\n' ? '\0' : c;   // NUL bytes and bytes above 0x7F included
            }
            input += body;
            input += rng() % 3 == 0 ? "\r\n" : "\n";
        }
        if (rng() % 2)
            input.pop_back();   // no final newline
        RunSettings s = unixSettings();
        s.os = systems[round % 4];
        EXPECT_EQ(formatText(s, input), input) << "round " << round;
    }
}

TEST(FormatterExpansion, DescriptorIsExpandedRightAfterItsLastRow)
{
    auto v1 = descriptorLines(1, messageDescriptor(1), 21);
    auto v2 = descriptorLines(1, messageDescriptor(2), 23);
    for (const auto &dump : {v1, v2}) {
        std::string input = unixLine(1, "MQPUT >>") + join(dump) + unixLine(1, "after");
        auto out = splitLines(formatText(unixSettings(), input));
        std::size_t header = indexOf(out, unixPrefix(1) + "Msgdesc expanded (all fields):\n");
        ASSERT_NE(header, std::string::npos);
        EXPECT_EQ(out[header - 1], dump.back());
        bool v2dump = dump.size() == 24;
        std::string lastField = v2dump ? "OriginalLength (MQLONG)     : 0\n" : "ApplOriginData (MQCHAR4)    : '....'\n";
        std::size_t last = indexOf(out, unixPrefix(1) + lastField, header);
        ASSERT_NE(last, std::string::npos);
        EXPECT_EQ(out[last + 1], unixPrefix(1) + "                              x'00000000'\n");
        EXPECT_EQ(out[last + 2], unixLine(1, "after"));
    }
}

TEST(FormatterExpansion, CarriageReturnLineEndingsMatchAndAreKept)
{
    auto md = messageDescriptor(2);
    std::string lf = join(descriptorLines(1, md, 23, "\n")) + unixLine(1, " Reason:") +
                     unixLine(1, "0x0000:  02000000") + unixLine(1, "end");
    std::string crlf = join(descriptorLines(1, md, 23, "\r\n")) + unixLine(1, " Reason:", "\r\n") +
                       unixLine(1, "0x0000:  02000000", "\r\n") + unixLine(1, "end", "\r\n");
    std::string outLf = formatText(unixSettings(), lf);
    std::string outCrlf = formatText(unixSettings(), crlf);
    EXPECT_NE(outLf.find("Reason=2\n"), std::string::npos);
    // The copied lines keep their CR LF; the added lines are the same.
    std::string stripped;
    for (const auto &line : splitLines(outCrlf)) {
        if (line.size() >= 2 && line[line.size() - 2] == '\r')
            stripped += line.substr(0, line.size() - 2) + "\n";
        else
            stripped += line;
    }
    EXPECT_EQ(stripped, outLf);
    EXPECT_NE(outCrlf.find("Format (CHAR8)              : 'MQSTR   '\n"), std::string::npos);
}

TEST(FormatterExpansion, InterleavedThreadsEachExpandAfterTheirOwnDump)
{
    auto a = descriptorLines(1, messageDescriptor(1), 21);
    auto b = descriptorLines(2, messageDescriptor(2), 23);
    std::string input;
    for (std::size_t i = 0; i < b.size(); ++i) {
        if (i < a.size())
            input += a[i];
        input += b[i];
    }
    auto out = splitLines(formatText(unixSettings(), input));
    std::size_t first = indexOf(out, unixPrefix(1) + "Msgdesc expanded (all fields):\n");
    std::size_t second = indexOf(out, unixPrefix(2) + "Msgdesc expanded (all fields):\n");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(out[first - 1], a.back());
    EXPECT_EQ(out[second - 1], b.back());
    EXPECT_LT(first, second);
}

TEST(FormatterValues, EachValueLineStandsWhereItsCaptureEnds)
{
    std::string input = unixLine(1, " Hconn:") + unixLine(1, "0x0000:  fdffffff") + unixLine(2, "other thread") +
                        unixLine(1, " Reason:") + unixLine(1, "0x0000:  1b080000") + unixLine(1, "next");
    auto out = splitLines(formatText(unixSettings(), input));
    std::vector<std::string> expected = {
        unixLine(1, " Hconn:"),
        unixLine(1, "0x0000:  fdffffff"),
        unixLine(2, "other thread"),
        unixPrefix(1) + "Hconn=fdffffff\n",
        unixPrefix(1) + "   Hconn=MQHC_UNASSOCIATED_HCONN\n",
        unixLine(1, " Reason:"),
        unixLine(1, "0x0000:  1b080000"),
        unixPrefix(1) + "Reason=2075\n",
        unixLine(1, "next"),
    };
    EXPECT_EQ(out, expected);
}

TEST(FormatterValues, MissingValueRowIsReportedBeforeThatLine)
{
    std::string input = unixLine(1, " Datalength:") + unixLine(1, "no dump here") + unixLine(1, "next");
    auto out = splitLines(formatText(unixSettings(), input));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[1], unixPrefix(1) + "FORMAT ERROR BEGIN\n");
    EXPECT_EQ(out[2], unixPrefix(1) + "Expected parsing token for Datalength: was not found on line below.\n");
    EXPECT_EQ(out[3], unixPrefix(1) + "Unable to format Datalength.\n");
    EXPECT_EQ(out[5], unixLine(1, "no dump here"));
}

TEST(FormatterCapture, DuplicateNoticeRepeatsThePreviousRow)
{
    auto md = messageDescriptor(1);
    for (int i = 32; i < 48; ++i)
        md[static_cast<std::size_t>(i)] = 0x22;   // row 2 (Format, Priority, Persistence)
    auto lines = descriptorLines(1, md, 21);
    // Rows 3 and 4 (lines 4 and 5 of the dump) become one notice.
    lines[4] = unixLine(1, "0x0030:  = Skipping 2 Duplicate Lines =");
    lines.erase(lines.begin() + 5);
    auto out = formatText(unixSettings(), join(lines));
    EXPECT_NE(out.find("MsgId (BYTE24)              : x'222222222222222222222222222222222222222222222222'\n"),
              std::string::npos)
        << out;
}

TEST(FormatterCapture, NoticeRunningPastTheLastRowExpandsOnTheNextLine)
{
    auto lines = descriptorLines(1, messageDescriptor(1), 21);
    lines.resize(20);   // trigger and rows 0 to 18
    lines.push_back(unixLine(1, "0x0130:  = Skipping 5 Duplicate Lines ="));
    std::string input = join(lines) + unixLine(2, "other") + unixLine(1, "next");
    auto out = splitLines(formatText(unixSettings(), input));
    std::size_t header = indexOf(out, unixPrefix(1) + "Msgdesc expanded (all fields):\n");
    ASSERT_NE(header, std::string::npos);
    EXPECT_EQ(out[header - 1], unixLine(2, "other"));
    EXPECT_EQ(out.back(), unixLine(1, "next"));
}

TEST(FormatterCapture, ErrorsAreReportedOnceAndNothingIsExpanded)
{
    auto lines = descriptorLines(1, messageDescriptor(1), 21);
    lines[1] = unixLine(1, "0x0000:  = Skipping x Duplicate Lines =");
    std::string out = formatText(unixSettings(), join(lines));
    const std::string p = unixPrefix(1);
    std::string expected = p + "FORMAT ERROR BEGIN\n" + p + "A Skipping Duplicate Lines was found on the first Msgdesc line.\n" +
                           p + "Unable to format Msgdesc.\n" + p + "FORMAT ERROR END\n" + p + "FORMAT ERROR BEGIN\n" + p +
                           "A Skipping Duplicate Lines did not have a digit in the expected place.\n" + p +
                           "Unable to format Msgdesc.\n" + p + "FORMAT ERROR END\n";
    EXPECT_EQ(out, lines[0] + lines[1] + expected + join({lines.begin() + 2, lines.end()}));
}

TEST(FormatterCapture, NewTriggerWarnsAndRestarts)
{
    auto dump = descriptorLines(1, messageDescriptor(1), 21);
    std::string input = dump[0] + dump[1] + join(dump);
    auto out = splitLines(formatText(unixSettings(), input));
    const std::string p = unixPrefix(1);
    std::vector<std::string> head(out.begin(), out.begin() + 7);
    std::vector<std::string> expected = {dump[0], dump[1], p + "FORMAT WARNING BEGIN\n",
                                         p + "Msgdesc: encountered while still parsing an existing Msgdesc:\n",
                                         p + "Resetting to format new Msgdesc:\n", p + "FORMAT WARNING END\n", dump[0]};
    EXPECT_EQ(head, expected);
    EXPECT_EQ(std::count(out.begin(), out.end(), p + "Msgdesc expanded (all fields):\n"), 1);
}

std::string names(const ConstantNames &table, std::int32_t value)
{
    int fd = memoryFile("");
    {
        OutWriter out(fd);
        printConstantNames(out, "P", "F", value, table);
    }
    std::string text = readAll(fd);
    ::close(fd);
    return text;
}

TEST(ConstantNaming, EqualityFlagsAndMaskedGroups)
{
    const NamedValue values[] = {{1, "ONE"}, {2, "TWO_A"}, {2, "TWO_B"}};
    ConstantNames strict{ConstantNames::Equality, values, 3, true};
    ConstantNames quiet{ConstantNames::Equality, values, 3, false};
    EXPECT_EQ(names(strict, 2), "P    F TWO_A\nP    F TWO_B\n");
    EXPECT_EQ(names(strict, 3), "P    F UNKNOWN_CONSTANT\n");
    EXPECT_EQ(names(quiet, 3), "");

    const MaskTest tests[] = {{0x30, 0x10, "G_ONE"}, {0x30, 0x30, "G_THREE"}, {0x1, 0x1, "BIT"},
                              {0xFFFFFFC0, 0, "UNKNOWN_CONSTANT in range 0xFFFFFFC0", true}};
    const char *const zero[] = {"NONE_A", "NONE_B"};
    ConstantNames flags{ConstantNames::Masked, nullptr, 0, false, tests, 4, zero, 2};
    EXPECT_EQ(names(flags, 0), "P    F NONE_A\nP    F NONE_B\n");
    EXPECT_EQ(names(flags, 0x31), "P    F G_THREE\nP    F BIT\n");
    EXPECT_EQ(names(flags, 0x20), "") << "a group value that is none of the named ones";
    EXPECT_EQ(names(flags, -1), "P    F G_THREE\nP    F BIT\nP    F UNKNOWN_CONSTANT in range 0xFFFFFFC0\n");
}

} // namespace
