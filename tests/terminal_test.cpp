#include "terminal_session.hpp"

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
constexpr std::string_view pausePrompt = "Press any key to continue . . . ";

milliseconds between(SessionClock::time_point from, SessionClock::time_point to) {
    return std::chrono::duration_cast<milliseconds>(to - from);
}

SessionOptions underShell(const char *script) {
    SessionOptions options;
    options.arguments = {"bash", "-c", script, PROGRAM_PATH};
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
    answer(session, "Your Choice: ", choice);
    return session;
}

// Answers the menu and the number prompt, and waits for the pause.
void answerUpToThePause(Session &session, std::string_view choice, std::string_view number) {
    answer(session, "Your Choice: ", choice);
    answer(session, "number ", number);
    EXPECT_TRUE(awaitOutput(session, pausePrompt)) << session.output;
}

TEST(Terminal, DrawsEachMarkBeforeItsPauseAndReachesTheMenuOnTime) {
    Session session = startSession();
    ASSERT_TRUE(awaitOutput(session, "Your Choice: ")) << session.output;
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
    EXPECT_EQ(session.output, startScreen() + "0\r\nInvalid Choice\r\n");
}

// Keys typed during the announcement are neither shown nor kept: the clear, where the terminal
// can take one, finds none on the screen, and the number prompt starts empty. Keys typed before
// the pause began do not end it.
class TypedAhead : public testing::TestWithParam<SessionOptions> {};

TEST_P(TypedAhead, ConvertsWhatIsTypedAfterTheClearAndWaitsForAFreshKey) {
    Session session = sessionAt("1\r", GetParam());
    ASSERT_TRUE(awaitOutput(session, "You have chosen")) << session.output;
    type(session, "7");
    ASSERT_TRUE(awaitOutput(session, "enter a number ")) << session.output;
    const std::string announced =
        startScreen() + onTerminal("1\nYou have chosen \"Convert Decimal to Binary\"\n");
    const std::string clear = GetParam().setEnvironment.empty() ? std::string(clearScreen) : "";
    EXPECT_EQ(session.output, announced + clear + "enter a number ");
    const auto shown =
        between(session.arrivals[announced.size() - 2], session.arrivals[announced.size()]);
    EXPECT_GE(shown.count(), 1495) << "the announcement stays for 1.5 s";

    type(session, "10\rtyped ahead");
    ASSERT_TRUE(awaitOutput(session, pausePrompt)) << session.output;
    EXPECT_TRUE(awaitOutput(session, "Number Converted: 1010\r\n\r\n")) << session.output;
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
    EXPECT_TRUE(awaitShown(session, "Your Choice: ", 20s)) << shownText(session.output);
    EXPECT_TRUE(awaitKeyAtATime(session));
    return true;
}

TEST(Wine, PauseIgnoresKeysTypedDuringTheAnnouncement) {
    Session session;
    if (!startUnderWine(session)) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    type(session, "4\r");
    ASSERT_TRUE(awaitShown(session, "You have chosen")) << shownText(session.output);
    type(session, "typed ahead\rand more");
    ASSERT_TRUE(awaitShown(session, "Coming soon !")) << shownText(session.output);
    ASSERT_TRUE(awaitShown(session, "Press any key")) << shownText(session.output);
    EXPECT_TRUE(staysQuiet(session, 500ms)) << "typed-ahead keys must not end the pause";
    type(session, " ");
    EXPECT_EQ(exitStatus(awaitEnd(session, 10s)), 0);
    EXPECT_TRUE(terminalRestored(session));
}

// A refusal's "exiting..." gets a newline at the end, so that the shell's prompt starts on a line
// of its own. The Windows console keeps what follows the choice for the number prompt.
TEST(Wine, EndsTheLastLine) {
    Session session;
    if (!startUnderWine(session)) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    type(session, "1 1048576\r");
    EXPECT_EQ(exitStatus(awaitEnd(session, 15s)), 1);
    EXPECT_TRUE(endsWith(shownText(session.output), "exiting...\r\r\n")) << session.output;
}

// A shell runs the program and then reads a line: any byte of the keys that the pause left
// behind would show up in that line. An arrow key comes a byte at a time, as a slow line brings
// it; a paste brings more than one read takes.
class KeysAtThePause : public testing::TestWithParam<std::vector<const char *>> {};

TEST_P(KeysAtThePause, LeaveNothingForTheShellAndTheTerminalRestored) {
    const char *script = "before=$(stty -g); \"$0\"; status=$?; after=$(stty -g); "
                         "[ \"$before\" = \"$after\" ] && echo restored; echo status=$status; "
                         "IFS= read -r rest; echo \"rest=[$rest]\"";
    Session session = startSession(underShell(script));
    answerUpToThePause(session, "2\r", "255\r");
    EXPECT_TRUE(awaitOutput(session, "Number Converted: 1515\r\n")) << session.output;
    for (const char *keys : GetParam()) {
        type(session, keys);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(awaitOutput(session, "status=0\r\n")) << session.output;
    type(session, "\r");
    EXPECT_TRUE(awaitOutput(session, "rest=[]")) << session.output;
    EXPECT_TRUE(awaitOutput(session, "restored\r\nstatus=0")) << session.output;
    awaitEnd(session);
}

INSTANTIATE_TEST_SUITE_P(Terminal, KeysAtThePause,
                         testing::Values(std::vector<const char *>{"\x1b", "[", "A"},
                                         std::vector<const char *>{
                                             "a pasted line, longer than one read takes\r"}));

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
    answer(session, "Your Choice: ", "1\r");
    answer(session, "number ", c.number);
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
    std::string before = startScreen() + "You have chosen \"Convert Decimal to Binary\"\n" +
                         "enter a number Number Converted: 1010\n\n";
    before.erase(std::remove(before.begin(), before.end(), '\r'), before.end());
    const std::string script = "exec prlimit --fsize=" + std::to_string(before.size()) +
                               " \"$0\" >" BINARY_DIR "/pause-output";
    SessionOptions options = underShell(script.c_str());
    options.ignoredSignals = {SIGXFSZ};
    Session session = startSession(options);
    type(session, "1 10\r");
    EXPECT_EQ(exitStatus(awaitEnd(session, 10000ms)), 1);
    EXPECT_TRUE(awaitOutput(session, "binary-converter: write error: File too large"))
        << session.output;
    EXPECT_TRUE(terminalRestored(session));
}

