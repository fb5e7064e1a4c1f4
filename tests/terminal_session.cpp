#include "terminal_session.hpp"

#include "texts.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#if __has_include(<pty.h>)
#include <pty.h>
#include <utmp.h>
#else
#include <util.h>
#endif

pid_t startProgram(const SessionOptions &options, const std::function<void()> &connect) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    connect();
    const std::string directory =
        options.workingDirectory.empty() ? SOURCE_DIR : options.workingDirectory;
    if (chdir(directory.c_str()) != 0) {
        _exit(126);
    }
    std::signal(SIGPIPE, SIG_DFL);
    for (const int signal : options.ignoredSignals) {
        std::signal(signal, SIG_IGN);
    }
    sigset_t blocked;
    sigemptyset(&blocked);
    for (const int signal : options.blockedSignals) {
        sigaddset(&blocked, signal);
    }
    sigprocmask(SIG_SETMASK, &blocked, nullptr);
    const rlimit noCoreFiles{0, 0};
    setrlimit(RLIMIT_CORE, &noCoreFiles);
    setenv("TERM", "xterm", 1);
    for (const auto &name : options.unsetEnvironment) {
        unsetenv(name.c_str());
    }
    for (const auto &setting : options.setEnvironment) {
        const auto equals = setting.find('=');
        setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
    }
    std::vector<char *> argv;
    if (options.arguments.empty()) {
        argv.push_back(const_cast<char *>(PROGRAM_PATH));
    }
    for (const char *argument : options.arguments) {
        argv.push_back(const_cast<char *>(argument));
    }
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

Session startSession(const SessionOptions &options) {
    Session session;
    int terminal = -1;
    winsize size{24, 80, 0, 0};
    openpty(&session.terminal, &terminal, nullptr, nullptr, &size);
    // Before the program can change them.
    tcgetattr(session.terminal, &session.initialSettings);
    session.pid = startProgram(options, [&session, terminal] {
        close(session.terminal);
        login_tty(terminal);
    });
    close(terminal);
    return session;
}

namespace {

// Waits up to timeout for output and takes what has come; false once the output has ended.
bool readSome(Session &session, std::chrono::milliseconds timeout) {
    pollfd ready{session.terminal, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(timeout.count())) <= 0) {
        return !session.ended;
    }
    char bytes[4096];
    const ssize_t got = read(session.terminal, bytes, sizeof bytes);
    if (got <= 0) {
        // Linux reports EIO once the program has closed its side.
        session.ended = true;
        return false;
    }
    const auto now = SessionClock::now();
    session.output.append(bytes, static_cast<std::size_t>(got));
    session.arrivals.insert(session.arrivals.end(), static_cast<std::size_t>(got), now);
    return true;
}

std::chrono::milliseconds left(SessionClock::time_point deadline) {
    const auto remaining = deadline - SessionClock::now();
    return std::max(std::chrono::milliseconds{0},
                    std::chrono::duration_cast<std::chrono::milliseconds>(remaining));
}

template <typename Found>
bool awaitUntil(Session &session, std::chrono::milliseconds timeout, Found found) {
    const auto deadline = SessionClock::now() + timeout;
    while (!found()) {
        if (SessionClock::now() >= deadline || !readSome(session, left(deadline))) {
            return false;
        }
    }
    return true;
}

} // namespace

bool awaitOutput(Session &session, std::string_view wanted, std::chrono::milliseconds timeout,
                 std::size_t from) {
    return awaitUntil(session, timeout,
                      [&] { return session.output.find(wanted, from) != std::string::npos; });
}

bool awaitShown(Session &session, std::string_view wanted, std::chrono::milliseconds timeout,
                std::size_t from) {
    return awaitUntil(session, timeout, [&] {
        return shownText(session.output).find(wanted, from) != std::string::npos;
    });
}

std::string shownText(std::string_view output) {
    std::string shown;
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output.compare(i, 2, "\x1b[") != 0) {
            shown += output[i];
            continue;
        }
        for (i += 2; i < output.size() && (output[i] < '@' || output[i] > '~'); ++i) {
        }
        if (i < output.size() && output[i] == 'C') {
            shown += ' ';
        }
    }
    return shown;
}

bool staysQuiet(Session &session, std::chrono::milliseconds length) {
    const std::size_t before = session.output.size();
    const auto deadline = SessionClock::now() + length;
    while (SessionClock::now() < deadline && readSome(session, left(deadline))) {
    }
    // Under Wine the terminal can stay open a while after the program has ended.
    siginfo_t ended{};
    waitid(P_PID, static_cast<id_t>(session.pid), &ended, WEXITED | WNOHANG | WNOWAIT);
    return session.output.size() == before && !session.ended && ended.si_pid == 0;
}

void type(Session &session, std::string_view keys) {
    [[maybe_unused]] const ssize_t written = write(session.terminal, keys.data(), keys.size());
}

void signalThread(pid_t process, int signal) {
#ifdef SYS_tgkill
    syscall(SYS_tgkill, process, process, signal);
#else
    kill(process, signal);
#endif
}

int awaitEnd(Session &session, std::chrono::milliseconds timeout) {
    const auto deadline = SessionClock::now() + timeout;
    while (SessionClock::now() < deadline && readSome(session, left(deadline))) {
    }
    int status = 0;
    while (SessionClock::now() < deadline) {
        rusage usage{};
        if (wait4(session.pid, &status, WNOHANG, &usage) == session.pid) {
            session.peakKilobytes = usage.ru_maxrss;
            return status;
        }
        usleep(10000);
    }
    kill(session.pid, SIGKILL);
    waitpid(session.pid, &status, 0);
    return -1;
}

bool awaitKeyAtATime(const Session &session, std::chrono::milliseconds timeout) {
    const auto deadline = SessionClock::now() + timeout;
    for (termios now{}; tcgetattr(session.terminal, &now) == 0; usleep(2000)) {
        if ((now.c_lflag & ICANON) == 0) {
            return true;
        }
        if (SessionClock::now() >= deadline) {
            return false;
        }
    }
    return false;
}

bool terminalRestored(const Session &session) {
    termios now{};
    tcgetattr(session.terminal, &now);
    const termios &before = session.initialSettings;
    return now.c_iflag == before.c_iflag && now.c_oflag == before.c_oflag &&
           now.c_cflag == before.c_cflag && now.c_lflag == before.c_lflag &&
           std::memcmp(now.c_cc, before.c_cc, sizeof now.c_cc) == 0;
}

int exitStatus(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
}

bool endsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

std::vector<SessionClock::time_point> bannerMarkArrivals(const Session &session, std::size_t from) {
    std::vector<SessionClock::time_point> marks;
    const std::size_t bannerLine = std::min<std::size_t>(from + 60, session.output.size());
    for (std::size_t i = from; i < bannerLine; ++i) {
        if (session.output[i] == '#') {
            marks.push_back(session.arrivals[i]);
        }
    }
    return marks;
}

std::string onTerminal(std::string_view written) {
    std::string shown;
    for (const char c : written) {
        if (c == '\n') {
            shown += '\r';
        }
        shown += c;
    }
    return shown;
}

std::string startScreen() {
    const std::string marks(21, '#');
    return onTerminal(marks + std::string(text::title) + marks + "\n\n\n" +
                      std::string(text::question) + std::string(text::menu) +
                      std::string(text::choicePrompt));
}
