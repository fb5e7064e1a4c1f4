// The console's clock on POSIX: the system's monotonic clock, which no change of the date moves,
// less the time the program spent stopped.

#include "clock_posix.hpp"

#include <ctime>

namespace {

ConsoleClock::duration stopped{}; // all stops together

} // namespace

ConsoleClock::time_point ConsoleClock::now() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return time_point{std::chrono::seconds{now.tv_sec} + std::chrono::nanoseconds{now.tv_nsec}};
}

ConsoleClock::time_point consoleNow() {
    return ConsoleClock::now() - stopped;
}

void clockTakeOff(ConsoleClock::duration length) {
    stopped += length;
}
