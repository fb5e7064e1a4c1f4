// The console's calls on POSIX: taking the console and letting it go, the output, clearing, the
// pause and the sleeps, over the terminal's settings, the writer, the input and the waits.
//
// Escape sequences written, only when standard output is a terminal that can take them:
//   ESC [ H    cursor to the top left corner
//   ESC [ 2 J  erase the screen
//   ESC [ 3 J  erase the scrollback
// Terminals that cannot take them are named by TERM: unset, empty, or one of these.

#include "console.hpp"
#include "input_posix.hpp"
#include "output_posix.hpp"
#include "signals_posix.hpp"
#include "terminal_posix.hpp"
#include "waits_posix.hpp"
#include "writer_posix.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Descriptors 0 to 2 are open before the program opens anything, so that nothing it opens takes
// the place of one; a closed one becomes /dev/null, opened the other way round, so that using
// it fails as using the closed one would (EBADF).
void keepStandardDescriptorsOpen() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
            // Where even that fails, the program has nothing it could open in its place.
            (void)open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
        }
    }
}

constexpr std::array<std::string_view, 3> terminalsWithoutEscapes{"dumb", "cons25", "emacs"};
constexpr std::string_view clearScreen = "\x1b[H\x1b[2J\x1b[3J";

bool takesEscapes(const char *terminal) {
    return terminal != nullptr && *terminal != '\0' &&
           std::find(terminalsWithoutEscapes.begin(), terminalsWithoutEscapes.end(), terminal) ==
               terminalsWithoutEscapes.end();
}

} // namespace

// The signals are caught before the terminal is taken, so that none can leave it taken.
void consoleBegin() {
    keepStandardDescriptorsOpen();
    signalsBegin();
    writerBegin();
    terminalBegin();
}

void consoleEnd() {
    signalsEnd();
    const int error = writerEndLine();
    if (error != 0) {
        fail("write error: ", error);
    }
}

void consoleWrite(std::string_view text) {
    writeOutput(text);
}

// A stop during the sleep has the line shown again at once, not at the next write.
void consoleSleepUntil(ConsoleClock::time_point deadline) {
    while (waitUntil(deadline) != Waited::timeUp) {
        showOwedLine();
    }
}

void consoleHideKeys() {
    terminalEnter(TerminalStage::quiet, TypedAhead::kept);
}

void consoleClear() {
    terminalEnter(TerminalStage::line, TypedAhead::thrownAway);
    if (isatty(STDOUT_FILENO) != 0 && takesEscapes(std::getenv("TERM"))) {
        writeOutput(clearScreen, Clears::screen);
    }
}

// The prompt comes once the terminal is ready, so a key pressed after it appears is never taken
// for one typed before; the keys typed before are thrown away, and so is what is left of the key
// once it has been taken.
void consolePause() {
    terminalEnter(TerminalStage::key, TypedAhead::thrownAway);
    consoleWrite("Press any key to continue . . . ");
    if (terminalTakesKeys()) {
        takeOneKey();
        terminalEnter(TerminalStage::line, TypedAhead::thrownAway);
    }
    consoleWrite("\n");
}
