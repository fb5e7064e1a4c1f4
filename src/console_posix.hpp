#pragma once

// What the POSIX console's files share. Every function here is safe to call from a signal
// handler, except watchStops.

#include <chrono>
#include <initializer_list>
#include <string_view>

// Output (console_posix.cpp).
// Writes "binary-converter: " and the parts, then the more, as one line on stderr in one call,
// cut short if very long.
void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more = {});
// Writes the line the cursor was on when the program stopped again, on a fresh line.
void showLineAgain();

// The terminal and its signals (terminal_posix.cpp).
// From the first output on: Ctrl-Z or any other stop, and SIGCONT after it.
void watchStops();
// Gives the terminal back the settings it had before the pause; does nothing outside it.
void restoreTerminal();
// How long the program has been stopped, all stops together.
std::chrono::nanoseconds timeStopped();
// Notes that the program runs now: a stop that could not be seen starting is counted from here.
void noteRunning();
