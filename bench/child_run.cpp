#include "child_run.h"

#include "platform/argument_vector.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

std::int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A process's own high-water mark. The rusage figure of a child would not do: a process made
// by fork starts with its parent's resident size, and keeps it through exec.
long PeakResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

void ResetPeakResident() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string BenchFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

ChildRun RunChild(const std::vector<std::string>& arguments, const std::string& folder,
                  int terminateAfterMs, int timeoutMs) {
    std::vector<std::string> argumentCopies = arguments;
    std::vector<char*> argv = ArgumentVector(argumentCopies);

    ChildRun run{MonotonicNs(), -1, 0};
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        if (chdir(folder.c_str()) == 0) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    if (pid < 0) {
        return run;
    }
    bool terminated = false;
    int status = 0;
    // Read until the child ends; a high-water mark only grows, and the last few
    // milliseconds of a run are its teardown.
    while (waitpid(pid, &status, WNOHANG) == 0) {
        run.peakResidentKiB = std::max(run.peakResidentKiB, PeakResidentKiB(pid));
        const std::int64_t elapsedMs = (MonotonicNs() - run.startedNs) / 1000000;
        if (elapsedMs > timeoutMs) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return run;
        }
        if (terminateAfterMs >= 0 && !terminated && elapsedMs >= terminateAfterMs) {
            kill(pid, SIGTERM);
            terminated = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}
