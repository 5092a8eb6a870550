#pragma once

// The capture backend: no display server, no sound card. Windows are OpenGL pbuffers on
// Mesa's surfaceless EGL platform, full-screen modes are whatever is asked for, and time is
// a virtual clock that moves on one frame at each presentation, when the frame is read back
// and the music of that frame is pulled from the sound layer; both go to a CaptureSink.

#include "platform/backend.h"
#include "platform/offscreen/capture_sink.h"

#include <memory>

// With keepAspect the show's canvas keeps its 4:3 shape in a surface of another, with black
// bars, instead of being stretched over it. The clock starts at firstFrame, for a show that
// reaches that frame before it presents one.
std::unique_ptr<Backend> CreateOffscreenBackend(int framesPerSecond, CaptureSink& sink,
                                                bool keepAspect = false,
                                                std::int64_t firstFrame = 0);
