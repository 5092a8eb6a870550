#pragma once

// Process services shared inside the platform layer. Not for use outside platform/.

#include "platform/process.h"

const IconImage* ImageOfIcon(HICON icon);

// True once for each SIGINT or SIGTERM received since the last call.
bool TakeSignalCloseRequest();
