#pragma once

// The live backend: windows, display modes, OpenGL contexts, input and audio through SDL2.

#include "platform/backend.h"
#include "platform/view.h"

#include <memory>

std::unique_ptr<Backend> CreateSdlBackend();

// The show's full-screen window becomes a window or keeps its shape as view asks; F11 and
// Alt+Enter switch it between window and full screen, unseen by the program.
std::unique_ptr<Backend> CreateSdlBackend(const ViewOptions& view);
