#pragma once

// OpenGL's header for the Windows build, without the windows.h that the system's own header
// pulls in for its calling conventions: the program declares calls of the same names. The
// conventions are defined here exactly as windows.h defines them, so that a file of the
// Win32 backend may include both. Mesa's header also brings OpenGL 1.2's pixel types, which
// the program uses where the driver has them.

// The space belongs to windows.h's own spelling, which must match.
// clang-format off
#ifndef DECLSPEC_IMPORT
#define DECLSPEC_IMPORT __declspec (dllimport)
#endif
// clang-format on
#ifndef WINAPI
#define WINAPI __stdcall
#endif
#ifndef APIENTRY
#define APIENTRY WINAPI
#endif
#ifndef WINGDIAPI
#define WINGDIAPI DECLSPEC_IMPORT
#endif

#include_next <GL/gl.h>
#include <GL/glext.h>
