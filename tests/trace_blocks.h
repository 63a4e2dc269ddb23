// Trace builders for every block kind the formatter recognises, in the line
// shapes of the four systems: structure dumps, one-line blocks (options
// words, handles, call parameters), message data and capture markers.
#pragma once

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>

#include "formatter_support.h"

namespace blocks {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

inline std::string hexByte(unsigned char b)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

// The character column of a row: printable bytes as they are, others as '.';
// a row cut short is padded with blanks.
inline std::string shown(const unsigned char *b, int n)
{
    std::string s;
    for (int k = 0; k < 16; ++k)
        s += k >= n ? ' ' : (b[k] >= 32 && b[k] < 127) ? static_cast<char>(b[k]) : '.';
    return s;
}

// Lines in the shape of one system, for process 3853. zos and aat lines
// carry no thread key; `wideWindows` picks the windows rows whose pairs start
// 21 characters after " 0x" (address and offset) instead of 12.
struct Shape {
    OsKind os;
    bool wideWindows = false;

    std::string line(int tid, const std::string &text) const
    {
        switch (os) {
        case OsKind::Unix:
            return testsupport::unixLine(tid, text);
        case OsKind::Windows: {
            std::string s = "00001F24 09:15:12.100053   3853." + std::to_string(tid);
            s.resize(61, ' ');
            return s + text + "\n";
        }
        default:
            return "  " + text + "\n";
        }
    }

    // One dump row of up to 16 bytes at `offset`, in the system's layout:
    // its label, the bytes in groups with a separator after each, and the
    // characters in their frame.
    std::string row(int tid, int offset, const unsigned char *b, int n = 16) const
    {
        struct Layout {
            const char *label;
            int group;
            const char *separator, *open, *close;
        };
        Layout l{};
        switch (os) {
        case OsKind::Unix:
            l = {"0x%04x:  ", 4, " ", " |", "|"};
            break;
        case OsKind::Windows:
            l = {wideWindows ? "0x0012F3A0 %08X " : "0x%08X ", 1, " ", " |", "|"};
            break;
        case OsKind::Zos:
            l = {"+%04X  ", 4, "  ", "| ", " |"};
            break;
        case OsKind::Aat:
            l = {"%08X:  ", 2, " ", " '", "'"};
            break;
        }
        char label[32];
        std::snprintf(label, sizeof label, l.label, offset);
        std::string s = label;
        for (int k = 0; k < 16; ++k) {
            s.append(k < n ? hexByte(b[k]) : "  ");
            if (k % l.group == l.group - 1)
                s.append(l.separator);
        }
        s.append(l.open).append(shown(b, n)).append(l.close);
        return line(tid, s);
    }

    // The rows of `bytes`, the last one cut short when they do not fill it.
    Lines rows(int tid, const Bytes &bytes) const
    {
        Lines out;
        for (std::size_t at = 0; at < bytes.size(); at += 16)
            out.push_back(row(tid, static_cast<int>(at), bytes.data() + at,
                              static_cast<int>(std::min<std::size_t>(16, bytes.size() - at))));
        return out;
    }

