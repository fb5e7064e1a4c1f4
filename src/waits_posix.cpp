// The waits on POSIX, in pselect: the caught signals are let in only there, and every one that
// came is noted and answered before the program acts on what it waited for, so that no byte is
// written or read once an ending signal has come.
//
// From a background process group the program neither writes to its terminal nor reads from it:
// it stops itself first (SIGTTOU, SIGTTIN) until its process group is the foreground process
// group again, as `stty tostop` would have it for writes.

#include "waits_posix.hpp"

#include "console.hpp"
#include "signals_posix.hpp"
#include "terminal_posix.hpp"

#include <cerrno>
#include <ctime>

#include <sys/select.h>

namespace {

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
                   deadline != nullptr ? &left : nullptr, &signalsWaitingMask());
}

} // namespace

// The line owed after a stop goes first.
bool waitFor(int fd, bool forReading, const ConsoleClock::time_point *deadline) {
    for (;;) {
        signalsAnswer(deadline);
        const bool owing = terminalOwesLine();
        const int target = owing ? terminalOutput() : fd;
        const bool reading = forReading && !owing;
        if (target >= 0 && terminalInBackground(target) &&
            signalsStopBy(reading ? SIGTTIN : SIGTTOU)) {
            continue;
        }
        if (target < 0 && signalsChildEnded()) {
            return true;
        }
        const int count = waitOnce(target, reading, deadline);
        const bool interrupted = count < 0 && errno == EINTR;
        if (interrupted || signalsPending()) {
            continue;
        }
        if (count == 0) {
            return false;
        }
        if (!owing) {
            return true;
        }
        terminalWriteOwedLine();
    }
}
