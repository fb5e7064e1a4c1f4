#pragma once

#include <chrono>
#include <string_view>

// The program's only way to the outside world. Each platform has its own file defining these
// functions (CMake picks it); unit tests link a recording fake instead.

using ConsoleClock = std::chrono::steady_clock;

// Writes text to standard output; it is on the console when the call returns. If the output
// cannot be written, the program reports it on stderr and ends with status 1.
void consoleWrite(std::string_view text);

ConsoleClock::time_point consoleNow();
void consoleSleepUntil(ConsoleClock::time_point deadline);

// Clears the console window.
void consoleClear();

// Prints a press-a-key prompt and waits for a key pressed after the call began.
void consolePause();

// Opens the program's image with the platform's viewer; a failure is reported on one line.
void consoleOpenImage();

// The next byte of standard input (0 to 255), or consoleEndOfInput once the input has ended.
// consoleUnreadChar hands one byte back, to be read again next.
constexpr int consoleEndOfInput = -1;
int consoleReadChar();
void consoleUnreadChar(int character);
