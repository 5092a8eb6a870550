#pragma once

// Runs the program as a child process, as a user would, and watches it from outside.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class ChildProcess {
public:
    // Started in workingDirectory, where the program finds its data, with the environment
    // variables ("NAME=value") added or replaced; standard error goes to a file that
    // ErrorOutput reads.
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment = {},
                          const std::string& workingDirectory = TUVORAN_SOURCE_DIR);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running();
    // The exit code, or -1 when it did not end within timeoutMs (it is then killed).
    int Wait(int timeoutMs);
    void Signal(int signal) const;
    std::string ErrorOutput() const;

private:
    pid_t pid = -1;
    int exitCode = -1;
    bool ended = false;
    std::string errorPath;
};

struct CommandOutput {
    int exitCode; // -1 when the command did not end by itself
    std::string text;
};

// What a shell command writes on standard output, and its exit code.
CommandOutput RunCommand(const std::string& command);
// The same with standard error too.
CommandOutput RunWithErrors(const std::string& command);
// In single quotes for the shell (with no single quote in it).
std::string Quoted(const std::string& text);
double SecondsSince(std::chrono::steady_clock::time_point start);

// Presses and releases a key on the X display, as from the keyboard.
bool PressKey(const char* keyName);

// True while a top-level window of that title is shown on the X display.
bool WindowShown(const char* title);

// Gives the keyboard focus to the shown top-level window of that title; false when none.
bool FocusWindow(const char* title);

// Gives the keyboard back to the window under the pointer, as the X server starts. A program
// that took the focus for a window of its own may leave it on the root when the window goes
// (Wine does), where no later window receives a key: its tests leave the screen as found.
void ResetKeyboardFocus();

// True as soon as condition holds, false when it did not within timeoutMs.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

// Presses Escape until the program is gone, for up to timeoutMs; its exit code, or -1.
int EndWithEscape(ChildProcess& program, int timeoutMs);
// The same with the key given, each press on the window of that title given the keyboard
// first: where an earlier window took the focus with it, nothing gives it back by itself.
int EndWithKeyOn(ChildProcess& program, const char* title, const char* key, int timeoutMs);
