// Robustness of quorbit against malformed traces: random bytes, mutated
// real-shaped traces, huge lines, many threads and traces cut at every line.
// Every run must end with a well-formed report; the sanitizer build checks
// that nothing is read or written outside its buffer.

#include <gtest/gtest.h>
#include <random>

#include "apistats_support.h"

using qtest::report;
using qtest::settings;
using qtest::Trace;

namespace {

std::size_t count(const std::string &text, const std::string &part)
{
    std::size_t n = 0;
    for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
        ++n;
    return n;
}

// A report is well formed when it starts with the warnings header, has all
// five sections for every thread block and, for several threads, ends with
// the full summary.
void expectWellFormed(const std::string &out)
{
    ASSERT_GE(out.size(), 3 * 89u);
    EXPECT_EQ(out.compare(89, 26, "*  PARSING WARNING/ERRORS:"), 0);
    const std::size_t threads = count(out, "*   STATS FOR PID.TID ");
    EXPECT_EQ(count(out, "MQPUT1 QUEUE STATS\n"), threads);
    if (threads > 1)
        EXPECT_TRUE(out.ends_with("\n\n") && count(out, "\nMQPUT1:\nTotal Ok ") == 1);
    else if (threads == 1)
        EXPECT_TRUE(out.ends_with("\nNo MQPUT1s\n") || count(out, "Total PUT1 Bytes\n\n") == 1);
    else
        EXPECT_EQ(out.substr(3 * 89), "none\n");
}

// Runs `trace` with and without the quick rejection of lines, which must not
// change the report, and checks the report's shape.
void check(const std::string &trace, const apistats::Settings &s)
{
    const std::string out = report(trace, s);
    expectWellFormed(out);
    EXPECT_EQ(out, report(trace, s, true));
}

Trace realTrace(bool windows)
{
    Trace t;
    t.windows = windows;
    for (int i = 0; i < 3; ++i) {
        int tid = 1 + i % 2;
        t.open(tid, "10:00:00.000000", "10:00:00.100000", "Q.NAME.ONE")
            .get(tid, "10:00:01.000000", "10:00:01.200000", "Q.NAME.ONE", "00000020")
            .put(3, "10:00:01.000000", "10:00:01.050000", "Q.NAME.TWO")
            .put1(tid, "23:59:59.000000", "00:00:00.500000", "Q.NAME.THREE", "10000000", "00000002")
            .close(tid, "10:00:02.000000", "10:00:02.100000");
    }
    return t;
}

std::string mutate(const std::string &base, std::mt19937 &rng)
{
    static const char *const pieces[] = {"0x",        "0x0000:",   "0x0010", "Compcode:", "MQGET >>", "MQPUT1 <<",
                                         "Reason        :", "ObjName=", "HConn=", "\r\n",   "\n",       "3853.",
                                         "Putmsgopts:", "Getmsgopts:", "Bufferlength:", "MQI:MQPUT ", "DataLen="};
    std::string s = base;
    std::uniform_int_distribution<int> kind(0, 4);
    int edits = 1 + static_cast<int>(rng() % 12);
    for (int e = 0; e < edits && !s.empty(); ++e) {
        std::size_t at = rng() % s.size();
        switch (kind(rng)) {
        case 0: s[at] = static_cast<char>(rng()); break;
        case 1: s.erase(at, rng() % 200); break;
        case 2: s.insert(at, pieces[rng() % std::size(pieces)]); break;
        case 3: s.insert(at, s.substr(rng() % s.size(), rng() % 400)); break;
        default: s.insert(at, std::string(rng() % 6000, static_cast<char>('A' + rng() % 3))); break;
        }
    }
    return s;
}

} // namespace

TEST(ApiStatsFuzz, RandomBytes)
{
    std::mt19937 rng(1234);
    for (int i = 0; i < 300; ++i) {
        std::string s(rng() % 12000, '\0');
        for (char &c : s) {
            unsigned r = rng() % 64;
            c = r == 0 ? '\n' : r == 1 ? ' ' : static_cast<char>(rng());
        }
        for (int k = 0; k < 20 && !s.empty(); ++k)
            s.insert(rng() % s.size(), k % 2 ? "3853." : "0x");
        for (bool windows : {false, true})
            check(s, settings(windows, i % 2 == 0));
    }
}

TEST(ApiStatsFuzz, MutatedRealTraces)
{
    std::mt19937 rng(99);
    for (bool windows : {false, true}) {
        const std::string base = realTrace(windows).text;
        for (int i = 0; i < 500; ++i)
            check(mutate(base, rng), settings(windows, i % 2 == 0));
    }
}

TEST(ApiStatsFuzz, TracesCutAtEveryLine)
{
    for (bool windows : {false, true}) {
        const std::string base = realTrace(windows).text;
        for (std::size_t p = 0; p < base.size(); p = base.find('\n', p) + 1) {
            check(base.substr(0, p), settings(windows));
            // Cut inside the line as well, a few characters in.
            check(base.substr(0, p + 7), settings(windows));
            if (base.find('\n', p) == std::string::npos)
                break;
        }
        const std::string full = report(base, settings(windows));
        EXPECT_NE(full.find("none\n"), std::string::npos);
        EXPECT_NE(full.find("Thread Count was 3\n"), std::string::npos);
    }
}

