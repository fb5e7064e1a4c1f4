#include "terminal_session.hpp"
#include "texts.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

constexpr std::string_view clearScreen = "\x1b[H\x1b[2J\x1b[3J";
constexpr std::string_view pausePrompt = text::pause;

milliseconds between(SessionClock::time_point from, SessionClock::time_point to) {
    return std::chrono::duration_cast<milliseconds>(to - from);
}

// The program as $0 of a script that dash runs: a shell that gives the terminal back to nobody,
// so that it hides no fault of the program's.
SessionOptions underShell(const char *script) {
    SessionOptions options;
    options.arguments = {"dash", "-c", script, PROGRAM_PATH};
    return options;
}

SessionOptions withEnvironment(std::vector<std::string> set, std::vector<std::string> unset = {},
                               std::string workingDirectory = {},
                               std::vector<const char *> arguments = {}) {
    SessionOptions options;
    options.arguments = std::move(arguments);
    options.setEnvironment = std::move(set);
    options.unsetEnvironment = std::move(unset);
    options.workingDirectory = std::move(workingDirectory);
    return options;
}

// Waits for the prompt and types the keys.
void answer(Session &session, std::string_view prompt, std::string_view keys) {
    EXPECT_TRUE(awaitOutput(session, prompt)) << session.output;
    type(session, keys);
}

// Starts the program and answers the menu.
Session sessionAt(std::string_view choice, const SessionOptions &options = {}) {
    Session session = startSession(options);
    answer(session, text::choicePrompt, choice);
    return session;
}

TEST(Terminal, DrawsEachMarkBeforeItsPauseAndReachesTheMenuOnTime) {
    Session session = startSession();
    ASSERT_TRUE(awaitOutput(session, text::choicePrompt)) << session.output;
    ASSERT_EQ(session.output, startScreen());

    const auto marks = bannerMarkArrivals(session);
    ASSERT_EQ(marks.size(), 42U);
    // The schedule as seen from here: the start that no mark came before. Seeing one mark late
    // must not make the others look early.
    auto start = marks.front();
    for (std::size_t i = 0; i < marks.size(); ++i) {
        start = std::min(start, marks[i] - milliseconds{100} * static_cast<int>(i));
    }
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const auto due = milliseconds{100} * static_cast<int>(i);
        EXPECT_LE((between(start, marks[i]) - due).count(), 60) << "mark " << i << " came late";
        if (i > 0) {
            EXPECT_GE(between(marks[i - 1], marks[i]).count(), 40)
                << "mark " << i << " came with the one before it, not after its pause";
        }
    }
    const auto toPrompt = between(start, session.arrivals.back());
    EXPECT_GE(toPrompt.count(), 4345);
    EXPECT_LE(toPrompt.count(), 4420);

    type(session, "0\r");
    EXPECT_EQ(exitStatus(awaitEnd(session, 1000ms)), 0);
    EXPECT_EQ(session.output, startScreen() + onTerminal("0\n" + std::string(text::invalidChoice)));
}

// Windows' name for a path of this machine, as Wine maps it: Z: is its root.
std::string windowsPath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

const std::string commandPrompt = windowsPath(SOURCE_DIR) + ">";

enum class Started { byWine, atCommandPrompt };

// The Windows build on the console Wine gives it, started up to its menu by Wine itself or as a
// Windows user starts it, at the prompt of an interactive command processor; the Windows build's
// tests run these, naming the program in WINDOWS_PROGRAM. False when no program is named.
bool startUnderWine(Session &session, Started started) {
    const char *program = std::getenv("WINDOWS_PROGRAM");
    if (program == nullptr) {
        return false;
    }
    SessionOptions options;
    options.arguments = {"wine", started == Started::byWine ? program : "cmd"};
    session = startSession(options);
    if (started == Started::atCommandPrompt) {
        EXPECT_TRUE(awaitShown(session, commandPrompt, 20s) && awaitKeyAtATime(session));
        type(session, windowsPath(program) + "\r");
    }
    EXPECT_TRUE(awaitShown(session, text::choicePrompt, 20s)) << shownText(session.output);
    EXPECT_TRUE(awaitKeyAtATime(session));
    return true;
}