    // A trigger line and its dump. On windows a column heading comes first;
    // zos and aat dumps need no trigger line, row 0 is found by its
    // eye-catcher, so `header` stands there as a plain line of its own.
    Lines dump(int tid, const std::string &header, const Bytes &bytes) const
    {
        Lines out{line(tid, header)};
        if (os == OsKind::Windows)
            out.push_back(line(tid, "Address    Offset   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F   Characters"));
        for (auto &r : rows(tid, bytes))
            out.push_back(r);
        return out;
    }
};

// The structures shown as dumps: trigger text, eye-catcher, whether zos and
// aat show it with an eye-catcher trigger, and the most rows it may take.
struct StructBlock {
    const char *header;
    const char *eye;
    bool zos, aat;
    int rows;
};
inline const StructBlock kStructBlocks[] = {
    {" Msgdesc:", "MD  ", true, true, 23},       {" Objdesc:", "OD  ", true, false, 27},
    {" Getmsgopts:", "GMO ", true, true, 7},     {" Putmsgopts:", "PMO ", true, true, 12},
    {" CbContext:", "CBC ", false, true, 4},     {" CallbackDesc:", "CBD ", true, true, 11},
    {" StatusData:", "STAT", false, false, 18},  {" SetPropOpts:", "SMPO", false, false, 2},
    {" InqPropOpts:", "IMPO", false, false, 4},  {" PropDesc:", "PD  ", false, false, 2},
    {" Subdesc:", "SD  ", true, true, 22},
};

// The blocks read from one dump line: trigger text, the eye-catcher the
// value row carries (or none), and whether the value follows the call's
// " Options:" line.
struct ValueBlock {
    const char *header;
    const char *eye;
    bool afterOptions;
};
inline const ValueBlock kValueBlocks[] = {
    {" ConnectOpts:", "CNO ", false}, {" MQOPEN >>", nullptr, true},   {" MQCLOSE >>", nullptr, true},
    {" CtlOpts:", "CTLO", false},     {" CrtMsgHOpts:", "CMHO", false}, {" DltMsgHOpts:", "DMHO", false},
    {" Hmsg:", nullptr, false},       {" Actual Name:", nullptr, false}, {" Value:", nullptr, false},
    {" Type:", nullptr, false},       {" DltPropOpts:", "DMPO", false}, {" Hconn:", nullptr, false},
    {" Hobj:", nullptr, false},       {" Bufferlength:", nullptr, false}, {" Datalength:", nullptr, false},
    {" Compcode:", nullptr, false},   {" Reason:", nullptr, false},
};

// Call lines that set the thread's call name, which some blocks read.
inline const char *const kCallLines[] = {"MQPUT >>", "MQGET <<", "MQSTAT >>", "MQSETMP >>", "MQINQMP <<",
                                         "MQCB >>", "MQSUB <<", "MQPUT1 >>"};

// Structure bytes: the eye-catcher, a Version of 0 to 5 in either byte
// order (both runs of a test read it), and random fields.
inline Bytes structBytes(const char *eye, int rows, std::mt19937 &rng)
{
    Bytes b(static_cast<std::size_t>(16 * rows));
    for (auto &x : b)
        x = rng() % 3 == 0 ? 0 : static_cast<unsigned char>(rng());
    std::memcpy(b.data(), eye, 4);
    const unsigned char version = static_cast<unsigned char>(rng() % 6);
    b[4] = b[5] = b[6] = b[7] = 0;
    b[rng() % 2 ? 4 : 7] = version;
    return b;
}

inline Lines structBlock(const Shape &shape, int tid, const StructBlock &k, std::mt19937 &rng)
{
    Bytes bytes = structBytes(k.eye, k.rows, rng);
    // A zos trace names the structure on a line of its own before the dump.
    const std::string header = shape.os == OsKind::Zos || shape.os == OsKind::Aat ? "MQ structure at 1F2A3C40" : k.header;
    return shape.dump(tid, header, bytes);
}

inline Lines valueBlock(const Shape &shape, int tid, const ValueBlock &k, std::mt19937 &rng)
{
    Bytes bytes = structBytes(k.eye != nullptr ? k.eye : "\0\0\0\0", 2, rng);
    if (k.eye == nullptr)
        bytes.resize(4 + rng() % 12);
    const bool aatConnect = shape.os == OsKind::Aat && std::strcmp(k.header, " ConnectOpts:") == 0;
    Lines out{shape.line(tid, aatConnect ? "MQCNO Structure:" : k.header)};
    if (k.afterOptions) {
        out.push_back(shape.line(tid, "Parameters of the call"));
        out.push_back(shape.line(tid, " Options:"));
    }
    if (shape.os == OsKind::Windows)
        out.push_back(shape.line(tid, "Address    Offset   00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F   Characters"));
    for (auto &r : shape.rows(tid, bytes))
        out.push_back(r);
    return out;
}

// A message buffer dump, with a capture marker before it when `name` is
// given, ended by the thread's next call line.
inline Lines messageBlock(const Shape &shape, int tid, const Bytes &message, const std::string &name = {})
{
    Lines out;
    if (!name.empty())
        out.push_back(shape.line(tid, "User trace: msg2File-" + name));
    out.push_back(shape.line(tid, shape.os == OsKind::Aat ? "Message Data:" : " Buffer:"));
    if (shape.os == OsKind::Windows)
        out.push_back(shape.line(tid, "Data:-"));
    Shape dataShape = shape;
    dataShape.wideWindows = false;
    for (auto &r : dataShape.rows(tid, message))
        out.push_back(r);
    out.push_back(shape.line(tid, "MQPUT <<"));
    return out;
}

// Message bytes that reach every branch of the three checks: ASCII, UTF-8
// sequences whole and broken, surrogate pairs, byte order marks.
inline Bytes messageBytes(std::mt19937 &rng)
{
    static const Bytes pieces[] = {{'f', 'o', 'x'}, {0xC3, 0xA9}, {0xE2, 0x82, 0xAC}, {0xF0, 0x9F, 0x98, 0x80},
                                   {0xC3, 0x41}, {0x80}, {0xD8, 0x3D, 0xDE, 0x00}, {0xFE, 0xFF}, {0xFF, 0xFE},
                                   {0x00, 0x41}, {0x0A}, {0x45, 0x46}};
    Bytes m;
    const int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i) {
        if (rng() % 4 == 0) {
            m.push_back(static_cast<unsigned char>(rng()));
        } else {
            const Bytes &p = pieces[rng() % std::size(pieces)];
            m.insert(m.end(), p.begin(), p.end());
        }
    }
    return m;
}

