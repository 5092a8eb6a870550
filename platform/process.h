#pragma once

// The process: its command line, its entry point and its resources.

#include "platform/backend.h"
#include "platform/types.h"

using WinMainFunction = int (*)(HINSTANCE, HINSTANCE, char*, int);

// The command line as one string, program name first (quoted when it holds a space).
char* GetCommandLineA();

// Keeps argv as the command line, makes backend current, routes SIGINT, SIGTERM and SIGHUP to a
// close request of the window, and runs winMain. Returns what winMain returns.
int RunPlatform(int argc, char** argv, Backend& backend, WinMainFunction winMain);

// The name that standard-error lines start with: the program's file name.
const char* ProgramName();

// Makes an image available to LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id)).
void RegisterIconResource(int id, const IconImage& image);
