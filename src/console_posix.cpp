// The console on a POSIX terminal: output, clearing, the clock and sleeping.
//
// Escape sequences written, only when standard output is a terminal that can take them:
//   ESC [ H    cursor to the top left corner
//   ESC [ 2 J  erase the screen
//   ESC [ 3 J  erase the scrollback
// Terminals that cannot take them are named by TERM: unset, empty, or one of these.

#include "console_posix.hpp"

#include "console.hpp"
#include "console_platform.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

#include <unistd.h>

namespace {

constexpr std::array<std::string_view, 3> terminalsWithoutEscapes{"dumb", "cons25", "emacs"};
constexpr std::string_view clearScreen = "\x1b[H\x1b[2J\x1b[3J";

// The line the cursor is on, as far as the program wrote it: shown again after a stop, and ended
// before the program ends. Signal handlers read it, so it changes only while they wait.
std::array<char, 128> currentLine{};
std::size_t currentLineLength = 0;
// Asked once, at the start. Only a terminal gets the line again after a stop, or a final newline:
// piped output holds the dialogue alone.
bool outputIsTerminal = false;

bool takesEscapes(const char *terminal) {
    return terminal != nullptr && *terminal != '\0' &&
           std::find(terminalsWithoutEscapes.begin(), terminalsWithoutEscapes.end(), terminal) ==
               terminalsWithoutEscapes.end();
}

// Writes all of text, or reports why not and ends the run.
void writeAll(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            consoleFail("write error: ", written < 0 ? errno : EIO);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

void remember(std::string_view text) {
    const std::size_t lineEnd = text.rfind('\n');
    if (lineEnd != std::string_view::npos) {
        currentLineLength = 0;
        text.remove_prefix(lineEnd + 1);
    }
    currentLineLength +=
        text.copy(currentLine.data() + currentLineLength, currentLine.size() - currentLineLength);
}

// Notes where the cursor will be, with every signal held back, then writes text, with stop and
// continue held back: a handler finds the line as it stands once the write is done.
void writeOutput(std::string_view text, bool startsAFreshScreen) {
    const sigset_t before = holdSignals({SIGTSTP, SIGCONT});
    const sigset_t whileWriting = holdEverySignal();
    if (startsAFreshScreen) {
        currentLineLength = 0;
    } else {
        remember(text);
    }
    releaseSignals(whileWriting);
    writeAll(text);
    releaseSignals(before);
}

// Writes to the terminal even from the background, where with `stty tostop` a write would
// otherwise stop the program inside a signal handler.
void writeToTerminal(const char *text, std::size_t length) {
    const sigset_t before = holdSignals({SIGTTOU});
    [[maybe_unused]] const ssize_t ignored = write(STDOUT_FILENO, text, length);
    releaseSignals(before);
}

sigset_t hold(const sigset_t &signals) {
    sigset_t before;
    sigprocmask(SIG_BLOCK, &signals, &before);
    return before;
}

} // namespace

sigset_t holdSignals(std::initializer_list<int> signals) {
    sigset_t named;
    sigemptyset(&named);
    for (const int signal : signals) {
        sigaddset(&named, signal);
    }
    return hold(named);
}

sigset_t holdEverySignal() {
    sigset_t every;
    sigfillset(&every);
    return hold(every);
}

void releaseSignals(const sigset_t &before) {
    sigprocmask(SIG_SETMASK, &before, nullptr);
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
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, line.data(), used);
}

void showLineAgain() {
    if (outputIsTerminal) {
        writeToTerminal("\n", 1);
        writeToTerminal(currentLine.data(), currentLineLength);
    }
}

void endLine() {
    if (outputIsTerminal && currentLineLength > 0) {
        currentLineLength = 0;
        writeToTerminal("\n", 1);
    }
}

void consoleFail(std::string_view what, int error) {
    restoreTerminal();
    endLine();
    reportError({what, std::strerror(error)});
    _exit(1);
}

void consoleBegin() {
    outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    watchTerminal();
}

void consoleEnd() {
    restoreTerminal();
    if (outputIsTerminal && currentLineLength > 0) {
        consoleWrite("\n");
    }
}

void consoleWrite(std::string_view text) {
    writeOutput(text, false);
}

ConsoleClock::time_point ConsoleClock::now() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return time_point{std::chrono::seconds{now.tv_sec} + std::chrono::nanoseconds{now.tv_nsec}};
}

ConsoleClock::time_point consoleNow() {
    noteRunning();
    return ConsoleClock::now() - timeStopped();
}

// Sleeps again after a stop: the deadline is on the console's clock, which did not move meanwhile.
void consoleSleepUntil(ConsoleClock::time_point deadline) {
    for (auto now = consoleNow(); now < deadline; now = consoleNow()) {
        const auto left = deadline - now;
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const timespec length{static_cast<std::time_t>(seconds.count()),
                              static_cast<long>((left - seconds).count())};
        nanosleep(&length, nullptr);
    }
}

void consoleClear() {
    dropHiddenKeys();
    if (outputIsTerminal && takesEscapes(std::getenv("TERM"))) {
        writeOutput(clearScreen, true);
    }
}
