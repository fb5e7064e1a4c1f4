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
                               std::string workingDirectory = {}) {
    SessionOptions options;
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

// Starts the program and brings it to the pause after a conversion.
Session sessionAtThePause(const SessionOptions &options = {}) {
    Session session = startSession(options);
    answerUpToThePause(session, "1\r", "5\r");
    return session;
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

// Keys typed during the announcement are wiped from the screen by the clear, and dropped from the
// input with them; keys typed before the pause began do not end it.
TEST(Terminal, ConvertsWhatIsTypedAfterTheClearAndWaitsForAFreshKey) {
    Session session = sessionAt("1\r");
    ASSERT_TRUE(awaitOutput(session, "You have chosen")) << session.output;
    type(session, "7");
    ASSERT_TRUE(awaitOutput(session, "enter a number ")) << session.output;
    const std::string announced =
        startScreen() + onTerminal("1\nYou have chosen \"Convert Decimal to Binary\"\n") + "7";
    EXPECT_EQ(session.output, announced + std::string(clearScreen) + "enter a number ");
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

// The Windows build on the console Wine gives it; the Windows build's tests run this, naming the
// program in WINDOWS_PROGRAM.
TEST(Wine, PauseIgnoresKeysTypedDuringTheAnnouncement) {
    const char *program = std::getenv("WINDOWS_PROGRAM");
    if (program == nullptr) {
        GTEST_SKIP() << "WINDOWS_PROGRAM names no program";
    }
    SessionOptions options;
    options.arguments = {"wine", program};
    Session session = startSession(options);
    ASSERT_TRUE(awaitShown(session, "Your Choice: ", 20s)) << shownText(session.output);
    ASSERT_TRUE(awaitKeyAtATime(session));
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

// A shell runs the program and then reads a line: any byte of the key that the pause left
// behind would show up in that line.
TEST(Terminal, PauseTakesAWholeArrowKeyAndRestoresTheTerminal) {
    const char *script = "before=$(stty -g); \"$0\"; status=$?; after=$(stty -g); "
                         "[ \"$before\" = \"$after\" ] && echo restored; echo status=$status; "
                         "IFS= read -r rest; echo \"rest=[$rest]\"";
    Session session = startSession(underShell(script));
    answerUpToThePause(session, "2\r", "255\r");
    EXPECT_TRUE(awaitOutput(session, "Number Converted: 1515\r\n")) << session.output;
    // A byte at a time, as a slow line brings it.
    for (const char *byte : {"\x1b", "[", "A"}) {
        type(session, byte);
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(awaitOutput(session, "status=0\r\n")) << session.output;
    type(session, "\r");
    EXPECT_TRUE(awaitOutput(session, "rest=[]")) << session.output;
    EXPECT_TRUE(awaitOutput(session, "restored\r\nstatus=0")) << session.output;
    awaitEnd(session);
}

struct PauseSignal {
    const char *name;
    int signal;
    const char *key; // typed at the terminal; nullptr: sent with kill
    bool ignoredAtStart; // as under nohup: it stays ignored, and the pause waits on
};

class SignalAtThePause : public testing::TestWithParam<PauseSignal> {};

TEST_P(SignalAtThePause, RestoresTheTerminalAndEndsByThatSignal) {
    const PauseSignal &c = GetParam();
    SessionOptions options;
    if (c.ignoredAtStart) {
        options.ignoredSignals = {c.signal};
    }
    Session session = sessionAtThePause(options);
    if (c.key != nullptr) {
        type(session, c.key);
    } else {
        kill(session.pid, c.signal);
    }
    if (c.ignoredAtStart) {
        EXPECT_TRUE(staysQuiet(session, 300ms)) << session.output;
        type(session, "k");
    }
    const int status = awaitEnd(session);
    EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : 0, c.ignoredAtStart ? 0 : c.signal)
        << "wait status " << status;
    EXPECT_TRUE(terminalRestored(session));
}

INSTANTIATE_TEST_SUITE_P(Terminal, SignalAtThePause,
                         testing::Values(PauseSignal{"CtrlC", SIGINT, "\x03", false},
                                         PauseSignal{"CtrlBackslash", SIGQUIT, "\x1c", false},
                                         PauseSignal{"Term", SIGTERM, nullptr, false},
                                         PauseSignal{"Hup", SIGHUP, nullptr, false},
                                         PauseSignal{"Pipe", SIGPIPE, nullptr, false},
                                         PauseSignal{"IgnoredTerm", SIGTERM, nullptr, true},
                                         PauseSignal{"IgnoredHup", SIGHUP, nullptr, true}),
                         [](const testing::TestParamInfo<PauseSignal> &info) {
                             return info.param.name;
                         });

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

// A shell with job control runs the program: Ctrl-Z at the pause must leave the shell a sane
// terminal, and after fg the pause shows its prompt again and goes on waiting for its key.
TEST(Terminal, CtrlZAtThePauseGivesTheShellASaneTerminalUntilFg) {
    const char *script = "set -m; before=$(stty -g); \"$0\"; "
                         "[ \"$before\" = \"$(stty -g)\" ] && echo sane-while-stopped; "
                         "fg >/dev/null; echo status=$?";
    Session session = startSession(underShell(script));
    answerUpToThePause(session, "1\r", "5\r");
    type(session, "\x1a");
    ASSERT_TRUE(awaitOutput(session, "sane-while-stopped\r\n\r\n" + std::string(pausePrompt)))
        << session.output;
    EXPECT_TRUE(staysQuiet(session, 500ms)) << "after fg the pause waits again";
    type(session, "k");
    EXPECT_TRUE(awaitOutput(session, "status=0")) << session.output;
    awaitEnd(session);
}

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
// that cannot take escape sequences (TERM dumb, or no TERM) gets none.
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
                                         withEnvironment({}, {"TERM"})));

// A stand-in viewer that stays open as a viewer does, once sure it was given the image and no
// terminal; VIEWER_FAILS makes it fail.
void makeViewer() {
    mkdir(BINARY_DIR "/viewer", 0755);
    std::ofstream(BINARY_DIR "/viewer/xdg-open")
        << "#!/bin/sh\n[ \"$1\" = ./ressources/pic/picture/meme.jpg ] && [ -z \"$VIEWER_FAILS\" ] "
           "&&\n"
           "[ \"$(readlink /proc/self/fd/0) $(readlink /proc/self/fd/2)\" = \"/dev/null "
           "/dev/null\" ] "
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
                    ImageCase{"NoViewer",
                              withEnvironment({"WAYLAND_DISPLAY=wayland-9", "PATH=/nonexistent"}),
                              "cannot start the viewer xdg-open: No such file or directory"}),
    [](const testing::TestParamInfo<ImageCase> &info) { return info.param.name; });

} // namespace
