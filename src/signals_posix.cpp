// The signals on POSIX. A signal changes nothing but this file's flags: the signal-catching
// function records that its signal came, in a volatile sig_atomic_t flag, and calls nothing, so
// that it is async-signal-safe wherever it comes. Everything else is done in the program's own
// flow:
// - The caught signals are blocked for the whole run, except inside pselect, which unblocks
//   them atomically as it starts to wait (waits_posix.cpp): none is lost between a look at the
//   flags and the wait. The signal-catching function runs with every signal blocked, so each
//   pselect lets one pending signal in; after each wait every pending one is let in and noted,
//   before the program acts on the wait's result.
// - An ending signal gives the terminal back, ends the line, and is raised again with its
//   default action.
// - A stop gives the settings back and stops the program by the signal's default action; once
//   it is continued, the stage is taken up again and the writer owes the screen the line the
//   cursor was on, which the waiting code has it show. The system discards the stop where the
//   process group is orphaned, and the program goes on as it was.
//
// The time of a stop the program makes is taken off the console's clock. A stop it cannot see
// (SIGSTOP) leaves a continue alone behind, which cannot be told from a continue with no stop
// before it: the wait it comes in keeps what is left of its length, and when that has passed
// meanwhile, the wait ends at once and its overrun is taken off the clock, so that the waits
// after it keep their pace.

#include "signals_posix.hpp"

#include "clock_posix.hpp"
#include "console.hpp"
#include "terminal_posix.hpp"
#include "writer_posix.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <ctime>

#include <sys/select.h>
#include <unistd.h>

namespace {

// The signals that a program may catch whose default action ends it, but the program errors
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT), which its own faults raise; SIGPIPE
// among them for a prompt written to a pipe whose reader has gone. Then stop and continue.
constexpr std::array caughtSignals{SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,   SIGALRM,
                                   SIGUSR1, SIGUSR2, SIGPROF, SIGXCPU, SIGVTALRM, SIGXFSZ,
#ifdef __linux__
                                   SIGPOLL, SIGPWR,
#endif
                                   SIGTSTP, SIGCONT};

volatile sig_atomic_t endingSignal = 0;
volatile sig_atomic_t stopAsked = 0;
volatile sig_atomic_t continueCame = 0;
volatile sig_atomic_t childEnded = 0;

sigset_t caught;
sigset_t foundMask;
sigset_t waitingMask;
struct sigaction foundChildAction {};

extern "C" void noteSignal(int signal) {
    if (signal == SIGTSTP) {
        stopAsked = 1;
    } else if (signal == SIGCONT) {
        continueCame = 1;
    } else if (signal == SIGCHLD) {
        childEnded = 1;
    } else {
        endingSignal = signal;
    }
}

// Each caught signal, the real-time ones too where the system has them.
template <typename Each> void forEachCaught(Each each) {
    for (const int signal : caughtSignals) {
        each(signal);
    }
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        each(signal);
    }
#endif
}

bool isIgnored(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

// 0, or -1 where the signal cannot be caught; the action it had goes to before, if asked.
int setAction(int signal, void (*handler)(int), struct sigaction *before = nullptr) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    action.sa_flags = SA_NOCLDSTOP; // SIGCHLD for the end of a child process alone
    return sigaction(signal, &action, before);
}

// Lets the pending signals in, one per pselect, until none is left.
void notePending() {
    const timespec none{};
    while (pselect(0, nullptr, nullptr, nullptr, &none, &waitingMask) < 0 && errno == EINTR) {
    }
}

[[noreturn]] void endBy(int signal) {
    signalsEnd();
    // After Ctrl-C the shell starts a line of its own; a newline that fails is no matter now.
    if (signal != SIGINT) {
        (void)writerEndLine();
    }
    (void)raise(signal); // raise fails only for an invalid signal
    _exit(128 + signal);
}

} // namespace

void signalsBegin() {
    sigemptyset(&caught);
    forEachCaught([](int signal) {
        if (!isIgnored(signal) && setAction(signal, noteSignal) == 0) {
            sigaddset(&caught, signal);
        }
    });
    (void)setAction(SIGCHLD, noteSignal, &foundChildAction); // SIGCHLD can always be caught
    sigaddset(&caught, SIGCHLD);
    (void)sigprocmask(SIG_BLOCK, &caught, &foundMask); // only an invalid argument could fail it
    waitingMask = foundMask;
    sigdelset(&waitingMask, SIGCHLD);
}

bool signalsPending() {
    notePending();
    return endingSignal != 0 || stopAsked != 0 || continueCame != 0;
}

// An ending signal comes before a stop, as with their default actions, and ends the program
// also when it came while the program was stopped.
Answer signalsAnswer(const ConsoleClock::time_point *deadline) {
    if (!signalsPending()) {
        return Answer::carriedOn;
    }
    const bool stoppedAndContinued = endingSignal == 0 && stopAsked != 0 && signalsStopBy(SIGTSTP);
    if (endingSignal != 0) {
        endBy(endingSignal);
    }
    if (continueCame != 0) {
        continueCame = 0;
        terminalTakeUp(TypedAhead::kept);
        const auto now = consoleNow();
        if (deadline != nullptr && now > *deadline) {
            clockTakeOff(now - *deadline);
        }
    }
    return stoppedAndContinued ? Answer::continuedAfterAStop : Answer::carriedOn;
}

// SIGTSTP is blocked, so raise leaves it pending until notePending lets it in; SIGTTIN and
// SIGTTOU, never caught, stop the program at once. Either way the continue is noted after it,
// with every other signal that came meanwhile.
bool signalsStopBy(int signal) {
    struct sigaction before {};
    if (isIgnored(signal) || setAction(signal, SIG_DFL, &before) != 0) {
        return false;
    }
    stopAsked = 0; // one stop answers every Ctrl-Z before it, as the default action would
    const auto stoppedAt = ConsoleClock::now();
    terminalGiveBack();
    continueCame = 0;
    (void)raise(signal); // raise fails only for an invalid signal
    notePending();
    (void)sigaction(signal, &before, nullptr); // the action it had a moment ago
    const bool continued = continueCame != 0;
    continueCame = 0;
    // The keys typed while the program was stopped were for the shell.
    terminalTakeUp(continued ? TypedAhead::thrownAway : TypedAhead::kept);
    if (continued) {
        clockTakeOff(ConsoleClock::now() - stoppedAt);
        writerOweLine();
    }
    return continued;
}

bool signalsChildEnded() {
    const bool ended = childEnded != 0;
    childEnded = 0;
    return ended;
}

const sigset_t &signalsFoundMask() {
    return foundMask;
}

const sigset_t &signalsWaitingMask() {
    return waitingMask;
}

// The mask goes back to what it was, which the system took before; SIGCHLD's action too, which
// was caught whatever it was.
void signalsEnd() {
    terminalLetGo();
    forEachCaught([](int signal) {
        if (sigismember(&caught, signal) == 1) {
            (void)setAction(signal, SIG_DFL);
        }
    });
    (void)sigaction(SIGCHLD, &foundChildAction, nullptr);
    (void)sigprocmask(SIG_SETMASK, &foundMask, nullptr);
}
