// The console's clock on POSIX: the system's monotonic clock, which no change of the date moves.

#include "console.hpp"

#include <ctime>

ConsoleClock::time_point ConsoleClock::now() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return time_point{std::chrono::seconds{now.tv_sec} + std::chrono::nanoseconds{now.tv_nsec}};
}