TEST(ApiStatsFuzz, HugeLinesAndTokens)
{
    std::string big(300000, 'Z');
    for (std::size_t at = 0; at < big.size(); at += 4000)
        big.replace(at, 40, "MQGET >> 0x0000: Compcode: 3853.1 ObjName=");
    Trace t;
    t.line("10:00:00.000000", 1, big);
    t.text += "3853." + std::string(100, '7') + " MQOPEN >>\n"; // token too long
    t.text += std::string(4094, 'q') + "3853.5 MQI:MQOPEN HConn=1 ObjName=X\n"; // token split over two pieces
    t.get(1, "10:00:00.000000", "10:00:00.100000", "Q");
    check(t.text, settings());
    check(t.text, settings(true));
}

TEST(ApiStatsFuzz, ThousandsOfThreadsAndQueues)
{
    Trace t;
    for (int tid = 0; tid < 3000; ++tid)
        t.line("10:00:00.000000", tid, "MQPUT >>");
    for (int q = 0; q < 300; ++q)
        t.put(7, "10:00:00.000000", "10:00:00.001000", std::string("Q").append(std::to_string(q % 150)));
    std::string out = report(t.text);
    check(t.text, settings());
    EXPECT_NE(out.find("Thread Count was 3000\n"), std::string::npos);
    EXPECT_NE(out.find(qtest::padTo("Q149", 48) + " 2 00000.002000"), std::string::npos);
    EXPECT_NE(out.find("MQPUT begin found before MQPUT end at line 3001\n"), std::string::npos);
}

// The texts of apistats::Text, in its order.
const char *const texts[] = {
    "MQOPEN >>", "MQOPEN <<", "MQCLOSE >>", "MQCLOSE <<", "MQGET >>", "MQGET <<", "MQPUT >>", "MQPUT <<",
    "MQPUT1 >>", "MQPUT1 <<", "MQI:MQOPEN", "MQI:MQCLOSE", "MQI:MQGET", "MQI:MQPUT ", "Reason        :",
    "Compcode:", "Getmsgopts:", "Putmsgopts:", "Bufferlength:", "HConn=", "ObjName=", "DataLen=", "BufLen=",
    "0x0000:", "0x0000", "0x0010", "0x0020", "0x0030", "0x0040", "0x"};
static_assert(std::size(texts) == static_cast<std::size_t>(apistats::Text::Count));

// The call and header texts (those before HConn) the body holds, by a plain
// search for each.
unsigned plainKeywordMask(const LineText &line)
{
    unsigned mask = 0;
    for (std::size_t k = 0; k < static_cast<std::size_t>(apistats::Text::HConn); ++k)
        if (line.find(texts[k]) != std::string_view::npos)
            mask |= 1u << k;
    return mask;
}

TEST(ApiStatsFuzz, LineScanFindsWhatAPlainSearchFinds)
{
    using apistats::Text;
    std::mt19937 rng(7);
    const std::string base = realTrace(false).text + realTrace(true).text;
    for (int i = 0; i < 40; ++i) {
        const std::string trace = mutate(base, rng);
        for (std::size_t p = 0, q; p < trace.size(); p = q + 1) {
            q = trace.find('\n', p);
            if (q == std::string::npos)
                q = trace.size();
            LineText line;
            line.set(trace.data() + p, std::min(q + 1, trace.size()) - p);
            apistats::LineScan scan(line);
            for (std::size_t k = 0; k < std::size(texts); ++k)
                ASSERT_EQ(scan.find(static_cast<Text>(k)), line.find(texts[k])) << texts[k] << " in " << line.body();
            const unsigned keywords = plainKeywordMask(line);
            for (auto v : {VectorWidth::Plain, VectorWidth::Narrow, VectorWidth::Wide})
                ASSERT_EQ(apistats::keywordMaskIn(line.data, line.bodyLen, v), keywords)
                    << static_cast<int>(v) << " on " << line.body();
            // Seeded with those bits, a scan still finds every text's place.
            apistats::LineScan seeded(line);
            seeded.seedKeywords(keywords);
            for (std::size_t k = 0; k < std::size(texts); ++k)
                ASSERT_EQ(seeded.find(static_cast<Text>(k)), line.find(texts[k])) << texts[k] << " in " << line.body();
        }
    }
}

// The mask of call and header texts, at every vector width, against a plain
// search for each, with the texts (and parts of them) at every place of the vector
// blocks and the time stamp's colons before them.
TEST(ApiStatsFuzz, KeywordMaskAgreesAtEveryVectorWidth)
{
    static const char *const pieces[] = {"MQOPEN >>", "MQCLOSE <<", "MQGET >>", "MQPUT <<", "MQPUT1 >>",
                                         "MQI:MQOPEN", "MQI:MQCLOSE", "MQI:MQGET", "MQI:MQPUT ", "Reason        :",
                                         "Compcode:", "Getmsgopts:", "Putmsgopts:", "Bufferlength:", "MQ",
                                         "ode:", "Reason :", "10:02:", "M", ":"};
    std::mt19937 rng(9);
    for (int round = 0; round < 20000; ++round) {
        std::string body;
        const std::size_t target = rng() % 140;
        while (body.size() < target) {
            if (rng() % 3 == 0)
                body += pieces[rng() % std::size(pieces)];
            else
                body.append(rng() % 6, "x esh"[rng() % 5]);
        }
        LineText line;
        line.set(body.data(), body.size());
        const unsigned want = plainKeywordMask(line);
        for (auto v : {VectorWidth::Plain, VectorWidth::Narrow, VectorWidth::Wide})
            ASSERT_EQ(apistats::keywordMaskIn(body.data(), body.size(), v), want)
                << static_cast<int>(v) << " on '" << body << "'";
    }
}
