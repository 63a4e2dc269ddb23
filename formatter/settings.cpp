#include "settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "tracename.h"

namespace {

void printUsage(const char *prog)
{
    std::printf("\nUsage is:  %s input_file output_file [-e endianness] [-o operating_system] [-p pointer_length] [-m message_parsing] [-s message_search]\n\n", prog);
    std::printf("input_file (required input and must be first input) is a formatted MQ trace file (ex. AMQ3853.0.FMT).\n\n");
    std::printf("output_file (required input and must be second input) is the output file that this program will create that will include the input trace file data with the extra formatting.\n\n");
    std::printf("endianness (optional input with -e switch) is the endianness of the server that the trace was run on.  Valid values which are case sensitive are (big or little).  If you do not specify endianness, the endianness of the server that varnel is running on is determined and used for that value.\n\n");
    std::printf("operating_system (optional input with -o switch) is the operating system that the trace was run on.  Valid values which are case sensitive are (unix, windows, zos, aat).  unix is the default. unix value includes Linux. aat stands for Application Activity Trace\n\n");
    std::printf("pointer_length (optional input with -p switch) is the pointer byte length for the data type MQPTR.  Valid values are 4 and 8.  4 is the default for windows, zos, and aat.  8 is the default for unix.\n\n");
    std::printf("message_parsing (optional input with -m switch) parses the message in the trace as if it was a certain CCSID, and then provides analysis on that parsing. Valid Values are 819, 1200, and 1208.\n\n");
    std::printf("message_search (optional input with -s switch) searches and reports on messages that include a string. Examples: 0x4546, fox\n\n");
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2\n", prog);
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2 -e little\n", prog);
    std::printf("ex:  %s AMQ3853.0.FMT AMQ3853.0.FMT2 -e little -o windows -p 8\n", prog);
}

// The value of the last occurrence of `name` in a switch position (3, 5, ...),
// cut to `limit` characters; nullptr when the switch is absent.
const char *findSwitch(int argc, char **argv, const char *name, char *value, std::size_t limit)
{
    const char *found = nullptr;
    for (int i = 3; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], name) == 0)
            found = argv[i + 1];
    }
    if (found == nullptr)
        return nullptr;
    std::strncpy(value, found, limit);
    value[limit] = '\0';
    return value;
}

} // namespace

SetupResult setupRun(int argc, char **argv)
{
    SetupResult result;
    RunSettings &s = result.settings;
    const char *prog = argc > 0 ? argv[0] : "varnel";

    if (argc != 3 && argc != 5 && argc != 7 && argc != 9 && argc != 11 && argc != 13) {
        printUsage(prog);
        return result;
    }

    char osText[8];
    if (findSwitch(argc, argv, "-o", osText, 7)) {
        if (std::strcmp(osText, "unix") == 0) {
            s.os = OsKind::Unix;
        } else if (std::strcmp(osText, "windows") == 0) {
            s.os = OsKind::Windows;
        } else if (std::strcmp(osText, "zos") == 0) {
            s.os = OsKind::Zos;
        } else if (std::strcmp(osText, "aat") == 0) {
            s.os = OsKind::Aat;
        } else {
            std::printf("\nERROR: Operating System input must be a value of unix, windows, zos, or aat. Ending Program!\n");
            return result;
        }
    }

    char *inputName = argv[1];
    int in = ::open(inputName, O_RDONLY);
    if (in < 0) {
        std::printf("\nERROR: Unable to open %s, errno was %d, ending program. Ending Program!\n", inputName, errno);
        return result;
    }

    if (s.os == OsKind::Unix || s.os == OsKind::Windows) {
        TraceName name = checkTraceName(inputName);
        if (name.status != TraceNameStatus::Ok) {
            printTraceNameError(name, inputName);
            std::printf("Ending Program!\n");
            ::close(in);
            return result;
        }
        std::memcpy(s.processKey, name.processKey, sizeof s.processKey);
        s.processIdLength = name.processIdLength;
    }

    const char *outputName = argv[2];
    // An output file that is the input under another name (or the same one)
    // is refused, and the trace stays as it is.
    const FileId inputId = fileIdOf(in);
    int out = openOutputFile(outputName, inputId);
    if (out < 0) {
        std::printf("\nERROR: Unable to open %s, errno was %d, ending program. Ending program!\n", outputName, errno);
        ::close(in);
        return result;
    }

    auto fail = [&]() {
        ::close(in);
        ::close(out);
        return result;
    };

    char endianText[7];
    if (findSwitch(argc, argv, "-e", endianText, 6)) {
        if (std::strcmp(endianText, "little") == 0) {
            s.littleEndian = true;
        } else if (std::strcmp(endianText, "big") == 0) {
            s.littleEndian = false;
        } else {
            std::printf("\nERROR: Endianess input must be a value of big or little. Ending program!\n");
            return fail();
        }
    } else {
        s.littleEndian = hostIsLittleEndian();
        if (s.littleEndian)
            std::printf("\nNOTE: %s determined current server is little endian. Endianness assumptions in trace formatter will assume little endian.\n", prog);
        else
            std::printf("\nNOTE: %s determined current server is big endian. Endianness assumptions in trace formatter will assume big endian.\n", prog);
    }

    char pointerText[2];
    if (findSwitch(argc, argv, "-p", pointerText, 1)) {
        s.pointerLength = static_cast<int>(std::strtol(pointerText, nullptr, 10));
        if (s.pointerLength != 4 && s.pointerLength != 8) {
            std::printf("\nERROR: Pointer Length input must be a value of 4 or 8. Ending Program!\n");
            return fail();
        }
    } else {
        s.pointerLength = s.os == OsKind::Unix ? 8 : 4;
    }

    char ccsidText[11];
    if (findSwitch(argc, argv, "-m", ccsidText, 10)) {
        long ccsid = std::strtol(ccsidText, nullptr, 10);
        if (ccsid != 819 && ccsid != 1200 && ccsid != 1208) {
            std::printf("\nERROR: Message Parsing CCSID input must be 819, 1200, or 1208. Ending Program!\n");
            return fail();
        }
        s.messageCcsid = static_cast<int>(ccsid);
    }

    if (findSwitch(argc, argv, "-s", s.searchText, 64))
        s.searchOn = s.searchText[0] != '\0';

    s.inputFile = inputId;
    s.outputFile = fileIdOf(out);
    result.ok = true;
    result.inputFd = in;
    result.outputFd = out;
    return result;
}
