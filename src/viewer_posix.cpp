// The hidden choice's image, shown by the desktop's viewer.

#include "console.hpp"
#include "output_posix.hpp"
#include "signals_posix.hpp"
#include "waits_posix.hpp"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

// POSIX leaves its declaration to the program.
extern char **environ; // NOLINT(readability-redundant-declaration)

namespace {

#ifdef __APPLE__
constexpr const char *viewerProgram = "open";
constexpr bool viewerNeedsDesktopSession = false;
#else
constexpr const char *viewerProgram = "xdg-open";
constexpr bool viewerNeedsDesktopSession = true;
#endif
constexpr const char *imagePath = "./ressources/pic/picture/meme.jpg";
// Where an installation puts the image, from the folder that holds the program (CMake says).
constexpr std::string_view installedImage = INSTALLED_IMAGE;
constexpr std::chrono::seconds viewerWait{2};

using Path = std::array<char, 4096>;

bool isSet(const char *name) {
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// One line naming the image tried and why it is not shown.
void reportImage(const char *image, std::initializer_list<std::string_view> reason) {
    reportError({"cannot open ", image, ": "}, reason);
}

// The image installed with the program, found from the program's own path where the system
// tells it (Linux), and named without the way there (/usr/share/..., not /usr/bin/../share/...);
// false when there is none.
bool findInstalledImage(Path &path) {
    Path beside{};
    const ssize_t length = readlink("/proc/self/exe", beside.data(), beside.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= beside.size()) {
        return false;
    }
    const std::string_view program(beside.data(), static_cast<std::size_t>(length));
    const std::size_t folder = program.rfind('/') + 1;
    if (folder + installedImage.size() >= beside.size()) {
        return false;
    }
    beside[folder + installedImage.copy(beside.data() + folder, installedImage.size())] = '\0';
    return realpath(beside.data(), path.data()) != nullptr && access(path.data(), R_OK) == 0;
}

// The image relative to the current directory, or else the one installed with the program;
// nullptr when neither can be read, with errno saying why not the first.
const char *findImage(Path &installed) {
    if (access(imagePath, R_OK) == 0) {
        return imagePath;
    }
    const int whyNot = errno;
    if (findInstalledImage(installed)) {
        return installed.data();
    }
    errno = whyNot;
    return nullptr;
}

// Gives the viewer a moment to fail; one that stays open is left to run. Its end wakes the wait.
void awaitViewer(pid_t viewer, const char *image) {
    const auto deadline = consoleNow() + viewerWait;
    int status = 0;
    pid_t ended = 0;
    while ((ended = waitpid(viewer, &status, WNOHANG)) == 0 &&
           waitUntil(deadline) != Waited::timeUp) {
        showOwedLine();
    }
    if (ended == viewer && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) {
        reportImage(image, {viewerProgram, " failed to show it"});
    }
}

// The viewer's standard streams on /dev/null, and a process group of its own: Ctrl-C or Ctrl-Z
// at the pause is for the program, not for the viewer, which stays open. It starts with the
// signal mask the program started with: nothing that the program blocks for its waits.
int prepareViewer(posix_spawn_file_actions_t &streams, posix_spawnattr_t &attributes) {
    int error = 0;
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        const int mode = fd == STDIN_FILENO ? O_RDONLY : O_WRONLY;
        error = error != 0 ? error
                           : posix_spawn_file_actions_addopen(&streams, fd, "/dev/null", mode, 0);
    }
    const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK;
    error = error != 0 ? error : posix_spawnattr_setflags(&attributes, flags);
    error = error != 0 ? error : posix_spawnattr_setpgroup(&attributes, 0);
    return error != 0 ? error : posix_spawnattr_setsigmask(&attributes, &signalsFoundMask());
}

// Starts the viewer on the image: 0, or the error that kept it from starting. Destroying what an
// init made cannot fail.
int startViewer(const char *image, pid_t &viewer) {
    posix_spawn_file_actions_t streams;
    posix_spawnattr_t attributes;
    int error = posix_spawn_file_actions_init(&streams);
    if (error != 0) {
        return error;
    }
    error = posix_spawnattr_init(&attributes);
    if (error == 0) {
        std::array<char *, 3> arguments{const_cast<char *>(viewerProgram),
                                        const_cast<char *>(image), nullptr};
        error = prepareViewer(streams, attributes);
        error = error != 0 ? error
                           : posix_spawnp(&viewer, viewerProgram, &streams, &attributes,
                                          arguments.data(), environ);
        (void)posix_spawnattr_destroy(&attributes);
    }
    (void)posix_spawn_file_actions_destroy(&streams);
    return error;
}

} // namespace

// The message names the file the viewer would be given.
void consoleOpenImage() {
    Path installed{};
    const char *image = findImage(installed);
    if (image == nullptr) {
        reportImage(imagePath, {std::strerror(errno)});
        return;
    }
    if (viewerNeedsDesktopSession && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        reportImage(image, {"no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)"});
        return;
    }
    pid_t viewer = 0;
    const int error = startViewer(image, viewer);
    if (error != 0) {
        reportImage(image, {"cannot start the viewer ", viewerProgram, ": ", std::strerror(error)});
        return;
    }
    awaitViewer(viewer, image);
}