struct StopAtThePause {
    const char *name;
    const char *script; // echoes "mark" once the program is stopped and the terminal sane
    std::string shown; // what the terminal shows next: then a key ends the pause, or it has ended
    int promptsShownAgain;
};

class CtrlZAtThePause : public testing::TestWithParam<StopAtThePause> {};

// A shell with job control runs the program: Ctrl-Z at the pause leaves the shell a sane
// terminal. After fg the pause shows its prompt again, once and only on a terminal, and goes on
// waiting for its key; in the background it changes nothing and can be ended.
TEST_P(CtrlZAtThePause, GivesTheShellASaneTerminal) {
    const StopAtThePause &c = GetParam();
    Session session = startSession(underShell(c.script));
    answerUpToThePause(session, "1\r", "5\r");
    const std::size_t stopped = session.output.size();
    type(session, "\x1a");
    ASSERT_TRUE(awaitOutput(session, "mark\r\n" + c.shown, 10000ms, stopped)) << session.output;
    if (!endsWith(c.shown, "s=143")) {
        EXPECT_TRUE(staysQuiet(session, 500ms)) << "after fg the pause waits again";
        type(session, "k");
        EXPECT_TRUE(awaitOutput(session, "\r\ns=0", 10000ms, stopped)) << session.output;
    }
    awaitEnd(session);
    const std::size_t first = session.output.find(pausePrompt, stopped);
    const int prompts =
        first == std::string::npos ? 0 : 1 + (first != session.output.rfind(pausePrompt));
    EXPECT_EQ(prompts, c.promptsShownAgain) << session.output;
}

const std::string promptAgain = "\r\n" + std::string(pausePrompt);

INSTANTIATE_TEST_SUITE_P(
    Terminal, CtrlZAtThePause,
    testing::Values(
        StopAtThePause{"BgThenFg",
                       "set -m; before=$(stty -g); \"$0\"; bg >/dev/null; sleep 0.5; "
                       "[ \"$before\" = \"$(stty -g)\" ] && echo mark; fg >/dev/null; echo s=$?",
                       promptAgain, 1},
        // kill -CONT: the job may be stopped by its read, and only a shell that knows it
        // continues it after the kill.
        StopAtThePause{"BgThenKill",
                       "set -m; before=$(stty -g); \"$0\"; bg >/dev/null; sleep 0.5; kill %1; "
                       "kill -CONT %1 2>/dev/null; wait %1; s=$?; [ \"$before\" = \"$(stty -g)\" ] "
                       "&& echo mark; echo s=$s",
                       "s=143", 0},
        StopAtThePause{"PipedOutput", "set -m; \"$0\" | cat; echo mark; fg >/dev/null; echo s=$?",
                       "", 0}),
    [](const testing::TestParamInfo<StopAtThePause> &info) { return info.param.name; });

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
    ASSERT_TRUE(awaitOutput(session, "Your Choice: ")) << session.output;

    ASSERT_EQ(session.output.substr(resumed, 62), "\r\n" + startScreen().substr(0, 60))
        << session.output;
    const auto marks = bannerMarkArrivals(session, resumed + 2);
    for (std::size_t i = drawn + 1; i < marks.size(); ++i) {
        EXPECT_GE(between(marks[i - 1], marks[i]).count(), 40)
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
    answer(session, "number ", "1048576\r");
    const std::string shown =
        onTerminal("Too high, limit is 1048575 (integer overflow)\nexiting...");
    ASSERT_TRUE(awaitOutput(session, shown)) << session.output;
    const auto refused = session.arrivals.back();
    const int status = awaitEnd(session);
    const auto waited = between(refused, SessionClock::now());
    EXPECT_EQ(exitStatus(status), 1);
    EXPECT_GE(waited.count(), 2790);
    EXPECT_LE(waited.count(), 3300);
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
    const std::string line =
        whyNot.empty()
            ? ""
            : "binary-converter: cannot open ./ressources/pic/picture/meme.jpg: " + whyNot + "\n";
    EXPECT_EQ(session.output,
              startScreen() + onTerminal("5\nEaster Egg !\n" + line) + std::string(pausePrompt));
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
                    ImageCase{"NoViewer",
                              withEnvironment({"WAYLAND_DISPLAY=wayland-9", "PATH=/nonexistent"}),
                              "cannot start the viewer xdg-open: No such file or directory"}),
    [](const testing::TestParamInfo<ImageCase> &info) { return info.param.name; });

} // namespace
