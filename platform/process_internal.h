#pragma once

// Process services shared inside the platform layer. Not for use outside platform/.

#include "platform/failure_advice.h"
#include "platform/process.h"

#include <string>

const IconImage* ImageOfIcon(HICON icon);

// True once for each SIGINT, SIGTERM or SIGHUP received since the last call.
bool TakeSignalCloseRequest();
// True inside RunPlatform: the executable, started again, runs the platform's start first.
bool MainRunsPlatform();

// True while a signal waits to be taken, without taking it.
bool SignalCloseRequested();
// Becomes readable when a signal arrives; the reader drains it. -1 before the run starts.
int SignalWakeDescriptor();

// Back to the state at load, for a host that runs the program again in the same process: no
// window classes, windows, contexts, messages, icon resources or advice, and the random
// numbers from their start.
void ResetPlatformState();
// The timer as at load: never frozen, showing the backend's clock.
void ResetTimer();
