// In-memory files for running the tools' libraries in tests.
#pragma once

#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace testfiles {

// An in-memory file holding `content`, positioned at its start.
inline int memoryFile(const std::string &content)
{
    int fd = ::memfd_create("test", 0);
    std::size_t done = 0;
    while (fd >= 0 && done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

// Everything the file holds, from its start.
inline std::string readAll(int fd)
{
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    return text;
}

} // namespace testfiles
