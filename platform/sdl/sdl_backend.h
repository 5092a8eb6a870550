#pragma once

// The live backend: windows, display modes, OpenGL contexts and input through SDL2; the sound
// through PulseAudio or ALSA (platform/linux/system_audio.h), or SDL2's where neither opens or
// SDL_AUDIODRIVER names another driver.

#include "platform/backend.h"
#include "platform/view.h"

#include <memory>

std::unique_ptr<Backend> CreateSdlBackend();

// The show's full-screen window becomes a window or keeps its shape as view asks; F11 and
// Alt+Enter switch it between window and full screen, unseen by the program.
std::unique_ptr<Backend> CreateSdlBackend(const ViewOptions& view);
