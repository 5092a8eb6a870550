#include "child_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

std::int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string BenchFolder() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

ChildRun RunChild(const std::vector<std::string>& arguments, const std::string& folder,
                  int terminateAfterMs, int timeoutMs) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

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
    rusage usage{};
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        const std::int64_t elapsedMs = (MonotonicNs() - run.startedNs) / 1000000;
        if (elapsedMs > timeoutMs) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            return run;
        }
        if (terminateAfterMs >= 0 && !terminated && elapsedMs >= terminateAfterMs) {
            kill(pid, SIGTERM);
            terminated = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.peakResidentKiB = usage.ru_maxrss;
    return run;
}
