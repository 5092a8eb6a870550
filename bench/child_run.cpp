#include "child_run.h"

#include "platform/argument_vector.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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

double MsToOutputLine(const std::vector<std::string>& arguments, const std::string& folder,
                      const std::string& line, int timeoutMs) {
    std::vector<std::string> argumentCopies = arguments;
    std::vector<char*> argv = ArgumentVector(argumentCopies);
    int output[2] = {-1, -1};
    if (pipe(output) != 0) {
        return -1.0;
    }
    const std::int64_t started = MonotonicNs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(output[1], STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        close(output[0]);
        if (chdir(folder.c_str()) == 0) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    close(output[1]);
    if (pid < 0) {
        close(output[0]);
        return -1.0;
    }
    std::string written;
    double ms = -1.0;
    const std::int64_t deadline = started + static_cast<std::int64_t>(timeoutMs) * 1000000;
    // Read to the end of the output, which comes when the child has gone.
    for (;;) {
        const std::int64_t left = (deadline - MonotonicNs()) / 1000000;
        pollfd readable{output[0], POLLIN, 0};
        if (left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) {
            kill(pid, SIGKILL);
            ms = -1.0;
            break;
        }
        char buffer[256];
        const ssize_t got = read(output[0], buffer, sizeof(buffer));
        if (got <= 0) {
            break;
        }
        written.append(buffer, static_cast<std::size_t>(got));
        if (ms < 0.0 && written.find(line) != std::string::npos) {
            ms = static_cast<double>(MonotonicNs() - started) / 1e6;
        }
    }
    close(output[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? ms : -1.0;
}
