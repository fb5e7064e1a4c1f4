// The built program with pipes and files for its input and output: write errors, and input of
// any length and content.

#include "terminal_session.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

enum class Output { pipe, devFull, closed, closedPipe };

struct PipedRun {
    int waitStatus = 0;
    std::string output;
    std::string errors;
    long peakKilobytes = 0;
};

std::string drain(int fd) {
    std::string text;
    char bytes[4096];
    for (ssize_t got; (got = read(fd, bytes, sizeof bytes)) > 0;) {
        text.append(bytes, static_cast<std::size_t>(got));
    }
    close(fd);
    return text;
}

// Feeds the program its input, then fillerBytes of filler, then the tail: streamed, for the child
// that fork makes to start from a small test process.
PipedRun runPiped(const std::string &input, Output output, std::size_t fillerBytes = 0,
                  char filler = ' ', const std::string &tail = {}) {
    int in[2], out[2], err[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(err), 0);
    const pid_t pid = startProgram({}, [&] {
        dup2(in[0], STDIN_FILENO);
        dup2(err[1], STDERR_FILENO);
        if (output == Output::devFull) {
            dup2(open("/dev/full", O_WRONLY), STDOUT_FILENO);
        } else if (output == Output::closed) {
            close(STDOUT_FILENO);
        } else {
            dup2(out[1], STDOUT_FILENO);
        }
        for (const int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            if (fd > STDERR_FILENO) {
                close(fd);
            }
        }
    });
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (output == Output::closedPipe) {
        close(out[0]);
    }
    // The program writes far less than a pipe holds, so feeding it first cannot deadlock; it
    // may end before taking everything, which only fails the write.
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
    PipedRun run;
    if (output != Output::closedPipe) {
        run.output = drain(out[0]);
    }
    run.errors = drain(err[0]);
    rusage usage{};
    wait4(pid, &run.waitStatus, 0, &usage);
    run.peakKilobytes = usage.ru_maxrss;
    return run;
}

struct WriteFailure {
    Output output;
    std::string reason;
};

TEST(Piped, WriteErrorEndsTheRunWithStatusOne) {
    const WriteFailure cases[] = {
        {Output::devFull, "No space left on device"},
        {Output::closed, "Bad file descriptor"},
    };
    for (const auto &c : cases) {
        const PipedRun run = runPiped("1\n10\n", c.output);
        EXPECT_EQ(exitStatus(run.waitStatus), 1) << c.reason;
        EXPECT_EQ(run.errors, "binary-converter: write error: " + c.reason + "\n");
    }
}

TEST(Piped, ClosedPipeEndsTheRunBySigpipe) {
    const PipedRun run = runPiped("1\n10\n", Output::closedPipe);
    ASSERT_TRUE(WIFSIGNALED(run.waitStatus)) << "wait status " << run.waitStatus;
    EXPECT_EQ(WTERMSIG(run.waitStatus), SIGPIPE);
}

const std::string decimalLimit = "Too high, limit is 1048575 (integer overflow)\nexiting...";
const std::string pausePrompt = "Press any key to continue . . . \n";

struct HostileInput {
    std::string what;
    std::string input;
    std::size_t fillerBytes;
    char filler;
    std::string tail;
    std::string ending;
    int status;
};

class HostileInputTest : public testing::TestWithParam<HostileInput> {};

// A reader that wrapped would refuse a hundred megabytes of nines too: the unit tests see to the
// values, this to a clear answer in constant memory, whatever the bytes.
TEST_P(HostileInputTest, GetsAClearAnswerInLittleMemory) {
    const HostileInput &c = GetParam();
    const PipedRun run = runPiped(c.input, Output::pipe, c.fillerBytes, c.filler, c.tail);
    EXPECT_EQ(exitStatus(run.waitStatus), c.status);
    EXPECT_TRUE(endsWith(run.output, c.ending)) << run.output;
    EXPECT_EQ(run.errors, "");
    if (MEMORY_MEASURED) {
        EXPECT_LT(run.peakKilobytes, 8192) << "peak memory in kB";
    }
}

constexpr std::size_t hundredMegabytes = std::size_t{100} << 20;

INSTANTIATE_TEST_SUITE_P(
    Piped, HostileInputTest,
    testing::Values(HostileInput{"DigitsAtTheNumberPrompt", "1\n", hundredMegabytes, '9', "\n",
                                 decimalLimit, 1},
                    HostileInput{"BlanksBeforeTheNumber", "3\n", hundredMegabytes, ' ', "101",
                                 "Number Converted: 5\n\n" + pausePrompt, 0},
                    HostileInput{"NulBytes", std::string("1\n12\0\0", 6), 0, ' ', "",
                                 "enter a number Not a number\nexiting...", 1},
                    HostileInput{"InvalidUtf8", "3\n\xc3\x28\xff", 0, ' ', "",
                                 "enter a binary number Not a number\nexiting...", 1},
                    HostileInput{"EndsInTheMiddleOfANumber", "3\n10", 0, ' ', "",
                                 "Number Converted: 2\n\n" + pausePrompt, 0}),
    [](const testing::TestParamInfo<HostileInput> &info) { return info.param.what; });

} // namespace
