#pragma once

// Standard output and error of a program started from a terminal. A Windows program that
// opens windows starts without them: it writes to the console it was started from, unless
// its output already goes elsewhere (a file, a pipe). Elsewhere nothing needs doing.
void ConnectStartingConsole();
