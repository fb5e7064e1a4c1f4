#pragma once

// The console's clock on POSIX (consoleNow) counts no time the program spent stopped.

#include "console.hpp"

// Takes time off the console's clock: a stop's, or a wait's overrun after a stop unseen.
void clockTakeOff(ConsoleClock::duration length);
