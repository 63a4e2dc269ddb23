// Trace builders and a runner for the quorbit tests. The traces follow the
// canonical line shapes: unix lines carry the timestamp at column 1, the
// pid.tid token with its period in column 25 and the text from column 57;
// windows lines carry 8 hex characters, the timestamp at column 9, the token
// with its period in column 31 and the text from column 62.
#pragma once

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "apistats.h"
#include "memfile.h"
#include "linereader.h"

namespace qtest {

using testfiles::memoryFile;
using testfiles::readAll;

inline apistats::Settings settings(bool windows = false, bool little = true, const char *key = "3853.")
{
    apistats::Settings s;
    std::snprintf(s.processKey, sizeof s.processKey, "%s", key);
    s.littleEndian = little;
    s.os = windows ? apistats::TraceOs::Windows : apistats::TraceOs::Unix;
    return s;
}

inline std::string padTo(const std::string &s, std::size_t column)
{
    std::string padded(s);
    if (padded.size() < column)
        padded.resize(column, ' ');
    return padded;
}

// Four bytes as 8 hex characters, in dump order.
inline std::string word(unsigned a, unsigned b, unsigned c, unsigned d)
{
    char text[9];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", a & 0xFF, b & 0xFF, c & 0xFF, d & 0xFF);
    return text;
}

struct Trace {
    bool windows = false;
    bool wide = false; // windows dump rows in the layout with the pairs from +20
    std::string pid = "3853";
    std::string text;
    std::string ending = "\n";

    Trace &line(const std::string &ts, int tid, const std::string &body)
    {
        std::string token = pid + "." + std::to_string(tid);
        std::string s;
        if (!windows) {
            s = padTo(" " + ts, 25 - pid.size()) + token;
            s = padTo(s, 57) + body;
        } else {
            s = padTo("0000A1B2 " + ts, 31 - pid.size()) + token;
            s = padTo(s, 62) + body;
        }
        text += s + ending;
        return *this;
    }

    // One dump row: the first word's four bytes as 8 hex characters and the
    // 16 characters of the character column. A windows row is preceded by
    // the column heading line that windows dumps carry.
    Trace &row(const std::string &ts, int tid, unsigned offset, const std::string &hex8, const std::string &chars)
    {
        std::string cols = padTo(chars, 16).substr(0, 16);
        char label[16];
        if (!windows) {
            std::snprintf(label, sizeof label, "0x%04x:", offset);
            return line(ts, tid, std::string(label) + "  " + hex8 + " 00000000 00000000 00000000  |" + cols + "|");
        }
        std::string pairs;
        for (int i = 0; i < 16; ++i)
            pairs += (i < 4 ? hex8.substr(static_cast<std::size_t>(2 * i), 2) : std::string("00")) + " ";
        std::snprintf(label, sizeof label, "%08X", offset);
        std::string r = wide ? "0x00000000" + std::string(label) + "  " : "0x" + std::string(label) + ":";
        r = padTo(r + pairs, wide ? 70 : 61) + cols;
        return line(ts, tid, r);
    }

    Trace &heading(const std::string &ts, int tid)
    {
        if (windows)
            line(ts, tid, "Offset   0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F");
        return *this;
    }

    Trace &code(const std::string &ts, int tid, const std::string &hex8)
    {
        line(ts, tid, "Compcode:");
        heading(ts, tid);
        return row(ts, tid, 0, hex8, "................");
    }

    // An options dump whose character column holds `name` (48 characters)
    // at structure bytes `from` to `from + 47`.
    Trace &options(const std::string &ts, int tid, const char *header, std::size_t from, const std::string &name)
    {
        std::string bytes = padTo(std::string(from, '.') + padTo(name, 48), 96);
        line(ts, tid, header);
        heading(ts, tid);
        for (unsigned r = 0; r < 6; ++r)
            row(ts, tid, 16 * r, "00000000", bytes.substr(16 * r, 16));
        return *this;
    }

    Trace &open(int tid, const std::string &t0, const std::string &t1, const std::string &name,
                const std::string &hconn = "01400006", const std::string &cc = "00000000")
    {
        line(t0, tid, "MQOPEN >>").line(t0, tid, "Reason        :");
        line(t1, tid, "MQOPEN <<");
        code(t1, tid, cc);
        return line(t1, tid, "MQI:MQOPEN HConn=" + hconn + " HObj=00000001 ObjName=" + name);
    }

    Trace &close(int tid, const std::string &t0, const std::string &t1, const std::string &hconn = "01400006",
                 const std::string &cc = "00000000")
    {
        line(t0, tid, "MQCLOSE >>").line(t0, tid, "MQI:MQCLOSE HConn=" + hconn + " HObj=00000001");
        line(t1, tid, "MQCLOSE <<");
        return code(t1, tid, cc);
    }

    Trace &get(int tid, const std::string &t0, const std::string &t1, const std::string &name,
               const std::string &len = "00000064", const std::string &cc = "00000000")
    {
        line(t0, tid, "MQGET >>").line(t0, tid, "Reason        :");
        line(t1, tid, "MQGET <<");
        options(t1, tid, "Getmsgopts:", 24, name);
        code(t1, tid, cc);
        return line(t1, tid, "MQI:MQGET HConn=01400006 HObj=00000001 DataLen=" + len);
    }

    Trace &put(int tid, const std::string &t0, const std::string &t1, const std::string &name,
               const std::string &len = "00000064", const std::string &cc = "00000000")
    {
        line(t0, tid, "MQPUT >>").line(t0, tid, "Reason        :");
        line(t1, tid, "MQPUT <<");
        options(t1, tid, "Putmsgopts:", 32, name);
        code(t1, tid, cc);
        return line(t1, tid, "MQI:MQPUT HConn=01400006 HObj=00000001 BufLen=" + len);
    }

    Trace &put1(int tid, const std::string &t0, const std::string &t1, const std::string &name,
                const std::string &lenHex = "00040000", const std::string &cc = "00000000")
    {
        line(t0, tid, "MQPUT1 >>").line(t0, tid, "Reason        :");
        line(t0, tid, "Bufferlength:");
        heading(t0, tid);
        row(t0, tid, 0, lenHex, "................");
        line(t1, tid, "MQPUT1 <<");
        options(t1, tid, "Putmsgopts:", 32, name);
        return code(t1, tid, cc);
    }
};

// The whole report for `trace`, run in-process with small buffers.
// `everyLine` turns the quick rejection of lines off.
inline std::string report(const std::string &trace, const apistats::Settings &s = settings(), bool everyLine = false)
{
    int in = memoryFile(trace);
    int outFd = ::memfd_create("quorbit-report", 0);
    {
        OutWriter out(outFd, 8192);
        apistats::StatsRun run(s, out);
        run.setCheckEveryLine(everyLine);
        run.writeHeader();
        LineReader reader(in, 8192);
        LineText line;
        while (reader.next(line))
            run.processLine(line);
        run.writeReport();
    }
    std::string text = readAll(outFd);
    ::close(in);
    ::close(outFd);
    return text;
}

} // namespace qtest
