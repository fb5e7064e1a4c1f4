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

// Keys typed during the announcement are neither shown nor kept: the clear, where the terminal
// can take one, finds none on the screen, and the number prompt starts empty. Keys typed before
// the pause began do not end it.
class TypedAhead : public testing::TestWithParam<SessionOptions> {};

TEST_P(TypedAhead, ConvertsWhatIsTypedAfterTheClearAndWaitsForAFreshKey) {
    Session session = sessionAt("1\r", GetParam());
    ASSERT_TRUE(awaitOutput(session, "You have chosen")) << session.output;
    type(session, "7");
    ASSERT_TRUE(awaitOutput(session, text::numberPrompt)) << session.output;
    const std::string announced = startScreen() + onTerminal("1\n" + std::string(text::chosen1));
    const std::string clear = GetParam().setEnvironment.empty() ? std::string(clearScreen) : "";
    EXPECT_EQ(session.output, announced + clear + std::string(text::numberPrompt));
    const auto shown =
        between(session.arrivals[announced.size() - 2], session.arrivals[announced.size()]);
    EXPECT_GE(shown.count(), 1495) << "the announcement stays for 1.5 s";

    type(session, "10\rtyped ahead");
    ASSERT_TRUE(awaitOutput(session, pausePrompt)) << session.output;
    EXPECT_TRUE(awaitOutput(session, std::string(text::result) + "1010\r\n\r\n")) << session.output;
    EXPECT_TRUE(staysQuiet(session, 400ms)) << "the pause waits for a key";
    type(session, "k");
    EXPECT_EQ(exitStatus(awaitEnd(session)), 0);
    EXPECT_TRUE(endsWith(session.output, std::string(pausePrompt) + "\r\n")) << session.output;
    EXPECT_TRUE(terminalRestored(session));
}

INSTANTIATE_TEST_SUITE_P(Terminal, TypedAhead,
                         testing::Values(SessionOptions{}, withEnvironment({"TERM=dumb"})));

