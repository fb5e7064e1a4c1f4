// The console on a POSIX terminal: output and errors, clearing and the pause,
// over the terminal's state and the waits that answer signals. Every write comes after a wait
// that found it would not block; standard input is input_posix.cpp's.
//
// Escape sequences written, only when standard output is a terminal that can take them:
//   ESC [ H    cursor to the top left corner
//   ESC [ 2 J  erase the screen
//   ESC [ 3 J  erase the scrollback
// Terminals that cannot take them are named by TERM: unset, empty, or one of these.

#include "console_posix.hpp"

#include "console.hpp"
#include "signals_posix.hpp"
#include "terminal_posix.hpp"
#include "waits_posix.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Writes all of text to fd: 0, or the errno of the write that failed.
int writeAll(int fd, std::string_view text, bool clearsTheScreen = false) {
    while (!text.empty()) {
        waitFor(fd, false, nullptr);
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        const auto done = static_cast<std::size_t>(written);
        if (fd == terminalOutput()) {
            terminalWritten(text.substr(0, done), clearsTheScreen);
        }
        text.remove_prefix(done);
    }
    return 0;
}

// Writes all of text to the output, or reports why not and ends the run; a closed pipe's
// SIGPIPE, pending meanwhile, ends it by that signal as the terminal is let go.
void writeOutput(std::string_view text, bool clearsTheScreen = false) {
    const int error = writeAll(terminalOutput(), text, clearsTheScreen);
    if (error != 0) {
        fail("write error: ", error);
    }
}

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

void fail(std::string_view what, int error) {
    signalsEnd();
    // The error line says what went wrong.
    (void)terminalEndLine();
    reportError({what, std::strerror(error)});
    _exit(1);
}

void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more) {
    constexpr std::string_view program = "binary-converter: ";
    std::array<char, 512> line{};
    std::size_t used = program.copy(line.data(), line.size());
    for (const auto list : {parts, more}) {
        for (const std::string_view part : list) {
            used += part.copy(line.data() + used, line.size() - 1 - used);
        }
    }
    line[used++] = '\n';
    // Nothing is left to tell of a failure to tell.
    (void)writeAll(terminalErrors(), {line.data(), used});
}

// The signals are caught before the terminal is taken, so that none can leave it taken.
void consoleBegin() {
    keepStandardDescriptorsOpen();
    signalsBegin();
    terminalBegin();
}

void consoleEnd() {
    signalsEnd();
    const int error = terminalEndLine();
    if (error != 0) {
        fail("write error: ", error);
    }
}

void consoleWrite(std::string_view text) {
    writeOutput(text);
}

void consoleSleepUntil(ConsoleClock::time_point deadline) {
    while (waitFor(-1, false, &deadline)) {
    }
}

void consoleHideKeys() {
    terminalEnter(TerminalStage::quiet, false);
}

void consoleClear() {
    terminalEnter(TerminalStage::line, true);
    if (isatty(STDOUT_FILENO) != 0 && takesEscapes(std::getenv("TERM"))) {
        writeOutput(clearScreen, true);
    }
}

// The prompt comes once the terminal is ready, so a key pressed after it appears is never taken
// for one typed before; the keys typed before are thrown away.
void consolePause() {
    terminalEnter(TerminalStage::key, true);
    consoleWrite("Press any key to continue . . . ");
    if (terminalTakesKeys()) {
        takeOneKey();
        terminalEnter(TerminalStage::line, true);
    }
    consoleWrite("\n");
}
