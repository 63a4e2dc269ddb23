#include <random>
#include <string>

#include <gtest/gtest.h>

#include "formatter.h"
#include "linetext.h"

namespace {

std::string randomText(std::mt19937 &rng, const std::string &alphabet, std::size_t maxLen)
{
    std::string s(rng() % (maxLen + 1), ' ');
    for (auto &c : s)
        c = alphabet[rng() % alphabet.size()];
    return s;
}

// The vector search must agree with a plain search for every text, needle,
// start and length, block edges included.
TEST(LineSearch, FindAgreesWithPlainSearch)
{
    std::mt19937 rng(17);
    const std::string alphabet = " .3><a";
    for (int round = 0; round < 200000; ++round) {
        std::string text = randomText(rng, alphabet, 70);
        std::string needle = randomText(rng, alphabet, 7);
        std::size_t from = rng() % (text.size() + 2);
        std::size_t want = from > text.size() ? std::string::npos : std::string_view(text).find(needle, from);
        ASSERT_EQ(findText(text.data(), text.size(), Needle(needle), from), want)
            << "[" << text << "] [" << needle << "] from " << from;
    }
}

TEST(LineSearch, CallMarkerIsTheFirstEntryElseTheFirstExit)
{
    std::mt19937 rng(23);
    for (int round = 0; round < 100000; ++round) {
        std::string text = randomText(rng, " ><a", 90) + "\n";
        LineText line;
        line.set(text.data(), text.size());
        std::string_view body = line.body();
        std::size_t entry = body.find(" >>");
        std::size_t want = entry != std::string_view::npos ? entry : body.find(" <<");
        ASSERT_EQ(findCallMarker(line), want) << "[" << text << "]";
    }
}

TEST(LineSearch, LineEndingBelongsToNoMatch)
{
    std::string text = "abc Msgdesc:\r\n";
    LineText line;
    line.set(text.data(), text.size());
    EXPECT_EQ(line.body(), "abc Msgdesc:");
    EXPECT_TRUE(line.endsWithLine(" Msgdesc:"));
    EXPECT_FALSE(line.contains(":\r"));
    text = "abc Msgdesc:";
    line.set(text.data(), text.size());
    EXPECT_FALSE(line.endsWithLine(" Msgdesc:")) << "no newline, no match";
    text = "x\r\r\n";
    line.set(text.data(), text.size());
    EXPECT_EQ(line.body(), "x\r") << "only one carriage return belongs to the ending";
}

} // namespace
