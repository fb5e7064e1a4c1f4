// Output on POSIX, and the error lines: each write comes after a wait that found it would not
// block.

#include "output_posix.hpp"

#include "signals_posix.hpp"
#include "terminal_posix.hpp"
#include "waits_posix.hpp"

#include <array>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// Writes all of text to fd: 0, or the errno of the write that failed.
int writeAll(int fd, std::string_view text, bool clearsTheScreen = false) {
    while (!text.empty()) {
        waitFor(fd, false, nullptr);
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        const auto done = static_cast<std::size_t>(written);
        if (fd == terminalOutput()) {
            terminalWritten(text.substr(0, done), clearsTheScreen);
        }
        text.remove_prefix(done);
    }
    return 0;
}

} // namespace

void writeOutput(std::string_view text, bool clearsTheScreen) {
    const int error = writeAll(terminalOutput(), text, clearsTheScreen);
    if (error != 0) {
        fail("write error: ", error);
    }
}

void fail(std::string_view what, int error) {
    signalsEnd();
    // The error line says what went wrong.
    (void)terminalEndLine();
    reportError({what, std::strerror(error)});
    _exit(1);
}

void reportError(std::initializer_list<std::string_view> parts,
                 std::initializer_list<std::string_view> more) {
    constexpr std::string_view program = "binary-converter: ";
    std::array<char, 512> line{};
    std::size_t used = program.copy(line.data(), line.size());
    for (const auto list : {parts, more}) {
        for (const std::string_view part : list) {
            used += part.copy(line.data() + used, line.size() - 1 - used);
        }
    }
    line[used++] = '\n';
    // Nothing is left to tell of a failure to tell.
    (void)writeAll(terminalErrors(), {line.data(), used});
}
