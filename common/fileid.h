// The identity of a file (device and inode), to tell when two names or
// descriptors denote the same file, shared by both tools.
#pragma once

struct FileId {
    bool known = false;
    bool regular = false; // a regular file (not a device, pipe or directory)
    unsigned long long dev = 0, ino = 0;

    // Both known and the same file.
    bool sameAs(const FileId &other) const { return known && other.known && dev == other.dev && ino == other.ino; }
};

// The file open on `fd`; unknown when fstat fails.
FileId fileIdOf(int fd);

// The file that `path` names, links followed; unknown when it does not exist.
FileId fileIdOf(const char *path);
