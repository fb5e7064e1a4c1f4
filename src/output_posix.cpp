// Output and error lines on POSIX: the writer writes what a descriptor takes now, and these
// wait between its calls, where the signals are answered.

#include "output_posix.hpp"

#include "signals_posix.hpp"
#include "waits_posix.hpp"
#include "writer_posix.hpp"

#include <array>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace {

// Writes all of text to the stream, and first what is owed of the line: 0, or the errno of the
// write that failed. A wait's answer makes no difference: the writer writes what is due.
int writeAll(Stream stream, std::string_view text, Clears clears = Clears::nothing) {
    while (!text.empty() || writerOwes()) {
        (void)waitToWrite(writerDescriptor(stream));
        const bool paying = writerOwes();
        const long written = writerWrite(stream, text, clears);
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            return errno;
        }
        if (written == 0 && !paying) {
            return EIO;
        }
        text.remove_prefix(written > 0 ? static_cast<std::size_t>(written) : 0);
    }
    return 0;
}

} // namespace

void writeOutput(std::string_view text, Clears clears) {
    const int error = writeAll(Stream::output, text, clears);
    if (error != 0) {
        fail("write error: ", error);
    }
}

// A terminal that fails the line fails the next output, which reports it.
void showOwedLine() {
    (void)writeAll(Stream::output, {});
}

void fail(std::string_view what, int error) {
    signalsEnd();
    // The error line says what went wrong.
    (void)writerEndLine();
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
    (void)writeAll(Stream::errors, {line.data(), used});
}
