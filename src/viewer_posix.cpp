// The hidden choice's image, shown by the desktop's viewer.

#include "console_posix.hpp"

#include "console.hpp"

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
// tells it (Linux); false when there is none.
bool findInstalledImage(Path &path) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return false;
    }
    const std::string_view program(path.data(), static_cast<std::size_t>(length));
    const std::size_t folder = program.rfind('/') + 1;
    if (folder + installedImage.size() >= path.size()) {
        return false;
    }
    path[folder + installedImage.copy(path.data() + folder, installedImage.size())] = '\0';
    return access(path.data(), R_OK) == 0;
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

// Gives the viewer a moment to fail; one that stays open is left to run.
void awaitViewer(pid_t viewer, const char *image) {
    const auto deadline = consoleNow() + viewerWait;
    while (consoleNow() < deadline) {
        int status = 0;
        const pid_t done = waitpid(viewer, &status, WNOHANG);
        if (done == viewer) {
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                reportImage(image, {viewerProgram, " failed to show it"});
            }
            return;
        }
        if (done < 0) {
            return;
        }
        consoleSleepUntil(consoleNow() + std::chrono::milliseconds{20});
    }
}

} // namespace

void consoleOpenImage() {
    if (viewerNeedsDesktopSession && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")) {
        reportImage(imagePath, {"no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set)"});
        return;
    }
    Path installed{};
    const char *image = findImage(installed);
    if (image == nullptr) {
        reportImage(imagePath, {std::strerror(errno)});
        return;
    }
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // A process group of its own: Ctrl-C or Ctrl-Z at the pause is for the program, not for the
    // viewer, which stays open. None of the signals the program holds back is held back there.
    posix_spawnattr_t ownGroup;
    posix_spawnattr_init(&ownGroup);
    posix_spawnattr_setflags(&ownGroup, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&ownGroup, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&ownGroup, &none);
    std::array<char *, 3> arguments{const_cast<char *>(viewerProgram), const_cast<char *>(image),
                                    nullptr};
    pid_t viewer = 0;
    const int error =
        posix_spawnp(&viewer, viewerProgram, &quiet, &ownGroup, arguments.data(), environ);
    posix_spawnattr_destroy(&ownGroup);
    posix_spawn_file_actions_destroy(&quiet);
    if (error != 0) {
        reportImage(image, {"cannot start the viewer ", viewerProgram, ": ", std::strerror(error)});
        return;
    }
    awaitViewer(viewer, image);
}
