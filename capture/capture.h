#pragma once

// The capture program: reads its command line, runs the show from winMain down on the
// offscreen backend, and writes what it recorded.

#include "platform/process.h"

#include <cstdint>

// Returns the process's exit code: 0 done, 1 failed, 2 bad command line, 130 stopped early
// by Ctrl+C or SIGTERM. musicPath: the show's music, measured for the length of the capture.
int RunCapture(int argc, char** argv, WinMainFunction winMain, const char* musicPath);

// Frames the capture draws of the whole show at fps: it ends in the frame whose end reaches
// the end of the music at musicPath. -1 when the music cannot be read.
std::int64_t ShowFrameCount(const char* musicPath, int fps);
