// Command line, set-up and the run from input to report.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <unistd.h>

#include "apistats.h"
#include "fileid.h"
#include "linereader.h"
#include "parallelreader.h"
#include "progress.h"
#include "tracename.h"

namespace apistats {

namespace {

constexpr int kFailure = -1;

void printUsage(const char *program)
{
    std::printf("\nUsage is:  %s input_file output_file [-e endianness] [-o operating_system]\n\n", program);
    std::printf("input_file (required input and must be first input) is a formatted MQ trace file (ex. AMQ3853.0.FMT).\n\n");
    std::printf("output_file (required input and must be second input) is the output file for the statistics reporting.\n\n");
    std::printf("endianness (optional input with -e switch) is the endianness of the server that the trace was run on.  Valid values which are case sensitive are (big or little).  If you do not specify endianness, the endianness of the server that quorbit is running on is determined and used for that value.\n\n");
    std::printf("operating_system (optional input with -o switch) is the operating system that the trace was run on.  Valid values which are case sensitive are (unix, windows).  unix is the default if this input is not specified.  unix value includes Linux.\n\n");
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2\n", program);
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2 -e little\n", program);
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2 -e little -o unix\n", program);
}

// Copies at most `limit` characters of `value` into a terminated buffer.
template <std::size_t N>
void cutValue(char (&dst)[N], const char *value, std::size_t limit)
{
    std::size_t n = ::strnlen(value, limit);
    std::memcpy(dst, value, n);
    dst[n] = '\0';
}

// Hands every line of the trace to the run; false when the report stopped
// being written, and the run cannot go on. A regular file is read, split
// and classified a block at a time on two threads, each block's lines
// handed over in turn by the thread that read it; any other input (a pipe,
// a device) is read in order, one thread reading ahead of the other.
bool readLines(int inFd, StatsRun &run, ReadObserver *observer, int &readError)
{
    if (fileIdOf(inFd).regular) {
        ParallelLineReader reader(inFd, 1u << 20, &run, 2);
        reader.setObserver(observer);
        const bool whole = reader.run(run);
        readError = reader.readError();
        return whole;
    }
    LineReader reader(inFd, 1u << 20, true);
    reader.setObserver(observer);
    LineText line;
    const LineFacts *facts = nullptr;
    while (reader.next(line, facts))
        if (!run.take(line, facts))
            return false;
    readError = reader.readError();
    return true;
}

} // namespace

int writeStatisticsReport(int inFd, int outFd, const Settings &settings, ReadObserver *observer, int *readErrno)
{
    OutWriter out(outFd);
    StatsRun run(settings, out);
    run.writeHeader();
    int readError = 0;
    if (!readLines(inFd, run, observer, readError))
        return out.error();
    if (readErrno != nullptr)
        *readErrno = readError;
    run.writeReport();
    out.flush();
    return out.error();
}

int quorbitMain(int argc, char **argv, std::uint64_t progressMinBytes)
{
    const char *program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "quorbit";
    if (argc != 3 && argc != 5 && argc != 7) {
        printUsage(program);
        return kFailure;
    }

    // Options stand in pairs after the two file names; a later one wins and
    // an unknown name is passed over together with its value.
    const char *endianValue = nullptr;
    const char *osValue = nullptr;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "-e") == 0)
            endianValue = argv[i + 1];
        else if (std::strcmp(argv[i], "-o") == 0)
            osValue = argv[i + 1];
    }

    char *inputName = argv[1];
    const char *outputName = argv[2];

    int inFd = ::open(inputName, O_RDONLY | O_CLOEXEC);
    if (inFd < 0) {
        std::printf("\nUnable to open %s, errno was %d, ending program.\n", inputName, errno);
        return kFailure;
    }

    TraceName name = checkTraceName(inputName);
    if (name.status != TraceNameStatus::Ok) {
        printTraceNameError(name, inputName);
        return kFailure;
    }
    Settings settings;
    std::memcpy(settings.processKey, name.processKey, sizeof settings.processKey);

    // An output file that is the trace itself is refused, and the trace
    // stays as it is.
    int outFd = openOutputFile(outputName, fileIdOf(inFd));
    if (outFd < 0) {
        std::printf("\nUnable to open %s, errno was %d, ending program.\n", outputName, errno);
        return kFailure;
    }

    if (endianValue != nullptr) {
        char value[7];
        cutValue(value, endianValue, 6);
        if (std::strcmp(value, "little") == 0) {
            settings.littleEndian = true;
        } else if (std::strcmp(value, "big") == 0) {
            settings.littleEndian = false;
        } else {
            std::printf("\nEndianess input must be a value of big or little\n");
            return kFailure;
        }
    } else if (hostIsLittleEndian()) {
        settings.littleEndian = true;
        std::printf("\nNOTE: %s determined current server is little endian. We will assume the trace file was generated on a little endian server.\n", program);
    } else {
        settings.littleEndian = false;
        std::printf("\nNOTE: %s determined current server is big endian. We will assume the trace file was generated on a big endian server.\n", program);
    }

    if (osValue != nullptr) {
        char value[8];
        cutValue(value, osValue, 7);
        if (std::strcmp(value, "unix") == 0) {
            settings.os = TraceOs::Unix;
        } else if (std::strcmp(value, "windows") == 0) {
            settings.os = TraceOs::Windows;
        } else {
            std::printf("\nOperating System input must be a value of unix or windows\n");
            return kFailure;
        }
    }
    std::fflush(stdout);

    int writeError = 0;
    int readError = 0;
    try {
        // Erased when it goes out of scope, before any message below.
        Progress progress("quorbit", inFd, progressMinBytes);
        writeError = writeStatisticsReport(inFd, outFd, settings, &progress, &readError);
    } catch (const std::bad_alloc &) {
        std::printf("\nError in allocating storage. ending program.\n");
        return kFailure;
    }
    if (writeError != 0) {
        std::fprintf(stderr, "\n%s: unable to write the report to %s, errno was %d (%s), ending program.\n",
                     program, outputName, writeError, std::strerror(writeError));
        return kFailure;
    }
    // The report of what was read stands; the run still fails, so that a
    // cut trace is never taken for a whole one.
    if (readError != 0) {
        std::fprintf(stderr, "\n%s: unable to read the trace %s, errno was %d (%s), ending program.\n", program,
                     inputName, readError, std::strerror(readError));
        return kFailure;
    }
    ::close(inFd);
    if (::close(outFd) != 0) {
        int error = errno;
        std::fprintf(stderr, "\n%s: unable to write the report to %s, errno was %d (%s), ending program.\n",
                     program, outputName, error, std::strerror(error));
        return kFailure;
    }
    return 0;
}

} // namespace apistats
