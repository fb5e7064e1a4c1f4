#pragma once

// The waits on POSIX: the one place where the program lets the caught signals in, and answers
// them right before it acts on what it waited for.

#include "console.hpp"

// Waits until fd can be read (forReading) or written without blocking, or until the deadline,
// if any: false when the deadline passed first. With no fd (-1), until the deadline, or until a
// child process ended (true). First, each time: answers the signals that came; stops the
// program by SIGTTIN or SIGTTOU while its process group is a background process group of fd's
// terminal; writes the line owed to the screen. True also when pselect fails: the read or write
// tells why.
bool waitFor(int fd, bool forReading, const ConsoleClock::time_point *deadline);
