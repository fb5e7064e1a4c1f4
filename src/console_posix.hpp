#pragma once

// What the POSIX console's files share. Every function here is safe to call from a signal
// handler, except watchTerminal.

#include <chrono>
#include <csignal>
#include <initializer_list>
#include <string_view>

// Output (console_posix.cpp).
// Writes "binary-converter: " and the parts, then the more, as one line on stderr in one call,
// cut short if very long.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});
// Writes the line the cursor was on when the program stopped again, on a fresh line.
void showLineAgain();
// Holds back the signals named, or every signal, until releaseSignals is given the mask that
// these return, the one from before.
sigset_t holdSignals(std::initializer_list<int> signals);
sigset_t holdEverySignal();
void releaseSignals(const sigset_t &before);
// Ends the line the cursor is on, if the output is a terminal and the line holds anything, so
// that whatever comes next starts on a line of its own. Write errors are ignored.
void endLine();

// The terminal and its signals (terminal_posix.cpp).
// Takes the terminal for the run, before the first output: its settings, and the signals that
// end, stop and continue the program.
void watchTerminal();
// Gives the terminal back the settings the program found; does nothing when it has none of its
// own there.
void restoreTerminal();
// Throws away the keys typed ahead and shows the keys typed from now on again.
void dropHiddenKeys();
// How long the program has been stopped, all stops together.
std::chrono::nanoseconds timeStopped();
// Notes that the program runs now: a stop that could not be seen starting is counted from here.
void noteRunning();