// The program's exit status once it has ended and its console has given the terminal back (-1
// if not within 20 s). Wine's own processes, started with the first program of a Wine session,
// hold the terminal for as long as the session lasts, which other programs under Wine can
// prolong: its closing is no sign.
int awaitWineEnd(const Session &session) {
    int status = -1;
    for (int tick = 0;
         tick < 2000 && (waitpid(session.pid, &status, WNOHANG) == 0 || !terminalRestored(session));
         ++tick) {
        usleep(10000);
    }
    return terminalRestored(session) ? exitStatus(status) : -1;
}

// Keys typed while the announcement stands or the console is cleared are thrown away, as on a
// POSIX terminal: the number prompt starts empty, also after keys typed as cls starts and runs
// (80 to 260 ms under Wine), which shows the prompt some 140 ms after the announcement's 1.5 s.
// Keys typed before the pause began do not end it, and what is left of
// the key that ends it reaches neither the program nor the command processor that started it.
TEST(Wine, KeysTypedAheadOrLeftOfTheKeyGoNowhere) {
    Session session;
    if (!startUnderWine(session, Started::atCommandPrompt)) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    type(session, "1\r");
    ASSERT_TRUE(awaitShown(session, "You have chosen")) << shownText(session.output);
    const auto announced = SessionClock::now();
    type(session, "10\r");
    for (const int offset : {1300, 1500, 1540, 1570}) {
        std::this_thread::sleep_until(announced + milliseconds{offset});
        type(session, "7");
    }
    ASSERT_TRUE(awaitShown(session, text::numberPrompt)) << shownText(session.output);
    type(session, "5\rtyped ahead");
    const std::string pause =
        std::string(text::result) + "101\r\r\n\r\r\n" + std::string(text::pauseStart);
    ASSERT_TRUE(awaitShown(session, pause)) << shownText(session.output);
    EXPECT_TRUE(staysQuiet(session, 500ms)) << "typed-ahead keys must not end the pause";
    // The first prompt after the pause takes the next command, nothing of dir before it.
    const std::size_t paused = shownText(session.output).size();
    type(session, "dir\r");
    ASSERT_TRUE(awaitShown(session, commandPrompt, 20s, paused)) << shownText(session.output);
    type(session, "echo status=%ERRORLEVEL%\r");
    EXPECT_TRUE(awaitShown(session, "status=0", 10s, paused)) << shownText(session.output);
    const std::string shown = shownText(session.output);
    EXPECT_EQ(shown.find(commandPrompt, paused), shown.find(commandPrompt + "echo", paused))
        << shown;
    type(session, "exit\r");
    EXPECT_EQ(awaitWineEnd(session), 0);
}

// A refusal's "exiting..." gets a newline at the end, so that the shell's prompt starts on a line
// of its own. The Windows console keeps what follows the choice for the number prompt.
TEST(Wine, EndsTheLastLine) {
    Session session;
    if (!startUnderWine(session, Started::byWine)) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    type(session, "1 1048576\r");
    EXPECT_TRUE(awaitShown(session, "exiting...\r\r\n", 15s)) << session.output;
    EXPECT_EQ(awaitWineEnd(session), 1);
}

struct PauseSignal {
    const char *name;
    int signal;
    const char *key; // typed at the terminal; nullptr: sent with kill
    bool ignoredAtStart; // as under nohup: it stays ignored
    bool waitsOn; // the pause goes on, and a key ends it
    const char *number = "5\r"; // over the limit: the signal comes during the refusal's wait
};

class SignalAtThePause : public testing::TestWithParam<PauseSignal> {};

// On a terminal the program ends its line before the signal ends it, except after Ctrl-C, when
// the shell does.
TEST_P(SignalAtThePause, RestoresTheTerminalAndEndsByThatSignal) {
    const PauseSignal &c = GetParam();
    SessionOptions options;
    if (c.ignoredAtStart) {
        options.ignoredSignals = {c.signal};
    }
    Session session = startSession(options);
    answer(session, text::choicePrompt, "1\r");
    answer(session, text::numberPrompt, c.number);
    const std::string last(c.number[0] == '5' ? pausePrompt : "exiting...");
    ASSERT_TRUE(awaitOutput(session, last)) << session.output;
    if (c.key != nullptr) {
        type(session, c.key);
    } else {
        kill(session.pid, c.signal);
    }
    if (c.waitsOn) {
        EXPECT_TRUE(staysQuiet(session, 300ms)) << session.output;
        type(session, "k");
    }
    const int status = awaitEnd(session);
    EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : 0, c.waitsOn ? 0 : c.signal)
        << "wait status " << status;
    EXPECT_TRUE(terminalRestored(session));
    const bool shellEndsTheLine = c.signal == SIGINT && !c.waitsOn;
    EXPECT_TRUE(endsWith(session.output, last + (shellEndsTheLine ? "" : "\r\n")))
        << session.output;
}

