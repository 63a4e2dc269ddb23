// varnel's run: set-up, the line loop, and how the run ends.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>

#include "formatter.h"
#include "msgdata.h"
#include "outwriter.h"
#include "progress.h"
#include "settings.h"

int varnelMain(int argc, char **argv, std::uint64_t progressMinBytes)
{
    SetupResult setup = setupRun(argc, argv);
    if (!setup.ok)
        return -1;
    try {
        OutWriter out(setup.outputFd);
        Progress progress("varnel", setup.inputFd, progressMinBytes);
        int readErrno = 0;
        const bool written = formatTrace(setup.settings, setup.inputFd, out, &progress, true, &readErrno);
        // A failed write ends the run. So does a failed read, once what was
        // read before it is formatted and written: a cut trace must never be
        // taken for a whole one.
        if (!written || readErrno != 0) {
            progress.finish();
            std::fflush(stdout);
            if (!written)
                std::fprintf(stderr, "\nERROR: Unable to write to output file %s: %s. Ending program!\n", argv[2],
                             std::strerror(out.error()));
            else
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
