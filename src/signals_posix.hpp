#pragma once

// The signals on POSIX: which came, and the program's answers to them, given in its own flow
// right before and after each wait (waits_posix.cpp).

#include "console.hpp"

#include <csignal>

// Catches the signals for the whole run, before the terminal is taken: each signal whose default
// action ends the program (but the program's own faults), the stop and continue of job control,
// and the end of a child process. A signal ignored when the program started stays ignored, but
// SIGCHLD, which the viewer's end needs.
void signalsBegin();

// Notes every caught signal that is pending, then answers what came: an ending signal ends the
// program by that signal; Ctrl-Z stops it; a continue takes the stage up again, and a wait whose
// deadline passed while the program was stopped unseen (SIGSTOP) has its overrun taken off the
// clock. Says whether the program stopped and was continued.
enum class Answer { carriedOn, continuedAfterAStop };
Answer signalsAnswer(const ConsoleClock::time_point *deadline);

// Notes every caught signal that is pending; true when one is to be answered.
bool signalsPending();

// Stops the program by SIGTTIN or SIGTTOU, which the system would send it for using its
// terminal from a background process group, or by SIGTSTP: with the settings given back, and,
// once continued, the stage taken up again and the line the cursor was on owed to the screen.
// True once it is continued; false when the signal is ignored, or when the system discarded the
// stop (the process group is orphaned: no shell could continue it).
bool signalsStopBy(int signal);

// Whether a child process ended since the last look.
bool signalsChildEnded();

// The mask the program started with, and the one its waits let the caught signals in with: the
// same, with SIGCHLD let in too.
const sigset_t &signalsFoundMask();
const sigset_t &signalsWaitingMask();

// Lets the terminal go for good: its settings given back, and every caught signal back to its
// default action, which is the one it had when the program started (a signal ignored then was
// never caught), and let through, so that nothing takes the terminal again; a signal pending
// then (SIGPIPE after a write to a closed pipe) ends the program by it. Idempotent.
void signalsEnd();
