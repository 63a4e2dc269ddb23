// Unit tests of quorbit: elapsed time, call pairing per kind, report rows.

#include <cstdlib>
#include <fcntl.h>
#include <thread>

#include <gtest/gtest.h>

#include "apistats_support.h"

using qtest::report;
using qtest::settings;
using qtest::Trace;

namespace {

const std::string kName = "APP.QUEUE.ONE";
std::string padded(const std::string &name) { return qtest::padTo(name, 48); }

bool has(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(ApiStatsElapsed, ReadsTimestampsWithSinglePrecisionMicroseconds)
{
    const double micro = static_cast<double>(0.000001f);
    EXPECT_EQ(getElapsedTime("00:00:00.000000", "00:00:00.000001"), micro);
    EXPECT_EQ(getElapsedTime("20:31:35.000000", "20:31:35.000001"), (73895.0 + micro) - 73895.0);
    EXPECT_DOUBLE_EQ(getElapsedTime("00:00:00.000000", "01:02:03.000000"), 3723.0);
    EXPECT_DOUBLE_EQ(getElapsedTime("10:00:05.000000", "10:00:01.000000"), -4.0);
}

TEST(ApiStatsElapsed, CallOverMidnightIsMendedSmallStepBackIsKept)
{
    char text[32];
    std::snprintf(text, sizeof text, "%012f", getElapsedTime("23:59:59.900000", "00:00:00.100000"));
    EXPECT_STREQ(text, "00000.200000");
    std::snprintf(text, sizeof text, "%012f", getElapsedTime("00:00:01.000000", "00:00:00.500000"));
    EXPECT_STREQ(text, "-0000.500000");
    // Exactly half a day back is still taken as it stands.
    EXPECT_DOUBLE_EQ(getElapsedTime("12:00:00.000000", "00:00:00.000000"), -43200.0);
    EXPECT_DOUBLE_EQ(getElapsedTime("12:00:00.000001", "00:00:00.000000"), 43200.0 - static_cast<double>(0.000001f));
    // Whatever rounding the microseconds bring to the difference in seconds.
    std::snprintf(text, sizeof text, "%012f", getElapsedTime("18:59:00.250000", "06:59:00.250000"));
    EXPECT_STREQ(text, "-43200.000000");
    std::snprintf(text, sizeof text, "%012f", getElapsedTime("18:59:00.250001", "06:59:00.250000"));
    EXPECT_STREQ(text, "43199.999999");
}

TEST(ApiStatsElapsed, ShortOrOddTextsReadAsZeroFields)
{
    EXPECT_DOUBLE_EQ(getElapsedTime("", "00:01"), 60.0);
    EXPECT_DOUBLE_EQ(getElapsedTime("xx:yy", "01"), 3600.0);
    // Fields far beyond any clock are compared without overflow (the
    // sanitizer build checks) and stay far apart.
    EXPECT_LT(getElapsedTime("2147483647:00:0", "-2147483648:0:0"), -1e12);
}

TEST(ApiStatsPairing, AllFiveKindsCompleteOnUnixAndWindows)
{
    for (int layout = 0; layout < 3; ++layout) {
        const bool windows = layout > 0;
        Trace t;
        t.windows = windows;
        t.wide = layout == 2;
        t.open(1, "20:31:35.100000", "20:31:35.300000", kName)
            .get(1, "20:31:36.000000", "20:31:36.250000", kName, "0000012C")
            .put(1, "20:31:37.000000", "20:31:37.500000", "OUT.Q")
            .put1(1, "20:31:38.000000", "20:31:38.125000", "REPLY.Q")
            .close(1, "20:31:39.000000", "20:31:39.001000");
        std::string out = report(t.text, settings(windows));
        SCOPED_TRACE(layout);
        EXPECT_TRUE(has(out, "none\n"));
        EXPECT_FALSE(has(out, "NOTE:  This report has multiple threads"));
        EXPECT_TRUE(has(out, "*   STATS FOR PID.TID 3853.1\n"));
        EXPECT_TRUE(has(out, padded(kName) + " 01400006 1 00000.200000 00000.200000 0 00000.000000 00000.000000\n"));
        EXPECT_TRUE(has(out, padded(kName) + " 1 00000.250000 00000.250000 0 00000.000000 00000.000000 300\n"));
        EXPECT_TRUE(has(out, padded("OUT.Q") + " 1 00000.500000 00000.500000 0 00000.000000 00000.000000 100\n"));
        EXPECT_TRUE(has(out, padded("REPLY.Q") + " 1 00000.125000 00000.125000 0 00000.000000 00000.000000 1024\n"));
        EXPECT_TRUE(has(out, "\n01400006 1 00000.001000 00000.001000 0 00000.000000 00000.000000\n"));
        EXPECT_FALSE(has(out, "SUMMARY REPORT"));
    }
}

TEST(ApiStatsPairing, PartialAndRepeatedCallsAreWarnedByLineNumber)
{
    Trace t;
    t.line("10:00:00.000000", 1, "MQI:MQOPEN HConn=01400006 ObjName=LOST.Q"); // line 1
    t.line("10:00:01.000000", 1, "MQGET >>");                                   // line 2
    t.get(1, "10:00:02.000000", "10:00:03.000000", "Q.ONE");                    // entry on line 3
    t.line("10:00:04.000000", 1, "MQCLOSE >>").line("10:00:04.000000", 1, "MQCLOSE <<");
    t.code("10:00:04.000000", 1, "00000000"); // no MQI:MQCLOSE line
    std::string out = report(t.text);
    const std::string warnings = "MQOPEN begin or MQI missing when MQOPEN end was found at line 1\n"
                                 "MQGET begin found before MQGET end at line 3\n";
    EXPECT_TRUE(has(out, warnings));
    EXPECT_FALSE(has(out, "none\n"));
    EXPECT_TRUE(has(out, "MQCLOSE begin or MQI missing when MQCLOSE end was found at line "));
    EXPECT_TRUE(has(out, "MQOPENs with missing begins or format errors was 1\n\nNo MQOPENs\n"));
    EXPECT_TRUE(has(out, "MQGETs with missing begins or format errors was 1\n"));
    EXPECT_TRUE(has(out, padded("Q.ONE") + " 1 00001.000000"));
    EXPECT_TRUE(has(out, "MQCLOSEs with missing begins or format errors was 1\n\nNo MQCLOSEs\n"));
}

TEST(ApiStatsPairing, Put1LengthFollowsTheByteOrder)
{
    Trace t;
    t.put1(1, "10:00:00.000000", "10:00:00.100000", "Q", "00040000");
    EXPECT_TRUE(has(report(t.text, settings(false, true)), padded("Q") + " 1 00000.100000 00000.100000 0 00000.000000 00000.000000 1024\n"));
    EXPECT_TRUE(has(report(t.text, settings(false, false)), padded("Q") + " 1 00000.100000 00000.100000 0 00000.000000 00000.000000 262144\n"));
    t.windows = true;
    t.text.clear();
    t.put1(1, "10:00:00.000000", "10:00:00.100000", "Q", "00040000");
    EXPECT_TRUE(has(report(t.text, settings(true, false)), " 262144\n"));
}

TEST(ApiStatsPairing, CutDumpRowsGiveShortValuesOnly)
{
    // The name rows stop right after their labels: the name parts are filled
    // with terminators, so the name prints empty; nothing of other lines
    // leaks in.
    Trace t;
    t.line("10:00:00.000000", 1, "MQGET >>").line("10:00:00.000000", 1, "Reason        :");
    t.line("10:00:01.000000", 1, "MQGET <<").line("10:00:01.000000", 1, "Getmsgopts:");
    for (const char *label : {"0x0000:", "0x0010:", "0x0020:", "0x0030:", "0x0040:"})
        t.line("10:00:01.000000", 1, label);
    t.code("10:00:01.000000", 1, "00000000");
    t.line("10:00:01.000000", 1, "MQI:MQGET DataLen=0000");
    std::string out = report(t.text);
    EXPECT_TRUE(has(out, "Total GET Bytes\n\n 1 00001.000000 00001.000000 0 00000.000000 00000.000000 "));
}

TEST(ApiStatsReport, NoProcessKeyGivesHeaderAndNone)
{
    Trace t;
    t.pid = "9999";
    t.open(1, "10:00:00.000000", "10:00:00.100000", "Q");
    const std::string box(88, '*');
    EXPECT_EQ(report(t.text), box + "\n*  PARSING WARNING/ERRORS:" + std::string(61, ' ') + "*\n" + box + "\nnone\n");
}

// A regular file is read in blocks on two threads, a pipe in order: the
// report is the same, and the same as the line loop's own, over many blocks
// and threads.
TEST(ApiStatsReport, APipeAndARegularFileGiveTheSameReport)
{
    Trace t;
    for (int i = 0; t.text.size() < (3u << 20); ++i) {
        const int tid = 1 + i % 7;
        t.open(tid, "10:00:00.000000", "10:00:00.100000", "Q." + std::to_string(i % 11))
            .get(tid, "10:00:01.000000", "10:00:01.250000", "Q." + std::to_string(i % 5), "0000012C")
            .put1(tid, "10:00:02.000000", "10:00:02.125000", "REPLY.Q")
            .line("10:00:03.000000", tid + 20, "{ lqsMutexLock")
            .close(tid, "10:00:04.000000", "10:00:04.001000");
    }
    const std::string want = report(t.text);
    ASSERT_TRUE(has(want, "*   STATS FOR PID.TID 3853.27\n"));

    auto reportFrom = [](int in) {
        const int out = ::memfd_create("quorbit-report", 0);
        EXPECT_EQ(apistats::writeStatisticsReport(in, out, settings()), 0);
        std::string text = qtest::readAll(out);
        ::close(out);
        return text;
    };
    const int file = qtest::memoryFile(t.text);
    EXPECT_TRUE(reportFrom(file) == want);
    ::close(file);

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer([&] {
        for (std::size_t at = 0; at < t.text.size();) {
            const ssize_t n = ::write(ends[1], t.text.data() + at, t.text.size() - at);
            if (n <= 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        ::close(ends[1]);
    });
    const std::string fromPipe = reportFrom(ends[0]);
    writer.join();
    ::close(ends[0]);
    EXPECT_TRUE(fromPipe == want);
}

TEST(ApiStatsReport, WriteFailureIsReported)
{
    int in = qtest::memoryFile(Trace().open(1, "10:00:00.000000", "10:00:00.100000", "Q").text);
    int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    EXPECT_NE(apistats::writeStatisticsReport(in, full, settings()), 0);
    ::close(in);
    ::close(full);
}

TEST(ApiStatsPairing, CopiedValuesEndAtANulByte)
{
    // A NUL ends the text a value is copied from, as the end of the line
    // does: what follows it is not read as digits.
    Trace t;
    t.get(1, "10:00:00.000000", "10:00:01.000000", "Q", std::string("0000\0" "064", 8));
    t.put1(1, "10:00:02.000000", "10:00:02.100000", "R", std::string("0004\0" "400", 8));
    t.open(1, "10:00:03.000000", "10:00:03.500000", std::string("OBJ\0", 4) + std::string(60, 'x'));
    std::string out = report(t.text, settings(false, false));
    EXPECT_TRUE(has(out, padded("OBJ") + " 01400006 1 00000.500000 00000.500000 0 00000.000000 00000.000000\n"));
    EXPECT_TRUE(has(out, padded("Q") + " 1 00001.000000 00001.000000 0 00000.000000 00000.000000 0\n"));
    EXPECT_TRUE(has(out, padded("R") + " 1 00000.100000 00000.100000 0 00000.000000 00000.000000 262144\n"));
}
