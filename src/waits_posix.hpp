#pragma once

// The waits on POSIX: the one place where the program lets the caught signals in, and answers
// them before it returns, so that no byte is written or read once an ending signal has come.

#include "console.hpp"

// How a wait ended: what it waited for came (a descriptor is ready, or, waiting for a time, a
// child process ended), the time came first, or the program was stopped and has been continued,
// so that the line it was on is owed to the screen (writerOwes) and the caller shows it before
// it waits again. A wait that fails counts as ready: the read or write that follows tells why.
enum class Waited { ready, timeUp, continued };

// Until standard input or another descriptor can be read without blocking, at most until the
// deadline.
Waited waitToRead(int fd);
Waited waitToReadUntil(int fd, ConsoleClock::time_point deadline);

// Until the descriptor can be written without blocking.
Waited waitToWrite(int fd);

// Until the deadline, or until a child process ended.
Waited waitUntil(ConsoleClock::time_point deadline);
