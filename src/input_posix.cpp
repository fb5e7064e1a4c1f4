// Standard input on POSIX: the bytes read and not yet taken, and a key press at the pause. Every
// read comes after a wait that found it would not block, and the line a stop left owed shown.

#include "input_posix.hpp"

#include "console.hpp"
#include "output_posix.hpp"
#include "waits_posix.hpp"

#include <array>
#include <cerrno>

#include <unistd.h>

namespace {

// Longer than a terminal takes between the bytes of one key, or the pieces of a paste, which it
// sends as fast as the terminal takes them; shorter than between two keys a person types.
constexpr std::chrono::milliseconds keyGap{50};

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

// Until standard input can be read, the line a stop left owed shown first, also when a stop
// comes during the wait.
void awaitInput() {
    do {
        showOwedLine();
    } while (waitToRead(STDIN_FILENO) == Waited::continued);
}

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
// like another. The key ends once no byte has come for the gap since the last one.
void takeOneKey() {
    Bytes bytes{};
    awaitInput();
    if (readInput(bytes) == 0) {
        return;
    }
    for (auto gapEnds = consoleNow() + keyGap;
         waitToReadUntil(STDIN_FILENO, gapEnds) == Waited::ready && readInput(bytes) > 0;
         gapEnds = consoleNow() + keyGap) {
    }
}

int consoleReadChar() {
    if (input.next == input.end) {
        if (input.ended) {
            return consoleEndOfInput;
        }
        awaitInput();
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
