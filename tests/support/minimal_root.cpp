#include "support/minimal_root.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>

namespace {

namespace fs = std::filesystem;

const std::string minimalRoot = fs::path(TUVORAN_BINARY).parent_path().string() + "/minimal-root";
const std::string minimalRootScript = TUVORAN_SOURCE_DIR "/tools/minimal-root.sh";

} // namespace

std::string MinimalRootFolder() {
    return minimalRoot;
}

std::string MinimalRootMissing() {
    if (geteuid() != 0) {
        return "making a root with debootstrap and mounting into it needs root";
    }
    if (RunWithErrors("command -v debootstrap && command -v chroot").exitCode != 0) {
        return "debootstrap is not installed (tools/install-deps.sh test)";
    }
    return "";
}

bool MakeMinimalRoot(std::string* output) {
    const auto start = std::chrono::steady_clock::now();
    const CommandOutput made =
        RunWithErrors(Quoted(minimalRootScript) + " make " + Quoted(minimalRoot));
    *output = made.text;
    std::cout << "minimal root ready in " << SecondsSince(start) << " s\n" << made.text;
    return made.exitCode == 0;
}

CommandOutput MinimalRootPiuparts(const std::string& package) {
    return RunWithErrors(Quoted(minimalRootScript) + " piuparts " + Quoted(minimalRoot) + " " +
                         Quoted(package));
}

MinimalRootLayer::MinimalRootLayer(const std::string& run) : name(run) {
    downCommand = {minimalRootScript, "down", minimalRoot, name};
    downArguments.clear();
    for (std::string& argument : downCommand) {
        downArguments.push_back(argument.data());
    }
    downArguments.push_back(nullptr);
    struct sigaction takeDown {};
    takeDown.sa_handler = TakeDownAndEnd;
    sigemptyset(&takeDown.sa_mask);
    for (std::size_t i = 0; i < std::size(signals); ++i) {
        sigaction(signals[i], &takeDown, &previous[i]);
    }
    const CommandOutput up = RunWithErrors(Quoted(minimalRootScript) + " up " +
                                           Quoted(minimalRoot) + " " + Quoted(name));
    ready = up.exitCode == 0;
    upOutput = up.text;
}

MinimalRootLayer::~MinimalRootLayer() {
    Down();
    for (std::size_t i = 0; i < std::size(signals); ++i) {
        sigaction(signals[i], &previous[i], nullptr);
    }
}

CommandOutput MinimalRootLayer::Down() const {
    return RunWithErrors(Quoted(minimalRootScript) + " down " + Quoted(minimalRoot) + " " +
                         Quoted(name));
}

std::string MinimalRootLayer::Path() const {
    return minimalRoot + "/runs/" + name + "/root";
}

std::vector<std::string> MinimalRootLayer::Inside(const std::string& command) const {
    return {minimalRootScript, "in", minimalRoot, name, command};
}

CommandOutput MinimalRootLayer::Run(const std::string& command,
                                    const std::vector<std::string>& unset) const {
    std::string line = "env";
    for (const std::string& variable : unset) {
        line += " -u " + variable;
    }
    for (const std::string& argument : Inside(command)) {
        line += " " + Quoted(argument);
    }
    return RunWithErrors(line);
}

std::vector<int> MinimalRootLayer::Processes() const {
    std::vector<int> processes;
    std::error_code error;
    const fs::path root = fs::weakly_canonical(Path(), error);
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string id = entry.path().filename().string();
        if (id.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code gone;
        if (fs::read_symlink(entry.path() / "root", gone) == root) {
            processes.push_back(std::stoi(id));
        }
    }
    return processes;
}

void MinimalRootLayer::TakeDownAndEnd(int signal) {
    const pid_t child = fork();
    if (child == 0) {
        execv(downArguments[0], downArguments.data());
        _exit(127);
    }
    if (child > 0) {
        int status = 0;
        waitpid(child, &status, 0);
    }
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigaction(signal, &standard, nullptr);
    raise(signal);
}
