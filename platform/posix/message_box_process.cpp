#include "platform/posix/message_box_process.h"

#include "platform/argument_vector.h"
#include "platform/backend.h"
#include "platform/posix/posix_system.h"
#include "platform/process_internal.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Holds the process id of the box's owner.
constexpr char ownerVariable[] = "TUVORAN_MESSAGE_BOX_OF";

// How often the wait looks whether the box was closed; a signal wakes it at once.
constexpr int childCheckMs = 50;

std::vector<std::string> BoxEnvironment() {
    const std::string prefix = std::string(ownerVariable) + "=";
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, prefix.c_str(), prefix.size()) != 0) {
            variables.emplace_back(*variable);
        }
    }
    variables.push_back(prefix + std::to_string(getpid()));
    return variables;
}

pid_t SpawnBoxProcess(const char* caption, const char* text) {
    std::vector<std::string> arguments{ProgramName(), caption, text};
    std::vector<std::string> variables = BoxEnvironment();
    std::vector<char*> argv = ArgumentVector(arguments);
    std::vector<char*> envp = ArgumentVector(variables);

    // The box process obeys the signals that the program routes to its own handler.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    posix_spawnattr_setsigmask(&attributes, &unblocked);
    // A group of its own holds whatever helper the toolkit starts to draw the box, so that
    // the whole of it can be taken down.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETPGROUP);
    pid_t child = -1;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, &attributes, argv.data(), envp.data()) !=
        0) {
        child = -1;
    }
    posix_spawnattr_destroy(&attributes);
    return child;
}

void DrainSignalWakes(int descriptor) {
    char bytes[64];
    while (read(descriptor, bytes, sizeof(bytes)) > 0) {
    }
}

// True once the child has ended; exitCode then holds how.
bool Reaped(pid_t child, int* exitCode) {
    int status = 0;
    pid_t result = 0;
    do {
        result = waitpid(child, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        return false;
    }
    *exitCode = result == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

void KillAndReap(pid_t child) {
    kill(-child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void EndBoxGroup(int /*signal*/) {
    kill(0, SIGKILL);
}

} // namespace

bool InMessageBoxProcess() {
    return std::getenv(ownerVariable) != nullptr;
}

int RunMessageBoxProcess(int argc, char** argv, Backend& backend) {
    const char* variable = std::getenv(ownerVariable);
    const std::string owner = variable != nullptr ? variable : "";
    std::signal(SIGTERM, EndBoxGroup);
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // An owner gone before the line above would have left the box to nobody.
    if (argc < 3 || owner != std::to_string(getppid())) {
        return 2;
    }
    return backend.ShowMessageBox(argv[1], argv[2]) ? 0 : 2;
}

BoxOutcome ShowMessageBoxInOwnProcess(const char* caption, const char* text) {
    // An executable whose main does not run the platform would not know the box's variable.
    if (!MainRunsPlatform()) {
        return BoxOutcome::NoProcess;
    }
    const pid_t child = SpawnBoxProcess(caption, text);
    if (child < 0) {
        return BoxOutcome::NoProcess;
    }
    const int wake = SignalWakeDescriptor();
    for (;;) {
        int exitCode = 0;
        if (Reaped(child, &exitCode)) {
            return exitCode == 0 ? BoxOutcome::Dismissed : BoxOutcome::NotShown;
        }
        if (SignalCloseRequested()) {
            KillAndReap(child);
            return BoxOutcome::Interrupted;
        }
        pollfd waiting{wake, POLLIN, 0};
        poll(&waiting, 1, childCheckMs);
        DrainSignalWakes(wake);
    }
}
