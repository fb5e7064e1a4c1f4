// Standard input on POSIX: the bytes read and not yet taken, and a key press at the pause. Every
// read comes after a wait that found it would not block.

#include "input_posix.hpp"

#include "console.hpp"
#include "output_posix.hpp"
#include "waits_posix.hpp"

#include <array>
#include <cerrno>

#include <unistd.h>

namespace {

constexpr unsigned char escapeKey = 0x1b;
constexpr std::chrono::milliseconds keySequenceGap{50};

using Bytes = std::array<unsigned char, 4096>;

// Standard input, as read and not yet taken. Once a read finds its end, it has ended for the
// rest of the run, as C's standard input keeps its end-of-file mark.
struct Input {
    Bytes bytes{};
    std::size_t next = 0;
    std::size_t end = 0;
    bool ended = false;
};
Input input;

// Reads what standard input holds now, once it holds anything: 0 at its end.
std::size_t readInput(Bytes &bytes) {
    ssize_t got = 0;
    do {
        got = read(STDIN_FILENO, bytes.data(), bytes.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        fail("read error: ", errno);
    }
    return static_cast<std::size_t>(got);
}

} // namespace

// A fresh read, whatever the reads before it found: a terminal's end of input (Ctrl-D) is a key
// like another.
void takeOneKey() {
    Bytes bytes{};
    waitFor(STDIN_FILENO, true, nullptr);
    if (readInput(bytes) != 1 || bytes[0] != escapeKey) {
        return;
    }
    auto gapEnds = consoleNow() + keySequenceGap;
    while (waitFor(STDIN_FILENO, true, &gapEnds) && readInput(bytes) > 0) {
        gapEnds = consoleNow() + keySequenceGap;
    }
}

int consoleReadChar() {
    if (input.next == input.end) {
        if (input.ended) {
            return consoleEndOfInput;
        }
        waitFor(STDIN_FILENO, true, nullptr);
        input.end = readInput(input.bytes);
        input.next = 0;
        input.ended = input.end == 0;
        if (input.ended) {
            return consoleEndOfInput;
        }
    }
    return input.bytes[input.next++];
}

// Only the byte just read is ever handed back, and it is still in the buffer.
void consoleUnreadChar(int /*character*/) {
    --input.next;
}