// The program leads its own session here, so no shell could continue it after a stop: the
// system discards Ctrl-Z, as under `xterm -e`.
INSTANTIATE_TEST_SUITE_P(
    Terminal, SignalAtThePause,
    testing::Values(PauseSignal{"CtrlC", SIGINT, "\x03", false, false},
                    PauseSignal{"CtrlBackslash", SIGQUIT, "\x1c", false, false},
                    PauseSignal{"Term", SIGTERM, nullptr, false, false},
                    PauseSignal{"Hup", SIGHUP, nullptr, false, false},
                    PauseSignal{"Pipe", SIGPIPE, nullptr, false, false},
                    PauseSignal{"Alarm", SIGALRM, nullptr, false, false},
                    PauseSignal{"User1", SIGUSR1, nullptr, false, false},
                    PauseSignal{"IgnoredTerm", SIGTERM, nullptr, true, true},
                    PauseSignal{"CtrlZWithNoShellToContinue", SIGTSTP, "\x1a", false, true},
                    PauseSignal{"TermDuringARefusal", SIGTERM, nullptr, false, false, "1048576\r"}),
    [](const testing::TestParamInfo<PauseSignal> &info) { return info.param.name; });

// The pause's prompt is written once the terminal waits for a key: when that write fails, the
// terminal still gets its settings back.
TEST(Terminal, WriteErrorAtThePauseRestoresTheTerminal) {
    // Output to a file that holds all that comes before the pause's prompt, and not a byte more.
    std::string before = startScreen() + std::string(text::chosen1) +
                         std::string(text::numberPrompt) + std::string(text::result) + "1010\n\n";
    before.erase(std::remove(before.begin(), before.end(), '\r'), before.end());
    const std::string script = "exec prlimit --fsize=" + std::to_string(before.size()) +
                               " \"$0\" >" BINARY_DIR "/pause-output";
    SessionOptions options = underShell(script.c_str());
    options.ignoredSignals = {SIGXFSZ};
    Session session = startSession(options);
    type(session, "1 10\r");
    EXPECT_EQ(exitStatus(awaitEnd(session, 10000ms)), 1);
    EXPECT_TRUE(awaitOutput(session, std::string(text::error) + "write error: File too large"))
        << session.output;
    EXPECT_TRUE(terminalRestored(session));
}

// A session step by step, under a job-control script (underShell), or the program alone when
// there is no script. Each step
// awaits a text after the one awaited before ("?text"), types keys ("!keys"), sends a signal
// to the terminal's foreground process group ("~number"), and at once another to the thread that
// leads it ("~number&number": the system keeps that one apart, so that with the same signal
// sent to the group both come in), lets time pass ("+ms"), sees that nothing came after the text
// awaited last, nor comes for a while ("-ms"), or awaits the settings the terminal started with
// ("="). Then the session ends in time, with the terminal as it started and the output as it
// must end.
struct Scenario {
    const char *name;
    const char *script;
    std::vector<std::string> steps;
    std::string ending;
    milliseconds endsWithin = 10000ms;
    bool needsRoot = false; // runs the program as another user
};

void PrintTo(const Scenario &c, std::ostream *out) {
    *out << c.name;
}

class Job : public testing::TestWithParam<Scenario> {};

