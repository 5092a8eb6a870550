#include "support/process.h"

#include "platform/argument_vector.h"
#include "support/x_connection.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& arguments,
                           const std::vector<std::string>& environment,
                           const std::string& workingDirectory) {
    char pattern[] = "/tmp/tuvoran-stderr-XXXXXX";
    const int errorFile = mkstemp(pattern);
    errorPath = pattern;

    std::vector<std::string> argumentCopies = arguments;
    std::vector<char*> argv = ArgumentVector(argumentCopies);
    // The variables given replace inherited ones of the same name.
    const auto overridden = [&environment](const std::string& variable) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        return std::any_of(environment.begin(), environment.end(),
                           [&name](const std::string& given) { return given.rfind(name, 0) == 0; });
    };
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!overridden(*variable)) {
            variables.emplace_back(*variable);
        }
    }
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> envp = ArgumentVector(variables);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errorFile, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
        ended = true;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(errorFile);
}

ChildProcess::~ChildProcess() {
    if (!ended && pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::remove(errorPath.c_str());
}

bool ChildProcess::Running() {
    if (ended) {
        return false;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return !ended;
}

int ChildProcess::Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            ended = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exitCode;
}

void ChildProcess::Signal(int signal) const {
    if (!ended && pid > 0) {
        kill(pid, signal);
    }
}

std::string ChildProcess::ErrorOutput() const {
    std::ifstream file(errorPath);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

CommandOutput RunCommand(const std::string& command) {
    CommandOutput output{-1, ""};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[256];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
        output.text += buffer;
    }
    const int status = pclose(pipe);
    output.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

CommandOutput RunWithErrors(const std::string& command) {
    return RunCommand(command + " 2>&1");
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool PressKey(const char* keyName) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keyName));
    const bool sent = code != 0 && XTestFakeKeyEvent(display, code, True, 0) != 0 &&
                      XTestFakeKeyEvent(display, code, False, 20) != 0;
    XFlush(display);
    XCloseDisplay(display);
    return sent;
}

bool WindowShown(const char* title) {
    const XConnection connection;
    return connection.display != nullptr && ShownWindow(connection.display, title) != 0;
}

bool FocusWindow(const char* title) {
    const XConnection connection;
    if (connection.display == nullptr) {
        return false;
    }
    const Window window = ShownWindow(connection.display, title);
    if (window != 0) {
        XSetInputFocus(connection.display, window, RevertToPointerRoot, CurrentTime);
        XSync(connection.display, False);
    }
    return window != 0;
}

void ResetKeyboardFocus() {
    const XConnection connection;
    if (connection.display != nullptr) {
        XSetInputFocus(connection.display, PointerRoot, RevertToPointerRoot, CurrentTime);
        XSync(connection.display, False);
    }
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

int EndWithKeyOn(ChildProcess& program, const char* title, const char* key, int timeoutMs) {
    WaitUntil(
        [&] {
            FocusWindow(title);
            PressKey(key);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return !program.Running();
        },
        timeoutMs);
    return program.Wait(10000);
}

int EndWithEscape(ChildProcess& program, int timeoutMs) {
    WaitUntil(
        [&] {
            PressKey("Escape");
            return !program.Running();
        },
        timeoutMs);
    return program.Wait(5000);
}