// The Windows build on the console Wine gives it, started up to its menu; the Windows build's
// tests run these, naming the program in WINDOWS_PROGRAM. False when no program is named.
bool startUnderWine(Session &session) {
    const char *program = std::getenv("WINDOWS_PROGRAM");
    if (program == nullptr) {
        return false;
    }
    SessionOptions options;
    options.arguments = {"wine", program};
    session = startSession(options);
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

// Keys typed while the announcement stands are thrown away, as on a POSIX terminal: the number
// prompt starts empty. Keys typed before the pause began do not end it.
TEST(Wine, PauseIgnoresKeysTypedDuringTheAnnouncement) {
    Session session;
    if (!startUnderWine(session)) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    type(session, "1\r");
    ASSERT_TRUE(awaitShown(session, "You have chosen")) << shownText(session.output);
    type(session, "10\r");
    ASSERT_TRUE(awaitShown(session, text::numberPrompt)) << shownText(session.output);
    type(session, "5\rtyped ahead");
    const std::string pause =
        std::string(text::result) + "101\r\r\n\r\r\n" + std::string(text::pauseStart);
    ASSERT_TRUE(awaitShown(session, pause)) << shownText(session.output);
    EXPECT_TRUE(staysQuiet(session, 500ms)) << "typed-ahead keys must not end the pause";
    type(session, " ");
    EXPECT_EQ(awaitWineEnd(session), 0);
}

// A refusal's "exiting..." gets a newline at the end, so that the shell's prompt starts on a line
// of its own. The Windows console keeps what follows the choice for the number prompt.
TEST(Wine, EndsTheLastLine) {
    Session session;
    if (!startUnderWine(session)) {
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
// to the terminal's foreground process group ("~number"), lets time pass ("+ms"), sees that
// nothing arrives for a while ("-ms"), or that the terminal has the settings it started with
// ("="). Then the session ends in time, with the terminal as it started and the output as it
// must end.
struct Scenario {
    const char *name;
    const char *script;
    std::vector<std::string> steps;
    std::string ending;
    milliseconds endsWithin = 10000ms;
};

void PrintTo(const Scenario &c, std::ostream *out) {
    *out << c.name;
}

class Job : public testing::TestWithParam<Scenario> {};

TEST_P(Job, LeavesTheTerminalAsItWas) {
    const Scenario &c = GetParam();
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
            kill(-tcgetpgrp(session.terminal), std::stoi(text));
        } else if (step[0] == '=') {
            EXPECT_TRUE(terminalRestored(session)) << session.output;
        } else {
            const milliseconds length{std::stoi(text)};
            if (step[0] == '-') {
                EXPECT_TRUE(staysQuiet(session, length)) << session.output;
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

INSTANTIATE_TEST_SUITE_P(
    Terminal, Job,
    testing::Values(
        // After bg the program leaves the terminal alone, and after fg the pause shows its
        // prompt again, once, and waits for its key; in the background it can be ended, and
        // writes nothing as it ends (bg again, for dash may have seen it stop, and dash's own
        // word on the end away). Piped, its output is the dialogue alone.
        Scenario{"BgThenFg",
                 "set -m; before=$(stty -g); \"$0\"; bg >/dev/null; sleep 0.5; "
                 "[ \"$before\" = \"$(stty -g)\" ] && echo sane; fg >/dev/null; echo s=$?",
                 toThePause({"!\x1a", "?sane", "?" + prompt, "-500", "!k"}),
                 prompt + "sane\r\n\r\n" + prompt + "\r\ns=0\r\n"},
        Scenario{"BgThenKill",
                 "set -m; \"$0\"; bg >/dev/null; sleep 0.5; kill %1; bg >/dev/null; "
                 "wait %1 2>/dev/null; echo s=$?",
                 toThePause({"!\x1a"}), prompt + "s=143\r\n"},
        Scenario{"PipedOutput", "set -m; \"$0\" | cat; fg >/dev/null; echo s=$?",
                 toThePause({"!\x1a", "+300", "-500", "!k"}),
                 "101\r\n\r\n" + prompt + "\r\ns=0\r\n"},
        // A shell that reads a line after the program finds nothing left of the keys: of an
        // arrow key that comes a byte at a time, of a paste longer than one read, of keys
        // hidden during the announcement when a signal ends the program; which adds no line
        // after a full one.
        Scenario{"ArrowKey", "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 toThePause({"!\x1b", "+5", "![", "+5", "!A", "+300", "!\r"}),
                 prompt + "\r\n\r\nrest=[]\r\n"},
        Scenario{"Paste", "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 toThePause({"!a pasted line, longer than one read takes\r", "+300", "!\r"}),
                 prompt + "\r\n\r\nrest=[]\r\n"},
        Scenario{"TermDuringTheAnnouncement",
                 "set -m; \"$0\"; IFS= read -r rest; echo \"rest=[$rest]\"",
                 {menu, "!1\r", "?chosen", "!typed", "+100", "~15", "+300", "!\r"},
                 announcement + "Terminated\r\n\r\nrest=[]\r\n"},
        // Signals that meet, with the output held (Ctrl-S, until the next Ctrl-Z lets it go)
        // to keep each window open: an end and a stop; a stop as the program is continued; a
        // stop once it has given the terminal back (and Enter sends a carriage return alone).
        Scenario{"StopInsideAnEnd", "set -m; \"$0\"; fg >/dev/null; echo s=$?",
                 toThePause({"!\x13", "~15", "+300", "!\x1a"}),
                 prompt + "^Z\r\nTerminated\r\ns=143\r\n"},
        Scenario{
            "StopAsItContinues",
            "set -m; before=$(stty -g); \"$0\"; sleep 1; fg >/dev/null; "
            "[ \"$before\" = \"$(stty -g)\" ] && echo sane; fg >/dev/null; echo s=$?",
            toThePause({"!\x1a", "+300", "!\x13", "+1200", "!\x1a", "?sane", "?" + prompt, "!k"}),
            "\r\ns=0\r\n"},
        Scenario{"StopAfterTheLastRestore",
                 "set -m; stty -icrnl; before=$(stty -g); \"$0\"; fg >/dev/null; "
                 "[ \"$before\" = \"$(stty -g)\" ] && echo sane; stty icrnl",
                 {menu, "!1 1048576\r", "?" + refusal, "!\x13", "+3200", "!\x1a"},
                 refusal + "^Z\r\nsane\r\n"},
        // A continue with no stop before it neither shortens nor lengthens a wait (it would
        // end 2.8 s later), and shows no line again.
        Scenario{"ContinueWithNoStop",
                 "",
                 {menu, "!1 1048576\r", "?" + refusal, "+1500", "~18", "-1000"},
                 refusal + "\r\n",
                 1300ms},
        // In the background the program stops before it clears the screen, and its read fails
        // where SIGTTIN is ignored.
        Scenario{
            "ClearWaitsForFg",
            "set -m; \"$0\"; bg >/dev/null; sleep 2; echo fg; fg >/dev/null; echo s=$?",
            {menu, "!1\r", "?chosen", "!\x1a", "?fg\r\n", "?number ", "!10\r", "?" + prompt, "!k"},
            announcement + "fg\r\n" + clear + std::string(text::numberPrompt) + "10\r\n" +
                onTerminal(std::string(text::result) + "1010\n\n") + prompt + "\r\ns=0\r\n"},
        Scenario{"ReadErrorInTheBackground",
                 "set -m; trap '' TTIN; \"$0\"; bg >/dev/null; wait %1; echo s=$?",
                 toThePause({"!\x1a", "+300", "!\r"}),
                 prompt + "\r\n" + std::string(text::error) +
                     "read error: Input/output error\r\ns=1\r\n"},
        // On a terminal that is not the program's controlling terminal, nothing is changed:
        // the pause ends with Enter.
        Scenario{"NotTheControllingTerminal", "setsid -w \"$0\"; echo s=$?",
                 toThePause({"=", "!k\r"}), prompt + "k\r\n\r\ns=0\r\n"}),
    [](const testing::TestParamInfo<Scenario> &info) { return info.param.name; });

// Stopped for a second in the middle of the banner: after fg the marks drawn so far are shown
// again on a line of their own, and the rest keep their pace as if no time had passed.
TEST(Terminal, CtrlZDuringTheBannerLosesNeitherMarksNorPace) {
    const char *script = "set -m; \"$0\"; echo stopped; sleep 1; fg >/dev/null";
    Session session = startSession(underShell(script));
    ASSERT_TRUE(awaitOutput(session, "########")) << session.output;
    type(session, "\x1a");
    ASSERT_TRUE(awaitOutput(session, "stopped\r\n")) << session.output;
    const std::size_t resumed = session.output.find("stopped\r\n") + 9;
    const auto drawn = static_cast<std::size_t>(
        std::count(session.output.begin(), session.output.begin() + resumed, '#'));
    ASSERT_TRUE(awaitOutput(session, text::choicePrompt)) << session.output;

    ASSERT_EQ(session.output.substr(resumed, 62), "\r\n" + startScreen().substr(0, 60))
        << session.output;
    const auto marks = bannerMarkArrivals(session, resumed + 2);
    // A mark late by a loaded machine leaves the next a shorter gap; a burst leaves none.
    for (std::size_t i = drawn + 1; i < marks.size(); ++i) {
        EXPECT_GE(between(marks[i - 1], marks[i]).count(), 20)
            << "mark " << i << " came with the one before it";
    }
    type(session, "0\r");
    awaitEnd(session);
}

// A refusal stands for its 2.8 s, then the shell's prompt starts on a line of its own. A terminal
// that cannot take escape sequences (TERM dumb, empty or unset) gets none. Where another program
// left Enter sending a carriage return alone, it still ends each line.
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
                                         underShell("stty -icrnl; exec \"$0\"")));

// A stand-in viewer that stays open as a viewer does, once sure it was given the image, no
// terminal, and a process group of its own, which the terminal's Ctrl-C does not reach;
// VIEWER_FAILS makes it fail.
void makeViewer() {
    mkdir(BINARY_DIR "/viewer", 0755);
    std::ofstream(BINARY_DIR "/viewer/xdg-open")
        << "#!/bin/sh\ncmp -s \"$1\" " SOURCE_DIR "/ressources/pic/picture/meme.jpg && "
           "[ -z \"$VIEWER_FAILS\" ] &&\n"
           "[ \"$(readlink /proc/self/fd/0) $(readlink /proc/self/fd/2)\" = \"/dev/null "
           "/dev/null\" ] && [ \"$(cut -d' ' -f5 /proc/$$/stat)\" = $$ ] "
           "|| exit 1\nexec sleep 5\n";
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
            "/installed/bin/../share/binary-converter/ressources/pic/picture/meme.jpg";
    const std::string line =
        whyNot.empty() ? ""
                       : std::string(text::error) + "cannot open " + image + ": " + whyNot + "\n";
    EXPECT_EQ(session.output,
              startScreen() + onTerminal("5\n" + std::string(text::easterEgg) + line) + prompt);
    type(session, "k");
    EXPECT_EQ(exitStatus(awaitEnd(session)), 0);
}

const std::string withViewer = "PATH=" BINARY_DIR "/viewer:/usr/bin:/bin";

INSTANTIATE_TEST_SUITE_P(
    Terminal, HiddenChoice,
    testing::Values(ImageCase{"Shown", withEnvironment({"DISPLAY=:99", withViewer}), ""},
                    ImageCase{"ViewerFails",
                              withEnvironment({"DISPLAY=:99", withViewer, "VIEWER_FAILS=1"}),
                              "xdg-open failed to show it"},
                    ImageCase{"NoDesktop", withEnvironment({}, {"DISPLAY", "WAYLAND_DISPLAY"}),
                              "no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)"},
                    ImageCase{"NoImage", withEnvironment({"DISPLAY=:99"}, {}, "/"),
                              "No such file or directory"},
                    ImageCase{"Installed",
                              withEnvironment({"DISPLAY=:99", withViewer}, {}, "/",
                                              {BINARY_DIR "/installed/bin/binary-converter"}),
                              ""},
                    ImageCase{"InstalledViewerFails",
                              withEnvironment({"DISPLAY=:99", withViewer, "VIEWER_FAILS=1"}, {},
                                              "/", {BINARY_DIR "/installed/bin/binary-converter"}),
                              "xdg-open failed to show it"},
                    ImageCase{"NoViewer",
                              withEnvironment({"WAYLAND_DISPLAY=wayland-9", "PATH=/nonexistent"}),
                              "cannot start the viewer xdg-open: No such file or directory"}),
    [](const testing::TestParamInfo<ImageCase> &info) { return info.param.name; });

} // namespace
