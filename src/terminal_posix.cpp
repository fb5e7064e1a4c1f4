// The pause on a POSIX terminal, and the terminal state and signals around it.
//
// The pause puts the terminal in key-at-a-time mode (no line editing, no echo, signals still on)
// and every way out of it restores the saved settings: the normal return, a write error, and the
// signals that end or stop the process.
//
// A stop, at any stage, is made invisible to the dialogue: while stopped the terminal has its
// own settings back, and on SIGCONT the pause's mode returns, the line the program was on is
// shown again, and the time spent stopped is taken off the console's clock. Ctrl-Z is seen
// starting; a stop that cannot be caught (SIGSTOP) is counted from the last time the program was
// known to run, so a wait it interrupts is never cut short.

#include "console_posix.hpp"

#include "console.hpp"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr unsigned char escapeKey = 0x1b;
constexpr int keySequenceGapMs = 50;

// The state that the signal handlers share with the rest of the program.
termios savedTerminal;
termios keyTerminal;
volatile sig_atomic_t terminalInKeyMode = 0;
volatile sig_atomic_t pauseWaiting = 0;
std::atomic<std::int64_t> stoppedNanoseconds{0};
std::atomic<std::int64_t> runningAtNanoseconds{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "read from signal handlers");

// The signals that end the program while the terminal is in key mode; SIGPIPE among them, for a
// prompt written to a pipe whose reader has gone.
constexpr std::array endSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

std::int64_t nanosecondsNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               ConsoleClock::now().time_since_epoch())
        .count();
}

void enterKeyMode() {
    terminalInKeyMode = 1;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &keyTerminal);
}

void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

bool isIgnored(int signal) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

// A signal that the program was started with ignored stays ignored.
void handleUnlessIgnored(int signal, void (*handler)(int)) {
    if (!isIgnored(signal)) {
        handle(signal, handler);
    }
}

// Hands the signal on to its default action, once this handler returns and unblocks it.
void raiseByDefault(int signal) {
    handle(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
}

extern "C" void endBySignal(int signal) {
    restoreTerminal();
    raiseByDefault(signal);
}

extern "C" void stopBySignal(int signal) {
    const int savedErrno = errno;
    runningAtNanoseconds = nanosecondsNow();
    restoreTerminal();
    raiseByDefault(signal);
    // Continued; resumeAfterStop has already run.
    handle(signal, stopBySignal);
    errno = savedErrno;
}

extern "C" void resumeAfterStop(int /*signal*/) {
    const int savedErrno = errno;
    const std::int64_t now = nanosecondsNow();
    stoppedNanoseconds += now - runningAtNanoseconds.exchange(now);
    if (pauseWaiting != 0) {
        enterKeyMode();
    }
    showLineAgain();
    errno = savedErrno;
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
    for (const int signal : endSignals) {
        handleUnlessIgnored(signal, endBySignal);
    }
    pauseWaiting = 1;
    // Entering with TCSAFLUSH throws away whatever was typed before the pause began.
    enterKeyMode();
    return true;
}

void leavePause() {
    pauseWaiting = 0;
    restoreTerminal();
    for (const int signal : endSignals) {
        handleUnlessIgnored(signal, SIG_DFL);
    }
}

} // namespace

// Async-signal-safe and idempotent.
void restoreTerminal() {
    if (terminalInKeyMode != 0) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        terminalInKeyMode = 0;
    }
}

void watchStops() {
    noteRunning();
    handleUnlessIgnored(SIGTSTP, stopBySignal);
    handleUnlessIgnored(SIGCONT, resumeAfterStop);
}

std::chrono::nanoseconds timeStopped() {
    return std::chrono::nanoseconds{stoppedNanoseconds.load()};
}

void noteRunning() {
    runningAtNanoseconds = nanosecondsNow();
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
