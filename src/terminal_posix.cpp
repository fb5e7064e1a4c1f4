// The terminal's settings on POSIX: the ones the program found, and each stage's, made from them.
//
// The settings change only where the program's process group is the foreground process group of
// its controlling terminal: from a background process group, or on a terminal that is not its
// controlling terminal (under setsid), the terminal is another's. Every way out from the
// foreground process group gives back the settings found: the normal end, an error, the signals
// that end or stop the program. They change with TCSANOW, which takes effect at once: TCSADRAIN and
// TCSAFLUSH first wait until the output is sent, which on a serial line held by Ctrl-S may be never
// (a pseudo-terminal sends at once), and TCSAFLUSH would throw away the keys typed ahead where the
// program keeps them. Were the program moved to the background between the look and the change,
// the system stops it with SIGTTOU until it is in the foreground again.

#include "terminal_posix.hpp"

#include <termios.h>
#include <unistd.h>

namespace {

bool inputIsTerminal = false;
termios foundSettings{};
bool settingsChanged = false; // the terminal has the stage's settings, made from foundSettings
bool letGo = false; // for good: nothing takes the terminal again
TerminalStage stage = TerminalStage::line;

// A change that fails leaves the terminal as it was, which the next change or the giving back
// mends; a keystroke that could not be thrown away is read as typed.
void setSettings(const termios &settings, TypedAhead typedAhead) {
    (void)tcsetattr(STDIN_FILENO, TCSANOW, &settings);
    if (typedAhead == TypedAhead::thrownAway) {
        (void)tcflush(STDIN_FILENO, TCIFLUSH);
    }
}

termios settingsFor(TerminalStage wanted) {
    termios settings = foundSettings;
    settings.c_iflag |= ICRNL;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNCR);
    if (wanted != TerminalStage::line) {
        settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    }
    if (wanted == TerminalStage::key) {
        settings.c_lflag &= ~static_cast<tcflag_t>(ICANON);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
    }
    return settings;
}

// The settings found are read afresh whenever the terminal has them, so also after a stop.
void applyStage(TypedAhead typedAhead) {
    if (letGo || !inputIsTerminal || !terminalInForeground(STDIN_FILENO)) {
        return;
    }
    if (!settingsChanged && tcgetattr(STDIN_FILENO, &foundSettings) != 0) {
        return;
    }
    settingsChanged = true;
    setSettings(settingsFor(stage), typedAhead);
}

} // namespace

void terminalBegin() {
    inputIsTerminal = isatty(STDIN_FILENO) != 0;
    applyStage(TypedAhead::kept);
}

bool terminalTakesKeys() {
    return inputIsTerminal;
}

bool terminalInForeground(int fd) {
    return tcgetpgrp(fd) == getpgrp();
}

bool terminalInBackground(int fd) {
    const pid_t owner = tcgetpgrp(fd);
    return owner >= 0 && owner != getpgrp();
}

void terminalEnter(TerminalStage next, TypedAhead typedAhead) {
    stage = next;
    applyStage(typedAhead);
}

void terminalGiveBack() {
    if (settingsChanged && terminalInForeground(STDIN_FILENO)) {
        setSettings(foundSettings,
                    stage == TerminalStage::line ? TypedAhead::kept : TypedAhead::thrownAway);
    }
    settingsChanged = false;
}

void terminalLetGo() {
    terminalGiveBack();
    letGo = true;
}

void terminalTakeUp(TypedAhead typedAhead) {
    applyStage(typedAhead);
}