TEST_P(Job, LeavesTheTerminalAsItWas) {
    const Scenario &c = GetParam();
    if (c.needsRoot && geteuid() != 0) {
        GTEST_SKIP() << "needs root: runs the program as another user";
    }
    Session session = startSession(*c.script != '\0' ? underShell(c.script) : SessionOptions{});
    std::size_t from = 0;
    for (const std::string &step : c.steps) {
        const std::string text = step.substr(1);
        if (step[0] == '?') {
            ASSERT_TRUE(awaitOutput(session, text, 10000ms, from)) << text << session.output;
            from = session.output.find(text, from) + text.size();
        } else if (step[0] == '!') {
            type(session, text);
        } else if (step[0] == '~') {
            // Once the program has ended the terminal may have no foreground process group (0),
            // and kill(0) would signal the test itself: only a group of the session it started.
            const pid_t group = tcgetpgrp(session.terminal);
            ASSERT_TRUE(group > 0 && getsid(group) == session.pid)
                << "no process group of the session in the foreground: it has ended"
                << session.output;
            const std::size_t thread = text.find('&');
            const int second = thread != std::string::npos ? std::stoi(text.substr(thread + 1)) : 0;
            kill(-group, std::stoi(text));
            if (second != 0) {
                signalThread(group, second);
            }
        } else if (step[0] == '=') {
            const auto until = SessionClock::now() + milliseconds{10000};
            while (!terminalRestored(session) && SessionClock::now() < until) {
                std::this_thread::sleep_for(milliseconds{2});
            }
            EXPECT_TRUE(terminalRestored(session)) << session.output;
        } else {
            const milliseconds length{std::stoi(text)};
            if (step[0] == '-') {
                EXPECT_TRUE(staysQuiet(session, length) && session.output.size() == from)
                    << session.output;
            } else {
                std::this_thread::sleep_for(length);
            }
        }
    }
    EXPECT_NE(awaitEnd(session, c.endsWithin), -1) << "ended in time";
    EXPECT_TRUE(endsWith(session.output, c.ending)) << session.output;
    EXPECT_TRUE(terminalRestored(session));
}

// The steps up to the pause, with the number given: 5 converts to 101.
std::vector<std::string> toThePause(std::vector<std::string> then) {
    std::vector<std::string> steps{"?" + std::string(text::choicePrompt), "!1 5\r",
                                   "?" + std::string(pausePrompt)};
    steps.insert(steps.end(), then.begin(), then.end());
    return steps;
}

const std::string prompt(pausePrompt);
const std::string clear(clearScreen);
const std::string menu = "?" + std::string(text::choicePrompt);
const std::string refusal = onTerminal(text::decimalLimit);
const std::string announcement = onTerminal(text::chosen1);
const std::string converted = onTerminal(std::string(text::result) + "1010\n\n") + prompt + "\r\n";
// Keys typed as an announcement stands, and not shown: the number prompt must start empty after
// the clear, where the terminal can take one.
// clang-format off
std::vector<std::string> typedAhead(const std::string &cleared) {
    return {menu, "!1\r", "?" + announcement, "!7", "-1400", "?" + cleared +
            std::string(text::numberPrompt), "!10\rtyped ahead", "?" + prompt, "-400", "!k"};
}
const std::string result101 = onTerminal(std::string(text::result) + "101\n\n");
const std::string pastedPiece = "!" + std::string(1023, 'p') + "\r";

