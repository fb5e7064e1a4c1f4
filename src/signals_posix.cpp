// The signals that end, stop and continue the program on POSIX, and the waits where it answers
// them. A signal changes nothing but this file's flags; everything else is done in the
// program's own flow.
//
// What runs where:
// - The signal-catching function only records that its signal came, in a volatile
//   sig_atomic_t flag: it calls nothing, so that it is async-signal-safe wherever it comes.
// - The caught signals are blocked for the whole run, except inside pselect, which unblocks them
//   atomically as it starts to wait: none is lost between a look at the flags and the wait.
//   The program waits nowhere else. It reads standard input and writes its output only once
//   pselect says that this will not block, and on a terminal it writes through a descriptor that
//   never blocks, so that a terminal holding its output (Ctrl-S) keeps it in pselect.
// - After every wait, in the program's own flow, the signals that came are answered: an ending
//   signal gives the terminal back, ends the line, and is raised again with its default action;
//   a stop gives the settings back and stops the program by SIGTSTP's default action; once it is
//   continued, the stage is taken up again and the line owed to the screen.
//
// In the background the program neither writes to the terminal nor reads from it: it stops
// itself first (SIGTTOU, SIGTTIN) until fg. Where no shell can continue it (its process group is
// orphaned) the system discards those stops, and Ctrl-Z, and the program goes on as it was.
//
// The time of a stop the program sees (Ctrl-Z, or its own in the background) is taken off the
// console's clock. A stop it cannot see (SIGSTOP) leaves a continue alone behind, which cannot
// be told from a continue with no stop before it: the wait it comes in keeps what is left of its
// length, and when that has passed meanwhile, the wait ends at once and its overrun is taken off
// the clock, so that the waits after it keep their pace.

#include "signals_posix.hpp"

#include "console.hpp"
#include "terminal_posix.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>

#include <sys/select.h>
#include <unistd.h>

namespace {

// The signals that end the program, SIGPIPE among them for a prompt written to a pipe whose
// reader has gone; then stop and continue.
constexpr std::array caughtSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGTSTP, SIGCONT};

volatile sig_atomic_t endingSignal = 0;
volatile sig_atomic_t stopAsked = 0;
volatile sig_atomic_t continueCame = 0;

sigset_t waitingMask; // the one the program started with
ConsoleClock::rep stopped = 0; // the time spent stopped, all stops together

extern "C" void noteSignal(int signal) {
    if (signal == SIGTSTP) {
        stopAsked = 1;
    } else if (signal == SIGCONT) {
        continueCame = 1;
    } else {
        endingSignal = signal;
    }
}

bool isIgnored(int signal) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    return current.sa_handler == SIG_IGN;
}

void setAction(int signal, void (*action)(int)) {
    struct sigaction wanted {};
    wanted.sa_handler = action;
    sigfillset(&wanted.sa_mask);
    sigaction(signal, &wanted, nullptr);
}

// Lets the signals pending now come in and be noted.
void notePending() {
    const timespec none{};
    pselect(0, nullptr, nullptr, nullptr, &none, &waitingMask);
}

// Stops the program by the signal's default action, with the settings given back. True once it
// is continued, or when an ending signal came first, to be answered instead; false when the
// signal is ignored or the system discarded the stop.
bool stopBy(int signal) {
    notePending();
    if (endingSignal != 0 || isIgnored(signal)) {
        return endingSignal != 0;
    }
    const auto stoppedAt = consoleNow();
    terminalGiveBack();
    setAction(signal, SIG_DFL);
    continueCame = 0;
    raise(signal);
    notePending(); // stopped as the signal comes in; then the continue, and what else came
    // SIGTTIN and SIGTTOU are never caught: their default action is the one the program keeps.
    if (signal == SIGTSTP) {
        setAction(SIGTSTP, noteSignal);
    }
    const bool continued = continueCame != 0;
    continueCame = 0;
    stopped += continued ? (consoleNow() - stoppedAt).count() : 0;
    terminalTakeUp(continued);
    return continued;
}

[[noreturn]] void endBy(int signal) {
    signalsEnd();
    // After Ctrl-C the shell starts a line of its own.
    if (signal != SIGINT) {
        terminalEndLine();
    }
    raise(signal);
    _exit(128 + signal);
}

// An ending signal comes first, also one that came while the program was stopped.
void answerSignals(const ConsoleClock::time_point *deadline) {
    if (endingSignal == 0 && stopAsked != 0) {
        stopAsked = 0;
        stopBy(SIGTSTP);
    }
    if (endingSignal != 0) {
        endBy(endingSignal);
    }
    if (continueCame != 0) {
        continueCame = 0;
        terminalTakeUp(false);
        if (deadline != nullptr && consoleNow() > *deadline) {
            stopped += (consoleNow() - *deadline).count();
        }
    }
}

// Waits in pselect, with the caught signals let in, for target (-1: nothing) to be ready to read
// or write: the count of pselect, so 0 once the deadline has passed with nothing ready.
int waitOnce(int target, bool reading, const ConsoleClock::time_point *deadline) {
    timespec left{};
    if (deadline != nullptr) {
        const auto now = consoleNow();
        const auto rest = now < *deadline ? *deadline - now : ConsoleClock::duration{};
        left.tv_sec = static_cast<std::time_t>(rest.count() / 1000000000);
        left.tv_nsec = static_cast<long>(rest.count() % 1000000000);
    }
    fd_set ready;
    FD_ZERO(&ready);
    if (target >= 0) {
        FD_SET(target, &ready);
    }
    return pselect(target + 1, reading ? &ready : nullptr, reading ? nullptr : &ready, nullptr,
                   deadline != nullptr ? &left : nullptr, &waitingMask);
}

} // namespace

ConsoleClock::time_point consoleNow() {
    return ConsoleClock::now() - ConsoleClock::duration{stopped};
}

void signalsBegin() {
    sigset_t caught;
    sigemptyset(&caught);
    for (const int signal : caughtSignals) {
        if (!isIgnored(signal)) {
            setAction(signal, noteSignal);
            sigaddset(&caught, signal);
        }
    }
    sigprocmask(SIG_BLOCK, &caught, &waitingMask);
}

// The line owed after a stop goes first. True also when pselect fails: the read or write tells
// why.
bool signalsAwait(int fd, bool forReading, const ConsoleClock::time_point *deadline) {
    for (;;) {
        answerSignals(deadline);
        const bool owing = terminalOwesLine();
        const int target = owing ? terminalOutput() : fd;
        const bool reading = forReading && !owing;
        if (target >= 0 && terminalInBackground(reading ? STDIN_FILENO : STDOUT_FILENO) &&
            stopBy(reading ? SIGTTIN : SIGTTOU)) {
            continue;
        }
        const int count = waitOnce(target, reading, deadline);
        if (count == 0) {
            return false;
        }
        if (count > 0 || errno != EINTR) {
            if (!owing) {
                return true;
            }
            terminalWriteOwedLine();
        }
    }
}

void signalsEnd() {
    terminalGiveBack();
    for (const int signal : caughtSignals) {
        if (!isIgnored(signal)) {
            setAction(signal, SIG_DFL);
        }
    }
    sigprocmask(SIG_SETMASK, &waitingMask, nullptr);
}
