// libFuzzer target for quorbit's line engine.
//
// Input: one settings byte, then the trace.
//   byte 0: bit 0 windows (else unix); bit 1 little endian; bits 2-5 process
//           id (fuzzsupport::kProcessIds)
// The report is written twice: with the quick rejection of lines, from
// blocks read and classified on two threads, and without, from lines read
// in order; the two must agree, and the report must begin with its warnings
// header.

#include <cstdint>
#include <string>

#include "apistats.h"
#include "fuzz_support.h"
#include "linereader.h"
#include "outwriter.h"
#include "parallelreader.h"

using namespace fuzzsupport;

namespace {

MemFile *g_in;
MemFile *g_out;
MemFile *g_check;

const char kHeader[] = "****************************************************************************************\n"
                       "*  PARSING WARNING/ERRORS:                                                             *\n";

// The report, as writeStatisticsReport writes it but with small buffers
// (large ones make every run slow under the sanitizers). The quick run
// reads the trace as a regular file is read, in blocks split and classified
// on two threads; the check reads it in order on one and looks at every line.
void runReport(const apistats::Settings &s, MemFile &file, bool everyLine)
{
    ::lseek(g_in->fd(), 0, SEEK_SET);
    file.reset();
    {
        OutWriter out(file.fd(), 8192);
        apistats::StatsRun run(s, out);
        run.setCheckEveryLine(everyLine);
        run.writeHeader();
        if (everyLine) {
            LineReader reader(g_in->fd(), 16384);
            LineText line;
            while (reader.next(line))
                run.processLine(line);
        } else {
            ParallelLineReader reader(g_in->fd(), 8190, &run, 2);
            reader.run(run);
        }
        run.writeReport();
        if (!out.flush())
            fail("write error on a memory file");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_in = new MemFile("quorbit-fuzz-in");
    g_out = new MemFile("quorbit-fuzz-out");
    g_check = new MemFile("quorbit-fuzz-check");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return -1;
    apistats::Settings s;
    s.os = data[0] & 1 ? apistats::TraceOs::Windows : apistats::TraceOs::Unix;
    s.littleEndian = (data[0] >> 1) & 1;
    std::snprintf(s.processKey, sizeof s.processKey, "%s.", kProcessIds[(data[0] >> 2) & 15]);

    g_in->reset(data + 1, size - 1);
    runReport(s, *g_out, false);
    const MemFile::Mapped quick = g_out->map();
    const std::string_view report = quick.text();
    if (!report.starts_with(kHeader))
        fail("the report does not begin with the warnings header", report.substr(0, 200));
    runReport(s, *g_check, true);
    const MemFile::Mapped everyLine = g_check->map();
    const std::string_view slow = everyLine.text();
    if (slow != report) {
        std::size_t at = 0;
        while (at < report.size() && at < slow.size() && report[at] == slow[at])
            ++at;
        fail("the quick rejection of lines or the reading in blocks changed the report; first difference at byte",
             std::to_string(at) + "\nquick: " + std::string(report.substr(at > 200 ? at - 200 : 0, 400)) +
                 "\nevery line: " + std::string(slow.substr(at > 200 ? at - 200 : 0, 400)));
    }
    return 0;
}