INSTANTIATE_TEST_SUITE_P(
    Terminal, Job,
    testing::Values(
        // Keys typed before the pause began do not end it.
        Scenario{"TypedAhead", "", typedAhead(clear), converted},
        Scenario{"TypedAheadWithoutEscapes", "TERM=dumb exec \"$0\"", typedAhead(""), converted},
        // After bg the program leaves the terminal alone, and after fg the pause shows its
        // prompt again, once, and waits for its key; in the background it can be ended, and
        // writes nothing more, also when it is continued as it is ended (bash's kill %1). Piped,
        // its output is the dialogue alone.
        Scenario{"BgThenFg",
                 "set -m; before=$(stty -g); \"$0\"; bg >/dev/null; sleep 0.5; "
                 "[ \"$before\" = \"$(stty -g)\" ] && echo sane; fg >/dev/null; echo s=$?",
                 toThePause({"!\x1a", "?sane", "?" + prompt, "-500", "!k"}),
                 prompt + "sane\r\n\r\n" + prompt + "\r\ns=0\r\n"},
        Scenario{"BgThenKill", "set -m; \"$0\"; bg >/dev/null; sleep 0.5; kill %1; bg >/dev/null; "
                 "wait %1 2>/dev/null; echo s=$?", {"?#####", "!\x1a"}, "^Zs=143\r\n"},
        Scenario{"PipedOutput", "set -m; \"$0\" | cat; fg >/dev/null; echo s=$?",
                 toThePause({"!\x1a", "+300", "-500", "!k"}),
                 "101\r\n\r\n" + prompt + "\r\ns=0\r\n"},
        // Stopped in the middle of the banner: after fg the marks drawn so far are shown again
        // on a line of their own, and the rest keep their pace as if no time had passed.
        Scenario{"StopDuringTheBanner", "set -m; \"$0\"; echo stopped; sleep 1; fg >/dev/null",
                 {"?#", "!\x1a", "?stopped\r\n", "?\r\n#", "-40", "?#", "-40", menu, "!0\r"},
                 onTerminal(text::invalidChoice)},
        // A shell that reads a line after the program finds nothing left of the keys: of an
        // arrow key that comes a byte at a time, 30 ms apart as over a slow line, of a paste that
        // comes in pieces of 1 KB, of keys hidden during the announcement when a signal ends the
        // program, of keys typed while the program was stopped; which adds no line after a full
        // one.
        Scenario{"ArrowKey", "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 toThePause({"!\x1b", "+30", "![", "+30", "!A", "+300", "!\r"}),
                 prompt + "\r\n\r\nrest=[]\r\n"},
        Scenario{"Paste", "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 toThePause({pastedPiece, "+5", pastedPiece, "+5", pastedPiece, "+300", "!\r"}),
                 prompt + "\r\n\r\nrest=[]\r\n"},
        Scenario{"TermDuringTheAnnouncement",
                 "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 {menu, "!1\r", "?chosen", "!typed", "+100", "~15", "+300", "!\r"},
                 announcement + "Terminated\r\n\r\nrest=[]\r\n"},
        Scenario{"KeysTypedWhileStopped", "set -m; \"$0\"; sleep 0.5; fg >/dev/null",
                 toThePause({"!\x1a", "+200", "!x", "?" + prompt, "-400", "!k"}), prompt + "\r\n"},
        // Signals that meet: two Ctrl-Z stop the program once (a second one that comes as it
        // stops is the system's to drop), three times over, as the second may come too late to
        // meet the first; a stop the program cannot see, after which the shell, with settings of
        // its own, continues it in the background and reads a line; an end that comes with a
        // stop. A real-time signal ends it as others do.
        Scenario{"TwoStops",
                 "set -m; \"$0\"; for i in 1 2 3; do sleep 0.5; fg >/dev/null; done; echo s=$?",
                 toThePause({"~20&20", "?" + prompt, "-300", "~20&20", "?" + prompt, "-300",
                             "~20&20", "?" + prompt, "-300", "!k"}),
                 prompt + "\r\ns=0\r\n"},
        Scenario{"StopUnseenThenBg",
                 "set -m; before=$(stty -g); \"$0\"; stty \"$before\" -echoctl; now=$(stty -g); "
                 "sleep 0.5; bg >/dev/null; sleep 0.5; [ \"$now\" = \"$(stty -g)\" ] && "
                 "IFS= read -r typed && echo \"typed=$typed\"; stty \"$before\"; fg >/dev/null",
                 toThePause({"~19", "+200", "!line\r", "?typed=line", "?" + prompt, "!k"}),
                 prompt + "\r\n"},
        Scenario{"EndWithAStop", "set -m; \"$0\"; echo s=$?", toThePause({"~15&20"}),
                 prompt + "\r\nTerminated\r\ns=143\r\n"},
        Scenario{"RealTimeSignal", "", toThePause({"~40"}), prompt + "\r\n"},
        // An end, or a failure to tell, while the output is held (Ctrl-S) ends at once, without
        // the last newline: through the program's own descriptor for the terminal, also when the
        // terminal is another user's and held as a write starts (strace holds the program's
        // first write to it for 2 s, and the test holds the terminal in the meantime, once the
        // program has made its settings); through standard output once it can be written, where the
        // program's own would be past the descriptors that pselect can wait on. Another user
        // starts a copy in a folder of its own, which it can reach wherever the build is.
        Scenario{"TermWhileOutputIsHeld", "", toThePause({"!\x13", "+100", "~15"}), prompt, 300ms},
        // An ending signal that comes as a wait finds the terminal ready is answered before the
        // write: strace holds the program's first wait for the terminal for a second.
        Scenario{"TermAsTheTerminalIsFoundReady",
                 "set -m; stty -icrnl; echo taken; strace -o /dev/null -qq -e trace=pselect6 -P "
                 "/dev/tty -e inject=pselect6:delay_enter=1000000:when=1 \"$0\"; stty icrnl",
                 {"?taken\r\n", "=", "+300", "~15"}, "taken\r\nTerminated\r\n", 2000ms},
        Scenario{"AnotherUsersTerminal",
                 "set -m; exec 2>/dev/null; d=$(mktemp -d /tmp/binary-converter.XXXXXX); "
                 "cp \"$0\" \"$d\"; chmod 755 \"$d\"; cd \"$d\"; stty -icrnl; echo taken; "
                 "setpriv --reuid=nobody --regid=nogroup --clear-groups strace -o /dev/null -qq "
                 "-e trace=write -P /dev/tty -P \"$(tty)\" -e inject=write:delay_enter=2000000:when=1 "
                 "./binary-converter; stty icrnl; cd /; rm -r \"$d\"",
                 {"?taken\r\n", "=", "+500", "!\x13", "~15"}, "taken\r\n", 3000ms, true},
        Scenario{"OwnDescriptorTooHigh", "ulimit -n 2048; exec perl -e '$^F = 2048; open $f[$_], "
                 "\"<\", \"/dev/null\" for 3 .. 1023; exec @ARGV' \"$0\"",
                 toThePause({"!\x13", "+100", "~15"}), prompt, 300ms},
        Scenario{"ErrorLineWhileOutputIsHeld",
                 "unset DISPLAY WAYLAND_DISPLAY; exec \"$0\" >/dev/null",
                 {"!\x13", "!5\r", "+5000", "~15"}, "", 300ms},
        // A continue with no stop before it neither shortens nor lengthens a wait (it would
        // end 2.8 s later), and shows no line again. After a stop it cannot see, the banner's
        // wait ends at once if its time has passed, and the next keeps its pace.
        Scenario{"ContinueWithNoStop", "",
                 {menu, "!1 1048576\r", "?" + refusal, "+1500", "~18", "-1000"}, refusal + "\r\n",
                 1300ms},
        Scenario{"StopUnseenDuringTheBanner", "",
                 {"?#", "~19", "+1000", "~18", "?#", "-50", menu, "!0\r"},
                 onTerminal(text::invalidChoice)},
        // In the background the program stops before it clears the screen, and before it
        // reports that its read failed where SIGTTIN is ignored.
        Scenario{"ClearWaitsForFg",
                 "set -m; \"$0\"; bg >/dev/null; sleep 2; echo fg; fg >/dev/null; echo s=$?",
                 {menu, "!1\r", "?chosen", "!\x1a", "?fg\r\n", "?number ", "!10\r", "?" + prompt,
                  "!k"},
                 announcement + "fg\r\n" + clear + std::string(text::numberPrompt) + "10\r\n" +
                     converted + "s=0\r\n"},
        Scenario{"ReadErrorInTheBackground",
                 "set -m; trap '' TTIN; \"$0\"; bg >/dev/null; wait %1; fg >/dev/null; echo s=$?",
                 toThePause({"!\x1a", "+300", "!\r"}),
                 prompt + "\r\n" + std::string(text::error) +
                     "read error: Input/output error\r\ns=1\r\n"},
        // The end of the input is kept: a second Ctrl-D ends the number, and the pause waits for
        // a key all the same. Where the input is not a terminal, the pause goes on at once, even
        // while the input stays open.
        Scenario{"EndOfInput", "", {menu, "!1\r", "?number ", "!12\x04", "+200", "!\x04",
                 "?" + prompt, "-300", "!k"},
                 onTerminal(std::string(text::result) + "1100\n\n") + prompt + "\r\n"},
        Scenario{"InputLeftOpen", "f=$(mktemp -u); mkfifo \"$f\"; exec 3<>\"$f\"; rm \"$f\"; "
                 "echo 1 10 >&3; exec \"$0\" <&3", {"?" + prompt}, prompt + "\r\n", 500ms},
        // Standard input closed: a read error at once. Standard error closed: no error line
        // where the terminal's descriptor would be. On a terminal that is not the program's
        // controlling terminal, nothing is changed: the pause ends with Enter. Interrupted as it
        // starts, the program leaves the settings as they were.
        Scenario{"ClosedInput", "exec \"$0\" <&-", {menu}, std::string(text::choicePrompt) +
                 "\r\n" + std::string(text::error) + "read error: Bad file descriptor\r\n", 1000ms},
        Scenario{"ClosedErrors", "unset DISPLAY WAYLAND_DISPLAY; exec \"$0\" 2>&-",
                 {menu, "!5\r", "?" + prompt, "!k"},
                 onTerminal("5\n" + std::string(text::easterEgg)) + prompt + "\r\n"},
        Scenario{"NotTheControllingTerminal", "setsid -w \"$0\"; echo s=$?",
                 toThePause({"=", "!k\r"}), prompt + "k\r\n\r\ns=0\r\n"},
        Scenario{"InterruptedAsItStarts", "stty -icrnl; before=$(stty -g); strace -o /dev/null -qq "
                 "-e inject=rt_sigaction:signal=INT:when=1 \"$0\"; "
                 "[ \"$before\" = \"$(stty -g)\" ] && echo sane; stty icrnl", {}, "sane\r\n"}),
    [](const testing::TestParamInfo<Scenario> &info) { return info.param.name; });
// clang-format on

// A refusal stands for its 2.8 s, then the shell's prompt starts on a line of its own. A terminal
// that cannot take escape sequences (TERM dumb, empty, unset, emacs or cons25) gets none. Where
// another program left Enter sending a carriage return alone, or ignored, it still ends each line.
class RefusedNumber : public testing::TestWithParam<SessionOptions> {};

TEST_P(RefusedNumber, EndsWithStatusOneAfterItsWait) {
    Session session = sessionAt("1\r", GetParam());
    answer(session, text::numberPrompt, "1048576\r");
    const std::string shown = onTerminal(text::decimalLimit);
    ASSERT_TRUE(awaitOutput(session, shown)) << session.output;
    const auto refused = session.arrivals.back();
    const int status = awaitEnd(session);
    const auto waited = between(refused, SessionClock::now());
    EXPECT_EQ(exitStatus(status), 1);
    EXPECT_GE(waited.count(), 2790);
    EXPECT_LE(waited.count(), 3500);
    EXPECT_TRUE(endsWith(session.output, shown + "\r\n")) << session.output;
    const bool takesEscapes =
        GetParam().setEnvironment.empty() && GetParam().unsetEnvironment.empty();
    EXPECT_EQ(session.output.find('\x1b') != std::string::npos, takesEscapes) << session.output;
}

INSTANTIATE_TEST_SUITE_P(Terminal, RefusedNumber,
                         testing::Values(SessionOptions{}, withEnvironment({"TERM=dumb"}),
                                         withEnvironment({"TERM="}), withEnvironment({}, {"TERM"}),
                                         withEnvironment({"TERM=emacs"}),
                                         withEnvironment({"TERM=cons25"}),
                                         underShell("stty -icrnl; exec \"$0\""),
                                         underShell("stty igncr; exec \"$0\"")));

// A stand-in viewer that stays open as a viewer does, once sure it was given the image, no
// terminal, a process group of its own, which the terminal's Ctrl-C does not reach, and the
// signal mask the program started with (VIEWER_MASK, as /proc shows it, if any blocked);
// VIEWER_FAILS makes it fail at once, well within the 2 s the program gives it on a loaded
// machine.
void makeViewer() {
    mkdir(BINARY_DIR "/viewer", 0755);
    std::ofstream(BINARY_DIR "/viewer/xdg-open")
        << "#!/usr/bin/perl\nopen my $status, '<', \"/proc/$$/status\" or exit 1;\n"
           "my ($mask) = join('', <$status>) =~ /^SigBlk:\\s*(\\w+)/m;\n"
           "exit 1 if $ENV{VIEWER_FAILS} || system('cmp', '-s', $ARGV[0], '" SOURCE_DIR
           "/ressources/pic/picture/meme.jpg') || join(' ', map { readlink "
           "\"/proc/self/fd/$_\" } 0..2) ne '/dev/null /dev/null /dev/null' || getpgrp() != $$ "
           "|| $mask ne ($ENV{VIEWER_MASK} || '0' x 16);\nexec 'sleep', '5';\n";
    chmod(BINARY_DIR "/viewer/xdg-open", 0755);
}

struct ImageCase {
    std::string name;
    SessionOptions options;
    std::string whyNot; // empty: the viewer shows it
};

void PrintTo(const ImageCase &c, std::ostream *out) {
    *out << c.name;
}

class HiddenChoice : public testing::TestWithParam<ImageCase> {};

// The program waits at most about 2 s for the viewer, and goes on while it stays open.
TEST_P(HiddenChoice, ShowsTheImageOrSaysWhyNotAndGoesOnToThePause) {
    makeViewer();
    Session session = sessionAt("5\r", GetParam().options);
    ASSERT_TRUE(awaitOutput(session, pausePrompt, 4000ms)) << session.output;
    const std::string &whyNot = GetParam().whyNot;
    // The message names the file handed to the viewer: the installed one, away from the source.
    const std::string image =
        GetParam().options.arguments.empty() ? "./ressources/pic/picture/meme.jpg"
                                             : BINARY_DIR
            "/installed/share/binary-converter/ressources/pic/picture/meme.jpg";
    const std::string line =
        whyNot.empty() ? ""
                       : std::string(text::error) + "cannot open " + image + ": " + whyNot + "\n";
    EXPECT_EQ(session.output,
              startScreen() + onTerminal("5\n" + std::string(text::easterEgg) + line) + prompt);
    type(session, "k");
    EXPECT_EQ(exitStatus(awaitEnd(session)), 0);
}

const std::string withViewer = "PATH=" BINARY_DIR "/viewer:/usr/bin:/bin";

SessionOptions withSignals(SessionOptions options, std::vector<int> ignored,
                           std::vector<int> blocked = {}) {
    options.ignoredSignals = std::move(ignored);
    options.blockedSignals = std::move(blocked);
    return options;
}

INSTANTIATE_TEST_SUITE_P(
    Terminal, HiddenChoice,
    testing::Values(
        ImageCase{"Shown", withEnvironment({"DISPLAY=:99", withViewer}), ""},
        ImageCase{"ViewerFails", withEnvironment({"DISPLAY=:99", withViewer, "VIEWER_FAILS=1"}),
                  "xdg-open failed to show it"},
        // Whatever the program inherited: SIGCHLD ignored, a signal blocked.
        ImageCase{
            "ViewerFailsWithSigchldIgnored",
            withSignals(withEnvironment({"DISPLAY=:99", withViewer, "VIEWER_FAILS=1"}), {SIGCHLD}),
            "xdg-open failed to show it"},
        ImageCase{"ShownWithUsr2Blocked",
                  withSignals(withEnvironment({"DISPLAY=:99", withViewer,
                                               "VIEWER_MASK=0000000000000800"}),
                              {}, {SIGUSR2}),
                  ""},
        ImageCase{"NoDesktop", withEnvironment({}, {"DISPLAY", "WAYLAND_DISPLAY"}),
                  "no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)"},
        ImageCase{"NoImage", withEnvironment({"DISPLAY=:99"}, {}, "/"),
                  "No such file or directory"},
        ImageCase{"Installed",
                  withEnvironment({"DISPLAY=:99", withViewer}, {}, "/",
                                  {BINARY_DIR "/installed/bin/binary-converter"}),
                  ""},
        ImageCase{"InstalledNoDesktop",
                  withEnvironment({}, {"DISPLAY", "WAYLAND_DISPLAY"}, "/",
                                  {BINARY_DIR "/installed/bin/binary-converter"}),
                  "no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)"},
        ImageCase{"InstalledViewerFails",
                  withEnvironment({"DISPLAY=:99", withViewer, "VIEWER_FAILS=1"}, {}, "/",
                                  {BINARY_DIR "/installed/bin/binary-converter"}),
                  "xdg-open failed to show it"},
        ImageCase{"NoViewer", withEnvironment({"WAYLAND_DISPLAY=wayland-9", "PATH=/nonexistent"}),
                  "cannot start the viewer xdg-open: No such file or directory"}),
    [](const testing::TestParamInfo<ImageCase> &info) { return info.param.name; });

} // namespace
