// The built program with pipes and files for its input and output: write and read errors, and
// input of any length and content.

#include "terminal_session.hpp"
#include "texts.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Output { pipe, devFull, closed };

struct PipedRun {
    int waitStatus;
    // Its output holds standard output and errors together, or the errors alone when standard
    // output is not the pipe.
    Session session;
};

// Feeds the program its input, then fillerBytes of filler, then the tail: streamed, for the child
// that fork makes to start from a small test process.
PipedRun runPiped(const std::string &input, Output output, std::size_t fillerBytes = 0,
                  char filler = ' ', const std::string &tail = {},
                  const SessionOptions &options = {}) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in) | pipe(out), 0);
    Session session;
    session.terminal = out[0];
    session.pid = startProgram(options, [&] {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDERR_FILENO);
        if (output == Output::devFull) {
            dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
        } else if (output == Output::closed) {
            close(STDOUT_FILENO);
        } else {
            dup2(out[1], STDOUT_FILENO);
        }
        for (const int fd : {in[0], in[1], out[0], out[1]}) {
            if (fd > STDERR_FILENO) {
                close(fd);
            }
        }
    });
    for (const int fd : {in[0], out[1]}) {
        close(fd);
    }
    // The program writes far less than a pipe holds, so feeding it first cannot deadlock; it
    // may end before taking everything, which only fails these writes.
    signal(SIGPIPE, SIG_IGN);
    const std::string chunk(65536, filler);
    bool open = write(in[1], input.data(), input.size()) >= 0;
    for (std::size_t sent = 0; open && sent < fillerBytes; sent += chunk.size()) {
        open = write(in[1], chunk.data(), std::min(chunk.size(), fillerBytes - sent)) >= 0;
    }
    if (open) {
        [[maybe_unused]] const ssize_t written = write(in[1], tail.data(), tail.size());
    }
    close(in[1]);
    const int waitStatus = awaitEnd(session, std::chrono::seconds{30});
    return {waitStatus, session};
}

struct StreamFailure {
    Output output;
    std::vector<const char *> arguments; // how the program is started: as it is, if empty
    std::string error; // the whole of stderr, after what the dialogue wrote to the pipe
};

// Input that cannot be read is an error too, not an answer that ended early.
TEST(Piped, StreamErrorEndsTheRunWithStatusOne) {
    const StreamFailure cases[] = {
        {Output::devFull, {}, "write error: No space left on device"},
        {Output::closed, {}, "write error: Bad file descriptor"},
        {Output::pipe, {"sh", "-c", "exec \"$0\" </", PROGRAM_PATH}, "read error: Is a directory"},
        {Output::pipe,
         {"sh", "-c", "exec \"$0\" <&-", PROGRAM_PATH},
         "read error: Bad file descriptor"},
    };
    for (const auto &c : cases) {
        SessionOptions options;
        options.arguments = c.arguments;
        const PipedRun run = runPiped("1\n10\n", c.output, 0, ' ', {}, options);
        EXPECT_EQ(exitStatus(run.waitStatus), 1) << c.error;
        const std::string shown(c.output == Output::pipe ? text::choicePrompt : "");
        EXPECT_TRUE(endsWith(run.session.output, shown + std::string(text::error) + c.error + "\n"))
            << run.session.output;
    }
}

const std::string pausePrompt = std::string(text::pause) + "\n";
std::string converted(const char *value) {
    return std::string(text::result) + value + "\n\n" + pausePrompt;
}

struct HostileInput {
    std::string what;
    std::string input;
    std::size_t fillerBytes;
    char filler;
    std::string tail;
    std::string ending;
    int status;
};

void PrintTo(const HostileInput &c, std::ostream *out) {
    *out << c.what;
}

class HostileInputTest : public testing::TestWithParam<HostileInput> {};

// A reader that wrapped would refuse a hundred megabytes of nines too: the unit tests see to the
// values, this to a clear answer in constant memory, whatever the bytes.
TEST_P(HostileInputTest, GetsAClearAnswerInLittleMemory) {
    const HostileInput &c = GetParam();
    const PipedRun run = runPiped(c.input, Output::pipe, c.fillerBytes, c.filler, c.tail);
    EXPECT_EQ(exitStatus(run.waitStatus), c.status);
    EXPECT_TRUE(endsWith(run.session.output, c.ending)) << run.session.output;
    EXPECT_EQ(run.session.output.find(text::error), std::string::npos);
    if (MEMORY_MEASURED) {
        EXPECT_LT(run.session.peakKilobytes, 8192) << "peak memory in kB";
    }
}

constexpr std::size_t hundredMegabytes = std::size_t{100} << 20;

INSTANTIATE_TEST_SUITE_P(
    Piped, HostileInputTest,
    testing::Values(
        HostileInput{"DigitsAtTheNumberPrompt", "1\n", hundredMegabytes, '9', "\n",
                     std::string(text::decimalLimit), 1},
        HostileInput{"BlanksBeforeTheNumber", "3\n", hundredMegabytes, ' ', "101", converted("5"),
                     0},
        HostileInput{"NulBytes", std::string("1\n12\0\0", 6), 0, ' ', "",
                     std::string(text::numberPrompt) + std::string(text::notANumber), 1},
        HostileInput{"ByteFFAfterTheNumber", "3\n10\xff\n", 0, ' ', "",
                     std::string(text::binaryPrompt) + std::string(text::notANumber), 1},
        HostileInput{"EndsInTheMiddleOfANumber", "3\n10", 0, ' ', "", converted("2"), 0}),
    [](const testing::TestParamInfo<HostileInput> &info) { return info.param.what; });

} // namespace
