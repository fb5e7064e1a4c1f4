// The console on a POSIX terminal.
//
// Escape sequences written, only when standard output is a terminal:
//   ESC [ H    cursor to the top left corner
//   ESC [ 2 J  erase the screen
//   ESC [ 3 J  erase the scrollback
//
// The pause puts the terminal in key-at-a-time mode (no line editing, no echo, signals still on)
// and every way out of it restores the saved settings: the normal return, a write error, and the
// signals that end or stop the process.

#include "console.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

// glibc declares it with _GNU_SOURCE; POSIX leaves the declaration to the program.
extern char **environ; // NOLINT(readability-redundant-declaration)

namespace {

#ifdef __APPLE__
constexpr const char *viewerProgram = "open";
constexpr bool viewerNeedsDesktopSession = false;
#else
constexpr const char *viewerProgram = "xdg-open";
constexpr bool viewerNeedsDesktopSession = true;
#endif
constexpr const char *imagePath = "./ressources/pic/picture/meme.jpg";
constexpr std::chrono::seconds viewerWait{2};

constexpr unsigned char escapeKey = 0x1b;
constexpr int keySequenceGapMs = 50;

// The terminal-restoring state, shared with the signal handlers.
termios savedTerminal;
termios keyTerminal;
volatile sig_atomic_t terminalInKeyMode = 0;

// SIGTSTP stops the program; the others end it.
constexpr std::array pauseSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// Async-signal-safe and idempotent.
void restoreTerminal() {
    if (terminalInKeyMode != 0) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        terminalInKeyMode = 0;
    }
}

void enterKeyMode() {
    terminalInKeyMode = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &keyTerminal);
}

// Writes the parts as one line in one call, cut short if it would not fit.
void writeLine(int fd, std::initializer_list<std::string_view> parts) {
    std::array<char, 512> line{};
    std::size_t used = 0;
    for (const std::string_view part : parts) {
        used += part.copy(line.data() + used, line.size() - 1 - used);
    }
    line[used++] = '\n';
    [[maybe_unused]] const ssize_t ignored = write(fd, line.data(), used);
}

[[noreturn]] void failWrite(int error) {
    restoreTerminal();
    writeLine(STDERR_FILENO, {"binary-converter: write error: ", std::strerror(error)});
    _exit(1);
}

extern "C" void endBySignal(int signal) {
    restoreTerminal();
    std::signal(signal, SIG_DFL);
    // Delivered with the default action as soon as this handler returns and unblocks it.
    std::raise(signal);
}

void catchSignal(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

extern "C" void stopBySignal(int signal) {
    const int savedErrno = errno;
    const bool wasInKeyMode = terminalInKeyMode != 0;
    restoreTerminal();
    std::signal(signal, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(signal);
    // Continued: back to waiting for the key.
    catchSignal(signal, stopBySignal);
    if (wasInKeyMode) {
        enterKeyMode();
    }
    errno = savedErrno;
}

bool isIgnored(int signal) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

// A signal that the program was started with ignored stays ignored.
void catchSignalsWhilePaused() {
    for (const int signal : pauseSignals) {
        if (!isIgnored(signal)) {
            catchSignal(signal, signal == SIGTSTP ? stopBySignal : endBySignal);
        }
    }
}

void releaseSignals() {
    for (const int signal : pauseSignals) {
        if (!isIgnored(signal)) {
            std::signal(signal, SIG_DFL);
        }
    }
}

bool moreKeyBytesArrive() {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, keySequenceGapMs) > 0;
}

// Takes one key press, all of it: an arrow or function key sends several bytes at once.
void takeOneKey() {
    std::array<unsigned char, 32> bytes{};
    ssize_t got = 0;
    do {
        got = read(STDIN_FILENO, bytes.data(), bytes.size());
    } while (got < 0 && errno == EINTR);
    if (got == 1 && bytes[0] == escapeKey) {
        while (moreKeyBytesArrive() && read(STDIN_FILENO, bytes.data(), bytes.size()) > 0) {
        }
    }
}

// Puts the terminal in key-at-a-time mode; false when stdin is no terminal to wait on.
bool enterPause() {
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return false;
    }
    keyTerminal = savedTerminal;
    keyTerminal.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    keyTerminal.c_cc[VMIN] = 1;
    keyTerminal.c_cc[VTIME] = 0;
    catchSignalsWhilePaused();
    // Entering with TCSAFLUSH throws away whatever was typed before the pause began.
    enterKeyMode();
    return true;
}

void leavePause() {
    restoreTerminal();
    releaseSignals();
}

bool isSet(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// One line naming the image and why it is not shown; the reason comes in up to four parts.
void reportImage(std::string_view reason, std::string_view more = {},
                 std::string_view evenMore = {}, std::string_view last = {}) {
    writeLine(STDERR_FILENO, {"cannot open ", imagePath, ": ", reason, more, evenMore, last});
}

// Gives the viewer a moment to fail; one that stays open is left to run.
void awaitViewer(pid_t viewer) {
    const auto deadline = ConsoleClock::now() + viewerWait;
    while (ConsoleClock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(viewer, &status, WNOHANG);
        if (done == viewer) {
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                reportImage(viewerProgram, " failed to show it");
            }
            return;
        }
        if (done < 0) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{20});
    }
}

} // namespace

void consoleWrite(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            failWrite(written < 0 ? errno : EIO);
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

ConsoleClock::time_point consoleNow() {
    return ConsoleClock::now();
}

void consoleSleepUntil(ConsoleClock::time_point deadline) {
    std::this_thread::sleep_until(deadline);
}

void consoleClear() {
    if (isatty(STDOUT_FILENO) != 0) {
        consoleWrite("\x1b[H\x1b[2J\x1b[3J");
    }
}

// The prompt comes once the terminal is ready, so a key pressed after it appears is never taken
// for one typed before.
void consolePause() {
    const bool waiting = enterPause();
    consoleWrite("Press any key to continue . . . ");
    if (waiting) {
        takeOneKey();
        leavePause();
    }
    consoleWrite("\n");
}

void consoleOpenImage() {
    if (viewerNeedsDesktopSession && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        reportImage("no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        return;
    }
    if (access(imagePath, R_OK) != 0) {
        reportImage(std::strerror(errno));
        return;
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::array<char *, 3> arguments{const_cast<char *>(viewerProgram),
                                    const_cast<char *>(imagePath), nullptr};
    pid_t viewer = 0;
    const int error =
        posix_spawnp(&viewer, viewerProgram, &quiet, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (error != 0) {
        reportImage("cannot start the viewer ", viewerProgram, ": ", std::strerror(error));
        return;
    }
    awaitViewer(viewer);
}

int consoleReadChar() {
    const int character = std::getchar();
    return character == EOF ? consoleEndOfInput : character;
}

void consoleUnreadChar(int character) {
    std::ungetc(character, stdin);
}
