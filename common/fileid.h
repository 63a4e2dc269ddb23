// The identity of a file (device and inode), to tell when two names or
// descriptors denote the same file, shared by both tools.
#pragma once

struct FileId {
    bool known = false;
    bool regular = false; // a regular file (not a device, pipe or directory)
    bool fifo = false;    // a named pipe
    unsigned long long dev = 0, ino = 0;

    // Both known and the same file.
    bool sameAs(const FileId &other) const { return known && other.known && dev == other.dev && ino == other.ino; }
};

// The file open on `fd`; unknown when fstat fails.
FileId fileIdOf(int fd);

// The file that `path` names, links followed; unknown when it does not exist.
FileId fileIdOf(const char *path);

// Opens `path` as the output file (created or truncated), unless it names
// the input file open as `input`: opening that would truncate the trace (a
// regular file) or feed the output back into the input, which then never
// ends (a named pipe). Such a name is refused as an invalid argument: -1 with
// errno EINVAL. A terminal or other device may well be both.
int openOutputFile(const char *path, const FileId &input);
