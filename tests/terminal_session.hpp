#pragma once

// Runs the built program on a pseudo-terminal, as a person at a terminal would, and records
// when each byte of its output arrived; or with whatever standard streams a test gives it.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>
#include <termios.h>

using SessionClock = std::chrono::steady_clock;

// Set by name: SessionOptions options; options.workingDirectory = "/";
struct SessionOptions {
    std::vector<const char *> arguments; // empty: the program alone
    std::string workingDirectory; // empty: the source tree, where the image is
    std::vector<std::string> setEnvironment; // NAME=value; TERM is xterm unless set or unset
    std::vector<std::string> unsetEnvironment;
    std::vector<int> ignoredSignals; // ignored from the start, as a shell's nohup does
    std::vector<int> blockedSignals; // blocked from the start
};

// Starts the program as the options say in a child process, once connect has given the child its
// standard streams; returns the child's pid.
pid_t startProgram(const SessionOptions &options, const std::function<void()> &connect);

struct Session {
    int terminal = -1; // the master side, or the read end of a pipe
    pid_t pid = -1;
    termios initialSettings{};
    std::string output; // with the terminal's \r\n line ends
    std::vector<SessionClock::time_point> arrivals; // one per byte of output
    bool ended = false;
    long peakKilobytes = 0; // the program's peak resident memory, once it has ended
};

Session startSession(const SessionOptions &options = {});

// Reads output until it holds wanted after position from; false when the time runs out first
// or the output ends.
bool awaitOutput(Session &session, std::string_view wanted,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds{10000},
                 std::size_t from = 0);

// The text the screen shows, for consoles that draw with escape sequences of their own (Wine's
// wraps every character in some, and moves the cursor for a blank): the sequences dropped, a
// cursor move to the right as a blank.
std::string shownText(std::string_view output);

// awaitOutput for the shown text.
bool awaitShown(Session &session, std::string_view wanted,
                std::chrono::milliseconds timeout = std::chrono::milliseconds{10000},
                std::size_t from = 0);

// True when nothing at all arrives for that long and the program is still running.
bool staysQuiet(Session &session, std::chrono::milliseconds length);

void type(Session &session, std::string_view keys);

// Sends the signal to the thread of the process that has its id: the system keeps it apart from
// the same signal sent to the process (Linux; elsewhere it is sent to the process).
void signalThread(pid_t process, int signal);

// Reads the rest of the output and returns the raw wait status; kills the program and returns -1
// when it does not end in time.
int awaitEnd(Session &session, std::chrono::milliseconds timeout = std::chrono::milliseconds{5000});

// Waits until the terminal hands over each key as it is typed, as Wine's console sets it only
// once the program first reads: keys typed before that are lost.
bool awaitKeyAtATime(const Session &session,
                     std::chrono::milliseconds timeout = std::chrono::milliseconds{10000});

// Whether the terminal settings are the ones the session started with.
bool terminalRestored(const Session &session);

// The program's exit status, or -1 when a signal ended it.
int exitStatus(int waitStatus);

bool endsWith(std::string_view text, std::string_view ending);

// When each of the 42 marks of the banner line that starts at from arrived.
std::vector<SessionClock::time_point> bannerMarkArrivals(const Session &session,
                                                         std::size_t from = 0);

// The text as the terminal shows it: every \n becomes \r\n.
std::string onTerminal(std::string_view written);

// The start-up screen up to and with the choice prompt.
std::string startScreen();
