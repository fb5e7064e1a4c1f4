// The waits on POSIX, in pselect: the caught signals are let in only there, and every one that
// came, also while pselect found the descriptor ready, is noted and answered before the wait
// returns.
//
// From a background process group the program neither writes to its terminal nor reads from it:
// it stops itself first (a self-stop by SIGTTOU, SIGTTIN) until its process group is the
// foreground process group again, as `stty tostop` would have it for writes.

#include "waits_posix.hpp"

#include "console.hpp"
#include "signals_posix.hpp"
#include "terminal_posix.hpp"

#include <cerrno>
#include <csignal>
#include <ctime>

#include <sys/select.h>

namespace {

enum class Direction { none, reading, writing };
constexpr const ConsoleClock::time_point *untilReady = nullptr; // no deadline

// Waits in pselect, with the caught signals let in, for fd to be ready in that direction (none:
// for nothing), until the deadline if there is one: the count of pselect, so 0 once the deadline
// has passed with nothing ready.
int waitOnce(int fd, Direction direction, const ConsoleClock::time_point *deadline) {
    timespec left{};
    if (deadline != nullptr) {
        const auto now = consoleNow();
        const auto rest = now < *deadline ? *deadline - now : ConsoleClock::duration{};
        left.tv_sec = static_cast<std::time_t>(rest.count() / 1000000000);
        left.tv_nsec = static_cast<long>(rest.count() % 1000000000);
    }
    fd_set ready;
    FD_ZERO(&ready);
    if (direction != Direction::none) {
        FD_SET(fd, &ready);
    }
    const int count = direction != Direction::none ? fd + 1 : 0;
    return pselect(count, direction == Direction::reading ? &ready : nullptr,
                   direction == Direction::writing ? &ready : nullptr, nullptr,
                   deadline != nullptr ? &left : nullptr, &signalsWaitingMask());
}

Waited waitAndAnswer(int fd, Direction direction, const ConsoleClock::time_point *deadline) {
    for (;;) {
        if (signalsAnswer(deadline) == Answer::continuedAfterAStop) {
            return Waited::continued;
        }
        if (direction != Direction::none && terminalInBackground(fd) &&
            signalsStopBy(direction == Direction::reading ? SIGTTIN : SIGTTOU)) {
            (void)signalsAnswer(deadline); // what came while the program was stopped
            return Waited::continued;
        }
        if (direction == Direction::none && signalsChildEnded()) {
            return Waited::ready;
        }
        const int count = waitOnce(fd, direction, deadline);
        const bool interrupted = count < 0 && errno == EINTR;
        if (interrupted || signalsPending()) {
            continue;
        }
        return count == 0 ? Waited::timeUp : Waited::ready;
    }
}

} // namespace

Waited waitToRead(int fd) {
    return waitAndAnswer(fd, Direction::reading, untilReady);
}

Waited waitToReadUntil(int fd, ConsoleClock::time_point deadline) {
    return waitAndAnswer(fd, Direction::reading, &deadline);
}

Waited waitToWrite(int fd) {
    return waitAndAnswer(fd, Direction::writing, untilReady);
}

Waited waitUntil(ConsoleClock::time_point deadline) {
    return waitAndAnswer(-1, Direction::none, &deadline);
}
