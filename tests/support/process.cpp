#include "support/process.h"

#include "support/arguments.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
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

namespace {

// WM_NAME in Latin-1, or else _NET_WM_NAME in UTF-8, as toolkits set one or the other.
std::string WindowTitle(Display* display, Window window) {
    std::string title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
        return title;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                           False, XInternAtom(display, "UTF8_STRING", False), &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    return title;
}

// The shown top-level window of that title on display, or 0.
Window ShownWindow(Display* display, const char* title) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window shown = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        for (unsigned int i = 0; i < count && shown == 0; ++i) {
            XWindowAttributes attributes{};
            if (WindowTitle(display, children[i]) == title &&
                XGetWindowAttributes(display, children[i], &attributes) != 0 &&
                attributes.map_state == IsViewable) {
                shown = children[i];
            }
        }
        XFree(children);
    }
    return shown;
}

} // namespace

bool WindowShown(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const bool shown = ShownWindow(display, title) != 0;
    XCloseDisplay(display);
    return shown;
}

bool FocusWindow(const char* title) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    const Window window = ShownWindow(display, title);
    if (window != 0) {
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
    }
    XCloseDisplay(display);
    return window != 0;
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
