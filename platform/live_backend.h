#pragma once

// The backend that the live program plays on: SDL2 on Linux, Win32 on Windows. The show's
// full-screen window becomes a window or keeps its shape as view asks; F11 and Alt+Enter
// switch it between window and full screen, unseen by the program.

#include "platform/backend.h"
#include "platform/view.h"

#include <memory>

std::unique_ptr<Backend> CreateLiveBackend(const ViewOptions& view);
