// Command line and run set-up of the trace formatter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fileid.h"

enum class OsKind : std::uint8_t { Unix = 0, Windows = 1, Zos = 2, Aat = 3 };

// The settings of one run: fixed before the first line is read.
struct RunSettings {
    OsKind os = OsKind::Unix;
    bool littleEndian = true;
    int pointerLength = 8;
    int messageCcsid = 0;       // 0: no message-data analysis
    bool searchOn = false;
    char searchText[65] = {};   // at most 64 characters
    char processKey[20] = {};   // the process id and its period, e.g. "3853."
    std::size_t processIdLength = 0;
    FileId inputFile;           // the run's own files, never overwritten by a capture
    FileId outputFile;
};

struct SetupResult {
    bool ok = false;            // false: a message was printed; end with status -1
    int inputFd = -1;
    int outputFd = -1;
    RunSettings settings;
};

// Validates the command line and the input file name, opens both files and
// fixes the settings. Every problem is reported on standard output.
SetupResult setupRun(int argc, char **argv);
