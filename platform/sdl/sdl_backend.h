#pragma once

// The live backend: windows, display modes, OpenGL contexts and input through SDL2.

#include "platform/backend.h"

#include <memory>

std::unique_ptr<Backend> CreateSdlBackend();
