// The one writer on POSIX: the descriptors the program writes through, the line the cursor is on,
// and what of it a stop left owed to the screen.
//
// On its controlling terminal the program writes through a descriptor of its own, /dev/tty,
// opened with O_NONBLOCK, so that a terminal holding its output (Ctrl-S) can never keep a write
// waiting outside the waits where signals are answered, even when it is held between the wait
// and the write: the write fails with EAGAIN and the program waits again. Standard output and
// error are shared with the shell, which must not find them non-blocking. Elsewhere (a terminal
// that is not the controlling terminal, a descriptor past FD_SETSIZE, a pipe, a file) the program
// writes to standard output and error once a wait has found that it can.

#include "writer_posix.hpp"

#include "terminal_posix.hpp"

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool outputIsTerminal = false;
int output = STDOUT_FILENO;
int errors = STDERR_FILENO;
std::array<char, 128> line{}; // the line the cursor is on, as far as the program wrote it
std::size_t lineLength = 0;
std::size_t owed = 0; // bytes still to be shown of a newline and the line

// The program's own descriptor for fd, where fd is the controlling terminal: /dev/tty, which
// names that terminal and which any user may open (the terminal's own name may be another
// user's, after su). Else fd itself.
int ownDescriptorFor(int fd) {
    if (isatty(fd) == 0 || tcgetsid(fd) != getsid(0)) {
        return fd;
    }
    const int own = open("/dev/tty", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (own >= FD_SETSIZE) {
        (void)close(own); // never written to
    }
    return own >= 0 && own < FD_SETSIZE ? own : fd;
}

void noteShown(std::string_view text, Clears clears) {
    const std::size_t lineEnd = text.rfind('\n');
    if (clears == Clears::screen || lineEnd != std::string_view::npos) {
        lineLength = 0;
        text.remove_prefix(clears == Clears::screen ? text.size() : lineEnd + 1);
    }
    lineLength += text.copy(line.data() + lineLength, line.size() - lineLength);
}

// A terminal that fails the line is left to fail the next output, which reports it.
long writeOwed() {
    const std::size_t from = lineLength + 1 - owed;
    const ssize_t written =
        from == 0 ? write(output, "\n", 1) : write(output, line.data() + from - 1, owed);
    if (written > 0) {
        owed -= static_cast<std::size_t>(written);
    } else if (errno == EAGAIN || errno == EINTR) {
        return -1;
    } else {
        owed = 0;
    }
    return 0;
}

bool writableNow(int fd) {
    pollfd target{fd, POLLOUT, 0};
    return poll(&target, 1, 0) == 1 && (target.revents & POLLOUT) != 0;
}

} // namespace

void writerBegin() {
    outputIsTerminal = isatty(STDOUT_FILENO) != 0;
    output = ownDescriptorFor(STDOUT_FILENO);
    errors = ownDescriptorFor(STDERR_FILENO);
}

int writerDescriptor(Stream stream) {
    return owed > 0 || stream == Stream::output ? output : errors;
}

long writerWrite(Stream stream, std::string_view text, Clears clears) {
    if (owed > 0) {
        return writeOwed();
    }
    const int fd = stream == Stream::output ? output : errors;
    const ssize_t written = write(fd, text.data(), text.size());
    if (written > 0 && stream == Stream::output) {
        noteShown(text.substr(0, static_cast<std::size_t>(written)), clears);
    }
    return written;
}

// The line comes back only where the program's process group is the foreground process group.
void writerOweLine() {
    if (outputIsTerminal && lineLength > 0 && terminalInForeground(output)) {
        owed = lineLength + 1;
    }
}

bool writerOwes() {
    return owed > 0;
}

// The program's own descriptor answers EAGAIN at once; standard output is asked first.
int writerEndLine() {
    if (!outputIsTerminal || lineLength == 0 || terminalInBackground(output)) {
        return 0;
    }
    lineLength = 0;
    if (output == STDOUT_FILENO && !writableNow(output)) {
        return 0;
    }
    const ssize_t written = write(output, "\n", 1);
    return written < 0 && errno != EAGAIN ? errno : 0;
}
