// libFuzzer target for varnel's line engine.
//
// Input: a settings header, then the trace.
//   byte 0: bits 0-1 operating system (unix, windows, zos, aat); bit 2 little
//           endian; bit 3 pointer length 4 (else 8); bits 4-5 -m value (none,
//           819, 1200, 1208); bits 6-7 search: off, the text as given, "0x"
//           and the hex digits of the given bytes, "0x" and the text
//   byte 1: bits 0-3 process id (fuzzsupport::kProcessIds)
//   byte 2: length of the search text that follows (used when the search is on)
// The formatter runs over the trace in memory, as formatTrace runs it but with
// small buffers (large ones make every run slow under the sanitizers); its
// output must be the trace with whole lines added (firstLostPiece). The
// engine runs in a private scratch folder, where message captures land; the
// folder is emptied after every input with a capture marker, and the working
// folder is restored after every run, so relative corpus paths keep working.
// A folder "locked" in it is a capture name that cannot be opened.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>

#include "formatter.h"
#include "linereader.h"
#include "fuzz_support.h"
#include "outwriter.h"
#include "settings.h"

using namespace fuzzsupport;

namespace {

MemFile *g_in;
MemFile *g_out;
std::string g_scratch;
int g_home = -1; // the working folder the fuzzer was started in

void emptyScratch()
{
    DIR *dir = ::opendir(g_scratch.c_str());
    if (dir == nullptr)
        return;
    while (dirent *e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    ::closedir(dir);
}

void removeScratch()
{
    emptyScratch();
    ::rmdir((g_scratch + "/locked").c_str());
    ::rmdir(g_scratch.c_str());
}

// Fills `s` from the header; returns the header's length, or 0 when the
// input is too short to hold one.
std::size_t decodeHeader(const std::uint8_t *data, std::size_t size, RunSettings &s)
{
    if (size < 3)
        return 0;
    static const OsKind systems[] = {OsKind::Unix, OsKind::Windows, OsKind::Zos, OsKind::Aat};
    static const int ccsids[] = {0, 819, 1200, 1208};
    s.os = systems[data[0] & 3];
    s.littleEndian = (data[0] >> 2) & 1;
    s.pointerLength = (data[0] >> 3) & 1 ? 4 : 8;
    s.messageCcsid = ccsids[(data[0] >> 4) & 3];
    const int search = data[0] >> 6;
    if (s.os == OsKind::Unix || s.os == OsKind::Windows) {
        const char *pid = kProcessIds[data[1] & 15];
        std::snprintf(s.processKey, sizeof s.processKey, "%s.", pid);
        s.processIdLength = std::strlen(pid);
    }
    std::size_t n = data[2];
    if (search == 0)
        return 3;
    const std::size_t limit = search == 2 ? 31 : search == 3 ? 62 : 64;
    n = std::min({n, limit, size - 3});
    std::string text = search == 1 ? "" : "0x";
    for (std::size_t k = 0; k < n; ++k) {
        const unsigned char b = data[3 + k];
        if (search == 2) {
            static const char digits[] = "0123456789abcdef";
            text += digits[b >> 4];
            text += digits[b & 15];
        } else {
            text += static_cast<char>(b);
        }
    }
    // A command-line value ends at its first NUL; an empty one leaves the
    // search off.
    std::snprintf(s.searchText, sizeof s.searchText, "%s", text.c_str());
    s.searchOn = s.searchText[0] != '\0';
    return 3 + n;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    g_in = new MemFile("varnel-fuzz-in");
    g_out = new MemFile("varnel-fuzz-out");
    char dir[] = "/tmp/varnel-fuzz-XXXXXX";
    g_home = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_home < 0 || ::mkdtemp(dir) == nullptr)
        fail("scratch folder", std::strerror(errno));
    g_scratch = dir;
    ::mkdir((g_scratch + "/locked").c_str(), 0700);
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    RunSettings s;
    const std::size_t header = decodeHeader(data, size, s);
    if (header == 0)
        return -1; // not kept in the corpus
    const std::string_view trace(reinterpret_cast<const char *>(data) + header, size - header);

    g_in->reset(data + header, size - header);
    g_out->reset();
    s.inputFile = g_in->identity();
    s.outputFile = g_out->identity();

    if (::chdir(g_scratch.c_str()) != 0)
        fail("chdir to the scratch folder", std::strerror(errno));
    {
        OutWriter out(g_out->fd(), 8192);
        Formatter formatter(s, out);
        LineReader reader(g_in->fd(), 16384);
        LineText line;
        while (reader.next(line))
            formatter.processLine(line);
        if (!out.flush())
            fail("write error on a memory file");
    }
    if (::fchdir(g_home) != 0)
        fail("fchdir back", std::strerror(errno));
    const MemFile::Mapped output = g_out->map();
    const std::size_t lost = firstLostPiece(trace, output.text());
    if (lost != std::string_view::npos)
        fail("an input line is missing from the output, at input byte", std::to_string(lost));

    if (trace.find("msg2File-") != std::string_view::npos)
        emptyScratch();
    return 0;
}
