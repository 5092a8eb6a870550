// The process services on Windows: the console's requests to end, and the console that the
// program was started from. A message box is the system's own, shown in this process.

#include "platform/close_requests.h"
#include "platform/console.h"
#include "platform/system.h"
#include "platform/win32/win32_windows.h"

#include <cstdio>

namespace {

DWORD programThread = 0;

BOOL WINAPI OnConsoleEvent(DWORD event) {
    NoteCloseRequest();
    // Wakes the program's thread where it waits for messages.
    PostThreadMessageA(programThread, WM_NULL, 0, 0);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // The system ends the process once this returns: the program ends it first, in order,
        // within the time the system gives.
        Sleep(INFINITE);
    }
    return TRUE;
}

bool Connected(DWORD stream) {
    return GetFileType(GetStdHandle(stream)) != FILE_TYPE_UNKNOWN;
}

} // namespace

bool RunAsHelperProcess(int /*argc*/, char** /*argv*/, Backend& /*backend*/, int* /*exitCode*/) {
    return false;
}

void RouteCloseRequests() {
    programThread = GetCurrentThreadId();
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ConnectStartingConsole() {
    const bool output = Connected(STD_OUTPUT_HANDLE);
    const bool error = Connected(STD_ERROR_HANDLE);
    if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    if (!output) {
        std::freopen("CONOUT$", "w", stdout);
    }
    if (!error) {
        std::freopen("CONOUT$", "w", stderr);
    }
}
