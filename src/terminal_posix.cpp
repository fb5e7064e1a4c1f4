// The terminal on POSIX: its settings at each stage of the dialogue, and the line the cursor is
// on, which comes back after a stop.
//
// The settings change only where the program is in the foreground: from the background, or on
// a terminal that is not its controlling terminal (under setsid), the terminal is another's.
// Every way out gives back the settings found: the normal end, an error, the signals that end
// or stop the program. Changing them never waits for the output to be sent (TCSANOW, not
// TCSAFLUSH, which a terminal holding its output with Ctrl-S would keep waiting), and never
// stops the program (SIGTTOU is blocked meanwhile).

#include "terminal_posix.hpp"

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool inputIsTerminal = false;
bool outputIsTerminal = false;
int output = STDOUT_FILENO;
termios foundSettings{};
bool settingsChanged = false; // the terminal has the stage's settings, made from foundSettings
TerminalStage stage = TerminalStage::line;
std::array<char, 128> line{}; // the line the cursor is on, as far as the program wrote it
std::size_t lineLength = 0;
std::size_t owed = 0; // bytes still to be shown of a newline and the line

bool inForeground(int fd) {
    return tcgetpgrp(fd) == getpgrp();
}

void setSettings(const termios &settings, bool dropTypedAhead) {
    sigset_t ttou;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    sigset_t before;
    sigprocmask(SIG_BLOCK, &ttou, &before);
    tcsetattr(STDIN_FILENO, TCSANOW, &settings);
    if (dropTypedAhead) {
        tcflush(STDIN_FILENO, TCIFLUSH);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
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
    if (!inputIsTerminal || !inForeground(STDIN_FILENO)) {
        return;
    }
    if (!settingsChanged && tcgetattr(STDIN_FILENO, &foundSettings) != 0) {
        return;
    }
    settingsChanged = true;
    setSettings(settingsFor(stage), dropTypedAhead);
}

} // namespace

void terminalBegin() {
    inputIsTerminal = isatty(STDIN_FILENO) != 0;
    outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    const char *name = outputIsTerminal ? ttyname(STDOUT_FILENO) : nullptr;
    const int own = name != nullptr ? open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) : -1;
    if (own >= 0 && own < FD_SETSIZE) {
        output = own;
    }
    applyStage(false);
}

bool terminalTakesKeys() {
    return inputIsTerminal;
}

int terminalOutput() {
    return output;
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
    if (settingsChanged) {
        setSettings(foundSettings, stage != TerminalStage::line);
        settingsChanged = false;
    }
}

// The keys typed while the program was stopped were for the shell; the line comes back only
// on a terminal in the foreground.
void terminalTakeUp(bool afterStop) {
    applyStage(afterStop);
    if (afterStop && outputIsTerminal && lineLength > 0 && inForeground(STDOUT_FILENO)) {
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

int terminalEndLine() {
    if (!outputIsTerminal || lineLength == 0 || terminalInBackground(STDOUT_FILENO)) {
        return 0;
    }
    lineLength = 0;
    ssize_t written = 0;
    do {
        written = write(STDOUT_FILENO, "\n", 1);
    } while (written < 0 && errno == EINTR);
    return written < 0 ? errno : 0;
}
