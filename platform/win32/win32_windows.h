#pragma once

// The real Windows headers, for the files of this folder only: the platform layer declares
// the program's own calls of the same names, and no file may see both. The macros that would
// rename the Backend's members, or shadow the standard library's, are taken back.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef CreateWindow
#undef DrawText
#undef LoadIcon
#undef MessageBox
