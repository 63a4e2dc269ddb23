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

// A single byte is converted from both of its hex characters as the row
// holds them: a NUL in the high digit takes the value of the low one, as any
// other non-hex character does, instead of zeroing the byte.
TEST(FormatterExpansion, ByteFieldsConvertBothCharactersOfTheirRow)
{
    std::vector<unsigned char> od(336, 0);
    std::memcpy(od.data(), "OD  ", 4);
    od[7] = 3; // version 3, big endian
    std::vector<std::string> lines{unixLine(1, " Objdesc:")};
    for (int r = 0; r < 21; ++r) {
        std::string text = unixRow(16 * r, od.data() + 16 * r);
        if (r == 12) { // bytes 200 and 201: length and type of AlternateSecurityId
            text[27] = '\0', text[28] = '5';
            text[29] = '\0', text[30] = '1';
        }
        lines.push_back(unixLine(1, text));
    }
    RunSettings settings = unixSettings(false);
    settings.pointerLength = 4;
    const std::string out = formatText(settings, join(lines));
    const std::string p = unixPrefix(1);
    EXPECT_NE(out.find(p + "String length in 1st byte          : 85\n"), std::string::npos) << out;
    EXPECT_NE(out.find(p + "   AlternateSecurityId UNKNOWN_CONSTANT\n"), std::string::npos) << out;
}

std::string names(const ConstantNames &table, std::int32_t value)
{
    int fd = memoryFile("");
    {
        OutWriter out(fd);
        printConstantNames(out, "P", value, table);
    }
    std::string text = readAll(fd);
    ::close(fd);
    return text;
}

TEST(ConstantNaming, EqualityFlagsAndMaskedGroups)
{
    const NamedLine values[] = {{1, "%s F ONE\n"}, {2, "%s F TWO_A\n"}, {2, "%s F TWO_B\n"}};
    const ConstantNames strict = equality(values, "%s F UNKNOWN_CONSTANT\n");
    const ConstantNames quiet = equality(values);
    EXPECT_EQ(names(strict, 2), "P F TWO_A\nP F TWO_B\n");
    EXPECT_EQ(names(strict, 3), "P F UNKNOWN_CONSTANT\n");
    EXPECT_EQ(names(quiet, 3), "");

    const MaskLine tests[] = {group(0x30, 0x10, "%s G_ONE\n"), group(0x30, 0x30, "%s G_THREE\n"), bit(0x1, "%s BIT\n"),
                              anyOf(0xFFFFFFC0, "%s UNKNOWN_CONSTANT in range 0xFFFFFFC0\n")};
    const char *const zero[] = {"%s NONE_A\n", "%s NONE_B\n"};
    const ConstantNames flags = masked(tests, zero);
    EXPECT_EQ(names(flags, 0), "P NONE_A\nP NONE_B\n");
    EXPECT_EQ(names(flags, 0x31), "P G_THREE\nP BIT\n");
    EXPECT_EQ(names(flags, 0x20), "") << "a group value that is none of the named ones";
    EXPECT_EQ(names(flags, -1), "P G_THREE\nP BIT\nP UNKNOWN_CONSTANT in range 0xFFFFFFC0\n");
}

} // namespace

namespace {

// Every trigger that ends a line is recognised after any text, with or
// without a carriage return before the newline, and only when the line ends
// in its whole text and a newline: a structure trigger seen twice in a row
// in one thread restarts its capture with a warning.
TEST(FormatterTriggers, EndOfLineTriggersMatchTheWholeTextOnly)
{
    const char *const kStructTriggers[] = {" Msgdesc:",     " Objdesc:",     " Getmsgopts:", " Putmsgopts:",
                                           " CbContext:",   " CallbackDesc:", " StatusData:", " SetPropOpts:",
                                           " InqPropOpts:", " PropDesc:",    " Subdesc:"};
    auto warnings = [](const std::string &out) {
        std::size_t n = 0;
        for (std::size_t at = out.find("encountered while still parsing"); at != std::string::npos;
             at = out.find("encountered while still parsing", at + 1))
            ++n;
        return n;
    };
    for (const char *trigger : kStructTriggers) {
        SCOPED_TRACE(trigger);
        const std::string text = trigger;
        const std::string name = text.substr(1);
        auto twice = [&](const std::string &body, const char *ending) {
            return formatText(unixSettings(), unixLine(1, body, ending) + unixLine(1, body, ending) + unixLine(1, "end"));
        };
        const std::string hit = twice("xyz" + text, "\n");
        EXPECT_EQ(warnings(hit), 1u);
        EXPECT_NE(hit.find(name + " encountered while still parsing an existing " + name), std::string::npos);
        EXPECT_EQ(warnings(twice("xyz" + text, "\r\n")), 1u);
        EXPECT_EQ(warnings(twice("xyz" + text + " ", "\n")), 0u) << "text after the trigger";
        EXPECT_EQ(warnings(twice("xyz" + name, "\n")), 0u) << "no blank before the name";
        EXPECT_EQ(warnings(twice("xyz" + text.substr(0, text.size() - 1) + ";", "\n")), 0u) << "last character differs";
        EXPECT_EQ(warnings(formatText(unixSettings(), unixLine(1, text) + unixLine(1, text, ""))), 0u)
            << "the second has no newline";
    }
}

} // namespace
