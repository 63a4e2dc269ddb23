// varnel: copies a formatted MQ trace and expands the MQ structures it shows.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unistd.h>

#include "formatter.h"
#include "msgdata.h"
#include "outwriter.h"
#include "progress.h"
#include "settings.h"
#include "startup.h"

int main(int argc, char **argv)
{
    prepareProcess();
    SetupResult setup = setupRun(argc, argv);
    if (!setup.ok)
        return -1;
    try {
        OutWriter out(setup.outputFd);
        Progress progress("varnel", setup.inputFd);
        int readErrno = 0;
        if (!formatTrace(setup.settings, setup.inputFd, out, &progress, true, &readErrno)) {
            progress.finish();
            std::fflush(stdout);
            std::fprintf(stderr, "\nERROR: Unable to write to output file %s: %s. Ending program!\n", argv[2],
                         std::strerror(out.error()));
            return -1;
        }
        // What was read before the failure is formatted and written; the
        // run still fails, so that a cut trace is never taken for a whole one.
        if (readErrno != 0) {
            progress.finish();
            std::fflush(stdout);
            std::fprintf(stderr, "\nERROR: Unable to read input file %s: %s. Ending program!\n", argv[1],
                         std::strerror(readErrno));
            return -1;
        }
    } catch (const MessageMemoryError &e) {
        std::fflush(stdout);
        std::fprintf(stderr, e.format, e.size);
        return -1;
    } catch (const std::bad_alloc &) {
        std::printf("\nError in allocating storage. Ending Program!\n");
        return -1;
    }
    if (::close(setup.outputFd) != 0) {
        std::fprintf(stderr, "\nERROR: Unable to write to output file %s: %s. Ending program!\n", argv[2],
                     std::strerror(errno));
        return -1;
    }
    return 0;
}
