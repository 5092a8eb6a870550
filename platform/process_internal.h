#pragma once

// Process services shared inside the platform layer. Not for use outside platform/.

#include "platform/failure_advice.h"
#include "platform/process.h"

#include <string>

const IconImage* ImageOfIcon(HICON icon);

// Counts one request from the system to end the program; safe in a signal handler and on any
// thread.
void NoteCloseRequest();
// True once for each request noted since the last call.
bool TakeSignalCloseRequest();
// True inside RunPlatform: the executable, started again, runs the platform's start first.
bool MainRunsPlatform();

// True while a request waits to be taken, without taking it.
bool SignalCloseRequested();

// Back to the state at load, for a host that runs the program again in the same process: no
// window classes, windows, contexts, messages, icon resources or advice, and the random
// numbers from their start.
void ResetPlatformState();
