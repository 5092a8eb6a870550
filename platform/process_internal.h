#pragma once

// Process services shared inside the platform layer. Not for use outside platform/.

#include "platform/close_requests.h"
#include "platform/failure_advice.h"
#include "platform/process.h"

#include <string>

const IconImage* ImageOfIcon(HICON icon);
// The resource number the icon was loaded by; 0 for the stock icon and none.
int ResourceOfIcon(HICON icon);

// True inside RunPlatform: the executable, started again, runs the platform's start first.
bool MainRunsPlatform();

// Back to the state at load, for a host that runs the program again in the same process: no
// window classes, windows, contexts, messages, icon resources or advice, and the random
// numbers from their start.
void ResetPlatformState();
// The timer as at load: never frozen, showing the backend's clock.
void ResetTimer();
