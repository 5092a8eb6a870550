#pragma once

// The pixel formats that the real backends offer: every one RGBA, double-buffered, for
// windows and OpenGL. Index 1 is the first.

#include "platform/backend.h"

int StandardPixelFormatCount();
const PixelFormat& StandardPixelFormat(int format);
int ClosestStandardPixelFormat(const PixelFormat& wanted);
