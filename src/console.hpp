#pragma once

#include <chrono>
#include <string_view>

// The program's only way to the outside world. Each platform has its own files defining these
// functions (CMake picks them); unit tests link a recording fake instead.

// The console's clock: monotonic, in nanoseconds, read from the platform's own timer.
struct ConsoleClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ConsoleClock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};

// consoleBegin takes the console for the run, before anything is written; consoleEnd gives it
// back once the run is over, so that on a terminal the shell's prompt starts on a line of its own.
void consoleBegin();
void consoleEnd();

// Writes text to standard output; it is on the console when the call returns. If the output
// cannot be written, the program reports it on stderr and ends with status 1.
void consoleWrite(std::string_view text);

// The dialogue's clock. Time spent stopped (Ctrl-Z until fg) does not count on it, so a wait that
// a stop interrupts keeps the rest of its length afterwards.
ConsoleClock::time_point consoleNow();
void consoleSleepUntil(ConsoleClock::time_point deadline);

// From now until the next consoleClear, keys typed are not shown as they are typed, where the
// terminal itself would show them.
void consoleHideKeys();

// Throws away the keys typed ahead that the program has not read, when standard input is a
// terminal, and clears the console window, when it is a terminal that can take it.
void consoleClear();

// Prints a press-a-key prompt and waits for a key pressed after the call began: keys typed
// earlier, and what the program's own reads left unread, do not end it.
void consolePause();

// Opens the program's image with the platform's viewer; a failure is reported on one line.
void consoleOpenImage();

// The next byte of standard input (0 to 255), or consoleEndOfInput once the input has ended. When
// the input cannot be read, the program reports it on stderr and ends with status 1.
// consoleUnreadChar hands back the byte just read, to be read again next: only that byte, once.
constexpr int consoleEndOfInput = -1;
int consoleReadChar();
void consoleUnreadChar(int character);
