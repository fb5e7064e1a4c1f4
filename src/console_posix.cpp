// The console on a POSIX terminal: output and errors, clearing, the pause, and standard input,
// over the terminal's state and the waits that answer signals.
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

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <unistd.h>

namespace {

[[noreturn]] void fail(std::string_view what, int error) {
    signalsEnd();
    terminalEndLine();
    reportError({what, std::strerror(error)});
    _exit(1);
}

// Writes all of text, or reports why not and ends the run; a closed pipe's SIGPIPE, pending
// meanwhile, ends it by that signal as the terminal is let go.
void writeAll(std::string_view text, bool clearsTheScreen = false) {
    while (!text.empty()) {
        signalsAwait(terminalOutput(), false, nullptr);
        const ssize_t written = write(terminalOutput(), text.data(), text.size());
        if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (written <= 0) {
            fail("write error: ", written < 0 ? errno : EIO);
        }
        const auto done = static_cast<std::size_t>(written);
        terminalWritten(text.substr(0, done), clearsTheScreen);
        text.remove_prefix(done);
    }
}

constexpr std::array<std::string_view, 3> terminalsWithoutEscapes{"dumb", "cons25", "emacs"};
constexpr std::string_view clearScreen = "\x1b[H\x1b[2J\x1b[3J";
constexpr unsigned char escapeKey = 0x1b;
constexpr std::chrono::milliseconds keySequenceGap{50};

using Bytes = std::array<unsigned char, 4096>;

// Standard input, as read and not yet taken.
struct Input {
    Bytes bytes{};
    std::size_t next = 0;
    std::size_t end = 0;
};
Input input;

bool takesEscapes(const char *terminal) {
    return terminal != nullptr && *terminal != '\0' &&
           std::find(terminalsWithoutEscapes.begin(), terminalsWithoutEscapes.end(), terminal) ==
               terminalsWithoutEscapes.end();
}

// Reads what standard input holds now, once it holds anything: 0 at its end.
std::size_t readInput(Bytes &bytes) {
    ssize_t got = 0;
    do {
        got = read(STDIN_FILENO, bytes.data(), bytes.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        fail("read error: ", errno);
    }
    return static_cast<std::size_t>(got);
}

// Takes one key press, all of it: an arrow or function key sends several bytes at once. The end
// of the input counts as a key.
void takeOneKey() {
    Bytes bytes{};
    signalsAwait(STDIN_FILENO, true, nullptr);
    if (readInput(bytes) != 1 || bytes[0] != escapeKey) {
        return;
    }
    auto gapEnds = consoleNow() + keySequenceGap;
    while (signalsAwait(STDIN_FILENO, true, &gapEnds) && readInput(bytes) > 0) {
        gapEnds = consoleNow() + keySequenceGap;
    }
}

} // namespace

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

void consoleBegin() {
    terminalBegin();
    signalsBegin();
}

void consoleEnd() {
    signalsEnd();
    const int error = terminalEndLine();
    if (error != 0) {
        fail("write error: ", error);
    }
}

void consoleWrite(std::string_view text) {
    writeAll(text);
}

void consoleSleepUntil(ConsoleClock::time_point deadline) {
    signalsAwait(-1, false, &deadline);
}

void consoleHideKeys() {
    terminalEnter(TerminalStage::quiet, false);
}

void consoleClear() {
    terminalEnter(TerminalStage::line, true);
    if (isatty(STDOUT_FILENO) != 0 && takesEscapes(std::getenv("TERM"))) {
        writeAll(clearScreen, true);
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

int consoleReadChar() {
    if (input.next == input.end) {
        signalsAwait(STDIN_FILENO, true, nullptr);
        input.end = readInput(input.bytes);
        input.next = 0;
        if (input.end == 0) {
            return consoleEndOfInput;
        }
    }
    return input.bytes[input.next++];
}

// Only the byte just read is ever handed back, and it is still in the buffer.
void consoleUnreadChar(int /*character*/) {
    --input.next;
}
