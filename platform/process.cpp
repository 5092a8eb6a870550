#include "platform/backend.h"
#include "platform/process_internal.h"
#include "platform/random.h"
#include "platform/system.h"
#include "platform/window.h"
#include "platform/window_records.h"

#include <atomic>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

struct PlatformModule {};
struct PlatformIcon {
    IconImage image;
    int id;
};
struct PlatformCursor {};

namespace {

PlatformModule programModule;
PlatformIcon stockIcon{{0, 0, nullptr}, 0};
PlatformCursor arrowCursor;
std::map<int, PlatformIcon> iconResources;

std::string commandLine;
std::string programName = "tuvoran";

static_assert(std::atomic<int>::is_always_lock_free, "noted from signal handlers");
std::atomic<int> pendingSignals{0};

bool running = false; // inside RunPlatform, which the program's main calls

std::string BaseName(const char* path) {
    return std::filesystem::path(path).filename().string();
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
    int helperExitCode = 0;
    if (RunAsHelperProcess(argc, argv, backend, &helperExitCode)) {
        return helperExitCode;
    }
    commandLine = JoinCommandLine(argc, argv);
    if (argc > 0 && argv[0][0] != '\0') {
        programName = BaseName(argv[0]);
    }
    // A close asked for belongs to the run it was asked of.
    pendingSignals = 0;
    RouteCloseRequests();
    SetBackend(&backend);
    running = true;
    const int result = winMain(GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOW);
    running = false;
    SetBackend(nullptr);
    return result;
}

void NoteCloseRequest() {
    pendingSignals.fetch_add(1);
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
    iconResources[id] = {image, id};
}

const IconImage* ImageOfIcon(HICON icon) {
    return icon != nullptr && icon->image.pixels != nullptr ? &icon->image : nullptr;
}

int ResourceOfIcon(HICON icon) {
    return icon != nullptr ? icon->id : 0;
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