// A trace of the system's shape with `count` blocks of random kinds, several
// threads on unix and windows, and call lines in between.
inline Lines mixedTrace(const Shape &shape, int count, std::mt19937 &rng)
{
    Lines out;
    const bool threads = shape.os == OsKind::Unix || shape.os == OsKind::Windows;
    for (int i = 0; i < count; ++i) {
        const int tid = threads ? 1 + static_cast<int>(rng() % 3) : 1;
        out.push_back(shape.line(tid, kCallLines[rng() % std::size(kCallLines)]));
        Lines block;
        const auto pick = rng() % 10;
        if (pick < 5) {
            const StructBlock &k = kStructBlocks[rng() % std::size(kStructBlocks)];
            block = structBlock(shape, tid, k, rng);
        } else if (pick < 8) {
            block = valueBlock(shape, tid, kValueBlocks[rng() % std::size(kValueBlocks)], rng);
        } else {
            block = messageBlock(shape, tid, messageBytes(rng), rng() % 3 == 0 ? "cap" + std::to_string(rng() % 4) : "");
        }
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

// A fresh folder, removed with the files in it at the end. Entered for the
// test's duration when `enter` is set, so that message captures land there.
class ScratchFolder {
public:
    explicit ScratchFolder(bool enter = false)
    {
        char dir[] = "/tmp/mqtt-test-XXXXXX";
        if (::mkdtemp(dir) != nullptr)
            path_ = dir;
        if (enter) {
            home_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (::chdir(path_.c_str()) != 0)
                path_.clear();
        }
    }
    ~ScratchFolder()
    {
        if (home_ >= 0) {
            if (::fchdir(home_) != 0)
                std::perror("fchdir");
            ::close(home_);
        }
        for (const auto &name : files())
            ::unlink(file(name).c_str());
        ::rmdir(path_.c_str());
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        if (DIR *d = ::opendir(path_.c_str())) {
            while (dirent *e = ::readdir(d))
                if (e->d_name[0] != '.')
                    names.push_back(e->d_name);
            ::closedir(d);
        }
        return names;
    }

private:
    std::string path_;
    int home_ = -1;
};

inline std::string join(const Lines &lines)
{
    std::string text;
    for (const auto &l : lines)
        text += l;
    return text;
}

} // namespace blocks
