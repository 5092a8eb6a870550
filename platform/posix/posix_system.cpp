// The process services on Linux (and in the browser, whose runtime emulates them): signals
// and the message box's own process.

#include "platform/posix/posix_system.h"

#include "platform/posix/message_box_process.h"
#include "platform/process_internal.h"
#include "platform/system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

// Written by the handler, so that a wait on descriptors wakes for a signal on any thread.
int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int /*signal*/) {
    NoteCloseRequest();
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

} // namespace

int SignalWakeDescriptor() {
    return signalPipe[0];
}

bool RunAsHelperProcess(int argc, char** argv, Backend& backend, int* exitCode) {
    if (!InMessageBoxProcess()) {
        return false;
    }
    *exitCode = RunMessageBoxProcess(argc, argv, backend);
    return true;
}

void RouteCloseRequests() {
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
