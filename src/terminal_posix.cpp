// The terminal on POSIX: the descriptors the program writes through, its settings at each stage
// of the dialogue, and the line the cursor is on, which comes back after a stop.
//
// The output goes through a descriptor of the program's own for its controlling terminal, opened
// with O_NONBLOCK, so that a terminal holding its output (Ctrl-S) can never keep a write waiting
// outside the waits where signals are answered, even when it is held between the wait and the
// write. Standard output itself is shared with the shell, which must not find it non-blocking.
// Elsewhere (a terminal that is not the controlling terminal, a descriptor past FD_SETSIZE) the
// program writes to standard output once a wait has found that it can.
//
// The settings change only where the program's process group is the foreground process group of
// its controlling terminal: from a background process group, or on a terminal that is not its
// controlling terminal (under setsid), the terminal is another's. Every way out from the
// foreground process group gives back the settings found: the normal end, an error, the signals
// that end or stop the program. They change with TCSANOW, which takes effect at once: TCSADRAIN and
// TCSAFLUSH first wait until the output is sent, which on a serial line held by Ctrl-S may be never
// (a pseudo-terminal sends at once), and TCSAFLUSH would throw away the keys typed ahead where the
// program keeps them.

#include "terminal_posix.hpp"

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool inputIsTerminal = false;
bool outputIsTerminal = false;
int output = STDOUT_FILENO;
int errors = STDERR_FILENO;
termios foundSettings{};
bool settingsChanged = false; // the terminal has the stage's settings, made from foundSettings
bool letGo = false; // for good: nothing takes the terminal again
TerminalStage stage = TerminalStage::line;
std::array<char, 128> line{}; // the line the cursor is on, as far as the program wrote it
std::size_t lineLength = 0;
std::size_t owed = 0; // bytes still to be shown of a newline and the line

bool inForeground(int fd) {
    return tcgetpgrp(fd) == getpgrp();
}

// A descriptor of the program's own for fd, where fd is the controlling terminal: /dev/tty,
// which names that terminal and which any user may open (the terminal's own name may be another
// user's, after su). Else otherwise.
int openOwn(int fd, int otherwise) {
    if (isatty(fd) == 0 || tcgetsid(fd) != getsid(0)) {
        return otherwise;
    }
    const int own = open("/dev/tty", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (own >= FD_SETSIZE) {
        (void)close(own); // never written to
    }
    return own >= 0 && own < FD_SETSIZE ? own : otherwise;
}

// A change that fails leaves the terminal as it was, which the next change or the giving back
// mends; a keystroke that could not be thrown away is read as typed.
void setSettings(const termios &settings, bool dropTypedAhead) {
    (void)tcsetattr(STDIN_FILENO, TCSANOW, &settings);
    if (dropTypedAhead) {
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

// The settings found are read afresh whenever the terminal has them, so also after a stop: the
// shell or the user may have changed them meanwhile.
void applyStage(bool dropTypedAhead) {
    if (letGo || !inputIsTerminal || !inForeground(STDIN_FILENO)) {
        return;
    }
    if (!settingsChanged && tcgetattr(STDIN_FILENO, &foundSettings) != 0) {
        return;
    }
    settingsChanged = true;
    setSettings(settingsFor(stage), dropTypedAhead);
}

bool writableNow(int fd) {
    pollfd target{fd, POLLOUT, 0};
    return poll(&target, 1, 0) == 1 && (target.revents & POLLOUT) != 0;
}

} // namespace

void terminalBegin() {
    inputIsTerminal = isatty(STDIN_FILENO) != 0;
    outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    output = openOwn(STDOUT_FILENO, STDOUT_FILENO);
    errors = openOwn(STDERR_FILENO, STDERR_FILENO);
    applyStage(false);
}

bool terminalTakesKeys() {
    return inputIsTerminal;
}

int terminalOutput() {
    return output;
}

int terminalErrors() {
    return errors;
}

bool terminalInBackground(int fd) {
    const pid_t owner = tcgetpgrp(fd);
    return owner >= 0 && owner != getpgrp();
}

void terminalEnter(TerminalStage next, bool dropTypedAhead) {
    stage = next;
    applyStage(dropTypedAhead);
}

void terminalGiveBack() {
    if (settingsChanged && inForeground(STDIN_FILENO)) {
        setSettings(foundSettings, stage != TerminalStage::line);
    }
    settingsChanged = false;
}

void terminalLetGo() {
    terminalGiveBack();
    letGo = true;
}

// The keys typed while the program was stopped were for the shell; the line comes back only
// where the program's process group is the foreground process group.
void terminalTakeUp(bool afterStop) {
    applyStage(afterStop);
    if (afterStop && outputIsTerminal && lineLength > 0 && inForeground(output)) {
        owed = lineLength + 1;
    }
}

bool terminalOwesLine() {
    return owed > 0;
}

// A terminal that fails the line is left to fail the next output, which reports it.
void terminalWriteOwedLine() {
    const std::size_t from = lineLength + 1 - owed;
    const ssize_t written =
        from == 0 ? write(output, "\n", 1) : write(output, line.data() + from - 1, owed);
    if (written > 0) {
        owed -= static_cast<std::size_t>(written);
    } else if (errno != EAGAIN && errno != EINTR) {
        owed = 0;
    }
}

void terminalWritten(std::string_view text, bool clearedTheScreen) {
    const std::size_t lineEnd = text.rfind('\n');
    if (clearedTheScreen || lineEnd != std::string_view::npos) {
        lineLength = 0;
        text.remove_prefix(clearedTheScreen ? text.size() : lineEnd + 1);
    }
    lineLength += text.copy(line.data() + lineLength, line.size() - lineLength);
}

// The program's own descriptor answers EAGAIN at once; standard output is asked first.
int terminalEndLine() {
    if (!outputIsTerminal || lineLength == 0 || terminalInBackground(output)) {
        return 0;
    }
    lineLength = 0;
    if (output == STDOUT_FILENO && !writableNow(output)) {
        return 0;
    }
    const ssize_t written = write(output, "\n", 1);
    return written < 0 && errno != EAGAIN ? errno : 0;
}
