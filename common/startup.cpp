#include "startup.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

void prepareProcess()
{
    // Standard input is left as it is: the tools never read it, and a file
    // that takes its number is read as that file.
    for (int fd = 1; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
