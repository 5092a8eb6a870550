#pragma once

// The capture program: reads its command line, runs the show from winMain down on the
// offscreen backend, and writes what it recorded.

#include "platform/process.h"

// Returns the process's exit code: 0 done, 1 failed, 2 bad command line, 130 stopped early
// by Ctrl+C or SIGTERM. musicPath: the show's music, measured for the length of the capture.
int RunCapture(int argc, char** argv, WinMainFunction winMain, const char* musicPath);
