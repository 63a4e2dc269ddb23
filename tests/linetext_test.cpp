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
        for (auto width : {VectorWidth::Plain, VectorWidth::Narrow, VectorWidth::Wide})
            ASSERT_EQ(findCallMarker(line, width), want) << static_cast<int>(width) << " [" << text << "]";
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

#include "threadkey.h"

namespace {

// The plain reading: from the first occurrence of the process key to the
// next blank (or, if `atLineEnd`, to the end of the body when no blank
// follows), 1 to 39 characters, cut at a NUL byte.
bool plainThreadKey(std::string_view body, std::string_view processKey, std::string &key, bool atLineEnd)
{
    std::size_t start = body.find(processKey);
    if (start == std::string_view::npos)
        return false;
    std::size_t blank = body.find(' ', start);
    if (blank == std::string_view::npos && atLineEnd)
        blank = body.size();
    if (blank == std::string_view::npos || blank - start < 1 || blank - start > 39)
        return false;
    std::string token(body.substr(start, blank - start));
    key = token.substr(0, token.find('\0'));
    return true;
}

TEST(ThreadKeys, FoundAsThePlainReadingFindsThem)
{
    std::mt19937 rng(29);
    const std::string alphabet = std::string("38.5 1x\r") + '\0';
    const PreparedNeedle processKey(Needle("3853."));
    for (int round = 0; round < 100000; ++round) {
        std::string text = randomText(rng, alphabet, 30) + (rng() % 2 ? "3853." : "") + randomText(rng, alphabet, 50) +
                           (rng() % 2 ? "\n" : "");
        LineText line;
        line.set(text.data(), text.size());
        for (const bool atLineEnd : {false, true}) {
            std::string want;
            std::string_view got;
            const bool wantFound = plainThreadKey(line.body(), "3853.", want, atLineEnd);
            ASSERT_EQ(findThreadKey(line, processKey, got, atLineEnd ? KeyEnd::BlankOrLineEnd : KeyEnd::Blank),
                      wantFound)
                << text;
            if (wantFound) {
                ASSERT_EQ(std::string(got), want) << text;
            }
        }
    }
}

struct Record {
    char key[40] = {};
    std::size_t keyLen = 0;
    int serial = 0;
};

TEST(ThreadKeys, TableKeepsOneRecordPerKeyInFirstSeenOrder)
{
    ThreadTable<Record> table;
    std::mt19937 rng(31);
    std::vector<std::string> order;
    for (int i = 0; i < 20000; ++i) {
        std::string key = i % 2 ? "3853." + std::to_string(rng() % (i < 10000 ? 9 : 3000))
                                : std::string(rng() % 40, static_cast<char>(rng() % 2 ? '\xff' : 'a'));
        bool created = false;
        Record &r = table.get(key, created);
        if (created) {
            r.serial = static_cast<int>(order.size());
            order.push_back(key);
        }
        ASSERT_EQ(std::string(r.key, r.keyLen), key);
        ASSERT_EQ(order[static_cast<std::size_t>(r.serial)], key);
    }
    ASSERT_EQ(table.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(std::string(table.items()[i]->key), order[i]);
}

} // namespace
