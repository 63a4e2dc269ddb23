#include "fileid.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

FileId idOf(const struct stat &st)
{
    FileId id;
    id.known = true;
    id.regular = S_ISREG(st.st_mode);
    id.fifo = S_ISFIFO(st.st_mode);
    id.dev = static_cast<unsigned long long>(st.st_dev);
    id.ino = static_cast<unsigned long long>(st.st_ino);
    return id;
}

} // namespace

FileId fileIdOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? idOf(st) : FileId{};
}

FileId fileIdOf(const char *path)
{
    struct stat st {};
    return ::stat(path, &st) == 0 ? idOf(st) : FileId{};
}

int openOutputFile(const char *path, const FileId &input)
{
    if ((input.regular || input.fifo) && fileIdOf(path).sameAs(input)) {
        errno = EINVAL;
        return -1;
    }
    return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}
