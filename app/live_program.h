#pragma once

// The live program as its main runs it: the command line's options are taken here, and the
// show gets the rest, on the live backend set up as they ask.

#include "platform/process.h"

// Returns the process's exit code: 0 for --help and --version, 2 for a command line that
// was not understood (the usage then goes to standard error), else what winMain returns.
// musicPath: the show's music, whose length bounds --at.
int RunLiveProgram(int argc, char** argv, WinMainFunction winMain, const char* musicPath);
