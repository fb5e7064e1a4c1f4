#pragma once

// The signals that end, stop and continue the program on POSIX, and the waits where the program
// answers them.

#include "console.hpp"

// Catches the signals for the whole run, once the terminal is taken. A signal ignored when the
// program started stays ignored.
void signalsBegin();

// Waits until fd can be read (forReading) or written without blocking, or until the deadline,
// if any, answering the signals that come meanwhile. False when the deadline passed first.
bool signalsAwait(int fd, bool forReading, const ConsoleClock::time_point *deadline);

// Lets the terminal go for good: its settings given back, and every signal caught back to its
// default action and let through, so that nothing takes the terminal again; a signal pending
// then (SIGPIPE after a write to a closed pipe) ends the program by it. Idempotent.
void signalsEnd();
