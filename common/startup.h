// Process set-up shared by both tools, run first thing in main().
#pragma once

// Gives a closed standard output or error /dev/null, so that no file the
// program opens takes its number and receives the program's own messages;
// and ignores SIGPIPE and SIGXFSZ, so that a write to a pipe that
// nobody reads, or past the file size limit, fails with an error the program
// reports instead of killing it with what it has not yet written.
void prepareProcess();
