#include "platform/backend.h"
#include "platform/message_box_process.h"
#include "platform/process_internal.h"
#include "platform/random.h"
#include "platform/window.h"
#include "platform/window_records.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <map>
#include <string>

struct PlatformModule {};
struct PlatformIcon {
    IconImage image;
};
struct PlatformCursor {};

namespace {

PlatformModule programModule;
PlatformIcon stockIcon{{0, 0, nullptr}};
PlatformCursor arrowCursor;
std::map<int, PlatformIcon> iconResources;

std::string commandLine;
std::string programName = "tuvoran";

std::atomic<int> pendingSignals{0};
// Written by the handler, so that a wait on descriptors wakes for a signal on any thread.
int signalPipe[2] = {-1, -1};

// Set from the loading threads as well as the program's own.

bool running = false; // inside RunPlatform, which the program's main calls

void OnTerminationSignal(int /*signal*/) {
    pendingSignals.fetch_add(1);
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already wakes the waiter.
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void OpenSignalPipe() {
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void InstallSignalHandlers() {
    OpenSignalPipe();
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Calls that a signal interrupts go on: reading a picture must not fail because of one.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed terminal must not kill the show with the desktop's mode still changed.
    sigaction(SIGHUP, &action, nullptr);
}

std::string BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

std::string JoinCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            line += ' ';
        }
        const bool quote = std::strchr(argv[i], ' ') != nullptr;
        if (quote) {
            line += '"';
        }
        line += argv[i];
        if (quote) {
            line += '"';
        }
    }
    return line;
}

// Win32 resource ids are integers below 65536 carried in the name pointer.
bool IsIntegerResource(const char* name, int* id) {
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    if (value > 0xFFFF) {
        return false;
    }
    *id = static_cast<int>(value);
    return true;
}

} // namespace

char* GetCommandLineA() {
    return commandLine.data();
}

const char* ProgramName() {
    return programName.c_str();
}

int RunPlatform(int argc, char** argv, Backend& backend, WinMainFunction winMain) {
    if (InMessageBoxProcess()) {
        return RunMessageBoxProcess(argc, argv, backend);
    }
    commandLine = JoinCommandLine(argc, argv);
    if (argc > 0 && argv[0][0] != '\0') {
        programName = BaseName(argv[0]);
    }
    // A close asked for belongs to the run it was asked of.
    pendingSignals = 0;
    InstallSignalHandlers();
    SetBackend(&backend);
    running = true;
    const int result = winMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOW);
    running = false;
    SetBackend(nullptr);
    return result;
}

bool TakeSignalCloseRequest() {
    int pending = pendingSignals.load();
    while (pending > 0) {
        if (pendingSignals.compare_exchange_weak(pending, pending - 1)) {
            return true;
        }
    }
    return false;
}

bool MainRunsPlatform() {
    return running;
}

bool SignalCloseRequested() {
    return pendingSignals.load() > 0;
}

int SignalWakeDescriptor() {
    return signalPipe[0];
}

void ResetPlatformState() {
    ForgetMessages();
    ForgetContextRecords();
    ForgetWindowRecords();
    iconResources.clear();
    TakeFailureAdvice();
    pendingSignals = 0;
    SeedRandomNumbers(1);
    ResetTimer();
}

HMODULE GetModuleHandleA(const char* moduleName) {
    return moduleName == nullptr ? &programModule : nullptr;
}

void RegisterIconResource(int id, const IconImage& image) {
    iconResources[id] = {image};
}

const IconImage* ImageOfIcon(HICON icon) {
    return icon != nullptr && icon->image.pixels != nullptr ? &icon->image : nullptr;
}

HICON LoadIconA(HINSTANCE instance, const char* name) {
    int id = 0;
    if (!IsIntegerResource(name, &id)) {
        return nullptr;
    }
    if (instance == nullptr) {
        return id == 32517 ? &stockIcon : nullptr;
    }
    if (instance != &programModule) {
        return nullptr;
    }
    const auto found = iconResources.find(id);
    return found != iconResources.end() ? &found->second : nullptr;
}

HCURSOR LoadCursorA(HINSTANCE instance, const char* name) {
    int id = 0;
    if (instance != nullptr || !IsIntegerResource(name, &id) || id != 32512) {
        return nullptr;
    }
    return &arrowCursor;
}
