// The terminal on POSIX: its settings at each stage of the dialogue, the pause, and the signals
// around them.
//
// The program changes the terminal's settings only as a stage needs, and only while it is in the
// foreground: from the background the terminal is the shell's. Each stage's settings are made
// from the ones the program found:
//   line   as found, with a carriage return read as a newline: Enter ends a line, whatever
//          another program left the terminal sending for it (stty raw, stty -icrnl);
//   quiet  line without echo, while an announcement stands: keys typed then are neither shown
//          nor kept;
//   key    quiet, a key at a time, for the pause.
// Every way out gives back the settings found: the normal end, a write or read error, and the
// signals that end or stop the program. Giving them back never stops the program, even from the
// background, where changing them would.
//
// A stop, at any stage, is made invisible to the dialogue: while stopped the terminal has its
// own settings back, and once the program is continued in the foreground the stage's settings
// return, looked at afresh, and the line the program was on is shown again; continued in the
// background, it waits for fg, which its next read of the terminal brings (SIGTTIN). The time
// spent stopped is taken off the console's clock. Ctrl-Z is seen starting; a stop that cannot be
// caught (SIGSTOP) is counted from the last time the program was known to run, so a wait it
// interrupts is never cut short. Where no shell can continue the program (its process group is
// orphaned, as under `xterm -e`), the system discards Ctrl-Z, and the stage goes on as it was.

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

enum Stage : sig_atomic_t { lineStage, quietStage, keyStage };

// The state that the signal handlers share with the rest of the program.
bool inputIsTerminal = false; // asked once, before any handler is installed
termios foundSettings; // valid while terminalChanged
volatile sig_atomic_t terminalChanged = 0;
volatile sig_atomic_t stage = lineStage;
std::atomic<std::int64_t> stoppedNanoseconds{0};
std::atomic<std::int64_t> runningAtNanoseconds{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "read from signal handlers");

// The signals that end the program: each gives the terminal back first, and on a terminal ends
// the line. SIGPIPE among them, for a prompt written to a pipe whose reader has gone.
constexpr std::array endSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

std::int64_t nanosecondsNow() {
    return ConsoleClock::now().time_since_epoch().count();
}

// A terminal that is not the controlling one has no foreground to keep to.
bool inForeground(int terminal) {
    const pid_t owner = tcgetpgrp(terminal);
    return owner < 0 || owner == getpgrp();
}

termios settingsFor(Stage wanted) {
    termios settings = foundSettings;
    settings.c_iflag |= ICRNL;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNCR);
    if (wanted != lineStage) {
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    }
    if (wanted == keyStage) {
        settings.c_lflag &= ~static_cast<tcflag_t>(ICANON);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
    }
    return settings;
}

// Gives the terminal the current stage's settings, in the foreground. TCSAFLUSH throws away the
// keys typed ahead as well.
void applyStage(int when) {
    if (!inputIsTerminal || !inForeground(STDIN_FILENO)) {
        return;
    }
    if (terminalChanged == 0) {
        if (tcgetattr(STDIN_FILENO, &foundSettings) != 0) {
            return;
        }
        terminalChanged = 1;
    }
    const termios settings = settingsFor(static_cast<Stage>(stage));
    tcsetattr(STDIN_FILENO, when, &settings);
}

void enterStage(Stage next, int when) {
    stage = next;
    applyStage(when);
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
    // After Ctrl-C the shell starts a line of its own.
    if (signal != SIGINT) {
        endLine();
    }
    raiseByDefault(signal);
}

extern "C" void stopBySignal(int signal) {
    const int savedErrno = errno;
    runningAtNanoseconds = nanosecondsNow();
    restoreTerminal();
    raiseByDefault(signal);
    // Continued (resumeAfterStop has run), or the stop was discarded.
    handle(signal, stopBySignal);
    applyStage(TCSANOW);
    errno = savedErrno;
}

extern "C" void resumeAfterStop(int /*signal*/) {
    const int savedErrno = errno;
    const std::int64_t now = nanosecondsNow();
    stoppedNanoseconds += now - runningAtNanoseconds.exchange(now);
    applyStage(TCSAFLUSH);
    if (inForeground(STDOUT_FILENO)) {
        showLineAgain();
    }
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

} // namespace

// Async-signal-safe and idempotent. Keys typed while they were hidden are for nobody: they go.
void restoreTerminal() {
    if (terminalChanged == 0) {
        return;
    }
    const sigset_t before = holdSignals({SIGTTOU});
    tcsetattr(STDIN_FILENO, stage == lineStage ? TCSANOW : TCSAFLUSH, &foundSettings);
    terminalChanged = 0;
    releaseSignals(before);
}

void watchTerminal() {
    inputIsTerminal = isatty(STDIN_FILENO) != 0;
    noteRunning();
    for (const int signal : endSignals) {
        handleUnlessIgnored(signal, endBySignal);
    }
    handleUnlessIgnored(SIGTSTP, stopBySignal);
    handleUnlessIgnored(SIGCONT, resumeAfterStop);
    applyStage(TCSANOW);
}

void dropHiddenKeys() {
    enterStage(lineStage, TCSAFLUSH);
}

std::chrono::nanoseconds timeStopped() {
    return std::chrono::nanoseconds{stoppedNanoseconds.load()};
}

void noteRunning() {
    runningAtNanoseconds = nanosecondsNow();
}

void consoleHideKeys() {
    enterStage(quietStage, TCSANOW);
}

// The prompt comes once the terminal is ready, so a key pressed after it appears is never taken
// for one typed before; the keys typed before are thrown away. From the background the read
// stops the program until fg, which brings the pause's settings.
void consolePause() {
    if (inputIsTerminal) {
        enterStage(keyStage, TCSAFLUSH);
    }
    consoleWrite("Press any key to continue . . . ");
    if (inputIsTerminal) {
        takeOneKey();
        enterStage(lineStage, TCSAFLUSH);
    }
    consoleWrite("\n");
}
