#pragma once

// The live backend: windows, display modes, OpenGL contexts, input and audio through SDL2.

#include "platform/backend.h"

#include <memory>

std::unique_ptr<Backend> CreateSdlBackend();
