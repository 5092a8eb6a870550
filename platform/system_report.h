#pragma once

// What this computer gives the show, for a user's report (`--version --verbose`): the OpenGL
// driver that a window of the backend gets, the sound device that the default output opens
// and the music decoder, each a line "What: ...". A part that is missing (no display, no
// sound device) says so in its line, with the system's reason.

#include "platform/backend.h"

#include <string>

std::string SystemReport(Backend& backend);
